#pragma once
// The suite's two databases created from the schema scripts that the build compiles into
// the program (sql/*.sql): the access database from acesso.sql, the main database from
// principal.sql followed by modulos.sql when the build has it. Used by pravolt-admin and
// the tests; nothing here touches an existing database.
//
// A location is what the data layer accepts: a plain path opens the database embedded,
// "host:path" or "host/port:path" reaches a Firebird server.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "db/Connection.h"

namespace esquema {

enum class Banco { Acesso, Principal };

// Refusal to create a database where one exists already.
class EBancoExiste : public std::runtime_error {
public:
    explicit EBancoExiste(const std::string& local);
    const std::string& Local() const noexcept { return local_; }

private:
    std::string local_;
};

// A script compiled into the program, by file name ("principal.sql"); nothing when the
// build has no such script.
std::optional<std::string_view> Script(std::string_view nome);
// Names of every script compiled in, sorted.
std::vector<std::string> NomesScripts();
// The scripts of a database, in the order they are applied.
std::vector<std::string> ScriptsDoBanco(Banco banco);

// The database password that the program uses for a value of [Banco] CHAVE.
std::string SenhaPorChave(const std::string& chave);

// True when the location names a database on this machine opened in-process (a plain
// path, with or without a drive letter), false for a server location.
bool LocalEmbutido(const std::string& local);

// True when a database exists at the location: for a plain path, the file exists; for a
// server location, the server attaches it (a file the server cannot open counts as
// missing; any other failure, such as a refused password, is raised).
bool Existe(const std::string& local, const std::string& usuario, const std::string& senha);

// What a location holds, for an installer that must never overwrite: nothing, a database
// of this schema (every table of its base script, acesso.sql or principal.sql, is there),
// a database another process has open (it cannot be checked), or something else (a file
// that does not open as a database, a folder, a database of another schema); `motivo`
// says what, in a few words.
enum class Ocupacao { Livre, DoEsquema, EmUso, Outra };
struct ExameLocal {
    Ocupacao ocupacao = Ocupacao::Livre;
    std::string motivo;
};
// A failure other than "nothing there" while reaching a server (a refused password, a
// server down) is raised.
ExameLocal Examinar(const std::string& local, Banco banco, const std::string& usuario,
                    const std::string& senha);

// The work files that NovoBanco leaves beside a plain-path location when its process is
// killed ("<location>.novo-<process id>"): removes those whose process has ended and returns
// their paths. A server location has none.
struct Sobra {
    std::string caminho;
    long processo = 0;
};
std::vector<Sobra> RemoverSobras(const std::string& local);

// Applies the scripts of a database, in order, to an open connection, each script in one
// transaction (split as the data layer's script runner splits). The first failing
// statement stops the run with a db::Error naming the script, the statement and the
// database's message; nothing of that script stays.
void AplicarEsquema(db::Connection& conn, Banco banco);

// A database being created: the constructor creates it and applies its schema; the
// caller may fill it through Conn(); Concluir() makes it available. A database that is
// not concluded (an error, an interruption) is removed by the destructor, so a location
// never holds a half-made database. A plain path is built under a temporary name beside
// the final one and renamed into place by Concluir().
class NovoBanco {
public:
    // Throws EBancoExiste when a database exists at the location, db::Error when the
    // creation or a statement of the schema fails.
    NovoBanco(const std::string& local, Banco banco, const std::string& usuario,
              const std::string& senha);
    ~NovoBanco();
    NovoBanco(const NovoBanco&) = delete;
    NovoBanco& operator=(const NovoBanco&) = delete;

    db::Connection& Conn() { return *conn_; }
    const std::string& Local() const noexcept { return local_; }
    // Detaches and moves the database to its location. Throws when that fails (the
    // database is then removed).
    void Concluir();
    // Removes the database again after Concluir, when a later step of the same installation
    // failed; before Concluir the destructor does this.
    void Desfazer() noexcept;

private:
    void Descartar() noexcept;
    std::string local_;
    std::string localTrabalho_;
    std::unique_ptr<db::Connection> conn_;
    bool concluido_ = false;
};

// Creates an empty database with its schema at the location (see NovoBanco).
void CriarBanco(const std::string& local, Banco banco, const std::string& usuario,
                const std::string& senha);

}  // namespace esquema
