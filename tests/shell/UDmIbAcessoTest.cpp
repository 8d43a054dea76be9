// The access data module against real embedded databases built from sql/acesso.sql.
#include "shell/UDmIbAcesso.h"

#include <gtest/gtest.h>

#include "AmbienteAcesso.h"
#include "db/Query.h"
#include "platform/Executavel.h"
#include "platform/Mensagens.h"

namespace {

class AcessoTest : public AmbienteAcesso {
protected:
    void SetUp() override {
        AmbienteAcesso::SetUp();
        banco_ = std::make_unique<TestDb>();
        banco_->RunScript("acesso.sql");
    }
    void TearDown() override {
        dm_.reset();
        banco_.reset();
        AmbienteAcesso::TearDown();
    }
    TdmIbAcesso& Criar(const std::string& tipo = "DevartFireBird") {
        IniAcesso(tipo, banco_->Path());
        dm_ = std::make_unique<TdmIbAcesso>();
        return *dm_;
    }
    TestDb& Banco() { return *banco_; }
    // Rows of a statement, columns joined by "|".
    std::vector<std::string> Linhas(const std::string& sql) {
        db::Query q(banco_->Conn());
        q.SetSQL(sql);
        q.Open();
        std::vector<std::string> r;
        for (; !q.Eof(); q.Next()) {
            std::string l;
            for (std::size_t i = 0; i < q.FieldCount(); ++i) l += (i ? "|" : "") + q.Field(i).AsString();
            r.push_back(l);
        }
        return r;
    }
    std::unique_ptr<TestDb> banco_;
    std::unique_ptr<TdmIbAcesso> dm_;
    plat::GravadorMensagens msgs;
};

using V = std::vector<std::string>;

TEST_F(AcessoTest, ComponentsAndStatements) {
    TdmIbAcesso& dm = Criar();
    EXPECT_EQ(dm.sqlUsu.SQL(), (V{"Select * from Usuarios", "where NOME_US =:NOME", "order by NOME_US"}));
    EXPECT_EQ(dm.sqlGrupos.SQL(), (V{"Select * from Grupos", "order by CODIGO_GR"}));
    EXPECT_EQ(dm.sqlOpcoes.SQL(), (V{"Select * from Opcoes", "order by GRUPO_OP, OPCAO_OP"}));
    EXPECT_EQ(dm.sqlTotUsu.SQL(), (V{"Select * from Usuarios", "ORDER BY nome_us"}));
    EXPECT_EQ(dm.sqlConfig.SQL(), (V{"SELECT * FROM CONFIG"}));
    EXPECT_EQ(dm.sqlBdPrinc.SQL(), (V{"select SENHA from BD_PRINCIPAL"}));
    EXPECT_EQ(dm.sqlFilialUsu.SQL(), (V{"Select * from filial_usuarios", "order by usuario_fu"}));
    EXPECT_EQ(dm.sqlTabExiste.SQL(), (V{"SELECT DISTINCT RDB$RELATION_NAME", "  FROM RDB$RELATION_FIELDS",
                                        "WHERE RDB$SYSTEM_FLAG=0", "AND RDB$RELATION_NAME=:TAB"}));
    EXPECT_EQ(dm.sqlGruposMenu.SQL(), (V{"select * ", "from GRUPOS_MENU_USUARIO", "where USUARIO_GM=:USU"}));
    EXPECT_EQ(dm.sqlLogin.SQL(), (V{"insert into LOGIN (ID_LN, USUARIO_LN, DATA_LN, PRIVILEGIO_LN)",
                                    "values (0, :USUARIO, cast('now' as TIMESTAMP), :PRIVILEGIO)"}));
    EXPECT_EQ(dm.cdsFilialUsu.GetProvider(), &dm.dspFilialUsu);
    EXPECT_EQ(dm.dspFilialUsu.DataSet(), &dm.sqlFilialUsu);
    for (db::Query* q : {&dm.sqlUsu, &dm.sqlBdPrinc, &dm.sqlOpcoesUsuario, &dm.sqlMenu, &dm.sqlLogUsu})
        EXPECT_EQ(q->GetConnection(), &dm.connLogin);
    EXPECT_EQ(dm.ibAcesso.UserName(), "SYSDBA");

    // The statements nobody opens in this program are still sound.
    for (db::Query* q : {&dm.sqlMenu, &dm.sqlDataServidor, &dm.sqlVersaoFirebird}) {
        q->Open();
        q->Close();
    }
}

TEST_F(AcessoTest, CreationPerKindOpensTheLoginConnectionOnly) {
    struct Caso {
        const char* tipo;
        const char* connectionName;
        const char* driverName;
        int dialeto;
    } casos[] = {{"DevartFireBird", "Devart InterBase", "DevartInterBase", 3},
                 {"InterBase", "ACESSO", "Interbase", 1},
                 {"FireBird", "ACESSO", "firebird", 3}};
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.tipo);
        TdmIbAcesso& dm = Criar(c.tipo);
        EXPECT_TRUE(msgs.registro.empty()) << msgs.Textos().front();
        EXPECT_TRUE(dm.connLogin.Connected());
        EXPECT_EQ(dm.connLogin.ConnectionName, c.connectionName);
        EXPECT_EQ(dm.connLogin.DriverName, c.driverName);
        EXPECT_EQ(dm.connLogin.ParamValue("Database"), Banco().Path());
        EXPECT_EQ(dm.connLogin.SqlDialect(), c.dialeto);
        EXPECT_TRUE(dm.connUser.Configurada());
        EXPECT_FALSE(dm.connUser.Connected());
        EXPECT_EQ(dm.connUser.ParamValue("Database"), "user.fdb");
        // Reads work on the connection of that kind.
        Banco().Exec("insert into BD_PRINCIPAL (SENHA) values ('x')");
        EXPECT_TRUE(dm.BdPrincipalDefinido());
        Banco().Exec("delete from BD_PRINCIPAL");
        dm_.reset();
    }
}

