// Provider and client data set: editing, change log, apply and its error handling.
#include <gtest/gtest.h>

#include "support/TestDb.h"
#include "db/ClientDataSet.h"
#include "platform/Mensagens.h"

using namespace db;

namespace {

class DataSetTest : public ::testing::Test {
protected:
    TestDb t;
    Query sql{t.Conn()};
    Provider dsp{sql};
    ClientDataSet cds;

    void SetUp() override {
        t.Exec("CREATE TABLE CLI (COD_CL INTEGER NOT NULL PRIMARY KEY, NOME_CL VARCHAR(30), "
               "CIDADE_CL VARCHAR(30), SALDO_CL NUMERIC(15,2), OBS_CL BLOB SUB_TYPE 1, "
               "ALTERADO_CL TIMESTAMP)");
        t.Exec("INSERT INTO CLI (COD_CL, NOME_CL, CIDADE_CL, SALDO_CL) VALUES (1, 'Ana', 'Franca', 10.50)");
        t.Exec("INSERT INTO CLI (COD_CL, NOME_CL, CIDADE_CL, SALDO_CL) VALUES (2, 'Bia', NULL, 0)");
        t.Exec("INSERT INTO CLI (COD_CL, NOME_CL, CIDADE_CL, SALDO_CL) VALUES (3, 'Caio', 'Birigui', 7)");
        sql.SetSQL("SELECT * FROM CLI ORDER BY COD_CL");
        cds.SetProvider(&dsp);
    }

    std::string Nomes() {
        Query q(t.Conn());
        q.SetSQL("SELECT LIST(COD_CL || '=' || COALESCE(NOME_CL, ''), ',') FROM (SELECT * FROM CLI ORDER BY COD_CL)");
        q.Open();
        return q.Field(0).AsString();
    }

    void EditName(int cod, const std::string& nome) {
        ASSERT_TRUE(cds.Locate("COD_CL", Value::Integer(cod)));
        cds.Edit();
        cds.FieldByName("NOME_CL").SetAsString(nome);
        cds.Post();
    }
};

TEST_F(DataSetTest, OpenReadsEveryRowWithDescriptions) {
    cds.Open();
    EXPECT_EQ(cds.State(), DataSetState::Browse);
    EXPECT_EQ(cds.RecordCount(), 3);
    EXPECT_EQ(cds.FieldByName("nome_cl").AsString(), "Ana");
    EXPECT_EQ(cds.FieldByName("SALDO_CL").AsCurrency(), Currency::Parse("10,5"));
    EXPECT_EQ(cds.FieldByName("SALDO_CL").Def().scale, 2);
    EXPECT_EQ(cds.FieldByName("COD_CL").GetProviderFlags(), pfInUpdate | pfInWhere | pfInKey);
    EXPECT_EQ(cds.FieldByName("OBS_CL").GetProviderFlags(), unsigned(pfInUpdate));  // blob: never in WHERE
    EXPECT_TRUE(cds.FieldByName("COD_CL").Required);
    EXPECT_THROW(cds.FieldByName("NADA"), Error);
}

TEST_F(DataSetTest, EditingStatesHooksAndOldValue) {
    std::vector<std::string> log;
    cds.Open();
    cds.AfterInsert = [&](ClientDataSet&) { log.push_back("afterInsert"); };
    cds.BeforePost = [&](ClientDataSet& d) { log.push_back("beforePost " + d.FieldByName("NOME_CL").AsString()); };
    cds.AfterScroll = [&](ClientDataSet& d) { log.push_back("scroll " + d.FieldByName("COD_CL").AsString()); };
    cds.FieldByName("NOME_CL").OnChange = [&](Field& f) { log.push_back("change " + f.AsString()); };

    EXPECT_THROW(cds.FieldByName("NOME_CL").SetAsString("x"), Error);  // browse: not editable
    cds.Edit();
    EXPECT_EQ(cds.State(), DataSetState::Edit);
    cds.FieldByName("NOME_CL").SetAsString("Ana Maria");
    EXPECT_EQ(cds.FieldByName("NOME_CL").OldValue().AsString(), "Ana");
    cds.Cancel();
    EXPECT_EQ(cds.FieldByName("NOME_CL").AsString(), "Ana");
    EXPECT_EQ(cds.ChangeCount(), 0);

    cds.Append();
    EXPECT_EQ(cds.State(), DataSetState::Insert);
    cds.FieldByName("NOME_CL").SetAsString("Davi");
    EXPECT_THROW(cds.Post(), Error);  // COD_CL is required
    cds.FieldByName("COD_CL").SetAsString("4");
    cds.Post();
    EXPECT_EQ(cds.RecordCount(), 4);
    EXPECT_EQ(cds.GetUpdateStatus(), UpdateStatus::Inserted);
    EXPECT_EQ(cds.ChangeCount(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"change Ana Maria", "afterInsert", "change Davi",
                                             "beforePost Davi", "beforePost Davi"}));
    log.clear();
    cds.First();
    cds.Next();
    EXPECT_EQ(log, (std::vector<std::string>{"scroll 1", "scroll 2"}));
    EXPECT_THROW(cds.FieldByName("COD_CL").SetAsString("x"), Error);
}

