#pragma once
// Text helpers of the whole program. Texts are UTF-8 in memory; "character" means a code
// point (a byte that starts no valid UTF-8 sequence counts as one character), so counts
// and cuts agree with the Windows-1252 text the databases hold, one byte a character.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Upper case of a-z only; every other byte unchanged. For names the program compares
// without case: identifiers, parameter and option names, table and file names.
std::string MaiusculasAscii(std::string_view texto);
char MaiusculaAscii(char c) noexcept;
// Equal after MaiusculasAscii.
bool IguaisSemCaixaAscii(std::string_view a, std::string_view b) noexcept;

// Upper case of the letters Windows-1252 has: a-z, à-þ (not ÷), ÿ, š, œ, ž. Every other
// character unchanged (ß and µ have no upper case there). For what operators type.
std::string MaiusculasCp1252(std::string_view utf8);

// Number of characters.
std::size_t ContarCaracteres(std::string_view utf8);
// The first `n` characters (the whole text when it is shorter); never cuts inside one.
std::string CortarCaracteres(std::string_view utf8, std::size_t n);
// `quantidade` characters from the `inicio`-th (1-based, as Copy counts); empty when
// `inicio` is past the end. An `inicio` below 1 counts from the first.
std::string CopiarCaracteres(std::string_view utf8, long long inicio, long long quantidade);
// The characters one by one.
std::vector<std::string> Caracteres(std::string_view utf8);

// Removes the blanks and control characters (up to and including ' ') at both ends.
std::string Aparar(std::string_view texto);

}  // namespace plat
