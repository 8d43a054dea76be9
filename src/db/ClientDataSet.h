#pragma once
// In-memory record set ("cds"): fed by a provider (Open asks it for the data packet) or by
// assigning a packet; created empty from field definitions; states Inactive, Browse,
// Edit, Insert; a change log of posted changes applied back through the provider.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/DataPacket.h"
#include "db/Provider.h"
#include "db/Query.h"

namespace db {

enum class DataSetState { Inactive, Browse, Edit, Insert, CalcFields };
enum class DataAction { Fail, Abort, Retry };
enum class ReconcileAction { Skip, Abort, Merge, Correct, Cancel, Refresh };

struct LocateOptions {
    bool caseInsensitive = false;
    bool partialKey = false;  // text fields: the value is a prefix
};

class ClientDataSet;

class Field {
public:
    const std::string& FieldName() const noexcept { return def_.name; }
    DataType GetDataType() const noexcept { return def_.type; }
    int Size() const noexcept { return def_.size; }
    int Scale() const noexcept { return def_.scale; }
    bool Calculated() const noexcept { return calculated_; }
    const FieldDef& Def() const noexcept { return def_; }
    ClientDataSet& DataSet() const noexcept { return *ds_; }
    std::size_t Index() const noexcept { return index_; }

    // ---- configuration ------------------------------------------------------------------
    std::string DisplayLabel;   // empty: the field name
    std::string EditMask;
    std::string DisplayFormat;  // numbers: "#,##0.00", "0.000"; dates: "dd/mm/yyyy"
    bool Required = false;
    bool ReadOnly = false;
    bool Visible = true;
    ProviderFlags GetProviderFlags() const noexcept { return def_.providerFlags; }
    void SetProviderFlags(ProviderFlags f) noexcept {
        def_.providerFlags = f;
        flagsSet_ = true;
    }
    const std::string& GetDisplayLabel() const { return DisplayLabel.empty() ? def_.name : DisplayLabel; }

    // Hooks: text shown or edited (displayText true for display), text typed by the
    // user, value changed. A change hook that raises refuses the value: the field keeps
    // the value it had before the assignment, and the error reaches the caller.
    std::function<void(Field&, std::string& text, bool displayText)> OnGetText;
    std::function<void(Field&, const std::string& text)> OnSetText;
    std::function<void(Field&)> OnChange;
    std::function<void(Field&)> OnValidate;

    // ---- value of the current record (the edit buffer while editing) -----------------
    const Value& GetValue() const;
    bool IsNull() const { return GetValue().IsNull(); }
    std::string AsString() const { return GetValue().AsString(); }
    std::int64_t AsInteger() const { return GetValue().AsInteger(); }
    double AsFloat() const { return GetValue().AsFloat(); }
    Currency AsCurrency() const { return GetValue().AsCurrency(); }
    TDateTime AsDateTime() const { return GetValue().AsDateTime(); }
    bool AsBoolean() const { return GetValue().AsBoolean(); }
    std::string AsBytes() const { return GetValue().AsBytes(); }

    // Setters need the data set in Edit or Insert state; the value is converted to the
    // field's type (plat::EConvertError when it cannot be).
    void SetValue(const Value& v);
    void SetAsString(const std::string& s);
    void SetAsInteger(std::int64_t v) { SetValue(Value::Integer(v)); }
    void SetAsFloat(double v) { SetValue(Value::Float(v)); }
    void SetAsCurrency(Currency c) { SetValue(Value::Money(c)); }
    void SetAsDateTime(TDateTime d) { SetValue(Value::DateTime(d)); }
    void SetAsBoolean(bool b) { SetValue(Value::Boolean(b)); }
    void Clear() { SetValue(Value()); }

    // Value as read from the database (before the pending change).
    const Value& OldValue() const;
    // False for a field that a Modified row of a loaded delta packet left unassigned.
    bool Assigned() const;

    // Text through the hooks: Text() (edit text), DisplayText(), SetText().
    std::string Text() const;
    std::string DisplayText() const;
    void SetText(const std::string& text);

private:
    friend class ClientDataSet;
    ClientDataSet* ds_ = nullptr;
    FieldDef def_;
    std::size_t index_ = 0;      // slot in the record (calculated fields after the data)
    bool calculated_ = false;
    bool persistent_ = false;
    bool flagsSet_ = false;
};

class ClientDataSet {
public:
    ClientDataSet();
    ~ClientDataSet();
    ClientDataSet(const ClientDataSet&) = delete;
    ClientDataSet& operator=(const ClientDataSet&) = delete;

    std::string Name;

    // ---- source ------------------------------------------------------------------------
    void SetProvider(Provider* p) { provider_ = p; }
    Provider* GetProvider() const noexcept { return provider_; }
    void SetProviderName(std::string n) { providerName_ = std::move(n); }
    const std::string& ProviderName() const noexcept { return providerName_; }
    // Parameters handed to the provider's query on Open.
    Params& GetParams() { return params_; }
    Param& ParamByName(std::string_view name) { return params_.ParamByName(name); }
    // Statement replacing the provider's (when the provider allows it); "" for none.
    void SetCommandText(std::string sql) { commandText_ = std::move(sql); }
    const std::string& CommandText() const noexcept { return commandText_; }

