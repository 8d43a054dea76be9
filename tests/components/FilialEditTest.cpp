// Branch edits driven as an operator would: typing, Tab out, focus checks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

#include "components/uKWDBFilialEdit.h"
#include "components/uKWFilialEdit.h"
#include "db/ClientDataSet.h"
#include "platform/Mensagens.h"

namespace {

// A window with a branch edit followed by a plain edit, shown and active.
template <class TEdit>
struct Janela {
    std::unique_ptr<QWidget> w = std::make_unique<QWidget>();
    TEdit* filial = new TEdit(w.get());
    QLineEdit* proximo = new QLineEdit(w.get());

    Janela() {
        auto* l = new QVBoxLayout(w.get());
        l->addWidget(filial);
        l->addWidget(proximo);
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        filial->setFocus(Qt::OtherFocusReason);
        EXPECT_TRUE(filial->hasFocus());
    }
    void Tab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }
};

// Types characters that have no key of their own on the test keyboard.
void Digitar(QWidget* w, const QString& texto) {
    for (QChar c : texto) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

// Counts the focus events a widget receives.
struct ContaFoco : QObject {
    int entradas = 0, saidas = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::FocusIn) ++entradas;
        if (e->type() == QEvent::FocusOut) ++saidas;
        return false;
    }
};

QColor Fundo(const QLineEdit* e) { return e->palette().color(QPalette::Base); }
QColor Texto(const QLineEdit* e) { return e->palette().color(QPalette::Text); }

}  // namespace

TEST(FilialEdit, TypingKeepsOnlyDigitsAndBackspaceStillDeletes) {
    Janela<TKWFilialEdit> j;
    QTest::keyClicks(j.filial, "1a2 -b3.");
    EXPECT_EQ(j.filial->text(), "123");
    QTest::keyClick(j.filial, Qt::Key_Backspace);
    EXPECT_EQ(j.filial->text(), "12");
    // Keys without a character still work: move left and delete the first digit.
    QTest::keyClick(j.filial, Qt::Key_Home);
    QTest::keyClick(j.filial, Qt::Key_Delete);
    EXPECT_EQ(j.filial->text(), "2");
    // Accented letters are characters too.
    Digitar(j.filial, QString::fromUtf8("çé9"));
    EXPECT_EQ(j.filial->text(), "92");
}

TEST(FilialEdit, PasteAndComposedTextInsertOnlyTheDigits) {
    Janela<TKWFilialEdit> j;
    QApplication::clipboard()->setText("1 2x3");
    QTest::keyClick(j.filial, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(j.filial->text(), "123");
    // A dead key followed by a letter arrives from the input method, not as a key press.
    QInputMethodEvent composto;
    composto.setCommitString(QString::fromUtf8("é4"));
    QApplication::sendEvent(j.filial, &composto);
    EXPECT_EQ(j.filial->text(), "1234");
}

TEST(FilialEdit, ValueReadsIntegerOrZeroAndWritesDecimal) {
    TKWFilialEdit e;
    EXPECT_EQ(e.Value(), 0);
    e.setText("25");
    EXPECT_EQ(e.Value(), 25);
    e.setText("007");
    EXPECT_EQ(e.Value(), 7);
    e.setText("12a");
    EXPECT_EQ(e.Value(), 0);
    e.setText("99999999999");  // beyond an integer
    EXPECT_EQ(e.Value(), 0);
    e.SetValue(7);
    EXPECT_EQ(e.text(), "7");
    e.SetValue(0);
    EXPECT_EQ(e.text(), "0");
}

TEST(FilialEdit, AuthorisedListIsCopied) {
    TKWFilialEdit e;
    std::vector<std::string> lista{"1", "3"};
    e.SetFilial_Autorizada(lista);
    lista.push_back("5");
    EXPECT_EQ(e.Filial_Autorizada(), (std::vector<std::string>{"1", "3"}));
    e.SetFilial_Autorizada({"7"});
    EXPECT_EQ(e.Filial_Autorizada(), (std::vector<std::string>{"7"}));
}

TEST(FilialEdit, ExitColoursAndRefusal) {
    plat::GravadorMensagens msgs;
    Janela<TKWFilialEdit> j;
    const QColor base = QApplication::palette(j.filial).color(QPalette::Base);
    const QColor texto = QApplication::palette(j.filial).color(QPalette::Text);
    j.filial->SetFilial_Autorizada({"1", "3"});

    // Authorised: green, the focus moves on.
    QTest::keyClicks(j.filial, "3");
    j.Tab();
    EXPECT_TRUE(j.proximo->hasFocus());
    EXPECT_EQ(Fundo(j.filial), QColor(0, 255, 0));
    EXPECT_EQ(Texto(j.filial), texto);
    EXPECT_TRUE(msgs.registro.empty());

    // Refused: red with white text, the message, the focus stays, the text is kept; the
    // next control sees no entry nor exit.
    j.filial->setFocus(Qt::OtherFocusReason);
    j.filial->selectAll();
    QTest::keyClicks(j.filial, "2");
    ContaFoco conta;
    j.proximo->installEventFilter(&conta);
    j.Tab();
    j.proximo->removeEventFilter(&conta);
    EXPECT_EQ(conta.entradas, 0);
    EXPECT_EQ(conta.saidas, 0);
    EXPECT_TRUE(j.filial->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), j.filial);
    EXPECT_EQ(j.filial->text(), "2");
    EXPECT_EQ(Fundo(j.filial), QColor(255, 0, 0));
    EXPECT_EQ(Texto(j.filial), QColor(255, 255, 255));
    ASSERT_EQ(msgs.Textos(), std::vector<std::string>{"Filial NÃO AUTORIZADA para este Usuário."});
    EXPECT_EQ(msgs.registro[0].tipo, plat::TipoMensagem::Erro);

    // The edit is still usable: typing goes into it, and Tab again repeats the refusal.
    QTest::keyClick(j.filial, Qt::Key_Backspace);
    QTest::keyClicks(j.filial, "1");
    EXPECT_EQ(j.filial->text(), "1");
    j.Tab();
    EXPECT_TRUE(j.proximo->hasFocus());
    EXPECT_EQ(Fundo(j.filial), QColor(0, 255, 0));

    // Empty text: default colours, no message.
    j.filial->setFocus(Qt::OtherFocusReason);
    j.filial->clear();
    j.Tab();
    EXPECT_TRUE(j.proximo->hasFocus());
    EXPECT_EQ(Fundo(j.filial), base);
    EXPECT_EQ(msgs.registro.size(), 1u);
}

