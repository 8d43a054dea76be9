#include "db/ClientDataSet.h"

#include <algorithm>
#include <cmath>

#include "platform/DataHora.h"
#include "platform/Mensagens.h"

namespace db {

struct ClientDataSet::Record {
    std::vector<Value> cur;   // data slots, then calculated ones
    std::vector<Value> orig;  // data slots as read (or as last applied)
    UpdateStatus status = UpdateStatus::Unmodified;
    bool logged = false;      // pending in the change log
    std::uint64_t seq = 0;    // order of its first change
    std::vector<char> assigned;  // rows of a loaded delta packet
};

namespace {

const Value& NullValue() {
    static const Value v;
    return v;
}

std::vector<std::string> SplitNames(std::string_view s) {
    std::vector<std::string> r;
    std::size_t i = 0;
    while (i <= s.size()) {
        std::size_t j = s.find(';', i);
        if (j == std::string_view::npos) j = s.size();
        std::string n(s.substr(i, j - i));
        while (!n.empty() && n.front() == ' ') n.erase(n.begin());
        while (!n.empty() && n.back() == ' ') n.pop_back();
        if (!n.empty()) r.push_back(n);
        i = j + 1;
    }
    return r;
}

// Converts a value to the representation of a field type.
Value Coerce(const Value& v, const FieldDef& d) {
    if (v.IsNull()) return v;
    switch (d.type) {
        case DataType::String:
        case DataType::Memo:
            if (v.Kind() == ValueKind::Text || v.Kind() == ValueKind::Bytes) return v;
            return Value::Text(v.AsString());
        case DataType::Blob: return v.Kind() == ValueKind::Bytes ? v : Value::Bytes(v.AsBytes());
        case DataType::SmallInt:
        case DataType::Integer:
        case DataType::LargeInt: {
            if (v.Kind() == ValueKind::Text) {
                std::int64_t n = v.AsInteger();
                return Value::Integer(n);
            }
            return Value::Integer(v.AsInteger());
        }
        case DataType::Float: return Value::Float(v.AsFloat());
        case DataType::Decimal: {
            int sc = d.scale;
            if (v.Kind() == ValueKind::Decimal && v.Scale() == sc) return v;
            if (sc <= 4) {
                Currency c = v.AsCurrency();
                std::int64_t raw = c.Raw();
                std::int64_t f = 1;
                for (int k = sc; k < 4; ++k) f *= 10;
                std::int64_t q = raw / f, r = raw % f;
                if (r * 2 >= f) ++q;
                else if (r * 2 <= -f) --q;
                return Value::Decimal(q, sc);
            }
            double x = v.AsFloat();
            double p = std::pow(10.0, sc);
            return Value::Decimal(static_cast<std::int64_t>(std::llround(x * p)), sc);
        }
        case DataType::Date: return Value::DateTime(std::trunc(v.AsDateTime()));
        case DataType::Time: {
            double t = v.AsDateTime();
            return Value::DateTime(std::fabs(t - std::trunc(t)));
        }
        case DataType::DateTime: return Value::DateTime(v.AsDateTime());
        case DataType::Boolean: return Value::Boolean(v.AsBoolean());
        case DataType::Unknown: return v;
    }
    return v;
}

// Formats a number with a display mask such as "#,##0.00" or "0.000".
std::string FormatNumber(const Value& v, const std::string& mask) {
    std::size_t ponto = mask.find('.');
    int dec = 0;
    if (ponto != std::string::npos)
        for (std::size_t i = ponto + 1; i < mask.size() && (mask[i] == '0' || mask[i] == '#'); ++i) ++dec;
    bool milhar = mask.find(',') != std::string::npos && (ponto == std::string::npos || mask.find(',') < ponto);
    Currency c = v.AsCurrency();
    return c.Format(std::min(dec, 4), milhar);
}

}  // namespace

// ---- Field --------------------------------------------------------------------------------
const Value& Field::GetValue() const { return ds_->ValueAt(index_); }
const Value& Field::OldValue() const { return calculated_ ? NullValue() : ds_->OldValueAt(index_); }
bool Field::Assigned() const { return ds_->AssignedAt(index_); }
void Field::SetValue(const Value& v) {
    ds_->CheckEditing(*this);
    ds_->SetValueAt(*this, Coerce(v, def_));
}

void Field::SetAsString(const std::string& s) {
    if (s.empty() && def_.type != DataType::String && def_.type != DataType::Memo) {
        Clear();
        return;
    }
    SetValue(Value::Text(s));
}

std::string Field::Text() const {
    std::string t = AsString();
    if (OnGetText) OnGetText(const_cast<Field&>(*this), t, false);
    return t;
}

std::string Field::DisplayText() const {
    std::string t;
    if (!IsNull() && !DisplayFormat.empty()) {
        switch (def_.type) {
            case DataType::Date:
            case DataType::Time:
            case DataType::DateTime: t = plat::FormatDateTime(DisplayFormat, AsDateTime()); break;
            case DataType::SmallInt:
            case DataType::Integer:
            case DataType::LargeInt:
            case DataType::Float:
            case DataType::Decimal: t = FormatNumber(GetValue(), DisplayFormat); break;
            default: t = AsString(); break;
        }
    } else {
        t = AsString();
    }
    if (OnGetText) OnGetText(const_cast<Field&>(*this), t, true);
    return t;
}

void Field::SetText(const std::string& text) {
    if (OnSetText) OnSetText(*this, text);
    else SetAsString(text);
}

// ---- ClientDataSet: fields ------------------------------------------------------------------
ClientDataSet::ClientDataSet() : life_(std::make_shared<std::uint64_t>(0)) {}
ClientDataSet::~ClientDataSet() = default;

Field& ClientDataSet::AddField(const FieldDef& def) {
    if (Active()) throw Error("Cannot add fields to an open data set");
    if (FindField(def.name)) throw Error("Duplicate field name '" + def.name + "'");
    auto f = std::make_unique<Field>();
    f->ds_ = this;
    f->def_ = def;
    f->persistent_ = true;
    f->Required = def.required;
    fields_.push_back(std::move(f));
    return *fields_.back();
}

Field& ClientDataSet::AddField(std::string name, DataType type, int size) {
    FieldDef d;
    d.name = std::move(name);
    d.type = type;
    d.size = size;
    if (type == DataType::Memo || type == DataType::Blob) d.providerFlags = pfInUpdate;
    return AddField(d);
}

Field& ClientDataSet::AddCalcField(std::string name, DataType type, int size) {
    FieldDef d;
    d.name = std::move(name);
    d.type = type;
    d.size = size;
    d.providerFlags = 0;
    d.readOnly = true;
    Field& f = AddField(d);
    f.calculated_ = true;
    return f;
}

Field* ClientDataSet::FindField(std::string_view name) {
    for (auto& f : fields_)
        if (SameText(f->FieldName(), name)) return f.get();
    return nullptr;
}

Field& ClientDataSet::FieldByName(std::string_view name) {
    if (Field* f = FindField(name)) return *f;
    throw Error((Name.empty() ? "" : Name + ": ") + "Field '" + std::string(name) + "' not found");
}

void ClientDataSet::BindFields(const FieldDefs& defs) {
    dataDefs_ = defs;
    dataCount_ = defs.Count();
    bool persistentes = std::any_of(fields_.begin(), fields_.end(), [](auto& f) { return f->persistent_; });
    if (!persistentes) {
        fields_.clear();
        for (std::size_t i = 0; i < defs.Count(); ++i) {
            auto f = std::make_unique<Field>();
            f->ds_ = this;
            f->def_ = defs[i];
            f->index_ = i;
            f->Required = defs[i].required;
            fields_.push_back(std::move(f));
        }
        return;
    }
    std::size_t calc = 0;
    for (auto& f : fields_) {
        if (f->calculated_) {
            f->index_ = dataCount_ + calc++;
            continue;
        }
        int i = defs.IndexOf(f->FieldName());
        if (i < 0) throw Error((Name.empty() ? "" : Name + ": ") + "Field '" + f->FieldName() + "' not found");
        const FieldDef& d = defs[static_cast<std::size_t>(i)];
        f->index_ = static_cast<std::size_t>(i);
        ProviderFlags flags = f->flagsSet_ ? f->def_.providerFlags : d.providerFlags;
        std::string nome = f->def_.name;
        f->def_ = d;
        f->def_.name = nome;
        f->def_.providerFlags = flags;
    }
}

// ---- ClientDataSet: values ------------------------------------------------------------------
ClientDataSet::Record* ClientDataSet::Current() const noexcept {
    if (rows_.empty() || cur_ >= rows_.size()) return nullptr;
    return rows_[cur_].get();
}

const Value& ClientDataSet::ValueAt(std::size_t slot) const {
    if (state_ == DataSetState::CalcFields && calcTarget_)
        return slot < calcTarget_->cur.size() ? calcTarget_->cur[slot] : NullValue();
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert)
        return slot < buf_.size() ? buf_[slot] : NullValue();
    Record* r = Current();
    if (!r || slot >= r->cur.size()) return NullValue();
    return r->cur[slot];
}

