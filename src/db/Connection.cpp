#include "db/Connection.h"

#include <cstring>

#include "db/FbDetail.h"
#include "platform/Cp1252.h"

using namespace Firebird;

namespace db {
namespace detail {

IMaster* Master() {
    static IMaster* m = fb_get_master_interface();
    return m;
}
IUtil* Util() {
    static IUtil* u = Master()->getUtilInterface();
    return u;
}

namespace {
// Status objects are reused: creating one per call costs more than most calls.
struct StatusPool {
    std::vector<IStatus*> livres;
    ~StatusPool() {
        for (IStatus* s : livres) s->dispose();
    }
};
thread_local StatusPool t_pool;

IStatus* TakeStatus() {
    if (t_pool.livres.empty()) return Master()->getStatus();
    IStatus* s = t_pool.livres.back();
    t_pool.livres.pop_back();
    return s;
}
}  // namespace

Status::Status() : s_(TakeStatus()), w_(s_) {}
Status::~Status() {
    s_->init();
    if (t_pool.livres.size() < 16) t_pool.livres.push_back(s_);
    else s_->dispose();
}

Error Status::ToError() {
    char buf[2048];
    Util()->formatStatus(buf, sizeof buf, &w_);
    std::string msg = FromDb(buf);
    std::vector<std::intptr_t> codes;
    std::string sqlState;
    const intptr_t* v = w_.getErrors();
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
    if (sqlState.empty() && w_.getErrors()) {
        char st[6] = {};
        fb_sqlstate(st, w_.getErrors());
        sqlState.assign(st, strnlen(st, 5));
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

// ---- ConnectionImpl ---------------------------------------------------------------------
void ConnectionImpl::CheckLost(const Error& e) noexcept {
    if (e.ConexaoPerdida()) DropAttachment();
}

void ConnectionImpl::Fail(Status& st) {
    Error e = st.ToError();
    CheckLost(e);
    throw e;
}

void ConnectionImpl::DropAttachment() noexcept {
    ++generation;
    cache.clear();  // stale statements only release their interfaces
    for (TransactionImpl* t : transactions) {
        if (t->tra) t->tra->release();
        t->tra = nullptr;
        t->onCommit.clear();
        auto rb = std::move(t->onRollback);
        t->onRollback.clear();
        for (auto& f : rb) try { f(); } catch (...) {}
    }
    transactions.clear();
    if (att) att->release();
    att = nullptr;
}

void ConnectionImpl::Detach() noexcept {
    if (!att) return;
    // Roll back what is still open.
    for (TransactionImpl* t : std::set<TransactionImpl*>(transactions)) {
        if (t->tra) {
            Status st;
            t->tra->rollback(&st);
            if (st.Failed()) t->tra->release();
            t->tra = nullptr;
        }
        auto rb = std::move(t->onRollback);
        t->onCommit.clear();
        t->onRollback.clear();
        for (auto& f : rb) try { f(); } catch (...) {}
    }
    transactions.clear();
    cache.clear();
    ++generation;  // statements still held by queries only release now
    // (cache entries were freed above with the old generation: see ~PreparedStatement)
    Status st;
    att->detach(&st);
    if (st.Failed()) att->release();
    att = nullptr;
}

ITransaction* ConnectionImpl::Start(Isolation iso, bool readOnly) {
    if (!att) self->Open();
    Status st;
    IXpbBuilder* tpb = Util()->getXpbBuilder(&st, IXpbBuilder::TPB, nullptr, 0);
    tpb->insertTag(&st, readOnly ? isc_tpb_read : isc_tpb_write);
    switch (iso) {
        case Isolation::ReadCommitted:
            tpb->insertTag(&st, isc_tpb_read_committed);
            tpb->insertTag(&st, isc_tpb_rec_version);
            break;
        case Isolation::Snapshot: tpb->insertTag(&st, isc_tpb_concurrency); break;
        case Isolation::SnapshotTableStability: tpb->insertTag(&st, isc_tpb_consistency); break;
    }
    tpb->insertTag(&st, waitOnLocks ? isc_tpb_wait : isc_tpb_nowait);
    if (waitOnLocks && lockTimeout > 0) tpb->insertInt(&st, isc_tpb_lock_timeout, lockTimeout);
    ITransaction* t = att->startTransaction(&st, tpb->getBufferLength(&st), tpb->getBuffer(&st));
    tpb->dispose();
    if (st.Failed()) Fail(st);
    return t;
}

std::unique_ptr<PreparedStatement> ConnectionImpl::Acquire(const std::string& text, ITransaction* tra) {
    auto it = cache.find(text);
    if (it != cache.end()) {
        auto p = std::move(it->second);
        cache.erase(it);
        return p;
    }
    std::string sql = ToDb(text);
    Status st;
    IStatement* s = att->prepare(&st, tra, static_cast<unsigned>(sql.size()), sql.c_str(),
                                 static_cast<unsigned>(dialect), IStatement::PREPARE_PREFETCH_METADATA);
    if (st.Failed()) Fail(st);
    ++prepares;
    auto p = std::make_unique<PreparedStatement>();
    p->text = text;
    p->stmt = s;
    p->generation = generation;
    p->owner = self->SharedImpl();
    p->type = s->getType(&st);
    p->hasCursor = (s->getFlags(&st) & IStatement::FLAG_HAS_CURSOR) != 0;
    if (p->type == isc_info_sql_stmt_insert) {
        std::string up = UpperCase(text);
        p->singleRowInsert = up.find("SELECT") == std::string::npos && up.find("VALUES") != std::string::npos;
    }
    p->in.Load(s->getInputMetadata(&st));
    if (st.Failed()) Fail(st);
    p->out.Load(s->getOutputMetadata(&st));
    if (st.Failed()) Fail(st);
    IMessageMetadata* m = p->out.meta;
    for (unsigned i = 0; i < p->out.items.size(); ++i) {
        ColumnInfo c;
        c.name = FromDb(m->getAlias(&st, i));
        c.originField = FromDb(m->getField(&st, i));
        c.originTable = FromDb(m->getRelation(&st, i));
        const auto& it2 = p->out.items[i];
        c.nullable = m->isNullable(&st, i);
        c.scale = -it2.scale;
        c.subType = it2.subType;
        c.size = static_cast<int>(it2.length);
        switch (it2.type) {
            case SQL_TEXT: c.type = DataType::String; c.fixedChar = true; break;
            case SQL_VARYING: c.type = DataType::String; break;
            case SQL_SHORT: c.type = it2.scale ? DataType::Decimal : DataType::SmallInt; break;
            case SQL_LONG: c.type = it2.scale ? DataType::Decimal : DataType::Integer; break;
            case SQL_INT64: c.type = it2.scale ? DataType::Decimal : DataType::LargeInt; break;
            case SQL_FLOAT:
            case SQL_DOUBLE:
            case SQL_D_FLOAT: c.type = DataType::Float; break;
            case SQL_TIMESTAMP: c.type = DataType::DateTime; break;
            case SQL_TYPE_DATE: c.type = DataType::Date; break;
            case SQL_TYPE_TIME: c.type = DataType::Time; break;
            case SQL_BLOB: c.type = it2.subType == 1 ? DataType::Memo : DataType::Blob; break;
            case SQL_BOOLEAN: c.type = DataType::Boolean; break;
            default: c.type = DataType::Unknown; break;
        }
        if (c.type == DataType::String && it2.charSet == 1) c.type = DataType::String;  // OCTETS kept
        p->columns.push_back(std::move(c));
    }
    if (st.Failed()) Fail(st);
    return p;
}

void ConnectionImpl::Release(std::unique_ptr<PreparedStatement> p) noexcept {
    if (!p || p->generation != generation || !att) return;
    if (cache.size() >= cacheLimit) cache.erase(cache.begin());
    std::string key = p->text;
    cache.emplace(std::move(key), std::move(p));
}

// ---- MessageLayout / PreparedStatement / TransactionImpl ---------------------------------
MessageLayout::~MessageLayout() {
    if (meta) meta->release();
}

void MessageLayout::Load(IMessageMetadata* m) {
    if (meta) meta->release();
    meta = m;
    items.clear();
    if (!m) return;
    Status st;
    unsigned n = m->getCount(&st);
    items.resize(n);
    for (unsigned i = 0; i < n; ++i) {
        auto& it = items[i];
        it.type = m->getType(&st, i) & ~1u;
        it.subType = m->getSubType(&st, i);
        it.scale = m->getScale(&st, i);
        it.length = m->getLength(&st, i);
        it.offset = m->getOffset(&st, i);
        it.nullOffset = m->getNullOffset(&st, i);
        it.charSet = m->getCharSet(&st, i);
    }
    length = m->getMessageLength(&st);
    if (st.Failed()) throw st.ToError();
}

PreparedStatement::~PreparedStatement() {
    if (!stmt) return;
    auto c = owner.lock();
    if (c && c->att && c->generation == generation) {
        Status st;
        stmt->free(&st);
        if (st.Failed()) stmt->release();
    } else {
        stmt->release();
    }
}

TransactionImpl::~TransactionImpl() {
    auto c = conn.lock();
    if (tra) {
        if (c && c->generation == generation) {
            Status st;
            tra->rollback(&st);
            if (st.Failed()) tra->release();
        } else {
            tra->release();
        }
        tra = nullptr;
        for (auto& f : onRollback) try { f(); } catch (...) {}
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
bool Connection::Connected() const noexcept { return impl_->att != nullptr; }
std::uint64_t Connection::PrepareCount() const noexcept { return impl_->prepares; }
std::uint64_t Connection::AttachCount() const noexcept { return impl_->attaches; }

namespace {
IXpbBuilder* MakeDpb(detail::ConnectionImpl& c, Status& st, int pageSize, bool forcedWrites = true) {
    IXpbBuilder* dpb = detail::Util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
    if (!c.user.empty()) dpb->insertString(&st, isc_dpb_user_name, detail::ToDb(c.user).c_str());
    if (!c.password.empty()) dpb->insertString(&st, isc_dpb_password, detail::ToDb(c.password).c_str());
    if (!c.role.empty()) dpb->insertString(&st, isc_dpb_sql_role_name, detail::ToDb(c.role).c_str());
    dpb->insertString(&st, isc_dpb_lc_ctype, "NONE");
    dpb->insertInt(&st, isc_dpb_sql_dialect, c.dialect);
    if (pageSize > 0) dpb->insertInt(&st, isc_dpb_page_size, pageSize);
    if (!forcedWrites) dpb->insertInt(&st, isc_dpb_force_write, 0);
    return dpb;
}
}  // namespace

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
    Status st;
    IXpbBuilder* dpb = MakeDpb(c, st, pageSize, forcedWrites);
    IProvider* prov = detail::Master()->getDispatcher();
    IAttachment* a = criar ? prov->createDatabase(&st, c.database.c_str(), dpb->getBufferLength(&st),
                                                  dpb->getBuffer(&st))
                           : prov->attachDatabase(&st, c.database.c_str(), dpb->getBufferLength(&st),
                                                  dpb->getBuffer(&st));
    dpb->dispose();
    prov->release();
    if (st.Failed()) throw st.ToError();
    c.att = a;
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
    for (auto* t : std::set<detail::TransactionImpl*>(c.transactions)) {
        if (t->tra) {
            Status s2;
            t->tra->rollback(&s2);
            if (s2.Failed()) t->tra->release();
            t->tra = nullptr;
        }
    }
    c.transactions.clear();
    c.cache.clear();
    ++c.generation;
    Status st;
    c.att->dropDatabase(&st);
    if (st.Failed()) {
        Error e = st.ToError();
        throw e;
    }
    c.att = nullptr;
}

void Connection::Close() noexcept { impl_->Detach(); }

Transaction Connection::StartTransaction() { return StartTransaction(impl_->isolation, false); }

Transaction Connection::StartTransaction(Isolation iso, bool readOnly) {
    auto& c = *impl_;
    const bool anexado = c.att != nullptr;
    if (!c.att) Open();
    ITransaction* t = nullptr;
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
    ti->tra = t;
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
    if (!c || c->generation != impl_->generation)
        throw Error("Transaction lost with its connection", {335544741}, "08003");
    Status st;
    impl_->tra->commit(&st);
    if (st.Failed()) c->Fail(st);
    impl_->tra = nullptr;
    c->transactions.erase(impl_.get());
    auto acts = std::move(impl_->onCommit);
    impl_->onCommit.clear();
    impl_->onRollback.clear();
    for (auto& f : acts) f();
}

void Transaction::Rollback() {
    if (!impl_ || !impl_->tra) return;
    auto c = impl_->conn.lock();
    if (c && c->generation == impl_->generation) {
        Status st;
        impl_->tra->rollback(&st);
        if (st.Failed()) {
            Error e = st.ToError();
            impl_->tra->release();
            impl_->tra = nullptr;
            c->transactions.erase(impl_.get());
            c->CheckLost(e);
            if (!e.ConexaoPerdida()) throw e;
        }
    } else {
        impl_->tra->release();
    }
    impl_->tra = nullptr;
    if (c) c->transactions.erase(impl_.get());
    auto acts = std::move(impl_->onRollback);
    impl_->onCommit.clear();
    impl_->onRollback.clear();
    for (auto& f : acts) f();
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
