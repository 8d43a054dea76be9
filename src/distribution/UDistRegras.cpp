#include "distribution/UDistRegras.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <stdexcept>

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

// The parts of one section of a number format.
struct Secao {
    std::string prefixo, sufixo;
    bool agrupar = false;
    int minInteiros = 0, decMin = 0, decMax = 0;
    bool temDigitos = true;
};

Secao LerSecao(const std::string& fmt) {
    Secao s;
    // Where the placeholders are: the first and last placeholder, the decimal point.
    size_t primeiro = fmt.find_first_of("0#");
    if (primeiro == std::string::npos) {
        s.temDigitos = false;
        s.prefixo = fmt;
        return s;
    }
    size_t ultimo = fmt.find_last_of("0#");
    size_t ponto = fmt.find('.', primeiro);
    if (ponto != std::string::npos && ponto > ultimo) ponto = std::string::npos;
    size_t fimInteiros = ponto == std::string::npos ? ultimo + 1 : ponto;
    // "," may also come before the first placeholder (" ,0.00").
    for (size_t i = 0; i < fimInteiros; ++i) {
        if (fmt[i] == ',') s.agrupar = true;
        if (i >= primeiro && fmt[i] == '0') ++s.minInteiros;
    }
    if (ponto != std::string::npos) {
        for (size_t i = ponto + 1; i <= ultimo; ++i) {
            if (fmt[i] == '0') ++s.decMin, ++s.decMax;
            else if (fmt[i] == '#') ++s.decMax;
        }
    }
    s.prefixo = fmt.substr(0, std::min(primeiro, fmt.find(',')));
    s.sufixo = fmt.substr(ultimo + 1);
    return s;
}

// The section filled with `digitos`: the magnitude already rounded to decMax decimals,
// written without a point.
std::string Preencher(const Secao& sec, std::string digitos) {
    if (!sec.temDigitos) return sec.prefixo;
    while (static_cast<int>(digitos.size()) <= sec.decMax) digitos.insert(digitos.begin(), '0');
    std::string inteiros = digitos.substr(0, digitos.size() - static_cast<size_t>(sec.decMax));
    std::string decimais = digitos.substr(inteiros.size());
    while (static_cast<int>(decimais.size()) > sec.decMin && decimais.back() == '0') decimais.pop_back();
    // Integer part: drop leading zeros, then pad to the minimum.
    size_t nz = inteiros.find_first_not_of('0');
    inteiros = nz == std::string::npos ? std::string() : inteiros.substr(nz);
    while (static_cast<int>(inteiros.size()) < sec.minInteiros) inteiros.insert(inteiros.begin(), '0');
    if (sec.agrupar && inteiros.size() > 3) {
        std::string g;
        int cont = 0;
        for (size_t i = inteiros.size(); i-- > 0;) {
            g.insert(g.begin(), inteiros[i]);
            if (++cont % 3 == 0 && i > 0) g.insert(g.begin(), '.');
        }
        inteiros = g;
    }
    std::string r = sec.prefixo + inteiros;
    if (!decimais.empty()) r += "," + decimais;
    return r + sec.sufixo;
}

std::string Digitos(unsigned __int128 v) {
    std::string s;
    do {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    } while (v > 0);
    return s;
}

// The negative section when there is one; otherwise the positive one with a minus sign
// before the number, unless it rounds to 0.
template <class Formatar>
std::string ComSinal(bool negativo, const std::string& formato, Formatar formatar) {
    const size_t sep = formato.find(';');
    if (negativo && sep != std::string::npos) return formatar(LerSecao(formato.substr(sep + 1)));
    std::string r = formatar(LerSecao(sep == std::string::npos ? formato : formato.substr(0, sep)));
    if (negativo && r.find_first_of("123456789") != std::string::npos) r = "-" + r;
    return r;
}

}  // namespace

std::string FormatarNumero(double valor, const std::string& formato) {
    return ComSinal(valor < 0, formato, [&](const Secao& sec) {
        // Half away from zero; the small nudge keeps 2.345 (stored as 2.34499...) at 2.35.
        const double r = std::round(std::fabs(valor) * std::pow(10.0, sec.decMax) + 1e-7);
        char buf[512];
        std::snprintf(buf, sizeof buf, "%.0f", r);
        return Preencher(sec, buf);
    });
}

std::string FormatarEscalado(std::int64_t valor, int escala, const std::string& formato) {
    const unsigned __int128 m =
        valor < 0 ? static_cast<unsigned __int128>(-static_cast<__int128>(valor)) : static_cast<unsigned __int128>(valor);
    return ComSinal(valor < 0, formato, [&](const Secao& sec) {
        unsigned __int128 r = m;
        for (int e = escala; e < sec.decMax; ++e) r *= 10;
        if (escala > sec.decMax) {
            unsigned __int128 f = 1;
            for (int e = sec.decMax; e < escala; ++e) f *= 10;
            r = m / f + (m % f * 2 >= f ? 1 : 0);  // halves away from zero
        }
        return Preencher(sec, Digitos(r));
    });
}

std::optional<std::int64_t> LerEscalado(const std::string& texto, int decimais) {
    const std::string t = plat::Aparar(texto);
    if (t.empty()) return 0;
    const char ponto = t.find(',') != std::string::npos ? ',' : '.';
    bool negativo = false, depois = false, digito = false;
    std::string inteiros, fracao;
    for (size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (c >= '0' && c <= '9') {
            digito = true;
            (depois ? fracao : inteiros) += c;
        } else if (c == '-' && i == 0) {
            negativo = true;
        } else if (c == ponto && !depois) {
            depois = true;
        } else if (c == '.' && ponto == ',' && !depois) {
            // thousands
        } else {
            throw plat::EConvertError("'" + texto + "' is not a valid floating point value");
        }
    }
    if (!digito) throw plat::EConvertError("'" + texto + "' is not a valid floating point value");
    inteiros.erase(0, std::min(inteiros.find_first_not_of('0'), inteiros.size()));
    if (inteiros.size() + static_cast<size_t>(decimais) > 36) return std::nullopt;
    unsigned __int128 v = 0;
    for (char c : inteiros) v = v * 10 + static_cast<unsigned>(c - '0');
    for (int i = 0; i < decimais; ++i)
        v = v * 10 + (static_cast<size_t>(i) < fracao.size() ? static_cast<unsigned>(fracao[static_cast<size_t>(i)] - '0') : 0u);
    if (fracao.size() > static_cast<size_t>(decimais) && fracao[static_cast<size_t>(decimais)] >= '5') ++v;
    const unsigned __int128 limite = static_cast<unsigned __int128>(INT64_MAX) + (negativo ? 1 : 0);
    if (v > limite) return std::nullopt;
    return negativo ? static_cast<std::int64_t>(-static_cast<__int128>(v)) : static_cast<std::int64_t>(v);
}

std::string MsgForaDosLimites(const std::string& campo, std::int64_t minimo, std::int64_t maximo, int decimais) {
    const std::string formato = decimais > 0 ? ",0." + std::string(static_cast<size_t>(decimais), '0') : ",0";
    return "O campo " + campo + " deve estar entre " + FormatarEscalado(minimo, decimais, formato) + " e " +
           FormatarEscalado(maximo, decimais, formato) + ".";
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

std::int64_t SomarPares(std::int64_t contador, std::int64_t pares) {
    std::int64_t r = 0;
    if (__builtin_add_overflow(contador, pares, &r)) throw std::overflow_error("Valor fora dos limites.");
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
