// The child window base driven as an operator would: keys, focus, minimise, restore.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStyleOptionTitleBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <fstream>
#include <memory>

#include "components/uKWDBFilialEdit.h"
#include "components/uKWFilialEdit.h"
#include "distribution/UFMdiChild.h"
#include "platform/Mensagens.h"
#include "rules/FFormJanelaMinimizada.h"
#include "shell/USistema.h"
#include "support/ServicosDeTeste.h"
#include "support/TestDb.h"

namespace {

// A numeric edit built on a line edit: not a plain edit, so never emptied.
class EditNumerico : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
};

// A child window with one control of each kind.
class JanelaTeste : public TfMdiChild {
public:
    explicit JanelaTeste(QWidget* dono) : TfMdiChild(dono) {
        QWidget* c = Cliente();
        ed1 = new QLineEdit(c);
        ed2 = new QLineEdit(c);
        semTab = new QLineEdit(c);
        semTab->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
        ed3 = new QLineEdit(c);
        edProprio = new QLineEdit(c);
        memo = new QPlainTextEdit(c);
        grade = new QTableWidget(3, 3, c);
        cbEdit = new QComboBox(c);
        cbEdit->setEditable(true);
        cbEdit->addItems({"um", "dois"});
        cbLista = new QComboBox(c);
        cbLista->addItems({"A", "B", "C"});
        data = new QDateEdit(QDate(2024, 5, 6), c);
        spin = new QSpinBox(c);
        num = new EditNumerico(c);
        fil1 = new TKWFilialEdit(c);
        fil2 = new TKWDBFilialEdit(c);
        int y = 0;
        for (QWidget* w : std::initializer_list<QWidget*>{ed1, ed2, semTab, ed3, edProprio, memo, grade, cbEdit,
                                                          cbLista, data, spin, num, fil1, fil2}) {
            w->setGeometry(4, y, 120, 20);
            y += 22;
        }
        memo->setGeometry(130, 0, 200, 60);
        grade->setGeometry(130, 70, 300, 120);
        DefinirOnKeyPress(edProprio, [this](QChar& k) { teclasProprias += k; });
    }

    QString teclasProprias;
    int shows = 0;

    QLineEdit *ed1, *ed2, *semTab, *ed3, *edProprio;
    QPlainTextEdit* memo;
    QTableWidget* grade;
    QComboBox *cbEdit, *cbLista;
    QDateEdit* data;
    QSpinBox* spin;
    EditNumerico* num;
    TKWFilialEdit* fil1;
    TKWDBFilialEdit* fil2;

    void FormShow() override {
        TfMdiChild::FormShow();
        ++shows;
    }
};



class MdiChildTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        acesso_ = new TestDb;
        acesso_->RunScript("acesso.sql");
    }
    static void TearDownTestSuite() {
        delete acesso_;
        acesso_ = nullptr;
    }
    // The user's branches in the access database (another user's row beside them).
    void Filiais(const std::vector<std::string>& filiais) {
        acesso_->Exec("delete from FILIAL_USUARIOS");
        acesso_->Exec("insert into FILIAL_USUARIOS values ('GERENTE', '9')");
        for (const auto& f : filiais) acesso_->Exec("insert into FILIAL_USUARIOS values ('OPERADOR', '" + f + "')");
    }

    void SetUp() override {
        Filiais({});
        servicos_ = std::make_unique<ServicosDeTeste>(acesso_->Conn(), &acesso_->Conn());
        servicos_->Usuario = "OPERADOR";
        ASSERT_TRUE(config_.isValid());
        std::ofstream(config_.filePath("Parametros.ini").toStdString()) << "[Banco]\nBanco=FireBird\n";
        TSistema::DefinirDiretorioConfiguracao(config_.path().toStdString());
        frame_ = new QMainWindow;
        area_ = new QMdiArea;
        frame_->setCentralWidget(area_);
        frame_->resize(1000, 700);
        frame_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_));
        Sistema().FormPrincipal = frame_;
    }
    void TearDown() override {
        delete frame_;
        servicos_.reset();
        DestruirSistema();
        TSistema::DefinirDiretorioConfiguracao("");
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    }

    JanelaTeste* Nova(const QString& titulo = "Janela") {
        auto* w = TfMdiChild::Criar<JanelaTeste>(frame_);
        w->setWindowTitle(titulo);
        return w;
    }

    // Gives the window the focus on a control, as a click would.
    static void Focar(QWidget* w) {
        w->window()->activateWindow();
        w->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }

    static TestDb* acesso_;
    std::unique_ptr<ServicosDeTeste> servicos_;
    QTemporaryDir config_;
    QMainWindow* frame_ = nullptr;
    QMdiArea* area_ = nullptr;
};

