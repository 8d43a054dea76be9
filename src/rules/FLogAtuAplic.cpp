#include "rules/FLogAtuAplic.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "platform/DataHora.h"
#include "platform/Mensagens.h"
#include "platform/Texto.h"
#include "shell/USistema.h"

TfrmLogAtuAplic* frmLogAtuAplic = nullptr;

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The screen cursor back to the default (the creation handler sets the hourglass).
void CursorPadrao() {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

}  // namespace

// The grid's view of cdsLog: a copy of the rows in the record set's current order, taken
// again whenever that order or content changes.
class TdsLog : public QAbstractTableModel {
public:
    struct Linha {
        int versao = 0;
        plat::TDateTime data = 0;
        std::string empresa;
    };

    TdsLog(TfrmLogAtuAplic* form) : QAbstractTableModel(form), form_(form) {}

    void Recarregar(std::vector<Linha> linhas) {
        beginResetModel();
        linhas_ = std::move(linhas);
        endResetModel();
    }
    const Linha* LinhaEm(int i) const {
        return i >= 0 && i < static_cast<int>(linhas_.size()) ? &linhas_[static_cast<std::size_t>(i)] : nullptr;
    }
    void AtualArrumado() {
        if (!linhas_.empty()) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }

    int rowCount(const QModelIndex& pai = {}) const override {
        return pai.isValid() ? 0 : static_cast<int>(linhas_.size());
    }
    int columnCount(const QModelIndex& pai = {}) const override {
        return pai.isValid() ? 0 : static_cast<int>(TfrmLogAtuAplic::ColunasGrade().size());
    }
    QVariant data(const QModelIndex& i, int papel) const override {
        const Linha* l = LinhaEm(i.row());
        if (!l) return {};
        if (papel == Qt::DisplayRole) {
            switch (i.column()) {
                case 0: return QString::number(l->versao);
                case 1: {
                    const bool hora = plat::ParteHora(l->data) != 0;
                    return Q(plat::FormatDateTime(hora ? "dd/mm/yyyy hh:nn:ss" : "dd/mm/yyyy", l->data));
                }
                case 2: return Q(l->empresa);
            }
        } else if (papel == Qt::TextAlignmentRole) {
            // VERSAO and DATA are centred
            return i.column() <= 1 ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
        }
        return {};
    }
    QVariant headerData(int secao, Qt::Orientation o, int papel) const override {
        if (papel != Qt::DisplayRole) return {};
        if (o == Qt::Vertical) return secao + 1 == form_->cdsLog.RecNo() ? QStringLiteral("\u25B8") : QString();
        const auto& cols = TfrmLogAtuAplic::ColunasGrade();
        if (secao < 0 || secao >= static_cast<int>(cols.size())) return {};
        auto* f = form_->cdsLog.FindField(cols[static_cast<std::size_t>(secao)]);
        return f ? Q(f->GetDisplayLabel()) : Q(cols[static_cast<std::size_t>(secao)]);
    }

private:
    TfrmLogAtuAplic* form_;
    std::vector<Linha> linhas_;
};

namespace {

// Hands every cell to the window's draw handler first.
class TDesenhoLog : public QStyledItemDelegate {
public:
    TDesenhoLog(TfrmLogAtuAplic* form) : QStyledItemDelegate(form), form_(form) {}
    void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& i) const override {
        bool desenhou = false;
        if (form_) {
            const bool selecionada = opt.state & QStyle::State_Selected;
            plat::Protegido([&] { desenhou = form_->dbgLogDrawColumnCell(p, opt.rect, i.row(), i.column(), selecionada); });
        }
        if (!desenhou) QStyledItemDelegate::paint(p, opt, i);
    }

private:
    QPointer<TfrmLogAtuAplic> form_;
};

}  // namespace

QVariant TDocumentoSemRecursos::loadResource(int, const QUrl&) {
    ++pedidos_;
    return {};
}

const std::vector<std::string>& TfrmLogAtuAplic::ColunasGrade() {
    static const std::vector<std::string> c{"VERSAO", "DATA", "EMPRESA"};
    return c;
}

TfrmLogAtuAplic::TfrmLogAtuAplic(QWidget* owner, const std::string& programa, const std::string& form)
    : TfrmLogAtuAplic(owner, BuscarVersoes(owner, programa, form)) {}

