#include "distribution/UDistServicos.h"

#include <stdexcept>

#include "db/Connection.h"
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
