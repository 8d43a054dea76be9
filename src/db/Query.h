#pragma once
// SQL query with :named parameters, and the stored-procedure call.
//
// Parameters are written with a leading colon, found without regard to case; one name
// may be used several times; a colon inside a string literal, a quoted identifier or a
// comment is not a parameter. The statement is prepared once and reused while its text
// is unchanged (the connection also keeps a cache shared by its statements).
//
// Open() runs the statement and reads its rows (in the database's order); without a
// caller transaction it runs in its own one, committed at once.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/Connection.h"
#include "db/Value.h"

namespace db {

enum class DataType {
    Unknown,
    String,     // CHAR / VARCHAR
    SmallInt,
    Integer,
    LargeInt,   // BIGINT
    Float,      // FLOAT / DOUBLE PRECISION
    Decimal,    // NUMERIC / DECIMAL (scaled integer)
    Date,
    Time,
    DateTime,   // TIMESTAMP
    Memo,       // text blob
    Blob,       // binary blob
    Boolean
};

enum class ParamDirection { Input, Output };

class Param {
public:
    Param(std::string name, ParamDirection dir = ParamDirection::Input);
    const std::string& Name() const noexcept { return name_; }
    ParamDirection Direction() const noexcept { return dir_; }

    void SetAsString(std::string utf8) { value_ = Value::Text(std::move(utf8)); }
    void SetAsInteger(std::int64_t v) { value_ = Value::Integer(v); }
    void SetAsFloat(double v) { value_ = Value::Float(v); }
    void SetAsCurrency(Currency c) { value_ = Value::Money(c); }
    void SetAsDateTime(TDateTime d) { value_ = Value::DateTime(d); }
    void SetAsBytes(std::string raw) { value_ = Value::Bytes(std::move(raw)); }
    void SetNull() { value_ = Value(); }
    void SetValue(Value v) { value_ = std::move(v); }
    void Clear() { SetNull(); }

    const Value& GetValue() const noexcept { return value_; }
    bool IsNull() const noexcept { return value_.IsNull(); }
    std::string AsString() const { return value_.AsString(); }
    std::int64_t AsInteger() const { return value_.AsInteger(); }
    double AsFloat() const { return value_.AsFloat(); }
    Currency AsCurrency() const { return value_.AsCurrency(); }
    TDateTime AsDateTime() const { return value_.AsDateTime(); }

private:
    std::string name_;
    ParamDirection dir_;
    Value value_;
};

// Ordered, named parameter list (names compared without regard to case).
class Params {
public:
    std::size_t Count() const noexcept { return items_.size(); }
    Param& operator[](std::size_t i) { return items_[i]; }
    const Param& operator[](std::size_t i) const { return items_[i]; }
    Param* FindParam(std::string_view name);
    const Param* FindParam(std::string_view name) const;
    // Throws db::Error "Parameter 'X' not found".
    Param& ParamByName(std::string_view name);
    Param& Add(std::string name, ParamDirection dir = ParamDirection::Input);
    void Clear() { items_.clear(); }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<Param> items_;
};

// Description of a result column or parameter.
struct ColumnInfo {
    std::string name;          // alias as the statement names the column
    std::string originField;   // column of the table it comes from ("" for expressions)
    std::string originTable;   // its table ("" for expressions)
    DataType type = DataType::Unknown;
    int size = 0;              // characters for text, bytes otherwise
    int scale = 0;             // decimals of NUMERIC / DECIMAL
    int subType = 0;           // blob sub-type
    bool nullable = true;
    bool fixedChar = false;    // CHAR (padded)
};

// Result of parsing a statement's :named parameters.
struct ParsedSql {
    std::string sql;                 // the text with every parameter replaced by "?"
    std::vector<std::string> names;  // one entry per "?", in order (upper-cased)
};
// Exposed for tests and for the script runner.
ParsedSql ParseParams(std::string_view sql);

namespace detail {
struct StatementState;
}

class Query {
public:
    Query();
    explicit Query(Connection& c);
    ~Query();
    Query(Query&&) noexcept;
    Query& operator=(Query&&) noexcept;
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    void SetConnection(Connection* c);
    Connection* GetConnection() const noexcept { return conn_; }
    // When false the text is sent as written (no :name parameters): procedure and
    // trigger bodies use colons for their variables.
    void SetParamCheck(bool on);
    bool ParamCheck() const noexcept { return paramCheck_; }
    // Runs the statements in the caller's transaction (nullptr: each in its own).
    void SetTransaction(Transaction* t) { tr_ = t; }
    Transaction* GetTransaction() const noexcept { return tr_; }