TestDb* MdiChildTest::acesso_ = nullptr;

}  // namespace

TEST_F(MdiChildTest, CriadaComoFilhaMdiFixaCentradaComMinimizarSemMaximizar) {
    JanelaTeste* w = Nova();
    EXPECT_EQ(w->mdiArea(), area_);
    EXPECT_TRUE(w->EstiloMdi());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->Cliente()->size(), QSize(602, 341));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(w->Tag(), 0);
    EXPECT_FALSE(w->Modal());
    EXPECT_EQ(w->shows, 1);
    EXPECT_EQ(Sistema().JanelaAtiva, w);
    // The creation's hourglass is gone after the first show.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const QSize v = area_->viewport()->size();
    EXPECT_NEAR(w->x(), (v.width() - w->width()) / 2, 1);
    EXPECT_NEAR(w->y(), (v.height() - w->height()) / 2, 1);
    // The title-bar button sits in the middle of the title bar.
    ASSERT_TRUE(w->cpbLogSis->isVisible());
    EXPECT_NEAR(w->cpbLogSis->geometry().center().x(), w->width() / 2, 1);
    EXPECT_LT(w->cpbLogSis->geometry().bottom(), w->widget()->geometry().top() + 1);
    QTest::mouseClick(w->cpbLogSis, Qt::LeftButton);  // does nothing for now
}

TEST_F(MdiChildTest, EnterPassaAoProximoControleComoTab) {
    JanelaTeste* w = Nova();
    Focar(w->ed1);
    ASSERT_EQ(QApplication::focusWidget(), w->ed1);
    QTest::keyClick(w->ed1, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->ed2);
    // The next control that is a tab stop: the one without tab focus is skipped.
    QTest::keyClick(w->ed2, Qt::Key_Enter);
    EXPECT_EQ(QApplication::focusWidget(), w->ed3);
    // Other keys are typed normally.
    QTest::keyClicks(w->ed3, "ab");
    EXPECT_EQ(w->ed3->text(), "ab");
    EXPECT_EQ(QApplication::focusWidget(), w->ed3);
    // The Enter was swallowed: nothing reached the edit it left.
    EXPECT_TRUE(w->ed1->text().isEmpty());
}

TEST_F(MdiChildTest, EnterNasExcecoes) {
    JanelaTeste* w = Nova();

    // Memo: a line break, the focus stays.
    Focar(w->memo);
    QTest::keyClicks(w->memo, "a");
    QTest::keyClick(w->memo, Qt::Key_Return);
    QTest::keyClicks(w->memo, "b");
    EXPECT_EQ(w->memo->toPlainText(), "a\nb");
    EXPECT_EQ(QApplication::focusWidget(), w->memo);

    // Grid: the next column, the focus stays; the last column stays where it is.
    Focar(w->grade);
    w->grade->setCurrentCell(1, 0);
    QTest::keyClick(w->grade, Qt::Key_Return);
    EXPECT_EQ(w->grade->currentColumn(), 1);
    EXPECT_EQ(w->grade->currentRow(), 1);
    EXPECT_EQ(QApplication::focusWidget(), w->grade);
    QTest::keyClick(w->grade, Qt::Key_Return);
    QTest::keyClick(w->grade, Qt::Key_Return);
    EXPECT_EQ(w->grade->currentColumn(), 2);

    // An edit with its own key handler: the handler sees Enter, the focus stays.
    Focar(w->edProprio);
    QTest::keyClick(w->edProprio, Qt::Key_Return);
    QTest::keyClicks(w->edProprio, "x");
    EXPECT_EQ(QApplication::focusWidget(), w->edProprio);
    EXPECT_EQ(w->teclasProprias, QString("\rx"));
    EXPECT_EQ(w->edProprio->text(), "x");

    // A branch edit has no handler of its own: Enter moves on.
    Focar(w->fil1);
    QTest::keyClick(w->fil1, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->fil2);
}

TEST_F(MdiChildTest, EnterComListaDoComboAbertaFicaNoCombo) {
    JanelaTeste* w = Nova();
    Focar(w->cbLista);
    ASSERT_EQ(w->ActiveControl(), w->cbLista);
    w->cbLista->showPopup();
    QApplication::processEvents();
    ASSERT_TRUE(w->cbLista->view()->isVisible());
    w->cbLista->setFocus();
    QChar k('\r');
    w->FormKeyPress(k);
    EXPECT_EQ(k, QChar('\r'));  // left to the combo box, which closes its list
    w->cbLista->hidePopup();
    QApplication::processEvents();
    Focar(w->cbLista);
    w->FormKeyPress(k);
    EXPECT_TRUE(k.isNull());
    EXPECT_NE(QApplication::focusWidget(), w->cbLista);
}

