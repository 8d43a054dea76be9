#include "platform/SinaisTermino.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace plat {
namespace {

int g_leitura = -1;
volatile sig_atomic_t g_escrita = -1;

void Tratador(int sinal) {
    const int guardado = errno;
    PedirTermino(sinal);
    errno = guardado;
}

}  // namespace

int InstalarSinaisTermino() {
    if (g_leitura >= 0) return g_leitura;
    int p[2];
    if (pipe2(p, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    g_leitura = p[0];
    g_escrita = p[1];
    struct sigaction a {};
    a.sa_handler = Tratador;
    sigemptyset(&a.sa_mask);
    a.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &a, nullptr);
    return g_leitura;
}

void PedirTermino(int sinal) {
    if (g_escrita < 0) return;
    const unsigned char b = static_cast<unsigned char>(sinal);
    // A full pipe already holds a request: nothing is lost by dropping this one.
    (void)!::write(g_escrita, &b, 1);
}

int LerPedidosTermino() {
    if (g_leitura < 0) return 0;
    int primeiro = 0;
    unsigned char buf[64];
    for (;;) {
        const ssize_t n = ::read(g_leitura, buf, sizeof buf);
        if (n > 0) {
            for (ssize_t i = 0; i < n; ++i)
                if (primeiro <= 0) primeiro = buf[i] != 0 ? buf[i] : kPedidoSemSinal;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return primeiro;
    }
}

}  // namespace plat