const Value& ClientDataSet::OldValueAt(std::size_t slot) const {
    Record* r = state_ == DataSetState::Insert ? nullptr : Current();
    if (!r) return NullValue();
    if (r->status == UpdateStatus::Inserted) return NullValue();
    if (!r->orig.empty()) return slot < r->orig.size() ? r->orig[slot] : NullValue();
    return slot < r->cur.size() ? r->cur[slot] : NullValue();
}

bool ClientDataSet::AssignedAt(std::size_t slot) const {
    Record* r = Current();
    if (!r || r->assigned.empty()) return true;
    return slot < r->assigned.size() && r->assigned[slot];
}

void ClientDataSet::CheckEditing(const Field& f) const {
    if (f.calculated_ && state_ == DataSetState::CalcFields) return;
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        throw Error((Name.empty() ? "" : Name + ": ") + "Dataset not in edit or insert mode");
    if (f.ReadOnly) throw Error("Field '" + f.FieldName() + "' cannot be modified");
}

void ClientDataSet::SetValueAt(Field& f, Value v) {
    CheckEditing(f);
    if (state_ == DataSetState::CalcFields) {
        if (f.index_ < calcTarget_->cur.size()) calcTarget_->cur[f.index_] = std::move(v);
        return;
    }
    if (f.OnValidate) {
        Value antigo = buf_[f.index_];
        buf_[f.index_] = v;
        try {
            f.OnValidate(f);
        } catch (...) {
            buf_[f.index_] = std::move(antigo);
            throw;
        }
    }
    if (!f.OnChange) {
        buf_[f.index_] = std::move(v);
        return;
    }
    // A change hook that raises refuses the value: the field gets its previous value
    // back, as after a refused validation, so the record cannot be posted with it.
    Value anterior = buf_[f.index_];
    buf_[f.index_] = std::move(v);
    try {
        f.OnChange(f);
    } catch (...) {
        if ((state_ == DataSetState::Edit || state_ == DataSetState::Insert) && f.index_ < buf_.size())
            buf_[f.index_] = std::move(anterior);
        throw;
    }
}

