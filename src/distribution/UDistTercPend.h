#pragma once
// What a workshop holds, without any window: its open dispatches (EXTERNO rows without a
// return) with their totals, order and service-type filter, the CSV export of them, the
// day's dispatch slip ("Romaneio"), and the printable report of either. The window
// (FDistTercPend) shows, prints and saves what this unit builds.
//
// Each load runs its statements with parameters in ONE read-only transaction of its own
// (snapshot: the workshop, the service types and the rows agree); nothing it opens
// outlives the call. Dates are the suite's day counts (plat::TDateTime) throughout; the
// day is always taken from the count itself, never through a time zone.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DataHora.h"
#include "platform/Dinheiro.h"

namespace db {
class Connection;
}

namespace dist {

// The statements, run by the loads below (the benchmark runs them directly too).
extern const char* const kSqlTercPend;       // :TERC -> COD_BA, NOME_BA
extern const char* const kSqlTiposServPend;  // the service types (list 35)
extern const char* const kSqlPendencias;     // :TERC -> the open dispatches
extern const char* const kSqlRomaneio;       // :TERC, :DIA, :DIAFIM -> the day's dispatches

// A workshop as the list names it.
struct TTercPend {
    std::int64_t codigo = 0;
    std::string nome;
};
// "006 - ALFA": the code with three digits, as the distribution window's grid shows it.
std::string NomeTerceirizado(const TTercPend& t);

// ---------------------------------------------------------------------------------
// The pending list.

struct TPendencia {
    std::string prog, ficha, subFicha;
    std::string tipoServico, descTipo;     // code and description ("" when not in list 35)
    std::string setor;                     // dispatch sector ("" when none)
    std::optional<plat::TDateTime> saida;  // dispatch date (none when not recorded)
    std::int64_t pares = 0;
    plat::Dinheiro preco;   // per pair
    plat::Dinheiro valor;   // pairs × price, exact
    int diasUteis = 0;      // weekdays out (see DiasUteisEntre)
    bool atrasada = false;  // dispatched before the overdue cut-off
};

struct TListaPendencias {
    bool existe = false;  // false: the workshop is no longer in TERCEIRIZADO
    TTercPend terc;
    plat::TDateTime hoje = 0;        // the server's day the list was read on
    plat::TDateTime corte = 0;       // overdue: dispatched before this day (5 weekdays back)
    std::vector<TPendencia> linhas;  // oldest first
};

// The open dispatches of workshop `terc` on `agoraServidor`'s day. A workshop that is not
// in TERCEIRIZADO gives `existe` false and no rows. Database errors reach the caller.
TListaPendencias CarregarPendencias(db::Connection& conexao, std::int64_t terc,
                                    plat::TDateTime agoraServidor);

// Weekdays (Monday to Friday) after `de`'s day up to and including `ate`'s day: a dispatch
// of yesterday, a weekday, is 1 weekday out. 0 when `ate` is not after `de`.
int DiasUteisEntre(plat::TDateTime de, plat::TDateTime ate);

// Overdue, by the rule of the pending-programmes check: dispatched before the day reached
// by counting five weekdays back from the server's day.
inline constexpr int kDiasUteisAtraso = 5;
plat::TDateTime CorteAtraso(plat::TDateTime agoraServidor);

// The columns, in the order shown.
enum class ColunaPend { Prog, Ficha, SubFicha, TipoServico, Setor, Saida, DiasUteis, Pares, Preco, Valor };
inline constexpr int kColunasPend = 10;
std::string TituloColunaPend(ColunaPend c);
// The cell's text as shown and printed ("12,5000", "1.234,56", "05/03/2024"; the type as
// "B - BORDADO").
std::string TextoColunaPend(const TPendencia& p, ColunaPend c);
bool ColunaNumerica(ColunaPend c);

// Rows in the order of a column (ascending or not); ties go in the list's own order
// (dispatch date, programme, ticket, sub-ticket, service type), always ascending.
void OrdenarPendencias(std::vector<std::size_t>& indices, const std::vector<TPendencia>& linhas,
                       ColunaPend coluna, bool crescente);
// The rows of a service type ("" = every row), in the list's order.
std::vector<std::size_t> FiltrarPendencias(const std::vector<TPendencia>& linhas, const std::string& tipo);

// The service types the list holds, by code, with their row counts.
struct TTipoPresente {
    std::string codigo, descricao;
    std::size_t linhas = 0;
};
std::vector<TTipoPresente> TiposPresentes(const std::vector<TPendencia>& linhas);

struct TTotaisPend {
    std::size_t linhas = 0, atrasadas = 0;
    std::int64_t pares = 0;
    plat::Dinheiro valor;  // exact sum (std::overflow_error beyond the range)
};
TTotaisPend Totalizar(const std::vector<TPendencia>& linhas, const std::vector<std::size_t>& indices);
// "Fichas: 3   Atrasadas: 1   Pares: 1.234   Valor: 2.345,60"
std::string TextoTotais(const TTotaisPend& t);

// ---------------------------------------------------------------------------------
// CSV, as Brazilian spreadsheets open it by double-click: UTF-8 with a byte-order mark,
// ";" between fields, CR LF after each line, a header line, decimal comma without
// thousands separators, dates dd/mm/yyyy. A field holding ";", a quote, a line break or
// blanks at either end is quoted ("" for a quote inside).
std::string CampoCsv(std::string_view texto);
std::string CsvPendencias(const std::vector<TPendencia>& linhas, const std::vector<std::size_t>& indices);

// ---------------------------------------------------------------------------------
// Files written whole or not at all: the contents go to a new file beside the
// destination, which then replaces it by rename. A failure leaves no file behind and
// raises EGravacaoArquivo naming the folder and the reason.
class EGravacaoArquivo : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TArquivoNovo {
public:
    // Creates the work file in the destination's folder (EGravacaoArquivo when it cannot).
    explicit TArquivoNovo(std::string destino);
    ~TArquivoNovo();  // removes the work file unless concluded
    TArquivoNovo(const TArquivoNovo&) = delete;
    TArquivoNovo& operator=(const TArquivoNovo&) = delete;

