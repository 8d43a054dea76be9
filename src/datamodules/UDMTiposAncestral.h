#pragma once
// Lookup-list module, database-neutral part: read-only lists, most of them lists of the
// general table TABELA.
#include <string>

#include "datamodules/UDataModule.h"

class TdmTiposAncestral : public dm::TDataModule {
public:
    ~TdmTiposAncestral() override = default;

protected:
    TdmTiposAncestral(std::string nome, db::Connection* conexao);
};