void ClientDataSet::CalcRecord(Record& r) {
    if (!OnCalcFields) return;
    DataSetState anterior = state_;
    Record* alvo = calcTarget_;
    state_ = DataSetState::CalcFields;
    calcTarget_ = &r;
    for (auto& f : fields_)
        if (f->calculated_ && f->index_ < r.cur.size()) r.cur[f->index_] = Value();
    try {
        OnCalcFields(*this);
    } catch (...) {
        state_ = anterior;
        calcTarget_ = alvo;
        throw;
    }
    state_ = anterior;
    calcTarget_ = alvo;
}

// ---- ClientDataSet: life --------------------------------------------------------------------
void ClientDataSet::CheckActive() const {
    if (!Active()) throw Error((Name.empty() ? "" : Name + ": ") + "Cannot perform this operation on a closed dataset");
}

void ClientDataSet::LoadRows(std::vector<PacketRow>&& rows) {
    std::size_t slots = dataCount_;
    for (auto& f : fields_)
        if (f->calculated_) ++slots;
    rows_.clear();
    deleted_.clear();
    rows_.reserve(rows.size());
    for (auto& pr : rows) {
        auto r = std::make_unique<Record>();
        r->cur = std::move(pr.values);
        r->cur.resize(slots);
        r->status = pr.status;
        r->assigned = std::move(pr.assigned);
        rows_.push_back(std::move(r));
    }
    state_ = DataSetState::Browse;
    for (auto& r : rows_) CalcRecord(*r);
    Sort();
    cur_ = 0;
    bof_ = true;
    eof_ = rows_.empty();
}

void ClientDataSet::Open() {
    if (Active()) return;
    if (BeforeOpen) BeforeOpen(*this);
    if (!provider_) throw Error((Name.empty() ? "" : Name + ": ") + "Missing data provider or data packet");
    DataPacket pk = provider_->GetData(params_.Count() ? &params_ : nullptr,
                                       commandText_.empty() ? nullptr : &commandText_);
    tableName_ = pk.tableName;
    BindFields(pk.fields);
    ++*life_;
    LoadRows(std::move(pk.rows));
    if (AfterOpen) AfterOpen(*this);
    Scrolled();
}