TEST_F(DataSetTest, TextHooksAndDisplayFormat) {
    cds.Open();
    Field& nome = cds.FieldByName("NOME_CL");
    nome.OnGetText = [](Field& f, std::string& text, bool display) { text = display ? "<" + text + ">" : text; };
    nome.OnSetText = [](Field& f, const std::string& text) { f.SetAsString(UpperCase(text)); };
    EXPECT_EQ(nome.DisplayText(), "<Ana>");
    EXPECT_EQ(nome.Text(), "Ana");
    cds.Edit();
    nome.SetText("ana");
    EXPECT_EQ(nome.AsString(), "ANA");
    cds.FieldByName("SALDO_CL").DisplayFormat = "#,##0.00";
    cds.FieldByName("SALDO_CL").SetAsString("1234,5");
    EXPECT_EQ(cds.FieldByName("SALDO_CL").DisplayText(), "1.234,50");
    EXPECT_THROW(cds.FieldByName("SALDO_CL").SetAsString("abc"), plat::EConvertError);
}

TEST_F(DataSetTest, LocateAndIndexFieldNames) {
    cds.Open();
    EXPECT_TRUE(cds.Locate("NOME_CL", Value::Text("Caio")));
    EXPECT_EQ(cds.FieldByName("COD_CL").AsInteger(), 3);
    EXPECT_TRUE(cds.Locate("COD_CL", Value::Text("2")));  // value converted to the field's type
    EXPECT_FALSE(cds.Locate("COD_CL", Value::Text("dois")));
    EXPECT_EQ(cds.FieldByName("COD_CL").AsInteger(), 2);  // not found: stays where it was
    EXPECT_FALSE(cds.Locate("NOME_CL", Value::Text("caio")));
    EXPECT_TRUE(cds.Locate("NOME_CL", Value::Text("caio"), {.caseInsensitive = true}));
    EXPECT_TRUE(cds.Locate("NOME_CL;CIDADE_CL", {Value::Text("Bia"), Value()}));
    EXPECT_EQ(cds.FieldByName("COD_CL").AsInteger(), 2);
    cds.SetIndexFieldNames("CIDADE_CL;NOME_CL");  // nulls first
    EXPECT_EQ(cds.FieldByName("COD_CL").AsInteger(), 2);  // stays on the same record
    std::string ordem;
    for (cds.First(); !cds.Eof(); cds.Next()) ordem += cds.FieldByName("NOME_CL").AsString() + ";";
    EXPECT_EQ(ordem, "Bia;Caio;Ana;");
}

