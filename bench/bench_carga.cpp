// The load run: N workstations on one Firebird server, with crashes, and the proof that
// nothing was lost and nothing doubled.
//
// The program starts a private Firebird server on loopback (tests/support/FirebirdServer),
// generates a database with `pravolt-admin demo --scale`, and starts N workstation
// processes (itself again, `--posto ...`). Each workstation has its own attachment and
// does what the distribution window does without the window: the ticket lookup (the
// window's statements) and the save unit `dist::Gravar`. It works through its own
// shuffled list of tickets: the dispatch of a ticket, and a few tickets later its return;
// about one ticket in ten is on the lists of two workstations at the same place, so both
// scan it at about the same moment.
//
// Every workstation dispatches to a workshop of its own and uses sectors of its own, so
// each row in the database names the workstation that wrote it. Each one logs to a file
// of its own, one line per event, written before the next step:
//   tentando     before the save unit is called
//   gravada      the unit reported the save recorded (with its milliseconds)
//   recusada     the unit refused, with the operator's message
//   busca        the lookup refused (with the window's message): no save attempted
//   desconhecido the unit ended with a database error: the outcome is not known
//   erro         the lookup ended with a database error: nothing was attempted
//
// An unknown outcome is honest: when the server dies after the commit reached it but
// before its answer came back, the save is recorded, though the workstation saw an error;
// when it dies before, nothing is. A workstation that saw an error does what an operator
// does: looks the ticket up again and saves again, which either records it or is refused
// with what is recorded now. The checker therefore accepts both outcomes for a save whose
// last attempt was unknown (or cut short by a SIGKILL of the workstation) but never a
// second row, and never a row for a save that no workstation attempted.
//
// Faults: the server is killed with SIGKILL at random moments and started again (the
// workstations go on, their data layer attaches again), and one workstation is killed
// with SIGKILL. Checks after every run (any failure: exit status 1):
//   - every save reported as recorded is in the database exactly once, written by the
//     workstation that reported it; no ticket dispatched twice for the service type; no
//     return reported recorded by two workstations; no dispatch, return or progress
//     row (PRODUCAO_SETOR) that no workstation recorded or left unknown; a progress row
//     exactly when its save is in the database; every refusal of a dispatch names the
//     workshop really recorded;
//   - every refusal is one of the program's own messages; every database error is a lost
//     connection or an attach that failed ("Não foi possível conectar ao banco de dados
//     ..."), seen while the server was down or being started again (a server whose port
//     is open may still answer "connection rejected by remote interface" for a moment);
//   - `gfix -v -full` finds no error on the file after the server stopped, and no warning
//     but the two a killed server leaves (see Validar).
//
//   bench_carga            the benchmark: N = 1, 4, 16 without faults (a fixed number of
//                          saves), then N = 16 with three server kills and one workstation
//                          killed. Prints SAVES/S <N>, MS p99-save <N>, RATIO scale-16,
//                          RATIO p99-16.
//   bench_carga --curta    the test: N = 4 for 30 s, one server kill, one workstation killed.
// Options: --escala TICKETS, --saves N (per run without faults), --segundos S (of the
// short run), --quedas K and --postos N (server kills and workstations of the short
// run), --semente S (of the shuffle and
// the faults), --sem-escrita-forcada (the
// database with forced writes off, to see what the synchronous writes cost).
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Query.h"
#include "distribution/UDistGravacao.h"
#include "distribution/UDistRegras.h"
#include "platform/DataHora.h"
#include "platform/Executavel.h"
#include "shell/UServicosSistema.h"
#include "support/FirebirdServer.h"

namespace fs = std::filesystem;

namespace {

const char* const kTipo = "CG";            // the run's own service type
constexpr std::int64_t kTercBase = 9001;   // workstation i dispatches to workshop 9001 + i
constexpr int kMaxPostos = 16;
constexpr int kAtraso = 4;                 // a return comes this many tickets after its dispatch
constexpr double kCompartilhadas = 0.1;    // tickets scanned by two workstations
constexpr int kToleranciaMs = 5000;        // errors accepted this long after the server is back

const char kDigitos[] = "0123456789ABCDEF";
std::string SetorSaida(int posto) { return std::string("X") + kDigitos[posto]; }
std::string SetorRetorno(int posto) { return std::string("Y") + kDigitos[posto]; }
std::int64_t Terceirizado(int posto) { return kTercBase + posto; }

std::int64_t AgoraMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string Limpo(std::string s) {
    for (char& c : s)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return s;
}

struct Operacao {
    bool saida = true;
    std::string prog, ficha;
};

// ======================================================================================
// The workstation
// ======================================================================================

// One line per event, each written whole before the program goes on.
class Diario {
public:
    explicit Diario(const std::string& arquivo) {
        fd_ = open(arquivo.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd_ < 0) throw std::runtime_error("cannot write " + arquivo);
    }
    ~Diario() { close(fd_); }
    void Linha(const std::string& evento, const Operacao* op, const std::string& extra = {}) {
        std::string l = std::to_string(AgoraMs()) + "\t" + evento + "\t" +
                        (op ? std::string(op->saida ? "S" : "R") + "\t" + op->prog + "\t" + op->ficha : "-\t-\t-") +
                        "\t" + Limpo(extra) + "\n";
        if (write(fd_, l.data(), l.size()) != static_cast<ssize_t>(l.size())) throw std::runtime_error("log write failed");
    }

private:
    int fd_;
};

class Posto {
public:
    Posto(int indice, db::Connection& c, Diario& d) : indice_(indice), conn_(c), srv_(c), diario_(d) {
        regras_ = dist::TRegrasGravacao::Ler(srv_);
        data_ = plat::ParteData(srv_.DataServidor());  // the window's date field
    }
    double Data() const { return data_; }

