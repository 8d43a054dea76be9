#pragma once
// What the distribution window needs of the system object: the main connection, the
// parameter switches, the installation name and the server's clock. In the program these
// go to Sistema(); tests install their own source (a fixture database and a fixed clock).
#include <string>

namespace db {
class Connection;
}

namespace dist {

class IServicosDist {
public:
    virtual ~IServicosDist() = default;
    virtual db::Connection& Conexao() = 0;  // the main connection (ConexaoPrincipal)
    virtual std::string LerParametro(const std::string& grupo, const std::string& param) = 0;
    virtual std::string NomeEmpresa() = 0;
    virtual double DataServidor() = 0;
};

// The source in force: the one installed, or the system object's.
// The services answered from a given main database, with a clock of the caller's (a
// fixed date in tests, the workstation's clock in the benchmarks).
class ServicosConexao : public IServicosDist {
public:
    explicit ServicosConexao(db::Connection& c) : conn(c) {}
    db::Connection& Conexao() override { return conn; }
    std::string LerParametro(const std::string& grupo, const std::string& param) override;
    std::string NomeEmpresa() override;
    double DataServidor() override { return agora; }

    db::Connection& conn;
    double agora = 0;
};

IServicosDist& ServicosDist();
// Installs a source (not owned); nullptr goes back to the system object.
void DefinirServicosDist(IServicosDist* s);

}  // namespace dist
