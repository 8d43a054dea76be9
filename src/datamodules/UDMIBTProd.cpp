#include "datamodules/UDMIBTProd.h"

#include "datamodules/URegrasCampos.h"

using dm::DeclCampo;
using dm::TipoCampo;

TdmIBTProd::TdmIBTProd(db::Connection* conexao) : TdmTProd("dmIBTProd", conexao) {
    DefinirCampos("cdsCorMP", {
        DeclCampo{.nome = "NUM_TA", .tamanho = 2, .obrigatorio = true, .rotulo = "Tabela"},
        DeclCampo{.nome = "COD_TA", .tamanho = 8, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "DESC_TA", .tamanho = 77, .rotulo = "Descrição"},
        DeclCampo{.nome = "TAMCOD_TA", .tipo = TipoCampo::InteiroCurto},
        DeclCampo{.nome = "SIT_TA", .tamanho = 1},
        DeclCampo{.nome = "TRANS_TA", .tipo = TipoCampo::DataHora},
        DeclCampo{.nome = "AUX_TA", .tamanho = 10},
    });
    DefinirCampos("cdsCFOP", {
        DeclCampo{.nome = "NUM_TA", .tamanho = 2, .visivel = false},
        DeclCampo{.nome = "COD_TA", .tamanho = 8, .rotulo = "Código"},
        DeclCampo{.nome = "DESC_TA", .tamanho = 77, .rotulo = "Descrição"},
        DeclCampo{.nome = "TAMCOD_TA", .tipo = TipoCampo::InteiroCurto},
        DeclCampo{.nome = "SIT_TA", .tamanho = 1},
        DeclCampo{.nome = "TRANS_TA", .tipo = TipoCampo::DataHora},
        DeclCampo{.nome = "AUX_TA", .tamanho = 10, .rotulo = "Contas a Pagar"},
    });
    AoAbrir("cdsCorMP", [this](db::ClientDataSet& ds) {
        if (db::Field* f = ds.FindField("COD_TA")) f->OnChange = [this](db::Field& c) { cdsCorMPCOD_TAChange(c); };
    });
    DataModuleCreate();
}

void TdmIBTProd::cdsCorMPCOD_TAChange(db::Field& sender) {
    if (sender.DataSet().State() != db::DataSetState::Edit) return;
    dm::VerificarMovimentoCodigo(Query("sqlVerifMovto"), "23", sender, "Existe movimento para a Cor");
}