void ClientDataSet::Close() noexcept {
    if (!Active()) return;
    if (BeforeClose) try { BeforeClose(*this); } catch (...) {}
    state_ = DataSetState::Inactive;
    rows_.clear();
    deleted_.clear();
    buf_.clear();
    cur_ = 0;
    eof_ = bof_ = true;
    ++*life_;
    // dynamic fields go with the data
    if (!std::any_of(fields_.begin(), fields_.end(), [](auto& f) { return f->persistent_; })) fields_.clear();
}

void ClientDataSet::CreateDataSet() {
    Close();
    FieldDefs defs = fieldDefs_;
    if (defs.Count() == 0)
        for (auto& f : fields_)
            if (!f->calculated_) defs.Add(f->def_);
    if (defs.Count() == 0) throw Error((Name.empty() ? "" : Name + ": ") + "Missing field definitions");
    tableName_.clear();
    BindFields(defs);
    ++*life_;
    LoadRows({});
    if (AfterOpen) AfterOpen(*this);
}

void ClientDataSet::Refresh() {
    CheckActive();
    CheckBrowseMode();
    if (ChangeCount() > 0) throw Error("Must apply updates before refreshing data");
    if (!provider_) throw Error("Missing data provider or data packet");
    int rec = RecNo();
    DataPacket pk = provider_->GetData(params_.Count() ? &params_ : nullptr,
                                       commandText_.empty() ? nullptr : &commandText_);
    tableName_ = pk.tableName;
    BindFields(pk.fields);
    ++*life_;
    LoadRows(std::move(pk.rows));
    if (rec > 0 && !rows_.empty()) cur_ = std::min<std::size_t>(static_cast<std::size_t>(rec - 1), rows_.size() - 1);
    Scrolled();
}

DataPacket ClientDataSet::Data() const {
    CheckActive();
    DataPacket pk;
    pk.fields = dataDefs_;
    for (auto& f : fields_)
        if (!f->calculated_ && f->index_ < pk.fields.Count()) pk.fields[f->index_].providerFlags = f->def_.providerFlags;
    pk.tableName = tableName_;
    for (auto& r : rows_) {
        PacketRow pr;
        pr.values.assign(r->cur.begin(), r->cur.begin() + static_cast<std::ptrdiff_t>(dataCount_));
        pk.rows.push_back(std::move(pr));
    }
    return pk;
}

void ClientDataSet::SetData(const DataPacket& packet) {
    Close();
    tableName_ = packet.tableName;
    BindFields(packet.fields);
    ++*life_;
    std::vector<PacketRow> rows = packet.rows;
    LoadRows(std::move(rows));
    if (AfterOpen) AfterOpen(*this);
    Scrolled();
}

std::vector<ClientDataSet::Record*> ClientDataSet::LoggedInOrder() const {
    std::vector<Record*> r;
    for (auto& x : rows_)
        if (x->logged) r.push_back(x.get());
    for (auto& x : deleted_)
        if (x->logged) r.push_back(x.get());
    std::sort(r.begin(), r.end(), [](Record* a, Record* b) { return a->seq < b->seq; });
    return r;
}

DataPacket ClientDataSet::Delta() const {
    CheckActive();
    DataPacket pk;
    pk.fields = dataDefs_;
    for (auto& f : fields_)
        if (!f->calculated_ && f->index_ < pk.fields.Count()) pk.fields[f->index_].providerFlags = f->def_.providerFlags;
    pk.tableName = tableName_;
    // a row of the packet: the data columns of a record's values (calculated ones left out)
    auto linha = [&](UpdateStatus status, const std::vector<Value>& v) {
        PacketRow pr;
        pr.status = status;
        pr.values.assign(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(std::min(dataCount_, v.size())));
        return pr;
    };
    for (Record* r : LoggedInOrder()) {
        switch (r->status) {
            case UpdateStatus::Inserted: pk.rows.push_back(linha(UpdateStatus::Inserted, r->cur)); break;
            case UpdateStatus::Deleted: pk.rows.push_back(linha(UpdateStatus::Deleted, r->orig)); break;
            case UpdateStatus::Modified: {
                PacketRow antes = linha(UpdateStatus::Unmodified, r->orig);
                PacketRow mod;
                mod.status = UpdateStatus::Modified;
                mod.values.resize(dataCount_);
                mod.assigned.assign(dataCount_, 0);
                for (std::size_t i = 0; i < dataCount_; ++i) {
                    const Value& a = antes.values[i];
                    const Value& b = r->cur[i];
                    bool mudou = a.IsNull() != b.IsNull() || a.Kind() != b.Kind() || !(a == b) ||
                                 a.RawText() != b.RawText();
                    if (mudou) {
                        mod.values[i] = b;
                        mod.assigned[i] = 1;
                    }
                }
                pk.rows.push_back(std::move(antes));
                pk.rows.push_back(std::move(mod));
                break;
            }
            case UpdateStatus::Unmodified: break;
        }
    }
    return pk;
}

