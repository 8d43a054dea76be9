#include "distribution/FDistPravolt.h"

#include <QApplication>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QVBoxLayout>
#include <climits>
#include <cmath>
#include <initializer_list>
#include <stdexcept>

#include "distribution/FDistTercPend.h"
#include "distribution/UDistGravacao.h"
#include "platform/Cp1252.h"
#include "platform/Mensagens.h"
#include "platform/Texto.h"
#include "shell/UServicosSistema.h"

TfrmDistServ* frmDistServ = nullptr;

using namespace dist;

namespace {

// A panel of the window: a framed strip with the layout of its controls.
template <class Layout>
Layout* Painel(QWidget* cliente, QFrame*& painel, const char* nome) {
    painel = new QFrame(cliente);
    painel->setObjectName(nome);
    painel->setFrameShape(QFrame::StyledPanel);
    auto* layout = new Layout(painel);
    layout->setContentsMargins(6, 4, 6, 4);
    return layout;
}

const QColor kAmareloClaro(255, 255, 151);

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toStdString(); }

void DefinirCor(QWidget* w, const QColor& c) {
    // Setting a palette re-polishes the widget: the price lookup sets the colour at every
    // ticket, nearly always to the one already shown.
    if (w->autoFillBackground() && w->palette().color(QPalette::Base) == c) return;
    QPalette p = w->palette();
    p.setColor(QPalette::Base, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// A new text for an edit; none when it already shows it (a text set again is laid out
// again, and the lookup path sets many).
void MudarTexto(QLineEdit* e, const QString& t) {
    if (e->text() != t) e->setText(t);
}

void LimparMemo(QPlainTextEdit* m) {
    if (!m->document()->isEmpty()) m->clear();
}

// A count of pairs read from the database, cut to an integer; nullopt when 64 bits cannot
// hold it.
std::optional<std::int64_t> ParesInteiros(const db::Value& v) {
    if (v.Kind() == db::ValueKind::Decimal) return v.RawInteger() / plat::decimal::Potencia10(v.Scale());
    if (v.Kind() == db::ValueKind::Float) {
        const double d = std::trunc(v.AsFloat());
        if (!(std::fabs(d) < 9.2e18)) return std::nullopt;
        return static_cast<std::int64_t>(d);
    }
    return v.AsInteger();
}

// Read-only light-yellow display that is no tab stop.
void Exibicao(QLineEdit* e) {
    e->setReadOnly(true);
    DefinirCor(e, kAmareloClaro);
    e->setFocusPolicy(Qt::ClickFocus);
}


}  // namespace

// =====================================================================================
// Numeric edit

TNumEdit::TNumEdit(QWidget* parent, int decimais, std::string formato, std::string campo, std::int64_t minimo,
                   std::int64_t maximo)
    : QLineEdit(parent),
      decimais_(decimais),
      formato_(std::move(formato)),
      campo_(std::move(campo)),
      minimo_(minimo),
      maximo_(maximo) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QString padrao = decimais_ > 0 ? QStringLiteral("-?[0-9.]*,?[0-9]*|-?[0-9]*\\.?[0-9]*")
                                         : QStringLiteral("-?[0-9]*");
    setValidator(new QRegularExpressionValidator(QRegularExpression(padrao), this));
    Mostrar(0);
    connect(this, &QLineEdit::textEdited, this, [this] { recusado_ = false; });
    connect(this, &QLineEdit::textChanged, this, [this] {
        const std::optional<std::int64_t> v = ValorDoTexto();
        if (v != emitido_) {
            emitido_ = v;
            emit valueChanged();
        }
    });
}

std::optional<std::int64_t> TNumEdit::ValorDoTexto() const {
    // What is shown may carry the format's literals and thousands separators.
    std::string t;
    for (char c : S(text()))
        if ((c >= '0' && c <= '9') || c == ',' || c == '.' || c == '-') t += c;
    std::optional<std::int64_t> v;
    try {
        v = LerEscalado(t, decimais_);
    } catch (const plat::EConvertError&) {
        v = 0;  // not a number (yet): a sign or a separator alone
    }
    if (v && !Cabe(*v)) v.reset();
    return v;
}

std::int64_t TNumEdit::Escalado() const { return ValorDoTexto().value_or(confirmado_); }

plat::Dinheiro TNumEdit::Dinheiro() const { return plat::Dinheiro::FromScaled(Escalado(), decimais_); }

double TNumEdit::Value() const { return static_cast<double>(Escalado()) / static_cast<double>(plat::decimal::Potencia10(decimais_)); }

void TNumEdit::Mostrar(std::int64_t v) {
    const QString t = Q(FormatarEscalado(v, decimais_, formato_));
    if (t != text()) setText(t);
}

void TNumEdit::SetEscalado(std::int64_t v) {
    confirmado_ = v;
    recusado_ = false;
    Mostrar(v);
}

void TNumEdit::SetDinheiro(plat::Dinheiro v) { SetEscalado(plat::decimal::Reescalar(v.Raw(), 4, decimais_)); }

void TNumEdit::MostrarInvalido() {
    if (text() != QStringLiteral("inválido")) setText(QStringLiteral("inválido"));
}

std::string TNumEdit::MsgLimites() const { return MsgForaDosLimites(campo_, minimo_, maximo_, decimais_); }

void TNumEdit::Recusar() {
    recusado_ = true;
    setFocus(Qt::NoFocusReason);
    plat::Aviso(MsgLimites());
    Mostrar(confirmado_);
    selectAll();
}

bool TNumEdit::Confirmar(bool formatar) {
    if (recusado_) return false;
    const std::optional<std::int64_t> v = ValorDoTexto();
    if (!v) {
        Recusar();
        return false;
    }
    confirmado_ = *v;
    if (formatar) Mostrar(*v);
    return true;
}

void TNumEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // Only a move of the focus inside the window is an exit: not another window becoming
    // active (a message box among them), a popup, or the window going away.
    const Qt::FocusReason motivo = e->reason();
    if (isReadOnly() || motivo == Qt::ActiveWindowFocusReason || motivo == Qt::PopupFocusReason ||
        !isVisible() || !window()->isVisible())
        return;
    if (recusado_ && Valido()) {
        recusado_ = false;  // left again, with the value put back: accepted
        return;
    }
    plat::Protegido([this] { Confirmar(); });
}

// =====================================================================================
// Window

