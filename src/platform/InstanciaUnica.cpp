#include "platform/InstanciaUnica.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sstream>
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

std::string Erro(const std::string& caminho, const std::string& motivo) { return caminho + ": " + motivo; }

std::string ErroSistema(const std::string& caminho) {
    return errno == ELOOP ? Erro(caminho, "a symbolic link, refused") : Erro(caminho, std::strerror(errno));
}

std::string DeOutroUsuario(const std::string& caminho, const struct stat& st) {
    return Erro(caminho, "belongs to another user (uid " + std::to_string(static_cast<unsigned long>(st.st_uid)) +
                             "), refused");
}

// Opens a file of the runtime folder without following a link, and accepts it only when
// it is a plain file of this user with no other name. Returns -1 with `erro` set otherwise.
int AbrirArquivoProprio(const std::string& caminho, int modo, std::string& erro) {
    int fd = ::open(caminho.c_str(), modo | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        const int e = errno;
        erro = ErroSistema(caminho);
        errno = e;
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) erro = ErroSistema(caminho);
    else if (!S_ISREG(st.st_mode)) erro = Erro(caminho, "not a regular file");
    else if (st.st_uid != geteuid()) erro = DeOutroUsuario(caminho, st);
    else if (st.st_nlink != 1) erro = Erro(caminho, "has other names (hard links), refused");
    if (!erro.empty()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The runtime folder when it can be used.
std::optional<std::string> PastaPronta() {
    if (!PrepararPastaExecucao().empty()) return std::nullopt;
    return PastaExecucao();
}

std::string PrefixoRegistro(const std::string& pasta) { return pasta + "/janela." + Uid() + "."; }

bool ProcessoVivo(pid_t pid) {
    if (pid <= 0) return false;
    return kill(pid, 0) == 0 || errno == EPERM;
}

bool EscreverTudo(int fd, const std::string& s) {
    std::size_t feito = 0;
    while (feito < s.size()) {
        ssize_t n = ::write(fd, s.data() + feito, s.size() - feito);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        feito += static_cast<std::size_t>(n);
    }
    return true;
}

// The session's runtime folder, when XDG_RUNTIME_DIR names a folder of this user (after
// su, it may still name the other user's).
const char* PastaXdg() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    return xdg && *xdg && stat(xdg, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() ? xdg : nullptr;
}

}  // namespace

std::string PastaExecucao() {
    if (const char* xdg = PastaXdg()) return xdg;
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/pravolt-" + Uid();
}

std::string PrepararPastaExecucao() {
    const std::string pasta = PastaExecucao();
    // The session's folder is named by the session itself and may be reached through a
    // link; the one in the temporary folder has a name anybody can take first.
    const bool daSessao = PastaXdg() != nullptr;
    if (!daSessao && ::mkdir(pasta.c_str(), 0700) != 0 && errno != EEXIST) return ErroSistema(pasta);
    int fd = ::open(pasta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (daSessao ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        struct stat l {};
        if (errno == ENOTDIR && lstat(pasta.c_str(), &l) == 0)
            return Erro(pasta, S_ISLNK(l.st_mode) ? "a symbolic link, refused" : "not a folder");
        return ErroSistema(pasta);
    }
    struct stat st {};
    std::string erro;
    if (fstat(fd, &st) != 0) erro = ErroSistema(pasta);
    else if (st.st_uid != geteuid()) erro = DeOutroUsuario(pasta, st);
    else if ((st.st_mode & 077) != 0 && fchmod(fd, 0700) != 0) erro = ErroSistema(pasta);
    ::close(fd);
    return erro;
}

std::string InstanciaUnica::CaminhoTrava(const std::string& nome) {
    return PastaExecucao() + "/" + CodificarNome(nome) + "." + Uid() + ".lock";
}

InstanciaUnica::InstanciaUnica(const std::string& nome) {
    falha_ = PrepararPastaExecucao();
    if (!falha_.empty()) return;
    const std::string caminho = CaminhoTrava(nome);
    fd_ = AbrirArquivoProprio(caminho, O_RDWR | O_CREAT, falha_);
    if (fd_ < 0 && errno == EACCES) {  // a lock file of ours made read-only still locks
        falha_.clear();
        fd_ = AbrirArquivoProprio(caminho, O_RDONLY, falha_);
    }
    if (fd_ < 0) return;
    int r;
    do {
        r = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        if (errno == EWOULDBLOCK) {
            jaExistia_ = true;
        } else {
            falha_ = ErroSistema(caminho);
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
    const std::optional<std::string> pasta = PastaPronta();
    if (!pasta) return;  // nothing registered: the window is simply not found
    arquivo_ = PrefixoRegistro(*pasta) + std::to_string(getpid());
    pedido_ = arquivo_ + ".frente";
    ::unlink(pedido_.c_str());
    Gravar();
}

RegistroJanela::~RegistroJanela() {
    if (arquivo_.empty()) return;
    ::unlink(arquivo_.c_str());
    ::unlink(pedido_.c_str());
}

void RegistroJanela::DefinirTitulo(const std::string& titulo) {
    titulo_ = titulo;
    Gravar();
}

void RegistroJanela::Gravar() {
    if (arquivo_.empty()) return;
    // Written to a new file under a temporary name (never through a link left there) and
    // renamed, so a reader never sees half an entry.
    const std::string tmp = arquivo_ + ".tmp";
    ::unlink(tmp.c_str());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const bool ok = EscreverTudo(fd, classe_ + '\n' + titulo_ + '\n');
    ::close(fd);
    if (!ok || ::rename(tmp.c_str(), arquivo_.c_str()) != 0) ::unlink(tmp.c_str());
}

bool RegistroJanela::PedidoParaFrente() { return !pedido_.empty() && ::unlink(pedido_.c_str()) == 0; }

std::optional<JanelaEncontrada> ProcurarJanela(const std::string& classe, const std::string& titulo) {
    const std::optional<std::string> pasta = PastaPronta();
    if (!pasta) return std::nullopt;
    const std::string prefixo = "janela." + Uid() + ".";
    DIR* d = opendir(pasta->c_str());
    if (!d) return std::nullopt;
    std::optional<JanelaEncontrada> achada;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n.compare(0, prefixo.size(), prefixo) != 0) continue;
        std::string resto = n.substr(prefixo.size());
        if (resto.empty() || resto.size() > 10 || resto.find_first_not_of("0123456789") != std::string::npos) continue;
        pid_t pid = static_cast<pid_t>(std::strtol(resto.c_str(), nullptr, 10));
        const std::string caminho = *pasta + "/" + n;
        if (!ProcessoVivo(pid)) {
            ::unlink(caminho.c_str());  // left behind by a process that died
            continue;
        }
        std::string erro;
        int fd = AbrirArquivoProprio(caminho, O_RDONLY, erro);
        if (fd < 0) continue;  // not an entry of ours
        char buf[4096];
        ssize_t lido;
        do {
            lido = ::read(fd, buf, sizeof buf);
        } while (lido < 0 && errno == EINTR);
        ::close(fd);
        if (lido <= 0) continue;
        std::istringstream f(std::string(buf, static_cast<std::size_t>(lido)));
        JanelaEncontrada j;
        j.pid = pid;
        if (!std::getline(f, j.classe) || !std::getline(f, j.titulo)) continue;
        if (j.classe == classe && j.titulo == titulo && !achada) achada = j;
    }
    closedir(d);
    return achada;
}

bool TrazerParaFrente(const JanelaEncontrada& janela) {
    const std::optional<std::string> pasta = PastaPronta();
    if (!pasta || !ProcessoVivo(janela.pid)) return false;
    const std::string pedido = PrefixoRegistro(*pasta) + std::to_string(janela.pid) + ".frente";
    std::string erro;
    int fd = AbrirArquivoProprio(pedido, O_WRONLY | O_CREAT | O_TRUNC, erro);
    if (fd < 0) return false;
    const bool ok = EscreverTudo(fd, std::to_string(getpid()) + '\n');
    ::close(fd);
    return ok;
}

}  // namespace plat
