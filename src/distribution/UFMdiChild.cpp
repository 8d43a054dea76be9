#include "distribution/UFMdiChild.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionTitleBar>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>

#include <typeinfo>

#include "components/uKWDBFilialEdit.h"
#include "components/uKWFilialEdit.h"
#include "platform/Mensagens.h"
#include "platform/Texto.h"
#include "rules/FFormJanelaMinimizada.h"
#include "rules/FLogAtuAplic.h"
#include "shell/UServicosSistema.h"
#include "shell/USistema.h"

namespace {

// The application's style, but the caption of a child's title bar is drawn at the left,
// as the suite's users know it, and ends before the log button in the middle of the bar
// (styles that centre the caption would put the button over it).
class EstiloTituloMdi : public QProxyStyle {
public:
    explicit EstiloTituloMdi(QStyle* base) : QProxyStyle(base) {}

    void drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                            const QWidget* w) const override {
        const auto* tb = qstyleoption_cast<const QStyleOptionTitleBar*>(opt);
        if (cc != CC_TitleBar || !tb || tb->text.isEmpty()) {
            QProxyStyle::drawComplexControl(cc, opt, p, w);
            return;
        }
        QStyleOptionTitleBar semTexto(*tb);
        semTexto.text.clear();
        QProxyStyle::drawComplexControl(cc, &semTexto, p, w);

        QRect r = subControlRect(cc, tb, SC_TitleBarLabel, w).adjusted(4, 0, 0, 0);
        if (const auto* filha = qobject_cast<const TfMdiChild*>(w))
            if (filha->cpbLogSis && filha->cpbLogSis->isVisible())
                r.setRight(std::min(r.right(), filha->cpbLogSis->geometry().left() - 6));
        if (r.width() <= 0) return;
        const bool ativa = tb->titleBarState & Qt::WindowActive;
        p->save();
        QFont f = p->font();
        f.setBold(true);
        p->setFont(f);
        const QString texto = p->fontMetrics().elidedText(tb->text, Qt::ElideRight, r.width());
        p->setPen(ativa ? tb->palette.color(QPalette::Active, QPalette::HighlightedText)
                        : tb->palette.color(QPalette::Inactive, QPalette::WindowText));
        p->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, texto);
        p->restore();
    }
};

QStyle* EstiloTitulo() {
    static QPointer<QStyle> estilo;
    if (!estilo) {
        estilo = new EstiloTituloMdi(QStyleFactory::create(QApplication::style()->name()));
        estilo->setParent(qApp);
    }
    return estilo;
}

// The screen cursor as one global value (not a stack): the hourglass of a window's
// creation stays until the first show sets the default again.
void DefinirCursorTela(Qt::CursorShape forma) {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    if (forma != Qt::ArrowCursor) QApplication::setOverrideCursor(QCursor(forma));
}

// Runs a handler; an error goes to the standard error report. False when it raised.
template <class F>
bool Executar(F&& f) {
    bool ok = false;
    plat::Protegido([&] {
        f();
        ok = true;
    });
    return ok;
}

// The line edit inside a spin box, a date edit or an editable combo box belongs to that
// control: it is not an entry control of its own.
bool EditInterno(const QWidget* w) {
    const QWidget* p = w->parentWidget();
    return p && (qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QComboBox*>(p));
}

bool EhEditFilial(const QWidget* w) { return qobject_cast<const TKWFilialEditBase*>(w) != nullptr; }

// A plain single-line edit: the toolkit's line edit itself or the plain branch edit (the
// data-aware and numeric edits derived from it are not plain).
bool EhEditSimples(const QWidget* w) {
    if (!w || EditInterno(w)) return false;
    const std::type_info& t = typeid(*w);
    return t == typeid(QLineEdit) || t == typeid(TKWFilialEdit);
}

bool EhMemo(const QWidget* w) { return qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w); }

bool EhGrade(const QWidget* w) { return qobject_cast<const QTableView*>(w) != nullptr; }