TfrmDistServ::TfrmDistServ(QWidget* owner) : TfMdiChild(owner) {
    setObjectName(QStringLiteral("frmDistServ"));
    NomeExecutavel = S(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    CriarControles();
}

TfrmDistServ::~TfrmDistServ() { plat::Protegido([this] { FormDestroy(); }); }

void TfrmDistServ::FormDestroy() {
    if (destruida_) return;
    destruida_ = true;
    TfMdiChild::FormDestroy();
    if (frmDistServ == this) frmDistServ = nullptr;
}

void TfrmDistServ::CriarControles() {
    setWindowTitle(QStringLiteral("Distribuição de Serviços Externos"));
    QWidget* cli = Cliente();
    cli->setFixedSize(730, 497);

    auto* raiz = new QVBoxLayout(cli);
    raiz->setContentsMargins(2, 2, 2, 2);
    raiz->setSpacing(2);

    // ---- top panel ----
    auto* gt = Painel<QGridLayout>(cli, pnTop, "pnTop");
    Label1 = new QLabel(QStringLiteral("&Terceirizado"), pnTop);
    ceTerc = new TNumEdit(pnTop, 0, "000", "Terceirizado", kInteiroMinimo, kInteiroMaximo);
    ceTerc->setObjectName("ceTerc");
    ceTerc->setMaxLength(9);
    ceTerc->setFixedWidth(50);
    Label1->setBuddy(ceTerc);
    cbTerc = new QComboBox(pnTop);
    cbTerc->setObjectName("cbTerc");
    cbTerc->setMaxVisibleItems(8);
    RxLabel1 = new QLabel(QStringLiteral("Data"), pnTop);
    deData = new QDateEdit(pnTop);
    deData->setObjectName("deData");
    deData->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    deData->setCalendarPopup(true);
    cbSaidaRetorno = new QComboBox(pnTop);
    cbSaidaRetorno->setObjectName("cbSaidaRetorno");
    cbSaidaRetorno->addItems({QStringLiteral("Saída"), QStringLiteral("Retorno")});
    QFont negrito = cbSaidaRetorno->font();
    negrito.setBold(true);
    cbSaidaRetorno->setFont(negrito);
    Label2 = new QLabel(QStringLiteral("Tipo de Serviço"), pnTop);
    edTpServ = new QLineEdit(pnTop);
    edTpServ->setObjectName("edTpServ");
    edTpServ->setMaxLength(2);
    edTpServ->setFixedWidth(40);
    Label2->setBuddy(edTpServ);
    cbTpServ = new QComboBox(pnTop);
    cbTpServ->setObjectName("cbTpServ");
    cbTpServ->setMaxVisibleItems(8);
    Label4 = new QLabel(QStringLiteral("Setor"), pnTop);
    edSetor = new QLineEdit(pnTop);
    edSetor->setObjectName("edSetor");
    edSetor->setMaxLength(2);
    edSetor->setFixedWidth(40);
    Label4->setBuddy(edSetor);
    cbSetor = new QComboBox(pnTop);
    cbSetor->setObjectName("cbSetor");
    cbSetor->setMaxVisibleItems(8);

    gt->addWidget(Label1, 0, 0);
    gt->addWidget(ceTerc, 0, 1);
    gt->addWidget(cbTerc, 0, 2, 1, 3);
    gt->addWidget(RxLabel1, 0, 5);
    gt->addWidget(deData, 0, 6);
    gt->addWidget(cbSaidaRetorno, 0, 7);
    gt->addWidget(Label2, 1, 0);
    gt->addWidget(edTpServ, 1, 1);
    gt->addWidget(cbTpServ, 1, 2);
    gt->addWidget(Label4, 1, 3);
    gt->addWidget(edSetor, 1, 4);
    gt->addWidget(cbSetor, 1, 5, 1, 3);
    gt->setColumnStretch(2, 1);
    gt->setColumnStretch(5, 1);
    raiz->addWidget(pnTop);

    // ---- ticket panel ----
    auto* gp = Painel<QGridLayout>(cli, Panel1, "Panel1");
    Label5 = new QLabel(QStringLiteral("&Programação"), Panel1);
    edProg = new QLineEdit(Panel1);
    edProg->setObjectName("edProg");
    edProg->setMaxLength(6);
    Label5->setBuddy(edProg);
    Label6 = new QLabel(QStringLiteral("Ficha"), Panel1);
    edFicha = new QLineEdit(Panel1);
    edFicha->setObjectName("edFicha");
    edFicha->setMaxLength(4);
    Label7 = new QLabel(QStringLiteral("Sub-ficha"), Panel1);
    edSubF = new QLineEdit(Panel1);
    edSubF->setObjectName("edSubF");
    edSubF->setMaxLength(4);
    Label8 = new QLabel(QStringLiteral("Produto"), Panel1);
    edProd = new QLineEdit(Panel1);
    edProd->setObjectName("edProd");
    Exibicao(edProd);
    Label9 = new QLabel(QStringLiteral("Padronização"), Panel1);
    edPadron = new QLineEdit(Panel1);
    edPadron->setObjectName("edPadron");
    Exibicao(edPadron);
    Label10 = new QLabel(QStringLiteral("Qt. Pares"), Panel1);
    ceQtPares = new TNumEdit(Panel1, 0, "0", "Qt. Pares", kInteiroMinimo, kInteiroMaximo);
    ceQtPares->setObjectName("ceQtPares");
    Exibicao(ceQtPares);
    Label11 = new QLabel(QStringLiteral("Preço por par"), Panel1);
    cePreco = new TNumEdit(Panel1, 4, "0.0000", "Preço por par", -kPrecoMaximo, kPrecoMaximo);
    cePreco->setObjectName("cePreco");
    DefinirCor(cePreco, Qt::white);
    Label12 = new QLabel(QStringLiteral("Preço Total"), Panel1);
    cePrecoTot = new TNumEdit(Panel1, 2, " ,0.00;- ,0.00", "Preço Total", INT64_MIN / 100, INT64_MAX / 100);
    cePrecoTot->setObjectName("cePrecoTot");
    Exibicao(cePrecoTot);
    Label13 = new QLabel(QStringLiteral("Observação"), Panel1);
    mmoObs = new QPlainTextEdit(Panel1);
    mmoObs->setObjectName("mmoObs");
    mmoObs->setFocusPolicy(Qt::ClickFocus);
    mmoObs->setTabChangesFocus(false);
    mmoObs->setFixedHeight(44);

    gp->addWidget(Label5, 0, 0);
    gp->addWidget(edProg, 0, 1);
    gp->addWidget(Label6, 0, 2);
    gp->addWidget(edFicha, 0, 3);
    gp->addWidget(Label7, 0, 4);
    gp->addWidget(edSubF, 0, 5);
    gp->addWidget(Label8, 1, 0);
    gp->addWidget(edProd, 1, 1);
    gp->addWidget(Label9, 1, 2);
    gp->addWidget(edPadron, 1, 3, 1, 3);
    gp->addWidget(Label10, 2, 0);
    gp->addWidget(ceQtPares, 2, 1);
    gp->addWidget(Label11, 2, 2);
    gp->addWidget(cePreco, 2, 3);
    gp->addWidget(Label12, 2, 4);
    gp->addWidget(cePrecoTot, 2, 5);
    gp->addWidget(Label13, 3, 0);
    gp->addWidget(mmoObs, 3, 1, 1, 5);
    raiz->addWidget(Panel1);

    // ---- buttons ----
    auto* hb = Painel<QHBoxLayout>(cli, Panel2, "Panel2");
    btGravar = new TKWButton(QStringLiteral("&Gravar"), Panel2);
    btGravar->setObjectName("btGravar");
    btGravar->SetAction("GRAVAR");
    btGravar->setEnabled(false);
    btDesistir = new TKWButton(QStringLiteral("&Desistir"), Panel2);
    btDesistir->setObjectName("btDesistir");
    btDesistir->SetAction("DESISTIR");
    btFechar = new TKWButton(QStringLiteral("&Fechar"), Panel2);
    btFechar->setObjectName("btFechar");
    btFechar->SetAction("FECHAR");
    for (TKWButton* b : {btGravar, btDesistir, btFechar}) {
        b->SetImageList(nullptr);  // DmGlobal.imPadrao: never created here
        b->setFocusPolicy(Qt::StrongFocus);
        b->setMinimumWidth(90);
    }
    hb->addStretch();
    hb->addWidget(btGravar);
    hb->addWidget(btDesistir);
    hb->addWidget(btFechar);
    raiz->addWidget(Panel2);

    // ---- grid ----
    dbgTerc = new QTableWidget(0, 6, cli);
    dbgTerc->setObjectName("dbgTerc");
    dbgTerc->setHorizontalHeaderLabels({QStringLiteral("Cód."), QStringLiteral("Nome"), QStringLiteral("Giro"),
                                        QStringLiteral("Enviado Hoje"), QStringLiteral("Enviado no Mes"),
                                        QStringLiteral("Qtde Pendente")});
    dbgTerc->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgTerc->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgTerc->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgTerc->verticalHeader()->setVisible(false);
    dbgTerc->verticalHeader()->setDefaultSectionSize(18);
    QFont fg = dbgTerc->font();
    fg.setBold(true);
    dbgTerc->setFont(fg);
    dbgTerc->setColumnWidth(0, 40);
    dbgTerc->setColumnWidth(1, 250);
    dbgTerc->setColumnWidth(2, 60);
    dbgTerc->setColumnWidth(3, 100);
    dbgTerc->setColumnWidth(4, 110);
    dbgTerc->setColumnWidth(5, 100);
    raiz->addWidget(dbgTerc, 1);

    // Tab order: pnTop, Panel1, Panel2, grid.
    QWidget* ordem[] = {ceTerc, cbTerc, deData, cbSaidaRetorno, edTpServ, cbTpServ, edSetor, cbSetor, edProg,
                        edFicha, edSubF, cePreco, btGravar, btDesistir, btFechar, dbgTerc};
    for (size_t i = 1; i < std::size(ordem); ++i) QWidget::setTabOrder(ordem[i - 1], ordem[i]);

    ConectarHandlers();
}

void TfrmDistServ::ConectarHandlers() {
    auto P = [](auto f) { return [f] { plat::Protegido(f); }; };
    connect(ceTerc, &QLineEdit::textChanged, this, P([this] { ceTercChange(); }));
    connect(cbTerc, &QComboBox::currentIndexChanged, this, P([this] { cbTercChange(); }));
    connect(cbSaidaRetorno, &QComboBox::currentIndexChanged, this, P([this] { cbSaidaRetornoChange(); }));
    connect(edTpServ, &QLineEdit::textEdited, this, [this](const QString& t) {
        // the field forces upper case
        QString m = Q(plat::MaiusculasCp1252(S(t)));
        if (m != t) {
            int pos = edTpServ->cursorPosition();
            edTpServ->setText(m);
            edTpServ->setCursorPosition(pos);
        }
    });
    connect(edTpServ, &QLineEdit::textChanged, this, P([this] { edTpServChange(); }));
    connect(cbTpServ, &QComboBox::currentIndexChanged, this, P([this] { cbTpServChange(); }));
    connect(edSetor, &QLineEdit::textChanged, this, P([this] { edSetorChange(); }));
    connect(cbSetor, &QComboBox::currentIndexChanged, this, P([this] { cbSetorChange(); }));
    connect(edProd, &QLineEdit::textChanged, this, P([this] { edProdChange(); }));
    connect(ceQtPares, &TNumEdit::valueChanged, this, P([this] { ceQtParesChange(); }));
    connect(cePreco, &TNumEdit::valueChanged, this, P([this] { ceQtParesChange(); }));
    connect(edProg, &QLineEdit::textChanged, this, P([this] { edProgChange(); }));
    connect(edFicha, &QLineEdit::textChanged, this, P([this] { edFichaChange(); }));
    connect(btGravar, &QPushButton::clicked, this, P([this] { btGravarClick(); }));
    connect(btDesistir, &QPushButton::clicked, this, P([this] { btDesistirClick(); }));
    connect(btFechar, &QPushButton::clicked, this, P([this] { btFecharClick(); }));
    // The workshop's pending list: a double-click on its row, or F3 on the focused row.
    dbgTerc->setToolTip(QStringLiteral("Duplo clique ou F3: pendências do terceirizado"));
    connect(dbgTerc, &QTableWidget::cellDoubleClicked, this,
            [this](int linha, int) { plat::Protegido([&] { AbrirPendencias(linha); }); });
    auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), dbgTerc, nullptr, nullptr, Qt::WidgetShortcut);
    connect(f3, &QShortcut::activated, this, P([this] { AbrirPendencias(dbgTerc->currentRow()); }));
}

