#include "db/Query.h"

#include <algorithm>
#include <cctype>

#include "db/FbDetail.h"
#include "platform/Texto.h"

namespace db {

// ---- helpers ------------------------------------------------------------------------------
bool SameText(std::string_view a, std::string_view b) noexcept { return plat::IguaisSemCaixaAscii(a, b); }

std::string UpperCase(std::string_view s) { return plat::MaiusculasAscii(s); }

std::string QuoteIdent(std::string_view name) {
    bool simples = !name.empty() && std::isupper(static_cast<unsigned char>(name[0]));
    for (char c : name)
        if (!(std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) ||
              c == '_' || c == '$'))
            simples = false;
    if (simples) return std::string(name);
    std::string r = "\"";
    for (char c : name) {
        if (c == '"') r += '"';
        r += c;
    }
    return r + "\"";
}

namespace {
bool NameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}
}  // namespace

ParsedSql ParseParams(std::string_view sql) {
    ParsedSql r;
    r.sql.reserve(sql.size());
    std::size_t i = 0, n = sql.size();
    while (i < n) {
        char c = sql[i];
        if (c == '\'' || c == '"') {  // literal or quoted identifier ('' and "" escape)
            std::size_t j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            j = std::min(j + 1, n);
            r.sql.append(sql.substr(i, j - i));
            i = j;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            std::size_t j = sql.find('\n', i);
            if (j == std::string_view::npos) j = n;
            r.sql.append(sql.substr(i, j - i));
            i = j;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            std::size_t j = sql.find("*/", i + 2);
            j = j == std::string_view::npos ? n : j + 2;
            r.sql.append(sql.substr(i, j - i));
            i = j;
        } else if (c == ':' && i + 1 < n && sql[i + 1] == ':') {
            r.sql += "::";
            i += 2;
        } else if (c == ':' && i + 1 < n && (NameChar(sql[i + 1]) || sql[i + 1] == '"') &&
                   !(i > 0 && NameChar(sql[i - 1]))) {
            std::size_t j = i + 1;
            std::string name;
            if (sql[j] == '"') {
                std::size_t fim = sql.find('"', j + 1);
                if (fim == std::string_view::npos) fim = n;
                name = std::string(sql.substr(j + 1, fim - j - 1));
                j = std::min(fim + 1, n);
            } else {
                while (j < n && NameChar(sql[j])) ++j;
                name = UpperCase(sql.substr(i + 1, j - i - 1));
            }
            r.names.push_back(std::move(name));
            r.sql += '?';
            i = j;
        } else {
            r.sql += c;
            ++i;
        }
    }
    return r;
}

// ---- Param / Params -----------------------------------------------------------------------
Param::Param(std::string name, ParamDirection dir) : name_(std::move(name)), dir_(dir) {}

Param* Params::FindParam(std::string_view name) {
    for (auto& p : items_)
        if (SameText(p.Name(), name)) return &p;
    return nullptr;
}
const Param* Params::FindParam(std::string_view name) const {
    for (auto& p : items_)
        if (SameText(p.Name(), name)) return &p;
    return nullptr;
}
Param& Params::ParamByName(std::string_view name) {
    if (Param* p = FindParam(name)) return *p;
    throw Error("Parameter '" + std::string(name) + "' not found");
}
Param& Params::Add(std::string name, ParamDirection dir) {
    items_.emplace_back(std::move(name), dir);
    return items_.back();
}

// ---- Query --------------------------------------------------------------------------------
namespace detail {
struct StatementState {
    StatementRef ps;              // shared with the connection's cache
    std::vector<int> paramIndex;  // per "?" -> index in Params
};
}  // namespace detail

Query::Query() : st_(std::make_unique<detail::StatementState>()) {}
Query::Query(Connection& c) : Query() { conn_ = &c; }
Query::~Query() = default;
Query::Query(Query&&) noexcept = default;
Query& Query::operator=(Query&&) noexcept = default;

void Query::SetConnection(Connection* c) {
    if (c == conn_) return;
    Close();
    st_ = std::make_unique<detail::StatementState>();
    conn_ = c;
}

