// Formatting of accounting codes by the installation's level format.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Mensagens.h"
#include "rules/UContaContabil.h"
#include "shell/USistema.h"
#include "support/ServicosDeTeste.h"
#include "support/TestDb.h"

namespace {

const std::string kSemFormato = "Formato da conta contábil não encontrado no arquivo de parametros.";
const std::string kInvalido = "Formato da conta contábil inválido.";
const std::string kNaoNumerico = "Formato da conta contábil não é do tipo numérico.";

class ContaContabil : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        banco_ = new TestDb;
        banco_->Exec("create table PARAM (GRUPO_PA varchar(30), PARAM_PA varchar(40), VALOR_PA varchar(60))");
    }
    static void TearDownTestSuite() {
        delete banco_;
        banco_ = nullptr;
    }
    // The format in the parameter table and the one the file gives.
    void Fontes(std::string parametro, std::string arquivo) {
        banco_->Exec("delete from PARAM");
        banco_->Exec("insert into PARAM values ('COD_CONTABIL', 'FORMATO', '" + parametro + "')");
        TContaContabil::DefinirFonteArquivo([this, arquivo] {
            ++leiturasArquivo;
            return arquivo;
        });
    }
    void TearDown() override { TContaContabil::DefinirFonteArquivo(nullptr); }

    std::string Formatar(const std::string& codigo) { return TContaContabil().FormatarConta(codigo); }

    static TestDb* banco_;
    ServicosDeTeste servicos_{banco_->Conn()};
    int& leiturasParametro = servicos_.leiturasParametro;
    int leiturasArquivo = 0;
    plat::GravadorMensagens msgs;
};

TestDb* ContaContabil::banco_ = nullptr;

TEST_F(ContaContabil, FiveLevelFormatGroupsAtLevelBoundaries) {
    Fontes("0102020305", "ERRO");
    EXPECT_EQ(Formatar("1234567890123"), "1.23.45.678.90123");
    EXPECT_EQ(Formatar("10101"), "1.01.01");
    EXPECT_EQ(Formatar("1"), "1");
    EXPECT_EQ(Formatar("10101001"), "1.01.01.001");
    EXPECT_EQ(Formatar(""), "");
    EXPECT_TRUE(msgs.registro.empty());
    EXPECT_EQ(leiturasArquivo, 0);  // the parameter table had the format
    EXPECT_EQ(leiturasParametro, 5);  // one read per value shown

    TContaContabil c;
    EXPECT_EQ(c.FormatarConta("10101"), "1.01.01");
    EXPECT_EQ(c.Mascara, "9.99.99.999.99999;0;");
    EXPECT_EQ(c.QtdeNiveis, 5);  // every pair is read, also after the matching level
    EXPECT_EQ(c.TamanhoValido, 5);
    EXPECT_EQ(c.Niveis[4], 3);
    EXPECT_EQ(c.Niveis[5], 5);
}

TEST_F(ContaContabil, CodeEndingAtNoBoundaryIsShownAsStored) {
    Fontes("0102020305", "ERRO");
    EXPECT_EQ(Formatar("12"), "12");
    EXPECT_EQ(Formatar("123456"), "123456");
    EXPECT_EQ(Formatar("12345678901234"), "12345678901234");  // longer than all levels
    EXPECT_TRUE(msgs.registro.empty());
    // the same object reused for a value that does fit
    TContaContabil c;
    EXPECT_EQ(c.FormatarConta("12"), "12");
    EXPECT_EQ(c.FormatarConta("123"), "1.23");
    EXPECT_EQ(c.FormatarConta(""), "");
}

TEST_F(ContaContabil, FormatFromFileWhenParameterIsBlank) {
    Fontes("  ", " 0102 ");
    EXPECT_EQ(Formatar("101"), "1.01");
    EXPECT_EQ(leiturasArquivo, 1);
    EXPECT_TRUE(msgs.registro.empty());
}

