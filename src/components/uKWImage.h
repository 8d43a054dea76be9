#pragma once
// Picture control that also reports the mouse entering and leaving it, and clicks.
#include <QImage>
#include <QWidget>

#include <functional>

class TKWImage : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TKWImage(QWidget* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    // Copies the picture; with AutoSize on, the control takes the picture's size.
    void SetPicture(const QImage& figura);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool a);

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void Disparar(const TNotifyEvent& evento);

    QImage picture_;
    bool autoSize_ = false;
    bool pressionado_ = false;
};
