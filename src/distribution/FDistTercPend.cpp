#include "distribution/FDistTercPend.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>

#include "db/Connection.h"
#include "platform/Mensagens.h"
#include "rules/FFormJanelaMinimizada.h"
#include "shell/UServicosSistema.h"

using namespace dist;

namespace {

QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string S(const QString& s) {
    return s.toStdString();
}

const QColor kAtrasada(255, 205, 205);
const QColor kTextoAtrasada(150, 0, 0);

// The windows open, for AtualizarTerceirizado and Abrir.
QList<QPointer<TfrmDistTercPend>>& Abertas() {
    static QList<QPointer<TfrmDistTercPend>> l;
    return l;
}

// The hourglass while the list is read; put back on every path.
struct Ampulheta {
    Ampulheta() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Ampulheta() { QApplication::restoreOverrideCursor(); }
};

// Day counts <-> calendar dates, by the count alone (no time zone takes part).
QDate DataQt(plat::TDateTime d) {
    return QDate(1899, 12, 30).addDays(static_cast<qint64>(std::llround(plat::ParteData(d))));
}
plat::TDateTime DataDia(const QDate& d) {
    return plat::EncodeDate(d.year(), d.month(), d.day());
}

std::string DataNomeArquivo(plat::TDateTime d) {
    return plat::FormatDateTime("yyyy-mm-dd", d);
}

std::string PastaSugerida() {
    return S(QDir::homePath());
}

}  // namespace

// =====================================================================================
// Model

TModeloPendencias::TModeloPendencias(QObject* parent) : QAbstractTableModel(parent) {}

void TModeloPendencias::Definir(const TListaPendencias* lista, const std::string& tipo) {
    beginResetModel();
    lista_ = lista;
    tipo_ = tipo;
    Ordenar();
    endResetModel();
}

void TModeloPendencias::Ordenar() {
    indices_ = lista_ ? FiltrarPendencias(lista_->linhas, tipo_) : std::vector<std::size_t>{};
    // The rows come oldest first: that order needs no sort.
    if (lista_ && !(coluna_ == ColunaPend::Saida && crescente_))
        OrdenarPendencias(indices_, lista_->linhas, coluna_, crescente_);
}

