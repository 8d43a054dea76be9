// pravolt-admin: creates the suite's databases from the schema compiled into the program,
// loads demonstration data, writes the Parametros.ini that points the program at them,
// sets users' passwords and stores the main database location in the access database.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "Demo.h"
#include "db/Error.h"
#include "db/Query.h"
#include "platform/Cp1252.h"
#include "platform/IniFile.h"
#include "rules/USenha.h"
#include "shell/UCifra.h"
#include "shell/UEsquema.h"

namespace fs = std::filesystem;

namespace {

constexpr int kOk = 0;
constexpr int kFalha = 1;
constexpr int kUsoInvalido = 2;

const char* const kAjuda = R"(pravolt-admin - creates and maintains the databases of pravolt

Usage:
  pravolt-admin demo DIR [--scale N] [--db LOCATION] [--acesso LOCATION] [--chave K]
      Creates the access and the main database with demonstration data and writes
      DIR/Parametros.ini pointing at them. Without --scale: a dozen workshops and
      3000 tickets; with --scale N: N tickets and about 5*N dispatches.
  pravolt-admin create DIR [--db LOCATION] [--acesso LOCATION] [--chave K]
      Creates both databases empty (schema only) and writes DIR/Parametros.ini.
  pravolt-admin set-password DIR USER PASSWORD
      Stores USER's formatted password in the access database named by
      DIR/Parametros.ini; the user is created when missing. The name is kept in
      upper case, as the program's validation dialog types it.
  pravolt-admin set-location DIR LOCATION
      Stores LOCATION, scrambled, in table BD_PRINCIPAL of the access database named
      by DIR/Parametros.ini; the program then opens that main database instead of
      [Paths] DB. An empty LOCATION ("") removes it.
  pravolt-admin --help

Write -- before arguments that start with '-' (a password, for example).

Options:
  --db LOCATION      main database (default DIR/bdados/PRAVOLT.FDB)
  --acesso LOCATION  access database (default DIR/bdados/ACESSO.FDB)
  --chave K          value of [Banco] CHAVE written to Parametros.ini (default 1); it
                     selects the SYSDBA password the program, and this tool, use on a
                     Firebird server
  --scale N          number of generated tickets (demo only; 1 to 10000000)

A LOCATION is a file path (the database is opened in-process, no server needed) or
a server location "host:/path/file.fdb" or "host/port:/path/file.fdb".

Existing databases are never overwritten: demo and create leave a database that
already exists as it is and say so; an existing Parametros.ini is not changed.

Exit status: 0 done, 1 failed (the message says why), 2 invalid command line.
)";

struct ErroUso : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Argumentos {
    std::string comando;
    std::vector<std::string> posicionais;
    std::optional<std::int64_t> escala;
    std::optional<std::string> db;
    std::optional<std::string> acesso;
    std::optional<std::string> chave;
};

std::int64_t LerEscala(const std::string& texto) {
    if (texto.empty() || texto.size() > 9 || texto.find_first_not_of("0123456789") != std::string::npos)
        throw ErroUso("--scale needs a whole number of tickets, not '" + texto + "'");
    std::int64_t n = std::stoll(texto);
    if (n < 1 || n > 10000000) throw ErroUso("--scale must be between 1 and 10000000, not " + texto);
    return n;
}

Argumentos Analisar(int argc, char** argv) {
    Argumentos a;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) throw ErroUso("no command given");
    a.comando = args[0];
    bool opcoes = true;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& s = args[i];
        if (!opcoes || s.empty() || s[0] != '-' || s == "-") {
            a.posicionais.push_back(s);
            continue;
        }
        if (s == "--") {  // what follows is not an option (a password may start with '-')
            opcoes = false;
            continue;
        }
        auto valor = [&](const char* nome) -> std::string {
            if (i + 1 >= args.size()) throw ErroUso(std::string(nome) + " needs a value");
            return args[++i];
        };
        if (s == "--scale") a.escala = LerEscala(valor("--scale"));
        else if (s == "--db") a.db = valor("--db");
        else if (s == "--acesso") a.acesso = valor("--acesso");
        else if (s == "--chave") a.chave = valor("--chave");
        else throw ErroUso("unknown option '" + s + "'");
    }
    return a;
}

