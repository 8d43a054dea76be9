#pragma once
// Single-instance guard and the search for a running main window.
//
// On POSIX the guard is an advisory lock (flock) on a file in a folder private to the
// user: $XDG_RUNTIME_DIR, or "pravolt-<uid>" in the temporary folder when that is not
// set (or not the user's). The file name is derived from the guard's name, so every program that asks for
// the same name competes for the same lock. The kernel drops the lock when its holder
// ends, however it ends, so a crashed copy never blocks the next start. Files there are
// opened without following symbolic links and must belong to the user: another local
// user can neither block the start nor have us write through a link.
//
// POSIX has no global list of top-level windows, so the window search looks in a
// small registry of our own: a program that wants to be found registers its main
// window (class name and title) with RegistroJanela while it runs. The search finds
// nothing else.
#include <optional>
#include <string>
#include <sys/types.h>

namespace plat {

// Folder that holds the lock files and the window registry: $XDG_RUNTIME_DIR when it
// names a folder of the user, else "pravolt-<uid>" in $TMPDIR (or /tmp).
std::string PastaExecucao();
// Makes that folder ready: the one in the temporary folder is created with mode 0700 when
// missing, and refused when it is a symbolic link, a file or another user's; its mode is
// narrowed to 0700 when wider. Returns the reason of a refusal, empty when the folder can
// be used.
std::string PrepararPastaExecucao();

class InstanciaUnica {
public:
    // Tries to take the guard named `nome` at once (never waits).
    explicit InstanciaUnica(const std::string& nome);
    ~InstanciaUnica();  // releases the guard if held
    InstanciaUnica(const InstanciaUnica&) = delete;
    InstanciaUnica& operator=(const InstanciaUnica&) = delete;

    // True when another process held the guard, so this one did not get it.
    bool JaExistia() const { return jaExistia_; }
    // True while this object holds the guard.
    bool Possui() const { return fd_ >= 0 && !jaExistia_; }
    // Text of a failure to create or open the lock file, or of its refusal (a link, a
    // file of another user, an unsafe folder); empty when there was none. The guard then
    // holds nothing and does not block the start.
    const std::string& Falha() const { return falha_; }
    // Releases the guard now (also done by the destructor). Idempotent.
    void Liberar() noexcept;

    // Full path of the lock file used for a guard name.
    static std::string CaminhoTrava(const std::string& nome);

private:
    int fd_ = -1;
    bool jaExistia_ = false;
    std::string falha_;
};

// A main window found by ProcurarJanela: the process that registered it.
struct JanelaEncontrada {
    pid_t pid = 0;
    std::string classe;
    std::string titulo;
};

// Registers this process's main window for the search while the object lives (nothing
// is registered when the runtime folder is refused).
class RegistroJanela {
public:
    RegistroJanela(const std::string& classe, const std::string& titulo);
    ~RegistroJanela();
    RegistroJanela(const RegistroJanela&) = delete;
    RegistroJanela& operator=(const RegistroJanela&) = delete;

    // Changes the registered title (the window's caption changed).
    void DefinirTitulo(const std::string& titulo);
    // True once another process asked this window to come to the foreground; the
    // request is consumed by the call.
    bool PedidoParaFrente();
    // Path of the file the request arrives in (for a file watcher).
    const std::string& CaminhoPedido() const { return pedido_; }

private:
    void Gravar();
    std::string classe_, titulo_, arquivo_, pedido_;
};

// Looks for a live registered window with exactly that class and title. Entries of
// processes that no longer run are ignored and removed.
std::optional<JanelaEncontrada> ProcurarJanela(const std::string& classe, const std::string& titulo);

// Asks the window's owner to bring it to the foreground. Returns false when the
// process no longer runs.
bool TrazerParaFrente(const JanelaEncontrada& janela);

}  // namespace plat
