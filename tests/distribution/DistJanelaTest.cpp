// The distribution window driven with keys, Enter and focus against an embedded database
// filled with fixture data.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QTest>
#include <QWindow>
#include <QTemporaryDir>
#include <fstream>
#include <functional>
#include <memory>

#include "support/ServicosDeTeste.h"
#include "support/ServidorMudo.h"
#include "support/TestDb.h"
#include "BancoDistribuicao.h"
#include "db/Query.h"
#include "distribution/FDistPravolt.h"
#include "distribution/UDistGravacao.h"
#include "platform/Mensagens.h"
#include "rules/DGlobal.h"
#include "shell/FPrinc.h"
#include "shell/USistema.h"

using namespace dist;
using plat::EncodeDate;

namespace {

class DistJanela : public SuiteBancoDistribuicao {
protected:
    // Each test starts from the fixture rows with no dispatches, progress rows, switches
    // or installation name.
    void SetUp() override {
        // the system object (the base window records itself there at each show)
        std::ofstream(config_.filePath("Parametros.ini").toStdString()) << "[Banco]\nBanco=FireBird\n";
        TSistema::DefinirDiretorioConfiguracao(config_.path().toStdString());
        for (const char* t : {"EXTERNO", "PRODUCAO_SETOR", "PARAM", "CONFIG", "LOG_ALTERACOES"})
            banco->Exec(std::string("delete from ") + t);
        srv = std::make_unique<ServicosDeTeste>(banco->Conn());
        srv->agora = EncodeDate(2024, 3, 15) + 10.5 / 24;
    }

    void TearDown() override {
        if (w) {
            w->close();
            delete w.data();
        }
        moldura.reset();
        srv.reset();
        DestruirSistema();
        TSistema::DefinirDiretorioConfiguracao("");
    }

    void Param(const std::string& g, const std::string& p, const std::string& v) {
        banco->Exec("insert into PARAM (GRUPO_PA, PARAM_PA, VALOR_PA) values ('" + g + "', '" + p + "', '" + v + "')");
    }
    void Empresa(const std::string& nome) {
        banco->Exec("delete from CONFIG");
        banco->Exec("insert into CONFIG values ('" + nome + "')");
    }
    void Despacho(int terc, const std::string& tipo, const std::string& prog, const std::string& ficha,
                  const std::string& sub, const std::string& saida, const std::string& retorno, int qtde,
                  const std::string& valor = "1", const std::string& setor = "null") {
        banco->Exec("insert into EXTERNO (TERCEIRIZADO_EX, TP_SERV_EX, PROG_EX, FICHA_EX, SUBFICHA_EX, SAIDA_EX, "
                    "RETORNO_EX, VALOR_EX, QTDE_EX, SETOR_SAI_EX) values (" +
                    std::to_string(terc) + ", '" + tipo + "', '" + prog + "', '" + ficha + "', '" + sub + "', " +
                    saida + ", " + retorno + ", " + valor + ", " + std::to_string(qtde) + ", " + setor + ")");
    }

    // Creates and shows the window in the MDI area of a main frame, active, as the program
    // does (the frame's own start-up is not run: the services are the test's). So its
    // first show empties its entry fields, as the program's does.
    TfrmDistServ* Abrir() {
        if (!moldura) {
            moldura = std::make_unique<TfrmPrinc>();
            moldura->show();
        }
        w = TfMdiChild::Criar<TfrmDistServ>(moldura.get());
        frmDistServ = w;
        QApplication::setActiveWindow(moldura.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(moldura.get()));
        EXPECT_TRUE(w->EstiloMdi());
        return w;
    }