void Query::SetSQL(std::string_view text) {
    sql_.clear();
    std::size_t i = 0;
    while (i <= text.size()) {
        std::size_t j = text.find('\n', i);
        if (j == std::string_view::npos) j = text.size();
        std::string_view line = text.substr(i, j - i);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        sql_.emplace_back(line);
        i = j + 1;
    }
    if (!sql_.empty() && sql_.back().empty() && sql_.size() > 1) sql_.pop_back();
}

std::string Query::Text() const {
    std::string t;
    for (std::size_t i = 0; i < sql_.size(); ++i) {
        if (i) t += '\n';
        t += sql_[i];
    }
    return t;
}

void Query::SyncText() {
    if (parsed_ && sql_ == parsedLines_) return;
    parsedLines_ = sql_;
    std::string t = Text();
    if (paramCheck_) {
        parsed_sql_ = ParseParams(t);
    } else {
        parsed_sql_.sql = t;
        parsed_sql_.names.clear();
    }
    parsedText_ = std::move(t);
    parsed_ = true;
    Params novos;
    for (const auto& name : parsed_sql_.names) {
        if (novos.FindParam(name)) continue;
        Param& p = novos.Add(name);
        if (const Param* antigo = params_.FindParam(name)) p.SetValue(antigo->GetValue());
    }
    params_ = std::move(novos);
    st_->paramIndex.clear();
    for (const auto& name : parsed_sql_.names) {
        for (std::size_t k = 0; k < params_.Count(); ++k)
            if (params_[k].Name() == name) {
                st_->paramIndex.push_back(static_cast<int>(k));
                break;
            }
    }
}

void Query::SetParamCheck(bool on) {
    if (on == paramCheck_) return;
    paramCheck_ = on;
    parsed_ = false;
}

Params& Query::GetParams() {
    SyncText();
    return params_;
}

namespace {
constexpr std::intptr_t kTransacaoSomenteLeitura = 335544361;  // isc_read_only_trans

// The statement for the text, prepared (or taken from the cache) when the one held is not
// valid for the current attachment.
detail::PreparedStatement& Preparada(detail::ConnectionImpl& c, detail::StatementState& st,
                                     const std::string& sql, Firebird::ITransaction* tra,
                                     std::vector<ColumnInfo>& cols) {
    if (st.ps && st.ps->generation == c.generation && c.att && st.ps->text == sql) {
        c.cache.Touch(st.ps);
        if (cols.size() != st.ps->columns.size()) cols = st.ps->columns;
    } else {
        st.ps.reset();
        st.ps = c.Acquire(sql, tra);
        cols = st.ps->columns;
    }
    return *st.ps;
}

bool Valida(const detail::ConnectionImpl& c, const detail::StatementState& st, const std::string& sql) {
    return st.ps && st.ps->generation == c.generation && c.att && st.ps->text == sql;
}

// Runs `body(tra)` in the caller's transaction, or in one of its own committed when the
// body succeeds: read-only for a statement that only reads (`leitura(nullptr)` gives the
// statement when it is known, `leitura(tra)` prepares it in the read-only transaction), read-write
// otherwise. A statement that meets a write in its read-only transaction (a selectable
// procedure that writes) is run again read-write, and known as a writer from then on.
template <class Body, class Leitura>
auto WithTransaction(Connection* conn, Transaction* tr, Leitura&& leitura, Body&& body) {
    if (!conn) throw Error("No connection assigned");
    auto& c = conn->Impl();
    if (tr) {
        if (!tr->Active()) throw Error("Transaction is not active");
        if (tr->GetConnection() != conn) throw Error("Transaction belongs to another connection");
        return body(detail::TransacaoDe(c, *tr));
    }
    if (!c.att) conn->Open();
    detail::StatementRef ps = leitura(nullptr);  // known already?
    if (!ps || ps->somenteLeitura) {
        Transaction ro = conn->StartTransaction(Isolation::ReadCommitted, true);
        if (!ps) ps = leitura(ro.Impl()->tra.get());
        if (ps->somenteLeitura) {
            try {
                auto r = body(ro.Impl()->tra.get());
                ro.Commit();
                return r;
            } catch (const Error& e) {
                if (!e.Contem(kTransacaoSomenteLeitura)) throw;
                if (auto atual = leitura(nullptr)) atual->somenteLeitura = false;  // the one the body ran
            }
        }
    }
    Transaction own = conn->StartTransaction();
    auto r = body(own.Impl()->tra.get());
    own.Commit();
    return r;
}
}  // namespace

