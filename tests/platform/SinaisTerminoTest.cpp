// Termination requests: a signal's handler only leaves its number in the pipe. Run in a
// child process, so the test program keeps its own signal dispositions.
#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/SinaisTermino.h"

TEST(SinaisTermino, SinaisFicamNoCanoEOPrimeiroSinalRealEODevolvido) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int falhas = 0;
        const int fd = plat::InstalarSinaisTermino();
        falhas += fd < 0 || plat::InstalarSinaisTermino() != fd;
        falhas += plat::LerPedidosTermino() != 0;
        for (int s : {SIGTERM, SIGINT, SIGHUP}) {
            raise(s);  // the process goes on: the handler only writes
            pollfd p{fd, POLLIN, 0};
            falhas += poll(&p, 1, 1000) != 1;
            falhas += plat::LerPedidosTermino() != s;
        }
        plat::PedirTermino(0);  // a request without a signal
        falhas += plat::LerPedidosTermino() != plat::kPedidoSemSinal;
        plat::PedirTermino(0);
        raise(SIGINT);  // a signal's number wins over a request without one
        falhas += plat::LerPedidosTermino() != SIGINT;
        falhas += plat::LerPedidosTermino() != 0;  // emptied
        _exit(falhas);
    }
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    ASSERT_TRUE(WIFEXITED(st)) << "ended by signal " << (WIFSIGNALED(st) ? WTERMSIG(st) : 0);
    EXPECT_EQ(WEXITSTATUS(st), 0);
}
