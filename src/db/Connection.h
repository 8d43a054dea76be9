#pragma once
// Connection to a Firebird database and the transactions on it.
//
// Location: a plain path opens the database embedded (in-process engine, no server);
// "host:path" or "host/port:path" reaches a Firebird server over TCP. The connection
// uses character set NONE: the databases hold Windows-1252 text, converted to and from
// UTF-8 at the layer's boundary.
//
// The connection opens on request or on first use and stays open until closed or
// destroyed. When the server drops it, the operation that met the failure reports its
// error (db::Error::ConexaoPerdida) and the next use attaches again. Starting a
// transaction is the exception: it has nothing to lose, so a transaction (and a statement
// run outside a caller's transaction) started on a dropped connection attaches again and
// goes on.
//
// A server location that accepts the connection and never answers fails the attach within
// the connect time-out (kConnectTimeout seconds at most) instead of the client's three
// minutes, with an error reported once (Error::UmRelato); during the start-up
// (MemoriaSemResposta) later attaches to that location fail at once with the same error. Statements outside a caller's transaction run in one of their own: read-only
// (read committed) for a SELECT, read-write otherwise.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/Error.h"

namespace db {

enum class Isolation { ReadCommitted, Snapshot, SnapshotTableStability };

class Transaction;
class Query;
namespace detail {
struct ConnectionImpl;
struct TransactionImpl;
}  // namespace detail

class Connection {
public:
    // Longest wait, in seconds, for a server to answer an attach. Start-up attaches
    // several databases on the one user-interface thread: a hung server must fail each
    // of them in seconds, not in the client's default three minutes.
    static constexpr int kConnectTimeout = 15;
    // Prepared statements kept per attachment (least recently used out first). A screen
    // and its saves use a few dozen statements, the record sets' generated updates vary
    // with the fields changed; each kept statement holds its plan and metadata on the
    // server, so the bound keeps a long session from growing without limit while the
    // working set of any one task fits several times over.
    static constexpr std::size_t kStatementCacheSize = 100;

    Connection();
    virtual ~Connection();  // closes; never throws
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // ---- configuration (takes effect at the next attachment) --------------------------
    void SetDatabase(std::string location);
    const std::string& Database() const noexcept;
    void SetUserName(std::string user);
    const std::string& UserName() const noexcept;
    void SetPassword(std::string password);
    const std::string& Password() const noexcept;
    void SetRole(std::string role);
    void SetSqlDialect(int dialect);  // 1 or 3 (default 3)
    int SqlDialect() const noexcept;
    void SetWaitOnLocks(bool wait);   // default true
    bool WaitOnLocks() const noexcept;
    void SetLockTimeout(int seconds); // 0 (default) waits without limit when waiting on locks
    // Connect time-out for server locations, 1 to kConnectTimeout seconds (tests use a
    // short one). 0 (default): the environment variable PRAVOLT_CONNECT_TIMEOUT when it
    // holds such a number (test programs that start the program or pravolt-admin set it),
    // kConnectTimeout otherwise.
    void SetConnectTimeout(int seconds);
    int ConnectTimeout() const noexcept;  // the seconds the next attach will use
    void SetIsolation(Isolation iso); // default ReadCommitted
    Isolation GetIsolation() const noexcept;

    // ---- life --------------------------------------------------------------------------
    void Open();                       // no-op when connected
    void Close() noexcept;             // rolls back open transactions of this connection
    bool Connected() const noexcept;
    // Creates the database at Database() (embedded path or server location) and leaves it
    // attached. Fails when it exists. Scratch databases (tests, benchmarks) may turn the
    // synchronous writes off.
    void CreateDatabase(int pageSize = 8192, bool forcedWrites = true);
    // Drops the attached database (used by tests).
    void DropDatabase();

    // Transactions. Statements run without a caller transaction commit on their own.
    Transaction StartTransaction();
    Transaction StartTransaction(Isolation iso, bool readOnly = false);

    // Convenience: runs one statement as written, without parameters (own transaction
    // unless given).
    std::int64_t ExecSQL(const std::string& sql, Transaction* tr = nullptr);

    // Statement cache counters (for tests and benchmarks).
    std::uint64_t PrepareCount() const noexcept;
    std::uint64_t AttachCount() const noexcept;
    std::size_t CachedStatements() const noexcept;

    // Internal state shared with the statements of this connection.
    detail::ConnectionImpl& Impl() const { return *impl_; }
    const std::shared_ptr<detail::ConnectionImpl>& SharedImpl() const { return impl_; }

protected:
    // Called before attaching; a subclass may refuse (throw) when it is not configured.
    virtual void BeforeConnect() {}
    // Called after attaching and before the connection is reported open; a subclass hands
    // its driver options over here. An exception detaches again and fails the opening.
    virtual void AfterConnect() {}

private:
    void Anexar(bool criar, int pageSize, bool forcedWrites);
    std::shared_ptr<detail::ConnectionImpl> impl_;
};

// The program's start-up attaches to the same locations several times (access database,
// main database, parameters, ...). While an object of this class lives, a server location
// whose attach met no answer is remembered, and every later attach to it fails at once
// with that same error, already reported: one time-out and one message per location. The
// memory is forgotten when the last object goes (later attaches wait again: the server
// may be back).
class MemoriaSemResposta {
public:
    MemoriaSemResposta();
    ~MemoriaSemResposta();
    MemoriaSemResposta(const MemoriaSemResposta&) = delete;
    MemoriaSemResposta& operator=(const MemoriaSemResposta&) = delete;
};

// A database transaction: move-only; the destructor rolls back one still active
// (never throws).
class Transaction {
public:
    Transaction() noexcept;
    ~Transaction();
    Transaction(Transaction&&) noexcept;
    Transaction& operator=(Transaction&&) noexcept;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool Active() const noexcept;
    void Commit();
    void Rollback();
    // Registers an action run after a successful Commit (record sets merge their change
    // logs there when they applied inside this transaction). Discarded on rollback.
    void OnCommit(std::function<void()> action);
    void OnRollback(std::function<void()> action);

    Connection* GetConnection() const noexcept;
    detail::TransactionImpl* Impl() const noexcept { return impl_.get(); }

private:
    friend class Connection;
    explicit Transaction(std::unique_ptr<detail::TransactionImpl> impl) noexcept;
    std::unique_ptr<detail::TransactionImpl> impl_;
};

}  // namespace db
