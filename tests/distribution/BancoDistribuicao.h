#pragma once
// The database the distribution tests share: the main schema and fixture rows (workshops
// ALFA 1, BETA 2, the inactive 3 and GAMA 4; service types B, P, I; sectors 01, 02, 10,
// 11; prices of PR01 at ALFA; ticket 123456/0007 of product PR01 with 120 pairs and its
// sub-tickets 0001 and 0002; programme 12/345; 000080/0001 of 3,000,000,000 pairs and
// 000090/0001 of 10,000).
#include <gtest/gtest.h>

#include "support/TestDb.h"

inline TestDb* NovoBancoDistribuicao() {
    auto* banco = new TestDb();
    banco->RunScript("principal.sql");
    const char* dados[] = {
        "insert into TERCEIRIZADO values (1, 'ALFA', 3.00, 500, 'S')",
        "insert into TERCEIRIZADO values (2, 'BETA', null, null, 'S')",
        "insert into TERCEIRIZADO values (3, 'INATIVA', 1.00, 10, 'N')",
        "insert into TERCEIRIZADO values (4, 'GAMA', null, 100, 'S')",
        "insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('35', 'B', 'BORDADO')",
        "insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('35', 'P', 'PESPONTO')",
        "insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('35', 'I', 'INSPECAO')",
        "insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('10', 'X', 'OUTRA LISTA')",
        "insert into EXTERNO_TPSERVICO values (2, 'P')",
        "insert into SETOR values ('01', 'CORTE', null)",
        "insert into SETOR values ('02', 'PESPONTO', '01')",
        "insert into SETOR values ('10', 'BORD RET', null)",
        "insert into SETOR values ('11', 'BORDADO', null)",
        "insert into EXTERNO_SETOR values (2, '02')",
        "insert into PRECOSER values (1, 'PR01', 'B', 12.50)",
        "insert into PRECOSER values (1, 'PR01', 'P', 2.35)",
        "insert into ITENSPV values ('P1', '01', 'PR01', '001', '123456', '0007')",
        "insert into ITENSPV values ('P1', '02', 'PR01', '001', '123456', '0007')",
        "insert into ITENSPVGRADE values ('P1', '01', '38', 50)",
        "insert into ITENSPVGRADE values ('P1', '01', '39', 30)",
        "insert into ITENSPVGRADE values ('P1', '02', '40', 40)",
        "insert into ITENSPV values ('P2', '01', 'PR02', '002', '12/345', '0001')",
        "insert into ITENSPVGRADE values ('P2', '01', '38', 8)",
        "insert into PADRONIZ_PRODUTO values ('001', 'PR01', 'PRETO')",
        // tickets of more pairs than QTDE_EX holds, and of 10,000
        "insert into ITENSPV values ('P8', '01', 'PR01', '001', '000080', '0001')",
        "insert into ITENSPVGRADE values ('P8', '01', '38', 3000000000)",
        "insert into ITENSPV values ('P9', '01', 'PR01', '001', '000090', '0001')",
        "insert into ITENSPVGRADE values ('P9', '01', '38', 10000)",
        "insert into SUBPROD values (123456789, '123456', '0007', '0001', 30)",
        "insert into SUBPROD values (3123456789, '123456', '0007', '0002', 20)",
    };
    for (const char* s : dados) banco->Exec(s);
    return banco;
}

// A suite sharing one distribution database (creating one is slow): made before the
// suite's first test, dropped after its last.
class SuiteBancoDistribuicao : public ::testing::Test {
protected:
    static void SetUpTestSuite() { banco = NovoBancoDistribuicao(); }
    static void TearDownTestSuite() {
        delete banco;
        banco = nullptr;
    }
    static inline TestDb* banco = nullptr;
};