void ExigirPosicionais(const Argumentos& a, std::size_t n, const char* forma) {
    if (a.posicionais.size() != n)
        throw ErroUso("'" + a.comando + "' expects " + forma + " (got " + std::to_string(a.posicionais.size()) +
                      " argument" + (a.posicionais.size() == 1 ? "" : "s") + ")");
}

void SemOpcoes(const Argumentos& a) {
    if (a.escala || a.db || a.acesso || a.chave)
        throw ErroUso("'" + a.comando + "' takes no options");
}

std::string Absoluto(const std::string& dir) { return fs::absolute(fs::path(dir)).lexically_normal().string(); }

std::string Ini(const std::string& dir) { return (fs::path(dir) / "Parametros.ini").string(); }

// ---- Parametros.ini ------------------------------------------------------------------

std::string TextoIni(const std::string& db, const std::string& acesso, const std::string& chave) {
    std::string t;
    t += "; Written by pravolt-admin. The program reads this file from the folder of its\r\n";
    t += "; executable. Locations: a file path (opened in-process) or host:/path on a\r\n";
    t += "; Firebird server; MONO:name means <program folder>/bdados/name.\r\n";
    t += "[Banco]\r\n";
    t += "Banco=DevartFireBird\r\n";
    t += "CHAVE=" + chave + "\r\n";
    t += "\r\n[Paths]\r\n";
    t += "DB=" + db + "\r\n";
    t += "ACESSO=" + acesso + "\r\n";
    t += "USER=" + acesso + "\r\n";
    t += "; configured by the suite, never opened by this program\r\n";
    t += "DB_FABRICA=" + db + "\r\n";
    t += "DBCEP=" + db + "\r\n";
    t += "DB_CATALOGO=" + db + "\r\n";
    t += "DBCons=" + db + "\r\n";
    t += "\r\n[CODIGO DE CLASSIFICACAO]\r\n";
    t += "FORMATO=0102020305\r\n";
    return plat::Utf8ParaCp1252(t);
}

// Writes Parametros.ini unless the folder has one; true when written.
bool EscreverIni(const std::string& dir, const std::string& db, const std::string& acesso,
                 const std::string& chave) {
    const std::string caminho = Ini(dir);
    if (fs::exists(caminho)) return false;
    const std::string tmp = caminho + ".novo";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        f << TextoIni(db, acesso, chave);
        f.close();
        if (!f) throw std::runtime_error("cannot write " + tmp);
    }
    fs::rename(tmp, caminho);
    return true;
}

// The access database and the password named by an existing Parametros.ini.
struct Destino {
    std::string acesso;
    std::string senha;
};

Destino LerDestino(const std::string& dir) {
    const std::string caminho = Ini(dir);
    plat::IniFile ini(caminho);
    if (!ini.Existe())
        throw std::runtime_error(caminho + " not found; run 'pravolt-admin create " + dir +
                                 "' or write it first");
    Destino d;
    d.acesso = ini.ReadString("Paths", "ACESSO", "ERRO");
    if (d.acesso == "ERRO" || d.acesso.empty())
        throw std::runtime_error(caminho + " names no access database ([Paths] ACESSO)");
    // The program resolves MONO: against its own folder, which holds Parametros.ini.
    if (d.acesso.size() >= 5) {
        std::string prefixo = d.acesso.substr(0, 5);
        for (char& c : prefixo) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (prefixo == "MONO:") d.acesso = Absoluto(dir) + "/bdados/" + d.acesso.substr(5);
    }
    d.senha = esquema::SenhaPorChave(ini.ReadString("Banco", "CHAVE", "1"));
    return d;
}

void Configurar(db::Connection& c, const std::string& local, const std::string& senha) {
    c.SetDatabase(local);
    c.SetUserName("SYSDBA");
    c.SetPassword(senha);
    c.SetSqlDialect(3);
}

