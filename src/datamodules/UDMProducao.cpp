#include "datamodules/UDMProducao.h"

#include <stdexcept>

#include "platform/Mensagens.h"

namespace {
// Components of the production module.
dm::Catalogo CatalogoProducao() {
    using namespace dm;
    Catalogo c;
    auto cadeia = [&](const std::string& cds, const std::string& dsp, const std::string& sql, const std::string& texto) {
        c.queries.push_back({sql, texto});
        c.providers.push_back({dsp, sql});
        c.cds.push_back({cds, dsp});
    };
    c.Cadeia("MPrima", LeituraRegistro("MPRIMA", "COD_MP=:cod"));
    c.Cadeia("Produto", LeituraRegistro("PRODUTO", "COD_PR=:cod"), {"cod"});
    c.Cadeia("Ftecnica", LeituraRegistro("PFTECNICA", "COD_FT=:Cod"));
    c.Cadeia("PedCompra", LeituraRegistro("PEDCOMPRA", "NUM_PC=:cod"));
    c.Cadeia("ItensPC", LeituraRegistro("ITENSPEDCOMPRA", "NUM_PC=:num, ITEM_IPC=:item"));
    c.Cadeia("ItensPCG", LeituraRegistro("ITEMGRADECOMPRA", "NUM_PC=:num, ITEM_IPC=:item, ORDEM_IPCG=:ordem"));
    c.Cadeia("PedVenda", LeituraRegistro("PEDVENDA", "NUM_PV=:cod"));
    c.Cadeia("NotaEnt", LeituraRegistro("NOTAENT", "FILIAL_NE=:FILIAL, FORNEC_NE=:FORNEC, DOCTO_NE=:DOCTO, SERIE_NE=:SERIE, "
                                                   "CLIFOR_NE=:CLIFOR"));
    c.Cadeia("EntMP", LeituraRegistro("ENTRADAMP", "MPRIMA_EMP=:MPRIMA, COR_EMP=:COR, TAMANHO_EMP=:TAMANHO, MARCA_EMP=:MARCA, "
                                                   "DOCTO_EMP=:DOCTO, SERIE_EMP=:SERIE, FORNEC_EMP=:FORNEC, FILIAL_EMP=:FILIAL"));
    c.Cadeia("PedNFE", LeituraRegistro("PEDIDO_NFE", "FILIAL_NFE=:FILIAL, FORNEC_NFE=:FORNEC, NUMNOTA_NFE=:DOCTO, "
                                                     "SERIE_NFE=:SERIE, NUMPED_NFE=:PEDIDO"));
    c.Cadeia("DevolNFE", LeituraRegistro("DEVOL_NFE", "FILIAL_DEN=:FILIAL, FORNEC_DNE=:FORNEC, NUMNOTA_DNE=:DOCTO, "
                                                      "SERIE_DNE=:SERIE, NFSAIDA_DNE=:NUMNS, SERSAIDA_DNE=:SERNS"));
    c.Cadeia("NotaSai", LeituraRegistro("NOTASAI", "DOCTO_NS=:docto, FILIAL_NS=:filial"));
    c.Cadeia("ItensNS", LeituraRegistro("ITENSNS", "DOCTO_SA=:docto, FILIAL_SA=:filial, SERIE_SA=:serie"));
    c.Cadeia("EstoqueMP", LeituraRegistro("ESTOQUEMP", "FILIAL_EP=:filial, MPRIMA_EP=:mprima, COR_EP=:cor, "
                                                       "TAMANHO_EP=:tam, MARCA_EP=:marca"),
             {}, false);
    c.Cadeia("EstMes", "SELECT * FROM ESTOQUEMP_MES WHERE filial_em =:filial AND mprima_em = :mp AND cor_em = :cor AND "
                       "tam_em = :tam AND marca_em = :marca AND ((ano_em >= :anoI AND mes_em >= :mesI) OR (ano_em <= :anoF "
                       "AND mes_em <= :mesF))");
    c.Cadeia("SaidaMP", LeituraRegistro("SAIDAMP", "FILIAL_SMP=:filial, MPRIMA_SMP=:mprima, COR_SMP=:cor, MARCA_SMP=:marca, "
                                                   "TAM_SMP=:tam, DOCTO_SMP=:docto"));
    c.Cadeia("ItensPv", LeituraRegistro("ITENSPV", "PEDIDO_IT=:PED", "PEDIDO_IT, ITEM_IT"));
    c.Cadeia("ItensPvGrade", LeituraRegistro("ITENSPVGRADE", "PEDIDO_IT=:PED"));
    c.Cadeia("Terceirizado", LeituraRegistro("TERCEIRIZADO", "COD_BA=:cod"));
    c.Cadeia("Exclusiv", LeituraRegistro("EXCLUSIVIDADE", "COD_EX=:COD"));
    cadeia("cdsPrecoSer", "dtpPrecoSer", "sqlPrecoSer",
           LeituraRegistro("PRECOSER", "TERCEIRIZADO_PS=:TERCPS, PROD_PS=:PRODPS, TP_SERV_PS=:TPSERVPS"));
    cadeia("cdsImpDespesa", "dspImpDesp", "sqlImpostoDespesa", LeituraRegistro("IMPDESPESA", "CODIGO_ID=:COD"));
    c.Cadeia("Progr", LeituraRegistro("PROGRAMACAO", "NUM_PO=:num, DATA_PO=:data"));
    c.Cadeia("Padroniz", LeituraRegistro("PADRONIZ", "CODIGO_PA=:cod"));
    c.Cadeia("Padroniz_Produto", LeituraRegistro("PADRONIZ_PRODUTO", ""));
    c.Cadeia("combinac", LeituraRegistro("COMBINAC", "PADRON_CO=:cod, PROD_CO=:prod"));
    c.Cadeia("Ficha_Auxiliar", LeituraRegistro("FICHA_AUXILIAR", ""));
    cadeia("cdsPreco", "dsPreco", "sqlPreco", LeituraRegistro("TABPRECO", "COD_TP=:cod"));
    cadeia("cdsCotaRepres", "dsCotaRepres", "sqlCotaRepres", LeituraRegistro("COTAREPRES", "COD_CT=:cod"));
    c.Cadeia("Pais", LeituraRegistro("PAIS", "COD_PA=:CODPA, TAM_BRASIL_PA=:TAMBRASILPA"));
    c.Cadeia("Externo", LeituraRegistro("EXTERNO", "TP_SERV_EX=:TP_SERV, PROG_EX=:PROG, FICHA_EX=:FICHA, "
                                                   "SUBFICHA_EX=:SUBFICHA, TERCEIRIZADO_EX=:TERCEIRO"));
    c.Cadeia("Setor", LeituraRegistro("SETOR", "COD_SE=:COD"));
    c.Cadeia("Conserto", LeituraRegistro("CONSERTO", "CODIGO_CO=:COD"));
    c.Cadeia("Amar", LeituraRegistro("FICHATEC_AMARRACAO", "MPRIMA_FA=:cod"));
    c.Cadeia("ProgEnc", LeituraRegistro("PROG_ENCERRADA", "PROG_PE=:prog"));
    c.Cadeia("TSetor", LeituraRegistro("SETOR", ""));
    c.Cadeia("DPadron", LeituraRegistro("PADRONIZ", "", "DESC_PA"));
    cadeia("CdsEntradaProd", "DspEntradaProd", "SqlEntradaProd",
           LeituraRegistro("ENTRADAPROD", "PRODUTO_EP=:PROD, PADRONIZ_EP=:PADRON, MARCA_EP=:MARCA, TAMANHO_EP=:TAM, "
                                          "DOCTO_EP=:DOC, SERIE_EP=:SER, FORNEC_EP=:FORNEC, FILIAL_EP=:FIL, ITEM_EP=:IT"));
    c.Cadeia("FindProd", LeituraRegistro("PRODUTO", ""));
    cadeia("CdsMovEstProd", "DspMovEstProd", "SqlMovEstProd",
           LeituraRegistro("MOVTO_EST_PROD", "FILIAL_MEP=:FILIAL, PRODUTO_MEP=:PPRODUTO, PADRONIZ_MEP=:PADRONIZ, "
                                             "MARCA_MEP=:MARCA, NUMERACAO_MEP=:NUMERACAO, GRADE_MEP=:GRADE, "
                                             "DOCTO_MEP=:DOCTO, DATA_MEP=:DATA"));
    c.Cadeia("SetorFunc", LeituraRegistro("SETOR_FUNCIONARIO", "SETOR_SF=:cod"));
    c.Cadeia("MprimaSola", LeituraRegistro("MPRIMA_SOLA", "MPRIMA_MS=:MP, COR_MS=:CORMP"));
    c.Cadeia("EmbColet", LeituraRegistro("EMBALAGEM_COLETIVA", "ID_EC=:id"));
    c.Cadeia("EmbUnit", LeituraRegistro("EMBALAGEM_UNITARIA", "ID_EU=:id"));

    // Statements read directly, with no record set.
    c.queries.push_back({"sqlTotEmbalagem",
                         "SELECT E.ITEM_IT, E.QTPARES_IT, I.MULTGRADE_IT FROM ITENSPV_EMBALAGEM E LEFT JOIN ITENSPV I ON "
                         "E.PEDIDO_IT = I.PEDIDO_IT AND E.ITEM_IT = I.ITEM_IT WHERE E.PEDIDO_IT=:PED"});
    c.queries.push_back({"sqlTotEmbalagemItem",
                         "SELECT PEDIDO, ITEM, SUM(TOT_PARES * I.MULTGRADE_IT) AS TOT_PARES_EMB, (SELECT SUM(QTPED_IT) "
                         "FROM ITENSPVGRADE G WHERE G.PEDIDO_IT = EMB.PEDIDO AND G.ITEM_IT = EMB.ITEM) AS TOT_PARES_PED "
                         "FROM ITENSPV_EMBALAGEM_PED(:PEDIDO) EMB LEFT JOIN ITENSPV I ON I.PEDIDO_IT = EMB.PEDIDO AND "
                         "I.ITEM_IT = EMB.ITEM GROUP BY PEDIDO, ITEM, I.MULTGRADE_IT"});
    c.queries.push_back({"sqlFichaTec_PedVend", "select * from FICHATEC_PEDVEND where PEDIDO_FP=:PED"});
    c.providers.push_back({"dspFichaTec_PedVend", "sqlFichaTec_PedVend"});

    for (const char* n : {"stpMatPrimaID", "stpEstqMes", "stpPedCompraID", "stpSalvaSaidaMP", "stpDelSaidaMP",
                          "stpInsertSaida", "stpCotaRepresID", "stpTerceirizado", "stpExclusiv", "stpimpDespesaID",
                          "stpCriaProg", "stpLocalizacao", "stpVerIdent_Prod", "stpInsPedNFe", "StpTabPrecoID",
                          "stpSalvaEntProd", "stpConserto", "stpSalvaentMP", "stpDelEntmp", "stpPrecoMedio",
                          "stpAlteraIPV"})
        c.Proc(n, "");

    for (auto& p : c.providers)
        if (p.nome == "dspMPrima" || p.nome == "dspProduto" || p.nome == "dspPedVenda" || p.nome == "dspNotaEnt")
            p.modo = ModoAtualizacao::WhereKeyOnly;
    return c;
}
}  // namespace