TEST(FilialEdit, ComparisonIsByExactText) {
    plat::GravadorMensagens msgs;
    Janela<TKWFilialEdit> j;
    j.filial->SetFilial_Autorizada({"1", "3"});
    for (const char* t : {"01", " 3"}) {
        j.filial->setText(t);  // set by code, so a blank can be there
        j.Tab();
        EXPECT_TRUE(j.filial->hasFocus()) << t;
        EXPECT_EQ(j.filial->EstadoCor(), TKWFilialEdit::TEstadoCor::Recusada) << t;
    }
    EXPECT_EQ(msgs.registro.size(), 2u);
    // Blanks only count as empty.
    j.filial->setText("   ");
    j.Tab();
    EXPECT_TRUE(j.proximo->hasFocus());
    EXPECT_EQ(j.filial->EstadoCor(), TKWFilialEdit::TEstadoCor::Padrao);
}

TEST(FilialEdit, EmptyListAcceptsEveryBranch) {
    plat::GravadorMensagens msgs;
    Janela<TKWFilialEdit> j;
    QTest::keyClicks(j.filial, "42");
    j.Tab();
    EXPECT_TRUE(j.proximo->hasFocus());
    EXPECT_EQ(j.filial->EstadoCor(), TKWFilialEdit::TEstadoCor::Padrao);
    EXPECT_TRUE(msgs.registro.empty());
}

TEST(FilialEdit, ClosingTheWindowIsNoExit) {
    plat::GravadorMensagens msgs;
    Janela<TKWFilialEdit> j;
    j.filial->SetFilial_Autorizada({"1"});
    QTest::keyClicks(j.filial, "9");
    j.w->close();
    EXPECT_TRUE(msgs.registro.empty());
}

TEST(DBFilialEdit, WritesTheFieldOnlyOnAcceptedExit) {
    plat::GravadorMensagens msgs;
    Janela<TKWDBFilialEdit> j;
    std::string campo = "1";
    int gravacoes = 0;
    j.filial->VincularCampo([&] { return campo; },
                            [&](const std::string& t) { campo = t; ++gravacoes; });
    EXPECT_EQ(j.filial->text(), "1");
    j.filial->SetFilial_Autorizada({"1", "3"});

    // Refused: the field keeps its value.
    j.filial->selectAll();
    QTest::keyClicks(j.filial, "2");
    j.Tab();
    EXPECT_TRUE(j.filial->hasFocus());
    EXPECT_EQ(campo, "1");
    EXPECT_EQ(gravacoes, 0);

    // Accepted: written once.
    j.filial->selectAll();
    QTest::keyClicks(j.filial, "3");
    j.Tab();
    EXPECT_TRUE(j.proximo->hasFocus());
    EXPECT_EQ(campo, "3");
    EXPECT_EQ(gravacoes, 1);

    // Leaving again without editing writes nothing.
    j.filial->setFocus(Qt::OtherFocusReason);
    j.Tab();
    EXPECT_EQ(gravacoes, 1);

    // Showing a new record's value.
    campo = "7";
    j.filial->LerCampo();
    EXPECT_EQ(j.filial->text(), "7");
}

