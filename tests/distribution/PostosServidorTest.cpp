// The distribution window on workstations sharing one database through a Firebird server
// (a private one on a loopback port): the same ticket saved by two workstations at the
// same moment, and a server restarted while a window stays open.
//
// Each workstation of the race is a separate process (this test program started again as
// a subprocess) with its own window and connection; the test tells both to load the same
// ticket, then to save it, the two orders written back to back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "db/Query.h"
#include "db/ScriptRunner.h"
#include "distribution/FDistPravolt.h"
#include "platform/Mensagens.h"
#include "shell/USistema.h"
#include "support/FirebirdServer.h"
#include "support/ServicosDeTeste.h"
#include "support/Subprocesso.h"
#include "support/TestDb.h"

using namespace dist;

namespace {

constexpr int kFichas = 200;          // tickets of programme 200000, one per round of the race
const char* const kProg = "200000";

// The system object's services from the given connection, the clock fixed at
// 15 March 2024, 10:30.
// The system services of a workstation: its own attachment, a fixed clock.
class ServicosPosto : public ServicosDeTeste {
public:
    explicit ServicosPosto(db::Connection& c) : ServicosDeTeste(c) { agora = plat::EncodeDate(2024, 3, 15) + 10.5 / 24; }
};

std::string Ficha(int i) {
    char b[8];
    std::snprintf(b, sizeof b, "%04d", i);
    return b;
}

void Focar(QWidget* c) {
    c->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
}
void Digitar(const std::string& texto) {
    for (char c : texto) QTest::keyClick(QApplication::focusWidget(), c);
}
void Enter() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }

// The operator's steps: mode, workshop (a return takes its dispatch's), service type,
// sector, then the ticket typed and looked up. True when it is ready to save.
bool Carregar(TfrmDistServ& w, bool saida, const std::string& terc, const std::string& tipo, const std::string& setor,
              const std::string& prog, const std::string& ficha) {
    if (w.btGravar->isEnabled()) w.btDesistir->click();
    w.cbSaidaRetorno->setCurrentIndex(saida ? 0 : 1);
    if (w.ceTerc->isEnabled()) {
        Focar(w.ceTerc);
        w.ceTerc->selectAll();
        Digitar(terc);
        Enter();
    }
    Focar(w.edTpServ);
    w.edTpServ->selectAll();
    Digitar(tipo);
    Enter();
    Focar(w.edSetor);
    w.edSetor->clear();
    Digitar(setor);
    Focar(w.edProg);
    Digitar(prog);
    Digitar(ficha);
    Enter();
    return w.btGravar->isEnabled();
}

std::string Juntar(const plat::GravadorMensagens& msgs) {
    std::string r;
    for (const std::string& t : msgs.Textos()) {
        if (!r.empty()) r += " | ";
        r += t;
    }
    for (char& c : r)
        if (c == '\n' || c == '\r') c = ' ';
    return r;
}

// A second (or third) workstation: arguments are the database location, user, password
// and the configuration folder. Orders, one per line:
//   carregar S|R <workshop> <type> <sector or -> <programme> <ticket>  -> carregada | recusada <messages>
//   gravar                                                            -> gravada | recusada <messages>
int Posto(const std::vector<std::string>& a) {
    if (a.size() != 4) throw std::runtime_error("posto: location user password folder");
    db::Connection conn;
    conn.SetDatabase(a[0]);
    conn.SetUserName(a[1]);
    conn.SetPassword(a[2]);
    ServicosPosto srv(conn);
    TSistema::DefinirDiretorioConfiguracao(a[3]);
    plat::GravadorMensagens msgs;
    QPointer<TfrmDistServ> w = TfMdiChild::Criar<TfrmDistServ>(nullptr);
    frmDistServ = w;
    QApplication::setActiveWindow(w);
    if (!QTest::qWaitForWindowActive(w)) {
        Responder("falha the window did not become active");
        return 1;
    }
    Responder(msgs.registro.empty() ? "pronto" : "recusada " + Juntar(msgs));
    std::string linha;
    while (LerComando(linha)) {
        std::istringstream in(linha);
        std::string verbo;
        in >> verbo;
        try {
            msgs.Limpar();
            if (verbo == "carregar") {
                std::string modo, terc, tipo, setor, prog, ficha;
                in >> modo >> terc >> tipo >> setor >> prog >> ficha;
                if (setor == "-") setor.clear();
                const bool pronta = Carregar(*w, modo == "S", terc, tipo, setor, prog, ficha);
                Responder(pronta && msgs.registro.empty() ? "carregada" : "recusada " + Juntar(msgs));
            } else if (verbo == "gravar") {
                w->btGravar->click();
                Responder(msgs.registro.empty() && !w->btGravar->isEnabled() ? "gravada" : "recusada " + Juntar(msgs));
            } else {
                Responder("falha unknown order " + verbo);
            }
        } catch (const std::exception& e) {
            Responder(std::string("falha ") + e.what());
        }
    }
    delete w.data();
    DestruirSistema();
    return 0;
}
RegistroSubprocesso registroPosto("posto", &Posto);

