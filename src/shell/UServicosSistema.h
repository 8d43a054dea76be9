#pragma once
// The system services every part of the program asks for: the main connection and the
// access database's connection, the parameters (PARAM), the installation name (CONFIG),
// the database server's clock, the current user and the branches allowed to them.
//
// The system object (TSistema) provides them in the program. A process without one (a
// test, a benchmark, a load program with its own attachment) installs a TServicosConexao
// over its own connections: it runs the same statements as the system object, so only
// the database differs (a test may fix the clock by overriding DataServidor).
#include <memory>
#include <string>
#include <vector>

#include "platform/DataHora.h"

namespace db {
class Connection;
class Query;
}

class IServicosSistema {
public:
    virtual ~IServicosSistema() = default;

    // The main database (the system object's ConexaoPrincipal): every data set uses it.
    virtual db::Connection& Conexao() = 0;
    // The access database (users, branches per user), open.
    virtual db::Connection& ConexaoUsuarios() = 0;
    // The query of the user table (the access module's sqlUsu), on ConexaoUsuarios, which
    // is opened; its statement is the caller's to set.
    virtual db::Query& ConsultaUsuarios() = 0;

    // PARAM's value for the group and name; "" when there is no such row. A database
    // error shows "Erro ao abrir a tabela PARAM" with the database's text (unless that
    // error was shown already: a server that never answered), then reaches the caller.
    virtual std::string LerParametro(const std::string& grupo, const std::string& param) = 0;
    // CONFIG's NOME_EMPRESA (first row), "" without a row.
    virtual std::string NomeEmpresa() = 0;
    // The database server's current date and time (0 without a row in CONFIG).
    virtual plat::TDateTime DataServidor() = 0;
    // The current user's name (empty: this program has no login step).
    virtual std::string NomeUsuario() = 0;
    // The branches allowed to the current user, in the table's order.
    virtual std::vector<std::string> FiliaisUsuario() = 0;
};

// The services in force: the installed ones, else the system object's (constructed on
// first use).
IServicosSistema& ServicosSistema();
// Installs services (not owned); nullptr goes back to the system object.
void InstalarServicosSistema(IServicosSistema* servicos);

// The statements behind the services, on a given connection; the system object and
// TServicosConexao both run these.
namespace servicos {
std::string LerParametro(db::Connection& principal, const std::string& grupo, const std::string& param);
std::string NomeEmpresa(db::Connection& principal);
plat::TDateTime DataServidor(db::Connection& principal);
}  // namespace servicos

// The services over connections of the caller's.
class TServicosConexao : public IServicosSistema {
public:
    // `usuarios`: the access database; without it the user has no branch restriction
    // and ConexaoUsuarios fails.
    explicit TServicosConexao(db::Connection& principal, db::Connection* usuarios = nullptr);
    ~TServicosConexao() override;
    TServicosConexao(const TServicosConexao&) = delete;
    TServicosConexao& operator=(const TServicosConexao&) = delete;

    db::Connection& Conexao() override { return principal_; }
    db::Connection& ConexaoUsuarios() override;
    db::Query& ConsultaUsuarios() override;
    std::string LerParametro(const std::string& grupo, const std::string& param) override;
    std::string NomeEmpresa() override;
    plat::TDateTime DataServidor() override;
    std::string NomeUsuario() override { return Usuario; }
    std::vector<std::string> FiliaisUsuario() override;

    std::string Usuario;

private:
    db::Connection& principal_;
    db::Connection* usuarios_;
    std::unique_ptr<db::Query> consultaUsuarios_;
};
