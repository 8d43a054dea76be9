// Budget checks of the finance module against a real database.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "datamodules/ModulosDb.h"
#include "platform/DataHora.h"

namespace {

class Orcamento : public ::testing::Test {
protected:
    static void SetUpTestSuite() { base_ = new ModulosDb(); }
    static void TearDownTestSuite() {
        delete base_;
        base_ = nullptr;
    }
    void SetUp() override {
        Exec("delete from PREVISAO_ORC_LANC");
        Exec("delete from PREVISAO_ORCAMENTARIA");
        fin_ = std::make_unique<TdmIBFinanceiro>(&base_->Conn());
    }
    void TearDown() override { fin_.reset(); }

    static void Exec(const std::string& sql) { base_->banco.Exec(sql); }

    static void Previsao(int filial, const char* previsao, const char* realizado, int mes = 5) {
        Exec("insert into PREVISAO_ORCAMENTARIA values ('1010100100001', 2026, " + std::to_string(mes) + ", " +
             std::to_string(filial) + ", " + previsao + ", " + realizado + ")");
    }
    // A posting of title 123/01 (branch 1, supplier 77) or order 555 (branch 1).
    void Lancamento(const char* tipo, const char* entsai, const char* valor, const char* vencto, int filialOrc = 1) {
        ++id_;
        Exec("insert into PREVISAO_ORC_LANC values (" + std::to_string(id_) + ", '123', '01', 555, 1, 77, " +
             "'1010100100001', '2026-05-0" + std::to_string(id_ % 9 + 1) + "', " + std::to_string(filialOrc) +
             ", '" + vencto + "', " + valor + ", '" + tipo + "', '" + entsai + "')");
    }

    bool Titulo(const char* valor, int filial = 1) {
        return fin_->VerificarOrcamentoTitulo("123", "01", filial, 77, Data(), db::Currency::Parse(valor),
                                              "1010100100001");
    }
    bool Pedido(const char* valor, int filial = 1) {
        return fin_->VerificarOrcamentoPedido(555, filial, Data(), db::Currency::Parse(valor), "1010100100001");
    }
    static db::TDateTime Data() { return plat::EncodeDate(2026, 5, 20) + 0.75; }

    static ModulosDb* base_;
    std::unique_ptr<TdmIBFinanceiro> fin_;
    int id_ = 0;
};
ModulosDb* Orcamento::base_ = nullptr;

TEST_F(Orcamento, NoBudgetForTheAccountBranchOrMonth) {
    EXPECT_FALSE(Titulo("999999.99"));
    EXPECT_FALSE(Pedido("999999.99"));
    Previsao(2, "100.00", "0");       // another branch
    Previsao(0, "100.00", "0", 6);   // another month
    EXPECT_FALSE(Titulo("5000.00"));
    EXPECT_FALSE(Pedido("5000.00"));
    EXPECT_TRUE(Titulo("5000.00", 2));
}

TEST_F(Orcamento, ReachingTheForecastIsNoExcess) {
    Previsao(0, "2000.00", "1750.00");
    EXPECT_FALSE(Titulo("250.00"));
    EXPECT_TRUE(Titulo("250.01"));
    EXPECT_FALSE(Pedido("250.00"));
    EXPECT_TRUE(Pedido("250.0001"));  // one ten-thousandth is enough
}

TEST_F(Orcamento, OwnPostingsOfThatMonthAreDeducted) {
    Previsao(1, "2000.00", "1950.00");
    Lancamento("T", "E", "260.00", "2026-05-31 23:00:00");
    EXPECT_FALSE(Titulo("250.00"));   // 1950 + 250 - 260 = 1940
    EXPECT_TRUE(Titulo("310.01"));    // 2000.01
    EXPECT_FALSE(Titulo("310.00"));
    EXPECT_TRUE(Pedido("250.00"));    // a title's posting is not the order's

    Exec("update PREVISAO_ORC_LANC set VENCTO_ORC_PL='2026-06-01'");
    EXPECT_TRUE(Titulo("250.00"));    // due next month: not counted
}

TEST_F(Orcamento, ExitsAndPostingsOfOtherBranchesAndTypes) {
    Previsao(0, "2000.00", "1950.00");
    Lancamento("P", "E", "300.00", "2026-05-10");
    EXPECT_FALSE(Pedido("250.00"));
    EXPECT_TRUE(Titulo("250.00"));    // an order's posting is not the title's
    Lancamento("P", "S", "150.00", "2026-05-10");  // an exit subtracts
    EXPECT_TRUE(Pedido("250.00"));    // 1950 + 250 - 150
    Lancamento("P", "E", "100.00", "2026-05-10", 0);  // posted to all branches: counts
    EXPECT_FALSE(Pedido("250.00"));
    Lancamento("P", "E", "500.00", "2026-05-10", 9);  // another branch's budget: not
    EXPECT_TRUE(Pedido("300.01"));
}

TEST_F(Orcamento, EveryExceededRowIsExamined) {
    Previsao(0, "5000.00", "4950.00");  // all branches: 4950 + 250 - 100 = 5100 > 5000
    Previsao(1, "2000.00", "1900.00");  // the branch: 1900 + 250 - 100 = 2050 > 2000
    Lancamento("T", "E", "100.00", "2026-05-15");
    EXPECT_TRUE(Titulo("250.00"));
    Exec("update PREVISAO_ORCAMENTARIA set PREVISAO_PO = 5200.00 where FILIAL_PO = 0");
    EXPECT_TRUE(Titulo("250.00"));     // the branch's row still exceeds
    Exec("update PREVISAO_ORCAMENTARIA set PREVISAO_PO = 2100.00 where FILIAL_PO = 1");
    EXPECT_FALSE(Titulo("250.00"));
    // calls may follow each other on the same module
    EXPECT_FALSE(Pedido("0"));
    EXPECT_TRUE(Pedido("400.00"));
}

}  // namespace
