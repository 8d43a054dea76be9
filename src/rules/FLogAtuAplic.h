#pragma once
// The application update log: the program's release history, fetched from the maker's
// web service when the window is built. Left, the versions (number, date, company), the
// ones newer than the running build highlighted; right, the selected version's HTML
// description, rendered in place without any file or network access.
//
// Opened by the title-bar button of every child window (AbrirLogAtuAplic): the list is
// fetched first without blocking the event loop (BuscarVersoes: a wait with "Cancelar"),
// then the window is built, shown modally and destroyed when closed. An error or a cancel
// of the fetch opens nothing.
#include <QColor>
#include <QTextBrowser>
#include <QTextDocument>

#include <string>
#include <vector>

#include "db/ClientDataSet.h"
#include "distribution/UFMdiChild.h"
#include "rules/ULogAtuAplic.h"

class QGroupBox;
class QLabel;
class QPainter;
class QPushButton;
class QTableView;
class QFrame;
class TdsLog;

// Document that resolves no external resource: images, style sheets and the like named
// by a description are never read from disk or the network.
class TDocumentoSemRecursos : public QTextDocument {
    Q_OBJECT
public:
    using QTextDocument::QTextDocument;
    int RecursosPedidos() const { return pedidos_; }

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    int pedidos_ = 0;
};

class TfrmLogAtuAplic : public TfMdiChild {
    Q_OBJECT
public:
    // Builds the window (hidden) with the list fetched first (BuscarVersoes); errors reach
    // the caller.
    TfrmLogAtuAplic(QWidget* owner, const std::string& programa, const std::string& form);
    // Builds the window (hidden) listing the versions given.
    TfrmLogAtuAplic(QWidget* owner, std::vector<logaplic::VersaoLog> versoes);
    ~TfrmLogAtuAplic() override;

    void CarregarLog(const std::string& programa, const std::string& form);
    void Preencher(const std::vector<logaplic::VersaoLog>& versoes);
    static void ExibirHtml(QTextBrowser* browser, const std::string& html);

    // --- handlers ---------------------------------------------------------------------
    void BitBtn1Click();
    // Draws the cell (`linha`, `coluna`) of the grid when its row must stand out; returns
    // false to leave the cell to the grid's own drawing.
    bool dbgLogDrawColumnCell(QPainter* p, const QRect& rect, int linha, int coluna, bool selecionada);
    void dbgLogTitleClick(int coluna);
    void cdsLogAfterScroll();
    void FormDestroy() override;

    // The colours of a highlighted cell (background, text); none for a normal row.
    struct CoresDestaque {
        QColor fundo, texto;
    };
    static bool Destaque(int versao, bool selecionada, CoresDestaque& cores);

    // --- controls ---------------------------------------------------------------------
    QGroupBox* GroupBox1 = nullptr;
    QTableView* dbgLog = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QTextBrowser* WebBrowser1 = nullptr;
    QLabel* Label1 = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    TdsLog* dsLog = nullptr;  // the grid's view of cdsLog
    db::ClientDataSet cdsLog;

    // Field names of the grid's columns, in order.
    static const std::vector<std::string>& ColunasGrade();

private:
    void CriarControles();
    void CriarCampos();
    void SincronizarGrade();

    bool sincronizando_ = false;
};

// Fetches the versions for `programa` and `form` without blocking the thread's event loop:
// the request runs in libcurl's multi interface driven by that loop (socket notifiers and
// a timer) while an application-modal wait dialog ("Cancelar", object name "dlgEsperaLog")
// is shown over `dono`. Cancelling (the button, Escape, closing) ends the request and
// raises plat::EAbort (nothing shown); errors as logaplic::CarregarVersoes.
std::vector<logaplic::VersaoLog> BuscarVersoes(QWidget* dono, const std::string& programa, const std::string& form);

// The update log window that is open (modal), if any.
extern TfrmLogAtuAplic* frmLogAtuAplic;

// The title-bar button of a child window: builds a log window for it with "KWX" and the
// window's component name upper-cased, shows it modally and destroys it when it closes.
// Errors of the fetch reach the caller (the button's handler shows them).
void AbrirLogAtuAplic(TfMdiChild* janela);

// The component name used as "form" for a child window: its object name, upper-cased
// (the class name without its leading "T" when the window has no object name).
std::string NomeComponente(const QWidget* janela);