    static QWidget* Foco() { return QApplication::focusWidget(); }
    // Keys typed where the focus is, one by one, as the operator (or a scanner) does.
    static void Digitar(const QString& texto) {
        for (QChar c : texto) {
            if (c.unicode() < 128) QTest::keyClick(Foco(), c.toLatin1());
            else QTest::sendKeyEvent(QTest::Click, Foco(), static_cast<Qt::Key>(c.toUpper().unicode()), QString(c), {});
        }
    }
    static void Enter() { QTest::keyClick(Foco(), Qt::Key_Return); }
    void Focar(QWidget* c) {
        c->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
    // The workshop chosen by its code, as typed.
    void Terceirizado(const QString& cod) {
        Focar(w->ceTerc);
        w->ceTerc->selectAll();
        Digitar(cod);
        Enter();
    }
    void TipoServico(const QString& t) {
        Focar(w->edTpServ);
        w->edTpServ->selectAll();
        Digitar(t);
        Enter();
    }
    // A ticket typed into the empty ticket fields, then Enter on the sub-ticket: the lookup.
    void Ficha(const QString& prog, const QString& ficha) {
        Focar(w->edProg);
        Digitar(prog);
        Digitar(ficha);
        Enter();
    }
    QString Celula(int linha, int col) const { return w->dbgTerc->item(linha, col)->text(); }
    int Linha(const QString& nome) const {
        for (int i = 0; i < w->dbgTerc->rowCount(); ++i)
            if (w->dbgTerc->item(i, 1)->text() == nome) return i;
        return -1;
    }

    std::unique_ptr<ServicosDeTeste> srv;
    std::unique_ptr<TfrmPrinc> moldura;
    QPointer<TfrmDistServ> w;
    plat::GravadorMensagens msgs;
    QTemporaryDir config_;
};


}  // namespace

// ---- set-up ------------------------------------------------------------------------

TEST_F(DistJanela, InactiveWorkshopIsNotListedCountedOrChosen) {
    Despacho(3, "B", "000001", "0001", "0000", "'2024-03-15'", "null", 9);
    Abrir();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Distribuição de Serviços Externos"));
    EXPECT_EQ(w->cbTerc->count(), 3);
    EXPECT_EQ(w->cbTerc->itemText(0), "ALFA");  // ordered by name
    EXPECT_EQ(w->cbTerc->itemText(2), "GAMA");
    EXPECT_EQ(Linha("INATIVA"), -1);
    Terceirizado("3");
    EXPECT_EQ(w->cbTerc->currentIndex(), -1);
    EXPECT_TRUE(w->cbTerc->currentText().isEmpty());
    Terceirizado("4");
    EXPECT_EQ(w->cbTerc->currentText(), "GAMA");
    EXPECT_EQ(w->ceTerc->text(), "004");  // shown with three digits after leaving it
    EXPECT_TRUE(msgs.registro.empty());
}

TEST_F(DistJanela, CountersOfDayMonthAndPending) {
    Despacho(1, "B", "000001", "0001", "0000", "'2024-03-14'", "'2024-03-14'", 10);
    Despacho(1, "B", "000002", "0001", "0000", "'2024-03-01 00:00:00'", "'2024-03-02'", 20);
    Despacho(1, "B", "000003", "0001", "0000", "'2024-03-16'", "'2024-03-16'", 40);
    Despacho(1, "B", "000004", "0001", "0000", "'2023-11-20'", "null", 5);
    Despacho(1, "P", "000005", "0001", "0000", "'2024-03-15'", "null", 7);
    Despacho(4, "P", "000006", "0001", "0000", "'2024-03-15'", "null", 1000);
    Abrir();
    int alfa = Linha("ALFA"), beta = Linha("BETA"), gama = Linha("GAMA");
    EXPECT_EQ(Celula(alfa, 0), "001");
    EXPECT_EQ(Celula(alfa, 2), "500");
    EXPECT_EQ(Celula(alfa, 3), "7");    // today
    EXPECT_EQ(Celula(alfa, 4), "37");   // 1st, 14th and today; not the 16th
    EXPECT_EQ(Celula(alfa, 5), "12");   // open: last year and today
    EXPECT_EQ(Celula(gama, 5), "1.000");
    // no dispatches: empty cells (turnover empty too)
    for (int c = 2; c <= 5; ++c) EXPECT_TRUE(Celula(beta, c).isEmpty()) << c;
}

TEST_F(DistJanela, SwitchesAndInstallationRulesAtCreation) {
    Param("ATU_PRODUCAO", "BAIXA_SETOR_ENTRADA", "s");
    Param("ATU_PRODUCAO", "DIST_SERV_POR_CODBAR", "S");
    Empresa("QOR");
    Abrir();
    EXPECT_FALSE(w->Parametros().baixaSetorEntrada);
    EXPECT_EQ(w->edProg->maxLength(), 13);
    EXPECT_TRUE(w->deData->isEnabled());
    EXPECT_TRUE(w->cePreco->isReadOnly());
    EXPECT_EQ(w->cePreco->focusPolicy() & Qt::TabFocus, 0);
    EXPECT_EQ(w->deData->date(), QDate(2024, 3, 15));
    EXPECT_EQ(w->cbSaidaRetorno->currentText(), QStringLiteral("Saída"));
    EXPECT_FALSE(w->btGravar->isEnabled());
}

// Inside the frame each show with the show handler bound (the first among them) empties
// the text edits and the remark; the numeric edits, the date and the choices stay.
TEST_F(DistJanela, ShowInTheFrameEmptiesTheTextEditsOnly) {
    Abrir();
    EXPECT_EQ(Sistema().JanelaAtiva, w.data());
    Terceirizado("1");
    TipoServico("P");
    w->edSetor->setText("01");
    w->edProg->setText("123456");
    w->mmoObs->setPlainText("obs");
    w->cbSaidaRetorno->setCurrentIndex(1);
    w->hide();
    w->show();
    for (QLineEdit* e : {w->edTpServ, w->edSetor, w->edProg, w->edFicha, w->edSubF, w->edProd, w->edPadron})
        EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
    EXPECT_TRUE(w->mmoObs->toPlainText().isEmpty());
    EXPECT_EQ(w->ceTerc->text(), "001");
    EXPECT_EQ(w->cePreco->text(), "0,0000");
    EXPECT_EQ(w->ceQtPares->text(), "0");
    EXPECT_EQ(w->deData->date(), QDate(2024, 3, 15));
    EXPECT_EQ(w->cbSaidaRetorno->currentIndex(), 1);
    EXPECT_TRUE(msgs.registro.empty());
}

TEST_F(DistJanela, KalduLongProgrammeAndQueltavioDate) {
    Empresa("KALDU");
    Abrir();
    EXPECT_EQ(w->edProg->maxLength(), 15);
    EXPECT_TRUE(w->deData->isEnabled());
    delete w.data();

    Param("DISTRIBUICAO_SERVICOS", "BLOQUEIO_DATA", "N");
    Empresa("QUELTAVIO");
    Abrir();
    EXPECT_EQ(w->edProg->maxLength(), 6);
    EXPECT_FALSE(w->deData->isEnabled());
    // a change of mode sets the server's date again
    w->deData->setDate(QDate(2024, 1, 2));
    srv->agora = EncodeDate(2024, 3, 18);
    w->cbSaidaRetorno->setCurrentIndex(1);
    EXPECT_EQ(w->deData->date(), QDate(2024, 3, 18));
    EXPECT_FALSE(w->deData->isEnabled());
}

TEST_F(DistJanela, DestructionEmptiesTheGlobalReference) {
    // inside a frame's MDI area, as the program runs it: closing destroys the window
    QMdiArea area;
    area.resize(900, 700);
    area.show();
    w = TfMdiChild::Criar<TfrmDistServ>(&area);
    frmDistServ = w;
    EXPECT_TRUE(w->EstiloMdi());
    EXPECT_EQ(w->Cliente()->size(), QSize(730, 497));
    w->btFechar->click();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(frmDistServ, nullptr);
}

// ---- ticket entry ------------------------------------------------------------------

TEST_F(DistJanela, TypedTicketIsPaddedAndLookedUpByEnter) {
    Abrir();
    Terceirizado("1");
    TipoServico("B");
    Focar(w->edProg);
    w->mmoObs->setPlainText("nota");
    Digitar("1234");
    Enter();  // to the ticket field: the programme is padded, the remark cleared
    EXPECT_EQ(w->edProg->text(), "001234");
    EXPECT_TRUE(w->mmoObs->toPlainText().isEmpty());
    EXPECT_EQ(Foco(), w->edFicha);
    Digitar("12");
    Enter();
    EXPECT_EQ(w->edFicha->text(), "0012");
    EXPECT_EQ(Foco(), w->edSubF);

    // a blank ticket stays blank
    Focar(w->edFicha);
    w->edFicha->clear();
    Enter();
    EXPECT_EQ(w->edFicha->text(), "");

    // the real ticket: auto-advance at full length, Enter in an empty sub-ticket field
    Focar(w->edProg);
    w->edProg->selectAll();
    Digitar("123456");
    EXPECT_EQ(Foco(), w->edFicha);
    w->edFicha->selectAll();
    Digitar("0007");
    EXPECT_EQ(Foco(), w->edSubF);
    Enter();
    EXPECT_TRUE(msgs.registro.empty()) << msgs.Textos().front();
    EXPECT_EQ(w->edSubF->text(), "0000");
    EXPECT_EQ(w->ceQtPares->text(), "120");  // every size of both items
    EXPECT_EQ(w->edProd->text(), "PR01");
    EXPECT_EQ(w->edPadron->text(), "001 - PRETO");
    EXPECT_EQ(w->cePreco->text(), "12,5000");  // priced for workshop, product and type
    EXPECT_TRUE(w->cePreco->isReadOnly());
    EXPECT_EQ(w->cePrecoTot->text(), " 1.500,00");
    EXPECT_FALSE(w->edProg->isEnabled());
    EXPECT_FALSE(w->edFicha->isEnabled());
    EXPECT_FALSE(w->edSubF->isEnabled());
    EXPECT_TRUE(w->btGravar->isEnabled());
    EXPECT_EQ(Foco(), w->cePreco);
    EXPECT_EQ(w->LookupCount(), 1);

    // Desistir: back to entry, workshop and type kept
    w->btDesistir->click();
    EXPECT_TRUE(w->edProg->isEnabled());
    EXPECT_FALSE(w->btGravar->isEnabled());
    EXPECT_TRUE(w->edProg->text().isEmpty());
    EXPECT_TRUE(w->edProd->text().isEmpty());
    EXPECT_EQ(w->ceQtPares->text(), "0");
    EXPECT_EQ(w->cePreco->text(), "0,0000");
    EXPECT_FALSE(w->cePreco->isReadOnly());
    EXPECT_EQ(w->edTpServ->text(), "B");
    EXPECT_EQ(w->ceTerc->text(), "001");
    EXPECT_EQ(Foco(), w->edProg);
}

TEST_F(DistJanela, LookupWarningsLeaveTheEntryState) {
    Abrir();
    Terceirizado("1");
    TipoServico("B");
    Ficha("654321", "0007");
    ASSERT_EQ(msgs.Textos(), std::vector<std::string>{"Programação não localizada."});
    EXPECT_EQ(msgs.registro[0].tipo, plat::TipoMensagem::Aviso);
    EXPECT_TRUE(w->edProg->isEnabled());
    EXPECT_FALSE(w->btGravar->isEnabled());
    EXPECT_EQ(w->edProg->text(), "654321");
    EXPECT_EQ(Foco(), w->edSubF);

    // a programme in lower case, rewritten by the lookup: the focus stays where it was
    msgs.Limpar();
    Focar(w->edProg);
    w->edProg->selectAll();
    Digitar("abcdef");
    Digitar("0007");
    Enter();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Programação não localizada."});
    EXPECT_EQ(w->edProg->text(), "ABCDEF");
    EXPECT_EQ(Foco(), w->edSubF);

    msgs.Limpar();
    Focar(w->edProg);
    w->edProg->selectAll();
    Digitar("123456");
    Digitar("0007");
    Digitar("9");
    Enter();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Subficha não localizada."});
    EXPECT_EQ(w->FSubFicha(), "0009");
    EXPECT_FALSE(w->btGravar->isEnabled());

    // a sub-ticket with its own pairs
    msgs.Limpar();
    w->edSubF->selectAll();
    Digitar("1");
    Enter();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(w->ceQtPares->text(), "30");
}

TEST_F(DistJanela, ScannedTicketCodesAreSplit) {
    Param("ATU_PRODUCAO", "DIST_SERV_POR_CODBAR", "S");
    Abrir();
    Terceirizado("1");
    TipoServico("B");
    Focar(w->edProg);
    // 15 characters: prefix, programme, ticket, sub-ticket; the reader's Enter looks it up
    Digitar("A12345600070001");
    EXPECT_EQ(w->edProg->text(), "123456");
    EXPECT_EQ(w->edFicha->text(), "0007");
    EXPECT_EQ(w->edSubF->text(), "0001");
    EXPECT_EQ(Foco(), w->edSubF);
    Enter();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(w->ceQtPares->text(), "30");
    w->btDesistir->click();

    // 13 characters: the sub-ticket field is left as it was
    Focar(w->edSubF);
    Digitar("0002");
    Focar(w->edProg);
    Digitar("x123456000799");
    Enter();
    EXPECT_EQ(w->edProg->text(), "123456");
    EXPECT_EQ(w->edFicha->text(), "0007");
    EXPECT_EQ(w->edSubF->text(), "0002");

    // ";" read by the scanner instead of "/"
    w->btDesistir->click();
    Digitar("z12;34500011234");
    EXPECT_EQ(w->edProg->text(), "12/345");
    EXPECT_EQ(w->edFicha->text(), "0001");
}

TEST_F(DistJanela, TypedSemicolonBecomesSlashAtLookup) {
    Abrir();
    Terceirizado("1");
    TipoServico("B");
    Focar(w->edProg);
    Digitar("12;345");
    Digitar("0001");
    Enter();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(w->edProg->text(), "12/345");
    EXPECT_EQ(w->FProg(), "12/345");
    EXPECT_EQ(w->ceQtPares->text(), "8");
}

TEST_F(DistJanela, SubTicketIdentifierCodes) {
    Param("ATU_PRODUCAO", "DIST_SERV_POR_CODBAR", "S");
    Abrir();
    Terceirizado("1");
    TipoServico("B");
    Focar(w->edProg);
    Digitar("2123456789");  // leading "2" dropped: identifier 123456789
    Enter();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(w->FProg(), "123456");
    EXPECT_EQ(w->edFicha->text(), "0007");
    EXPECT_EQ(w->edSubF->text(), "0001");
    EXPECT_EQ(w->ceQtPares->text(), "30");
    EXPECT_EQ(w->LookupCount(), 1);

    w->btDesistir->click();
    Digitar("3123456789");  // looked up whole
    Enter();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(w->edSubF->text(), "0002");
    EXPECT_EQ(w->ceQtPares->text(), "20");

    // no match right after a successful lookup
    w->btDesistir->click();
    Digitar("2999999999");
    Enter();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Programação não localizada."});
    EXPECT_EQ(w->FProg(), "");
    EXPECT_FALSE(w->btGravar->isEnabled());

    // an identifier that is not a number is simply not found
    msgs.Limpar();
    w->btDesistir->click();
    Digitar("A23456789B");
    Enter();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Programação não localizada."});
}

TEST_F(DistJanela, SevenCharacterProgrammeUsesCharactersTwoToSeven) {
    Empresa("KALDU");
    Abrir();
    Terceirizado("1");
    TipoServico("B");
    Focar(w->edProg);
    Digitar("9123456");
    Enter();
    EXPECT_EQ(w->edProg->text(), "9123456");
    Digitar("0007");
    Enter();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(w->FProg(), "123456");
    EXPECT_EQ(Foco(), w->btGravar);  // KALDU: straight to the save button
}

TEST_F(DistJanela, ScannerBurstLosesNothingAndLooksUpOnce) {
    Param("ATU_PRODUCAO", "DIST_SERV_POR_CODBAR", "S");
    Abrir();
    Terceirizado("1");
    TipoServico("B");
    Focar(w->edProg);
    // 15 characters and Enter queued before any of them is handled, as a reader sends them
    QWindow* janela = w->window()->windowHandle();
    ASSERT_NE(janela, nullptr);
    const QString codigo = "A12345600070002";
    for (QChar c : codigo) {
        QCoreApplication::postEvent(janela, new QKeyEvent(QEvent::KeyPress, 0, Qt::NoModifier, QString(c)));
        QCoreApplication::postEvent(janela, new QKeyEvent(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c)));
    }
    QCoreApplication::postEvent(janela, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r"));
    QCoreApplication::postEvent(janela, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r"));
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(w->LookupCount(), 1);
    EXPECT_EQ(w->FProg(), "123456");
    EXPECT_EQ(w->FFicha(), "0007");
    EXPECT_EQ(w->FSubFicha(), "0002");
    EXPECT_EQ(w->ceQtPares->text(), "20");
    EXPECT_TRUE(w->btGravar->isEnabled());
    // nothing spilled into another field
    EXPECT_EQ(w->cePreco->text(), "12,5000");
    EXPECT_TRUE(w->mmoObs->toPlainText().isEmpty());
}

TEST_F(DistJanela, ReturnTakesTheDispatch) {
    Despacho(4, "B", "123456", "0007", "0000", "'2024-03-10'", "null", 100, "2.5", "'11'");
    Abrir();
    Terceirizado("1");
    TipoServico("P");
    w->cbSaidaRetorno->setCurrentIndex(1);
    EXPECT_FALSE(w->ceTerc->isEnabled());
    EXPECT_FALSE(w->cbTerc->isEnabled());
    EXPECT_TRUE(w->cePreco->isReadOnly());
    Ficha("123456", "0007");
    EXPECT_EQ(msgs.Textos(),
              std::vector<std::string>{"Não existe saída para esta PROG./FICHA neste tipo de serviço."});
    EXPECT_FALSE(w->btGravar->isEnabled());

    msgs.Limpar();
    w->edTpServ->setText("B");
    Focar(w->edSubF);
    Enter();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(w->ceTerc->text(), "004");
    EXPECT_EQ(w->cbTerc->currentText(), "GAMA");
    EXPECT_EQ(w->ceQtPares->text(), "100");
    EXPECT_EQ(w->cePreco->text(), "2,5000");
    EXPECT_EQ(w->EstadoDoPreco(), EstadoPreco::Travado);
    EXPECT_FALSE(w->edTpServ->isEnabled());
    EXPECT_FALSE(w->cbTpServ->isEnabled());
    EXPECT_EQ(Foco(), w->btGravar);

    // back to Saída: workshop controls enabled, price editable again
    w->btDesistir->click();
    w->cbSaidaRetorno->setCurrentIndex(0);
    EXPECT_TRUE(w->ceTerc->isEnabled());
    EXPECT_TRUE(w->cbTerc->isEnabled());
    EXPECT_FALSE(w->cePreco->isReadOnly());
}

// ---- choice controls ---------------------------------------------------------------

TEST_F(DistJanela, KalduSectorFollowsTheServiceType) {
    Empresa("KALDU");
    Abrir();
    Terceirizado("1");
    TipoServico("b");  // forced to upper case
    EXPECT_EQ(w->edTpServ->text(), "B");
    EXPECT_EQ(w->edSetor->text(), "11");
    EXPECT_EQ(w->cbSetor->currentText(), "BORDADO");
    w->cbSaidaRetorno->setCurrentIndex(1);
    TipoServico("B");
    EXPECT_EQ(w->edSetor->text(), "10");
    TipoServico("X");
    EXPECT_EQ(w->edSetor->text(), "10");
}

TEST_F(DistJanela, OtherInstallationsKeepTheSector) {
    Abrir();
    Terceirizado("1");
    Focar(w->edSetor);
    Digitar("01");
    TipoServico("B");
    EXPECT_EQ(w->edSetor->text(), "01");
    EXPECT_EQ(w->cbSetor->currentText(), "CORTE");
}

TEST_F(DistJanela, ServiceTypesAndSectorsFollowTheWorkshop) {
    Abrir();
    EXPECT_EQ(w->cbTpServ->count(), 0);  // empty until a workshop is entered
    Terceirizado("1");                   // no types of its own: every type of list 35
    EXPECT_EQ(w->cbTpServ->count(), 3);
    EXPECT_EQ(w->cbSetor->count(), 4);
    TipoServico("B");
    EXPECT_EQ(w->cbTpServ->currentText(), "BORDADO");

    // the product is known: price 12.5 locked
    w->edProd->setText("PR01");
    EXPECT_EQ(w->cePreco->text(), "12,5000");
    EXPECT_EQ(w->EstadoDoPreco(), EstadoPreco::Travado);

    // workshop 2 performs only "P" and serves only sector 02: "B" is emptied, price 0
    Focar(w->edSetor);
    Digitar("01");
    Terceirizado("2");
    EXPECT_EQ(w->cbTpServ->count(), 1);
    EXPECT_EQ(w->cbTpServ->itemText(0), "PESPONTO");
    EXPECT_EQ(w->edTpServ->text(), "");
    EXPECT_EQ(w->cbTpServ->currentIndex(), -1);
    EXPECT_EQ(w->edSetor->text(), "");
    EXPECT_EQ(w->cbSetor->count(), 1);
    EXPECT_EQ(w->cePreco->text(), "0,0000");
    EXPECT_FALSE(w->cePreco->isReadOnly());
    EXPECT_EQ(w->EstadoDoPreco(), EstadoPreco::EditavelCorJanela);

    // choosing in a combo copies the key back to the code field
    w->cbTpServ->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w->cbTpServ, Qt::Key_Down);
    EXPECT_EQ(w->edTpServ->text(), "P");
    w->cbTerc->setFocus(Qt::TabFocusReason);
    w->cbTerc->setCurrentIndex(0);
    EXPECT_EQ(w->ceTerc->text(), "001");
    // a key set from the code field does not echo back into it
    w->cbTerc->clearFocus();
    w->ceTerc->setText("7");
    EXPECT_EQ(w->ceTerc->text(), "7");
    EXPECT_EQ(w->cbTerc->currentIndex(), -1);
}

TEST_F(DistJanela, PriceTotalAndLocks) {
    Abrir();
    Terceirizado("1");
    TipoServico("P");
    Ficha("123456", "0007");
    EXPECT_EQ(w->ceQtPares->text(), "120");
    EXPECT_EQ(w->cePreco->text(), "2,3500");
    EXPECT_EQ(w->cePrecoTot->text(), " 282,00");

    // no price for the product: 0 and typed by the operator
    w->btDesistir->click();
    Terceirizado("4");
    TipoServico("P");
    Ficha("123456", "0007");
    EXPECT_EQ(w->cePreco->text(), "0,0000");
    EXPECT_FALSE(w->cePreco->isReadOnly());
    EXPECT_EQ(Foco(), w->cePreco);
    w->cePreco->selectAll();
    Digitar("1,5");
    EXPECT_EQ(w->cePrecoTot->text(), " 180,00");
}

TEST_F(DistJanela, LockedPriceParameter) {
    Param("DISTRIBUICAO_SERVICOS", "BLOQUEAR_PRECO", "S");
    Abrir();
    EXPECT_TRUE(w->cePreco->isReadOnly());
    Terceirizado("4");
    TipoServico("P");
    EXPECT_EQ(w->EstadoDoPreco(), EstadoPreco::Travado);
    w->cbSaidaRetorno->setCurrentIndex(1);
    w->cbSaidaRetorno->setCurrentIndex(0);
    EXPECT_TRUE(w->cePreco->isReadOnly());
    w->btDesistir->click();
    EXPECT_TRUE(w->cePreco->isReadOnly());
}

TEST_F(DistJanela, EnterMovesThroughTheControlsInOrder) {
    Abrir();
    Focar(w->ceTerc);
    std::vector<QWidget*> esperado = {w->cbTerc, w->deData, w->cbSaidaRetorno, w->edTpServ, w->cbTpServ,
                                      w->edSetor, w->cbSetor, w->edProg};
    for (QWidget* proximo : esperado) {
        Enter();
        EXPECT_EQ(Foco(), proximo) << proximo->objectName().toStdString();
    }
}

// ---- recording ---------------------------------------------------------------------

namespace {

struct LinhaExterno {
    std::int64_t terc = 0, qtde = 0;
    std::string tipo, setorSai, setorEnt, obs, valor;
    bool retornado = false;
    double saida = 0, retorno = 0;
};

}  // namespace

class DistGravar : public DistJanela {
protected:
    // Workshop, type and sector chosen; the ticket 123456/0007 looked up.
    void Carregar(const QString& terc, const QString& tipo, const QString& setor, const QString& sub = "") {
        if (w->ceTerc->isEnabled()) Terceirizado(terc);  // a return takes its dispatch's
        TipoServico(tipo);
        Focar(w->edSetor);
        w->edSetor->selectAll();
        Digitar(setor);
        Focar(w->edProg);
        Digitar("123456");
        if (Foco() == w->edProg) Enter();  // longer programme field: no auto-advance
        Digitar("0007");
        if (!sub.isEmpty()) Digitar(sub);
        Enter();
        ASSERT_TRUE(w->btGravar->isEnabled()) << (msgs.registro.empty() ? "" : msgs.Textos().front());
    }
    std::vector<LinhaExterno> Externo(const std::string& filtro = "1=1") {
        db::Query q(banco->Conn());
        q.SetSQL("select * from EXTERNO where " + filtro + " order by TERCEIRIZADO_EX, TP_SERV_EX");
        q.Open();
        std::vector<LinhaExterno> r;
        for (q.First(); !q.Eof(); q.Next()) {
            LinhaExterno l;
            l.terc = q.FieldByName("TERCEIRIZADO_EX").AsInteger();
            l.tipo = q.FieldByName("TP_SERV_EX").AsString();
            l.qtde = q.FieldByName("QTDE_EX").AsInteger();
            l.setorSai = q.FieldByName("SETOR_SAI_EX").AsString();
            l.setorEnt = q.FieldByName("SETOR_ENT_EX").AsString();
            l.obs = q.FieldByName("OBS_EX").AsString();
            l.valor = q.FieldByName("VALOR_EX").AsString();
            l.retornado = !q.FieldByName("RETORNO_EX").IsNull();
            l.saida = q.FieldByName("SAIDA_EX").AsDateTime();
            l.retorno = q.FieldByName("RETORNO_EX").AsDateTime();
            r.push_back(l);
        }
        return r;
    }
    std::int64_t Contar(const std::string& sql) {
        db::Query q(banco->Conn());
        q.SetSQL(sql);
        q.Open();
        return q.Field(0).AsInteger();
    }
    QString Contador(const QString& nome, int col) { return Celula(Linha(nome), col); }
    // The audit log on (as the suite's other programs run it) while the object lives.
    struct Auditoria {
        TDmGlobal dm;
        explicit Auditoria(db::Connection& c) : dm(c) {
            dm.DataServidor = [] { return EncodeDate(2024, 3, 15); };
            TfrmDistServ::LigarAuditoria(&dm);
        }
        ~Auditoria() { TfrmDistServ::LigarAuditoria(nullptr); }
    };
};

TEST_F(DistGravar, DispatchWritesRowProgressCountersAndResets) {
    Abrir();
    Carregar("1", "B", "11");
    w->mmoObs->setPlainText("urgente");
    ASSERT_EQ(Foco(), w->cePreco);
    Enter();  // to the save button
    ASSERT_EQ(Foco(), w->btGravar);
    Enter();  // saves
    EXPECT_TRUE(msgs.registro.empty()) << msgs.Textos().front();
    auto ex = Externo();
    ASSERT_EQ(ex.size(), 1u);
    EXPECT_EQ(ex[0].terc, 1);
    EXPECT_EQ(ex[0].tipo, "B");
    EXPECT_EQ(ex[0].qtde, 120);
    EXPECT_EQ(ex[0].setorSai, "11");
    EXPECT_EQ(ex[0].obs, "urgente");
    EXPECT_EQ(ex[0].saida, EncodeDate(2024, 3, 15));  // the window's date at 00:00
    EXPECT_FALSE(ex[0].retornado);
    EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR where PROG_PS='123456' and FICHA_PS='0007' and "
                     "SUBFICHA_PS='0000' and SETOR_PS='11' and DTSAIDA_PS = '2024-03-15' and HORASAIDA_PS like "
                     "'__:__' and DTENTRADA_PS is null and QTDE_PS = 120 and ID_PS > 0"),
              1);
    EXPECT_EQ(Contador("ALFA", 3), "120");
    EXPECT_EQ(Contador("ALFA", 4), "120");
    EXPECT_EQ(Contador("ALFA", 5), "120");
    // entry state for the next ticket, choices kept
    EXPECT_FALSE(w->btGravar->isEnabled());
    EXPECT_TRUE(w->edProg->isEnabled());
    EXPECT_TRUE(w->mmoObs->toPlainText().isEmpty());
    EXPECT_EQ(w->edTpServ->text(), "B");
    EXPECT_EQ(w->edSetor->text(), "11");
    EXPECT_EQ(Foco(), w->edProg);

    // the same ticket again for the same type: refused, whatever its state
    Digitar("123456");
    Digitar("0007");
    Enter();
    w->btGravar->click();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Programação já foi enviada para terceirizado \"1\"."});
    EXPECT_TRUE(w->btGravar->isEnabled());  // still loaded
    EXPECT_EQ(Externo().size(), 1u);
}

