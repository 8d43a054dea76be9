#pragma once
// Product-tables module for the InterBase/Firebird database.
#include "datamodules/UDMTProd.h"

class TdmIBTProd : public TdmTProd {
public:
    // `conexao` null: the system object's main connection.
    explicit TdmIBTProd(db::Connection* conexao = nullptr);
};
