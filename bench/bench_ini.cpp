// Start-up of the program with a huge Parametros.ini: the built `pravolt` started as a
// process (offscreen) on two empty databases of its own, timed from the start until it
// holds the main database open (the distribution window's first show, the end of the
// start-up), then killed. The configuration file holds the keys the program needs plus
// 50 MB of comment lines, or 50 MB of keys; a small file is the reference. Median of 5
// starts each. Prints, last:
//   MS ini-small <milliseconds>
//   MS ini-50mb <milliseconds, the slower of comments and keys>   (target: under 1000)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchComum.h"
#include "shell/UEsquema.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kTamanho = 50u * 1024 * 1024;

bool Aberto(pid_t pid, const std::string& arquivo) {
    std::error_code ec;
    for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), fim; !ec && it != fim;
         it.increment(ec)) {
        std::error_code e;
        if (fs::read_symlink(it->path(), e) == arquivo) return true;
    }
    return false;
}

// One start: milliseconds until the program holds the main database open; -1 on failure
// (what the program wrote is printed).
double Iniciar(const std::string& programa, const std::string& dir, const std::string& principal) {
    const std::string saida = dir + "/stderr.txt";
    const auto inicio = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("PRAVOLT_MENSAGENS", "stderr", 1);
        ::setenv("PRAVOLT_CONFIG_DIR", dir.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (dir + "/run").c_str(), 1);
        if (!std::freopen(saida.c_str(), "w", stderr)) ::_exit(126);
        ::execl(programa.c_str(), programa.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    double ms = -1;
    const auto limite = inicio + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < limite) {
        if (Aberto(pid, principal)) {
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - inicio).count();
            break;
        }
        if (::waitpid(pid, nullptr, WNOHANG) == pid) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    std::ifstream f(saida);
    std::stringstream texto;
    texto << f.rdbuf();
    if (texto.str().find("Erro|") != std::string::npos) {
        std::cerr << "the program reported an error:\n" << texto.str();
        return -1;
    }
    return ms;
}

}  // namespace

int main() {
    const std::string programa = std::string(PRAVOLT_BINARY_DIR) + "/pravolt";
    if (!fs::exists(programa)) {
        std::cerr << programa << " is not built\n";
        return 1;
    }
    std::string modelo = (fs::temp_directory_path() / "bench-ini-XXXXXX").string();
    if (!::mkdtemp(modelo.data())) return 1;
    const std::string dir = modelo;
    fs::create_directories(dir + "/run");
    fs::permissions(dir + "/run", fs::perms::owner_all);
    const std::string acesso = dir + "/ACESSO.FDB", principal = dir + "/PRAVOLT.FDB";
    const std::string senha = esquema::SenhaPorChave("1");
    esquema::CriarBanco(acesso, esquema::Banco::Acesso, "SYSDBA", senha);
    esquema::CriarBanco(principal, esquema::Banco::Principal, "SYSDBA", senha);

    const std::string chaves = "[Banco]\r\nBanco=DevartFireBird\r\nCHAVE=1\r\n[Paths]\r\nDB=" + principal +
                               "\r\nACESSO=" + acesso + "\r\nUSER=" + acesso + "\r\n";
    auto medir = [&](const std::string& nome, const std::string& linha) {
        {
            std::ofstream f(dir + "/Parametros.ini", std::ios::binary | std::ios::trunc);
            f << chaves;
            std::size_t escrito = chaves.size();
            if (!linha.empty()) {
                if (linha[0] != ';') f << "[Extras]\r\n";
                char buf[64];
                for (std::size_t n = 0; escrito < kTamanho; ++n) {
                    const int t = std::snprintf(buf, sizeof buf, linha.c_str(), n, n);
                    f.write(buf, t);
                    escrito += static_cast<std::size_t>(t);
                }
            }
        }
        // As an installed file is: on disk, written a while before the start.
        ::sync();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        std::vector<double> tempos;
        for (int i = 0; i < 5; ++i) tempos.push_back(Iniciar(programa, dir, principal));
        const double ms = bench::Mediana(tempos);
        std::cout << nome << " start " << ms << " ms (" << fs::file_size(dir + "/Parametros.ini") / 1024
                  << " KB)\n";
        return ms;
    };
    const double pequeno = medir("small", "");
    const double comentarios =
        medir("50 MB of comments", "; comment line number %08zu of the file %08zu\r\n");
    const double chavesExtras = medir("50 MB of keys", "Chave%08zu=value of the key number %08zu\r\n");
    fs::remove_all(dir);
    if (pequeno < 0 || comentarios < 0 || chavesExtras < 0) return 1;
    std::cout << "MS ini-small " << pequeno << "\n";
    std::cout << "MS ini-50mb " << std::max(comentarios, chavesExtras) << "\n";
    return 0;
}
