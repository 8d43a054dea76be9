#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/InstanciaUnica.h"

namespace fs = std::filesystem;
using plat::InstanciaUnica;

namespace {

// Each test runs with its own runtime folder, and its own temporary folder for the
// runtime folder used when XDG_RUNTIME_DIR is not set.
class PastaTemporaria : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : {"XDG_RUNTIME_DIR", "TMPDIR"})
            if (const char* antes = std::getenv(v)) anteriores_[v] = antes;
        char modelo[] = "/tmp/instancia-XXXXXX";
        pasta_ = mkdtemp(modelo);
        setenv("XDG_RUNTIME_DIR", pasta_.c_str(), 1);
        setenv("TMPDIR", pasta_.c_str(), 1);
    }
    void TearDown() override {
        for (const char* v : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
            if (anteriores_.count(v)) setenv(v, anteriores_[v].c_str(), 1);
            else unsetenv(v);
        }
        fs::remove_all(pasta_);
    }
    std::string pasta_;
    std::map<std::string, std::string> anteriores_;
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
    setenv("XDG_RUNTIME_DIR", (pasta_ + "/nao-existe").c_str(), 1);  // falls back to the temporary folder
    InstanciaUnica g("pravolt-teste-fallback");
    EXPECT_TRUE(g.Possui());
    const std::string propria = pasta_ + "/pravolt-" + std::to_string(getuid());
    EXPECT_EQ(plat::PastaExecucao(), propria);
    if (geteuid() == 0) {  // the session's folder of another user (su): not used either
        const std::string outra = pasta_ + "/outra";
        fs::create_directory(outra);
        ASSERT_EQ(chown(outra.c_str(), 4321, 4321), 0);
        setenv("XDG_RUNTIME_DIR", outra.c_str(), 1);
        EXPECT_EQ(plat::PastaExecucao(), propria);
    }
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

// Without XDG_RUNTIME_DIR the folder in the temporary folder is made private to the user.
TEST_F(InstanciaUnicaTest, PastaSemXdgECriadaPrivadaEEstreitada) {
    unsetenv("XDG_RUNTIME_DIR");
    const std::string pasta = pasta_ + "/pravolt-" + std::to_string(getuid());
    ASSERT_EQ(plat::PastaExecucao(), pasta);
    for (bool existia : {false, true}) {
        if (existia) chmod(pasta.c_str(), 0777);
        InstanciaUnica g("x");
        EXPECT_TRUE(g.Possui()) << g.Falha();
        struct stat st {};
        ASSERT_EQ(lstat(pasta.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u) << existia;
        ASSERT_EQ(lstat(InstanciaUnica::CaminhoTrava("x").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
}

// What another local user could leave in place of the folder or the lock file: refused with
// the path and the reason; the guard holds nothing and blocks nothing, nothing is written
// through a link, and the window registry stays empty.
TEST_F(InstanciaUnicaTest, PastaOuTravaDeOutroDonoOuLigadaERecusada) {
    std::string alvo;
    const auto trava = [] { return InstanciaUnica::CaminhoTrava("Só Chama uma vez"); };
    const auto semXdg = [this] {
        unsetenv("XDG_RUNTIME_DIR");
        return pasta_ + "/pravolt-" + std::to_string(getuid());
    };
    struct Caso {
        const char* nome;
        std::function<void()> plantar;
        const char* motivo;
        bool precisaRoot;
    };
    const std::vector<Caso> casos{
        {"pasta ligada", [&] { fs::create_directory(alvo); fs::create_directory_symlink(alvo, semXdg()); },
         "symbolic link", false},
        {"pasta é arquivo", [&] { std::ofstream(semXdg()) << "x"; }, "not a folder", false},
        {"pasta de outro", [&] { const auto p = semXdg(); fs::create_directory(p); (void)!chown(p.c_str(), 4321, 4321); },
         "another user (uid 4321)", true},
        {"trava ligada", [&] { std::ofstream(alvo) << "intacto"; fs::create_symlink(alvo, trava()); },
         "symbolic link", false},
        {"trava de outro", [&] { std::ofstream(trava()) << ""; (void)!chown(trava().c_str(), 4321, 4321); },
         "another user (uid 4321)", true},
        {"trava com outro nome", [&] { std::ofstream(alvo) << "intacto"; fs::create_hard_link(alvo, trava()); },
         "hard links", false},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nome);
        TearDown();
        SetUp();
        alvo = pasta_ + "/alvo";
        if (c.precisaRoot && geteuid() != 0) continue;  // another owner needs chown
        c.plantar();
        {
            InstanciaUnica g("Só Chama uma vez");
            EXPECT_FALSE(g.Possui());
            EXPECT_FALSE(g.JaExistia());
            EXPECT_NE(g.Falha().find(c.motivo), std::string::npos) << g.Falha();
            EXPECT_EQ(g.Falha().rfind(plat::PastaExecucao(), 0), 0u) << g.Falha();
            plat::RegistroJanela r("TfrmPrinc", "Sirvanta");
            if (std::string(c.nome).rfind("trava", 0) != 0) {
                EXPECT_FALSE(plat::ProcurarJanela("TfrmPrinc", "Sirvanta"));
            }
        }
        if (fs::is_regular_file(alvo)) {
            std::ifstream f(alvo);
            std::string conteudo;
            std::getline(f, conteudo);
            EXPECT_EQ(conteudo, "intacto");
        }
    }
}

// Registry entries: a link planted under the entry's names is replaced, never written
// through; an entry of another user is not believed.
TEST_F(InstanciaUnicaTest, RegistroNaoSegueLigacoesNemAcreditaEmEntradaDeOutro) {
    const std::string alvo = pasta_ + "/alvo";
    std::ofstream(alvo) << "intacto\n";
    const std::string entrada = pasta_ + "/janela." + std::to_string(getuid()) + "." + std::to_string(getpid());
    for (const std::string& nome : {entrada, entrada + ".tmp", entrada + ".frente"}) fs::create_symlink(alvo, nome);
    {
        plat::RegistroJanela r("TfrmPrinc", "Sirvanta");
        EXPECT_FALSE(fs::is_symlink(entrada));
        auto j = plat::ProcurarJanela("TfrmPrinc", "Sirvanta");
        ASSERT_TRUE(j);
        fs::remove(entrada + ".frente");
        fs::create_symlink(alvo, entrada + ".frente");
        EXPECT_FALSE(plat::TrazerParaFrente(*j));
        std::ifstream f(alvo);
        std::string conteudo;
        std::getline(f, conteudo);
        EXPECT_EQ(conteudo, "intacto");
        if (geteuid() == 0) {
            ASSERT_EQ(chown(entrada.c_str(), 4321, 4321), 0);
            EXPECT_FALSE(plat::ProcurarJanela("TfrmPrinc", "Sirvanta"));
        }
    }
}
