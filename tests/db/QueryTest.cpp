// Connection, values and queries against a fresh embedded database.
#include <gtest/gtest.h>

#include "support/TestDb.h"
#include "db/Query.h"
#include "platform/Cp1252.h"
#include "platform/DataHora.h"

using namespace db;

namespace {

class QueryTest : public ::testing::Test {
protected:
    TestDb t;
    void SetUp() override {
        t.Exec("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NOME VARCHAR(40), CH CHAR(4), "
               "VALOR NUMERIC(15,2), PRECO NUMERIC(18,4), QTD DECIMAL(9,3), PESO DOUBLE PRECISION, "
               "DATA TIMESTAMP, DIA DATE, HORA TIME, OBS BLOB SUB_TYPE 1, BIN BLOB SUB_TYPE 0, "
               "PEQ SMALLINT, GRANDE BIGINT)");
    }
};

TEST_F(QueryTest, ParametersAreParsedOutsideLiteralsQuotedNamesAndComments) {
    ParsedSql p = ParseParams(
        "select ':x', \"A:B\", a::b from t -- :c\n where id = :Id and x = :ID /* :d */ and y=:nome_2");
    EXPECT_EQ(p.names, (std::vector<std::string>{"ID", "ID", "NOME_2"}));
    EXPECT_EQ(p.sql, "select ':x', \"A:B\", a::b from t -- :c\n where id = ? and x = ? /* :d */ and y=?");
    // escaped quote inside a literal does not end it
    EXPECT_TRUE(ParseParams("select 'it''s :no' from t").names.empty());
}

TEST_F(QueryTest, RepeatedAndMixedCaseParametersShareOneValue) {
    Query ins(t.Conn());
    ins.SetSQL("insert into T (ID, NOME, PEQ) values (:id, :Nome, :ID)");
    EXPECT_EQ(ins.GetParams().Count(), 2u);
    ins.ParamByName("ID").SetAsInteger(7);
    ins.ParamByName("nome").SetAsString("sete");
    EXPECT_EQ(ins.ExecSQL(), 1);
    Query q(t.Conn());
    q.SetSQL("select NOME, PEQ from T where ID = :ID");
    q.ParamByName("id").SetAsInteger(7);
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName("nome").AsString(), "sete");
    EXPECT_EQ(q.FieldByName("PEQ").AsInteger(), 7);
    EXPECT_THROW(q.ParamByName("nada"), Error);
    EXPECT_THROW(q.FieldByName("nada"), Error);
}

TEST_F(QueryTest, NullsReadAsEmptyOrZero) {
    t.Exec("insert into T (ID) values (1)");
    Query q(t.Conn());
    q.SetSQL("select * from T");
    q.Open();
    for (const char* f : {"NOME", "VALOR", "DATA", "OBS", "PESO"}) {
        EXPECT_TRUE(q.FieldByName(f).IsNull()) << f;
        EXPECT_EQ(q.FieldByName(f).AsString(), "") << f;
        EXPECT_EQ(q.FieldByName(f).AsInteger(), 0) << f;
        EXPECT_EQ(q.FieldByName(f).AsCurrency(), Currency()) << f;
    }
    Query up(t.Conn());
    up.SetSQL("update T set NOME = :N where ID = 1");
    up.ParamByName("N").SetAsString("x");
    up.ExecSQL();
    up.ParamByName("N").SetNull();
    up.ExecSQL();
    q.Close();
    q.Open();
    EXPECT_TRUE(q.FieldByName("NOME").IsNull());
}

