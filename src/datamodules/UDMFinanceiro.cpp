#include "datamodules/UDMFinanceiro.h"

#include <stdexcept>

#include "platform/Mensagens.h"

namespace {
// Components of the finance module.
dm::Catalogo CatalogoFinanceiro() {
    using namespace dm;
    Catalogo c;
    c.Cadeia("Conta", LeituraRegistro("CONTA", "COD_CO=:cod"), {"cod"});
    c.Cadeia("Duplicatas", LeituraRegistro("DUPLICATAS", "NUM_DP=:num, ORD_DP=:ord, FILIAL_DP=:filial"));
    c.Cadeia("Cheque", LeituraRegistro("CHEQUE", "NUMERO_CH=:num, CONTA_CH=:conta"));
    c.Cadeia("Recebto", LeituraRegistro("RECEBTO", ""));
    c.Cadeia("Lancto", LeituraRegistro("LANCTO", "CODLANCTO_LA=:cod"));
    c.Cadeia("Saldo", LeituraRegistro("SALDO", "", "DATA_SA"));
    c.Cadeia("ChequesRec", LeituraRegistro("CHEQUES_REC", "NUM_CH=:num, BANCO_CH=:banco, CONTA_CH=:conta, AGENCIA_CH=:agencia"));
    c.Cadeia("Tarifas", LeituraRegistro("TARIFAS_DUPLIC", "NUM_TA=:num, ORD_TA=:ord, FILIAL_TA=:filial, BANCO_TA=:banco, "
                                                          "CODIGO_TA=:cod"));
    c.queries.push_back({"sqlRetorno", LeituraRegistro("ARETORNO", "NUM_RE=:num, ORD_RE=:ord, FILIAL_RE=:filial, DATA_RE=:data")});
    c.providers.push_back({"dspRetorno", "sqlRetorno"});
    c.cds.push_back({"cdsARetorno", "dspRetorno"});
    c.Cadeia("OcorrBco", LeituraRegistro("OCORRBCO", "COD_OC=:cod, BANCO_OC=:banco"));
    c.Cadeia("Proced", LeituraRegistro("PROCEDIMENTO", "COD_PR=:cod", "DESCRICAO_PR"));
    // Declared without a statement; its provider has a slightly different stem and the
    // record set is not attached to it.
    c.queries.push_back({"sqlCh_Duplic", ""});
    c.providers.push_back({"dspCd_Duplic", "sqlCh_Duplic"});
    c.cds.push_back({"cdsCh_Duplic", ""});
    c.Cadeia("Carteira", LeituraRegistro("CARTEIRA", "CODIGO_CA=:cod, BANCO_CA=:banco"));
    c.Cadeia("Pagamento", LeituraRegistro("PAG_CH_DUPLIC", "COD_PA=:cod"));
    c.Cadeia("Lote", LeituraRegistro("LOTE", "NUM_LT=:cod"));
    c.Cadeia("AgrupAv", "SELECT * FROM AGRUPAVISODEB(:cliente, :repres, :filial1, :filial2, :filial3, :filial4, :dtIni, "
                        ":dtFim, :txJuros, :valMin, :valDesp, :situacao, :diasLimite)");
    c.Cadeia("AvisoDebRep", LeituraRegistro("AVISODEBREP", "NUM_ADR=:cod"));
    c.Cadeia("CCusto", LeituraRegistro("CCUSTO", "NUMDUP_CC=:num, FILIAL_CC=:filial, FORNEC_CC=:fornec"));
    c.Cadeia("Titulo", LeituraRegistro("TITULO", "NUM_TI=:num, ORD_TI=:ord, FILIAL_TI=:filial, FORNEC_TI=:fornec"));
    c.Cadeia("Pagto", LeituraRegistro("PAGTO", "COD_PG=:cod"));
    c.Cadeia("LanctoFil", LeituraRegistro("LANCTO_FILIAL", "COD_LF=:cod"));
    c.Cadeia("OBSNF", LeituraRegistro("OBSNF", "COD_OBS=:cod"));
    c.Cadeia("Lanctos", "SELECT * FROM LANCTOS(:datala, :conta)");
    c.Cadeia("ExtCnab", LeituraRegistro("EXTCNAB", "CONTA_CN=:cod", "CARTEIRA_CN, TIPOARQ_CN, TIPOREG_CN, POSINI_CN"));
    c.Cadeia("camposcnab", LeituraRegistro("CAMPOSCNAB", "COD_CB=:cod"));
    c.Cadeia("AvisoDeb", LeituraRegistro("AVISODEB", "NUM_AV=:cod"));
    c.Cadeia("CCob", LeituraRegistro("CARTACOBRANCA", "CODCARTA_CCO=:cod"));
    c.Cadeia("ReciboAvulso", LeituraRegistro("RECIBO_AVULSO", "CODIGO_RA=:cod"), {"cod"});

    // The budget check's statements, read directly.
    c.queries.push_back({"sqlPrevOrc", "select FILIAL_PO, PREVISAO_PO, REALIZADO_PO from PREVISAO_ORCAMENTARIA where "
                                       "CODCONTABIL_PO=:CODCONT and ANO_PO=:ANO and MES_PO=:MES"});
    c.queries.push_back({"sqlPrevOrcLanc",
                         "select DATA_LANC_PL, FILIAL_ORC_PL, VENCTO_ORC_PL, VALOR_ORC_PL, TITULO_PED_PL, ENTSAI_PL from "
                         "PREVISAO_ORC_LANC where NUM_TIT_PL=:NUM and ORD_TIT_PL=:ORD and FILIAL_PL=:FIL and "
                         "FORNEC_PL=:FORNEC and CODCONT_ORC_PL=:CODCONT order by DATA_LANC_PL"});
    c.queries.push_back({"sqlPrevOrcLancPed",
                         "select DATA_LANC_PL, FILIAL_ORC_PL, VENCTO_ORC_PL, VALOR_ORC_PL, TITULO_PED_PL, ENTSAI_PL from "
                         "PREVISAO_ORC_LANC where NUM_PED_PL=:NUM and FILIAL_PL=:FIL and CODCONT_ORC_PL=:CODCONT order "
                         "by DATA_LANC_PL"});

    for (const char* n :
         {"stpRecebto",        "stpCancelBaixa",      "stpCriaPag",       "stpPagaDup",         "stpIncCheque",
          "stpPagaCh",         "stpUpdateDup",        "stpAvisoDebID",    "stpGeraAvisoCli",    "stpExcluiCh_Dup",
          "stpAvDepRep",       "stpUpDupAvDebRep",    "stpPagto",         "stpPagaDupQ",        "stpCancelaPagto",
          "stpLanctoID",       "stpInsertTit",        "stpSelDupBco",     "stpDesSelDupBco",    "stpSqlTitBco",
          "stpDesSelTitBco",   "stpExcluiDupRecebto", "stpRecebtoAvDebRep", "stpNullDup",       "stpAtualizaAbat",
          "stpNumAvProrr",     "stpMarcaAvProrr",     "stpSelDupCarta",   "stpDesSelDupCarta",  "stpAddLancto",
          "stpDebCredSaldo",   "stpUltSaldo",         "stpExtCnabID",     "stpcamposid",        "stpLanctoFilID",
          "stpUpdateNumRem",   "stpNullDataQuitacao", "stpNumRemessa",    "stpBloqclie",        "stpRetornoBanco",
          "stpDesbloqCli",     "stpProxRel",          "stpTarifaRet",     "stpInsertTitLancto", "stpInsertTitFtVenda",
          "stpAtuConta",       "stpInsertDup"})
        c.Proc(n, "");

    for (auto& p : c.providers)
        if (p.nome == "dspChequesRec") p.modo = ModoAtualizacao::WhereKeyOnly;
    return c;
}
}  // namespace

