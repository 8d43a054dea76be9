#pragma once
// Windows-1252 <-> UTF-8. The suite's databases and configuration files hold
// Windows-1252 bytes; in memory every text is UTF-8. The conversion is lossless in both
// directions: the five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) map to the C1 control characters of the same number and back.
#include <initializer_list>
#include <string>
#include <string_view>

namespace plat {

std::string Cp1252ParaUtf8(std::string_view bytes);

// Throws std::invalid_argument naming the character when the text holds a character
// that Windows-1252 cannot represent, or when the text is not valid UTF-8.
std::string Utf8ParaCp1252(std::string_view utf8);

// True when every character of the text can be stored as Windows-1252.
bool RepresentavelEmCp1252(std::string_view utf8);
// The same for every one of several texts (a lookup by any it cannot hold finds nothing).
bool RepresentavelEmCp1252(std::initializer_list<std::string_view> textos);

}  // namespace plat
