#include "rules/USenha.h"

#include <gtest/gtest.h>

#include "platform/Cp1252.h"

namespace {

std::string Hex(const std::string& s) {
    static const char* d = "0123456789abcdef";
    std::string r;
    for (unsigned char c : s) {
        r += d[c >> 4];
        r += d[c & 15];
    }
    return r;
}

// Expected values worked out from the character layout, e.g. for ABCDEFGHIJ/0123456789:
// first byte P1 + P6 = '0' + '5' = 0x65, second U2 + U4 = 'B' + 'D' = 0x86.
TEST(FormatarSenha, ValuesComputedByHand) {
    // Both exactly ten characters.
    EXPECT_EQ(Hex(FormatarSenha("ABCDEFGHIJ", "0123456789")),
              "65866487668866886487658671916d916d91719186618661856587668667");
    // Both short: user ANA12ANA12, password 12ANA12ANA.
    EXPECT_EQ(Hex(FormatarSenha("ANA", "12")), "627f8082827382738082627f8f80737273728f8073637f638f8f7282738f");
    // Short user, long password: user DIRETORSEN, password SENHA12345.
    EXPECT_EQ(Hex(FormatarSenha("DIRETOR", "SENHA123456789")),
              "848e8d938fa68fa68d93848e69a06598659869a098988e989b96978f9889");
    // Windows-1252 bytes above 127; sums wrap modulo 256.
    EXPECT_EQ(Hex(FormatarSenha("JOÃO", "çé€")), "aa9e3333cfaacfaa3333aa9e694336993699694331d09ed012ca12cf3199");
    EXPECT_EQ(FormatarSenhaBytes("JO\xC3O", "\xE7\xE9\x80"), FormatarSenha("JOÃO", "çé€"));
}

TEST(FormatarSenha, OnlyTheFirstTenCharactersCount) {
    EXPECT_EQ(FormatarSenha("ADMINISTRADOR", "segredo-0123"), FormatarSenha("ADMINISTRA", "segredo-01"));
    EXPECT_NE(FormatarSenha("ADMINISTRADOR", "segredo-0123"), FormatarSenha("ADMINISTRA", "segredo-02"));
    // Short values are padded with the other one, so each depends on both.
    EXPECT_NE(FormatarSenha("ANA", "12"), FormatarSenha("ANA", "13"));
    EXPECT_NE(FormatarSenha("ANA", "12"), FormatarSenha("ANO", "12"));
    EXPECT_EQ(FormatarSenha("X", "Y").size(), 30u);
    // A stored value read back as text through the database layer compares equal after the
    // lossless conversion.
    std::string bruto = FormatarSenha("JOÃO", "çé€");
    EXPECT_EQ(plat::Utf8ParaCp1252(plat::Cp1252ParaUtf8(bruto)), bruto);
}

TEST(FormatarSenha, EmptyArguments) {
    try {
        FormatarSenha("", "x");
        ADD_FAILURE();
    } catch (const EAccessViolation& e) {
        EXPECT_STREQ(e.what(), "Usuário inválido para formatação da senha");
    }
    try {
        FormatarSenha("DIRETOR", "");
        ADD_FAILURE();
    } catch (const EAccessViolation& e) {
        EXPECT_STREQ(e.what(), "Senha inválida para formatação da senha");
    }
    EXPECT_THROW(FormatarSenhaBytes("", ""), EAccessViolation);
}

}  // namespace
