#include "distribution/FDistServPend.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <memory>

#include "platform/DataHora.h"
#include "platform/Mensagens.h"
#include "rules/FEtiqDespUsuario.h"

std::function<bool(QWidget*)> TfrmDistServPend::ValidarDiretor;

namespace {

// dd/mm/yyyy hh:nn:ss of a day count since 30 Dec 1899, from the count alone: a local-time
// QDateTime of 1899 takes the zone's local mean time of then (São Paulo: 3:06:28 behind) and
// shows every dispatch minutes off.
QString DataHora(double d) { return QString::fromStdString(plat::FormatDateTime("dd/mm/yyyy hh:nn:ss", d)); }

}  // namespace

TfrmDistServPend::TfrmDistServPend(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QString::fromUtf8("Serviço Externo - Programações Pendentes"));
    setFixedSize(461, 257);

    Panel1 = new QFrame(this);
    Panel1->setGeometry(0, 0, 461, 41);
    Label1 = new QLabel(QString::fromUtf8("Programação(ões) anterior(es) em Aberto. Não será efetuada nova Distribuição."),
                        Panel1);
    Label1->setGeometry(0, 0, 461, 41);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    QFont f = Label1->font();
    f.setBold(true);
    Label1->setFont(f);
    QPalette p = Label1->palette();
    p.setColor(QPalette::WindowText, Qt::red);
    Label1->setPalette(p);

    DBGrid1 = new QTableWidget(0, 4, this);
    DBGrid1->setGeometry(0, 41, 461, 175);
    DBGrid1->setHorizontalHeaderLabels(
        {QString::fromUtf8("Programação"), "Ficha", QString::fromUtf8("Data Saída"), "Qtde"});
    const int larguras[] = {90, 90, 145, 90};
    for (int c = 0; c < 4; ++c) DBGrid1->setColumnWidth(c, larguras[c]);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->verticalHeader()->hide();

    Panel2 = new QFrame(this);
    Panel2->setGeometry(0, 216, 461, 41);
    BitBtn1 = new QPushButton(QString::fromUtf8("Autorização"), Panel2);
    BitBtn1->setGeometry(180, 7, 101, 27);
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        plat::Protegido([this] { BitBtn1Click(); });
        done(QDialog::Accepted);
    });

    if (owner) move(owner->mapToGlobal(owner->rect().center()) - rect().center());
}

TfrmDistServPend::~TfrmDistServPend() = default;

void TfrmDistServPend::dtsServ(const std::vector<TRegServPend>& linhas) {
    DBGrid1->setRowCount(static_cast<int>(linhas.size()));
    for (int r = 0; r < static_cast<int>(linhas.size()); ++r) {
        const auto& l = linhas[static_cast<std::size_t>(r)];
        const QString textos[] = {QString::fromStdString(l.PROG), QString::fromStdString(l.FICHA), DataHora(l.DTSAIDA),
                                  QString::number(l.QTDE)};
        for (int c = 0; c < 4; ++c) {
            auto* it = new QTableWidgetItem(textos[c]);
            it->setTextAlignment(Qt::AlignCenter);
            DBGrid1->setItem(r, c, it);
        }
    }
    if (!linhas.empty()) DBGrid1->setCurrentCell(0, 0);
}

void TfrmDistServPend::BitBtn1Click() {
    FAutorizado = false;
    FAutorizado = ValidarDiretor ? ValidarDiretor(this) : TfrmEtiqCPagarUsuario::Validar(this, {"DIRETOR"});
}

bool TfrmDistServPend::Mostrar(TfrmDistServ& janela) {
    // Owned by the caller only for the modal run: destroyed here, exactly once.
    std::unique_ptr<TfrmDistServPend> d(new TfrmDistServPend(&janela));
    d->dtsServ(janela.cdsServPend);
    d->exec();
    return d->FAutorizado;
}