TEST_F(DataSetTest, StatementsOfEachUpdateMode) {
    cds.Open();
    EditName(2, "Beatriz");  // CIDADE_CL is null in the original
    cds.ApplyUpdates(0);
    ASSERT_EQ(dsp.LastStatements().size(), 1u);
    EXPECT_EQ(dsp.LastStatements()[0],
              "UPDATE CLI SET NOME_CL = ? WHERE COD_CL = ? AND NOME_CL = ? AND CIDADE_CL IS NULL AND "
              "SALDO_CL = ? AND ALTERADO_CL IS NULL");

    dsp.SetUpdateMode(UpdateMode::WhereChanged);
    EditName(2, "Bia");
    cds.ApplyUpdates(0);
    EXPECT_EQ(dsp.LastStatements()[0], "UPDATE CLI SET NOME_CL = ? WHERE COD_CL = ? AND NOME_CL = ?");

    dsp.SetUpdateMode(UpdateMode::WhereKeyOnly);
    EditName(2, "B");
    cds.Delete();
    cds.Append();
    cds.FieldByName("COD_CL").SetAsInteger(9);
    cds.FieldByName("OBS_CL").SetAsString("nota");
    cds.Post();
    cds.ApplyUpdates(0);
    EXPECT_EQ(dsp.LastStatements(), (std::vector<std::string>{"DELETE FROM CLI WHERE COD_CL = ?",
                                                              "INSERT INTO CLI (COD_CL, OBS_CL) VALUES (?, ?)"}));
    EXPECT_EQ(Nomes(), "1=Ana,3=Caio,9=");
    EXPECT_EQ(cds.ChangeCount(), 0);
}

TEST_F(DataSetTest, ProvidersShareTheConnectionsStatementCache) {
    cds.Open();
    EditName(1, "Ana 1");
    cds.ApplyUpdates(0);
    const auto antes = t.Conn().PrepareCount();
    {
        Query sql2(t.Conn());
        sql2.SetSQL("SELECT * FROM CLI ORDER BY COD_CL");
        Provider outro(sql2);
        ClientDataSet cds2;
        cds2.SetProvider(&outro);
        cds2.Open();
        ASSERT_TRUE(cds2.Locate("COD_CL", Value::Integer(1)));
        cds2.Edit();
        cds2.FieldByName("NOME_CL").SetAsString("Ana 2");
        cds2.Post();
        cds2.ApplyUpdates(0);
    }
    EXPECT_EQ(t.Conn().PrepareCount(), antes);  // the same SELECT and UPDATE, prepared once
    EXPECT_EQ(Nomes(), "1=Ana 2,2=Bia,3=Caio");
}

TEST_F(DataSetTest, BeforeUpdateRecordFlagsDecideTheKey) {
    dsp.OnBeforeUpdateRecord = [](Provider&, DeltaRecord& d, UpdateKind, bool&) {
        for (std::size_t i = 0; i < d.FieldCount(); ++i)
            d.Fields(i).SetProviderFlags(UpperCase(d.Fields(i).FieldName()) == "NOME_CL"
                                             ? pfInUpdate | pfInWhere | pfInKey
                                             : pfInUpdate);
    };
    cds.Open();
    ASSERT_TRUE(cds.Locate("COD_CL", Value::Integer(3)));
    cds.Edit();
    cds.FieldByName("CIDADE_CL").SetAsString("Jaú");
    cds.Post();
    cds.ApplyUpdates(0);
    EXPECT_EQ(dsp.LastStatements()[0], "UPDATE CLI SET CIDADE_CL = ? WHERE NOME_CL = ?");
}

