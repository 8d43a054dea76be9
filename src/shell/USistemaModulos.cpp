// The system object's shared data modules: created once, in a fixed order, owned by the
// application object (released newest first), referred to by the system object. The one
// place the shell includes the data modules; they reach the system object back only
// through the system services.
#include <memory>

#include "datamodules/UDMCadastros.h"
#include "datamodules/UDMIBFatur.h"
#include "datamodules/UDMIBFinanceiro.h"
#include "datamodules/UDMIBProducao.h"
#include "datamodules/UDMIBTProd.h"
#include "datamodules/UDMIBTipos.h"
#include "shell/UAplicacao.h"
#include "shell/UCRSQLConnection.h"
#include "shell/UDmIbAcesso.h"
#include "shell/USistema.h"

void TSistema::CriarDataModules() {
    TAplicacao& app = Aplicacao();
    DmCadastros = app.Adicionar(std::make_unique<TdmIBCadastros>());
    DmTipos = app.Adicionar(std::make_unique<TdmIBTipos>());
    DmProducao = app.Adicionar(std::make_unique<TdmIBProducao>());
    DmFinanceiro = app.Adicionar(std::make_unique<TdmIBFinanceiro>());
    Acesso = app.Adicionar(std::make_unique<TdmIbAcesso>());
    DmTProd = app.Adicionar(std::make_unique<TdmIBTProd>());
    DmFatur = app.Adicionar(std::make_unique<TdmIBFatur>());
}