TEST_F(QueryTest, DecimalsAndCurrencyStayExact) {
    Query ins(t.Conn());
    ins.SetSQL("insert into T (ID, VALOR, PRECO, QTD, GRANDE) values (:ID, :V, :P, :Q, :G)");
    ins.ParamByName("ID").SetAsInteger(1);
    ins.ParamByName("V").SetAsCurrency(Currency::Parse("1234567890123,45"));
    ins.ParamByName("P").SetAsCurrency(Currency::FromRaw(9223372036854775807LL));  // max of NUMERIC(18,4)
    ins.ParamByName("Q").SetAsString("0,125");
    ins.ParamByName("G").SetAsInteger(-9223372036854775807LL);
    ins.ExecSQL();
    ins.ParamByName("ID").SetAsInteger(2);
    ins.ParamByName("V").SetAsFloat(0.1 + 0.2);  // rounded to the column's scale
    ins.ParamByName("P").SetAsString("-0.0001");
    ins.ParamByName("Q").SetAsInteger(3);
    ins.ExecSQL();

    Query q(t.Conn());
    q.SetSQL("select VALOR, PRECO, QTD, GRANDE, VALOR * 3 AS TRIPLO from T order by ID");
    q.Open();
    EXPECT_EQ(q.FieldByName("VALOR").AsCurrency(), Currency::Parse("1234567890123.45"));
    EXPECT_EQ(q.FieldByName("VALOR").AsString(), "1234567890123,45");
    EXPECT_EQ(q.FieldByName("PRECO").AsCurrency().Raw(), 9223372036854775807LL);
    EXPECT_EQ(q.FieldByName("QTD").RawInteger(), 125);
    EXPECT_EQ(q.FieldByName("QTD").Scale(), 3);
    EXPECT_EQ(q.FieldByName("GRANDE").AsInteger(), -9223372036854775807LL);
    EXPECT_EQ(q.FieldByName("TRIPLO").AsCurrency(), Currency::Parse("3703703670370,35"));
    q.Next();
    EXPECT_EQ(q.FieldByName("VALOR").AsString(), "0,3");
    EXPECT_EQ(q.FieldByName("PRECO").AsCurrency().Raw(), -1);
    EXPECT_EQ(q.FieldByName("QTD").AsString(), "3");

    // out of range for the column: an error, never a wrapped value
    Query over(t.Conn());
    over.SetSQL("update T set PEQ = :P where ID = 1");
    over.ParamByName("P").SetAsInteger(40000);
    EXPECT_THROW(over.ExecSQL(), Error);
}

TEST_F(QueryTest, TimestampsRoundTripExactly) {
    TDateTime agora = plat::EncodeDate(2024, 2, 29) + plat::EncodeTime(23, 59, 59, 999);
    TDateTime antigo = -1.25;  // 29 Dec 1899 06:00
    Query ins(t.Conn());
    ins.SetSQL("insert into T (ID, DATA, DIA, HORA) values (:ID, :D, :D, :D)");
    ins.ParamByName("ID").SetAsInteger(1);
    ins.ParamByName("D").SetAsDateTime(agora);
    ins.ExecSQL();
    ins.ParamByName("ID").SetAsInteger(2);
    ins.ParamByName("D").SetAsDateTime(antigo);
    ins.ExecSQL();
    Query q(t.Conn());
    q.SetSQL("select DATA, DIA, HORA, CAST(DATA AS VARCHAR(30)) AS TXT from T order by ID");
    q.Open();
    EXPECT_EQ(q.FieldByName("DATA").AsDateTime(), agora);
    EXPECT_EQ(q.FieldByName("DIA").AsDateTime(), plat::EncodeDate(2024, 2, 29));
    EXPECT_DOUBLE_EQ(q.FieldByName("HORA").AsDateTime(), plat::EncodeTime(23, 59, 59, 999));
    EXPECT_EQ(q.FieldByName("TXT").AsString(), "2024-02-29 23:59:59.9990");
    EXPECT_EQ(q.FieldByName("DATA").AsString(), "29/02/2024 23:59:59");
    q.Next();
    EXPECT_EQ(q.FieldByName("DATA").AsDateTime(), antigo);
    EXPECT_EQ(q.FieldByName("TXT").AsString(), "1899-12-29 06:00:00.0000");
}

