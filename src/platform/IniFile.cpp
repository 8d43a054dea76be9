#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <mutex>
#include <sstream>

#include "platform/Cp1252.h"

namespace plat {
namespace {

bool EhBranco(char c) { return c == ' ' || c == '\t'; }

std::string_view Aparar(std::string_view s) {
    size_t i = 0, f = s.size();
    while (i < f && EhBranco(s[i])) ++i;
    while (f > i && EhBranco(s[f - 1])) --f;
    return s.substr(i, f - i);
}

std::string Aparar(const std::string& s) {
    return std::string(Aparar(std::string_view(s)));
}

char Minuscula(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Names are compared without regard to the case of the letters A to Z.
bool MesmoNome(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Minuscula(a[i]) != Minuscula(b[i])) return false;
    return true;
}

std::string_view TirarAspas(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

std::uint64_t Misturar(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ULL;
    return h ^ (h >> 33);
}

// Hash of a name as MesmoNome compares it; `semente` tells sections apart.
std::uint64_t HashNome(std::string_view nome, std::uint64_t semente) {
    std::uint64_t h = 0xCBF29CE484222325ULL ^ Misturar(semente);
    for (char c : nome) h = (h ^ static_cast<unsigned char>(Minuscula(c))) * 0x100000001B3ULL;
    return Misturar(h);
}
constexpr std::uint64_t kSementeSecoes = ~0ULL;

// Hash of a file's bytes fed in pieces of any size (the same bytes give the same value
// however they are cut), to tell whether a shared parse still matches the file.
class HashBytes {
public:
    void Acrescentar(std::string_view b) {
        total_ += b.size();
        size_t i = 0;
        while (quantos_ > 0 && quantos_ < 8 && i < b.size()) pendente_[quantos_++] = b[i++];
        if (quantos_ == 8) {
            Palavra(pendente_);
            quantos_ = 0;
        }
        for (; i + 8 <= b.size(); i += 8) Palavra(b.data() + i);
        while (i < b.size()) pendente_[quantos_++] = b[i++];
    }
    std::uint64_t Valor() const {
        std::uint64_t resto = 0;
        std::memcpy(&resto, pendente_, static_cast<size_t>(quantos_));
        return Misturar(h_ ^ Misturar(resto + total_));
    }

private:
    void Palavra(const char* p) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h_ = (h_ ^ Misturar(w)) * 0x9E3779B97F4A7C15ULL;
    }
    std::uint64_t h_ = 0x243F6A8885A308D3ULL;
    char pendente_[8] = {};
    int quantos_ = 0;
    std::uint64_t total_ = 0;
};

bool SoAscii(std::string_view b) {
    size_t i = 0;
    for (; i + 8 <= b.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, b.data() + i, 8);
        if (w & 0x8080808080808080ULL) return false;
    }
    for (; i < b.size(); ++i)
        if (static_cast<unsigned char>(b[i]) >= 0x80) return false;
    return true;
}

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool Utf8Valido(std::string_view b) {
    for (size_t i = 0; i < b.size();) {
        const auto c = static_cast<unsigned char>(b[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int seguintes;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            seguintes = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            seguintes = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            seguintes = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + seguintes >= b.size()) return false;
        for (int k = 1; k <= seguintes; ++k) {
            const auto d = static_cast<unsigned char>(b[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((seguintes == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (seguintes == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += seguintes + 1;
    }
    return true;
}

// Reads an open file in pieces, handing each to `pedaco`; returns the system's error number
// or 0.
template <class F>
int Percorrer(int fd, F&& pedaco) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    std::vector<char> buf(1 << 16);
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n > 0)
            pedaco(std::string_view(buf.data(), static_cast<size_t>(n)));
        else if (n == 0)
            return 0;
        else if (errno != EINTR)
            return errno;
    }
}

// Smallest power of two of at least 16 slots that keeps a table at most two thirds full.
size_t TamanhoTabela(size_t itens) {
    size_t t = 16;
    while (t < itens + itens / 2 + 1) t *= 2;
    return t;
}

void Inserir(std::vector<std::uint32_t>& tabela, std::uint64_t hash, size_t indice) {
    const size_t mascara = tabela.size() - 1;
    size_t i = hash & mascara;
    while (tabela[i]) i = (i + 1) & mascara;
    tabela[i] = static_cast<std::uint32_t>(indice + 1);
}

// True when some byte of the word is below 14 (CR is 13, LF 10).
bool TemByteMenorQue14(std::uint64_t w) {
    return ((w - 0x0E0E0E0E0E0E0E0EULL) & ~w & 0x8080808080808080ULL) != 0;
}

// The first CR or LF at or after i, or b.size().
size_t FimDeLinha(std::string_view b, size_t i) {
    for (; i + 8 <= b.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, b.data() + i, 8);
        if (TemByteMenorQue14(w)) break;
    }
    while (i < b.size() && b[i] != '\n' && b[i] != '\r') ++i;
    return i;
}

// The lines of a text fed in pieces cut anywhere: calls f(line, offset of its start) for
// each. Each CR or LF ends a line (CR LF leaves an empty line between, skipped like any
// other); the last line needs no end.
template <class F>
class Divisor {
public:
    explicit Divisor(F f) : f_(std::move(f)) {}

    void Acrescentar(std::string_view b) {
        if (cortada_) {
            const size_t fim = FimDeLinha(b, 0);
            resto_.append(b.substr(0, fim));
            if (fim == b.size()) {
                posicao_ += b.size();
                return;
            }
            f_(std::string_view(resto_), inicioResto_);
            cortada_ = false;
            b.remove_prefix(fim + 1);
            posicao_ += fim + 1;
        }
        size_t i = 0;
        for (size_t fim; (fim = FimDeLinha(b, i)) < b.size(); i = fim + 1)
            f_(b.substr(i, fim - i), posicao_ + i);
        if (i < b.size()) {
            resto_.assign(b.substr(i));
            inicioResto_ = posicao_ + i;
            cortada_ = true;
        }
        posicao_ += b.size();
    }

    void Terminar() {
        if (cortada_) f_(std::string_view(resto_), inicioResto_);
        cortada_ = false;
    }

    std::uint64_t Posicao() const { return posicao_; }

private:
    F f_;
    std::string resto_;  // the start of a line cut by the end of a piece
    bool cortada_ = false;
    std::uint64_t inicioResto_ = 0;
    std::uint64_t posicao_ = 0;  // offset of the next piece
};

// A key line: "name = value", the name trimmed, the value trimmed and unquoted.
bool LinhaDeChave(std::string_view linha, std::string_view& chave, std::string_view& valor) {
    linha = Aparar(linha);
    if (linha.empty() || linha[0] == ';' || linha[0] == '[') return false;
    const size_t igual = linha.find('=');
    if (igual == std::string_view::npos) return false;
    chave = Aparar(linha.substr(0, igual));
    valor = TirarAspas(Aparar(linha.substr(igual + 1)));
    return !chave.empty();
}

// A section header line: "[name]", the name trimmed (what follows ']' is ignored).
bool LinhaDeSecao(std::string_view linha, std::string_view& nome) {
    linha = Aparar(linha);
    if (linha.empty() || linha[0] != '[') return false;
    const size_t fecha = linha.find(']');
    if (fecha == std::string_view::npos) return false;
    nome = Aparar(linha.substr(1, fecha - 1));
    return true;
}

}  // namespace

// Where the sections' lines are read from: the file, kept open, or a text in memory.
struct IniFile::Fonte {
    int fd = -1;
    std::string texto;
    Fonte() = default;
    Fonte(const Fonte&) = delete;
    Fonte& operator=(const Fonte&) = delete;
    ~Fonte() {
        if (fd >= 0) ::close(fd);
    }
    // Hands the bytes [ini, fim) to f in pieces.
    template <class F>
    void Percorrer(std::uint64_t ini, std::uint64_t fim, F&& f) const {
        if (fd < 0) {
            f(std::string_view(texto).substr(ini, fim - ini));
            return;
        }
        std::vector<char> buf(1 << 16);
        while (ini < fim) {
            const ssize_t n = ::pread(fd, buf.data(), std::min<std::uint64_t>(buf.size(), fim - ini),
                                      static_cast<off_t>(ini));
            if (n > 0) {
                f(std::string_view(buf.data(), static_cast<size_t>(n)));
                ini += static_cast<std::uint64_t>(n);
            } else if (n == 0 || errno != EINTR) {
                return;  // the file was cut meanwhile: what is there is read
            }
        }
    }
};

// A section's keys: first occurrences in file order, each name followed by its value in
// `dados`.
struct IniFile::Corpo {
    struct Entrada {
        size_t ini;
        size_t tamChave;
        size_t tamValor;
    };
    std::string dados;
    std::vector<Entrada> entradas;
    std::vector<std::uint32_t> indice;

    std::string_view Chave(const Entrada& e) const {
        return std::string_view(dados).substr(e.ini, e.tamChave);
    }
    std::string_view Valor(const Entrada& e) const {
        return std::string_view(dados).substr(e.ini + e.tamChave, e.tamValor);
    }
    const Entrada* Achar(std::string_view nome) const {
        if (indice.empty()) return nullptr;
        const size_t mascara = indice.size() - 1;
        for (size_t i = HashNome(nome, 0) & mascara; indice[i]; i = (i + 1) & mascara)
            if (MesmoNome(Chave(entradas[indice[i] - 1]), nome)) return &entradas[indice[i] - 1];
        return nullptr;
    }
    void Acrescentar(std::string_view linha) {
        std::string_view chave, valor;
        if (!LinhaDeChave(linha, chave, valor) || Achar(chave)) return;  // the first occurrence wins
        entradas.push_back(Entrada{dados.size(), chave.size(), valor.size()});
        dados.append(chave).append(valor);
        if (indice.size() < TamanhoTabela(entradas.size())) {
            indice.assign(TamanhoTabela(entradas.size()) * 2, 0);
            for (size_t e = 0; e < entradas.size(); ++e) Inserir(indice, HashNome(Chave(entradas[e]), 0), e);
        } else {
            Inserir(indice, HashNome(chave, 0), entradas.size() - 1);
        }
    }
};

// The scan of the whole text, fed in pieces cut anywhere: the encoding, the sections (first
// occurrences, each with the range of its lines) and the hash of the bytes.
class IniFile::Varredura {
public:
    explicit Varredura(IniFile& ini)
        : ini_(ini), divisor_([this](std::string_view l, std::uint64_t i) { Linha(l, i); }) {}

    void Acrescentar(std::string_view b) {
        hash_.Acrescentar(b);
        divisor_.Acrescentar(b);
    }

    // The last line and the encoding; returns the hash of the bytes.
    std::uint64_t Terminar() {
        divisor_.Terminar();
        Fechar(divisor_.Posicao());
        ini_.cp1252_ = !bom_ && naoAscii_ && !utf8_;
        return hash_.Valor();
    }

private:
    void Linha(std::string_view linha, std::uint64_t inicio) {
        if (primeira_) {
            primeira_ = false;
            if (linha.substr(0, 3) == "\xEF\xBB\xBF") {
                bom_ = true;
                linha.remove_prefix(3);
                inicio += 3;
            }
        }
        if (!bom_ && utf8_ && !SoAscii(linha)) {
            naoAscii_ = true;
            utf8_ = Utf8Valido(linha);
        }
        std::string_view nome;
        if (!LinhaDeSecao(linha, nome)) return;
        Fechar(inicio);
        if (ini_.AcharSecao(nome)) return;  // a repeated section is ignored, not merged
        auto& secoes = ini_.secoes_;
        secoes.push_back(Secao{std::string(nome), inicio + linha.size(), 0, nullptr});
        aberta_ = true;
        auto& tabela = ini_.indiceSecoes_;
        if (tabela.size() < TamanhoTabela(secoes.size())) {
            tabela.assign(TamanhoTabela(secoes.size()) * 2, 0);
            for (size_t s = 0; s < secoes.size(); ++s)
                Inserir(tabela, HashNome(secoes[s].nome, kSementeSecoes), s);
        } else {
            Inserir(tabela, HashNome(nome, kSementeSecoes), secoes.size() - 1);
        }
    }

    // The open section's lines end where the next section header starts.
    void Fechar(std::uint64_t onde) {
        if (aberta_) ini_.secoes_.back().fim = std::max(onde, ini_.secoes_.back().ini);
        aberta_ = false;
    }

    using Funcao = std::function<void(std::string_view, std::uint64_t)>;
    IniFile& ini_;
    HashBytes hash_;
    Divisor<Funcao> divisor_;
    bool primeira_ = true;
    bool bom_ = false;
    bool naoAscii_ = false;
    bool utf8_ = true;
    bool aberta_ = false;
};

IniFile IniFile::Ler(const std::string& caminho, std::uint64_t* hash) {
    IniFile ini;
    ini.caminho_ = caminho;
    auto fonte = std::make_shared<Fonte>();
    fonte->fd = ::open(caminho.c_str(), O_RDONLY | O_CLOEXEC);
    if (fonte->fd < 0) {
        ini.erro_ = errno;
    } else {
        Varredura varredura(ini);
        ini.erro_ = Percorrer(fonte->fd, [&](std::string_view pedaco) { varredura.Acrescentar(pedaco); });
        const std::uint64_t h = varredura.Terminar();
        if (hash) *hash = h;
    }
    if (ini.erro_) {
        IniFile vazio;
        vazio.caminho_ = caminho;
        vazio.erro_ = ini.erro_;
        return vazio;
    }
    ini.fonte_ = std::move(fonte);
    return ini;
}

IniFile::IniFile(const std::string& caminho) {
    *this = Ler(caminho, nullptr);
}

IniFile IniFile::DeTexto(const std::string& bytes) {
    IniFile ini;
    Varredura varredura(ini);
    varredura.Acrescentar(bytes);
    varredura.Terminar();
    auto fonte = std::make_shared<Fonte>();
    fonte->texto = bytes;
    ini.fonte_ = std::move(fonte);
    return ini;
}

std::shared_ptr<const IniFile> IniFile::Compartilhado(const std::string& caminho) {
    // What stat tells of the file; a change means a new parse without reading it twice.
    struct Identidade {
        int erro = 0;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t tamanho = 0;
        std::int64_t mtime = 0, ctime = 0;
        bool operator==(const Identidade&) const = default;
    };
    auto identidade = [&] {
        Identidade id;
        struct stat st {};
        if (::stat(caminho.c_str(), &st) != 0) {
            id.erro = errno;
            return id;
        }
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.tamanho = st.st_size;
        id.mtime = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
        id.ctime = st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec;
        return id;
    };
    auto agora = [] {
        timespec t{};
        ::clock_gettime(CLOCK_REALTIME, &t);
        return t.tv_sec * 1000000000LL + t.tv_nsec;
    };
    struct Ultimo {
        std::string caminho;
        Identidade id;
        std::int64_t lido = 0;  // when it was read
        std::uint64_t hash = 0;
        std::weak_ptr<const IniFile> ini;
    };
    static std::mutex mutex;
    static Ultimo ultimo;

    std::lock_guard<std::mutex> trava(mutex);
    const std::int64_t instante = agora();
    const Identidade id = identidade();
    if (ultimo.caminho == caminho && ultimo.id == id) {
        if (auto ini = ultimo.ini.lock()) {
            // The same file by what stat tells. Any write stamps the change time with the
            // clock, so a file last changed well before it was read is unchanged; one changed
            // about then may have been rewritten within the clock's resolution, and its bytes
            // decide.
            constexpr std::int64_t kMargem = 1000000000LL;
            if (id.erro || id.ctime < ultimo.lido - kMargem) return ini;
            HashBytes h;
            const int fd = ::open(caminho.c_str(), O_RDONLY | O_CLOEXEC);
            const int erro =
                fd < 0 ? errno : Percorrer(fd, [&](std::string_view pedaco) { h.Acrescentar(pedaco); });
            if (fd >= 0) ::close(fd);
            if (erro == ini->erro_ && (erro || h.Valor() == ultimo.hash)) return ini;
        }
    }
    std::uint64_t hash = 0;
    auto ini = std::make_shared<const IniFile>(Ler(caminho, &hash));
    ultimo = Ultimo{caminho, id, instante, hash, ini};
    return ini;
}

std::string IniFile::Texto(std::string_view bytes) const {
    return cp1252_ ? Cp1252ParaUtf8(bytes) : std::string(bytes);
}

std::optional<std::string> IniFile::Nome(const std::string& utf8) const {
    const std::string_view nome = Aparar(std::string_view(utf8));
    if (!cp1252_) return std::string(nome);
    if (!RepresentavelEmCp1252(nome)) return std::nullopt;  // no such name in this file
    return Utf8ParaCp1252(nome);
}

const IniFile::Secao* IniFile::AcharSecao(std::string_view nome) const {
    if (indiceSecoes_.empty()) return nullptr;
    const size_t mascara = indiceSecoes_.size() - 1;
    for (size_t i = HashNome(nome, kSementeSecoes) & mascara; indiceSecoes_[i]; i = (i + 1) & mascara) {
        const Secao& s = secoes_[indiceSecoes_[i] - 1];
        if (MesmoNome(s.nome, nome)) return &s;
    }
    return nullptr;
}

const IniFile::Corpo* IniFile::Chaves(const Secao& s) const {
    std::lock_guard<std::mutex> trava(*trava_);
    if (!s.corpo) {
        auto corpo = std::make_shared<Corpo>();
        auto linha = [&](std::string_view l, std::uint64_t) { corpo->Acrescentar(l); };
        Divisor<decltype(linha)> divisor(linha);
        fonte_->Percorrer(s.ini, s.fim, [&](std::string_view pedaco) { divisor.Acrescentar(pedaco); });
        divisor.Terminar();
        corpo->dados.shrink_to_fit();
        s.corpo = std::move(corpo);
    }
    return s.corpo.get();
}

std::optional<std::string_view> IniFile::Valor(const std::string& secao, const std::string& chave) const {
    const auto nomeSecao = Nome(secao);
    const Secao* s = nomeSecao ? AcharSecao(*nomeSecao) : nullptr;
    const auto nome = Nome(chave);
    if (!s || !nome) return std::nullopt;
    const Corpo* c = Chaves(*s);
    const Corpo::Entrada* e = c->Achar(*nome);
    if (!e) return std::nullopt;
    return c->Valor(*e);
}

std::string IniFile::ReadString(const std::string& secao, const std::string& chave,
                                const std::string& padrao) const {
    const auto v = Valor(secao, chave);
    return v ? Texto(*v) : padrao;
}

std::optional<int> IniFile::ConverterInteiro(const std::string& texto) {
    std::string t = Aparar(texto);
    size_t i = 0;
    bool negativo = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negativo = t[i++] == '-';
    int base = 10;
    if (i < t.size() && t[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size()) return std::nullopt;
    long long valor = 0;
    for (; i < t.size(); ++i) {
        char c = t[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return std::nullopt;
        valor = valor * base + d;
        if (valor > 0xFFFFFFFFLL) return std::nullopt;
    }
    if (base == 16) {
        // Hexadecimal covers the 32-bit pattern: $FFFFFFFF is -1.
        auto v = static_cast<int>(static_cast<unsigned int>(valor));
        return negativo ? -v : v;
    }
    if (negativo) valor = -valor;
    if (valor < std::numeric_limits<int>::min() || valor > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(valor);
}

std::optional<double> IniFile::ConverterReal(const std::string& texto) {
    std::string t = Aparar(texto);
    if (t.empty()) return std::nullopt;
    std::string norm;
    size_t i = 0;
    if (t[i] == '+' || t[i] == '-') norm += t[i++];
    bool digitos = false, separador = false;
    for (; i < t.size(); ++i) {
        char c = t[i];
        if (c >= '0' && c <= '9') {
            norm += c;
            digitos = true;
        } else if ((c == '.' || c == ',') && !separador) {
            norm += '.';
            separador = true;
        } else {
            break;
        }
    }
    if (!digitos) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        norm += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) norm += t[i++];
        bool expDigitos = false;
        for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
            norm += t[i];
            expDigitos = true;
        }
        if (!expDigitos) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    // The text is now in the C form; strtod under the "C" locale would need a locale
    // switch, so parse through a classic-locale stream.
    std::istringstream in(norm);
    in.imbue(std::locale::classic());
    double v = 0;
    in >> v;
    if (in.fail() || !std::isfinite(v)) return std::nullopt;
    return v;
}

int IniFile::ReadInteger(const std::string& secao, const std::string& chave, int padrao) const {
    const auto v = Valor(secao, chave);
    return v ? ConverterInteiro(Texto(*v)).value_or(padrao) : padrao;
}

double IniFile::ReadFloat(const std::string& secao, const std::string& chave, double padrao) const {
    const auto v = Valor(secao, chave);
    return v ? ConverterReal(Texto(*v)).value_or(padrao) : padrao;
}

bool IniFile::ReadBool(const std::string& secao, const std::string& chave, bool padrao) const {
    const auto v = Valor(secao, chave);
    const auto n = v ? ConverterInteiro(Texto(*v)) : std::nullopt;
    return n ? *n != 0 : padrao;
}

bool IniFile::SectionExists(const std::string& secao) const {
    const auto nome = Nome(secao);
    return nome && AcharSecao(*nome) != nullptr;
}

bool IniFile::ValueExists(const std::string& secao, const std::string& chave) const {
    return Valor(secao, chave).has_value();
}

std::vector<std::string> IniFile::ReadSection(const std::string& secao) const {
    std::vector<std::string> r;
    const auto nome = Nome(secao);
    if (const Secao* s = nome ? AcharSecao(*nome) : nullptr) {
        const Corpo* c = Chaves(*s);
        for (const auto& e : c->entradas) r.push_back(Texto(c->Chave(e)));
    }
    return r;
}

std::vector<std::string> IniFile::ReadSectionValues(const std::string& secao) const {
    std::vector<std::string> r;
    const auto nome = Nome(secao);
    if (const Secao* s = nome ? AcharSecao(*nome) : nullptr) {
        const Corpo* c = Chaves(*s);
        for (const auto& e : c->entradas) r.push_back(Texto(c->Chave(e)) + "=" + Texto(c->Valor(e)));
    }
    return r;
}

}  // namespace plat
