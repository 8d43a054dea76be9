// The installer tool, run as operators run it: the built pravolt-admin binary.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "support/TestDb.h"
#include "db/Query.h"
#include "platform/Cp1252.h"
#include "platform/IniFile.h"
#include "rules/USenha.h"
#include "shell/UCifra.h"
#include "shell/UEsquema.h"
#include "support/ServidorMudo.h"

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

// Runs the tool with the arguments (shell words); `ambiente` are variable assignments put
// before it ("LC_ALL=C").
Saida Rodar(const std::string& argumentos, const std::string& ambiente = "") {
    const std::string bin = std::string(PRAVOLT_BINARY_DIR) + "/pravolt-admin";
    Saida s;
    if (!fs::exists(bin)) {
        s.texto = bin + " is not built";
        return s;
    }
    FILE* p = ::popen((ambiente + " " + Aspas(bin) + " " + argumentos + " 2>&1").c_str(), "r");
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

std::string LerArquivo(const std::string& caminho) {
    std::ifstream f(caminho, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void EscreverArquivo(const std::string& caminho, const std::string& bytes) {
    std::ofstream(caminho, std::ios::binary | std::ios::trunc) << bytes;
}

// Every file and folder under a folder, relative to it.
std::set<std::string> Conteudo(const std::string& dir) {
    std::set<std::string> r;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), fim; !ec && it != fim; it.increment(ec))
        r.insert(fs::relative(it->path(), dir).string());
    return r;
}

}  // namespace

