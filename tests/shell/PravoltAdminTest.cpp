// The installer tool, run as operators run it: the built pravolt-admin binary.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "support/TestDb.h"
#include "db/Query.h"
#include "platform/Cp1252.h"
#include "platform/IniFile.h"
#include "rules/USenha.h"
#include "shell/UCifra.h"
#include "shell/UEsquema.h"

namespace fs = std::filesystem;

namespace {

struct Saida {
    int status = -1;
    std::string texto;  // stdout and stderr
};

std::string Aspas(const std::string& s) {
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

Saida Rodar(const std::string& argumentos) {
    const std::string bin = std::string(PRAVOLT_BINARY_DIR) + "/pravolt-admin";
    Saida s;
    if (!fs::exists(bin)) {
        s.texto = bin + " is not built";
        return s;
    }
    FILE* p = ::popen((Aspas(bin) + " " + argumentos + " 2>&1").c_str(), "r");
    if (!p) return s;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) s.texto.append(buf, n);
    int st = ::pclose(p);
    s.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return s;
}

std::unique_ptr<db::Connection> Abrir(const std::string& local) {
    auto c = std::make_unique<db::Connection>();
    c->SetDatabase(local);
    c->SetUserName("SYSDBA");
    c->SetPassword(esquema::SenhaPorChave("1"));
    c->Open();
    return c;
}

std::int64_t Contar(db::Connection& c, const std::string& sql) {
    db::Query q(c);
    q.SetSQL(sql);
    q.Open();
    return q.Field(0).AsInteger();
}

bool Contem(const std::string& texto, const std::string& parte) { return texto.find(parte) != std::string::npos; }

}  // namespace

TEST(PravoltAdmin, HelpAndRefusedCommandLines) {
    Saida ajuda = Rodar("--help");
    ASSERT_EQ(ajuda.status, 0) << ajuda.texto;
    for (const char* c : {"demo DIR", "create DIR", "set-password DIR USER PASSWORD", "set-location DIR LOCATION",
                          "--scale"})
        EXPECT_TRUE(Contem(ajuda.texto, c)) << c;

    struct Caso {
        const char* args;
        const char* mensagem;
    };
    const Caso casos[] = {
        {"", "no command given"},
        {"frobnicate /tmp/x", "unknown command 'frobnicate'"},
        {"demo", "'demo' expects DIR"},
        {"demo /tmp/a /tmp/b", "'demo' expects DIR"},
        {"demo /tmp/x --scale", "--scale needs a value"},
        {"demo /tmp/x --scale abc", "--scale needs a whole number"},
        {"demo /tmp/x --scale 0", "--scale must be between"},
        {"demo /tmp/x --scale -5", "--scale needs a whole number"},
        {"create /tmp/x --scale 10", "--scale belongs to 'demo'"},
        {"create /tmp/x --verbose", "unknown option '--verbose'"},
        {"create /tmp/x --db /tmp/x/a.fdb --acesso /tmp/x/a.fdb", "must be two databases"},
        {"set-password /tmp/x DIRETOR", "'set-password' expects DIR USER PASSWORD"},
        {"set-password /tmp/x DIRETOR ''", "the password may not be empty"},
        {"set-password /tmp/x NOMEMUITOLONGO s", "more than 10 characters"},
        {"set-password /tmp/x DIRETOR s --chave 2", "takes no options"},
        {"set-location /tmp/x", "'set-location' expects DIR LOCATION"},
    };
    for (const auto& c : casos) {
        Saida s = Rodar(c.args);
        EXPECT_EQ(s.status, 2) << c.args << "\n" << s.texto;
        EXPECT_TRUE(Contem(s.texto, c.mensagem)) << c.args << "\n" << s.texto;
        EXPECT_TRUE(Contem(s.texto, "--help")) << c.args;
    }
}

TEST(PravoltAdmin, CommandsOnAFolderWithoutConfigurationFail) {
    std::string dir = TestDb::MakeTempDir("pravolt-admin-vazio");
    Saida s = Rodar("set-password " + Aspas(dir) + " DIRETOR segredo");
    EXPECT_EQ(s.status, 1) << s.texto;
    EXPECT_TRUE(Contem(s.texto, "Parametros.ini not found")) << s.texto;
    s = Rodar("set-location " + Aspas(dir) + " servidor:/srv/x.fdb");
    EXPECT_EQ(s.status, 1) << s.texto;
    EXPECT_TRUE(fs::is_empty(dir));
    fs::remove_all(dir);
}

// A folder made by the tool, removed afterwards.
class PastaAdmin {
public:
    explicit PastaAdmin(const char* prefixo) : dir(TestDb::MakeTempDir(prefixo)) {}
    ~PastaAdmin() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Db() const { return dir + "/bdados/PRAVOLT.FDB"; }
    std::string Acesso() const { return dir + "/bdados/ACESSO.FDB"; }
    std::string dir;
};