TEST_F(DataSetTest, UpdateMatchingNoRowIsAnErrorAndKeepsTheChangeLog) {
    cds.Open();
    t.Exec("UPDATE CLI SET SALDO_CL = 99 WHERE COD_CL = 1");  // another user changed the row
    EditName(1, "Outra");
    try {
        cds.ApplyUpdates(0);
        FAIL() << "apply should fail";
    } catch (const Error& e) {
        EXPECT_TRUE(e.RegistroAlterado());
    }
    EXPECT_EQ(cds.ChangeCount(), 1);
    EXPECT_EQ(Nomes(), "1=Ana,2=Bia,3=Caio");
    // a deleted row is an error too
    t.Exec("DELETE FROM CLI WHERE COD_CL = 3");
    cds.CancelUpdates();
    ASSERT_TRUE(cds.Locate("COD_CL", Value::Integer(3)));
    cds.Delete();
    EXPECT_THROW(cds.ApplyUpdates(0), Error);
}

TEST_F(DataSetTest, ApplyStopsAtFirstRefusedRecordAndRollsBackEverything) {
    cds.Open();
    EditName(1, "Ana 2");
    cds.Append();
    cds.FieldByName("COD_CL").SetAsInteger(2);  // duplicate key
    cds.Post();
    EditName(3, "Caio 2");
    try {
        cds.ApplyUpdates(0);
        FAIL();
    } catch (const Error& e) {
        EXPECT_TRUE(e.ChaveDuplicada());
    }
    EXPECT_EQ(Nomes(), "1=Ana,2=Bia,3=Caio");  // the first update was rolled back
    EXPECT_EQ(cds.ChangeCount(), 3);
    // corrected, the retry goes through
    ASSERT_TRUE(cds.Locate("NOME_CL", Value()));
    cds.Edit();
    cds.FieldByName("COD_CL").SetAsInteger(4);
    cds.FieldByName("NOME_CL").SetAsString("Duda");
    cds.Post();
    EXPECT_EQ(cds.ApplyUpdates(0), 0);
    EXPECT_EQ(Nomes(), "1=Ana 2,2=Bia,3=Caio 2,4=Duda");
    EXPECT_EQ(cds.ChangeCount(), 0);
}

TEST_F(DataSetTest, UpdateErrorResponses) {
    cds.Open();
    // Record 2 changes under us before each round, so its where-all update fails.
    auto conflito = [&](const std::string& n) {
        t.Exec("UPDATE CLI SET SALDO_CL = SALDO_CL + 1 WHERE COD_CL = 2");
        EditName(1, "A" + n);
        EditName(2, "B" + n);
        EditName(3, "C" + n);
    };
    std::vector<UpdateKind> kinds;
    UpdateResponse resposta = UpdateResponse::Skip;
    dsp.OnUpdateError = [&](Provider&, const Error& e, DeltaRecord& d, UpdateKind k, UpdateResponse& r) {
        EXPECT_TRUE(e.RegistroAlterado());
        EXPECT_EQ(d.FieldByName("COD_CL").OldValue().AsInteger(), 2);
        EXPECT_EQ(r, UpdateResponse::Abort);  // proposal with a maximum of zero errors
        kinds.push_back(k);
        r = resposta;
    };
    Query saldo(t.Conn());
    saldo.SetSQL("SELECT SALDO_CL FROM CLI WHERE COD_CL = 2");

    // Ignore: dropped from the change log, the rest applied, no error
    conflito("1");
    resposta = UpdateResponse::Ignore;
    EXPECT_EQ(cds.ApplyUpdates(0), 0);
    EXPECT_EQ(Nomes(), "1=A1,2=Bia,3=C1");
    EXPECT_EQ(cds.ChangeCount(), 0);
    EXPECT_EQ(kinds, std::vector<UpdateKind>{UpdateKind::Modify});

    // Abort: everything rolled back, error raised, change log kept
    cds.Refresh();
    conflito("2");
    resposta = UpdateResponse::Abort;
    EXPECT_THROW(cds.ApplyUpdates(0), Error);
    EXPECT_EQ(Nomes(), "1=A1,2=Bia,3=C1");
    EXPECT_EQ(cds.ChangeCount(), 3);

    // Merge: the changed fields are written by key, over the other user's change
    resposta = UpdateResponse::Merge;
    EXPECT_EQ(cds.ApplyUpdates(0), 0);
    EXPECT_EQ(Nomes(), "1=A2,2=B2,3=C2");
    saldo.Open();
    EXPECT_EQ(saldo.Field(0).AsString(), "2");  // the other user's value stays
    saldo.Close();

    // Apply: every field written by key (the other user's value is overwritten)
    cds.Refresh();
    conflito("3");
    resposta = UpdateResponse::Apply;
    EXPECT_EQ(cds.ApplyUpdates(0), 0);
    EXPECT_EQ(Nomes(), "1=A3,2=B3,3=C3");
    saldo.Open();
    EXPECT_EQ(saldo.Field(0).AsString(), "2");  // the value this data set had read
    saldo.Close();

    // Skip with a maximum of zero errors still fails the apply and rolls back
    cds.Refresh();
    conflito("4");
    resposta = UpdateResponse::Skip;
    EXPECT_THROW(cds.ApplyUpdates(0), Error);
    EXPECT_EQ(cds.ChangeCount(), 3);
    EXPECT_EQ(Nomes(), "1=A3,2=B3,3=C3");
    // ... and with no limit the others go through while the refused one stays pending
    dsp.OnUpdateError = nullptr;
    EXPECT_EQ(cds.ApplyUpdates(-1), 1);
    EXPECT_EQ(Nomes(), "1=A4,2=B3,3=C4");
    EXPECT_EQ(cds.ChangeCount(), 1);
}

