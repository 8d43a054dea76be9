#pragma once
// Registers module, database-neutral part: suppliers, representatives, branches,
// accounting accounts, customers, cities, general-table rows, states, departments.
#include <string>

#include "datamodules/UDataModule.h"

class TdmCadAncestral : public dm::TDataModule {
public:
    ~TdmCadAncestral() override = default;

    // Update-error handlers (bound by name; the most derived version runs).
    virtual void dspFornecedorUpdateError(db::Provider& sender, const db::Error& e, db::DeltaRecord& delta,
                                          db::UpdateKind kind, db::UpdateResponse& response);
    virtual void cdsRepresentanteDeleteError(db::ClientDataSet& ds, const std::exception& e, db::DataAction& action);
    virtual void cdsRepresentanteReconcileError(db::ClientDataSet& ds, const db::Error& e, db::UpdateKind kind,
                                                db::ReconcileAction& action);
    virtual void cdsCCRepresentanteReconcileError(db::ClientDataSet& ds, const db::Error& e, db::UpdateKind kind,
                                                  db::ReconcileAction& action);

protected:
    TdmCadAncestral(std::string nome, db::Connection* conexao);
};
