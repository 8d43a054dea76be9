// pravolt-admin: creates the suite's databases from the schema compiled into the program,
// loads demonstration data, writes the Parametros.ini that points the program at them,
// sets users' passwords and stores the main database location in the access database.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Demo.h"
#include "db/Error.h"
#include "db/Query.h"
#include "platform/Cp1252.h"
#include "platform/Executavel.h"
#include "platform/IniFile.h"
#include "platform/Texto.h"
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
      upper case, as the program's validation dialog types it. USER and PASSWORD
      have at most 10 characters each: the suite's password formatting uses only
      the first 10, so a longer password is refused (never silently cut).
  pravolt-admin set-location DIR LOCATION
      Stores LOCATION, scrambled, in table BD_PRINCIPAL of the access database named
      by DIR/Parametros.ini; the program then opens that main database instead of
      [Paths] DB. An empty LOCATION ("") removes it.
  pravolt-admin --help
      This text; --help and -h may also follow any command.

Write -- before arguments that start with '-' (a password, for example).

Options:
  --db LOCATION      main database (default DIR/bdados/PRAVOLT.FDB)
  --acesso LOCATION  access database (default DIR/bdados/ACESSO.FDB)
  --chave K          value of [Banco] CHAVE written to Parametros.ini (default 1); it
                     selects the SYSDBA password the program, and this tool, use on a
                     Firebird server
  --scale N          number of generated tickets (demo only; 1 to 10000000)

A LOCATION is a file path (the database is opened in-process, no server needed) or
a server location "host:/path/file.fdb" or "host/port:/path/file.fdb". Arguments are
UTF-8 text (accented folder and file names work); names, passwords and locations may
not be blank or hold control characters (tab, new line), and user names and
passwords must be Windows-1252 characters. Parametros.ini is written in
Windows-1252, or in UTF-8 with a byte-order mark when a location holds a character
Windows-1252 does not have.

Existing databases are never overwritten: demo and create leave a location that
already holds a database of pravolt as it is and say so; a location that holds
anything else (a file that is not a database, a backup, a folder, a database of
another schema), or a database another program has open (it cannot be checked), is
refused and nothing is written. They make the whole set or
leave nothing they made: when a step fails, the databases and folders this run
created are removed and no Parametros.ini is written. An existing Parametros.ini
is not changed. Work files that an interrupted run left beside a database
(NAME.novo-<process>) are removed by the next run, which says so.

Exit status: 0 done, 1 failed (the message says why), 2 invalid command line
(one line naming the argument).
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

// ---- arguments ------------------------------------------------------------------------

// Decodes the UTF-8 character at s[i] and advances i; false when the bytes are not UTF-8.
bool LerCaractere(const std::string& s, std::size_t& i, char32_t& cp) {
    const auto b = static_cast<unsigned char>(s[i]);
    int n;
    if (b < 0x80) {
        cp = b;
        n = 0;
    } else if (b >= 0xC2 && b <= 0xDF) {
        cp = b & 0x1F;
        n = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
        cp = b & 0x0F;
        n = 2;
    } else if (b >= 0xF0 && b <= 0xF4) {
        cp = b & 0x07;
        n = 3;
    } else {
        return false;
    }
    if (n > 0 && i + n >= s.size()) return false;
    for (int k = 1; k <= n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (c & 0x3F);
    }
    if ((n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
        return false;
    i += n + 1;
    return true;
}

bool Controle(char32_t cp) {
    return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F);
}

std::string Codigo(char32_t cp) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
    return buf;
}

// The text as it can be shown on one line: control characters written as escapes.
std::string Visivel(const std::string& s) {
    std::string r;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t inicio = i;
        char32_t cp;
        if (!LerCaractere(s, i, cp)) {
            r += "\\x" + Codigo(static_cast<unsigned char>(s[inicio])).substr(4);
            i = inicio + 1;
        } else if (cp == '\t') {
            r += "\\t";
        } else if (cp == '\n') {
            r += "\\n";
        } else if (cp == '\r') {
            r += "\\r";
        } else if (Controle(cp)) {
            r += "<" + Codigo(cp) + ">";
        } else {
            r.append(s, inicio, i - inicio);
        }
    }
    return r;
}