TEST_F(DataSetTest, UpdateErrorHookMayRaise) {
    struct Proprio : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    dsp.OnUpdateError = [](Provider&, const Error& e, DeltaRecord&, UpdateKind, UpdateResponse& r) {
        r = UpdateResponse::Abort;
        throw Proprio(e.what());
    };
    cds.Open();
    EditName(1, "A1");
    cds.Append();
    cds.FieldByName("COD_CL").SetAsInteger(3);
    cds.Post();
    EXPECT_THROW(cds.ApplyUpdates(0), Proprio);
    EXPECT_EQ(Nomes(), "1=Ana,2=Bia,3=Caio");
    EXPECT_EQ(cds.ChangeCount(), 2);
}

TEST_F(DataSetTest, ReconcileCancelRestoresTheRecord) {
    cds.Open();
    t.Exec("UPDATE CLI SET SALDO_CL = 5 WHERE COD_CL = 2");
    EditName(2, "B1");
    int chamadas = 0;
    cds.OnReconcileError = [&](ClientDataSet&, const Error&, UpdateKind k, ReconcileAction& a) {
        ++chamadas;
        EXPECT_EQ(k, UpdateKind::Modify);
        a = ReconcileAction::Cancel;
    };
    EXPECT_EQ(cds.ApplyUpdates(0), 1);
    EXPECT_EQ(chamadas, 1);
    EXPECT_EQ(cds.ChangeCount(), 0);
    ASSERT_TRUE(cds.Locate("COD_CL", Value::Integer(2)));
    EXPECT_EQ(cds.FieldByName("NOME_CL").AsString(), "Bia");
}

TEST_F(DataSetTest, RefreshAfterApplyReadsBackServerValues) {
    t.Exec("CREATE TRIGGER CLI_BU FOR CLI BEFORE INSERT OR UPDATE AS BEGIN "
           "NEW.ALTERADO_CL = TIMESTAMP '2024-01-02 03:04:05'; NEW.NOME_CL = UPPER(NEW.NOME_CL); END");
    dsp.RefreshAfterApply = true;
    cds.Open();
    EditName(1, "ana");
    cds.ApplyUpdates(0);
    ASSERT_TRUE(cds.Locate("COD_CL", Value::Integer(1)));
    EXPECT_EQ(cds.FieldByName("NOME_CL").AsString(), "ANA");
    EXPECT_EQ(cds.FieldByName("ALTERADO_CL").AsString(), "02/01/2024 03:04:05");
    EXPECT_EQ(cds.FieldByName("NOME_CL").OldValue().AsString(), "ANA");
}

