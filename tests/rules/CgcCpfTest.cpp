#include "rules/CgcCpf.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "rules/UServicos.h"

namespace {

std::string Digitos(const std::string& t) {
    std::string r(desFormataCGCCPF(t.c_str(), nullptr, 0), '\0');
    desFormataCGCCPF(t.c_str(), r.data(), r.size() + 1);
    return r;
}

std::string Formatado(const std::string& t) {
    std::string r(formataCGCCPF(t.c_str(), nullptr, 0), '\0');
    formataCGCCPF(t.c_str(), r.data(), r.size() + 1);
    return r;
}

struct Caso {
    const char* texto;
    bool valido;
};

TEST(CgcCpf, PublishedNumbers) {
    for (const Caso& c : {
             // CPF
             Caso{"111.444.777-35", true}, Caso{"529.982.247-25", true}, Caso{"12345678909", true},
             Caso{"100.000.001-08", true},   // first remainder 10: first check digit 0
             Caso{"100.000.028-10", true},   // second remainder 10: second check digit 0
             Caso{"111.444.777-36", false}, Caso{"123.456.789-00", false}, Caso{"529.982.247-52", false},
             Caso{"100.000.001-09", false},
             // CNPJ
             Caso{"11.222.333/0001-81", true}, Caso{"11.444.777/0001-61", true}, Caso{"00.000.000/0001-91", true},
             Caso{"33.000.167/0001-01", true}, Caso{"11.222.333/0001-82", false},
             Caso{"11.222.333/0001-18", false}, Caso{"33.000.167/0001-10", false},
         })
        EXPECT_EQ(CgcCpfValido(c.texto), c.valido ? 1 : 0) << c.texto;
}

TEST(CgcCpf, PunctuationLettersAndLengths) {
    for (const Caso& c : {
             Caso{"11144477735", true}, Caso{" 111 444 777 35 ", true}, Caso{"111a444b777c35", true},
             Caso{"CPF: 111.444.777/35.", true}, Caso{"CNPJ 11222333000181", true},
             Caso{"", false}, Caso{"abc", false}, Caso{"11144477", false},
             Caso{"111444777", false},      // 9 digits that start a valid CPF
             Caso{"1114447773", false},     // 10 digits
             Caso{"112223330001", false},   // 12 digits that start a valid CNPJ
             Caso{"1122233300018", false},  // 13 digits
             Caso{"112223330001810", false}, Caso{"111444777350", false},
             // One repeated digit is no reason to refuse.
             Caso{"00000000000", true}, Caso{"000.000.000-00", true}, Caso{"11111111111", true},
             Caso{"00000000000000", true}, Caso{"11111111111111", false},
         })
        EXPECT_EQ(CgcCpfValido(c.texto), c.valido ? 1 : 0) << "'" << c.texto << "'";
    EXPECT_EQ(CgcCpfValido(nullptr), 0);
}

TEST(CgcCpf, StrippingAndPunctuation) {
    EXPECT_EQ(Digitos("11.222.333/0001-81"), "11222333000181");
    EXPECT_EQ(Digitos("a1b2 c3\xE7" "4"), "1234");
    EXPECT_EQ(Digitos(""), "");
    EXPECT_EQ(Formatado("11144477735"), "111.444.777-35");
    EXPECT_EQ(Formatado("11144477799"), "111.444.777-99");  // check digits are not verified
    EXPECT_EQ(Formatado("1.1.2.2.2.3.3.3.0.0.0.1.8.1"), "11.222.333/0001-81");
    EXPECT_EQ(Formatado("1122233300018"), "1122233300018");  // 13 digits stay bare
    EXPECT_EQ(Formatado("12-3"), "123");
    EXPECT_EQ(Formatado(""), "");
    EXPECT_EQ(formataCGCCPF(nullptr, nullptr, 0), 0u);
}

TEST(CgcCpf, NeverWritesPastTheBuffer) {
    char buf[16];
    // Needed length is reported whatever the size; the result is cut and terminated.
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(formataCGCCPF("11222333000181", buf, 6), 18u);
    EXPECT_STREQ(buf, "11.22");
    EXPECT_EQ(buf[6], '#');
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(desFormataCGCCPF("1-2-3", buf, 1), 3u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], '#');
    EXPECT_EQ(formataCGCCPF("11144477735", nullptr, 0), 14u);
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(formataCGCCPF("11144477735", buf, 15), 14u);  // exactly enough
    EXPECT_STREQ(buf, "111.444.777-35");
    EXPECT_EQ(buf[15], '#');
    // A zero size leaves the buffer alone.
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(desFormataCGCCPF("123", buf, 0), 3u);
    EXPECT_EQ(buf[0], '#');
}

