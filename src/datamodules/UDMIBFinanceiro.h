#pragma once
// Finance module for the InterBase/Firebird database.
#include "datamodules/UDMFinanceiro.h"

class TdmIBFinanceiro : public TdmFinanceiro {
public:
    // `conexao` null: the system object's main connection.
    explicit TdmIBFinanceiro(db::Connection* conexao = nullptr);

    void dspChequesRecBeforeUpdateRecord(db::Provider& sender, db::DeltaRecord& delta, db::UpdateKind kind,
                                         bool& applied);

protected:
    void DefinirCamposChave(db::DeltaRecord& delta, const std::string& chaves) { dm::DefinirCamposChave(delta, chaves); }
};
