#pragma once
// Production module, database-neutral part: materials, products, purchase and sales
// orders, incoming notes, stock, programmes, outsourced workshops, service prices,
// external services, sectors.
#include <string>

#include "datamodules/UDataModule.h"

class TdmProducao : public dm::TDataModule {
public:
    ~TdmProducao() override = default;

    // Message by kind of update; delete also aborts the apply.
    DM_UPDATE_ERROR(dspMPrimaUpdateError);
    // The error's text in an information box; the response stays as proposed.
    DM_UPDATE_ERROR(dspFichaTec_PedVendUpdateError);
    // These pass the error on, with no message.
    DM_UPDATE_ERROR(dspEntMPUpdateError);
    DM_UPDATE_ERROR(dspFindProdUpdateError);
    DM_UPDATE_ERROR(dspItensPvUpdateError);
    DM_UPDATE_ERROR(dspItensPvGradeUpdateError);
    DM_UPDATE_ERROR(dspPedVendaUpdateError);
    DM_UPDATE_ERROR(dspPedCompraUpdateError);
    DM_UPDATE_ERROR(dspItensPCUpdateError);
    DM_UPDATE_ERROR(dspItensPCGUpdateError);
    DM_UPDATE_ERROR(dsPrecoUpdateError);
    DM_UPDATE_ERROR(dspSetorFuncUpdateError);
    DM_UPDATE_ERROR(dspMprimaSolaUpdateError);
    DM_UPDATE_ERROR(dspNotaEntUpdateError);

protected:
    TdmProducao(std::string nome, db::Connection* conexao);
};
