#include "db/Connection.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <optional>

#include "db/FbDetail.h"
#include "db/PastaTravas.h"
#include "platform/Cp1252.h"

using namespace Firebird;

namespace db {
namespace detail {

IMaster* Master() {
    static IMaster* m = (PrepararPastaTravas(), fb_get_master_interface());
    return m;
}
IUtil* Util() {
    static IUtil* u = Master()->getUtilInterface();
    return u;
}

namespace {
// Status objects are reused: creating one per call costs more than most calls.
thread_local std::vector<Ref<IStatus>> t_statusLivres;

// Fault injection state (tests only; one thread).
struct EstadoFalhas {
    long alvo = 0;
    long contadas = 0;
    bool disparou = false;
    Falhas::Tipo tipo = Falhas::Tipo::Erro;
};
EstadoFalhas g_estadoFalhas;
}  // namespace

StatusPooled::StatusPooled() {
    if (t_statusLivres.empty()) {
        own_ = Ref<IStatus>(Master()->getStatus());
    } else {
        own_ = std::move(t_statusLivres.back());
        t_statusLivres.pop_back();
    }
    raw_ = own_.get();
}
StatusPooled::~StatusPooled() {
    raw_->init();
    if (t_statusLivres.size() < 16) t_statusLivres.push_back(std::move(own_));
}

void Falhas::Armar(long n, Tipo tipo) noexcept {
    g_estadoFalhas = {n, 0, false, tipo};
    g_falhasLigadas = true;
}
void Falhas::Contar() noexcept { Armar(0); }
void Falhas::Desarmar() noexcept { g_falhasLigadas = false; }
long Falhas::Chamadas() noexcept { return g_estadoFalhas.contadas; }
bool Falhas::Disparou() noexcept { return g_estadoFalhas.disparou; }

bool Falhas::Contabilizar(IStatus* st) noexcept {
    auto& f = g_estadoFalhas;
    if (++f.contadas != f.alvo) return false;
    f.disparou = true;
    if (f.tipo == Tipo::Erro) {
        static const intptr_t v[] = {isc_arg_gds, isc_random, isc_arg_string,
                                     reinterpret_cast<intptr_t>(kTexto), isc_arg_end};
        st->setErrors(v);
    } else {
        static const intptr_t v[] = {isc_arg_gds, isc_lost_db_connection, isc_arg_end};
        st->setErrors(v);
    }
    return true;
}

Error ErroDoStatus(IStatus* st) {
    char buf[2048];
    Util()->formatStatus(buf, sizeof buf, st);
    std::string msg = FromDb(buf);
    std::vector<std::intptr_t> codes;
    std::string sqlState;
    const intptr_t* v = st->getErrors();
    while (v && *v != isc_arg_end) {
        intptr_t tipo = v[0];
        if (tipo == isc_arg_gds) {
            codes.push_back(v[1]);
            v += 2;
        } else if (tipo == isc_arg_cstring) {
            v += 3;
        } else if (tipo == isc_arg_sql_state) {
            if (sqlState.empty() && v[1]) sqlState = reinterpret_cast<const char*>(v[1]);
            v += 2;
        } else {
            v += 2;
        }
    }
    if (sqlState.empty() && st->getErrors()) {
        char sqlst[6] = {};
        fb_sqlstate(sqlst, st->getErrors());
        sqlState.assign(sqlst, strnlen(sqlst, 5));
    }
    return Error(msg, std::move(codes), std::move(sqlState));
}

std::string ToDb(std::string_view utf8) {
    try {
        return plat::Utf8ParaCp1252(utf8);
    } catch (const std::invalid_argument& e) {
        throw Error(std::string("Text cannot be stored in the database's character set: ") + e.what());
    }
}
std::string FromDb(std::string_view raw) { return plat::Cp1252ParaUtf8(raw); }

bool LocalServidor(std::string_view loc) noexcept {
    if (loc.find("://") != std::string_view::npos) return true;  // inet://host/path and the like
    const std::size_t dois = loc.find(':');
    if (dois == std::string_view::npos || dois == 0) return false;
    // "host:path" or "host/port:path"; a path (absolute or relative) is embedded
    return loc[0] != '/' && loc[0] != '.';
}

void TransacaoPerdida() { throw Error("Transaction lost with its connection", {isc_lost_db_connection}, "08003"); }

ITransaction* TransacaoDe(ConnectionImpl& c, const Transaction& tr) {
    auto* ti = tr.Impl();
    if (!ti || !ti->tra) throw Error("Transaction is not active");
    if (ti->generation != c.generation || !c.att) TransacaoPerdida();
    return ti->tra.get();
}

// ---- StatementCache -------------------------------------------------------------------------
StatementRef StatementCache::Find(const std::string& text) {
    auto it = byText_.find(text);
    if (it == byText_.end()) return nullptr;
    StatementRef p = it->second;
    lru_.splice(lru_.begin(), lru_, p->lugar);
    return p;
}

void StatementCache::Add(const StatementRef& p) {
    while (lru_.size() >= Connection::kStatementCacheSize) Evict(lru_.back());
    lru_.push_front(p);
    p->lugar = lru_.begin();
    p->emCache = true;
    byText_[p->text] = p;
}

void StatementCache::Touch(const StatementRef& p) {
    if (p->emCache) {
        lru_.splice(lru_.begin(), lru_, p->lugar);
    } else if (byText_.find(p->text) == byText_.end()) {
        Add(p);  // evicted while its holder kept it: in use, so the newest again
    }
}

void StatementCache::Evict(const StatementRef& victim) noexcept {
    StatementRef p = victim;  // keeps it alive while it leaves both indexes
    byText_.erase(p->text);
    lru_.erase(p->lugar);
    p->emCache = false;
}

void StatementCache::Clear() noexcept {
    byText_.clear();
    std::list<StatementRef> fora;
    fora.swap(lru_);
    for (auto& p : fora) p->emCache = false;
    // statements nobody else holds are freed here, as `fora` goes
}

// ---- ConnectionImpl ---------------------------------------------------------------------
void ConnectionImpl::CheckLost(const Error& e) noexcept {
    if (e.ConexaoPerdida() && att) DropAttachment();
}

namespace {
void RunAll(std::vector<std::function<void()>>& acts) noexcept {
    auto v = std::move(acts);
    acts.clear();
    for (auto& f : v) try {
            f();
        } catch (...) {
        }
}
}  // namespace

void ConnectionImpl::DropAttachment() noexcept {
    ++generation;
    cache.Clear();  // stale statements only release their interfaces
    for (TransactionImpl* t : std::set<TransactionImpl*>(transactions)) {
        t->tra.Reset();
        t->onCommit.clear();
        RunAll(t->onRollback);
    }
    transactions.clear();
    att.Reset();
}

void ConnectionImpl::Detach() noexcept {
    if (!att) return;
    // Roll back what is still open.
    for (TransactionImpl* t : std::set<TransactionImpl*>(transactions)) {
        EncerrarQuieto(t->tra, [](ITransaction* x, QuietStatus* s) { x->rollback(s); });
        t->onCommit.clear();
        RunAll(t->onRollback);
    }
    transactions.clear();
    cache.Clear();  // freed while attached (same generation)
    ++generation;   // statements still held by queries only release now
    EncerrarQuieto(att, [](IAttachment* a, QuietStatus* s) { a->detach(s); });
}

Ref<ITransaction> ConnectionImpl::Start(Isolation iso, bool readOnly) {
    if (!att) self->Open();
    // The parameter block written directly: a handful of bytes, built for every statement
    // that runs in a transaction of its own.
    unsigned char tpb[16];
    unsigned n = 0;
    tpb[n++] = isc_tpb_version3;
    tpb[n++] = readOnly ? isc_tpb_read : isc_tpb_write;
    switch (iso) {
        case Isolation::ReadCommitted:
            tpb[n++] = isc_tpb_read_committed;
            tpb[n++] = isc_tpb_rec_version;
            break;
        case Isolation::Snapshot: tpb[n++] = isc_tpb_concurrency; break;
        case Isolation::SnapshotTableStability: tpb[n++] = isc_tpb_consistency; break;
    }
    tpb[n++] = waitOnLocks ? isc_tpb_wait : isc_tpb_nowait;
    if (waitOnLocks && lockTimeout > 0) {
        tpb[n++] = isc_tpb_lock_timeout;
        tpb[n++] = 4;
        for (int i = 0; i < 4; ++i) tpb[n++] = static_cast<unsigned char>(static_cast<unsigned>(lockTimeout) >> (8 * i));
    }
    try {
        return Obter([&](auto* s) { return att->startTransaction(s, n, tpb); });
    } catch (const Error& e) {
        CheckLost(e);
        throw;
    }
}

namespace {
DataType TipoColuna(const MessageLayout::Item& it) {
    switch (it.type) {
        case SQL_TEXT:
        case SQL_VARYING: return DataType::String;
        case SQL_SHORT: return it.scale ? DataType::Decimal : DataType::SmallInt;
        case SQL_LONG: return it.scale ? DataType::Decimal : DataType::Integer;
        case SQL_INT64: return it.scale ? DataType::Decimal : DataType::LargeInt;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT: return DataType::Float;
        case SQL_TIMESTAMP: return DataType::DateTime;
        case SQL_TYPE_DATE: return DataType::Date;
        case SQL_TYPE_TIME: return DataType::Time;
        case SQL_BLOB: return it.subType == 1 ? DataType::Memo : DataType::Blob;
        case SQL_BOOLEAN: return DataType::Boolean;
        default: return DataType::Unknown;
    }
}
}  // namespace

StatementRef ConnectionImpl::Acquire(const std::string& text, ITransaction* tra) {
    if (StatementRef p = cache.Find(text)) return p;
    auto p = std::make_shared<PreparedStatement>();
    p->text = text;
    p->generation = generation;
    p->owner = self->SharedImpl();
    try {
        const std::string sql = ToDb(text);
        p->stmt = Obter([&](auto* s) {
            return att->prepare(s, tra, static_cast<unsigned>(sql.size()), sql.c_str(),
                                static_cast<unsigned>(dialect), IStatement::PREPARE_PREFETCH_METADATA);
        });
        ++prepares;
        Status st;
        p->type = p->stmt->getType(&st);
        p->hasCursor = (p->stmt->getFlags(&st) & IStatement::FLAG_HAS_CURSOR) != 0;
        p->in.Load(Obter([&](auto* s) { return p->stmt->getInputMetadata(s); }));
        p->out.Load(Obter([&](auto* s) { return p->stmt->getOutputMetadata(s); }));
        IMessageMetadata* m = p->out.meta.get();
        for (unsigned i = 0; i < p->out.items.size(); ++i) {
            const auto& it = p->out.items[i];
            ColumnInfo c;
            c.name = FromDb(m->getAlias(&st, i));
            c.originField = FromDb(m->getField(&st, i));
            c.originTable = FromDb(m->getRelation(&st, i));
            c.nullable = m->isNullable(&st, i);
            c.scale = -it.scale;
            c.subType = it.subType;
            c.size = static_cast<int>(it.length);
            c.type = TipoColuna(it);
            c.fixedChar = it.type == SQL_TEXT;
            p->columns.push_back(std::move(c));
        }
    } catch (const Error& e) {
        CheckLost(e);
        throw;
    }
    if (p->type == isc_info_sql_stmt_insert) {
        std::string up = UpperCase(text);
        p->singleRowInsert = up.find("SELECT") == std::string::npos && up.find("VALUES") != std::string::npos;
    }
    p->somenteLeitura = p->type == isc_info_sql_stmt_select;
    cache.Add(p);
    return p;
}

// ---- MessageLayout / PreparedStatement / TransactionImpl ---------------------------------
void MessageLayout::Load(Ref<IMessageMetadata> m) {
    meta = std::move(m);
    items.clear();
    length = 0;
    if (!meta) return;
    Status st;
    IMessageMetadata* md = meta.get();
    unsigned n = md->getCount(&st);
    items.resize(n);
    for (unsigned i = 0; i < n; ++i) {
        auto& it = items[i];
        it.type = md->getType(&st, i) & ~1u;
        it.subType = md->getSubType(&st, i);
        it.scale = md->getScale(&st, i);
        it.length = md->getLength(&st, i);
        it.offset = md->getOffset(&st, i);
        it.nullOffset = md->getNullOffset(&st, i);
        it.charSet = md->getCharSet(&st, i);
    }
    length = md->getMessageLength(&st);
}

PreparedStatement::~PreparedStatement() {
    if (!stmt) return;
    auto c = owner.lock();
    if (c && c->att && c->generation == generation)
        EncerrarQuieto(stmt, [](IStatement* s, QuietStatus* st) { s->free(st); });
    else
        stmt.Reset();
}

TransactionImpl::~TransactionImpl() {
    auto c = conn.lock();
    if (tra) {
        if (c && c->att && c->generation == generation)
            EncerrarQuieto(tra, [](ITransaction* t, QuietStatus* s) { t->rollback(s); });
        else
            tra.Reset();
        onCommit.clear();
        RunAll(onRollback);
    }
    if (c) c->transactions.erase(this);
}

}  // namespace detail

// ---- Connection ---------------------------------------------------------------------------
using detail::Status;

Connection::Connection() : impl_(std::make_shared<detail::ConnectionImpl>()) { impl_->self = this; }

Connection::~Connection() { Close(); }

void Connection::SetDatabase(std::string location) { impl_->database = std::move(location); }
const std::string& Connection::Database() const noexcept { return impl_->database; }
void Connection::SetUserName(std::string user) { impl_->user = std::move(user); }
const std::string& Connection::UserName() const noexcept { return impl_->user; }
void Connection::SetPassword(std::string password) { impl_->password = std::move(password); }
const std::string& Connection::Password() const noexcept { return impl_->password; }
void Connection::SetRole(std::string role) { impl_->role = std::move(role); }
void Connection::SetSqlDialect(int dialect) { impl_->dialect = dialect == 1 ? 1 : 3; }
int Connection::SqlDialect() const noexcept { return impl_->dialect; }
void Connection::SetWaitOnLocks(bool wait) { impl_->waitOnLocks = wait; }
bool Connection::WaitOnLocks() const noexcept { return impl_->waitOnLocks; }
void Connection::SetLockTimeout(int seconds) { impl_->lockTimeout = seconds < 0 ? 0 : seconds; }
void Connection::SetIsolation(Isolation iso) { impl_->isolation = iso; }
Isolation Connection::GetIsolation() const noexcept { return impl_->isolation; }
bool Connection::Connected() const noexcept { return static_cast<bool>(impl_->att); }
std::uint64_t Connection::PrepareCount() const noexcept { return impl_->prepares; }
std::uint64_t Connection::AttachCount() const noexcept { return impl_->attaches; }

std::size_t Connection::CachedStatements() const noexcept { return impl_->cache.Size(); }

void Connection::SetConnectTimeout(int seconds) {
    impl_->connectTimeout = seconds < 0 ? 0 : std::min(seconds, kConnectTimeout);
}

int Connection::ConnectTimeout() const noexcept {
    if (impl_->connectTimeout > 0) return impl_->connectTimeout;
    if (const char* e = std::getenv("PRAVOLT_CONNECT_TIMEOUT")) {
        char* fim = nullptr;
        long v = std::strtol(e, &fim, 10);
        if (fim != e && *fim == '\0' && v >= 1 && v <= kConnectTimeout) return static_cast<int>(v);
    }
    return kConnectTimeout;
}

namespace {
constexpr std::intptr_t kConexaoRecusada = 335544421;  // isc_connect_reject

// Locations that did not answer while a MemoriaSemResposta lives, with their error.
struct Memoria {
    std::mutex m;
    int ativas = 0;
    std::map<std::string, Error> locais;
};
Memoria& MemoriaGlobal() {
    static Memoria m;
    return m;
}

std::optional<Error> Lembrada(const std::string& local) {
    Memoria& mem = MemoriaGlobal();
    std::lock_guard<std::mutex> l(mem.m);
    auto it = mem.locais.find(local);
    if (it == mem.locais.end()) return std::nullopt;
    return it->second;
}

void Lembrar(const std::string& local, const Error& e) {
    Memoria& mem = MemoriaGlobal();
    std::lock_guard<std::mutex> l(mem.m);
    if (mem.ativas > 0) mem.locais.insert_or_assign(local, e);
}

detail::Ref<IXpbBuilder> MakeDpb(const Connection& conn, int pageSize, bool forcedWrites) {
    const detail::ConnectionImpl& c = conn.Impl();
    Status st;
    auto dpb = detail::Obter([](auto* s) { return detail::Util()->getXpbBuilder(s, IXpbBuilder::DPB, nullptr, 0); });
    if (!c.user.empty()) dpb->insertString(&st, isc_dpb_user_name, detail::ToDb(c.user).c_str());
    if (!c.password.empty()) dpb->insertString(&st, isc_dpb_password, detail::ToDb(c.password).c_str());
    if (!c.role.empty()) dpb->insertString(&st, isc_dpb_sql_role_name, detail::ToDb(c.role).c_str());
    dpb->insertString(&st, isc_dpb_lc_ctype, "NONE");
    dpb->insertInt(&st, isc_dpb_sql_dialect, c.dialect);
    if (pageSize > 0) dpb->insertInt(&st, isc_dpb_page_size, pageSize);
    if (!forcedWrites) dpb->insertInt(&st, isc_dpb_force_write, 0);
    if (detail::LocalServidor(c.database)) dpb->insertInt(&st, isc_dpb_connect_timeout, conn.ConnectTimeout());
    return dpb;
}
}  // namespace

MemoriaSemResposta::MemoriaSemResposta() {
    Memoria& mem = MemoriaGlobal();
    std::lock_guard<std::mutex> l(mem.m);
    ++mem.ativas;
}

MemoriaSemResposta::~MemoriaSemResposta() {
    Memoria& mem = MemoriaGlobal();
    std::lock_guard<std::mutex> l(mem.m);
    if (--mem.ativas == 0) mem.locais.clear();
}

void Connection::Open() {
    auto& c = *impl_;
    if (c.att) return;
    BeforeConnect();
    if (c.database.empty()) throw Error("Database location not configured");
    Anexar(false, 0, true);
}

void Connection::CreateDatabase(int pageSize, bool forcedWrites) {
    auto& c = *impl_;
    if (c.att) throw Error("Connection already open");
    BeforeConnect();
    Anexar(true, pageSize, forcedWrites);
}

// Attaches to (or creates) the configured database, then runs the after-connect hook; a
// hook that fails leaves the connection closed.
void Connection::Anexar(bool criar, int pageSize, bool forcedWrites) {
    auto& c = *impl_;
    if (detail::LocalServidor(c.database))
        if (std::optional<Error> e = Lembrada(c.database)) throw *e;  // did not answer a moment ago
    {
        Status st;
        auto dpb = MakeDpb(*this, pageSize, forcedWrites);
        detail::Ref<IProvider> prov(detail::Master()->getDispatcher());
        const unsigned n = dpb->getBufferLength(&st);
        const unsigned char* b = dpb->getBuffer(&st);
        const auto inicio = std::chrono::steady_clock::now();
        try {
            c.att = detail::Obter([&](auto* s) {
                return criar ? prov->createDatabase(s, c.database.c_str(), n, b)
                             : prov->attachDatabase(s, c.database.c_str(), n, b);
            });
        } catch (const Error& e) {
            if (!detail::LocalServidor(c.database) || !(e.ConexaoPerdida() || e.Contem(kConexaoRecusada))) throw;
            // The server could not be reached: say which one, and when it never answered
            // (the time-out), say that rather than the client's "connection rejected".
            const int limite = ConnectTimeout();
            const bool semResposta =
                std::chrono::steady_clock::now() - inicio >= std::chrono::milliseconds(limite * 1000 - 500);
            Error erro("Não foi possível conectar ao banco de dados " + c.database + ": " +
                           (semResposta ? "o servidor não respondeu em " + std::to_string(limite) +
                                              (limite == 1 ? " segundo." : " segundos.")
                                        : std::string(e.what())),
                       e.Codigos(), e.SqlState());
            if (semResposta) {
                // One cause however many steps meet it: reported once, and during the
                // start-up not waited for again.
                erro.UmRelato();
                Lembrar(c.database, erro);
            }
            throw erro;
        }
    }
    ++c.generation;
    ++c.attaches;
    try {
        AfterConnect();
    } catch (...) {
        c.Detach();
        throw;
    }
}

void Connection::DropDatabase() {
    auto& c = *impl_;
    if (!c.att) Open();
    for (auto* t : std::set<detail::TransactionImpl*>(c.transactions))
        detail::EncerrarQuieto(t->tra, [](ITransaction* x, detail::QuietStatus* s) { x->rollback(s); });
    c.transactions.clear();
    c.cache.Clear();
    ++c.generation;
    detail::Encerrar(c.att, [](IAttachment* a, detail::QuietStatus* s) { a->dropDatabase(s); });
}

void Connection::Close() noexcept { impl_->Detach(); }

Transaction Connection::StartTransaction() { return StartTransaction(impl_->isolation, false); }

Transaction Connection::StartTransaction(Isolation iso, bool readOnly) {
    auto& c = *impl_;
    const bool anexado = static_cast<bool>(c.att);
    if (!c.att) Open();
    detail::Ref<ITransaction> t;
    try {
        t = c.Start(iso, readOnly);
    } catch (const Error& e) {
        // The server went away since the last use (restarted, or the network dropped):
        // starting a transaction has written nothing yet, so attach again and start it
        // once more. Work of transactions begun before stays lost and is reported there.
        if (!anexado || !e.ConexaoPerdida()) throw;
        Open();
        t = c.Start(iso, readOnly);
    }
    auto ti = std::make_unique<detail::TransactionImpl>();
    ti->conn = impl_;
    ti->tra = std::move(t);
    ti->generation = c.generation;
    c.transactions.insert(ti.get());
    return Transaction(std::move(ti));
}

std::int64_t Connection::ExecSQL(const std::string& sql, Transaction* tr) {
    Query q(*this);
    q.SetParamCheck(false);  // no parameters: the text goes as written
    q.SetTransaction(tr);
    q.SetSQL(sql);
    return q.ExecSQL();
}

// ---- Transaction --------------------------------------------------------------------------
Transaction::Transaction() noexcept = default;
Transaction::Transaction(std::unique_ptr<detail::TransactionImpl> impl) noexcept : impl_(std::move(impl)) {}
Transaction::~Transaction() = default;  // TransactionImpl rolls back
Transaction::Transaction(Transaction&&) noexcept = default;
Transaction& Transaction::operator=(Transaction&&) noexcept = default;

bool Transaction::Active() const noexcept { return impl_ && impl_->tra; }

void Transaction::Commit() {
    if (!impl_ || !impl_->tra) throw Error("Transaction is not active");
    auto c = impl_->conn.lock();
    if (!c) detail::TransacaoPerdida();
    detail::TransacaoDe(*c, *this);
    try {
        detail::Encerrar(impl_->tra, [](ITransaction* t, detail::QuietStatus* s) { t->commit(s); });
    } catch (const Error& e) {
        c->CheckLost(e);  // a lost connection takes the transaction with it
        throw;
    }
    c->transactions.erase(impl_.get());
    auto acts = std::move(impl_->onCommit);
    impl_->onCommit.clear();
    impl_->onRollback.clear();
    for (auto& f : acts) f();
}

void Transaction::Rollback() {
    if (!impl_ || !impl_->tra) return;
    auto c = impl_->conn.lock();
    std::exception_ptr erro;
    if (c && c->att && c->generation == impl_->generation) {
        try {
            detail::Encerrar(impl_->tra, [](ITransaction* t, detail::QuietStatus* s) { t->rollback(s); });
        } catch (const Error& e) {
            impl_->tra.Reset();
            c->transactions.erase(impl_.get());
            c->CheckLost(e);
            if (!e.ConexaoPerdida()) erro = std::current_exception();
        }
    } else {
        impl_->tra.Reset();
    }
    if (c) c->transactions.erase(impl_.get());
    auto acts = std::move(impl_->onRollback);
    impl_->onCommit.clear();
    impl_->onRollback.clear();
    for (auto& f : acts) f();
    if (erro) std::rethrow_exception(erro);
}

void Transaction::OnCommit(std::function<void()> action) {
    if (impl_) impl_->onCommit.push_back(std::move(action));
}
void Transaction::OnRollback(std::function<void()> action) {
    if (impl_) impl_->onRollback.push_back(std::move(action));
}

Connection* Transaction::GetConnection() const noexcept {
    if (!impl_) return nullptr;
    auto c = impl_->conn.lock();
    return c ? c->self : nullptr;
}

}  // namespace db