TdmFinanceiro::TdmFinanceiro(std::string nome, db::Connection* conexao) : dm::TDataModule(std::move(nome), conexao) {
    Construir(CatalogoFinanceiro());

    VincularUpdateError("dspLanctoFil", &TdmFinanceiro::dspLanctoFilUpdateError);
    VincularUpdateError("dspConta", &TdmFinanceiro::dspContaUpdateError);
    VincularUpdateError("dspTitulo", &TdmFinanceiro::dspTituloUpdateError);
    VincularUpdateError("dspReciboAvulso", &TdmFinanceiro::dspReciboAvulsoUpdateError);
    for (const char* dsp : {"dspDuplicatas", "dspCheque", "dspRecebto", "dspLancto", "dspSaldo", "dspChequesRec",
                            "dspTarifas", "dspRetorno", "dspOcorrBco", "dspProced", "dspCd_Duplic", "dspCarteira",
                            "dspPagamento", "dspLote", "dspAvisoDeb", "dspAgrupAv", "dspAvisoDebRep", "dspCCusto",
                            "dspPagto", "dspOBSNF", "dspLanctos", "dspExtCnab", "dspcamposcnab", "dspCCob"})
        VincularUpdateError(dsp, &TdmFinanceiro::dspContaUpdateError);
    ClientDataSet("cdsTitulo").OnDeleteError = [this](db::ClientDataSet& ds, const std::exception& e,
                                                      db::DataAction& a) { cdsTituloDeleteError(ds, e, a); };
}

bool TdmFinanceiro::VerificarOrcamentoTitulo(const std::string&, const std::string&, int, int, db::TDateTime,
                                             db::Currency, const std::string&) {
    return false;
}

bool TdmFinanceiro::VerificarOrcamentoPedido(int, int, db::TDateTime, db::Currency, const std::string&) {
    return false;
}

void TdmFinanceiro::dspLanctoFilUpdateError(db::Provider&, const db::Error& e, db::DeltaRecord&, db::UpdateKind,
                                            db::UpdateResponse& response) {
    plat::Erro(std::string("Operação não concluída com sucesso.") + '\r' + e.what());
    response = db::UpdateResponse::Ignore;
}

void TdmFinanceiro::dspContaUpdateError(db::Provider&, const db::Error& e, db::DeltaRecord&, db::UpdateKind,
                                        db::UpdateResponse&) {
    throw e;
}
void TdmFinanceiro::dspTituloUpdateError(db::Provider&, const db::Error& e, db::DeltaRecord&, db::UpdateKind,
                                         db::UpdateResponse&) {
    throw e;
}
void TdmFinanceiro::dspReciboAvulsoUpdateError(db::Provider&, const db::Error& e, db::DeltaRecord&, db::UpdateKind,
                                               db::UpdateResponse&) {
    throw e;
}

void TdmFinanceiro::cdsTituloDeleteError(db::ClientDataSet&, const std::exception&, db::DataAction& action) {
    plat::Erro(
        "Não foi possível excluir, pois existe movimentação para este registro, ou o registro foi excluído por outro "
        "usuário.");
    action = db::DataAction::Abort;
}
