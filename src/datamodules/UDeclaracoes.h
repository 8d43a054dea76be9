#pragma once
// Declarations of a data module's components, kept as data: each module lists its queries,
// stored-procedure calls, providers and client data sets in tables, and the data-module
// container (UDataModule.h) builds the components from them. Nothing here touches the
// database.
#include <optional>
#include <string>
#include <vector>

namespace dm {

enum class ModoAtualizacao { WhereAll, WhereChanged, WhereKeyOnly };

// Provider options used by the modules.
enum OpcaoProvider : unsigned {
    SemOpcoes = 0,
    RefreshAposAplicar = 1u << 0,   // refresh the record after it is applied
    ClientePodeTrocarSQL = 1u << 1, // the client may replace the statement text
};

struct DeclQuery {
    std::string nome;
    std::string sql;  // one line; empty for a query without a statement
};

struct DeclParamProc {
    std::string nome;
    bool saida = false;
};

struct DeclStoredProc {
    std::string nome;
    std::string procedimento;  // empty: no procedure named
    std::vector<DeclParamProc> params;
};

struct DeclProvider {
    std::string nome;
    std::string dataset;  // the query it reads; empty for none
    ModoAtualizacao modo = ModoAtualizacao::WhereAll;
    unsigned opcoes = SemOpcoes;
};

struct DeclClientDataSet {
    std::string nome;
    std::string provider;                   // empty: no provider
    std::vector<std::string> paramsCliente;  // parameters the data set itself carries
    bool aparaTexto = true;                  // trailing blanks of strings trimmed
};

enum class TipoCampo { Inteiro, InteiroCurto, Texto, TextoFixo, Decimal, Flutuante, DataHora, Memo, Blob };

// Provider flags of a persistent field.
enum FlagCampo : unsigned {
    NaAtualizacao = 1u << 0,
    NaSelecao = 1u << 1,
    NaChave = 1u << 2,
    FlagsPadrao = NaAtualizacao | NaSelecao,
};

// A persistent field definition with the properties the modules use.
struct DeclCampo {
    std::string nome;
    TipoCampo tipo = TipoCampo::Texto;
    int tamanho = 0;  // characters of a string; precision of a decimal
    int escala = 0;   // decimals of a decimal
    bool obrigatorio = false;
    std::string rotulo;            // display label
    std::string mascara;           // edit mask
    std::string formatoExibicao;   // display format
    std::string padrao;            // default expression
    std::optional<double> minimo, maximo;
    unsigned flags = FlagsPadrao;
    bool calculado = false;  // internal calculated field, no column
    bool visivel = true;
    bool autoIncremento = false;  // generated automatically
};

struct Catalogo {
    std::vector<DeclQuery> queries;
    std::vector<DeclStoredProc> procs;
    std::vector<DeclProvider> providers;
    std::vector<DeclClientDataSet> cds;

    // A procedure's parameters written as in "NUM, ORD, FILIAL, PAGTO" with " out" after
    // each output ("ID out"); "" for none.
    void Proc(const std::string& nome, const std::string& procedimento, const std::string& params = "");

    // A chain: query "sql"+stem, provider "dsp"+stem, client data set "cds"+stem.
    void Cadeia(const std::string& stem, const std::string& sql, std::vector<std::string> paramsCliente = {},
                bool aparaTexto = true);
};

// Parses "A, B out, C" into parameters.
std::vector<DeclParamProc> ParamsProc(const std::string& lista);

// A record read: "SELECT * FROM <tabela>[ WHERE C1 = :p1 AND C2 = :p2][ ORDER BY <ordem>]"
// from a selection written as "C1=:p1, C2=:p2" ("" for all rows).
std::string LeituraRegistro(const std::string& tabela, const std::string& selecao, const std::string& ordem = "");

// A general-table list: "SELECT <colunas> FROM TABELA WHERE num_TA = '<num>'" with the
// conditions "cod_TA <> ' '" / "desc_TA <> ' '" and an order ("" for none).
enum FiltroLista : unsigned { SemFiltro = 0, CodigoNaoBranco = 1, DescricaoNaoBranca = 2 };
inline constexpr const char* TodasColunas = "*";
inline constexpr const char* CodigoDescricao = "cod_TA, desc_TA";
inline constexpr const char* DescricaoCodigo = "desc_TA, cod_TA";
inline constexpr const char* PorDescricao = "desc_TA";
inline constexpr const char* PorCodigo = "cod_TA";
std::string ListaGeral(const std::string& num, const std::string& colunas, unsigned filtro,
                       const std::string& ordem);

}  // namespace dm