TEST_F(DataSetTest, CallerTransactionSharesSeveralApplies) {
    Query sql2(t.Conn());
    sql2.SetSQL("SELECT * FROM CLI WHERE COD_CL = 3");
    Provider dsp2(sql2);
    ClientDataSet cds2;
    cds2.SetProvider(&dsp2);
    cds.Open();
    cds2.Open();
    EditName(1, "A1");
    cds2.Edit();
    cds2.FieldByName("NOME_CL").SetAsString("C1");
    cds2.Post();
    {
        Transaction tr = t.Conn().StartTransaction();
        cds.ApplyUpdates(tr, 0);
        cds2.ApplyUpdates(tr, 0);
        t.Conn().ExecSQL("INSERT INTO CLI (COD_CL, NOME_CL) VALUES (8, 'log')", &tr);
        tr.Rollback();
    }
    EXPECT_EQ(Nomes(), "1=Ana,2=Bia,3=Caio");
    EXPECT_EQ(cds.ChangeCount(), 1);  // kept for a retry
    EXPECT_EQ(cds2.ChangeCount(), 1);
    Transaction tr = t.Conn().StartTransaction();
    cds.ApplyUpdates(tr, 0);
    cds2.ApplyUpdates(tr, 0);
    EXPECT_EQ(cds.ChangeCount(), 1);  // merged only when the transaction commits
    tr.Commit();
    EXPECT_EQ(cds.ChangeCount(), 0);
    EXPECT_EQ(cds2.ChangeCount(), 0);
    EXPECT_EQ(Nomes(), "1=A1,2=Bia,3=C1");
}

TEST_F(DataSetTest, DeltaPacketLayout) {
    cds.Open();
    EditName(2, "B1");             // modified: before-image + modified row
    cds.Append();                  // inserted
    cds.FieldByName("COD_CL").SetAsInteger(5);
    cds.Post();
    ASSERT_TRUE(cds.Locate("COD_CL", Value::Integer(3)));
    cds.Delete();                  // deleted
    ASSERT_TRUE(cds.Locate("COD_CL", Value::Integer(1)));
    cds.Edit();                    // set back to its value: nothing assigned
    cds.FieldByName("NOME_CL").SetAsString("X");
    cds.FieldByName("NOME_CL").SetAsString("Ana");
    cds.FieldByName("CIDADE_CL").Clear();  // changed to null: assigned
    cds.Post();

    DataPacket d = cds.Delta();
    ASSERT_EQ(d.rows.size(), 6u);
    int nome = d.fields.IndexOf("NOME_CL"), cidade = d.fields.IndexOf("CIDADE_CL");
    EXPECT_EQ(d.rows[0].status, UpdateStatus::Unmodified);
    EXPECT_EQ(d.rows[0].values[nome].AsString(), "Bia");
    EXPECT_EQ(d.rows[1].status, UpdateStatus::Modified);
    EXPECT_TRUE(d.rows[1].Assigned(nome));
    EXPECT_FALSE(d.rows[1].Assigned(cidade));
    EXPECT_EQ(d.rows[2].status, UpdateStatus::Inserted);
    EXPECT_EQ(d.rows[3].status, UpdateStatus::Deleted);
    EXPECT_EQ(d.rows[3].values[nome].AsString(), "Caio");
    EXPECT_EQ(d.rows[5].status, UpdateStatus::Modified);
    EXPECT_FALSE(d.rows[5].Assigned(nome));
    EXPECT_TRUE(d.rows[5].Assigned(cidade));
    EXPECT_TRUE(d.rows[5].values[cidade].IsNull());

    // a packet assigned to another data set can be walked row by row
    ClientDataSet tmp;
    tmp.SetData(d);
    EXPECT_EQ(tmp.RecordCount(), 6);
    tmp.First();
    EXPECT_EQ(tmp.GetUpdateStatus(), UpdateStatus::Unmodified);
    tmp.Next();
    EXPECT_EQ(tmp.GetUpdateStatus(), UpdateStatus::Modified);
    EXPECT_TRUE(tmp.FieldByName("NOME_CL").Assigned());
    EXPECT_FALSE(tmp.FieldByName("CIDADE_CL").Assigned());
    EXPECT_EQ(tmp.ChangeCount(), 0);
}

