#include "platform/Cp1252.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace plat {
namespace {

// Code points of bytes 0x80..0x9F; undefined bytes keep their own number (C1 controls).
constexpr char32_t kAlto[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AcrescentarUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 character at s[i]; advances i. Returns false on malformed input.
bool LerUtf8(std::string_view s, size_t& i, char32_t& cp) {
    auto b = static_cast<unsigned char>(s[i]);
    int n;
    if (b < 0x80) { cp = b; n = 0; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; n = 1; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; n = 2; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; n = 3; }
    else return false;
    if (i + static_cast<size_t>(n) >= s.size()) return false;
    for (int k = 1; k <= n; ++k) {
        auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
    return true;
}

int ByteDe(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int k = 0; k < 32; ++k)
        if (kAlto[k] == cp) return 0x80 + k;
    return -1;
}

}  // namespace

std::string Cp1252ParaUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) out += ch;
        else if (b < 0xA0) AcrescentarUtf8(out, kAlto[b - 0x80]);
        else AcrescentarUtf8(out, b);
    }
    return out;
}

std::string Utf8ParaCp1252(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            out += s[i++];
            continue;
        }
        char32_t cp;
        size_t inicio = i;
        if (!LerUtf8(s, i, cp))
            throw std::invalid_argument("Texto com codificação UTF-8 inválida na posição " +
                                        std::to_string(inicio + 1));
        int b = ByteDe(cp);
        if (b < 0) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
            throw std::invalid_argument("O caractere \"" + std::string(s.substr(inicio, i - inicio)) + "\" (" +
                                        buf + ") não pode ser gravado no banco de dados (Windows-1252)");
        }
        out += static_cast<char>(b);
    }
    return out;
}

bool RepresentavelEmCp1252(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        char32_t cp;
        if (!LerUtf8(s, i, cp) || ByteDe(cp) < 0) return false;
    }
    return true;
}

bool RepresentavelEmCp1252(std::initializer_list<std::string_view> textos) {
    for (std::string_view t : textos)
        if (!RepresentavelEmCp1252(t)) return false;
    return true;
}

}  // namespace plat
