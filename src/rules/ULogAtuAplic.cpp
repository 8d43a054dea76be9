#include "rules/ULogAtuAplic.h"

#include <curl/curl.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>

#include "platform/IniFile.h"
#include "platform/Texto.h"
#include "shell/UServicosSistema.h"
#include "shell/USistema.h"

namespace logaplic {

namespace {

const char* const kServico = "serviço de log de atualizações";

Ambiente AmbientePadrao() {
    Ambiente a;
    a.servidor = [] { return ServidorConfigurado(); };
    return a;
}

Ambiente& AmbienteGlobal() {
    static Ambiente a = AmbientePadrao();
    return a;
}

bool ComecaSemCaixa(const std::string& s, const std::string& prefixo) {
    return s.size() >= prefixo.size() && plat::IguaisSemCaixaAscii(std::string_view(s).substr(0, prefixo.size()), prefixo);
}

std::string DescreverTempo(long ms) {
    if (ms % 1000 != 0) return std::to_string(ms) + " milissegundos";
    const long s = ms / 1000;
    return std::to_string(s) + (s == 1 ? " segundo" : " segundos");
}

void IniciarCurl() {
    static std::once_flag uma;
    std::call_once(uma, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The reply's buffer: grown by hand so that it never holds more than the cap (a string's
// own growth may double past it).
struct Receptor {
    std::vector<char> corpo;
    std::size_t maior = 0;
    bool excedeu = false;
};

// A C callback of libcurl: nothing is thrown through it; a short count ends the transfer.
size_t Receber(char* dados, size_t tamanho, size_t n, void* usuario) noexcept {
    auto* r = static_cast<Receptor*>(usuario);
    const size_t total = tamanho * n;
    if (total > TamanhoMaximoResposta - r->corpo.size()) {
        r->excedeu = true;
        return 0;  // ends the transfer
    }
    try {
        const size_t novo = r->corpo.size() + total;
        if (novo > r->corpo.capacity())
            r->corpo.reserve(std::min(TamanhoMaximoResposta, std::max(novo, 2 * r->corpo.capacity())));
        r->corpo.insert(r->corpo.end(), dados, dados + total);
    } catch (...) {
        return 0;
    }
    r->maior = std::max(r->maior, r->corpo.capacity());
    return total;
}

std::string DescreverTamanho(std::size_t bytes) {
    if (bytes % (1024 * 1024) == 0) return std::to_string(bytes / (1024 * 1024)) + " MB";
    return std::to_string(bytes) + " bytes";
}

// Arrays and objects nested deeper than the limit, outside strings.
bool AninhadaDemais(const std::string& corpo) {
    int nivel = 0;
    bool texto = false, escape = false;
    for (const char c : corpo) {
        if (texto) {
            if (escape) escape = false;
            else if (c == '\\') escape = true;
            else if (c == '"') texto = false;
        } else if (c == '"') {
            texto = true;
        } else if (c == '[' || c == '{') {
            if (++nivel > ProfundidadeMaxima) return true;
        } else if (c == ']' || c == '}') {
            --nivel;
        }
    }
    return false;
}

[[noreturn]] void ErroFormato(const std::string& detalhe) {
    throw ELogAtuAplic(std::string("Resposta inválida do ") + kServico + ": " + detalhe + ".");
}

const nlohmann::json& Membro(const nlohmann::json& obj, const char* chave, const std::string& onde) {
    auto it = obj.find(chave);
    if (it == obj.end()) ErroFormato(onde + "falta a chave \"" + chave + "\"");
    return *it;
}

// Text member that may also be null (read as empty text).
std::string TextoOuVazio(const nlohmann::json& obj, const char* chave, const std::string& onde) {
    const nlohmann::json& v = Membro(obj, chave, onde);
    if (v.is_null()) return {};
    if (!v.is_string()) ErroFormato(onde + "\"" + chave + "\" não é um texto");
    return v.get<std::string>();
}

}  // namespace

Ambiente& AmbienteAtual() { return AmbienteGlobal(); }

void RestaurarAmbiente() { AmbienteGlobal() = AmbientePadrao(); }

std::string ServidorConfigurado() {
    const std::string arquivo = TSistema::ArquivoConfiguracao();
    std::string servidor = plat::Aparar(TSistema::Configuracao()->ReadString(SecaoConfiguracao, ChaveServidor, ""));
    if (servidor.empty())
        throw ELogAtuAplic(std::string("Endereço do ") + kServico + " não configurado: informe a chave " +
                           ChaveServidor + " da seção [" + SecaoConfiguracao + "] em " + arquivo +
                           " (por exemplo " + ChaveServidor + "=servidor:porta).");
    return servidor;
}

std::string EnderecoServico(const std::string& servidor) {
    std::string host = plat::Aparar(servidor);
    if (ComecaSemCaixa(host, "http://")) host.erase(0, 7);
    while (!host.empty() && host.back() == '/') host.pop_back();
    const bool invalido = host.empty() || host.find("://") != std::string::npos ||
                          host.find_first_of(" \t?#@") != std::string::npos;
    if (invalido)
        throw ELogAtuAplic(std::string("Endereço do ") + kServico + " inválido: \"" + servidor +
                           "\" (informe servidor ou servidor:porta, acessado por HTTP).");
    return "http://" + host + CaminhoServico;
}

std::string CodificarFormulario(const std::string& valor) {
    static const char* const hex = "0123456789ABCDEF";
    std::string r;
    r.reserve(valor.size() * 3);
    for (unsigned char c : valor) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '*') {
            r += static_cast<char>(c);
        } else if (c == ' ') {
            r += '+';
        } else {
            r += '%';
            r += hex[c >> 4];
            r += hex[c & 15];
        }
    }
    return r;
}

std::string CorpoFormulario(const std::string& programa, const std::string& form) {
    return "programa=" + CodificarFormulario(programa) + "&form=" + CodificarFormulario(form);
}

struct Requisicao::Dados {
    std::string url;
    std::string corpo;  // libcurl reads the form from here while the transfer runs
    long tempoTotalMs = 0;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> h{nullptr, &curl_easy_cleanup};
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> cabecalhos{nullptr, &curl_slist_free_all};
    Receptor receptor;
    char erro[CURL_ERROR_SIZE] = {};
};

Requisicao::Requisicao(std::string url, std::string corpo, long tempoConexaoMs, long tempoTotalMs)
    : d_(std::make_unique<Dados>()) {
    IniciarCurl();
    d_->url = std::move(url);
    d_->corpo = std::move(corpo);
    d_->tempoTotalMs = tempoTotalMs;
    d_->h.reset(curl_easy_init());
    if (!d_->h) throw ELogAtuAplic(std::string("Não foi possível iniciar a conexão com o ") + kServico + ".");
    for (const std::string& c : {std::string("Content-Type: ") + TipoConteudo, std::string("Accept: ") + Accept,
                                 std::string("Expect:")}) {
        curl_slist* l = curl_slist_append(d_->cabecalhos.get(), c.c_str());
        if (!l) throw std::bad_alloc();
        d_->cabecalhos.release();
        d_->cabecalhos.reset(l);
    }
    CURL* c = d_->h.get();
    curl_easy_setopt(c, CURLOPT_URL, d_->url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, d_->corpo.c_str());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(d_->corpo.size()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, d_->cabecalhos.get());
    curl_easy_setopt(c, CURLOPT_USERAGENT, UserAgent);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, tempoConexaoMs);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, tempoTotalMs);
    // A declared length beyond the cap is refused before the body is read.
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(TamanhoMaximoResposta));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Receber);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &d_->receptor);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, d_->erro);
}