void TfrmDistServ::AbrirPendencias(int linha) {
    if (linha < 0 || linha >= static_cast<int>(cdsTerc.size())) return;
    TfrmDistTercPend::Abrir(Area(), cdsTerc[static_cast<std::size_t>(linha)].COD_BA);
}

// ---- creation and show ------------------------------------------------------------

void TfrmDistServ::FormCreate() {
    TfMdiChild::FormCreate();
    cbSaidaRetorno->setCurrentIndex(0);
    IServicosSistema& srv = ServicosSistema();
    db::Connection* conn = &srv.Conexao();
    for (db::Query* q : {&sqlTerc, &sqlProg, &sqlSubFichaId, &sqlSubFicha, &sqlExterno, &sqlAtu, &sqlPend,
                         &sqlPrecoSer, &sqlServPend, &sqlPesqTpServ, &sqlPesqSetor})
        q->SetConnection(conn);

    sqlTerc.SetSQL("select COD_BA, NOME_BA, PRECO_BA, GIRO_BA\nfrom TERCEIRIZADO\nWHERE ATIVO_BA <> 'N'\norder by NOME_BA");
    sqlProg.SetSQL(kSqlItensFicha);
    sqlSubFichaId.SetSQL("select PROG_PR, FICHA_PR, SUBFICHA_PR\nfrom SUBPROD\nwhere ID_PR=:ID");
    sqlSubFicha.SetSQL(
        "select SUM(QTDE_PR) TOT_PARES\nfrom SUBPROD\nwhere PROG_PR=:PROG\nand FICHA_PR=:FICHA\nand SUBFICHA_PR=:SUBF");
    sqlExterno.SetSQL(kSqlExterno);
    sqlAtu.SetSQL(
        "select TERCEIRIZADO_EX, SAIDA_EX, sum(QTDE_EX) as QTDE_EX\nfrom EXTERNO\nwhere SAIDA_EX>=:DTINI\n"
        "and SAIDA_EX<=:DTFIM\ngroup by TERCEIRIZADO_EX, SAIDA_EX");
    sqlPend.SetSQL(
        "select TERCEIRIZADO_EX, sum(QTDE_EX) as QTDE_EX\nfrom EXTERNO\nwhere RETORNO_EX is null\n"
        "group by TERCEIRIZADO_EX");
    sqlPrecoSer.SetSQL(kSqlPrecoServico);
    sqlServPend.SetSQL(
        "select e.prog_ex, e.ficha_ex, e.qtde_ex, e.saida_ex\nfrom externo e\nwhere e.retorno_ex is null\n"
        "and e.terceirizado_ex = :terc\nand e.tp_serv_ex = :tipo\nand e.setor_sai_ex = :setor\n"
        "order by e.prog_ex desc, e.ficha_ex");
    sqlPesqTpServ.SetSQL(
        "SELECT COD_TA, DESC_TA\nFROM TABELA\nLEFT JOIN EXTERNO_TPSERVICO  ON COD_TA = TP_SERVICO_ET\n"
        "WHERE NUM_TA = '35' AND TERCEIRIZADO_ET = :TERC\nORDER BY DESC_TA");
    sqlPesqSetor.SetSQL(
        "SELECT COD_SE, NOME_SE\nFROM SETOR\nLEFT JOIN EXTERNO_SETOR ON COD_SE = SETOR_ES\n"
        "WHERE TERCEIRIZADO_ES = :TERC\nORDER BY NOME_SE");

    par_ = LerParametrosDist(
        [&srv](const std::string& g, const std::string& p) { return srv.LerParametro(g, p); });

    AbrirTerc();

    int ano, mes, dia;
    plat::DecodeDate(srv.DataServidor(), ano, mes, dia);
    deData->setDate(QDate(ano, mes, dia));

    edProg->setMaxLength(TamanhoProgramacao(par_.distServPorCodBar, srv.NomeEmpresa()));

    cdsServPend.clear();
}