    // Looks the ticket up and saves it; after a database error, again (as the operator
    // does), until the outcome is known. False when the outcome stayed unknown too long.
    bool Executar(const Operacao& op) {
        const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(90);
        for (;;) {
            if (std::chrono::steady_clock::now() > limite) return false;
            dist::TPedidoGravacao p;
            std::string recusa;
            try {
                recusa = Buscar(op, p);
            } catch (const db::Error& e) {
                diario_.Linha("erro", &op, Classe(e) + " " + e.what());
                Pausa();
                continue;
            }
            if (!recusa.empty()) {
                diario_.Linha("busca", &op, recusa);
                return true;
            }
            diario_.Linha("tentando", &op);
            dist::TResultadoGravacao r;
            const auto a = std::chrono::steady_clock::now();
            try {
                r = dist::Gravar(conn_, regras_, p);
            } catch (const db::Error& e) {
                diario_.Linha("desconhecido", &op, Classe(e) + " " + e.what());
                Pausa();
                continue;
            }
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count();
            char t[32];
            std::snprintf(t, sizeof t, "%.3f", ms);
            if (r.Gravado()) diario_.Linha("gravada", &op, t);
            else diario_.Linha("recusada", &op, std::string(t) + " " + r.Mensagem());
            return true;
        }
    }

private:
    static void Pausa() { std::this_thread::sleep_for(std::chrono::milliseconds(200)); }

    // "perdida": the layer saw the connection go; "conectar": attaching failed (the server
    // down, or starting and refusing connections yet); "outra": anything else.
    std::string Classe(const db::Error& e) const {
        if (e.ConexaoPerdida()) return "perdida";
        return conn_.Connected() ? "outra" : "conectar";
    }

    // The window's lookup of a whole ticket in the mode of the operation: the ticket's
    // items, then the price of the service (dispatch) or the open dispatch (return).
    // Gives the window's refusal, or "" with the request filled in.
    std::string Buscar(const Operacao& op, dist::TPedidoGravacao& p) {
        p.saida = op.saida;
        p.tipoServico = kTipo;
        p.ficha = {op.prog, op.ficha, "0000"};
        p.data = data_;
        db::Query itens(conn_);
        itens.SetSQL(dist::kSqlItensFicha);
        p.ficha.Vincular(itens, nullptr);
        itens.Open();
        if (itens.Eof()) return dist::kMsgProgNaoLocalizada;
        p.produto = itens.FieldByName("PROD_IT").AsString();
        p.pares = static_cast<std::int64_t>(itens.FieldByName("TOT_PARES").AsFloat());
        itens.Close();
        if (op.saida) {
            p.terceirizado = Terceirizado(indice_);
            p.setor = SetorSaida(indice_);
            db::Query preco(conn_);
            preco.SetSQL(dist::kSqlPrecoServico);
            preco.ParamByName("TERC").SetAsInteger(p.terceirizado);
            preco.ParamByName("PROD").SetAsString(p.produto);
            preco.ParamByName("TPSERV").SetAsString(kTipo);
            preco.Open();
            const bool achou = !preco.Eof();
            const plat::Dinheiro valor = achou ? preco.FieldByName("VALOR_PS").AsCurrency() : plat::Dinheiro();
            p.preco = dist::ResolverPreco(achou, valor, regras_.parametros.bloquearPreco, dist::EstadoPreco::Editavel).preco;
        } else {
            db::Query externo(conn_);
            externo.SetSQL(dist::kSqlExterno);
            externo.ParamByName("TPSERV").SetAsString(kTipo);
            p.ficha.Vincular(externo);
            externo.Open();
            if (externo.Eof()) return dist::kMsgSemSaida;
            p.pares = externo.FieldByName("QTDE_EX").AsInteger();
            p.preco = externo.FieldByName("VALOR_EX").AsCurrency();
            p.terceirizado = externo.FieldByName("TERCEIRIZADO_EX").AsInteger();
            p.setor = SetorRetorno(indice_);
        }
        p.momento = plat::Agora();
        return {};
    }