void TModeloPendencias::sort(int coluna, Qt::SortOrder ordem) {
    if (coluna < 0 || coluna >= kColunasPend) return;
    // a layout change, not a reset: the current row and the selection follow their rows
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList antes = persistentIndexList();
    std::vector<std::size_t> linhas;
    for (const QModelIndex& i : antes) linhas.push_back(indices_[static_cast<std::size_t>(i.row())]);
    coluna_ = static_cast<ColunaPend>(coluna);
    crescente_ = ordem == Qt::AscendingOrder;
    Ordenar();
    if (!antes.isEmpty()) {
        std::vector<int> posicao(lista_ ? lista_->linhas.size() : 0, -1);
        for (std::size_t r = 0; r < indices_.size(); ++r) posicao[indices_[r]] = static_cast<int>(r);
        QModelIndexList depois;
        for (qsizetype k = 0; k < antes.size(); ++k)
            depois << index(posicao[linhas[static_cast<std::size_t>(k)]], antes[k].column());
        changePersistentIndexList(antes, depois);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int TModeloPendencias::rowCount(const QModelIndex& pai) const {
    return pai.isValid() ? 0 : static_cast<int>(indices_.size());
}

int TModeloPendencias::columnCount(const QModelIndex& pai) const {
    return pai.isValid() ? 0 : kColunasPend;
}

QVariant TModeloPendencias::data(const QModelIndex& indice, int papel) const {
    if (!lista_ || !indice.isValid() || indice.row() >= rowCount()) return {};
    const TPendencia& p = lista_->linhas[indices_[static_cast<std::size_t>(indice.row())]];
    const auto coluna = static_cast<ColunaPend>(indice.column());
    switch (papel) {
        case Qt::DisplayRole:
            return Q(TextoColunaPend(p, coluna));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(ColunaNumerica(coluna)
                                                         ? Qt::AlignRight | Qt::AlignVCenter
                                                         : Qt::AlignLeft | Qt::AlignVCenter));
        case Qt::BackgroundRole:
            return p.atrasada ? QVariant(QBrush(kAtrasada)) : QVariant();
        case Qt::ForegroundRole:
            return p.atrasada && coluna == ColunaPend::DiasUteis ? QVariant(QBrush(kTextoAtrasada))
                                                                 : QVariant();
        case Qt::ToolTipRole:
            return p.atrasada
                       ? Q("Atrasada: saída anterior a " + plat::FormatDateTime("dd/mm/yyyy", lista_->corte) +
                           " (" + std::to_string(kDiasUteisAtraso) + " dias úteis).")
                       : QVariant();
        default:
            return {};
    }
}

QVariant TModeloPendencias::headerData(int secao, Qt::Orientation orientacao, int papel) const {
    if (orientacao != Qt::Horizontal || secao < 0 || secao >= kColunasPend) return {};
    if (papel == Qt::DisplayRole) return Q(TituloColunaPend(static_cast<ColunaPend>(secao)));
    if (papel == Qt::InitialSortOrderRole) return static_cast<int>(Qt::AscendingOrder);
    return {};
}

// =====================================================================================
// Window

std::function<std::string(QWidget*, const std::string&, const std::string&, const std::string&)>
    TfrmDistTercPend::EscolherArquivo;

namespace {

// A file name to save into: the replaceable choice, else a save dialog that adds the
// extension when none is typed.
std::string EscolherNome(QWidget* dono, const std::string& titulo, const std::string& sugestao,
                         const std::string& filtro, const char* extensao) {
    if (TfrmDistTercPend::EscolherArquivo)
        return TfrmDistTercPend::EscolherArquivo(dono, titulo, sugestao, filtro);
    QFileDialog d(dono, Q(titulo));
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    d.setNameFilter(Q(filtro));
    d.setDefaultSuffix(QString::fromLatin1(extensao));
    d.selectFile(Q(sugestao));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
    return S(d.selectedFiles().constFirst());
}

std::string Codigo3(std::int64_t codigo) {
    return NomeTerceirizado({codigo, {}});
}

}  // namespace

TfrmDistTercPend::TfrmDistTercPend(QWidget* dono, std::int64_t terceirizado)
    : TfMdiChild(dono), terceirizado_(terceirizado) {
    setObjectName(QStringLiteral("frmDistTercPend"));
    lista_.terc.codigo = terceirizado;
    CriarControles();
    setWindowTitle(Q("Pendências do Terceirizado " + NomeTerceirizado(lista_.terc)));
    Abertas().append(QPointer<TfrmDistTercPend>(this));
}

TfrmDistTercPend::~TfrmDistTercPend() {
    Abertas().removeIf([this](const QPointer<TfrmDistTercPend>& p) { return !p || p.data() == this; });
}

TfrmDistTercPend* TfrmDistTercPend::Aberta(std::int64_t terceirizado) {
    for (const auto& p : Abertas())
        if (p && p->terceirizado_ == terceirizado) return p.data();
    return nullptr;
}

TfrmDistTercPend* TfrmDistTercPend::Abrir(QWidget* dono, std::int64_t terceirizado) {
    TfrmDistTercPend* w = Aberta(terceirizado);
    // minimised: its placeholder restores it
    if (w && !w->isVisible())
        for (QWidget* p : w->JanelasMinimizadas())
            if (auto* m = qobject_cast<TfrmFormJanelaMinimizada*>(p)) {
                m->Restaurar();
                break;
            }
    if (w && w->isVisible()) {
        if (w->Area()) w->Area()->setActiveSubWindow(w);
        w->raise();
        w->activateWindow();
        plat::Protegido([w] { w->Carregar(); });
        return w;
    }
    return TfMdiChild::Criar<TfrmDistTercPend>(dono, terceirizado);
}

void TfrmDistTercPend::AtualizarTerceirizado(std::int64_t terceirizado) {
    const auto abertas = Abertas();
    for (const auto& p : abertas)
        if (p && p->terceirizado_ == terceirizado) plat::Protegido([&p] { p->Carregar(); });
}

void TfrmDistTercPend::CriarControles() {
    QWidget* cli = Cliente();
    cli->setFixedSize(860, 480);
    auto* raiz = new QVBoxLayout(cli);
    raiz->setContentsMargins(2, 2, 2, 2);
    raiz->setSpacing(2);

    pnTop = new QFrame(cli);
    pnTop->setObjectName(QStringLiteral("pnTop"));
    pnTop->setFrameShape(QFrame::StyledPanel);
    auto* ht = new QHBoxLayout(pnTop);
    ht->setContentsMargins(6, 4, 6, 4);
    lbTpServ = new QLabel(QStringLiteral("&Tipo de Serviço"), pnTop);
    cbTpServ = new QComboBox(pnTop);
    cbTpServ->setObjectName(QStringLiteral("cbTpServ"));
    cbTpServ->setMinimumWidth(260);
    cbTpServ->setMaxVisibleItems(12);
    lbTpServ->setBuddy(cbTpServ);
    btImprimir = new TKWButton(QStringLiteral("&Imprimir"), pnTop);
    btImprimir->setObjectName(QStringLiteral("btImprimir"));
    btImprimir->SetAction("IMPRIMIR");
    btExportar = new TKWButton(QStringLiteral("E&xportar"), pnTop);
    btExportar->setObjectName(QStringLiteral("btExportar"));
    btExportar->SetAction("EXPORTAR");
    btRomaneio = new TKWButton(QStringLiteral("&Romaneio"), pnTop);
    btRomaneio->setObjectName(QStringLiteral("btRomaneio"));
    btRomaneio->SetAction("ROMANEIO");
    btFechar = new TKWButton(QStringLiteral("&Fechar"), pnTop);
    btFechar->setObjectName(QStringLiteral("btFechar"));
    btFechar->SetAction("FECHAR");
    ht->addWidget(lbTpServ);
    ht->addWidget(cbTpServ);
    ht->addStretch();
    for (TKWButton* b : {btImprimir, btExportar, btRomaneio, btFechar}) {
        b->SetImageList(nullptr);  // captions only, as the distribution window's buttons
        b->setFocusPolicy(Qt::StrongFocus);
        b->setMinimumWidth(90);
        ht->addWidget(b);
    }
    raiz->addWidget(pnTop);

    dbgPend = new QTableView(cli);
    dbgPend->setObjectName(QStringLiteral("dbgPend"));
    mdlPend = new TModeloPendencias(dbgPend);
    dbgPend->setModel(mdlPend);
    dbgPend->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgPend->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgPend->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgPend->setWordWrap(false);
    dbgPend->verticalHeader()->setVisible(false);
    dbgPend->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    dbgPend->verticalHeader()->setDefaultSectionSize(18);
    const int larguras[kColunasPend] = {80, 50, 60, 180, 45, 80, 70, 60, 95, 100};
    for (int c = 0; c < kColunasPend; ++c) dbgPend->setColumnWidth(c, larguras[c]);
    dbgPend->horizontalHeader()->setStretchLastSection(true);
    dbgPend->horizontalHeader()->setSortIndicator(static_cast<int>(ColunaPend::Saida), Qt::AscendingOrder);
    dbgPend->setSortingEnabled(true);
    raiz->addWidget(dbgPend, 1);

    pnTotais = new QFrame(cli);
    pnTotais->setObjectName(QStringLiteral("pnTotais"));
    pnTotais->setFrameShape(QFrame::StyledPanel);
    auto* hb = new QVBoxLayout(pnTotais);
    hb->setContentsMargins(6, 4, 6, 4);
    hb->setSpacing(2);
    lbTotais = new QLabel(pnTotais);
    lbTotais->setObjectName(QStringLiteral("lbTotais"));
    QFont negrito = lbTotais->font();
    negrito.setBold(true);
    lbTotais->setFont(negrito);
    lbStatus = new QLabel(pnTotais);
    lbStatus->setObjectName(QStringLiteral("lbStatus"));
    hb->addWidget(lbTotais);
    hb->addWidget(lbStatus);
    raiz->addWidget(pnTotais);

    QWidget* ordem[] = {cbTpServ, dbgPend, btImprimir, btExportar, btRomaneio, btFechar};
    for (std::size_t i = 1; i < std::size(ordem); ++i) QWidget::setTabOrder(ordem[i - 1], ordem[i]);

    auto P = [](auto f) { return [f] { plat::Protegido(f); }; };
    connect(cbTpServ, &QComboBox::currentIndexChanged, this, P([this] { cbTpServChange(); }));
    connect(btImprimir, &QPushButton::clicked, this, P([this] { btImprimirClick(); }));
    connect(btExportar, &QPushButton::clicked, this, P([this] { btExportarClick(); }));
    connect(btRomaneio, &QPushButton::clicked, this, P([this] { btRomaneioClick(); }));
    connect(btFechar, &QPushButton::clicked, this, P([this] { btFecharClick(); }));
    auto* f5 =
        new QShortcut(QKeySequence(Qt::Key_F5), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(f5, &QShortcut::activated, this, P([this] { Carregar(); }));
    // the title click from the keyboard: Ctrl+O sorts by the current cell's column
    auto* ordenar =
        new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), dbgPend, nullptr, nullptr, Qt::WidgetShortcut);
    connect(ordenar, &QShortcut::activated, this, P([this] { OrdenarPelaColunaAtual(); }));

    PreencherTipos();
    AtualizarTotais();
}

