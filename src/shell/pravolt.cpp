// Program entry: keeps a second copy from running, then creates the main window and runs
// the message loop.
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

#include "db/Connection.h"
#include "db/Sinais.h"
#include "platform/InstanciaUnica.h"
#include "platform/Mensagens.h"
#include "platform/SinaisTermino.h"
#include "shell/EncerramentoQt.h"
#include "shell/FPrinc.h"
#include "shell/MensagensQt.h"
#include "shell/UAplicacao.h"

namespace {

const char* const NomeGuarda = "Só Chama uma vez";
const char* const TextoJaExecutando = "O programa \"Sirvanta\" já está sendo executado!";
const char* const TituloJaExecutando = "PROGRAMA EM EXECUÇÃO";

// Releases whatever the application object owns before the QApplication goes, on every
// path out of the message loop.
struct LiberarAplicacao {
    ~LiberarAplicacao() { Aplicacao().Liberar(); }
};

void Executar(int& argc, char** argv) {
    plat::AplicacaoQt app(argc, argv);
    plat::InstalarMensagensPrograma();
    TEncerramentoPorSinal sinais;
    QApplication::setApplicationName(QStringLiteral("Barvenco"));
    plat::DefinirTituloAplicacao("Barvenco");
    LiberarAplicacao liberar;
    try {
        // The application object owns the frame from before its creation handler runs, so
        // what that handler adds (connections, data modules) is released before the frame.
        TfrmPrinc* frm = Aplicacao().Adicionar(std::make_unique<TfrmPrinc>());
        {
            // The start-up (the frame's creation and first show, which opens the
            // distribution window) attaches several times: a server that never answers
            // costs one time-out and one message per location.
            db::MemoriaSemResposta inicio;
            frm->Inicializar();
            if (!sinais.Pedido()) frm->showMaximized();
        }
        if (!sinais.Pedido()) app.exec();
        // Ended by a signal: the frame closes as the operator's close does (the distribution
        // window goes first, while its connections still exist).
        if (sinais.Pedido()) frm->close();
    } catch (const std::exception& e) {
        plat::RelatarErro(e);
    } catch (...) {
        plat::RelatarErroDesconhecido();
    }
}

}  // namespace

int main(int argc, char** argv) {
    // SIGTERM, SIGINT and SIGHUP end the program through its teardown (TEncerramentoPorSinal);
    // from the very start, so that none is lost, and before the database client installs
    // its own handlers, which then pass the signal on. The client must not shut its engine
    // down on them: the program goes on until its teardown detaches.
    plat::InstalarSinaisTermino();
    db::RecusarEncerramentoPorSinal([] { plat::PedirTermino(0); });
    // 1. A main window of class "TfrmPrinc" titled "Sirvanta" (looked for before this
    //    program has a window of its own).
    const std::optional<plat::JanelaEncontrada> janela = plat::ProcurarJanela("TfrmPrinc", "Sirvanta");
    {
        // 2. The single-instance guard, held until the end of this block on every path.
        plat::InstanciaUnica guarda(NomeGuarda);
        if (!guarda.Falha().empty())
            std::fprintf(stderr, "pravolt: single-instance lock unavailable, starting without it (%s)\n",
                         guarda.Falha().c_str());
        try {
            if (guarda.JaExistia()) {
                // 3. Another copy runs: warn and end, without any window of this copy.
                plat::AplicacaoQt app(argc, argv);
                plat::InstalarMensagensPrograma();
                TEncerramentoPorSinal sinais;
                plat::Mensagens().Mostrar(
                    {plat::TipoMensagem::Aviso, TextoJaExecutando, TituloJaExecutando, plat::Botoes::Ok});
            } else {
                // 4. Start the program and run until the main window closes.
                Executar(argc, argv);
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "pravolt: %s\n", e.what());
        } catch (...) {
            std::fprintf(stderr, "pravolt: unknown error\n");
        }
    }
    // 5. Guard released; the window found at the start comes to the foreground.
    if (janela) plat::TrazerParaFrente(*janela);
    return 0;
}
