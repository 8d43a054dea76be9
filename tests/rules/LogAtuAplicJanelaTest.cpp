// The update log window: what it lists and shows, and the title-bar button that opens it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QProgressDialog>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <fstream>

#include "LogAtuAplicServidor.h"
#include "distribution/UFMdiChild.h"
#include "platform/Mensagens.h"
#include "rules/FLogAtuAplic.h"
#include "rules/ULogAtuAplic.h"
#include "shell/USistema.h"
#include "support/ServicosDeTeste.h"
#include "support/TestDb.h"

namespace {

std::string Item(int versao, const std::string& data, const std::string& descricao, const std::string& empresa) {
    return "{\"versao\": " + std::to_string(versao) + ", \"data\": \"" + data + "\", \"descricao\": \"" + descricao +
           "\", \"empresa\": \"" + empresa + "\"}";
}

std::string Resposta(const std::vector<std::string>& itens) {
    std::string r = "{\"success\": true, \"message\": \"\", \"result\": [";
    for (std::size_t i = 0; i < itens.size(); ++i) r += (i ? ", " : "") + itens[i];
    return r + "]}";
}

class LogAtuAplicJanelaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        std::ofstream(dir_.filePath("Parametros.ini").toStdString())
            << "[Banco]\nBanco=FireBird\n[LogAtualizacao]\nServidor=" << servidor_.Endereco() << "\n";
        TSistema::DefinirDiretorioConfiguracao(dir_.path().toStdString());
        logaplic::Ambiente& a = logaplic::AmbienteAtual();
        DefinirEmpresa("CALÇADOS EXEMPLO LTDA");
        a.tempoTotalMs = 5000;
        servidor_.Responder(200, Resposta({Item(6728, "05/02/2024", "<p>Versão <b>atual</b></p>", ""),
                                           Item(6729, "01/01/2024", "<p>Nova</p>", "CALÇADOS EXEMPLO LTDA"),
                                           Item(6700, "15/03/2023", "<p>Antiga</p>", ""),
                                           Item(6731, "01/06/2024", "<p>Outra</p>", "OUTRA FÁBRICA")}));
    }
    void TearDown() override {
        logaplic::RestaurarAmbiente();
        DestruirSistema();
        TSistema::DefinirDiretorioConfiguracao("");
    }

    static std::vector<QString> Coluna(TfrmLogAtuAplic& w, int c) {
        std::vector<QString> r;
        auto* m = w.dbgLog->model();
        for (int i = 0; i < m->rowCount(); ++i) r.push_back(m->index(i, c).data().toString());
        return r;
    }
    // Colour of a cell's background, from the grid as drawn (a blank cell, or its edge).
    static QColor Fundo(TfrmLogAtuAplic& w, int linha, int coluna) {
        QTableView* g = w.dbgLog;
        const QImage img = g->viewport()->grab().toImage();
        const QRect r = g->visualRect(g->model()->index(linha, coluna));
        return img.pixelColor(r.left() + 2, r.top() + 3);
    }

    QTemporaryDir dir_;
    ServidorHttpTeste servidor_;
    ServicosDeTeste servicos_{BancoEmpresa().Conn()};
};

TEST_F(LogAtuAplicJanelaTest, CarregaAsVersoesDaEmpresaEMostraAPrimeira) {
    TfrmLogAtuAplic w(nullptr, "KWX", "FRMDISTSERV");
    EXPECT_FALSE(w.isVisible());  // shown by whoever built it
    EXPECT_EQ(w.Cliente()->size(), QSize(886, 484));
    EXPECT_FALSE(w.cpbLogSis->isVisible());
    auto* m = w.dbgLog->model();
    ASSERT_EQ(m->columnCount(), 3);
    EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(), QString("Data"));

    // The other company's version is left out; the service's order is kept.
    EXPECT_EQ(Coluna(w, 0), (std::vector<QString>{"6728", "6729", "6700"}));
    EXPECT_EQ(Coluna(w, 1), (std::vector<QString>{"05/02/2024", "01/01/2024", "15/03/2023"}));
    EXPECT_EQ(w.cdsLog.RecNo(), 1);
    EXPECT_EQ(w.dbgLog->currentIndex().row(), 0);
    EXPECT_EQ(w.WebBrowser1->toPlainText(), QString("Versão atual"));

    // Choosing a row shows its description.
    w.dbgLog->setCurrentIndex(m->index(2, 0));
    EXPECT_EQ(w.cdsLog.RecNo(), 3);
    EXPECT_EQ(w.WebBrowser1->toPlainText(), QString("Antiga"));
}

