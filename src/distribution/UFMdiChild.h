#pragma once
// Base of every child window of the main frame.
//
// The window is a QMdiSubWindow: its frame and title bar are the MDI area's, its client
// area (Cliente(), 602 x 341) holds the descendant's controls. Creation follows the
// window framework the rest of the program is written for:
//
//   auto* w = TfMdiChild::Criar<TfrmX>(dono);   // construct, FormCreate, show
//
// Criar constructs the window, runs its creation handler FormCreate (the descendant's
// override calls TfMdiChild::FormCreate first) and shows it in the MDI area of the main
// window (visible as soon as it is created). Errors of FormCreate are reported by the
// standard error report and the window is still created, as the framework does.
//
// Handlers (FormCreate, FormShow, FormClose, FormKeyPress, FormDestroy) are virtual; a
// descendant overriding one calls the base one first. FormShow runs on every show of the
// window while the show handler is bound (SetOnShowLigado). FormDestroy is not called by
// the base destructor (a base destructor cannot reach an override): a descendant that
// has destroy work calls its own FormDestroy from its destructor.
//
// Key preview: every key press typed in a control of this window reaches FormKeyPress
// before the control. FormKeyPress receives the typed character ('\r' for Enter and the
// keypad Enter); setting it to QChar() swallows the key. A control may have a key-press
// handler of its own (DefinirOnKeyPress); it runs after FormKeyPress, unless the key was
// swallowed, and also may swallow it. A key with Alt or Ctrl types nothing: it reaches the
// control without its text (and FormKeyPress not at all).
#include <QChar>
#include <QList>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QPointer>
#include <QVariant>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QMdiArea>
#include <QToolButton>

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// Values of the window tag shared with the minimised placeholders.
namespace tag_janela {
inline constexpr int Minimizada = 99;    // the window is a minimised placeholder
inline constexpr int Restaurando = 100;  // the child is being restored by its placeholder
}  // namespace tag_janela

class TfMdiChild : public QMdiSubWindow {
    Q_OBJECT
public:
    // System-command codes.
    static constexpr unsigned SC_MINIMIZE = 0xF020;
    static constexpr unsigned SC_RESTORE = 0xF120;
    static constexpr unsigned SC_CLOSE = 0xF060;

    // `dono`: the main window (or its QMdiArea) whose MDI area receives the child; with
    // nullptr the main window registered in the system object (FormPrincipal) is used.
    // Without an MDI area the window is a top-level window (normal style).
    explicit TfMdiChild(QWidget* dono = nullptr);
    ~TfMdiChild() override;

    // Constructs a window of class T with (dono, args...), runs its FormCreate and shows it.
    template <class T, class... A>
    static T* Criar(QWidget* dono, A&&... args) {
        T* w = new T(dono, std::forward<A>(args)...);
        w->Inicializar();
        return w;
    }
    // Runs FormCreate (once) and shows the window. Criar calls it.
    void Inicializar();

    // Client area: the descendant's controls go here.
    QWidget* Cliente() const { return cliente_; }
    // The main window's MDI area this child lives in (nullptr for a top-level window).
    QMdiArea* Area() const { return area_; }

    // The window tag, kept as the integer property "Tag" (the placeholders read and write
    // the same property).
    int Tag() const { return property("Tag").toInt(); }
    void SetTag(int t) { setProperty("Tag", t); }

    // True while the window has MDI child style (inside the frame, not hidden to minimise,
    // not modal).
    bool EstiloMdi() const { return estiloMdi_; }
    // Modal flag: set by ShowModal and kept for the rest of the window's life.
    bool Modal() const { return modal_; }
    // Hiding flag: set only while the window hides itself to minimise.
    bool Escondendo() const { return escondendo_; }

    // Shows the window modally (as a top-level dialog, without minimise) and returns its
    // modal result once it is closed or SetModalResult ends it.
    virtual int ShowModal();
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int r);

    // The system-command hook (minimise from the title bar or the window menu).
    virtual void WMSysCommand(unsigned comando);

    // Binding of the show handler: while unbound, showing the window runs no FormShow.
    bool OnShowLigado() const { return onShowLigado_; }
    void SetOnShowLigado(bool ligado) { onShowLigado_ = ligado; }

    // Key preview (on by default). Off for a window whose contents preview their own keys.
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool ligado) { keyPreview_ = ligado; }

    // Gives a control a key-press handler of its own (nullptr function removes it).
    void DefinirOnKeyPress(QWidget* controle, std::function<void(QChar&)> tratador);
    bool TemOnKeyPress(const QWidget* controle) const;

    // The focused control of this window (nullptr when the focus is elsewhere). For a
    // spin box or an editable combo box this is the box, not its inner line edit.
    QWidget* ActiveControl() const;

    // Emptying of the entry controls (see LimpaCampos in the .cpp).
    void LimpaCampos();
    // Stacks the minimised placeholders of the main frame at its left edge.
    void OrganizaMinimizadas();
    // True when the branch requirement is met; warns and returns false otherwise.
    bool FilialPreenchida();

    // Placeholders created by minimising this window that still exist.
    QList<QWidget*> JanelasMinimizadas() const;

    // Title-bar button and its image list.
    QToolButton* cpbLogSis = nullptr;
    QList<QPixmap> ilLogSis;

    // --- handlers ---------------------------------------------------------------------
    virtual void FormCreate();
    virtual void FormShow();
    virtual void FormClose(TCloseAction& acao);
    virtual void FormKeyPress(QChar& key);
    virtual void FormDestroy();
    virtual void cpbLogSisClick();

    // The MDI area of a main window (the window itself, its central widget or a child).
    static QMdiArea* AreaDe(QWidget* janela);
    // Every tag-99 placeholder of an MDI area, stacked as OrganizaMinimizadas does.
    static void OrganizarMinimizadas(QMdiArea* area);
    // Tag of any window of the area: a TfMdiChild's Tag, else the integer property "Tag"
    // of the subwindow or of its widget (0 when none).
    static int TagDe(const QWidget* janela);

protected:
    // FormShow empties the entry controls (LimpaCampos) while this is set.
    bool LimparAoMostrar = true;

    // Minimises into a placeholder (the minimise branch of WMSysCommand).
    virtual void Minimizar();

    void setVisible(bool visible) override;
    void VisibleChanging(bool vaiMostrar);

    bool eventFilter(QObject* obj, QEvent* ev) override;
    void showEvent(QShowEvent* ev) override;
    void closeEvent(QCloseEvent* ev) override;
    void resizeEvent(QResizeEvent* ev) override;
    void mousePressEvent(QMouseEvent* ev) override;
    void mouseReleaseEvent(QMouseEvent* ev) override;
    void mouseDoubleClickEvent(QMouseEvent* ev) override;
    void changeEvent(QEvent* ev) override;

private:
    bool NoBotaoMinimizar(const QPoint& p) const;
    void PosicionarBotaoLog();
    void MontarMenuSistema();

    QWidget* cliente_ = nullptr;
    QPointer<QMdiArea> area_;
    bool modal_ = false;
    bool escondendo_ = false;
    bool estiloMdi_ = false;
    bool onShowLigado_ = true;
    bool keyPreview_ = true;
    bool criado_ = false;
    bool emModal_ = false;
    class QEventLoop* lacoModal_ = nullptr;
    bool pressionouMinimizar_ = false;
    int modalResult_ = 0;
    std::map<const QWidget*, std::function<void(QChar&)>> onKeyPress_;
    std::vector<QMetaObject::Connection> conexoesKeyPress_;
    QList<QPointer<QWidget>> minimizadas_;
};
