#include "shell/UCRSQLConnection.h"

#include <gtest/gtest.h>

#include "support/TestDb.h"
#include "db/Query.h"
#include "platform/Mensagens.h"

namespace {

std::string Erro(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing raised)";
}

TEST(TCRSQLConnection, UnconfiguredConnectionRefusesEveryUseNamingTheMissingDriver) {
    TestDb banco;
    TCRSQLConnection c("ConexaoPrincipal");
    c.Params = {"Database=" + banco.Path()};  // a location alone is not a configuration
    const std::string esperado = TCRSQLConnection::MensagemSemDriver("ConexaoPrincipal");
    EXPECT_NE(esperado.find("não configurado"), std::string::npos);
    EXPECT_EQ(Erro([&] { c.Open(); }), esperado);
    db::Query q(c);
    q.SetSQL("select 1 from RDB$DATABASE");
    EXPECT_EQ(Erro([&] { q.Open(); }), esperado);
    EXPECT_FALSE(c.Connected());
}

TEST(TCRSQLConnection, TakesItsLinkFromTheListAndHandsTheOptionsAfterConnecting) {
    TestDb banco;
    TCRSQLConnection c;
    conexoes::ConfigurarDevart(c, banco.Path(), "segredo");
    EXPECT_TRUE(c.OpcoesEntregues().empty());
    c.Open();
    EXPECT_TRUE(c.Connected());
    EXPECT_EQ(c.Database(), banco.Path());
    EXPECT_EQ(c.UserName(), "SYSDBA");
    EXPECT_EQ(c.Password(), "segredo");
    EXPECT_EQ(c.SqlDialect(), 3);
    EXPECT_TRUE(c.WaitOnLocks());
    EXPECT_EQ(c.GetIsolation(), db::Isolation::ReadCommitted);
    EXPECT_EQ(c.BlobSize(), -1);
    const std::vector<TOpcaoEntregue> esperado = {
        {202, 0, "UseQuoteChar"}, {401, 0, "OptimizedNumerics"}, {203, 1, "CharLength"},
        {102, 1, "EnableBCD"},    {101, 1, "LongStrings"},       {301, 0, "FetchAll"}};
    EXPECT_EQ(c.OpcoesEntregues(), esperado);

    db::Query q(c);
    q.SetSQL("select 7 as N from RDB$DATABASE");
    q.Open();
    EXPECT_EQ(q.FieldByName("N").AsInteger(), 7);
}

TEST(TCRSQLConnection, DialectOneAndOtherIsolationEntriesAreTaken) {
    TestDb banco;
    TCRSQLConnection c;
    c.DriverName = "Interbase";
    c.Params = {"Database=" + banco.Path(), "SQLDialect=1", "WaitOnLocks=False",
                "Interbase TransIsolation=RepeatableRead", "User_Name=sysdba"};
    c.Open();
    EXPECT_EQ(c.SqlDialect(), 1);
    EXPECT_FALSE(c.WaitOnLocks());
    EXPECT_EQ(c.GetIsolation(), db::Isolation::Snapshot);
    EXPECT_TRUE(c.OpcoesEntregues().empty());
    db::Query q(c);
    q.SetSQL("select RDB$RELATION_ID from RDB$DATABASE");
    q.Open();
    EXPECT_FALSE(q.Eof());
}

TEST(TCRSQLConnection, AnOptionThatIsNotAnIntegerFailsTheOpening) {
    TestDb banco;
    TCRSQLConnection c;
    conexoes::ConfigurarDevart(c, banco.Path(), "x");
    for (auto& l : c.Params)
        if (l == "CharLength=1") l = "CharLength=um";
    EXPECT_THROW(c.Open(), plat::EConvertError);
    EXPECT_FALSE(c.Connected());
    // Corrected, the same connection opens.
    for (auto& l : c.Params)
        if (l == "CharLength=um") l = "CharLength=2";
    c.Open();
    EXPECT_TRUE(c.Connected());
    EXPECT_EQ(std::get<int>(c.OpcoesEntregues()[2].Valor), 2);
}

}  // namespace
