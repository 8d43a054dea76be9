// The system object's connections per database kind: labels, exact parameter lists, the
// outdated-driver warning, ownership by the application object.
#include <gtest/gtest.h>

#include "AmbienteAcesso.h"
#include "db/Query.h"
#include "platform/Mensagens.h"
#include "shell/UCRSQLConnection.h"

namespace {

const char* const kAviso =
    "A versão da biblioteca de acesso ao banco de dados está desatualizada.\r"
    "Solicite ao suporte a atualização de seu sistema para versão DEVART.";

class ConexoesTest : public AmbienteAcesso {
protected:
    TSistema& Configurar(const std::string& tipo) {
        Ini("[Banco]\nBanco=" + tipo +
            "\nCHAVE=2\n[Paths]\nDB=/d/principal.fdb\nDB_FABRICA=/d/fabrica.fdb\nDBCEP=/d/cep.fdb\n"
            "DB_CATALOGO=/d/catalogo.fdb\nDBCons=/d/consulta.fdb\n");
        TSistema& s = Sistema();
        s.CriarConexoes();
        s.ConfigurarConexoes();
        return s;
    }
    static std::vector<std::string> Onze(const std::string& local, const std::string& driverName) {
        return {"BlobSize=-1", "CommitRetain= False", "Database=" + local, "DriverName=" + driverName,
                "LocaleCode=0000", "Password=tolbre37", "RoleName=RoleName", "SQLDialect=3",
                "Interbase TransIsolation=ReadCommited", "User_Name=sysdba", "WaitOnLocks=True"};
    }
    static void Rotulos(const TCRSQLConnection& c, const char* nome, const char* driver, const char* func,
                        const char* lib, const char* vendor) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.ConnectionName, nome);
        EXPECT_EQ(c.DriverName, driver);
        EXPECT_EQ(c.GetDriverFunc, func);
        EXPECT_EQ(c.LibraryName, lib);
        EXPECT_EQ(c.VendorLib, vendor);
        EXPECT_FALSE(c.LoginPrompt);
    }
    plat::GravadorMensagens msgs;
};

TEST_F(ConexoesTest, CreatesFiveUnconfiguredConnectionsOwnedByTheApplication) {
    Ini("[Banco]\nBanco=DevartFireBird\n");
    TSistema& s = Sistema();
    s.CriarConexoes();
    TCRSQLConnection* todas[] = {s.ConexaoPrincipal, s.ConexaoConsulta, s.ConexaoCep, s.ConexaoFabrica,
                                 s.ConexaoCatalogo};
    for (TCRSQLConnection* c : todas) {
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(Aplicacao().Possui(c));
        EXPECT_FALSE(c->Configurada());
        EXPECT_FALSE(c->Connected());
        EXPECT_TRUE(c->Params.empty());
    }
    EXPECT_EQ(s.ConexaoPrincipal->Name, "ConexaoPrincipal");
    EXPECT_EQ(s.ConexaoCatalogo->Name, "ConexaoCatalogo");
}

TEST_F(ConexoesTest, InterBase) {
    TSistema& s = Configurar("InterBase");
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{kAviso});
    EXPECT_EQ(msgs.registro.at(0).tipo, plat::TipoMensagem::Aviso);
    const char* f = "getSQLDriverINTERBASE";
    Rotulos(*s.ConexaoPrincipal, "IBLocal", "interbase", f, "dbexpint.dll", "GDS32.dll");
    Rotulos(*s.ConexaoFabrica, "IBRemoto", "interbase", f, "dbexpint.dll", "firebirdclient.dll");
    Rotulos(*s.ConexaoConsulta, "IBLocal", "Interbase", f, "dbexpint.dll", "gds32.dll");
    Rotulos(*s.ConexaoCep, "IBLocal", "interbase", f, "dbexpint.dll", "GDS32.dll");
    Rotulos(*s.ConexaoCatalogo, "IBLocal", "interbase", f, "dbexpint.dll", "GDS32.dll");
    EXPECT_EQ(s.ConexaoPrincipal->Params, Onze("/d/principal.fdb", "interbase"));
    EXPECT_EQ(s.ConexaoFabrica->Params, Onze("/d/fabrica.fdb", "interbase"));
    EXPECT_EQ(s.ConexaoConsulta->Params, Onze("/d/consulta.fdb", "Interbase"));
    EXPECT_EQ(s.ConexaoCep->Params, Onze("/d/cep.fdb", "interbase"));
    EXPECT_EQ(s.ConexaoCatalogo->Params, Onze("/d/catalogo.fdb", "interbase"));
}

