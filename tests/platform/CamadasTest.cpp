// The layers of src/: no unit includes a header of a layer above its own. From the bottom:
// platform, db, components, the shell's services, rules, data modules and distribution
// (one layer), and at the top the program's entry and main frame.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The layer of a file given as "folder/name", or -1 for a folder outside the order.
int Camada(const std::string& arquivo) {
    const std::string pasta = arquivo.substr(0, arquivo.find('/'));
    const std::string nome = arquivo.substr(arquivo.find('/') + 1);
    if (pasta == "platform") return 0;
    if (pasta == "db") return 1;
    if (pasta == "components") return 2;
    if (pasta == "shell") return nome.rfind("FPrinc.", 0) == 0 || nome == "pravolt.cpp" ? 6 : 3;
    if (pasta == "rules") return 4;
    if (pasta == "datamodules" || pasta == "distribution") return 5;
    return -1;
}

// Includes kept against the order, each for its reason.
const std::set<std::pair<std::string, std::string>>& Excecoes() {
    static const std::set<std::pair<std::string, std::string>> e = [] {
        std::set<std::pair<std::string, std::string>> r;
        // The system object creates the six shared data modules at start-up, in their fixed
        // order; the modules reach it back only through the system services, so there is no
        // cycle.
        for (const char* m : {"UDMCadastros.h", "UDMIBFatur.h", "UDMIBFinanceiro.h", "UDMIBProducao.h", "UDMIBTProd.h",
                              "UDMIBTipos.h"})
            r.insert({"shell/USistemaModulos.cpp", std::string("datamodules/") + m});
        // The update log window is a child window: it derives from the child base, and each
        // unit stays in its own folder.
        r.insert({"rules/FLogAtuAplic.h", "distribution/UFMdiChild.h"});
        return r;
    }();
    return e;
}

fs::path Fontes() { return fs::path(PRAVOLT_SQL_DIR).parent_path() / "src"; }

TEST(Camadas, NoUnitIncludesAHeaderOfAHigherLayer) {
    const std::regex inclusao(R"re(^\s*#\s*include\s*"([a-z]+/[^"]+)")re");
    std::vector<std::string> violacoes;
    std::set<std::pair<std::string, std::string>> usadas;
    int arquivos = 0;
    for (const auto& e : fs::recursive_directory_iterator(Fontes())) {
        if (!e.is_regular_file()) continue;
        const std::string arquivo = fs::relative(e.path(), Fontes()).generic_string();
        const int camada = Camada(arquivo);
        ASSERT_GE(camada, 0) << arquivo << " is in no layer";
        ++arquivos;
        std::ifstream in(e.path());
        std::string linha;
        std::smatch m;
        while (std::getline(in, linha)) {
            if (!std::regex_search(linha, m, inclusao)) continue;
            const std::string alvo = m[1];
            const int camadaAlvo = Camada(alvo);
            if (camadaAlvo < 0 || camadaAlvo <= camada) continue;
            if (Excecoes().count({arquivo, alvo})) usadas.insert({arquivo, alvo});
            else violacoes.push_back(arquivo + " includes " + alvo);
        }
    }
    EXPECT_GT(arquivos, 100);
    EXPECT_TRUE(violacoes.empty()) << ::testing::PrintToString(violacoes);
    // an exception no longer needed is removed from the list
    EXPECT_EQ(usadas, Excecoes());
}

}  // namespace
