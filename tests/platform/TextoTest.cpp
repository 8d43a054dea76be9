// The program's text and money helpers.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>

#include "platform/Dinheiro.h"
#include "platform/Texto.h"

using namespace plat;

TEST(Texto, UpperCasings) {
    // what operators type: every letter Windows-1252 has, nothing else
    EXPECT_EQ(MaiusculasCp1252("ação àþ ÿšœž ß µ ÷ x1;"), "AÇÃO ÀÞ ŸŠŒŽ ß µ ÷ X1;");
    EXPECT_EQ(MaiusculasCp1252("日本 ǆ \xFF"), "日本 ǆ \xFF");  // not theirs; a stray byte stays
    // names: a-z only
    EXPECT_EQ(MaiusculasAscii("ação_x9"), "AçãO_X9");
    EXPECT_TRUE(IguaisSemCaixaAscii("Command Timeout", "COMMAND timeout"));
    EXPECT_FALSE(IguaisSemCaixaAscii("ação", "AÇÃO"));
    EXPECT_FALSE(IguaisSemCaixaAscii("ab", "abc"));
}

TEST(Texto, CountsAndCutsByCharacters) {
    struct Caso {
        const char* texto;
        std::size_t caracteres;
        const char* doisPrimeiros;
        const char* segundoEmDiante;  // CopiarCaracteres(texto, 2, 3)
    };
    const Caso casos[] = {
        {"", 0, "", ""},
        {"abcdef", 6, "ab", "bcd"},
        {"çãé€x", 5, "çã", "ãé€"},
        {"\xFF" "a\xC3", 3, "\xFF" "a", "a\xC3"},  // stray bytes count one each
        {"😀b", 2, "😀b", "b"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.texto);
        EXPECT_EQ(ContarCaracteres(c.texto), c.caracteres);
        EXPECT_EQ(CortarCaracteres(c.texto, 2), c.doisPrimeiros);
        EXPECT_EQ(CopiarCaracteres(c.texto, 2, 3), c.segundoEmDiante);
    }
    EXPECT_EQ(CopiarCaracteres("abc", 0, 2), "ab");
    EXPECT_EQ(CopiarCaracteres("abc", 4, 2), "");
    EXPECT_EQ(CopiarCaracteres("abc", 1, 0), "");
    EXPECT_EQ(Caracteres("aç"), (std::vector<std::string>{"a", "ç"}));
    EXPECT_EQ(Aparar(" \t\r\n a b \x01"), "a b");
}

TEST(Dinheiro, ArithmeticIsCheckedAndExact) {
    const Dinheiro maximo = Dinheiro::FromRaw(std::numeric_limits<std::int64_t>::max());
    const Dinheiro minimo = Dinheiro::FromRaw(std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(Dinheiro::FromDouble(2.35) * 120, Dinheiro::FromInteger(282));
    EXPECT_EQ(Dinheiro::Parse("0,1") + Dinheiro::Parse("0,2"), Dinheiro::Parse("0,3"));
    EXPECT_EQ(-Dinheiro::FromRaw(5) - Dinheiro::FromRaw(5), Dinheiro::FromRaw(-10));
    EXPECT_THROW(maximo + Dinheiro::FromRaw(1), std::overflow_error);
    EXPECT_THROW(minimo - Dinheiro::FromRaw(1), std::overflow_error);
    EXPECT_THROW(-minimo, std::overflow_error);
    EXPECT_THROW(Dinheiro::FromRaw(2) * std::numeric_limits<std::int64_t>::max(), std::overflow_error);
    EXPECT_THROW(Dinheiro::FromInteger(std::numeric_limits<std::int64_t>::max() / 1000), std::overflow_error);
    Dinheiro soma = maximo;
    EXPECT_THROW(soma += Dinheiro::FromRaw(1), std::overflow_error);
    EXPECT_EQ(soma, maximo);  // a refused sum leaves the value as it was
    EXPECT_EQ(Dinheiro::FromRaw(12345678).Format(2, true), "1.234,57");
}
