#include <gtest/gtest.h>

#include "platform/Mensagens.h"

using namespace plat;

TEST(RelatorioErro, AppendsFullStopOnlyAfterCharactersAboveDot) {
    EXPECT_EQ(TextoRelatorioErro("Falhou"), "Falhou.");
    EXPECT_EQ(TextoRelatorioErro("Falhou."), "Falhou.");
    EXPECT_EQ(TextoRelatorioErro("Falhou!"), "Falhou!");   // '!' comes before '.'
    EXPECT_EQ(TextoRelatorioErro("Erro 1"), "Erro 1.");    // digits come after '.'
    EXPECT_EQ(TextoRelatorioErro("Erro ,"), "Erro ,");     // ',' comes before '.'
    EXPECT_EQ(TextoRelatorioErro("Não"), "Não.");
    EXPECT_EQ(TextoRelatorioErro(""), "");
}

TEST(RelatorioErro, GuardShowsErrorsWithApplicationTitleAndSkipsAbort) {
    GravadorMensagens g;
    Protegido([] { throw std::runtime_error("Tabela inexistente"); });
    Protegido([] { Abort(); });
    Protegido([] { throw 42; });
    ASSERT_EQ(g.registro.size(), 2u);
    EXPECT_EQ(g.registro[0].texto, "Tabela inexistente.");
    EXPECT_EQ(g.registro[0].tipo, TipoMensagem::Erro);
    EXPECT_EQ(g.registro[0].titulo, TituloAplicacao());
    EXPECT_EQ(g.registro[1].tipo, TipoMensagem::Erro);
}