void Query::Prepare() {
    SyncText();
    if (!conn_) throw Error("No connection assigned");
    if (Valida(conn_->Impl(), *st_, parsed_sql_.sql)) return;
    auto preparar = [&](Firebird::ITransaction* tra) -> detail::StatementRef {
        if (!tra) return nullptr;
        Preparada(conn_->Impl(), *st_, parsed_sql_.sql, tra, cols_);
        return st_->ps;
    };
    WithTransaction(conn_, tr_, preparar, [&](Firebird::ITransaction* tra) {
        preparar(tra);
        return 0;
    });
}

bool Query::Prepared() const noexcept {
    if (!st_->ps || !conn_) return false;
    auto& c = conn_->Impl();
    return c.att && st_->ps->generation == c.generation;
}

namespace {
std::int64_t Run(Connection* conn, Transaction* tr, detail::StatementState& st, const ParsedSql& parsed,
                 Params& params, std::vector<std::vector<Value>>& rows, std::vector<ColumnInfo>& cols) {
    if (!conn) throw Error("No connection assigned");
    auto& c = conn->Impl();
    auto preparar = [&](Firebird::ITransaction* tra) -> detail::StatementRef {
        if (!tra) return Valida(c, st, parsed.sql) ? st.ps : nullptr;
        Preparada(c, st, parsed.sql, tra, cols);
        return st.ps;
    };
    const std::size_t inicio = rows.size();
    return WithTransaction(conn, tr, preparar, [&](Firebird::ITransaction* tra) {
        detail::PreparedStatement& ps = Preparada(c, st, parsed.sql, tra, cols);
        std::vector<const Value*> vals;
        vals.reserve(st.paramIndex.size());
        for (int k : st.paramIndex) vals.push_back(&params[static_cast<std::size_t>(k)].GetValue());
        rows.resize(inicio);  // a run again (read-write) starts from no rows
        return detail::Execute(c, tra, ps, vals, &rows);
    });
}
}  // namespace

void Query::Open() {
    if (active_) return;
    SyncText();
    rows_.clear();
    Run(conn_, tr_, *st_, parsed_sql_, params_, rows_, cols_);
    active_ = true;
    pos_ = 0;
    bof_ = true;
}

void Query::Close() noexcept {
    active_ = false;
    rows_.clear();
    pos_ = 0;
    bof_ = true;
}

std::int64_t Query::ExecSQL() {
    Close();
    SyncText();
    std::vector<std::vector<Value>> out;
    rowsAffected_ = Run(conn_, tr_, *st_, parsed_sql_, params_, out, cols_);
    if (!out.empty()) {
        // EXECUTE PROCEDURE / RETURNING: the output row stays readable.
        rows_ = std::move(out);
        active_ = true;
        pos_ = 0;
    }
    return rowsAffected_;
}

void Query::First() {
    pos_ = 0;
    bof_ = true;
}
void Query::Next() {
    if (pos_ < rows_.size()) ++pos_;
    bof_ = false;
}
void Query::Prior() {
    if (pos_ > 0) --pos_;
    else bof_ = true;
}
void Query::Last() {
    pos_ = rows_.empty() ? 0 : rows_.size() - 1;
    bof_ = rows_.empty();
}
bool Query::Eof() const noexcept { return pos_ >= rows_.size(); }
bool Query::Bof() const noexcept { return bof_; }

int Query::FieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < cols_.size(); ++i)
        if (SameText(cols_[i].name, name)) return static_cast<int>(i);
    return -1;
}

namespace {
const Value& NullValue() {
    static const Value v;
    return v;
}
}  // namespace

const Value* Query::FindField(std::string_view name) const {
    int i = FieldIndex(name);
    if (i < 0) return nullptr;
    return &Field(static_cast<std::size_t>(i));
}

const Value& Query::FieldByName(std::string_view name) const {
    if (const Value* v = FindField(name)) return *v;
    throw Error("Field '" + std::string(name) + "' not found");
}

