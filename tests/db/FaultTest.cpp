// Failures of the database client, call by call: every call of an attach, a prepare, an
// execute and a fetch is made to fail in turn (the client's status says so and the call
// hands out nothing). The caller must get that error, the connection must stay usable,
// nothing half-written may remain and no interface may be left behind. Also: a server
// that accepts the connection and never answers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>

#include "db/FbDetail.h"
#include "db/Query.h"
#include "platform/Mensagens.h"
#include "support/ServidorMudo.h"
#include "support/TestDb.h"

using namespace db;
using detail::Falhas;

namespace {

class FaultTest : public ::testing::Test {
protected:
    TestDb t;
    void SetUp() override {
        t.Exec("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NOME VARCHAR(40), OBS BLOB SUB_TYPE 1)");
        t.Exec("INSERT INTO T VALUES (1, 'um', 'primeiro')");
        t.Exec("INSERT INTO T VALUES (2, 'dois', 'segundo')");
    }
    void TearDown() override { Falhas::Desarmar(); }

    void Configurar(Connection& c) {
        c.SetDatabase(t.Path());
        c.SetUserName("SYSDBA");
    }
    std::int64_t Contar(const std::string& where) {
        Query q(t.Conn());
        q.SetSQL("SELECT COUNT(*) FROM T WHERE " + where);
        q.Open();
        return q.Field(0).AsInteger();
    }
};

// One operation on a fresh connection: `preparar` brings it to the point of interest
// (not counted), `operar` is the operation whose calls fail in turn.
struct Operacao {
    const char* nome;
    std::function<void(Connection&, Query&)> preparar;
    std::function<void(Connection&, Query&)> operar;
};

TEST_F(FaultTest, EachClientCallOfAnAttachPrepareExecuteAndFetchFailsCleanly) {
    const Operacao ops[] = {
        {"attach", [](Connection&, Query&) {}, [](Connection& c, Query&) { c.Open(); }},
        {"prepare",
         [](Connection& c, Query& q) {
             c.Open();
             q.SetSQL("SELECT ID, NOME, OBS FROM T WHERE ID >= :ID");
         },
         [](Connection&, Query& q) { q.Prepare(); }},
        {"execute",  // an insert with a text blob, in its own transaction
         [](Connection&, Query& q) {
             q.SetSQL("INSERT INTO T (ID, NOME, OBS) VALUES (:ID, :NOME, :OBS)");
             q.ParamByName("ID").SetAsInteger(3);
             q.ParamByName("NOME").SetAsString("tr\xC3\xAAs");
             q.ParamByName("OBS").SetAsString("terceiro");
             q.Prepare();
         },
         [](Connection&, Query& q) { q.ExecSQL(); }},
        {"fetch",  // rows with blobs, read in a read-only transaction
         [](Connection&, Query& q) {
             q.SetSQL("SELECT ID, NOME, OBS FROM T WHERE ID >= :ID ORDER BY ID");
             q.ParamByName("ID").SetAsInteger(1);
             q.Prepare();
         },
         [](Connection&, Query& q) {
             q.Open();
             EXPECT_EQ(q.RecordCount(), 2u);
         }},
    };
    Contar("ID = 3");  // the fixture's own statements are cached before counting
    t.Exec("DELETE FROM T WHERE ID = 3");
    const long antes = detail::g_refsVivas.load();
    for (const auto& op : ops) {
        long chamadas = 0;
        {
            Connection c;
            Configurar(c);
            Query q(c);
            op.preparar(c, q);
            Falhas::Contar();
            op.operar(c, q);
            chamadas = Falhas::Chamadas();
            Falhas::Desarmar();
        }
        t.Exec("DELETE FROM T WHERE ID = 3");
        ASSERT_GT(chamadas, 0) << op.nome;
        for (auto tipo : {Falhas::Tipo::Erro, Falhas::Tipo::ConexaoPerdida}) {
            for (long n = 1; n <= chamadas; ++n) {
                SCOPED_TRACE(std::string(op.nome) + " call " + std::to_string(n) +
                             (tipo == Falhas::Tipo::Erro ? " error" : " lost"));
                {
                    Connection c;
                    Configurar(c);
                    Query q(c);
                    op.preparar(c, q);
                    Falhas::Armar(n, tipo);
                    bool falhou = false;
                    try {
                        op.operar(c, q);
                    } catch (const Error& e) {
                        falhou = true;
                        if (tipo == Falhas::Tipo::Erro)
                            EXPECT_NE(std::string(e.what()).find(Falhas::kTexto), std::string::npos) << e.what();
                        else
                            EXPECT_TRUE(e.ConexaoPerdida()) << e.what();
                    }
                    EXPECT_TRUE(Falhas::Disparou());
                    Falhas::Desarmar();
                    if (falhou) {
                        EXPECT_EQ(Contar("ID = 3"), 0);  // nothing half-written
                    } else {
                        // only a connection lost when a transaction starts is overcome: the
                        // start attaches again, having written nothing
                        EXPECT_EQ(tipo, Falhas::Tipo::ConexaoPerdida);
                        EXPECT_EQ(c.AttachCount(), 2u);
                        t.Exec("DELETE FROM T WHERE ID = 3");
                    }
                    // the connection works again
                    Query depois(c);
                    depois.SetSQL("SELECT COUNT(*) FROM T");
                    depois.Open();
                    EXPECT_EQ(depois.Field(0).AsInteger(), 2);
                }
                EXPECT_EQ(detail::g_refsVivas.load(), antes) << "interfaces left behind";
            }
        }
    }
}

TEST_F(FaultTest, AnErrorWhileFetchingReachesTheCallerAndTheConnectionGoesOn) {
    t.Exec("INSERT INTO T (ID) VALUES (3)");
    Query q(t.Conn());
    q.SetSQL("SELECT ID, 1 / (ID - 3) AS X FROM T ORDER BY ID");  // fails on the third row
    try {
        q.Open();
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("divide by zero"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(q.Active());
    EXPECT_EQ(Contar("ID > 0"), 3);
}

TEST_F(FaultTest, AConversionErrorWhileBuildingTheAttachParametersLeavesNothingBehind) {
    const long antes = detail::g_refsVivas.load();
    Connection c;
    Configurar(c);
    c.SetUserName("\xE6\x97\xA5");  // no Windows-1252 character for it
    EXPECT_THROW(c.Open(), Error);
    EXPECT_FALSE(c.Connected());
    EXPECT_EQ(detail::g_refsVivas.load(), antes);
}

TEST(LocationTest, ServerLocationsAreToldFromEmbeddedPaths) {
    const struct {
        const char* local;
        bool servidor;
    } casos[] = {{"fbserver:/srv/PRAVOLT.FDB", true}, {"10.0.0.5/3051:/srv/a.fdb", true},
                 {"inet://fbserver/srv/a.fdb", true}, {"/srv/firebird/a.fdb", false},
                 {"dados/a.fdb", false},              {"./x:y.fdb", false}};
    for (const auto& c : casos) EXPECT_EQ(detail::LocalServidor(c.local), c.servidor) << c.local;
}

// A host that accepts the connection and never answers: the attach gives up within the
// connect time-out, once, with an error.
TEST(ConnectTimeoutTest, AServerThatNeverAnswersFailsWithinTheTimeOut) {
    ServidorMudo mudo;
    const std::string local = mudo.Local("/srv/nenhum.fdb");

    Connection c;
    c.SetDatabase(local);
    c.SetUserName("SYSDBA");
    c.SetPassword("x");
    EXPECT_EQ(c.ConnectTimeout(), Connection::kConnectTimeout);
    c.SetConnectTimeout(2);
    const auto inicio = std::chrono::steady_clock::now();
    try {
        c.Open();
        ADD_FAILURE() << "attached to a server that never answers";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(local), std::string::npos) << e.what();
    }
    const double s_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
    EXPECT_GE(s_, 1.5);
    EXPECT_LT(s_, 8.0);
    EXPECT_FALSE(c.Connected());

    // the test programs of the program and of pravolt-admin shorten it from outside
    Connection d;
    setenv("PRAVOLT_CONNECT_TIMEOUT", "3", 1);
    EXPECT_EQ(d.ConnectTimeout(), 3);
    setenv("PRAVOLT_CONNECT_TIMEOUT", "60", 1);  // never beyond the layer's bound
    EXPECT_EQ(d.ConnectTimeout(), Connection::kConnectTimeout);
    unsetenv("PRAVOLT_CONNECT_TIMEOUT");
}

// During the start-up a location that did not answer costs one time-out and one report:
// later attaches to it fail at once with the same error, which no report shows again.
// Afterwards the next attach waits again (the server may be back).
TEST(ConnectTimeoutTest, TheStartUpWaitsForALocationOnceAndReportsItOnce) {
    ServidorMudo mudo;
    auto tentar = [&](double& segundos) -> Error {
        Connection c;
        c.SetDatabase(mudo.Local());
        c.SetUserName("SYSDBA");
        c.SetConnectTimeout(1);
        const auto inicio = std::chrono::steady_clock::now();
        try {
            c.Open();
        } catch (const Error& e) {
            segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
            return e;
        }
        ADD_FAILURE() << "attached";
        return Error("");
    };
    double s1 = 0, s2 = 0, s3 = 0;
    {
        MemoriaSemResposta inicio;
        const Error primeiro = tentar(s1);
        const Error segundo = tentar(s2);
        EXPECT_EQ(std::string(primeiro.what()), "Não foi possível conectar ao banco de dados " + mudo.Local() +
                                                    ": o servidor não respondeu em 1 segundo.");
        EXPECT_EQ(std::string(segundo.what()), primeiro.what());
        EXPECT_GE(s1, 0.5);
        EXPECT_LT(s2, 0.3);
        EXPECT_TRUE(plat::DeveRelatar(segundo));  // whichever copy is reported first ...
        EXPECT_FALSE(plat::DeveRelatar(primeiro));  // ... the others are not
        EXPECT_FALSE(plat::DeveRelatar(segundo));
    }
    const Error depois = tentar(s3);
    EXPECT_GE(s3, 0.5);
    EXPECT_TRUE(plat::DeveRelatar(depois));  // a new cause
    EXPECT_TRUE(plat::DeveRelatar(Error("other errors are always reported")));
}

}  // namespace
