#include "components/uKWButton.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/Mensagens.h"

TKWLayoutBotao CalcularLayoutBotao(const QRect& cliente, QSize glifo, QSize legenda,
                                   TButtonLayout layout, int margem, int espaco,
                                   bool direitaParaEsquerda, QPoint deslocamento, bool temas) {
    if (direitaParaEsquerda) {
        if (layout == TButtonLayout::blGlyphLeft)
            layout = TButtonLayout::blGlyphRight;
        else if (layout == TButtonLayout::blGlyphRight)
            layout = TButtonLayout::blGlyphLeft;
    }
    const int W = cliente.width();
    const int H = cliente.height();
    const bool horizontal =
        layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphRight;

    QPoint g, c;
    if (horizontal) {
        g.setY((H - glifo.height() + 1) / 2);
        c.setY((H - legenda.height() + 1) / 2);
    } else {
        g.setX((W - glifo.width() + 1) / 2);
        c.setX((W - legenda.width() + 1) / 2);
    }

    if (legenda.width() == 0 || glifo.width() == 0) espaco = 0;

    const int total = horizontal ? W : H;
    const int tg = horizontal ? glifo.width() : glifo.height();
    const int tl = horizontal ? legenda.width() : legenda.height();
    if (margem == -1) {
        if (espaco == -1) {
            margem = (total - tg - tl) / 3;
            espaco = margem;
        } else {
            margem = (total - tg - espaco - tl + 1) / 2;
        }
    } else if (espaco == -1) {
        espaco = (total - margem - tg - tl) / 2;
    }

    switch (layout) {
    case TButtonLayout::blGlyphLeft:
        g.setX(margem);
        c.setX(margem + glifo.width() + espaco);
        break;
    case TButtonLayout::blGlyphRight:
        g.setX(W - margem - glifo.width());
        c.setX(g.x() - espaco - legenda.width());
        break;
    case TButtonLayout::blGlyphTop:
        g.setY(margem);
        c.setY(margem + glifo.height() + espaco);
        break;
    case TButtonLayout::blGlyphBottom:
        g.setY(H - margem - glifo.height());
        c.setY(g.y() - espaco - legenda.height());
        break;
    }

    g += cliente.topLeft() + deslocamento;
    c += cliente.topLeft();
    if (!temas) c += deslocamento;
    return {g, QRect(c, legenda)};
}

void ConverterTonsCinza(QImage& bmp) {
    if (bmp.isNull()) return;
    if (bmp.format() != QImage::Format_ARGB32 && bmp.format() != QImage::Format_RGB32)
        bmp = bmp.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < bmp.height(); ++y) {
        auto* linha = reinterpret_cast<QRgb*>(bmp.scanLine(y));
        for (int x = 0; x < bmp.width(); ++x) {
            const QRgb p = linha[x];
            const int cinza = (qBlue(p) + qGreen(p) + qRed(p)) / 3;
            linha[x] = qRgba(cinza, cinza, cinza, qAlpha(p));
        }
    }
}

void ClarearBitmap(QImage& bmp, int percentual) {
    if (bmp.isNull()) return;
    if (bmp.format() != QImage::Format_RGB888) bmp = bmp.convertToFormat(QImage::Format_RGB888);
    if (percentual == 0) return;
    // The same table serves every channel value; nearest integer, halves to even.
    std::array<uchar, 256> tabela{};
    for (int v = 0; v < 256; ++v) {
        const double acrescimo = std::nearbyint(static_cast<double>(v) * percentual / 100.0);
        tabela[static_cast<size_t>(v)] =
            static_cast<uchar>(std::clamp(v + acrescimo, 0.0, 255.0));
    }
    for (int y = 0; y < bmp.height(); ++y) {
        uchar* linha = bmp.scanLine(y);
        for (int x = 0; x < bmp.width() * 3; ++x) linha[x] = tabela[linha[x]];
    }
}

TKWButton::TKWButton(QWidget* parent) : QPushButton(parent) {}

TKWButton::TKWButton(const QString& legenda, QWidget* parent) : QPushButton(legenda, parent) {}

void TKWButton::SetIcon(const QImage& icone) {
    icon_ = icone.copy();
    update();
}

void TKWButton::SetAction(const std::string& acao) {
    if (imageList_ && !acao.empty()) {
        const std::string maiuscula = plat::MaiusculasCp1252(acao);
        const int pos = imageList_->Images().IndexOfAction(maiuscula);
        if (pos >= 0) {
            action_ = maiuscula;
            imageIndex_ = -1;
            posicao_ = pos;
            update();
            return;
        }
    }
    action_ = acao;
    posicao_ = -1;
    update();
}

void TKWButton::SetImageIndex(int indice) {
    if (indice < -1) indice = -1;
    if (indice >= 0 && imageList_ && indice < imageList_->Images().Count() &&
        !imageList_->Images().Items(indice).Action().empty()) {
        SetAction(imageList_->Images().Items(indice).Action());
        imageIndex_ = -1;
    } else {
        imageIndex_ = indice;
    }
    update();
}

