#include "db/PastaTravas.h"

#include <cstdlib>
#include <unistd.h>

#include "platform/InstanciaUnica.h"

namespace db {

void PrepararPastaTravas() {
    static const bool feito = [] {
        const char* atual = std::getenv("FIREBIRD_LOCK");
        if (atual && *atual) return true;
        const char* compartilhada = "/tmp/firebird";  // the client's default
        if (access(compartilhada, F_OK) != 0 || access(compartilhada, R_OK | W_OK | X_OK) == 0) return true;
        if (!plat::PrepararPastaExecucao().empty()) return true;  // nowhere of our own: left as it is
        setenv("FIREBIRD_LOCK", (plat::PastaExecucao() + "/firebird").c_str(), 1);
        return true;
    }();
    (void)feito;
}

}  // namespace db
