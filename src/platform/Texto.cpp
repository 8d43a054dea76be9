#include "platform/Texto.h"

namespace plat {
namespace {

// Length in bytes of the character starting at s[i]: a lead byte followed by its
// continuation bytes, or 1 for a byte that starts no valid sequence.
std::size_t Tamanho(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    if (i + n > s.size()) return 1;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
    return n;
}

// Byte offset of the `n`-th character (0-based); the text's size when it has fewer.
std::size_t Deslocamento(std::string_view s, std::size_t n) {
    std::size_t i = 0;
    for (; i < s.size() && n > 0; --n) i += Tamanho(s, i);
    return i;
}

}  // namespace

char MaiusculaAscii(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string MaiusculasAscii(std::string_view texto) {
    std::string r(texto);
    for (char& c : r) c = MaiusculaAscii(c);
    return r;
}

bool IguaisSemCaixaAscii(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (MaiusculaAscii(a[i]) != MaiusculaAscii(b[i])) return false;
    return true;
}

std::string MaiusculasCp1252(std::string_view s) {
    std::string r;
    r.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Tamanho(s, i);
        const auto a = static_cast<unsigned char>(s[i]);
        const auto b = n == 2 ? static_cast<unsigned char>(s[i + 1]) : 0;
        if (a >= 'a' && a <= 'z') {
            r += static_cast<char>(a - 'a' + 'A');
        } else if (a == 0xC3 && b >= 0xA0 && b <= 0xBE && b != 0xB7) {  // à..þ except ÷
            r += static_cast<char>(a);
            r += static_cast<char>(b - 0x20);
        } else if (a == 0xC3 && b == 0xBF) {  // ÿ -> Ÿ (U+0178)
            r += "\xC5\xB8";
        } else if (a == 0xC5 && (b == 0xA1 || b == 0x93 || b == 0xBE)) {  // š œ ž
            r += static_cast<char>(a);
            r += static_cast<char>(b - 1);
        } else {
            r.append(s.substr(i, n));
        }
        i += n;
    }
    return r;
}

std::size_t ContarCaracteres(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); i += Tamanho(s, i)) ++n;
    return n;
}

std::string CortarCaracteres(std::string_view s, std::size_t n) { return std::string(s.substr(0, Deslocamento(s, n))); }

std::string CopiarCaracteres(std::string_view s, long long inicio, long long quantidade) {
    if (inicio < 1) inicio = 1;
    if (quantidade <= 0) return {};
    const std::size_t a = Deslocamento(s, static_cast<std::size_t>(inicio - 1));
    const std::string_view resto = s.substr(a);
    return std::string(resto.substr(0, Deslocamento(resto, static_cast<std::size_t>(quantidade))));
}

std::vector<std::string> Caracteres(std::string_view s) {
    std::vector<std::string> r;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Tamanho(s, i);
        r.emplace_back(s.substr(i, n));
        i += n;
    }
    return r;
}

std::string Aparar(std::string_view s) {
    std::size_t i = 0, j = s.size();
    while (i < j && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    while (j > i && static_cast<unsigned char>(s[j - 1]) <= ' ') --j;
    return std::string(s.substr(i, j - i));
}

}  // namespace plat
