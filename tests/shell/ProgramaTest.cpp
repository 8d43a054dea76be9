// The built program as a process: a second start while one copy runs, a start after a
// copy was killed, the end on a signal, refused lock files. Runs on the offscreen platform
// with messages written to stderr (or shown as boxes, where a test says so).
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>

#include "db/Connection.h"
#include "db/Query.h"
#include "platform/Cp1252.h"
#include "platform/InstanciaUnica.h"
#include "shell/UEsquema.h"
#include "support/ServidorMudo.h"

namespace {

const QString Aviso = QString::fromUtf8("Aviso|PROGRAMA EM EXECUÇÃO|O programa \"Sirvanta\" já está sendo executado!");

class ProgramaTest : public ::testing::Test {
protected:
    void SetUp() override {
        programa_ = QString::fromUtf8(PRAVOLT_BINARY_DIR) + "/pravolt";
        if (!QFileInfo(programa_).isExecutable()) GTEST_SKIP() << "program not built: " << programa_.toStdString();
        ASSERT_TRUE(runtime_.isValid());
        ASSERT_TRUE(config_.isValid());  // no Parametros.ini: the start-up reports and goes on
        configUsada_ = config_.path();
    }
    void TearDown() override {
        for (QProcess* p : processos_) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
            delete p;
        }
    }

    // Starts the program (or `programa`) with the configuration folder given (by default the
    // fixture's: the test's empty one unless a fixture names another) and the extra
    // environment variables; those named in `sem` are left out.
    QProcess* Iniciar(const QString& dirConfig = {}, const QProcessEnvironment& extra = {}, const QString& programa = {},
                      const QStringList& sem = {}) {
        auto* p = new QProcess;
        processos_ << p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("PRAVOLT_MENSAGENS", "stderr");
        env.insert("XDG_RUNTIME_DIR", runtime_.path());
        env.insert("PRAVOLT_CONFIG_DIR", dirConfig.isEmpty() ? configUsada_ : dirConfig);
        env.insert(extra);
        for (const QString& v : sem) env.remove(v);
        p->setProcessEnvironment(env);
        p->start(programa.isEmpty() ? programa_ : programa, {});
        EXPECT_TRUE(p->waitForStarted(5000));
        return p;
    }

    // Waits until the process wrote a line holding `trecho` to stderr; returns all it wrote.
    static QString EsperarSaida(QProcess* p, const QString& trecho, int ms = 15000) {
        QString tudo;
        auto fim = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < fim) {
            p->waitForReadyRead(100);
            tudo += QString::fromUtf8(p->readAllStandardError());
            if (tudo.contains(trecho)) break;
            if (p->state() == QProcess::NotRunning) {
                tudo += QString::fromUtf8(p->readAllStandardError());
                break;
            }
        }
        return tudo;
    }

    QString programa_, configUsada_;
    QTemporaryDir runtime_, config_;
    QList<QProcess*> processos_;
};

// The program with databases made by pravolt-admin and the rows a dispatch needs, started
// as the probe (the program's entry with an observer, tests/sonda) so the tests know when
// its windows show and can have it save.
class ProgramaComBanco : public ProgramaTest {
protected:
    static void SetUpTestSuite() {
        pasta_ = new QTemporaryDir;
        QProcess admin;
        admin.start(QString::fromUtf8(PRAVOLT_BINARY_DIR) + "/pravolt-admin", {"create", pasta_->path()});
        if (!admin.waitForFinished(120000) || admin.exitCode() != 0) return;
        for (const char* sql : {
                 "insert into TERCEIRIZADO (COD_BA, NOME_BA, ATIVO_BA) values (1, 'ALFA', 'S')",
                 "insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('35', 'B', 'BORDADO')",
                 "insert into SETOR (COD_SE, NOME_SE) values ('11', 'BORDADO')",
                 "insert into PRECOSER (TERCEIRIZADO_PS, PROD_PS, TP_SERV_PS, VALOR_PS) values (1, 'PR01', 'B', 12.50)",
                 "insert into ITENSPV (PEDIDO_IT, ITEM_IT, PROD_IT, PADRON_IT, PROG_IT, FICHA_IT) "
                 "values ('P1', '01', 'PR01', '001', '123456', '0007')",
                 "insert into ITENSPVGRADE (PEDIDO_IT, ITEM_IT, TAM_IT, QTPED_IT) values ('P1', '01', '38', 50)",
                 "insert into PADRONIZ_PRODUTO (PADRONIZ_PP, PROD_PP, DESC_PP) values ('001', 'PR01', 'PRETO')",
             })
            Executar(sql);
        pronta_ = true;
    }
    static void TearDownTestSuite() {
        delete pasta_;
        pasta_ = nullptr;
    }
    void SetUp() override {
        ProgramaTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(pronta_) << "pravolt-admin create failed";
        sonda_ = QString::fromUtf8(PRAVOLT_BINARY_DIR) + "/pravolt-sonda";
        ASSERT_TRUE(QFileInfo(sonda_).isExecutable()) << sonda_.toStdString();
        configUsada_ = pasta_->path();
    }

