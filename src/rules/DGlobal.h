#pragma once
// The change audit log: for every inserted, deleted or changed field of a record set's
// pending changes, one call of the database procedure GRAVALOG.
#include <functional>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/DataPacket.h"
#include "db/Query.h"

namespace db {
class ClientDataSet;
}

struct TRegCamposLog {
    std::string Campo;  // empty: a free entry
    std::string ValorAnterior;
    std::string ValorAtual;
    bool Alterado = false;
    bool Inserido = false;
    bool Excluido = false;
};
using TListaCamposLog = std::vector<TRegCamposLog>;

// The global data module, reduced to what the audit log uses: stpGravarLog runs
// GRAVALOG on the main connection (in the caller's transaction when one is set with
// stpGravarLog.SetTransaction, so the audit rows share the fate of the changes).
class TDmGlobal {
public:
    explicit TDmGlobal(db::Connection& principal);

    db::Query stpGravarLog;
    // The user written with each row (the system object's Usuario).
    std::string Usuario;
    // The server's current date and time, asked for each row; unset: CURRENT_TIMESTAMP
    // read on the module's connection (in its transaction).
    std::function<double()> DataServidor;

    double AgoraServidor();

private:
    db::Connection* conn_;
};

// Key fields of a table (name compared upper-cased) from the key map; for a table outside
// the map, the names of `campos` that are index fields (`camposIndice`, ";"-separated),
// in field order.
void ObterCamposChave(const db::FieldDefs& campos, const std::string& camposIndice, std::vector<std::string>& lista,
                      const std::string& tabela);
void ObterCamposChave(db::ClientDataSet& cds, std::vector<std::string>& lista, const std::string& tabela);

// Updates the entry of `campo` (operation "I", "E", "U" or "M") with its value as text.
void AtualizarCampoLog(TListaCamposLog& lista, const std::string& operacao, const std::string& campo,
                       const std::string& valor);

// One audit row: key cut to 30 characters, values to 100.
void GravarLog(TDmGlobal& owner, const std::string& chave, const std::string& tabela, const std::string& campo,
               const std::string& valorAnterior, const std::string& valorAtual);

// The audit rows of a pending-change packet (before-image rows have status Unmodified,
// followed by their Modified row). Errors propagate; no transaction of its own.
void GerarLog(TDmGlobal& owner, const std::string& tabela, const db::DataPacket& delta,
              const std::string& camposIndice = {});
void GerarLog(TDmGlobal& owner, const std::string& tabela, db::ClientDataSet& cds);