// Glyph of the title-bar button: a small page with lines of text.
QPixmap GlifoLog() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(QColor(255, 255, 240));
    p.drawRect(2, 1, 11, 13);
    p.setPen(QColor(40, 90, 200));
    for (int y = 4; y <= 11; y += 3) p.drawLine(4, y, 11, y);
    return pm;
}

}  // namespace

TfMdiChild::TfMdiChild(QWidget* dono) : QMdiSubWindow(nullptr) {
    setObjectName(QStringLiteral("fMdiChild"));
    SetTag(0);
    setWindowTitle(QStringLiteral("fMdiChild"));
    QFont fonte(QStringLiteral("MS Sans Serif"));
    fonte.setStyleHint(QFont::SansSerif);
    fonte.setPixelSize(11);
    setFont(fonte);
    setStyle(EstiloTitulo());

    cliente_ = new QWidget;
    cliente_->setObjectName(QStringLiteral("cliente"));
    cliente_->setFixedSize(602, 341);
    setWidget(cliente_);

    ilLogSis << GlifoLog();
    cpbLogSis = new QToolButton(this);
    cpbLogSis->setObjectName(QStringLiteral("cpbLogSis"));
    cpbLogSis->setIcon(QIcon(ilLogSis.value(0)));
    cpbLogSis->setIconSize(QSize(16, 16));
    cpbLogSis->setAutoRaise(true);
    cpbLogSis->setFocusPolicy(Qt::NoFocus);
    connect(cpbLogSis, &QToolButton::clicked, this, [this] { plat::Protegido([&] { cpbLogSisClick(); }); });

    if (!dono && SistemaCriado()) dono = Sistema().FormPrincipal;
    area_ = AreaDe(dono);

    MontarMenuSistema();
    qApp->installEventFilter(this);
}

TfMdiChild::~TfMdiChild() {
    qApp->removeEventFilter(this);
    // The controls die after this object's members: they must not reach the map then.
    for (const auto& c : conexoesKeyPress_) disconnect(c);
    // The placeholders belong to this window.
    for (const auto& p : minimizadas_) {
        if (!p) continue;
        if (auto* sub = qobject_cast<QMdiSubWindow*>(p->parentWidget())) delete sub;
        else delete p.data();
    }
    if (SistemaCriado() && Sistema().JanelaAtiva == this) Sistema().JanelaAtiva = nullptr;
}

QMdiArea* TfMdiChild::AreaDe(QWidget* janela) {
    if (!janela) return nullptr;
    if (auto* a = qobject_cast<QMdiArea*>(janela)) return a;
    if (auto* mw = qobject_cast<QMainWindow*>(janela))
        if (auto* a = qobject_cast<QMdiArea*>(mw->centralWidget())) return a;
    return janela->findChild<QMdiArea*>();
}

