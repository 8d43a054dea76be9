#include "shell/UDriverOptions.h"


#include "platform/DataHora.h"
#include "platform/Mensagens.h"
#include "platform/Texto.h"

namespace {

using K = TTipoOpcaoDriver;

std::vector<TDriverOption> MontarTabela() {
    // Name, kind, identifier. "Command Timeout" is an alias of CommandTimeout.
    struct E {
        const char* nome;
        K tipo;
        int id;
    };
    static const E entradas[] = {
        {"LongStrings", K::Booleano, 101},       {"EnableBCD", K::Booleano, 102},
        {"Reconnect", K::Booleano, 103},         {"DBMonitorHost", K::Texto, 104},
        {"DBMonitorPort", K::Inteiro, 105},      {"InternalName", K::Texto, 201},
        {"UseQuoteChar", K::Booleano, 202},      {"FetchAll", K::Booleano, 301},
        {"CharLength", K::Inteiro, 203},         {"Prepared", K::Booleano, 302},
        {"ParamPrefix", K::Texto, 204},          {"TrimFixedChar", K::Booleano, 205},
        {"Charset", K::Texto, 206},              {"IntegerPrecision", K::Inteiro, 207},
        {"SmallIntPrecision", K::Inteiro, 208},  {"FloatPrecision", K::Inteiro, 209},
        {"BCDPrecision", K::Texto, 210},         {"EnableBoolean", K::Booleano, 211},
        {"UseUnicode", K::Booleano, 212},        {"UseUnicodeMemo", K::Booleano, 213},
        {"UnicodeEnvironment", K::Booleano, 214}, {"UseDateParams", K::Booleano, 215},
        {"ClobAsWideMemo", K::Booleano, 216},    {"UnicodeClobParams", K::Booleano, 217},
        {"CommandTimeout", K::Inteiro, 303},     {"Command Timeout", K::Inteiro, 303},
        {"RequiredFields", K::Booleano, 402},    {"OptimizedNumerics", K::Booleano, 401},
        {"BooleanDomainFields", K::Booleano, 403}, {"SchemaName", K::Texto, 404},
        {"OIDAsLargeObject", K::Booleano, 405},  {"ExtendedFieldsInfo", K::Booleano, 406},
        {"UnknownAsString", K::Booleano, 407},   {"SSLMode", K::Texto, 501},
        {"SSLCACert", K::Texto, 502},            {"SSLCert", K::Texto, 503},
        {"SSLKey", K::Texto, 504},               {"SSLCipherList", K::Texto, 505},
        {"UnpreparedExecute", K::Booleano, 304}, {"DetectParamTypes", K::Booleano, 305},
        {"CursorWithHold", K::Booleano, 306},    {"SkipTransError", K::Booleano, 307},
    };
    std::vector<TDriverOption> t;
    t.reserve(std::size(entradas));
    for (const E& e : entradas) t.push_back(TDriverOption{e.nome, e.tipo, e.id, false, {}});
    return t;
}

bool ContemSemCaixa(std::string_view texto, std::string_view parte) {
    if (parte.size() > texto.size()) return false;
    for (std::size_t i = 0; i + parte.size() <= texto.size(); ++i)
        if (plat::IguaisSemCaixaAscii(texto.substr(i, parte.size()), parte)) return true;
    return false;
}

TValorOpcaoDriver Converter(const TDriverOption& op, const std::string& valor) {
    switch (op.Tipo) {
        case K::Texto:
            return valor;
        case K::Inteiro:
            return texto_param::InteiroEstrito(plat::Aparar(valor));
        case K::Booleano:
            return plat::MaiusculasAscii(plat::Aparar(valor)) == "TRUE" ? 1 : 0;
        case K::Funcao:
            if (op.Converter) return op.Converter(valor);
            return valor;
    }
    return valor;
}

}  // namespace

const std::vector<TDriverOption>& DriverOptions() {
    static const std::vector<TDriverOption> tabela = MontarTabela();
    return tabela;
}

const TDriverOption* AcharDriverOption(std::string_view nome) {
    for (const TDriverOption& op : DriverOptions()) {
        if (plat::IguaisSemCaixaAscii(op.Nome, nome)) return &op;
        if (op.Contido && ContemSemCaixa(nome, op.Nome)) return &op;
    }
    return nullptr;
}

std::vector<TOpcaoEntregue> OpcoesParaDriver(const std::vector<std::string>& parametros) {
    std::vector<TOpcaoEntregue> r;
    // The quoting choice goes first: the driver needs it before it builds any statement.
    const std::string quote = texto_param::Valor(parametros, "UseQuoteChar");
    if (!quote.empty())
        r.push_back({opcao_driver::UseQuoteChar,
                     plat::MaiusculasAscii(plat::Aparar(quote)) == "TRUE" ? 1 : 0,
                     "UseQuoteChar"});
    for (const std::string& linha : parametros) {
        const auto eq = linha.find('=');
        if (eq == std::string::npos) continue;
        const std::string nome = linha.substr(0, eq);
        const TDriverOption* op = AcharDriverOption(nome);
        if (!op || op->Identificador == opcao_driver::UseQuoteChar) continue;
        r.push_back({op->Identificador, Converter(*op, linha.substr(eq + 1)), nome});
    }
    return r;
}

namespace texto_param {

int InteiroEstrito(const std::string& s) { return plat::StrToInt(s); }

std::string NomeDaLinha(std::string_view linha) {
    const auto eq = linha.find('=');
    return eq == std::string_view::npos ? std::string() : std::string(linha.substr(0, eq));
}

std::string ValorDaLinha(std::string_view linha) {
    const auto eq = linha.find('=');
    return eq == std::string_view::npos ? std::string() : std::string(linha.substr(eq + 1));
}

std::string Valor(const std::vector<std::string>& linhas, std::string_view nome) {
    for (const std::string& l : linhas) {
        const auto eq = l.find('=');
        if (eq != std::string::npos && plat::IguaisSemCaixaAscii(std::string_view(l).substr(0, eq), nome))
            return l.substr(eq + 1);
    }
    return {};
}

}  // namespace texto_param
