#include "Subprocesso.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <iostream>
#include <map>
#include <stdexcept>
#include <thread>

namespace {

constexpr int kFdRespostas = 3;  // the child's answers

std::map<std::string, EntradaSubprocesso>& Entradas() {
    static std::map<std::string, EntradaSubprocesso> m;
    return m;
}

void EscreverTudo(int fd, const std::string& s) {
    std::size_t feito = 0;
    while (feito < s.size()) {
        ssize_t n = write(fd, s.data() + feito, s.size() - feito);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error(std::string("pipe write failed: ") + std::strerror(errno));
        }
        feito += static_cast<std::size_t>(n);
    }
}

}  // namespace

void EsperarProcesso(pid_t pid, int limiteMs) {
    if (pid <= 0) return;
    auto fim = std::chrono::steady_clock::now() + std::chrono::milliseconds(limiteMs);
    int st = 0;
    while (waitpid(pid, &st, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > fim) {
            kill(pid, SIGKILL);
            waitpid(pid, &st, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

RegistroSubprocesso::RegistroSubprocesso(const char* nome, EntradaSubprocesso entrada) {
    Entradas()[nome] = entrada;
}

bool ExecutarSubprocesso(int argc, char** argv, int& codigo) {
    if (argc < 3 || std::strcmp(argv[1], "--subprocesso") != 0) return false;
    auto it = Entradas().find(argv[2]);
    if (it == Entradas().end()) {
        std::cerr << "no subprocess entry named " << argv[2] << "\n";
        codigo = 2;
        return true;
    }
    std::vector<std::string> args(argv + 3, argv + argc);
    try {
        codigo = it->second(args);
    } catch (const std::exception& e) {
        std::cerr << "subprocess " << argv[2] << " failed: " << e.what() << "\n";
        codigo = 3;
    }
    return true;
}

bool LerComando(std::string& linha) { return static_cast<bool>(std::getline(std::cin, linha)); }

void Responder(const std::string& linha) { EscreverTudo(kFdRespostas, linha + "\n"); }

Subprocesso::Subprocesso(const std::string& nome, const std::vector<std::string>& argumentos) {
    int para[2], de[2];
    if (pipe2(para, O_CLOEXEC) != 0 || pipe2(de, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe failed: ") + std::strerror(errno));
    std::vector<std::string> linha{"/proc/self/exe", "--subprocesso", nome};
    linha.insert(linha.end(), argumentos.begin(), argumentos.end());
    std::vector<char*> argv;
    for (auto& a : linha) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::cout.flush();
    std::cerr.flush();
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error(std::string("fork failed: ") + std::strerror(errno));
    if (pid == 0) {
        dup2(para[0], 0);
        dup2(2, 1);  // whatever the child prints goes with the parent's diagnostics
        dup2(de[1], kFdRespostas);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    close(para[0]);
    close(de[1]);
    pid_ = pid;
    entrada_ = para[1];
    saida_ = de[0];
}

Subprocesso::~Subprocesso() {
    if (entrada_ >= 0) close(entrada_);  // end of input: the child leaves its loop
    if (pid_ > 0) EsperarProcesso(pid_, 10000);
    if (saida_ >= 0) close(saida_);
}

void Subprocesso::Enviar(const std::string& linha) { EscreverTudo(entrada_, linha + "\n"); }

std::string Subprocesso::Receber(int limiteMs) {
    auto fim = std::chrono::steady_clock::now() + std::chrono::milliseconds(limiteMs);
    for (;;) {
        auto nl = pendente_.find('\n');
        if (nl != std::string::npos) {
            std::string r = pendente_.substr(0, nl);
            pendente_.erase(0, nl + 1);
            return r;
        }
        auto resta = std::chrono::duration_cast<std::chrono::milliseconds>(fim - std::chrono::steady_clock::now());
        if (resta.count() <= 0) throw std::runtime_error("the subprocess did not answer in time");
        pollfd p{saida_, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(resta.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) continue;
        char buf[4096];
        ssize_t n = read(saida_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("the subprocess ended without answering");
        pendente_.append(buf, static_cast<std::size_t>(n));
    }
}