void TfMdiChild::Inicializar() {
    if (criado_) return;
    criado_ = true;
    Executar([&] { FormCreate(); });
    const Qt::WindowFlags molduraMdi = Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                       Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
    if (area_) {
        area_->addSubWindow(this, molduraMdi);
        setWindowFlags(molduraMdi);
        estiloMdi_ = true;
    } else {
        setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    }
    // Fixed frame: the window keeps the size of its client area.
    adjustSize();
    setFixedSize(sizeHint());
    show();
    // Centred (inside the frame's client area for an MDI child).
    if (area_) {
        const QSize v = area_->viewport()->size();
        move(std::max(0, (v.width() - width()) / 2), std::max(0, (v.height() - height()) / 2));
    } else if (QScreen* s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
}

// --- handlers ------------------------------------------------------------------------

void TfMdiChild::FormCreate() {
    DefinirCursorTela(Qt::WaitCursor);
    modal_ = false;
}

void TfMdiChild::FormShow() {
    DefinirCursorTela(Qt::ArrowCursor);
    if (estiloMdi_ && LimparAoMostrar) LimpaCampos();
    Sistema().JanelaAtiva = this;
    OrganizaMinimizadas();
}

void TfMdiChild::FormClose(TCloseAction& acao) {
    OrganizaMinimizadas();
    if (estiloMdi_) acao = TCloseAction::caFree;
}

void TfMdiChild::FormDestroy() {}

void TfMdiChild::cpbLogSisClick() { AbrirLogAtuAplic(this); }

void TfMdiChild::FormKeyPress(QChar& key) {
    QWidget* c = ActiveControl();
    if (key == QChar('\r') && c && EhGrade(c)) {
        auto* g = static_cast<QTableView*>(c);
        const QModelIndex atual = g->currentIndex();
        if (g->model() && atual.isValid() && atual.column() + 1 < g->model()->columnCount(atual.parent()))
            g->setCurrentIndex(g->model()->index(atual.row(), atual.column() + 1, atual.parent()));
        return;
    }
    if (key != QChar('\r') || !c || EhGrade(c) || EhMemo(c)) return;
    if (auto* cb = qobject_cast<QComboBox*>(c); cb && cb->view() && cb->view()->isVisible()) return;
    if (EhEditSimples(c) && TemOnKeyPress(c)) return;
    key = QChar();
    focusNextPrevChild(true);
}

// --- key preview -------------------------------------------------------------------

void TfMdiChild::DefinirOnKeyPress(QWidget* controle, std::function<void(QChar&)> tratador) {
    if (!controle) return;
    if (tratador) {
        const bool novo = onKeyPress_.find(controle) == onKeyPress_.end();
        onKeyPress_[controle] = std::move(tratador);
        if (novo)
            conexoesKeyPress_.push_back(
                connect(controle, &QObject::destroyed, this, [this, controle] { onKeyPress_.erase(controle); }));
    } else {
        onKeyPress_.erase(controle);
    }
}

bool TfMdiChild::TemOnKeyPress(const QWidget* controle) const {
    return controle && onKeyPress_.find(controle) != onKeyPress_.end();
}

QWidget* TfMdiChild::ActiveControl() const {
    QWidget* f = QApplication::focusWidget();
    if (!f || (f != this && !isAncestorOf(f))) return nullptr;
    if (qobject_cast<QLineEdit*>(f) && EditInterno(f)) return f->parentWidget();
    return f;
}

bool TfMdiChild::eventFilter(QObject* obj, QEvent* ev) {
    if (ev->type() != QEvent::KeyPress) return QMdiSubWindow::eventFilter(obj, ev);
    auto* w = qobject_cast<QWidget*>(obj);
    // Only the first delivery, to the focused control (an unhandled key travels on to
    // the parents and passes here again).
    if (!w || w != QApplication::focusWidget() || isHidden()) return QMdiSubWindow::eventFilter(obj, ev);
    if (w != this && !isAncestorOf(w)) return QMdiSubWindow::eventFilter(obj, ev);

    auto* ke = static_cast<QKeyEvent*>(ev);
    // A key with Alt or Ctrl is a command, never typed text: an accelerator whose control
    // is disabled (or that names none) would otherwise type its letter into the focused
    // edit (and search a list by it). The control gets the key without its text, so its
    // own commands (Ctrl+C, Ctrl+V ...) still work.
    if ((ke->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) && !ke->text().isEmpty() &&
        ke->text().at(0).isPrint()) {
        QKeyEvent semTexto(ke->type(), ke->key(), ke->modifiers(), ke->nativeScanCode(), ke->nativeVirtualKey(),
                           ke->nativeModifiers(), QString(), ke->isAutoRepeat(), ke->count());
        QCoreApplication::sendEvent(w, &semTexto);
        ke->setAccepted(semTexto.isAccepted());
        return true;
    }
    if (!keyPreview_) return QMdiSubWindow::eventFilter(obj, ev);
    QChar key;
    if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) key = QChar('\r');
    else if (!ke->text().isEmpty()) key = ke->text().at(0);
    else return QMdiSubWindow::eventFilter(obj, ev);  // keys without a character

    QPointer<QWidget> controle = ActiveControl();
    QPointer<TfMdiChild> self(this);
    if (!Executar([&] { FormKeyPress(key); }) || key.isNull()) return true;
    if (!self) return true;
    if (controle) {
        auto it = onKeyPress_.find(controle.data());
        if (it != onKeyPress_.end()) {
            auto tratador = it->second;
            if (!Executar([&] { tratador(key); }) || key.isNull()) return true;
        }
    }
    return false;
}