TEST(CgcCpf, InPlaceFilter) {
    char a[] = "111.444.777-35";
    EXPECT_EQ(des(a), a);
    EXPECT_STREQ(a, "11144477735");
    char b[] = "sem digitos";
    EXPECT_EQ(des(b), b);
    EXPECT_STREQ(b, "");
    char c[] = "";
    EXPECT_STREQ(des(c), "");
    EXPECT_EQ(des(nullptr), nullptr);
}

TEST(CgcCpf, ServiceObject) {
    TServicos s;
    EXPECT_TRUE(s.Vazio(""));
    EXPECT_TRUE(s.Vazio(" \t\r\n\x01 "));
    EXPECT_FALSE(s.Vazio("  a  "));
    EXPECT_FALSE(s.Vazio("ç"));
    EXPECT_EQ(s.DesformataDocumento(""), "");
    EXPECT_EQ(s.DesformataDocumento("529.982.247-25"), "52998224725");
    EXPECT_EQ(s.DesformataDocumento("abc"), "");
    EXPECT_EQ(s.FormataDocumento(""), "");
    EXPECT_EQ(s.FormataDocumento("52998224725"), "529.982.247-25");
    EXPECT_EQ(s.FormataDocumento("33000167000101"), "33.000.167/0001-01");
    EXPECT_EQ(s.FormataDocumento("   "), "");
}

// The library is loaded as an outside program would load it, and each of the four
// functions is found by its name.
TEST(CgcCpf, ExportedByNameFromTheSharedLibrary) {
    const std::string caminho = std::string(PRAVOLT_BINARY_DIR) + "/libpravolt_cgccpf.so";
    void* lib = dlopen(caminho.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    using FDes = char* (*)(char*);
    using FTexto = size_t (*)(const char*, char*, size_t);
    using FValido = int (*)(const char*);
    auto fdes = reinterpret_cast<FDes>(dlsym(lib, "des"));
    auto fdesf = reinterpret_cast<FTexto>(dlsym(lib, "desFormataCGCCPF"));
    auto fform = reinterpret_cast<FTexto>(dlsym(lib, "formataCGCCPF"));
    auto fval = reinterpret_cast<FValido>(dlsym(lib, "CgcCpfValido"));
    ASSERT_TRUE(fdes && fdesf && fform && fval);

    char b[] = "11.222.333/0001-81";
    EXPECT_STREQ(fdes(b), "11222333000181");
    char saida[32];
    EXPECT_EQ(fdesf("529.982.247-25", saida, sizeof saida), 11u);
    EXPECT_STREQ(saida, "52998224725");
    EXPECT_EQ(fform("52998224725", saida, sizeof saida), 14u);
    EXPECT_STREQ(saida, "529.982.247-25");
    EXPECT_EQ(fval("529.982.247-25"), 1);
    EXPECT_EQ(fval("529.982.247-24"), 0);
    // Internal helpers stay hidden.
    EXPECT_EQ(dlsym(lib, "_ZN12_GLOBAL__N_18DigitosEPKc"), nullptr);
    dlclose(lib);
}

}  // namespace
