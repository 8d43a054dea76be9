#pragma once
// Test surroundings for the connection, access-module and service tests: a configuration
// folder of its own with a Parametros.ini, the system object built from it, and the
// objects handed to the application object released afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/TestDb.h"
#include "shell/UAplicacao.h"
#include "shell/USistema.h"

class AmbienteAcesso : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = TestDb::MakeTempDir("pravolt-acesso");
        TSistema::DefinirDiretorioConfiguracao(dir_);
        DestruirSistema();
    }
    void TearDown() override {
        // Whatever the test created through the system object belongs to the application
        // object: release it before the databases go away.
        Aplicacao().Liberar();
        DestruirSistema();
        TSistema::DefinirDiretorioConfiguracao("");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    void Ini(const std::string& texto) {
        std::ofstream(dir_ + "/Parametros.ini", std::ios::binary | std::ios::trunc) << texto;
        DestruirSistema();
    }
    // Parametros.ini for a kind with the access and user databases given.
    void IniAcesso(const std::string& tipo, const std::string& acesso, const std::string& user = "user.fdb",
                   const std::string& principal = "") {
        Ini("[Banco]\nBanco=" + tipo + "\n[Paths]\nACESSO=" + acesso + "\nUSER=" + user +
            (principal.empty() ? std::string() : "\nDB=" + principal) + "\n");
    }
    const std::string& Dir() const { return dir_; }

    std::string dir_;
};