void TfrmDistServ::FormShow() {
    // The base step empties the text edits (not the numeric ones) and the remark.
    TfMdiChild::FormShow();
    if (mostrada_) return;  // the rest belongs to the first show
    mostrada_ = true;

    IServicosSistema& srv = ServicosSistema();
    if (DataBloqueada(srv.NomeEmpresa(), par_.bloqueioData)) deData->setEnabled(false);
    if (PrecoSomenteLeituraNaAbertura(srv.NomeEmpresa())) {
        cePreco->setReadOnly(true);
        cePreco->setFocusPolicy(Qt::ClickFocus);
    }
    CalcularContadores();
    if (par_.bloquearPreco) TravarPreco();
}

void TfrmDistServ::AbrirTerc() {
    cdsTerc.clear();
    sqlTerc.Close();
    sqlTerc.Open();
    for (sqlTerc.First(); !sqlTerc.Eof(); sqlTerc.Next()) {
        TRegTerc r;
        r.COD_BA = sqlTerc.FieldByName("COD_BA").AsInteger();
        r.NOME_BA = sqlTerc.FieldByName("NOME_BA").AsString();
        r.PRECO_BA = sqlTerc.FieldByName("PRECO_BA");
        r.GIRO_BA = sqlTerc.FieldByName("GIRO_BA");
        cdsTerc.push_back(std::move(r));
    }
    sqlTerc.Close();

    atualizandoCombo_ = true;
    cbTerc->clear();
    for (const auto& t : cdsTerc) cbTerc->addItem(Q(t.NOME_BA), QVariant::fromValue<qlonglong>(t.COD_BA));
    cbTerc->setCurrentIndex(-1);
    atualizandoCombo_ = false;
    AtualizarGrade();
}

const TRegTerc* TfrmDistServ::LocalizarTerc(std::int64_t cod) const {
    for (const auto& t : cdsTerc)
        if (t.COD_BA == cod) return &t;
    return nullptr;
}

void TfrmDistServ::CalcularContadores() {
    const plat::TDateTime data = DataJanela();
    Faixa f = FaixaDoMes(data);
    auto achar = [this](std::int64_t cod) -> TRegTerc* {
        for (auto& t : cdsTerc)
            if (t.COD_BA == cod) return &t;
        return nullptr;
    };
    sqlAtu.Close();
    sqlAtu.ParamByName("DTINI").SetAsDateTime(f.inicio);
    sqlAtu.ParamByName("DTFIM").SetAsDateTime(f.fim);
    sqlAtu.Open();
    for (sqlAtu.First(); !sqlAtu.Eof(); sqlAtu.Next()) {
        TRegTerc* t = achar(sqlAtu.FieldByName("TERCEIRIZADO_EX").AsInteger());
        if (!t) continue;
        const std::int64_t q = sqlAtu.FieldByName("QTDE_EX").AsInteger();
        t->QT_MES = SomarPares(t->QT_MES.value_or(0), q);
        if (plat::MesmoDia(sqlAtu.FieldByName("SAIDA_EX").AsDateTime(), data)) t->QT_DIA = SomarPares(t->QT_DIA.value_or(0), q);
    }
    sqlAtu.Close();
    sqlPend.Close();
    sqlPend.Open();
    for (sqlPend.First(); !sqlPend.Eof(); sqlPend.Next()) {
        TRegTerc* t = achar(sqlPend.FieldByName("TERCEIRIZADO_EX").AsInteger());
        if (!t) continue;
        t->QT_PEND = SomarPares(t->QT_PEND.value_or(0), sqlPend.FieldByName("QTDE_EX").AsInteger());
    }
    sqlPend.Close();
    AtualizarGrade();
}