void TfrmDistTercPend::FormCreate() {
    TfMdiChild::FormCreate();
    Carregar();
}

void TfrmDistTercPend::FormKeyPress(QChar& key) {
    if (key == QChar('\r')) {
        if (auto* b = qobject_cast<QAbstractButton*>(ActiveControl())) {
            key = QChar();
            if (b->isEnabled()) b->click();
            return;
        }
    }
    TfMdiChild::FormKeyPress(key);
}

void TfrmDistTercPend::Carregar() {
    Ampulheta ampulheta;
    ++carregamentos_;
    IServicosSistema& srv = ServicosSistema();
    TListaPendencias nova = CarregarPendencias(srv.Conexao(), terceirizado_, srv.DataServidor());
    if (!nova.existe) nova.terc = lista_.terc;  // the name it had
    lista_ = std::move(nova);
    PreencherTipos();
    mdlPend->Definir(&lista_, TipoEscolhido());
    setWindowTitle(Q("Pendências do Terceirizado " + NomeTerceirizado(lista_.terc)));
    AtualizarTotais();
    lbStatus->setText(Q("Em destaque, as atrasadas: saídas anteriores a " +
                        plat::FormatDateTime("dd/mm/yyyy", lista_.corte) + " (" +
                        std::to_string(kDiasUteisAtraso) + " dias úteis antes de " +
                        plat::FormatDateTime("dd/mm/yyyy", lista_.hoje) +
                        ").   F5 atualiza; Ctrl+O ordena pela coluna da célula atual."));
    if (!lista_.existe)
        plat::Aviso("O terceirizado " + NomeTerceirizado(lista_.terc) +
                    " não está mais cadastrado: não há pendências a mostrar.");
}