TEST_F(ConexoesTest, FireBirdLeavesTheFactoryConnectionUnconfigured) {
    TSistema& s = Configurar("FireBird");
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{kAviso});
    for (TCRSQLConnection* c : {s.ConexaoPrincipal, s.ConexaoConsulta, s.ConexaoCep, s.ConexaoCatalogo})
        Rotulos(*c, "FBLocal", "firebird", "getSQLDriverINTERBASE", "dbexpuibfire15.dll", "fbclient.dll");
    EXPECT_EQ(s.ConexaoPrincipal->Params, Onze("/d/principal.fdb", "interbase"));
    EXPECT_EQ(s.ConexaoConsulta->Params, Onze("/d/consulta.fdb", "Interbase"));
    EXPECT_EQ(s.ConexaoCep->Params, Onze("/d/cep.fdb", "interbase"));
    EXPECT_EQ(s.ConexaoCatalogo->Params, Onze("/d/catalogo.fdb", "interbase"));
    EXPECT_FALSE(s.ConexaoFabrica->Configurada());
    EXPECT_TRUE(s.ConexaoFabrica->Params.empty());
    try {
        s.ConexaoFabrica->Open();
        ADD_FAILURE() << "opened without a driver";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), TCRSQLConnection::MensagemSemDriver("ConexaoFabrica"));
    }
}

TEST_F(ConexoesTest, DevartFireBirdWithoutWarning) {
    TSistema& s = Configurar("DevartFireBird");
    EXPECT_TRUE(msgs.registro.empty());
    const std::pair<TCRSQLConnection*, const char*> conns[] = {
        {s.ConexaoPrincipal, "/d/principal.fdb"}, {s.ConexaoConsulta, "/d/consulta.fdb"},
        {s.ConexaoCep, "/d/cep.fdb"}, {s.ConexaoFabrica, "/d/fabrica.fdb"}, {s.ConexaoCatalogo, "/d/catalogo.fdb"}};
    for (auto [c, local] : conns) {
        Rotulos(*c, "Devart InterBase", "DevartInterBase", "getSQLDriverInterBase", "dbexpida.dll", "fbclient.dll");
        const std::vector<std::string> esperado = {
            "DriverName=DevartInterBase", std::string("Database=") + local, "User_Name=SYSDBA", "Password=tolbre37",
            "SQLDialect=3", "BlobSize=-1", "LocaleCode=0000", "DevartInterBase TransIsolation=ReadCommited",
            "WaitOnLocks=True", "OptimizedNumerics=False", "CharLength=1", "EnableBCD=True", "LongStrings=True",
            "UseQuoteChar=False", "FetchAll=False"};
        EXPECT_EQ(c->Params, esperado);
    }
}

TEST_F(ConexoesTest, UnknownOrDifferentlyCasedKindConfiguresNothing) {
    for (const char* tipo : {"interbase", "Firebird", "Oracle"}) {
        SCOPED_TRACE(tipo);
        Aplicacao().Liberar();
        msgs.Limpar();
        TSistema& s = Configurar(tipo);
        EXPECT_TRUE(msgs.registro.empty());
        for (TCRSQLConnection* c : {s.ConexaoPrincipal, s.ConexaoConsulta, s.ConexaoCep, s.ConexaoFabrica,
                                    s.ConexaoCatalogo}) {
            EXPECT_FALSE(c->Configurada());
            EXPECT_TRUE(c->Params.empty());
        }
    }
}

TEST_F(ConexoesTest, MainConnectionReachesTheConfiguredDatabase) {
    TestDb banco;
    Ini("[Banco]\nBanco=DevartFireBird\n[Paths]\nDB=" + banco.Path() + "\n");
    TSistema& s = Sistema();
    s.CriarConexoes();
    s.ConfigurarConexoes();
    db::Query q(*s.ConexaoPrincipal);  // opens on first use
    q.SetSQL("select 1 as UM from RDB$DATABASE");
    q.Open();
    EXPECT_EQ(q.FieldByName("UM").AsInteger(), 1);
    EXPECT_TRUE(s.ConexaoPrincipal->Connected());
    EXPECT_EQ(s.ConexaoPrincipal->OpcoesEntregues().size(), 6u);
}

}  // namespace