TEST_F(QueryTest, Windows1252TextRoundTripsIncludingUndefinedBytes) {
    std::string todos;
    for (int b = 0x20; b <= 0xFF; ++b) todos += static_cast<char>(b);
    std::string utf8 = plat::Cp1252ParaUtf8(todos);
    Query ins(t.Conn());
    ins.SetSQL("insert into T (ID, NOME, OBS) values (:ID, :N, :O)");
    ins.ParamByName("ID").SetAsInteger(1);
    ins.ParamByName("N").SetAsString("Produção Ação €");
    ins.ParamByName("O").SetAsString(utf8);
    ins.ExecSQL();
    Query q(t.Conn());
    q.SetSQL("select NOME, OCTET_LENGTH(NOME) AS BYTES, OBS from T where NOME = 'Produção Ação €'");
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName("NOME").AsString(), "Produção Ação €");
    EXPECT_EQ(q.FieldByName("BYTES").AsInteger(), 15);  // one byte per character in the database
    EXPECT_EQ(q.FieldByName("NOME").AsBytes(), "Produ\xE7\xE3o A\xE7\xE3o \x80");
    EXPECT_EQ(q.FieldByName("OBS").AsString(), utf8);
    EXPECT_EQ(q.FieldByName("OBS").AsBytes(), todos);
    // a character Windows-1252 cannot hold is refused, not mangled
    ins.ParamByName("ID").SetAsInteger(2);
    ins.ParamByName("N").SetAsString("日本");
    EXPECT_THROW(ins.ExecSQL(), Error);
}

TEST_F(QueryTest, RawBytesAndLongTextBlobs) {
    std::string grande(200000, 'x');
    grande[150000] = '\xC3';  // not valid UTF-8 on purpose: raw bytes go through unchanged
    Query ins(t.Conn());
    ins.SetSQL("insert into T (ID, BIN, CH) values (1, :B, :C)");
    ins.ParamByName("B").SetAsBytes(grande);
    ins.ParamByName("C").SetAsBytes("\x81\x8D");
    ins.ExecSQL();
    Query q(t.Conn());
    q.SetSQL("select BIN, CH from T");
    q.Open();
    EXPECT_EQ(q.FieldByName("BIN").AsBytes(), grande);
    EXPECT_EQ(q.FieldByName("CH").AsBytes(), std::string("\x81\x8D  "));  // CHAR keeps its padding
}

TEST_F(QueryTest, SameTextIsPreparedOnce) {
    Query ins(t.Conn());
    ins.SetSQL("insert into T (ID) values (:ID)");
    ins.ParamByName("ID").SetAsInteger(1);
    ins.ExecSQL();
    auto antes = t.Conn().PrepareCount();
    for (int i = 2; i < 20; ++i) {
        ins.ParamByName("ID").SetAsInteger(i);
        ins.ExecSQL();
    }
    EXPECT_EQ(t.Conn().PrepareCount(), antes);
    // another query object with the same text reuses the connection's statement
    {
        Query outra(t.Conn());
        outra.SetSQL("select count(*) from T");
        outra.Open();
        EXPECT_EQ(outra.Field(0).AsInteger(), 19);
    }
    antes = t.Conn().PrepareCount();
    Query outra(t.Conn());
    outra.SetSQL("select count(*) from T");
    outra.Open();
    EXPECT_EQ(t.Conn().PrepareCount(), antes);
}

TEST_F(QueryTest, StatementCacheKeepsTheWorkingSetAndEvictsTheLeastRecentlyUsed) {
    const std::size_t n = Connection::kStatementCacheSize;
    Connection& c = t.Conn();
    auto rodar = [&](std::size_t i) {
        Query q(c);
        q.SetSQL("select " + std::to_string(i) + " from RDB$DATABASE");
        q.Open();
        EXPECT_EQ(q.Field(0).AsInteger(), static_cast<std::int64_t>(i));
    };
    c.Close();
    const auto p0 = c.PrepareCount();
    for (int vez = 0; vez < 2; ++vez)
        for (std::size_t i = 0; i < n; ++i) rodar(i);
    EXPECT_EQ(c.PrepareCount() - p0, n);  // a working set that fits: never prepared again
    rodar(0);                              // now the newest; 1 is the oldest
    rodar(n);                              // one too many: 1 goes
    rodar(0);
    EXPECT_EQ(c.PrepareCount() - p0, n + 1);
    rodar(1);
    EXPECT_EQ(c.PrepareCount() - p0, n + 2);
    EXPECT_EQ(c.CachedStatements(), n);
    c.Close();
    EXPECT_EQ(c.CachedStatements(), 0u);  // dropped with the attachment
}