    // ---- fields ------------------------------------------------------------------------
    FieldDefs& GetFieldDefs() { return fieldDefs_; }
    // Persistent fields, declared while closed; Open binds them to the packet's columns by
    // name (a missing column fails the opening). Without persistent fields every column
    // of the packet becomes a field.
    Field& AddField(const FieldDef& def);
    Field& AddField(std::string name, DataType type, int size = 0);
    Field& AddCalcField(std::string name, DataType type, int size = 0);
    std::size_t FieldCount() const noexcept { return fields_.size(); }
    Field& Fields(std::size_t i) { return *fields_[i]; }
    const Field& Fields(std::size_t i) const { return *fields_[i]; }
    Field& FieldByName(std::string_view name);  // throws db::Error "Field 'X' not found"
    Field* FindField(std::string_view name);

    // ---- life --------------------------------------------------------------------------
    void Open();
    void Close() noexcept;
    bool Active() const noexcept { return state_ != DataSetState::Inactive; }
    void SetActive(bool a) { a ? Open() : Close(); }
    DataSetState State() const noexcept { return state_; }
    // Empty data set with the columns of GetFieldDefs() (or the persistent fields).
    void CreateDataSet();
    // Re-reads from the provider; fails with pending changes.
    void Refresh();
    // Whole content as a packet (current values, rows in the current order).
    DataPacket Data() const;
    // Replaces the content with a packet (closes first); rows keep the packet's statuses,
    // so a delta packet can be walked row by row.
    void SetData(const DataPacket& packet);
    // Read-only packet of the pending changes.
    DataPacket Delta() const;

    // ---- navigation --------------------------------------------------------------------
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const noexcept { return eof_; }
    bool Bof() const noexcept { return bof_; }
    bool IsEmpty() const noexcept { return rows_.empty(); }
    int RecordCount() const noexcept { return static_cast<int>(rows_.size()); }
    int RecNo() const noexcept;  // 1-based; 0 when empty
    void SetRecNo(int n);
    // Finds the first record whose fields ("A;B") equal the values; moves to it when found.
    bool Locate(std::string_view fieldNames, const Value& value, LocateOptions opt = {});
    bool Locate(std::string_view fieldNames, const std::vector<Value>& values, LocateOptions opt = {});
    // Order of the rows by fields "A;B" (ascending); "" for the packet's order.
    void SetIndexFieldNames(std::string names);
    const std::string& IndexFieldNames() const noexcept { return indexFieldNames_; }
    // Bookmark: identifies a record while the data set stays open.
    std::uintptr_t GetBookmark() const noexcept;
    bool GotoBookmark(std::uintptr_t b);
    void DisableControls() noexcept {}
    void EnableControls() noexcept {}

    // ---- editing -----------------------------------------------------------------------
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel() noexcept;
    void Delete();
    // Posts when editing (Browse afterwards).
    void CheckBrowseMode();

    // ---- change log --------------------------------------------------------------------
    bool LogChanges = true;
    int ChangeCount() const noexcept;
    UpdateStatus GetUpdateStatus() const;  // of the current record
    // Applies the change log through the provider in one transaction of its own: commit
    // when every change went through within maxErrors (-1 unlimited), roll back all
    // otherwise, keeping the change log for a retry. Returns the number of errors; raises
    // the first refused record's error unless OnReconcileError handled it.
    int ApplyUpdates(int maxErrors);
    // Same inside the caller's transaction: the change log is merged when that transaction
    // commits and kept when it rolls back.
    int ApplyUpdates(Transaction& tr, int maxErrors);
    void CancelUpdates();
    void MergeChangeLog();
    void RevertRecord();  // drops the current record's pending change

    // ---- hooks -------------------------------------------------------------------------
    std::function<void(ClientDataSet&)> BeforeOpen, AfterOpen, BeforeClose, BeforeInsert,
        AfterInsert, OnNewRecord, BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel,
        AfterCancel, BeforeDelete, AfterDelete, BeforeScroll, AfterScroll, OnCalcFields;
    std::function<void(ClientDataSet&, const std::exception&, DataAction&)> OnDeleteError,
        OnPostError;
    std::function<void(ClientDataSet&, const Error&, UpdateKind, ReconcileAction&)> OnReconcileError;

    // Internal record; opaque to callers.
    struct Record;

private:
    friend class Field;
    const Value& ValueAt(std::size_t slot) const;
    const Value& OldValueAt(std::size_t slot) const;
    bool AssignedAt(std::size_t slot) const;
    void SetValueAt(Field& f, Value v);
    void BindFields(const FieldDefs& defs);
    void LoadRows(std::vector<PacketRow>&& rows);
    void Sort();
    void Scrolled();
    void CalcRecord(Record& r);
    void CheckActive() const;
    void CheckBrowse(const char* op) const;
    void CheckEditing(const Field& f) const;
    std::vector<Record*> LoggedInOrder() const;
    void Merge(Record* r, const std::vector<Value>* refreshed);
    void Reposition(Record* r);
    int DoApply(Transaction* tr, int maxErrors);
    Record* Current() const noexcept;

    Provider* provider_ = nullptr;
    std::string providerName_;
    std::string commandText_;
    Params params_;
    FieldDefs fieldDefs_;
    FieldDefs dataDefs_;   // columns of the data (packet order)
    std::vector<std::unique_ptr<Field>> fields_;
    std::vector<std::unique_ptr<Record>> rows_;
    std::vector<std::unique_ptr<Record>> deleted_;
    std::vector<Value> buf_;
    Record* calcTarget_ = nullptr;
    std::size_t cur_ = 0;
    std::size_t insertPos_ = 0;
    bool eof_ = true;
    bool bof_ = true;
    DataSetState state_ = DataSetState::Inactive;
    std::string indexFieldNames_;
    std::vector<int> indexSlots_;
    std::uint64_t seq_ = 0;
    std::string tableName_;
    std::size_t dataCount_ = 0;
    std::shared_ptr<std::uint64_t> life_;  // generation of the content, for late merges
};

}  // namespace db
