// The main frame: its look, a start-up that stops at an error, a full start-up against
// real databases, and the order of its teardown.
#include "shell/FPrinc.h"

#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <filesystem>
#include <fstream>
#include <functional>

#include "AmbienteAcesso.h"
#include "distribution/UFMdiChild.h"
#include "db/Query.h"
#include "platform/Mensagens.h"
#include "shell/UCRSQLConnection.h"
#include "shell/UCifra.h"

namespace {

class FPrincTest : public AmbienteAcesso {
protected:
    void TearDown() override {
        if (frm_ && !Aplicacao().Possui(frm_)) delete frm_;
        AmbienteAcesso::TearDown();
    }
    TfrmPrinc* frm_ = nullptr;
    plat::GravadorMensagens msgs_;
};

}  // namespace

TEST_F(FPrincTest, MolduraVaziaComAparenciaDefinida) {
    frm_ = new TfrmPrinc;
    EXPECT_EQ(frm_->windowTitle(), "Quilmora");
    EXPECT_EQ(frm_->size(), QSize(870, 500));
    ASSERT_TRUE(frm_->Area());
    EXPECT_EQ(frm_->Area()->background().color(), QColor(234, 255, 234));
    EXPECT_EQ(frm_->findChild<QMenuBar*>(), nullptr);
    EXPECT_EQ(frm_->findChild<QToolBar*>(), nullptr);
    EXPECT_TRUE(frm_->Area()->subWindowList().isEmpty());
    frm_->showMaximized();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frm_));
    EXPECT_TRUE(frm_->isMaximized());
    EXPECT_EQ(frm_->normalGeometry().size(), QSize(870, 500));
}

TEST_F(FPrincTest, PassoQueFalhaERelatadoEOsDemaisNaoRodam) {
    // No Parametros.ini: the first step fails. The file is named first, then the step's error
    // is reported; the frame is still created and shown, empty, and can be closed.
    frm_ = new TfrmPrinc;
    frm_->Inicializar();
    EXPECT_FALSE(frm_->InicioCompleto());
    ASSERT_GE(msgs_.registro.size(), 2u);
    EXPECT_EQ(msgs_.registro[0].texto, "O arquivo de configuração \"" + Dir() +
                                           "/Parametros.ini\" não foi encontrado. O programa continua com os "
                                           "valores padrão.");
    EXPECT_EQ(msgs_.registro[1].texto.rfind("Driver de acesso ao banco de dados não configurado", 0), 0u)
        << msgs_.registro[1].texto;
    for (const auto& m : msgs_.registro) {
        EXPECT_EQ(m.tipo, plat::TipoMensagem::Erro);
        EXPECT_EQ(m.titulo, "Barvenco");
    }
    // Without a configuration the system object could not even be constructed.
    EXPECT_FALSE(SistemaCriado());

    const auto relatos = msgs_.registro.size();
    frm_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frm_));
    EXPECT_EQ(frm_->JanelaDistribuicao(), nullptr);
    EXPECT_TRUE(frm_->Area()->subWindowList().isEmpty());
    EXPECT_EQ(msgs_.registro.size(), relatos);
    EXPECT_TRUE(frm_->close());
    EXPECT_FALSE(frm_->isVisible());
}

// A Parametros.ini that is a folder, or cannot be read: one message naming it and why,
// first, and never a library's raw text.
TEST_F(FPrincTest, ConfiguracaoIlegivelENomeadaPrimeiro) {
    const std::string arquivo = Dir() + "/Parametros.ini";
    struct Caso {
        std::function<bool()> preparar;  // false: not possible here
        std::string motivo;
    };
    const Caso casos[] = {
        {[&] { return std::filesystem::create_directory(arquivo); }, "é uma pasta, não um arquivo"},
        {[&] {
             std::filesystem::remove(arquivo);
             std::ofstream(arquivo) << "[Banco]\nBanco=DevartFireBird\n";
             std::filesystem::permissions(arquivo, std::filesystem::perms::none);
             return std::ifstream(arquivo).fail();  // the superuser reads it all the same
         },
         "não pode ser lido: sem permissão de leitura"},
    };
    for (const auto& c : casos) {
        if (!c.preparar()) continue;
        msgs_.Limpar();
        TfrmPrinc frm;
        frm.Inicializar();
        EXPECT_FALSE(frm.InicioCompleto());
        ASSERT_GE(msgs_.registro.size(), 2u);
        EXPECT_EQ(msgs_.registro[0].texto, "O arquivo de configuração \"" + arquivo + "\" " + c.motivo +
                                               ". O programa continua com os valores padrão.");
        for (const auto& m : msgs_.registro)
            EXPECT_EQ(m.texto.find("basic_filebuf"), std::string::npos) << m.texto;
        DestruirSistema();
    }
}