// Refuses (status 2) a text argument that is not UTF-8, holds a control character, or is
// empty or blank (the empty text only when `vazioPermitido`).
void ExigirTexto(const std::string& nome, const std::string& valor, bool vazioPermitido = false) {
    if (valor.empty()) {
        if (vazioPermitido) return;
        throw ErroUso(nome + " may not be empty");
    }
    bool branco = true;
    std::size_t posicao = 0;
    for (std::size_t i = 0; i < valor.size();) {
        char32_t cp;
        ++posicao;
        if (!LerCaractere(valor, i, cp))
            throw ErroUso(nome + " is not UTF-8 text (byte " + std::to_string(i + 1) +
                          "); arguments are read as UTF-8");
        if (Controle(cp)) {
            const std::string qual = cp == '\t'   ? "a tab"
                                     : cp == '\n' ? "a new line"
                                     : cp == '\r' ? "a carriage return"
                                                  : Codigo(cp);
            throw ErroUso(nome + " holds a control character (" + qual + " at character " +
                          std::to_string(posicao) + ")");
        }
        if (cp != ' ' && cp != 0xA0) branco = false;
    }
    if (branco) throw ErroUso(nome + " may not be blank");
}

// Refuses (status 2) a text Windows-1252 cannot store, naming its first such character.
void ExigirCp1252(const std::string& nome, const std::string& valor) {
    for (std::size_t i = 0; i < valor.size();) {
        std::size_t inicio = i;
        char32_t cp;
        if (!LerCaractere(valor, i, cp)) return;  // ExigirTexto has refused it
        const std::string caractere = valor.substr(inicio, i - inicio);
        if (!plat::RepresentavelEmCp1252(caractere))
            throw ErroUso(nome + " holds '" + caractere + "' (" + Codigo(cp) +
                          "), which Windows-1252 cannot store; use Windows-1252 characters");
    }
}

std::int64_t LerEscala(const std::string& texto) {
    if (texto.empty() || texto.size() > 9 || texto.find_first_not_of("0123456789") != std::string::npos)
        throw ErroUso("--scale needs a whole number of tickets, not '" + Visivel(texto) + "'");
    std::int64_t n = std::stoll(texto);
    if (n < 1 || n > 10000000) throw ErroUso("--scale must be between 1 and 10000000, not " + texto);
    return n;
}

// --help or -h anywhere before "--", or the command "help".
bool PedeAjuda(const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "help") return true;
    for (const std::string& s : args) {
        if (s == "--") break;
        if (s == "--help" || s == "-h") return true;
    }
    return false;
}

Argumentos Analisar(const std::vector<std::string>& args) {
    Argumentos a;
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
        else
            throw ErroUso("unknown option '" + Visivel(s) + "'");
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

// The file's bytes: Windows-1252, as the suite's machines write it, unless a value holds a
// character Windows-1252 does not have; then UTF-8 with a byte-order mark, which the
// program reads as well.
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
    if (plat::RepresentavelEmCp1252(t)) return plat::Utf8ParaCp1252(t);
    return "\xEF\xBB\xBF" + t;
}

// The access database and the password named by an existing Parametros.ini.
struct Destino {
    std::string acesso;
    std::string senha;
};