const Value& Query::Field(std::size_t i) const {
    if (pos_ >= rows_.size() || i >= rows_[pos_].size()) return NullValue();
    return rows_[pos_][i];
}

std::vector<std::vector<Value>> Query::TakeRows() {
    auto r = std::move(rows_);
    rows_.clear();
    pos_ = 0;
    return r;
}

// ---- StoredProc ---------------------------------------------------------------------------
StoredProc::StoredProc() = default;
StoredProc::StoredProc(Connection& c) : conn_(&c) {}
StoredProc::~StoredProc() = default;
StoredProc::StoredProc(StoredProc&&) noexcept = default;
StoredProc& StoredProc::operator=(StoredProc&&) noexcept = default;

void StoredProc::SetConnection(Connection* c) {
    conn_ = c;
    q_.reset();
}

void StoredProc::SetStoredProcName(std::string name) {
    if (name == name_) return;
    name_ = std::move(name);
    params_.Clear();
    loaded_ = false;
    q_.reset();
}

Params& StoredProc::GetParams() {
    if (!loaded_ && params_.Count() == 0 && conn_ && !name_.empty()) LoadParams();
    return params_;
}

void StoredProc::LoadParams() {
    Query q(*conn_);
    q.SetTransaction(tr_);
    q.SetSQL(
        "SELECT TRIM(RDB$PARAMETER_NAME) AS NOME, RDB$PARAMETER_TYPE AS TIPO FROM RDB$PROCEDURE_PARAMETERS "
        "WHERE RDB$PROCEDURE_NAME = :PROC AND RDB$PACKAGE_NAME IS NULL "
        "ORDER BY RDB$PARAMETER_TYPE, RDB$PARAMETER_NUMBER");
    std::string proc = name_;
    if (proc.size() < 2 || proc.front() != '"') proc = UpperCase(proc);
    else proc = proc.substr(1, proc.size() - 2);
    q.ParamByName("PROC").SetAsString(proc);
    q.Open();
    bool existe = false;
    {
        Query e(*conn_);
        e.SetTransaction(tr_);
        e.SetSQL("SELECT 1 FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = :PROC AND RDB$PACKAGE_NAME IS NULL");
        e.ParamByName("PROC").SetAsString(proc);
        e.Open();
        existe = !e.Eof();
    }
    if (!existe) throw Error("Stored procedure '" + name_ + "' not found");
    params_.Clear();
    for (; !q.Eof(); q.Next())
        params_.Add(q.FieldByName("NOME").AsString(),
                    q.FieldByName("TIPO").AsInteger() == 0 ? ParamDirection::Input : ParamDirection::Output);
    loaded_ = true;
}

void StoredProc::Prepare() {
    if (!conn_) throw Error("No connection assigned");
    if (name_.empty()) throw Error("Stored procedure name not assigned");
    GetParams();
    if (q_) return;
    std::string sql = "EXECUTE PROCEDURE " + (name_.front() == '"' ? name_ : QuoteIdent(UpperCase(name_)));
    std::string args;
    int k = 0;
    for (auto& p : params_)
        if (p.Direction() == ParamDirection::Input) {
            args += k ? ", :P" : ":P";
            args += std::to_string(k);
            ++k;
        }
    if (k) sql += "(" + args + ")";
    q_ = std::make_unique<Query>(*conn_);
    q_->SetSQL(sql);
    q_->Prepare();
}

void StoredProc::ExecProc() {
    Prepare();
    q_->SetTransaction(tr_);
    int k = 0;
    for (auto& p : params_)
        if (p.Direction() == ParamDirection::Input) {
            std::string nome = "P";  // built in two steps: GCC 12 -O2 warns falsely on "P" + string
            nome += std::to_string(k++);
            q_->ParamByName(nome).SetValue(p.GetValue());
        }
    q_->ExecSQL();
    std::size_t col = 0;
    for (auto& p : params_)
        if (p.Direction() == ParamDirection::Output) {
            p.SetValue(col < q_->FieldCount() ? q_->Field(col) : Value());
            ++col;
        }
}

void StoredProc::Close() noexcept {
    if (q_) q_->Close();
}

}  // namespace db