    int indice_;
    db::Connection& conn_;
    TServicosConexao srv_;
    Diario& diario_;
    dist::TRegrasGravacao regras_;
    double data_ = 0;
};

// bench_carga --posto INDEX LOCATION USER PASSWORD PLAN LOG SECONDS
// Waits for a line on its standard input before the first operation; SECONDS 0: the
// whole plan.
int ExecutarPosto(char** a) {
    const int indice = std::atoi(a[0]);
    Diario diario(a[5]);
    std::vector<Operacao> plano;
    {
        std::ifstream f(a[4]);
        std::string m;
        Operacao op;
        while (f >> m >> op.prog >> op.ficha) {
            op.saida = m == "S";
            plano.push_back(op);
        }
    }
    const int segundos = std::atoi(a[6]);
    try {
        db::Connection conn;
        conn.SetDatabase(a[1]);
        conn.SetUserName(a[2]);
        conn.SetPassword(a[3]);
        Posto posto(indice, conn, diario);
        char data[32];
        std::snprintf(data, sizeof data, "%.0f", posto.Data());
        diario.Linha("inicio", nullptr, data);
        char c;
        if (read(0, &c, 1) != 1) return 2;
        const auto fim = std::chrono::steady_clock::now() + std::chrono::seconds(segundos);
        for (const Operacao& op : plano) {
            if (segundos > 0 && std::chrono::steady_clock::now() > fim) break;
            if (!posto.Executar(op)) {
                diario.Linha("falha", &op, "no answer for 90 s");
                return 1;
            }
        }
        diario.Linha("fim", nullptr);
        return 0;
    } catch (const std::exception& e) {
        diario.Linha("falha", nullptr, e.what());
        return 1;
    }
}

// ======================================================================================
// The run
// ======================================================================================

struct Evento {
    std::int64_t ms = 0;
    std::string tipo;
    bool saida = true;
    std::string ficha;  // prog + "/" + ficha
    std::string extra;
};

// A last line without its end (a workstation killed while writing it) is left out.
std::vector<Evento> LerDiario(const std::string& arquivo) {
    std::vector<Evento> r;
    std::ifstream f(arquivo);
    std::string l;
    while (std::getline(f, l) && !f.eof()) {
        std::vector<std::string> c;
        std::size_t i = 0;
        for (int k = 0; k < 5; ++k) {
            const std::size_t j = l.find('\t', i);
            if (j == std::string::npos) break;
            c.push_back(l.substr(i, j - i));
            i = j + 1;
        }
        if (c.size() != 5) throw std::runtime_error("unreadable log line in " + arquivo + ": " + l);
        Evento e;
        e.ms = std::stoll(c[0]);
        e.tipo = c[1];
        e.saida = c[2] == "S";
        e.ficha = c[3] + "/" + c[4];
        e.extra = l.substr(i);
        r.push_back(e);
    }
    return r;
}

struct Rodada {
    int postos = 1;
    int saves = 0;      // saves in all (fixed-length run); 0: `segundos`
    int segundos = 0;
    int quedas = 0;     // server kills
    bool matarPosto = false;
};

struct Resultado {
    double savesPorSegundo = 0, p99 = 0, p50 = 0, segundos = 0;
    int gravadas = 0, recusadas = 0, desconhecidas = 0, erros = 0, quedas = 0;
    double cpuServidor = 0, cpuPostos = 0;
};

double Percentil(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())));
    return v[i];
}