void TfrmDistServ::AtualizarGrade() {
    auto contador = [](const std::optional<std::int64_t>& v) {
        return v ? Q(FormatarEscalado(*v, 0, "###,##0")) : QString();
    };
    dbgTerc->setRowCount(static_cast<int>(cdsTerc.size()));
    for (int i = 0; i < static_cast<int>(cdsTerc.size()); ++i) {
        const TRegTerc& t = cdsTerc[static_cast<size_t>(i)];
        QString giro = t.GIRO_BA.IsNull()
                           ? QString()
                           : Q(FormatarEscalado(t.GIRO_BA.AsInteger(), 0, "###,##0"));
        QString cel[6] = {Q(FormatarEscalado(t.COD_BA, 0, "000")),
                          Q(t.NOME_BA),
                          giro,
                          contador(t.QT_DIA),
                          contador(t.QT_MES),
                          contador(t.QT_PEND)};
        for (int c = 0; c < 6; ++c) {
            auto* it = dbgTerc->item(i, c);
            if (!it) {
                it = new QTableWidgetItem;
                dbgTerc->setItem(i, c, it);
            }
            it->setText(cel[c]);
            it->setTextAlignment(c == 1 ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignRight | Qt::AlignVCenter));
        }
    }
}

plat::TDateTime TfrmDistServ::DataJanela() const {
    QDate d = deData->date();
    return plat::EncodeDate(d.year(), d.month(), d.day());
}

bool TfrmDistServ::ModoSaida() const { return cbSaidaRetorno->currentIndex() != 1; }

// ---- combos -----------------------------------------------------------------------

void TfrmDistServ::DefinirChaveCombo(QComboBox* cb, const std::string& chave) {
    int idx = -1;
    if (cb == cbTerc) {
        bool ok = false;
        qlonglong v = Q(plat::Aparar(chave)).toLongLong(&ok);
        if (ok) idx = cb->findData(QVariant::fromValue<qlonglong>(v));
    } else {
        idx = cb->findData(Q(chave));
    }
    if (cb->currentIndex() != idx) cb->setCurrentIndex(idx);
}

std::string TfrmDistServ::ChaveCombo(QComboBox* cb) const {
    if (cb->currentIndex() < 0) return {};
    QVariant v = cb->currentData();
    if (cb == cbTerc) return std::to_string(v.toLongLong());
    return S(v.toString());
}

void TfrmDistServ::PreencherCombo(QComboBox* cb, const std::vector<TRegCodigo>& lista) {
    atualizandoCombo_ = true;
    cb->clear();
    for (const auto& r : lista) cb->addItem(Q(r.nome), Q(r.codigo));
    cb->setCurrentIndex(-1);
    atualizandoCombo_ = false;
}

// ---- price ------------------------------------------------------------------------

void TfrmDistServ::AplicarEstadoPreco(EstadoPreco e) {
    estadoPreco_ = e;
    switch (e) {
        case EstadoPreco::Editavel:
            cePreco->setReadOnly(false);
            DefinirCor(cePreco, Qt::white);
            break;
        case EstadoPreco::EditavelCorJanela:
            cePreco->setReadOnly(false);
            DefinirCor(cePreco, QApplication::palette().color(QPalette::Base));
            break;
        case EstadoPreco::Travado:
            cePreco->setReadOnly(true);
            DefinirCor(cePreco, kAmareloClaro);
            break;
        case EstadoPreco::SomenteLeitura:
            cePreco->setReadOnly(true);
            break;
    }
}

void TfrmDistServ::TravarPreco() { AplicarEstadoPreco(EstadoPreco::Travado); }

void TfrmDistServ::BuscaPreco() {
    if (!ModoSaida()) return;
    const std::string prod = S(edProd->text()), tipo = S(edTpServ->text());
    bool achou = false;
    plat::Dinheiro valor;
    if (plat::RepresentavelEmCp1252({prod, tipo})) {
        try {
            sqlPrecoSer.Close();
            sqlPrecoSer.ParamByName("TERC").SetAsInteger(ceTerc->Escalado());
            sqlPrecoSer.ParamByName("PROD").SetAsString(prod);
            sqlPrecoSer.ParamByName("TPSERV").SetAsString(tipo);
            sqlPrecoSer.Open();
            achou = !sqlPrecoSer.Eof();
            if (achou) valor = sqlPrecoSer.FieldByName("VALOR_PS").AsCurrency();
            sqlPrecoSer.Close();
        } catch (...) {
            cePreco->SetEscalado(0);  // a lookup that failed leaves no price of another product
            throw;
        }
    }
    // The price is set once, when known (a 0 shown first would run the total twice).
    ResultadoPreco r = ResolverPreco(achou, valor, par_.bloquearPreco, estadoPreco_);
    cePreco->SetDinheiro(r.preco);
    AplicarEstadoPreco(r.estado);
}

// ---- choice handlers --------------------------------------------------------------

void TfrmDistServ::ceTercChange() {
    DefinirChaveCombo(cbTerc, S(ceTerc->text()));
    BuscaPreco();
    const std::int64_t terc = ceTerc->Escalado();
    CarregaTiposServico(terc);
    CarregaSetores(terc);
}

void TfrmDistServ::cbTercChange() {
    if (atualizandoCombo_ || !cbTerc->hasFocus() || cbTerc->currentIndex() < 0) return;
    ceTerc->SetEscalado(cbTerc->currentData().toLongLong());
}

void TfrmDistServ::cbSaidaRetornoChange() {
    IServicosSistema& srv = ServicosSistema();
    if (DataServidorNaTrocaDeModo(srv.NomeEmpresa())) {
        int ano, mes, dia;
        plat::DecodeDate(srv.DataServidor(), ano, mes, dia);
        deData->setDate(QDate(ano, mes, dia));
        deData->setEnabled(false);
    }
    if (!ModoSaida()) {
        AplicarEstadoPreco(EstadoPreco::SomenteLeitura);
        ceTerc->setEnabled(false);
        cbTerc->setEnabled(false);
    } else {
        if (!par_.bloquearPreco) AplicarEstadoPreco(EstadoPreco::Editavel);
        ceTerc->setEnabled(true);
        cbTerc->setEnabled(true);
    }
}

void TfrmDistServ::edTpServChange() {
    DefinirChaveCombo(cbTpServ, S(edTpServ->text()));
    BuscaPreco();
}

void TfrmDistServ::cbTpServChange() {
    if (atualizandoCombo_ || !cbTpServ->hasFocus() || cbTpServ->currentIndex() < 0) return;
    edTpServ->setText(Q(ChaveCombo(cbTpServ)));
}