TEST_F(AcessoTest, InterBaseListsOfTheAccessAndUserConnections) {
    TdmIbAcesso& dm = Criar("InterBase");
    auto lista = [&](const std::string& local) {
        return V{"BlobSize=-1", "CommitRetain=False", "Database=" + local, "DriverName=Interbase", "LocaleCode=0000",
                 "Password=quindrape", "RoleName=RoleName", "SQLDialect=1", "Interbase TransIsolation=ReadCommited",
                 "User_Name=sysdba", "WaitOnLocks=True"};
    };
    EXPECT_EQ(dm.connLogin.Params, lista(Banco().Path()));
    EXPECT_EQ(dm.connUser.Params, lista("user.fdb"));
    EXPECT_EQ(dm.connUser.ConnectionName, "USER");
    EXPECT_EQ(dm.connUser.VendorLib, "gds32.dll");
    EXPECT_EQ(dm.connUser.LibraryName, "dbexpint.dll");
}

TEST_F(AcessoTest, OtherKindConfiguresNothingAndReportsNothing) {
    TdmIbAcesso& dm = Criar("interbase");
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_FALSE(dm.connLogin.Configurada());
    EXPECT_FALSE(dm.connUser.Configurada());
    EXPECT_THROW(dm.sqlBdPrinc.Open(), db::Error);
}

TEST_F(AcessoTest, CreationErrorIsReportedAndTheModuleStillExistsClosed) {
    IniAcesso("DevartFireBird", Dir() + "/nao-existe.fdb");
    dm_ = std::make_unique<TdmIbAcesso>();
    ASSERT_EQ(msgs.registro.size(), 1u);
    EXPECT_EQ(msgs.registro[0].tipo, plat::TipoMensagem::Erro);
    EXPECT_FALSE(dm_->connLogin.Connected());
    EXPECT_TRUE(dm_->connLogin.Configurada());
    // connUser was not configured: the Devart set-up opens connLogin before it.
    EXPECT_FALSE(dm_->connUser.Configurada());
    EXPECT_THROW(dm_->sqlBdPrinc.Open(), db::Error);  // a later use tries again, and fails again
}

TEST_F(AcessoTest, SystemObjectFailureDuringCreationIsReported) {
    // No kind at all: nothing configured, the password never asked, nothing reported.
    Ini("[Paths]\nACESSO=" + Banco().Path() + "\n");
    dm_ = std::make_unique<TdmIbAcesso>();
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_FALSE(SistemaCriado());
    // A kind, but a configuration the system object refuses: asking for the password fails.
    Ini("[Banco]\nBanco=DevartFireBird\n[OBS]\nLinhas=muitas\n[Paths]\nACESSO=" + Banco().Path() + "\n");
    dm_ = std::make_unique<TdmIbAcesso>();
    ASSERT_EQ(msgs.registro.size(), 1u);
    EXPECT_NE(msgs.registro[0].texto.find("muitas"), std::string::npos) << msgs.registro[0].texto;
    EXPECT_FALSE(dm_->connLogin.Connected());
}

