#pragma once
// Lookup-list module for the InterBase/Firebird database.
#include "datamodules/UDMTiposAncestral.h"

class TdmIBTipos : public TdmTiposAncestral {
public:
    // `conexao` null: the system object's main connection.
    explicit TdmIBTipos(db::Connection* conexao = nullptr);
};