void TfrmDistServ::edTpServExit() {
    if (!EhKaldu(ServicosSistema().NomeEmpresa())) return;
    if (auto setor = SetorKaldu(S(edTpServ->text()), ModoSaida())) edSetor->setText(Q(*setor));
}

void TfrmDistServ::edSetorChange() { DefinirChaveCombo(cbSetor, S(edSetor->text())); }

void TfrmDistServ::cbSetorChange() {
    if (atualizandoCombo_ || !cbSetor->hasFocus() || cbSetor->currentIndex() < 0) return;
    edSetor->setText(Q(ChaveCombo(cbSetor)));
}

void TfrmDistServ::edProdChange() { BuscaPreco(); }

void TfrmDistServ::ceQtParesChange() {
    // A price being typed beyond its limits, or a product the money type cannot hold, has
    // no total: it is shown as invalid rather than left as it was.
    if (!ceQtPares->Valido() || !cePreco->Valido()) return cePrecoTot->MostrarInvalido();
    try {
        cePrecoTot->SetDinheiro(PrecoTotal(ceQtPares->Escalado(), cePreco->Dinheiro()));
    } catch (const std::overflow_error&) {
        cePrecoTot->MostrarInvalido();
    }
}

void TfrmDistServ::CarregaTiposServico(std::int64_t terc) {
    CarregaCodigos(sqlPesqTpServ, terc, "COD_TA", "DESC_TA",
                   "select COD_TA, DESC_TA from TABELA where NUM_TA='35' order by DESC_TA", cdsTpServ, cbTpServ,
                   edTpServ);
}

void TfrmDistServ::CarregaSetores(std::int64_t terc) {
    CarregaCodigos(sqlPesqSetor, terc, "COD_SE", "NOME_SE", "select COD_SE, NOME_SE from SETOR order by NOME_SE",
                   cdsSetor, cbSetor, edSetor);
}

// The codes the workshop offers (or, when it offers none, every code of `sqlTodos`) into
// `lista` and its combo; a code in the edit that the workshop does not offer is emptied.
void TfrmDistServ::CarregaCodigos(db::Query& pesquisa, std::int64_t terc, const char* campoCod,
                                  const char* campoDesc, const char* sqlTodos, std::vector<TRegCodigo>& lista,
                                  QComboBox* cb, QLineEdit* ed) {
    auto ler = [&](db::Query& q, std::vector<TRegCodigo>& destino) {
        for (q.First(); !q.Eof(); q.Next())
            destino.push_back({q.FieldByName(campoCod).AsString(), q.FieldByName(campoDesc).AsString()});
    };
    std::vector<TRegCodigo> novos;
    pesquisa.Close();
    pesquisa.ParamByName("TERC").SetAsInteger(terc);
    pesquisa.Open();
    ler(pesquisa, novos);
    pesquisa.Close();
    const bool proprios = !novos.empty();
    if (!proprios) {
        db::Query todos(ServicosSistema().Conexao());
        todos.SetSQL(sqlTodos);
        todos.Open();
        ler(todos, novos);
    }
    lista = std::move(novos);
    PreencherCombo(cb, lista);
    const std::string atual = S(ed->text());
    bool oferecido = false;
    for (const auto& r : lista) oferecido = oferecido || r.codigo == atual;
    if (proprios && !oferecido && !atual.empty()) ed->clear();  // runs the edit's change handler
    else DefinirChaveCombo(cb, atual);
}

// ---- ticket entry -----------------------------------------------------------------

void TfrmDistServ::edProgChange() {
    if (!reescrevendoProg_ && edProg->isEnabled() && edProg->text().size() >= edProg->maxLength()) edFicha->setFocus(Qt::TabFocusReason);
}

void TfrmDistServ::edFichaChange() {
    if (edFicha->isEnabled() && edFicha->text().size() >= 4) edSubF->setFocus(Qt::TabFocusReason);
}

void TfrmDistServ::edProgExit() {
    std::string t = S(edProg->text());
    switch (ClassificarProgramacao(t)) {
        case EntradaProg::Identificador:
            LimparMemo(mmoObs);
            LocalizaFicha();
            return;
        case EntradaProg::Manual:
            MudarTexto(edProg, Q(PreencherEsquerda(t, '0', 6)));
            break;
        case EntradaProg::Vazia:
            break;
        case EntradaProg::CodigoBarras: {
            CodigoFicha c = DividirCodigoBarras(t);
            MudarTexto(edFicha, Q(c.ficha));
            if (c.subFicha) MudarTexto(edSubF, Q(*c.subFicha));
            MudarTexto(edProg, Q(c.prog));
            break;
        }
    }
    LimparMemo(mmoObs);
}

void TfrmDistServ::edFichaExit() {
    std::string t = S(edFicha->text());
    if (!plat::Aparar(t).empty()) MudarTexto(edFicha, Q(PreencherEsquerda(t, '0', 4)));
}

void TfrmDistServ::edSubFExit() {
    std::string t = S(edSubF->text());
    if (!plat::Aparar(t).empty()) MudarTexto(edSubF, Q(PreencherEsquerda(t, '0', 4)));
}

void TfrmDistServ::edSubFKeyPress(QChar& key) {
    if (key == QChar('\r')) {
        key = QChar();
        LocalizaFicha();
    }
}

void TfrmDistServ::BuscaSubFichaPorId(const std::string& codigo) {
    // The identifier printed on a sub-ticket is a number: a code with anything else in it
    // names no sub-ticket (and is not handed to the database to convert).
    const std::string id = IdentificadorSubFicha(codigo);
    const bool numerico = !id.empty() && id.find_first_not_of("0123456789") == std::string::npos;
    sqlSubFichaId.Close();
    bool achou = false;
    if (numerico) {
        sqlSubFichaId.ParamByName("ID").SetAsString(id);
        sqlSubFichaId.Open();
        achou = !sqlSubFichaId.Eof();
    }
    if (achou) {
        ficha_ = {sqlSubFichaId.FieldByName("PROG_PR").AsString(), sqlSubFichaId.FieldByName("FICHA_PR").AsString(),
                  sqlSubFichaId.FieldByName("SUBFICHA_PR").AsString()};
        edProg->setText(Q(ficha_.prog));
        edFicha->setText(Q(ficha_.ficha));
        edSubF->setText(Q(ficha_.subFicha));
    } else {
        ficha_ = {};
    }
    sqlSubFichaId.Close();
}

