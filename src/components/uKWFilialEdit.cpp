#include "components/uKWFilialEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <exception>
#include <stdexcept>

#include "platform/Mensagens.h"

bool KWCaractereFilialAceito(char32_t c) { return (c >= U'0' && c <= U'9') || c == 8; }

TKWFilialEditBase::TKWFilialEditBase(QWidget* parent) : QLineEdit(parent) {
    // Dropped text would bypass the character filter.
    setAcceptDrops(false);
}

int TKWFilialEditBase::Value() const {
    const std::string t = text().toStdString();
    size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;  // leading blanks are tolerated, trailing are not
    const char* inicio = t.data() + i;
    const char* fim = t.data() + t.size();
    if (inicio != fim && *inicio == '+') ++inicio;
    int valor = 0;
    auto [p, ec] = std::from_chars(inicio, fim, valor);
    if (ec != std::errc() || p != fim || inicio == fim) return 0;
    return valor;
}

void TKWFilialEditBase::SetValue(int valor) { setText(QString::number(valor)); }

void TKWFilialEditBase::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Paste)) {
        if (!isReadOnly()) ColarDigitos();
        e->accept();
        return;
    }
    // Characters that would reach the text must be digits; keys without a printable
    // character (arrows, Delete, Enter, shortcuts) go to the edit unchanged.
    const QString t = e->text();
    for (char32_t c : t.toUcs4()) {
        if (c == 8) continue;
        const bool imprimivel = QChar::isPrint(c);
        if (imprimivel && !KWCaractereFilialAceito(c)) {
            e->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(e);
}

void TKWFilialEditBase::inputMethodEvent(QInputMethodEvent* e) {
    // Text composed by an input method (dead keys, compose sequences) is typed text too.
    QString digitos;
    for (QChar c : e->commitString())
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) digitos.append(c);
    if (digitos == e->commitString()) {
        QLineEdit::inputMethodEvent(e);
        return;
    }
    QInputMethodEvent filtrado(e->preeditString(), e->attributes());
    filtrado.setCommitString(digitos, e->replacementStart(), e->replacementLength());
    QLineEdit::inputMethodEvent(&filtrado);
}

void TKWFilialEditBase::ColarDigitos() {
    QString digitos;
    for (QChar c : QApplication::clipboard()->text())
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) digitos.append(c);
    if (!digitos.isEmpty()) insert(digitos);
}

void TKWFilialEditBase::contextMenuEvent(QContextMenuEvent* e) {
    QMenu* menu = createStandardContextMenu();
    for (QAction* a : menu->actions()) {
        if (a->objectName() == QLatin1String("edit-paste")) {
            disconnect(a, nullptr, nullptr, nullptr);
            connect(a, &QAction::triggered, this, [this] { ColarDigitos(); });
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}

void TKWFilialEditBase::DefinirCores(TEstadoCor estado) {
    estado_ = estado;
    QPalette pal = palette();
    const QPalette sistema = QApplication::palette(this);
    switch (estado) {
    case TEstadoCor::Padrao:
        pal.setColor(QPalette::Base, sistema.color(QPalette::Base));
        pal.setColor(QPalette::Text, sistema.color(QPalette::Text));
        break;
    case TEstadoCor::Autorizada:
        pal.setColor(QPalette::Base, CorAutorizada());
        pal.setColor(QPalette::Text, sistema.color(QPalette::Text));
        break;
    case TEstadoCor::Recusada:
        pal.setColor(QPalette::Base, CorRecusada());
        pal.setColor(QPalette::Text, QColor(255, 255, 255));
        break;
    }
    setPalette(pal);
}

void TKWFilialEditBase::RetomarFoco() {
    // Called while the focus is moving away: take it back without a new round of focus
    // events, so the control that was about to receive it sees neither an entry nor an exit.
    setFocus(Qt::NoFocusReason);
}

namespace {
// Swallows the mouse press that is on its way to the control that was clicked while a
// refused branch kept the focus: that control must not act on it (a button would click).
class EngoleClique : public QObject {
public:
    explicit EngoleClique(QObject* parent) : QObject(parent) {}
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return true;
        default:
            return false;
        }
    }
};
}  // namespace

void TKWFilialEditBase::focusOutEvent(QFocusEvent* e) {
    const Qt::FocusReason motivo = e->reason();
    // Only a move of the focus inside the window is an exit: another window becoming active
    // (a message box among them), a popup or the window closing is not.
    const bool saida = motivo != Qt::ActiveWindowFocusReason && motivo != Qt::PopupFocusReason &&
                       motivo != Qt::MenuBarFocusReason && isVisible() && window()->isVisible();
    if (!saida) {
        QLineEdit::focusOutEvent(e);
        return;
    }

    const std::string texto = text().toStdString();
    const bool vazio = text().trimmed().isEmpty();
    if (vazio || autorizadas_.empty()) {
        DefinirCores(TEstadoCor::Padrao);
    } else if (std::find(autorizadas_.begin(), autorizadas_.end(), texto) != autorizadas_.end()) {
        DefinirCores(TEstadoCor::Autorizada);
    } else {
        DefinirCores(TEstadoCor::Recusada);
        RetomarFoco();
        plat::Protegido([] { throw std::runtime_error(MsgFilialNaoAutorizada); });
        if (motivo == Qt::MouseFocusReason) {
            // The press that moved the focus is delivered right after this handler returns,
            // within the same dispatch (after the message box, which must stay clickable);
            // the filter goes at the next turn of the event loop.
            auto* filtro = new EngoleClique(this);
            qApp->installEventFilter(filtro);
            QTimer::singleShot(0, filtro, [filtro] {
                qApp->removeEventFilter(filtro);
                filtro->deleteLater();
            });
        }
        return;
    }

    std::exception_ptr erro;
    try {
        SaidaAceita();
    } catch (...) {
        erro = std::current_exception();
    }
    if (erro) {
        RetomarFoco();
        plat::Protegido([&] { std::rethrow_exception(erro); });
        return;
    }
    QLineEdit::focusOutEvent(e);
}