void TKWButton::SetImageList(TKWImageList* lista) {
    imageList_ = lista;
    if (lista) {
        if (!action_.empty()) {
            std::string acao = action_;
            SetAction(acao);
        } else if (imageIndex_ >= 0) {
            SetImageIndex(imageIndex_);
        }
    }
    update();
}

bool TKWButton::DesenhaFace() const { return icon_.width() > 0 || imageList_; }

QSize TKWButton::TamanhoGlifo() const {
    if (imageList_) return {imageList_->Width(), imageList_->Height()};
    if (!icon_.isNull()) return icon_.size();
    return {0, 0};
}

static QSize MedirLegenda(const QFont& fonte, const QString& texto, int largura) {
    if (texto.isEmpty()) return {0, 0};
    QFontMetrics fm(fonte);
    return fm.boundingRect(QRect(0, 0, largura, 0), Qt::TextSingleLine | Qt::TextShowMnemonic, texto)
        .size();
}

QSize TKWButton::TamanhoLegenda() const { return MedirLegenda(font(), text(), width()); }

TKWLayoutBotao TKWButton::LayoutAtual() const {
    return CalcularLayoutBotao(rect(), TamanhoGlifo(), TamanhoLegenda(), layout_, margin_, spacing_,
                               layoutDirection() == Qt::RightToLeft, QPoint(0, 0), temas_);
}

void TKWButton::paintEvent(QPaintEvent* e) {
    if (!DesenhaFace()) {
        QPushButton::paintEvent(e);
        return;
    }
    plat::Protegido([&] { DesenharFace(); });
}

void TKWButton::DesenharFace() {
    QPainter p(this);
    QRect r = rect();
    const bool desabilitado = !isEnabled();
    const bool pressionado = isDown() && !desabilitado;
    const bool foco = hasFocus();
    QPoint deslocamento(0, 0);

    if (temas_) {
        // The parent's background shows through: the button fills nothing of its own.
        QStyleOptionButton opt;
        initStyleOption(&opt);
        opt.text.clear();
        opt.icon = QIcon();
        opt.state &= ~QStyle::State_HasFocus;
        if (foco) opt.features |= QStyleOptionButton::DefaultButton;
        style()->drawControl(QStyle::CE_PushButtonBevel, &opt, &p, this);
        r = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
        if (pressionado) deslocamento = QPoint(1, 0);
    } else {
        const QPalette& pal = palette();
        if (foco) {
            p.setPen(pal.color(QPalette::Shadow));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            r.adjust(1, 1, -1, -1);
        }
        if (!pressionado) {
            const QBrush face = pal.brush(QPalette::Button);
            qDrawWinButton(&p, r, pal, false, &face);
            r.adjust(2, 2, -2, -2);
        } else {
            p.setPen(pal.color(QPalette::Dark));
            p.setBrush(pal.brush(QPalette::Button));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            r.adjust(1, 1, -1, -1);
            deslocamento = QPoint(1, 1);
        }
    }

    const QSize legenda = MedirLegenda(font(), text(), r.width());
    const TKWLayoutBotao l =
        CalcularLayoutBotao(r, TamanhoGlifo(), legenda, layout_, margin_, spacing_,
                            layoutDirection() == Qt::RightToLeft, deslocamento, temas_);
    DesenharImagem(p, l.glifo);

    if (!text().isEmpty()) {
        const int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
        p.setFont(font());
        if (desabilitado) {
            p.setPen(palette().color(QPalette::Light));
            p.drawText(l.legenda.translated(1, 1), flags, text());
            p.setPen(palette().color(QPalette::Dark));
            p.drawText(l.legenda, flags, text());
        } else {
            p.setPen(palette().color(QPalette::ButtonText));
            p.drawText(l.legenda, flags, text());
        }
    }
}

void TKWButton::DesenharImagem(QPainter& p, QPoint pos) {
    if (imageList_) {
        const TKWImageCollection& itens = imageList_->Images();
        if (posicao_ >= 0 && posicao_ < itens.Count()) {
            const TKWImageItem& item = itens.Items(posicao_);
            const QImage& figura = item.Image();
            if (figura.isNull()) return;
            if (isEnabled()) {
                p.drawImage(pos, figura);
            } else {
                // The grey picture is made on a bitmap of the button face's colour.
                QImage bmp(figura.size(), QImage::Format_ARGB32);
                bmp.fill(palette().color(QPalette::Button));
                {
                    QPainter pb(&bmp);
                    pb.drawImage(0, 0, figura);
                }
                ConverterTonsCinza(bmp);
                ClarearBitmap(bmp, item.DisableContrast());
                p.drawImage(pos, bmp);
            }
            return;
        }
        if (imageIndex_ >= 0 && imageIndex_ < itens.Count()) {
            const QImage& figura = itens.Items(imageIndex_).Image();
            if (figura.width() > 0) p.drawImage(pos, figura);
        }
        return;
    }
    if (!icon_.isNull()) p.drawImage(pos, icon_);
}
