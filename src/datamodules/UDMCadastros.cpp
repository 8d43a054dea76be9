#include "datamodules/UDMCadastros.h"

#include "datamodules/UProcsIB.h"
#include "datamodules/URegrasCampos.h"
#include "rules/UContaContabil.h"
#include "rules/UServicos.h"

using dm::DeclCampo;
using dm::TipoCampo;

namespace {

const char* const kMascaraDataCliente = "!99/99/9999;1;_";
const char* const kMascaraDataRepres = "!99/99/0000;1;_";

}  // namespace

TdmIBCadastros::TdmIBCadastros(db::Connection* conexao) : TdmCadAncestral("dmIBCadastros", conexao) {
    for (const auto& p : dm::kProcsCadastros) DefinirProcedimento(p.stp, p.procedimento, p.params);

    // This database refreshes nothing after an apply except customers and addresses.
    for (const char* dsp : {"dspFornecedor", "dspRepresentante", "dspCContabil", "dspFilial"})
        DefinirProvider(dsp, dm::ModoAtualizacao::WhereAll, dm::SemOpcoes);

    Provider("dspCliente").OnBeforeUpdateRecord = [this](db::Provider& p, db::DeltaRecord& d, db::UpdateKind k,
                                                         bool& applied) { dspClienteBeforeUpdateRecord(p, d, k, applied); };

    DefinirCampos("cdsFornecedor", {
        DeclCampo{.nome = "CODIGO", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "NOME", .tamanho = 60, .rotulo = "Nome"},
        DeclCampo{.nome = "TIPO_FO", .tamanho = 2, .rotulo = "Tipo"},
        DeclCampo{.nome = "CNPJ_FO", .tamanho = 18, .obrigatorio = true, .rotulo = "CNPJ/CPF"},
    });
    DefinirCampos("cdsRepresentante", {
        DeclCampo{.nome = "COD_RE", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "NOME_RE", .tamanho = 60, .rotulo = "Nome"},
        DeclCampo{.nome = "IDENTIFIC_RE", .tamanho = 1, .rotulo = "Identificação"},
        DeclCampo{.nome = "CNPJ_RE", .tamanho = 18, .rotulo = "Cnpj/Cpf"},
        DeclCampo{.nome = "DTCADASTRO_RE", .tipo = TipoCampo::DataHora, .rotulo = "Dt Cadastro",
                  .mascara = kMascaraDataRepres},
    });
    DefinirCampos("cdsCContabil", {
        DeclCampo{.nome = "COD_CC", .tamanho = 13, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "DESC_CC", .tamanho = 60, .rotulo = "Descrição"},
    });
    DefinirCampos("cdsCCRepresentante", {
        DeclCampo{.nome = "REPRES_CC", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Representante"},
        DeclCampo{.nome = "DATA_CC", .tipo = TipoCampo::DataHora, .obrigatorio = true, .rotulo = "Data",
                  .mascara = kMascaraDataRepres},
        DeclCampo{.nome = "DOCTO_CC", .tamanho = 10, .obrigatorio = true, .rotulo = "Documento"},
        DeclCampo{.nome = "TIPO_CC", .tamanho = 2, .obrigatorio = true, .rotulo = "Tipo"},
        DeclCampo{.nome = "VALOR_CC", .tipo = TipoCampo::Decimal, .tamanho = 15, .escala = 2, .rotulo = "Valor",
                  .formatoExibicao = "#,##0.00"},
    });
    DefinirCampos("cdsCliente", {
        DeclCampo{.nome = "COD_CL", .tipo = TipoCampo::Inteiro, .rotulo = "Código",
                  .flags = dm::NaAtualizacao | dm::NaSelecao | dm::NaChave, .autoIncremento = true},
        DeclCampo{.nome = "NOME_CL", .tamanho = 60, .rotulo = "Nome", .flags = dm::NaAtualizacao},
        DeclCampo{.nome = "CIDADE_CL", .tamanho = 40, .rotulo = "Cidade", .flags = dm::NaAtualizacao},
        DeclCampo{.nome = "CGC_CL", .tamanho = 14, .rotulo = "Cnpj/Cpf", .flags = dm::NaAtualizacao},
        DeclCampo{.nome = "NUMPARC_CL", .tipo = TipoCampo::Inteiro, .rotulo = "Nº Parc.", .formatoExibicao = "00",
                  .flags = dm::NaAtualizacao},
        DeclCampo{.nome = "PRAZO_CL", .tamanho = 30, .rotulo = "Prazo", .flags = dm::NaAtualizacao},
        DeclCampo{.nome = "DTCADASTRO_CL", .tipo = TipoCampo::DataHora, .rotulo = "Dt Cadastro",
                  .mascara = kMascaraDataCliente},
    });
    DefinirCampos("cdsCidade", {
        DeclCampo{.nome = "COD_CI", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "NOME_CI", .tamanho = 40, .rotulo = "Cidade"},
        DeclCampo{.nome = "UF_CI", .tamanho = 2, .rotulo = "UF"},
    });
    DefinirCampos("cdsTabela", {
        DeclCampo{.nome = "NUM_TA", .tamanho = 2, .obrigatorio = true, .rotulo = "Tabela"},
        DeclCampo{.nome = "COD_TA", .tamanho = 8, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "DESC_TA", .tamanho = 75, .rotulo = "Descrição"},
        DeclCampo{.nome = "TAMCOD_TA", .tipo = TipoCampo::InteiroCurto, .rotulo = "Tamanho", .minimo = 1, .maximo = 8},
        DeclCampo{.nome = "SIT_TA", .tamanho = 1, .rotulo = "Situação"},
        DeclCampo{.nome = "TRANS_TA", .tipo = TipoCampo::DataHora},
    });
    DefinirCampos("cdsFilial", {
        DeclCampo{.nome = "COD_FI", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Código"},
        DeclCampo{.nome = "NOME_FI", .tamanho = 60, .rotulo = "Nome"},
        DeclCampo{.nome = "CGC_FI", .tamanho = 14, .rotulo = "CNPJ", .mascara = "99.999.999/9999-99;0;_"},
    });
    DefinirCampos("cdsCliContato", {
        DeclCampo{.nome = "CLIENTE_CO", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Cliente"},
        DeclCampo{.nome = "DEPTO_CO", .tamanho = 3, .obrigatorio = true, .rotulo = "Depto"},
        DeclCampo{.nome = "NOME_CO", .tamanho = 60, .rotulo = "Contato"},
        DeclCampo{.nome = "DTNASC_CO", .tipo = TipoCampo::DataHora, .rotulo = "Dt Nasc.", .mascara = kMascaraDataCliente},
    });
    DefinirCampos("cdsOBSNF", {
        DeclCampo{.nome = "FILIAL_OBS", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Filial"},
        DeclCampo{.nome = "COD_OBS", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Código"},
    });
    DefinirCampos("cdsUf", {
        DeclCampo{.nome = "UF_UF", .tamanho = 2, .obrigatorio = true, .rotulo = "UF"},
        DeclCampo{.nome = "NOME_UF", .tamanho = 40, .rotulo = "Estado"},
        DeclCampo{.nome = "ICMS_UF", .tipo = TipoCampo::Decimal, .tamanho = 15, .escala = 2, .rotulo = "% ICMS"},
    });
    DefinirCampos("cdsIndexador", {
        DeclCampo{.nome = "INDEXADOR_ID", .tipo = TipoCampo::Inteiro, .obrigatorio = true, .rotulo = "Indexador"},
        DeclCampo{.nome = "DATA_ID", .tipo = TipoCampo::DataHora, .obrigatorio = true, .rotulo = "Data",
                  .formatoExibicao = "dd/mm/yyyy"},
        DeclCampo{.nome = "VALOR_ID", .tipo = TipoCampo::Decimal, .tamanho = 15, .escala = 6, .rotulo = "Valor"},
    });

    VincularRegras();
    DataModuleCreate();
}

void TdmIBCadastros::VincularRegras() {
    using Campo = db::Field;
    auto getText = [this](void (TdmIBCadastros::*h)(Campo&, std::string&, bool)) {
        return [this, h](Campo& f, std::string& t, bool exibir) { (this->*h)(f, t, exibir); };
    };
    auto change = [this](void (TdmIBCadastros::*h)(Campo&)) { return [this, h](Campo& f) { (this->*h)(f); }; };

    AoAbrir("cdsFornecedor", [this, getText](db::ClientDataSet& ds) {
        if (Campo* f = ds.FindField("CNPJ_FO")) {
            f->OnGetText = getText(&TdmIBCadastros::cdsFilialCGC_FIGetText);
            f->OnSetText = [this](Campo& c, const std::string& t) { cdsFornecedorCNPJ_FOSetText(c, t); };
        }
    });
    AoAbrir("cdsRepresentante", [getText](db::ClientDataSet& ds) {
        if (Campo* f = ds.FindField("CNPJ_RE")) f->OnGetText = getText(&TdmIBCadastros::cdsFilialCGC_FIGetText);
    });
    AoAbrir("cdsCliente", [getText, change](db::ClientDataSet& ds) {
        if (Campo* f = ds.FindField("CGC_CL")) f->OnGetText = getText(&TdmIBCadastros::cdsClienteCGC_CLGetText);
        if (Campo* f = ds.FindField("NUMPARC_CL")) f->OnChange = change(&TdmIBCadastros::cdsClienteNUMPARC_CLChange);
    });
    AoAbrir("cdsCContabil", [getText](db::ClientDataSet& ds) {
        if (Campo* f = ds.FindField("COD_CC")) f->OnGetText = getText(&TdmIBCadastros::cdsCContabilCOD_CCGetText);
    });
    AoAbrir("cdsTabela", [change](db::ClientDataSet& ds) {
        if (Campo* f = ds.FindField("COD_TA")) f->OnChange = change(&TdmIBCadastros::cdsTabelaCOD_TAChange);
    });

    ClientDataSet("cdsCliente").BeforePost = [this](db::ClientDataSet& ds) { cdsClienteBeforePost(ds); };
    ClientDataSet("cdsFornecedor").BeforePost = [this](db::ClientDataSet& ds) { cdsFornecedorBeforePost(ds); };
    ClientDataSet("cdsRepresentante").BeforePost = [this](db::ClientDataSet& ds) { cdsRepresentanteBeforePost(ds); };
}

void TdmIBCadastros::cdsFilialCGC_FIGetText(db::Field& sender, std::string& text, bool) {
    const std::string valor = sender.AsString();
    text = valor.empty() ? std::string() : TServicos().FormataDocumento(valor);
}

void TdmIBCadastros::cdsFornecedorCNPJ_FOSetText(db::Field& sender, const std::string& text) {
    sender.SetAsString(dm::SoDigitos(text));
}

void TdmIBCadastros::cdsClienteCGC_CLGetText(db::Field& sender, std::string& text, bool) {
    text = dm::CnpjCpfPorPosicao(sender.AsString());
}

void TdmIBCadastros::cdsCContabilCOD_CCGetText(db::Field& sender, std::string& text, bool) {
    text = TContaContabil().FormatarConta(sender.AsString());
}

void TdmIBCadastros::cdsClienteNUMPARC_CLChange(db::Field& sender) { dm::AjustarMascaraPrazo(sender, "PRAZO_CL", false); }

void TdmIBCadastros::cdsTabelaCOD_TAChange(db::Field& sender) {
    dm::VerificarMovimentoCodigo(Query("sqlVerifMovto"), sender.DataSet().FieldByName("NUM_TA").Text(), sender,
                                 "Existe movimento para o código");
}

void TdmIBCadastros::cdsClienteBeforePost(db::ClientDataSet& dataSet) {
    db::Field& codigo = dataSet.FieldByName("COD_CL");
    if (codigo.AsInteger() != 0) return;
    db::StoredProc& stp = StoredProc("stpNovoCodCliente");
    std::int64_t novo = 0;
    try {
        stp.ExecProc();
        novo = stp.ParamByName("COD").AsInteger();
    } catch (...) {
        stp.Close();
        throw;
    }
    stp.Close();
    codigo.SetAsInteger(novo);
}

void TdmIBCadastros::cdsFornecedorBeforePost(db::ClientDataSet&) {}

void TdmIBCadastros::cdsRepresentanteBeforePost(db::ClientDataSet&) {}

void TdmIBCadastros::dspFornecedorUpdateError(db::Provider& sender, const db::Error& e, db::DeltaRecord& delta,
                                              db::UpdateKind kind, db::UpdateResponse& response) {
    TdmCadAncestral::dspFornecedorUpdateError(sender, e, delta, kind, response);
    throw e;
}

void TdmIBCadastros::dspClienteBeforeUpdateRecord(db::Provider&, db::DeltaRecord& delta, db::UpdateKind, bool&) {
    DefinirCamposChave(delta, "COD_CL");
}
