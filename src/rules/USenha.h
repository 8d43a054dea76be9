#pragma once
// The suite's password formatting: turns a user name and a password into the 30-byte value
// that column USUARIOS.SENHA_US stores.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

// Error class of FormatarSenha's argument checks (the suite raises them as its
// access-violation error).
class EAccessViolation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Only the first ten characters of the user name and of the password take part in the
// formatted value: two passwords that share their first ten characters format alike.
inline constexpr std::size_t kCaracteresSenha = 10;

// On raw Windows-1252 bytes; returns 30 raw bytes (any byte value may occur). Throws
// EAccessViolation "Usuário inválido para formatação da senha" for an empty user and
// "Senha inválida para formatação da senha" for an empty password.
std::string FormatarSenhaBytes(std::string_view usuario, std::string_view senha);

// UTF-8 user and password (converted to Windows-1252 first; a character Windows-1252
// cannot hold raises std::invalid_argument); returns the 30 raw Windows-1252 bytes. To
// compare with SENHA_US read as text through the database layer (UTF-8), convert the
// result with plat::Cp1252ParaUtf8, or compare with the field's raw bytes.
std::string FormatarSenha(const std::string& usuario, const std::string& senha);