TEST_F(DistGravar, ChecksInOrderWithTheirFocus) {
    Param("DISTRIBUICAO_SERVICOS", "SETOR_OBRIGATORIO", "S");
    Abrir();
    Carregar("1", "B", "");
    w->edTpServ->setEnabled(true);
    w->ceTerc->setText("9");  // unknown workshop
    w->btGravar->click();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Informe a terceirização."});
    EXPECT_EQ(Foco(), w->ceTerc);
    msgs.Limpar();
    w->ceTerc->setText("1");
    w->edTpServ->clear();
    w->btGravar->click();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Informe o Tipo de Serviço."});
    EXPECT_EQ(Foco(), w->ceTerc);
    msgs.Limpar();
    w->edTpServ->setText("B");
    w->btGravar->click();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"O campo Setor deve ser preenchido!"});
    EXPECT_EQ(Foco(), w->edSetor);
    EXPECT_TRUE(Externo().empty());
    msgs.Limpar();
    w->edSetor->setText("11");
    w->btGravar->click();  // every check again, from the first
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(Externo().size(), 1u);
}

TEST_F(DistGravar, LockedPriceOfZeroIsRefused) {
    Param("DISTRIBUICAO_SERVICOS", "BLOQUEAR_PRECO", "S");
    Abrir();
    Carregar("4", "P", "11");
    w->btGravar->click();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"O campo Preço deve ser preenchido!"});
    EXPECT_TRUE(Externo().empty());
}

