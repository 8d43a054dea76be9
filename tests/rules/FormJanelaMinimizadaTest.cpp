// Placeholder of a minimised child window: legend, highlight, restore.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>

#include <memory>
#include <stdexcept>

#include "components/uKWImage.h"
#include "platform/Mensagens.h"
#include "rules/FFormJanelaMinimizada.h"

namespace {

void ProcessarExclusoes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QColor FundoLegenda(const TfrmFormJanelaMinimizada& f) {
    return f.lbLegenda->palette().color(QPalette::Window);
}

}  // namespace

TEST(JanelaMinimizada, CreatedAsABarePlaceholderWithTag99) {
    QWidget dono;
    auto* f = new TfrmFormJanelaMinimizada(&dono);
    EXPECT_EQ(f->Tag(), 99);
    EXPECT_EQ(f->size(), QSize(296, 38));
    EXPECT_TRUE(f->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(f->Realcado());
    EXPECT_EQ(f->imgFundo->size(), QSize(295, 37));
    EXPECT_EQ(f->KWImage1->geometry(), QRect(263, 5, 24, 24));
    EXPECT_EQ(f->KWImage1->Picture().size(), QSize(24, 24));
    EXPECT_EQ(f->lbLegenda->pos(), QPoint(9, 12));
    EXPECT_TRUE(f->lbLegenda->font().bold());
    EXPECT_EQ(FundoLegenda(*f), QColor(65, 131, 251));
    EXPECT_EQ(f->imgTrigger->geometry(), f->rect());
    EXPECT_EQ(f->imgTrigger->cursor().shape(), Qt::PointingHandCursor);
    // The trigger lies above every other control.
    EXPECT_EQ(f->childAt(20, 18), f->imgTrigger);
    EXPECT_EQ(f->childAt(270, 10), f->imgTrigger);
    delete f;
}

TEST(JanelaMinimizada, LegendIsCutAfterFortyCharacters) {
    QWidget dono;
    TfrmFormJanelaMinimizada f(&dono);
    const std::string quarenta(40, 'x');
    f.DefinirLegenda(quarenta);
    EXPECT_EQ(f.Legenda(), quarenta);
    f.DefinirLegenda(quarenta + "yz");
    EXPECT_EQ(f.Legenda(), quarenta + "...");
    EXPECT_EQ(f.lbLegenda->text().size(), 43);
    // Characters, not bytes: accented letters are never split.
    std::string acentos;
    for (int i = 0; i < 41; ++i) acentos += "ç";
    f.DefinirLegenda(acentos);
    EXPECT_EQ(QString::fromStdString(f.Legenda()), QString(40, QChar(0xE7)) + "...");
    f.DefinirLegenda("Distribuição de Serviços");
    EXPECT_EQ(f.lbLegenda->text(), QString::fromUtf8("Distribuição de Serviços"));
}

TEST(JanelaMinimizada, HighlightSwitchesPictureAndColourOnce) {
    QWidget dono;
    TfrmFormJanelaMinimizada f(&dono);
    const QImage normal = FundoJanelaMinimizada(false);
    const QImage realce = FundoJanelaMinimizada(true);
    ASSERT_NE(normal, realce);
    EXPECT_EQ(f.imgFundo->Picture(), normal);

    f.Realcar();
    EXPECT_TRUE(f.Realcado());
    EXPECT_EQ(f.imgFundo->Picture(), realce);
    EXPECT_EQ(FundoLegenda(f), QColor(8, 92, 246));

    // A second highlight-on does nothing (no repaint of the background).
    QImage marca(295, 37, QImage::Format_ARGB32);
    marca.fill(Qt::green);
    f.imgFundo->SetPicture(marca);
    f.Realcar();
    EXPECT_EQ(f.imgFundo->Picture(), marca);

    f.Normalizar();
    EXPECT_FALSE(f.Realcado());
    EXPECT_EQ(f.imgFundo->Picture(), normal);
    EXPECT_EQ(FundoLegenda(f), QColor(65, 131, 251));
    f.imgFundo->SetPicture(marca);
    f.Normalizar();
    EXPECT_EQ(f.imgFundo->Picture(), marca);
}

TEST(JanelaMinimizada, MouseOverTheTriggerHighlights) {
    QWidget dono;
    TfrmFormJanelaMinimizada f(&dono);
    QWidget fundo;
    fundo.resize(400, 200);
    f.setParent(&fundo);
    f.move(1, 1);
    fundo.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fundo));
    QTest::mouseMove(&fundo, QPoint(350, 150));
    QTest::mouseMove(f.imgTrigger, QPoint(100, 10));
    EXPECT_TRUE(f.Realcado());
    QTest::mouseMove(&fundo, QPoint(350, 150));
    EXPECT_FALSE(f.Realcado());
    f.setParent(nullptr);
}

