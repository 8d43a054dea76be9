#pragma once
// What the window benchmarks share: the large data set of `pravolt-admin demo DIR --scale N`
// (folder in PRAVOLT_BENCH_DIR, made once by scripts/bench), the distribution services
// answered from it with the workstation's clock, and timing by median.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Query.h"
#include "platform/DataHora.h"
#include "platform/Mensagens.h"
#include "shell/UServicosSistema.h"
#include "shell/USistema.h"

namespace bench {

inline double MedianaMs(int vezes, const std::function<void()>& f) {
    std::vector<double> t;
    for (int i = 0; i < vezes; ++i) {
        auto a = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

inline double Mediana(std::vector<double> t) {
    std::sort(t.begin(), t.end());
    return t.empty() ? 0 : t[t.size() / 2];
}

inline double Cronometrar(const std::function<void()>& f) {
    auto a = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count();
}

// Milliseconds of this process's CPU time the call took. The engine runs in the process,
// so its work is counted; the neighbours on a shared machine and the disk's waits are not.
inline double CronometrarCpu(const std::function<void()>& f) {
    auto agora = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    };
    const double a = agora();
    f();
    return agora() - a;
}

inline void Percorrer(db::Query& q) {
    q.Open();
    for (q.First(); !q.Eof(); q.Next()) {
    }
    q.Close();
}

// The data set opened as the program opens it: the main database embedded, the
// Parametros.ini of the data set, the system services on that attachment installed (the
// server's clock read once, at the start).
// Messages are recorded, never shown: any message means a window did not do its work.
class DadosBench {
public:
    bool Abrir() {
        const char* dir = std::getenv("PRAVOLT_BENCH_DIR");
        if (!dir) {
            std::cerr << "PRAVOLT_BENCH_DIR is not set: run scripts/bench, or point it at a folder made by "
                         "`pravolt-admin demo DIR --scale N`.\n";
            return false;
        }
        const std::string banco = std::string(dir) + "/bdados/PRAVOLT.FDB";
        if (!std::filesystem::exists(banco)) {
            std::cerr << "No database at " << banco << "\n";
            return false;
        }
        TSistema::DefinirDiretorioConfiguracao(dir);
        conn.SetDatabase(banco);
        conn.SetUserName("SYSDBA");
        conn.Open();
        srv = std::make_unique<Servicos>(conn);
        InstalarServicosSistema(srv.get());
        return true;
    }
    ~DadosBench() { InstalarServicosSistema(nullptr); }

    // False, after printing them, when messages were shown.
    bool SemMensagens() const {
        for (const auto& t : mensagens.Textos()) std::cerr << "message: " << t << "\n";
        return mensagens.registro.empty();
    }

    // The services with the clock fixed at the start: the counters' day does not move
    // while the benchmark runs.
    class Servicos : public TServicosConexao {
    public:
        explicit Servicos(db::Connection& c) : TServicosConexao(c), agora_(plat::Agora()) {}
        plat::TDateTime DataServidor() override { return agora_; }

    private:
        plat::TDateTime agora_;
    };

    plat::GravadorMensagens mensagens;
    db::Connection conn;
    std::unique_ptr<Servicos> srv;
};

}  // namespace bench