// --- entry controls ------------------------------------------------------------------

void TfMdiChild::LimpaCampos() {
    const QList<QWidget*> controles = cliente_->findChildren<QWidget*>();
    for (QWidget* w : controles) {
        if (EhEditSimples(w) && !qobject_cast<QDateTimeEdit*>(w)) {
            static_cast<QLineEdit*>(w)->setText(QString());
        } else if (qobject_cast<TKWDBFilialEdit*>(w)) {
            static_cast<QLineEdit*>(w)->setText(QString());
        } else if (EhMemo(w)) {
            if (auto* m = qobject_cast<QTextEdit*>(w)) m->clear();
            else static_cast<QPlainTextEdit*>(w)->clear();
        } else if (typeid(*w) == typeid(QComboBox)) {
            // A combo box with an edit loses its text; a pick list keeps its selected item.
            auto* cb = static_cast<QComboBox*>(w);
            if (cb->isEditable()) cb->setEditText(QString());
        }
        if (auto* f = qobject_cast<TKWFilialEditBase*>(w)) f->SetFilial_Autorizada(ServicosSistema().FiliaisUsuario());
    }
}

bool TfMdiChild::FilialPreenchida() {
    if (ServicosSistema().FiliaisUsuario().empty()) return true;
    const QList<QWidget*> controles = cliente_->findChildren<QWidget*>();
    for (QWidget* w : controles)
        if (EhEditFilial(w) && !plat::Aparar(static_cast<QLineEdit*>(w)->text().toStdString()).empty()) return true;
    plat::Aviso("Obrigatório preenchimento do(s) campo(s) Filial.");
    return false;
}

// --- placeholders ----------------------------------------------------------------------

int TfMdiChild::TagDe(const QWidget* janela) {
    if (!janela) return 0;
    QVariant v = janela->property("Tag");
    if (!v.isValid())
        if (auto* sub = qobject_cast<const QMdiSubWindow*>(janela); sub && sub->widget())
            v = sub->widget()->property("Tag");
    return v.toInt();
}

void TfMdiChild::OrganizarMinimizadas(QMdiArea* area) {
    if (!area) return;
    // Furthest back first: the first placeholder made stands at the top.
    int k = 0;
    for (QMdiSubWindow* sw : area->subWindowList(QMdiArea::StackingOrder)) {
        if (TagDe(sw) != tag_janela::Minimizada) continue;
        sw->move(1, k * sw->height() + 1);
        ++k;
    }
}

void TfMdiChild::OrganizaMinimizadas() {
    QMdiArea* a = nullptr;
    if (SistemaCriado()) a = AreaDe(Sistema().FormPrincipal);
    OrganizarMinimizadas(a ? a : area_.data());
}

QList<QWidget*> TfMdiChild::JanelasMinimizadas() const {
    QList<QWidget*> l;
    for (const auto& p : minimizadas_)
        if (p) l << p.data();
    return l;
}

void TfMdiChild::WMSysCommand(unsigned comando) {
    if (comando != SC_MINIMIZE) {
        if (comando == SC_CLOSE) close();
        else if (comando == SC_RESTORE) showNormal();
        return;
    }
    if (modal_) {
        // Left to the platform: a modal window minimises as any top-level window does.
        if (isWindow()) showMinimized();
        return;
    }
    Minimizar();
}

