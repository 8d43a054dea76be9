#pragma once
// A database built from the schema scripts of the main database, shared by the tests of
// one suite, and the six modules bound to it.
#include <fstream>
#include <memory>
#include <sstream>

#include "db/ScriptRunner.h"
#include "support/TestDb.h"
#include "datamodules/UDMCadastros.h"
#include "datamodules/UDMIBFatur.h"
#include "datamodules/UDMIBFinanceiro.h"
#include "datamodules/UDMIBProducao.h"
#include "datamodules/UDMIBTProd.h"
#include "datamodules/UDMIBTipos.h"

struct ModulosDb {
    TestDb banco;
    ModulosDb() {
        std::string texto;
        for (const char* arq : {"principal.sql", "modulos.sql"}) {
            std::ifstream f(TestDb::SqlDir() + "/" + arq, std::ios::binary);
            std::stringstream ss;
            ss << f.rdbuf();
            texto += ss.str() + "\n";
        }
        Executar(texto);
    }
    // Runs a script in one transaction: a commit per statement makes the build of a fresh
    // database take many seconds.
    void Executar(const std::string& script) {
        db::Transaction tr = banco.Conn().StartTransaction();
        for (const std::string& st : db::ScriptRunner::Split(script)) {
            if (st.rfind("SET TERM", 0) == 0 || st == "COMMIT") continue;
            db::Query q(banco.Conn());
            q.SetParamCheck(false);
            q.SetTransaction(&tr);
            q.SetSQL(st);
            q.ExecSQL();
        }
        tr.Commit();
    }
    db::Connection& Conn() { return banco.Conn(); }
};

// Every module, bound to one connection.
struct SeisModulos {
    std::unique_ptr<TdmIBCadastros> cadastros;
    std::unique_ptr<TdmIBTipos> tipos;
    std::unique_ptr<TdmIBProducao> producao;
    std::unique_ptr<TdmIBFinanceiro> financeiro;
    std::unique_ptr<TdmIBTProd> tprod;
    std::unique_ptr<TdmIBFatur> fatur;

    explicit SeisModulos(db::Connection& c)
        : cadastros(std::make_unique<TdmIBCadastros>(&c)),
          tipos(std::make_unique<TdmIBTipos>(&c)),
          producao(std::make_unique<TdmIBProducao>(&c)),
          financeiro(std::make_unique<TdmIBFinanceiro>(&c)),
          tprod(std::make_unique<TdmIBTProd>(&c)),
          fatur(std::make_unique<TdmIBFatur>(&c)) {}

    std::vector<dm::TDataModule*> Todos() {
        return {cadastros.get(), tipos.get(), producao.get(), financeiro.get(), tprod.get(), fatur.get()};
    }
};
