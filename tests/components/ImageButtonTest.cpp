// Image list, image button and the bitmap helpers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTest>

#include <algorithm>
#include <memory>

#include "components/uKWButton.h"
#include "components/uKWImage.h"
#include "components/uKWImageList.h"

namespace {

QImage Quadrado(QColor cor, int lado = 16) {
    QImage img(lado, lado, QImage::Format_ARGB32);
    img.fill(cor);
    return img;
}

bool RegiaoCinza(const QImage& img, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p)) return false;
        }
    return true;
}

struct ComPadrao : ::testing::Test {
    std::unique_ptr<TKWImageList> lista{CriarImPadrao()};
    TKWButton bt{QStringLiteral("&Gravar")};
};

}  // namespace

TEST(ImPadrao, HoldsTheFiftyEightPicturesInOrder) {
    std::unique_ptr<TKWImageList> lista{CriarImPadrao()};
    ASSERT_EQ(lista->Images().Count(), 58);
    EXPECT_EQ(lista->Width(), 16);
    EXPECT_EQ(lista->Height(), 16);
    for (int i = 0; i < 58; ++i) {
        const TKWImageItem& item = lista->Images().Items(i);
        EXPECT_EQ(item.Action(), AcoesImPadrao[static_cast<size_t>(i)]);
        EXPECT_EQ(item.Image().size(), QSize(16, 16)) << i;
        EXPECT_TRUE(item.Caption().empty());
        EXPECT_EQ(item.DisableContrast(), 0);
    }
    EXPECT_EQ(lista->Images().Items(0).Action(), "GRAVAR");
    EXPECT_EQ(lista->Images().Items(7).Action(), "FECHAR");
    EXPECT_EQ(lista->Images().Items(55).Action(), "");
    EXPECT_EQ(lista->Images().Items(57).Action(), "FECHAR2");
}

TEST(ImageItem, UpperCasesActionAndCopiesEverything) {
    TKWImageItem a;
    a.SetAction("ação_extra");
    EXPECT_EQ(a.Action(), "AÇÃO_EXTRA");
    EXPECT_EQ(a.DisplayName(), "AÇÃO_EXTRA");
    a.SetCaption("Gravar");
    a.SetDisableContrast(30);
    QImage figura = Quadrado(Qt::red);
    a.SetImage(figura);
    figura.fill(Qt::blue);  // the item holds its own copy
    EXPECT_EQ(a.Image().pixelColor(0, 0), QColor(Qt::red));

    TKWImageItem b;
    b.Assign(&a);
    EXPECT_EQ(b.Action(), "AÇÃO_EXTRA");
    EXPECT_EQ(b.Caption(), "Gravar");
    EXPECT_EQ(b.DisableContrast(), 30);
    EXPECT_EQ(b.Image().pixelColor(0, 0), QColor(Qt::red));
    b.Assign(nullptr);
    EXPECT_EQ(b.Action(), "AÇÃO_EXTRA");
}

TEST_F(ComPadrao, ActionResolvesInTheListUpperCased) {
    bt.SetImageList(lista.get());
    bt.SetAction("gravar");
    EXPECT_EQ(bt.Action(), "GRAVAR");
    EXPECT_EQ(bt.PosicaoResolvida(), 0);
    EXPECT_EQ(bt.ImageIndex(), -1);

    bt.SetAction("naoexiste");
    EXPECT_EQ(bt.Action(), "naoexiste");
    EXPECT_EQ(bt.PosicaoResolvida(), -1);

    bt.SetAction("");
    EXPECT_EQ(bt.PosicaoResolvida(), -1);
}

TEST_F(ComPadrao, ActionSetBeforeTheListIsResolvedWhenTheListArrives) {
    bt.SetAction("fechar");
    EXPECT_EQ(bt.Action(), "fechar");
    EXPECT_EQ(bt.PosicaoResolvida(), -1);
    bt.SetImageList(lista.get());
    EXPECT_EQ(bt.Action(), "FECHAR");
    EXPECT_EQ(bt.PosicaoResolvida(), 7);
}

TEST_F(ComPadrao, ImageIndexTurnsIntoTheItemsAction) {
    bt.SetImageList(lista.get());
    bt.SetImageIndex(7);
    EXPECT_EQ(bt.ImageIndex(), -1);
    EXPECT_EQ(bt.Action(), "FECHAR");
    EXPECT_EQ(bt.PosicaoResolvida(), 7);

    TKWButton outro;
    outro.SetImageList(lista.get());
    outro.SetImageIndex(55);  // the item without an action
    EXPECT_EQ(outro.ImageIndex(), 55);
    EXPECT_EQ(outro.Action(), "");
    outro.SetImageIndex(-5);
    EXPECT_EQ(outro.ImageIndex(), -1);
    outro.SetImageIndex(58);  // past the end: kept, draws nothing
    EXPECT_EQ(outro.ImageIndex(), 58);

    TKWButton antes;  // index given before the list
    antes.SetImageIndex(1);
    EXPECT_EQ(antes.ImageIndex(), 1);
    antes.SetImageList(lista.get());
    EXPECT_EQ(antes.Action(), "DESISTIR");
    EXPECT_EQ(antes.ImageIndex(), -1);
}

