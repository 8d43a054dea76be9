#include "datamodules/UDMIBTipos.h"

using dm::DeclCampo;
using dm::TipoCampo;

TdmIBTipos::TdmIBTipos(db::Connection* conexao) : TdmTiposAncestral("dmIBTipos", conexao) {
    DefinirCampos("cdsBanco", {
        DeclCampo{.nome = "NUM_TA", .tamanho = 2, .obrigatorio = true, .rotulo = "Tabela"},
        DeclCampo{.nome = "COD_TA", .tamanho = 8, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "DESC_TA", .tamanho = 45, .rotulo = "Banco"},
        DeclCampo{.nome = "TAMCOD_TA", .tipo = TipoCampo::InteiroCurto},
        DeclCampo{.nome = "SIT_TA", .tamanho = 1},
        DeclCampo{.nome = "TRANS_TA", .tipo = TipoCampo::DataHora},
    });
    DefinirCampos("cdsCarteira", {
        DeclCampo{.nome = "BANCO_CA", .tamanho = 3, .obrigatorio = true, .rotulo = "Banco"},
        DeclCampo{.nome = "CODIGO_CA", .tamanho = 3, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "DESCRICAO_CA", .tamanho = 30, .rotulo = "Descrição"},
    });
    DataModuleCreate();
}
