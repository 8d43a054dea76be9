// The built program as a process: a second start while one copy runs, and a start after
// a copy was killed. Runs on the offscreen platform with messages written to stderr.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

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

    QProcess* Iniciar() {
        auto* p = new QProcess;
        processos_ << p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("PRAVOLT_MENSAGENS", "stderr");
        env.insert("XDG_RUNTIME_DIR", runtime_.path());
        env.insert("PRAVOLT_CONFIG_DIR", config_.path());
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
    const QString saida1 = EsperarSaida(primeira, "Erro|Barvenco|");
    ASSERT_TRUE(saida1.contains("Erro|Barvenco|")) << saida1.toStdString();
    EXPECT_FALSE(saida1.contains(Aviso));

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