Destino LerDestino(const std::string& dir) {
    const std::string caminho = Ini(dir);
    plat::IniFile ini(caminho);
    if (ini.Erro() == ENOENT)
        throw std::runtime_error(caminho + " not found; run 'pravolt-admin create " + dir +
                                 "' or write it first");
    if (ini.Erro() == EISDIR) throw std::runtime_error(caminho + " is a folder, not a file");
    if (!ini.Existe()) throw std::runtime_error("cannot read " + caminho + ": " + std::strerror(ini.Erro()));
    Destino d;
    d.acesso = ini.ReadString("Paths", "ACESSO", "ERRO");
    if (d.acesso == "ERRO" || d.acesso.empty())
        throw std::runtime_error(caminho + " names no access database ([Paths] ACESSO)");
    // The program resolves MONO: against its own folder, which holds Parametros.ini.
    if (d.acesso.size() >= 5 && plat::MaiusculasAscii(d.acesso.substr(0, 5)) == "MONO:")
        d.acesso = Absoluto(dir) + "/bdados/" + d.acesso.substr(5);
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

// ---- create and demo -----------------------------------------------------------------

// One database of the set: where, which, and how the command line named it.
struct Alvo {
    const char* nome;  // "access" or "main"
    esquema::Banco banco;
    std::string local;
    std::string argumento;  // "--db", "--acesso" or "DIR" (the default location)
    bool existe = false;
};

// What a run of create or demo has made, undone unless the run completes: the folders it
// created, the databases it is building or has put in place, the Parametros.ini it wrote.
class Instalacao {
public:
    Instalacao() = default;
    Instalacao(const Instalacao&) = delete;
    Instalacao& operator=(const Instalacao&) = delete;
    ~Instalacao() {
        if (!completa_) Desfazer();
    }

    // Creates the folder and its missing parents, remembering each one created.
    void CriarPasta(const fs::path& pasta) {
        std::vector<fs::path> novas;
        for (fs::path p = pasta; !p.empty() && !fs::exists(p); p = p.parent_path()) {
            novas.push_back(p);
            if (p == p.parent_path()) break;
        }
        for (auto it = novas.rbegin(); it != novas.rend(); ++it) {
            fs::create_directory(*it);
            pastas_.push_back(*it);
        }
    }

    esquema::NovoBanco& NovoBanco(const Alvo& alvo, const std::string& senha) {
        bancos_.push_back(std::make_unique<esquema::NovoBanco>(alvo.local, alvo.banco, "SYSDBA", senha));
        return *bancos_.back();
    }

    // Puts every database in place (each was complete before the first is moved).
    void ConcluirBancos() {
        for (auto& b : bancos_) b->Concluir();
    }

    // Writes Parametros.ini under a temporary name and links it into place, so a file that
    // appeared meanwhile is never replaced.
    void EscreverIni(const std::string& caminho, const std::string& bytes) {
        const std::string tmp = caminho + ".novo-" + std::to_string(::getpid());
        {
            std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
            f << bytes;
            f.close();
            if (!f) {
                std::error_code ec;
                fs::remove(tmp, ec);
                throw std::runtime_error("cannot write " + tmp);
            }
        }
        const int r = ::link(tmp.c_str(), caminho.c_str());
        const int erro = errno;
        std::error_code ec;
        fs::remove(tmp, ec);
        if (r != 0) throw std::runtime_error("cannot write " + caminho + ": " + std::strerror(erro));
        ini_ = caminho;
    }

    void Completar() { completa_ = true; }

private:
    void Desfazer() noexcept {
        std::error_code ec;
        if (!ini_.empty()) fs::remove(ini_, ec);
        for (auto it = bancos_.rbegin(); it != bancos_.rend(); ++it) (*it)->Desfazer();
        bancos_.clear();
        for (auto it = pastas_.rbegin(); it != pastas_.rend(); ++it) fs::remove(*it, ec);  // only when empty
    }

    std::vector<fs::path> pastas_;
    std::vector<std::unique_ptr<esquema::NovoBanco>> bancos_;
    std::string ini_;
    bool completa_ = false;
};

void CarregarDemo(esquema::NovoBanco& novo, const Alvo& alvo, const Argumentos& a) {
    auto t0 = std::chrono::steady_clock::now();
    std::cout << "Loading demonstration data into the " << alvo.nome << " database..." << std::endl;
    if (alvo.banco == esquema::Banco::Acesso) {
        demo::PreencherAcesso(novo.Conn());
        return;
    }
    demo::Opcoes op;
    if (a.escala) op.fichas = *a.escala;
    op.progresso = [](const std::string& s) { std::cout << s << std::endl; };
    demo::Resumo r = demo::PreencherPrincipal(novo.Conn(), op);
    auto s = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t0);
    std::cout << "  " << r.terceirizados << " workshops, " << r.fichas << " tickets (" << r.itens
              << " order items, " << r.grades << " sizes, " << r.subfichas << " sub-tickets), " << r.externos
              << " dispatches (" << r.externosAbertos << " still out), " << r.producao << " progress rows in "
              << s.count() << " s" << std::endl;
}