    // The probe told to act.
    static QProcessEnvironment Sonda(const QString& acao) {
        QProcessEnvironment e;
        e.insert("PRAVOLT_SONDA", acao);
        return e;
    }

    // Starts the probe and waits for its windows; gives the number of objects the
    // application object then owns ("" when they did not show).
    QString IniciarAteJanela(QProcess*& p, const QProcessEnvironment& extra = {}, const QStringList& sem = {}) {
        p = Iniciar({}, extra, sonda_, sem);
        saida_ = EsperarSaida(p, "SONDA|janela ");
        const int i = saida_.indexOf("SONDA|janela ");
        EXPECT_GE(i, 0) << saida_.toStdString();
        EXPECT_FALSE(saida_.contains(Aviso));
        EXPECT_FALSE(saida_.contains("Erro|")) << saida_.toStdString();
        return i < 0 ? QString() : saida_.mid(i + 13).section('\n', 0, 0).trimmed();
    }

    // Sends the signal (0: it was sent already) and waits for the end: exit status 0 after
    // the teardown in order (the distribution window goes while the application still owns
    // everything, then the frame), the window's registry entry removed.
    void EncerrarComSinal(QProcess* p, int sinal, const QString& possuidos) {
        if (sinal) {
            ASSERT_EQ(kill(static_cast<pid_t>(p->processId()), sinal), 0);
        }
        // (the process may be gone already: it signalled itself)
        if (p->state() != QProcess::NotRunning) {
            ASSERT_TRUE(p->waitForFinished(30000)) << strsignal(sinal);
        }
        saida_ += QString::fromUtf8(p->readAllStandardError());
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit) << strsignal(sinal);
        EXPECT_EQ(p->exitCode(), 0) << strsignal(sinal);
        const int dist = saida_.indexOf("SONDA|fim distribuicao " + possuidos + "\n");
        EXPECT_GE(dist, 0) << saida_.toStdString();
        EXPECT_GT(saida_.indexOf("SONDA|fim principal"), dist) << saida_.toStdString();
        EXPECT_FALSE(saida_.contains("shutdown")) << saida_.toStdString();
        EXPECT_TRUE(QDir(runtime_.path()).entryList({"janela.*"}).isEmpty());
    }

    // Statements on the program's database while no program has it open.
    static void Conectar(db::Connection& c) {
        c.SetDatabase((pasta_->path() + "/bdados/PRAVOLT.FDB").toStdString());
        c.SetUserName("SYSDBA");
        c.SetPassword("quindrape");
    }
    static void Executar(const std::string& sql) {
        db::Connection c;
        Conectar(c);
        db::Query q(c);
        q.SetSQL(sql);
        q.ExecSQL();
    }
    // Waits for the probe's report unless it came already.
    void Esperar(QProcess* p, const QString& relato) {
        if (!saida_.contains(relato)) saida_ += EsperarSaida(p, relato);
        ASSERT_TRUE(saida_.contains(relato)) << saida_.toStdString();
    }

    static std::int64_t Contar(const std::string& sql) {
        db::Connection c;
        Conectar(c);
        db::Query q(c);
        q.SetSQL(sql);
        q.Open();
        return q.Field(0).AsInteger();
    }

    static QTemporaryDir* pasta_;
    static bool pronta_;
    QString sonda_, saida_;
};

