// The schema scripts applied to real embedded databases, and the creation of both
// databases through the schema unit.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/TestDb.h"
#include "db/Error.h"
#include "db/Query.h"
#include "shell/UEsquema.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> Tabelas(db::Connection& c) {
    db::Query q(c);
    q.SetSQL("select trim(RDB$RELATION_NAME) as N from RDB$RELATIONS where coalesce(RDB$SYSTEM_FLAG, 0) = 0");
    q.Open();
    std::set<std::string> r;
    for (; !q.Eof(); q.Next()) r.insert(q.FieldByName("N").AsString());
    return r;
}

std::int64_t Contar(db::Connection& c, const std::string& sql) {
    db::Query q(c);
    q.SetSQL(sql);
    q.Open();
    return q.Field(0).AsInteger();
}

class Pasta {
public:
    Pasta() : dir_(TestDb::MakeTempDir("pravolt-esquema")) {}
    ~Pasta() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string operator/(const std::string& nome) const { return dir_ + "/" + nome; }
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
};

std::unique_ptr<db::Connection> Abrir(const std::string& local) {
    auto c = std::make_unique<db::Connection>();
    c->SetDatabase(local);
    c->SetUserName("SYSDBA");
    c->SetPassword(esquema::SenhaPorChave("1"));
    c->Open();
    return c;
}

}  // namespace

TEST(Esquema, ScriptsCompiledInAndAppliedInOrder) {
    ASSERT_TRUE(esquema::Script("acesso.sql"));
    ASSERT_TRUE(esquema::Script("principal.sql"));
    EXPECT_FALSE(esquema::Script("nao-existe.sql"));
    EXPECT_NE(esquema::Script("principal.sql")->find("CREATE PROCEDURE GRAVALOG"), std::string_view::npos);

    EXPECT_EQ(esquema::ScriptsDoBanco(esquema::Banco::Acesso), std::vector<std::string>{"acesso.sql"});
    auto principal = esquema::ScriptsDoBanco(esquema::Banco::Principal);
    ASSERT_FALSE(principal.empty());
    EXPECT_EQ(principal.front(), "principal.sql");
    if (esquema::Script("modulos.sql")) {
        EXPECT_EQ(principal.back(), "modulos.sql");
    }
}

TEST(Esquema, LocationsAndPasswords) {
    EXPECT_TRUE(esquema::LocalEmbutido("/srv/dados/PRAVOLT.FDB"));
    EXPECT_TRUE(esquema::LocalEmbutido("dados.fdb"));
    EXPECT_TRUE(esquema::LocalEmbutido("C:\\APP\\bdados\\PRAVOLT.FDB"));
    EXPECT_FALSE(esquema::LocalEmbutido("servidor:/srv/dados/PRAVOLT.FDB"));
    EXPECT_FALSE(esquema::LocalEmbutido("servidor/3051:C:\\dados\\PRAVOLT.FDB"));
    EXPECT_FALSE(esquema::LocalEmbutido("10.0.0.5:/srv/x.fdb"));

    EXPECT_EQ(esquema::SenhaPorChave("1"), "quindrape");
    EXPECT_EQ(esquema::SenhaPorChave("2"), "tolbre37");
    EXPECT_EQ(esquema::SenhaPorChave("3"), "TolBre37");
    EXPECT_EQ(esquema::SenhaPorChave("01"), "toLbrE37");
}

// Both databases from the scripts; then what the program and the suite rely on. Each
// database is created on first use (the tests may run each in its own process).
class EsquemaCriado : public ::testing::Test {
protected:
    static std::string Acesso() { return Criado("ACESSO.FDB", esquema::Banco::Acesso, criadoAcesso_); }
    static std::string Principal() { return Criado("PRAVOLT.FDB", esquema::Banco::Principal, criadoPrincipal_); }
    static void TearDownTestSuite() {
        delete pasta_;
        pasta_ = nullptr;
        criadoAcesso_ = criadoPrincipal_ = false;
    }

private:
    static std::string Criado(const char* nome, esquema::Banco banco, bool& criado) {
        if (!pasta_) pasta_ = new Pasta();
        const std::string local = *pasta_ / nome;
        if (!criado) {
            esquema::CriarBanco(local, banco, "SYSDBA", "x");
            criado = true;
        }
        return local;
    }
    static Pasta* pasta_;
    static bool criadoAcesso_;
    static bool criadoPrincipal_;

protected:
    static const Pasta& Dir() { return *pasta_; }
};
Pasta* EsquemaCriado::pasta_ = nullptr;
bool EsquemaCriado::criadoAcesso_ = false;
bool EsquemaCriado::criadoPrincipal_ = false;