TEST_F(MdiChildTest, LimpaCamposEsvaziaSoOsControlesDeEntradaSimples) {
    JanelaTeste* w = Nova();
    Filiais({"1", "3"});
    w->ed1->setText("a");
    w->memo->setPlainText("linha");
    w->cbEdit->setEditText("livre");
    w->cbLista->setCurrentIndex(2);
    w->data->setDate(QDate(2023, 1, 2));
    w->spin->setValue(7);
    w->num->setText("12,50");
    w->grade->setItem(0, 0, new QTableWidgetItem("g"));
    w->fil1->setText("3");
    w->fil2->setText("1");
    servicos_->consultasFiliais = 0;

    w->LimpaCampos();

    EXPECT_TRUE(w->ed1->text().isEmpty());
    EXPECT_TRUE(w->memo->toPlainText().isEmpty());
    EXPECT_TRUE(w->cbEdit->currentText().isEmpty());
    EXPECT_EQ(w->cbLista->currentIndex(), 2);
    EXPECT_EQ(w->data->date(), QDate(2023, 1, 2));
    EXPECT_EQ(w->spin->value(), 7);
    EXPECT_EQ(w->num->text(), "12,50");
    EXPECT_EQ(w->grade->item(0, 0)->text(), "g");
    EXPECT_TRUE(w->fil1->text().isEmpty());
    EXPECT_TRUE(w->fil2->text().isEmpty());
    // Each branch edit gets the user's branches, fetched afresh for each one.
    EXPECT_EQ(w->fil1->Filial_Autorizada(), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(w->fil2->Filial_Autorizada(), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(servicos_->consultasFiliais, 2);
}

TEST_F(MdiChildTest, FilialPreenchida) {
    JanelaTeste* w = Nova();
    plat::GravadorMensagens gravador;

    // A user without branches is not restricted, whatever the fields hold.
    Filiais({});
    EXPECT_TRUE(w->FilialPreenchida());
    EXPECT_TRUE(gravador.registro.empty());

    // One field blank (spaces only), the other filled: enough.
    Filiais({"1"});
    w->fil1->setText("   ");
    w->fil2->setText("3");
    EXPECT_TRUE(w->FilialPreenchida());
    EXPECT_TRUE(gravador.registro.empty());

    // Both blank: one warning, false.
    w->fil2->setText(" ");
    EXPECT_FALSE(w->FilialPreenchida());
    ASSERT_EQ(gravador.registro.size(), 1u);
    EXPECT_EQ(gravador.registro[0].texto, "Obrigatório preenchimento do(s) campo(s) Filial.");
    EXPECT_EQ(gravador.registro[0].tipo, plat::TipoMensagem::Aviso);
    EXPECT_EQ(gravador.registro[0].botoes, plat::Botoes::Ok);
}

TEST_F(MdiChildTest, TresMinimizadasEmpilhadasNaBordaEsquerda) {
    JanelaTeste* a = Nova("Primeira");
    JanelaTeste* b = Nova("Segunda");
    JanelaTeste* c = Nova("Terceira");
    a->WMSysCommand(TfMdiChild::SC_MINIMIZE);
    b->WMSysCommand(TfMdiChild::SC_MINIMIZE);
    c->WMSysCommand(TfMdiChild::SC_MINIMIZE);
    EXPECT_FALSE(a->isVisible());
    EXPECT_FALSE(b->isVisible());
    EXPECT_FALSE(c->isVisible());
    EXPECT_FALSE(a->EstiloMdi());

    QList<QMdiSubWindow*> marcadores;
    for (JanelaTeste* w : {a, b, c}) {
        ASSERT_EQ(w->JanelasMinimizadas().size(), 1);
        auto* p = qobject_cast<TfrmFormJanelaMinimizada*>(w->JanelasMinimizadas()[0]);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->Tag(), 99);
        EXPECT_EQ(p->Janela, w);
        auto* sub = qobject_cast<QMdiSubWindow*>(p->parentWidget());
        ASSERT_TRUE(sub);
        EXPECT_TRUE(sub->isVisible());
        marcadores << sub;
    }
    EXPECT_EQ(qobject_cast<TfrmFormJanelaMinimizada*>(marcadores[1]->widget())->Legenda(), "Segunda");
    const int h = marcadores[0]->height();
    EXPECT_EQ(marcadores[0]->pos(), QPoint(1, 1));
    EXPECT_EQ(marcadores[1]->pos(), QPoint(1, 1 + h));
    EXPECT_EQ(marcadores[2]->pos(), QPoint(1, 1 + 2 * h));
    // A hidden child takes no part in the frame's arrangement.
    const QRect antes = b->geometry();
    area_->tileSubWindows();
    EXPECT_EQ(b->geometry(), antes);
}

TEST_F(MdiChildTest, RestaurarVoltaAosLimitesSemEsvaziarCampos) {
    JanelaTeste* w = Nova();
    w->move(40, 30);
    const QRect limites = w->geometry();
    w->ed1->setText("guardado");
    w->memo->setPlainText("nota");
    const int showsAntes = w->shows;

    // From the title bar's minimise button, as the operator does it.
    QStyleOptionTitleBar opt;
    opt.initFrom(w);
    opt.subControls = QStyle::SC_All;
    opt.titleBarFlags = w->windowFlags();
    opt.titleBarState = w->windowState();
    const bool borda = !w->style()->styleHint(QStyle::SH_TitleBar_NoBorder, &opt, w);
    const int b = borda ? 4 : 0;
    opt.rect = QRect(b, b, w->width() - 2 * b,
                     w->style()->pixelMetric(QStyle::PM_TitleBarHeight, &opt, w) + (borda ? 4 : 0) - b);
    const QRect botao = w->style()->subControlRect(QStyle::CC_TitleBar, &opt, QStyle::SC_TitleBarMinButton, w);
    ASSERT_TRUE(botao.isValid());
    QTest::mouseClick(w, Qt::LeftButton, {}, botao.center());
    ASSERT_FALSE(w->isVisible());
    EXPECT_FALSE(w->isMinimized());
    ASSERT_EQ(w->JanelasMinimizadas().size(), 1);
    QPointer<TfrmFormJanelaMinimizada> p = qobject_cast<TfrmFormJanelaMinimizada*>(w->JanelasMinimizadas()[0]);

    p->Restaurar();
    QApplication::processEvents();
    QTest::qWait(10);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->EstiloMdi());
    EXPECT_EQ(w->Tag(), 0);
    EXPECT_EQ(w->geometry(), limites);
    EXPECT_EQ(w->ed1->text(), "guardado");
    EXPECT_EQ(w->memo->toPlainText(), "nota");
    EXPECT_EQ(w->shows, showsAntes);
    EXPECT_TRUE(p.isNull());
    EXPECT_TRUE(w->JanelasMinimizadas().isEmpty());

    // The next real show runs the show steps again.
    w->hide();
    w->show();
    EXPECT_EQ(w->shows, showsAntes + 1);
    EXPECT_TRUE(w->ed1->text().isEmpty());
}