TEST(KWButton, ResolvedPositionIsNotRecomputedWhenTheListChanges) {
    TKWImageList lista;
    lista.Adicionar("A", Quadrado(Qt::red));
    lista.Adicionar("B", Quadrado(Qt::green));
    TKWButton bt;
    bt.SetImageList(&lista);
    bt.SetAction("b");
    EXPECT_EQ(bt.PosicaoResolvida(), 1);
    lista.Images().Insert(0).SetAction("B");
    EXPECT_EQ(bt.PosicaoResolvida(), 1);
    bt.SetAction("b");  // written again: first match
    EXPECT_EQ(bt.PosicaoResolvida(), 0);
}

TEST(KWButton, ForgetsAListThatIsDestroyed) {
    auto lista = std::make_unique<TKWImageList>();
    TKWButton bt;
    bt.SetImageList(lista.get());
    EXPECT_TRUE(bt.DesenhaFace());
    lista.reset();
    EXPECT_EQ(bt.ImageList(), nullptr);
    EXPECT_FALSE(bt.DesenhaFace());
    bt.grab();  // draws as a plain button, no dangling list
}

TEST(LayoutBotao, GlyphLeftAutomaticMarginCentresTheGroup) {
    const QRect r(0, 0, 100, 25);
    auto l = CalcularLayoutBotao(r, {16, 16}, {37, 13}, TButtonLayout::blGlyphLeft, -1, 4, false,
                                 {0, 0}, true);
    EXPECT_EQ(l.glifo, QPoint(22, 5));
    EXPECT_EQ(l.legenda, QRect(42, 6, 37, 13));
    // Margin and spacing both automatic: three equal gaps.
    l = CalcularLayoutBotao(r, {16, 16}, {37, 13}, TButtonLayout::blGlyphLeft, -1, -1, false,
                            {0, 0}, true);
    EXPECT_EQ(l.glifo.x(), 15);
    EXPECT_EQ(l.legenda.x(), 15 + 16 + 15);
    // Fixed margin, automatic spacing.
    l = CalcularLayoutBotao(r, {16, 16}, {37, 13}, TButtonLayout::blGlyphLeft, 2, -1, false,
                            {0, 0}, true);
    EXPECT_EQ(l.legenda.x(), 2 + 16 + (100 - 2 - 16 - 37) / 2);
}

TEST(LayoutBotao, DivisionTruncatesTowardZero) {
    // (41 - 16 - 4 - 37 + 1) / 2 = -15 / 2 = -7 (not -8).
    auto l = CalcularLayoutBotao(QRect(0, 0, 41, 20), {16, 16}, {37, 13},
                                 TButtonLayout::blGlyphLeft, -1, 4, false, {0, 0}, true);
    EXPECT_EQ(l.glifo.x(), -7);
    // (20 - 16 + 1) / 2 = 2; (3 - 16 + 1) / 2 = -6.
    EXPECT_EQ(l.glifo.y(), 2);
    l = CalcularLayoutBotao(QRect(0, 0, 41, 3), {16, 16}, {37, 13}, TButtonLayout::blGlyphLeft, -1,
                            4, false, {0, 0}, true);
    EXPECT_EQ(l.glifo.y(), -6);
}

