#pragma once
// Release history of the program, fetched from the maker's web service.
//
// The service is asked with a form-encoded POST of two fields, "programa" (the program
// code) and "form" (the window that asks), at /services/index.php/aplicativolog/listar on
// the host named by [LogAtualizacao] Servidor in Parametros.ini. It answers with a JSON
// object: "success" (boolean), "message" (the reason when "success" is false) and
// "result", an array of {"versao", "data", "descricao", "empresa"} in the order to list.
//
// Every failure (configuration, network, time-out, HTTP status, reply format) raises
// ELogAtuAplic with a Portuguese text for the user; a "data" that is not a date raises the
// platform's conversion error. The call never waits longer than the overall time-out.
#include <curl/curl.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/DataHora.h"

namespace logaplic {

// Version number of the running build: later versions are shown as pending updates.
inline constexpr int VersaoAplicativo = 6728;

inline constexpr const char* CaminhoServico = "/services/index.php/aplicativolog/listar";
inline constexpr const char* UserAgent = "Mozilla/3.0 (compatible; Indy Library)";
inline constexpr const char* Accept = "text/html, */*";
inline constexpr const char* TipoConteudo = "application/x-www-form-urlencoded";

// Where the host of the service is configured.
inline constexpr const char* SecaoConfiguracao = "LogAtualizacao";
inline constexpr const char* ChaveServidor = "Servidor";

// The maker's support user sees every version, whatever company it was made for.
inline constexpr const char* UsuarioSuporte = "QUENDA";

// Largest reply accepted (a release history is a few kilobytes): a larger one is refused
// before it is kept, and the reply's buffer never grows beyond it.
inline constexpr std::size_t TamanhoMaximoResposta = 4U * 1024 * 1024;
// Deepest nesting of arrays and objects read from a reply (the format has three levels);
// checked before parsing, since every level costs the parser memory.
inline constexpr int ProfundidadeMaxima = 64;

class ELogAtuAplic : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One version of the history.
struct VersaoLog {
    int versao = 0;
    plat::TDateTime data = 0;
    std::string descricao;  // HTML
    std::string empresa;    // empty for a general release
};

// Where the service is and how long it is waited for. The host defaults to Parametros.ini;
// tests replace it. The installation and the user come from the system services.
struct Ambiente {
    std::function<std::string()> servidor;     // host[:port]; default: ServidorConfigurado()
    long tempoConexaoMs = 10000;               // to open the connection
    long tempoTotalMs = 30000;                 // for the whole request, reply included
};

// The environment in force (a mutable singleton); RestaurarAmbiente puts the defaults back.
Ambiente& AmbienteAtual();
void RestaurarAmbiente();

// The host read from Parametros.ini (the system object's configuration directory).
// Throws ELogAtuAplic when the key is missing or empty.
std::string ServidorConfigurado();

// Full address of the service on a host written as "host", "host:port" or
// "http://host[:port]" (a trailing "/" is ignored). Other schemes are refused.
std::string EnderecoServico(const std::string& servidor);

// The form body: "programa=...&form=..." with both values URL-encoded.
std::string CorpoFormulario(const std::string& programa, const std::string& form);
// application/x-www-form-urlencoded encoding of one value (space as '+').
std::string CodificarFormulario(const std::string& valor);

// One POST to the service, prepared: the libcurl handle with every option, the headers and
// the reply's buffer. Run it here (Executar, blocking) or hand Handle() to a multi handle
// and call Concluir with the transfer's result.
class Requisicao {
public:
    Requisicao(std::string url, std::string corpo, long tempoConexaoMs, long tempoTotalMs);
    ~Requisicao();
    Requisicao(const Requisicao&) = delete;
    Requisicao& operator=(const Requisicao&) = delete;

    CURL* Handle() const noexcept;
    const std::string& Url() const noexcept;
    // Runs the transfer on this thread, then Concluir.
    std::string Executar();
    // The reply body, or ELogAtuAplic on a connection error, a time-out, an HTTP status
    // other than 2xx or a reply larger than TamanhoMaximoResposta.
    std::string Concluir(CURLcode resultado);
    // The largest the reply's buffer has been (never more than TamanhoMaximoResposta).
    std::size_t MaiorBuffer() const noexcept;

private:
    struct Dados;
    std::unique_ptr<Dados> d_;
};

// Posts the body and returns the reply body (a Requisicao run at once).
std::string Postar(const std::string& url, const std::string& corpo, long tempoConexaoMs, long tempoTotalMs);

// Reads the reply: every version of "result", in order. "success" false raises the
// service's "message"; anything else that does not fit the format raises ELogAtuAplic;
// a "data" that is not a short date raises plat::EConvertError.
std::vector<VersaoLog> InterpretarResposta(const std::string& corpo);

// Whether a version is listed for this installation and user.
bool Listada(const VersaoLog& v, const std::string& nomeEmpresa, const std::string& usuario);

// Whether a version is newer than the running build (shown as a pending update).
inline bool Pendente(int versao) { return versao > VersaoAplicativo; }

// What a fetch needs before the network: the address, the form, and who asks (read from
// the system services on the caller's thread).
struct PedidoVersoes {
    std::string url;
    std::string corpo;
    std::string empresa;
    std::string usuario;
};
PedidoVersoes PrepararPedido(const std::string& programa, const std::string& form);
// The versions of a reply listed for the one who asked, in the service's order.
std::vector<VersaoLog> VersoesListadas(const std::string& resposta, const PedidoVersoes& pedido);

// The whole fetch with the environment in force, on this thread: reads the company and
// the user, posts, reads the reply and keeps the versions listed for them.
std::vector<VersaoLog> CarregarVersoes(const std::string& programa, const std::string& form);

}  // namespace logaplic
