// Rules of the distribution window that need no widgets.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>

#include "distribution/UDistRegras.h"
#include "platform/Mensagens.h"
#include "platform/Texto.h"

using namespace dist;
using plat::Dinheiro;
using plat::EncodeDate;

TEST(DistRegras, SwitchesAreExactAndProductionUpdateIsOnByDefault) {
    std::map<std::pair<std::string, std::string>, std::string> tabela;
    auto ler = [&](const std::string& g, const std::string& p) {
        auto it = tabela.find({g, p});
        return it == tabela.end() ? std::string() : it->second;
    };
    ParametrosDist vazio = LerParametrosDist(ler);
    EXPECT_FALSE(vazio.baixaSetorEntrada);
    EXPECT_FALSE(vazio.bloquearPreco);
    EXPECT_TRUE(vazio.atualizaProducao);

    tabela[{"ATU_PRODUCAO", "BAIXA_SETOR_ENTRADA"}] = "s";   // lower case is off
    tabela[{"DISTRIBUICAO_SERVICOS", "BLOQUEAR_PRECO"}] = "S";
    tabela[{"DISTRIBUICAO_SERVICOS", "SETOR_OBRIGATORIO"}] = "S ";  // trailing blank: off
    tabela[{"SERVICO_EXTERNO", "ATUALIZA_PRODUCAO_SETOR"}] = "n";  // only "N" turns it off
    tabela[{"ATU_PRODUCAO", "DIST_SERV_POR_CODBAR"}] = "S";
    ParametrosDist p = LerParametrosDist(ler);
    EXPECT_FALSE(p.baixaSetorEntrada);
    EXPECT_TRUE(p.bloquearPreco);
    EXPECT_FALSE(p.setorObrigatorio);
    EXPECT_TRUE(p.atualizaProducao);
    EXPECT_TRUE(p.distServPorCodBar);
    tabela[{"SERVICO_EXTERNO", "ATUALIZA_PRODUCAO_SETOR"}] = "N";
    EXPECT_FALSE(LerParametrosDist(ler).atualizaProducao);
}

TEST(DistRegras, InstallationRules) {
    EXPECT_EQ(TamanhoProgramacao(false, ""), 6);
    EXPECT_EQ(TamanhoProgramacao(true, ""), 15);
    EXPECT_EQ(TamanhoProgramacao(true, "QOR"), 13);
    EXPECT_EQ(TamanhoProgramacao(false, "ROMBE"), 13);
    EXPECT_EQ(TamanhoProgramacao(false, "KALDU"), 15);
    EXPECT_EQ(TamanhoProgramacao(false, "kaldu"), 6);

    EXPECT_TRUE(DataBloqueada("QUELTAVIO", false));
    EXPECT_TRUE(DataBloqueada("PIRNO", false));
    EXPECT_TRUE(DataBloqueada("DORSK", false));
    EXPECT_TRUE(DataBloqueada("", true));
    EXPECT_FALSE(DataBloqueada("QOR", false));

    EXPECT_TRUE(GravaProducaoSetor("", true, "02"));
    EXPECT_FALSE(GravaProducaoSetor("", true, ""));
    EXPECT_FALSE(GravaProducaoSetor("MUREL", true, "02"));
    EXPECT_FALSE(GravaProducaoSetor("YDV", true, "02"));
    EXPECT_FALSE(GravaProducaoSetor("", false, "02"));
}

TEST(DistRegras, KalduSectorMap) {
    EXPECT_EQ(SetorKaldu("B", true), "11");
    EXPECT_EQ(SetorKaldu("B", false), "10");
    EXPECT_EQ(SetorKaldu("FS", true), "04");
    EXPECT_EQ(SetorKaldu("M", false), "25");
    EXPECT_FALSE(SetorKaldu("X", true));
    EXPECT_FALSE(SetorKaldu("b", true));
    EXPECT_FALSE(SetorKaldu("", false));
}

TEST(DistRegras, LeftPaddingNeverCuts) {
    EXPECT_EQ(PreencherEsquerda("1234", '0', 6), "001234");
    EXPECT_EQ(PreencherEsquerda("12", '0', 4), "0012");
    EXPECT_EQ(PreencherEsquerda("", '0', 4), "0000");
    EXPECT_EQ(PreencherEsquerda("1234567", '0', 6), "1234567");
    EXPECT_EQ(PreencherEsquerda("çã", '0', 4), "00çã");  // characters, not bytes
    EXPECT_EQ(plat::ContarCaracteres(PreencherEsquerda("1", ' ', 300)), 255u);
}

