// The system object's shared data modules: created once, in a fixed order, owned by the
// application object (released newest first), referred to by the system object.
#include <memory>

#include "datamodules/UDMCadastros.h"
#include "datamodules/UDMIBFatur.h"
#include "datamodules/UDMIBFinanceiro.h"
#include "datamodules/UDMIBProducao.h"
#include "datamodules/UDMIBTProd.h"
#include "datamodules/UDMIBTipos.h"
#include "shell/UAplicacao.h"
#include "shell/USistema.h"

#if __has_include("shell/UCRSQLConnection.h")
#include "shell/UCRSQLConnection.h"
#define PRAVOLT_TEM_CONEXAO 1
#endif
#if __has_include("shell/UDmIbAcesso.h")
#include "shell/UDmIbAcesso.h"
#define PRAVOLT_TEM_ACESSO 1
#endif

namespace dm {

db::Connection* ConexaoPrincipalSistema() {
#ifdef PRAVOLT_TEM_CONEXAO
    return Sistema().ConexaoPrincipal;
#else
    // TODO: the connection class is not in the tree yet.
    Sistema();
    return nullptr;
#endif
}

}  // namespace dm

void TSistema::CriarDataModules() {
    TAplicacao& app = Aplicacao();
    DmCadastros = app.Adicionar(std::make_unique<TdmIBCadastros>());
    DmTipos = app.Adicionar(std::make_unique<TdmIBTipos>());
    DmProducao = app.Adicionar(std::make_unique<TdmIBProducao>());
    DmFinanceiro = app.Adicionar(std::make_unique<TdmIBFinanceiro>());
#ifdef PRAVOLT_TEM_ACESSO
    Acesso = app.Adicionar(std::make_unique<TdmIbAcesso>());
#else
    // TODO: the access module (fifth in the order) is not in the tree yet.
#endif
    DmTProd = app.Adicionar(std::make_unique<TdmIBTProd>());
    DmFatur = app.Adicionar(std::make_unique<TdmIBFatur>());
}