TEST_F(DistGravar, AnotherServiceTypeIsAccepted) {
    Despacho(4, "B", "123456", "0007", "0000", "'2020-01-10'", "'2020-02-01'", 120);
    Abrir();
    Carregar("1", "B", "");
    w->btGravar->click();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Programação já foi enviada para terceirizado \"4\"."});
    msgs.Limpar();
    w->btDesistir->click();
    Carregar("1", "P", "");
    w->btGravar->click();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(Externo("TP_SERV_EX = 'P'").size(), 1u);
    EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR"), 0);  // no sector, no progress row
}

// The server stops answering between the lookup and the save (the connection dropped and
// the next attach meets silence): one clear message after the time-out, nothing written, the
// ticket still loaded; once the server is back the same save goes through.
TEST_F(DistGravar, AServerThatStopsAnsweringFailsTheSaveClearlyAndWritesNothing) {
    Abrir();
    Carregar("1", "B", "11");
    ServidorMudo mudo;
    db::Connection& c = banco->Conn();
    c.Close();
    c.SetDatabase(mudo.Local());
    c.SetConnectTimeout(1);
    w->btGravar->click();
    c.SetDatabase(banco->Path());
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Não foi possível conectar ao banco de dados " + mudo.Local() +
                                                      ": o servidor não respondeu em 1 segundo."});
    EXPECT_EQ(Externo().size(), 0u);
    EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR"), 0);
    EXPECT_EQ(Contador("ALFA", 3), "");
    EXPECT_TRUE(w->btGravar->isEnabled());  // still loaded
    msgs.Limpar();
    w->btGravar->click();
    EXPECT_TRUE(msgs.registro.empty()) << msgs.Textos().front();
    EXPECT_EQ(Externo().size(), 1u);
    EXPECT_EQ(Contador("ALFA", 3), "120");
}

