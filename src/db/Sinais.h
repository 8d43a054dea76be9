#pragma once
// The Firebird client installs handlers of its own for SIGINT and SIGTERM that shut its
// engine down (every attachment of the process is lost and each later statement fails with
// "connection shutdown."), while the program goes on running. A program that ends through
// its own teardown on those signals refuses that shutdown here; the client's handler then
// leaves the engine as it is, and the teardown detaches and ends it in order.
namespace db {

// From now on, a shutdown the client starts because of a signal is refused and
// `aoRecusar` is called instead (on the client's own thread: it must be thread-safe).
// Shutdowns for any other reason (the process exiting) go on as usual. Idempotent; the
// last function given is the one called.
void RecusarEncerramentoPorSinal(void (*aoRecusar)());

}  // namespace db