TEST(LayoutBotao, OtherLayoutsAndOffsets) {
    const QRect r(10, 20, 100, 60);
    auto l = CalcularLayoutBotao(r, {16, 16}, {37, 13}, TButtonLayout::blGlyphRight, 5, 4, false,
                                 {0, 0}, true);
    EXPECT_EQ(l.glifo, QPoint(10 + 100 - 5 - 16, 20 + 22));
    EXPECT_EQ(l.legenda.x(), 10 + (100 - 5 - 16) - 4 - 37);
    // Right to left swaps the sides.
    auto rtl = CalcularLayoutBotao(r, {16, 16}, {37, 13}, TButtonLayout::blGlyphLeft, 5, 4, true,
                                   {0, 0}, true);
    EXPECT_EQ(rtl.glifo, l.glifo);

    l = CalcularLayoutBotao(r, {16, 16}, {37, 13}, TButtonLayout::blGlyphTop, -1, 4, false, {0, 0},
                            true);
    // Vertical: M = (60 - 16 - 4 - 13 + 1) / 2 = 14; horizontal centring (100 - w + 1) / 2.
    EXPECT_EQ(l.glifo, QPoint(10 + 42, 20 + 14));
    EXPECT_EQ(l.legenda.topLeft(), QPoint(10 + 32, 20 + 14 + 16 + 4));
    l = CalcularLayoutBotao(r, {16, 16}, {37, 13}, TButtonLayout::blGlyphBottom, 3, 4, false,
                            {0, 0}, true);
    EXPECT_EQ(l.glifo.y(), 20 + 60 - 3 - 16);
    EXPECT_EQ(l.legenda.y(), l.glifo.y() - 4 - 13);

    // No caption: no spacing.
    l = CalcularLayoutBotao(QRect(0, 0, 100, 25), {16, 16}, {0, 0}, TButtonLayout::blGlyphLeft, -1,
                            4, false, {0, 0}, true);
    EXPECT_EQ(l.glifo.x(), (100 - 16 + 1) / 2);

    // Pressed: the caption moves with the glyph only on the classic face.
    auto tema = CalcularLayoutBotao(QRect(0, 0, 100, 25), {16, 16}, {37, 13},
                                    TButtonLayout::blGlyphLeft, -1, 4, false, {1, 0}, true);
    EXPECT_EQ(tema.glifo, QPoint(23, 5));
    EXPECT_EQ(tema.legenda.topLeft(), QPoint(42, 6));
    auto classico = CalcularLayoutBotao(QRect(0, 0, 100, 25), {16, 16}, {37, 13},
                                        TButtonLayout::blGlyphLeft, -1, 4, false, {1, 1}, false);
    EXPECT_EQ(classico.glifo, QPoint(23, 6));
    EXPECT_EQ(classico.legenda.topLeft(), QPoint(43, 7));
}

TEST_F(ComPadrao, GravarOnAHundredByTwentyFive) {
    bt.resize(100, 25);
    bt.SetImageList(lista.get());
    bt.SetAction("GRAVAR");
    const QFontMetrics fm(bt.font());
    const int largura = fm.horizontalAdvance(QStringLiteral("Gravar"));  // "&" takes no room
    EXPECT_EQ(bt.TamanhoLegenda(), QSize(largura, fm.height()));
    const TKWLayoutBotao l = bt.LayoutAtual();
    EXPECT_EQ(l.glifo.y(), 5);
    EXPECT_EQ(l.legenda.x() - (l.glifo.x() + 16), 4);
    const int esquerda = l.glifo.x();
    const int direita = 100 - l.legenda.right() - 1;
    EXPECT_LE(std::abs(esquerda - direita), 1);
    EXPECT_EQ(esquerda, (100 - 16 - 4 - largura + 1) / 2);
}

TEST(Cinza, AverageOfTheThreeChannelsOn32Bits) {
    QImage img(2, 1, QImage::Format_RGB888);
    img.setPixelColor(0, 0, QColor(10, 20, 31));  // 61 / 3 = 20
    img.setPixelColor(1, 0, QColor(255, 255, 254));
    ConverterTonsCinza(img);
    EXPECT_EQ(img.depth(), 32);
    EXPECT_EQ(img.pixelColor(0, 0), QColor(20, 20, 20));
    EXPECT_EQ(img.pixelColor(1, 0), QColor(254, 254, 254));
}

TEST(Clarear, AddsThePercentageRoundedAndClamped) {
    QImage img(4, 1, QImage::Format_ARGB32);
    img.setPixelColor(0, 0, QColor(100, 200, 0));
    img.setPixelColor(1, 0, QColor(1, 3, 5));  // halves: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2
    img.setPixelColor(2, 0, QColor(10, 11, 12));
    img.setPixelColor(3, 0, QColor(255, 128, 7));
    QImage mesmo = img.copy();
    ClarearBitmap(mesmo, 0);
    EXPECT_EQ(mesmo.depth(), 24);
    EXPECT_EQ(mesmo.pixelColor(2, 0), QColor(10, 11, 12));

    ClarearBitmap(img, 50);
    EXPECT_EQ(img.depth(), 24);
    EXPECT_EQ(img.pixelColor(0, 0), QColor(150, 255, 0));
    EXPECT_EQ(img.pixelColor(1, 0), QColor(1, 5, 7));
    EXPECT_EQ(img.pixelColor(2, 0), QColor(15, 17, 18));

    QImage escuro(1, 1, QImage::Format_RGB32);
    escuro.setPixelColor(0, 0, QColor(100, 40, 255));
    ClarearBitmap(escuro, -150);
    EXPECT_EQ(escuro.pixelColor(0, 0), QColor(0, 0, 0));
}