Requisicao::~Requisicao() = default;

CURL* Requisicao::Handle() const noexcept { return d_->h.get(); }
const std::string& Requisicao::Url() const noexcept { return d_->url; }
std::size_t Requisicao::MaiorBuffer() const noexcept { return d_->receptor.maior; }

std::string Requisicao::Executar() { return Concluir(curl_easy_perform(d_->h.get())); }

std::string Requisicao::Concluir(CURLcode rc) {
    const std::string& url = d_->url;
    if (d_->receptor.excedeu || rc == CURLE_FILESIZE_EXCEEDED) {
        d_->receptor.corpo = {};
        throw ELogAtuAplic(std::string("A resposta do ") + kServico + " em " + url +
                           " excede o tamanho máximo de " + DescreverTamanho(TamanhoMaximoResposta) + ".");
    }
    if (rc == CURLE_OPERATION_TIMEDOUT)
        throw ELogAtuAplic(std::string("O ") + kServico + " em " + url + " não respondeu em " +
                           DescreverTempo(d_->tempoTotalMs) + ".");
    if (rc != CURLE_OK) {
        std::string motivo = d_->erro[0] ? d_->erro : curl_easy_strerror(rc);
        while (!motivo.empty() && (motivo.back() == '\n' || motivo.back() == '.')) motivo.pop_back();
        throw ELogAtuAplic(std::string("Não foi possível obter o log de atualizações de ") + url + ": " + motivo +
                           ".");
    }
    long status = 0;
    curl_easy_getinfo(d_->h.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299)
        throw ELogAtuAplic(std::string("O ") + kServico + " em " + url + " respondeu com o código HTTP " +
                           std::to_string(status) + ".");
    std::vector<char> corpo = std::move(d_->receptor.corpo);
    return std::string(corpo.begin(), corpo.end());
}