TEST_F(EsquemaCriado, AccessDatabaseHasItsTablesButNoLogin) {
    auto c = Abrir(Acesso());
    auto t = Tabelas(*c);
    for (const char* n : {"USUARIOS", "GRUPOS", "OPCOES", "GRUPOS_MENU_USUARIO", "OPCOES_MENU_USUARIO",
                          "FILIAL_USUARIOS", "BD_PRINCIPAL", "CONFIG", "MENU"})
        EXPECT_TRUE(t.count(n)) << n;
    EXPECT_FALSE(t.count("LOGIN"));
    // No leftovers of the creation beside the database.
    for (const auto& e : fs::directory_iterator(Dir().Dir()))
        EXPECT_EQ(e.path().string().find(".novo"), std::string::npos) << e.path();
}

TEST_F(EsquemaCriado, MainDatabaseHasEveryDistributionTable) {
    auto c = Abrir(Principal());
    auto t = Tabelas(*c);
    for (const char* n : {"TERCEIRIZADO", "TABELA", "EXTERNO_TPSERVICO", "SETOR", "EXTERNO_SETOR", "PRECOSER",
                          "ITENSPV", "ITENSPVGRADE", "PADRONIZ_PRODUTO", "SUBPROD", "EXTERNO", "PRODUCAO_SETOR",
                          "PARAM", "CONFIG"})
        EXPECT_TRUE(t.count(n)) << n;
    // The columns the program leaves null exist too.
    EXPECT_EQ(Contar(*c, "select count(*) from RDB$RELATION_FIELDS where RDB$RELATION_NAME = 'EXTERNO'"), 19);
}

TEST_F(EsquemaCriado, ProgressRowsAreNumberedByTheDatabaseWhenZeroIsWritten) {
    auto c = Abrir(Principal());
    db::Query q(*c);
    q.SetSQL("insert into PRODUCAO_SETOR (PROG_PS, FICHA_PS, SUBFICHA_PS, SETOR_PS, ID_PS, QTDE_PS) "
             "values (:P, '0001', '0000', :S, :ID, 10)");
    q.ParamByName("P").SetAsString("900001");
    q.ParamByName("S").SetAsString("01");
    q.ParamByName("ID").SetAsInteger(0);
    q.ExecSQL();
    q.ParamByName("S").SetAsString("02");
    q.ExecSQL();
    q.ParamByName("S").SetAsString("03");
    q.ParamByName("ID").SetNull();
    q.ExecSQL();

    db::Query s(*c);
    s.SetSQL("select ID_PS from PRODUCAO_SETOR where PROG_PS = '900001' order by SETOR_PS");
    s.Open();
    std::set<std::int64_t> ids;
    for (; !s.Eof(); s.Next()) {
        EXPECT_GT(s.FieldByName("ID_PS").AsInteger(), 0);
        ids.insert(s.FieldByName("ID_PS").AsInteger());
    }
    EXPECT_EQ(ids.size(), 3u);

    // The key refuses a second row for the same ticket and sector.
    q.ParamByName("S").SetAsString("01");
    q.ParamByName("ID").SetAsInteger(0);
    try {
        q.ExecSQL();
        ADD_FAILURE() << "duplicate progress row accepted";
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.ChaveDuplicada()) << e.what();
    }
}

TEST_F(EsquemaCriado, DispatchKeyAllowsInspectionRowsOfSeveralWorkshops) {
    auto c = Abrir(Principal());
    db::Query q(*c);
    q.SetSQL("insert into EXTERNO (TERCEIRIZADO_EX, TP_SERV_EX, PROG_EX, FICHA_EX, SUBFICHA_EX, QTDE_EX) "
             "values (:T, :TP, '900002', '0007', '0000', 12)");
    for (auto [t, tp] : {std::pair{1, "B"}, std::pair{2, "I"}, std::pair{3, "I"}}) {
        q.ParamByName("T").SetAsInteger(t);
        q.ParamByName("TP").SetAsString(tp);
        q.ExecSQL();
    }
    EXPECT_EQ(Contar(*c, "select count(*) from EXTERNO where PROG_EX = '900002'"), 3);
    q.ParamByName("T").SetAsInteger(2);
    q.ParamByName("TP").SetAsString("I");
    try {
        q.ExecSQL();
        ADD_FAILURE() << "the same dispatch row accepted twice";
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.ChaveDuplicada()) << e.what();
    }
}

