// Data access layer against direct client calls, side by side in one run:
// a parameterised insert, a select by key and the apply of 1,000 changed records.
// Prints "RATIO <case> <layer/direct>" (median of the repetitions) for each case, and
// "RATIO prepare-reuse <cached/uncached>": a statement run 1,000 times through the layer,
// prepared once (the statement cache) against prepared at every run. The
// ratio compares the CPU time of the benchmark's thread (Google Benchmark's default): the
// embedded engine runs each call in the calling thread, so that time includes the
// database's own work but not the engine's background threads (garbage collection of the
// previous case's versions), while wall time on a shared machine mostly measures the
// neighbours.
#include <benchmark/benchmark.h>
#include <firebird/Interface.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/ClientDataSet.h"
#include "platform/Cp1252.h"

using namespace Firebird;

namespace {

constexpr int kRegistros = 1000;

std::string g_path;
std::unique_ptr<db::Connection> g_conn;

// ---- direct client calls ------------------------------------------------------------------
struct Direct {
    IMaster* master = fb_get_master_interface();
    IStatus* st = master->getStatus();
    ThrowStatusWrapper w{st};
    IAttachment* att = nullptr;

    Direct() {
        IProvider* prov = master->getDispatcher();
        IXpbBuilder* dpb = master->getUtilInterface()->getXpbBuilder(&w, IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&w, isc_dpb_user_name, "SYSDBA");
        dpb->insertString(&w, isc_dpb_lc_ctype, "NONE");
        att = prov->attachDatabase(&w, g_path.c_str(), dpb->getBufferLength(&w), dpb->getBuffer(&w));
        dpb->dispose();
        prov->release();
    }
    ~Direct() {
        att->detach(&w);
        st->dispose();
    }
    ITransaction* Start() {
        static const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                                            isc_tpb_rec_version, isc_tpb_wait};
        return att->startTransaction(&w, sizeof tpb, tpb);
    }
};

struct Msg {
    IMessageMetadata* meta;
    std::vector<unsigned char> buf;
    explicit Msg(IMessageMetadata* m, ThrowStatusWrapper& w) : meta(m), buf(m->getMessageLength(&w)) {}
    ~Msg() { meta->release(); }
    template <class T>
    void Set(ThrowStatusWrapper& w, unsigned i, T v) {
        std::memcpy(buf.data() + meta->getOffset(&w, i), &v, sizeof v);
        *reinterpret_cast<short*>(buf.data() + meta->getNullOffset(&w, i)) = 0;
    }
    void SetText(ThrowStatusWrapper& w, unsigned i, const std::string& s) {
        unsigned char* p = buf.data() + meta->getOffset(&w, i);
        std::uint16_t n = static_cast<std::uint16_t>(s.size());
        std::memcpy(p, &n, 2);
        std::memcpy(p + 2, s.data(), s.size());
        *reinterpret_cast<short*>(buf.data() + meta->getNullOffset(&w, i)) = 0;
    }
};

ISC_TIMESTAMP Stamp(double dt) {
    ISC_TIMESTAMP ts;
    ts.timestamp_date = static_cast<ISC_DATE>(15018 + static_cast<int>(dt));
    ts.timestamp_time = static_cast<ISC_TIME>((dt - static_cast<int>(dt)) * 864000000.0 + 0.5);
    return ts;
}

// ---- cases --------------------------------------------------------------------------------
void InsertLayer(benchmark::State& state) {
    db::Transaction tr = g_conn->StartTransaction();
    db::Query q(*g_conn);
    q.SetTransaction(&tr);
    q.SetSQL("INSERT INTO BIL (ID, NOME, VALOR, DATA) VALUES (:ID, :NOME, :VALOR, :DATA)");
    static int id = 0;  // keys keep growing across runs: every insert is a new row
    for (auto _ : state) {
        q.ParamByName("ID").SetAsInteger(++id);
        q.ParamByName("NOME").SetAsString("Cliente número " + std::to_string(id));
        q.ParamByName("VALOR").SetAsCurrency(db::Currency::FromRaw(id * 100LL));
        q.ParamByName("DATA").SetAsDateTime(45000.5);
        q.ExecSQL();
    }
    tr.Commit();
}

