// Creation of the seven data modules by the system object: order, binding to the main
// connection, ownership by the application object.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "datamodules/ModulosDb.h"
#include "platform/Mensagens.h"
#include "shell/UAplicacao.h"
#include "shell/UCRSQLConnection.h"
#include "shell/UDmIbAcesso.h"
#include "shell/USistema.h"

namespace {

class CriarDataModules : public ::testing::Test {
protected:
    void SetUp() override {
        acesso_.RunScript("acesso.sql");
        dir_ = TestDb::MakeTempDir("pravolt-modulos");
        std::ofstream(dir_ + "/Parametros.ini", std::ios::binary)
            << "[Banco]\nBanco=DevartFireBird\nCHAVE=2\n[Paths]\nDB=" << principal_.banco.Path()
            << "\nACESSO=" << acesso_.Path() << "\nUSER=" << acesso_.Path() << "\n";
        TSistema::DefinirDiretorioConfiguracao(dir_);
        DestruirSistema();
        principal_.banco.Detach();
        acesso_.Detach();
    }
    void TearDown() override {
        Aplicacao().Liberar();
        DestruirSistema();
        TSistema::DefinirDiretorioConfiguracao("");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    ModulosDb principal_;
    TestDb acesso_;
    std::string dir_;
};

TEST_F(CriarDataModules, CreatesTheSevenModulesBoundToTheMainConnection) {
    plat::GravadorMensagens msgs;
    TSistema& s = Sistema();
    s.CriarConexoes();
    s.ConfigurarConexoes();
    const std::size_t antes = Aplicacao().Quantidade();
    s.CriarDataModules();
    EXPECT_EQ(Aplicacao().Quantidade(), antes + 7);

    dm::TDataModule* mods[] = {s.DmCadastros, s.DmTipos, s.DmProducao, s.DmFinanceiro, s.DmTProd, s.DmFatur};
    for (dm::TDataModule* m : mods) {
        ASSERT_NE(m, nullptr);
        EXPECT_TRUE(Aplicacao().Possui(m)) << m->Name();
        EXPECT_EQ(m->Conexao(), s.ConexaoPrincipal) << m->Name();
        for (const auto& q : m->Nomes(dm::TipoComponente::Query))
            EXPECT_EQ(m->Query(q).GetConnection(), s.ConexaoPrincipal) << m->Name() << "." << q;
    }
    ASSERT_NE(s.Acesso, nullptr);
    EXPECT_TRUE(Aplicacao().Possui(s.Acesso));
    EXPECT_TRUE(msgs.registro.empty()) << msgs.registro[0].texto;

    // The modules work on the configured main database.
    db::StoredProc& data = s.DmCadastros->StoredProc("stpDataServidor");
    data.ExecProc();
    EXPECT_GT(data.ParamByName("DATA").AsDateTime(), 40000.0);

    // Releasing, newest first, leaves nothing behind.
    Aplicacao().Liberar();
    EXPECT_EQ(Aplicacao().Quantidade(), 0u);
}

}  // namespace