// Upper case as the validation dialog types it (Windows-1252 letters included).
std::string Maiusculas(const std::string& utf8) {
    std::string b = plat::Utf8ParaCp1252(utf8);
    for (char& ch : b) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
        else if (c >= 0xE0 && c <= 0xFE && c != 0xF7) c = static_cast<unsigned char>(c - 32);
        else if (c == 0x9A || c == 0x9C || c == 0x9E) c = static_cast<unsigned char>(c - 16);
        else if (c == 0xFF) c = 0x9F;
        ch = static_cast<char>(c);
    }
    return plat::Cp1252ParaUtf8(b);
}

// ---- commands ------------------------------------------------------------------------

int CriarTudo(const Argumentos& a, bool comDemo) {
    ExigirPosicionais(a, 1, "DIR");
    if (a.escala && !comDemo) throw ErroUso("--scale belongs to 'demo'");
    const std::string dir = Absoluto(a.posicionais[0]);
    const std::string chave = a.chave.value_or("1");
    if (chave.empty()) throw ErroUso("--chave needs a value");
    const std::string senha = esquema::SenhaPorChave(chave);
    const std::string localDb = a.db.value_or(dir + "/bdados/PRAVOLT.FDB");
    const std::string localAcesso = a.acesso.value_or(dir + "/bdados/ACESSO.FDB");
    if (localDb.empty() || localAcesso.empty()) throw ErroUso("a database location may not be empty");
    if (localDb == localAcesso) throw ErroUso("the main and the access database must be two databases");

    if (fs::exists(dir) && !fs::is_directory(dir)) throw std::runtime_error(dir + " is not a folder");
    fs::create_directories(dir);

    auto criar = [&](const std::string& local, esquema::Banco banco, const char* nome) {
        try {
            esquema::NovoBanco novo(local, banco, "SYSDBA", senha);
            if (comDemo) {
                auto t0 = std::chrono::steady_clock::now();
                std::cout << "Loading demonstration data into the " << nome << " database..." << std::endl;
                if (banco == esquema::Banco::Acesso) {
                    demo::PreencherAcesso(novo.Conn());
                } else {
                    demo::Opcoes op;
                    if (a.escala) op.fichas = *a.escala;
                    op.progresso = [](const std::string& s) { std::cout << s << std::endl; };
                    demo::Resumo r = demo::PreencherPrincipal(novo.Conn(), op);
                    auto s = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t0);
                    std::cout << "  " << r.terceirizados << " workshops, " << r.fichas << " tickets ("
                              << r.itens << " order items, " << r.grades << " sizes, " << r.subfichas
                              << " sub-tickets), " << r.externos << " dispatches (" << r.externosAbertos
                              << " still out), " << r.producao << " progress rows in " << s.count() << " s"
                              << std::endl;
                }
            }
            novo.Concluir();
            std::cout << "Created the " << nome << " database: " << local << std::endl;
        } catch (const esquema::EBancoExiste&) {
            std::cout << "The " << nome << " database already exists and was left as it is: " << local
                      << std::endl;
        }
    };
    criar(localAcesso, esquema::Banco::Acesso, "access");
    criar(localDb, esquema::Banco::Principal, "main");

    if (EscreverIni(dir, localDb, localAcesso, chave))
        std::cout << "Wrote " << Ini(dir) << std::endl;
    else
        std::cout << Ini(dir) << " already exists and was not changed" << std::endl;
    if (comDemo) {
        std::cout << "Users (password):";
        for (int i = 0; i < demo::kQuantidadeUsuarios; ++i)
            std::cout << " " << demo::kUsuarios[i].nome << " (" << demo::kUsuarios[i].senha << ")";
        std::cout << std::endl;
    }
    return kOk;
}