// ---- navigation -----------------------------------------------------------------------------
void ClientDataSet::Scrolled() {
    if (AfterScroll) AfterScroll(*this);
}

void ClientDataSet::First() {
    CheckActive();
    CheckBrowseMode();
    if (BeforeScroll) BeforeScroll(*this);
    cur_ = 0;
    bof_ = true;
    eof_ = rows_.empty();
    Scrolled();
}

void ClientDataSet::Next() {
    CheckActive();
    CheckBrowseMode();
    if (cur_ + 1 < rows_.size()) {
        if (BeforeScroll) BeforeScroll(*this);
        ++cur_;
        bof_ = false;
        Scrolled();
    } else {
        eof_ = true;
        bof_ = rows_.empty();
    }
}

void ClientDataSet::Prior() {
    CheckActive();
    CheckBrowseMode();
    if (cur_ > 0 && !rows_.empty()) {
        if (BeforeScroll) BeforeScroll(*this);
        --cur_;
        eof_ = false;
        Scrolled();
    } else {
        bof_ = true;
        eof_ = rows_.empty();
    }
}

void ClientDataSet::Last() {
    CheckActive();
    CheckBrowseMode();
    if (BeforeScroll) BeforeScroll(*this);
    cur_ = rows_.empty() ? 0 : rows_.size() - 1;
    eof_ = true;
    bof_ = rows_.empty();
    Scrolled();
}

int ClientDataSet::RecNo() const noexcept {
    if (state_ == DataSetState::Insert) return 0;
    return rows_.empty() ? 0 : static_cast<int>(cur_) + 1;
}

void ClientDataSet::SetRecNo(int n) {
    CheckActive();
    CheckBrowseMode();
    if (n < 1 || static_cast<std::size_t>(n) > rows_.size()) throw Error("Record number out of range");
    cur_ = static_cast<std::size_t>(n - 1);
    bof_ = eof_ = false;
    Scrolled();
}

std::uintptr_t ClientDataSet::GetBookmark() const noexcept { return reinterpret_cast<std::uintptr_t>(Current()); }

bool ClientDataSet::GotoBookmark(std::uintptr_t b) {
    CheckBrowseMode();
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (reinterpret_cast<std::uintptr_t>(rows_[i].get()) == b) {
            cur_ = i;
            bof_ = eof_ = false;
            Scrolled();
            return true;
        }
    return false;
}

bool ClientDataSet::Locate(std::string_view fieldNames, const Value& value, LocateOptions opt) {
    return Locate(fieldNames, std::vector<Value>{value}, opt);
}

bool ClientDataSet::Locate(std::string_view fieldNames, const std::vector<Value>& values, LocateOptions opt) {
    CheckActive();
    CheckBrowseMode();
    auto nomes = SplitNames(fieldNames);
    if (nomes.size() != values.size()) throw Error("Locate: number of fields and values differ");
    std::vector<Field*> fs;
    for (auto& n : nomes) fs.push_back(&FieldByName(n));
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        bool ok = true;
        for (std::size_t k = 0; k < fs.size() && ok; ++k) {
            const Value& v = fs[k]->index_ < rows_[i]->cur.size() ? rows_[i]->cur[fs[k]->index_] : NullValue();
            const Value& alvo = values[k];
            if (opt.partialKey && !v.IsNull() && !alvo.IsNull() &&
                (alvo.Kind() == ValueKind::Text || alvo.Kind() == ValueKind::Bytes)) {
                std::string a = v.AsString(), b = alvo.AsString();
                if (a.size() < b.size()) {
                    ok = false;
                    continue;
                }
                ok = Value::Compare(Value::Text(a.substr(0, b.size())), Value::Text(b), opt.caseInsensitive) == 0;
            } else {
                Value conv;
                try {
                    conv = Coerce(alvo, fs[k]->def_);
                } catch (const plat::EConvertError&) {
                    ok = false;  // a value the field cannot hold matches no record
                    continue;
                }
                ok = Value::Compare(v, conv, opt.caseInsensitive) == 0;
            }
        }
        if (ok) {
            if (BeforeScroll) BeforeScroll(*this);
            cur_ = i;
            bof_ = eof_ = false;
            Scrolled();
            return true;
        }
    }
    return false;
}

