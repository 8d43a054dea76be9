// Against a private Firebird server on a loopback port: two connections to one
// database, and a connection that the server drops.
#include <gtest/gtest.h>

#include <memory>

#include "db/ClientDataSet.h"
#include "support/FirebirdServer.h"

using namespace db;

namespace {

class ServerTest : public ::testing::Test {
protected:
    static std::unique_ptr<FirebirdServer> server;
    static std::string base;

    static void SetUpTestSuite() { FirebirdServer::PrepararSuite(server, &PrepararServidor); }
    static void PrepararServidor() {
        if (!FirebirdServer::Available()) return;
        server = std::make_unique<FirebirdServer>();
        server->Start();
        base = server->Location(server->DataDir() + "/server.fdb");
        Connection c;
        Configure(c);
        c.CreateDatabase();
        c.ExecSQL("CREATE TABLE ITEM (ID INTEGER NOT NULL PRIMARY KEY, NOME VARCHAR(20), QTD INTEGER)");
    }
    static void TearDownTestSuite() { server.reset(); }

    static void Configure(Connection& c) {
        c.SetDatabase(base);
        c.SetUserName(server->User());
        c.SetPassword(server->Password());
    }

    void SetUp() override {
        if (!server) SEM_SERVIDOR_PULAR_OU_FALHAR();
        if (!server->Running()) server->Start();
        Configure(a);
        Configure(b);
        a.ExecSQL("DELETE FROM ITEM");
        a.ExecSQL("INSERT INTO ITEM VALUES (1, 'um', 10)");
        a.ExecSQL("INSERT INTO ITEM VALUES (2, 'dois', 20)");
    }

    Connection a, b;
};
std::unique_ptr<FirebirdServer> ServerTest::server;
std::string ServerTest::base;

TEST_F(ServerTest, WrongPasswordIsRefused) {
    Connection c;
    Configure(c);
    c.SetPassword("errada");
    EXPECT_THROW(c.Open(), Error);
    EXPECT_FALSE(c.Connected());
}

TEST_F(ServerTest, WhereAllUpdateFailsWhenAnotherConnectionChangedTheRow) {
    Query sql(a);
    sql.SetSQL("SELECT * FROM ITEM ORDER BY ID");
    Provider dsp(sql);
    ClientDataSet cds;
    cds.SetProvider(&dsp);
    cds.Open();
    b.ExecSQL("UPDATE ITEM SET QTD = 11 WHERE ID = 1");  // the other workstation
    cds.Edit();
    cds.FieldByName("NOME").SetAsString("um!");
    cds.Post();
    cds.Next();
    cds.Edit();
    cds.FieldByName("NOME").SetAsString("dois!");
    cds.Post();
    try {
        cds.ApplyUpdates(0);
        FAIL();
    } catch (const Error& e) {
        EXPECT_TRUE(e.RegistroAlterado()) << e.what();
    }
    Query q(b);
    q.SetSQL("SELECT LIST(NOME, ',') FROM (SELECT NOME FROM ITEM ORDER BY ID)");
    q.Open();
    EXPECT_EQ(q.Field(0).AsString(), "um,dois");
    EXPECT_EQ(cds.ChangeCount(), 2);
}

TEST_F(ServerTest, LockConflictIsRecognised) {
    a.SetWaitOnLocks(false);
    Transaction ta = a.StartTransaction();
    a.ExecSQL("UPDATE ITEM SET QTD = 1 WHERE ID = 1", &ta);
    b.SetWaitOnLocks(false);
    try {
        b.ExecSQL("UPDATE ITEM SET QTD = 2 WHERE ID = 1");
        FAIL();
    } catch (const Error& e) {
        EXPECT_TRUE(e.ConflitoDeBloqueio()) << e.what();
    }
    ta.Rollback();
}

TEST_F(ServerTest, ReattachesAfterTheServerRestarted) {
    Query q(a);
    q.SetSQL("SELECT COUNT(*) FROM ITEM");
    q.Open();
    EXPECT_EQ(q.Field(0).AsInteger(), 2);
    q.Close();
    Transaction tr = a.StartTransaction();
    a.ExecSQL("INSERT INTO ITEM VALUES (3, 'tres', 30)", &tr);

    server->Restart();

    // the operation that meets the dropped connection reports it ...
    try {
        tr.Commit();
        FAIL();
    } catch (const Error& e) {
        EXPECT_TRUE(e.ConexaoPerdida()) << e.what();
    }
    EXPECT_FALSE(a.Connected());
    // ... and the next use attaches again; nothing half-written stayed
    q.Open();
    EXPECT_EQ(q.Field(0).AsInteger(), 2);
    EXPECT_EQ(a.AttachCount(), 2u);
}

TEST_F(ServerTest, StatementsAfterARestartAttachAgainWithoutAnError) {
    Query q(a);
    q.SetSQL("SELECT NOME FROM ITEM WHERE ID = :ID");
    q.ParamByName("ID").SetAsInteger(1);
    q.Open();
    EXPECT_EQ(q.FieldByName("NOME").AsString(), "um");
    q.Close();
    server->Restart();
    // a statement of its own transaction, prepared before the restart
    q.Open();
    EXPECT_EQ(q.FieldByName("NOME").AsString(), "um");
    q.Close();
    EXPECT_EQ(a.AttachCount(), 2u);

    // a caller's transaction started after the restart writes normally
    server->Restart();
    Transaction tr = a.StartTransaction();
    a.ExecSQL("UPDATE ITEM SET QTD = 12 WHERE ID = 1", &tr);
    tr.Commit();
    Query b1(b);
    b1.SetSQL("SELECT QTD FROM ITEM WHERE ID = 1");
    b1.Open();
    EXPECT_EQ(b1.Field(0).AsInteger(), 12);
    EXPECT_EQ(a.AttachCount(), 3u);
}

TEST_F(ServerTest, StartingATransactionWhileTheServerIsDownFailsClearly) {
    a.Open();
    server->Stop();
    try {
        Transaction tr = a.StartTransaction();
        FAIL();
    } catch (const Error& e) {
        EXPECT_FALSE(std::string(e.what()).empty());
    }
    EXPECT_FALSE(a.Connected());
    server->Start();
    EXPECT_EQ(a.ExecSQL("UPDATE ITEM SET QTD = 13 WHERE ID = 2"), 1);
}

}  // namespace