TEST_F(MdiChildTest, JanelaModalSemMinimizarNemMarcador) {
    auto* w = new JanelaTeste(nullptr);
    w->Inicializar();
    bool verificado = false;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(w->isModal());
        EXPECT_TRUE(w->Modal());
        EXPECT_FALSE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(w->EstiloMdi());
        w->WMSysCommand(TfMdiChild::SC_MINIMIZE);
        EXPECT_TRUE(w->JanelasMinimizadas().isEmpty());
        verificado = true;
        w->SetModalResult(7);
    });
    EXPECT_EQ(w->ShowModal(), 7);
    EXPECT_TRUE(verificado);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(w->Modal());  // kept for the window's life
    delete w;
}

TEST_F(MdiChildTest, FecharDestroiAFilhaEReorganizaAsMinimizadas) {
    JanelaTeste* a = Nova("A");
    JanelaTeste* b = Nova("B");
    QPointer<JanelaTeste> c = Nova("C");
    a->WMSysCommand(TfMdiChild::SC_MINIMIZE);
    b->WMSysCommand(TfMdiChild::SC_MINIMIZE);
    auto* pb = qobject_cast<QMdiSubWindow*>(b->JanelasMinimizadas()[0]->parentWidget());
    const int h = pb->height();
    ASSERT_EQ(pb->pos(), QPoint(1, 1 + h));

    // Restoring A leaves a gap: the other placeholders move only at the next show, close,
    // minimise or restore of a child.
    qobject_cast<TfrmFormJanelaMinimizada*>(a->JanelasMinimizadas()[0])->Restaurar();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(pb->pos(), QPoint(1, 1 + h));

    // Closing a child destroys it, and the placeholders are stacked again.
    c->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(c.isNull());
    EXPECT_EQ(pb->pos(), QPoint(1, 1));
    EXPECT_TRUE(b->isHidden());
}
