#pragma once
// Invoicing module for the InterBase/Firebird database.
#include "datamodules/UDMFatur.h"

class TdmIBFatur : public TdmFatur {
public:
    // `conexao` null: the system object's main connection.
    explicit TdmIBFatur(db::Connection* conexao = nullptr);
};
