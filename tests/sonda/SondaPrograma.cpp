// Test probe: built from the program's own entry (src/shell/pravolt.cpp) and this file, so
// the process tests run the program exactly as it is, plus an observer that reports on
// standard error ("SONDA|...") what the tests wait for, and drives one action named by
// the environment variable PRAVOLT_SONDA:
//   (unset)   nothing: reports "SONDA|janela <n>" once the frame and the distribution window
//             show (<n>: objects the application object owns);
//   gravar    then records a dispatch of ticket 123456/0007 to workshop 1, service type B,
//             sector 11, and reports "SONDA|gravado";
//   gravar-com-sinal  the same, sending itself SIGTERM just before the save starts, so the
//             signal's handlers (the database client's among them) run while it saves;
//   pergunta  then asks a Sim/Não question in a message box and reports "SONDA|resposta <r>".
// Whenever a modal window opens it reports "SONDA|modal <title>"; during the teardown
// "SONDA|fim distribuicao <n>" and "SONDA|fim principal" as those windows go.
#include <QApplication>
#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "distribution/FDistPravolt.h"
#include "platform/Mensagens.h"
#include "shell/FPrinc.h"
#include "shell/UAplicacao.h"

namespace {

void Relatar(const std::string& s) {
    std::fprintf(stderr, "SONDA|%s\n", s.c_str());
    std::fflush(stderr);
}

void Focar(QWidget* w) {
    w->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
}

// Types into a control as the operator does, then Enter where the focus ends up.
void Digitar(QWidget* w, const char* texto, bool enter = true) {
    Focar(w);
    if (auto* e = qobject_cast<QLineEdit*>(w)) e->selectAll();
    for (const char* c = texto; *c; ++c) QTest::keyClick(QApplication::focusWidget(), *c);
    if (enter) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

void Gravar(TfrmPrinc* frm, TfrmDistServ* w, bool comSinal) {
    QApplication::setActiveWindow(frm);
    if (!QTest::qWaitForWindowActive(frm)) return Relatar("janela inativa");
    Digitar(w->ceTerc, "1");
    Digitar(w->edTpServ, "B");
    Digitar(w->edSetor, "11", false);
    Digitar(w->edProg, "1234560007");
    if (!w->btGravar->isEnabled()) return Relatar("ficha não carregada");
    if (comSinal) raise(SIGTERM);
    w->btGravar->click();
    Relatar("gravado");
}

void Agir(TfrmPrinc* frm, TfrmDistServ* w) {
    const char* acao = std::getenv("PRAVOLT_SONDA");
    const std::string a = acao ? acao : "";
    if (a == "gravar" || a == "gravar-com-sinal") Gravar(frm, w, a == "gravar-com-sinal");
    if (a == "pergunta") {
        const plat::Resposta r = plat::Mensagens().Mostrar(
            {plat::TipoMensagem::Pergunta, "Continuar?", "Sonda", plat::Botoes::SimNao});
        Relatar(std::string("resposta ") + (r == plat::Resposta::Sim ? "Sim" : r == plat::Resposta::Nao ? "Nao" : "outra"));
    }
}

void Observar() {
    static QWidget* ultimoModal = nullptr;
    static bool vista = false;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != ultimoModal) Relatar("modal " + modal->windowTitle().toStdString());
    ultimoModal = modal;
    if (vista || !frmDistServ || !frmDistServ->isVisible()) return;
    TfrmPrinc* frm = nullptr;
    for (QWidget* t : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<TfrmPrinc*>(t)) frm = f;
    if (!frm || !frm->isVisible()) return;
    vista = true;
    QObject::connect(frmDistServ, &QObject::destroyed,
                     [] { Relatar("fim distribuicao " + std::to_string(Aplicacao().Quantidade())); });
    QObject::connect(frm, &QObject::destroyed, [] { Relatar("fim principal"); });
    Relatar("janela " + std::to_string(Aplicacao().Quantidade()));
    TfrmDistServ* w = frmDistServ;
    QTimer::singleShot(0, [frm, w] { Agir(frm, w); });
}

void Iniciar() {
    auto* t = new QTimer(QCoreApplication::instance());
    QObject::connect(t, &QTimer::timeout, &Observar);
    t->start(20);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Iniciar)