// The service types of the list, the one chosen kept when the list still holds it.
void TfrmDistTercPend::PreencherTipos() {
    const std::string anterior = TipoEscolhido();
    preenchendoTipos_ = true;
    cbTpServ->clear();
    cbTpServ->addItem(QStringLiteral("Todos"), QString());
    for (const auto& t : TiposPresentes(lista_.linhas)) {
        const std::string nome = t.descricao.empty() ? t.codigo : t.codigo + " - " + t.descricao;
        cbTpServ->addItem(Q(nome + " (" + std::to_string(t.linhas) + ")"), Q(t.codigo));
        cbTpServ->setItemData(cbTpServ->count() - 1, Q(nome), Qt::UserRole + 1);
    }
    const int i = anterior.empty() ? 0 : cbTpServ->findData(Q(anterior));
    cbTpServ->setCurrentIndex(i < 0 ? 0 : i);
    preenchendoTipos_ = false;
}

std::string TfrmDistTercPend::TipoEscolhido() const {
    return cbTpServ->currentIndex() < 0 ? std::string() : S(cbTpServ->currentData().toString());
}

void TfrmDistTercPend::cbTpServChange() {
    if (preenchendoTipos_) return;
    mdlPend->Definir(&lista_, TipoEscolhido());
    AtualizarTotais();
}

void TfrmDistTercPend::OrdenarPelaColunaAtual() {
    const int coluna = dbgPend->currentIndex().isValid() ? dbgPend->currentIndex().column() : 0;
    QHeaderView* h = dbgPend->horizontalHeader();
    // as a click on the title: the same column again turns the order round
    const bool inverter =
        h->sortIndicatorSection() == coluna && h->sortIndicatorOrder() == Qt::AscendingOrder;
    h->setSortIndicator(coluna, inverter ? Qt::DescendingOrder : Qt::AscendingOrder);
}

dist::TTotaisPend TfrmDistTercPend::Totais() const {
    return Totalizar(lista_.linhas, mdlPend->Indices());
}

void TfrmDistTercPend::AtualizarTotais() {
    lbTotais->setText(Q(TextoTotais(Totais())));
}

dist::TRelatorio TfrmDistTercPend::Relatorio() const {
    IServicosSistema& srv = ServicosSistema();
    const std::string filtro =
        TipoEscolhido().empty() ? std::string() : S(cbTpServ->currentData(Qt::UserRole + 1).toString());
    return RelatorioPendencias(lista_, mdlPend->Indices(), srv.NomeEmpresa(), filtro, srv.DataServidor());
}

