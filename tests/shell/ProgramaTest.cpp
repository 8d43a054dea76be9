// The built program as a process: a second start while one copy runs, and a start after
// a copy was killed. Runs on the offscreen platform with messages written to stderr.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "platform/Cp1252.h"
#include "shell/UEsquema.h"

namespace {

const QString Aviso = QString::fromUtf8("Aviso|PROGRAMA EM EXECUÇÃO|O programa \"Sirvanta\" já está sendo executado!");

class ProgramaTest : public ::testing::Test {
protected:
    void SetUp() override {
        programa_ = QString::fromUtf8(PRAVOLT_BINARY_DIR) + "/pravolt";
        if (!QFileInfo(programa_).isExecutable()) GTEST_SKIP() << "program not built: " << programa_.toStdString();
        ASSERT_TRUE(runtime_.isValid());
        ASSERT_TRUE(config_.isValid());  // no Parametros.ini: the start-up reports and goes on
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

    // Starts the program with the configuration folder given (the test's empty one by
    // default) and the extra environment variables.
    QProcess* Iniciar(const QString& dirConfig = {}, const QProcessEnvironment& extra = {}) {
        auto* p = new QProcess;
        processos_ << p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("PRAVOLT_MENSAGENS", "stderr");
        env.insert("XDG_RUNTIME_DIR", runtime_.path());
        env.insert("PRAVOLT_CONFIG_DIR", dirConfig.isEmpty() ? config_.path() : dirConfig);
        env.insert(extra);
        p->setProcessEnvironment(env);
        p->start(programa_, {});
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

    QString programa_;
    QTemporaryDir runtime_, config_;
    QList<QProcess*> processos_;
};

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
