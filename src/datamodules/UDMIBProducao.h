#pragma once
// Production module for the InterBase/Firebird database.
#include "datamodules/UDMProducao.h"

class TdmIBProducao : public TdmProducao {
public:
    // `conexao` null: the system object's main connection.
    explicit TdmIBProducao(db::Connection* conexao = nullptr);

    // The ancestor's message by kind of update, then the error passed on.
    void dspMPrimaUpdateError(db::Provider& sender, const db::Error& e, db::DeltaRecord& delta, db::UpdateKind kind,
                              db::UpdateResponse& response) override;

    void dspNotaEntBeforeUpdateRecord(db::Provider& sender, db::DeltaRecord& delta, db::UpdateKind kind, bool& applied);
    void dspMPrimaBeforeUpdateRecord(db::Provider& sender, db::DeltaRecord& delta, db::UpdateKind kind, bool& applied);
    void dspProdutoBeforeUpdateRecord(db::Provider& sender, db::DeltaRecord& delta, db::UpdateKind kind, bool& applied);
    void dspPedVendaBeforeUpdateRecord(db::Provider& sender, db::DeltaRecord& delta, db::UpdateKind kind, bool& applied);

    // Edit mask of PRAZO_PV after the number of instalments; none for cash terms.
    void cdsPedVendaNUMPARC_PVChange(db::Field& sender);

protected:
    void DefinirCamposChave(db::DeltaRecord& delta, const std::string& chaves) { dm::DefinirCamposChave(delta, chaves); }
};
