// The system object's query services against embedded main and access databases.
#include <gtest/gtest.h>

#include <cmath>

#include "AmbienteAcesso.h"
#include "db/ClientDataSet.h"
#include "platform/DataHora.h"
#include "platform/Mensagens.h"
#include "shell/UCRSQLConnection.h"
#include "shell/UDmIbAcesso.h"

namespace {

class ServicosTest : public AmbienteAcesso {
protected:
    void SetUp() override {
        AmbienteAcesso::SetUp();
        principal_ = std::make_unique<TestDb>();
        acesso_ = std::make_unique<TestDb>();
        acesso_->RunScript("acesso.sql");
    }
    void TearDown() override {
        AmbienteAcesso::TearDown();
        principal_.reset();
        acesso_.reset();
    }
    // The system object with its main connection and its access module, as at start-up.
    TSistema& Iniciar(bool comEsquema = true) {
        if (comEsquema) principal_->RunScript("principal.sql");
        IniAcesso("DevartFireBird", acesso_->Path(), "user.fdb", principal_->Path());
        TSistema& s = Sistema();
        s.CriarConexoes();
        s.ConfigurarConexoes();
        s.Acesso = Aplicacao().Adicionar(std::make_unique<TdmIbAcesso>());
        return s;
    }
    std::unique_ptr<TestDb> principal_, acesso_;
    plat::GravadorMensagens msgs;
};

TEST_F(ServicosTest, LerParametro) {
    TSistema& s = Iniciar();
    principal_->Exec("insert into PARAM (GRUPO_PA, PARAM_PA, VALOR_PA) values ('DISTRIBUICAO_SERVICOS', 'BLOQUEIO_DATA', 'S')");
    principal_->Exec("insert into PARAM (GRUPO_PA, PARAM_PA, VALOR_PA) values ('ATU_PRODUCAO', 'BAIXA_SETOR_ENTRADA', NULL)");
    EXPECT_EQ(s.LerParametro("DISTRIBUICAO_SERVICOS", "BLOQUEIO_DATA"), "S");
    EXPECT_EQ(s.LerParametro("ATU_PRODUCAO", "BAIXA_SETOR_ENTRADA"), "");  // NULL value
    EXPECT_EQ(s.LerParametro("DISTRIBUICAO_SERVICOS", "SETOR_OBRIGATORIO"), "");  // no row
    EXPECT_EQ(s.LerParametro("distribuicao_servicos", "BLOQUEIO_DATA"), "");  // exact comparison
    EXPECT_TRUE(msgs.registro.empty());
    // Nothing is cached: a change is seen by the next call.
    principal_->Exec("update PARAM set VALOR_PA = 'N' where PARAM_PA = 'BLOQUEIO_DATA'");
    EXPECT_EQ(s.LerParametro("DISTRIBUICAO_SERVICOS", "BLOQUEIO_DATA"), "N");
}

TEST_F(ServicosTest, LerParametroWithoutTheTableShowsTheErrorThenFails) {
    TSistema& s = Iniciar(false);
    EXPECT_THROW(s.LerParametro("ATU_PRODUCAO", "DIST_SERV_POR_CODBAR"), db::Error);
    ASSERT_EQ(msgs.registro.size(), 1u);
    EXPECT_EQ(msgs.registro[0].tipo, plat::TipoMensagem::Erro);
    const std::string& t = msgs.registro[0].texto;
    EXPECT_EQ(t.rfind("Erro ao abrir a tabela PARAM\r", 0), 0u) << t;
    EXPECT_NE(t.find("PARAM", 29), std::string::npos) << t;  // the database's own message follows
}

TEST_F(ServicosTest, LerParametroWithoutAConfiguredConnection) {
    Ini("[Banco]\nBanco=Outro\n");
    TSistema& s = Sistema();
    s.CriarConexoes();
    s.ConfigurarConexoes();
    EXPECT_THROW(s.LerParametro("A", "B"), db::Error);
    ASSERT_EQ(msgs.registro.size(), 1u);
    EXPECT_NE(msgs.registro[0].texto.find(TCRSQLConnection::MensagemSemDriver("ConexaoPrincipal")), std::string::npos);
}

TEST_F(ServicosTest, NomeEmpresaAndDataServidor) {
    TSistema& s = Iniciar();
    EXPECT_EQ(s.NomeEmpresa(), "");
    EXPECT_EQ(s.DataServidor(), 0.0);  // no row in CONFIG: the zero date-time
    principal_->Exec("insert into CONFIG (NOME_EMPRESA) values ('Calçados Ébano')");
    principal_->Exec("insert into CONFIG (NOME_EMPRESA) values ('Outra')");
    EXPECT_EQ(s.NomeEmpresa(), "Calçados Ébano");
    EXPECT_LT(std::fabs(s.DataServidor() - plat::Agora()), 2.0 / 86400);
    EXPECT_TRUE(msgs.registro.empty());
}

TEST_F(ServicosTest, FiliaisUsuarioMatchesTheEmptyUserExactly) {
    TSistema& s = Iniciar();
    EXPECT_TRUE(s.FiliaisUsuario().empty());
    acesso_->Exec("insert into FILIAL_USUARIOS values ('ANA', '1')");
    acesso_->Exec("insert into FILIAL_USUARIOS values ('', '2')");
    acesso_->Exec("insert into FILIAL_USUARIOS values (NULL, '3')");
    acesso_->Exec("insert into FILIAL_USUARIOS values (' ', '4')");
    std::vector<std::string> a = s.FiliaisUsuario();
    std::sort(a.begin(), a.end());  // rows with an equal (empty) user come in no set order
    EXPECT_EQ(a, (std::vector<std::string>{"2", "3"}));
    EXPECT_TRUE(s.Acesso->cdsFilialUsu.Active());
    EXPECT_TRUE(s.Acesso->cdsFilialUsu.Eof());

    s.Usuario = "ANA";
    acesso_->Exec("insert into FILIAL_USUARIOS values ('ANA', '9')");
    acesso_->Exec("insert into FILIAL_USUARIOS values ('ana', '8')");
    std::vector<std::string> b = s.FiliaisUsuario();
    std::sort(b.begin(), b.end());
    EXPECT_EQ(b, (std::vector<std::string>{"1", "9"}));
    EXPECT_EQ(a.size(), 2u);  // the first list is the caller's own
}

TEST_F(ServicosTest, CarregarDados) {
    TSistema& s = Iniciar();
    db::ClientDataSet cds;
    s.CarregarDados(cds, "select COD_SE, NOME_SE from SETOR");
    EXPECT_TRUE(cds.Active());
    EXPECT_EQ(cds.RecordCount(), 0);
    ASSERT_EQ(cds.FieldCount(), 2u);
    EXPECT_EQ(cds.Fields(0).FieldName(), "COD_SE");

    principal_->Exec("insert into SETOR (COD_SE, NOME_SE) values ('01', 'Corte')");
    principal_->Exec("insert into SETOR (COD_SE, NOME_SE) values ('02', 'Costura')");
    s.CarregarDados(cds, "select NOME_SE from SETOR order by COD_SE desc");
    ASSERT_EQ(cds.FieldCount(), 1u);
    ASSERT_EQ(cds.RecordCount(), 2);
    cds.First();
    EXPECT_EQ(cds.FieldByName("NOME_SE").AsString(), "Costura");
    // A detached copy: it stays readable after the rows are gone from the table.
    principal_->Exec("delete from SETOR");
    cds.Last();
    EXPECT_EQ(cds.FieldByName("NOME_SE").AsString(), "Corte");
    EXPECT_THROW(s.CarregarDados(cds, "select * from NAO_EXISTE"), db::Error);
    EXPECT_TRUE(msgs.registro.empty());
}

}  // namespace
