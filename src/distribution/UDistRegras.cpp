#include "distribution/UDistRegras.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/Mensagens.h"

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
namespace {

// Byte offsets of each character of a UTF-8 text (a stray byte counts as one character).
std::vector<size_t> Inicios(const std::string& s) {
    std::vector<size_t> v;
    for (size_t i = 0; i < s.size();) {
        v.push_back(i);
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        i += n;
    }
    return v;
}

}  // namespace

int Comprimento(const std::string& texto) { return static_cast<int>(Inicios(texto).size()); }

std::string Copiar(const std::string& texto, int inicio, int quantidade) {
    auto ini = Inicios(texto);
    int n = static_cast<int>(ini.size());
    if (inicio < 1) inicio = 1;
    if (quantidade <= 0 || inicio > n) return {};
    int fim = std::min(n, inicio - 1 + quantidade);  // one past the last character (0-based)
    size_t a = ini[inicio - 1];
    size_t b = fim < n ? ini[fim] : texto.size();
    return texto.substr(a, b - a);
}

std::string PreencherEsquerda(const std::string& texto, char c, int tamanho) {
    if (tamanho > 255) tamanho = 255;
    int n = Comprimento(texto);
    if (n >= tamanho) return texto;
    return std::string(static_cast<size_t>(tamanho - n), c) + texto;
}

std::string Maiusculas(const std::string& texto) {
    std::string r;
    r.reserve(texto.size());
    for (size_t i = 0; i < texto.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(texto[i]);
        if (c >= 'a' && c <= 'z') {
            r += static_cast<char>(c - 32);
        } else if (c == 0xC3 && i + 1 < texto.size()) {
            // U+00E0..U+00FE (except U+00F7) -> U+00C0..U+00DE
            unsigned char d = static_cast<unsigned char>(texto[i + 1]);
            if (d >= 0xA0 && d <= 0xBE && d != 0xB7) d -= 0x20;
            r += static_cast<char>(c);
            r += static_cast<char>(d);
            ++i;
        } else {
            r += static_cast<char>(c);
        }
    }
    return r;
}

std::string Aparar(const std::string& texto) {
    size_t a = texto.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    size_t b = texto.find_last_not_of(" \t\r\n");
    return texto.substr(a, b - a + 1);
}

bool EmBranco(const std::string& texto) { return Aparar(texto).empty(); }

std::string MapearProgramacao(const std::string& texto) {
    std::string r = texto;
    for (auto& c : r)
        if (c == ';') c = '/';
    return Maiusculas(r);
}

EntradaProg ClassificarProgramacao(const std::string& texto) {
    int n = Comprimento(texto);
    if (n == 10) return EntradaProg::Identificador;
    if (n > 10) return EntradaProg::CodigoBarras;
    if (EmBranco(texto)) return EntradaProg::Vazia;
    return EntradaProg::Manual;
}

CodigoFicha DividirCodigoBarras(const std::string& codigo) {
    CodigoFicha r;
    r.ficha = Copiar(codigo, 8, 4);
    if (Comprimento(codigo) >= 15) r.subFicha = Copiar(codigo, 12, 4);
    r.prog = MapearProgramacao(Copiar(codigo, 2, 6));
    return r;
}

std::string IdentificadorSubFicha(const std::string& codigo) {
    if (!codigo.empty() && codigo[0] == '2') return codigo.substr(1);
    return codigo;
}

std::string ProgramacaoDaBusca(const std::string& prog) {
    if (Comprimento(prog) > 6) return Copiar(prog, 2, 6);
    return prog;
}