TEST_F(DistGravar, ReturnChecksAndStamp) {
    Despacho(4, "B", "123456", "0007", "0000", "'2024-03-10'", "null", 100, "2.5", "'11'");
    Abrir();
    int gama = Linha("GAMA");
    EXPECT_EQ(Celula(gama, 5), "100");
    w->cbSaidaRetorno->setCurrentIndex(1);
    Carregar("1", "B", "11");
    w->btGravar->click();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"O setor de Retorno não pode ser o mesmo do setor de Saída."});
    msgs.Limpar();
    w->edSetor->clear();
    w->btGravar->click();
    EXPECT_TRUE(msgs.registro.empty());
    auto ex = Externo();
    ASSERT_EQ(ex.size(), 1u);
    EXPECT_TRUE(ex[0].retornado);
    EXPECT_EQ(ex[0].retorno, EncodeDate(2024, 3, 15));
    EXPECT_EQ(ex[0].setorEnt, "");
    EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR"), 0);
    EXPECT_EQ(Celula(gama, 5), "0");
    EXPECT_TRUE(w->edTpServ->isEnabled());

    // once returned
    Ficha("123456", "0007");
    w->btGravar->click();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Retorno já lançado em 15/03/24."});
}

TEST_F(DistGravar, PrecedingSectorsMustHaveProgress) {
    Param("DISTRIBUICAO_SERVICOS", "VERIFICAR_SETOR_ANT_BAIXADO", "S");
    banco->Exec("update or insert into SETOR values ('04', 'ACABAMENTO', '01, 03')");
    banco->Exec("insert into PRODUCAO_SETOR (PROG_PS, FICHA_PS, SUBFICHA_PS, SETOR_PS, ID_PS) values "
                "('123456', '0007', '0001', '01', 0)");
    Abrir();
    Carregar("1", "B", "04", "1");
    w->btGravar->click();
    ASSERT_EQ(msgs.Textos(), std::vector<std::string>{"Existem Setores Anteriores que não foram atualizados!"});
    EXPECT_EQ(msgs.registro[0].tipo, plat::TipoMensagem::Erro);
    msgs.Limpar();
    banco->Exec("insert into PRODUCAO_SETOR (PROG_PS, FICHA_PS, SUBFICHA_PS, SETOR_PS, ID_PS) values "
                "('123456', '0007', '0000', '03', 0)");
    w->btGravar->click();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(Externo().size(), 1u);
}

TEST_F(DistGravar, EntryAndExitStampsOnOneRow) {
    Param("ATU_PRODUCAO", "BAIXA_SETOR_ENTRADA", "S");
    Despacho(1, "P", "123456", "0007", "0000", "'2024-03-11'", "null", 120, "2.35", "'10'");
    Abrir();
    Carregar("1", "B", "11");
    w->btGravar->click();
    EXPECT_TRUE(msgs.registro.empty());
    w->cbSaidaRetorno->setCurrentIndex(1);
    Carregar("1", "P", "11");
    w->btGravar->click();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR where SETOR_PS = '11' and DTENTRADA_PS = '2024-03-15' "
                     "and HORAENTRADA_PS is not null and DTSAIDA_PS = '2024-03-15' and HORASAIDA_PS is not null"),
              1);
}

TEST_F(DistGravar, NoProgressRowWhenSwitchedOffOrAtMurel) {
    Param("SERVICO_EXTERNO", "ATUALIZA_PRODUCAO_SETOR", "N");
    Abrir();
    Carregar("1", "B", "11");
    w->btGravar->click();
    EXPECT_EQ(Externo().size(), 1u);
    EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR"), 0);
    delete w.data();
    banco->Exec("delete from PARAM");
    Empresa("MUREL");
    Abrir();
    Carregar("1", "P", "11");
    w->btGravar->click();
    EXPECT_EQ(Externo().size(), 2u);
    EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR"), 0);
}

TEST_F(DistGravar, FailedProgressWriteLeavesNothingRecorded) {
    banco->RunScriptText(
        "CREATE EXCEPTION E_FALHA_TESTE 'falha no progresso';\n"
        "SET TERM ^ ;\n"
        "CREATE TRIGGER PS_FALHA FOR PRODUCAO_SETOR ACTIVE BEFORE INSERT POSITION 5 AS BEGIN "
        "EXCEPTION E_FALHA_TESTE; END^\n"
        "SET TERM ; ^\n");
    Abrir();
    Carregar("1", "B", "11");
    w->btGravar->click();
    banco->RunScriptText("DROP TRIGGER PS_FALHA;\nDROP EXCEPTION E_FALHA_TESTE;\n");
    ASSERT_EQ(msgs.registro.size(), 1u);
    EXPECT_EQ(msgs.registro[0].tipo, plat::TipoMensagem::Erro);
    EXPECT_NE(msgs.registro[0].texto.find("falha no progresso"), std::string::npos);
    EXPECT_TRUE(Externo().empty());
    EXPECT_TRUE(w->btGravar->isEnabled());  // still loaded: save again
    EXPECT_TRUE(Contador("ALFA", 5).isEmpty());
    msgs.Limpar();
    w->btGravar->click();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(Externo().size(), 1u);
    EXPECT_EQ(Contador("ALFA", 5), "120");
}

TEST_F(DistGravar, KalduTurnoverNeedsTheDirector) {
    Empresa("KALDU");
    // 450 pairs out at ALFA (turnover 500)
    Despacho(1, "B", "000001", "0001", "0000", "'2024-03-01'", "null", 450);
    banco->Exec("insert into ITENSPV values ('P3', '01', 'PR01', '001', '000050', '0001')");
    banco->Exec("insert into ITENSPVGRADE values ('P3', '01', '38', 50)");
    banco->Exec("insert into ITENSPV values ('P4', '01', 'PR01', '001', '000051', '0001')");
    banco->Exec("insert into ITENSPVGRADE values ('P4', '01', '38', 51)");
    int pedidos = 0;
    TfrmDistServ::ValidarDiretor = [&](QWidget*) { return ++pedidos == 2; };
    Abrir();
    auto carregar = [&](const QString& prog) {
        Terceirizado("1");
        TipoServico("P");
        Focar(w->edProg);
        Digitar(prog);
        Enter();
        Digitar("0001");
        Enter();
    };
    carregar("000050");
    w->btGravar->click();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(pedidos, 0);
    carregar("000051");
    w->btGravar->click();  // refused by the director
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Qtde acima do giro do Terceirizado."});
    EXPECT_EQ(pedidos, 1);
    EXPECT_EQ(Externo("PROG_EX = '000051'").size(), 0u);
    w->btGravar->click();  // granted
    EXPECT_EQ(pedidos, 2);
    EXPECT_EQ(Externo("PROG_EX = '000051'").size(), 1u);
    TfrmDistServ::ValidarDiretor = nullptr;
}

