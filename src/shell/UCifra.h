#pragma once
// Scrambling of the main-database location stored in table BD_PRINCIPAL (column SENHA).
// The stored value is produced by Cifrar (the installer tool) and read back by Decifrar
// with the same three key constants.
//
// Both work on the Windows-1252 bytes of the text: the UTF-8 overloads convert the text to
// Windows-1252, process the bytes and convert the result back (the conversion is lossless
// for every byte, so any scrambled value survives the round trip through the database
// layer's UTF-8 text). They throw std::invalid_argument for a text with a character that
// Windows-1252 cannot hold.
//
// Characters are counted with an 8-bit counter, as in the suite's other programs: only the
// first (length modulo 256) characters are processed, so the result has that length and a
// text of exactly 256 characters gives an empty result. The installer therefore refuses to
// store values longer than 255 characters (CifrarParaArmazenar), which could not be read
// back.
#include <cstdint>
#include <string>
#include <string_view>

namespace cifra {

// This installation's key: start key, multiplier and increment (each 1..255).
inline constexpr int kChaveInicial = 173;
inline constexpr int kMultiplicador = 151;
inline constexpr int kIncremento = 97;

// Longest value the suite's programs can read back.
inline constexpr std::size_t kTamanhoMaximo = 255;

std::string DecifrarBytes(std::string_view bytes, int chave, int multiplicador, int incremento);
std::string CifrarBytes(std::string_view bytes, int chave, int multiplicador, int incremento);

}  // namespace cifra

// UTF-8 text in and out; see above.
std::string Decifrar(const std::string& texto, int chave, int multiplicador, int incremento);
std::string Cifrar(const std::string& texto, int chave, int multiplicador, int incremento);

// With this installation's key.
std::string Decifrar(const std::string& texto);
std::string Cifrar(const std::string& texto);

// Cifrar with this installation's key for storing in BD_PRINCIPAL: throws
// std::length_error when the text has more than kTamanhoMaximo characters.
std::string CifrarParaArmazenar(const std::string& texto);
