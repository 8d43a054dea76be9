#pragma once
// Command button that draws a picture of an image list, found by its action name (or by
// position), or a picture of its own, beside its caption.
#include <QImage>
#include <QPointer>
#include <QPushButton>

#include <string>

#include "components/uKWImageList.h"

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Where the glyph and the caption go on the button's face.
struct TKWLayoutBotao {
    QPoint glifo;
    QRect legenda;
};

// Layout arithmetic of the face: client rectangle, glyph size, caption size (as measured),
// layout, margin (-1 automatic) and spacing (-1 automatic). `deslocamento` is the pressed
// offset; the caption takes it only when `temas` is false. Divisions truncate toward zero.
TKWLayoutBotao CalcularLayoutBotao(const QRect& cliente, QSize glifo, QSize legenda,
                                   TButtonLayout layout, int margem, int espaco,
                                   bool direitaParaEsquerda, QPoint deslocamento, bool temas);

// Grey: the picture becomes 32 bits per pixel and blue, green and red of each pixel become
// their integer average.
void ConverterTonsCinza(QImage& bmp);
// Lightening: the picture becomes 24 bits per pixel and each channel v becomes
// v + round(v * p / 100), limited to 0..255. p = 0 changes nothing.
void ClarearBitmap(QImage& bmp, int percentual);

class TKWButton : public QPushButton {
    Q_OBJECT
public:
    explicit TKWButton(QWidget* parent = nullptr);
    explicit TKWButton(const QString& legenda, QWidget* parent = nullptr);

    const QImage& Icon() const { return icon_; }
    void SetIcon(const QImage& icone);

    TKWImageList* ImageList() const { return imageList_.data(); }
    void SetImageList(TKWImageList* lista);

    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int indice);

    const std::string& Action() const { return action_; }
    void SetAction(const std::string& acao);

    // Position of the list item found for Action, or -1.
    int PosicaoResolvida() const { return posicao_; }

    // Bit-button attributes.
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout l) { layout_ = l; update(); }
    int Margin() const { return margin_; }
    void SetMargin(int m) { margin_ = m; update(); }
    int Spacing() const { return spacing_; }
    void SetSpacing(int s) { spacing_ = s; update(); }

    // Themed face (the style's push button) or the classic raised frame.
    bool Temas() const { return temas_; }
    void SetTemas(bool t) { temas_ = t; update(); }

    // True when the button draws its own face (a picture of its own or a list assigned);
    // otherwise the plain push button draws its caption.
    bool DesenhaFace() const;
    // Size reserved for the glyph: the list's Width x Height, else the icon's size.
    QSize TamanhoGlifo() const;
    // Caption size as drawn on one line in the button's width (the "&" takes no room).
    QSize TamanhoLegenda() const;
    // The face layout for the button's current size, not pressed.
    TKWLayoutBotao LayoutAtual() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void DesenharFace();
    void DesenharImagem(QPainter& p, QPoint pos);

    QImage icon_;
    QPointer<TKWImageList> imageList_;
    int imageIndex_ = -1;
    std::string action_;
    int posicao_ = -1;
    TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    bool temas_ = true;
};