void InsertDirect(benchmark::State& state) {
    Direct d;
    ITransaction* tra = d.Start();
    const char* sql = "INSERT INTO BID (ID, NOME, VALOR, DATA) VALUES (?, ?, ?, ?)";
    IStatement* stmt = d.att->prepare(&d.w, tra, 0, sql, 3, IStatement::PREPARE_PREFETCH_METADATA);
    Msg in(stmt->getInputMetadata(&d.w), d.w);
    static int id = 0;
    for (auto _ : state) {
        ++id;
        in.Set(d.w, 0, static_cast<std::int32_t>(id));
        // the same text conversion the layer does at its boundary
        in.SetText(d.w, 1, plat::Utf8ParaCp1252("Cliente número " + std::to_string(id)));
        in.Set(d.w, 2, static_cast<std::int64_t>(id * 100LL / 100));
        in.Set(d.w, 3, Stamp(45000.5));
        stmt->execute(&d.w, tra, in.meta, in.buf.data(), nullptr, nullptr);
    }
    stmt->free(&d.w);
    tra->commit(&d.w);
}

void SelectLayer(benchmark::State& state) {
    db::Query q(*g_conn);
    q.SetSQL("SELECT ID, NOME, VALOR, DATA FROM BK WHERE ID = :ID");
    int id = 0;
    db::Transaction tr = g_conn->StartTransaction();
    q.SetTransaction(&tr);
    std::int64_t soma = 0;
    for (auto _ : state) {
        q.ParamByName("ID").SetAsInteger(1 + (id++ % kRegistros));
        q.Open();
        soma += q.FieldByName("ID").AsInteger() + static_cast<std::int64_t>(q.FieldByName("NOME").AsString().size()) +
                q.FieldByName("VALOR").AsCurrency().Raw();
        q.Close();
    }
    benchmark::DoNotOptimize(soma);
    tr.Commit();
}

void SelectDirect(benchmark::State& state) {
    Direct d;
    ITransaction* tra = d.Start();
    const char* sql = "SELECT ID, NOME, VALOR, DATA FROM BK WHERE ID = ?";
    IStatement* stmt = d.att->prepare(&d.w, tra, 0, sql, 3, IStatement::PREPARE_PREFETCH_METADATA);
    Msg in(stmt->getInputMetadata(&d.w), d.w);
    Msg out(stmt->getOutputMetadata(&d.w), d.w);
    unsigned oNome = out.meta->getOffset(&d.w, 1), oValor = out.meta->getOffset(&d.w, 2);
    int id = 0;
    std::int64_t soma = 0;
    for (auto _ : state) {
        in.Set(d.w, 0, static_cast<std::int32_t>(1 + (id++ % kRegistros)));
        IResultSet* rs = stmt->openCursor(&d.w, tra, in.meta, in.buf.data(), out.meta, 0);
        while (rs->fetchNext(&d.w, out.buf.data()) == IStatus::RESULT_OK) {
            std::int32_t x;
            std::memcpy(&x, out.buf.data() + out.meta->getOffset(&d.w, 0), 4);
            std::uint16_t n;
            std::memcpy(&n, out.buf.data() + oNome, 2);
            std::string nome = plat::Cp1252ParaUtf8(
                std::string_view(reinterpret_cast<const char*>(out.buf.data() + oNome + 2), n));
            std::int64_t v;
            std::memcpy(&v, out.buf.data() + oValor, 8);
            soma += x + static_cast<std::int64_t>(nome.size()) + v * 100;
        }
        rs->close(&d.w);
    }
    benchmark::DoNotOptimize(soma);
    stmt->free(&d.w);
    tra->commit(&d.w);
}

void ApplyLayer(benchmark::State& state) {
    db::Query sql(*g_conn);
    sql.SetSQL("SELECT ID, NOME, VALOR, DATA FROM BA ORDER BY ID");
    db::Provider dsp(sql);
    db::ClientDataSet cds;
    cds.SetProvider(&dsp);
    cds.Open();
    std::int64_t rodada = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++rodada;
        for (cds.First(); !cds.Eof(); cds.Next()) {
            cds.Edit();
            cds.FieldByName("VALOR").SetAsCurrency(db::Currency::FromRaw(rodada * 100));
            cds.Post();
        }
        state.ResumeTiming();
        cds.ApplyUpdates(0);
    }
}