TEST_F(DistGravar, KalduExtraInspectionRows) {
    Empresa("KALDU");
    banco->Exec("insert into PRECOSER values (1, 'PR01', 'I', 1)");
    banco->Exec("insert into PRECOSER values (2, 'PR01', 'I', 1)");
    banco->Exec("insert into PRECOSER values (4, 'PR01', 'I', 1)");
    Abrir();
    Carregar("1", "B", "");
    w->btGravar->click();
    banco->Exec("delete from PRECOSER where TP_SERV_PS = 'I'");
    EXPECT_TRUE(msgs.registro.empty());
    auto ex = Externo();
    ASSERT_EQ(ex.size(), 3u);
    EXPECT_EQ(ex[0].terc, 1);
    EXPECT_EQ(ex[0].tipo, "B");
    EXPECT_EQ(ex[1].terc, 2);
    EXPECT_EQ(ex[1].tipo, "I");
    EXPECT_EQ(ex[2].terc, 4);
    EXPECT_EQ(ex[2].qtde, 120);
    EXPECT_EQ(Contador("BETA", 5), "120");
    EXPECT_EQ(Contador("GAMA", 3), "120");
}

TEST_F(DistGravar, OverduePendingDispatchesAreListedSorted) {
    srv->agora = EncodeDate(2024, 3, 13) + 0.4;  // Wednesday: cut-off Wednesday 6 March
    Despacho(1, "B", "000200", "0001", "0000", "'2024-03-05'", "null", 1, "1", "'02'");
    Despacho(1, "B", "000100", "0002", "0000", "'2024-03-01'", "null", 2, "1", "'02'");
    Despacho(1, "B", "000100", "0001", "0000", "'2024-03-04'", "null", 3, "1", "'02'");
    Despacho(1, "B", "000300", "0001", "0000", "'2024-03-06'", "null", 4, "1", "'02'");  // not overdue
    Despacho(1, "B", "000400", "0001", "0000", "'2024-03-01'", "'2024-03-02'", 5, "1", "'02'");  // returned
    Despacho(1, "P", "000500", "0001", "0000", "'2024-03-01'", "null", 6, "1", "'02'");  // other type
    Despacho(2, "B", "000600", "0001", "0000", "'2024-03-01'", "null", 7, "1", "'02'");  // other workshop
    Despacho(1, "B", "000700", "0001", "0000", "'2024-03-01'", "null", 8, "1", "'11'");  // other sector
    Abrir();
    w->CarregaServicosPendentes("001", "B", "02");
    ASSERT_EQ(w->cdsServPend.size(), 3u);
    EXPECT_EQ(w->cdsServPend[0].PROG + "/" + w->cdsServPend[0].FICHA, "000100/0001");
    EXPECT_EQ(w->cdsServPend[1].PROG + "/" + w->cdsServPend[1].FICHA, "000100/0002");
    EXPECT_EQ(w->cdsServPend[2].PROG, "000200");
    EXPECT_EQ(w->cdsServPend[2].QTDE, 1);
}

TEST_F(DistGravar, SimultaneousDispatchOfTheSameTicketIsRefused) {
    // Another workstation records the ticket for workshop 2 between this one's check and
    // its insert (an autonomous transaction, committed on its own, plays that workstation).
    banco->RunScriptText(
        "SET TERM ^ ;\n"
        "CREATE TRIGGER EX_CONCORRENTE FOR EXTERNO ACTIVE BEFORE INSERT POSITION 5 AS BEGIN "
        "IF (NEW.TERCEIRIZADO_EX = 1) THEN IN AUTONOMOUS TRANSACTION DO "
        "INSERT INTO EXTERNO (TERCEIRIZADO_EX, TP_SERV_EX, PROG_EX, FICHA_EX, SUBFICHA_EX, SAIDA_EX, QTDE_EX) "
        "VALUES (2, NEW.TP_SERV_EX, NEW.PROG_EX, NEW.FICHA_EX, NEW.SUBFICHA_EX, NEW.SAIDA_EX, NEW.QTDE_EX); END^\n"
        "SET TERM ; ^\n");
    Abrir();
    Carregar("1", "B", "11");
    w->btGravar->click();
    banco->RunScriptText("DROP TRIGGER EX_CONCORRENTE;\n");
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Programação já foi enviada para terceirizado \"2\"."});
    auto ex = Externo();
    ASSERT_EQ(ex.size(), 1u);
    EXPECT_EQ(ex[0].terc, 2);
    EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR"), 0);
    EXPECT_TRUE(Contador("ALFA", 5).isEmpty());
    EXPECT_TRUE(w->btGravar->isEnabled());
}

TEST_F(DistGravar, AuditRowsOnlyForOtherExecutablesAndInTheSave) {
    banco->Exec("delete from LOG_ALTERACOES");
    Auditoria auditoria(banco->Conn());
    auto linhas = [&](const std::string& filtro) {
        return Contar("select count(*) from LOG_ALTERACOES where " + filtro);
    };
    Abrir();

    // Another program of the suite: the inserted rows are logged with their keys.
    w->NomeExecutavel = "SIRVANTA.EXE";
    Carregar("1", "B", "11");
    w->btGravar->click();
    ASSERT_TRUE(msgs.registro.empty()) << msgs.Textos().front();
    EXPECT_EQ(linhas("ARQ_LA = 'EXTERNO' and CHAVE_LA = '123456|0007|0000|B' and CAMPO_LA = 'INSERIDO'"), 1);
    EXPECT_EQ(linhas("ARQ_LA = 'PRODUCAO_SETOR' and CHAVE_LA = '123456|0007|0000|11' and CAMPO_LA = 'INSERIDO'"),
              1);

    // The return stamps a modified row: only the stamped column, under the row's key.
    w->cbSaidaRetorno->setCurrentIndex(1);
    Carregar("1", "B", "11");
    w->edSetor->clear();
    w->btGravar->click();
    ASSERT_TRUE(msgs.registro.empty()) << msgs.Textos().front();
    EXPECT_EQ(linhas("ARQ_LA = 'EXTERNO' and CHAVE_LA = '123456|0007|0000|B' and CAMPO_LA = 'RETORNO_EX' and "
                     "coalesce(VRANT_LA, '') = '' and VRATU_LA = '15/03/2024'"),
              1);
    EXPECT_EQ(linhas("ARQ_LA = 'EXTERNO'"), 2);

    // This program writes none.
    const auto antes = linhas("1=1");
    w->NomeExecutavel = "pravolt";
    w->cbSaidaRetorno->setCurrentIndex(0);
    Carregar("1", "P", "11");
    w->btGravar->click();
    ASSERT_TRUE(msgs.registro.empty()) << msgs.Textos().front();
    EXPECT_EQ(Externo("TP_SERV_EX = 'P'").size(), 1u);
    EXPECT_EQ(linhas("1=1"), antes);
}

// Through the window: the updated progress row is audited with the values it held.
TEST_F(DistGravar, ProgressRowUpdateIsAuditedWithItsOldValues) {
    Auditoria auditoria(banco->Conn());
    banco->Exec("insert into PRODUCAO_SETOR (PROG_PS, FICHA_PS, SUBFICHA_PS, SETOR_PS, ID_PS, DTSAIDA_PS, "
                "HORASAIDA_PS, QTDE_PS) values ('123456', '0007', '0000', '11', 0, '2024-03-10', '99:99', 120)");
    Abrir();
    w->NomeExecutavel = "SIRVANTA.EXE";
    Carregar("1", "B", "11");
    w->btGravar->click();
    ASSERT_TRUE(msgs.registro.empty()) << msgs.Textos().front();
    auto linhas = [&](const std::string& filtro) {
        return Contar("select count(*) from LOG_ALTERACOES where ARQ_LA = 'PRODUCAO_SETOR' and " + filtro);
    };
    EXPECT_EQ(linhas("CAMPO_LA = 'DTSAIDA_PS' and VRANT_LA = '10/03/2024' and VRATU_LA = '15/03/2024'"), 1);
    EXPECT_EQ(linhas("CAMPO_LA = 'HORASAIDA_PS' and VRANT_LA = '99:99' and VRATU_LA like '__:__'"), 1);
    EXPECT_EQ(linhas("1=1"), 2);  // the pairs did not change
}