TEST_F(FPrincTest, InicioCompletoAbreADistribuicaoUmaVezEDesmontaNaOrdem) {
    TestDb acesso;
    acesso.RunScript("acesso.sql");
    TestDb principal;
    principal.RunScript("principal.sql");
    IniAcesso("DevartFireBird", acesso.Path(), acesso.Path(), principal.Path());

    frm_ = Aplicacao().Adicionar(std::make_unique<TfrmPrinc>());
    frm_->Inicializar();
    for (const auto& m : msgs_.registro) ADD_FAILURE() << m.titulo << ": " << m.texto;
    ASSERT_TRUE(frm_->InicioCompleto());
    EXPECT_EQ(Sistema().FormPrincipal, frm_);
    EXPECT_NE(Sistema().ConexaoPrincipal, nullptr);
    EXPECT_EQ(Sistema().CaminhoBanco, principal.Path());

    frm_->showMaximized();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frm_));
    TfMdiChild* dist = frm_->JanelaDistribuicao();
    ASSERT_NE(dist, nullptr);
    EXPECT_EQ(dist->mdiArea(), frm_->Area());
    EXPECT_TRUE(dist->isVisible());

    // Each later show of the frame keeps the same distribution window.
    frm_->hide();
    frm_->show();
    EXPECT_EQ(frm_->JanelaDistribuicao(), dist);
    EXPECT_EQ(frm_->Area()->subWindowList().size(), 1);

    // The distribution window goes before the system object.
    bool sistemaVivoAoDestruirDistribuicao = false;
    QObject::connect(dist, &QObject::destroyed, [&] { sistemaVivoAoDestruirDistribuicao = SistemaCriado(); });
    EXPECT_TRUE(frm_->close());
    EXPECT_EQ(frm_->JanelaDistribuicao(), nullptr);
    EXPECT_TRUE(sistemaVivoAoDestruirDistribuicao);

    // The application object releases the modules, the connections and then the frame,
    // whose destruction ends the system object.
    Aplicacao().Liberar();
    frm_ = nullptr;
    EXPECT_FALSE(SistemaCriado());
}

// The location stored in BD_PRINCIPAL is the database the main connection opens: it is
// read before the connections are configured, in the frame's creation.
TEST_F(FPrincTest, LocalArmazenadoEOBancoQueAConexaoPrincipalAbre) {
    TestDb acesso;
    acesso.RunScript("acesso.sql");
    TestDb principal;
    principal.RunScript("principal.sql");
    principal.Exec("insert into CONFIG (NOME_EMPRESA) values ('ARMAZENADO')");
    {
        db::Query q(acesso.Conn());
        q.SetSQL("insert into BD_PRINCIPAL (SENHA) values (:S)");
        q.ParamByName("S").SetAsString(CifrarParaArmazenar(principal.Path()));
        q.ExecSQL();
    }
    IniAcesso("DevartFireBird", acesso.Path(), acesso.Path(), Dir() + "/configurado.fdb");
    frm_ = Aplicacao().Adicionar(std::make_unique<TfrmPrinc>());
    frm_->Inicializar();
    for (const auto& m : msgs_.registro) ADD_FAILURE() << m.titulo << ": " << m.texto;
    ASSERT_TRUE(frm_->InicioCompleto());
    ASSERT_NE(Sistema().ConexaoPrincipal, nullptr);
    EXPECT_EQ(Sistema().ConexaoPrincipal->ParamValue("Database"), principal.Path());
    EXPECT_EQ(Sistema().NomeEmpresa(), "ARMAZENADO");
    frm_->show();  // the distribution window works on it
    ASSERT_NE(frm_->JanelaDistribuicao(), nullptr);
    EXPECT_TRUE(msgs_.registro.empty());
    EXPECT_TRUE(frm_->close());
    Aplicacao().Liberar();
    frm_ = nullptr;
}

TEST_F(FPrincTest, FecharADistribuicaoDeixaAMolduraAbertaEVazia) {
    TestDb acesso;
    acesso.RunScript("acesso.sql");
    TestDb principal;
    principal.RunScript("principal.sql");
    IniAcesso("DevartFireBird", acesso.Path(), acesso.Path(), principal.Path());
    frm_ = Aplicacao().Adicionar(std::make_unique<TfrmPrinc>());
    frm_->Inicializar();
    ASSERT_TRUE(frm_->InicioCompleto());
    frm_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frm_));
    QPointer<TfMdiChild> dist = frm_->JanelaDistribuicao();
    ASSERT_TRUE(dist);
    dist->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dist.isNull());
    EXPECT_EQ(frm_->JanelaDistribuicao(), nullptr);
    EXPECT_TRUE(frm_->isVisible());
    EXPECT_TRUE(frm_->Area()->subWindowList().isEmpty());
    Aplicacao().Liberar();
    frm_ = nullptr;
}