    const std::string& Caminho() const { return trabalho_; }  // the work file
    const std::string& Destino() const { return destino_; }
    void Escrever(std::string_view dados);
    // Flushes the work file to disk and renames it over the destination.
    void Concluir();
    // Gives up, the work file removed: EGravacaoArquivo with `motivo` as the reason.
    [[noreturn]] void Recusar(const std::string& motivo) const;

private:
    [[noreturn]] void Falhar(int erro) const;
    std::string destino_, trabalho_;
    int fd_ = -1;
    bool concluido_ = false;
};

void GravarArquivo(const std::string& caminho, std::string_view conteudo);

// ---------------------------------------------------------------------------------
// The dispatch slip of a day.

struct TItemRomaneio {
    std::string prog, ficha, subFicha;
    std::string produto, padronizacao;  // "001 - PRETO" (code alone without a description)
    std::string tipoServico, descTipo;
    std::int64_t pares = 0;
    plat::Dinheiro preco, valor;
};

struct TRomaneio {
    bool existe = false;
    TTercPend terc;
    plat::TDateTime dia = 0;
    std::vector<TItemRomaneio> itens;  // by programme, ticket, sub-ticket, service type
};

// Every dispatch of workshop `terc` dated on `dia`'s day, returned or not.
TRomaneio CarregarRomaneio(db::Connection& conexao, std::int64_t terc, plat::TDateTime dia);

// ---------------------------------------------------------------------------------
// A printable report: a header repeated on every page, a table, and after its last row
// the totals, notes and (for the slip) the signature lines. FDistTercPend paints it on A4.

struct TColunaRelatorio {
    std::string titulo;
    int largura = 1;       // share of the room the texts leave on the page
    bool direita = false;  // numbers: aligned right
};

struct TRelatorio {
    std::string empresa;  // CONFIG's company name
    std::string titulo;
    std::vector<std::string> cabecalho;  // lines under the title (workshop, day, filter)
    std::string emissao;                 // "Emitido em dd/mm/yyyy hh:nn"
    std::vector<TColunaRelatorio> colunas;
    std::vector<std::vector<std::string>> linhas;
    std::vector<bool> destaque;       // rows printed in bold (overdue)
    std::vector<std::string> totais;  // bold, after the last row
    std::vector<std::string> notas;
    bool assinaturas = false;  // "Entregue por" and "Recebido por", with date
};

// "Página 2 de 5"
std::string TextoPagina(int pagina, int paginas);

// The list as shown (the rows of `indices`, in that order); `filtro` names the service type
// shown ("" = all). `emissao`: the moment of printing.
TRelatorio RelatorioPendencias(const TListaPendencias& lista, const std::vector<std::size_t>& indices,
                               const std::string& empresa, const std::string& filtro,
                               plat::TDateTime emissao);
TRelatorio RelatorioRomaneio(const TRomaneio& romaneio, const std::string& empresa, plat::TDateTime emissao);

}  // namespace dist
