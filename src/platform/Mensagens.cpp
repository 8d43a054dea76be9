#include "platform/Mensagens.h"

#include <cstdio>

namespace plat {
namespace {

class MensagensPadrao : public IMensagens {
public:
    Resposta Mostrar(const Mensagem& m) override {
        std::fprintf(stderr, "[%s] %s\n", m.titulo.c_str(), m.texto.c_str());
        switch (m.botoes) {
            case Botoes::SimNao: return Resposta::Sim;
            default: return Resposta::Ok;
        }
    }
};

MensagensPadrao g_padrao;
IMensagens* g_atual = &g_padrao;
std::string g_titulo = "Barvenco";

Resposta Mostrar(TipoMensagem tipo, const std::string& texto, const std::string& titulo) {
    return Mensagens().Mostrar({tipo, texto, titulo.empty() ? g_titulo : titulo, Botoes::Ok});
}

}  // namespace

IMensagens& Mensagens() { return *g_atual; }
void DefinirMensagens(IMensagens* sink) { g_atual = sink ? sink : &g_padrao; }

const std::string& TituloAplicacao() { return g_titulo; }
void DefinirTituloAplicacao(const std::string& titulo) { g_titulo = titulo; }

Resposta Informacao(const std::string& t, const std::string& c) { return Mostrar(TipoMensagem::Informacao, t, c); }
Resposta Aviso(const std::string& t, const std::string& c) { return Mostrar(TipoMensagem::Aviso, t, c); }
Resposta Erro(const std::string& t, const std::string& c) { return Mostrar(TipoMensagem::Erro, t, c); }

void Abort() { throw EAbort(); }

std::string TextoRelatorioErro(const std::string& texto) {
    std::string s = texto;
    if (!s.empty() && static_cast<unsigned char>(s.back()) > static_cast<unsigned char>('.')) s += '.';
    return s;
}

bool DeveRelatar(const std::exception& e) noexcept {
    if (dynamic_cast<const EAbort*>(&e)) return false;
    if (const auto* u = dynamic_cast<const ERelatoUnico*>(&e)) return u->PrimeiroRelato();
    return true;
}

void RelatarErro(const std::exception& e) {
    if (!DeveRelatar(e)) return;
    Erro(TextoRelatorioErro(e.what()));
}

void RelatarErroDesconhecido() { Erro(TextoRelatorioErro("Erro desconhecido")); }

GravadorMensagens::GravadorMensagens() : anterior_(&Mensagens()) { DefinirMensagens(this); }
GravadorMensagens::~GravadorMensagens() { DefinirMensagens(anterior_); }

Resposta GravadorMensagens::Mostrar(const Mensagem& m) {
    registro.push_back(m);
    if (!respostas.empty()) {
        Resposta r = respostas.front();
        respostas.erase(respostas.begin());
        return r;
    }
    return m.botoes == Botoes::SimNao ? Resposta::Sim : Resposta::Ok;
}

std::vector<std::string> GravadorMensagens::Textos() const {
    std::vector<std::string> v;
    for (const auto& m : registro) v.push_back(m.texto);
    return v;
}

}  // namespace plat
