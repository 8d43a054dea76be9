#pragma once
// Invoicing module, database-neutral part: outgoing and incoming notes, labels, freight,
// tax assessment, month closing.
#include <string>

#include "datamodules/UDataModule.h"

class TdmFatur : public dm::TDataModule {
public:
    ~TdmFatur() override = default;

    // These pass the error on, with no message.
    DM_UPDATE_ERROR(dspNotaSaiUpdateError);
    DM_UPDATE_ERROR(dspNotaEntUpdateError);

protected:
    TdmFatur(std::string nome, db::Connection* conexao);
};
