// The catalogue against a real database built from the schema scripts: every statement
// prepares, every stored-procedure call runs, and the list reads deliver what they say.
#include <gtest/gtest.h>

#include <algorithm>

#include "datamodules/ModulosDb.h"
#include "db/Error.h"

namespace {

class BancoModulos : public ::testing::Test {
protected:
    static void SetUpTestSuite() { base_ = new ModulosDb(); }
    static void TearDownTestSuite() {
        delete base_;
        base_ = nullptr;
    }
    void SetUp() override { mods_ = std::make_unique<SeisModulos>(base_->Conn()); }
    void TearDown() override { mods_.reset(); }

    static void Exec(const std::string& sql) { base_->banco.Exec(sql); }

    static ModulosDb* base_;
    std::unique_ptr<SeisModulos> mods_;
};
ModulosDb* BancoModulos::base_ = nullptr;

std::vector<std::string> Valores(db::ClientDataSet& cds, const char* campo) {
    std::vector<std::string> r;
    for (cds.First(); !cds.Eof(); cds.Next()) r.push_back(cds.FieldByName(campo).AsString());
    return r;
}

TEST_F(BancoModulos, EveryStatementPrepares) {
    int preparadas = 0;
    for (dm::TDataModule* m : mods_->Todos())
        for (const auto& nome : m->Nomes(dm::TipoComponente::Query)) {
            db::Query& q = m->Query(nome);
            EXPECT_EQ(q.GetConnection(), &base_->Conn()) << m->Name() << "." << nome;
            if (m->DeclaracaoQuery(nome).sql.empty()) continue;  // declared without a statement
            try {
                q.Prepare();
                ++preparadas;
            } catch (const db::Error& e) {
                ADD_FAILURE() << m->Name() << "." << nome << ": " << e.what() << "\n" << q.Text();
            }
        }
    EXPECT_EQ(preparadas, 20 + 61 + 47 + 30 + 9 + 13);
}

TEST_F(BancoModulos, EveryRecordSetOpensOnAnEmptyDatabase) {
    for (dm::TDataModule* m : mods_->Todos())
        for (const auto& nome : m->Nomes(dm::TipoComponente::ClientDataSet)) {
            db::ClientDataSet& cds = m->ClientDataSet(nome);
            if (!cds.GetProvider() || !cds.GetProvider()->DataSet() || cds.GetProvider()->DataSet()->SQL().empty())
                continue;
            try {
                cds.Open();
                EXPECT_EQ(cds.RecordCount(), 0) << m->Name() << "." << nome;
                // Every declared field is a column of the statement (or calculated).
                for (const auto& campo : m->CamposDeclarados(nome))
                    EXPECT_NE(cds.FindField(campo.nome), nullptr) << m->Name() << "." << nome << "." << campo.nome;
                cds.Close();
            } catch (const std::exception& e) {
                ADD_FAILURE() << m->Name() << "." << nome << ": " << e.what();
            }
        }
}

// The declared parameters of every call are the procedure's, in its order and direction,
// and every call runs.
TEST_F(BancoModulos, EveryStoredProcedureCallMatchesItsProcedureAndRuns) {
    int executadas = 0;
    for (dm::TDataModule* m : mods_->Todos())
        for (const auto& nome : m->Nomes(dm::TipoComponente::StoredProc)) {
            const dm::DeclStoredProc& d = m->DeclaracaoStoredProc(nome);
            ASSERT_FALSE(d.procedimento.empty()) << m->Name() << "." << nome;
            db::Query cat(base_->Conn());
            cat.SetSQL(
                "SELECT TRIM(RDB$PARAMETER_NAME) AS NOME, RDB$PARAMETER_TYPE AS TIPO FROM RDB$PROCEDURE_PARAMETERS "
                "WHERE RDB$PROCEDURE_NAME = :P ORDER BY RDB$PARAMETER_TYPE, RDB$PARAMETER_NUMBER");
            cat.ParamByName("P").SetAsString(d.procedimento);
            cat.Open();
            std::vector<dm::DeclParamProc> real;
            for (; !cat.Eof(); cat.Next())
                real.push_back({cat.FieldByName("NOME").AsString(), cat.FieldByName("TIPO").AsInteger() == 1});
            ASSERT_EQ(real.size(), d.params.size()) << d.procedimento;
            for (std::size_t i = 0; i < real.size(); ++i) {
                EXPECT_EQ(real[i].nome, d.params[i].nome) << d.procedimento;
                EXPECT_EQ(real[i].saida, d.params[i].saida) << d.procedimento << "." << real[i].nome;
            }
            db::StoredProc& p = m->StoredProc(nome);
            try {
                db::Transaction tr = base_->Conn().StartTransaction();
                p.SetTransaction(&tr);
                p.ExecProc();
                p.Close();
                p.SetTransaction(nullptr);
                tr.Rollback();
                ++executadas;
            } catch (const db::Error& e) {
                p.SetTransaction(nullptr);
                ADD_FAILURE() << m->Name() << "." << nome << ": " << e.what();
            }
        }
    EXPECT_EQ(executadas, 82);
}

TEST_F(BancoModulos, CodeProceduresHandOutNewCodes) {
    db::StoredProc& id = mods_->producao->StoredProc("stpTerceirizado");
    id.ExecProc();
    const auto primeiro = id.ParamByName("ID").AsInteger();
    id.ExecProc();
    EXPECT_EQ(id.ParamByName("ID").AsInteger(), primeiro + 1);

    Exec("INSERT INTO CLIENTE (COD_CL, NOME_CL) VALUES (41, 'A')");
    db::StoredProc& novo = mods_->cadastros->StoredProc("stpNovoCodCliente");
    novo.ExecProc();
    EXPECT_EQ(novo.ParamByName("COD").AsInteger(), 42);
    Exec("DELETE FROM CLIENTE");

    db::StoredProc& data = mods_->cadastros->StoredProc("stpDataServidor");
    data.ExecProc();
    EXPECT_GT(data.ParamByName("DATA").AsDateTime(), 40000.0);
}

// Lists of the general table with the filter "code not blank" leave out codes that are
// empty or only blanks; those without it keep them.
TEST_F(BancoModulos, GeneralTableListsFilterBlankCodes) {
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('15', '', 'VAZIO')");
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('04', '   ', 'BRANCOS')");
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('04', 'M', 'MATERIAL')");
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('15', 'B', 'BETA')");
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('15', 'A', 'ALFA')");
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('16', 'X', 'OUTRA LISTA')");
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('53', ' ', 'SEM CODIGO')");
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('53', 'D', 'DEPTO')");
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('20', 'T', ' ')");
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('20', 'U', 'USADA')");

    db::ClientDataSet& fornec = mods_->tipos->ClientDataSet("cdsTiposFornec");
    fornec.Open();
    EXPECT_EQ(Valores(fornec, "DESC_TA"), (std::vector<std::string>{"ALFA", "BETA"}));  // ordered by description
    fornec.Close();

    db::ClientDataSet& tipoMP = mods_->tipos->ClientDataSet("cdsTipoMPrima");
    tipoMP.Open();
    EXPECT_EQ(Valores(tipoMP, "COD_TA"), std::vector<std::string>{"M"});
    tipoMP.Close();

    db::ClientDataSet& depto = mods_->tipos->ClientDataSet("cdsDepto");  // no filter
    depto.Open();
    EXPECT_EQ(depto.RecordCount(), 2);
    depto.Close();

    db::ClientDataSet& duplic = mods_->tipos->ClientDataSet("cdsTipoDuplic");  // description not blank
    duplic.Open();
    EXPECT_EQ(Valores(duplic, "COD_TA"), std::vector<std::string>{"U"});
    EXPECT_EQ(duplic.FieldCount(), 2u);
    duplic.Close();
    Exec("DELETE FROM TABELA");
}

TEST_F(BancoModulos, AccountListTakesNullFlagAsActive) {
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('50', '001', 'BANCO UM')");
    Exec("INSERT INTO CONTA (COD_CO, DESCRICAO_CO, BANCO_CO, DESATIVA_CO) VALUES (1, 'NULA', '001', NULL)");
    Exec("INSERT INTO CONTA (COD_CO, DESCRICAO_CO, BANCO_CO, DESATIVA_CO) VALUES (2, 'DESATIVADA', '001', 'S')");
    Exec("INSERT INTO CONTA (COD_CO, DESCRICAO_CO, BANCO_CO, DESATIVA_CO) VALUES (3, 'ATIVA', '999', 'N')");
    db::ClientDataSet& contas = mods_->tipos->ClientDataSet("cdsTConta");
    contas.Open();
    contas.SetIndexFieldNames("COD_CO");
    EXPECT_EQ(Valores(contas, "DESCRICAO_CO"), (std::vector<std::string>{"NULA", "ATIVA"}));
    contas.First();
    EXPECT_EQ(contas.FieldByName("DESC_TA").AsString(), "BANCO UM");
    contas.Next();
    EXPECT_TRUE(contas.FieldByName("DESC_TA").IsNull());  // bank not in list 50
    contas.Close();
    Exec("DELETE FROM CONTA");
    Exec("DELETE FROM TABELA");
}

TEST_F(BancoModulos, IndexValuesComeNewestFirst) {
    Exec("INSERT INTO INDEXADOR (INDEXADOR_ID, DATA_ID, VALOR_ID) VALUES (7, '2024-01-01', 1)");
    Exec("INSERT INTO INDEXADOR (INDEXADOR_ID, DATA_ID, VALOR_ID) VALUES (7, '2024-03-01', 3)");
    Exec("INSERT INTO INDEXADOR (INDEXADOR_ID, DATA_ID, VALOR_ID) VALUES (7, '2024-02-01', 2)");
    Exec("INSERT INTO INDEXADOR (INDEXADOR_ID, DATA_ID, VALOR_ID) VALUES (8, '2025-01-01', 9)");
    mods_->cadastros->Query("sqlIndexador").ParamByName("id").SetAsInteger(7);
    db::ClientDataSet& idx = mods_->cadastros->ClientDataSet("cdsIndexador");
    idx.Open();
    EXPECT_EQ(Valores(idx, "VALOR_ID"), (std::vector<std::string>{"3", "2", "1"}));
    idx.Close();
    Exec("DELETE FROM INDEXADOR");
}

TEST_F(BancoModulos, RecordSetsSharingAProviderGiveTheSameRows) {
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('08', 'R', 'REAL')");
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('08', 'D', 'DOLAR')");
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('35', 'C', 'COSTURA')");
    Exec("INSERT INTO TABELA (NUM_TA, COD_TA, DESC_TA) VALUES ('07', 'PR', 'PAR')");
    auto comparar = [&](const char* a, const char* b) {
        db::ClientDataSet& x = mods_->tipos->ClientDataSet(a);
        db::ClientDataSet& y = mods_->tipos->ClientDataSet(b);
        x.Open();
        y.Open();
        EXPECT_EQ(x.GetProvider(), y.GetProvider());
        EXPECT_EQ(Valores(x, "COD_TA"), Valores(y, "COD_TA")) << a << " / " << b;
        EXPECT_FALSE(x.IsEmpty());
        x.Close();
        y.Close();
    };
    comparar("cdsTipoMoeda", "ClientDataSet1");
    comparar("cdsTipoServico", "ClientDataSet2");
    Exec("DELETE FROM TABELA");
}

TEST_F(BancoModulos, DeclaredFieldPropertiesApplyWhenOpened) {
    Exec("INSERT INTO NOTAENT (FILIAL_NE, FORNEC_NE, DOCTO_NE, SERIE_NE) VALUES (1, 2, 3, '1')");
    db::ClientDataSet& nota = mods_->producao->ClientDataSet("cdsNotaEnt");
    for (const char* p : {"FILIAL", "FORNEC", "DOCTO", "SERIE", "CLIFOR"})
        mods_->producao->Query("sqlNotaEnt").ParamByName(p).SetNull();
    nota.Open();
    EXPECT_TRUE(nota.FieldByName("SERIE_NE").Required);
    nota.Append();
    EXPECT_EQ(nota.FieldByName("VALOR_NE").AsString(), "0");  // default expression
    EXPECT_TRUE(nota.FieldByName("CLIFOR_NE").IsNull());
    nota.Cancel();
    nota.Close();

    db::ClientDataSet& conta = mods_->financeiro->ClientDataSet("cdsConta");
    conta.GetParams().ParamByName("cod").SetAsInteger(1);
    conta.Open();
    conta.Append();
    EXPECT_THROW(conta.FieldByName("NDIAS_PROTESTO_CO").SetAsInteger(61), db::Error);
    conta.FieldByName("NDIAS_PROTESTO_CO").SetAsInteger(60);
    conta.Cancel();
    conta.Close();

    db::ClientDataSet& pedido = mods_->producao->ClientDataSet("cdsPedVenda");
    pedido.Open();
    EXPECT_NE(pedido.FindField("PRAZO_PV"), nullptr);
    ASSERT_NE(pedido.FindField("PRAZO_MEDIO"), nullptr);
    EXPECT_TRUE(pedido.FieldByName("PRAZO_MEDIO").Calculated());
    pedido.Close();

    db::ClientDataSet& cfop = mods_->tprod->ClientDataSet("cdsCFOP");
    cfop.Open();
    EXPECT_FALSE(cfop.FieldByName("NUM_TA").Visible);
    EXPECT_EQ(cfop.FieldByName("AUX_TA").GetDisplayLabel(), "Contas a Pagar");
    cfop.Close();
    Exec("DELETE FROM NOTAENT");
}

}  // namespace
