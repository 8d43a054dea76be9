// Script runner and stored-procedure calls.
#include <gtest/gtest.h>

#include "db/Query.h"
#include "db/ScriptRunner.h"
#include "support/TestDb.h"

using namespace db;

namespace {

TEST(ScriptRunnerTest, SplitsOnTheCurrentTerminator) {
    auto st = ScriptRunner::Split(
        "CREATE TABLE A (X INTEGER); -- a comment; with a semicolon\n"
        "INSERT INTO A VALUES (';');\n"
        "SET TERM ^ ;\n"
        "CREATE PROCEDURE P AS BEGIN EXIT; END^\n"
        "SET TERM ; ^\n"
        "/* only a comment */\n"
        "COMMIT;");
    ASSERT_EQ(st.size(), 4u);
    EXPECT_EQ(st[1], "-- a comment; with a semicolon\nINSERT INTO A VALUES (';')");
    EXPECT_EQ(st[2], "CREATE PROCEDURE P AS BEGIN EXIT; END");
    EXPECT_EQ(st[3], "/* only a comment */\nCOMMIT");
}

TEST(ScriptRunnerTest, RunsProceduresAndLetsTheCallbackSkipFailures) {
    TestDb t;
    ScriptRunner r(t.Conn());
    std::vector<int> linhas;
    r.OnError = [&](const Error& e, const std::string& stmt, int line) {
        linhas.push_back(line);
        return ScriptAction::Skip;
    };
    int ok = r.Run(
        "CREATE TABLE LOGIN (USUARIO VARCHAR(20), QTD INTEGER);\n"
        "CREATE TABLE LOGIN (USUARIO VARCHAR(20));\n"  // exists: skipped
        "SET TERM ^ ;\n"
        "CREATE PROCEDURE SOMA (A INTEGER, B INTEGER) RETURNS (S INTEGER, TXT VARCHAR(20)) AS\n"
        "BEGIN\n"
        "  S = :A + :B;\n"
        "  TXT = 'soma: ' || :S;\n"
        "END^\n"
        "SET TERM ; ^\n"
        "INSERT INTO LOGIN VALUES ('ação', 1);\n");
    EXPECT_EQ(ok, 3);
    EXPECT_EQ(linhas, std::vector<int>{2});

    StoredProc stp(t.Conn());
    stp.SetStoredProcName("soma");
    ASSERT_EQ(stp.GetParams().Count(), 4u);
    EXPECT_EQ(stp.GetParams()[0].Name(), "A");
    EXPECT_EQ(stp.GetParams()[2].Direction(), ParamDirection::Output);
    stp.ParamByName("A").SetAsInteger(2);
    stp.ParamByName("B").SetAsInteger(40);
    stp.ExecProc();
    EXPECT_EQ(stp.ParamByName("S").AsInteger(), 42);
    EXPECT_EQ(stp.ParamByName("TXT").AsString(), "soma: 42");
    stp.Close();

    Query q(t.Conn());
    q.SetSQL("SELECT USUARIO FROM LOGIN");
    q.Open();
    EXPECT_EQ(q.FieldByName("USUARIO").AsString(), "ação");

    // without a callback the first failure stops the run with its error
    ScriptRunner estrito(t.Conn());
    EXPECT_THROW(estrito.Run("INSERT INTO NADA VALUES (1);\nINSERT INTO LOGIN VALUES ('x', 2);"), Error);
    StoredProc nenhuma(t.Conn());
    nenhuma.SetStoredProcName("NAO_EXISTE");
    EXPECT_THROW(nenhuma.ExecProc(), Error);
}

}  // namespace
