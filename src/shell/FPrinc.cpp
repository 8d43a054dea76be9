#include "shell/FPrinc.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMdiArea>
#include <QScreen>
#include <QTimer>

#include "distribution/FDistPravolt.h"
#include "distribution/FDistServPend.h"
#include "distribution/UFMdiChild.h"
#include "platform/IniFile.h"
#include "platform/InstanciaUnica.h"
#include "platform/Mensagens.h"
#include "rules/DGlobal.h"
#include "rules/FEtiqDespUsuario.h"
#include "shell/UAplicacao.h"
#include "shell/UCRSQLConnection.h"
#include "shell/UBdPrincipal.h"
#include "shell/USistema.h"

namespace {

// The child window holding the distribution window, while it exists.
QPointer<TfMdiChild> g_janelaDistribuicao;

}  // namespace

TfrmPrinc::TfrmPrinc(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmPrinc"));
    setWindowTitle(QStringLiteral("Quilmora"));
    QFont fonte(QStringLiteral("MS Sans Serif"));
    fonte.setStyleHint(QFont::SansSerif);
    fonte.setPointSize(8);
    setFont(fonte);

    area_ = new QMdiArea(this);
    area_->setObjectName(QStringLiteral("ClientArea"));
    area_->setBackground(QBrush(QColor(234, 255, 234)));
    setCentralWidget(area_);

    resize(870, 500);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());

    // Registered for the main-window search of another start; a request to come to the
    // foreground is picked up here.
    registro_ = std::make_unique<plat::RegistroJanela>("TfrmPrinc", "Quilmora");
    pedidoFrente_ = new QTimer(this);
    connect(pedidoFrente_, &QTimer::timeout, this, [this] {
        if (registro_ && registro_->PedidoParaFrente()) {
            if (isMinimized()) showMaximized();
            raise();
            activateWindow();
        }
    });
    pedidoFrente_->start(1000);
}

TfrmPrinc::~TfrmPrinc() { plat::Protegido([&] { FormDestroy(); }); }

void TfrmPrinc::Inicializar() {
    if (criado_) return;
    criado_ = true;
    // An error of any step is reported and the remaining steps do not run; the window is
    // still created and shown.
    plat::Protegido([&] { FormCreate(); });
}

void TfrmPrinc::FormCreate() {
    // Parametros.ini, parsed once for the whole start-up: every step below reads this copy.
    // A file that cannot be read is reported first, naming it; the start-up then goes on
    // with the defaults, whose own error follows.
    const std::shared_ptr<const plat::IniFile> configuracao = TSistema::Configuracao();
    if (const std::string problema = TSistema::ProblemaConfiguracao(*configuracao); !problema.empty())
        plat::Erro(problema);
    // Reads BD_PRINCIPAL, descrambles it and, when not empty, lets it replace the main
    // database location of the system object (constructed on the way, if not yet).
    AplicarBdPrincipal();
    TSistema& sis = Sistema();
    sis.CriarConexoes();
    sis.ConfigurarConexoes();
    sis.CriarDataModules();
    sis.FormPrincipal = this;
    inicioCompleto_ = true;
}

void TfrmPrinc::FormShow() {
    // Without a complete start-up there are no connections or data modules for the
    // distribution window to work with: the error that stopped the start-up has been
    // reported, and the frame stays open, empty and closable.
    if (!inicioCompleto_) return;
    if (!g_janelaDistribuicao) {
        LigarDialogosDistribuicao();
        // The distribution window is itself a child window of the frame.
        frmDistServ = TfMdiChild::Criar<TfrmDistServ>(this);
        g_janelaDistribuicao = frmDistServ;
    }
    g_janelaDistribuicao->show();
}

void TfrmPrinc::LigarDialogosDistribuicao() {
    // The director's consent and the pending-programmes dialog of the save.
    TfrmDistServ::ValidarDiretor = [](QWidget* dono) {
        return TfrmEtiqCPagarUsuario::Validar(dono, {"DIRETOR"});
    };
    TfrmDistServ::MostrarPendentes = &TfrmDistServPend::Mostrar;
    // The change audit log writes only for executables whose name lacks "PRAVOLT" (the
    // suite's other programs built from these units); this program normally writes none.
    // Its global module lives as long as the connections, owned by the application.
    const std::string exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
    if (dist::AuditoriaLigada(exe) && Sistema().ConexaoPrincipal) {
        auto* dm = Aplicacao().Adicionar(std::make_unique<TDmGlobal>(*Sistema().ConexaoPrincipal));
        dm->Usuario = Sistema().Usuario;
        TfrmDistServ::LigarAuditoria(dm);
    } else {
        TfrmDistServ::LigarAuditoria(nullptr);
    }
}

void TfrmPrinc::FormDestroy() {
    if (destruido_) return;
    destruido_ = true;
    if (g_janelaDistribuicao) delete g_janelaDistribuicao.data();
    if (SistemaCriado() && Sistema().FormPrincipal == this) Sistema().FormPrincipal = nullptr;
    DestruirSistema();
}

TfMdiChild* TfrmPrinc::JanelaDistribuicao() const { return g_janelaDistribuicao.data(); }

void TfrmPrinc::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!e->spontaneous()) plat::Protegido([&] { FormShow(); });
}

void TfrmPrinc::closeEvent(QCloseEvent* e) {
    QMainWindow::closeEvent(e);
    if (!e->isAccepted()) return;
    // The distribution window goes first, while the connections and data modules it works
    // with still exist (the application object releases them right after the loop ends).
    if (g_janelaDistribuicao) plat::Protegido([&] { delete g_janelaDistribuicao.data(); });
}