class PostosServidor : public ::testing::Test {
protected:
    static std::unique_ptr<FirebirdServer> server;
    static std::string local;

    static void SetUpTestSuite() { FirebirdServer::PrepararSuite(server, &PrepararServidor); }
    static void PrepararServidor() {
        if (!FirebirdServer::Available()) return;
        server = std::make_unique<FirebirdServer>();
        server->Start();
        local = server->Location(server->DataDir() + "/postos.fdb");
        db::Connection c;
        Configurar(c);
        c.CreateDatabase(8192, false);
        std::ifstream f(TestDb::SqlDir() + "/principal.sql", std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        {
            // one transaction for the whole schema: a commit per statement is slow
            db::Transaction tr = c.StartTransaction();
            for (const std::string& st : db::ScriptRunner::Split(ss.str())) {
                if (st.rfind("SET TERM", 0) == 0 || st == "COMMIT") continue;
                db::Query q(c);
                q.SetParamCheck(false);
                q.SetTransaction(&tr);
                q.SetSQL(st);
                q.ExecSQL();
            }
            tr.Commit();
        }
        db::Transaction tr = c.StartTransaction();
        const char* dados[] = {
            "insert into TERCEIRIZADO values (1, 'ALFA', null, null, 'S')",
            "insert into TERCEIRIZADO values (2, 'BETA', null, null, 'S')",
            "insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('35', 'B', 'BORDADO')",
            "insert into SETOR values ('10', 'BORD RET', null)",
            "insert into SETOR values ('11', 'BORDADO', null)",
            "insert into PRECOSER values (1, 'PR01', 'B', 12.50)",
            "insert into PRECOSER values (2, 'PR01', 'B', 11.00)",
            "insert into PADRONIZ_PRODUTO values ('001', 'PR01', 'PRETO')",
        };
        for (const char* s : dados) c.ExecSQL(s, &tr);
        for (int i = 1; i <= kFichas + 10; ++i) {
            const std::string ped = "'Q" + std::to_string(i) + "'";
            c.ExecSQL("insert into ITENSPV values (" + ped + ", '01', 'PR01', '001', '" + kProg + "', '" + Ficha(i) +
                          "')",
                      &tr);
            c.ExecSQL("insert into ITENSPVGRADE values (" + ped + ", '01', '38', 10)", &tr);
        }
        tr.Commit();
    }
    static void TearDownTestSuite() { server.reset(); }

    static void Configurar(db::Connection& c) {
        c.SetDatabase(local);
        c.SetUserName(server->User());
        c.SetPassword(server->Password());
    }

    void SetUp() override {
        if (!server) SEM_SERVIDOR_PULAR_OU_FALHAR();
        if (!server->Running()) server->Start();
        Configurar(conn);
        std::ofstream(config.filePath("Parametros.ini").toStdString()) << "[Banco]\nBanco=FireBird\n";
    }

    std::vector<std::string> Argumentos() const {
        return {local, server->User(), server->Password(), config.path().toStdString()};
    }

    std::int64_t Contar(const std::string& sql) {
        db::Query q(conn);
        q.SetSQL(sql);
        q.Open();
        return q.Field(0).AsInteger();
    }
    std::string DaFicha(const std::string& ficha) const {
        return std::string("PROG_EX = '") + kProg + "' and FICHA_EX = '" + ficha + "'";
    }

    db::Connection conn;  // the test's own view of the database
    QTemporaryDir config;
};
std::unique_ptr<FirebirdServer> PostosServidor::server;
std::string PostosServidor::local;

}  // namespace

