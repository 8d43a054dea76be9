#include "rules/FFormJanelaMinimizada.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPointer>

#include "components/uKWImage.h"
#include "components/uKWImageList.h"
#include "platform/Mensagens.h"
#include "platform/Texto.h"

QImage FundoJanelaMinimizada(bool realcado) {
    const QColor base = realcado ? TfrmFormJanelaMinimizada::CorLegendaRealce()
                                 : TfrmFormJanelaMinimizada::CorLegendaNormal();
    QImage img(295, 37, QImage::Format_ARGB32);
    img.fill(base);
    QPainter p(&img);
    // A lighter band along the top edge and a darker frame; the middle stays in the legend's
    // colour so the label blends into it.
    QLinearGradient brilho(0, 0, 0, 10);
    brilho.setColorAt(0, base.lighter(150));
    brilho.setColorAt(1, base);
    p.fillRect(QRect(1, 1, 293, 10), brilho);
    p.setPen(base.darker(160));
    p.drawRect(0, 0, 294, 36);
    return img;
}

namespace {
// Forwards double-clicks of a plain label to a handler.
class FiltroDuploClique : public QObject {
public:
    FiltroDuploClique(QObject* parent, std::function<void()> f) : QObject(parent), f_(std::move(f)) {}
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonDblClick) {
            plat::Protegido([&] { f_(); });
            return true;
        }
        return QObject::eventFilter(o, e);
    }

private:
    std::function<void()> f_;
};
}  // namespace

TfrmFormJanelaMinimizada::TfrmFormJanelaMinimizada(QObject* dono, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmFormJanelaMinimizada"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::FramelessWindowHint);
    setFixedSize(296, 38);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    imgLista = new TKWImageList(this);
    imgLista->setObjectName(QStringLiteral("imgLista"));
    imgLista->SetWidth(295);
    imgLista->SetHeight(37);
    imgLista->Adicionar("", FundoJanelaMinimizada(false));
    imgLista->Adicionar("", FundoJanelaMinimizada(true));

    imgFundo = new TKWImage(this);
    imgFundo->setObjectName(QStringLiteral("imgFundo"));
    imgFundo->SetAutoSize(true);
    imgFundo->SetPicture(imgLista->Images().Items(0).Image());
    imgFundo->move(0, 0);
    imgFundo->OnMouseEnter = [this](QObject*) { imgFundoMouseEnter(); };
    imgFundo->OnMouseLeave = [this](QObject*) { imgFundoMouseLeave(); };

    lbLegenda = new QLabel(this);
    lbLegenda->setObjectName(QStringLiteral("lbLegenda"));
    lbLegenda->move(9, 12);
    QFont fonte(QStringLiteral("MS Sans Serif"));
    fonte.setStyleHint(QFont::SansSerif);
    fonte.setPointSize(8);
    fonte.setBold(true);
    lbLegenda->setFont(fonte);
    lbLegenda->setAutoFillBackground(true);
    DefinirCorLegenda(CorLegendaNormal());
    lbLegenda->installEventFilter(new FiltroDuploClique(lbLegenda, [this] { lbLegendaDblClick(); }));

    KWImage1 = new TKWImage(this);
    KWImage1->setObjectName(QStringLiteral("KWImage1"));
    KWImage1->SetAutoSize(true);
    KWImage1->SetPicture(KWImagemRecurso("restaurar-24"));
    KWImage1->setGeometry(263, 5, 24, 24);
    KWImage1->OnClick = [this](QObject*) { KWImage1Click(); };

    imgTrigger = new TKWImage(this);
    imgTrigger->setObjectName(QStringLiteral("imgTrigger"));
    imgTrigger->setCursor(Qt::PointingHandCursor);
    imgTrigger->OnClick = [this](QObject*) { imgTriggerClick(); };
    imgTrigger->OnMouseEnter = [this](QObject*) { imgTriggerMouseEnter(); };
    imgTrigger->OnMouseLeave = [this](QObject*) { imgTriggerMouseLeave(); };

    if (dono) {
        connect(dono, &QObject::destroyed, this, [this] {
            if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
                delete sub;
            else
                delete this;
        });
    }

    FormCreate();
}

TfrmFormJanelaMinimizada::~TfrmFormJanelaMinimizada() = default;

void TfrmFormJanelaMinimizada::FormCreate() {
    setProperty("Tag", TagMinimizada);
    realcado_ = false;
    FundoRealce = imgLista->Images().Items(1).Image().copy();
    FundoNormal = imgLista->Images().Items(0).Image().copy();
    imgTrigger->setGeometry(rect());
    imgTrigger->raise();
}

void TfrmFormJanelaMinimizada::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (imgTrigger) imgTrigger->setGeometry(rect());
}

void TfrmFormJanelaMinimizada::DefinirCorLegenda(const QColor& cor) {
    QPalette pal = lbLegenda->palette();
    pal.setColor(QPalette::Window, cor);
    pal.setColor(QPalette::WindowText, Qt::white);
    lbLegenda->setPalette(pal);
}

void TfrmFormJanelaMinimizada::DefinirLegenda(const std::string& texto) {
    // Cut by characters, never inside one.
    legenda_ = plat::ContarCaracteres(texto) > static_cast<std::size_t>(MaxLegenda)
                   ? plat::CortarCaracteres(texto, static_cast<std::size_t>(MaxLegenda)) + "..."
                   : texto;
    lbLegenda->setText(QString::fromStdString(legenda_));
    lbLegenda->adjustSize();
}

void TfrmFormJanelaMinimizada::Realcar() {
    if (realcado_) return;
    imgFundo->SetPicture(FundoRealce);
    DefinirCorLegenda(CorLegendaRealce());
    realcado_ = true;
}

void TfrmFormJanelaMinimizada::Normalizar() {
    if (!realcado_) return;
    imgFundo->SetPicture(FundoNormal);
    DefinirCorLegenda(CorLegendaNormal());
    realcado_ = false;
}

void TfrmFormJanelaMinimizada::Restaurar() {
    if (restaurando_) return;
    restaurando_ = true;
    try {
        if (RestaurarJanela) {
            RestaurarJanela(Esquerda, Topo, Largura, Altura);
        } else if (Janela) {
            Janela->setProperty("Tag", TagRestaurando);
            Janela->setVisible(true);
            Janela->move(Janela->x(), Topo);
            Janela->move(Esquerda, Janela->y());
            Janela->resize(Janela->width(), Altura);
            Janela->resize(Largura, Janela->height());
        }
    } catch (...) {
        // The child is not back: keep the placeholder so the user can try again.
        restaurando_ = false;
        throw;
    }
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

void TfrmFormJanelaMinimizada::closeEvent(QCloseEvent* e) { QWidget::closeEvent(e); }

void TfrmFormJanelaMinimizada::mouseDoubleClickEvent(QMouseEvent* e) {
    QWidget::mouseDoubleClickEvent(e);
    plat::Protegido([&] { FormDblClick(); });
}
