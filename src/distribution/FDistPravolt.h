#pragma once
// The distribution window "Distribuição de Serviços Externos": the operator records that a
// production ticket was sent to a workshop ("Saída") or came back ("Retorno").
//
// A child window of the main frame (TfMdiChild). Create it with
//   frmDistServ = TfMdiChild::Criar<TfrmDistServ>(owner);
// which constructs it (controls only), runs FormCreate (parameters, workshop list, date,
// programme field length) and shows it; the first show (FormShow) computes the counters.
// The global reference `frmDistServ` is set by whoever creates the window (the main
// frame) and is emptied when the window is destroyed.
//
// The rules that need no widgets live in UDistRegras.h; the window wires them to its
// controls. Every handler runs inside plat::Protegido.
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/Query.h"
#include "components/uKWButton.h"
#include "distribution/UDistGravacao.h"
#include "distribution/UDistRegras.h"
#include "distribution/UFMdiChild.h"
#include "platform/DataHora.h"
#include "platform/Dinheiro.h"

// Numeric edit: a line edit that holds an exact number of `decimais` decimal places within
// the limits of its column (scaled by 10^decimais) and shows it with a display format
// ("000", "0.0000", " ,0.00;- ,0.00" ...).
//
// What is typed counts at once while it is within the limits (Escalado, valueChanged);
// a text out of them has no value (Valido false) until the field is confirmed: on leaving
// it, or by Confirmar. A confirmed text is the field's value, shown formatted; one out of
// the limits is refused once, with a warning naming the field and its limits, and the
// field shows its last confirmed value again and keeps the focus. Text that is not a
// number (blank, a sign alone) reads as 0.
class TNumEdit : public QLineEdit {
    Q_OBJECT
public:
    TNumEdit(QWidget* parent, int decimais, std::string formato, std::string campo, std::int64_t minimo,
             std::int64_t maximo);

    // The value of the text (scaled by 10^decimais) when it is within the limits.
    std::optional<std::int64_t> ValorDoTexto() const;
    bool Valido() const { return ValorDoTexto().has_value(); }
    // The value in force: the text's while valid, else the last confirmed one.
    std::int64_t Escalado() const;
    plat::Dinheiro Dinheiro() const;  // as money (at most four decimals)
    double Value() const;

    // Shows a value of the program's own (scaled by 10^decimais) as the confirmed value.
    void SetEscalado(std::int64_t v);
    void SetDinheiro(plat::Dinheiro v);  // rounded to the field's decimals
    // Shows that there is no value to show (a result its computation cannot hold).
    void MostrarInvalido();

    // True when `v` (scaled) is within the limits.
    bool Cabe(std::int64_t v) const { return v >= minimo_ && v <= maximo_; }
    std::string MsgLimites() const;

    // Confirms what is typed: true when it is a value within the limits (then shown
    // formatted, unless `formatar` is false). Otherwise the refusal (warning, last
    // confirmed value, focus here) and false; also false, silently, while a refusal has not
    // been followed by an accepted exit or a new edit (a click or accelerator that left the
    // field to save must not save the value put back).
    bool Confirmar(bool formatar = true);

    const std::string& Formato() const { return formato_; }

signals:
    void valueChanged();

protected:
    void focusOutEvent(QFocusEvent* e) override;

private:
    void Mostrar(std::int64_t v);
    void Recusar();

    int decimais_;
    std::string formato_;
    std::string campo_;
    std::int64_t minimo_, maximo_;
    std::int64_t confirmado_ = 0;
    std::optional<std::int64_t> emitido_ = 0;
    bool recusado_ = false;
};

// One workshop of the list, with the counters that exist only in memory.
struct TRegTerc {
    std::int64_t COD_BA = 0;
    std::string NOME_BA;
    db::Value PRECO_BA;
    db::Value GIRO_BA;
    // Counters: empty until something sets them (an empty counter reads as 0).
    std::optional<std::int64_t> QT_DIA, QT_MES, QT_PEND;
};

// A code with its name, for the service-type and sector lists.
struct TRegCodigo {
    std::string codigo, nome;
};

// A row of the local table of overdue open dispatches.
struct TRegServPend {
    std::string PROG, FICHA;
    std::int64_t QTDE = 0;
    double DTSAIDA = 0;
};

class TDmGlobal;

class TfrmDistServ : public TfMdiChild {
    Q_OBJECT
public:
    explicit TfrmDistServ(QWidget* owner);
    ~TfrmDistServ() override;

    // ---- controls -------------------------------------------------------------------
    QFrame* pnTop;
    QLabel* Label1;
    TNumEdit* ceTerc;
    QComboBox* cbTerc;
    QLabel* RxLabel1;
    QDateEdit* deData;
    QComboBox* cbSaidaRetorno;
    QLabel* Label2;
    QLineEdit* edTpServ;
    QComboBox* cbTpServ;
    QLabel* Label4;
    QLineEdit* edSetor;
    QComboBox* cbSetor;

    QFrame* Panel1;
    QLabel *Label5, *Label6, *Label7, *Label8, *Label9, *Label10, *Label11, *Label12, *Label13;
    QLineEdit* edProg;
    QLineEdit* edFicha;
    QLineEdit* edSubF;
    QLineEdit* edProd;
    QLineEdit* edPadron;
    TNumEdit* ceQtPares;
    TNumEdit* cePreco;
    TNumEdit* cePrecoTot;
    QPlainTextEdit* mmoObs;