TEST_F(LogAtuAplicJanelaTest, VersaoPosteriorAoAplicativoDestacada) {
    TfrmLogAtuAplic w(nullptr, "KWX", "FRMDISTSERV");
    w.show();
    QApplication::processEvents();
    // Row 0 is 6728 (this build): normal; row 1 is 6729: highlighted.
    w.dbgLog->setCurrentIndex(w.dbgLog->model()->index(0, 0));
    QApplication::processEvents();
    const QColor normal = Fundo(w, 0, 2);
    EXPECT_NE(normal, QColor(255, 128, 128));
    EXPECT_NE(normal, QColor(0, 128, 255));
    EXPECT_EQ(Fundo(w, 1, 0), QColor(255, 128, 128));
    EXPECT_EQ(Fundo(w, 1, 2), QColor(255, 128, 128));

    // The selected cell of a highlighted row.
    w.dbgLog->setCurrentIndex(w.dbgLog->model()->index(1, 2));
    QApplication::processEvents();
    EXPECT_EQ(Fundo(w, 1, 2), QColor(0, 128, 255));
    EXPECT_EQ(Fundo(w, 1, 0), QColor(255, 128, 128));
}

TEST_F(LogAtuAplicJanelaTest, CliqueNoTituloOrdena) {
    TfrmLogAtuAplic w(nullptr, "KWX", "FRMDISTSERV");
    w.show();
    QApplication::processEvents();
    w.dbgLog->setCurrentIndex(w.dbgLog->model()->index(0, 0));  // 6728
    QHeaderView* h = w.dbgLog->horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(1) + 10, 8));
    EXPECT_EQ(Coluna(w, 1), (std::vector<QString>{"15/03/2023", "01/01/2024", "05/02/2024"}));
    EXPECT_EQ(Coluna(w, 0), (std::vector<QString>{"6700", "6729", "6728"}));
    EXPECT_EQ(h->sortIndicatorSection(), 1);
    // The chosen version stays chosen and keeps its description.
    EXPECT_EQ(w.cdsLog.FieldByName("VERSAO").AsInteger(), 6728);
    EXPECT_EQ(w.dbgLog->currentIndex().row(), 2);
    EXPECT_EQ(w.WebBrowser1->toPlainText(), QString("Versão atual"));

    w.dbgLogTitleClick(0);
    EXPECT_EQ(Coluna(w, 0), (std::vector<QString>{"6700", "6728", "6729"}));
    // Highlight follows the row, not the position.
    EXPECT_EQ(Fundo(w, 2, 2), QColor(255, 128, 128));
}

TEST_F(LogAtuAplicJanelaTest, DescricaoNaoBuscaArquivosNemRede) {
    QTemporaryDir pasta;
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::red);
    const QString arquivo = pasta.filePath("figura.png");
    ASSERT_TRUE(img.save(arquivo));
    const std::string urlArquivo = QUrl::fromLocalFile(arquivo).toString().toStdString();
    const std::string urlRede = "http://" + servidor_.Endereco() + "/figura.png";
    servidor_.Responder(200, Resposta({Item(6729, "01/01/2024",
                                            "<p>Nova<img src='" + urlArquivo + "'><img src='" + urlRede +
                                                "'><a href='" + urlRede + "'>link</a></p>",
                                            "")}));
    TfrmLogAtuAplic w(nullptr, "KWX", "FRMDISTSERV");
    w.show();
    QApplication::processEvents();
    EXPECT_TRUE(w.WebBrowser1->toPlainText().startsWith("Nova"));
    auto* doc = dynamic_cast<TDocumentoSemRecursos*>(w.WebBrowser1->document());
    ASSERT_NE(doc, nullptr);
    EXPECT_FALSE(doc->resource(QTextDocument::ImageResource, QUrl(QString::fromStdString(urlArquivo))).isValid());
    EXPECT_GT(doc->RecursosPedidos(), 0);
    // Following the link does nothing either.
    QTest::qWait(50);
    emit w.WebBrowser1->anchorClicked(QUrl(QString::fromStdString(urlRede)));
    QTest::qWait(50);
    EXPECT_EQ(servidor_.Conexoes(), 1);  // only the list itself
    EXPECT_TRUE(w.WebBrowser1->toPlainText().startsWith("Nova"));
}

TEST_F(LogAtuAplicJanelaTest, ListaVaziaSemDescricao) {
    servidor_.Responder(200, Resposta({}));
    TfrmLogAtuAplic w(nullptr, "KWX", "FRMDISTSERV");
    EXPECT_EQ(w.dbgLog->model()->rowCount(), 0);
    EXPECT_TRUE(w.WebBrowser1->toPlainText().isEmpty());
    w.dbgLogTitleClick(1);  // sorting nothing is harmless
    EXPECT_EQ(w.dbgLog->model()->rowCount(), 0);
}

// A child window as the distribution window is, to press its title-bar button.
class JanelaFilha : public TfMdiChild {
public:
    explicit JanelaFilha(QWidget* dono) : TfMdiChild(dono) { setObjectName("frmDistServ"); }
};

