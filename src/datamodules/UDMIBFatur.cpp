#include "datamodules/UDMIBFatur.h"

#include "datamodules/UProcsIB.h"

using dm::DeclCampo;
using dm::TipoCampo;

namespace {

DeclCampo Dinheiro(const char* nome, const char* rotulo) {
    return DeclCampo{.nome = nome, .tipo = TipoCampo::Decimal, .tamanho = 15, .escala = 2, .rotulo = rotulo,
                     .formatoExibicao = "#,##0.00", .padrao = "0"};
}

}  // namespace

TdmIBFatur::TdmIBFatur(db::Connection* conexao) : TdmFatur("dmIBFatur", conexao) {
    for (const auto& p : dm::kProcsFatur) DefinirProcedimento(p.stp, p.procedimento, p.params);

    DefinirCampos("cdsNotaSai", {
        DeclCampo{.nome = "DOCTO_NS", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Nota"},
        DeclCampo{.nome = "FILIAL_NS", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Filial"},
        Dinheiro("VALOR_NS", "Valor"),
        Dinheiro("VRENTRADA_NS", "Vr Entrada"),
        Dinheiro("VRMERC_NS", "Vr Mercadoria"),
        Dinheiro("BICMS_NS", "Base ICMS"),
        Dinheiro("VRICMS_NS", "Vr ICMS"),
        Dinheiro("BIPI_NS", "Base IPI"),
        Dinheiro("VRIPI_NS", "Vr IPI"),
        Dinheiro("VRFRETE_NS", "Vr Frete"),
        Dinheiro("VRICMFRETE_NS", "Vr ICMS Frete"),
        Dinheiro("BICMFRETE_NS", "Base ICMS Frete"),
        Dinheiro("VRDESPESA_NS", "Vr Despesa"),
        Dinheiro("VRDESCTO_NS", "Vr Desconto"),
        Dinheiro("DESCTO1_NS", "% Desconto 1"),
        Dinheiro("DESCTO2_NS", "% Desconto 2"),
        Dinheiro("VRACRESCIMO_NS", "Vr Acréscimo"),
        Dinheiro("ABATIMENTO_NS", "Abatimento"),
        Dinheiro("ALIQICMS_NS", "% ICMS"),
    });
    DefinirCampos("cdsNotaEnt", {
        DeclCampo{.nome = "FILIAL_NE", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Filial"},
        DeclCampo{.nome = "FORNEC_NE", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Fornecedor"},
        DeclCampo{.nome = "DOCTO_NE", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Nota"},
        DeclCampo{.nome = "SERIE_NE", .tamanho = 3, .obrigatorio = true, .rotulo = "Série"},
        DeclCampo{.nome = "CFISICM_NE", .tipo = TipoCampo::InteiroCurto, .rotulo = "C.Fiscal ICMS", .padrao = "1"},
    });

    DataModuleCreate();
}
