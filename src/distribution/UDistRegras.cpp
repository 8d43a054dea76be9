#include "distribution/UDistRegras.h"

#include <cmath>
#include <cstdio>

#include "platform/Mensagens.h"
#include "platform/Texto.h"

namespace dist {

// ---------------------------------------------------------------------------------
ParametrosDist LerParametrosDist(const LeitorParametro& ler) {
    ParametrosDist p;
    p.baixaSetorEntrada = ler("ATU_PRODUCAO", "BAIXA_SETOR_ENTRADA") == "S";
    p.setorObrigatorio = ler("DISTRIBUICAO_SERVICOS", "SETOR_OBRIGATORIO") == "S";
    p.verificarSetorAnt = ler("DISTRIBUICAO_SERVICOS", "VERIFICAR_SETOR_ANT_BAIXADO") == "S";
    p.bloqueioData = ler("DISTRIBUICAO_SERVICOS", "BLOQUEIO_DATA") == "S";
    p.atualizaProducao = ler("SERVICO_EXTERNO", "ATUALIZA_PRODUCAO_SETOR") != "N";
    p.bloquearPreco = ler("DISTRIBUICAO_SERVICOS", "BLOQUEAR_PRECO") == "S";
    p.distServPorCodBar = ler("ATU_PRODUCAO", "DIST_SERV_POR_CODBAR") == "S";
    return p;
}

// ---------------------------------------------------------------------------------
int TamanhoProgramacao(bool distServPorCodBar, const std::string& empresa) {
    int n = 6;
    if (distServPorCodBar) n = 15;
    if (empresa == "QOR" || empresa == "ROMBE") n = 13;
    if (empresa == "KALDU") n = 15;
    return n;
}

bool DataBloqueada(const std::string& empresa, bool bloqueioData) {
    return empresa == "QUELTAVIO" || empresa == "PIRNO" || empresa == "DORSK" || bloqueioData;
}

bool PrecoSomenteLeituraNaAbertura(const std::string& empresa) { return empresa == "QOR"; }
bool DataServidorNaTrocaDeModo(const std::string& empresa) { return empresa == "QUELTAVIO"; }
bool EhKaldu(const std::string& empresa) { return empresa == "KALDU"; }

bool GravaProducaoSetor(const std::string& empresa, bool atualizaProducao, const std::string& setor) {
    return !setor.empty() && empresa != "MUREL" && empresa != "YDV" && atualizaProducao;
}

std::optional<std::string> SetorKaldu(const std::string& tipo, bool saida) {
    struct Linha {
        const char* tipo;
        const char* saida;
        const char* retorno;
    };
    static const Linha mapa[] = {
        {"B", "11", "10"}, {"FS", "04", "15"}, {"PC", "09", "14"}, {"E", "16", "17"},
        {"P", "02", "05"}, {"F", "27", "28"},  {"O", "20", "21"},  {"M", "24", "25"},
    };
    for (const auto& l : mapa)
        if (tipo == l.tipo) return std::string(saida ? l.saida : l.retorno);
    return std::nullopt;
}

// ---------------------------------------------------------------------------------
std::string PreencherEsquerda(const std::string& texto, char c, int tamanho) {
    if (tamanho > 255) tamanho = 255;
    const int n = static_cast<int>(plat::ContarCaracteres(texto));
    if (n >= tamanho) return texto;
    return std::string(static_cast<size_t>(tamanho - n), c) + texto;
}

std::string MapearProgramacao(const std::string& texto) {
    std::string r = texto;
    for (auto& c : r)
        if (c == ';') c = '/';
    return plat::MaiusculasCp1252(r);
}

EntradaProg ClassificarProgramacao(const std::string& texto) {
    const std::size_t n = plat::ContarCaracteres(texto);
    if (n == 10) return EntradaProg::Identificador;
    if (n > 10) return EntradaProg::CodigoBarras;
    if (plat::Aparar(texto).empty()) return EntradaProg::Vazia;
    return EntradaProg::Manual;
}

CodigoFicha DividirCodigoBarras(const std::string& codigo) {
    CodigoFicha r;
    r.ficha = plat::CopiarCaracteres(codigo, 8, 4);
    if (plat::ContarCaracteres(codigo) >= 15) r.subFicha = plat::CopiarCaracteres(codigo, 12, 4);
    r.prog = MapearProgramacao(plat::CopiarCaracteres(codigo, 2, 6));
    return r;
}

std::string IdentificadorSubFicha(const std::string& codigo) {
    if (!codigo.empty() && codigo[0] == '2') return codigo.substr(1);
    return codigo;
}

std::string ProgramacaoDaBusca(const std::string& prog) {
    if (plat::ContarCaracteres(prog) > 6) return plat::CopiarCaracteres(prog, 2, 6);
    return prog;
}

// ---------------------------------------------------------------------------------
Faixa FaixaDoMes(plat::TDateTime data) {
    int ano, mes, dia;
    plat::DecodeDate(data, ano, mes, dia);
    return Faixa{plat::EncodeDate(ano, mes, 1), plat::ParteData(data) + plat::EncodeTime(23, 59, 59)};
}

plat::Dinheiro PrecoTotal(std::int64_t pares, plat::Dinheiro preco) { return preco * pares; }

namespace {

std::string FormatarSecao(double valor, const std::string& fmt) {
    // Where the placeholders are: the first and last placeholder, the decimal point.
    size_t primeiro = fmt.find_first_of("0#");
    if (primeiro == std::string::npos) return fmt;
    size_t ultimo = fmt.find_last_of("0#");
    size_t ponto = fmt.find('.', primeiro);
    if (ponto != std::string::npos && ponto > ultimo) ponto = std::string::npos;
    bool agrupar = false;
    int minInteiros = 0, decMin = 0, decMax = 0;
    size_t fimInteiros = ponto == std::string::npos ? ultimo + 1 : ponto;
    // "," may also come before the first placeholder (" ,0.00").
    for (size_t i = 0; i < fimInteiros; ++i) {
        if (fmt[i] == ',') agrupar = true;
        if (i >= primeiro && fmt[i] == '0') ++minInteiros;
    }
    if (ponto != std::string::npos) {
        for (size_t i = ponto + 1; i <= ultimo; ++i) {
            if (fmt[i] == '0') ++decMin, ++decMax;
            else if (fmt[i] == '#') ++decMax;
        }
    }
    size_t inicioSecao = std::min(primeiro, fmt.find(','));
    std::string prefixo;
    for (size_t i = 0; i < inicioSecao; ++i) prefixo += fmt[i];
    std::string sufixo = fmt.substr(ultimo + 1);

    // Digits, rounded half away from zero.
    double a = std::fabs(valor);
    char buf[512];
    std::string s;
    {
        // Half away from zero; the small nudge keeps 2.345 (stored as 2.34499...) at 2.35.
        double esc = std::pow(10.0, decMax);
        double r = std::round(a * esc + 1e-7);
        std::snprintf(buf, sizeof buf, "%.0f", r);
        s = buf;
        while (static_cast<int>(s.size()) <= decMax) s = "0" + s;
        if (decMax > 0) s = s.substr(0, s.size() - decMax) + "." + s.substr(s.size() - decMax);
    }
    std::string inteiros = s.substr(0, s.find('.'));
    std::string decimais = decMax > 0 ? s.substr(s.find('.') + 1) : std::string();
    while (static_cast<int>(decimais.size()) > decMin && !decimais.empty() && decimais.back() == '0')
        decimais.pop_back();
    // Integer part: drop leading zeros, then pad to the minimum.
    size_t nz = inteiros.find_first_not_of('0');
    inteiros = nz == std::string::npos ? std::string() : inteiros.substr(nz);
    while (static_cast<int>(inteiros.size()) < minInteiros) inteiros = "0" + inteiros;
    if (agrupar && inteiros.size() > 3) {
        std::string g;
        int cont = 0;
        for (size_t i = inteiros.size(); i-- > 0;) {
            g.insert(g.begin(), inteiros[i]);
            if (++cont % 3 == 0 && i > 0) g.insert(g.begin(), '.');
        }
        inteiros = g;
    }
    std::string r = prefixo + inteiros;
    if (!decimais.empty()) r += "," + decimais;
    return r + sufixo;
}

}  // namespace

std::string FormatarNumero(double valor, const std::string& formato) {
    size_t sep = formato.find(';');
    if (valor < 0 && sep != std::string::npos) return FormatarSecao(-valor, formato.substr(sep + 1));
    std::string positivo = sep == std::string::npos ? formato : formato.substr(0, sep);
    std::string r = FormatarSecao(valor, positivo);
    if (valor < 0) {
        // Without a negative section: the minus sign before the number, unless it rounds to 0.
        bool soZeros = r.find_first_of("123456789") == std::string::npos;
        if (!soZeros) r = "-" + r;
    }
    return r;
}

double LerNumero(const std::string& texto) {
    std::string t = plat::Aparar(texto);
    if (t.empty()) return 0;
    std::string limpo;
    bool temVirgula = t.find(',') != std::string::npos;
    for (char c : t) {
        if (temVirgula && c == '.') continue;
        limpo += (c == ',') ? '.' : c;
    }
    size_t usados = 0;
    double v = 0;
    bool ok = true;
    try {
        v = std::stod(limpo, &usados);
    } catch (...) {
        ok = false;
    }
    if (!ok || usados != limpo.size() || !std::isfinite(v))
        throw plat::EConvertError("'" + texto + "' is not a valid floating point value");
    return v;
}

// ---------------------------------------------------------------------------------
ResultadoPreco ResolverPreco(bool encontrado, plat::Dinheiro valor, bool bloquearPreco, EstadoPreco atual) {
    ResultadoPreco r{plat::Dinheiro(), atual};
    if (!encontrado) {
        r.estado = EstadoPreco::EditavelCorJanela;
    } else {
        r.preco = valor;
        if (valor > plat::Dinheiro()) r.estado = EstadoPreco::Travado;
    }
    if (bloquearPreco) r.estado = EstadoPreco::Travado;
    return r;
}

// ---------------------------------------------------------------------------------
std::vector<std::string> SetoresAnteriores(const std::string& lista) {
    std::vector<std::string> r;
    std::string atual;
    auto fecha = [&] {
        std::string a = plat::Aparar(atual);
        if (!a.empty()) r.push_back(a);
        atual.clear();
    };
    for (char c : plat::Aparar(lista)) {
        if (c == ',' || c == ' ' || c == '\t') fecha();
        else atual += c;
    }
    fecha();
    return r;
}

bool GiroUltrapassado(std::int64_t pendente, std::int64_t pares, std::int64_t giro) {
    __int128 soma = static_cast<__int128>(pendente) + pares;
    return soma > giro;
}

const char* const kMsgProgNaoLocalizada = "Programação não localizada.";
const char* const kMsgSemSaida = "Não existe saída para esta PROG./FICHA neste tipo de serviço.";

std::string MsgJaEnviada(std::int64_t terceirizado) {
    return "Programação já foi enviada para terceirizado \"" + std::to_string(terceirizado) + "\".";
}

std::string MsgRetornoLancado(plat::TDateTime retorno) {
    return "Retorno já lançado em " + plat::FormatDateTime("dd/mm/yy", retorno) + ".";
}

bool AuditoriaLigada(const std::string& nomeExecutavel) {
    return plat::MaiusculasAscii(nomeExecutavel).find("PRAVOLT") == std::string::npos;
}

plat::TDateTime DiasUteisAntes(plat::TDateTime data, int dias) {
    plat::TDateTime d = plat::ParteData(data);
    for (int contados = 0; contados < dias;) {
        d -= 1;
        const int dia = plat::DayOfWeek(d);  // 1 = Sunday ... 7 = Saturday
        if (dia != 1 && dia != 7) ++contados;
    }
    return d;
}

}  // namespace dist