TEST_F(PostosServidor, TwoWorkstationsSavingTheSameTicketAtOnceRecordItOnce) {
    Subprocesso a("posto", Argumentos()), b("posto", Argumentos());
    ASSERT_EQ(a.Receber(), "pronto");
    ASSERT_EQ(b.Receber(), "pronto");
    int vitoriasA = 0, retornosA = 0;
    for (int i = 1; i <= kFichas; ++i) {
        const std::string ficha = Ficha(i);
        SCOPED_TRACE("ticket " + ficha);

        // the dispatch: A for workshop 1, B for workshop 2
        a.Enviar("carregar S 1 B 11 " + std::string(kProg) + " " + ficha);
        b.Enviar("carregar S 2 B 11 " + std::string(kProg) + " " + ficha);
        ASSERT_EQ(a.Receber(), "carregada");
        ASSERT_EQ(b.Receber(), "carregada");
        a.Enviar("gravar");
        b.Enviar("gravar");
        const std::string ra = a.Receber(), rb = b.Receber();
        ASSERT_TRUE((ra == "gravada") != (rb == "gravada")) << ra << " / " << rb;
        const int vencedor = ra == "gravada" ? 1 : 2;
        vitoriasA += vencedor == 1;
        EXPECT_EQ(vencedor == 1 ? rb : ra,
                  "recusada Programação já foi enviada para terceirizado \"" + std::to_string(vencedor) + "\".");
        ASSERT_EQ(Contar("select count(*) from EXTERNO where " + DaFicha(ficha)), 1);
        EXPECT_EQ(Contar("select TERCEIRIZADO_EX from EXTERNO where " + DaFicha(ficha)), vencedor);
        EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR where PROG_PS = '" + std::string(kProg) +
                         "' and FICHA_PS = '" + ficha + "'"),
                  1);

        // the return of that dispatch, by both at once
        a.Enviar("carregar R - B 10 " + std::string(kProg) + " " + ficha);
        b.Enviar("carregar R - B 10 " + std::string(kProg) + " " + ficha);
        ASSERT_EQ(a.Receber(), "carregada");
        ASSERT_EQ(b.Receber(), "carregada");
        a.Enviar("gravar");
        b.Enviar("gravar");
        const std::string sa = a.Receber(), sb = b.Receber();
        ASSERT_TRUE((sa == "gravada") != (sb == "gravada")) << sa << " / " << sb;
        retornosA += sa == "gravada";
        EXPECT_EQ(sa == "gravada" ? sb : sa, "recusada Retorno já lançado em 15/03/24.");
        EXPECT_EQ(Contar("select count(*) from EXTERNO where RETORNO_EX = '2024-03-15' and SETOR_ENT_EX = '10' and " +
                         DaFicha(ficha)),
                  1);
        EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR where SETOR_PS = '10' and PROG_PS = '" +
                         std::string(kProg) + "' and FICHA_PS = '" + ficha + "'"),
                  1);
    }
    EXPECT_EQ(Contar("select count(*) from EXTERNO"), kFichas);
    std::cout << "[          ] dispatches won by A: " << vitoriasA << " of " << kFichas
              << "; returns won by A: " << retornosA << "\n";
}

