#include "datamodules/UDMIBProducao.h"

#include "datamodules/UProcsIB.h"
#include "datamodules/URegrasCampos.h"

using dm::DeclCampo;
using dm::TipoCampo;

namespace {

const char* const kMascaraData = "!99/99/0000;1;_";

DeclCampo Dinheiro(const char* nome, const char* rotulo) {
    return DeclCampo{.nome = nome, .tipo = TipoCampo::Decimal, .tamanho = 15, .escala = 2, .rotulo = rotulo,
                     .formatoExibicao = "#,##0.00", .padrao = "0"};
}

}  // namespace

TdmIBProducao::TdmIBProducao(db::Connection* conexao) : TdmProducao("dmIBProducao", conexao) {
    for (const auto& p : dm::kProcsProducao) DefinirProcedimento(p.stp, p.procedimento, p.params);

    VincularBeforeUpdateRecord("dspNotaEnt", &TdmIBProducao::dspNotaEntBeforeUpdateRecord);
    VincularBeforeUpdateRecord("dspMPrima", &TdmIBProducao::dspMPrimaBeforeUpdateRecord);
    VincularBeforeUpdateRecord("dspProduto", &TdmIBProducao::dspProdutoBeforeUpdateRecord);
    VincularBeforeUpdateRecord("dspPedVenda", &TdmIBProducao::dspPedVendaBeforeUpdateRecord);

    DefinirCampos("cdsMPrima", {
        DeclCampo{.nome = "COD_MP", .tamanho = 8, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "DESC_MP", .tamanho = 60, .rotulo = "Descrição"},
    });
    DefinirCampos("cdsProduto", {
        DeclCampo{.nome = "COD_PR", .tamanho = 8, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "DESC_PR", .tamanho = 60, .rotulo = "Descrição"},
    });
    DefinirCampos("cdsPedVenda", {
        DeclCampo{.nome = "NUM_PV", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Pedido"},
        DeclCampo{.nome = "CLIENTE_PV", .tipo = TipoCampo::Inteiro, .rotulo = "Cliente"},
        DeclCampo{.nome = "NUMPARC_PV", .tipo = TipoCampo::Inteiro, .rotulo = "Nº Parc.", .formatoExibicao = "00"},
        DeclCampo{.nome = "PRAZO_PV", .tamanho = 50, .rotulo = "Cond.pagto."},
        DeclCampo{.nome = "EMISSAO_PV", .tipo = TipoCampo::DataHora, .rotulo = "Emissão", .mascara = "!99/99/9999;1;_"},
        DeclCampo{.nome = "VALOR_PV", .tipo = TipoCampo::Decimal, .tamanho = 15, .escala = 2, .rotulo = "Valor",
                  .formatoExibicao = "#,##0.00"},
        // Held only in the record set.
        DeclCampo{.nome = "COD_TABPRECOS", .tamanho = 8, .calculado = true},
        DeclCampo{.nome = "COD_PRAZOPAGTO", .tamanho = 8, .calculado = true},
        DeclCampo{.nome = "VALIDACAO_PARCELAS", .tamanho = 1, .calculado = true},
        DeclCampo{.nome = "PRAZO_MEDIO", .tipo = TipoCampo::Inteiro, .calculado = true},
    });
    DefinirCampos("cdsNotaEnt", {
        DeclCampo{.nome = "FILIAL_NE", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Filial"},
        DeclCampo{.nome = "FORNEC_NE", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Fornecedor"},
        DeclCampo{.nome = "DOCTO_NE", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Nota"},
        DeclCampo{.nome = "SERIE_NE", .tamanho = 3, .obrigatorio = true, .rotulo = "Série"},
        Dinheiro("VALOR_NE", "Valor"),
        Dinheiro("BICM_NE", "Base ICMS"),
        Dinheiro("VRICM_NE", "Vr ICMS"),
        Dinheiro("BIPI_NE", "Base IPI"),
        Dinheiro("VRIPI_NE", "Vr IPI"),
        Dinheiro("VRFRETE_NE", "Vr Frete"),
        Dinheiro("BICMFRETE_NE", "Base ICMS Frete"),
        Dinheiro("VRICMFRETE_NE", "Vr ICMS Frete"),
        Dinheiro("VRDESPESA_NE", "Vr Despesa"),
        Dinheiro("VRDESCTO_NE", "Vr Desconto"),
        Dinheiro("DESCTO_NE", "% Desconto"),
        Dinheiro("VRSERVICO_NE", "Vr Serviço"),
    });
    DefinirCampos("cdsProgr", {
        DeclCampo{.nome = "NUM_PO", .tamanho = 6, .obrigatorio = true, .rotulo = "Programação"},
        DeclCampo{.nome = "DATA_PO", .tipo = TipoCampo::DataHora, .obrigatorio = true, .rotulo = "Data"},
    });
    DefinirCampos("cdsExterno", {
        DeclCampo{.nome = "TERCEIRIZADO_EX", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Terceirizado"},
        DeclCampo{.nome = "TP_SERV_EX", .tamanho = 2, .obrigatorio = true, .rotulo = "Tipo Serviço"},
        DeclCampo{.nome = "PROG_EX", .tamanho = 6, .obrigatorio = true, .rotulo = "Programação"},
        DeclCampo{.nome = "FICHA_EX", .tamanho = 4, .obrigatorio = true, .rotulo = "Ficha"},
        DeclCampo{.nome = "SUBFICHA_EX", .tamanho = 4, .obrigatorio = true, .rotulo = "SubFicha"},
        DeclCampo{.nome = "SAIDA_EX", .tipo = TipoCampo::DataHora, .rotulo = "Saída", .mascara = kMascaraData},
        DeclCampo{.nome = "RETORNO_EX", .tipo = TipoCampo::DataHora, .rotulo = "Retorno", .mascara = kMascaraData},
    });
    DefinirCampos("cdsPreco", {
        DeclCampo{.nome = "COD_TP", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "MES_INI_TP", .tamanho = 5, .rotulo = "Mês Inicial", .mascara = "!99/99;1;_"},
        DeclCampo{.nome = "MES_FIM_TP", .tamanho = 5, .rotulo = "Mês Final", .mascara = "!99/99;1;_"},
    });
    DefinirCampos("cdsPrecoSer", {
        DeclCampo{.nome = "TERCEIRIZADO_PS", .tipo = TipoCampo::Inteiro, .rotulo = "Terceirizado"},
        DeclCampo{.nome = "PROD_PS", .tamanho = 8, .rotulo = "Produto"},
        DeclCampo{.nome = "TP_SERV_PS", .tamanho = 2, .rotulo = "Tipo Serviço"},
        DeclCampo{.nome = "VALOR_PS", .tipo = TipoCampo::Decimal, .tamanho = 15, .escala = 2, .rotulo = "Valor",
                  .formatoExibicao = "#,##0.00"},
    });
    DefinirCampos("cdsTerceirizado", {
        DeclCampo{.nome = "COD_BA", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "NOME_BA", .tamanho = 60, .rotulo = "Nome"},
    });
    DefinirCampos("cdsSetor", {
        DeclCampo{.nome = "COD_SE", .tamanho = 2, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "NOME_SE", .tamanho = 15, .rotulo = "Setor"},
    });

    AoAbrir("cdsPedVenda", [this](db::ClientDataSet& ds) {
        if (db::Field* f = ds.FindField("NUMPARC_PV"))
            f->OnChange = [this](db::Field& c) { cdsPedVendaNUMPARC_PVChange(c); };
    });

    DataModuleCreate();
}

void TdmIBProducao::cdsPedVendaNUMPARC_PVChange(db::Field& sender) { dm::AjustarMascaraPrazo(sender, "PRAZO_PV", true); }

void TdmIBProducao::dspMPrimaUpdateError(db::Provider& sender, const db::Error& e, db::DeltaRecord& delta,
                                         db::UpdateKind kind, db::UpdateResponse& response) {
    TdmProducao::dspMPrimaUpdateError(sender, e, delta, kind, response);
    throw e;
}

void TdmIBProducao::dspNotaEntBeforeUpdateRecord(db::Provider&, db::DeltaRecord& delta, db::UpdateKind, bool&) {
    DefinirCamposChave(delta, "FILIAL_NE;FORNEC_NE;DOCTO_NE;SERIE_NE");
}
void TdmIBProducao::dspMPrimaBeforeUpdateRecord(db::Provider&, db::DeltaRecord& delta, db::UpdateKind, bool&) {
    DefinirCamposChave(delta, "COD_MP");
}
void TdmIBProducao::dspProdutoBeforeUpdateRecord(db::Provider&, db::DeltaRecord& delta, db::UpdateKind, bool&) {
    DefinirCamposChave(delta, "COD_PR");
}
void TdmIBProducao::dspPedVendaBeforeUpdateRecord(db::Provider&, db::DeltaRecord& delta, db::UpdateKind, bool&) {
    DefinirCamposChave(delta, "NUM_PV");
}
