#include "shell/UCifra.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

std::string TodosOsBytes(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>((i * 37 + 11) & 0xFF);
    return s;
}

TEST(Cifra, HandComputedValues) {
    // Key 200: bits 8..15 are 0, so 'A' passes; key = (65 + 200) * 2 + 3 = 533 = 0x215,
    // so 'B' (0x42) XOR 0x02 = '@'.
    EXPECT_EQ(cifra::DecifrarBytes("AB", 200, 2, 3), "A@");
    // The key advances with the scrambled byte in both directions.
    EXPECT_EQ(cifra::CifrarBytes("A@", 200, 2, 3), "AB");
    // Twelve 0xFF bytes with 255/255/255: the key passes 2^32 and wraps as unsigned.
    EXPECT_EQ(cifra::DecifrarBytes(std::string(12, '\xFF'), 255, 255, 255),
              "\xff\x02\xfd\x04\xfb\x06\xf9\x08\xf7\x0a\xf5\x0c");
    EXPECT_EQ(Decifrar(""), "");
    EXPECT_EQ(Cifrar(""), "");
}

TEST(Cifra, RoundTripsUpTo255AndCountsModulo256Beyond) {
    for (size_t n : {0u, 1u, 2u, 254u, 255u, 256u, 257u, 300u, 1000u}) {
        std::string plano = TodosOsBytes(n);
        std::string cifrado = cifra::CifrarBytes(plano, cifra::kChaveInicial, cifra::kMultiplicador,
                                                 cifra::kIncremento);
        ASSERT_EQ(cifrado.size(), n % 256) << n;
        std::string lido = cifra::DecifrarBytes(cifrado, cifra::kChaveInicial, cifra::kMultiplicador,
                                                cifra::kIncremento);
        EXPECT_EQ(lido, plano.substr(0, n % 256)) << n;
        if (n % 256 > 2) {
            EXPECT_NE(cifrado, plano.substr(0, n % 256));
        }
    }
    // Descrambling counts the same way: 256 characters give nothing, 300 give 44.
    EXPECT_EQ(Decifrar(std::string(256, 'x')), "");
    EXPECT_EQ(cifra::DecifrarBytes(std::string(300, 'x'), cifra::kChaveInicial, cifra::kMultiplicador,
                                   cifra::kIncremento).size(),
              44u);
}

TEST(Cifra, Utf8TextsSurviveTheStoredForm) {
    const std::string local = "C:\\Sistema\\bdados\\Produção.fdb";
    std::string guardado = CifrarParaArmazenar(local);
    EXPECT_NE(guardado, local);
    EXPECT_EQ(Decifrar(guardado), local);
    const std::string longo(255, 'x');
    EXPECT_EQ(Decifrar(Cifrar(longo)), longo);
    // Other keys do not read it back.
    EXPECT_NE(Decifrar(guardado, cifra::kChaveInicial, cifra::kMultiplicador, cifra::kIncremento + 1),
              local);
}

TEST(Cifra, StoringRefusesWhatTheSuiteCannotRead) {
    EXPECT_NO_THROW(CifrarParaArmazenar(std::string(255, 'a')));
    EXPECT_THROW(CifrarParaArmazenar("\xC3"), std::invalid_argument);  // not UTF-8
    EXPECT_THROW(CifrarParaArmazenar(std::string(256, 'a')), std::length_error);
    // 255 characters of two UTF-8 bytes each are 255 stored characters.
    std::string acentos;
    for (int i = 0; i < 255; ++i) acentos += "ç";
    EXPECT_NO_THROW(CifrarParaArmazenar(acentos));
    EXPECT_THROW(CifrarParaArmazenar(acentos + "ç"), std::length_error);
}

}  // namespace
