#pragma once
// A private Firebird 3 server for tests that need a server (two connections to one
// database, a dropped connection). It runs Debian's /usr/sbin/firebird as a separate
// instance: its own root folder with firebird.conf (loopback only, a free port), its own
// lock folder, a security database of its own with a SYSDBA password set for the run.
// The system installation and its service are never touched.
#include <exception>
#include <string>
#include <sys/types.h>
#include <vector>

// In a test's SetUp, when the suite could not start its server: the test is skipped,
// unless the run demands the server (PRAVOLT_SERVIDOR_OBRIGATORIO=1, set by scripts/test),
// where it fails, so that a missing package can never pass for a green run.
#define SEM_SERVIDOR_PULAR_OU_FALHAR()                                                         \
    do {                                                                                       \
        if (FirebirdServer::Obrigatorio()) FAIL() << "no test server: " << FirebirdServer::Problem(); \
        GTEST_SKIP() << FirebirdServer::Problem();                                             \
    } while (0)

class FirebirdServer {
public:
    FirebirdServer();
    ~FirebirdServer();  // stops the server and removes its folder
    FirebirdServer(const FirebirdServer&) = delete;
    FirebirdServer& operator=(const FirebirdServer&) = delete;

    // False (with the reason in Problem()) when the binaries are not installed.
    static bool Available();
    static const std::string& Problem();
    // True when the run must not go without the server (see above).
    static bool Obrigatorio();
    // A suite's SetUpTestSuite: runs `preparar` (start the server, make the database). An
    // error there becomes Problem() and the server is dropped, so each test fails or skips
    // through SEM_SERVIDOR_PULAR_OU_FALHAR; left to the test framework, the error would
    // skip every test of the suite, and a skip is no failure.
    template <class Servidor>
    static void PrepararSuite(Servidor& server, void (*preparar)()) {
        try {
            preparar();
        } catch (const std::exception& e) {
            AnotarProblema(std::string("the test server could not be prepared: ") + e.what());
            server.reset();
        }
    }
    static void AnotarProblema(const std::string& texto);

    // Makes the root folder (DataDir() exists afterwards) without starting the server.
    void Prepare();
    void Start();   // waits until the port accepts connections
    void Stop();    // terminates and waits
    void Kill();    // SIGKILL, as a crash: no shutdown of any kind; waits for the port to close
    void Restart() { Stop(); Start(); }
    pid_t Pid() const { return pid_; }
    // Runs a program (argv[0] a path) with this instance's environment (a tool opening a
    // database file embedded, while the server is stopped) and waits for it; its standard
    // output and error are appended to `saida`. Gives the exit status (-1: killed).
    int Executar(const std::vector<std::string>& argv, std::string& saida);
    bool Running() const { return pid_ > 0; }

    int Port() const { return port_; }
    const std::string& User() const { return user_; }
    const std::string& Password() const { return password_; }
    // Folder for database files the server opens.
    const std::string& DataDir() const { return dataDir_; }
    // "127.0.0.1/<port>:<path>" for a database file.
    std::string Location(const std::string& path) const;

private:
    void Terminar(int sinal);
    std::string root_;
    std::string dataDir_;
    std::string lockDir_;
    std::string user_ = "SYSDBA";
    std::string password_;
    int port_ = 0;
    pid_t pid_ = -1;
    bool prepared_ = false;
};