void ApplyDirect(benchmark::State& state) {
    Direct d;
    struct Row {
        std::int32_t id;
        std::string nome;
        std::int64_t valor;
        ISC_TIMESTAMP data;
    };
    std::vector<Row> rows;
    {
        ITransaction* tra = d.Start();
        IStatement* s = d.att->prepare(&d.w, tra, 0, "SELECT ID, NOME, VALOR, DATA FROM BD ORDER BY ID", 3,
                                       IStatement::PREPARE_PREFETCH_METADATA);
        Msg out(s->getOutputMetadata(&d.w), d.w);
        IResultSet* rs = s->openCursor(&d.w, tra, nullptr, nullptr, out.meta, 0);
        while (rs->fetchNext(&d.w, out.buf.data()) == IStatus::RESULT_OK) {
            Row r;
            const unsigned char* b = out.buf.data();
            std::memcpy(&r.id, b + out.meta->getOffset(&d.w, 0), 4);
            std::uint16_t n;
            std::memcpy(&n, b + out.meta->getOffset(&d.w, 1), 2);
            r.nome.assign(reinterpret_cast<const char*>(b + out.meta->getOffset(&d.w, 1) + 2), n);
            std::memcpy(&r.valor, b + out.meta->getOffset(&d.w, 2), 8);
            std::memcpy(&r.data, b + out.meta->getOffset(&d.w, 3), sizeof r.data);
            rows.push_back(r);
        }
        rs->close(&d.w);
        s->free(&d.w);
        tra->commit(&d.w);
    }
    // the statement the layer generates in its default update mode
    const char* sql = "UPDATE BD SET VALOR = ? WHERE ID = ? AND NOME = ? AND VALOR = ? AND DATA = ?";
    IStatement* stmt = nullptr;
    std::int64_t rodada = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++rodada;
        std::int64_t novo = rodada * 100 / 100;
        state.ResumeTiming();
        ITransaction* tra = d.Start();
        if (!stmt) stmt = d.att->prepare(&d.w, tra, 0, sql, 3, IStatement::PREPARE_PREFETCH_METADATA);
        Msg in(stmt->getInputMetadata(&d.w), d.w);
        for (auto& r : rows) {
            in.Set(d.w, 0, novo);
            in.Set(d.w, 1, r.id);
            in.SetText(d.w, 2, r.nome);
            in.Set(d.w, 3, r.valor);
            in.Set(d.w, 4, r.data);
            stmt->execute(&d.w, tra, in.meta, in.buf.data(), nullptr, nullptr);
            if (stmt->getAffectedRecords(&d.w) != 1) std::abort();
            r.valor = novo;
        }
        tra->commit(&d.w);
    }
    if (stmt) stmt->free(&d.w);
}

// A select by key run 1,000 times through the layer: one text, prepared once ...
void ReuseCached(benchmark::State& state) {
    db::Transaction tr = g_conn->StartTransaction();
    std::int64_t soma = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            db::Query q(*g_conn);  // a new query each time: the connection's cache serves it
            q.SetTransaction(&tr);
            q.SetSQL("SELECT ID, NOME, VALOR, DATA FROM BK WHERE ID = :ID");
            q.ParamByName("ID").SetAsInteger(1 + i % kRegistros);
            q.Open();
            soma += q.Field(0).AsInteger();
        }
    }
    benchmark::DoNotOptimize(soma);
    tr.Commit();
}

// ... and the same statement under a text never seen before (a comment tells them apart),
// so every run prepares it.
void ReuseUncached(benchmark::State& state) {
    db::Transaction tr = g_conn->StartTransaction();
    std::int64_t soma = 0;
    static long unico = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            db::Query q(*g_conn);
            q.SetTransaction(&tr);
            q.SetSQL("SELECT ID, NOME, VALOR, DATA FROM BK WHERE ID = :ID /* " + std::to_string(++unico) + " */");
            q.ParamByName("ID").SetAsInteger(1 + i % kRegistros);
            q.Open();
            soma += q.Field(0).AsInteger();
        }
    }
    benchmark::DoNotOptimize(soma);
    tr.Commit();
}