TdmProducao::TdmProducao(std::string nome, db::Connection* conexao) : dm::TDataModule(std::move(nome), conexao) {
    Construir(CatalogoProducao());

    for (const char* dsp : {"dspMPrima", "dspProduto", "dspFtecnica", "dspTerceirizado"})
        VincularUpdateError(dsp, &TdmProducao::dspMPrimaUpdateError);
    VincularUpdateError("dspFichaTec_PedVend", &TdmProducao::dspFichaTec_PedVendUpdateError);

    // Providers with a handler of their own name, then the rest of those that pass the
    // error on.
    VincularUpdateError("dspEntMP", &TdmProducao::dspEntMPUpdateError);
    VincularUpdateError("dspFindProd", &TdmProducao::dspFindProdUpdateError);
    VincularUpdateError("dspItensPv", &TdmProducao::dspItensPvUpdateError);
    VincularUpdateError("dspItensPvGrade", &TdmProducao::dspItensPvGradeUpdateError);
    VincularUpdateError("dspPedVenda", &TdmProducao::dspPedVendaUpdateError);
    VincularUpdateError("dspPedCompra", &TdmProducao::dspPedCompraUpdateError);
    VincularUpdateError("dspItensPC", &TdmProducao::dspItensPCUpdateError);
    VincularUpdateError("dspItensPCG", &TdmProducao::dspItensPCGUpdateError);
    VincularUpdateError("dsPreco", &TdmProducao::dsPrecoUpdateError);
    VincularUpdateError("dspSetorFunc", &TdmProducao::dspSetorFuncUpdateError);
    VincularUpdateError("dspMprimaSola", &TdmProducao::dspMprimaSolaUpdateError);
    VincularUpdateError("dspNotaEnt", &TdmProducao::dspNotaEntUpdateError);
    for (const char* dsp : {"dspDevolNFE", "dspItensNS", "dspEstMes", "dspSaidaMP", "dspImpDesp", "dspProgr",
                            "dspFicha_Auxiliar", "dspPais", "dspExterno", "dspSetor", "dspAmar", "dspProgEnc",
                            "dspTSetor", "dspDPadron", "DspEntradaProd", "DspMovEstProd", "dspPedNFE", "dspEmbColet"})
        VincularUpdateError(dsp, &TdmProducao::dspEntMPUpdateError);
}