int CriarTudo(const Argumentos& a, bool comDemo) {
    ExigirPosicionais(a, 1, "DIR");
    if (a.escala && !comDemo) throw ErroUso("--scale belongs to 'demo'");
    ExigirTexto("DIR", a.posicionais[0]);
    if (a.db) ExigirTexto("--db", *a.db);
    if (a.acesso) ExigirTexto("--acesso", *a.acesso);
    if (a.chave) ExigirTexto("--chave", *a.chave);
    const std::string dir = Absoluto(a.posicionais[0]);
    const std::string chave = a.chave.value_or("1");
    const std::string senha = esquema::SenhaPorChave(chave);
    Alvo acesso{"access", esquema::Banco::Acesso, a.acesso.value_or(dir + "/bdados/ACESSO.FDB"),
                a.acesso ? "--acesso" : "DIR"};
    Alvo principal{"main", esquema::Banco::Principal, a.db.value_or(dir + "/bdados/PRAVOLT.FDB"),
                   a.db ? "--db" : "DIR"};
    if (principal.local == acesso.local)
        throw ErroUso(
            "--db and --acesso name one location; the main and the access database must be two databases");

    // What Parametros.ini will hold must read back as given: the reader trims blanks and
    // takes quotes off a value.
    const std::string textoIni = TextoIni(principal.local, acesso.local, chave);
    const plat::IniFile lido = plat::IniFile::DeTexto(textoIni);
    auto conferir = [&](const char* secao, const char* nome, const std::string& valor,
                        const std::string& arg) {
        if (lido.ReadString(secao, nome, "") != valor)
            throw ErroUso(arg + " would not read back from Parametros.ini as given ('" + Visivel(valor) +
                          "'): blanks or quotes around it are not kept");
    };
    conferir("Paths", "DB", principal.local, principal.argumento);
    conferir("Paths", "ACESSO", acesso.local, acesso.argumento);
    conferir("Banco", "CHAVE", chave, "--chave");

    if (fs::exists(dir) && !fs::is_directory(dir)) throw std::runtime_error(dir + " is not a folder");
    const std::string ini = Ini(dir);
    const bool iniExiste = fs::exists(ini);
    if (iniExiste && !fs::is_regular_file(ini))
        throw std::runtime_error(ini + " exists but is not a file; nothing was written");

    // Work files of a run that was killed.
    for (const Alvo* alvo : {&acesso, &principal})
        for (const esquema::Sobra& s : esquema::RemoverSobras(alvo->local))
            std::cout << "Removed " << s.caminho << ", left by an interrupted run (process " << s.processo
                      << " has ended)" << std::endl;

    // Only a database of this schema is left alone; anything else at a location, or a
    // database that cannot be checked, stops the run before it writes anything.
    for (Alvo* alvo : {&acesso, &principal}) {
        const esquema::ExameLocal exame = esquema::Examinar(alvo->local, alvo->banco, "SYSDBA", senha);
        const std::string nome = alvo->argumento == "DIR"
                                     ? std::string("the ") + alvo->nome + " database location"
                                     : alvo->argumento;
        if (exame.ocupacao == esquema::Ocupacao::EmUso)
            throw std::runtime_error(nome + " " + alvo->local + " cannot be checked: " + exame.motivo +
                                     " (pravolt?). Close it and run again; nothing was written");
        if (exame.ocupacao == esquema::Ocupacao::Outra)
            throw std::runtime_error(nome + " " + alvo->local + " is not " +
                                     (alvo->banco == esquema::Banco::Acesso ? "an " : "a ") + alvo->nome +
                                     " database of pravolt: " + exame.motivo +
                                     ". It was left as it is and nothing was written");
        alvo->existe = exame.ocupacao == esquema::Ocupacao::DoEsquema;
        if (alvo->existe)
            std::cout << "The " << alvo->nome
                      << " database already exists and was left as it is: " << alvo->local << std::endl;
    }

    Instalacao inst;
    try {
        inst.CriarPasta(dir);
        for (const Alvo* alvo : {&acesso, &principal}) {
            if (alvo->existe) continue;
            if (esquema::LocalEmbutido(alvo->local) && fs::path(alvo->local).has_parent_path())
                inst.CriarPasta(fs::path(alvo->local).parent_path());
            esquema::NovoBanco& novo = inst.NovoBanco(*alvo, senha);
            if (comDemo) CarregarDemo(novo, *alvo, a);
        }
        inst.ConcluirBancos();
        if (!iniExiste) inst.EscreverIni(ini, textoIni);
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string(e.what()) + "\nNothing this run made was left behind.");
    }
    inst.Completar();

    for (const Alvo* alvo : {&acesso, &principal})
        if (!alvo->existe)
            std::cout << "Created the " << alvo->nome << " database: " << alvo->local << std::endl;
    if (iniExiste)
        std::cout << ini << " already exists and was not changed" << std::endl;
    else
        std::cout << "Wrote " << ini << std::endl;
    if (comDemo) {
        std::cout << "Users (password):";
        for (int i = 0; i < demo::kQuantidadeUsuarios; ++i)
            std::cout << " " << demo::kUsuarios[i].nome << " (" << demo::kUsuarios[i].senha << ")";
        std::cout << std::endl;
    }
    return kOk;
}

