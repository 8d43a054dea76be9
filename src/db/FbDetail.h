#pragma once
// Internal to the data access layer: the Firebird client objects behind the public
// classes. Not for use outside src/db.
#include <firebird/Interface.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Query.h"

namespace db::detail {

Firebird::IMaster* Master();
Firebird::IUtil* Util();

// A status for one call sequence; Check() turns an error into db::Error.
class Status {
public:
    Status();
    ~Status();
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;
    Firebird::CheckStatusWrapper* operator&() { return &w_; }
    Firebird::CheckStatusWrapper& W() { return w_; }
    bool Failed() const { return (w_.getState() & Firebird::IStatus::STATE_ERRORS) != 0; }
    Error ToError();
    void Reset() { w_.init(); }

private:
    Firebird::IStatus* s_;
    Firebird::CheckStatusWrapper w_;
};

// Description of a message (input parameters or output columns).
struct MessageLayout {
    Firebird::IMessageMetadata* meta = nullptr;  // owned (one reference)
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
    MessageLayout() = default;
    MessageLayout(const MessageLayout&) = delete;
    MessageLayout& operator=(const MessageLayout&) = delete;
    ~MessageLayout();
    void Load(Firebird::IMessageMetadata* m);  // takes the reference
};

struct PreparedStatement {
    std::string text;  // as given (UTF-8, with "?" parameters)
    Firebird::IStatement* stmt = nullptr;
    std::uint64_t generation = 0;
    unsigned type = 0;  // isc_info_sql_stmt_xxx
    bool hasCursor = false;
    bool singleRowInsert = false;  // INSERT ... VALUES: one row when it succeeds
    MessageLayout in, out;
    std::vector<ColumnInfo> columns;
    std::weak_ptr<struct ConnectionImpl> owner;
    std::vector<unsigned char> inBuf, outBuf;
    ~PreparedStatement();
};

struct TransactionImpl {
    std::weak_ptr<struct ConnectionImpl> conn;
    Firebird::ITransaction* tra = nullptr;
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
    Isolation isolation = Isolation::ReadCommitted;

    Firebird::IAttachment* att = nullptr;
    std::uint64_t generation = 1;
    std::uint64_t prepares = 0, attaches = 0;
    std::set<TransactionImpl*> transactions;
    // Free prepared statements, by text.
    std::multimap<std::string, std::unique_ptr<PreparedStatement>> cache;
    std::size_t cacheLimit = 200;

    // Raises the status's error; when the connection was lost, drops the attachment first
    // so the next use attaches again.
    [[noreturn]] void Fail(Status& st);
    void CheckLost(const Error& e) noexcept;
    void DropAttachment() noexcept;  // after a loss: releases without server calls
    void Detach() noexcept;          // orderly close

    Firebird::ITransaction* Start(Isolation iso, bool readOnly);

    // Takes a prepared statement for the text from the cache, or prepares one.
    std::unique_ptr<PreparedStatement> Acquire(const std::string& text, Firebird::ITransaction* tra);
    // Gives a statement back to the cache (dropped when stale or over the limit).
    void Release(std::unique_ptr<PreparedStatement> p) noexcept;
};

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

}  // namespace db::detail