std::string Postar(const std::string& url, const std::string& corpo, long tempoConexaoMs, long tempoTotalMs) {
    return Requisicao(url, corpo, tempoConexaoMs, tempoTotalMs).Executar();
}

std::vector<VersaoLog> InterpretarResposta(const std::string& corpo) {
    if (AninhadaDemais(corpo))
        ErroFormato("listas e objetos aninhados em mais de " + std::to_string(ProfundidadeMaxima) + " níveis");
    const nlohmann::json j = nlohmann::json::parse(corpo, nullptr, /*allow_exceptions=*/false);
    if (j.is_discarded() || !j.is_object()) ErroFormato("não é um objeto JSON");

    const nlohmann::json& sucesso = Membro(j, "success", "");
    if (!sucesso.is_boolean()) ErroFormato("\"success\" não é um valor lógico");
    if (!sucesso.get<bool>()) {
        auto m = j.find("message");
        std::string mensagem = (m != j.end() && m->is_string()) ? m->get<std::string>() : std::string();
        if (plat::Aparar(mensagem).empty()) mensagem = std::string("O ") + kServico + " recusou o pedido.";
        throw ELogAtuAplic(mensagem);
    }

    const nlohmann::json& resultado = Membro(j, "result", "");
    if (!resultado.is_array()) ErroFormato("\"result\" não é uma lista");

    std::vector<VersaoLog> versoes;
    versoes.reserve(resultado.size());
    int n = 0;
    for (const nlohmann::json& item : resultado) {
        ++n;
        const std::string onde = "no item " + std::to_string(n) + " de \"result\", ";
        if (!item.is_object()) ErroFormato("o item " + std::to_string(n) + " de \"result\" não é um objeto");
        VersaoLog v;
        const nlohmann::json& versao = Membro(item, "versao", onde);
        if (!versao.is_number_integer()) ErroFormato(onde + "\"versao\" não é um número inteiro");
        if (versao.is_number_unsigned() ? versao.get<std::uint64_t>() > static_cast<std::uint64_t>(INT_MAX)
                                        : (versao.get<std::int64_t>() > INT_MAX || versao.get<std::int64_t>() < INT_MIN))
            ErroFormato(onde + "\"versao\" está fora dos limites");
        v.versao = static_cast<int>(versao.get<std::int64_t>());
        const nlohmann::json& data = Membro(item, "data", onde);
        if (!data.is_string()) ErroFormato(onde + "\"data\" não é um texto");
        v.data = plat::StrToDate(data.get<std::string>());
        v.descricao = TextoOuVazio(item, "descricao", onde);
        v.empresa = TextoOuVazio(item, "empresa", onde);
        versoes.push_back(std::move(v));
    }
    return versoes;
}

bool Listada(const VersaoLog& v, const std::string& nomeEmpresa, const std::string& usuario) {
    if (usuario == UsuarioSuporte) return true;
    return v.empresa.empty() || v.empresa == nomeEmpresa;
}

PedidoVersoes PrepararPedido(const std::string& programa, const std::string& form) {
    const Ambiente& a = AmbienteAtual();
    IServicosSistema& sistema = ServicosSistema();
    PedidoVersoes p;
    p.empresa = sistema.NomeEmpresa();
    p.usuario = sistema.NomeUsuario();
    p.url = EnderecoServico(a.servidor ? a.servidor() : ServidorConfigurado());
    p.corpo = CorpoFormulario(programa, form);
    return p;
}

std::vector<VersaoLog> VersoesListadas(const std::string& resposta, const PedidoVersoes& pedido) {
    std::vector<VersaoLog> listadas;
    for (VersaoLog& v : InterpretarResposta(resposta))
        if (Listada(v, pedido.empresa, pedido.usuario)) listadas.push_back(std::move(v));
    return listadas;
}

std::vector<VersaoLog> CarregarVersoes(const std::string& programa, const std::string& form) {
    const Ambiente& a = AmbienteAtual();
    const PedidoVersoes p = PrepararPedido(programa, form);
    return VersoesListadas(Postar(p.url, p.corpo, a.tempoConexaoMs, a.tempoTotalMs), p);
}

}  // namespace logaplic