void TfrmDistTercPend::btImprimirClick() {
    VisualizarRelatorio(this, Relatorio(),
                        "Pendencias-" + Codigo3(terceirizado_) + "-" + DataNomeArquivo(lista_.hoje) + ".pdf");
}

void TfrmDistTercPend::btExportarClick() {
    const std::string nome = EscolherNome(this, "Exportar pendências",
                                          PastaSugerida() + "/Pendencias-" + Codigo3(terceirizado_) + "-" +
                                              DataNomeArquivo(lista_.hoje) + ".csv",
                                          "Planilha CSV (*.csv)", "csv");
    if (nome.empty()) return;
    GravarArquivo(nome, CsvPendencias(lista_.linhas, mdlPend->Indices()));
    plat::Informacao("Lista exportada para \"" + nome + "\".");
}

void TfrmDistTercPend::btRomaneioClick() {
    IServicosSistema& srv = ServicosSistema();
    plat::TDateTime dia = srv.DataServidor();
    if (!EscolherDiaRomaneio(this, dia)) return;
    TRomaneio r;
    {
        Ampulheta ampulheta;
        r = CarregarRomaneio(srv.Conexao(), terceirizado_, dia);
    }
    if (!r.existe) {
        plat::Aviso("O terceirizado " + NomeTerceirizado(lista_.terc) + " não está mais cadastrado.");
        return;
    }
    if (r.itens.empty()) {
        plat::Informacao("Não há saídas do terceirizado " + NomeTerceirizado(r.terc) + " em " +
                         plat::FormatDateTime("dd/mm/yyyy", r.dia) + ".");
        return;
    }
    VisualizarRelatorio(this, RelatorioRomaneio(r, srv.NomeEmpresa(), srv.DataServidor()),
                        "Romaneio-" + Codigo3(terceirizado_) + "-" + DataNomeArquivo(r.dia) + ".pdf");
}

void TfrmDistTercPend::btFecharClick() {
    close();
}

// =====================================================================================
// Reports on paper

namespace {

QFont Fonte(double pontos, bool negrito) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pontos);
    f.setBold(negrito);
    // no ligatures: "fi" stays two letters, so that the PDF's text is found and copied as written
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.05);
    return f;
}

// Pages laid out before any is painted, so that every page can say "Página n de N".
class TPaginas {
public:
    TPaginas(const TRelatorio& r, QPrinter& impressora)
        : r_(r),
          mm_(impressora.resolution() / 25.4),
          empresa_(Fonte(12, true)),
          titulo_(Fonte(11, true)),
          texto_(Fonte(8, false)),
          negrito_(Fonte(8, true)) {
        const QRect area = impressora.pageLayout().paintRectPixels(impressora.resolution());
        largura_ = area.width();
        altura_ = area.height();
        const QFontMetricsF fe(empresa_, &impressora), ft(titulo_, &impressora), fx(texto_, &impressora);
        hEmpresa_ = fe.height() * 1.2;
        hTitulo_ = ft.height() * 1.3;
        hLinha_ = fx.height() * 1.35;
        cabecalho_ = hEmpresa_ + hTitulo_ + static_cast<double>(r.cabecalho.size()) * hLinha_ + 2 * mm_ +
                     hLinha_ + mm_;
        rodape_ = hLinha_ + 2 * mm_;
        porPagina_ = std::max(1, static_cast<int>(std::floor((altura_ - cabecalho_ - rodape_) / hLinha_)));
        fim_ = 2 * mm_ + static_cast<double>(r.totais.size() + r.notas.size()) * hLinha_ +
               (r.assinaturas ? 16 * mm_ + 2 * hLinha_ + 4 * mm_ : 0);
        const int n = static_cast<int>(r.linhas.size());
        paginas_ = std::max(1, (n + porPagina_ - 1) / porPagina_);
        const int naUltima = n - (paginas_ - 1) * porPagina_;
        if (n > 0 && altura_ - cabecalho_ - rodape_ - naUltima * hLinha_ < fim_) ++paginas_;
        Colunas(impressora);
    }

    int Paginas() const { return paginas_; }

