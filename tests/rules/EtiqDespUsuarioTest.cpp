// The consent dialog against a user table in an embedded database.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "support/ServicosDeTeste.h"
#include "support/TestDb.h"
#include "db/Query.h"
#include "platform/Mensagens.h"
#include "rules/FEtiqDespUsuario.h"
#include "rules/USenha.h"
#include "shell/AmbienteAcesso.h"
#include "shell/UDmIbAcesso.h"

namespace {

TestDb& Banco() {
    static TestDb* b = [] {
        auto* t = new TestDb;
        t->RunScript("acesso.sql");
        for (auto [u, s] : {std::pair{"DIRETOR", "segredo"}, {"CONFERENTE", "abc"}, {"QUIRANDO", "q1"},
                            {"VELMORA", "v1"}}) {
            db::Query q(t->Conn());
            q.SetSQL("insert into USUARIOS (NOME_US, SENHA_US) values (:N, :S)");
            q.ParamByName("N").SetAsString(u);
            q.ParamByName("S").SetAsBytes(FormatarSenha(u, s));
            q.ExecSQL();
        }
        return t;
    }();
    return *b;
}

// The system services on a database of users (and the installation name in its CONFIG),
// installed while the object lives.
struct Servicos {
    explicit Servicos(const std::string& empresa = "EXEMPLO", TestDb& banco = Banco()) : srv(banco.Conn(), &banco.Conn()) {
        Banco().Exec("delete from CONFIG");
        Banco().Exec("insert into CONFIG values ('" + empresa + "')");
    }
    ServicosDeTeste srv;
};

// Types a name and a password as the operator does (letters beyond ASCII too) and clicks OK.
void TentarValidacao(TfrmEtiqCPagarUsuario& f, const char* usuario, const char* senha) {
    for (auto [e, texto] : {std::pair{f.edUsuario, usuario}, {f.edSenha, senha}}) {
        e->clear();
        e->setFocus();
        for (QChar c : QString::fromUtf8(texto))
            QTest::sendKeyEvent(QTest::Click, e, static_cast<Qt::Key>(c.toUpper().unicode()), QString(c), {});
    }
    QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
}

struct Dialogo {
    Servicos servicos;
    TfrmEtiqCPagarUsuario f{nullptr};
    explicit Dialogo(const std::string& empresa = "EXEMPLO") : servicos(empresa) {
        f.AdicionarUsuario("DIRETOR");
        f.show();
        f.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
    }
    void Tentar(const char* usuario, const char* senha) { TentarValidacao(f, usuario, senha); }
};

}  // namespace

TEST(EtiqDespUsuario, ChecksInOrderKeepTheDialogOpen) {
    plat::GravadorMensagens g;
    Dialogo d;
    EXPECT_EQ(d.f.windowTitle().toStdString(), "Validação");
    EXPECT_EQ(d.f.edSenha->echoMode(), QLineEdit::Password);

    d.Tentar("", "x");
    d.Tentar("DIRETOR", "");
    d.Tentar("NINGUEM", "x");
    EXPECT_TRUE(d.f.edUsuario->hasFocus());
    d.Tentar("DIRETOR", "errada");
    EXPECT_TRUE(d.f.edSenha->hasFocus());
    // Right password of a user the caller did not allow.
    d.Tentar("CONFERENTE", "abc");
    d.Tentar("QUIRANDO", "q1");
    EXPECT_EQ(g.Textos(), (std::vector<std::string>{"Informe o usuário.", "Informe a senha.", "Usuário não cadastrado",
                                                    "Senha inválida", "Usuário inválido para esta opção.",
                                                    "Usuário inválido para esta opção."}));
    EXPECT_EQ(g.registro[0].tipo, plat::TipoMensagem::Aviso);
    EXPECT_EQ(g.registro[1].tipo, plat::TipoMensagem::Aviso);
    EXPECT_EQ(g.registro[2].tipo, plat::TipoMensagem::Erro);
    EXPECT_TRUE(d.f.isVisible());
    EXPECT_FALSE(d.f.Autorizado);

    // Lower case typed becomes upper case, so the allowed name matches.
    d.Tentar("diretor", "segredo");
    EXPECT_EQ(d.f.edUsuario->text().toStdString(), "DIRETOR");
    EXPECT_TRUE(d.f.Autorizado);
    EXPECT_EQ(d.f.result(), QDialog::Accepted);
    EXPECT_FALSE(d.f.isVisible());
}

// A name or password with a letter the database cannot hold (Windows-1252 has no "ł")
// matches no stored one: the answer of an unknown user or a wrong password, the dialog open.
TEST(EtiqDespUsuario, LettersTheDatabaseCannotHoldMatchNothing) {
    struct Caso {
        const char *usuario, *senha, *mensagem;
    };
    const Caso casos[] = {
        {"DIREłOR", "segredo", "Usuário não cadastrado"},
        {"ł", "ł", "Usuário não cadastrado"},
        {"DIRETOR", "segredoł", "Senha inválida"},
    };
    plat::GravadorMensagens g;
    Dialogo d;
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.usuario + std::string(" / ") + c.senha);
        g.Limpar();
        d.Tentar(c.usuario, c.senha);
        EXPECT_EQ(g.Textos(), std::vector<std::string>{c.mensagem});
        EXPECT_TRUE(d.f.isVisible());
        EXPECT_FALSE(d.f.Autorizado);
    }
    d.Tentar("DIRETOR", "segredo");
    EXPECT_TRUE(d.f.Autorizado);
}

