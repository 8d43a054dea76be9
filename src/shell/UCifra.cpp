#include "shell/UCifra.h"

#include <stdexcept>

#include "platform/Cp1252.h"

namespace cifra {
namespace {

// Each output byte is the input byte XOR bits 8..15 of the key; the key then advances
// with the scrambled byte (the input when descrambling, the output when scrambling), in
// unsigned 32-bit arithmetic.
std::string Processar(std::string_view bytes, int chave, int multiplicador, int incremento, bool cifrando) {
    std::uint32_t k = static_cast<std::uint32_t>(chave);
    const auto m = static_cast<std::uint32_t>(multiplicador);
    const auto a = static_cast<std::uint32_t>(incremento);
    // The character count is kept in 8 bits.
    bytes = bytes.substr(0, bytes.size() % 256);
    std::string r;
    r.reserve(bytes.size());
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        auto o = static_cast<unsigned char>(c ^ ((k >> 8) & 0xFFu));
        r += static_cast<char>(o);
        std::uint32_t cifrado = cifrando ? o : c;
        k = (cifrado + k) * m + a;
    }
    return r;
}

}  // namespace

std::string DecifrarBytes(std::string_view bytes, int chave, int multiplicador, int incremento) {
    return Processar(bytes, chave, multiplicador, incremento, false);
}

std::string CifrarBytes(std::string_view bytes, int chave, int multiplicador, int incremento) {
    return Processar(bytes, chave, multiplicador, incremento, true);
}

}  // namespace cifra

std::string Decifrar(const std::string& texto, int chave, int multiplicador, int incremento) {
    return plat::Cp1252ParaUtf8(
        cifra::DecifrarBytes(plat::Utf8ParaCp1252(texto), chave, multiplicador, incremento));
}

std::string Cifrar(const std::string& texto, int chave, int multiplicador, int incremento) {
    return plat::Cp1252ParaUtf8(
        cifra::CifrarBytes(plat::Utf8ParaCp1252(texto), chave, multiplicador, incremento));
}

std::string Decifrar(const std::string& texto) {
    return Decifrar(texto, cifra::kChaveInicial, cifra::kMultiplicador, cifra::kIncremento);
}

std::string Cifrar(const std::string& texto) {
    return Cifrar(texto, cifra::kChaveInicial, cifra::kMultiplicador, cifra::kIncremento);
}

std::string CifrarParaArmazenar(const std::string& texto) {
    std::string bytes = plat::Utf8ParaCp1252(texto);
    if (bytes.size() > cifra::kTamanhoMaximo)
        throw std::length_error("O valor a cifrar tem " + std::to_string(bytes.size()) +
                                " caracteres; o máximo é " + std::to_string(cifra::kTamanhoMaximo) + ".");
    return plat::Cp1252ParaUtf8(
        cifra::CifrarBytes(bytes, cifra::kChaveInicial, cifra::kMultiplicador, cifra::kIncremento));
}