TfrmLogAtuAplic::TfrmLogAtuAplic(QWidget* owner, std::vector<logaplic::VersaoLog> versoes) : TfMdiChild(owner) {
    setObjectName(QStringLiteral("frmLogAtuAplic"));
    setWindowTitle(QStringLiteral("Atualização do Aplicativo - Log de Versões"));
    cpbLogSis->hide();
    CriarCampos();
    CriarControles();
    FormCreate();
    Preencher(versoes);
}

TfrmLogAtuAplic::~TfrmLogAtuAplic() {
    plat::Protegido([&] { FormDestroy(); });
    cdsLog.AfterScroll = nullptr;
    // The grid goes before cdsLog does: the base destructor hides the window later, and a
    // grid still alive would ask for its titles.
    delete GroupBox1;
    GroupBox1 = nullptr;
    dbgLog = nullptr;
}

void TfrmLogAtuAplic::CriarCampos() {
    cdsLog.Name = "cdsLog";
    cdsLog.AddField("VERSAO", db::DataType::Integer).DisplayLabel = "Versão";
    cdsLog.AddField("EMPRESA", db::DataType::String, 20).DisplayLabel = "Empresa";
    cdsLog.AddField("DESCRICAO", db::DataType::Memo).DisplayLabel = "Descrição";
    db::Field& data = cdsLog.AddField("DATA", db::DataType::DateTime);
    data.DisplayLabel = "Data";
    data.DisplayFormat = "dd/mm/yyyy";
    cdsLog.LogChanges = false;
    cdsLog.CreateDataSet();
    cdsLog.AfterScroll = [this](db::ClientDataSet&) { cdsLogAfterScroll(); };
}

void TfrmLogAtuAplic::CriarControles() {
    QWidget* c = Cliente();
    c->setFixedSize(886, 484);

    GroupBox1 = new QGroupBox(QStringLiteral("Atualizações * "), c);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 329, 410);
    dbgLog = new QTableView(GroupBox1);
    dbgLog->setObjectName(QStringLiteral("dbgLog"));
    auto* l1 = new QVBoxLayout(GroupBox1);
    l1->setContentsMargins(2, 2, 2, 2);
    l1->addWidget(dbgLog);

    dsLog = new TdsLog(this);
    dbgLog->setModel(dsLog);
    dbgLog->setItemDelegate(new TDesenhoLog(this));
    dbgLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgLog->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgLog->setSelectionBehavior(QAbstractItemView::SelectItems);
    dbgLog->setShowGrid(true);
    dbgLog->setAlternatingRowColors(true);
    QPalette pal = dbgLog->palette();
    pal.setColor(QPalette::AlternateBase, QColor(215, 255, 255));
    dbgLog->setPalette(pal);
    dbgLog->setSortingEnabled(false);
    QHeaderView* titulos = dbgLog->horizontalHeader();
    titulos->setSectionsClickable(true);
    titulos->setSortIndicatorShown(false);
    titulos->setSectionResizeMode(QHeaderView::Interactive);
    titulos->setStretchLastSection(true);
    titulos->setFixedHeight(17);
    titulos->setHighlightSections(false);
    QHeaderView* indicador = dbgLog->verticalHeader();
    indicador->setMinimumSectionSize(1);
    indicador->setDefaultSectionSize(17);
    indicador->setSectionResizeMode(QHeaderView::Fixed);
    indicador->setFixedWidth(12);
    dbgLog->setColumnWidth(0, 64);
    dbgLog->setColumnWidth(1, 88);
    connect(titulos, &QHeaderView::sectionClicked, this,
            [this](int coluna) { plat::Protegido([&] { dbgLogTitleClick(coluna); }); });
    connect(dbgLog->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& atual, const QModelIndex&) {
                if (sincronizando_ || !atual.isValid() || atual.row() + 1 == cdsLog.RecNo()) return;
                plat::Protegido([&] { cdsLog.SetRecNo(atual.row() + 1); });
            });

    GroupBox2 = new QGroupBox(QStringLiteral("Descrição da Atualização"), c);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(344, 8, 534, 410);
    WebBrowser1 = new QTextBrowser(GroupBox2);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setDocument(new TDocumentoSemRecursos(WebBrowser1));
    WebBrowser1->setOpenLinks(false);
    WebBrowser1->setOpenExternalLinks(false);
    WebBrowser1->setReadOnly(true);
    auto* l2 = new QVBoxLayout(GroupBox2);
    l2->setContentsMargins(2, 2, 2, 2);
    l2->addWidget(WebBrowser1);

    Label1 = new QLabel(QStringLiteral("* As versões marcadas em vermelho, não estão valendo para esse sistema. "
                                       "Atualize o Sistema clicando em SISTEMA>ATUALIZAR APLICATIVO."),
                        c);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 422, 870, 17);
    QPalette vermelho = Label1->palette();
    vermelho.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label1->setPalette(vermelho);

    Panel1 = new QFrame(c);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setGeometry(0, 443, 886, 41);
    BitBtn1 = new QPushButton(QStringLiteral("&Fechar"), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(886 - 8 - 75, 8, 75, 25);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { plat::Protegido([&] { BitBtn1Click(); }); });

    adjustSize();
}

