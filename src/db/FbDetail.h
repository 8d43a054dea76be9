#pragma once
// Internal to the data access layer: the Firebird client objects behind the public
// classes. Not for use outside src/db (the layer's own tests reach the fault injection).
//
// Two rules hold for every call into the client:
// - its status is checked by the call itself: `Status` is a throwing status wrapper
//   whose check turns the database's error into db::Error (the one place where that
//   happens), so no later call can run on a failed call's null result;
// - every interface it hands out is owned at once by a `Ref` (release on destruction,
//   move-only); a call that returns one goes through `Obter`, so a failure between two
//   calls never leaves an interface behind.
#include <firebird/Interface.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Query.h"

namespace db::detail {

Firebird::IMaster* Master();
Firebird::IUtil* Util();

// ---- owning reference ------------------------------------------------------------------
// Live references to database objects (statuses are not counted: the per-thread pool
// keeps some), for the tests that check nothing is left behind.
inline std::atomic<long> g_refsVivas{0};

template <class I>
class Ref {
public:
    Ref() noexcept = default;
    explicit Ref(I* p) noexcept : p_(p) {
        if (p_) Contar(1);
    }
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    Ref& operator=(Ref&& o) noexcept {
        if (this != &o) {
            Reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { Reset(); }

    I* get() const noexcept { return p_; }
    I* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // Gives the reference back to the client (release, or dispose for the builders and
    // statuses, which are not reference counted).
    void Reset() noexcept {
        if (!p_) return;
        if constexpr (std::is_base_of_v<Firebird::IReferenceCounted, I>) p_->release();
        else p_->dispose();
        p_ = nullptr;
        Contar(-1);
    }
    // A successful commit, rollback, free, close, detach or drop has released the
    // interface itself: the reference only forgets it.
    void Consumida() noexcept {
        if (!p_) return;
        p_ = nullptr;
        Contar(-1);
    }

private:
    static void Contar(long d) noexcept {
        if constexpr (!std::is_same_v<I, Firebird::IStatus>) g_refsVivas.fetch_add(d, std::memory_order_relaxed);
    }
    I* p_ = nullptr;
};

// ---- fault injection (tests) -------------------------------------------------------------
// Counts the checked client calls and, when armed, makes the n-th one from now fail as if
// the database had answered with the given status (a failing call hands out nothing).
inline bool g_falhasLigadas = false;
struct Falhas {
    enum class Tipo { Erro, ConexaoPerdida };
    static void Armar(long n, Tipo tipo = Tipo::Erro) noexcept;  // n >= 1
    static void Contar() noexcept;                              // count only, from zero
    static void Desarmar() noexcept;
    static long Chamadas() noexcept;  // calls counted since Armar/Contar
    static bool Disparou() noexcept;
    // Called by every check: true when this call must fail (the status is then set).
    static bool Aplicar(Firebird::IStatus* st) noexcept { return g_falhasLigadas && Contabilizar(st); }
    static constexpr const char* kTexto = "injected client failure";

private:
    static bool Contabilizar(Firebird::IStatus* st) noexcept;
};

// ---- statuses ----------------------------------------------------------------------------
// A status object from a per-thread pool (creating one per call costs more than most
// calls), given back on destruction.
class StatusPooled {
protected:
    StatusPooled();
    ~StatusPooled();
    Ref<Firebird::IStatus> own_;
    Firebird::IStatus* raw_;
};

Error ErroDoStatus(Firebird::IStatus* st);

// Throwing wrapper: a call that fails raises db::Error right after it returns.
class Status : private StatusPooled, public Firebird::BaseStatusWrapper<Status> {
public:
    Status() : BaseStatusWrapper(raw_) {}
    static void checkException(Status* s) {
        Falhas::Aplicar(s);
        if (s->dirty && (s->getState() & Firebird::IStatus::STATE_ERRORS)) throw ErroDoStatus(s);
    }
};

// Non-throwing wrapper, for the paths that must not throw (destructors, clean-up after
// a loss) and for `Obter`, which owns the result before it raises. Check Failed() after
// each call.
class QuietStatus : private StatusPooled, public Firebird::BaseStatusWrapper<QuietStatus> {
public:
    QuietStatus() : BaseStatusWrapper(raw_) {}
    static void checkException(QuietStatus*) {}
    bool Failed() const { return (getState() & Firebird::IStatus::STATE_ERRORS) != 0; }
};

// Runs a call that returns a new interface: `call(status)` with a non-throwing status; the
// result is owned before the status is looked at, so a failure leaks nothing. (An injected
// failure stands for the call's own: the call is not made.)
template <class F>
auto Obter(F&& call) {
    QuietStatus st;
    using I = std::remove_pointer_t<decltype(call(&st))>;
    Ref<I> r;
    if (!Falhas::Aplicar(&st)) r = Ref<I>(call(&st));
    if (st.Failed()) throw ErroDoStatus(&st);
    return r;
}

// Ending calls (commit, rollback, free, close, detach, drop) release the interface when
// they succeed; the reference then only forgets it. When one fails, the reference still
// holds the interface (a transaction whose commit failed is still active).
template <class I, class F>
void Encerrar(Ref<I>& r, F&& call) {
    QuietStatus st;
    if (!Falhas::Aplicar(&st)) call(r.get(), &st);
    if (st.Failed()) throw ErroDoStatus(&st);
    r.Consumida();
}

// The same where nothing may be thrown (destructors, closing): a failed ending releases
// the interface without a server call.
template <class I, class F>
bool EncerrarQuieto(Ref<I>& r, F&& call) noexcept {
    if (!r) return true;
    QuietStatus st;
    if (!Falhas::Aplicar(&st)) call(r.get(), &st);
    if (st.Failed()) {
        r.Reset();
        return false;
    }
    r.Consumida();
    return true;
}

// ---- statements ----------------------------------------------------------------------------
// Description of a message (input parameters or output columns).
struct MessageLayout {
    Ref<Firebird::IMessageMetadata> meta;
    unsigned length = 0;
    struct Item {
        unsigned type = 0;      // SQL_xxx without the null bit
        int subType = 0;
        int scale = 0;
        unsigned length = 0;
        unsigned offset = 0;
        unsigned nullOffset = 0;
        unsigned charSet = 0;
    };
    std::vector<Item> items;
    void Load(Ref<Firebird::IMessageMetadata> m);
};

struct ConnectionImpl;

struct PreparedStatement {
    std::string text;  // as given (UTF-8, with "?" parameters)
    Ref<Firebird::IStatement> stmt;
    std::uint64_t generation = 0;
    unsigned type = 0;  // isc_info_sql_stmt_xxx
    bool hasCursor = false;
    bool singleRowInsert = false;  // INSERT ... VALUES: one row when it succeeds
    // Runs in a read-only transaction when outside a caller's one: a SELECT, until it
    // meets a write (a selectable procedure that writes) and is then run read-write.
    bool somenteLeitura = false;
    MessageLayout in, out;
    std::vector<ColumnInfo> columns;
    std::weak_ptr<ConnectionImpl> owner;
    std::vector<unsigned char> inBuf, outBuf;
    // Place in the connection's cache (valid while emCache).
    std::list<std::shared_ptr<PreparedStatement>>::iterator lugar;
    bool emCache = false;
    PreparedStatement() = default;
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;
    ~PreparedStatement();  // freed on a live attachment, only released after a loss
};
using StatementRef = std::shared_ptr<PreparedStatement>;

// Prepared statements of one attachment, least recently used first out. Holders
// (queries) share them; an evicted statement lives on while a holder keeps it.
class StatementCache {
public:
    StatementRef Find(const std::string& text);  // and marks it used
    void Add(const StatementRef& p);             // newest; evicts beyond the bound
    void Touch(const StatementRef& p);           // a holder used it again
    void Clear() noexcept;
    std::size_t Size() const noexcept { return lru_.size(); }

private:
    void Evict(const StatementRef& p) noexcept;
    std::list<StatementRef> lru_;  // most recently used first
    std::unordered_map<std::string_view, StatementRef> byText_;
};

struct TransactionImpl {
    std::weak_ptr<ConnectionImpl> conn;
    Ref<Firebird::ITransaction> tra;
    std::uint64_t generation = 0;
    std::vector<std::function<void()>> onCommit, onRollback;
    ~TransactionImpl();
};

struct ConnectionImpl {
    Connection* self = nullptr;
    std::string database, user, password, role;
    int dialect = 3;
    bool waitOnLocks = true;
    int lockTimeout = 0;
    int connectTimeout = 0;  // seconds; 0: the layer's default
    Isolation isolation = Isolation::ReadCommitted;

    Ref<Firebird::IAttachment> att;
    std::uint64_t generation = 1;
    std::uint64_t prepares = 0, attaches = 0;
    std::set<TransactionImpl*> transactions;
    StatementCache cache;

    // When the error says the connection was lost, drops the attachment so the next use
    // attaches again. Every operation that meets a database error passes it through here.
    void CheckLost(const Error& e) noexcept;
    void DropAttachment() noexcept;  // after a loss: releases without server calls
    void Detach() noexcept;          // orderly close

    Ref<Firebird::ITransaction> Start(Isolation iso, bool readOnly);

    // The prepared statement for the text: from the cache, or prepared and cached.
    StatementRef Acquire(const std::string& text, Firebird::ITransaction* tra);
};

// The client transaction of a caller's transaction on this connection; raises the
// "transaction lost with its connection" error when the attachment it ran on is gone.
Firebird::ITransaction* TransacaoDe(ConnectionImpl& c, const Transaction& tr);
[[noreturn]] void TransacaoPerdida();

// Execution helpers shared by the query and the provider.
// Fills the input buffer from values (conversion to each parameter's type).
void BindInput(ConnectionImpl& c, Firebird::ITransaction* tra, PreparedStatement& ps,
               const std::vector<const Value*>& values, std::vector<unsigned char>& buf,
               std::unique_ptr<MessageLayout>& widened);
// Reads one output row.
void ReadRow(ConnectionImpl& c, Firebird::ITransaction* tra, const PreparedStatement& ps,
             const unsigned char* buf, std::vector<Value>& row);

// Runs a prepared statement: rows (when it has a cursor or one output row) appended to
// `rows`; returns rows affected.
std::int64_t Execute(ConnectionImpl& c, Firebird::ITransaction* tra, PreparedStatement& ps,
                     const std::vector<const Value*>& values, std::vector<std::vector<Value>>* rows);

// Text conversions at the boundary.
std::string ToDb(std::string_view utf8);   // UTF-8 -> Windows-1252 (db::Error when impossible)
std::string FromDb(std::string_view raw);  // Windows-1252 -> UTF-8

// Server locations ("host:path", "host/port:path", "inet://...") as opposed to embedded
// paths.
bool LocalServidor(std::string_view location) noexcept;

}  // namespace db::detail
