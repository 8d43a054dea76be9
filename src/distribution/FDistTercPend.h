#pragma once
// "Pendências do Terceirizado": the open dispatches of one workshop, opened from the
// distribution window's grid (double-click on the workshop's row, or F3 on it).
//
// A child window of the main frame (TfMdiChild), created with
//   TfrmDistTercPend::Abrir(dono, codigo);
// which brings forward the workshop's window when one is open already. The list is read
// at creation, on F5 and after each save of the distribution window that touches the
// workshop (AtualizarTerceirizado); a click on a column title sorts by it, the service-type
// pick list filters, and the totals follow what is shown. "Imprimir" previews the list as
// shown (A4), "Exportar" writes it as CSV, "Romaneio" prints the dispatch slip of a day.
// The reading, totals, CSV and report contents are UDistTercPend's; this unit shows them
// and paints the reports. Every handler runs inside plat::Protegido.
#include <QAbstractTableModel>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "components/uKWButton.h"
#include "distribution/UDistTercPend.h"
#include "distribution/UFMdiChild.h"
#include "platform/DataHora.h"

class QComboBox;
class QFrame;
class QLabel;
class QPrinter;
class QTableView;

// The rows of a pending list as a table: the list's rows in the order and selection given.
class TModeloPendencias : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TModeloPendencias(QObject* parent = nullptr);

    // Shows `lista`'s rows of `tipo` ("" = all) in the current order.
    void Definir(const dist::TListaPendencias* lista, const std::string& tipo);
    const std::vector<std::size_t>& Indices() const { return indices_; }
    dist::ColunaPend ColunaOrdem() const { return coluna_; }
    bool Crescente() const { return crescente_; }

    int rowCount(const QModelIndex& pai = {}) const override;
    int columnCount(const QModelIndex& pai = {}) const override;
    QVariant data(const QModelIndex& indice, int papel) const override;
    QVariant headerData(int secao, Qt::Orientation orientacao, int papel) const override;
    void sort(int coluna, Qt::SortOrder ordem) override;

private:
    void Ordenar();
    const dist::TListaPendencias* lista_ = nullptr;
    std::string tipo_;
    std::vector<std::size_t> indices_;
    dist::ColunaPend coluna_ = dist::ColunaPend::Saida;
    bool crescente_ = true;
};

class TfrmDistTercPend : public TfMdiChild {
    Q_OBJECT
public:
    TfrmDistTercPend(QWidget* dono, std::int64_t terceirizado);
    ~TfrmDistTercPend() override;

    // The workshop's window, brought forward and read again, or a new one. `dono` as for
    // TfMdiChild (the frame's MDI area).
    static TfrmDistTercPend* Abrir(QWidget* dono, std::int64_t terceirizado);
    // Reads again the lists of the workshop that are open (after a save that touched it).
    static void AtualizarTerceirizado(std::int64_t terceirizado);
    // The open window of the workshop (nullptr when none).
    static TfrmDistTercPend* Aberta(std::int64_t terceirizado);

    // How a file name is chosen to save into: a save dialog unless replaced (tests).
    // Returns "" when the person gives up.
    static std::function<std::string(QWidget* dono, const std::string& titulo, const std::string& sugestao,
                                     const std::string& filtro)>
        EscolherArquivo;

    // ---- controls -------------------------------------------------------------------
    QFrame* pnTop;
    QLabel* lbTpServ;
    QComboBox* cbTpServ;  // "Todos" and the service types the list holds
    TKWButton* btImprimir;
    TKWButton* btExportar;
    TKWButton* btRomaneio;
    TKWButton* btFechar;
    QTableView* dbgPend;
    TModeloPendencias* mdlPend;
    QFrame* pnTotais;
    QLabel* lbTotais;
    QLabel* lbStatus;

    // ---- state read by tests --------------------------------------------------------
    std::int64_t Terceirizado() const { return terceirizado_; }
    const dist::TListaPendencias& Lista() const { return lista_; }
    dist::TTotaisPend Totais() const;
    int Carregamentos() const { return carregamentos_; }

    // ---- handlers of the base window ---------------------------------------------------
    void FormCreate() override;
    void FormKeyPress(QChar& key) override;  // Enter on a focused button presses it

    // ---- operations -----------------------------------------------------------------
    // Reads the list (F5); the filter and order stay. A workshop removed meanwhile leaves
    // an empty list and a warning.
    void Carregar();
    void cbTpServChange();
    void btImprimirClick();
    void btExportarClick();
    void btRomaneioClick();
    void btFecharClick();
    // Ctrl+O: sorts by the current cell's column, as a click on its title does.
    void OrdenarPelaColunaAtual();

    // The list as shown, as a report (for the print preview).
    dist::TRelatorio Relatorio() const;

private:
    void CriarControles();
    void PreencherTipos();
    void AtualizarTotais();
    std::string TipoEscolhido() const;

    std::int64_t terceirizado_;
    dist::TListaPendencias lista_;
    int carregamentos_ = 0;
    bool preenchendoTipos_ = false;
};

// ---- reports on paper ------------------------------------------------------------------

// Paints the report on the printer's pages (A4 portrait unless the printer says otherwise):
// on every page the company, the title, the header lines, the moment of printing and
// "Página n de N"; after the last row the totals, notes and signature lines. Returns the
// number of pages.
int ImprimirRelatorio(const dist::TRelatorio& relatorio, QPrinter& impressora);
// A4 portrait with the report's margins.
void PrepararImpressora(QPrinter& impressora);
// Writes the report as a PDF file, whole or not at all (dist::EGravacaoArquivo).
void SalvarPdf(const dist::TRelatorio& relatorio, const std::string& caminho);
// The print preview of the report, from which it is printed or saved as PDF. Modal.
void VisualizarRelatorio(QWidget* dono, const dist::TRelatorio& relatorio, const std::string& nomePdf);
// Asks the day of the dispatch slip (starting at `dia`); false when given up.
bool EscolherDiaRomaneio(QWidget* dono, plat::TDateTime& dia);
