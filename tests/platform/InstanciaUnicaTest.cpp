#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/InstanciaUnica.h"

namespace fs = std::filesystem;
using plat::InstanciaUnica;

namespace {

// Each test runs with its own runtime folder.
class PastaTemporaria : public ::testing::Test {
protected:
    void SetUp() override {
        const char* antes = std::getenv("XDG_RUNTIME_DIR");
        if (antes) anterior_ = antes;
        char modelo[] = "/tmp/instancia-XXXXXX";
        pasta_ = mkdtemp(modelo);
        setenv("XDG_RUNTIME_DIR", pasta_.c_str(), 1);
    }
    void TearDown() override {
        if (anterior_.empty()) unsetenv("XDG_RUNTIME_DIR");
        else setenv("XDG_RUNTIME_DIR", anterior_.c_str(), 1);
        fs::remove_all(pasta_);
    }
    std::string pasta_, anterior_;
};

// Forks a process that takes the guard and waits; returns its pid once it holds it.
pid_t OutroProcessoSegurando(const std::string& nome) {
    int p[2];
    if (pipe(p) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(p[0]);
        InstanciaUnica g(nome);
        char c = g.Possui() ? '1' : '0';
        (void)!write(p[1], &c, 1);
        for (;;) pause();
    }
    close(p[1]);
    char c = 0;
    (void)!read(p[0], &c, 1);
    close(p[0]);
    return c == '1' ? pid : -1;
}

}  // namespace

using InstanciaUnicaTest = PastaTemporaria;

TEST_F(InstanciaUnicaTest, SegundoPedidoNoMesmoNomeEncontraGuardaTomadaAteLiberar) {
    InstanciaUnica primeira("Só Chama uma vez");
    ASSERT_TRUE(primeira.Possui());
    EXPECT_FALSE(primeira.JaExistia());
    EXPECT_TRUE(primeira.Falha().empty());
    {
        InstanciaUnica segunda("Só Chama uma vez");
        EXPECT_TRUE(segunda.JaExistia());
        EXPECT_FALSE(segunda.Possui());
        InstanciaUnica outroNome("Só Chama uma vez!");
        EXPECT_TRUE(outroNome.Possui());
    }
    primeira.Liberar();
    primeira.Liberar();  // idempotent
    InstanciaUnica terceira("Só Chama uma vez");
    EXPECT_TRUE(terceira.Possui());
}

TEST_F(InstanciaUnicaTest, DestrutorLiberaGuarda) {
    { InstanciaUnica g("x"); ASSERT_TRUE(g.Possui()); }
    InstanciaUnica h("x");
    EXPECT_TRUE(h.Possui());
}

TEST_F(InstanciaUnicaTest, ArquivoDaTravaFicaNaPastaDeExecucaoComNomeSeguro) {
    const std::string c = InstanciaUnica::CaminhoTrava("Só Chama uma vez");
    EXPECT_EQ(c.rfind(pasta_ + "/", 0), 0u);
    const std::string nome = fs::path(c).filename().string();
    EXPECT_EQ(nome.find('/'), std::string::npos);
    EXPECT_EQ(nome.find(' '), std::string::npos);
    EXPECT_NE(InstanciaUnica::CaminhoTrava("a b"), InstanciaUnica::CaminhoTrava("a_b"));
}

TEST_F(InstanciaUnicaTest, OutroProcessoBloqueiaEAoMorrerDeixaDeBloquear) {
    pid_t pid = OutroProcessoSegurando("Só Chama uma vez");
    ASSERT_GT(pid, 0);
    {
        InstanciaUnica g("Só Chama uma vez");
        EXPECT_TRUE(g.JaExistia());
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    InstanciaUnica g("Só Chama uma vez");
    EXPECT_TRUE(g.Possui());
}

TEST_F(InstanciaUnicaTest, GuardaNaoPassaParaProgramaIniciadoPeloDono) {
    InstanciaUnica g("herda");
    ASSERT_TRUE(g.Possui());
    // A program started from the holder (exec) must not keep the lock alive.
    pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    g.Liberar();
    InstanciaUnica h("herda");
    EXPECT_TRUE(h.Possui());
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

TEST_F(InstanciaUnicaTest, PastaInacessivelNaoImpedeInicio) {
    setenv("XDG_RUNTIME_DIR", (pasta_ + "/nao-existe").c_str(), 1);  // falls back to /tmp
    InstanciaUnica g("pravolt-teste-fallback");
    EXPECT_TRUE(g.Possui());
    setenv("XDG_RUNTIME_DIR", pasta_.c_str(), 1);
    // A lock file that is a directory cannot be opened: the guard reports it and holds nothing.
    fs::create_directory(InstanciaUnica::CaminhoTrava("dir"));
    InstanciaUnica d("dir");
    EXPECT_FALSE(d.Possui());
    EXPECT_FALSE(d.JaExistia());
    EXPECT_FALSE(d.Falha().empty());
}

TEST_F(InstanciaUnicaTest, ProcurarJanelaAchaSoRegistroVivoComClasseETituloExatos) {
    EXPECT_FALSE(plat::ProcurarJanela("TfrmPrinc", "Sirvanta"));
    {
        plat::RegistroJanela r("TfrmPrinc", "Quilmora");
        EXPECT_FALSE(plat::ProcurarJanela("TfrmPrinc", "Sirvanta"));
        auto j = plat::ProcurarJanela("TfrmPrinc", "Quilmora");
        ASSERT_TRUE(j);
        EXPECT_EQ(j->pid, getpid());
        EXPECT_FALSE(plat::ProcurarJanela("tfrmprinc", "Quilmora"));
        r.DefinirTitulo("Sirvanta");
        ASSERT_TRUE(plat::ProcurarJanela("TfrmPrinc", "Sirvanta"));

        EXPECT_FALSE(r.PedidoParaFrente());
        EXPECT_TRUE(plat::TrazerParaFrente(*plat::ProcurarJanela("TfrmPrinc", "Sirvanta")));
        EXPECT_TRUE(r.PedidoParaFrente());
        EXPECT_FALSE(r.PedidoParaFrente());  // consumed
    }
    EXPECT_FALSE(plat::ProcurarJanela("TfrmPrinc", "Sirvanta"));
}

TEST_F(InstanciaUnicaTest, RegistroDeProcessoMortoEIgnorado) {
    pid_t pid = fork();
    if (pid == 0) {
        new plat::RegistroJanela("TfrmPrinc", "Sirvanta");  // never released: dies holding it
        _exit(0);
    }
    waitpid(pid, nullptr, 0);
    EXPECT_FALSE(plat::ProcurarJanela("TfrmPrinc", "Sirvanta"));
    EXPECT_FALSE(plat::TrazerParaFrente({pid, "TfrmPrinc", "Sirvanta"}));
}
