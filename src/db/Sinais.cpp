#include "db/Sinais.h"

#include <atomic>
#include <ibase.h>

#include "db/PastaTravas.h"

namespace db {
namespace {

std::atomic<void (*)()> g_aoRecusar{nullptr};
std::atomic<bool> g_registrado{false};

// The client asks every registered function to confirm a shutdown before it starts one;
// a non-zero answer refuses it.
int Confirmar(const int motivo, const int fase, void*) {
    if (fase != fb_shut_confirmation || motivo != fb_shutrsn_signal) return 0;
    if (void (*f)() = g_aoRecusar.load()) f();
    return 1;
}

}  // namespace

void RecusarEncerramentoPorSinal(void (*aoRecusar)()) {
    g_aoRecusar = aoRecusar;
    if (g_registrado.exchange(true)) return;
    PrepararPastaTravas();  // before the client library's first use
    ISC_STATUS_ARRAY status{};
    fb_shutdown_callback(status, Confirmar, fb_shut_confirmation, nullptr);
}

}  // namespace db