TEST(DistRegras, ProgrammeFieldInputs) {
    EXPECT_EQ(ClassificarProgramacao(""), EntradaProg::Vazia);
    EXPECT_EQ(ClassificarProgramacao("   "), EntradaProg::Vazia);
    EXPECT_EQ(ClassificarProgramacao("1234"), EntradaProg::Manual);
    EXPECT_EQ(ClassificarProgramacao("123456789"), EntradaProg::Manual);
    EXPECT_EQ(ClassificarProgramacao("1234567890"), EntradaProg::Identificador);
    EXPECT_EQ(ClassificarProgramacao("A1234560007"), EntradaProg::CodigoBarras);

    CodigoFicha c15 = DividirCodigoBarras("A12345600071234");
    EXPECT_EQ(c15.prog, "123456");
    EXPECT_EQ(c15.ficha, "0007");
    ASSERT_TRUE(c15.subFicha);
    EXPECT_EQ(*c15.subFicha, "1234");

    CodigoFicha c13 = DividirCodigoBarras("A1234560007XY");
    EXPECT_EQ(c13.prog, "123456");
    EXPECT_EQ(c13.ficha, "0007");
    EXPECT_FALSE(c13.subFicha);

    EXPECT_EQ(DividirCodigoBarras("x12;ab500071234").prog, "12/AB5");
    EXPECT_EQ(MapearProgramacao("12;345"), "12/345");

    EXPECT_EQ(IdentificadorSubFicha("2123456789"), "123456789");
    EXPECT_EQ(IdentificadorSubFicha("3123456789"), "3123456789");

    EXPECT_EQ(ProgramacaoDaBusca("7123456"), "123456");
    EXPECT_EQ(ProgramacaoDaBusca("123456"), "123456");
}

TEST(DistRegras, DatesAndCounterRange) {
    double d = EncodeDate(2024, 3, 15) + 0.75;

    Faixa f = FaixaDoMes(d);
    EXPECT_EQ(f.inicio, EncodeDate(2024, 3, 1));
    EXPECT_NEAR(f.fim, EncodeDate(2024, 3, 15) + 86399.0 / 86400.0, 1e-9);
    EXPECT_TRUE(plat::MesmoDia(d, EncodeDate(2024, 3, 15)));
    EXPECT_FALSE(plat::MesmoDia(d, EncodeDate(2023, 3, 15)));
}

TEST(DistRegras, WeekdaysBack) {
    EXPECT_EQ(DiasUteisAntes(EncodeDate(2024, 3, 13) + 0.6, 5), EncodeDate(2024, 3, 6));
    EXPECT_EQ(DiasUteisAntes(EncodeDate(2024, 3, 11), 5), EncodeDate(2024, 3, 4));
    EXPECT_EQ(DiasUteisAntes(EncodeDate(2024, 3, 10), 1), EncodeDate(2024, 3, 8));  // Sunday -> Friday
}

TEST(DistRegras, NumberFormats) {
    EXPECT_EQ(FormatarNumero(7, "000"), "007");
    EXPECT_EQ(FormatarNumero(1234, "000"), "1234");
    EXPECT_EQ(FormatarNumero(12.5, "0.0000"), "12,5000");
    EXPECT_EQ(FormatarNumero(282, " ,0.00;- ,0.00"), " 282,00");
    EXPECT_EQ(FormatarNumero(1234567.891, " ,0.00;- ,0.00"), " 1.234.567,89");
    EXPECT_EQ(FormatarNumero(-1234.5, " ,0.00;- ,0.00"), "- 1.234,50");
    EXPECT_EQ(FormatarNumero(0, "###,##0"), "0");
    EXPECT_EQ(FormatarNumero(1500, "###,##0"), "1.500");
    EXPECT_EQ(FormatarNumero(-1500, "###,##0"), "-1.500");
    EXPECT_EQ(FormatarNumero(2.345, "0.00"), "2,35");
    EXPECT_EQ(FormatarNumero(120, "0"), "120");

    // exact values beyond what a double holds
    EXPECT_EQ(FormatarEscalado(kPrecoMaximo, 4, "0.0000"), "99999999999,9999");
    EXPECT_EQ(FormatarEscalado(INT64_MAX, 4, " ,0.00;- ,0.00"), " 922.337.203.685.477,58");
    EXPECT_EQ(FormatarEscalado(INT64_MIN, 2, " ,0.00;- ,0.00"), "- 92.233.720.368.547.758,08");
    EXPECT_EQ(FormatarEscalado(-5, 1, "0"), "-1");  // halves away from zero
    EXPECT_EQ(FormatarEscalado(7, 0, "000"), "007");
}