QTemporaryDir* ProgramaComBanco::pasta_ = nullptr;
bool ProgramaComBanco::pronta_ = false;

}  // namespace

TEST_F(ProgramaTest, SegundaCopiaAvisaESaiComZeroEnquantoAPrimeiraContinua) {
    QProcess* primeira = Iniciar();
    // The first copy is up once its start-up error (no configuration) has been reported.
    const QString saida1 = EsperarSaida(primeira, "Erro|Barvenco|Driver");
    ASSERT_TRUE(saida1.contains("Erro|Barvenco|")) << saida1.toStdString();
    EXPECT_FALSE(saida1.contains(Aviso));
    // First the file the program looked for, by its full path; then the start-up's own error.
    const QString semArquivo = "Erro|Barvenco|O arquivo de configuração \"" + config_.path() +
                               "/Parametros.ini\" não foi encontrado.";
    EXPECT_TRUE(saida1.indexOf(semArquivo) >= 0 && saida1.indexOf(semArquivo) < saida1.indexOf("|Driver"))
        << saida1.toStdString();


    QProcess* segunda = Iniciar();
    ASSERT_TRUE(segunda->waitForFinished(15000));
    const QString saida2 = QString::fromUtf8(segunda->readAllStandardError());
    EXPECT_EQ(segunda->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(segunda->exitCode(), 0);
    EXPECT_TRUE(saida2.contains(Aviso)) << saida2.toStdString();
    // The second copy creates no window: no start-up of its own.
    EXPECT_FALSE(saida2.contains("Erro|")) << saida2.toStdString();

    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(primeira->state(), QProcess::Running);
}

TEST_F(ProgramaTest, CopiaMortaNaoImpedeProximoInicio) {
    QProcess* primeira = Iniciar();
    ASSERT_TRUE(EsperarSaida(primeira, "Erro|Barvenco|").contains("Erro|Barvenco|"));
    primeira->kill();
    ASSERT_TRUE(primeira->waitForFinished(5000));

    QProcess* proxima = Iniciar();
    const QString saida = EsperarSaida(proxima, "Erro|Barvenco|");
    EXPECT_TRUE(saida.contains("Erro|Barvenco|")) << saida.toStdString();
    EXPECT_FALSE(saida.contains(Aviso));
    EXPECT_EQ(proxima->state(), QProcess::Running);

    proxima->kill();
    ASSERT_TRUE(proxima->waitForFinished(10000));
}

namespace {

// The files a process holds open, by their paths.
std::set<std::string> ArquivosAbertos(qint64 pid) {
    std::set<std::string> r;
    std::error_code ec;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    for (std::filesystem::directory_iterator it(fds, ec), fim; !ec && it != fim; it.increment(ec)) {
        std::error_code e;
        auto alvo = std::filesystem::read_symlink(it->path(), e);
        if (!e) r.insert(alvo.string());
    }
    return r;
}

}  // namespace

// Folders and files with accents, named by the configuration folder and by Parametros.ini in
// Windows-1252 or in UTF-8 without a byte-order mark, with no locale in the environment: the
// program opens both databases (it holds them open) and reports nothing.
TEST_F(ProgramaTest, CaminhosComAcentosAbremOsDoisBancos) {
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const std::string inst = base.path().toStdString() + "/Área de Trabalho/inst";
    std::filesystem::create_directories(inst + "/bdados");
    const std::string acesso = inst + "/bdados/Ação.FDB", principal = inst + "/bdados/José.FDB";
    esquema::CriarBanco(acesso, esquema::Banco::Acesso, "SYSDBA", esquema::SenhaPorChave("1"));
    esquema::CriarBanco(principal, esquema::Banco::Principal, "SYSDBA", esquema::SenhaPorChave("1"));
    const std::string texto = "[Banco]\r\nBanco=DevartFireBird\r\n[Paths]\r\nDB=" + principal +
                              "\r\nACESSO=" + acesso + "\r\nUSER=" + acesso + "\r\n";
    QProcessEnvironment semLocale;
    semLocale.insert("LC_ALL", "C");
    semLocale.insert("LANG", "C");

    for (const std::string& bytes : {plat::Utf8ParaCp1252(texto), texto}) {
        std::ofstream(inst + "/Parametros.ini", std::ios::binary | std::ios::trunc) << bytes;
        QProcess* p = Iniciar(QString::fromStdString(inst), semLocale);
        std::set<std::string> abertos;
        for (auto fim = std::chrono::steady_clock::now() + std::chrono::seconds(20);
             std::chrono::steady_clock::now() < fim && p->state() == QProcess::Running;
             std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
            abertos = ArquivosAbertos(p->processId());
            if (abertos.count(acesso) && abertos.count(principal)) break;
        }
        EXPECT_TRUE(abertos.count(acesso)) << (bytes == texto ? "UTF-8" : "Windows-1252");
        EXPECT_TRUE(abertos.count(principal)) << (bytes == texto ? "UTF-8" : "Windows-1252");
        p->waitForReadyRead(300);
        const QString saida = QString::fromUtf8(p->readAllStandardError());
        EXPECT_FALSE(saida.contains("Erro|")) << saida.toStdString();
        p->kill();
        ASSERT_TRUE(p->waitForFinished(10000));
    }
}

// SIGTERM, SIGINT and SIGHUP with the window idle: the program ends as closing the window
// does, and the next start shows its window (the first start follows nothing).
TEST_F(ProgramaComBanco, SinalComJanelaParadaEncerraComoFecharAJanela) {
    for (int sinal : {SIGTERM, SIGINT, SIGHUP}) {
        QProcess* p = nullptr;
        const QString possuidos = IniciarAteJanela(p);
        ASSERT_FALSE(possuidos.isEmpty()) << strsignal(sinal);
        EncerrarComSinal(p, sinal, possuidos);
    }
    QProcess* p = nullptr;
    EncerrarComSinal(p, SIGTERM, IniciarAteJanela(p));
}

// Right after a save, and while one runs (the probe signals itself as the save starts):
// the save commits whole, the row is there once, and the next start works.
TEST_F(ProgramaComBanco, SinalLogoAposGravarOuDuranteAGravacaoDeixaALinhaUmaVez) {
    for (const char* acao : {"gravar", "gravar-com-sinal"}) {
        SCOPED_TRACE(acao);
        Executar("delete from EXTERNO");
        Executar("delete from PRODUCAO_SETOR");
        QProcess* p = nullptr;
        const QString possuidos = IniciarAteJanela(p, Sonda(acao));
        Esperar(p, "SONDA|gravado");
        EncerrarComSinal(p, std::string(acao) == "gravar" ? SIGTERM : 0, possuidos);
        EXPECT_FALSE(saida_.contains("Aviso|")) << saida_.toStdString();
        EXPECT_EQ(Contar("select count(*) from EXTERNO where PROG_EX = '123456' and FICHA_EX = '0007'"), 1);
        EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR where PROG_PS = '123456' and SETOR_PS = '11'"), 1);
        EncerrarComSinal(p, SIGINT, IniciarAteJanela(p));
    }
}

// A modal message box open (a question while the window runs; the start-up error box,
// before the message loop): the box returns with the negative answer and the program
// ends; the next start works.
TEST_F(ProgramaComBanco, SinalComCaixaAbertaEncerra) {
    QProcess* p = nullptr;
    const QString possuidos = IniciarAteJanela(p, Sonda("pergunta"), {"PRAVOLT_MENSAGENS"});
    Esperar(p, "SONDA|modal Sonda");
    EncerrarComSinal(p, SIGTERM, possuidos);
    EXPECT_TRUE(saida_.contains("SONDA|resposta Nao")) << saida_.toStdString();

    p = Iniciar(config_.path(), {}, sonda_, {"PRAVOLT_MENSAGENS"});  // no Parametros.ini: an error box at start
    saida_.clear();
    Esperar(p, "SONDA|modal Barvenco");
    ASSERT_EQ(kill(static_cast<pid_t>(p->processId()), SIGTERM), 0);
    ASSERT_TRUE(p->waitForFinished(30000));
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p->exitCode(), 0);
    EXPECT_TRUE(QDir(runtime_.path()).entryList({"janela.*"}).isEmpty());

    EncerrarComSinal(p, SIGHUP, IniciarAteJanela(p));
}

