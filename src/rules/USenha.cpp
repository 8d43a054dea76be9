#include "rules/USenha.h"

#include "platform/Cp1252.h"

namespace {

// Repeats the text around the other one until it has at least ten characters, then keeps
// the first ten.
std::string DezCaracteres(std::string texto, std::string_view outro) {
    while (texto.size() < 10) {
        std::string t = texto;
        texto += outro;
        texto += t;
    }
    return texto.substr(0, 10);
}

}  // namespace

std::string FormatarSenhaBytes(std::string_view usuario, std::string_view senha) {
    if (usuario.empty()) throw EAccessViolation("Usuário inválido para formatação da senha");
    if (senha.empty()) throw EAccessViolation("Senha inválida para formatação da senha");

    const std::string u = DezCaracteres(std::string(usuario), senha);
    const std::string p = DezCaracteres(std::string(senha), u);
    auto U = [&](int i) { return static_cast<unsigned char>(u[i - 1]); };
    auto P = [&](int i) { return static_cast<unsigned char>(p[i - 1]); };

    const unsigned char a[30] = {P(1), U(2), P(2), U(1),  P(3),  U(3), P(5), U(5), P(4), U(6),
                                 P(6), U(4), P(9), U(7),  P(7),  U(8), P(8), U(9), P(10), U(10),
                                 U(1), P(2), U(2), P(1),  U(3),  P(3), U(4), P(5), U(5), P(4)};
    const unsigned char b[30] = {P(6), U(4),  P(4), U(6),  P(5), U(5), P(3), U(3), P(2), U(1),
                                 P(1), U(2),  P(10), U(10), P(8), U(9), P(7), U(8), P(9), U(7),
                                 U(5), P(1),  U(4), P(2),  U(2), P(4), U(3), P(3), U(1), P(5)};
    std::string r(30, '\0');
    for (int i = 0; i < 30; ++i) r[i] = static_cast<char>((a[i] + b[i]) & 0xFF);
    return r;
}

std::string FormatarSenha(const std::string& usuario, const std::string& senha) {
    if (usuario.empty()) throw EAccessViolation("Usuário inválido para formatação da senha");
    if (senha.empty()) throw EAccessViolation("Senha inválida para formatação da senha");
    return FormatarSenhaBytes(plat::Utf8ParaCp1252(usuario), plat::Utf8ParaCp1252(senha));
}