void TfrmLogAtuAplic::CarregarLog(const std::string& programa, const std::string& form) {
    Preencher(BuscarVersoes(this, programa, form));
}

void TfrmLogAtuAplic::Preencher(const std::vector<logaplic::VersaoLog>& versoes) {
    // Rows are appended without following each one in the description pane; the first row
    // is shown once the list is complete.
    sincronizando_ = true;
    try {
        cdsLog.CreateDataSet();  // empty
        for (const auto& v : versoes) {
            cdsLog.Append();
            cdsLog.FieldByName("VERSAO").SetAsInteger(v.versao);
            cdsLog.FieldByName("DATA").SetAsDateTime(v.data);
            cdsLog.FieldByName("DESCRICAO").SetAsString(v.descricao);
            cdsLog.FieldByName("EMPRESA").SetAsString(v.empresa);
            cdsLog.Post();
        }
    } catch (...) {
        sincronizando_ = false;
        throw;
    }
    sincronizando_ = false;
    cdsLog.First();
    SincronizarGrade();
}

void TfrmLogAtuAplic::SincronizarGrade() {
    std::vector<TdsLog::Linha> linhas;
    const int atual = cdsLog.RecNo();
    sincronizando_ = true;
    try {
        for (cdsLog.First(); !cdsLog.Eof(); cdsLog.Next()) {
            TdsLog::Linha l;
            l.versao = static_cast<int>(cdsLog.FieldByName("VERSAO").AsInteger());
            l.data = cdsLog.FieldByName("DATA").AsDateTime();
            l.empresa = cdsLog.FieldByName("EMPRESA").AsString();
            linhas.push_back(std::move(l));
        }
        if (atual > 0) cdsLog.SetRecNo(atual);
        const int coluna = std::max(0, dbgLog->currentIndex().column());
        dsLog->Recarregar(std::move(linhas));
        if (atual > 0) dbgLog->setCurrentIndex(dsLog->index(atual - 1, coluna));
    } catch (...) {
        sincronizando_ = false;
        throw;
    }
    sincronizando_ = false;
}

void TfrmLogAtuAplic::ExibirHtml(QTextBrowser* browser, const std::string& html) {
    if (!browser) return;
    browser->clear();
    if (!html.empty()) browser->setHtml(Q(html));
}

// --- handlers ------------------------------------------------------------------------

void TfrmLogAtuAplic::BitBtn1Click() {
    if (Modal()) SetModalResult(2);  // cancel: ends the modal run and closes
    else close();
}

bool TfrmLogAtuAplic::Destaque(int versao, bool selecionada, CoresDestaque& cores) {
    if (!logaplic::Pendente(versao)) return false;
    cores = selecionada ? CoresDestaque{QColor(0, 128, 255), QColor(255, 255, 255)}
                        : CoresDestaque{QColor(255, 128, 128), QColor(0, 0, 0)};
    return true;
}

bool TfrmLogAtuAplic::dbgLogDrawColumnCell(QPainter* p, const QRect& rect, int linha, int coluna, bool selecionada) {
    const TdsLog::Linha* l = dsLog->LinhaEm(linha);
    CoresDestaque cores;
    if (!l || !Destaque(l->versao, selecionada, cores)) return false;
    const QModelIndex i = dsLog->index(linha, coluna);
    p->save();
    p->fillRect(rect, cores.fundo);
    p->setPen(cores.texto);
    p->drawText(rect.adjusted(2, 0, -2, 0), dsLog->data(i, Qt::TextAlignmentRole).toInt(),
                dsLog->data(i, Qt::DisplayRole).toString());
    p->restore();
    return true;
}

void TfrmLogAtuAplic::dbgLogTitleClick(int coluna) {
    const auto& cols = ColunasGrade();
    if (coluna < 0 || coluna >= static_cast<int>(cols.size())) return;
    cdsLog.SetIndexFieldNames(cols[static_cast<std::size_t>(coluna)]);
    QHeaderView* titulos = dbgLog->horizontalHeader();
    titulos->setSortIndicatorShown(true);
    titulos->setSortIndicator(coluna, Qt::AscendingOrder);
    SincronizarGrade();
}