// Collects the time of every repetition to print the ratios at the end.
class Collector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::vector<double>> times;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            if (r.run_type == Run::RT_Iteration) times[r.run_name.function_name].push_back(r.GetAdjustedCPUTime());
        ConsoleReporter::ReportRuns(runs);
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Setup() {
    namespace fs = std::filesystem;
    std::string tmpl = fs::temp_directory_path().string() + "/pravolt-bench-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) std::abort();
    g_path = std::string(buf.data()) + "/bench.fdb";
    g_conn = std::make_unique<db::Connection>();
    g_conn->SetDatabase(g_path);
    g_conn->SetUserName("SYSDBA");
    g_conn->CreateDatabase(8192, false);
    for (const char* t : {"BIL", "BID"})  // inserts of the layer and of the direct calls
        g_conn->ExecSQL(std::string("CREATE TABLE ") + t +
                        " (ID INTEGER NOT NULL PRIMARY KEY, NOME VARCHAR(30), VALOR NUMERIC(15,2), DATA TIMESTAMP)");
    // BK: selects; BA and BD: the applies of the layer and of the direct calls
    for (const char* t : {"BK", "BA", "BD"}) {
        g_conn->ExecSQL(std::string("CREATE TABLE ") + t +
                        " (ID INTEGER NOT NULL PRIMARY KEY, NOME VARCHAR(30), VALOR NUMERIC(15,2), DATA TIMESTAMP)");
        db::Transaction tr = g_conn->StartTransaction();
        db::Query q(*g_conn);
        q.SetTransaction(&tr);
        q.SetSQL(std::string("INSERT INTO ") + t + " (ID, NOME, VALOR, DATA) VALUES (:ID, :N, 0, :D)");
        for (int i = 1; i <= kRegistros; ++i) {
            q.ParamByName("ID").SetAsInteger(i);
            q.ParamByName("N").SetAsString("Registro " + std::to_string(i));
            q.ParamByName("D").SetAsDateTime(45000.25);
            q.ExecSQL();
        }
        tr.Commit();
    }
}

}  // namespace

int main(int argc, char** argv) {
    Setup();
    const int reps = 7;
    struct Case {
        const char* name;
        void (*layer)(benchmark::State&);
        void (*direct)(benchmark::State&);
        const char* a = "layer";  // RATIO <name> <a/b>
        const char* b = "direct";
    } cases[] = {{"insert", InsertLayer, InsertDirect},
                 {"select_by_key", SelectLayer, SelectDirect},
                 {"apply_1000", ApplyLayer, ApplyDirect},
                 {"prepare-reuse", ReuseCached, ReuseUncached, "cached", "uncached"}};
    for (auto& c : cases) {
        double minTime = std::string(c.name) == "insert" || std::string(c.name) == "select_by_key" ? 0.3 : 1.0;
        benchmark::RegisterBenchmark((std::string(c.name) + "/" + c.a).c_str(), c.layer)
            ->Repetitions(reps)->Unit(benchmark::kMicrosecond)->MinTime(minTime);
        benchmark::RegisterBenchmark((std::string(c.name) + "/" + c.b).c_str(), c.direct)
            ->Repetitions(reps)->Unit(benchmark::kMicrosecond)->MinTime(minTime);
    }
    benchmark::Initialize(&argc, argv);
    Collector rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    for (auto& c : cases) {
        double l = Median(rep.times[std::string(c.name) + "/" + c.a]);
        double d = Median(rep.times[std::string(c.name) + "/" + c.b]);
        if (l > 0 && d > 0) std::cout << "RATIO " << c.name << " " << l / d << std::endl;
    }
    g_conn->DropDatabase();
    g_conn.reset();
    std::filesystem::remove_all(std::filesystem::path(g_path).parent_path());
    return 0;
}
