#pragma once
// Registers module for the InterBase/Firebird database.
#include "datamodules/UDMCadAncestral.h"

class TdmIBCadastros : public TdmCadAncestral {
public:
    // `conexao` null: the system object's main connection.
    explicit TdmIBCadastros(db::Connection* conexao = nullptr);

    // Shows the error as the ancestor does, then passes it on to the caller of the apply.
    void dspFornecedorUpdateError(db::Provider& sender, const db::Error& e, db::DeltaRecord& delta, db::UpdateKind kind,
                                  db::UpdateResponse& response) override;
    void dspClienteBeforeUpdateRecord(db::Provider& sender, db::DeltaRecord& delta, db::UpdateKind kind, bool& applied);

protected:
    void DefinirCamposChave(db::DeltaRecord& delta, const std::string& chaves) { dm::DefinirCamposChave(delta, chaves); }
};