void ClientDataSet::SetIndexFieldNames(std::string names) {
    indexFieldNames_ = std::move(names);
    if (Active()) {
        CheckBrowseMode();
        Sort();
    }
}

void ClientDataSet::Sort() {
    indexSlots_.clear();
    if (indexFieldNames_.empty() || rows_.empty()) return;
    for (auto& n : SplitNames(indexFieldNames_)) indexSlots_.push_back(static_cast<int>(FieldByName(n).index_));
    Record* atual = Current();
    std::stable_sort(rows_.begin(), rows_.end(), [&](const auto& a, const auto& b) {
        for (int s : indexSlots_) {
            int c = Value::Compare(a->cur[static_cast<std::size_t>(s)], b->cur[static_cast<std::size_t>(s)]);
            if (c) return c < 0;
        }
        return false;
    });
    Reposition(atual);
}

void ClientDataSet::Reposition(Record* r) {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].get() == r) {
            cur_ = i;
            return;
        }
    if (cur_ >= rows_.size()) cur_ = rows_.empty() ? 0 : rows_.size() - 1;
}

// ---- editing --------------------------------------------------------------------------------
void ClientDataSet::CheckBrowse(const char* op) const {
    (void)op;
    CheckActive();
}

void ClientDataSet::CheckBrowseMode() {
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) Post();
}

void ClientDataSet::Append() {
    CheckActive();
    CheckBrowseMode();
    if (BeforeInsert) BeforeInsert(*this);
    std::size_t slots = dataCount_;
    for (auto& f : fields_)
        if (f->calculated_) ++slots;
    buf_.assign(slots, Value());
    insertPos_ = rows_.size();
    state_ = DataSetState::Insert;
    eof_ = true;
    try {
        if (OnNewRecord) OnNewRecord(*this);
    } catch (...) {
        Cancel();
        throw;
    }
    if (AfterInsert) AfterInsert(*this);
}

void ClientDataSet::Insert() {
    CheckActive();
    CheckBrowseMode();
    std::size_t pos = rows_.empty() ? 0 : cur_;
    Append();
    insertPos_ = pos;
}

void ClientDataSet::Edit() {
    CheckActive();
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) return;
    if (rows_.empty()) {
        Append();
        return;
    }
    if (BeforeEdit) BeforeEdit(*this);
    buf_ = rows_[cur_]->cur;
    state_ = DataSetState::Edit;
    if (AfterEdit) AfterEdit(*this);
}

void ClientDataSet::Post() {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
    if (BeforePost) BeforePost(*this);
    for (auto& f : fields_)
        if (f->Required && !f->calculated_ && buf_[f->index_].IsNull())
            throw Error("Field '" + f->GetDisplayLabel() + "' must have a value");
    Record* r = nullptr;
    if (state_ == DataSetState::Insert) {
        auto novo = std::make_unique<Record>();
        novo->cur = std::move(buf_);
        novo->status = LogChanges ? UpdateStatus::Inserted : UpdateStatus::Unmodified;
        novo->logged = LogChanges;
        novo->seq = ++seq_;
        r = novo.get();
        std::size_t pos = std::min(insertPos_, rows_.size());
        rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(pos), std::move(novo));
        cur_ = pos;
    } else {
        r = rows_[cur_].get();
        if (LogChanges) {
            if (r->orig.empty() && r->status != UpdateStatus::Inserted)
                r->orig.assign(r->cur.begin(), r->cur.begin() + static_cast<std::ptrdiff_t>(dataCount_));
            if (r->status == UpdateStatus::Unmodified) r->status = UpdateStatus::Modified;
            if (!r->logged) {
                r->logged = true;
                r->seq = ++seq_;
            }
        } else {
            r->orig.clear();
        }
        r->cur = std::move(buf_);
    }
    buf_.clear();
    state_ = DataSetState::Browse;
    eof_ = bof_ = false;
    CalcRecord(*r);
    Sort();
    Reposition(r);
    if (AfterPost) AfterPost(*this);
}