// ---------------------------------------------------------------------------------
namespace {

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
long long DiasDesde1970(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

Data CivilDe(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return Data{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

constexpr long long kDelta1899 = 25569;  // days from 1899-12-30 to 1970-01-01

}  // namespace

double CodificarData(int ano, int mes, int dia) {
    return static_cast<double>(DiasDesde1970(ano, static_cast<unsigned>(mes), static_cast<unsigned>(dia)) +
                               kDelta1899);
}

double SoData(double dt) { return std::floor(dt + 1e-9); }

Data DecodificarData(double dt) { return CivilDe(static_cast<long long>(SoData(dt)) - kDelta1899); }

bool MesmoDia(double a, double b) {
    Data x = DecodificarData(a), y = DecodificarData(b);
    return x.dia == y.dia && x.mes == y.mes && x.ano == y.ano;
}

Faixa FaixaDoMes(double data) {
    Data d = DecodificarData(data);
    Faixa f;
    f.inicio = CodificarData(d.ano, d.mes, 1);
    f.fim = SoData(data) + (23.0 * 3600 + 59 * 60 + 59) / 86400.0;
    return f;
}

std::string FormatarDataCurta(double dt) {
    Data d = DecodificarData(dt);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", d.dia, d.mes, ((d.ano % 100) + 100) % 100);
    return buf;
}

std::string FormatarHoraMinuto(int hora, int minuto) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d:%02d", hora, minuto);
    return buf;
}

// ---------------------------------------------------------------------------------
Decimos4 ParaDecimos4(double v) { return static_cast<Decimos4>(std::llround(v * kEscala)); }
double DeDecimos4(Decimos4 v) { return static_cast<double>(v) / kEscala; }

Decimos4 PrecoTotal(std::int64_t pares, Decimos4 preco) {
    __int128 r = static_cast<__int128>(pares) * preco;
    if (r > std::numeric_limits<Decimos4>::max() || r < std::numeric_limits<Decimos4>::min())
        throw std::overflow_error("Valor total fora dos limites.");
    return static_cast<Decimos4>(r);
}

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
    std::string t = Aparar(texto);
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
ResultadoPreco ResolverPreco(bool encontrado, Decimos4 valor, bool bloquearPreco, EstadoPreco atual) {
    ResultadoPreco r{0, atual};
    if (!encontrado) {
        r.estado = EstadoPreco::EditavelCorJanela;
    } else {
        r.preco = valor;
        if (valor > 0) r.estado = EstadoPreco::Travado;
    }
    if (bloquearPreco) r.estado = EstadoPreco::Travado;
    return r;
}

// ---------------------------------------------------------------------------------
std::vector<std::string> SetoresAnteriores(const std::string& lista) {
    std::vector<std::string> r;
    std::string atual;
    auto fecha = [&] {
        std::string a = Aparar(atual);
        if (!a.empty()) r.push_back(a);
        atual.clear();
    };
    for (char c : Aparar(lista)) {
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

std::string MsgJaEnviada(std::int64_t terceirizado) {
    return "Programação já foi enviada para terceirizado \"" + std::to_string(terceirizado) + "\".";
}

std::string MsgRetornoLancado(double retorno) { return "Retorno já lançado em " + FormatarDataCurta(retorno) + "."; }

bool AuditoriaLigada(const std::string& nomeExecutavel) {
    return Maiusculas(nomeExecutavel).find("PRAVOLT") == std::string::npos;
}

double DiasUteisAntes(double data, int dias) {
    long long d = static_cast<long long>(SoData(data));
    int contados = 0;
    while (contados < dias) {
        --d;
        // 1899-12-30 was a Saturday: (d + 6) % 7 gives 0 = Sunday ... 6 = Saturday.
        long long dow = ((d % 7) + 7 + 6) % 7;
        if (dow != 0 && dow != 6) ++contados;
    }
    return static_cast<double>(d);
}

const char* const kSqlIncluiExterno =
    "insert into EXTERNO (TERCEIRIZADO_EX, TP_SERV_EX, PROG_EX, FICHA_EX, SUBFICHA_EX, SAIDA_EX, VALOR_EX,"
    " QTDE_EX, OBS_EX, SETOR_SAI_EX)\n"
    "values (:TERC, :TPSERV, :PROG, :FICHA, :SUBF, :SAIDA, :VALOR, :QTDE, :OBS, :SETOR)";

std::string SqlRetornoExterno(bool comSetor) {
    return std::string("update EXTERNO set RETORNO_EX = :RET") + (comSetor ? ", SETOR_ENT_EX = :SETOR" : "") +
           "\nwhere TERCEIRIZADO_EX = :TERC and TP_SERV_EX = :TPSERV and PROG_EX = :PROG"
           "\nand FICHA_EX = :FICHA and SUBFICHA_EX = :SUBF and RETORNO_EX is null";
}

std::string SqlProducaoSetor(bool existe, bool entrada) {
    const std::string data = entrada ? "DTENTRADA_PS" : "DTSAIDA_PS";
    const std::string hora = entrada ? "HORAENTRADA_PS" : "HORASAIDA_PS";
    if (!existe)
        return "insert into PRODUCAO_SETOR (PROG_PS, FICHA_PS, SUBFICHA_PS, SETOR_PS, ID_PS, " + data + ", " + hora +
               ", QTDE_PS)\nvalues (:PROG, :FICHA, :SUBF, :SETOR, 0, :DT, :HORA, :QTDE)";
    return "update PRODUCAO_SETOR set " + data + " = :DT, " + hora +
           " = :HORA, QTDE_PS = :QTDE\nwhere PROG_PS = :PROG and FICHA_PS = :FICHA and SUBFICHA_PS = :SUBF"
           " and SETOR_PS = :SETOR";
}

}  // namespace dist