// A lock file another user could have left (a link, a file of another owner): refused with
// a clear note, and the program still starts.
TEST_F(ProgramaTest, TravaLigadaOuDeOutroDonoERecusadaEOProgramaInicia) {
    qputenv("XDG_RUNTIME_DIR", runtime_.path().toUtf8());
    const std::string trava = plat::InstanciaUnica::CaminhoTrava("Só Chama uma vez");
    qunsetenv("XDG_RUNTIME_DIR");
    const std::string alvo = runtime_.path().toStdString() + "/alvo";
    struct Caso {
        const char* motivo;
        bool (*plantar)(const std::string& trava, const std::string& alvo);
    };
    const Caso casos[] = {
        {"a symbolic link, refused",
         [](const std::string& t, const std::string& a) { return symlink(a.c_str(), t.c_str()) == 0; }},
        {"belongs to another user (uid 4321), refused",
         [](const std::string& t, const std::string&) {
             return geteuid() == 0 && std::fclose(std::fopen(t.c_str(), "w")) == 0 && chown(t.c_str(), 4321, 4321) == 0;
         }},
    };
    for (const Caso& c : casos) {
        std::filesystem::remove(trava);
        if (!c.plantar(trava, alvo)) continue;  // another owner needs root
        QProcess* p = Iniciar();
        const QString saida = EsperarSaida(p, "Erro|Barvenco|");
        EXPECT_TRUE(saida.contains("single-instance lock unavailable")) << saida.toStdString();
        EXPECT_TRUE(saida.contains(QString::fromStdString(trava + ": " + c.motivo))) << saida.toStdString();
        EXPECT_TRUE(saida.contains("Erro|Barvenco|")) << saida.toStdString();
        EXPECT_EQ(p->state(), QProcess::Running);
        EXPECT_FALSE(std::filesystem::exists(alvo));
        p->kill();
        p->waitForFinished(10000);
    }
}

