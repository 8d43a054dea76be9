#include "shell/UEsquema.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include "db/Error.h"
#include "db/Query.h"
#include "db/ScriptRunner.h"
#include "platform/Texto.h"

namespace esquema {
namespace embutido {
// Generated at build time from sql/*.sql (cmake/EmbedSql.cmake).
struct Arquivo {
    const char* nome;
    const char* texto;
    std::size_t tamanho;
};
extern const Arquivo kArquivos[];
}  // namespace embutido

namespace {

// Firebird status codes of a file the server cannot open, and of a database another
// process has open in-process.
constexpr std::intptr_t kIoError = 335544344;
constexpr std::intptr_t kIoOpenErr = 335544734;
constexpr std::intptr_t kJaAberto = 335545107;

constexpr int kTamanhoPagina = 16384;

// The first words of a statement, upper-cased, comments and blanks skipped.
std::string Cabeca(const std::string& sql) {
    std::string r;
    std::size_t i = 0, n = sql.size();
    int palavras = 0;
    while (i < n && palavras < 3) {
        if (sql.compare(i, 2, "/*") == 0) {
            std::size_t f = sql.find("*/", i + 2);
            i = f == std::string::npos ? n : f + 2;
        } else if (sql.compare(i, 2, "--") == 0) {
            std::size_t f = sql.find('\n', i);
            i = f == std::string::npos ? n : f + 1;
        } else if (std::isspace(static_cast<unsigned char>(sql[i]))) {
            ++i;
        } else {
            if (!r.empty()) r += ' ';
            while (i < n && !std::isspace(static_cast<unsigned char>(sql[i])) && sql[i] != ';')
                r += plat::MaiusculaAscii(sql[i++]);
            ++palavras;
        }
    }
    return r;
}

// Commands of the interactive tool that are not SQL.
bool ComandoDoCliente(const std::string& cabeca) {
    for (const char* c : {"SET SQL DIALECT", "SET NAMES", "SET AUTODDL", "SET TERM", "SET ECHO", "SET BAIL"})
        if (cabeca.rfind(c, 0) == 0) return true;
    return cabeca.empty() || cabeca.rfind("CREATE DATABASE", 0) == 0 || cabeca.rfind("CONNECT", 0) == 0;
}

// The statement's first line without comments, for error messages.
std::string Resumo(const std::string& sql) {
    std::string s = sql;
    for (std::size_t p; (p = s.find("/*")) != std::string::npos;) {
        std::size_t f = s.find("*/", p + 2);
        s.erase(p, f == std::string::npos ? std::string::npos : f + 2 - p);
    }
    std::size_t ini = s.find_first_not_of(" \t\r\n");
    if (ini == std::string::npos) return "";
    std::size_t fim = s.find('\n', ini);
    std::string linha = s.substr(ini, fim == std::string::npos ? std::string::npos : fim - ini);
    while (!linha.empty() && (linha.back() == '\r' || linha.back() == ' ')) linha.pop_back();
    return linha.size() > 80 ? linha.substr(0, 77) + "..." : linha;
}

std::unique_ptr<db::Connection> NovaConexao(const std::string& local, const std::string& usuario,
                                            const std::string& senha) {
    auto c = std::make_unique<db::Connection>();
    c->SetDatabase(local);
    c->SetUserName(usuario);
    c->SetPassword(senha);
    c->SetSqlDialect(3);
    return c;
}

// The name a plain-path database is built under before it is moved into place.
std::string NomeTrabalho(const std::string& local, long processo) {
    return local + ".novo-" + std::to_string(processo);
}

// The tables that the base script of a database creates, upper-cased.
std::set<std::string> TabelasDoEsquema(Banco banco) {
    const std::string nome = banco == Banco::Acesso ? "acesso.sql" : "principal.sql";
    auto texto = Script(nome);
    if (!texto) throw db::Error("the schema script " + nome + " is not part of this build");
    std::set<std::string> tabelas;
    for (const std::string& comando : db::ScriptRunner::Split(*texto)) {
        const std::string cabeca = Cabeca(comando);
        if (cabeca.rfind("CREATE TABLE ", 0) == 0) tabelas.insert(cabeca.substr(13, cabeca.find('(') - 13));
    }
    return tabelas;
}

// The first line of a database message, for a short reason.
std::string PrimeiraLinha(const std::string& texto) {
    return texto.substr(0, texto.find('\n'));
}

}  // namespace

EBancoExiste::EBancoExiste(const std::string& local)
    : std::runtime_error("a database already exists at " + local + "; it was left as it is"),
      local_(local) {}

std::optional<std::string_view> Script(std::string_view nome) {
    for (const embutido::Arquivo* a = embutido::kArquivos; a->nome; ++a)
        if (nome == a->nome) return std::string_view(a->texto, a->tamanho);
    return std::nullopt;
}

std::vector<std::string> NomesScripts() {
    std::vector<std::string> nomes;
    for (const embutido::Arquivo* a = embutido::kArquivos; a->nome; ++a) nomes.emplace_back(a->nome);
    std::sort(nomes.begin(), nomes.end());
    return nomes;
}

std::vector<std::string> ScriptsDoBanco(Banco banco) {
    std::vector<std::string> lista;
    if (banco == Banco::Acesso) {
        lista.push_back("acesso.sql");
    } else {
        lista.push_back("principal.sql");
        // The shared data modules' tables and the columns they add to the main tables.
        if (Script("modulos.sql")) lista.push_back("modulos.sql");
    }
    return lista;
}

std::string SenhaPorChave(const std::string& chave) {
    // The same choice as the system object's (compared exactly).
    if (chave == "1") return "quindrape";
    if (chave == "2") return "tolbre37";
    if (chave == "3") return "TolBre37";
    return "toLbrE37";
}

bool LocalEmbutido(const std::string& local) {
    auto p = local.find(':');
    if (p == std::string::npos) return true;
    // "C:\dados\x.fdb": a drive letter, not a host.
    return p == 1 && local.size() > 2 && (local[2] == '\\' || local[2] == '/');
}

bool Existe(const std::string& local, const std::string& usuario, const std::string& senha) {
    if (LocalEmbutido(local)) {
        std::error_code ec;
        return std::filesystem::exists(local, ec);
    }
    auto c = NovaConexao(local, usuario, senha);
    try {
        c->Open();
    } catch (const db::Error& e) {
        if (e.Contem(kIoError) || e.Contem(kIoOpenErr)) return false;
        throw;
    }
    c->Close();
    return true;
}

ExameLocal Examinar(const std::string& local, Banco banco, const std::string& usuario,
                    const std::string& senha) {
    if (LocalEmbutido(local)) {
        std::error_code ec;
        const auto st = std::filesystem::status(local, ec);
        if (!std::filesystem::exists(st)) return {};
        if (std::filesystem::is_directory(st)) return {Ocupacao::Outra, "it is a folder"};
        if (!std::filesystem::is_regular_file(st)) return {Ocupacao::Outra, "it is not a regular file"};
    }
    auto c = NovaConexao(local, usuario, senha);
    try {
        c->Open();
    } catch (const db::Error& e) {
        if (!LocalEmbutido(local) && (e.Contem(kIoError) || e.Contem(kIoOpenErr))) return {};
        if (!LocalEmbutido(local)) throw;
        if (e.Contem(kJaAberto)) return {Ocupacao::EmUso, "another program has it open"};
        return {Ocupacao::Outra, "it does not open as a database: " + PrimeiraLinha(e.what())};
    }
    std::set<std::string> faltam = TabelasDoEsquema(banco);
    {
        db::Query q(*c);
        q.SetSQL("select RDB$RELATION_NAME from RDB$RELATIONS where coalesce(RDB$SYSTEM_FLAG, 0) = 0");
        q.Open();
        for (; !q.Eof(); q.Next()) {
            std::string nome = q.Field(0).AsString();
            while (!nome.empty() && nome.back() == ' ') nome.pop_back();
            faltam.erase(nome);
        }
    }
    c->Close();
    if (faltam.empty()) return {Ocupacao::DoEsquema, {}};
    return {Ocupacao::Outra,
            "it is a database without table " + *faltam.begin() +
                (faltam.size() > 1 ? " (and " + std::to_string(faltam.size() - 1) + " more)" : "")};
}

std::vector<Sobra> RemoverSobras(const std::string& local) {
    std::vector<Sobra> removidas;
    if (!LocalEmbutido(local)) return removidas;
    namespace fs = std::filesystem;
    const fs::path alvo(local);
    const std::string prefixo = alvo.filename().string() + ".novo-";
    const fs::path pasta = alvo.has_parent_path() ? alvo.parent_path() : fs::path(".");
    std::error_code ec;
    for (fs::directory_iterator it(pasta, ec), fim; !ec && it != fim; it.increment(ec)) {
        const std::string nome = it->path().filename().string();
        if (nome.size() <= prefixo.size() || nome.compare(0, prefixo.size(), prefixo) != 0) continue;
        const std::string numero = nome.substr(prefixo.size());
        if (numero.size() > 9 || numero.find_first_not_of("0123456789") != std::string::npos) continue;
        const long processo = std::stol(numero);
        // Only a process that no longer exists left it; a running creation keeps its file.
        if (processo <= 0 || processo == ::getpid() || ::kill(static_cast<pid_t>(processo), 0) == 0 ||
            errno != ESRCH)
            continue;
        std::error_code erro;
        if (fs::remove(it->path(), erro)) removidas.push_back({it->path().string(), processo});
    }
    return removidas;
}

void AplicarEsquema(db::Connection& conn, Banco banco) {
    for (const std::string& nome : ScriptsDoBanco(banco)) {
        auto texto = Script(nome);
        if (!texto) throw db::Error("the schema script " + nome + " is not part of this build");
        // The script runner's splitting (terminators, SET TERM), with every statement of a
        // script in one transaction: a commit per statement costs the disk a flush each,
        // which made the main database's creation several times slower.
        db::Transaction tr = conn.StartTransaction();
        for (const std::string& comando : db::ScriptRunner::Split(*texto)) {
            const std::string cabeca = Cabeca(comando);
            if (ComandoDoCliente(cabeca)) continue;
            if (cabeca == "COMMIT") {
                tr.Commit();
                tr = conn.StartTransaction();
                continue;
            }
            db::Query q(conn);
            q.SetParamCheck(false);  // procedure bodies name their variables with ':'
            q.SetTransaction(&tr);
            q.SetSQL(comando);
            try {
                q.ExecSQL();
            } catch (const db::Error& e) {
                throw db::Error(nome + ", statement \"" + Resumo(comando) + "\": " + e.what(), e.Codigos(),
                                e.SqlState());
            }
        }
        try {
            tr.Commit();
        } catch (const db::Error& e) {
            throw db::Error(nome + ": " + e.what(), e.Codigos(), e.SqlState());
        }
    }
}

NovoBanco::NovoBanco(const std::string& local, Banco banco, const std::string& usuario,
                     const std::string& senha)
    : local_(local) {
    if (Existe(local, usuario, senha)) throw EBancoExiste(local);
    localTrabalho_ = local;
    if (LocalEmbutido(local)) {
        std::filesystem::path destino(local);
        if (destino.has_parent_path()) std::filesystem::create_directories(destino.parent_path());
        localTrabalho_ = NomeTrabalho(local, ::getpid());
        std::error_code ec;
        std::filesystem::remove(localTrabalho_, ec);
    }
    conn_ = NovaConexao(localTrabalho_, usuario, senha);
    conn_->CreateDatabase(kTamanhoPagina);
    try {
        AplicarEsquema(*conn_, banco);
    } catch (...) {
        Descartar();
        throw;
    }
}

NovoBanco::~NovoBanco() {
    if (!concluido_) Descartar();
}

void NovoBanco::Descartar() noexcept {
    try {
        if (conn_ && conn_->Connected()) conn_->DropDatabase();
    } catch (...) {
    }
    if (conn_) conn_->Close();
    if (LocalEmbutido(localTrabalho_) && localTrabalho_ != local_) {
        std::error_code ec;
        std::filesystem::remove(localTrabalho_, ec);
    }
}

void NovoBanco::Concluir() {
    if (concluido_) return;
    conn_->Close();
    if (localTrabalho_ != local_) {
        // link() refuses an existing name, so a database that appeared meanwhile is kept.
        if (::link(localTrabalho_.c_str(), local_.c_str()) != 0) {
            int erro = errno;
            std::error_code ec;
            std::filesystem::remove(localTrabalho_, ec);
            concluido_ = true;
            if (erro == EEXIST) throw EBancoExiste(local_);
            throw std::runtime_error("cannot place the database at " + local_ + ": " +
                                     std::strerror(erro));
        }
        std::error_code ec;
        std::filesystem::remove(localTrabalho_, ec);
    }
    concluido_ = true;
}

void NovoBanco::Desfazer() noexcept {
    if (!concluido_) {
        Descartar();
        concluido_ = true;
        return;
    }
    if (LocalEmbutido(local_)) {
        std::error_code ec;
        std::filesystem::remove(local_, ec);
        return;
    }
    try {
        conn_->Open();
        conn_->DropDatabase();
    } catch (...) {
    }
    conn_->Close();
}

void CriarBanco(const std::string& local, Banco banco, const std::string& usuario,
                const std::string& senha) {
    NovoBanco novo(local, banco, usuario, senha);
    novo.Concluir();
}

}  // namespace esquema
