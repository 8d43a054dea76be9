#include "db/Provider.h"

#include <map>

#include "db/FbDetail.h"

namespace db {

namespace {

bool IsBlob(DataType t) { return t == DataType::Memo || t == DataType::Blob; }

const Value& Null() {
    static const Value v;
    return v;
}

}  // namespace

// ---- DeltaField / DeltaRecord ---------------------------------------------------------------
const Value& DeltaField::OldValue() const {
    if (!rec_->old_ || index_ >= rec_->old_->size()) return Null();
    return (*rec_->old_)[index_];
}
const Value& DeltaField::NewValue() const {
    return NewValueAssigned() ? rec_->new_[index_] : Null();
}
bool DeltaField::NewValueAssigned() const {
    return index_ < rec_->new_.size() && index_ < rec_->assigned_.size() && rec_->assigned_[index_];
}
void DeltaField::SetNewValue(Value v) {
    if (rec_->new_.size() <= index_) rec_->new_.resize(rec_->fields_.size());
    if (rec_->assigned_.size() <= index_) rec_->assigned_.resize(rec_->fields_.size(), 0);
    rec_->new_[index_] = std::move(v);
    rec_->assigned_[index_] = 1;
}

DeltaField* DeltaRecord::FindField(std::string_view name) {
    for (auto& f : fields_)
        if (SameText(f.FieldName(), name)) return &f;
    return nullptr;
}
DeltaField& DeltaRecord::FieldByName(std::string_view name) {
    if (DeltaField* f = FindField(name)) return *f;
    throw Error("Field '" + std::string(name) + "' not found");
}

// ---- Provider -------------------------------------------------------------------------------
// The statements an apply generates live in the connection's statement cache; the
// provider keeps only the primary keys it read.
struct Provider::Cache {
    std::map<std::string, std::vector<std::string>> primaryKeys;  // by table
};

Provider::Provider() : cache_(std::make_unique<Cache>()) {}
Provider::Provider(Query& q) : Provider() { query_ = &q; }
Provider::~Provider() = default;

namespace {

Connection& ConnOf(Query* q) {
    if (!q) throw Error("Provider has no data set");
    if (!q->GetConnection()) throw Error("No connection assigned");
    return *q->GetConnection();
}

std::vector<std::string> LoadPrimaryKey(Connection& conn, Transaction* tr, const std::string& table) {
    Query q(conn);
    q.SetTransaction(tr);
    q.SetSQL(
        "SELECT TRIM(S.RDB$FIELD_NAME) FROM RDB$RELATION_CONSTRAINTS C "
        "JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = C.RDB$INDEX_NAME "
        "WHERE C.RDB$RELATION_NAME = :T AND C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' "
        "ORDER BY S.RDB$FIELD_POSITION");
    q.ParamByName("T").SetAsString(table);
    q.Open();
    std::vector<std::string> r;
    for (; !q.Eof(); q.Next()) r.push_back(q.Field(0).AsString());
    return r;
}

// The field of a packet for a result column: writable when it is a column of the update
// table, in the key when it belongs to that table's primary key.
FieldDef DefinicaoDoCampo(const ColumnInfo& c, const std::string& table, const std::vector<std::string>& chave) {
    FieldDef d;
    d.name = c.name;
    d.type = c.type;
    d.size = c.size;
    d.scale = c.scale;
    d.fixedChar = c.fixedChar;
    d.originTable = c.originTable;
    d.originField = c.originField;
    d.readOnly = c.originField.empty() || c.originTable != table;
    d.required = !d.readOnly && !c.nullable;
    if (d.readOnly) {
        d.providerFlags = 0;
    } else {
        d.providerFlags = IsBlob(d.type) ? pfInUpdate : (pfInUpdate | pfInWhere);
        for (const auto& k : chave)
            if (k == c.originField) d.providerFlags |= pfInKey;
    }
    return d;
}

}  // namespace

DataPacket Provider::GetData(const Params* clientParams, const std::string* commandText, Transaction* tr) {
    Connection& conn = ConnOf(query_);
    Query& q = *query_;
    std::vector<std::string> original;
    bool trocou = false;
    if (commandText && !commandText->empty()) {
        if (!AllowCommandText) throw Error("The provider does not allow the client to replace its statement");
        original = q.SQL();
        q.SetSQL(*commandText);
        trocou = true;
    }
    Transaction* trOriginal = q.GetTransaction();
    struct Restore {
        Query& q;
        std::vector<std::string>& sql;
        bool trocou;
        Transaction* tr;
        ~Restore() {
            q.Close();
            q.SetTransaction(tr);
            if (trocou) q.SQL() = sql;
        }
    } restore{q, original, trocou, trOriginal};
    if (tr) q.SetTransaction(tr);
    if (clientParams)
        for (const Param& p : *clientParams)
            if (Param* alvo = q.GetParams().FindParam(p.Name())) alvo->SetValue(p.GetValue());
    q.Close();
    q.Open();

    DataPacket pk;
    std::string table = table_;
    if (table.empty())
        for (const auto& c : q.Columns())
            if (!c.originTable.empty()) {
                table = c.originTable;
                break;
            }
    pk.tableName = table;
    std::vector<std::string> chave;
    if (!table.empty()) {
        auto it = cache_->primaryKeys.find(table);
        if (it == cache_->primaryKeys.end())
            it = cache_->primaryKeys.emplace(table, LoadPrimaryKey(conn, q.GetTransaction(), table)).first;
        chave = it->second;
    }
    for (const auto& c : q.Columns()) pk.fields.Add(DefinicaoDoCampo(c, table, chave));
    auto rows = q.TakeRows();
    pk.rows.reserve(rows.size());
    for (auto& r : rows) {
        PacketRow pr;
        pr.values = std::move(r);
        pk.rows.push_back(std::move(pr));
    }
    return pk;
}

namespace {

struct Change {
    UpdateKind kind;
    const PacketRow* old = nullptr;  // before-image (modify) or the deleted row
    const PacketRow* row = nullptr;  // inserted or modified row
};

std::vector<Change> Changes(const DataPacket& delta) {
    std::vector<Change> r;
    for (std::size_t i = 0; i < delta.rows.size(); ++i) {
        const PacketRow& pr = delta.rows[i];
        switch (pr.status) {
            case UpdateStatus::Inserted: r.push_back({UpdateKind::Insert, nullptr, &pr}); break;
            case UpdateStatus::Deleted: r.push_back({UpdateKind::Delete, &pr, nullptr}); break;
            case UpdateStatus::Unmodified:
                if (i + 1 < delta.rows.size() && delta.rows[i + 1].status == UpdateStatus::Modified) {
                    r.push_back({UpdateKind::Modify, &pr, &delta.rows[i + 1]});
                    ++i;
                }
                break;
            case UpdateStatus::Modified: r.push_back({UpdateKind::Modify, nullptr, &pr}); break;
        }
    }
    return r;
}

// Builds the statement for one change; values in `vals` follow the "?" in order.
// `forceKeyOnly` and `allFields` serve the Merge / Apply responses.
std::string BuildSql(const std::string& tbl, DeltaRecord& rec, const std::vector<FieldDef>& defs,
                     const std::vector<std::string>& quoted, UpdateMode mode, bool allFields,
                     std::vector<const Value*>& vals) {
    vals.clear();
    auto col = [&](std::size_t i) -> const std::string& { return quoted[i]; };
    auto usable = [&](std::size_t i) { return !defs[i].readOnly && !defs[i].originField.empty(); };
    auto where = [&]() {
        std::string w;
        for (std::size_t i = 0; i < defs.size(); ++i) {
            if (!usable(i) || IsBlob(defs[i].type)) continue;
            ProviderFlags f = defs[i].providerFlags;
            bool dentro = false;
            switch (mode) {
                case UpdateMode::WhereAll: dentro = f & pfInWhere; break;
                case UpdateMode::WhereChanged:
                    dentro = (f & pfInKey) || ((f & pfInWhere) && rec.Fields(i).NewValueAssigned());
                    break;
                case UpdateMode::WhereKeyOnly: dentro = f & pfInKey; break;
            }
            if (!dentro) continue;
            const Value& old = rec.Fields(i).OldValue();
            w += w.empty() ? " WHERE " : " AND ";
            if (old.IsNull()) {
                w += col(i);
                w += " IS NULL";
            } else {
                w += col(i);
                w += " = ?";
                vals.push_back(&old);
            }
        }
        if (w.empty()) throw Error("Unable to find record. No key specified.");
        return w;
    };
    switch (rec.Kind()) {
        case UpdateKind::Insert: {
            std::string cols, qs;
            for (std::size_t i = 0; i < defs.size(); ++i) {
                if (!usable(i) || !(defs[i].providerFlags & pfInUpdate)) continue;
                const Value& v = rec.Fields(i).NewValue();
                if (v.IsNull()) continue;  // omitted: the column's default applies
                if (!cols.empty()) {
                    cols += ", ";
                    qs += ", ";
                }
                cols += col(i);
                qs += "?";
                vals.push_back(&v);
            }
            if (cols.empty()) return "INSERT INTO " + tbl + " DEFAULT VALUES";
            return "INSERT INTO " + tbl + " (" + cols + ") VALUES (" + qs + ")";
        }
        case UpdateKind::Modify: {
            std::string set;
            for (std::size_t i = 0; i < defs.size(); ++i) {
                if (!usable(i) || !(defs[i].providerFlags & pfInUpdate)) continue;
                if (!allFields && !rec.Fields(i).NewValueAssigned()) continue;
                if (!set.empty()) set += ", ";
                set += col(i);
                set += " = ?";
                vals.push_back(&rec.Fields(i).CurrentValue());
            }
            if (set.empty()) return {};
            std::string r = "UPDATE " + tbl + " SET " + set;
            r += where();  // appends its values after the SET ones
            return r;
        }
        case UpdateKind::Delete: return "DELETE FROM " + tbl + where();
    }
    return {};
}

}  // namespace

ApplyResult Provider::ApplyUpdates(const DataPacket& delta, int maxErrors, Transaction* callerTr) {
    Connection& conn = ConnOf(query_);
    lastSql_.clear();
    ApplyResult res;
    std::vector<Change> changes = Changes(delta);
    res.outcomes.assign(changes.size(), ChangeOutcome::NotReached);
    res.refreshed.resize(changes.size());
    res.errors.resize(changes.size());
    if (changes.empty()) return res;

    std::string table = table_.empty() ? delta.tableName : table_;
    if (table.empty()) throw Error("Unable to resolve the table for updates");

    std::vector<FieldDef> defs(delta.fields.begin(), delta.fields.end());
    // Fields of another table or expressions are never written.
    for (auto& d : defs)
        if (!d.originTable.empty() && d.originTable != table) d.readOnly = true;

    Transaction own;
    Transaction* tr = callerTr;
    if (!tr) {
        own = conn.StartTransaction();
        tr = &own;
    }
    auto& ci = conn.Impl();
    const std::string quotedTable = QuoteIdent(table);
    std::vector<std::string> quoted(defs.size());
    for (std::size_t i = 0; i < defs.size(); ++i) quoted[i] = QuoteIdent(defs[i].originField);
    std::vector<const Value*> vals;

    auto exec = [&](const std::string& sql, const std::vector<const Value*>& vals,
                    std::vector<std::vector<Value>>* rows) -> std::int64_t {
        Firebird::ITransaction* tra = detail::TransacaoDe(ci, *tr);
        detail::StatementRef ps = ci.Acquire(sql, tra);
        return detail::Execute(ci, tra, *ps, vals, rows);
    };

    auto keyWhere = [&](DeltaRecord& rec, std::vector<const Value*>& vals) {
        std::string w;
        for (std::size_t i = 0; i < defs.size(); ++i) {
            if (!(defs[i].providerFlags & pfInKey) || defs[i].readOnly || defs[i].originField.empty()) continue;
            w += w.empty() ? " WHERE " : " AND ";
            w += QuoteIdent(defs[i].originField) + " = ?";
            vals.push_back(&rec.Fields(i).CurrentValue());
        }
        return w;
    };

    auto run = [&](DeltaRecord& rec, UpdateMode mode, bool allFields, std::size_t idx) {
        std::string sql = BuildSql(quotedTable, rec, defs, quoted, mode, allFields, vals);
        if (sql.empty()) return;  // nothing changed
        lastSql_.push_back(std::move(sql));
        std::int64_t n = exec(lastSql_.back(), vals, nullptr);
        if (n == 0 && rec.Kind() != UpdateKind::Insert)
            throw Error("Record not found or changed by another user", {Error::kRegistroAlterado}, "");
        if (RefreshAfterApply && rec.Kind() != UpdateKind::Delete) {
            std::vector<const Value*> kv;
            std::string w = keyWhere(rec, kv);
            if (w.empty()) return;
            std::string cols;
            std::vector<std::size_t> idxs;
            for (std::size_t i = 0; i < defs.size(); ++i) {
                if (defs[i].readOnly || defs[i].originField.empty()) continue;
                cols += (cols.empty() ? "" : ", ") + QuoteIdent(defs[i].originField);
                idxs.push_back(i);
            }
            std::vector<std::vector<Value>> rows;
            exec("SELECT " + cols + " FROM " + quotedTable + w, kv, &rows);
            if (rows.size() == 1) {
                std::vector<Value> novo(defs.size());
                for (std::size_t i = 0; i < defs.size(); ++i) novo[i] = rec.Fields(i).CurrentValue();
                for (std::size_t k = 0; k < idxs.size(); ++k) novo[idxs[k]] = rows[0][k];
                res.refreshed[idx] = std::move(novo);
            }
        }
    };

    static const std::vector<Value> kVazio;
    bool parar = false;
    // One record object for every change (its buffers are reused from change to change).
    DeltaRecord rec;
    rec.fields_.resize(defs.size());
    for (std::size_t i = 0; i < defs.size(); ++i) {
        rec.fields_[i].def_ = &defs[i];
        rec.fields_[i].rec_ = &rec;
        rec.fields_[i].index_ = i;
    }
    for (std::size_t idx = 0; idx < changes.size() && !parar; ++idx) {
        const Change& ch = changes[idx];
        rec.kind_ = ch.kind;
        rec.old_ = ch.old ? &ch.old->values : &kVazio;
        if (ch.row) {
            rec.new_ = ch.row->values;
            rec.new_.resize(defs.size());
            rec.assigned_.resize(defs.size());
            for (std::size_t i = 0; i < defs.size(); ++i) rec.assigned_[i] = ch.row->Assigned(i) ? 1 : 0;
        } else {
            rec.new_.clear();
            rec.assigned_.clear();
        }
        try {
            bool applied = false;
            if (OnBeforeUpdateRecord) OnBeforeUpdateRecord(*this, rec, ch.kind, applied);
            if (!applied) run(rec, mode_, false, idx);
            res.outcomes[idx] = ChangeOutcome::Applied;
        } catch (const Error& e0) {
            Error e = e0;
            UpdateResponse resp = (maxErrors < 0 || res.errorCount < maxErrors) ? UpdateResponse::Skip
                                                                                  : UpdateResponse::Abort;
            try {
                if (OnUpdateError) OnUpdateError(*this, e, rec, ch.kind, resp);
            } catch (...) {
                if (!callerTr) own.Rollback();
                throw;
            }
            bool falhou = true;
            switch (resp) {
                case UpdateResponse::Ignore:
                    res.outcomes[idx] = ChangeOutcome::Ignored;
                    falhou = false;
                    break;
                case UpdateResponse::Merge:
                case UpdateResponse::Apply:
                    try {
                        run(rec, UpdateMode::WhereKeyOnly, resp == UpdateResponse::Apply, idx);
                        res.outcomes[idx] = ChangeOutcome::Applied;
                        falhou = false;
                    } catch (const Error& e2) {
                        e = e2;
                    }
                    break;
                case UpdateResponse::Abort: parar = true; break;
                case UpdateResponse::Skip: break;
            }
            if (falhou) {
                res.outcomes[idx] = ChangeOutcome::Failed;
                res.errors[idx] = std::make_shared<Error>(e);
                ++res.errorCount;
                if (maxErrors >= 0 && res.errorCount > maxErrors) parar = true;
            }
            if (e.ConexaoPerdida()) parar = true;
        }
    }
    res.aborted = parar || (maxErrors >= 0 && res.errorCount > maxErrors);
    if (res.aborted) {
        if (!callerTr) own.Rollback();
        // Nothing of this apply stays in the database: every change remains pending.
        for (std::size_t i = 0; i < changes.size(); ++i) {
            if (res.outcomes[i] != ChangeOutcome::Failed) res.outcomes[i] = ChangeOutcome::NotReached;
            res.refreshed[i].clear();
        }
        return res;
    }
    if (!callerTr) own.Commit();
    return res;
}

}  // namespace db