    QFrame* Panel2;
    // Image buttons naming their action; their image list would be DmGlobal's imPadrao,
    // which this program never creates, so they draw their captions only.
    TKWButton* btGravar;
    TKWButton* btDesistir;
    TKWButton* btFechar;

    QTableWidget* dbgTerc;

    // ---- data sets ------------------------------------------------------------------
    db::Query sqlTerc, sqlProg, sqlSubFichaId, sqlSubFicha, sqlExterno, sqlAtu, sqlPend, sqlPrecoSer, sqlServPend,
        sqlPesqTpServ, sqlPesqSetor;
    std::vector<TRegTerc> cdsTerc;         // active workshops by name, with counters
    std::vector<TRegCodigo> cdsTpServ;     // service types offered for the workshop
    std::vector<TRegCodigo> cdsSetor;      // sectors offered for the workshop
    std::vector<TRegServPend> cdsServPend; // overdue open dispatches

    // ---- state read by tests and by the save -----------------------------------------
    const dist::ParametrosDist& Parametros() const { return par_; }
    const dist::TChaveFicha& Ficha() const { return ficha_; }
    const std::string& FProg() const { return ficha_.prog; }
    const std::string& FFicha() const { return ficha_.ficha; }
    const std::string& FSubFicha() const { return ficha_.subFicha; }
    // What a save would record now, read from the controls.
    dist::TPedidoGravacao Pedido() const;
    dist::EstadoPreco EstadoDoPreco() const { return estadoPreco_; }
    bool ModoSaida() const;
    bool FAutorizado = false;
    const TRegTerc* LocalizarTerc(std::int64_t cod) const;
    int LookupCount() const { return contagemLocaliza_; }  // lookups run (for tests)

    // ---- handlers of the base window ---------------------------------------------------
    void FormCreate() override;
    void FormShow() override;
    void FormKeyPress(QChar& key) override;  // sub-ticket keys to edSubFKeyPress
    void FormDestroy() override;

    // ---- operations -----------------------------------------------------------------
    void LocalizaFicha();
    void BuscaSubFichaPorId(const std::string& codigo);
    void LimpaTela();
    void BuscaPreco();
    void CarregaTiposServico(std::int64_t terc);
    void CarregaSetores(std::int64_t terc);
    void CarregaCodigos(db::Query& pesquisa, std::int64_t terc, const char* campoCod, const char* campoDesc,
                        const char* sqlTodos, std::vector<TRegCodigo>& lista, QComboBox* cb, QLineEdit* ed);

    // ---- recording (the save) -------------------------------------------------------
    void AtualizaContadores(std::int64_t terc);
    bool GiroExcedido();
    bool AutorizaDiretor();
    // Overdue open dispatches of a workshop, service type and sector into cdsServPend
    // (sorted by PROG, then FICHA).
    void CarregaServicosPendentes(const std::string& terc, const std::string& tipo, const std::string& setor);

    // The director's consent (the user validation dialog with the single user "DIRETOR");
    // true only when it was given. Unset: no consent.
    static std::function<bool(QWidget* dono)> ValidarDiretor;
    // The pending-programmes dialog over cdsServPend; true when authorised. Unset: the
    // recording does not go ahead.
    static std::function<bool(TfrmDistServ& janela)> MostrarPendentes;
    // The change audit log of the saves (nullptr: no audit rows), used when the
    // executable's name allows it (see dist::AuditoriaLigada). Its rows are written in the
    // save's transaction.
    static void LigarAuditoria(TDmGlobal* dm);
    // The file name of the running executable (the audit rule reads it).
    std::string NomeExecutavel;

    // ---- handlers -------------------------------------------------------------------
    void ceTercChange();
    void cbTercChange();
    void cbSaidaRetornoChange();
    void edTpServChange();
    void edTpServExit();
    void cbTpServChange();
    void edSetorChange();
    void cbSetorChange();
    void edProdChange();
    void ceQtParesChange();
    void edProgChange();
    void edFichaChange();
    void edProgExit();
    void edFichaExit();
    void edSubFExit();
    void edSubFKeyPress(QChar& key);
    void btDesistirClick();
    void btFecharClick();
    void btGravarClick();
    // The pending list of the grid's workshop in row `linha` (double-click, or F3 on the
    // focused row).
    void AbrirPendencias(int linha);

protected:
    // The exit handlers (focus leaving edProg, edFicha, edSubF, edTpServ).
    bool eventFilter(QObject* obj, QEvent* ev) override;

private:
    void CriarControles();
    void ConectarHandlers();
    void AbrirTerc();
    void CalcularContadores();
    void AtualizarGrade();
    void DefinirChaveCombo(QComboBox* cb, const std::string& chave);
    std::string ChaveCombo(QComboBox* cb) const;
    void PreencherCombo(QComboBox* cb, const std::vector<TRegCodigo>& lista);
    void AplicarEstadoPreco(dist::EstadoPreco e);
    void TravarPreco();
    plat::TDateTime DataJanela() const;
    plat::Dinheiro Preco() const;
    void HabilitarTicket(bool sim);

    dist::ParametrosDist par_;
    dist::TChaveFicha ficha_;
    static TDmGlobal* auditoria_;
    dist::EstadoPreco estadoPreco_ = dist::EstadoPreco::Editavel;
    bool mostrada_ = false;
    bool destruida_ = false;
    bool atualizandoCombo_ = false;
    bool reescrevendoProg_ = false;
    int contagemLocaliza_ = 0;
};

// The distribution window while it exists (empty otherwise).
extern TfrmDistServ* frmDistServ;