int DefinirSenha(const Argumentos& a) {
    ExigirPosicionais(a, 3, "DIR USER PASSWORD");
    SemOpcoes(a);
    const std::string usuario = Maiusculas(a.posicionais[1]);
    const std::string senha = a.posicionais[2];
    if (usuario.empty()) throw ErroUso("the user name may not be empty");
    if (senha.empty()) throw ErroUso("the password may not be empty");
    if (!plat::RepresentavelEmCp1252(usuario) || !plat::RepresentavelEmCp1252(senha))
        throw ErroUso("user name and password must be Windows-1252 text");
    if (plat::Utf8ParaCp1252(usuario).size() > 10) throw ErroUso("the user name has more than 10 characters");

    Destino d = LerDestino(a.posicionais[0]);
    db::Connection c;
    Configurar(c, d.acesso, d.senha);
    db::Transaction tr = c.StartTransaction();
    const std::string formatada = FormatarSenha(usuario, senha);
    db::Query upd(c);
    upd.SetTransaction(&tr);
    upd.SetSQL("update USUARIOS set SENHA_US = :SENHA where NOME_US = :NOME");
    upd.ParamByName("SENHA").SetAsBytes(formatada);
    upd.ParamByName("NOME").SetAsString(usuario);
    bool novo = upd.ExecSQL() == 0;
    if (novo) {
        db::Query ins(c);
        ins.SetTransaction(&tr);
        ins.SetSQL("insert into USUARIOS (NOME_US, SENHA_US) values (:NOME, :SENHA)");
        ins.ParamByName("SENHA").SetAsBytes(formatada);
        ins.ParamByName("NOME").SetAsString(usuario);
        ins.ExecSQL();
    }
    tr.Commit();
    std::cout << (novo ? "Created user " : "Changed the password of ") << usuario << " in " << d.acesso
              << std::endl;
    return kOk;
}

int DefinirLocal(const Argumentos& a) {
    ExigirPosicionais(a, 2, "DIR LOCATION");
    SemOpcoes(a);
    const std::string local = a.posicionais[1];
    if (!plat::RepresentavelEmCp1252(local)) throw ErroUso("the location must be Windows-1252 text");
    const std::string bytes = plat::Utf8ParaCp1252(local);
    if (bytes.size() > cifra::kTamanhoMaximo)
        throw ErroUso("the location has more than " + std::to_string(cifra::kTamanhoMaximo) + " characters");

    Destino d = LerDestino(a.posicionais[0]);
    db::Connection c;
    Configurar(c, d.acesso, d.senha);
    db::Transaction tr = c.StartTransaction();
    c.ExecSQL("delete from BD_PRINCIPAL", &tr);
    if (!bytes.empty()) {
        db::Query ins(c);
        ins.SetTransaction(&tr);
        ins.SetSQL("insert into BD_PRINCIPAL (SENHA) values (:SENHA)");
        ins.ParamByName("SENHA").SetAsBytes(
            cifra::CifrarBytes(bytes, cifra::kChaveInicial, cifra::kMultiplicador, cifra::kIncremento));
        ins.ExecSQL();
    }
    tr.Commit();
    if (bytes.empty())
        std::cout << "Removed the stored main database location; the program uses [Paths] DB" << std::endl;
    else
        std::cout << "Stored the main database location " << local << " in " << d.acesso << std::endl;
    return kOk;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h" ||
                          std::string(argv[1]) == "help")) {
            std::cout << kAjuda;
            return kOk;
        }
        Argumentos a = Analisar(argc, argv);
        if (a.comando == "demo") return CriarTudo(a, true);
        if (a.comando == "create") return CriarTudo(a, false);
        if (a.comando == "set-password") return DefinirSenha(a);
        if (a.comando == "set-location") return DefinirLocal(a);
        throw ErroUso("unknown command '" + a.comando + "'");
    } catch (const ErroUso& e) {
        std::cerr << "pravolt-admin: " << e.what() << "\nTry 'pravolt-admin --help'." << std::endl;
        return kUsoInvalido;
    } catch (const std::exception& e) {
        std::cerr << "pravolt-admin: " << e.what() << std::endl;
        return kFalha;
    }
}
