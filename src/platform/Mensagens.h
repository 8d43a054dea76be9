#pragma once
// Every message the user sees goes through this one interface: a modal message box in
// the program, a recorder in the tests. Texts are UTF-8.
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace plat {

enum class TipoMensagem { Informacao, Aviso, Erro, Pergunta };
enum class Botoes { Ok, OkCancelar, SimNao };
enum class Resposta { Ok, Cancelar, Sim, Nao };

struct Mensagem {
    TipoMensagem tipo = TipoMensagem::Informacao;
    std::string texto;
    std::string titulo;
    Botoes botoes = Botoes::Ok;
};

class IMensagens {
public:
    virtual ~IMensagens() = default;
    virtual Resposta Mostrar(const Mensagem& m) = 0;
};

// The sink in force. Until one is installed, messages are written to standard error
// and answered with the first button.
IMensagens& Mensagens();
// Installs a sink (not owned); nullptr restores the default.
void DefinirMensagens(IMensagens* sink);

// The application title: caption of message boxes and of the error report.
const std::string& TituloAplicacao();
void DefinirTituloAplicacao(const std::string& titulo);

// Shortcuts: a single OK button, captioned with the application title unless given.
Resposta Informacao(const std::string& texto, const std::string& titulo = {});
Resposta Aviso(const std::string& texto, const std::string& titulo = {});
Resposta Erro(const std::string& texto, const std::string& titulo = {});

// The silent abort: ends the step that raised it without any report.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};
[[noreturn]] void Abort();

// An error that may meet several reports for one cause (rethrown by a handler that has
// shown it, or raised again at once for the same cause): only the first report shows it.
class ERelatoUnico {
public:
    virtual ~ERelatoUnico() = default;
    // True the first time it is asked for this cause, false afterwards.
    virtual bool PrimeiroRelato() const noexcept = 0;
};

// Whether a report of `e` is to be shown now: never for EAbort, once for an ERelatoUnico.
// A handler that shows an error in a text of its own asks this first.
bool DeveRelatar(const std::exception& e) noexcept;

// The platform's conversion error (a text that is not a number, ...).
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Text of the standard error report: the error's text with a full stop appended when
// its last character comes after "." in character-code order.
std::string TextoRelatorioErro(const std::string& texto);

// The application's standard error report: an error box with that text, OK, and the
// application title as caption. EAbort is not shown, nor an ERelatoUnico already shown.
void RelatarErro(const std::exception& e);
void RelatarErroDesconhecido();

// Runs a handler so that no exception leaves it: errors go to the standard error
// report and the step ends there. Every event handler of a window goes through it.
template <class F>
void Protegido(F&& f) noexcept {
    try {
        f();
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        RelatarErro(e);
    } catch (...) {
        RelatarErroDesconhecido();
    }
}

// Test double: records every message and answers with a queue of replies (then OK).
class GravadorMensagens : public IMensagens {
public:
    GravadorMensagens();   // installs itself
    ~GravadorMensagens() override;  // restores the sink that was in force
    Resposta Mostrar(const Mensagem& m) override;

    std::vector<Mensagem> registro;
    std::vector<Resposta> respostas;  // consumed front to back

    std::vector<std::string> Textos() const;
    void Limpar() { registro.clear(); }

private:
    IMensagens* anterior_;
};

}  // namespace plat