void TfMdiChild::Minimizar() {
    const bool ligado = onShowLigado_;
    onShowLigado_ = false;
    struct Religar {
        TfMdiChild* w;
        bool ligado;
        ~Religar() { w->onShowLigado_ = ligado; }
    } religar{this, ligado};

    auto* p = new TfrmFormJanelaMinimizada(this);
    p->DefinirLegenda(windowTitle().toStdString());
    p->Janela = this;
    p->Esquerda = x();
    p->Topo = y();
    p->Largura = width();
    p->Altura = height();
    QPointer<TfMdiChild> self(this);
    p->RestaurarJanela = [self](int esquerda, int topo, int largura, int altura) {
        if (!self) return;
        const bool lig = self->onShowLigado_;
        self->onShowLigado_ = false;
        self->SetTag(tag_janela::Restaurando);
        self->setVisible(true);
        // top, left, height, width, in this order
        self->move(self->x(), topo);
        self->move(esquerda, self->y());
        self->setFixedHeight(altura);
        self->setFixedWidth(largura);
        self->onShowLigado_ = lig;
        if (self->area_) self->area_->setActiveSubWindow(self);
    };
    minimizadas_ << QPointer<QWidget>(p);
    if (area_) {
        QMdiSubWindow* sub = area_->addSubWindow(p, Qt::SubWindow | Qt::FramelessWindowHint);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->setProperty("Tag", tag_janela::Minimizada);
        sub->setFixedSize(p->size());
        sub->show();
    } else {
        p->show();
    }
    OrganizaMinimizadas();
    escondendo_ = true;
    setVisible(false);
    escondendo_ = false;
}

// --- visibility and style -------------------------------------------------------------

void TfMdiChild::setVisible(bool visible) {
    if (visible == isHidden()) VisibleChanging(visible);
    QMdiSubWindow::setVisible(visible);
    if (!visible && lacoModal_) lacoModal_->quit();
}

void TfMdiChild::VisibleChanging(bool vaiMostrar) {
    if (modal_ || !(escondendo_ || Tag() == tag_janela::Restaurando)) return;
    SetTag(0);
    // Hidden, the child stays in the frame's MDI area (a hidden subwindow takes no part
    // in the area's arrangement) and comes back there at its former bounds.
    estiloMdi_ = vaiMostrar && area_;
    OrganizaMinimizadas();
}

void TfMdiChild::showEvent(QShowEvent* ev) {
    QMdiSubWindow::showEvent(ev);
    PosicionarBotaoLog();
    if (!ev->spontaneous() && onShowLigado_) Executar([&] { FormShow(); });
}

void TfMdiChild::closeEvent(QCloseEvent* ev) {
    TCloseAction acao = estiloMdi_ ? TCloseAction::caMinimize : TCloseAction::caHide;
    QPointer<TfMdiChild> self(this);
    if (!Executar([&] { FormClose(acao); })) {
        ev->ignore();
        return;
    }
    switch (acao) {
        case TCloseAction::caNone:
            ev->ignore();
            break;
        case TCloseAction::caHide:
            ev->accept();
            break;
        case TCloseAction::caFree:
            setAttribute(Qt::WA_DeleteOnClose);
            QMdiSubWindow::closeEvent(ev);
            break;
        case TCloseAction::caMinimize:
            ev->ignore();
            WMSysCommand(SC_MINIMIZE);
            break;
    }
}

int TfMdiChild::ShowModal() {
    modal_ = true;
    estiloMdi_ = false;
    // A modal window is a top-level dialog without the minimise icon.
    hide();
    setParent(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::ApplicationModal);
    cpbLogSis->hide();
    modalResult_ = 0;
    emModal_ = true;
    QEventLoop laco;
    QPointer<TfMdiChild> self(this);
    // The loop ends when the window is hidden (closed, or a modal result set) or destroyed.
    QMetaObject::Connection c1 = connect(this, &QObject::destroyed, &laco, [&laco] { laco.quit(); });
    lacoModal_ = &laco;
    show();
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    if (isVisible()) laco.exec(QEventLoop::DialogExec);
    if (!self) return 0;
    disconnect(c1);
    lacoModal_ = nullptr;
    emModal_ = false;
    return modalResult_;
}

