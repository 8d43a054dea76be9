#pragma once
// Product-tables module for the InterBase/Firebird database.
#include "datamodules/UDMTProd.h"

class TdmIBTProd : public TdmTProd {
public:
    // `conexao` null: the system object's main connection.
    explicit TdmIBTProd(db::Connection* conexao = nullptr);

    // Refuses renaming a material colour (list 23) that has movement; only rows being
    // edited are checked.
    void cdsCorMPCOD_TAChange(db::Field& sender);
};