void ClientDataSet::Cancel() noexcept {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
    if (BeforeCancel) try { BeforeCancel(*this); } catch (...) {}
    buf_.clear();
    state_ = DataSetState::Browse;
    eof_ = rows_.empty();
    if (AfterCancel) try { AfterCancel(*this); } catch (...) {}
}

void ClientDataSet::Delete() {
    CheckActive();
    if (state_ == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (state_ == DataSetState::Edit) Cancel();
    for (;;) {
        try {
            if (rows_.empty()) throw Error("Cannot perform this operation on an empty dataset");
            if (BeforeDelete) BeforeDelete(*this);
            auto r = std::move(rows_[cur_]);
            rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(cur_));
            if (LogChanges && r->status != UpdateStatus::Inserted) {
                if (r->orig.empty()) r->orig.assign(r->cur.begin(), r->cur.begin() + static_cast<std::ptrdiff_t>(dataCount_));
                r->status = UpdateStatus::Deleted;
                if (!r->logged) {
                    r->logged = true;
                    r->seq = ++seq_;
                }
                deleted_.push_back(std::move(r));
            }
            if (cur_ >= rows_.size()) cur_ = rows_.empty() ? 0 : rows_.size() - 1;
            eof_ = rows_.empty();
            bof_ = rows_.empty();
            break;
        } catch (const plat::EAbort&) {
            throw;
        } catch (const std::exception& e) {
            if (!OnDeleteError) throw;
            DataAction acao = DataAction::Fail;
            OnDeleteError(*this, e, acao);
            if (acao == DataAction::Fail) throw;
            if (acao == DataAction::Abort) plat::Abort();
        }
    }
    if (AfterDelete) AfterDelete(*this);
    Scrolled();
}

// ---- change log -----------------------------------------------------------------------------
int ClientDataSet::ChangeCount() const noexcept {
    int n = 0;
    for (auto& r : rows_) n += r->logged;
    for (auto& r : deleted_) n += r->logged;
    return n;
}

UpdateStatus ClientDataSet::GetUpdateStatus() const {
    CheckActive();
    if (state_ == DataSetState::Insert) return UpdateStatus::Inserted;
    Record* r = Current();
    return r ? r->status : UpdateStatus::Unmodified;
}

void ClientDataSet::Merge(Record* r, const std::vector<Value>* refreshed) {
    if (r->status == UpdateStatus::Deleted) {
        auto it = std::find_if(deleted_.begin(), deleted_.end(), [&](auto& p) { return p.get() == r; });
        if (it != deleted_.end()) deleted_.erase(it);
        return;
    }
    if (refreshed && !refreshed->empty())
        for (std::size_t i = 0; i < refreshed->size() && i < dataCount_; ++i) r->cur[i] = (*refreshed)[i];
    r->orig.clear();
    r->status = UpdateStatus::Unmodified;
    r->logged = false;
}

void ClientDataSet::MergeChangeLog() {
    CheckActive();
    CheckBrowseMode();
    for (Record* r : LoggedInOrder()) Merge(r, nullptr);
    deleted_.clear();
}

void ClientDataSet::CancelUpdates() {
    CheckActive();
    Cancel();
    Record* atual = Current();
    for (Record* r : LoggedInOrder()) {
        if (r->status == UpdateStatus::Inserted) {
            auto it = std::find_if(rows_.begin(), rows_.end(), [&](auto& p) { return p.get() == r; });
            if (it != rows_.end()) rows_.erase(it);
            if (atual == r) atual = nullptr;
        } else {
            for (std::size_t i = 0; i < r->orig.size(); ++i) r->cur[i] = r->orig[i];
            r->orig.clear();
            r->status = UpdateStatus::Unmodified;
            r->logged = false;
            CalcRecord(*r);
        }
    }
    for (auto& d : deleted_) rows_.push_back(std::move(d));
    deleted_.clear();
    Sort();
    Reposition(atual);
    eof_ = bof_ = rows_.empty();
}

void ClientDataSet::RevertRecord() {
    CheckActive();
    Cancel();
    Record* r = Current();
    if (!r || !r->logged) return;
    if (r->status == UpdateStatus::Inserted) {
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(cur_));
        if (cur_ >= rows_.size()) cur_ = rows_.empty() ? 0 : rows_.size() - 1;
        eof_ = bof_ = rows_.empty();
        return;
    }
    for (std::size_t i = 0; i < r->orig.size(); ++i) r->cur[i] = r->orig[i];
    r->orig.clear();
    r->status = UpdateStatus::Unmodified;
    r->logged = false;
    CalcRecord(*r);
}