    // Statement text as lines; editing them through SQL() is allowed while closed.
    std::vector<std::string>& SQL() { return sql_; }
    const std::vector<std::string>& SQL() const { return sql_; }
    void SetSQL(std::string_view text);  // split into lines
    void AddSQL(std::string line) { sql_.push_back(std::move(line)); }
    std::string Text() const;            // lines joined with "\n"

    // Parameters of the current text (values of names kept across text changes).
    Params& GetParams();
    Param& ParamByName(std::string_view name) { return GetParams().ParamByName(name); }

    void Prepare();
    bool Prepared() const noexcept;

    // Runs a statement returning rows and positions on the first one.
    void Open();
    void Close() noexcept;
    bool Active() const noexcept { return active_; }
    // Runs a statement without rows (or with one output row: EXECUTE PROCEDURE,
    // RETURNING); returns the rows affected.
    std::int64_t ExecSQL();
    std::int64_t RowsAffected() const noexcept { return rowsAffected_; }

    // Navigation over the rows read by Open().
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const noexcept;
    bool Bof() const noexcept;
    bool IsEmpty() const noexcept { return rows_.empty(); }
    std::size_t RecordCount() const noexcept { return rows_.size(); }

    // Columns of the last statement run (or prepared).
    std::size_t FieldCount() const noexcept { return cols_.size(); }
    const ColumnInfo& Column(std::size_t i) const { return cols_[i]; }
    const std::vector<ColumnInfo>& Columns() const noexcept { return cols_; }
    int FieldIndex(std::string_view name) const;  // -1 when absent (case-insensitive)
    // Value of a column in the current row; throws db::Error "Field 'X' not found".
    const Value& FieldByName(std::string_view name) const;
    const Value* FindField(std::string_view name) const;
    const Value& Field(std::size_t i) const;
    // Every row read (for the provider).
    const std::vector<std::vector<Value>>& Rows() const noexcept { return rows_; }
    std::vector<std::vector<Value>> TakeRows();

private:
    void SyncText();
    Connection* conn_ = nullptr;
    Transaction* tr_ = nullptr;
    std::vector<std::string> sql_;
    std::string parsedText_;
    std::vector<std::string> parsedLines_;
    bool parsed_ = false;
    ParsedSql parsed_sql_;
    Params params_;
    std::unique_ptr<detail::StatementState> st_;
    std::vector<ColumnInfo> cols_;
    std::vector<std::vector<Value>> rows_;
    std::size_t pos_ = 0;
    bool active_ = false;
    bool bof_ = true;
    bool paramCheck_ = true;
    std::int64_t rowsAffected_ = 0;
};

// Call of an executable stored procedure: name, ordered input and output parameters
// (read from the database's catalogue when first executed, or declared), execute, read
// the outputs.
class StoredProc {
public:
    StoredProc();
    explicit StoredProc(Connection& c);
    ~StoredProc();
    StoredProc(StoredProc&&) noexcept;
    StoredProc& operator=(StoredProc&&) noexcept;

    void SetConnection(Connection* c);
    Connection* GetConnection() const noexcept { return conn_; }
    void SetTransaction(Transaction* t) { tr_ = t; }
    void SetStoredProcName(std::string name);
    const std::string& StoredProcName() const noexcept { return name_; }

    // Inputs then outputs, each in the procedure's order. Reading the catalogue happens on
    // first access when the list is empty.
    Params& GetParams();
    Param& ParamByName(std::string_view name) { return GetParams().ParamByName(name); }

    void Prepare();
    void ExecProc();
    void Close() noexcept;

private:
    void LoadParams();
    Connection* conn_ = nullptr;
    Transaction* tr_ = nullptr;
    std::string name_;
    Params params_;
    bool loaded_ = false;
    std::unique_ptr<Query> q_;
};

// Helpers for the layer's own SQL.
// Quotes an identifier when it is not a plain upper-case one (dialect 3).
std::string QuoteIdent(std::string_view name);
bool SameText(std::string_view a, std::string_view b) noexcept;
std::string UpperCase(std::string_view s);

}  // namespace db
