// Start-up reading of the main database location stored in BD_PRINCIPAL.
#include "shell/UBdPrincipal.h"

#include <gtest/gtest.h>

#include "AmbienteAcesso.h"
#include "db/Query.h"
#include "platform/Mensagens.h"
#include "shell/UCifra.h"

namespace {

class BdPrincipalTest : public AmbienteAcesso {
protected:
    void SetUp() override {
        AmbienteAcesso::SetUp();
        acesso_ = std::make_unique<TestDb>();
        acesso_->RunScript("acesso.sql");
    }
    void TearDown() override {
        AmbienteAcesso::TearDown();
        acesso_.reset();
    }
    void Gravar(const std::string& valor) {
        db::Query q(acesso_->Conn());
        q.SetSQL("insert into BD_PRINCIPAL (SENHA) values (:S)");
        q.ParamByName("S").SetAsString(valor);
        q.ExecSQL();
    }
    std::unique_ptr<TestDb> acesso_;
    plat::GravadorMensagens msgs;
};

TEST_F(BdPrincipalTest, StoredLocationReplacesTheConfiguredOne) {
    IniAcesso("DevartFireBird", acesso_->Path(), "u.fdb", "/ini/principal.fdb");
    const std::string local = "servidor/3051:/dados/Fábrica €.fdb";
    Gravar(CifrarParaArmazenar(local));
    Gravar(CifrarParaArmazenar("/segunda/linha.fdb"));  // only the first row counts
    EXPECT_EQ(AplicarBdPrincipal(), local);
    EXPECT_EQ(Sistema().CaminhoBanco, local);
    EXPECT_TRUE(msgs.registro.empty());
}

TEST_F(BdPrincipalTest, NoRowOrAnEmptyValueKeepsTheConfiguredLocation) {
    IniAcesso("InterBase", acesso_->Path(), "u.fdb", "/ini/principal.fdb");
    EXPECT_EQ(LerBdPrincipal(), "");
    EXPECT_EQ(AplicarBdPrincipal(), "/ini/principal.fdb");
    Gravar("");
    EXPECT_EQ(AplicarBdPrincipal(), "/ini/principal.fdb");
    acesso_->Exec("update BD_PRINCIPAL set SENHA = NULL");
    EXPECT_EQ(AplicarBdPrincipal(), "/ini/principal.fdb");
}

TEST_F(BdPrincipalTest, UnreachableAccessDatabaseIsReportedThenTheReadFails) {
    IniAcesso("DevartFireBird", Dir() + "/nao-existe.fdb", "u.fdb", "/ini/principal.fdb");
    EXPECT_THROW(AplicarBdPrincipal(), db::Error);
    EXPECT_EQ(msgs.registro.size(), 1u);  // the module's own report; the caller reports the second
    EXPECT_EQ(Sistema().CaminhoBanco, "/ini/principal.fdb");
}

TEST_F(BdPrincipalTest, MissingTableFailsTheRead) {
    acesso_->Exec("drop table BD_PRINCIPAL");
    IniAcesso("DevartFireBird", acesso_->Path());
    EXPECT_THROW(LerBdPrincipal(), db::Error);
    EXPECT_TRUE(msgs.registro.empty());
}

}  // namespace
