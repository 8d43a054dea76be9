#include "platform/InstanciaUnica.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {
namespace {

// Bytes outside [A-Za-z0-9._-] are written as %XX, so any name maps to one file name
// and two different names never share a file.
std::string CodificarNome(const std::string& nome) {
    static const char* hex = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : nome) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
            c == '_' || c == '-') {
            s += static_cast<char>(c);
        } else {
            s += '%';
            s += hex[c >> 4];
            s += hex[c & 15];
        }
    }
    return s;
}

std::string Uid() { return std::to_string(static_cast<unsigned long>(getuid())); }

std::string PrefixoRegistro() { return PastaExecucao() + "/janela." + Uid() + "."; }

bool ProcessoVivo(pid_t pid) {
    if (pid <= 0) return false;
    return kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

std::string PastaExecucao() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (xdg && *xdg && stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) return xdg;
    return "/tmp";
}

std::string InstanciaUnica::CaminhoTrava(const std::string& nome) {
    return PastaExecucao() + "/" + CodificarNome(nome) + "." + Uid() + ".lock";
}

InstanciaUnica::InstanciaUnica(const std::string& nome) {
    const std::string caminho = CaminhoTrava(nome);
    // O_CLOEXEC: a program started from this one must not inherit the lock.
    fd_ = ::open(caminho.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) fd_ = ::open(caminho.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd_ < 0) {
        falha_ = caminho + ": " + std::strerror(errno);
        return;
    }
    struct stat st {};
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        falha_ = caminho + ": not a regular file";
        ::close(fd_);
        fd_ = -1;
        return;
    }
    int r;
    do {
        r = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        if (errno == EWOULDBLOCK) {
            jaExistia_ = true;
        } else {
            falha_ = caminho + ": " + std::strerror(errno);
        }
        ::close(fd_);
        fd_ = -1;
    }
}

InstanciaUnica::~InstanciaUnica() { Liberar(); }

void InstanciaUnica::Liberar() noexcept {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

// --- window registry ----------------------------------------------------------

RegistroJanela::RegistroJanela(const std::string& classe, const std::string& titulo)
    : classe_(classe), titulo_(titulo) {
    arquivo_ = PrefixoRegistro() + std::to_string(getpid());
    pedido_ = arquivo_ + ".frente";
    std::remove(pedido_.c_str());
    Gravar();
}

RegistroJanela::~RegistroJanela() {
    std::remove(arquivo_.c_str());
    std::remove(pedido_.c_str());
}

void RegistroJanela::DefinirTitulo(const std::string& titulo) {
    titulo_ = titulo;
    Gravar();
}

void RegistroJanela::Gravar() {
    // Written to a temporary name and renamed, so a reader never sees half an entry.
    const std::string tmp = arquivo_ + ".tmp";
    {
        std::ofstream f(tmp, std::ios::trunc);
        f << classe_ << '\n' << titulo_ << '\n';
        if (!f) return;
    }
    std::rename(tmp.c_str(), arquivo_.c_str());
}

bool RegistroJanela::PedidoParaFrente() { return std::remove(pedido_.c_str()) == 0; }

std::optional<JanelaEncontrada> ProcurarJanela(const std::string& classe, const std::string& titulo) {
    const std::string pasta = PastaExecucao();
    const std::string prefixo = "janela." + Uid() + ".";
    DIR* d = opendir(pasta.c_str());
    if (!d) return std::nullopt;
    std::optional<JanelaEncontrada> achada;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n.compare(0, prefixo.size(), prefixo) != 0) continue;
        std::string resto = n.substr(prefixo.size());
        if (resto.empty() || resto.find_first_not_of("0123456789") != std::string::npos) continue;
        pid_t pid = static_cast<pid_t>(std::strtol(resto.c_str(), nullptr, 10));
        const std::string caminho = pasta + "/" + n;
        if (!ProcessoVivo(pid)) {
            std::remove(caminho.c_str());  // left behind by a process that died
            continue;
        }
        std::ifstream f(caminho);
        JanelaEncontrada j;
        j.pid = pid;
        if (!std::getline(f, j.classe) || !std::getline(f, j.titulo)) continue;
        if (j.classe == classe && j.titulo == titulo && !achada) achada = j;
    }
    closedir(d);
    return achada;
}

bool TrazerParaFrente(const JanelaEncontrada& janela) {
    if (!ProcessoVivo(janela.pid)) return false;
    const std::string pedido = PrefixoRegistro() + std::to_string(janela.pid) + ".frente";
    std::ofstream f(pedido, std::ios::trunc);
    f << getpid() << '\n';
    return static_cast<bool>(f);
}

}  // namespace plat