TEST_F(EsquemaCriado, AuditProcedureTakesSevenInputsAndWritesOneRow) {
    auto c = Abrir(Principal());
    db::StoredProc p(*c);
    p.SetStoredProcName("GRAVALOG");
    const char* nomes[] = {"CHAVE", "ARQ", "CAMPO", "USUARIO", "DATA", "VRANT", "VRATU"};
    ASSERT_EQ(p.GetParams().Count(), 7u);
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(p.GetParams()[i].Name(), nomes[i]);
    p.ParamByName("CHAVE").SetAsString("000123|0004|0000|B");
    p.ParamByName("ARQ").SetAsString("externo");
    p.ParamByName("CAMPO").SetAsString("INSERIDO");
    p.ParamByName("USUARIO").SetAsString("");
    p.ParamByName("DATA").SetAsDateTime(45000.5);
    p.ParamByName("VRANT").SetAsString(std::string(100, 'a'));
    p.ParamByName("VRATU").SetAsString("Observação");
    p.ExecProc();

    db::Query q(*c);
    q.SetSQL("select * from LOG_ALTERACOES where CHAVE_LA = '000123|0004|0000|B'");
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName("ARQ_LA").AsString(), "externo");
    EXPECT_EQ(q.FieldByName("VRATU_LA").AsString(), "Observação");
    EXPECT_DOUBLE_EQ(q.FieldByName("DATA_LA").AsDateTime(), 45000.5);
    EXPECT_GT(q.FieldByName("ID_LA").AsInteger(), 0);
}

TEST_F(EsquemaCriado, TextKeepsWindows1252AndPasswordsKeepEveryByte) {
    auto c = Abrir(Acesso());
    std::string bytes;
    for (int i = 0; i < 30; ++i) bytes.push_back(static_cast<char>((i * 37 + 0x7F) % 256));
    // Bytes that Windows-1252 leaves undefined, a zero byte and the highest one.
    bytes[0] = static_cast<char>(0x81);
    bytes[1] = static_cast<char>(0x8D);
    bytes[2] = static_cast<char>(0x00);
    bytes[3] = static_cast<char>(0xFF);
    db::Query ins(*c);
    ins.SetSQL("insert into USUARIOS (NOME_US, SENHA_US, NOME_COMPLETO_US) values ('JOÃO', :S, 'Conceição')");
    ins.ParamByName("S").SetAsBytes(bytes);
    ins.ExecSQL();

    db::Query q(*c);
    q.SetSQL("select * from USUARIOS where NOME_US = :N");
    q.ParamByName("N").SetAsString("JOÃO");
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName("SENHA_US").AsBytes(), bytes);
    EXPECT_EQ(q.FieldByName("NOME_COMPLETO_US").AsString(), "Conceição");
    // Text columns are WIN1252 (53), the byte-string columns NONE (0).
    const std::string cs =
        "select max(f.RDB$CHARACTER_SET_ID) from RDB$RELATION_FIELDS rf join RDB$FIELDS f "
        "on f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE where rf.RDB$RELATION_NAME = 'USUARIOS' "
        "and rf.RDB$FIELD_NAME = ";
    EXPECT_EQ(Contar(*c, cs + "'NOME_COMPLETO_US'"), 53);
    EXPECT_EQ(Contar(*c, cs + "'SENHA_US'"), 0);
    // Accented letters are one byte each, as Windows-1252 stores them.
    EXPECT_EQ(Contar(*c, "select octet_length(NOME_COMPLETO_US) from USUARIOS where NOME_US = 'JOÃO'"), 9);
}

TEST_F(EsquemaCriado, CreatingAgainRefusesAndKeepsTheData) {
    const std::string local = Principal();
    {
        auto c = Abrir(local);
        c->ExecSQL("insert into CONFIG (NOME_EMPRESA) values ('MANTIDA')");
    }
    EXPECT_TRUE(esquema::Existe(local, "SYSDBA", "x"));
    EXPECT_THROW(esquema::CriarBanco(local, esquema::Banco::Principal, "SYSDBA", "x"), esquema::EBancoExiste);
    auto c = Abrir(local);
    EXPECT_EQ(Contar(*c, "select count(*) from CONFIG where NOME_EMPRESA = 'MANTIDA'"), 1);
}

TEST(Esquema, UnfinishedDatabaseLeavesNothingBehind) {
    Pasta p;
    const std::string local = p / "sub/PRAVOLT.FDB";
    EXPECT_FALSE(esquema::Existe(local, "SYSDBA", "x"));
    {
        esquema::NovoBanco novo(local, esquema::Banco::Acesso, "SYSDBA", "x");
        novo.Conn().ExecSQL("insert into CONFIG (NOME_EMPRESA) values ('X')");
        EXPECT_FALSE(fs::exists(local));  // not in place until concluded
    }
    EXPECT_FALSE(fs::exists(local));
    EXPECT_TRUE(fs::is_empty(p / "sub"));
}