TEST_F(AcessoTest, MonoRuleAppliesToTheAccessLocationOnly) {
    IniAcesso("InterBase", "mono:acesso-inexistente.fdb", "Mono:user.fdb");
    dm_ = std::make_unique<TdmIbAcesso>();
    EXPECT_EQ(dm_->connLogin.ParamValue("Database"), plat::DiretorioExecutavel() + "/bdados/acesso-inexistente.fdb");
    EXPECT_EQ(msgs.registro.size(), 1u);  // that file does not exist
    EXPECT_EQ(dm_->connUser.ParamValue("Database"), "Mono:user.fdb");
}

TEST_F(AcessoTest, IncluirGrupoMenuNumbersPerUserAndComparesCaptionsExactly) {
    TdmIbAcesso& dm = Criar();
    dm.IncluirGrupoMenu("Cadastros", "ANA");
    EXPECT_EQ(Linhas("select USUARIO_GM, CODGRUPO_GM, DESC_GM from GRUPOS_MENU_USUARIO"), V{"ANA|1|Cadastros"});

    Banco().Exec("insert into GRUPOS_MENU_USUARIO values ('BIA', 1, 'A')");
    Banco().Exec("insert into GRUPOS_MENU_USUARIO values ('BIA', 2, 'B')");
    Banco().Exec("insert into GRUPOS_MENU_USUARIO values ('BIA', 5, 'C')");
    dm.IncluirGrupoMenu("Relatórios", "BIA");
    dm.IncluirGrupoMenu("B", "BIA");  // exists: nothing written
    dm.IncluirGrupoMenu("b", "BIA");  // differs in case: a group of its own
    EXPECT_EQ(Linhas("select CODGRUPO_GM, DESC_GM from GRUPOS_MENU_USUARIO where USUARIO_GM='BIA' order by 1"),
              (V{"1|A", "2|B", "5|C", "6|Relatórios", "7|b"}));
    EXPECT_FALSE(dm.cdsGruposMenu.Active());
    EXPECT_FALSE(dm.sqlGruposMenu.Active());
}

TEST_F(AcessoTest, ExcluirGrupoMenuLeavesTheGroupsOptions) {
    TdmIbAcesso& dm = Criar();
    Banco().Exec("insert into GRUPOS_MENU_USUARIO values ('ANA', 1, 'A')");
    Banco().Exec("insert into GRUPOS_MENU_USUARIO values ('ANA', 2, 'B')");
    Banco().Exec("insert into GRUPOS_MENU_USUARIO values ('BIA', 1, 'A')");
    Banco().Exec("insert into OPCOES_MENU_USUARIO values ('ANA', 1, 'mnuX')");
    dm.ExcluirGrupoMenu("A", "ANA");
    EXPECT_EQ(Linhas("select USUARIO_GM, DESC_GM from GRUPOS_MENU_USUARIO order by 1, 2"), (V{"ANA|B", "BIA|A"}));
    EXPECT_EQ(Linhas("select OPCAO_OP from OPCOES_MENU_USUARIO"), V{"mnuX"});
}

TEST_F(AcessoTest, OpcoesDoMenu) {
    TdmIbAcesso& dm = Criar();
    Banco().Exec("insert into GRUPOS_MENU_USUARIO values ('ANA', 3, 'Vendas')");
    dm.IncluirOpcaoMenu("Vendas", "ANA", "mnuPedido");
    dm.IncluirOpcaoMenu("Vendas", "ANA", "mnuPedido");  // once only
    dm.IncluirOpcaoMenu("Compras", "ANA", "mnuNota");   // a group the user does not have: code 0
    EXPECT_EQ(Linhas("select USUARIO_OP, GRUPO_MENU_OP, OPCAO_OP from OPCOES_MENU_USUARIO order by 2"),
              (V{"ANA|0|mnuNota", "ANA|3|mnuPedido"}));

    db::ClientDataSet opcoes;
    opcoes.SetData(dm.OpcoesUsuario("ANA"));
    ASSERT_EQ(opcoes.RecordCount(), 2);
    ASSERT_TRUE(opcoes.Locate("OPCAO_OP", db::Value::Text("mnuNota")));
    EXPECT_EQ(opcoes.FieldByName("DESC_GRUPO").AsString(), "");
    ASSERT_TRUE(opcoes.Locate("OPCAO_OP", db::Value::Text("mnuPedido")));
    EXPECT_EQ(opcoes.FieldByName("DESC_GRUPO").AsString(), "Vendas");
    EXPECT_EQ(dm.OpcoesUsuario("NINGUEM").rows.size(), 0u);

    dm.ExcluirOpcaoMenu("Vendas", "ANA", "mnuPedido");
    dm.ExcluirOpcaoMenu("Vendas", "ANA", "mnuOutra");  // nothing to remove
    EXPECT_EQ(Linhas("select GRUPO_MENU_OP, OPCAO_OP from OPCOES_MENU_USUARIO"), V{"0|mnuNota"});
    EXPECT_FALSE(dm.cdsOpcoesMenu.Active());
    EXPECT_FALSE(dm.sqlOpcoesMenu.Active());
}

