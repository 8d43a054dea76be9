#include "rules/CgcCpf.h"

#include <cstring>
#include <string>

namespace {

std::string Digitos(const char* texto) {
    std::string r;
    if (!texto) return r;
    for (const char* p = texto; *p; ++p)
        if (*p >= '0' && *p <= '9') r += *p;
    return r;
}

std::string Pontuar(const std::string& d) {
    if (d.size() == 11)
        return d.substr(0, 3) + "." + d.substr(3, 3) + "." + d.substr(6, 3) + "-" + d.substr(9, 2);
    if (d.size() == 14)
        return d.substr(0, 2) + "." + d.substr(2, 3) + "." + d.substr(5, 3) + "/" + d.substr(8, 4) + "-" +
               d.substr(12, 2);
    return d;
}

size_t Entregar(const std::string& r, char* saida, size_t tamanho) {
    if (saida && tamanho > 0) {
        size_t n = r.size() < tamanho - 1 ? r.size() : tamanho - 1;
        std::memcpy(saida, r.data(), n);
        saida[n] = '\0';
    }
    return r.size();
}

bool CpfValido(const std::string& d) {
    int s1 = 0, s2 = 0;
    for (int i = 0; i < 9; ++i) {
        int v = d[i] - '0';
        s1 += (i + 1) * v;
        s2 += (9 - i) * v;
    }
    int r1 = s1 % 11;
    int c1 = r1 == 10 ? 0 : r1;
    if (r1 == 10) s2 += 9;
    int r2 = s2 % 11;
    int c2 = r2 == 10 ? 0 : r2;
    std::string esperado = d.substr(0, 9);
    esperado += static_cast<char>('0' + c1);
    esperado += static_cast<char>('0' + c2);
    return d == esperado;
}

int DigitoCnpj(const std::string& base) {
    // Weights 2..9 then again from 2, from the rightmost digit leftwards.
    int soma = 0, peso = 2;
    for (size_t i = base.size(); i-- > 0;) {
        soma += (base[i] - '0') * peso;
        peso = peso == 9 ? 2 : peso + 1;
    }
    int c = 11 - soma % 11;
    return c >= 10 ? 0 : c;
}

bool CnpjValido(const std::string& d) {
    std::string esperado = d.substr(0, 12);
    esperado += static_cast<char>('0' + DigitoCnpj(esperado));
    esperado += static_cast<char>('0' + DigitoCnpj(esperado));
    return d == esperado;
}

}  // namespace

extern "C" {

char* des(char* buffer) {
    if (!buffer) return nullptr;
    char* w = buffer;
    for (const char* r = buffer; *r; ++r)
        if (*r >= '0' && *r <= '9') *w++ = *r;
    *w = '\0';
    return buffer;
}

size_t desFormataCGCCPF(const char* texto, char* saida, size_t tamanho) {
    return Entregar(Digitos(texto), saida, tamanho);
}

size_t formataCGCCPF(const char* texto, char* saida, size_t tamanho) {
    // The digits come from this library's own desFormataCGCCPF.
    std::string d(desFormataCGCCPF(texto, nullptr, 0), '\0');
    desFormataCGCCPF(texto, d.data(), d.size() + 1);
    return Entregar(Pontuar(d), saida, tamanho);
}

int CgcCpfValido(const char* texto) {
    std::string d(desFormataCGCCPF(texto, nullptr, 0), '\0');
    desFormataCGCCPF(texto, d.data(), d.size() + 1);
    if (d.size() < 9) return 0;
    if (d.size() <= 11) return CpfValido(d) ? 1 : 0;
    return CnpjValido(d) ? 1 : 0;
}

}  // extern "C"