TEST_F(QueryTest, ReadsOutsideATransactionRunReadOnlyWritesReadWrite) {
    Query q(t.Conn());
    q.SetSQL("select MON$READ_ONLY, MON$ISOLATION_MODE from MON$TRANSACTIONS "
             "where MON$TRANSACTION_ID = CURRENT_TRANSACTION");
    q.Open();
    EXPECT_EQ(q.Field(0).AsInteger(), 1);
    EXPECT_EQ(q.Field(1).AsInteger(), 2);  // read committed, record version
    t.Conn().SetLockTimeout(7);
    Transaction tr = t.Conn().StartTransaction();
    q.SetTransaction(&tr);
    q.Close();
    q.SetSQL("select MON$READ_ONLY, MON$ISOLATION_MODE, MON$LOCK_TIMEOUT from MON$TRANSACTIONS "
             "where MON$TRANSACTION_ID = CURRENT_TRANSACTION");
    q.Open();
    EXPECT_EQ(q.Field(0).AsInteger(), 0);  // the caller's transaction as it is
    EXPECT_EQ(q.Field(2).AsInteger(), 7);
    tr.Commit();

    // a selectable procedure that writes meets the read-only transaction, runs again
    // read-write (once), and is known as a writer from then on
    t.RunScriptText("CREATE GENERATOR G;\nSET TERM ^ ;\nCREATE PROCEDURE GRAVA RETURNS (N INTEGER) AS BEGIN "
                    "INSERT INTO T (ID) VALUES (GEN_ID(G, 1)); N = 1; SUSPEND; END^\nSET TERM ; ^");
    Query p(t.Conn());
    p.SetSQL("select N from GRAVA");
    for (int i = 0; i < 2; ++i) {
        p.Open();
        EXPECT_EQ(p.Field(0).AsInteger(), 1);
        p.Close();
    }
    Query n(t.Conn());
    n.SetSQL("select count(*) from T");
    n.Open();
    EXPECT_EQ(n.Field(0).AsInteger(), 2);
}

TEST_F(QueryTest, CallerTransactionCommitsOrRollsBack) {
    {
        Transaction tr = t.Conn().StartTransaction();
        Query ins(t.Conn());
        ins.SetTransaction(&tr);
        ins.SetSQL("insert into T (ID) values (1)");
        ins.ExecSQL();
        // destroyed without commit: rolled back
    }
    Transaction tr = t.Conn().StartTransaction();
    t.Conn().ExecSQL("insert into T (ID) values (2)", &tr);
    Query count(t.Conn());
    count.SetSQL("select count(*) from T");
    count.Open();
    EXPECT_EQ(count.Field(0).AsInteger(), 0);  // not visible outside before commit
    tr.Commit();
    EXPECT_FALSE(tr.Active());
    count.Close();
    count.Open();
    EXPECT_EQ(count.Field(0).AsInteger(), 1);
}

TEST_F(QueryTest, ErrorsCarryCodesAndSqlState) {
    t.Exec("insert into T (ID) values (1)");
    try {
        t.Exec("insert into T (ID) values (1)");
        FAIL();
    } catch (const Error& e) {
        EXPECT_TRUE(e.ChaveDuplicada());
        EXPECT_FALSE(e.ConexaoPerdida());
        EXPECT_EQ(e.SqlState(), "23000");
        EXPECT_NE(std::string(e.what()).find("PRIMARY"), std::string::npos) << e.what();
    }
    try {
        t.Exec("select * from NAO_EXISTE");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.SqlState(), "42S02");
        EXPECT_NE(std::string(e.what()).find("NAO_EXISTE"), std::string::npos) << e.what();
    }
}

TEST_F(QueryTest, NavigationOverRows) {
    for (int i = 1; i <= 3; ++i) t.Exec("insert into T (ID) values (" + std::to_string(i) + ")");
    Query q(t.Conn());
    q.SetSQL("select ID from T order by ID");
    q.Open();
    EXPECT_EQ(q.RecordCount(), 3u);
    int soma = 0;
    for (q.First(); !q.Eof(); q.Next()) soma += static_cast<int>(q.FieldByName("ID").AsInteger());
    EXPECT_EQ(soma, 6);
    q.Last();
    EXPECT_EQ(q.FieldByName("ID").AsInteger(), 3);
    q.Close();
    EXPECT_FALSE(q.Active());
}

}  // namespace
