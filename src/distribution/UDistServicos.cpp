#include "distribution/UDistServicos.h"

#include <stdexcept>

#include "db/Connection.h"
#include "db/Query.h"
#include "shell/USistema.h"

namespace dist {

namespace {

class ServicosSistema : public IServicosDist {
public:
    db::Connection& Conexao() override {
        db::Connection* c = ConexaoPrincipalDoSistema();
        if (!c) throw std::runtime_error("Conexão principal não criada.");
        return *c;
    }
    std::string LerParametro(const std::string& grupo, const std::string& param) override {
        return Sistema().LerParametro(grupo, param);
    }
    std::string NomeEmpresa() override { return Sistema().NomeEmpresa(); }
    double DataServidor() override { return Sistema().DataServidor(); }

private:
    static db::Connection* ConexaoPrincipalDoSistema();
};

IServicosDist* instalado = nullptr;

}  // namespace

std::string ServicosConexao::LerParametro(const std::string& grupo, const std::string& param) {
    db::Query q(conn);
    q.SetSQL("select VALOR_PA from PARAM where GRUPO_PA = :G and PARAM_PA = :P");
    q.ParamByName("G").SetAsString(grupo);
    q.ParamByName("P").SetAsString(param);
    q.Open();
    return q.Eof() ? std::string() : q.FieldByName("VALOR_PA").AsString();
}

std::string ServicosConexao::NomeEmpresa() {
    db::Query q(conn);
    q.SetSQL("select NOME_EMPRESA from CONFIG");
    q.Open();
    return q.Eof() ? std::string() : q.FieldByName("NOME_EMPRESA").AsString();
}

IServicosDist& ServicosDist() {
    static ServicosSistema sistema;
    return instalado ? *instalado : sistema;
}

void DefinirServicosDist(IServicosDist* s) { instalado = s; }

}  // namespace dist

#if __has_include("shell/UCRSQLConnection.h")
#include "shell/UCRSQLConnection.h"
db::Connection* dist::ServicosSistema::ConexaoPrincipalDoSistema() { return Sistema().ConexaoPrincipal; }
#else
db::Connection* dist::ServicosSistema::ConexaoPrincipalDoSistema() { return nullptr; }
#endif
