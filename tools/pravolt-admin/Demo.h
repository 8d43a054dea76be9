#pragma once
// Demonstration data for the two databases: a small factory with a dozen workshops, the
// service types, sectors, prices, sales-order tickets with sizes, standardisations and
// sub-tickets, dispatches and returns over this month and last year, progress rows,
// users, parameter switches and the installation's name.
#include <cstdint>
#include <functional>
#include <string>

#include "db/Connection.h"

namespace demo {

struct Opcoes {
    // Tickets generated; each gets about five dispatches.
    std::int64_t fichas = 3000;
    // Progress messages (one line each); empty = quiet.
    std::function<void(const std::string&)> progresso;
};

// Totals written, for the tool's summary and the tests.
struct Resumo {
    std::int64_t terceirizados = 0;
    std::int64_t fichas = 0;
    std::int64_t itens = 0;
    std::int64_t grades = 0;
    std::int64_t subfichas = 0;
    std::int64_t externos = 0;
    std::int64_t externosAbertos = 0;
    std::int64_t producao = 0;
};

// The company name stored in CONFIG of both databases.
extern const char* const kNomeEmpresa;

// Demonstration users and their passwords (DIRETOR authorises what needs a director).
struct UsuarioDemo {
    const char* nome;
    const char* senha;
};
extern const UsuarioDemo kUsuarios[];
extern const int kQuantidadeUsuarios;

// Fills an empty access database (one transaction).
void PreencherAcesso(db::Connection& conn);

// Fills an empty main database (one transaction; rows inserted through prepared
// statements, so large data sets load in minutes).
Resumo PreencherPrincipal(db::Connection& conn, const Opcoes& opcoes);

}  // namespace demo