// ---- maintenance -----------------------------------------------------------------------

int DefinirSenha(const Argumentos& a) {
    ExigirPosicionais(a, 3, "DIR USER PASSWORD");
    SemOpcoes(a);
    ExigirTexto("DIR", a.posicionais[0]);
    ExigirTexto("USER", a.posicionais[1]);
    ExigirTexto("PASSWORD", a.posicionais[2]);
    ExigirCp1252("USER", a.posicionais[1]);
    ExigirCp1252("PASSWORD", a.posicionais[2]);
    const std::string usuario = Maiusculas(a.posicionais[1]);
    const std::string senha = a.posicionais[2];
    const std::size_t tamUsuario = plat::Utf8ParaCp1252(usuario).size();
    const std::size_t tamSenha = plat::Utf8ParaCp1252(senha).size();
    if (tamUsuario > kCaracteresSenha)
        throw ErroUso("USER has " + std::to_string(tamUsuario) + " characters; at most " +
                      std::to_string(kCaracteresSenha) + " are allowed");
    if (tamSenha > kCaracteresSenha)
        throw ErroUso("PASSWORD has " + std::to_string(tamSenha) + " characters; at most " +
                      std::to_string(kCaracteresSenha) +
                      " are allowed (the password formatting would use only the first " +
                      std::to_string(kCaracteresSenha) + ")");

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
    ExigirTexto("DIR", a.posicionais[0]);
    const std::string local = a.posicionais[1];
    ExigirTexto("LOCATION", local, true);
    ExigirCp1252("LOCATION", local);
    const std::string bytes = plat::Utf8ParaCp1252(local);
    if (bytes.size() > cifra::kTamanhoMaximo)
        throw ErroUso("LOCATION has " + std::to_string(bytes.size()) + " characters; at most " +
                      std::to_string(cifra::kTamanhoMaximo) + " are allowed");

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
    // The Firebird client converts database file names through the locale.
    plat::AdotarLocaleUtf8();
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        if (PedeAjuda(args)) {
            std::cout << kAjuda;
            return kOk;
        }
        Argumentos a = Analisar(args);
        if (a.comando == "demo") return CriarTudo(a, true);
        if (a.comando == "create") return CriarTudo(a, false);
        if (a.comando == "set-password") return DefinirSenha(a);
        if (a.comando == "set-location") return DefinirLocal(a);
        throw ErroUso("unknown command '" + Visivel(a.comando) + "'");
    } catch (const ErroUso& e) {
        std::cerr << "pravolt-admin: " << e.what() << "; see 'pravolt-admin --help'" << std::endl;
        return kUsoInvalido;
    } catch (const std::exception& e) {
        std::cerr << "pravolt-admin: " << e.what() << std::endl;
        return kFalha;
    }
}