namespace {
// Glyph rectangle of a classic-face button that is neither pressed nor focused.
QRect RetanguloGlifo(const TKWButton& bt) {
    const QRect face = bt.rect().adjusted(2, 2, -2, -2);
    QFontMetrics fm(bt.font());
    const QSize leg = bt.text().isEmpty() ? QSize(0, 0)
                                          : fm.boundingRect(QRect(0, 0, face.width(), 0),
                                                            Qt::TextSingleLine | Qt::TextShowMnemonic,
                                                            bt.text())
                                                .size();
    const auto l = CalcularLayoutBotao(face, bt.TamanhoGlifo(), leg, bt.Layout(), bt.Margin(),
                                       bt.Spacing(), false, {0, 0}, false);
    return QRect(l.glifo, bt.TamanhoGlifo());
}
}  // namespace

TEST(KWButton, DisabledActionDrawsGreyAndIndexDrawsColour) {
    TKWImageList lista;
    lista.Adicionar("COR", Quadrado(QColor(200, 30, 30)));
    lista.Adicionar("", Quadrado(QColor(30, 30, 200)));
    TKWButton bt(QStringLiteral("Cor"));
    bt.SetTemas(false);
    bt.resize(100, 25);
    bt.SetImageList(&lista);
    bt.SetAction("cor");
    const QRect glifo = RetanguloGlifo(bt);

    QImage ativo = bt.grab().toImage();
    EXPECT_EQ(ativo.pixelColor(glifo.center()), QColor(200, 30, 30));

    bt.setEnabled(false);
    QImage inativo = bt.grab().toImage();
    EXPECT_TRUE(RegiaoCinza(inativo, glifo));
    EXPECT_EQ(inativo.pixelColor(glifo.center()), QColor(86, 86, 86));

    lista.Images().Items(0).SetDisableContrast(50);
    inativo = bt.grab().toImage();
    EXPECT_EQ(inativo.pixelColor(glifo.center()), QColor(129, 129, 129));

    TKWButton porIndice(QStringLiteral("Cor"));
    porIndice.SetTemas(false);
    porIndice.resize(100, 25);
    porIndice.SetImageList(&lista);
    porIndice.SetImageIndex(1);
    porIndice.setEnabled(false);
    QImage img = porIndice.grab().toImage();
    EXPECT_EQ(img.pixelColor(RetanguloGlifo(porIndice).center()), QColor(30, 30, 200));
}

TEST(KWButton, OwnIconOrPlainCaption) {
    TKWButton bt(QStringLiteral("Ok"));
    bt.resize(80, 25);
    EXPECT_FALSE(bt.DesenhaFace());
    EXPECT_EQ(bt.TamanhoGlifo(), QSize(0, 0));
    bt.grab();

    bt.SetTemas(false);
    QImage icone = Quadrado(QColor(0, 160, 0), 12);
    bt.SetIcon(icone);
    icone.fill(Qt::black);  // the button keeps its own copy
    EXPECT_TRUE(bt.DesenhaFace());
    EXPECT_EQ(bt.TamanhoGlifo(), QSize(12, 12));
    QImage img = bt.grab().toImage();
    EXPECT_EQ(img.pixelColor(RetanguloGlifo(bt).center()), QColor(0, 160, 0));
    // A disabled button draws its own icon in colour.
    bt.setEnabled(false);
    img = bt.grab().toImage();
    EXPECT_EQ(img.pixelColor(RetanguloGlifo(bt).center()), QColor(0, 160, 0));
}

TEST(KWImage, ReportsEnterLeaveAndClick) {
    QWidget janela;
    auto* img = new TKWImage(&janela);
    img->SetAutoSize(true);
    img->SetPicture(Quadrado(Qt::red, 24));
    EXPECT_EQ(img->size(), QSize(24, 24));
    std::vector<std::string> eventos;
    img->OnMouseEnter = [&](QObject* s) { eventos.push_back(s == img ? "entra" : "?"); };
    img->OnMouseLeave = [&](QObject*) { eventos.push_back("sai"); };
    img->OnClick = [&](QObject*) { eventos.push_back("clique"); };
    janela.resize(100, 100);
    janela.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&janela));
    QTest::mouseMove(&janela, QPoint(60, 60));
    QTest::mouseMove(img, QPoint(5, 5));
    QTest::mouseClick(img, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(&janela, QPoint(60, 60));
    // The test platform may deliver the entry twice; only the order matters here.
    eventos.erase(std::unique(eventos.begin(), eventos.end()), eventos.end());
    EXPECT_EQ(eventos, (std::vector<std::string>{"entra", "clique", "sai"}));
}