TEST_F(AcessoTest, UpdateErrorsReachTheCallerAndNothingIsWritten) {
    TdmIbAcesso& dm = Criar();
    Banco().RunScriptText(
        "CREATE EXCEPTION E_MENU 'menu bloqueado';\n"
        "SET TERM ^ ;\n"
        "CREATE TRIGGER GM_BI FOR GRUPOS_MENU_USUARIO BEFORE INSERT AS BEGIN EXCEPTION E_MENU; END^\n"
        "SET TERM ; ^\n");
    try {
        dm.IncluirGrupoMenu("Cadastros", "ANA");
        ADD_FAILURE() << "the refused insert was not reported";
    } catch (const db::Error& e) {
        EXPECT_NE(std::string(e.what()).find("menu bloqueado"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(Linhas("select * from GRUPOS_MENU_USUARIO").empty());
}

TEST_F(AcessoTest, TabelasMenuExistem) {
    TdmIbAcesso& dm = Criar();
    EXPECT_TRUE(dm.TabelasMenuExistem());
    Banco().Exec("drop table OPCOES_MENU_USUARIO");
    EXPECT_FALSE(dm.TabelasMenuExistem());
}

TEST_F(AcessoTest, RegistrarLoginCreatesTheTableOnABareDatabase) {
    TdmIbAcesso& dm = Criar();
    dm.RegistrarLogin("ANA", "S");
    dm.RegistrarLogin("BIA", "N");
    EXPECT_EQ(Linhas("select ID_LN, USUARIO_LN, PRIVILEGIO_LN from LOGIN order by ID_LN"), (V{"1|ANA|S", "2|BIA|N"}));
    EXPECT_EQ(Linhas("select trim(RDB$CONSTRAINT_TYPE) from RDB$RELATION_CONSTRAINTS where RDB$CONSTRAINT_NAME='PK_LOGIN'"),
              V{"PRIMARY KEY"});
    EXPECT_EQ(Linhas("select count(*) from RDB$TRIGGERS where RDB$TRIGGER_NAME='LOGIN_BI0'"), V{"1"});
    EXPECT_TRUE(dm.ibAcesso.Connected());
    // DATA_LN is the server's time of the insert.
    EXPECT_EQ(Linhas("select count(*) from LOGIN where DATA_LN > dateadd(-1 minute to current_timestamp)"), V{"2"});
    EXPECT_EQ(dm.IBScriptLinhas.size(), 21u);
}

TEST_F(AcessoTest, RegistrarLoginContinuesAnExistingGenerator) {
    Banco().Exec("create generator ID_LOGIN");
    Banco().Exec("set generator ID_LOGIN to 41");
    TdmIbAcesso& dm = Criar("InterBase");  // dialect 1 on the login connection
    dm.RegistrarLogin("ANA", "S");
    EXPECT_EQ(Linhas("select ID_LN, USUARIO_LN from LOGIN"), V{"42|ANA"});
}

TEST_F(AcessoTest, BdPrincipalDefinido) {
    TdmIbAcesso& dm = Criar();
    EXPECT_FALSE(dm.BdPrincipalDefinido());  // no rows
    Banco().Exec("insert into BD_PRINCIPAL (SENHA) values (NULL)");
    EXPECT_FALSE(dm.BdPrincipalDefinido());
    Banco().Exec("update BD_PRINCIPAL set SENHA = ''");
    EXPECT_FALSE(dm.BdPrincipalDefinido());
    Banco().Exec("update BD_PRINCIPAL set SENHA = 'abc'");
    EXPECT_TRUE(dm.BdPrincipalDefinido());
}

TEST_F(AcessoTest, BdPrincipalDefinidoWithoutTheTable) {
    Banco().Exec("drop table BD_PRINCIPAL");
    EXPECT_FALSE(Criar().BdPrincipalDefinido());
}

}  // namespace