int ClientDataSet::ApplyUpdates(int maxErrors) { return DoApply(nullptr, maxErrors); }
int ClientDataSet::ApplyUpdates(Transaction& tr, int maxErrors) { return DoApply(&tr, maxErrors); }

int ClientDataSet::DoApply(Transaction* tr, int maxErrors) {
    CheckActive();
    CheckBrowseMode();
    if (!provider_) throw Error((Name.empty() ? "" : Name + ": ") + "Missing data provider or data packet");
    std::vector<Record*> changes = LoggedInOrder();
    if (changes.empty()) return 0;
    DataPacket delta = Delta();
    ApplyResult res = provider_->ApplyUpdates(delta, maxErrors, tr);

    // The records the provider applied (or was told to ignore) leave the change log; with a
    // caller's transaction that happens only when it commits.
    std::vector<std::pair<Record*, std::vector<Value>>> feitos;
    if (!res.aborted)
        for (std::size_t i = 0; i < changes.size() && i < res.outcomes.size(); ++i)
            if (res.outcomes[i] == ChangeOutcome::Applied || res.outcomes[i] == ChangeOutcome::Ignored)
                feitos.emplace_back(changes[i], std::move(res.refreshed[i]));
    auto merge = [this, feitos = std::move(feitos), vida = std::weak_ptr<std::uint64_t>(life_),
                  geracao = *life_]() mutable {
        auto v = vida.lock();
        if (!v || *v != geracao) return;  // closed or reloaded meanwhile
        Record* atual = Current();
        for (auto& [r, ref] : feitos) {
            if (r == atual && ref.empty()) atual = r;
            Merge(r, &ref);
            CalcRecord(*r);
        }
        Sort();
        Reposition(atual);
    };
    if (tr) tr->OnCommit(std::move(merge));
    else merge();

    if (res.errorCount == 0 && !res.aborted) return 0;
    std::shared_ptr<Error> primeiro;
    std::vector<std::pair<Record*, std::shared_ptr<Error>>> erros;
    for (std::size_t i = 0; i < changes.size() && i < res.errors.size(); ++i)
        if (res.errors[i]) {
            if (!primeiro) primeiro = res.errors[i];
            erros.emplace_back(changes[i], res.errors[i]);
        }
    if (!OnReconcileError || tr) {
        if (primeiro && (res.aborted || tr)) throw *primeiro;
        return res.errorCount;
    }
    for (auto& [r, e] : erros) {
        ReconcileAction acao = ReconcileAction::Skip;
        UpdateKind kind = r->status == UpdateStatus::Inserted  ? UpdateKind::Insert
                          : r->status == UpdateStatus::Deleted ? UpdateKind::Delete
                                                               : UpdateKind::Modify;
        OnReconcileError(*this, *e, kind, acao);
        if (acao == ReconcileAction::Abort) break;
        if (acao == ReconcileAction::Cancel || acao == ReconcileAction::Refresh) {
            if (r->status == UpdateStatus::Deleted) {
                auto it = std::find_if(deleted_.begin(), deleted_.end(), [&](auto& p) { return p.get() == r; });
                if (it != deleted_.end()) {
                    (*it)->cur.resize(std::max((*it)->cur.size(), (*it)->orig.size()));
                    for (std::size_t i = 0; i < (*it)->orig.size(); ++i) (*it)->cur[i] = (*it)->orig[i];
                    (*it)->orig.clear();
                    (*it)->status = UpdateStatus::Unmodified;
                    (*it)->logged = false;
                    rows_.push_back(std::move(*it));
                    deleted_.erase(it);
                }
            } else if (r->status == UpdateStatus::Inserted) {
                auto it = std::find_if(rows_.begin(), rows_.end(), [&](auto& p) { return p.get() == r; });
                if (it != rows_.end()) rows_.erase(it);
            } else {
                for (std::size_t i = 0; i < r->orig.size(); ++i) r->cur[i] = r->orig[i];
                r->orig.clear();
                r->status = UpdateStatus::Unmodified;
                r->logged = false;
                CalcRecord(*r);
            }
        }
    }
    Sort();
    if (cur_ >= rows_.size()) cur_ = rows_.empty() ? 0 : rows_.size() - 1;
    eof_ = bof_ = rows_.empty();
    return res.errorCount;
}

}  // namespace db
