#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using plat::IniFile;

// A profile file on disk, removed at the end of the test.
class ArquivoIni {
public:
    explicit ArquivoIni(const std::string& bytes) {
        std::string modelo = (std::filesystem::temp_directory_path() / "iniXXXXXX").string();
        int fd = mkstemp(modelo.data());
        close(fd);
        caminho_ = modelo;
        std::ofstream(caminho_, std::ios::binary) << bytes;
    }
    ~ArquivoIni() { std::filesystem::remove(caminho_); }
    const std::string& Caminho() const { return caminho_; }

private:
    std::string caminho_;
};

TEST(IniFile, NamesTrimmingQuotesCommentsAndFirstOccurrence) {
    ArquivoIni arq(
        "; comment line\r\n"
        "  [ Banco ]  \r\n"
        "  Banco  =  FireBird  \r\n"
        "CHAVE=\r\n"
        ";Banco=ignored\r\n"
        "banco=second occurrence of the key\r\n"
        "Aspas=\"  quoted value  \"\r\n"
        "Simples='x'\r\n"
        "Misturadas=\"x'\r\n"
        "SoUma=\"\r\n"
        "linha sem igual\r\n"
        "[BANCO]\r\n"
        "Outra=from the repeated section\r\n"
        "[Paths]\r\n"
        "DB=a=b\r\n");
    IniFile ini(arq.Caminho());
    EXPECT_TRUE(ini.Existe());
    EXPECT_EQ(ini.ReadString("banco", "BANCO", "ERRO"), "FireBird");
    EXPECT_EQ(ini.ReadString(" Banco ", " Banco ", "ERRO"), "FireBird");
    // Present but empty: empty text, not the default.
    EXPECT_EQ(ini.ReadString("Banco", "CHAVE", "1"), "");
    EXPECT_TRUE(ini.ValueExists("Banco", "chave"));
    EXPECT_EQ(ini.ReadString("Banco", "Aspas", ""), "  quoted value  ");
    EXPECT_EQ(ini.ReadString("Banco", "Simples", ""), "x");
    EXPECT_EQ(ini.ReadString("Banco", "Misturadas", ""), "\"x'");
    EXPECT_EQ(ini.ReadString("Banco", "SoUma", ""), "\"");
    // The repeated section is not merged into the first.
    EXPECT_EQ(ini.ReadString("Banco", "Outra", "none"), "none");
    // Only the first '=' separates key and value.
    EXPECT_EQ(ini.ReadString("Paths", "DB", ""), "a=b");
    EXPECT_EQ(ini.ReadString("Paths", "Missing", "PATHERROR"), "PATHERROR");
    EXPECT_EQ(ini.ReadString("Missing", "DB", "PATHERROR"), "PATHERROR");
    EXPECT_FALSE(ini.SectionExists("Missing"));
    EXPECT_EQ(ini.ReadSection("Banco"),
              (std::vector<std::string>{"Banco", "CHAVE", "Aspas", "Simples", "Misturadas", "SoUma"}));
}

TEST(IniFile, KeysBeforeAnySectionAndLineEndings) {
    IniFile ini = IniFile::DeTexto("Solta=1\n[A]\rX=1\rY=2\n[B]\nZ=3");
    EXPECT_EQ(ini.ReadString("", "Solta", "none"), "none");
    EXPECT_EQ(ini.ReadString("A", "X", ""), "1");
    EXPECT_EQ(ini.ReadString("A", "Y", ""), "2");
    EXPECT_EQ(ini.ReadString("B", "Z", ""), "3");  // last line without line end
}

TEST(IniFile, Windows1252BytesBecomeUtf8) {
    ArquivoIni arq("[Cabe\xE7""alho]\nT\xEDtulo=Cal\xE7""ados Jo\xE3o \x80 \x93x\x94\n");
    IniFile ini(arq.Caminho());
    EXPECT_EQ(ini.ReadString("Cabeçalho", "Título", ""), "Calçados João € “x”");

    // A file saved as UTF-8 with a byte-order mark is read as UTF-8.
    ArquivoIni utf8("\xEF\xBB\xBF[S]\nK=João\n");
    EXPECT_EQ(IniFile(utf8.Caminho()).ReadString("S", "K", ""), "João");
}

