#pragma once
// The program's message sink (modal message boxes) and its application object, which
// keeps every exception away from Qt's event loop.
#include <QApplication>

#include "platform/Mensagens.h"

namespace plat {

// Messages as modal message boxes: icon by kind, the buttons asked for (OK, OK and
// Cancelar, Sim and Não), the caption given, owned by the active window (none at start).
// A box ended without a button (its event loop told to end) answers OK, Cancelar or Não.
class MensagensQt : public IMensagens {
public:
    Resposta Mostrar(const Mensagem& m) override;
};

// Messages as text lines on standard error ("<kind>|<caption>|<text>"), answered with the
// first button. Selected with the environment variable PRAVOLT_MENSAGENS=stderr, for runs
// without anyone to click (automatic tests of the program).
class MensagensTexto : public IMensagens {
public:
    Resposta Mostrar(const Mensagem& m) override;
};

// Messages while the program ends on a request of the system, with nobody left to answer:
// text lines as MensagensTexto, answered OK, Cancelar or Não, so nothing goes on unasked.
class MensagensEncerramento : public IMensagens {
public:
    Resposta Mostrar(const Mensagem& m) override;
};

// The sink the program uses: MensagensTexto when PRAVOLT_MENSAGENS is "stderr", else a
// MensagensQt. Installs it and returns it.
IMensagens& InstalarMensagensPrograma();

// Application object: an exception raised by any event handler ends that handler and goes
// to the standard error report (the silent abort is not shown); the program goes on.
class AplicacaoQt : public QApplication {
    Q_OBJECT
public:
    AplicacaoQt(int& argc, char** argv);
    bool notify(QObject* receptor, QEvent* evento) override;
};

}  // namespace plat