TEST_F(LogAtuAplicJanelaTest, BotaoDoTituloAbreUmaJanelaNovaACadaToque) {
    auto* filha = TfMdiChild::Criar<JanelaFilha>(nullptr);
    std::vector<QPointer<TfrmLogAtuAplic>> abertas;
    std::vector<bool> modal;
    // Closed with "&Fechar" the first time, from the title bar the second (once shown,
    // after the wait for the list).
    bool peloBotao = true;
    QTimer vigia;
    QObject::connect(&vigia, &QTimer::timeout, [&] {
        if (!frmLogAtuAplic || !frmLogAtuAplic->isVisible()) return;
        abertas.emplace_back(frmLogAtuAplic);
        modal.push_back(frmLogAtuAplic->isModal());
        if (peloBotao) frmLogAtuAplic->BitBtn1->click();
        else frmLogAtuAplic->close();
    });
    vigia.start(10);
    filha->cpbLogSis->click();
    peloBotao = false;
    filha->cpbLogSis->click();

    ASSERT_EQ(abertas.size(), 2u);
    EXPECT_EQ(modal, (std::vector<bool>{true, true}));
    EXPECT_TRUE(abertas[0].isNull());  // destroyed when closed
    EXPECT_TRUE(abertas[1].isNull());
    EXPECT_EQ(frmLogAtuAplic, nullptr);
    const auto pedidos = servidor_.Pedidos();
    ASSERT_EQ(pedidos.size(), 2u);  // fetched again for the second window
    for (const auto& p : pedidos) {
        EXPECT_EQ(CampoFormulario(p.corpo, "programa"), "KWX");
        EXPECT_EQ(CampoFormulario(p.corpo, "form"), "FRMDISTSERV");
    }
    delete filha;
}

TEST_F(LogAtuAplicJanelaTest, ErroNaCargaEMostradoENadaAbre) {
    plat::GravadorMensagens gravador;
    auto* filha = TfMdiChild::Criar<JanelaFilha>(nullptr);
    int modais = 0;
    QTimer vigia;
    QObject::connect(&vigia, &QTimer::timeout, [&] {
        if (auto* m = qobject_cast<TfrmLogAtuAplic*>(QApplication::activeModalWidget())) {
            ++modais;
            m->close();
        }
    });
    vigia.start(20);

    servidor_.Responder(200, R"({"success": false, "message": "Programa KWX sem histórico"})");
    filha->cpbLogSis->click();
    servidor_.NaoResponder();
    logaplic::AmbienteAtual().tempoTotalMs = 300;
    filha->cpbLogSis->click();

    servidor_.ResponderGrande(6 * 1024 * 1024, '[', false);  // no declared length: read until the cap
    filha->cpbLogSis->click();

    ASSERT_EQ(gravador.registro.size(), 3u);
    EXPECT_EQ(gravador.registro[0].tipo, plat::TipoMensagem::Erro);
    EXPECT_EQ(gravador.registro[0].texto, "Programa KWX sem histórico.");
    EXPECT_NE(gravador.registro[1].texto.find("não respondeu em 300 milissegundos"), std::string::npos);
    EXPECT_NE(gravador.registro[2].texto.find("excede o tamanho máximo de 4 MB."), std::string::npos);
    EXPECT_EQ(modais, 0);
    EXPECT_EQ(frmLogAtuAplic, nullptr);
    for (QWidget* t : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<TfrmLogAtuAplic*>(t), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // no hourglass left behind
    delete filha;
}

// A service that holds the request: the wait is shown over the window, the event loop runs
// on (timers fire, keys are handled), Escape cancels at once without a message, and the
// time-out still ends a wait nobody cancels.
TEST_F(LogAtuAplicJanelaTest, ServicoMudoNaoPrendeAJanela) {
    plat::GravadorMensagens gravador;
    auto* filha = TfMdiChild::Criar<JanelaFilha>(nullptr);
    servidor_.NaoResponder();
    int batidas = 0;
    QTimer relogio;
    QObject::connect(&relogio, &QTimer::timeout, [&] { ++batidas; });
    relogio.start(10);
    QString rotulo;
    int batidasAntes = -1;
    QTimer::singleShot(400, [&] {
        auto* espera = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (!espera) return;
        rotulo = espera->labelText();
        batidasAntes = batidas;
        QTest::keyClick(espera, Qt::Key_Escape);
    });
    QElapsedTimer t;
    t.start();
    filha->cpbLogSis->click();  // tempoTotalMs is 5 s
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_TRUE(rotulo.startsWith("Consultando o log de atualizações em http://" +
                                  QString::fromStdString(servidor_.Endereco())))
        << rotulo.toStdString();
    EXPECT_GE(batidasAntes, 10);  // the loop ran while the service said nothing
    EXPECT_TRUE(gravador.registro.empty()) << gravador.Textos().front();
    EXPECT_EQ(frmLogAtuAplic, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    logaplic::AmbienteAtual().tempoTotalMs = 500;
    batidas = 0;
    filha->cpbLogSis->click();
    EXPECT_GE(batidas, 10);
    ASSERT_EQ(gravador.registro.size(), 1u);
    EXPECT_NE(gravador.registro[0].texto.find("não respondeu em 500 milissegundos"), std::string::npos);
    EXPECT_EQ(servidor_.Pedidos().size(), 2u);
    delete filha;
}

}  // namespace