void TfrmDistServ::LocalizaFicha() {
    ++contagemLocaliza_;
    if (edSubF->text().isEmpty()) edSubF->setText(QStringLiteral("0000"));
    {
        // The rewrite of the programme is not the operator typing: a failed lookup leaves
        // the focus where it was.
        const QString mapeado = Q(MapearProgramacao(S(edProg->text())));
        if (mapeado != edProg->text()) {
            reescrevendoProg_ = true;
            edProg->setText(mapeado);
            reescrevendoProg_ = false;
        }
    }
    std::string prog = S(edProg->text());
    if (plat::ContarCaracteres(prog) == 10) {
        BuscaSubFichaPorId(prog);
    } else {
        ficha_ = {prog, S(edFicha->text()), PreencherEsquerda(S(edSubF->text()), '0', 4)};
    }
    ficha_.prog = ProgramacaoDaBusca(ficha_.prog);

    // A text the database cannot hold matches no row of it.
    bool achou = plat::RepresentavelEmCp1252({ficha_.prog, ficha_.ficha});
    if (achou) {
        sqlProg.Close();
        ficha_.Vincular(sqlProg, nullptr);
        sqlProg.Open();
        achou = !sqlProg.Eof();
    }
    if (!achou) {
        sqlProg.Close();
        plat::Aviso(kMsgProgNaoLocalizada);
        return;
    }
    sqlProg.First();
    const std::string prod = sqlProg.FieldByName("PROD_IT").AsString();
    const std::string padron = sqlProg.FieldByName("PADRON_IT").AsString() + " - " +
                               sqlProg.FieldByName("DESC_PAD").AsString();
    std::optional<std::int64_t> pares = ParesInteiros(sqlProg.FieldByName("TOT_PARES"));
    sqlProg.Close();

    if (ficha_.subFicha != "0000") {
        bool nulo = !plat::RepresentavelEmCp1252(ficha_.subFicha);
        if (!nulo) {
            sqlSubFicha.Close();
            ficha_.Vincular(sqlSubFicha);
            sqlSubFicha.Open();
            nulo = sqlSubFicha.Eof() || sqlSubFicha.FieldByName("TOT_PARES").IsNull();
            if (!nulo) pares = ParesInteiros(sqlSubFicha.FieldByName("TOT_PARES"));
            sqlSubFicha.Close();
        }
        if (nulo) {
            plat::Aviso("Subficha não localizada.");
            return;
        }
    }

    const bool saida = ModoSaida();
    if (!saida) {
        const std::string tipo = S(edTpServ->text());
        bool existe = plat::RepresentavelEmCp1252({tipo, ficha_.subFicha});
        if (existe) {
            sqlExterno.Close();
            sqlExterno.ParamByName("TPSERV").SetAsString(tipo);
            ficha_.Vincular(sqlExterno);
            sqlExterno.Open();
            existe = !sqlExterno.Eof();
        }
        if (!existe) {
            sqlExterno.Close();
            plat::Aviso(kMsgSemSaida);
            return;
        }
        sqlExterno.First();
        pares = sqlExterno.FieldByName("QTDE_EX").AsInteger();
        const plat::Dinheiro valor = sqlExterno.FieldByName("VALOR_EX").AsCurrency();
        const std::int64_t terc = sqlExterno.FieldByName("TERCEIRIZADO_EX").AsInteger();
        sqlExterno.Close();
        cePreco->SetDinheiro(valor);
        ceTerc->SetEscalado(terc);  // runs the workshop change handling
        TravarPreco();
        edTpServ->setEnabled(false);
        cbTpServ->setEnabled(false);
    }

    // A count of pairs its column cannot hold is refused: nothing to record.
    if (!pares || !ceQtPares->Cabe(*pares)) {
        plat::Aviso(ceQtPares->MsgLimites());
        return;
    }
    ceQtPares->SetEscalado(*pares);
    MudarTexto(edProd, Q(prod));  // a new product runs the price lookup
    MudarTexto(edPadron, Q(padron));

    // The focus goes to its place before the ticket fields are disabled: disabling the
    // focused field would first move it to the next control, with its exit handling.
    btGravar->setEnabled(true);
    if (!saida || EhKaldu(ServicosSistema().NomeEmpresa())) btGravar->setFocus(Qt::TabFocusReason);
    else cePreco->setFocus(Qt::TabFocusReason);
    HabilitarTicket(false);
}

void TfrmDistServ::HabilitarTicket(bool sim) {
    edProg->setEnabled(sim);
    edFicha->setEnabled(sim);
    edSubF->setEnabled(sim);
}

void TfrmDistServ::LimpaTela() {
    btGravar->setEnabled(false);
    HabilitarTicket(true);
    edTpServ->setEnabled(true);
    cbTpServ->setEnabled(true);
    for (QLineEdit* e : {edProg, edFicha, edSubF, edProd, edPadron}) MudarTexto(e, {});  // a product emptied runs the price lookup
    ceQtPares->SetEscalado(0);
    cePreco->SetEscalado(0);
    if (!par_.bloquearPreco) AplicarEstadoPreco(EstadoPreco::Editavel);
    edProg->setFocus(Qt::TabFocusReason);
}

void TfrmDistServ::btDesistirClick() { LimpaTela(); }

void TfrmDistServ::btFecharClick() { close(); }

// ---- recording --------------------------------------------------------------------

std::function<bool(QWidget*)> TfrmDistServ::ValidarDiretor;
std::function<bool(TfrmDistServ&)> TfrmDistServ::MostrarPendentes;
TDmGlobal* TfrmDistServ::auditoria_ = nullptr;

void TfrmDistServ::LigarAuditoria(TDmGlobal* dm) { auditoria_ = dm; }

plat::Dinheiro TfrmDistServ::Preco() const { return cePreco->Dinheiro(); }

dist::TPedidoGravacao TfrmDistServ::Pedido() const {
    TPedidoGravacao p;
    p.saida = ModoSaida();
    p.terceirizado = ceTerc->Escalado();
    p.tipoServico = S(edTpServ->text());
    p.setor = S(edSetor->text());
    p.ficha = ficha_;
    p.data = DataJanela();
    p.preco = Preco();
    p.pares = ceQtPares->Escalado();
    p.observacao = S(mmoObs->toPlainText());
    p.produto = S(edProd->text());
    p.momento = plat::Agora();
    return p;
}

// False (after its message) when the result is a refusal.
static bool Aceito(const TResultadoGravacao& r) {
    if (r.Gravado()) return true;
    if (r.Erro()) plat::Erro(r.Mensagem());
    else plat::Aviso(r.Mensagem());
    return false;
}