// In this process: a window that stays open while the server restarts, and a failure of
// the progress write on the server.
class PostoLocal : public PostosServidor {
protected:
    void SetUp() override {
        PostosServidor::SetUp();
        if (IsSkipped()) return;
        conexaoJanela = std::make_unique<db::Connection>();
        Configurar(*conexaoJanela);
        srv = std::make_unique<ServicosPosto>(*conexaoJanela);
        TSistema::DefinirDiretorioConfiguracao(config.path().toStdString());
        w = TfMdiChild::Criar<TfrmDistServ>(nullptr);
        frmDistServ = w;
        QApplication::setActiveWindow(w);
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    void TearDown() override {
        delete w.data();
        srv.reset();
        conexaoJanela.reset();
        DestruirSistema();
        TSistema::DefinirDiretorioConfiguracao("");
    }
    bool Despachar(const std::string& ficha) { return Carregar(*w, true, "1", "B", "11", kProg, ficha); }

    std::unique_ptr<db::Connection> conexaoJanela;
    std::unique_ptr<ServicosPosto> srv;
    QPointer<TfrmDistServ> w;
    plat::GravadorMensagens msgs;
};

TEST_F(PostoLocal, SaveAfterTheServerRestartedWorksWithoutRestartingTheProgram) {
    const std::string f1 = Ficha(kFichas + 1), f2 = Ficha(kFichas + 2), f3 = Ficha(kFichas + 3);
    ASSERT_TRUE(Despachar(f1));
    w->btGravar->click();
    ASSERT_TRUE(msgs.registro.empty()) << Juntar(msgs);

    // restarted while the next ticket is being typed: its save goes through
    ASSERT_TRUE(Despachar(f2));
    server->Restart();
    w->btGravar->click();
    EXPECT_TRUE(msgs.registro.empty()) << Juntar(msgs);
    EXPECT_FALSE(w->btGravar->isEnabled());
    EXPECT_EQ(Contar("select count(*) from EXTERNO where " + DaFicha(f2)), 1);

    // restarted between two saves, then the whole cycle of the next ticket
    server->Restart();
    ASSERT_TRUE(Despachar(f3)) << Juntar(msgs);
    w->btGravar->click();
    EXPECT_TRUE(msgs.registro.empty()) << Juntar(msgs);
    EXPECT_EQ(Contar("select count(*) from EXTERNO where " + DaFicha(f3)), 1);
    EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR where PROG_PS = '" + std::string(kProg) +
                     "' and FICHA_PS = '" + f3 + "'"),
              1);
}

TEST_F(PostoLocal, ServerDownAtTheSaveKeepsTheTicketForAnotherTry) {
    const std::string f = Ficha(kFichas + 4);
    ASSERT_TRUE(Despachar(f));
    server->Stop();
    w->btGravar->click();
    ASSERT_EQ(msgs.registro.size(), 1u);
    EXPECT_EQ(msgs.registro[0].tipo, plat::TipoMensagem::Erro);
    EXPECT_TRUE(w->btGravar->isEnabled());  // still loaded
    server->Start();
    msgs.Limpar();
    w->btGravar->click();
    EXPECT_TRUE(msgs.registro.empty()) << Juntar(msgs);
    EXPECT_EQ(Contar("select count(*) from EXTERNO where " + DaFicha(f)), 1);
}

TEST_F(PostoLocal, FailedProgressWriteOnTheServerLeavesNothingRecorded) {
    // A failure armed by a row of a table of its own: statements the window already
    // prepared keep the triggers they were prepared with, so the failure is switched off
    // with data, not by dropping the trigger.
    db::ScriptRunner(conn).Run(
        "CREATE TABLE FALHA_ARMADA (X INTEGER);\n"
        "CREATE EXCEPTION E_FALHA_SERVIDOR 'falha no progresso';\n"
        "SET TERM ^ ;\n"
        "CREATE TRIGGER PS_FALHA_SERVIDOR FOR PRODUCAO_SETOR ACTIVE BEFORE INSERT POSITION 5 AS BEGIN "
        "IF (EXISTS (SELECT * FROM FALHA_ARMADA)) THEN EXCEPTION E_FALHA_SERVIDOR; END^\n"
        "SET TERM ; ^\n"
        "INSERT INTO FALHA_ARMADA VALUES (1);\n");
    const std::string f = Ficha(kFichas + 5);
    ASSERT_TRUE(Despachar(f));
    w->btGravar->click();
    conn.ExecSQL("DELETE FROM FALHA_ARMADA");
    ASSERT_EQ(msgs.registro.size(), 1u);
    EXPECT_EQ(msgs.registro[0].tipo, plat::TipoMensagem::Erro);
    EXPECT_NE(msgs.registro[0].texto.find("falha no progresso"), std::string::npos);
    EXPECT_EQ(Contar("select count(*) from EXTERNO where " + DaFicha(f)), 0);
    EXPECT_TRUE(w->btGravar->isEnabled());  // still loaded: save again
    msgs.Limpar();
    w->btGravar->click();
    EXPECT_TRUE(msgs.registro.empty()) << Juntar(msgs);
    EXPECT_EQ(Contar("select count(*) from EXTERNO where " + DaFicha(f)), 1);
}