TEST(DBFilialEdit, FieldRefusingTheTextKeepsTheFocus) {
    plat::GravadorMensagens msgs;
    Janela<TKWDBFilialEdit> j;
    std::string campo;
    j.filial->VincularCampo([&] { return campo; },
                            [&](const std::string&) { throw std::runtime_error("Valor inválido"); });
    QTest::keyClicks(j.filial, "5");
    j.Tab();
    EXPECT_TRUE(j.filial->hasFocus());
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Valor inválido."});
    EXPECT_EQ(campo, "");
}

TEST(DBFilialEdit, BoundToARecordSetField) {
    plat::GravadorMensagens msgs;
    db::ClientDataSet cds;
    cds.GetFieldDefs().Add("FILIAL", db::DataType::String, 4);
    cds.CreateDataSet();
    cds.Append();
    cds.FieldByName("FILIAL").SetAsString("1");
    cds.Post();

    Janela<TKWDBFilialEdit> j;
    j.filial->VincularCampo(cds, "FILIAL");
    EXPECT_EQ(j.filial->text(), "1");
    j.filial->selectAll();
    QTest::keyClicks(j.filial, "12");
    j.Tab();
    EXPECT_EQ(cds.State(), db::DataSetState::Edit);
    EXPECT_EQ(cds.FieldByName("FILIAL").AsString(), "12");
    EXPECT_TRUE(msgs.registro.empty());
}

namespace {
// A sink that shows a real modal box (closed shortly after it opens), as the program does.
struct CaixaReal : plat::IMensagens {
    IMensagens* anterior = nullptr;
    int mostradas = 0;
    int naoFechouComClique = 0;
    plat::Resposta Mostrar(const plat::Mensagem& m) override {
        ++mostradas;
        QMessageBox caixa(QMessageBox::Critical, "t", QString::fromStdString(m.texto),
                          QMessageBox::Ok, QApplication::activeWindow());
        // Closed with the mouse on its button, as the operator would.
        QTimer::singleShot(50, &caixa, [&] {
            QTest::mouseClick(caixa.button(QMessageBox::Ok), Qt::LeftButton);
        });
        QTimer::singleShot(2000, &caixa, [&] {
            ++naoFechouComClique;
            caixa.accept();
        });
        caixa.exec();
        return plat::Resposta::Ok;
    }
};
}  // namespace

TEST(FilialEdit, RefusalWithAModalBoxKeepsTheFocusAndShowsOnce) {
    CaixaReal caixa;
    plat::DefinirMensagens(&caixa);
    {
        Janela<TKWFilialEdit> j;
        j.filial->SetFilial_Autorizada({"1"});
        QTest::keyClicks(j.filial, "2");
        j.Tab();
        EXPECT_EQ(caixa.mostradas, 1);
        // The test platform has no window manager to hand activation back after the box.
        j.w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(j.w.get()));
        EXPECT_EQ(QApplication::focusWidget(), j.filial);
        QTest::keyClicks(j.filial, "3");
        EXPECT_EQ(j.filial->text(), "23");
        EXPECT_EQ(caixa.mostradas, 1);

        // Refused again by a click on a button: the box still takes its own click, the
        // button does not click.
        auto* bt = new QPushButton("&Gravar", j.w.get());
        j.w->layout()->addWidget(bt);
        bt->show();
        int cliques = 0;
        QObject::connect(bt, &QPushButton::clicked, [&] { ++cliques; });
        QTest::mouseClick(bt, Qt::LeftButton);
        EXPECT_EQ(caixa.mostradas, 2);
        EXPECT_EQ(caixa.naoFechouComClique, 0);
        EXPECT_EQ(cliques, 0);
    }
    plat::DefinirMensagens(nullptr);
}

TEST(FilialEdit, ClickingAButtonWhileRefusedDoesNotClickIt) {
    plat::GravadorMensagens msgs;
    Janela<TKWFilialEdit> j;
    auto* bt = new QPushButton("&Gravar", j.w.get());
    j.w->layout()->addWidget(bt);
    bt->show();
    int cliques = 0;
    QObject::connect(bt, &QPushButton::clicked, [&] { ++cliques; });
    j.filial->SetFilial_Autorizada({"1"});
    QTest::keyClicks(j.filial, "2");
    QTest::mouseClick(bt, Qt::LeftButton);
    EXPECT_EQ(cliques, 0);
    EXPECT_EQ(QApplication::focusWidget(), j.filial);
    EXPECT_EQ(msgs.registro.size(), 1u);
    QCoreApplication::processEvents();
    // Once accepted, the button works again.
    j.filial->selectAll();
    QTest::keyClicks(j.filial, "1");
    QTest::mouseClick(bt, Qt::LeftButton);
    EXPECT_EQ(cliques, 1);
    EXPECT_EQ(msgs.registro.size(), 1u);
}
