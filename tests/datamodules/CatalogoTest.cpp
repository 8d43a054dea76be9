// The modules' catalogue as declared: counts, names, chains, statements in force,
// provider settings and error-handler bindings. No database is opened.
#include <gtest/gtest.h>

#include <set>

#include "datamodules/ModulosDb.h"
#include "datamodules/UDeclaracoes.h"

namespace {

using dm::TipoComponente;

struct Catalogo : ::testing::Test {
    db::Connection conn;  // never opened
    SeisModulos mods{conn};
};

TEST_F(Catalogo, CountsPerModule) {
    struct Esperado {
        dm::TDataModule* m;
        const char* nome;
        std::size_t queries, procs;
    };
    for (const Esperado& e : {Esperado{mods.cadastros.get(), "dmIBCadastros", 20, 4},
                              Esperado{mods.tipos.get(), "dmIBTipos", 61, 0},
                              Esperado{mods.producao.get(), "dmIBProducao", 47, 21},
                              Esperado{mods.financeiro.get(), "dmIBFinanceiro", 31, 47},
                              Esperado{mods.fatur.get(), "dmIBFatur", 9, 10},
                              Esperado{mods.tprod.get(), "dmIBTProd", 13, 0}}) {
        EXPECT_EQ(e.m->Name(), e.nome);
        EXPECT_EQ(e.m->Quantidade(TipoComponente::Query), e.queries) << e.nome;
        EXPECT_EQ(e.m->Quantidade(TipoComponente::StoredProc), e.procs) << e.nome;
    }
    EXPECT_EQ(mods.tipos->Quantidade(TipoComponente::ClientDataSet), 60u);
    EXPECT_EQ(mods.cadastros->Quantidade(TipoComponente::ClientDataSet), 19u);
    EXPECT_EQ(mods.producao->Quantidade(TipoComponente::ClientDataSet), 44u);
    EXPECT_EQ(mods.financeiro->Quantidade(TipoComponente::ClientDataSet), 28u);
    EXPECT_EQ(mods.fatur->Quantidade(TipoComponente::ClientDataSet), 9u);
    EXPECT_EQ(mods.tprod->Quantidade(TipoComponente::ClientDataSet), 12u);
}

TEST_F(Catalogo, CreationBindsEveryStatementAndOpensNothing) {
    for (dm::TDataModule* m : mods.Todos()) {
        EXPECT_EQ(m->Conexao(), &conn);
        for (const auto& n : m->Nomes(TipoComponente::Query)) {
            EXPECT_EQ(m->Query(n).GetConnection(), &conn) << n;
            EXPECT_FALSE(m->Query(n).Active()) << n;
        }
        for (const auto& n : m->Nomes(TipoComponente::StoredProc))
            EXPECT_EQ(m->StoredProc(n).GetConnection(), &conn) << n;
        for (const auto& n : m->Nomes(TipoComponente::ClientDataSet))
            EXPECT_FALSE(m->ClientDataSet(n).Active()) << n;
    }
    EXPECT_FALSE(conn.Connected());
}

TEST_F(Catalogo, ComponentsAreFoundByNameOfTheirKindOnly) {
    EXPECT_EQ(&mods.cadastros->ClientDataSet("CDSCLIENTE"), &mods.cadastros->ClientDataSet("cdsCliente"));
    EXPECT_EQ(mods.cadastros->FindQuery("cdsCliente"), nullptr);
    EXPECT_THROW(mods.cadastros->Query("sqlNaoExiste"), dm::EComponenteInexistente);
    EXPECT_THROW(mods.tipos->StoredProc("sqlTamTabela"), dm::EComponenteInexistente);
}

// Chains feed each record set from its provider and query, exceptions included.
TEST_F(Catalogo, ChainsAndTheirExceptions) {
    auto fonte = [](dm::TDataModule& m, const char* cds) {
        db::ClientDataSet& c = m.ClientDataSet(cds);
        const auto& prov = m.DeclaracaoProvider(c.ProviderName());
        EXPECT_EQ(c.GetProvider(), &m.Provider(prov.nome));
        return prov.nome + "/" + prov.dataset;
    };
    EXPECT_EQ(fonte(*mods.cadastros, "cdsCliente"), "dspCliente/sqlCliente");
    EXPECT_EQ(fonte(*mods.tipos, "cdsTipoMPrima"), "dspTipoMPrima/sqlTiposMPrima");
    EXPECT_EQ(fonte(*mods.tipos, "cdsTransp"), "dspTrasnp/sqlTransp");
    EXPECT_EQ(fonte(*mods.tipos, "cdsTipoServico"), "dspTipoServico/sqlTipoServco");
    EXPECT_EQ(fonte(*mods.tipos, "ClientDataSet1"), "dspTipoMoeda/sqlTipoMoeda");
    EXPECT_EQ(fonte(*mods.tipos, "ClientDataSet2"), "dspTipoServico/sqlTipoServco");
    EXPECT_EQ(fonte(*mods.producao, "cdsPrecoSer"), "dtpPrecoSer/sqlPrecoSer");
    EXPECT_EQ(fonte(*mods.producao, "cdsImpDespesa"), "dspImpDesp/sqlImpostoDespesa");
    EXPECT_EQ(fonte(*mods.producao, "cdsPreco"), "dsPreco/sqlPreco");
    EXPECT_EQ(fonte(*mods.financeiro, "cdsARetorno"), "dspRetorno/sqlRetorno");
    EXPECT_EQ(fonte(*mods.tprod, "CdsMarca"), "DspTpMarca/SqlMarca");
    EXPECT_EQ(fonte(*mods.tprod, "cdsSolucao"), "dsSolucao/sqlSolucao");
    EXPECT_EQ(mods.financeiro->ClientDataSet("cdsCh_Duplic").GetProvider(), nullptr);
    EXPECT_TRUE(mods.financeiro->Query("sqlCh_Duplic").SQL().empty());
    EXPECT_TRUE(mods.producao->Possui("dspFichaTec_PedVend"));
    EXPECT_FALSE(mods.producao->Possui("cdsFichaTec_PedVend"));
    for (const char* n : {"DataSetProvider1", "DataSetProvider2", "dspGrupoProd"})
        EXPECT_NE(mods.tipos->FindProvider(n), nullptr) << n;
}

TEST_F(Catalogo, StatementsInForce) {
    auto sql = [](dm::TDataModule& m, const char* q) { return m.Query(q).Text(); };
    EXPECT_EQ(sql(*mods.cadastros, "sqlCliente"), "SELECT * FROM CLIENTE WHERE Cod_CL = :cod");
    EXPECT_EQ(sql(*mods.cadastros, "sqlFornecFind"), "SELECT * FROM FORNECEDOR WHERE TIPO_FO = 'TR' ORDER BY NOME");
    EXPECT_EQ(sql(*mods.tipos, "sqlTiposFornec"),
              "SELECT * FROM TABELA WHERE num_TA = '15' AND cod_TA <> ' ' ORDER BY desc_TA");
    EXPECT_EQ(sql(*mods.cadastros, "sqlCCRepresentante"),
              "SELECT * FROM CCREPRES WHERE REPRES_CC = :repres AND DATA_CC = :data AND DOCTO_CC = :docto AND "
              "TIPO_CC = :tipo");
    EXPECT_EQ(sql(*mods.cadastros, "sqlTabela"), "SELECT * FROM TABELA WHERE NUM_TA = :num ORDER BY DESC_TA");
    EXPECT_EQ(sql(*mods.tipos, "sqlTamTabela"), "SELECT tamCod_TA FROM TABELA WHERE cod_TA = :cod AND num_TA = '01'");
    EXPECT_EQ(sql(*mods.tipos, "sqlCFiscal"), "SELECT desc_TA, cod_TA FROM TABELA WHERE num_TA = '26' AND cod_TA <> ' '");
    EXPECT_EQ(sql(*mods.tipos, "sqlGrCli"),
              "SELECT cod_TA, desc_TA FROM TABELA WHERE num_TA = '31' AND desc_TA <> ' ' ORDER BY desc_TA");
    EXPECT_EQ(sql(*mods.tipos, "sqlFranqueado"), "SELECT * FROM TABELA WHERE num_TA = 'FQ' ORDER BY desc_TA");
    EXPECT_EQ(sql(*mods.tipos, "sqlTLancto"), "SELECT cod_TA, desc_TA FROM TABELA WHERE num_TA = '13' ORDER BY cod_TA");
    EXPECT_EQ(sql(*mods.producao, "sqlItensPv"), "SELECT * FROM ITENSPV WHERE PEDIDO_IT = :PED ORDER BY PEDIDO_IT, ITEM_IT");
    EXPECT_EQ(sql(*mods.financeiro, "sqlLanctos"), "SELECT * FROM LANCTOS(:datala, :conta)");
    EXPECT_EQ(sql(*mods.tprod, "sqlVerifMovto"), sql(*mods.cadastros, "sqlVerifMovto"));
    EXPECT_EQ(sql(*mods.tprod, "sqlCFOP"), "SELECT * FROM TABELA WHERE num_TA = '17' AND COD_TA = :cod");
}

TEST_F(Catalogo, StoredProcedureDeclarations) {
    const auto& estq = mods.producao->DeclaracaoStoredProc("stpEstqMes");
    EXPECT_EQ(estq.procedimento, "CONSULTAESTOQMES");
    ASSERT_EQ(estq.params.size(), 18u);
    EXPECT_EQ(estq.params[6].nome, "MES");
    EXPECT_FALSE(estq.params[6].saida);
    EXPECT_EQ(estq.params[7].nome, "ESTOQUE");
    EXPECT_TRUE(estq.params[17].saida);
    EXPECT_EQ(mods.fatur->DeclaracaoStoredProc("stpExcluiNS").params.size(), 0u);
    EXPECT_EQ(mods.fatur->DeclaracaoStoredProc("stpInsertNotaSai").params.size(), 42u);
    EXPECT_EQ(mods.cadastros->StoredProc("stpNovoCodCliente").StoredProcName(), "NOVO_COD_CLIENTE");
    // The procedures ending in ID have the single output ID.
    for (dm::TDataModule* m : mods.Todos())
        for (const auto& n : m->Nomes(TipoComponente::StoredProc)) {
            const auto& d = m->DeclaracaoStoredProc(n);
            if (d.procedimento.size() > 2 && d.procedimento.compare(d.procedimento.size() - 2, 2, "ID") == 0) {
                ASSERT_EQ(d.params.size(), 1u) << d.procedimento;
                EXPECT_EQ(d.params[0].nome, "ID");
                EXPECT_TRUE(d.params[0].saida);
            }
        }
}

TEST_F(Catalogo, ProviderSettingsInForce) {
    using M = db::UpdateMode;
    struct Caso {
        dm::TDataModule* m;
        const char* dsp;
        M modo;
        bool refresh, comando;
    };
    std::set<std::string> especiais;
    for (const Caso& c : {Caso{mods.cadastros.get(), "dspCliente", M::WhereKeyOnly, true, true},
                          Caso{mods.cadastros.get(), "dspEnderCli", M::WhereChanged, true, true},
                          Caso{mods.cadastros.get(), "dspFilial", M::WhereAll, false, false},
                          Caso{mods.producao.get(), "dspMPrima", M::WhereKeyOnly, false, false},
                          Caso{mods.producao.get(), "dspProduto", M::WhereKeyOnly, false, false},
                          Caso{mods.producao.get(), "dspPedVenda", M::WhereKeyOnly, false, false},
                          Caso{mods.producao.get(), "dspNotaEnt", M::WhereKeyOnly, false, false},
                          Caso{mods.financeiro.get(), "dspChequesRec", M::WhereKeyOnly, false, false}}) {
        db::Provider& p = c.m->Provider(c.dsp);
        EXPECT_EQ(p.GetUpdateMode(), c.modo) << c.dsp;
        EXPECT_EQ(p.RefreshAfterApply, c.refresh) << c.dsp;
        EXPECT_EQ(p.AllowCommandText, c.comando) << c.dsp;
        especiais.insert(c.m->Name() + "." + c.dsp);
    }
    for (dm::TDataModule* m : mods.Todos())
        for (const auto& n : m->Nomes(TipoComponente::Provider)) {
            if (especiais.count(m->Name() + "." + n)) continue;
            db::Provider& p = m->Provider(n);
            EXPECT_EQ(p.GetUpdateMode(), M::WhereAll) << m->Name() << "." << n;
            EXPECT_FALSE(p.RefreshAfterApply) << m->Name() << "." << n;
            EXPECT_FALSE(p.AllowCommandText) << m->Name() << "." << n;
        }
}

TEST_F(Catalogo, ErrorHandlersBoundAsListed) {
    auto semHandler = [](dm::TDataModule& m, std::initializer_list<const char*> nomes) {
        for (const char* n : nomes) EXPECT_FALSE(m.Provider(n).OnUpdateError) << m.Name() << "." << n;
    };
    semHandler(*mods.cadastros, {"dspLayCheq", "dspRepFind", "dspCliFind", "dspFornecFind", "dspUf", "dspDeptos"});
    semHandler(*mods.producao, {"dspNotaSai", "dspEstoqueMP", "dspPadroniz", "dspPadroniz_Produto", "dspExclusiv",
                                "dtpPrecoSer", "dspcombinac", "dsCotaRepres", "dspConserto", "dspEmbUnit"});
    for (dm::TDataModule* m : {static_cast<dm::TDataModule*>(mods.tipos.get()), static_cast<dm::TDataModule*>(mods.tprod.get())})
        for (const auto& n : m->Nomes(TipoComponente::Provider)) EXPECT_FALSE(m->Provider(n).OnUpdateError) << n;
    for (dm::TDataModule* m : {static_cast<dm::TDataModule*>(mods.financeiro.get()), static_cast<dm::TDataModule*>(mods.fatur.get())})
        for (const auto& n : m->Nomes(TipoComponente::Provider)) EXPECT_TRUE(m->Provider(n).OnUpdateError) << n;
    std::size_t comHandler = 0;
    for (const auto& n : mods.producao->Nomes(TipoComponente::Provider))
        if (mods.producao->Provider(n).OnUpdateError) ++comHandler;
    EXPECT_EQ(comHandler, 4u + 1u + 30u);
    EXPECT_TRUE(mods.cadastros->ClientDataSet("cdsRepresentante").OnDeleteError);
    EXPECT_TRUE(mods.cadastros->ClientDataSet("cdsCCRepresentante").OnReconcileError);
    EXPECT_TRUE(mods.financeiro->ClientDataSet("cdsTitulo").OnDeleteError);
}

TEST(Declaracoes, FormsOfTheReads) {
    EXPECT_EQ(dm::LeituraRegistro("T", ""), "SELECT * FROM T");
    EXPECT_EQ(dm::LeituraRegistro("T", "A=:a", "B DESC"), "SELECT * FROM T WHERE A = :a ORDER BY B DESC");
    EXPECT_EQ(dm::ListaGeral("09", dm::CodigoDescricao, dm::CodigoNaoBranco | dm::DescricaoNaoBranca, ""),
              "SELECT cod_TA, desc_TA FROM TABELA WHERE num_TA = '09' AND cod_TA <> ' ' AND desc_TA <> ' '");
    auto p = dm::ParamsProc("A, B out,C");
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[1].nome, "B");
    EXPECT_TRUE(p[1].saida);
    EXPECT_EQ(p[2].nome, "C");
    EXPECT_TRUE(dm::ParamsProc("").empty());
    EXPECT_THROW(dm::ParamsProc("A,,B"), std::invalid_argument);
    EXPECT_THROW(dm::LeituraRegistro("T", "A"), std::invalid_argument);
}

}  // namespace