    // Each column as wide as its widest text; the room left goes to the columns by their
    // shares. Too wide for the page: the text columns give way (their texts elided).
    void Colunas(QPrinter& impressora) {
        const QFontMetricsF fn(texto_, &impressora), fb(negrito_, &impressora);
        const std::size_t n = r_.colunas.size();
        std::vector<double> w(n, 0);
        for (std::size_t c = 0; c < n; ++c) w[c] = fb.horizontalAdvance(Q(r_.colunas[c].titulo));
        for (std::size_t i = 0; i < r_.linhas.size(); ++i) {
            const QFontMetricsF& fm = i < r_.destaque.size() && r_.destaque[i] ? fb : fn;
            for (std::size_t c = 0; c < n && c < r_.linhas[i].size(); ++c)
                w[c] = std::max(w[c], fm.horizontalAdvance(Q(r_.linhas[i][c])));
        }
        double soma = 0, somaTexto = 0, partes = 0;
        for (std::size_t c = 0; c < n; ++c) {
            w[c] += 2 * mm_ + 1;
            soma += w[c];
            if (!r_.colunas[c].direita) somaTexto += w[c];
            partes += std::max(1, r_.colunas[c].largura);
        }
        if (soma <= largura_) {
            for (std::size_t c = 0; c < n; ++c)
                w[c] += (largura_ - soma) * std::max(1, r_.colunas[c].largura) / partes;
        } else if (somaTexto > 0) {
            const double fator = std::max(0.1, (largura_ - (soma - somaTexto)) / somaTexto);
            for (std::size_t c = 0; c < n; ++c)
                if (!r_.colunas[c].direita) w[c] *= fator;
        }
        double x = 0;
        for (std::size_t c = 0; c < n; ++c) {
            colunas_.push_back({x, w[c]});
            x += w[c];
        }
    }

    void Pintar(QPainter& p, QPrinter& impressora) {
        const int n = static_cast<int>(r_.linhas.size());
        for (int pg = 0; pg < paginas_; ++pg) {
            if (pg > 0) impressora.newPage();
            double y = Cabecalho(p, pg);
            const int ini = std::min(n, pg * porPagina_), fim = std::min(n, ini + porPagina_);
            for (int i = ini; i < fim; ++i, y += hLinha_) Linha(p, i, y);
            if (pg == paginas_ - 1) Fim(p, y);
        }
    }

private:
    double Cabecalho(QPainter& p, int pg) {
        double y = 0;
        p.setPen(Qt::black);
        p.setFont(empresa_);
        p.drawText(QRectF(0, y, largura_ * 0.7, hEmpresa_), Qt::AlignLeft | Qt::AlignVCenter, Q(r_.empresa));
        p.setFont(texto_);
        p.drawText(QRectF(0, y, largura_, hEmpresa_), Qt::AlignRight | Qt::AlignVCenter, Q(r_.emissao));
        y += hEmpresa_;
        p.setFont(titulo_);
        p.drawText(QRectF(0, y, largura_, hTitulo_), Qt::AlignLeft | Qt::AlignVCenter, Q(r_.titulo));
        y += hTitulo_;
        p.setFont(texto_);
        for (const auto& l : r_.cabecalho) {
            p.drawText(QRectF(0, y, largura_, hLinha_), Qt::AlignLeft | Qt::AlignVCenter, Q(l));
            y += hLinha_;
        }
        y += 2 * mm_;
        p.setFont(negrito_);
        for (std::size_t c = 0; c < r_.colunas.size(); ++c) Celula(p, c, y, r_.colunas[c].titulo);
        y += hLinha_;
        p.drawLine(QPointF(0, y), QPointF(largura_, y));
        y += mm_;
        // foot of the page
        const double base = altura_ - hLinha_;
        p.drawLine(QPointF(0, base - mm_), QPointF(largura_, base - mm_));
        p.setFont(texto_);
        p.drawText(QRectF(0, base, largura_ * 0.7, hLinha_), Qt::AlignLeft | Qt::AlignVCenter,
                   Q(r_.titulo + (r_.cabecalho.empty() ? std::string() : " - " + r_.cabecalho.front())));
        p.drawText(QRectF(0, base, largura_, hLinha_), Qt::AlignRight | Qt::AlignVCenter,
                   Q(TextoPagina(pg + 1, paginas_)));
        return y;
    }