TEST(PravoltAdmin, HelpAndRefusedCommandLines) {
    Saida ajuda = Rodar("--help");
    ASSERT_EQ(ajuda.status, 0) << ajuda.texto;
    for (const char* c : {"demo DIR", "create DIR", "set-password DIR USER PASSWORD", "set-location DIR LOCATION",
                          "--scale"})
        EXPECT_TRUE(Contem(ajuda.texto, c)) << c;

    // One line naming the argument, status 2; nothing is written for a refused command
    // line (the cases that reach a folder name this one, which must not come to exist).
    const std::string base = TestDb::MakeTempDir("pravolt-admin-uso");
    fs::remove(base);
    const std::string d = Aspas(base);
    const std::string casos[][2] = {
        {"", "no command given"},
        {"frobnicate /tmp/x", "unknown command 'frobnicate'"},
        {Aspas("frob\nnicate"), "unknown command 'frob\\nnicate'"},
        {"demo", "'demo' expects DIR"},
        {"demo /tmp/a /tmp/b", "'demo' expects DIR"},
        {"demo " + d + " --scale", "--scale needs a value"},
        {"demo " + d + " --scale abc", "--scale needs a whole number"},
        {"demo " + d + " --scale 0", "--scale must be between"},
        {"demo " + d + " --scale -5", "--scale needs a whole number"},
        {"create " + d + " --scale 10", "--scale belongs to 'demo'"},
        {"create " + d + " --verbose", "unknown option '--verbose'"},
        {"create " + d + " --db /tmp/x/a.fdb --acesso /tmp/x/a.fdb", "must be two databases"},
        {"create " + d + " --db ' '", "--db may not be blank"},
        {"create " + d + " --acesso ''", "--acesso may not be empty"},
        {"create " + d + " --db " + Aspas("/tmp/a\tb.fdb"),
         "--db holds a control character (a tab at character 7)"},
        {"create " + d + " --db ' /tmp/a.fdb'", "--db would not read back from Parametros.ini"},
        {"create " + d + " --chave \"'2'\"", "--chave would not read back from Parametros.ini"},
        {"demo " + Aspas(base + "/x\ny"), "DIR holds a control character (a new line at character"},
        {"create '   '", "DIR may not be blank"},
        {"create " + Aspas("/tmp/\xE7"), "DIR is not UTF-8 text"},
        {"set-password " + d + " DIRETOR", "'set-password' expects DIR USER PASSWORD"},
        {"set-password " + d + " DIRETOR s --chave 2", "takes no options"},
        {"set-password " + d + " DIRETOR ''", "PASSWORD may not be empty"},
        {"set-password " + d + " '  ' segredo", "USER may not be blank"},
        {"set-password " + d + " NOMEMUITOLONGO s", "USER has 14 characters; at most 10 are allowed"},
        {"set-password " + d + " ŁUKASZ segredo", "USER holds 'Ł' (U+0141), which Windows-1252 cannot store"},
        {"set-password " + d + " DIRETOR 'seg€ŋ'", "PASSWORD holds 'ŋ' (U+014B)"},
        {"set-password " + d + " DIRETOR " + Aspas("se\ngredo"),
         "PASSWORD holds a control character (a new line"},
        {"set-password " + d + " DIRETOR 12345678901", "PASSWORD has 11 characters; at most 10 are allowed"},
        {"set-location " + d, "'set-location' expects DIR LOCATION"},
        {"set-location " + d + " ' '", "LOCATION may not be blank"},
        {"set-location " + d + " " + Aspas("srv:/a\r.fdb"),
         "LOCATION holds a control character (a carriage return"},
    };
    for (const auto& c : casos) {
        Saida s = Rodar(c[0]);
        EXPECT_EQ(s.status, 2) << c[0] << "\n" << s.texto;
        EXPECT_TRUE(Contem(s.texto, c[1])) << c[0] << "\n" << s.texto;
        EXPECT_TRUE(Contem(s.texto, "--help")) << c[0];
        EXPECT_EQ(std::count(s.texto.begin(), s.texto.end(), '\n'), 1) << c[0] << "\n" << s.texto;
    }
    EXPECT_FALSE(fs::exists(base));

    // Help after any command, before "--"; after it "-h" is an argument (a password).
    for (const char* args : {"-h", "help", "demo --help", "create /tmp/x -h", "set-password --help",
                             "set-location DIR LOCATION -h"}) {
        Saida s = Rodar(args);
        EXPECT_EQ(s.status, 0) << args << "\n" << s.texto;
        EXPECT_TRUE(Contem(s.texto, "at most 10 characters each")) << args;
    }
    EXPECT_EQ(Rodar("set-password " + d + " -- DIRETOR -h").status, 1);  // no Parametros.ini there
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
    EXPECT_EQ(Contar(*c,
                     "select count(*) from EXTERNO where RETORNO_EX < SAIDA_EX or RETORNO_EX > current_date "
                     "or SAIDA_EX > current_date"),
              0);
    // Today holds a day's share of the recent weeks, not the work due after it.
    for (const char* coluna : {"SAIDA_EX", "RETORNO_EX"}) {
        const std::string c_ = coluna;
        const std::int64_t hoje = Contar(*c, "select count(*) from EXTERNO where " + c_ + " = current_date");
        const std::int64_t quinzena = Contar(*c, "select count(*) from EXTERNO where " + c_ +
                                                     " between current_date - 14 and current_date - 1");
        EXPECT_LE(hoje, 2 * quinzena / 14 + 5)
            << coluna << ": " << hoje << " today, " << quinzena << " in 14 days";
    }
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

TEST(PravoltAdmin, ALocationHoldingSomethingElseIsRefusedAndNothingIsWritten) {
    PastaAdmin p("pravolt-admin-outro");
    const std::string texto = p.dir + "/notas.txt", copia = p.dir + "/copia.fbk",
                      pasta = p.dir + "/pasta.fdb";
    EscreverArquivo(texto, "não é um banco\n");
    EscreverArquivo(copia, std::string(40000, '\x5A'));
    fs::create_directory(pasta);
    TestDb acessoAlheio;  // a database, but of the access schema
    acessoAlheio.RunScript("acesso.sql");
    acessoAlheio.Detach();
    TestDb emUso;  // a main database, held open by this process
    emUso.RunScript("principal.sql");
    const std::set<std::string> antes = Conteudo(p.dir);

    const std::string casos[][2] = {
        {"--db " + Aspas(texto),
         "--db " + texto + " is not a main database of pravolt: it does not open as a database"},
        {"--db " + Aspas(copia), "is not a main database of pravolt: it does not open as a database"},
        {"--db " + Aspas(pasta), "--db " + pasta + " is not a main database of pravolt: it is a folder"},
        {"--acesso " + Aspas(pasta),
         "--acesso " + pasta + " is not an access database of pravolt: it is a folder"},
        {"--db " + Aspas(acessoAlheio.Path()),
         "is not a main database of pravolt: it is a database without table"},
        {"--db " + Aspas(emUso.Path()), "cannot be checked: another program has it open"},
    };
    for (const char* cmd : {"create", "demo"})
        for (const auto& c : casos) {
            const std::string destino = p.dir + "/inst";
            Saida s = Rodar(std::string(cmd) + " " + Aspas(destino) + " " + c[0]);
            EXPECT_EQ(s.status, 1) << c[0] << "\n" << s.texto;
            EXPECT_TRUE(Contem(s.texto, c[1])) << c[0] << "\n" << s.texto;
            EXPECT_TRUE(Contem(s.texto, "nothing was written")) << s.texto;
            EXPECT_EQ(Conteudo(p.dir), antes) << c[0];
        }
    EXPECT_EQ(LerArquivo(texto), "não é um banco\n");
    auto c = Abrir(acessoAlheio.Path());  // still a sound access database
    EXPECT_EQ(Contar(*c, "select count(*) from USUARIOS"), 0);
}

TEST(PravoltAdmin, AFailedCreationLeavesNothingItMadeAndKeepsWhatExisted) {
    PastaAdmin p("pravolt-admin-falha");
    EscreverArquivo(p.dir + "/arquivo", "x");
    const std::string impossivel = Aspas(p.dir + "/arquivo/PRAVOLT.FDB");  // under a file

    // A new installation: the access database was built first; nothing of it stays.
    Saida s = Rodar("create " + Aspas(p.dir + "/nova/inst") + " --db " + impossivel);
    EXPECT_EQ(s.status, 1) << s.texto;
    EXPECT_TRUE(Contem(s.texto, "Nothing this run made was left behind")) << s.texto;
    EXPECT_EQ(Conteudo(p.dir), (std::set<std::string>{"arquivo"}));

    // An existing access database stays as it was; no Parametros.ini is written.
    ASSERT_EQ(Rodar("create " + Aspas(p.dir) + " --db " + Aspas(p.dir + "/bdados/OUTRO.FDB")).status, 0);
    fs::remove(p.dir + "/Parametros.ini");
    fs::remove(p.dir + "/bdados/OUTRO.FDB");
    Abrir(p.Acesso())->ExecSQL("insert into CONFIG (NOME_EMPRESA) values ('MANTIDA')");
    s = Rodar("demo " + Aspas(p.dir) + " --db " + impossivel);
    EXPECT_EQ(s.status, 1) << s.texto;
    EXPECT_TRUE(Contem(s.texto, "The access database already exists and was left as it is")) << s.texto;
    EXPECT_EQ(Conteudo(p.dir), (std::set<std::string>{"arquivo", "bdados", "bdados/ACESSO.FDB"}));
    EXPECT_EQ(Contar(*Abrir(p.Acesso()), "select count(*) from CONFIG where NOME_EMPRESA = 'MANTIDA'"), 1);
}

TEST(PravoltAdmin, WorkFilesOfAKilledRunAreRemovedByTheNextRun) {
    PastaAdmin p("pravolt-admin-morto");
    const std::string bin = std::string(PRAVOLT_BINARY_DIR) + "/pravolt-admin";
    int canal[2];
    ASSERT_EQ(::pipe(canal), 0);
    const pid_t filho = ::fork();
    ASSERT_GE(filho, 0);
    if (filho == 0) {
        ::dup2(canal[1], 1);
        ::close(canal[0]);
        ::execl(bin.c_str(), bin.c_str(), "demo", p.dir.c_str(), "--scale", "2000000",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(canal[1]);
    // Killed while it loads the main database: both databases are still work files.
    std::string saida;
    char buf[512];
    for (ssize_t n; !Contem(saida, "into the main database") && (n = ::read(canal[0], buf, sizeof buf)) > 0;)
        saida.append(buf, static_cast<std::size_t>(n));
    ::kill(filho, SIGKILL);
    ::waitpid(filho, nullptr, 0);
    ::close(canal[0]);
    ASSERT_TRUE(Contem(saida, "into the main database")) << saida;
    const std::string sufixo = ".novo-" + std::to_string(filho);
    ASSERT_TRUE(fs::exists(p.Db() + sufixo));
    ASSERT_TRUE(fs::exists(p.Acesso() + sufixo));
    EXPECT_FALSE(fs::exists(p.dir + "/Parametros.ini"));

    Saida s = Rodar("create " + Aspas(p.dir));
    ASSERT_EQ(s.status, 0) << s.texto;
    for (const std::string& sobra : {p.Acesso() + sufixo, p.Db() + sufixo}) {
        EXPECT_TRUE(Contem(s.texto, "Removed " + sobra + ", left by an interrupted run (process " +
                                        std::to_string(filho) + " has ended)"))
            << s.texto;
        EXPECT_FALSE(fs::exists(sobra));
    }
    EXPECT_EQ(Conteudo(p.dir),
              (std::set<std::string>{"Parametros.ini", "bdados", "bdados/ACESSO.FDB", "bdados/PRAVOLT.FDB"}));
}

// Folders and files with accents, with the user's locale or none ("C"): the databases are
// made where named, Parametros.ini names them in Windows-1252 (UTF-8 with a byte-order
// mark when a name has a character Windows-1252 lacks), and the maintenance commands
// reach them through it.
TEST(PravoltAdmin, AccentedFoldersAndFilesWorkInAnyLocale) {
    PastaAdmin p("pravolt-admin-acentos");
    struct Caso {
        std::string ambiente, dir, db, acesso;
        bool bom;
    };
    const Caso casos[] = {
        {"LC_ALL=C", p.dir + "/Área de Trabalho/inst", "", "", false},
        {"LC_ALL=pt_BR.ISO-8859-1", p.dir + "/Produção", p.dir + "/Produção/José.FDB",
         p.dir + "/Łódź/Ação.FDB", true},
    };
    for (const auto& c : casos) {
        const std::string args =
            c.db.empty() ? "demo " + Aspas(c.dir) + " --scale 20"
                         : "create " + Aspas(c.dir) + " --db " + Aspas(c.db) + " --acesso " + Aspas(c.acesso);
        Saida s = Rodar(args, c.ambiente);
        ASSERT_EQ(s.status, 0) << c.ambiente << " " << args << "\n" << s.texto;
        const std::string db = c.db.empty() ? c.dir + "/bdados/PRAVOLT.FDB" : c.db;
        const std::string acesso = c.acesso.empty() ? c.dir + "/bdados/ACESSO.FDB" : c.acesso;
        EXPECT_TRUE(fs::is_regular_file(db));
        EXPECT_TRUE(fs::is_regular_file(acesso));

        const std::string bytes = LerArquivo(c.dir + "/Parametros.ini");
        EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF", 0) == 0, c.bom);
        if (!c.bom) {
            EXPECT_TRUE(Contem(bytes, plat::Utf8ParaCp1252(db)));
        }
        plat::IniFile ini(c.dir + "/Parametros.ini");
        EXPECT_EQ(ini.ReadString("Paths", "DB", ""), db);
        EXPECT_EQ(ini.ReadString("Paths", "ACESSO", ""), acesso);

        s = Rodar("set-password " + Aspas(c.dir) + " joão ação", c.ambiente);
        EXPECT_EQ(s.status, 0) << s.texto;
        s = Rodar("set-location " + Aspas(c.dir) + " " + Aspas(db), c.ambiente);
        EXPECT_EQ(s.status, 0) << s.texto;
        auto a = Abrir(acesso);
        db::Query q(*a);
        q.SetSQL("select SENHA from BD_PRINCIPAL");
        q.Open();
        EXPECT_EQ(Decifrar(q.FieldByName("SENHA").AsString()), db);
        EXPECT_EQ(Contar(*a, "select count(*) from USUARIOS where NOME_US = 'JOÃO'"), 1);
    }
}

// A server that never answers: each command ends with status 1 and one line naming the
// location, after one time-out (one second here), and writes nothing.
TEST(PravoltAdmin, AServerThatNeverAnswersEndsWithOneLineNamingIt) {
    ServidorMudo mudo;
    const std::string dir = TestDb::MakeTempDir("pravolt-admin-mudo");
    fs::create_directories(dir + "/inst");
    EscreverArquivo(dir + "/inst/Parametros.ini", "[Banco]\nBanco=DevartFireBird\nCHAVE=1\n[Paths]\nDB=" +
                                                      mudo.Local() + "\nACESSO=" + mudo.Local("/srv/ACESSO.FDB") +
                                                      "\nUSER=" + mudo.Local("/srv/ACESSO.FDB") + "\n");
    const struct {
        std::string argumentos, local;
    } casos[] = {{"demo " + Aspas(dir + "/a") + " --db " + mudo.Local(), mudo.Local()},
                 {"create " + Aspas(dir + "/b") + " --acesso " + mudo.Local("/srv/ACESSO.FDB"),
                  mudo.Local("/srv/ACESSO.FDB")},
                 {"set-password " + Aspas(dir + "/inst") + " ANA segredo", mudo.Local("/srv/ACESSO.FDB")}};
    for (const auto& c : casos) {
        const auto inicio = std::chrono::steady_clock::now();
        const Saida s = Rodar(c.argumentos, "PRAVOLT_CONNECT_TIMEOUT=1");
        EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(6)) << c.argumentos;
        EXPECT_EQ(s.status, 1) << c.argumentos;
        EXPECT_EQ(s.texto, "pravolt-admin: Não foi possível conectar ao banco de dados " + c.local +
                               ": o servidor não respondeu em 1 segundo.\n");
    }
    EXPECT_FALSE(fs::exists(dir + "/a/Parametros.ini"));
    EXPECT_FALSE(fs::exists(dir + "/b/Parametros.ini"));
    fs::remove_all(dir);
}
