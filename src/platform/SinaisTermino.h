#pragma once
// Requests to end the program that come from the system: SIGTERM (an administrator's kill,
// a system shutdown), SIGINT (Ctrl+C in a terminal) and SIGHUP (the end of the session).
// Their handler only writes the signal's number into a pipe; the program watches the
// pipe's reading end from its event loop and ends through its normal teardown, never
// inside a handler.
namespace plat {

// Installs the handlers for the three signals (once; later calls change nothing) and gives
// the pipe's reading end (non-blocking, closed on exec). -1 when the pipe cannot be made.
int InstalarSinaisTermino();

// Writes a request into the pipe as the handlers do; 0 for a request that arrives another
// way than a signal. Safe from any thread and from a signal handler.
void PedirTermino(int sinal);

constexpr int kPedidoSemSinal = -1;
// Empties the pipe; gives the first signal number read, kPedidoSemSinal when only requests
// without a signal were there, 0 when there was nothing.
int LerPedidosTermino();

}  // namespace plat