// The encoding is told from the bytes: a byte-order mark, or valid UTF-8 beyond ASCII, is
// UTF-8; anything else is Windows-1252.
TEST(IniFile, EncodingToldFromTheBytes) {
    struct Caso {
        const char* nome;
        std::string bytes;
        const char* valor;
    };
    const Caso casos[] = {
        {"Windows-1252", "[P]\nDB=/home/ana/\xC1rea de Trabalho/Jos\xE9.FDB\n",
         "/home/ana/Área de Trabalho/José.FDB"},
        {"UTF-8 with mark", "\xEF\xBB\xBF[P]\nDB=/srv/Produção/Łódź.FDB\n", "/srv/Produção/Łódź.FDB"},
        {"UTF-8 without mark", "[P]\nDB=/home/ana/Área de Trabalho/José.FDB\n",
         "/home/ana/Área de Trabalho/José.FDB"},
        // One byte that is not UTF-8 makes the whole file Windows-1252.
        {"mixed", "[P]\nDB=Área\nX=\xE9\n", "\xC3\x83\xC2\x81rea"},
        {"Windows-1252 that looks like UTF-8 letters", "[P]\nDB=\xC3\xA9t\xE9\n", "Ã©té"},
    };
    for (const auto& c : casos) {
        ArquivoIni arq(c.bytes);
        EXPECT_EQ(IniFile(arq.Caminho()).ReadString("P", "DB", ""), c.valor) << c.nome;
        EXPECT_EQ(IniFile::DeTexto(c.bytes).ReadString("P", "DB", ""), c.valor) << c.nome;
    }
}

TEST(IniFile, AFileThatCannotBeReadGivesDefaultsAndTellsWhy) {
    const std::string pasta = (std::filesystem::temp_directory_path() / "ini-pasta-XXXXXX").string();
    std::string modelo = pasta;
    ASSERT_TRUE(mkdtemp(modelo.data()));
    const std::pair<std::string, int> casos[] = {
        {"/nonexistent/dir/Parametros.ini", ENOENT},
        {modelo, EISDIR},
    };
    for (const auto& [caminho, erro] : casos) {
        IniFile ini(caminho);
        EXPECT_FALSE(ini.Existe()) << caminho;
        EXPECT_EQ(ini.Erro(), erro) << caminho;
        EXPECT_EQ(ini.ReadString("Banco", "Banco", "ERRO"), "ERRO");
        EXPECT_EQ(ini.ReadInteger("X", "Y", 25), 25);
        EXPECT_TRUE(ini.ReadSectionValues("TiposNSai").empty());
        EXPECT_EQ(IniFile::Compartilhado(caminho)->Erro(), erro) << caminho;
    }
    std::filesystem::remove(modelo);
}

// Many sections and keys, with repeats in other cases: every first occurrence is found and
// listed in file order (the lookup tables grow many times over; the file is read in pieces
// that cut lines).
TEST(IniFile, ManyKeysAndSections) {
    std::string t;
    for (int s = 0; s < 300; ++s) {
        t += "[Secao" + std::to_string(s) + "]\n";
        for (int k = 0; k < 60; ++k)
            t += "Chave" + std::to_string(k) + "=" + std::to_string(s * 1000 + k) + "\n";
        t += "CHAVE7=repeated\n";
        if (s % 2) t += "[SECAO" + std::to_string(s) + "]\nChave0=repeated section\nNova=1\n";
    }
    auto conferir = [](const IniFile& ini) {
        for (int s = 0; s < 300; ++s) {
            const std::string secao = "secao" + std::to_string(s);
            for (int k = 0; k < 60; k += 7)
                ASSERT_EQ(ini.ReadInteger(secao, "chave" + std::to_string(k), -1), s * 1000 + k)
                    << secao << " " << k;
            ASSERT_FALSE(ini.ValueExists(secao, "Nova"));
            const auto nomes = ini.ReadSection(secao);
            ASSERT_EQ(nomes.size(), 60u);
            EXPECT_EQ(nomes.front(), "Chave0");
            EXPECT_EQ(nomes.back(), "Chave59");
        }
        EXPECT_FALSE(ini.SectionExists("Secao300"));
    };
    conferir(IniFile::DeTexto(t));
    ArquivoIni arq(t);
    conferir(IniFile(arq.Caminho()));
}

