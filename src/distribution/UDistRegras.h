#pragma once
// Rules of the distribution window that need no widgets: parameter switches, installation
// rules, the programme field's length, ticket and bar-code handling, the counters' date
// range, the KALDU service-type-to-sector map, the price lock states, number formats and
// the texts built by the save. The window (FDistPravolt) only wires them to its controls;
// the save itself is UDistGravacao.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/DataHora.h"
#include "platform/Dinheiro.h"

namespace dist {

// ---------------------------------------------------------------------------------
// Parameter switches, read once when the window is created.
struct ParametrosDist {
    bool baixaSetorEntrada = false;   // ATU_PRODUCAO / BAIXA_SETOR_ENTRADA = "S"
    bool setorObrigatorio = false;    // DISTRIBUICAO_SERVICOS / SETOR_OBRIGATORIO = "S"
    bool verificarSetorAnt = false;   // DISTRIBUICAO_SERVICOS / VERIFICAR_SETOR_ANT_BAIXADO = "S"
    bool bloqueioData = false;        // DISTRIBUICAO_SERVICOS / BLOQUEIO_DATA = "S"
    bool atualizaProducao = true;     // SERVICO_EXTERNO / ATUALIZA_PRODUCAO_SETOR <> "N"
    bool bloquearPreco = false;       // DISTRIBUICAO_SERVICOS / BLOQUEAR_PRECO = "S"
    bool distServPorCodBar = false;   // ATU_PRODUCAO / DIST_SERV_POR_CODBAR = "S"
};

// Reads the seven switches through `ler(grupo, parametro)` (a missing row reads as "").
// Comparisons are exact and case-sensitive.
using LeitorParametro = std::function<std::string(const std::string&, const std::string&)>;
ParametrosDist LerParametrosDist(const LeitorParametro& ler);

// ---------------------------------------------------------------------------------
// Installation rules (the installation name is compared exactly).
int TamanhoProgramacao(bool distServPorCodBar, const std::string& empresa);  // 6 / 15 / 13 / 15
bool DataBloqueada(const std::string& empresa, bool bloqueioData);
bool PrecoSomenteLeituraNaAbertura(const std::string& empresa);  // "QOR"
bool DataServidorNaTrocaDeModo(const std::string& empresa);      // "QUELTAVIO"
bool EhKaldu(const std::string& empresa);
bool GravaProducaoSetor(const std::string& empresa, bool atualizaProducao, const std::string& setor);

// KALDU: the sector that leaving the service type field writes, for the mode.
std::optional<std::string> SetorKaldu(const std::string& tipoServico, bool saida);

// ---------------------------------------------------------------------------------
// Texts.

// Prepends `c` until `texto` is `tamanho` characters long (at most 255); a text that
// long or longer is returned unchanged. Characters, not bytes, are counted.
std::string PreencherEsquerda(const std::string& texto, char c, int tamanho);

// In the programme every ";" becomes "/" and letters become upper case.
std::string MapearProgramacao(const std::string& texto);

// What a text in the programme field is.
enum class EntradaProg { Vazia, Manual, Identificador, CodigoBarras };
EntradaProg ClassificarProgramacao(const std::string& texto);

// A ticket bar code split: positions 2-7 programme, 8-11 ticket, 12-15 sub-ticket (only
// with at least 15 characters). The programme is already mapped.
struct CodigoFicha {
    std::string prog;
    std::string ficha;
    std::optional<std::string> subFicha;
};
CodigoFicha DividirCodigoBarras(const std::string& codigo);

// The identifier of a 10-character sub-ticket bar code: a leading "2" is dropped.
std::string IdentificadorSubFicha(const std::string& codigo);

// The programme the lookup uses: longer than 6 characters -> its characters 2 to 7.
std::string ProgramacaoDaBusca(const std::string& prog);

// ---------------------------------------------------------------------------------
// The counters' month range: the first of the date's month at 00:00:00 up to the date at
// 23:59:59.
struct Faixa {
    plat::TDateTime inicio = 0, fim = 0;
};
Faixa FaixaDoMes(plat::TDateTime data);

// ---------------------------------------------------------------------------------
// Total price: pairs × price per pair, exact (std::overflow_error beyond the range).
plat::Dinheiro PrecoTotal(std::int64_t pares, plat::Dinheiro preco);

// Formats a number with a small subset of the Delphi number formats the window uses:
// digit placeholders "0" and "#", "," anywhere in the integer part (thousands grouping),
// "." (decimal point), literal characters, and an optional ";" section for negatives.
// Shown with the Brazilian separators: "." groups thousands, "," is the decimal point.
std::string FormatarNumero(double valor, const std::string& formato);
// The same for an exact value, valor × 10^-escala (rounded half away from zero to the
// format's decimals).
std::string FormatarEscalado(std::int64_t valor, int escala, const std::string& formato);

// Reads a number typed in a numeric field, scaled by 10^decimais (further decimals
// rounded half away from zero): "," is the decimal point ("." then only groups
// thousands); without a comma "." is taken as the decimal point. Blank reads as 0.
// Throws plat::EConvertError when the text is not a number; std::nullopt for a number too
// large for 64 bits.
std::optional<std::int64_t> LerEscalado(const std::string& texto, int decimais);

// What the columns behind the window's numeric fields hold: the price per pair is
// VALOR_EX, NUMERIC(15,4) (here in ten-thousandths); workshop codes and pairs are
// INTEGER columns (TERCEIRIZADO_EX, QTDE_EX, QTDE_PS).
inline constexpr std::int64_t kPrecoMaximo = 999'999'999'999'999;  // 99.999.999.999,9999
inline constexpr std::int64_t kInteiroMinimo = -2'147'483'647 - 1;
inline constexpr std::int64_t kInteiroMaximo = 2'147'483'647;

// The warning for a value a numeric field cannot hold (limits scaled by 10^decimais):
// O campo Preço por par deve estar entre -99.999.999.999,9999 e 99.999.999.999,9999.
std::string MsgForaDosLimites(const std::string& campo, std::int64_t minimo, std::int64_t maximo, int decimais);

// ---------------------------------------------------------------------------------
// Price states of the price field.
enum class EstadoPreco {
    Editavel,            // white, typed by the operator
    EditavelCorJanela,   // editable, system window colour (lookup found no price)
    Travado,             // read-only, light yellow
    SomenteLeitura,      // read-only, colour as it was
};

// Outcome of the price lookup in Saída mode.
struct ResultadoPreco {
    plat::Dinheiro preco;
    EstadoPreco estado = EstadoPreco::Editavel;
};
// `encontrado` false: no PRECOSER row. `atual`: the state before the lookup.
ResultadoPreco ResolverPreco(bool encontrado, plat::Dinheiro valor, bool bloquearPreco, EstadoPreco atual);

// ---------------------------------------------------------------------------------
// Save rules.

// The preceding sectors of a sector: the list split at commas and blanks, items trimmed,
// empty ones skipped.
std::vector<std::string> SetoresAnteriores(const std::string& lista);

// Pairs added to a counter; std::overflow_error rather than a wrapped sum.
std::int64_t SomarPares(std::int64_t contador, std::int64_t pares);

// Turnover: true when pending + pairs exceeds the turnover (equal is allowed). No overflow.
bool GiroUltrapassado(std::int64_t pendente, std::int64_t pares, std::int64_t giro);

std::string MsgJaEnviada(std::int64_t terceirizado);  // Programação já foi enviada para terceirizado "7".
std::string MsgRetornoLancado(plat::TDateTime retorno);       // Retorno já lançado em dd/mm/yy.

// The ticket lookup's refusals: no items for the ticket; a return without dispatch.
extern const char* const kMsgProgNaoLocalizada;
extern const char* const kMsgSemSaida;

// The audit log runs unless the executable's file name, upper-cased, contains "PRAVOLT".
bool AuditoriaLigada(const std::string& nomeExecutavel);

// Weekdays: the date `dias` weekdays before `data` (Saturday and Sunday skipped).
plat::TDateTime DiasUteisAntes(plat::TDateTime data, int dias);

}  // namespace dist