void TfrmLogAtuAplic::cdsLogAfterScroll() {
    if (sincronizando_) return;
    ExibirHtml(WebBrowser1, cdsLog.IsEmpty() ? std::string() : cdsLog.FieldByName("DESCRICAO").AsString());
    const int atual = cdsLog.RecNo();
    if (atual > 0 && dbgLog->currentIndex().row() != atual - 1) {
        sincronizando_ = true;
        dbgLog->setCurrentIndex(dsLog->index(atual - 1, std::max(0, dbgLog->currentIndex().column())));
        sincronizando_ = false;
    }
    dsLog->AtualArrumado();
}

void TfrmLogAtuAplic::FormDestroy() {
    TfMdiChild::FormDestroy();
    if (frmLogAtuAplic == this) frmLogAtuAplic = nullptr;
}

// --- the fetch without blocking -----------------------------------------------------------

namespace {

// Runs one libcurl transfer from Qt's event loop through the multi interface: libcurl says
// which sockets to watch (a read and a write notifier per socket, enabled as asked) and
// when to be called back (a single-shot timer, which also carries the time-outs); nothing
// waits. The end is handed over from the event loop, never from inside libcurl's call.
class TTransferenciaQt {
public:
    TTransferenciaQt(CURL* easy, std::function<void(CURLcode)> fim) : easy_(easy), fim_(std::move(fim)) {
        multi_ = curl_multi_init();
        if (!multi_) throw std::bad_alloc();
        curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &TTransferenciaQt::Socket);
        curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &TTransferenciaQt::Relogio);
        curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
        relogio_.setSingleShot(true);
        QObject::connect(&relogio_, &QTimer::timeout, &contexto_, [this] { Agir(CURL_SOCKET_TIMEOUT, 0); });
        if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) {
            curl_multi_cleanup(multi_);
            throw std::bad_alloc();
        }
        ativa_ = true;
    }
    ~TTransferenciaQt() {
        Cancelar();
        vigias_.clear();
        curl_multi_cleanup(multi_);
    }
    TTransferenciaQt(const TTransferenciaQt&) = delete;
    TTransferenciaQt& operator=(const TTransferenciaQt&) = delete;

    // Ends the transfer (its connection is closed); the end is not reported.
    void Cancelar() noexcept {
        if (!ativa_) return;
        ativa_ = false;
        relogio_.stop();
        curl_multi_remove_handle(multi_, easy_);
    }

private:
    struct Vigias {
        std::unique_ptr<QSocketNotifier> leitura, escrita;
    };

    // libcurl's callbacks are C frames: nothing may be thrown through them (only an allocation
    // could fail here); -1 makes libcurl end the transfer with an error instead.
    static int Socket(CURL*, curl_socket_t s, int oque, void* usuario, void*) noexcept {
        try {
            auto* self = static_cast<TTransferenciaQt*>(usuario);
            Vigias& v = self->vigias_[s];
            const bool ler = oque == CURL_POLL_IN || oque == CURL_POLL_INOUT;
            const bool escrever = oque == CURL_POLL_OUT || oque == CURL_POLL_INOUT;
            self->Vigiar(v.leitura, s, QSocketNotifier::Read, ler, CURL_CSELECT_IN);
            self->Vigiar(v.escrita, s, QSocketNotifier::Write, escrever, CURL_CSELECT_OUT);
            return 0;
        } catch (...) {
            return -1;
        }
    }

    // Notifiers are only switched off, never deleted while the transfer runs (one may be
    // the sender of the signal that is being handled).
    void Vigiar(std::unique_ptr<QSocketNotifier>& n, curl_socket_t s, QSocketNotifier::Type tipo, bool ligado,
                int evento) {
        if (ligado && !n) {
            n = std::make_unique<QSocketNotifier>(static_cast<qintptr>(s), tipo);
            QObject::connect(n.get(), &QSocketNotifier::activated, &contexto_,
                             [this, s, evento] { Agir(s, evento); });
        }
        if (n) n->setEnabled(ligado);
    }

    static int Relogio(CURLM*, long ms, void* usuario) noexcept {
        try {
            auto* self = static_cast<TTransferenciaQt*>(usuario);
            if (ms < 0) self->relogio_.stop();
            else self->relogio_.start(static_cast<int>(std::min<long>(ms, INT_MAX)));
            return 0;
        } catch (...) {
            return -1;
        }
    }

    void Agir(curl_socket_t s, int eventos) {
        if (!ativa_) return;
        int correndo = 0;
        curl_multi_socket_action(multi_, s, eventos, &correndo);
        int restantes = 0;
        while (CURLMsg* m = curl_multi_info_read(multi_, &restantes)) {
            if (m->msg != CURLMSG_DONE || m->easy_handle != easy_) continue;
            const CURLcode resultado = m->data.result;
            Cancelar();
            QTimer::singleShot(0, &contexto_, [this, resultado] { fim_(resultado); });
            return;
        }
    }

    CURLM* multi_ = nullptr;
    CURL* easy_;
    std::function<void(CURLcode)> fim_;
    bool ativa_ = false;
    std::map<curl_socket_t, Vigias> vigias_;
    QTimer relogio_;
    QObject contexto_;  // receiver of every connection: goes first, so nothing arrives late
};

}  // namespace