TEST(JanelaMinimizada, ClickRestoresTheChildAtItsBoundsWithItsContents) {
    QWidget frame;
    frame.resize(800, 600);
    auto* filho = new QWidget(&frame);
    auto* campo = new QLineEdit(filho);
    campo->setText("123");
    filho->setGeometry(30, 40, 250, 120);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));

    QPointer<TfrmFormJanelaMinimizada> f = new TfrmFormJanelaMinimizada(filho, &frame);
    f->DefinirLegenda("Filho");
    f->Janela = filho;
    f->Esquerda = filho->x();
    f->Topo = filho->y();
    f->Largura = filho->width();
    f->Altura = filho->height();
    f->show();
    filho->hide();
    filho->setGeometry(0, 0, 10, 10);  // moved while hidden

    QTest::mouseClick(f->imgTrigger, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_TRUE(filho->isVisible());
    EXPECT_EQ(filho->geometry(), QRect(30, 40, 250, 120));
    EXPECT_EQ(filho->property("Tag").toInt(), 100);
    EXPECT_EQ(campo->text(), "123");
    ProcessarExclusoes();
    EXPECT_TRUE(f.isNull());
}

TEST(JanelaMinimizada, ChildRestoreStepsAreUsedAndAFailureKeepsThePlaceholder) {
    plat::GravadorMensagens msgs;
    QWidget filho;
    QPointer<TfrmFormJanelaMinimizada> f = new TfrmFormJanelaMinimizada(&filho);
    f->Esquerda = 1;
    f->Topo = 2;
    f->Largura = 3;
    f->Altura = 4;
    int falhas = 1;
    std::vector<int> recebido;
    f->RestaurarJanela = [&](int e, int t, int l, int a) {
        if (falhas-- > 0) throw std::runtime_error("Falhou");
        recebido = {e, t, l, a};
    };
    f->show();
    // Double-click on the legend: the restore fails, the placeholder stays.
    QTest::mouseDClick(f->lbLegenda, Qt::LeftButton);
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Falhou."});
    ProcessarExclusoes();
    ASSERT_FALSE(f.isNull());
    EXPECT_TRUE(f->isVisible());
    f->Restaurar();
    EXPECT_EQ(recebido, (std::vector<int>{1, 2, 3, 4}));
    ProcessarExclusoes();
    EXPECT_TRUE(f.isNull());
}

TEST(JanelaMinimizada, DestroyedWithItsChild) {
    auto filho = std::make_unique<QWidget>();
    QPointer<TfrmFormJanelaMinimizada> f = new TfrmFormJanelaMinimizada(filho.get());
    f->show();
    filho.reset();
    EXPECT_TRUE(f.isNull());
}

TEST(JanelaMinimizada, InsideAnMdiSubWindowRestoringClosesTheSubWindow) {
    QMdiArea area;
    area.resize(600, 400);
    QWidget filho;
    auto* f = new TfrmFormJanelaMinimizada(&filho);
    QMdiSubWindow* sub = area.addSubWindow(f, Qt::FramelessWindowHint);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    EXPECT_EQ(area.subWindowList().size(), 1);
    QPointer<QMdiSubWindow> ref = sub;
    f->Janela = &filho;
    f->Restaurar();
    ProcessarExclusoes();
    EXPECT_TRUE(ref.isNull());
    EXPECT_TRUE(area.subWindowList().isEmpty());

    // The child going away takes a wrapped placeholder and its sub-window along.
    auto filho2 = std::make_unique<QWidget>();
    QPointer<QMdiSubWindow> sub2 = area.addSubWindow(new TfrmFormJanelaMinimizada(filho2.get()));
    filho2.reset();
    EXPECT_TRUE(sub2.isNull());
}
