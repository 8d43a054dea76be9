// The pending list of the workshop with the most open dispatches on a large database:
// the window opened and shown (read, ordered, its first rows painted), beside the same
// statements run directly in one read-only transaction, reading every row.
// The database is the main database of `pravolt-admin demo DIR --scale N`, folder given in
// PRAVOLT_BENCH_DIR (scripts/bench creates it once). Both paths alternate, after a few runs
// that warm the caches. The ratio is of process CPU time (the engine runs in the process,
// so its work is counted; the neighbours on the shared machine are not); the milliseconds
// are the wall time a person waits for the list. Prints, last:
//   MS pending-list <median milliseconds>
//   RATIO pending-list <window/direct>
#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "BenchComum.h"
#include "db/Query.h"
#include "distribution/FDistTercPend.h"
#include "distribution/UDistTercPend.h"

namespace {

constexpr int kAquecimento = 3;
constexpr int kVezes = 25 + kAquecimento;

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    bench::DadosBench dados;
    if (!dados.Abrir()) return 1;
    db::Connection& conn = dados.conn;

    std::int64_t terc = 0, abertas = 0;
    {
        db::Query q(conn);
        q.SetSQL(
            "select first 1 TERCEIRIZADO_EX, count(*) from EXTERNO where RETORNO_EX is null\n"
            "group by TERCEIRIZADO_EX order by 2 desc");
        q.Open();
        if (q.Eof()) {
            std::cerr << "No open dispatch in the data set.\n";
            return 1;
        }
        terc = q.Field(0).AsInteger();
        abertas = q.Field(1).AsInteger();
    }

    auto janela = [&] {
        TfrmDistTercPend* w = TfMdiChild::Criar<TfrmDistTercPend>(nullptr, terc);
        QApplication::processEvents();
        const bool completa = static_cast<std::int64_t>(w->Lista().linhas.size()) == abertas;
        delete w;
        if (!completa) {
            std::cerr << "The window did not list every open dispatch.\n";
            std::exit(1);
        }
    };
    auto direto = [&] {
        db::Transaction tr = conn.StartTransaction(db::Isolation::Snapshot, true);
        db::Query t(conn), s(conn), p(conn);
        for (db::Query* q : {&t, &s, &p}) q->SetTransaction(&tr);
        t.SetSQL(dist::kSqlTercPend);
        t.ParamByName("TERC").SetAsInteger(terc);
        bench::Percorrer(t);
        s.SetSQL(dist::kSqlTiposServPend);
        bench::Percorrer(s);
        p.SetSQL(dist::kSqlPendencias);
        p.ParamByName("TERC").SetAsInteger(terc);
        bench::Percorrer(p);
        tr.Commit();
    };

    std::vector<double> cpuJanela, cpuDireto, msJanela, msDireto;
    for (int i = 0; i < kVezes; ++i) {
        // alternate which goes first, so neither always meets the other's warm caches
        for (int k = 0; k < 2; ++k) {
            const bool eJanela = (i + k) % 2 == 0;
            const std::function<void()> passo = eJanela ? std::function<void()>(janela) : direto;
            double parede = 0;
            const double cpu = bench::CronometrarCpu([&] { parede = bench::Cronometrar(passo); });
            if (i < kAquecimento) continue;
            (eJanela ? cpuJanela : cpuDireto).push_back(cpu);
            (eJanela ? msJanela : msDireto).push_back(parede);
        }
    }
    if (!dados.SemMensagens()) return 1;

    const double cj = bench::Mediana(cpuJanela), cd = bench::Mediana(cpuDireto);
    std::cout << "workshop " << terc << ", " << abertas << " open dispatches; " << kVezes - kAquecimento
              << " runs each\n";
    std::cout << "pending-list window " << bench::Mediana(msJanela) << " ms (" << cj << " ms CPU), direct "
              << bench::Mediana(msDireto) << " ms (" << cd << " ms CPU)\n";
    std::cout << "MS pending-list " << bench::Mediana(msJanela) << "\n";
    std::cout << "RATIO pending-list " << cj / cd << "\n";
    return 0;
}