// The shared reader parses a file once while it is held, and again when the bytes change
// (even to a text of the same length).
TEST(IniFile, SharedReadFollowsTheFile) {
    ArquivoIni arq("[A]\nK=1\n");
    auto primeira = IniFile::Compartilhado(arq.Caminho());
    auto segunda = IniFile::Compartilhado(arq.Caminho());
    EXPECT_EQ(primeira.get(), segunda.get());
    EXPECT_EQ(primeira->ReadString("A", "K", ""), "1");
    std::ofstream(arq.Caminho(), std::ios::binary | std::ios::trunc) << "[A]\nK=2\n";
    auto terceira = IniFile::Compartilhado(arq.Caminho());
    EXPECT_NE(terceira.get(), primeira.get());
    EXPECT_EQ(terceira->ReadString("A", "K", ""), "2");
    EXPECT_EQ(primeira->ReadString("A", "K", ""), "1");  // a holder keeps what it read
}

TEST(IniFile, IntegerRule) {
    IniFile ini = IniFile::DeTexto(
        "[N]\nDec=42\nNeg=-7\nMais=+3\nHex=0x1F\nHexMai=0X1f\nDolar=$ff\nTudo=$FFFFFFFF\n"
        "Letras=12abc\nVazio=\nSoPrefixo=0x\nSoDolar=$\nGrande=2147483648\nMenor=-2147483648\n"
        "Real=1.5\nHexRuim=$1G\nEspaco=1 2\n");
    EXPECT_EQ(ini.ReadInteger("N", "Dec", 0), 42);
    EXPECT_EQ(ini.ReadInteger("N", "Neg", 0), -7);
    EXPECT_EQ(ini.ReadInteger("N", "Mais", 0), 3);
    EXPECT_EQ(ini.ReadInteger("N", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("N", "HexMai", 0), 31);
    EXPECT_EQ(ini.ReadInteger("N", "Dolar", 0), 255);
    EXPECT_EQ(ini.ReadInteger("N", "Tudo", 0), -1);
    EXPECT_EQ(ini.ReadInteger("N", "Menor", 0), -2147483648);
    for (const char* k : {"Letras", "Vazio", "SoPrefixo", "SoDolar", "Grande", "Real", "HexRuim", "Espaco",
                          "Ausente"})
        EXPECT_EQ(ini.ReadInteger("N", k, 99), 99) << k;
}

TEST(IniFile, RealRuleAcceptsPointOrComma) {
    IniFile ini = IniFile::DeTexto(
        "[R]\nPonto=1.5\nVirgula=2,25\nNeg=-0,5\nInteiro=7\nExp=1e3\nExpNeg=2,5E-1\nSemZero=.5\n"
        "Dois=1.2.3\nMilhar=1.234,5\nLetras=abc\nVazio=\nExpRuim=1e\nFim=1.5x\n");
    EXPECT_DOUBLE_EQ(ini.ReadFloat("R", "Ponto", 0), 1.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("R", "Virgula", 0), 2.25);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("R", "Neg", 0), -0.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("R", "Inteiro", 0), 7);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("R", "Exp", 0), 1000);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("R", "ExpNeg", 0), 0.25);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("R", "SemZero", 0), 0.5);
    for (const char* k : {"Dois", "Milhar", "Letras", "Vazio", "ExpRuim", "Fim", "Ausente"})
        EXPECT_DOUBLE_EQ(ini.ReadFloat("R", k, -9), -9) << k;
}

TEST(IniFile, BoolReadsIntegers) {
    IniFile ini = IniFile::DeTexto("[B]\nZero=0\nUm=1\nDois=2\nTexto=S\n");
    EXPECT_FALSE(ini.ReadBool("B", "Zero", true));
    EXPECT_TRUE(ini.ReadBool("B", "Um", false));
    EXPECT_TRUE(ini.ReadBool("B", "Dois", false));
    EXPECT_FALSE(ini.ReadBool("B", "Texto", false));
    EXPECT_TRUE(ini.ReadBool("B", "Ausente", true));
}

TEST(IniFile, SectionValuesInFileOrder) {
    IniFile ini = IniFile::DeTexto(
        "[TiposNSai]\nB=2\n ; comment\nA = 1 \nC=\"3\"\nb=repeated key\nD=\n[Outra]\nX=1\n"
        "[tiposnsai]\nE=5\n");
    EXPECT_EQ(ini.ReadSectionValues("TIPOSNSAI"), (std::vector<std::string>{"B=2", "A=1", "C=3", "D="}));
    EXPECT_TRUE(ini.ReadSectionValues("Vazia").empty());
}

}  // namespace