TEST_F(DataSetTest, CreateDataSetFromFieldDefsAndCancelUpdates) {
    ClientDataSet mem;
    mem.GetFieldDefs().Add("CODIGO", DataType::Integer, 0, true);
    mem.GetFieldDefs().Add("VALOR", DataType::Decimal).scale = 2;
    mem.CreateDataSet();
    EXPECT_TRUE(mem.IsEmpty());
    mem.Append();
    mem.FieldByName("CODIGO").SetAsInteger(1);
    mem.FieldByName("VALOR").SetAsString("2,345");  // rounded to the field's scale
    mem.Post();
    EXPECT_EQ(mem.FieldByName("VALOR").AsString(), "2,35");
    mem.MergeChangeLog();
    mem.Edit();
    mem.FieldByName("VALOR").SetAsCurrency(Currency::FromInteger(3));
    mem.Post();
    mem.Append();
    mem.FieldByName("CODIGO").SetAsInteger(2);
    mem.Post();
    mem.First();
    mem.Delete();
    EXPECT_EQ(mem.ChangeCount(), 2);  // the modified-then-deleted record and the insert
    mem.CancelUpdates();
    EXPECT_EQ(mem.RecordCount(), 1);
    EXPECT_EQ(mem.FieldByName("VALOR").AsString(), "2,35");
    EXPECT_THROW(mem.ApplyUpdates(0), Error);  // no provider
}

TEST_F(DataSetTest, PersistentAndCalculatedFields) {
    Field& cod = cds.AddField("COD_CL", DataType::Integer);
    cod.SetProviderFlags(pfInUpdate | pfInWhere | pfInKey);
    cds.AddField("NOME_CL", DataType::String, 30);
    Field& calc = cds.AddCalcField("ROTULO", DataType::String, 40);
    cds.OnCalcFields = [](ClientDataSet& d) {
        d.FieldByName("ROTULO").SetAsString(d.FieldByName("COD_CL").AsString() + "-" + d.FieldByName("NOME_CL").AsString());
    };
    cds.Open();
    EXPECT_EQ(cds.FieldCount(), 3u);
    EXPECT_EQ(calc.AsString(), "1-Ana");
    EXPECT_EQ(cds.FindField("CIDADE_CL"), nullptr);
    EditName(2, "Bel");
    EXPECT_EQ(calc.AsString(), "2-Bel");
    cds.ApplyUpdates(0);
    EXPECT_EQ(Nomes(), "1=Ana,2=Bel,3=Caio");

    ClientDataSet falta;
    falta.SetProvider(&dsp);
    falta.AddField("NAO_HA", DataType::String, 3);
    EXPECT_THROW(falta.Open(), Error);
}

TEST_F(DataSetTest, DeleteErrorHookActions) {
    cds.Open();
    ClientDataSet vazio;
    vazio.GetFieldDefs().Add("X", DataType::Integer);
    vazio.CreateDataSet();
    int chamadas = 0;
    vazio.OnDeleteError = [&](ClientDataSet&, const std::exception&, DataAction& a) {
        ++chamadas;
        a = DataAction::Abort;
    };
    EXPECT_THROW(vazio.Delete(), plat::EAbort);
    EXPECT_EQ(chamadas, 1);
    vazio.OnDeleteError = nullptr;
    EXPECT_THROW(vazio.Delete(), Error);
}

}  // namespace