void TfMdiChild::SetModalResult(int r) {
    modalResult_ = r;
    if (emModal_ && r != 0) close();
}

void TfMdiChild::changeEvent(QEvent* ev) { QMdiSubWindow::changeEvent(ev); }

// --- title bar ----------------------------------------------------------------------

void TfMdiChild::resizeEvent(QResizeEvent* ev) {
    QMdiSubWindow::resizeEvent(ev);
    PosicionarBotaoLog();
}

void TfMdiChild::PosicionarBotaoLog() {
    if (!cpbLogSis) return;
    if (isWindow()) {
        // The native title bar of a top-level window has no room for it.
        cpbLogSis->hide();
        return;
    }
    QStyleOptionTitleBar opt;
    opt.initFrom(this);
    const int alturaTitulo = style()->pixelMetric(QStyle::PM_TitleBarHeight, &opt, this);
    const int lado = std::max(12, alturaTitulo - 4);
    cpbLogSis->setFixedSize(lado, lado);
    cpbLogSis->move((width() - lado) / 2, std::max(0, (alturaTitulo - lado) / 2 + 2));
    cpbLogSis->show();
    cpbLogSis->raise();
}

bool TfMdiChild::NoBotaoMinimizar(const QPoint& p) const {
    if (isWindow()) return false;
    QStyleOptionTitleBar opt;
    opt.initFrom(this);
    opt.subControls = QStyle::SC_All;
    opt.titleBarFlags = windowFlags();
    opt.titleBarState = windowState();
    opt.text = windowTitle();
    const bool borda = !style()->styleHint(QStyle::SH_TitleBar_NoBorder, &opt, this);
    const int b = borda ? 4 : 0;
    const int altura = style()->pixelMetric(QStyle::PM_TitleBarHeight, &opt, this) + (borda ? 4 : 0);
    opt.rect = QRect(b, b, width() - 2 * b, altura - b);
    return style()->hitTestComplexControl(QStyle::CC_TitleBar, &opt, p, this) == QStyle::SC_TitleBarMinButton;
}

void TfMdiChild::mousePressEvent(QMouseEvent* ev) {
    if (ev->button() == Qt::LeftButton && (windowFlags() & Qt::WindowMinimizeButtonHint) &&
        NoBotaoMinimizar(ev->position().toPoint())) {
        pressionouMinimizar_ = true;
        ev->accept();
        return;
    }
    pressionouMinimizar_ = false;
    QMdiSubWindow::mousePressEvent(ev);
}

void TfMdiChild::mouseReleaseEvent(QMouseEvent* ev) {
    if (pressionouMinimizar_) {
        pressionouMinimizar_ = false;
        ev->accept();
        if (ev->button() == Qt::LeftButton && NoBotaoMinimizar(ev->position().toPoint()))
            plat::Protegido([&] { WMSysCommand(SC_MINIMIZE); });
        return;
    }
    QMdiSubWindow::mouseReleaseEvent(ev);
}

void TfMdiChild::mouseDoubleClickEvent(QMouseEvent* ev) {
    // The title bar's double-click would maximise or shade the window: a fixed frame does neither.
    if (!isWindow() && ev->position().y() < style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 4) {
        ev->accept();
        return;
    }
    QMdiSubWindow::mouseDoubleClickEvent(ev);
}

void TfMdiChild::MontarMenuSistema() {
    auto* menu = new QMenu(this);
    menu->addAction(QStringLiteral("Mi&nimizar"), this, [this] { plat::Protegido([&] { WMSysCommand(SC_MINIMIZE); }); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("&Fechar"), this, [this] { plat::Protegido([&] { WMSysCommand(SC_CLOSE); }); });
    setSystemMenu(menu);
}