std::vector<logaplic::VersaoLog> BuscarVersoes(QWidget* dono, const std::string& programa, const std::string& form) {
    const logaplic::Ambiente& a = logaplic::AmbienteAtual();
    const logaplic::PedidoVersoes pedido = logaplic::PrepararPedido(programa, form);
    logaplic::Requisicao req(pedido.url, pedido.corpo, a.tempoConexaoMs, a.tempoTotalMs);

    QProgressDialog espera(dono);
    espera.setObjectName(QStringLiteral("dlgEsperaLog"));
    espera.setWindowTitle(QStringLiteral("Atualização do Aplicativo - Log de Versões"));
    espera.setLabelText(Q("Consultando o log de atualizações em " + pedido.url + " ..."));
    espera.setCancelButtonText(QStringLiteral("Cancelar"));
    espera.setRange(0, 0);  // no measure of progress: a busy indicator
    espera.setAutoClose(false);
    espera.setAutoReset(false);
    espera.setMinimumDuration(0);
    espera.setWindowModality(Qt::ApplicationModal);

    QEventLoop laco;
    std::optional<CURLcode> resultado;
    bool cancelado = false;
    TTransferenciaQt transferencia(req.Handle(), [&](CURLcode r) {
        resultado = r;
        laco.quit();
    });
    auto cancelar = [&] {
        if (resultado) return;
        cancelado = true;
        transferencia.Cancelar();
        laco.quit();
    };
    QObject::connect(&espera, &QProgressDialog::canceled, &laco, cancelar);
    QObject::connect(&espera, &QDialog::rejected, &laco, cancelar);
    // The hourglass of a window being created would hide that the wait can be cancelled.
    const bool ampulheta = QApplication::overrideCursor() != nullptr;
    if (ampulheta) QApplication::setOverrideCursor(Qt::ArrowCursor);
    espera.show();
    if (!resultado && !cancelado) laco.exec();
    espera.hide();
    if (ampulheta) QApplication::restoreOverrideCursor();
    if (!resultado) plat::Abort();
    return logaplic::VersoesListadas(req.Concluir(*resultado), pedido);
}

// --- the title-bar button ----------------------------------------------------------------

std::string NomeComponente(const QWidget* janela) {
    if (!janela) return {};
    QString nome = janela->objectName();
    if (nome.isEmpty()) {
        nome = QString::fromLatin1(janela->metaObject()->className());
        if (nome.startsWith(QLatin1Char('T'))) nome.remove(0, 1);
    }
    return plat::MaiusculasAscii(nome.toStdString());
}

void AbrirLogAtuAplic(TfMdiChild* janela) {
    if (!frmLogAtuAplic) {
        // Fetched before the window exists: the wait is shown without the creation's hourglass.
        std::vector<logaplic::VersaoLog> versoes =
            BuscarVersoes(janela, plat::MaiusculasAscii("KWX"), NomeComponente(janela));
        try {
            frmLogAtuAplic = new TfrmLogAtuAplic(janela, std::move(versoes));
        } catch (...) {
            CursorPadrao();  // the failed construction leaves no hourglass behind
            throw;
        }
    }
    QPointer<TfrmLogAtuAplic> log(frmLogAtuAplic);
    QPointer<TfMdiChild> chamador(janela);
    struct Destruir {
        QPointer<TfrmLogAtuAplic>& log;
        QPointer<TfMdiChild>& chamador;
        ~Destruir() {
            delete log.data();
            frmLogAtuAplic = nullptr;
            if (chamador && SistemaCriado() && !Sistema().JanelaAtiva) Sistema().JanelaAtiva = chamador.data();
        }
    } destruir{log, chamador};
    log->ShowModal();
}
