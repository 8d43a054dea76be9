#include "platform/Executavel.h"

#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace plat {

std::string CaminhoExecutavel() {
    std::vector<char> buf(4096);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            throw std::runtime_error(std::string("Não foi possível localizar o executável: ") +
                                     std::strerror(errno));
        if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

std::string DiretorioExecutavel() {
    std::string caminho = CaminhoExecutavel();
    auto barra = caminho.find_last_of('/');
    if (barra == std::string::npos) return ".";
    if (barra == 0) return "/";
    return caminho.substr(0, barra);
}

void AdotarLocaleUtf8() {
    const char* atual = std::setlocale(LC_CTYPE, "");
    if (!atual || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

}  // namespace plat