void TdmProducao::dspMPrimaUpdateError(db::Provider&, const db::Error&, db::DeltaRecord&, db::UpdateKind kind,
                                       db::UpdateResponse& response) {
    switch (kind) {
        case db::UpdateKind::Delete:
            plat::Erro("Não foi possível excluir, pois existe movimentação para este registro.");
            response = db::UpdateResponse::Abort;
            break;
        case db::UpdateKind::Modify:
            plat::Erro("Registro alterado por outro usuário.");
            break;
        case db::UpdateKind::Insert:
            plat::Erro("Não foi possível completar a operação.");
            break;
    }
}

void TdmProducao::dspFichaTec_PedVendUpdateError(db::Provider&, const db::Error& e, db::DeltaRecord&, db::UpdateKind,
                                                 db::UpdateResponse&) {
    plat::Informacao(e.what());
}

#define DM_REPASSA(nome)                                                                                   \
    void TdmProducao::nome(db::Provider&, const db::Error& e, db::DeltaRecord&, db::UpdateKind,            \
                           db::UpdateResponse&) {                                                          \
        throw e;                                                                                           \
    }
DM_REPASSA(dspEntMPUpdateError)
DM_REPASSA(dspFindProdUpdateError)
DM_REPASSA(dspItensPvUpdateError)
DM_REPASSA(dspItensPvGradeUpdateError)
DM_REPASSA(dspPedVendaUpdateError)
DM_REPASSA(dspPedCompraUpdateError)
DM_REPASSA(dspItensPCUpdateError)
DM_REPASSA(dspItensPCGUpdateError)
DM_REPASSA(dsPrecoUpdateError)
DM_REPASSA(dspSetorFuncUpdateError)
DM_REPASSA(dspMprimaSolaUpdateError)
DM_REPASSA(dspNotaEntUpdateError)
#undef DM_REPASSA