TEST(PravoltAdmin, DemoWritesASaneFactoryAndTheConfigurationPointingAtIt) {
    PastaAdmin p("pravolt-admin-demo");
    Saida demo = Rodar("demo " + Aspas(p.dir) + " --scale 300");
    ASSERT_EQ(demo.status, 0) << demo.texto;

    plat::IniFile ini(p.dir + "/Parametros.ini");
    ASSERT_TRUE(ini.Existe());
    EXPECT_EQ(ini.ReadString("Banco", "Banco", "ERRO"), "DevartFireBird");
    EXPECT_EQ(ini.ReadString("Banco", "CHAVE", ""), "1");
    EXPECT_EQ(ini.ReadString("Paths", "DB", ""), p.Db());
    EXPECT_EQ(ini.ReadString("Paths", "ACESSO", ""), p.Acesso());

    auto c = Abrir(p.Db());
    EXPECT_GE(Contar(*c, "select count(*) from TERCEIRIZADO"), 10);
    EXPECT_EQ(Contar(*c, "select count(*) from TERCEIRIZADO where ATIVO_BA = 'N'"), 1);
    EXPECT_EQ(Contar(*c, "select count(*) from TERCEIRIZADO where GIRO_BA is null or ATIVO_BA is null"), 0);
    // The service types of list 35 include the eight codes that have sector maps.
    EXPECT_EQ(Contar(*c, "select count(*) from TABELA where NUM_TA = '35' and "
                         "COD_TA in ('B', 'FS', 'PC', 'E', 'P', 'F', 'O', 'M')"),
              8);
    EXPECT_GT(Contar(*c, "select count(*) from SETOR where SETORANT_SE is not null"), 0);
    EXPECT_GT(Contar(*c, "select count(*) from PRECOSER"), 0);

    // 300 tickets, about five dispatches each, open and returned, this month and last year.
    EXPECT_EQ(Contar(*c, "select count(distinct PROG_IT || FICHA_IT) from ITENSPV"), 300);
    std::int64_t despachos = Contar(*c, "select count(*) from EXTERNO");
    EXPECT_GE(despachos, 3 * 300);
    EXPECT_LE(despachos, 7 * 300);
    EXPECT_GT(Contar(*c, "select count(*) from EXTERNO where RETORNO_EX is null"), 0);
    EXPECT_GT(Contar(*c, "select count(*) from EXTERNO where RETORNO_EX >= SAIDA_EX"), 0);
    EXPECT_EQ(Contar(*c, "select count(*) from EXTERNO where RETORNO_EX < SAIDA_EX or RETORNO_EX > current_date"), 0);
    EXPECT_GT(Contar(*c, "select count(*) from EXTERNO where SAIDA_EX >= "
                         "dateadd(1 - extract(day from current_date) day to current_date)"),
              0);
    EXPECT_GT(Contar(*c, "select count(*) from EXTERNO where extract(year from SAIDA_EX) = "
                         "extract(year from current_date) - 1"),
              0);
    // Open dispatches never sit with the inactive workshop.
    EXPECT_EQ(Contar(*c, "select count(*) from EXTERNO e join TERCEIRIZADO t on t.COD_BA = e.TERCEIRIZADO_EX "
                         "where t.ATIVO_BA = 'N' and e.RETORNO_EX is null"),
              0);
    // Every dispatch is of a known ticket, and a return never comes back to its own sector.
    EXPECT_EQ(Contar(*c, "select count(*) from EXTERNO e where not exists (select 1 from ITENSPV i "
                         "where i.PROG_IT = e.PROG_EX and i.FICHA_IT = e.FICHA_EX)"),
              0);
    EXPECT_EQ(Contar(*c, "select count(*) from EXTERNO where SETOR_ENT_EX = SETOR_SAI_EX"), 0);
    // Sub-tickets add up to their ticket's pairs.
    EXPECT_EQ(Contar(*c, "select count(*) from (select PROG_PR, FICHA_PR, sum(QTDE_PR) Q from SUBPROD "
                         "group by 1, 2) s where s.Q <> (select sum(g.QTPED_IT) from ITENSPV i join ITENSPVGRADE g "
                         "on g.PEDIDO_IT = i.PEDIDO_IT and g.ITEM_IT = i.ITEM_IT "
                         "where i.PROG_IT = s.PROG_PR and i.FICHA_IT = s.FICHA_PR)"),
              0);
    EXPECT_GT(Contar(*c, "select count(*) from SUBPROD"), 0);
    EXPECT_GT(Contar(*c, "select count(*) from PRODUCAO_SETOR"), 0);
    EXPECT_EQ(Contar(*c, "select count(*) from PRODUCAO_SETOR where ID_PS is null or ID_PS = 0"), 0);

    // Switches at their defaults and the installation's name.
    db::Query q(*c);
    q.SetSQL("select GRUPO_PA, PARAM_PA, VALOR_PA from PARAM");
    q.Open();
    std::map<std::string, std::string> params;
    for (; !q.Eof(); q.Next())
        params[q.FieldByName("GRUPO_PA").AsString() + "/" + q.FieldByName("PARAM_PA").AsString()] =
            q.FieldByName("VALOR_PA").AsString();
    EXPECT_EQ(params["ATU_PRODUCAO/BAIXA_SETOR_ENTRADA"], "N");
    EXPECT_EQ(params["DISTRIBUICAO_SERVICOS/SETOR_OBRIGATORIO"], "N");
    EXPECT_EQ(params["DISTRIBUICAO_SERVICOS/VERIFICAR_SETOR_ANT_BAIXADO"], "N");
    EXPECT_EQ(params["DISTRIBUICAO_SERVICOS/BLOQUEIO_DATA"], "N");
    EXPECT_EQ(params["SERVICO_EXTERNO/ATUALIZA_PRODUCAO_SETOR"], "S");
    EXPECT_EQ(params["DISTRIBUICAO_SERVICOS/BLOQUEAR_PRECO"], "N");
    EXPECT_EQ(params["ATU_PRODUCAO/DIST_SERV_POR_CODBAR"], "N");
    EXPECT_EQ(Contar(*c, "select count(*) from CONFIG where NOME_EMPRESA = 'CALÇADOS EXEMPLO LTDA'"), 1);

    // Users, with the director's password stored formatted.
    auto a = Abrir(p.Acesso());
    db::Query u(*a);
    u.SetSQL("select SENHA_US from USUARIOS where NOME_US = 'DIRETOR'");
    u.Open();
    ASSERT_FALSE(u.Eof());
    EXPECT_EQ(u.FieldByName("SENHA_US").AsBytes(), FormatarSenhaBytes("DIRETOR", "diretor"));
    EXPECT_EQ(Contar(*a, "select count(*) from CONFIG"), 1);
    EXPECT_EQ(Contar(*a, "select count(*) from BD_PRINCIPAL"), 0);
}