TEST(EtiqDespUsuario, ExtraUsersOnlyAtTwoInstallations) {
    for (const char* empresa : {"KALDU", "QZT"}) {
        for (auto [u, s] : {std::pair{"QUIRANDO", "q1"}, {"VELMORA", "v1"}}) {
            plat::GravadorMensagens g;
            Dialogo d(empresa);
            d.Tentar(u, s);
            EXPECT_TRUE(d.f.Autorizado) << empresa << " " << u;
            EXPECT_TRUE(g.registro.empty());
        }
    }
    plat::GravadorMensagens g;
    Dialogo d("KALDUX");
    d.Tentar("VELMORA", "v1");
    EXPECT_FALSE(d.f.Autorizado);
}

TEST(EtiqDespUsuario, EnterMovesOnAndCancelGivesNoConsent) {
    plat::GravadorMensagens g;
    Dialogo d;
    d.f.edUsuario->setFocus();
    QTest::keyClick(d.f.edUsuario, Qt::Key_Return);
    EXPECT_TRUE(d.f.edSenha->hasFocus());
    EXPECT_TRUE(g.registro.empty());  // Enter did not confirm

    // A failed attempt, then Esc.
    d.Tentar("DIRETOR", "errada");
    QTest::keyClick(d.f.edSenha, Qt::Key_Escape);
    EXPECT_EQ(d.f.result(), QDialog::Rejected);
    EXPECT_FALSE(d.f.Autorizado);

    // The whole round trip through Validar: Cancel, then a right answer.
    Servicos servicos;
    auto preparar = [](TfrmEtiqCPagarUsuario& f) {
        QTimer::singleShot(0, &f, [&f] { QTest::mouseClick(f.BitBtn2, Qt::LeftButton); });
    };
    EXPECT_FALSE(TfrmEtiqCPagarUsuario::Validar(nullptr, {"DIRETOR"}, preparar));
    auto certo = [](TfrmEtiqCPagarUsuario& f) {
        QTimer::singleShot(0, &f, [&f] {
            QTest::keyClicks(f.edUsuario, "diretor");
            QTest::keyClicks(f.edSenha, "segredo");
            QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
        });
    };
    EXPECT_TRUE(TfrmEtiqCPagarUsuario::Validar(nullptr, {"DIRETOR"}, certo));
}

TEST(EtiqDespUsuario, DatabaseErrorClosesWithoutConsent) {
    plat::GravadorMensagens g;
    TestDb vazio;  // no USUARIOS table
    Servicos servicos("EXEMPLO", vazio);
    TfrmEtiqCPagarUsuario f(nullptr);
    f.AdicionarUsuario("DIRETOR");
    f.show();
    QTest::keyClicks(f.edUsuario, "DIRETOR");
    QTest::keyClicks(f.edSenha, "segredo");
    QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
    ASSERT_EQ(g.registro.size(), 1u);
    EXPECT_EQ(g.registro[0].tipo, plat::TipoMensagem::Erro);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_FALSE(f.Autorizado);
}

// In the program the dialog reads the system object's access module: its own connection
// (connLogin, opened by the dialog) and its user query sqlUsu, whose statement it replaces.
class EtiqDespUsuarioAcesso : public AmbienteAcesso {
protected:
    void TearDown() override {
        AmbienteAcesso::TearDown();
        acesso.reset();
        principal.reset();
    }
    std::unique_ptr<TestDb> acesso = std::make_unique<TestDb>(), principal = std::make_unique<TestDb>();
};

TEST_F(EtiqDespUsuarioAcesso, ReadsTheAccessModulesOwnQuery) {
    plat::GravadorMensagens g;
    acesso->RunScript("acesso.sql");
    principal->RunScript("principal.sql");
    {
        db::Query q(acesso->Conn());
        q.SetSQL("insert into USUARIOS (NOME_US, SENHA_US) values ('DIRETOR', :S)");
        q.ParamByName("S").SetAsBytes(FormatarSenha("DIRETOR", "segredo"));
        q.ExecSQL();
    }
    IniAcesso("DevartFireBird", acesso->Path(), acesso->Path(), principal->Path());
    TSistema& s = Sistema();
    s.CriarConexoes();
    s.ConfigurarConexoes();
    s.Acesso = Aplicacao().Adicionar(std::make_unique<TdmIbAcesso>());
    s.Acesso->connLogin.Close();

    TfrmEtiqCPagarUsuario f(nullptr);
    f.AdicionarUsuario("DIRETOR");
    f.show();
    const std::pair<const char*, const char*> falhas[] = {{"NINGUEM", "x"}, {"DIREłOR", "x"}, {"DIRETOR", "ł"}};
    for (auto [usuario, senha] : falhas) TentarValidacao(f, usuario, senha);
    EXPECT_EQ(g.Textos(), (std::vector<std::string>{"Usuário não cadastrado", "Usuário não cadastrado", "Senha inválida"}));
    EXPECT_TRUE(s.Acesso->connLogin.Connected());
    EXPECT_EQ(s.Acesso->sqlUsu.SQL(), (std::vector<std::string>{"Select * from USUARIOS", "where NOME_US=:NOME"}));
    EXPECT_FALSE(f.Autorizado);
    TentarValidacao(f, "DIRETOR", "segredo");
    EXPECT_TRUE(f.Autorizado);
    EXPECT_EQ(g.registro.size(), 3u);
}