TEST(DistPacoteLog, ModifiedRecordMarksOnlyChangedFields) {
    using db::Value;
    TRegistroLog reg{"EXTERNO", false, {{"PROG_EX", Value::Text("1"), Value::Text("1")},
                                        {"RETORNO_EX", Value(), Value::DateTime(EncodeDate(2024, 3, 15))}}};
    db::DataPacket p = PacoteLog(reg);
    ASSERT_EQ(p.rows.size(), 2u);
    EXPECT_EQ(p.rows[0].status, db::UpdateStatus::Unmodified);
    EXPECT_EQ(p.rows[1].status, db::UpdateStatus::Modified);
    EXPECT_FALSE(p.rows[1].Assigned(0));
    EXPECT_TRUE(p.rows[1].Assigned(1));
    reg.inserido = true;
    p = PacoteLog(reg);
    ASSERT_EQ(p.rows.size(), 1u);
    EXPECT_EQ(p.rows[0].status, db::UpdateStatus::Inserted);
}

TEST_F(DistGravar, ReturnRecordedMeanwhileByAnotherWorkstationIsRefused) {
    Despacho(4, "B", "123456", "0007", "0000", "'2024-03-10'", "null", 100, "2.5", "'11'");
    Abrir();
    w->cbSaidaRetorno->setCurrentIndex(1);
    Carregar("1", "B", "11");
    w->edSetor->setText("10");
    // The other workstation stamps the return after this one's lookup.
    banco->Exec("update EXTERNO set RETORNO_EX = '2024-03-14', SETOR_ENT_EX = '10' where PROG_EX = '123456'");
    w->btGravar->click();
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Retorno já lançado em 14/03/24."});
    auto ex = Externo();
    ASSERT_EQ(ex.size(), 1u);
    EXPECT_EQ(ex[0].retorno, EncodeDate(2024, 3, 14));  // the first return stands
    EXPECT_EQ(ex[0].setorEnt, "10");
    EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR"), 0);
    EXPECT_TRUE(w->btGravar->isEnabled());
}

// ---- around midnight ----------------------------------------------------------------
// The server's clock just before and just after the turn of a month decides the day of a
// dispatch, the day and month it is counted in and the pending cut-off (five weekdays);
// the machine's time zone takes no part (scripts/test runs this in the users' zone and in
// one with daylight saving in force).

namespace {

struct MeiaNoite {
    const char* nome;
    double agora;
    QDate dia;                          // the window's date, and the dispatch's
    QString hoje, mes;                  // ALFA's counters after the save
    std::vector<std::string> vencidos;  // GAMA's overdue programmes
};
void PrintTo(const MeiaNoite& c, std::ostream* os) { *os << c.nome; }

class DistMeiaNoite : public DistGravar, public ::testing::WithParamInterface<MeiaNoite> {};

}  // namespace

TEST_P(DistMeiaNoite, DayMonthAndCutOffFollowTheServerClock) {
    const MeiaNoite& c = GetParam();
    srv->agora = c.agora;
    Despacho(1, "P", "000001", "0001", "0000", "'2024-02-01 08:00'", "null", 1);
    Despacho(1, "P", "000002", "0001", "0000", "'2024-02-29 23:30'", "null", 10);
    Despacho(1, "P", "000003", "0001", "0000", "'2024-03-01 00:30'", "null", 100);
    for (const char* d : {"21", "22", "23"})
        Despacho(4, "B", std::string("0002") + d, "0001", "0000", std::string("'2024-02-") + d + " 23:30'", "null", 1,
                 "1", "'02'");
    Abrir();
    EXPECT_EQ(w->deData->date(), c.dia);
    Carregar("1", "B", "11");
    w->btGravar->click();
    ASSERT_TRUE(msgs.registro.empty()) << msgs.Textos().front();
    auto gravado = Externo("TP_SERV_EX = 'B' and TERCEIRIZADO_EX = 1");
    ASSERT_EQ(gravado.size(), 1u);
    EXPECT_EQ(gravado[0].saida, EncodeDate(c.dia.year(), c.dia.month(), c.dia.day()));
    for (int vez = 0; vez < 2; ++vez) {  // counted in memory by the save, then read back
        EXPECT_EQ(Contador("ALFA", 3), c.hoje) << vez;
        EXPECT_EQ(Contador("ALFA", 4), c.mes) << vez;
        EXPECT_EQ(Contador("ALFA", 5), "231") << vez;
        delete w.data();
        Abrir();
    }
    w->CarregaServicosPendentes("004", "B", "02");
    std::vector<std::string> vencidos;
    for (const auto& p : w->cdsServPend) vencidos.push_back(p.PROG);
    EXPECT_EQ(vencidos, c.vencidos);
}

INSTANTIATE_TEST_SUITE_P(
    Horas, DistMeiaNoite,
    ::testing::Values(
        // Thursday 29 February, 23:30: February's last day; cut-off Thursday 22
        MeiaNoite{"QuintaAs2330", EncodeDate(2024, 2, 29) + 23.5 / 24, QDate(2024, 2, 29), "130", "131",
                  {"000221"}},
        // Friday 1 March, 00:30: a new day and month; cut-off Friday 23
        MeiaNoite{"SextaAs0030", EncodeDate(2024, 3, 1) + 0.5 / 24, QDate(2024, 3, 1), "220", "220",
                  {"000221", "000222"}}),
    [](const ::testing::TestParamInfo<MeiaNoite>& i) { return std::string(i.param.nome); });

// ---- the operator's keyboard and scanner ---------------------------------------------

// A price VALOR_EX (NUMERIC(15,4)) cannot hold is refused once, whichever way the operator
// leaves the field to save: the field shows its last valid value, the total is never
// stale, nothing is written. The limits themselves are recorded exactly.
TEST_F(DistGravar, PriceBeyondItsColumnIsRefusedOnce) {
    const std::string limites = "O campo Preço por par deve estar entre -99.999.999.999,9999 e 99.999.999.999,9999.";
    enum Gravacao { PorEnter, PorAtalho, PorClique };
    struct Caso {
        const char* digitado;
        Gravacao como;
        const char* tipo;
        const char* total;    // shown before saving
        const char* gravado;  // VALOR_EX written; nullptr: refused
    };
    const Caso casos[] = {
        {"1000000000000000", PorEnter, "B", "inválido", nullptr},
        {"A12345600070001", PorAtalho, "B", "inválido", nullptr},  // the next ticket scanned there
        {"100000000000", PorClique, "B", "inválido", nullptr},
        {"-100000000000", PorEnter, "B", "inválido", nullptr},
        {"99999999999,9999", PorEnter, "B", " 11.999.999.999.999,99", "99999999999,9999"},
        {"-99999999999,9999", PorAtalho, "P", "- 11.999.999.999.999,99", "-99999999999,9999"},
    };
    Abrir();
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.digitado);
        if (!w->edProg->isEnabled()) w->btDesistir->click();
        Carregar("4", c.tipo, "");  // GAMA has no price for PR01: the operator types it
        msgs.Limpar();
        ASSERT_EQ(Foco(), w->cePreco);
        Digitar(c.digitado);
        EXPECT_EQ(w->cePrecoTot->text(), QString::fromUtf8(c.total));
        EXPECT_TRUE(msgs.registro.empty());
        switch (c.como) {
            case PorEnter:
                Enter();
                if (c.gravado) Enter();  // on the save button
                break;
            case PorAtalho:
                QTest::keyClick(Foco(), Qt::Key_G, Qt::AltModifier);
                EXPECT_TRUE(QTest::qWaitFor([&] { return !msgs.registro.empty() || !w->btGravar->isEnabled(); }, 2000));
                break;
            case PorClique: QTest::mouseClick(w->btGravar, Qt::LeftButton); break;
        }
        const auto linhas = Externo(std::string("TP_SERV_EX = '") + c.tipo + "'");
        if (c.gravado) {
            EXPECT_TRUE(msgs.registro.empty()) << msgs.Textos().front();
            ASSERT_EQ(linhas.size(), 1u);
            EXPECT_EQ(linhas[0].valor, c.gravado);
        } else {
            EXPECT_EQ(msgs.Textos(), std::vector<std::string>{limites});
            EXPECT_EQ(msgs.registro[0].tipo, plat::TipoMensagem::Aviso);
            EXPECT_EQ(w->cePreco->text(), "0,0000");
            EXPECT_EQ(w->cePrecoTot->text(), " 0,00");
            EXPECT_EQ(Foco(), w->cePreco);
            EXPECT_TRUE(linhas.empty());
        }
    }
}

