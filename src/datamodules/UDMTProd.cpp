#include "datamodules/UDMTProd.h"

namespace {
// Components of the product-tables module.
dm::Catalogo CatalogoTProd() {
    using namespace dm;
    Catalogo c;
    auto cadeia = [&](const std::string& cds, const std::string& dsp, const std::string& sql, const std::string& texto) {
        c.queries.push_back({sql, texto});
        c.providers.push_back({dsp, sql});
        c.cds.push_back({cds, dsp});
    };
    c.Cadeia("TMovto", ListaGeral("09", CodigoDescricao, SemFiltro, PorDescricao));
    cadeia("CdsMarca", "DspTpMarca", "SqlMarca", ListaGeral("70", CodigoDescricao, SemFiltro, PorDescricao));
    cadeia("cdsCorMP", "dspCorMp", "sqlCorMP", LeituraRegistro("TABELA", "NUM_TA=:NUMTA, COD_TA=:CODTA"));
    c.Cadeia("Pais", ListaGeral("33", CodigoDescricao, SemFiltro, PorDescricao));
    cadeia("cdsSolucao", "dsSolucao", "sqlSolucao", ListaGeral("48", TodasColunas, SemFiltro, PorDescricao));
    cadeia("cdsDefeito", "dsDefeito", "sqlDefeito", ListaGeral("49", TodasColunas, SemFiltro, PorDescricao));
    c.Cadeia("TabPreco", LeituraRegistro("TABELA", "NUM_TA=:NUMTA, COD_TA=:CODTA"));
    c.Cadeia("Prazo", LeituraRegistro("TABELA", "NUM_TA=:NUMTA, COD_TA=:CODTA"));
    c.Cadeia("CFOP", "SELECT * FROM TABELA WHERE num_TA = '17' AND COD_TA = :cod");
    c.Cadeia("Forma", LeituraRegistro("TABELA", "NUM_TA=:NUMTA, COD_TA=:CODTA"));
    c.Cadeia("FindForma", ListaGeral("10", TodasColunas, SemFiltro, PorDescricao));
    c.Cadeia("Faca", LeituraRegistro("FACA", "COD_FC=:cod"));
    c.queries.push_back({"sqlVerifMovto", "select movimento from verif_movimento_tabelas_gerais(:num_tabela, :cod_tabela)"});
    return c;
}
}  // namespace

TdmTProd::TdmTProd(std::string nome, db::Connection* conexao) : dm::TDataModule(std::move(nome), conexao) {
    Construir(CatalogoTProd());
}