TEST(DistRegras, TypedNumbersAndTheirLimits) {
    struct Caso {
        const char* texto;
        int decimais;
        std::optional<std::int64_t> valor;  // nullopt: beyond 64 bits
    };
    const Caso casos[] = {
        {"2,35", 2, 235},
        {"2.35", 2, 235},
        {"1.234,5", 1, 12345},
        {" ", 4, 0},
        {"1,23455", 4, 12346},
        {"-0,00005", 4, -1},
        {"99.999.999.999,9999", 4, kPrecoMaximo},
        {"922337203685477,5807", 4, INT64_MAX},
        {"-922337203685477,5808", 4, INT64_MIN},
        {"922337203685477,5808", 4, std::nullopt},
        {"12345600070001", 4, 123456000700010000},
        {"1000000000000000", 4, std::nullopt},
        {"000000000000000000000000000000000000000001", 0, 1},
        {"99999999999999999999999999999999999999999", 0, std::nullopt},
    };
    for (const Caso& c : casos) EXPECT_EQ(LerEscalado(c.texto, c.decimais), c.valor) << c.texto;
    for (const char* t : {"12a", "-", "1,2,3", "1-2"}) EXPECT_THROW(LerEscalado(t, 4), plat::EConvertError) << t;

    EXPECT_EQ(MsgForaDosLimites("Preço por par", -kPrecoMaximo, kPrecoMaximo, 4),
              "O campo Preço por par deve estar entre -99.999.999.999,9999 e 99.999.999.999,9999.");
    EXPECT_EQ(MsgForaDosLimites("Qt. Pares", kInteiroMinimo, kInteiroMaximo, 0),
              "O campo Qt. Pares deve estar entre -2.147.483.648 e 2.147.483.647.");

    EXPECT_EQ(SomarPares(INT64_MAX - 1, 1), INT64_MAX);
    EXPECT_THROW(SomarPares(INT64_MAX, 1), std::overflow_error);
    EXPECT_THROW(SomarPares(INT64_MIN, -1), std::overflow_error);
}

TEST(DistRegras, PriceStates) {
    // no row: 0 and editable in the window colour, unless the price is locked by parameter
    auto r = ResolverPreco(false, Dinheiro(), false, EstadoPreco::Travado);
    EXPECT_EQ(r.preco, Dinheiro());
    EXPECT_EQ(r.estado, EstadoPreco::EditavelCorJanela);
    EXPECT_EQ(ResolverPreco(false, Dinheiro(), true, EstadoPreco::Editavel).estado, EstadoPreco::Travado);
    // a positive price locks; zero keeps the state as it was
    r = ResolverPreco(true, Dinheiro::FromRaw(125000), false, EstadoPreco::Editavel);
    EXPECT_EQ(r.preco, Dinheiro::FromRaw(125000));
    EXPECT_EQ(r.estado, EstadoPreco::Travado);
    EXPECT_EQ(ResolverPreco(true, Dinheiro(), false, EstadoPreco::Editavel).estado, EstadoPreco::Editavel);
    EXPECT_EQ(ResolverPreco(true, Dinheiro(), false, EstadoPreco::Travado).estado, EstadoPreco::Travado);

    EXPECT_EQ(PrecoTotal(120, Dinheiro::FromDouble(2.35)), Dinheiro::FromInteger(282));
    EXPECT_THROW(PrecoTotal(INT64_MAX, Dinheiro::FromRaw(2)), std::overflow_error);
}

TEST(DistRegras, SaveRules) {
    EXPECT_EQ(SetoresAnteriores(" 01, 03 "), (std::vector<std::string>{"01", "03"}));
    EXPECT_EQ(SetoresAnteriores("01 03,,04"), (std::vector<std::string>{"01", "03", "04"}));
    EXPECT_TRUE(SetoresAnteriores("  ").empty());

    EXPECT_FALSE(GiroUltrapassado(450, 50, 500));
    EXPECT_TRUE(GiroUltrapassado(450, 51, 500));
    EXPECT_TRUE(GiroUltrapassado(INT64_MAX, INT64_MAX, 0));  // no overflow into a negative sum
    EXPECT_TRUE(GiroUltrapassado(0, 1, 0));

    EXPECT_EQ(MsgJaEnviada(7), "Programação já foi enviada para terceirizado \"7\".");
    EXPECT_EQ(MsgRetornoLancado(EncodeDate(2024, 3, 5)), "Retorno já lançado em 05/03/24.");
}
