// The system object's query services: parameters, installation name, server clock, the
// current user's branches and the loading of a record set. Nothing is cached: every call
// reaches the database.
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

// A query on the main connection; an unconfigured or missing connection fails as the
// layer fails for a connection without a driver.
db::Query NovaConsulta(TCRSQLConnection* conexao, std::vector<std::string> linhas) {
    if (!conexao) throw db::Error(TCRSQLConnection::MensagemSemDriver("ConexaoPrincipal"));
    db::Query q(*conexao);
    q.SQL() = std::move(linhas);
    return q;
}

}  // namespace

std::string TSistema::LerParametro(const std::string& grupo, const std::string& param) {
    std::string valor;
    db::Query q;
    try {
        q = NovaConsulta(ConexaoPrincipal, {"select VALOR_PA from PARAM", "where GRUPO_PA=:GRUPO", "and PARAM_PA=:PARAM"});
        q.ParamByName("GRUPO").SetAsString(grupo);
        q.ParamByName("PARAM").SetAsString(param);
        q.Open();
    } catch (const db::Error& e) {
        plat::Erro(std::string("Erro ao abrir a tabela PARAM\r") + e.what());
        throw;
    }
    if (!q.Eof()) valor = q.FieldByName("VALOR_PA").AsString();
    q.Close();
    return valor;
}

std::string TSistema::NomeEmpresa() {
    db::Query q = NovaConsulta(ConexaoPrincipal, {"SELECT NOME_EMPRESA FROM CONFIG"});
    q.Open();
    std::string nome = q.Eof() ? std::string() : q.FieldByName("NOME_EMPRESA").AsString();
    q.Close();
    return nome;
}

double TSistema::DataServidor() {
    db::Query q = NovaConsulta(ConexaoPrincipal, {"select cast('now' as timestamp) as DATA_SERVIDOR from CONFIG"});
    q.Open();
    // Without a row in CONFIG there is no value: the zero date-time.
    const double agora = q.Eof() ? 0.0 : q.FieldByName("DATA_SERVIDOR").AsDateTime();
    q.Close();
    return agora;
}

std::vector<std::string> TSistema::FiliaisUsuario() {
    if (!Acesso) throw std::runtime_error("Módulo de acesso não criado (CriarDataModules)");
    std::vector<std::string> filiais;
    db::ClientDataSet& cds = Acesso->cdsFilialUsu;
    cds.Close();
    cds.Open();
    for (cds.First(); !cds.Eof(); cds.Next())
        if (cds.FieldByName("usuario_fu").AsString() == Usuario) filiais.push_back(cds.FieldByName("filial_fu").AsString());
    return filiais;
}

void TSistema::CarregarDados(db::ClientDataSet& cds, const std::string& sql) {
    db::Query q = NovaConsulta(ConexaoPrincipal, {sql});
    db::Provider dsp(q);
    const db::DataPacket dados = dsp.GetData();
    cds.SetData(dados);
    q.Close();
}
