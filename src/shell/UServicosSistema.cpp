// The system services: the statements behind them, the system object's implementation
// and the services over connections of the caller's. Nothing is cached: every call
// reaches the database.
#include "shell/UServicosSistema.h"

#include <stdexcept>

#include "db/ClientDataSet.h"
#include "db/Error.h"
#include "db/Provider.h"
#include "db/Query.h"
#include "platform/Mensagens.h"
#include "shell/UCRSQLConnection.h"
#include "shell/UDmIbAcesso.h"
#include "shell/USistema.h"

namespace {

IServicosSistema* instalado = nullptr;

// A query on the main connection; a missing connection fails as the layer fails for a
// connection without a driver.
db::Connection& Principal(TCRSQLConnection* conexao) {
    if (!conexao) throw db::Error(TCRSQLConnection::MensagemSemDriver("ConexaoPrincipal"));
    return *conexao;
}

db::Query Consulta(db::Connection& conexao, std::vector<std::string> linhas) {
    db::Query q(conexao);
    q.SQL() = std::move(linhas);
    return q;
}

// The branches of `usuario` in an open record set of filial_usuarios (compared exactly).
std::vector<std::string> FiliaisDe(db::ClientDataSet& cds, const std::string& usuario) {
    std::vector<std::string> filiais;
    for (cds.First(); !cds.Eof(); cds.Next())
        if (cds.FieldByName("usuario_fu").AsString() == usuario) filiais.push_back(cds.FieldByName("filial_fu").AsString());
    return filiais;
}

}  // namespace

IServicosSistema& ServicosSistema() { return instalado ? *instalado : Sistema(); }

void InstalarServicosSistema(IServicosSistema* servicos) { instalado = servicos; }

// ---- the statements ---------------------------------------------------------------------

namespace servicos {

std::string LerParametro(db::Connection& principal, const std::string& grupo, const std::string& param) {
    db::Query q = Consulta(principal, {"select VALOR_PA from PARAM", "where GRUPO_PA=:GRUPO", "and PARAM_PA=:PARAM"});
    try {
        q.ParamByName("GRUPO").SetAsString(grupo);
        q.ParamByName("PARAM").SetAsString(param);
        q.Open();
    } catch (const db::Error& e) {
        if (plat::DeveRelatar(e)) plat::Erro(std::string("Erro ao abrir a tabela PARAM\r") + e.what());
        throw;
    }
    std::string valor = q.Eof() ? std::string() : q.FieldByName("VALOR_PA").AsString();
    q.Close();
    return valor;
}

std::string NomeEmpresa(db::Connection& principal) {
    db::Query q = Consulta(principal, {"SELECT NOME_EMPRESA FROM CONFIG"});
    q.Open();
    std::string nome = q.Eof() ? std::string() : q.FieldByName("NOME_EMPRESA").AsString();
    q.Close();
    return nome;
}

plat::TDateTime DataServidor(db::Connection& principal) {
    db::Query q = Consulta(principal, {"select cast('now' as timestamp) as DATA_SERVIDOR from CONFIG"});
    q.Open();
    // Without a row in CONFIG there is no value: the zero date-time.
    const double agora = q.Eof() ? 0.0 : q.FieldByName("DATA_SERVIDOR").AsDateTime();
    q.Close();
    return agora;
}

}  // namespace servicos

// ---- the system object ------------------------------------------------------------------

db::Connection& TSistema::Conexao() { return Principal(ConexaoPrincipal); }

db::Connection& TSistema::ConexaoUsuarios() {
    if (!Acesso) throw std::runtime_error("Módulo de acesso não criado.");
    Acesso->connLogin.Open();
    return Acesso->connLogin;
}

db::Query& TSistema::ConsultaUsuarios() {
    ConexaoUsuarios();
    return Acesso->sqlUsu;
}

std::string TSistema::LerParametro(const std::string& grupo, const std::string& param) {
    db::Connection* c = nullptr;
    try {
        c = &Conexao();
    } catch (const db::Error& e) {
        if (plat::DeveRelatar(e)) plat::Erro(std::string("Erro ao abrir a tabela PARAM\r") + e.what());
        throw;
    }
    return servicos::LerParametro(*c, grupo, param);
}

std::string TSistema::NomeEmpresa() { return servicos::NomeEmpresa(Conexao()); }

plat::TDateTime TSistema::DataServidor() { return servicos::DataServidor(Conexao()); }

std::vector<std::string> TSistema::FiliaisUsuario() {
    if (!Acesso) throw std::runtime_error("Módulo de acesso não criado (CriarDataModules)");
    db::ClientDataSet& cds = Acesso->cdsFilialUsu;
    cds.Close();
    cds.Open();
    // Left open after its last row.
    return FiliaisDe(cds, Usuario);
}

void TSistema::CarregarDados(db::ClientDataSet& cds, const std::string& sql) {
    db::Query q = Consulta(Conexao(), {sql});
    db::Provider dsp(q);
    const db::DataPacket dados = dsp.GetData();
    cds.SetData(dados);
    q.Close();
}

// ---- over connections of the caller's -----------------------------------------------------

TServicosConexao::TServicosConexao(db::Connection& principal, db::Connection* usuarios)
    : principal_(principal), usuarios_(usuarios) {}

TServicosConexao::~TServicosConexao() = default;

db::Connection& TServicosConexao::ConexaoUsuarios() {
    if (!usuarios_) throw std::runtime_error("Banco de acesso não informado.");
    usuarios_->Open();
    return *usuarios_;
}

db::Query& TServicosConexao::ConsultaUsuarios() {
    db::Connection& c = ConexaoUsuarios();
    if (!consultaUsuarios_) consultaUsuarios_ = std::make_unique<db::Query>(c);
    return *consultaUsuarios_;
}

std::string TServicosConexao::LerParametro(const std::string& grupo, const std::string& param) {
    return servicos::LerParametro(principal_, grupo, param);
}

std::string TServicosConexao::NomeEmpresa() { return servicos::NomeEmpresa(principal_); }

plat::TDateTime TServicosConexao::DataServidor() { return servicos::DataServidor(principal_); }

std::vector<std::string> TServicosConexao::FiliaisUsuario() {
    if (!usuarios_) return {};
    db::Query q = Consulta(ConexaoUsuarios(), TdmAcesso::SqlFiliaisUsuarios());
    db::Provider dsp(q);
    db::ClientDataSet cds;
    cds.SetData(dsp.GetData());
    return FiliaisDe(cds, Usuario);
}
