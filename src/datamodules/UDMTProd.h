#pragma once
// Product-tables module, database-neutral part: material colours, forms, knives,
// operation codes, defects and solutions.
#include <string>

#include "datamodules/UDataModule.h"

class TdmTProd : public dm::TDataModule {
public:
    ~TdmTProd() override = default;

protected:
    TdmTProd(std::string nome, db::Connection* conexao);
};
