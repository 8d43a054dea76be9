#pragma once
// Recording a dispatch ("Saída") of a production ticket to a workshop, or its return
// ("Retorno"): the database side of the save, without any window.
//
// Gravar runs the checks that read the database and the writes in ONE transaction of its
// own, with statements of its own; nothing it opens outlives the call. Either everything
// is recorded (the EXTERNO row or rows, or the return stamp, the ticket's progress row and
// the audit rows) or nothing is. The caller reads its inputs into a TPedidoGravacao and
// turns the result into messages, focus and counters (the distribution window), or counts
// it (a program that records without a window, on its own attachment).
//
// Checks in order: price and pairs the columns can hold, preceding sectors
// (VERIFICAR_SETOR_ANT_BAIXADO), the locked price
// (BLOQUEAR_PRECO), the dispatch of the ticket for the service type. The checks of what
// the operator typed (workshop, service type, required sector) and the installation rules
// that ask a person (turnover, overdue dispatches) are the caller's, between
// VerificarGravacao and Gravar.
#include <cstdint>
#include <string>
#include <vector>

#include "db/DataPacket.h"
#include "db/Value.h"
#include "distribution/UDistRegras.h"
#include "platform/DataHora.h"
#include "platform/Dinheiro.h"

namespace db {
class Connection;
class Query;
}  // namespace db
class IServicosSistema;
class TDmGlobal;

namespace dist {

// A ticket: programme (6 characters), ticket (4) and sub-ticket (4, "0000" for the whole
// ticket).
struct TChaveFicha {
    std::string prog, ficha, subFicha;

    // Sets the statement's :PROG and :FICHA and the sub-ticket parameter (named
    // `parametroSub`; nullptr: the statement has none).
    void Vincular(db::Query& q, const char* parametroSub = "SUBF") const;
    bool operator==(const TChaveFicha&) const = default;
};

// What is to be recorded.
struct TPedidoGravacao {
    bool saida = true;              // dispatch; false: return of the open dispatch
    std::int64_t terceirizado = 0;  // workshop (a return takes its dispatch's)
    std::string tipoServico;
    std::string setor;              // "" when none
    TChaveFicha ficha;
    plat::TDateTime data = 0;       // date of the dispatch or return (recorded at 00:00)
    plat::Dinheiro preco;           // per pair
    std::int64_t pares = 0;
    std::string observacao;         // written as given, "" included
    std::string produto;            // the ticket's product ("I" rows at KALDU)
    // The workstation's clock at the save: its hh:mm is stamped on the progress row.
    plat::TDateTime momento = 0;
};

// The installation's switches and name in force (read once, as the window does).
struct TRegrasGravacao {
    ParametrosDist parametros;
    std::string empresa;

    static TRegrasGravacao Ler(IServicosSistema& servicos);
};

// Why nothing was recorded.
enum class TRecusa {
    Nenhuma,             // recorded
    SetoresAnteriores,   // a preceding sector has no progress row
    PrecoObrigatorio,    // locked price of 0
    PrecoForaDosLimites, // a price VALOR_EX cannot hold
    ParesForaDosLimites, // pairs QTDE_EX cannot hold
    JaEnviada,           // dispatch: the ticket is already dispatched for the service type
    SaidaNaoEncontrada,  // return: no dispatch
    RetornoLancado,      // return: already recorded
    MesmoSetor,          // return: the dispatch's sector
    RetornoNaoGravado,   // return: the dispatch row changed (or was being changed) meanwhile in a
                         // way no check names; nothing written, the operator saves again
};

struct TResultadoGravacao {
    TRecusa recusa = TRecusa::Nenhuma;
    std::int64_t terceirizadoExistente = 0;   // JaEnviada: the workshop recorded
    plat::TDateTime retornoExistente = 0;     // RetornoLancado: the date recorded
    // Recorded: the workshop whose counters change (a return's is the dispatch's) and, at
    // KALDU, the workshops given a new "I" row.
    std::int64_t terceirizado = 0;
    std::vector<std::int64_t> inspecoes;

    bool Gravado() const { return recusa == TRecusa::Nenhuma; }
    // The operator's message for a refusal, and whether it is an error (else a warning).
    std::string Mensagem() const;
    bool Erro() const { return recusa == TRecusa::SetoresAnteriores; }
};

// The checks alone (reads only, in a transaction of its own): a refusal, or Nenhuma with
// `terceirizado` set as Gravar would.
TResultadoGravacao VerificarGravacao(db::Connection& conexao, const TRegrasGravacao& regras,
                                     const TPedidoGravacao& pedido);

// The whole save. `auditoria`: the audit log (its module on the same connection) whose rows
// are written in the save's transaction; nullptr, none. Database errors other than the
// refusals reach the caller with nothing written. A text the database cannot hold
// (Windows-1252) matches nothing the checks look up; writing it raises
// std::invalid_argument naming the character, before anything is written. A key violation or lock conflict caused
// by another workstation recording the same ticket at the same time ends in the refusal the
// checks then find.
TResultadoGravacao Gravar(db::Connection& conexao, const TRegrasGravacao& regras, const TPedidoGravacao& pedido,
                          TDmGlobal* auditoria = nullptr);

// ---- audit records ---------------------------------------------------------------------
// A row written, as the audit log sees it: the key fields first (unchanged), then the
// columns written with the values they had and have.
struct TCampoLog {
    std::string campo;
    db::Value anterior, atual;
};
struct TRegistroLog {
    std::string tabela;
    bool inserido = false;
    std::vector<TCampoLog> campos;
};
// The pending-change packet the audit log reads: an inserted row; or a before-image
// followed by the modified row, in which only the fields whose value changed are assigned.
db::DataPacket PacoteLog(const TRegistroLog& registro);

// ---- the statements of the save (the window's return lookup runs kSqlExterno, the
// benchmark runs them all directly beside the unit) ----------------------------------------
// The dispatch of a ticket for a service type: :TPSERV, :PROG, :FICHA, :SUBF.
extern const char* const kSqlExterno;
// The window's ticket lookup (the load run's workstations run it too): the ticket's items
// (:PROG, :FICHA) with product, pattern and pairs; the price of a service (:TERC, :PROD,
// :TPSERV).
extern const char* const kSqlItensFicha;
extern const char* const kSqlPrecoServico;
// A dispatch row: :TERC, :TPSERV, :PROG, :FICHA, :SUBF, :SAIDA, :VALOR, :QTDE, :OBS, :SETOR.
extern const char* const kSqlIncluiExterno;
// The ticket's progress row for a sector: :PROG, :FICHA, :SUBF, :SETOR.
extern const char* const kSqlProdSetor;
// The return stamp (:RET, and :SETOR when `comSetor`) of the dispatch :TERC, :TPSERV,
// :PROG, :FICHA, :SUBF while it is still open.
std::string SqlRetornoExterno(bool comSetor);
// The progress row for :PROG, :FICHA, :SUBF, :SETOR with :DT, :HORA, :QTDE: a new row, or
// the stamps and pairs of the existing one; `entrada` stamps the entry columns instead of
// the exit ones.
std::string SqlProducaoSetor(bool existe, bool entrada);

}  // namespace dist
