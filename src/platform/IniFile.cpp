#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
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

std::string Aparar(const std::string& s) { return std::string(Aparar(std::string_view(s))); }

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

// Hash of a file's bytes, to tell whether a shared parse still matches the file.
std::uint64_t HashBytes(std::string_view b) {
    std::uint64_t h = Misturar(b.size());
    size_t i = 0;
    for (; i + 8 <= b.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, b.data() + i, 8);
        h = (h ^ Misturar(w)) * 0x9E3779B97F4A7C15ULL;
    }
    std::uint64_t resto = 0;
    std::memcpy(&resto, b.data() + i, b.size() - i);
    return Misturar(h ^ resto);
}

// True when every byte is ASCII.
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
    size_t i = 0;
    const size_t n = b.size();
    while (i < n) {
        if (i + 8 <= n) {
            std::uint64_t w;
            std::memcpy(&w, b.data() + i, 8);
            if (!(w & 0x8080808080808080ULL)) {
                i += 8;
                continue;
            }
        }
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
        if (i + seguintes >= n) return false;
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

// The whole file, or the system's error number.
struct Leitura {
    std::string bytes;
    int erro = 0;
};

Leitura LerArquivo(const std::string& caminho) {
    Leitura r;
    const int fd = ::open(caminho.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        r.erro = errno;
        return r;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        r.erro = errno;
    } else if (S_ISDIR(st.st_mode)) {
        r.erro = EISDIR;
    } else {
        if (S_ISREG(st.st_mode) && st.st_size > 0) r.bytes.reserve(static_cast<size_t>(st.st_size));
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) {
                r.bytes.append(buf, static_cast<size_t>(n));
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                r.erro = errno;
                break;
            }
        }
    }
    ::close(fd);
    if (r.erro) r.bytes.clear();
    return r;
}

}  // namespace

IniFile::IniFile(const std::string& caminho) : caminho_(caminho) {
    Leitura l = LerArquivo(caminho);
    erro_ = l.erro;
    if (!erro_) Analisar(l.bytes);
}

IniFile IniFile::DeTexto(const std::string& bytes) {
    IniFile ini;
    ini.Analisar(bytes);
    return ini;
}

std::shared_ptr<const IniFile> IniFile::Compartilhado(const std::string& caminho) {
    struct Ultimo {
        std::string caminho;
        int erro = 0;
        std::uint64_t hash = 0;
        std::weak_ptr<const IniFile> ini;
    };
    static std::mutex mutex;
    static Ultimo ultimo;

    Leitura l = LerArquivo(caminho);
    const std::uint64_t hash = HashBytes(l.bytes);
    {
        std::lock_guard<std::mutex> trava(mutex);
        if (ultimo.caminho == caminho && ultimo.erro == l.erro && ultimo.hash == hash)
            if (auto ini = ultimo.ini.lock()) return ini;
    }
    std::shared_ptr<IniFile> ini(new IniFile);
    ini->caminho_ = caminho;
    ini->erro_ = l.erro;
    if (!l.erro) ini->Analisar(l.bytes);
    std::lock_guard<std::mutex> trava(mutex);
    ultimo = Ultimo{caminho, l.erro, hash, ini};
    return ini;
}

IniFile::Trecho IniFile::Guardar(std::string_view s) {
    Trecho t{dados_.size(), s.size()};
    dados_.append(s);
    return t;
}

void IniFile::Inserir(std::vector<std::uint32_t>& tabela, std::uint64_t hash, std::uint32_t valor) {
    const size_t mascara = tabela.size() - 1;
    size_t i = hash & mascara;
    while (tabela[i]) i = (i + 1) & mascara;
    tabela[i] = valor + 1;
}

void IniFile::Crescer(std::vector<std::uint32_t>& tabela, bool deSecoes) {
    const size_t usados = deSecoes ? secoes_.size() : entradas_.size();
    if (!tabela.empty() && (usados + 1) * 2 <= tabela.size()) return;
    tabela.assign(tabela.empty() ? 16 : tabela.size() * 2, 0);
    for (size_t s = 0; s < secoes_.size(); ++s) {
        const Secao& sec = secoes_[s];
        if (deSecoes) {
            Inserir(tabela, HashNome(Ver(sec.nome), kSementeSecoes), static_cast<std::uint32_t>(s));
            continue;
        }
        for (size_t e = sec.primeira; e < sec.primeira + sec.quantas; ++e)
            Inserir(tabela, HashNome(Ver(entradas_[e].chave), s), static_cast<std::uint32_t>(e));
    }
}