TEST(PravoltAdmin, RunningAgainLeavesEverythingAloneAndMaintenanceCommandsWork) {
    PastaAdmin p("pravolt-admin-create");
    Saida criar = Rodar("create " + Aspas(p.dir));
    ASSERT_EQ(criar.status, 0) << criar.texto;
    {
        auto c = Abrir(p.Db());
        EXPECT_EQ(Contar(*c, "select count(*) from EXTERNO"), 0);  // schema only
        c->ExecSQL("insert into CONFIG (NOME_EMPRESA) values ('MANTIDA')");
    }
    auto ini = fs::last_write_time(p.dir + "/Parametros.ini");
    for (const char* cmd : {"demo", "create"}) {
        Saida s = Rodar(std::string(cmd) + " " + Aspas(p.dir));
        EXPECT_EQ(s.status, 0) << s.texto;
        EXPECT_TRUE(Contem(s.texto, "already exists and was left as it is")) << s.texto;
        EXPECT_TRUE(Contem(s.texto, "Parametros.ini already exists")) << s.texto;
    }
    {
        auto c = Abrir(p.Db());
        EXPECT_EQ(Contar(*c, "select count(*) from CONFIG"), 1);
        EXPECT_EQ(Contar(*c, "select count(*) from EXTERNO"), 0);
    }
    EXPECT_EQ(fs::last_write_time(p.dir + "/Parametros.ini"), ini);

    // A new user (typed in lower case, stored as the validation dialog types it) and a
    // changed password; a password may start with '-' after "--".
    Saida s = Rodar("set-password " + Aspas(p.dir) + " conferente s3nh@");
    ASSERT_EQ(s.status, 0) << s.texto;
    EXPECT_TRUE(Contem(s.texto, "Created user CONFERENTE")) << s.texto;
    s = Rodar("set-password " + Aspas(p.dir) + " -- CONFERENTE -nova");
    ASSERT_EQ(s.status, 0) << s.texto;
    EXPECT_TRUE(Contem(s.texto, "Changed the password of CONFERENTE")) << s.texto;

    const std::string local = "servidor.fabrica/3050:/srv/firebird/PRODUÇÃO.FDB";
    s = Rodar("set-location " + Aspas(p.dir) + " " + Aspas(local));
    ASSERT_EQ(s.status, 0) << s.texto;
    {
        auto c = Abrir(p.Acesso());
        db::Query q(*c);
        q.SetSQL("select NOME_US, SENHA_US from USUARIOS");
        q.Open();
        ASSERT_FALSE(q.Eof());
        EXPECT_EQ(q.FieldByName("NOME_US").AsString(), "CONFERENTE");
        EXPECT_EQ(q.FieldByName("SENHA_US").AsBytes(), FormatarSenhaBytes("CONFERENTE", "-nova"));
        q.Next();
        EXPECT_TRUE(q.Eof());

        db::Query b(*c);
        b.SetSQL("select SENHA from BD_PRINCIPAL");
        b.Open();
        ASSERT_FALSE(b.Eof());
        EXPECT_EQ(Decifrar(b.FieldByName("SENHA").AsString()), local);
        b.Next();
        EXPECT_TRUE(b.Eof());  // exactly one row
    }
    // Storing another location replaces the first; an empty one removes it.
    ASSERT_EQ(Rodar("set-location " + Aspas(p.dir) + " /srv/outro.fdb").status, 0);
    ASSERT_EQ(Rodar("set-location " + Aspas(p.dir) + " ''").status, 0);
    auto c = Abrir(p.Acesso());
    EXPECT_EQ(Contar(*c, "select count(*) from BD_PRINCIPAL"), 0);
}
