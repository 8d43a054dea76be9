#include "datamodules/UDMFatur.h"

namespace {
// Components of the invoicing module.
dm::Catalogo CatalogoFatur() {
    using namespace dm;
    Catalogo c;
    c.Cadeia("NotaSai", LeituraRegistro("NOTASAI", "DOCTO_NS=:docto, FILIAL_NS=:filial"));
    c.Cadeia("Rotulo", LeituraRegistro("ROTULO", "NF_RT=:nf, FILIAL_RT=:filial"));
    c.Cadeia("NotaPed", LeituraRegistro("NOTASAI_PEDVEND", "NUMNOTA_NP=:numnota, NUMPED_NP=:numped, FILIAL_NP=:filial"));
    c.Cadeia("ConhecFr", LeituraRegistro("CONHECIMENTOFRETE", "NUM_COF=:num, SERIE_COF=:serie, TRANSP_COF=:transp"));
    c.Cadeia("FaturaFrete", LeituraRegistro("FATURAFRETE", "NUM_FA=:num, ORD_FA=:ord, FILIAL_FA=:filial, FORNEC_FA=:fornec"));
    c.Cadeia("apuicms", "SELECT * FROM APURACAOICMS WHERE FILIAL_APUICMS = :fil AND DATAINI_APUICMS >= :dtini ORDER BY "
                        "DATAINI_APUICMS");
    c.Cadeia("FecMes", LeituraRegistro("FECHAMES", ""));
    c.Cadeia("ItensNS", LeituraRegistro("ITENSNS", "DOCTO_SA=:docto, FILIAL_SA=:filial, SERIE_SA=:serie, ITEM_SA=:item"));
    c.Cadeia("NotaEnt", LeituraRegistro("NOTAENT", "FILIAL_NE=:FILIAL, FORNEC_NE=:FORNEC, DOCTO_NE=:DOCTO, SERIE_NE=:SERIE"));
    for (const char* n : {"stpInsertNotaSai", "stpCancelaNS", "stpExcluiNS", "stpVoltaFilNS", "stpCriaItemDev",
                          "stpDelItensDev", "stpCriaItemGDev", "stpVerMesAno", "stpPersistItensNS", "stpExcluiNSRepres"})
        c.Proc(n, "");
    return c;
}
}  // namespace

TdmFatur::TdmFatur(std::string nome, db::Connection* conexao) : dm::TDataModule(std::move(nome), conexao) {
    Construir(CatalogoFatur());
    VincularUpdateError("dspNotaEnt", &TdmFatur::dspNotaEntUpdateError);
    for (const char* dsp : {"dspNotaSai", "dspRotulo", "dspNotaPed", "dspConhecFr", "dspFaturaFrete", "dspapuicms",
                            "dspFecMes", "dspItensNS"})
        VincularUpdateError(dsp, &TdmFatur::dspNotaSaiUpdateError);
}

void TdmFatur::dspNotaSaiUpdateError(db::Provider&, const db::Error& e, db::DeltaRecord&, db::UpdateKind,
                                     db::UpdateResponse&) {
    throw e;
}

void TdmFatur::dspNotaEntUpdateError(db::Provider&, const db::Error& e, db::DeltaRecord&, db::UpdateKind,
                                     db::UpdateResponse&) {
    throw e;
}
