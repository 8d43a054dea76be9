#include "datamodules/UDMTiposAncestral.h"

namespace {
// Components of the lookup-list module.
dm::Catalogo CatalogoTiposAncestral() {
    using namespace dm;
    Catalogo c;
    auto lista = [&](const std::string& stem, const std::string& num, const char* colunas, unsigned filtro,
                     const std::string& ordem) { c.Cadeia(stem, ListaGeral(num, colunas, filtro, ordem)); };
    // A chain whose members do not all share the stem.
    auto cadeia = [&](const std::string& cds, const std::string& dsp, const std::string& sql, const std::string& texto) {
        c.queries.push_back({sql, texto});
        c.providers.push_back({dsp, sql});
        c.cds.push_back({cds, dsp});
    };

    lista("TiposFornec", "15", TodasColunas, CodigoNaoBranco, PorDescricao);
    cadeia("cdsTipoMPrima", "dspTipoMPrima", "sqlTiposMPrima", ListaGeral("04", TodasColunas, CodigoNaoBranco, PorDescricao));
    lista("GrupoMPrima", "30", TodasColunas, CodigoNaoBranco, PorDescricao);
    lista("Unidade", "07", TodasColunas, CodigoNaoBranco, "");
    lista("Regiao", "16", TodasColunas, CodigoNaoBranco, PorDescricao);
    lista("Banco", "50", TodasColunas, CodigoNaoBranco, "");
    c.Cadeia("TRepres", "SELECT * FROM REPRESENTANTE WHERE identific_RE = 'R' OR identific_RE = 'G'");
    lista("GrupoCli", "31", TodasColunas, SemFiltro, PorDescricao);
    lista("TipoCli", "14", TodasColunas, CodigoNaoBranco, "");
    lista("Marca", "70", TodasColunas, SemFiltro, PorDescricao);
    lista("CFiscal", "26", DescricaoCodigo, CodigoNaoBranco, "");
    c.Cadeia("TvCContabil", "SELECT cod_CC, desc_CC FROM CONTACONTABIL ORDER BY cod_CC");
    lista("CondPag", "18", CodigoDescricao, SemFiltro, "");
    lista("TiposLinha", "05", TodasColunas, SemFiltro, "");
    lista("TiposGrupo", "72", TodasColunas, SemFiltro, PorDescricao);
    c.Cadeia("TFilial", "SELECT cod_FI, nome_FI FROM FILIAL");
    lista("TipoDuplic", "20", CodigoDescricao, DescricaoNaoBranca, PorDescricao);
    lista("TipoCobranca", "52", CodigoDescricao, SemFiltro, PorDescricao);
    lista("SituacaoDoc", "12", CodigoDescricao, DescricaoNaoBranca, PorDescricao);
    c.Cadeia("TConta",
             "SELECT cod_CO, descricao_CO, BANCO_CO, COBRANCA_COM_PROTESTO_CO, NDIAS_PROTESTO_CO, desc_TA FROM CONTA c "
             "left join TABELA t on c.banco_CO = t.cod_TA AND t.num_TA = '50' where c.desativa_co is distinct from 'S'");
    lista("TipoEnder", "41", TodasColunas, SemFiltro, "");
    lista("SitOcorr", "52", CodigoDescricao, CodigoNaoBranco, PorDescricao);
    c.Cadeia("Carteira", LeituraRegistro("CARTEIRA", "banco_CA=:banco", "descricao_CA"));
    lista("Depto", "53", TodasColunas, SemFiltro, "");
    lista("TLancto", "13", CodigoDescricao, SemFiltro, PorCodigo);
    lista("Tamanho", "22", TodasColunas, SemFiltro, "");
    lista("GPadrao", "28", TodasColunas, SemFiltro, "");
    lista("GrauD", "55", TodasColunas, SemFiltro, "");
    lista("Tributo", "24", TodasColunas, SemFiltro, "");
    lista("Setor", "56", TodasColunas, SemFiltro, PorDescricao);
    c.Cadeia("Ufs", LeituraRegistro("UFS", "", "uf_uf"));
    c.Cadeia("TProced", LeituraRegistro("PROCEDIMENTO", "", "descricao_PR"));
    lista("TGrade", "22", CodigoDescricao, CodigoNaoBranco, "");
    lista("TCorMP", "23", CodigoDescricao, SemFiltro, PorDescricao);
    cadeia("cdsTransp", "dspTrasnp", "sqlTransp", "SELECT nome, codigo FROM FORNECEDOR WHERE tipo_FO = 'TR' ORDER BY nome");
    lista("TipoMoeda", "08", TodasColunas, SemFiltro, "");
    lista("NatOper", "17", TodasColunas, SemFiltro, PorDescricao);
    lista("MotDevol", "37", TodasColunas, SemFiltro, PorDescricao);
    lista("TipoSaida", "09", CodigoDescricao, SemFiltro, PorDescricao);
    lista("tpmovtoest", "09", TodasColunas, SemFiltro, PorDescricao);
    lista("GrCli", "31", CodigoDescricao, DescricaoNaoBranca, PorDescricao);
    lista("LinProd", "05", CodigoDescricao, DescricaoNaoBranca, PorDescricao);
    lista("GrProd", "06", CodigoDescricao, DescricaoNaoBranca, PorDescricao);
    cadeia("cdsTipoServico", "dspTipoServico", "sqlTipoServco", ListaGeral("35", TodasColunas, SemFiltro, ""));
    lista("Grade", "22", CodigoDescricao, SemFiltro, "");
    // Two more record sets over providers of other chains.
    c.cds.push_back({"ClientDataSet1", "dspTipoMoeda"});
    c.cds.push_back({"ClientDataSet2", "dspTipoServico"});
    lista("TipoPagto", "46", TodasColunas, SemFiltro, "");
    lista("tprazo", "18", CodigoDescricao, DescricaoNaoBranca, PorDescricao);
    lista("TipoPreco", "46", TodasColunas, SemFiltro, "");
    c.Cadeia("PaisCli", LeituraRegistro("PAIS", "", "NOME_PA"));
    c.cds.push_back({"cdsGrupoProd", "dspGrProd"});
    lista("TIdent", "39", CodigoDescricao, DescricaoNaoBranca, PorDescricao);
    lista("Colecao", "03", TodasColunas, SemFiltro, PorDescricao);
    c.Cadeia("Conta", LeituraRegistro("CONTA", "", "DESCRICAO_CO"));
    lista("Retific", "02", TodasColunas, CodigoNaoBranco, "");
    lista("TipoRep", "19", CodigoDescricao, DescricaoNaoBranca, PorDescricao);
    lista("tipoCCRep", "29", CodigoDescricao, DescricaoNaoBranca, PorDescricao);
    c.Cadeia("FindCarteira", LeituraRegistro("CARTEIRA", "", "descricao_CA"));
    lista("Franqueado", "FQ", TodasColunas, SemFiltro, PorDescricao);

    // Outside the chains: two providers no record set uses, a list query with no
    // provider, a provider over the record set cdsGrupoProd itself (it has no query to
    // read, so it delivers nothing) and the code-length read.
    c.queries.push_back({"SQLQuery1", ListaGeral("08", TodasColunas, SemFiltro, "")});
    c.providers.push_back({"DataSetProvider1", "SQLQuery1"});
    c.queries.push_back({"SQLQuery2", ListaGeral("35", TodasColunas, SemFiltro, "")});
    c.providers.push_back({"DataSetProvider2", "SQLQuery2"});
    c.queries.push_back({"sqlGrupoProd", ListaGeral("06", CodigoDescricao, DescricaoNaoBranca, PorDescricao)});
    c.providers.push_back({"dspGrupoProd", ""});
    c.queries.push_back({"sqlTamTabela", "SELECT tamCod_TA FROM TABELA WHERE cod_TA = :cod AND num_TA = '01'"});
    return c;
}
}  // namespace

TdmTiposAncestral::TdmTiposAncestral(std::string nome, db::Connection* conexao)
    : dm::TDataModule(std::move(nome), conexao) {
    Construir(CatalogoTiposAncestral());
}