TEST_F(ContaContabil, MissingFormatIsReportedForEveryValue) {
    Fontes("", "ERRO");
    EXPECT_EQ(Formatar("10101"), "");
    EXPECT_EQ(Formatar(""), "");
    TContaContabil c;
    EXPECT_EQ(c.FormatarConta("1"), "");
    EXPECT_EQ(c.FormatarConta("1"), "");  // the same object reports again
    ASSERT_EQ(msgs.registro.size(), 4u);
    for (const auto& m : msgs.registro) {
        EXPECT_EQ(m.texto, kSemFormato);
        EXPECT_EQ(m.tipo, plat::TipoMensagem::Erro);
        EXPECT_EQ(m.botoes, plat::Botoes::Ok);
    }
}

TEST_F(ContaContabil, InvalidFormatsShowNothing) {
    for (const std::string f : {"01020", "010202030501010101010101010101010",
                                "0101010101010101010101010101010101"}) {  // odd; 33; 17 levels
        SCOPED_TRACE(f);
        msgs.Limpar();
        Fontes(f, "ERRO");
        EXPECT_EQ(Formatar("1"), "");
        EXPECT_EQ(msgs.Textos(), std::vector<std::string>{kInvalido});
    }
    // sixteen levels are held
    Fontes("01010101010101010101010101010101", "ERRO");
    msgs.Limpar();
    EXPECT_EQ(Formatar("1234567890123456"), "1.2.3.4.5.6.7.8.9.0.1.2.3.4.5.6");
    EXPECT_TRUE(msgs.registro.empty());
}

TEST_F(ContaContabil, NonNumericPairKeepsTheLevelsBeforeIt) {
    Fontes("0102XX03", "ERRO");
    TContaContabil c;
    EXPECT_EQ(c.FormatarConta("101"), "1.01");
    EXPECT_EQ(c.QtdeNiveis, 2);
    EXPECT_EQ(c.Mascara, "9.99;0;");
    EXPECT_EQ(c.FormatarConta("10101"), "10101");  // would need the unreadable level
    EXPECT_EQ(msgs.Textos(), (std::vector<std::string>{kNaoNumerico, kNaoNumerico}));
    // a sign is not a digit: no negative widths
    Fontes("01-1", "ERRO");
    msgs.Limpar();
    EXPECT_EQ(Formatar("1"), "1");
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{kNaoNumerico});
}

TEST_F(ContaContabil, WideLevelIsCappedInTheMaskOnly) {
    Fontes("0112", "ERRO");
    TContaContabil c;
    EXPECT_EQ(c.FormatarConta("1123456789012"), "1.123456789012");
    EXPECT_EQ(c.Mascara, "9.9999999999;0;");
    TContaContabil vazio;
    EXPECT_EQ(vazio.FormatarConta(""), "");
    EXPECT_EQ(vazio.Mascara, "9.9999999999;0;");
    EXPECT_EQ(vazio.QtdeNiveis, 2);
}

TEST_F(ContaContabil, DefaultFileSourceReadsParametrosIni) {
    const auto dir = std::filesystem::temp_directory_path() / "pravolt_conta_contabil";
    std::filesystem::create_directories(dir);
    {
        std::ofstream(dir / "Parametros.ini") << "[CODIGO DE CLASSIFICACAO]\r\nFORMATO=010203\r\n";
    }
    TSistema::DefinirDiretorioConfiguracao(dir.string());
    Fontes("", "");
    TContaContabil::DefinirFonteArquivo(nullptr);
    EXPECT_EQ(Formatar("101001"), "1.01.001");
    std::filesystem::remove(dir / "Parametros.ini");
    EXPECT_EQ(Formatar("101001"), "");
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{kSemFormato});
    TSistema::DefinirDiretorioConfiguracao("");
    std::filesystem::remove_all(dir);
}

TEST_F(ContaContabil, ParameterErrorEndsFormattingWithoutTheFile) {
    TestDb semTabela;  // reading the parameter fails
    ServicosDeTeste servicos(semTabela.Conn());
    Fontes("", "0102");
    EXPECT_THROW(Formatar("101"), std::runtime_error);
    EXPECT_EQ(leiturasArquivo, 0);
}

}  // namespace