double CpuProcesso(pid_t pid) {  // seconds of user + system time of a running process
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const std::size_t p = s.rfind(')');
    if (p == std::string::npos) return 0;
    std::istringstream in(s.substr(p + 2));
    std::string campo;
    double ut = 0, st = 0;
    for (int i = 3; i <= 15 && in >> campo; ++i) {
        if (i == 14) ut = std::stod(campo);
        if (i == 15) st = std::stod(campo);
    }
    return (ut + st) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

class Carga {
public:
    Carga(std::string programa, unsigned semente) : programa_(std::move(programa)), rnd_(semente) {}

    void Preparar(int escala, bool assincrona) {
        servidor_.Prepare();
        dir_ = servidor_.DataDir() + "/carga";
        // The database is generated before the server opens it: embedded, with the
        // server's own environment (the server then holds its locks alone).
        std::string saida;
        const int st = servidor_.Executar({PRAVOLT_ADMIN, "demo", dir_, "--scale", std::to_string(escala)}, saida);
        if (st != 0) throw std::runtime_error("pravolt-admin demo failed: " + saida);
        banco_ = dir_ + "/bdados/PRAVOLT.FDB";
        if (assincrona && servidor_.Executar({"/usr/bin/gfix", "-write", "async", "-user", "SYSDBA", banco_}, saida) != 0)
            throw std::runtime_error("gfix -write async failed: " + saida);
        servidor_.Start();
        Configurar(conn_);
        conn_.Open();

        // The run's service type, workshops and sectors.
        db::Transaction tr = conn_.StartTransaction();
        conn_.ExecSQL(std::string("insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('35', '") + kTipo +
                          "', 'CARGA')",
                      &tr);
        for (int i = 0; i < kMaxPostos; ++i) {
            const std::string t = std::to_string(Terceirizado(i));
            conn_.ExecSQL("insert into TERCEIRIZADO (COD_BA, NOME_BA, ATIVO_BA) values (" + t + ", 'POSTO " +
                              std::to_string(i) + "', 'S')",
                          &tr);
            conn_.ExecSQL("insert into EXTERNO_TPSERVICO values (" + t + ", '" + kTipo + "')", &tr);
            for (const std::string& s : {SetorSaida(i), SetorRetorno(i)}) {
                conn_.ExecSQL("insert into SETOR (COD_SE, NOME_SE) values ('" + s + "', 'CARGA')", &tr);
                conn_.ExecSQL("insert into EXTERNO_SETOR values (" + t + ", '" + s + "')", &tr);
            }
        }
        tr.Commit();

        // Whole tickets (no sub-tickets), shuffled.
        db::Query q(conn_);
        q.SetSQL(
            "select distinct PROG_IT, FICHA_IT from ITENSPV i where not exists (select * from SUBPROD s where "
            "s.PROG_PR = i.PROG_IT and s.FICHA_PR = i.FICHA_IT)");
        q.Open();
        for (q.First(); !q.Eof(); q.Next()) fichas_.push_back({true, q.Field(0).AsString(), q.Field(1).AsString()});
        q.Close();
        std::shuffle(fichas_.begin(), fichas_.end(), rnd_);
        q.SetSQL("select MON$FORCED_WRITES from MON$DATABASE");
        q.Open();
        const bool sincrona = q.Field(0).AsInteger() == 1;
        q.Close();
        std::cout << "database: " << escala << " tickets generated, " << fichas_.size()
                  << " whole tickets for the load; forced writes " << (sincrona ? "on" : "off") << "\n";
    }

    Resultado Executar(const Rodada& r) {
        const std::string pasta = servidor_.DataDir() + "/rodada-" + std::to_string(++rodadas_);
        fs::create_directories(pasta);
        const std::vector<std::vector<Operacao>> planos = Planos(r);

        // the workstations, each waiting for the start
        std::vector<pid_t> pids;
        std::vector<int> partida;
        std::vector<std::string> diarios;
        for (int i = 0; i < r.postos; ++i) {
            const std::string plano = pasta + "/plano-" + std::to_string(i), diario = pasta + "/posto-" + std::to_string(i);
            {
                std::ofstream f(plano);
                for (const Operacao& op : planos[static_cast<std::size_t>(i)])
                    f << (op.saida ? "S " : "R ") << op.prog << " " << op.ficha << "\n";
            }
            diarios.push_back(diario);
            int p[2];
            if (pipe2(p, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
            const std::vector<std::string> args = {programa_, "--posto", std::to_string(i), Local(), servidor_.User(),
                                                   servidor_.Password(), plano, diario,
                                                   std::to_string(r.saves ? 0 : r.segundos)};
            const pid_t pid = fork();
            if (pid == 0) {
                prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives the run
                dup2(p[0], 0);
                dup2(2, 1);
                std::vector<char*> v;
                for (const auto& s : args) v.push_back(const_cast<char*>(s.c_str()));
                v.push_back(nullptr);
                execv(v[0], v.data());
                _exit(127);
            }
            close(p[0]);
            pids.push_back(pid);
            partida.push_back(p[1]);
        }
        // ready when every log has its first line
        const auto prazoInicio = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        for (int i = 0; i < r.postos; ++i) {
            while (!TemLinha(diarios[static_cast<std::size_t>(i)])) {
                int st = 0;
                if (waitpid(pids[static_cast<std::size_t>(i)], &st, WNOHANG) != 0 ||
                    std::chrono::steady_clock::now() > prazoInicio)
                    throw std::runtime_error("workstation " + std::to_string(i) + " did not start");
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }

        // faults at random moments of the middle of the run
        std::vector<double> momentosQueda;
        double momentoPosto = -1;
        int vitima = -1;
        if (r.segundos > 0) {
            std::uniform_real_distribution<double> u(0, 1);
            const double faixa = 0.5 * r.segundos / std::max(1, r.quedas);
            for (int k = 0; k < r.quedas; ++k) momentosQueda.push_back(0.25 * r.segundos + faixa * (k + 0.2 + 0.6 * u(rnd_)));
            if (r.matarPosto) {
                momentoPosto = r.segundos * (0.2 + 0.6 * u(rnd_));
                vitima = std::uniform_int_distribution<int>(0, r.postos - 1)(rnd_);
            }
        }

        double cpuInicial = CpuProcesso(servidor_.Pid());  // of the server process running
        double cpuServidor = 0;
        const auto inicio = std::chrono::steady_clock::now();
        for (int fd : partida) {
            if (write(fd, "\n", 1) != 1) throw std::runtime_error("cannot start a workstation");
            close(fd);
        }
        auto decorrido = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count(); };
        std::vector<std::pair<std::int64_t, std::int64_t>> quedas;  // server down .. up again
        std::vector<int> status(pids.size(), -1);
        double cpuPostos = 0;
        std::size_t vivos = pids.size();
        const double limite = (r.saves ? 900.0 : r.segundos + 200.0);
        std::uniform_int_distribution<int> fora(300, 2000);  // ms the server stays down
        struct Guarda {  // the workstations never outlive a failed run
            std::vector<pid_t>& pids;
            std::vector<int>& status;
            ~Guarda() {
                for (std::size_t i = 0; i < pids.size(); ++i)
                    if (status[i] == -1) {
                        kill(pids[i], SIGKILL);
                        waitpid(pids[i], nullptr, 0);
                    }
            }
        } guarda{pids, status};
        while (vivos > 0) {
            for (std::size_t i = 0; i < pids.size(); ++i) {
                if (status[i] != -1) continue;
                int st = 0;
                rusage ru{};
                if (wait4(pids[i], &st, WNOHANG, &ru) == pids[i]) {
                    status[i] = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
                    cpuPostos += static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                                 static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
                    --vivos;
                }
            }
            const double t = decorrido();
            if (!momentosQueda.empty() && t >= momentosQueda.front()) {
                momentosQueda.erase(momentosQueda.begin());
                cpuServidor += CpuProcesso(servidor_.Pid()) - cpuInicial;
                cpuInicial = 0;
                const std::int64_t q = AgoraMs();
                servidor_.Kill();
                std::this_thread::sleep_for(std::chrono::milliseconds(fora(rnd_)));
                servidor_.Start();
                quedas.push_back({q, AgoraMs()});
                std::cout << "  server killed at " << static_cast<int>(t) << " s, up again after "
                          << quedas.back().second - q << " ms\n";
            }
            if (vitima >= 0 && t >= momentoPosto) {
                kill(pids[static_cast<std::size_t>(vitima)], SIGKILL);
                std::cout << "  workstation " << vitima << " killed at " << static_cast<int>(t) << " s\n";
                momentoPosto = 1e18;
            }
            if (t > limite) throw std::runtime_error("the run did not end in time");
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const double segundos = decorrido();
        cpuServidor += CpuProcesso(servidor_.Pid()) - cpuInicial;
        for (std::size_t i = 0; i < pids.size(); ++i) {
            if (static_cast<int>(i) == vitima) {
                if (status[i] != 128 + SIGKILL) Falha("workstation " + std::to_string(i) + " was to be killed, ended " + std::to_string(status[i]));
                continue;
            }
            if (status[i] != 0)
                Falha("workstation " + std::to_string(i) + " ended with status " + std::to_string(status[i]) +
                      Ultima(diarios[i]));
        }

        // the figures of this run, and its events for the checks
        Resultado res;
        res.segundos = segundos;
        res.quedas = static_cast<int>(quedas.size());
        res.cpuServidor = cpuServidor;
        res.cpuPostos = cpuPostos;
        std::vector<double> tempos;
        for (int i = 0; i < r.postos; ++i) {
            std::vector<Evento> ev = LerDiario(diarios[static_cast<std::size_t>(i)]);
            for (const Evento& e : ev) {
                if (e.tipo == "gravada") {
                    ++res.gravadas;
                    tempos.push_back(std::stod(e.extra));
                } else if (e.tipo == "recusada") {
                    ++res.recusadas;
                    tempos.push_back(std::stod(e.extra));
                } else if (e.tipo == "desconhecido" || e.tipo == "erro") {
                    (e.tipo == "erro" ? res.erros : res.desconhecidas)++;
                    // a database error is a lost connection, while the server was down
                    bool naQueda = false;
                    for (const auto& [q, v] : quedas) naQueda = naQueda || (e.ms >= q - 50 && e.ms <= v + kToleranciaMs);
                    const bool servidorFora = e.extra.rfind("perdida ", 0) == 0 || e.extra.rfind("conectar ", 0) == 0;
                    if (!servidorFora || !naQueda)
                        Falha("workstation " + std::to_string(i) + ": database error " +
                              (naQueda ? "other than the server being down" : "while the server was up") + ": " + e.extra);
                } else if (e.tipo == "falha") {
                    Falha("workstation " + std::to_string(i) + " failed: " + e.extra);
                }
            }
            auto& todos = eventos_[i];
            todos.insert(todos.end(), ev.begin(), ev.end());
        }
        res.savesPorSegundo = res.gravadas / segundos;
        res.p99 = Percentil(tempos, 0.99);
        res.p50 = Percentil(tempos, 0.50);
        Verificar();
        return res;
    }

    void Encerrar() {
        conn_.Close();
        servidor_.Stop();
    }

    const std::vector<std::string>& Falhas() const { return falhas_; }

private:
    std::string Local() const { return servidor_.Location(banco_); }
    void Configurar(db::Connection& c) {
        c.SetDatabase(Local());
        c.SetUserName(servidor_.User());
        c.SetPassword(servidor_.Password());
    }
    void Falha(const std::string& f) {
        if (falhas_.size() < 40) std::cerr << "FAILED: " << f << "\n";
        falhas_.push_back(f);
    }
    static bool TemLinha(const std::string& arquivo) {
        std::ifstream f(arquivo);
        std::string l;
        return std::getline(f, l) && !f.eof();
    }
    static std::string Ultima(const std::string& diario) {
        const auto ev = LerDiario(diario);
        return ev.empty() ? std::string() : " (last: " + ev.back().tipo + " " + ev.back().extra + ")";
    }

    // Per workstation: slot k dispatches ticket k of its list and returns ticket k - kAtraso.
    // Some slots are shared by two workstations (the same ticket, at the same place).
    std::vector<std::vector<Operacao>> Planos(const Rodada& r) {
        const std::size_t n = static_cast<std::size_t>(r.postos);
        std::size_t k = r.saves ? static_cast<std::size_t>(r.saves) / (2 * n) : 3000;
        k = std::min(k, fichas_.size() / n);
        std::vector<std::vector<Operacao>> despachos(n, std::vector<Operacao>(k));
        for (auto& d : despachos)
            for (auto& op : d) {
                op = fichas_.back();
                fichas_.pop_back();
            }
        if (n > 1) {
            const double p = kCompartilhadas / (1 + kCompartilhadas);
            std::uniform_real_distribution<double> u(0, 1);
            std::uniform_int_distribution<std::size_t> outro(0, n - 2);
            for (std::size_t s = 0; s < k; ++s) {
                std::vector<bool> usado(n, false);
                for (std::size_t w = 0; w < n; ++w) {
                    if (usado[w] || u(rnd_) >= p) continue;
                    std::size_t w2 = outro(rnd_);
                    if (w2 >= w) ++w2;
                    if (usado[w2]) continue;
                    despachos[w2][s] = despachos[w][s];
                    usado[w] = usado[w2] = true;
                }
            }
        }
        std::vector<std::vector<Operacao>> planos(n);
        for (std::size_t w = 0; w < n; ++w)
            for (std::size_t s = 0; s < k + kAtraso; ++s) {
                if (s >= kAtraso) {
                    Operacao ret = despachos[w][s - kAtraso];
                    ret.saida = false;
                    planos[w].push_back(ret);
                }
                if (s < k) planos[w].push_back(despachos[w][s]);
            }
        return planos;
    }

    // ---- the checks, on every log so far and the whole database ------------------------
    struct Estado {
        int gravadas = 0;
        bool incerta = false;              // last attempt unknown, or cut short
        std::vector<std::string> recusas;  // messages
    };

    void Verificar() {
        // what the workstations said, per ticket, kind and workstation
        std::map<std::string, std::map<int, Estado>> saidas, retornos;
        std::set<double> datas;
        for (const auto& [posto, ev] : eventos_) {
            std::map<std::string, bool> pendente;  // ticket+kind: attempted, no answer yet
            for (const Evento& e : ev) {
                if (e.tipo == "inicio") {
                    datas.insert(std::stod(e.extra));
                    continue;
                }
                if (e.ficha == "-/-") continue;
                Estado& s = (e.saida ? saidas : retornos)[e.ficha][posto];
                const std::string chave = (e.saida ? "S" : "R") + e.ficha;
                if (e.tipo == "tentando") pendente[chave] = true;
                if (e.tipo == "gravada") ++s.gravadas;
                if (e.tipo == "desconhecido") s.incerta = true;
                if (e.tipo == "gravada" || e.tipo == "recusada" || e.tipo == "desconhecido") pendente[chave] = false;
                if (e.tipo == "recusada") s.recusas.push_back(e.extra.substr(e.extra.find(' ') + 1));
                if (e.tipo == "busca") s.recusas.push_back(e.extra);
            }
            for (const auto& [chave, p] : pendente)
                if (p) (chave[0] == 'S' ? saidas : retornos)[chave.substr(1)][posto].incerta = true;
        }

        // the program's own messages
        std::set<std::string> permitidas = {dist::kMsgProgNaoLocalizada, dist::kMsgSemSaida};
        for (dist::TRecusa k : {dist::TRecusa::SetoresAnteriores, dist::TRecusa::PrecoObrigatorio,
                                dist::TRecusa::SaidaNaoEncontrada, dist::TRecusa::MesmoSetor,
                                dist::TRecusa::RetornoNaoGravado}) {
            dist::TResultadoGravacao x;
            x.recusa = k;
            permitidas.insert(x.Mensagem());
        }
        for (int i = 0; i < kMaxPostos; ++i) permitidas.insert(dist::MsgJaEnviada(Terceirizado(i)));
        for (double d : datas) permitidas.insert(dist::MsgRetornoLancado(d));

        // what the database holds
        struct Linha {
            std::int64_t terc = 0;
            bool retornado = false;
            double retorno = 0;
            std::string setorEnt;
            int linhas = 0;
        };
        std::map<std::string, Linha> externo;
        std::map<std::string, std::map<std::string, std::int64_t>> progresso;  // ticket -> sector -> rows
        {
            db::Query q(conn_);
            q.SetSQL(std::string("select PROG_EX, FICHA_EX, SUBFICHA_EX, TERCEIRIZADO_EX, RETORNO_EX, SETOR_ENT_EX "
                                 "from EXTERNO where TP_SERV_EX = '") +
                     kTipo + "'");
            q.Open();
            for (q.First(); !q.Eof(); q.Next()) {
                Linha& l = externo[q.Field(0).AsString() + "/" + q.Field(1).AsString()];
                ++l.linhas;
                if (q.Field(2).AsString() != "0000") Falha("a dispatch of a sub-ticket appeared");
                l.terc = q.Field(3).AsInteger();
                l.retornado = !q.Field(4).IsNull();
                if (l.retornado) l.retorno = q.Field(4).AsDateTime();
                l.setorEnt = q.Field(5).IsNull() ? "" : q.Field(5).AsString();
            }
            q.Close();
            q.SetSQL("select PROG_PS, FICHA_PS, SETOR_PS, count(*) from PRODUCAO_SETOR where SETOR_PS starting with 'X' "
                     "or SETOR_PS starting with 'Y' group by 1, 2, 3");
            q.Open();
            for (q.First(); !q.Eof(); q.Next())
                progresso[q.Field(0).AsString() + "/" + q.Field(1).AsString()][q.Field(2).AsString()] =
                    q.Field(3).AsInteger();
        }

        std::set<std::string> fichas;
        for (const auto& m : {saidas, retornos})
            for (const auto& [f, _] : m) fichas.insert(f);
        for (const auto& [f, _] : externo) fichas.insert(f);
        for (const auto& [f, _] : progresso) fichas.insert(f);

        auto nome = [](int posto) { return "workstation " + std::to_string(posto); };
        int incertasGravadas = 0, incertasNao = 0;  // saves left unknown: in the database, or not
        for (const std::string& f : fichas) {
            const Linha* l = externo.count(f) ? &externo.at(f) : nullptr;
            const auto& ss = saidas[f];
            const auto& rs = retornos[f];
            if (l && l->linhas > 1) Falha(f + ": dispatched " + std::to_string(l->linhas) + " times");
            // dispatch
            int gravadores = 0;
            for (const auto& [posto, s] : ss) {
                gravadores += s.gravadas;
                if (s.gravadas > 0 && (!l || l->terc != Terceirizado(posto)))
                    Falha(f + ": dispatch reported recorded by " + nome(posto) + " is not in the database");
                for (const std::string& m : s.recusas) {
                    if (!permitidas.count(m)) Falha(f + ": " + nome(posto) + " saw a message of its own: " + m);
                    for (int i = 0; i < kMaxPostos; ++i)
                        if (m == dist::MsgJaEnviada(Terceirizado(i)) && (!l || l->terc != Terceirizado(i)))
                            Falha(f + ": refusal names a dispatch that is not recorded: " + m);
                }
            }
            if (gravadores > 1) Falha(f + ": dispatch reported recorded " + std::to_string(gravadores) + " times");
            for (const auto& [posto, s] : ss)
                if (s.incerta && s.gravadas == 0) (l && l->terc == Terceirizado(posto) ? incertasGravadas : incertasNao)++;
            if (l) {
                const int dono = static_cast<int>(l->terc - kTercBase);
                const auto it = ss.find(dono);
                if (dono < 0 || dono >= kMaxPostos || it == ss.end() || (it->second.gravadas == 0 && !it->second.incerta))
                    Falha(f + ": a dispatch no workstation recorded (workshop " + std::to_string(l->terc) + ")");
            }
            // return
            int carimbos = 0;
            for (const auto& [posto, s] : rs) {
                carimbos += s.gravadas;
                if (s.gravadas > 0 && (!l || !l->retornado || l->setorEnt != SetorRetorno(posto)))
                    Falha(f + ": return reported recorded by " + nome(posto) + " is not in the database");
                for (const std::string& m : s.recusas)
                    if (!permitidas.count(m)) Falha(f + ": " + nome(posto) + " saw a message of its own: " + m);
            }
            if (carimbos > 1) Falha(f + ": return stamped " + std::to_string(carimbos) + " times");
            for (const auto& [posto, s] : rs)
                if (s.incerta && s.gravadas == 0)
                    (l && l->retornado && l->setorEnt == SetorRetorno(posto) ? incertasGravadas : incertasNao)++;
            if (l && l->retornado) {
                int dono = -1;
                for (int i = 0; i < kMaxPostos; ++i)
                    if (l->setorEnt == SetorRetorno(i)) dono = i;
                const auto it = rs.find(dono);
                if (dono < 0 || it == rs.end() || (it->second.gravadas == 0 && !it->second.incerta))
                    Falha(f + ": a return no workstation recorded (sector " + l->setorEnt + ")");
                if (!datas.count(l->retorno)) Falha(f + ": return stamped with a date no workstation used");
            }
            // progress rows: exactly those of the saves in the database
            const auto pr = progresso.count(f) ? progresso.at(f) : std::map<std::string, std::int64_t>();
            for (int i = 0; i < kMaxPostos; ++i) {
                const auto n = [&](const std::string& s) { return pr.count(s) ? pr.at(s) : 0; };
                const std::int64_t esperadoS = l && l->terc == Terceirizado(i) ? 1 : 0;
                const std::int64_t esperadoR = l && l->retornado && l->setorEnt == SetorRetorno(i) ? 1 : 0;
                if (n(SetorSaida(i)) != esperadoS)
                    Falha(f + ": " + std::to_string(n(SetorSaida(i))) + " progress rows of the dispatch sector of " +
                          nome(i) + ", expected " + std::to_string(esperadoS));
                if (n(SetorRetorno(i)) != esperadoR)
                    Falha(f + ": " + std::to_string(n(SetorRetorno(i))) + " progress rows of the return sector of " +
                          nome(i) + ", expected " + std::to_string(esperadoR));
            }
        }

        std::cout << "  saves that met an error or a SIGKILL and were never reported recorded (all runs so far): " << incertasGravadas
                  << " recorded, " << incertasNao << " not\n";

        // the file itself, with the server stopped
        conn_.Close();
        servidor_.Stop();
        Validar();
        servidor_.Start();
        conn_.Open();
    }

    // gfix -v -full -n on the file, the server stopped. Errors fail. Warnings are judged
    // from their details in the engine's log: a pointer page whose "full" bit was not yet
    // written, and back versions that no record uses ("orphan backversions {0 in use}"),
    // are what a killed server leaves with careful writes (a hint and unused space; no
    // record is lost or wrong), and are reported; any other warning fails.
    void Validar() {
        const std::vector<std::string> registros = {
            fs::path(servidor_.DataDir()).parent_path().string() + "/firebird.log",
            "/var/log/firebird/firebird3.0.log"};
        std::vector<std::uintmax_t> antes;
        for (const auto& r : registros) {  // a log this user may not read (the system's) counts as empty
            std::error_code ec;
            const std::uintmax_t n = fs::file_size(r, ec);
            antes.push_back(ec ? 0 : n);
        }
        std::string saida;
        const int st = servidor_.Executar({"/usr/bin/gfix", "-v", "-full", "-n", "-user", "SYSDBA", banco_}, saida);
        if (saida.find_first_not_of(" \r\n\t") == std::string::npos && st == 0) {
            std::cout << "  gfix -v -full: clean\n";
            return;
        }
        bool erros = st != 0;
        std::istringstream linhas(saida);
        for (std::string l; std::getline(linhas, l);)
            if (l.find("Number of") != std::string::npos && l.find("errors") != std::string::npos) erros = true;
        // the details: lines of the engine's log about this file, written by the validation
        std::vector<std::string> avisos;
        for (std::size_t i = 0; i < registros.size(); ++i) {
            std::ifstream f(registros[i]);
            if (!f) continue;
            f.seekg(static_cast<std::streamoff>(antes[i]));
            bool nosso = false;
            for (std::string l; std::getline(f, l);) {
                if (!l.empty() && l[0] != '\t') nosso = false;  // the header of the next entry
                if (l == "\tDatabase: " + banco_) nosso = true;
                else if (nosso && l.rfind("\tWarning: ", 0) == 0) avisos.push_back(l.substr(1));
                else if (nosso && l.rfind("\tError", 0) == 0) erros = true;
            }
        }
        bool aceitos = !avisos.empty() && !erros;
        for (const std::string& a : avisos) {
            const bool ponteiro = a.find("Pointer page") != std::string::npos &&
                                  a.find("are not consistent with data page") != std::string::npos;
            const bool orfas = a.find("orphan backversions {0 in use}") != std::string::npos;
            if (!ponteiro && !orfas) aceitos = false;
        }
        if (!aceitos) {
            std::string d;
            for (const auto& a : avisos) d += "\n  " + a;
            Falha("gfix -v -full found problems (status " + std::to_string(st) + "): " + saida + d);
            return;
        }
        std::cout << "  gfix -v -full: no error; warnings left by the killed server:";
        for (const auto& a : avisos) std::cout << "\n    " << a;
        std::cout << "\n";
    }

    std::string programa_;
    std::mt19937 rnd_;
    FirebirdServer servidor_;
    db::Connection conn_;
    std::string dir_, banco_;
    std::vector<Operacao> fichas_;
    std::map<int, std::vector<Evento>> eventos_;  // per workstation, every run
    int rodadas_ = 0;
    std::vector<std::string> falhas_;
};

void Relatar(const Rodada& r, const Resultado& x) {
    std::printf("  N=%d: %d recorded, %d refused, %d unknown, %d lookup errors in %.1f s; p50 %.1f ms, p99 %.1f ms; "
                "CPU: server %.1f s, workstations %.1f s\n",
                r.postos, x.gravadas, x.recusadas, x.desconhecidas, x.erros, x.segundos, x.p50, x.p99, x.cpuServidor,
                x.cpuPostos);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 9 && std::strcmp(argv[1], "--posto") == 0) return ExecutarPosto(argv + 2);
    plat::AdotarLocaleUtf8();
    setvbuf(stdout, nullptr, _IOLBF, 0);
    bool curta = false, assincrona = false;
    int escala = 0, saves = 0, segundos = 30, quedasCurta = 1, postosCurta = 4;
    unsigned semente = std::random_device{}();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto valor = [&] {
            if (i + 1 >= argc) throw std::runtime_error(a + " needs a value");
            return std::stoi(argv[++i]);
        };
        if (a == "--curta") curta = true;
        else if (a == "--escala") escala = valor();
        else if (a == "--saves") saves = valor();
        else if (a == "--segundos") segundos = valor();
        else if (a == "--sem-escrita-forcada") assincrona = true;
        else if (a == "--quedas") quedasCurta = valor();
        else if (a == "--postos") postosCurta = std::clamp(valor(), 1, kMaxPostos);
        else if (a == "--semente") semente = static_cast<unsigned>(valor());
        else {
            std::cerr << "usage: bench_carga [--curta] [--escala TICKETS] [--saves N] [--segundos S] [--semente S] [--sem-escrita-forcada] [--quedas K] [--postos N]\n";
            return 2;
        }
    }
    if (!FirebirdServer::Available()) {
        std::cerr << "no test server: " << FirebirdServer::Problem() << "\n";
        return FirebirdServer::Obrigatorio() ? 1 : 77;
    }
    std::vector<Rodada> rodadas;
    if (curta) {
        rodadas = {{postosCurta, 0, segundos, quedasCurta, true}};
        if (!escala) escala = 8000;
    } else {
        if (!saves) saves = 3000;
        rodadas = {{1, saves, 0, 0, false}, {4, saves, 0, 0, false}, {16, saves, 0, 0, false}, {16, 0, 40, 3, true}};
        if (!escala) escala = 30000;
    }
    std::cout << "load run, seed " << semente << "\n";
    try {
        Carga carga(fs::canonical("/proc/self/exe").string(), semente);
        carga.Preparar(escala, assincrona);
        std::map<int, Resultado> medidos;
        int quedas = 0;
        for (const Rodada& r : rodadas) {
            std::cout << "run: " << r.postos << " workstations, "
                      << (r.saves ? std::to_string(r.saves) + " saves" : std::to_string(r.segundos) + " s") << ", "
                      << r.quedas << " server kills" << (r.matarPosto ? ", one workstation killed" : "") << "\n";
            const std::size_t antes = carga.Falhas().size();
            const Resultado x = carga.Executar(r);
            Relatar(r, x);
            quedas += x.quedas;
            const bool ok = carga.Falhas().size() == antes;
            std::cout << "  " << (ok ? "nothing lost, nothing doubled" : "CHECKS FAILED") << "; server kills survived "
                      << x.quedas << "\n";
            if (r.saves) medidos[r.postos] = x;
        }
        carga.Encerrar();
        for (const auto& [n, x] : medidos) {
            std::printf("SAVES/S %d %.1f\n", n, x.savesPorSegundo);
            std::printf("MS p99-save %d %.1f\n", n, x.p99);
        }
        if (medidos.count(1) && medidos.count(16)) {
            std::printf("RATIO scale-16 %.2f\n", medidos[16].savesPorSegundo / medidos[1].savesPorSegundo);
            std::printf("RATIO p99-16 %.2f\n", medidos[16].p99 / medidos[1].p99);
        }
        std::cout << "server kills survived in all: " << quedas << "\n";
        if (!carga.Falhas().empty()) {
            std::cerr << carga.Falhas().size() << " check(s) failed\n";
            return 1;
        }
    } catch (const std::exception& e) {
        std::cerr << "load run failed: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