void IniFile::Analisar(std::string_view bytes) {
    // The encoding: a byte-order mark, or valid UTF-8 beyond ASCII, is UTF-8; anything else
    // is Windows-1252.
    std::string convertido;
    std::string_view texto = bytes;
    if (texto.substr(0, 3) == "\xEF\xBB\xBF") {
        texto.remove_prefix(3);
    } else if (!SoAscii(texto) && !Utf8Valido(texto)) {
        convertido = Cp1252ParaUtf8(texto);
        texto = convertido;
    }

    constexpr size_t kNenhuma = static_cast<size_t>(-1);
    size_t atual = kNenhuma;  // outside any section, or inside a repeated one
    size_t pos = 0;
    while (pos <= texto.size()) {
        size_t fim = texto.find_first_of("\r\n", pos);
        if (fim == std::string_view::npos) fim = texto.size();
        std::string_view linha = Aparar(texto.substr(pos, fim - pos));
        pos = fim + 1;
        if (fim < texto.size() && texto[fim] == '\r' && pos < texto.size() && texto[pos] == '\n') ++pos;

        if (linha.empty() || linha[0] == ';') continue;
        if (linha[0] == '[') {
            size_t fecha = linha.find(']');
            if (fecha == std::string_view::npos) continue;
            std::string_view nome = Aparar(linha.substr(1, fecha - 1));
            atual = kNenhuma;
            if (AcharSecao(nome)) continue;  // a repeated section is ignored, not merged
            Crescer(indiceSecoes_, true);
            secoes_.push_back(Secao{Guardar(nome), entradas_.size(), 0});
            atual = secoes_.size() - 1;
            Inserir(indiceSecoes_, HashNome(nome, kSementeSecoes), static_cast<std::uint32_t>(atual));
            continue;
        }
        if (atual == kNenhuma) continue;
        size_t igual = linha.find('=');
        if (igual == std::string_view::npos) continue;
        std::string_view chave = Aparar(linha.substr(0, igual));
        if (chave.empty()) continue;
        const std::uint64_t hash = HashNome(chave, atual);
        Secao& sec = secoes_[atual];
        bool repetida = false;
        if (!indiceEntradas_.empty()) {
            const size_t mascara = indiceEntradas_.size() - 1;
            for (size_t i = hash & mascara; indiceEntradas_[i]; i = (i + 1) & mascara) {
                const size_t e = indiceEntradas_[i] - 1;
                if (e >= sec.primeira && MesmoNome(Ver(entradas_[e].chave), chave)) {
                    repetida = true;
                    break;
                }
            }
        }
        if (repetida) continue;
        Crescer(indiceEntradas_, false);
        const Trecho tChave = Guardar(chave);
        entradas_.push_back(Entrada{tChave, Guardar(TirarAspas(Aparar(linha.substr(igual + 1))))});
        ++secoes_[atual].quantas;
        Inserir(indiceEntradas_, hash, static_cast<std::uint32_t>(entradas_.size() - 1));
    }
}

const IniFile::Secao* IniFile::AcharSecao(std::string_view nome) const {
    if (indiceSecoes_.empty()) return nullptr;
    const size_t mascara = indiceSecoes_.size() - 1;
    for (size_t i = HashNome(nome, kSementeSecoes) & mascara; indiceSecoes_[i]; i = (i + 1) & mascara) {
        const Secao& s = secoes_[indiceSecoes_[i] - 1];
        if (MesmoNome(Ver(s.nome), nome)) return &s;
    }
    return nullptr;
}

const IniFile::Entrada* IniFile::Achar(const std::string& secao, const std::string& chave) const {
    const Secao* s = AcharSecao(Aparar(std::string_view(secao)));
    if (!s || indiceEntradas_.empty()) return nullptr;
    const std::string_view nome = Aparar(std::string_view(chave));
    const size_t indice = static_cast<size_t>(s - secoes_.data());
    const size_t mascara = indiceEntradas_.size() - 1;
    for (size_t i = HashNome(nome, indice) & mascara; indiceEntradas_[i]; i = (i + 1) & mascara) {
        const size_t e = indiceEntradas_[i] - 1;
        if (e >= s->primeira && e < s->primeira + s->quantas && MesmoNome(Ver(entradas_[e].chave), nome))
            return &entradas_[e];
    }
    return nullptr;
}

std::string IniFile::ReadString(const std::string& secao, const std::string& chave,
                                const std::string& padrao) const {
    const Entrada* e = Achar(secao, chave);
    return e ? std::string(Ver(e->valor)) : padrao;
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
    const Entrada* e = Achar(secao, chave);
    if (!e) return padrao;
    return ConverterInteiro(std::string(Ver(e->valor))).value_or(padrao);
}

double IniFile::ReadFloat(const std::string& secao, const std::string& chave, double padrao) const {
    const Entrada* e = Achar(secao, chave);
    if (!e) return padrao;
    return ConverterReal(std::string(Ver(e->valor))).value_or(padrao);
}

bool IniFile::ReadBool(const std::string& secao, const std::string& chave, bool padrao) const {
    const Entrada* e = Achar(secao, chave);
    if (!e) return padrao;
    auto v = ConverterInteiro(std::string(Ver(e->valor)));
    return v ? *v != 0 : padrao;
}

bool IniFile::SectionExists(const std::string& secao) const {
    return AcharSecao(Aparar(std::string_view(secao))) != nullptr;
}

bool IniFile::ValueExists(const std::string& secao, const std::string& chave) const {
    return Achar(secao, chave) != nullptr;
}

std::vector<std::string> IniFile::ReadSection(const std::string& secao) const {
    std::vector<std::string> r;
    if (const Secao* s = AcharSecao(Aparar(std::string_view(secao))))
        for (size_t e = s->primeira; e < s->primeira + s->quantas; ++e) r.emplace_back(Ver(entradas_[e].chave));
    return r;
}

std::vector<std::string> IniFile::ReadSectionValues(const std::string& secao) const {
    std::vector<std::string> r;
    if (const Secao* s = AcharSecao(Aparar(std::string_view(secao))))
        for (size_t e = s->primeira; e < s->primeira + s->quantas; ++e)
            r.push_back(std::string(Ver(entradas_[e].chave)) + "=" + std::string(Ver(entradas_[e].valor)));
    return r;
}

}  // namespace plat
