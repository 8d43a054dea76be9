#pragma once
// Where the running program lives.
#include <string>

namespace plat {

// The directory of the running executable, without a trailing separator (from
// /proc/self/exe). Throws std::runtime_error when the system cannot tell it.
std::string DiretorioExecutavel();

// The full path of the running executable.
std::string CaminhoExecutavel();

// Takes the user's locale for the character set (LC_CTYPE), or "C.UTF-8" when that one is
// not UTF-8 (no locale set, "C", a locale that is not installed, a Latin-1 one). Texts are
// UTF-8 in memory, and the Firebird client turns database file names into UTF-8 through the
// locale: in "C" an accented name fails with "Cannot transliterate character between
// character sets". Called after the toolkit's application object, which sets the locale
// from the environment.
void AdotarLocaleUtf8();

}  // namespace plat