void TfrmDistServ::btGravarClick() {
    // What is typed in a numeric field counts only within its limits (the refusal has
    // been shown when it was left, or is shown now). Not reformatted here: a new text
    // would run the field's change handling.
    for (TNumEdit* n : {ceTerc, cePreco})
        if (!n->Confirmar(false)) return;

    IServicosSistema& srv = ServicosSistema();
    const TPedidoGravacao pedido = Pedido();

    // 1-3: what must be filled in
    if (pedido.terceirizado == 0 || cbTerc->currentIndex() < 0 || cbTerc->currentText().isEmpty()) {
        plat::Aviso("Informe a terceirização.");
        ceTerc->setFocus(Qt::TabFocusReason);
        return;
    }
    if (pedido.tipoServico.empty() || cbTpServ->currentIndex() < 0) {
        plat::Aviso("Informe o Tipo de Serviço.");
        ceTerc->setFocus(Qt::TabFocusReason);
        return;
    }
    if (par_.setorObrigatorio && pedido.setor.empty()) {
        plat::Aviso("O campo Setor deve ser preenchido!");
        edSetor->setFocus(Qt::TabFocusReason);
        return;
    }

    const TRegrasGravacao regras{par_, srv.NomeEmpresa()};
    const bool kaldu = EhKaldu(regras.empresa);
    // 7-8: the installation's rules that ask a person come after the checks of the
    // database (4-6), which run first on their own.
    const bool giro = pedido.saida && kaldu;
    const bool pendentes = kaldu && pedido.setor == "02";
    if (giro || pendentes) {
        if (!Aceito(VerificarGravacao(srv.Conexao(), regras, pedido))) return;
        if (giro && GiroExcedido()) return;
        if (pendentes) {
            CarregaServicosPendentes(S(ceTerc->text()), pedido.tipoServico, pedido.setor);
            if (!cdsServPend.empty()) {
                FAutorizado = MostrarPendentes ? MostrarPendentes(*this) : false;
                if (!FAutorizado) return;
            }
        }
    }

    // 4-6 and 9-14: checked again and written in one transaction.
    const TResultadoGravacao r =
        Gravar(srv.Conexao(), regras, pedido, AuditoriaLigada(NomeExecutavel) ? auditoria_ : nullptr);
    if (!Aceito(r)) return;

    mmoObs->clear();
    AtualizaContadores(r.terceirizado);
    for (std::int64_t t : r.inspecoes) AtualizaContadores(t);
    AtualizarGrade();
    LimpaTela();
    // the pending lists of the workshops whose rows changed
    TfrmDistTercPend::AtualizarTerceirizado(r.terceirizado);
    for (std::int64_t t : r.inspecoes) TfrmDistTercPend::AtualizarTerceirizado(t);
}

void TfrmDistServ::AtualizaContadores(std::int64_t terc) {
    for (auto& t : cdsTerc) {
        if (t.COD_BA != terc) continue;
        const std::int64_t pares = ceQtPares->Escalado();
        if (ModoSaida()) {
            t.QT_DIA = SomarPares(t.QT_DIA.value_or(0), pares);
            t.QT_MES = SomarPares(t.QT_MES.value_or(0), pares);
            t.QT_PEND = SomarPares(t.QT_PEND.value_or(0), pares);
        } else {
            t.QT_PEND = SomarPares(t.QT_PEND.value_or(0), -pares);
        }
        return;
    }
}

bool TfrmDistServ::GiroExcedido() {
    const TRegTerc* t = LocalizarTerc(ceTerc->Escalado());
    if (!t) return false;
    const std::int64_t pares = ceQtPares->Escalado();
    if (GiroUltrapassado(t->QT_PEND.value_or(0), pares, t->GIRO_BA.IsNull() ? 0 : t->GIRO_BA.AsInteger())) {
        plat::Aviso("Qtde acima do giro do Terceirizado.");
        return !AutorizaDiretor();
    }
    return false;
}

bool TfrmDistServ::AutorizaDiretor() { return ValidarDiretor ? ValidarDiretor(this) : false; }

void TfrmDistServ::CarregaServicosPendentes(const std::string& terc, const std::string& tipo,
                                            const std::string& setor) {
    cdsServPend.clear();
    if (!plat::RepresentavelEmCp1252({terc, tipo, setor})) return;  // no dispatch holds such a text
    const plat::TDateTime corte = DiasUteisAntes(ServicosSistema().DataServidor(), 5);
    sqlServPend.Close();
    sqlServPend.ParamByName("terc").SetAsString(terc);
    sqlServPend.ParamByName("tipo").SetAsString(tipo);
    sqlServPend.ParamByName("setor").SetAsString(setor);
    sqlServPend.Open();
    for (sqlServPend.First(); !sqlServPend.Eof(); sqlServPend.Next()) {
        const double saidaEx = sqlServPend.FieldByName("saida_ex").AsDateTime();
        if (sqlServPend.FieldByName("saida_ex").IsNull() || !(saidaEx < corte)) continue;
        cdsServPend.push_back({sqlServPend.FieldByName("prog_ex").AsString(), sqlServPend.FieldByName("ficha_ex").AsString(),
                               sqlServPend.FieldByName("qtde_ex").AsInteger(), saidaEx});
    }
    sqlServPend.Close();
    std::stable_sort(cdsServPend.begin(), cdsServPend.end(), [](const TRegServPend& a, const TRegServPend& b) {
        return a.PROG != b.PROG ? a.PROG < b.PROG : a.FICHA < b.FICHA;
    });
}

// ---- keys and focus ---------------------------------------------------------------

void TfrmDistServ::FormKeyPress(QChar& key) {
    QWidget* foco = ActiveControl();
    if (foco == edSubF) {
        edSubFKeyPress(key);
        return;
    }
    // Enter on a focused button presses it.
    if (key == QChar('\r')) {
        if (auto* b = qobject_cast<QAbstractButton*>(foco)) {
            key = QChar();
            if (b->isEnabled()) b->click();
            return;
        }
    }
    TfMdiChild::FormKeyPress(key);
}

bool TfrmDistServ::eventFilter(QObject* obj, QEvent* ev) {
    if (ev->type() == QEvent::FocusOut &&
        (obj == edProg || obj == edFicha || obj == edSubF || obj == edTpServ)) {
        auto* f = static_cast<QFocusEvent*>(ev);
        if (f->reason() != Qt::ActiveWindowFocusReason && f->reason() != Qt::PopupFocusReason) {
            if (obj == edProg) plat::Protegido([this] { edProgExit(); });
            else if (obj == edFicha) plat::Protegido([this] { edFichaExit(); });
            else if (obj == edSubF) plat::Protegido([this] { edSubFExit(); });
            else plat::Protegido([this] { edTpServExit(); });
        }
    }
    return TfMdiChild::eventFilter(obj, ev);
}
