#pragma once
// Where the running program lives.
#include <string>

namespace plat {

// The directory of the running executable, without a trailing separator (from
// /proc/self/exe). Throws std::runtime_error when the system cannot tell it.
std::string DiretorioExecutavel();

// The full path of the running executable.
std::string CaminhoExecutavel();

}  // namespace plat
