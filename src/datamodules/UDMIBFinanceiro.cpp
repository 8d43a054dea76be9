#include "datamodules/UDMIBFinanceiro.h"

#include "datamodules/UProcsIB.h"
#include "datamodules/URegrasCampos.h"
#include "platform/DataHora.h"
#include "rules/UContaContabil.h"

using dm::DeclCampo;
using dm::TipoCampo;

namespace {

DeclCampo Dinheiro(const char* nome, const char* rotulo) {
    return DeclCampo{.nome = nome, .tipo = TipoCampo::Decimal, .tamanho = 15, .escala = 2, .rotulo = rotulo,
                     .formatoExibicao = "#,##0.00", .padrao = "0"};
}

const char* const kMascaraData = "!99/99/9999;1;_";

}  // namespace

TdmIBFinanceiro::TdmIBFinanceiro(db::Connection* conexao) : TdmFinanceiro("dmIBFinanceiro", conexao) {
    for (const auto& p : dm::kProcsFinanceiro) DefinirProcedimento(p.stp, p.procedimento, p.params);

    VincularBeforeUpdateRecord("dspChequesRec", &TdmIBFinanceiro::dspChequesRecBeforeUpdateRecord);

    DefinirCampos("cdsConta", {
        DeclCampo{.nome = "COD_CO", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "DESCRICAO_CO", .tamanho = 40, .rotulo = "Descrição"},
        DeclCampo{.nome = "BANCO_CO", .tamanho = 3, .rotulo = "Banco"},
        DeclCampo{.nome = "COBRANCA_COM_PROTESTO_CO", .tamanho = 1, .rotulo = "Protesto"},
        DeclCampo{.nome = "NDIAS_PROTESTO_CO", .tipo = TipoCampo::Inteiro, .rotulo = "Dias Protesto", .minimo = 0,
                  .maximo = 60},
        DeclCampo{.nome = "DESATIVA_CO", .tamanho = 1, .rotulo = "Desativada"},
    });
    DefinirCampos("cdsDuplicatas", {
        DeclCampo{.nome = "NUM_DP", .tamanho = 10, .obrigatorio = true, .rotulo = "Número"},
        DeclCampo{.nome = "ORD_DP", .tamanho = 2, .obrigatorio = true, .rotulo = "Ordem"},
        DeclCampo{.nome = "FILIAL_DP", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Filial"},
        DeclCampo{.nome = "EMISSAO_DP", .tipo = TipoCampo::DataHora, .rotulo = "Emissão", .mascara = kMascaraData},
        DeclCampo{.nome = "VENCTO_DP", .tipo = TipoCampo::DataHora, .rotulo = "Vencimento", .mascara = kMascaraData},
        DeclCampo{.nome = "CODCONTABIL_DP", .tamanho = 13, .rotulo = "C.Contábil"},
    });
    DefinirCampos("cdsChequesRec", {
        DeclCampo{.nome = "NUM_CH", .tamanho = 10, .rotulo = "Número"},
        DeclCampo{.nome = "BANCO_CH", .tamanho = 3, .rotulo = "Banco"},
        DeclCampo{.nome = "AGENCIA_CH", .tamanho = 6, .rotulo = "Agência"},
        DeclCampo{.nome = "CONTA_CH", .tamanho = 15, .rotulo = "Conta"},
        DeclCampo{.nome = "CNPJ_EMITENTE_CH", .tamanho = 18, .rotulo = "CNPJ Emitente"},
        DeclCampo{.nome = "DTCADASTRO_CH", .tipo = TipoCampo::DataHora, .rotulo = "Dt Cadastro",
                  .formatoExibicao = "dd/mm/yyyy"},
    });
    DefinirCampos("cdsTitulo", {
        DeclCampo{.nome = "NUM_TI", .tamanho = 10, .obrigatorio = true, .rotulo = "Número"},
        DeclCampo{.nome = "ORD_TI", .tamanho = 2, .obrigatorio = true, .rotulo = "Ordem"},
        DeclCampo{.nome = "FILIAL_TI", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Filial"},
        DeclCampo{.nome = "FORNEC_TI", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Fornecedor"},
        Dinheiro("PERCJUROS_TI", "% Juros"),
        Dinheiro("VALORNOTA_TI", "Valor Nota"),
        Dinheiro("VALOR_TI", "Valor"),
    });
    DefinirCampos("cdsAvisoDeb", {
        DeclCampo{.nome = "NUM_AV", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Número"},
        Dinheiro("VALMIN_AV", "Valor Mínimo"),
        Dinheiro("VALDESP_AV", "Despesas"),
        Dinheiro("TXJUROS_AV", "Taxa Juros"),
    });
    DefinirCampos("cdsCCusto", {
        DeclCampo{.nome = "NUMDUP_CC", .tamanho = 10, .obrigatorio = true, .rotulo = "Número"},
        DeclCampo{.nome = "FILIAL_CC", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Filial"},
        DeclCampo{.nome = "FORNEC_CC", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Fornecedor"},
        DeclCampo{.nome = "CODCONTAB_CC", .tamanho = 7, .rotulo = "C.Contábil", .mascara = "9.9.999;0;_"},
    });

    AoAbrir("cdsChequesRec", [this](db::ClientDataSet& ds) {
        if (db::Field* f = ds.FindField("CNPJ_EMITENTE_CH"))
            f->OnGetText = [this](db::Field& c, std::string& t, bool exibir) {
                cdsChequesRecCNPJ_EMITENTE_CHGetText(c, t, exibir);
            };
    });
    AoAbrir("cdsDuplicatas", [this](db::ClientDataSet& ds) {
        if (db::Field* f = ds.FindField("CODCONTABIL_DP"))
            f->OnGetText = [this](db::Field& c, std::string& t, bool exibir) {
                cdsDuplicatasCODCONTABIL_DPGetText(c, t, exibir);
            };
    });
    ClientDataSet("cdsChequesRec").AfterInsert = [this](db::ClientDataSet& ds) { cdsChequesRecAfterInsert(ds); };

    DataModuleCreate();
}

void TdmIBFinanceiro::cdsChequesRecCNPJ_EMITENTE_CHGetText(db::Field& sender, std::string& text, bool) {
    text = dm::CnpjCpfPorPosicao(sender.AsString());
}

void TdmIBFinanceiro::cdsDuplicatasCODCONTABIL_DPGetText(db::Field& sender, std::string& text, bool) {
    text = TContaContabil().FormatarConta(dm::SoDigitos(sender.AsString()));
}

void TdmIBFinanceiro::cdsChequesRecAfterInsert(db::ClientDataSet& dataSet) {
    dataSet.FieldByName("DTCADASTRO_CH").SetAsDateTime(plat::Agora());
}

void TdmIBFinanceiro::dspChequesRecBeforeUpdateRecord(db::Provider&, db::DeltaRecord& delta, db::UpdateKind, bool&) {
    DefinirCamposChave(delta, "NUM_CH;BANCO_CH;AGENCIA_CH;CONTA_CH");
}