// A database server that takes the connection and never answers, for the access database
// and for the main one: the start-up waits for it once (a one-second time-out here), shows
// one message naming the location, and goes on as for a database it cannot reach (the frame
// stays open).
TEST_F(ProgramaTest, ServidorQueNaoRespondeCustaUmaEsperaEUmaMensagem) {
    ServidorMudo mudo;
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const std::string acesso = base.path().toStdString() + "/ACESSO.FDB";
    esquema::CriarBanco(acesso, esquema::Banco::Acesso, "SYSDBA", esquema::SenhaPorChave("1"));
    const struct {
        std::string acesso, principal;
    } casos[] = {{mudo.Local("/srv/ACESSO.FDB"), mudo.Local()}, {acesso, mudo.Local()}};
    QProcessEnvironment curto;
    curto.insert("PRAVOLT_CONNECT_TIMEOUT", "1");
    for (const auto& c : casos) {
        std::ofstream(base.filePath("Parametros.ini").toStdString(), std::ios::trunc)
            << "[Banco]\nBanco=DevartFireBird\n[Paths]\nDB=" << c.principal << "\nACESSO=" << c.acesso
            << "\nUSER=" << c.acesso << "\n";
        const std::string surdo = c.acesso == acesso ? c.principal : c.acesso;
        const auto inicio = std::chrono::steady_clock::now();
        QProcess* p = Iniciar(base.path(), curto);
        QString saida = EsperarSaida(p, "Erro|Barvenco|");
        EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(10));
        saida += EsperarSaida(p, "<nada>", 2500);  // longer than another time-out
        EXPECT_EQ(saida.count("Erro|"), 1) << saida.toStdString();
        EXPECT_TRUE(saida.contains(QString::fromStdString("Não foi possível conectar ao banco de dados " + surdo +
                                                          ": o servidor não respondeu em 1 segundo.")))
            << saida.toStdString();
        EXPECT_EQ(p->state(), QProcess::Running);
        p->kill();
        ASSERT_TRUE(p->waitForFinished(10000));
    }
}
