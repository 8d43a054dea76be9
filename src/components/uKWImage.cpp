#include "components/uKWImage.h"

#include <QMouseEvent>
#include <QPainter>

#include "platform/Mensagens.h"

TKWImage::TKWImage(QWidget* parent) : QWidget(parent) {}

void TKWImage::SetPicture(const QImage& figura) {
    picture_ = figura.copy();
    if (autoSize_ && !picture_.isNull()) resize(picture_.size());
    update();
}

void TKWImage::SetAutoSize(bool a) {
    autoSize_ = a;
    if (autoSize_ && !picture_.isNull()) resize(picture_.size());
}

QSize TKWImage::sizeHint() const {
    return picture_.isNull() ? QWidget::sizeHint() : picture_.size();
}

void TKWImage::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter p(this);
    p.drawImage(0, 0, picture_);
}

void TKWImage::Disparar(const TNotifyEvent& evento) {
    if (!evento) return;
    TNotifyEvent copia = evento;  // the handler may replace or destroy the control's handler
    plat::Protegido([&] { copia(this); });
}

void TKWImage::enterEvent(QEnterEvent* e) {
    QWidget::enterEvent(e);
    Disparar(OnMouseEnter);
}

void TKWImage::leaveEvent(QEvent* e) {
    QWidget::leaveEvent(e);
    Disparar(OnMouseLeave);
}

void TKWImage::mousePressEvent(QMouseEvent* e) {
    QWidget::mousePressEvent(e);
    if (e->button() == Qt::LeftButton) pressionado_ = true;
}

void TKWImage::mouseReleaseEvent(QMouseEvent* e) {
    QWidget::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton || !pressionado_) return;
    pressionado_ = false;
    if (rect().contains(e->position().toPoint())) Disparar(OnClick);
}

void TKWImage::mouseDoubleClickEvent(QMouseEvent* e) {
    QWidget::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton) Disparar(OnDblClick);
}
