#include "shell/UDriverOptions.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/Mensagens.h"

namespace {

std::vector<std::string> ListaDevart() {
    return {"DriverName=DevartInterBase", "Database=/x/dados.fdb", "User_Name=SYSDBA", "Password=p",
            "SQLDialect=3", "BlobSize=-1", "LocaleCode=0000", "DevartInterBase TransIsolation=ReadCommited",
            "WaitOnLocks=True", "OptimizedNumerics=False", "CharLength=1", "EnableBCD=True",
            "LongStrings=True", "UseQuoteChar=False", "FetchAll=False"};
}

TEST(DriverOptions, TableHasTheFortyTwoEntriesInOrderWithTheKnownIdentifiers) {
    const auto& t = DriverOptions();
    ASSERT_EQ(t.size(), 42u);
    EXPECT_EQ(t.front().Nome, "LongStrings");
    EXPECT_EQ(t[25].Nome, "Command Timeout");
    EXPECT_EQ(t.back().Nome, "SkipTransError");
    std::set<int> ids;
    for (const auto& e : t) {
        EXPECT_FALSE(e.Contido) << e.Nome;
        EXPECT_NE(e.Tipo, TTipoOpcaoDriver::Funcao) << e.Nome;
        if (e.Nome != "Command Timeout") {
            EXPECT_TRUE(ids.insert(e.Identificador).second) << e.Nome;
        }
    }
    EXPECT_EQ(AcharDriverOption("Command Timeout")->Identificador, AcharDriverOption("CommandTimeout")->Identificador);

    struct {
        const char* nome;
        TTipoOpcaoDriver tipo;
        int id;
    } usados[] = {{"LongStrings", TTipoOpcaoDriver::Booleano, 101}, {"EnableBCD", TTipoOpcaoDriver::Booleano, 102},
                  {"UseQuoteChar", TTipoOpcaoDriver::Booleano, 202}, {"CharLength", TTipoOpcaoDriver::Inteiro, 203},
                  {"FetchAll", TTipoOpcaoDriver::Booleano, 301}, {"OptimizedNumerics", TTipoOpcaoDriver::Booleano, 401}};
    for (const auto& u : usados) {
        const TDriverOption* e = AcharDriverOption(u.nome);
        ASSERT_NE(e, nullptr) << u.nome;
        EXPECT_EQ(e->Tipo, u.tipo) << u.nome;
        EXPECT_EQ(e->Identificador, u.id) << u.nome;
    }
    EXPECT_EQ(AcharDriverOption("longstrings"), AcharDriverOption("LongStrings"));
    EXPECT_EQ(AcharDriverOption("LongString"), nullptr);
    EXPECT_EQ(AcharDriverOption("XLongStrings"), nullptr);  // no entry matches by containment
}

TEST(DriverOptions, DevartListHandsQuoteCharFirstThenTheRestInListOrder) {
    const std::vector<TOpcaoEntregue> esperado = {
        {202, 0, "UseQuoteChar"}, {401, 0, "OptimizedNumerics"}, {203, 1, "CharLength"},
        {102, 1, "EnableBCD"},    {101, 1, "LongStrings"},       {301, 0, "FetchAll"}};
    EXPECT_EQ(OpcoesParaDriver(ListaDevart()), esperado);
}

TEST(DriverOptions, InterBaseListHandsNothing) {
    EXPECT_TRUE(OpcoesParaDriver({"BlobSize=-1", "CommitRetain= False", "Database=/x.fdb", "DriverName=interbase",
                                  "LocaleCode=0000", "Password=p", "RoleName=RoleName", "SQLDialect=3",
                                  "Interbase TransIsolation=ReadCommited", "User_Name=sysdba", "WaitOnLocks=True"})
                    .empty());
}

TEST(DriverOptions, ValueConversion) {
    // Booleans: true only for "TRUE" after trimming and upper-casing.
    EXPECT_EQ(OpcoesParaDriver({"UseQuoteChar= true"}), (std::vector<TOpcaoEntregue>{{202, 1, "UseQuoteChar"}}));
    EXPECT_EQ(OpcoesParaDriver({"UseQuoteChar=yes"}), (std::vector<TOpcaoEntregue>{{202, 0, "UseQuoteChar"}}));
    EXPECT_EQ(OpcoesParaDriver({"EnableBCD=1"}), (std::vector<TOpcaoEntregue>{{102, 0, "EnableBCD"}}));
    EXPECT_EQ(OpcoesParaDriver({"EnableBCD=\tTrUe "}), (std::vector<TOpcaoEntregue>{{102, 1, "EnableBCD"}}));
    // Names are found without regard to case; the line's own spelling is kept.
    EXPECT_EQ(OpcoesParaDriver({"longstrings=True"}), (std::vector<TOpcaoEntregue>{{101, 1, "longstrings"}}));
    // The quote option is handed once, from the first line that names it, whatever its case.
    EXPECT_EQ(OpcoesParaDriver({"FetchAll=True", "usequotechar=TRUE", "UseQuoteChar=False"}),
              (std::vector<TOpcaoEntregue>{{202, 1, "UseQuoteChar"}, {301, 1, "FetchAll"}}));
    // An empty quote value hands nothing; a name with blanks around it is another name.
    EXPECT_TRUE(OpcoesParaDriver({"UseQuoteChar=", "LongStrings =True", "NoEquals"}).empty());
    // Integers: strict conversion of the trimmed value; text unchanged.
    EXPECT_EQ(OpcoesParaDriver({"CharLength= 4 "}), (std::vector<TOpcaoEntregue>{{203, 4, "CharLength"}}));
    EXPECT_EQ(OpcoesParaDriver({"CharLength=$10"}), (std::vector<TOpcaoEntregue>{{203, 16, "CharLength"}}));
    EXPECT_EQ(OpcoesParaDriver({"SchemaName= dbo"}), (std::vector<TOpcaoEntregue>{{404, std::string(" dbo"), "SchemaName"}}));
    EXPECT_THROW(OpcoesParaDriver({"CharLength=um"}), plat::EConvertError);
    EXPECT_THROW(OpcoesParaDriver({"CharLength="}), plat::EConvertError);
    EXPECT_THROW(OpcoesParaDriver({"CharLength=99999999999"}), plat::EConvertError);
}

}  // namespace