    void Celula(QPainter& p, std::size_t c, double y, const std::string& texto) {
        const double folga = mm_;
        const QRectF ret(colunas_[c].first + folga, y, colunas_[c].second - 2 * folga, hLinha_);
        const QString t = p.fontMetrics().elidedText(Q(texto), Qt::ElideRight, static_cast<int>(ret.width()));
        p.drawText(ret, (r_.colunas[c].direita ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, t);
    }

    void Linha(QPainter& p, int i, double y) {
        const auto idx = static_cast<std::size_t>(i);
        if (i % 2 == 1) p.fillRect(QRectF(0, y, largura_, hLinha_), QColor(238, 238, 238));
        const bool destaque = idx < r_.destaque.size() && r_.destaque[idx];
        p.setFont(destaque ? negrito_ : texto_);
        for (std::size_t c = 0; c < r_.colunas.size() && c < r_.linhas[idx].size(); ++c)
            Celula(p, c, y, r_.linhas[idx][c]);
    }

    void Fim(QPainter& p, double y) {
        p.drawLine(QPointF(0, y), QPointF(largura_, y));
        y += 2 * mm_;
        p.setFont(negrito_);
        for (const auto& t : r_.totais) {
            p.drawText(QRectF(0, y, largura_, hLinha_), Qt::AlignLeft | Qt::AlignVCenter, Q(t));
            y += hLinha_;
        }
        p.setFont(texto_);
        for (const auto& t : r_.notas) {
            p.drawText(QRectF(0, y, largura_, hLinha_), Qt::AlignLeft | Qt::AlignVCenter, Q(t));
            y += hLinha_;
        }
        if (!r_.assinaturas) return;
        y += 16 * mm_;
        const double w = largura_ * 0.4;
        const double xs[] = {largura_ * 0.05, largura_ * 0.55};
        const char* quem[] = {"Entregue por", "Recebido por"};
        for (int k = 0; k < 2; ++k) {
            p.drawLine(QPointF(xs[k], y), QPointF(xs[k] + w, y));
            p.drawText(QRectF(xs[k], y + mm_, w, hLinha_), Qt::AlignHCenter | Qt::AlignVCenter, Q(quem[k]));
            p.drawText(QRectF(xs[k], y + mm_ + hLinha_ + 3 * mm_, w, hLinha_),
                       Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Data: ____/____/________"));
        }
    }

    const TRelatorio& r_;
    double mm_;
    QFont empresa_, titulo_, texto_, negrito_;
    double largura_ = 0, altura_ = 0;
    double hEmpresa_ = 0, hTitulo_ = 0, hLinha_ = 0, cabecalho_ = 0, rodape_ = 0, fim_ = 0;
    int porPagina_ = 1, paginas_ = 1;
    std::vector<std::pair<double, double>> colunas_;  // left and width
};

// The preview's own texts in Portuguese (the toolkit's are English without its
// translations installed).
void TraduzirPrevia(QPrintPreviewDialog& d) {
    static const std::map<QString, QString> textos = {
        {QStringLiteral("Next page"), QStringLiteral("Próxima página")},
        {QStringLiteral("Previous page"), QStringLiteral("Página anterior")},
        {QStringLiteral("First page"), QStringLiteral("Primeira página")},
        {QStringLiteral("Last page"), QStringLiteral("Última página")},
        {QStringLiteral("Fit width"), QStringLiteral("Ajustar à largura")},
        {QStringLiteral("Fit page"), QStringLiteral("Ajustar à página")},
        {QStringLiteral("Zoom in"), QStringLiteral("Aumentar")},
        {QStringLiteral("Zoom out"), QStringLiteral("Diminuir")},
        {QStringLiteral("Portrait"), QStringLiteral("Retrato")},
        {QStringLiteral("Landscape"), QStringLiteral("Paisagem")},
        {QStringLiteral("Show single page"), QStringLiteral("Uma página")},
        {QStringLiteral("Show facing pages"), QStringLiteral("Páginas lado a lado")},
        {QStringLiteral("Show overview of all pages"), QStringLiteral("Todas as páginas")},
        {QStringLiteral("Print"), QStringLiteral("Imprimir")},
        {QStringLiteral("Page setup"), QStringLiteral("Configurar página")},
    };
    for (QAction* a : d.findChildren<QAction*>()) {
        auto t = textos.find(a->text());
        if (t != textos.end()) a->setText(t->second);
    }
}

}  // namespace

namespace {

bool PdfCompleto(const std::string& caminho) {
    std::ifstream f(caminho, std::ios::binary | std::ios::ate);
    const std::streamoff tamanho = f ? static_cast<std::streamoff>(f.tellg()) : 0;
    if (tamanho <= 0) return false;
    f.seekg(std::max<std::streamoff>(0, tamanho - 64));
    const std::string fim((std::istreambuf_iterator<char>(f)), {});
    return fim.find("%%EOF") != std::string::npos;
}

}  // namespace

void PrepararImpressora(QPrinter& impressora) {
    impressora.setPageSize(QPageSize(QPageSize::A4));
    impressora.setPageOrientation(QPageLayout::Portrait);
    impressora.setPageMargins(QMarginsF(12, 10, 12, 10), QPageLayout::Millimeter);
}

int ImprimirRelatorio(const TRelatorio& relatorio, QPrinter& impressora) {
    TPaginas paginas(relatorio, impressora);
    QPainter p;
    if (!p.begin(&impressora)) throw std::runtime_error("Não foi possível iniciar a impressão.");
    paginas.Pintar(p, impressora);
    p.end();
    return paginas.Paginas();
}

void SalvarPdf(const TRelatorio& relatorio, const std::string& caminho) {
    TArquivoNovo arquivo(caminho);
    QPrinter impressora(QPrinter::HighResolution);
    impressora.setOutputFormat(QPrinter::PdfFormat);
    impressora.setOutputFileName(Q(arquivo.Caminho()));
    impressora.setDocName(Q(relatorio.titulo));
    impressora.setCreator(QStringLiteral("pravolt"));
    PrepararImpressora(impressora);
    ImprimirRelatorio(relatorio, impressora);
    // The toolkit's PDF writer reports no failed write: a file cut short (a full disk) is
    // known by its missing end mark, and then never takes the destination's place.
    if (impressora.printerState() == QPrinter::Error || !PdfCompleto(arquivo.Caminho()))
        arquivo.Recusar("o arquivo ficou incompleto (falta espaço no disco ou houve erro de gravação)");
    arquivo.Concluir();
}

void VisualizarRelatorio(QWidget* dono, const TRelatorio& relatorio, const std::string& nomePdf) {
    QPrinter impressora(QPrinter::HighResolution);
    PrepararImpressora(impressora);
    impressora.setDocName(Q(relatorio.titulo));
    QPrintPreviewDialog d(&impressora, dono);
    d.setObjectName(QStringLiteral("frmVisualizar"));
    d.setWindowTitle(Q("Visualizar Impressão - " + relatorio.titulo));
    TraduzirPrevia(d);
    QObject::connect(&d, &QPrintPreviewDialog::paintRequested, &d, [&relatorio](QPrinter* p) {
        plat::Protegido([&] { ImprimirRelatorio(relatorio, *p); });
    });
    if (auto* barra = d.findChild<QToolBar*>()) {
        // from the keyboard too: the toolbar's buttons take no focus
        for (QAction* a : barra->actions())
            if (a->text() == QStringLiteral("Imprimir")) {
                a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
                a->setToolTip(QStringLiteral("Imprimir (Ctrl+P)"));
            }
        barra->addSeparator();
        QAction* pdf = barra->addAction(QStringLiteral("Salvar PDF"));
        pdf->setObjectName(QStringLiteral("acSalvarPdf"));
        pdf->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        pdf->setToolTip(QStringLiteral("Salvar PDF (Ctrl+S)"));
        QObject::connect(pdf, &QAction::triggered, &d, [&d, &relatorio, nomePdf] {
            plat::Protegido([&] {
                const std::string nome = EscolherNome(&d, "Salvar em PDF", PastaSugerida() + "/" + nomePdf,
                                                      "Documento PDF (*.pdf)", "pdf");
                if (nome.empty()) return;
                SalvarPdf(relatorio, nome);
                plat::Informacao("Arquivo PDF gravado em \"" + nome + "\".");
            });
        });
    }
    d.resize(820, 760);
    d.exec();
}

bool EscolherDiaRomaneio(QWidget* dono, plat::TDateTime& dia) {
    QDialog d(dono, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    d.setObjectName(QStringLiteral("frmDiaRomaneio"));
    d.setWindowTitle(QStringLiteral("Romaneio"));
    auto* raiz = new QVBoxLayout(&d);
    auto* linha = new QHBoxLayout;
    auto* rotulo = new QLabel(QStringLiteral("&Dia das saídas"), &d);
    auto* deDia = new QDateEdit(DataQt(dia), &d);
    deDia->setObjectName(QStringLiteral("deDia"));
    deDia->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    deDia->setCalendarPopup(true);
    rotulo->setBuddy(deDia);
    linha->addWidget(rotulo);
    linha->addWidget(deDia);
    raiz->addLayout(linha);
    auto* botoes = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    botoes->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    botoes->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancelar"));
    QObject::connect(botoes, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(botoes, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    raiz->addWidget(botoes);
    deDia->setFocus();
    if (d.exec() != QDialog::Accepted) return false;
    dia = DataDia(deDia->date());
    return true;
}
