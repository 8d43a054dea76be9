#include "FirebirdServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "Subprocesso.h"
#include "TestDb.h"

namespace fs = std::filesystem;

namespace {

const char* const kServer = "/usr/sbin/firebird";
const char* const kIsql = "/usr/bin/isql-fb";
const char* const kRoot = "/usr/lib/x86_64-linux-gnu/firebird/3.0";

std::string& ProblemText() {
    static std::string s;
    return s;
}

int FreePort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(s);
        throw std::runtime_error("no free loopback port");
    }
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

bool PortOpen(int port) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// Environment of the private instance.
void SetInstanceEnv(const std::string& root, const std::string& lock) {
    setenv("FIREBIRD", root.c_str(), 1);
    setenv("FIREBIRD_LOCK", lock.c_str(), 1);
    setenv("FIREBIRD_TMP", (root + "/tmp").c_str(), 1);
    setenv("FIREBIRD_MSG", root.c_str(), 1);
    unsetenv("ISC_USER");
    unsetenv("ISC_PASSWORD");
}

}  // namespace

bool FirebirdServer::Available() {
    for (const char* p : {kServer, kIsql, kRoot}) {
        std::error_code ec;
        if (!fs::exists(p, ec)) {
            ProblemText() = std::string(p) + " not found (Debian package firebird3.0-server)";
            return false;
        }
    }
    return true;
}

const std::string& FirebirdServer::Problem() { return ProblemText(); }

void FirebirdServer::AnotarProblema(const std::string& texto) { ProblemText() = texto; }

bool FirebirdServer::Obrigatorio() {
    const char* v = std::getenv("PRAVOLT_SERVIDOR_OBRIGATORIO");
    return v && std::string(v) == "1";
}

FirebirdServer::FirebirdServer() {
    std::random_device rd;
    std::ostringstream pw;
    pw << "pv" << std::hex << (rd() & 0xFFFFFF);
    password_ = pw.str();
}

FirebirdServer::~FirebirdServer() {
    try {
        Stop();
    } catch (...) {
    }
    if (!root_.empty()) {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
}

std::string FirebirdServer::Location(const std::string& path) const {
    return "127.0.0.1/" + std::to_string(port_) + ":" + path;
}

void FirebirdServer::Prepare() {
    if (prepared_) return;
    if (!Available()) throw std::runtime_error(Problem());
    root_ = TestDb::MakeTempDir("pravolt-fbserver");
    lockDir_ = root_ + "/lock";
    dataDir_ = root_ + "/data";
    for (const auto& d : {lockDir_, dataDir_, root_ + "/tmp"}) fs::create_directories(d);
    for (const char* item : {"plugins", "lib", "UDF", "firebird.msg"})
        fs::create_symlink(std::string(kRoot) + "/" + item, root_ + "/" + item);
    // The character-set library is copied: a server that reaches it through a link
    // answers "CHARACTER SET WIN1252 is not installed".
    fs::create_directories(root_ + "/intl");
    for (const char* item : {"libfbintl.so", "fbintl.conf"})
        fs::copy_file(std::string(kRoot) + "/intl/" + item, root_ + "/intl/" + item);
    port_ = FreePort();
    {
        std::ofstream conf(root_ + "/firebird.conf");
        conf << "RemoteServicePort = " << port_ << "\n"
             << "RemoteBindAddress = 127.0.0.1\n"
             << "SecurityDatabase = " << root_ << "/security3.fdb\n"
             << "ServerMode = Super\n"
             << "AuthServer = Srp\n"
             << "AuthClient = Srp\n"
             << "UserManager = Srp\n"
             << "WireCrypt = Enabled\n"
             << "DatabaseAccess = Full\n"
             << "GuardianOption = 0\n"
             << "IpcName = pravolt_test_" << port_ << "\n";
        std::ofstream(root_ + "/databases.conf") << "";
        std::ofstream(root_ + "/plugins.conf") << "";
    }
    // The private security database, made new (the system's copy is readable by the group
    // firebird only) with the SYSDBA password of this run, through the embedded engine of
    // the private configuration; Srp makes its user table on the first user.
    std::string script = root_ + "/setpw.sql";
    std::ofstream(script) << "CREATE DATABASE '" << root_ << "/security3.fdb' USER 'SYSDBA';\n"
                          << "CREATE OR ALTER USER SYSDBA PASSWORD '" << password_ << "' USING PLUGIN Srp;\nCOMMIT;\n";
    pid_t pid = fork();
    if (pid == 0) {
        SetInstanceEnv(root_, lockDir_);
        int out = open((root_ + "/setpw.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(out, 2);
        execl(kIsql, kIsql, "-q", "-b", "-user", "SYSDBA", "-i", script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("could not set the SYSDBA password of the test server: " +
                                 ReadFile(root_ + "/setpw.log"));
    prepared_ = true;
}

void FirebirdServer::Start() {
    if (pid_ > 0) return;
    Prepare();
    pid_t pid = fork();
    if (pid == 0) {
        SetInstanceEnv(root_, lockDir_);
        setpgid(0, 0);
        int out = open((root_ + "/server.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(out, 1);
        dup2(out, 2);
        execl(kServer, kServer, static_cast<char*>(nullptr));
        _exit(127);
    }
    pid_ = pid;
    auto fim = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < fim) {
        if (PortOpen(port_)) return;
        int st = 0;
        if (waitpid(pid_, &st, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("the test server ended at start: " + ReadFile(root_ + "/server.log") +
                                     ReadFile(root_ + "/firebird.log"));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Stop();
    throw std::runtime_error("the test server did not open its port");
}

void FirebirdServer::Stop() { Terminar(SIGTERM); }

void FirebirdServer::Kill() { Terminar(SIGKILL); }

void FirebirdServer::Terminar(int sinal) {
    if (pid_ <= 0) return;
    kill(pid_, sinal);
    EsperarProcesso(pid_, 3000);
    pid_ = -1;
    // wait for the port to close so a restart can bind it again
    for (int i = 0; i < 200 && PortOpen(port_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
}

int FirebirdServer::Executar(const std::vector<std::string>& argv, std::string& saida) {
    Prepare();
    const std::string log = root_ + "/executar.log";
    pid_t pid = fork();
    if (pid == 0) {
        SetInstanceEnv(root_, lockDir_);
        int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(out, 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    saida += ReadFile(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
