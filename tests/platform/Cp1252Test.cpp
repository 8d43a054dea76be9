#include <gtest/gtest.h>

#include "platform/Cp1252.h"

using namespace plat;

TEST(Cp1252, EveryByteRoundTripsThroughUtf8) {
    std::string todos;
    for (int b = 0; b < 256; ++b) todos += static_cast<char>(b);
    std::string utf8 = Cp1252ParaUtf8(todos);
    EXPECT_EQ(Utf8ParaCp1252(utf8), todos);
    EXPECT_TRUE(RepresentavelEmCp1252(utf8));
}

TEST(Cp1252, MapsAccentsSymbolsAndUndefinedBytes) {
    EXPECT_EQ(Cp1252ParaUtf8("\xC7\xE3o"), "Ção");
    EXPECT_EQ(Cp1252ParaUtf8("\x80"), "€");
    EXPECT_EQ(Cp1252ParaUtf8("\x93x\x94"), "“x”");
    EXPECT_EQ(Cp1252ParaUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(Utf8ParaCp1252("Só Chama uma vez"), "S\xF3 Chama uma vez");
}

TEST(Cp1252, RefusesWhatCannotBeStored) {
    EXPECT_THROW(Utf8ParaCp1252("日本"), std::invalid_argument);
    EXPECT_THROW(Utf8ParaCp1252("\xC3"), std::invalid_argument);       // cut sequence
    EXPECT_THROW(Utf8ParaCp1252("\xC0\x80"), std::invalid_argument);   // overlong
    EXPECT_FALSE(RepresentavelEmCp1252("ação 😀"));
    EXPECT_FALSE(RepresentavelEmCp1252({"ação", "", "😀"}));  // any one of several
    EXPECT_TRUE(RepresentavelEmCp1252({"ação", "", "Só"}));
}