// Pairs QTDE_EX cannot hold are refused at the lookup; a total the money type cannot hold
// is shown as invalid, and computed again when the price changes.
TEST_F(DistJanela, PairsAndTotalWithinTheirLimits) {
    Abrir();
    Terceirizado("4");
    TipoServico("P");
    Ficha("000080", "0001");
    EXPECT_EQ(msgs.Textos(),
              std::vector<std::string>{"O campo Qt. Pares deve estar entre -2.147.483.648 e 2.147.483.647."});
    EXPECT_FALSE(w->btGravar->isEnabled());
    EXPECT_EQ(w->ceQtPares->text(), "0");

    msgs.Limpar();
    Focar(w->edProg);
    w->edProg->selectAll();
    Digitar("000090");
    Digitar("0001");
    Enter();
    EXPECT_EQ(w->ceQtPares->text(), "10000");
    Digitar("99999999999,9999");
    Enter();  // a price the column holds, a total no money value holds
    EXPECT_EQ(w->cePreco->text(), "99999999999,9999");
    EXPECT_EQ(w->cePrecoTot->text(), "inválido");
    Focar(w->cePreco);
    w->cePreco->selectAll();
    Digitar("2,5");
    EXPECT_EQ(w->cePrecoTot->text(), " 25.000,00");
    EXPECT_TRUE(msgs.registro.empty());
}

// Alt with a letter (or any key with Alt or Ctrl) never types into the window's edits: an
// accelerator whose control is disabled does nothing; one whose control is enabled does
// its work and nothing else.
TEST_F(DistJanela, AcceleratorsNeverTypeTheirLetter) {
    Abrir();
    auto preencher = [&] {
        w->ceTerc->setText("009");
        w->edTpServ->setText("B");
        w->edSetor->setText("01");
        w->edProg->setText("000123");
        w->edFicha->setText("0012");
        w->edSubF->setText("0001");
        w->cePreco->setText("1,5000");
        w->mmoObs->clear();
        w->btGravar->setEnabled(false);
    };
    auto textos = [&] {
        std::vector<QString> t;
        for (QLineEdit* e : {static_cast<QLineEdit*>(w->ceTerc), w->edTpServ, w->edSetor, w->edProg, w->edFicha,
                             w->edSubF, w->edProd, w->edPadron, static_cast<QLineEdit*>(w->ceQtPares),
                             static_cast<QLineEdit*>(w->cePreco), static_cast<QLineEdit*>(w->cePrecoTot)})
            t.push_back(e->text());
        t.push_back(w->mmoObs->toPlainText());
        for (QComboBox* c : {w->cbTerc, w->cbTpServ, w->cbSetor}) t.push_back(QString::number(c->currentIndex()));
        return t;
    };
    struct Caso {
        Qt::Key tecla;
        Qt::KeyboardModifiers mod;
        std::function<QWidget*()> controle;  // the accelerator's; none: no accelerator
    };
    const Caso casos[] = {
        {Qt::Key_T, Qt::AltModifier, [&] { return w->ceTerc; }},
        {Qt::Key_P, Qt::AltModifier, [&] { return w->edProg; }},
        {Qt::Key_G, Qt::AltModifier, [&] { return w->btGravar; }},
        {Qt::Key_D, Qt::AltModifier, [&] { return w->btDesistir; }},
        {Qt::Key_F, Qt::AltModifier, [&] { return w->btFechar; }},
        {Qt::Key_X, Qt::AltModifier, [] { return nullptr; }},
        {Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, [] { return nullptr; }},
    };
    for (const Caso& c : casos) {
        for (bool habilitado : {false, true}) {
            for (size_t i = 0; i < 8; ++i) {
                if (!w) Abrir();  // closed by the previous round
                QWidget* controle = c.controle();
                QWidget* origem = std::vector<QWidget*>{w->ceTerc, w->edTpServ, w->edSetor, w->edProg,
                                                        w->edFicha, w->edSubF,  w->cePreco, w->mmoObs}[i];
                if (origem == controle || (!controle && habilitado)) continue;
                SCOPED_TRACE(QTest::toString(QKeySequence(c.tecla | c.mod)) + std::string(" from ") +
                             origem->objectName().toStdString() + (habilitado ? ", enabled" : ", disabled"));
                msgs.Limpar();
                preencher();
                if (controle) controle->setEnabled(habilitado);
                Focar(origem);
                std::vector<QString> esperado = textos();
                QTest::keyClick(origem, c.tecla, c.mod);
                if (!habilitado) {
                    QApplication::processEvents();
                    EXPECT_EQ(textos(), esperado);
                    EXPECT_EQ(Foco(), origem);
                    EXPECT_TRUE(msgs.registro.empty());
                    if (controle) controle->setEnabled(true);
                    continue;
                }
                switch (c.tecla) {
                    case Qt::Key_T:
                    case Qt::Key_P: EXPECT_EQ(Foco(), controle); break;
                    case Qt::Key_G:
                        EXPECT_TRUE(QTest::qWaitFor([&] { return !msgs.registro.empty(); }, 2000));
                        EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Informe a terceirização."});
                        break;
                    case Qt::Key_D:
                        EXPECT_TRUE(QTest::qWaitFor([&] { return w->edProg->text().isEmpty(); }, 2000));
                        for (int k : {3, 4, 5}) esperado[static_cast<size_t>(k)].clear();  // the ticket
                        esperado[9] = "0,0000";  // the price
                        EXPECT_EQ(Foco(), w->edProg);
                        break;
                    default:
                        EXPECT_TRUE(QTest::qWaitFor([&] { return w.isNull(); }, 2000));
                        continue;
                }
                EXPECT_EQ(textos(), esperado);
            }
        }
    }
}

// Text the database cannot hold (Windows-1252 has no "ł") finds nothing where the window
// looks it up, with the window's own message; only writing it is refused, saying so.
TEST_F(DistGravar, TextsTheDatabaseCannotHold) {
    struct Caso {
        bool retorno;
        const char *tipo, *prog, *ficha, *sub;
        const char* mensagem;
    };
    const Caso casos[] = {
        {false, "B", "ł23456", "0007", "", "Programação não localizada."},
        {false, "B", "123456", "ł007", "", "Programação não localizada."},
        {false, "B", "123456", "0007", "ł001", "Subficha não localizada."},
        {true, "ł", "123456", "0007", "", "Não existe saída para esta PROG./FICHA neste tipo de serviço."},
    };
    Despacho(1, "B", "123456", "0007", "0000", "'2024-03-10'", "null", 120);
    Abrir();
    Terceirizado("1");
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.mensagem);
        msgs.Limpar();
        w->btDesistir->click();
        w->cbSaidaRetorno->setCurrentIndex(c.retorno ? 1 : 0);
        Focar(w->edTpServ);
        w->edTpServ->selectAll();
        Digitar(QString::fromUtf8(c.tipo));
        EXPECT_TRUE(msgs.registro.empty());  // no price lookup error either
        Focar(w->edProg);
        for (const char* t : {c.prog, c.ficha, c.sub}) Digitar(QString::fromUtf8(t));
        Enter();
        EXPECT_EQ(msgs.Textos(), std::vector<std::string>{c.mensagem});
        EXPECT_FALSE(w->btGravar->isEnabled());
    }

    // Writing: a remark, and a sector whose preceding sectors are looked up first.
    Param("DISTRIBUICAO_SERVICOS", "VERIFICAR_SETOR_ANT_BAIXADO", "S");
    delete w.data();
    Abrir();
    const std::string recusa = "O caractere \"ł\" (U+0142) não pode ser gravado no banco de dados (Windows-1252)";
    for (const char* setor : {"11", "ł1"}) {
        SCOPED_TRACE(setor);
        msgs.Limpar();
        if (!w->edProg->isEnabled()) w->btDesistir->click();
        Carregar("1", "P", "");
        w->edSetor->setText(QString::fromUtf8(setor));
        w->mmoObs->setPlainText(QString::fromUtf8(std::string(setor) == "11" ? "ła" : "ok"));
        w->btGravar->click();
        EXPECT_EQ(msgs.Textos(), std::vector<std::string>{recusa});
        EXPECT_TRUE(Externo("TP_SERV_EX = 'P'").empty());
        EXPECT_TRUE(w->btGravar->isEnabled());
    }
}
