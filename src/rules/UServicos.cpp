#include "rules/UServicos.h"

namespace {

// Runs one of the exported buffer functions and returns its whole result. A text with an
// embedded zero byte is read up to that byte, as the exported functions read it.
template <class F>
std::string Chamar(F funcao, const std::string& texto) {
    std::string r(funcao(texto.c_str(), nullptr, 0), '\0');
    funcao(texto.c_str(), r.data(), r.size() + 1);
    return r;
}

}  // namespace

bool TServicos::Vazio(const std::string& texto) const {
    for (unsigned char c : texto)
        if (c > ' ') return false;
    return true;
}

std::string TServicos::DesformataDocumento(const std::string& texto) const {
    if (texto.empty()) return {};
    return Chamar(desFormataCGCCPF, texto);
}

std::string TServicos::FormataDocumento(const std::string& texto) const {
    if (texto.empty()) return {};
    return Chamar(formataCGCCPF, texto);
}
