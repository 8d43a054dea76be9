#pragma once
// Provider ("dsp"): delivers a query's rows as a data packet and applies a client data
// set's changes back to the query's table, each change as an INSERT, UPDATE or DELETE.
//
// Update modes decide the WHERE of UPDATE and DELETE:
//   WhereAll     - every field flagged pfInWhere, by its value as read (default);
//   WhereChanged - key fields plus the changed fields;
//   WhereKeyOnly - key fields alone.
// A null original value is matched with IS NULL; blob and memo fields never enter the
// WHERE. An UPDATE or DELETE that matches no row is an error (changed or removed by
// another user). Key fields are the table's primary key unless flags say otherwise.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/DataPacket.h"
#include "db/Error.h"
#include "db/Query.h"

namespace db {

enum class UpdateMode { WhereAll, WhereChanged, WhereKeyOnly };
enum class UpdateResponse { Skip, Abort, Merge, Apply, Ignore };

class Provider;

// The record being applied, as the provider's hooks see it: its fields with their
// provider flags (changes to the flags hold for the rest of the apply), the values as
// read (OldValue) and the new ones (NewValue, unassigned when the field was not changed).
class DeltaField {
public:
    const std::string& FieldName() const noexcept { return def_->name; }
    DataType Type() const noexcept { return def_->type; }
    ProviderFlags GetProviderFlags() const noexcept { return def_->providerFlags; }
    void SetProviderFlags(ProviderFlags f) noexcept { def_->providerFlags = f; }
    const Value& OldValue() const;
    const Value& NewValue() const;  // null when unassigned
    bool NewValueAssigned() const;
    // Current value: the new one when assigned, the old one otherwise.
    const Value& CurrentValue() const { return NewValueAssigned() ? NewValue() : OldValue(); }
    std::string AsString() const { return CurrentValue().AsString(); }
    // Changes the value to be written (OnBeforeUpdateRecord / OnUpdateError with Apply).
    void SetNewValue(Value v);

private:
    friend class DeltaRecord;
    friend class Provider;
    FieldDef* def_ = nullptr;
    class DeltaRecord* rec_ = nullptr;
    std::size_t index_ = 0;
};

class DeltaRecord {
public:
    UpdateKind Kind() const noexcept { return kind_; }
    std::size_t FieldCount() const noexcept { return fields_.size(); }
    DeltaField& Fields(std::size_t i) { return fields_[i]; }
    DeltaField& FieldByName(std::string_view name);  // throws db::Error
    DeltaField* FindField(std::string_view name);

private:
    friend class Provider;
    friend class DeltaField;
    UpdateKind kind_ = UpdateKind::Modify;
    std::vector<DeltaField> fields_;
    const std::vector<Value>* old_ = nullptr;
    std::vector<Value> new_;
    std::vector<char> assigned_;
};

// Outcome of one change of an apply, for the client data set.
enum class ChangeOutcome { Applied, Ignored, Failed, NotReached };
struct ApplyResult {
    int errorCount = 0;
    std::vector<ChangeOutcome> outcomes;       // one per change, in the delta's order
    std::vector<std::vector<Value>> refreshed; // new values per change when refreshed
    std::vector<std::shared_ptr<Error>> errors;  // per change (null when none)
    bool aborted = false;
};

class Provider {
public:
    Provider();
    explicit Provider(Query& q);
    ~Provider();
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;

    void SetDataSet(Query* q) { query_ = q; }
    Query* DataSet() const noexcept { return query_; }

    void SetUpdateMode(UpdateMode m) { mode_ = m; }
    UpdateMode GetUpdateMode() const noexcept { return mode_; }
    // Refresh each record from the table after it is applied.
    bool RefreshAfterApply = false;
    // The client may replace the statement text.
    bool AllowCommandText = false;
    // Table written by the apply; found from the query's columns when empty.
    void SetUpdateTableName(std::string t) { table_ = std::move(t); }
    const std::string& UpdateTableName() const noexcept { return table_; }

    // Hooks.
    std::function<void(Provider&, const Error&, DeltaRecord&, UpdateKind, UpdateResponse&)>
        OnUpdateError;
    // May change flags and values on the delta; setting `applied` skips the statement.
    std::function<void(Provider&, DeltaRecord&, UpdateKind, bool& applied)> OnBeforeUpdateRecord;

    // Executes the query (with the client's parameters, when given, and the client's
    // statement text when allowed) and returns all rows with their descriptions.
    DataPacket GetData(const Params* clientParams = nullptr, const std::string* commandText = nullptr,
                       Transaction* tr = nullptr);

    // Applies a delta packet. With `tr` null the apply runs in its own transaction,
    // committed when every change went through within maxErrors (-1: unlimited), rolled
    // back otherwise. With a caller's transaction nothing is committed or rolled back.
    // Throws the first error when the apply ends over the limit and `raise` is set.
    ApplyResult ApplyUpdates(const DataPacket& delta, int maxErrors, Transaction* tr = nullptr);

    // The statements the last apply generated (for tests): one per executed change.
    const std::vector<std::string>& LastStatements() const noexcept { return lastSql_; }

    // Name used in messages.
    std::string Name;

private:
    struct Cache;
    Query* query_ = nullptr;
    UpdateMode mode_ = UpdateMode::WhereAll;
    std::string table_;
    std::vector<std::string> lastSql_;
    std::unique_ptr<Cache> cache_;
};

}  // namespace db
