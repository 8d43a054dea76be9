// The save without a window: the unit called directly on the fixture database, with the
// audit log on (as the suite's other programs run it).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "BancoDistribuicao.h"
#include "db/Query.h"
#include "distribution/UDistGravacao.h"
#include "rules/DGlobal.h"

using namespace dist;
using plat::EncodeDate;
using plat::EncodeTime;

namespace {

// One audit row: field, old value, new value.
using LinhaLog = std::tuple<std::string, std::string, std::string>;

class DistGravacao : public SuiteBancoDistribuicao {
protected:
    void SetUp() override {
        for (const char* t : {"EXTERNO", "PRODUCAO_SETOR", "LOG_ALTERACOES"}) banco->Exec(std::string("delete from ") + t);
        dm = std::make_unique<TDmGlobal>(banco->Conn());
        dm->DataServidor = [] { return EncodeDate(2024, 3, 15); };
    }

    // A dispatch (or return) of ticket 123456/0007, 120 pairs, at 10:30 on 15/03/2024.
    static TPedidoGravacao Pedido(bool saida, std::int64_t terc, const std::string& tipo, const std::string& setor) {
        TPedidoGravacao p;
        p.saida = saida;
        p.terceirizado = terc;
        p.tipoServico = tipo;
        p.setor = setor;
        p.ficha = {"123456", "0007", "0000"};
        p.data = EncodeDate(2024, 3, 15);
        p.preco = plat::Dinheiro::FromDouble(2.5);
        p.pares = 120;
        p.produto = "PR01";
        p.momento = EncodeDate(2024, 3, 15) + EncodeTime(10, 30, 0);
        return p;
    }
    TResultadoGravacao Salvar(const TPedidoGravacao& p) { return Gravar(banco->Conn(), regras, p, dm.get()); }

    static std::int64_t Contar(const std::string& sql) {
        db::Query q(banco->Conn());
        q.SetSQL(sql);
        q.Open();
        return q.Field(0).AsInteger();
    }
    // The audit rows of a table other than the insertion markers, in the order written.
    static std::vector<LinhaLog> Log(const std::string& tabela) {
        db::Query q(banco->Conn());
        q.SetSQL("select CAMPO_LA, VRANT_LA, VRATU_LA from LOG_ALTERACOES where ARQ_LA = '" + tabela +
                 "' and CAMPO_LA <> 'INSERIDO' order by ID_LA");
        q.Open();
        std::vector<LinhaLog> r;
        for (q.First(); !q.Eof(); q.Next()) r.emplace_back(q.Field(0).AsString(), q.Field(1).AsString(), q.Field(2).AsString());
        return r;
    }

    TRegrasGravacao regras;
    std::unique_ptr<TDmGlobal> dm;
};


}  // namespace

// Each dispatch adds an "I" row for every other workshop pricing the product for
// inspection; a second and third service type of the same ticket find those rows there and
// leave them as they are.
TEST_F(DistGravacao, KalduInspectionRowsAreWrittenOnceForTheTicket) {
    regras.empresa = "KALDU";
    for (int t : {1, 2, 4}) banco->Exec("insert into PRECOSER values (" + std::to_string(t) + ", 'PR01', 'I', 1)");
    const std::vector<std::int64_t> primeira{2, 4};
    int vez = 0;
    for (const char* tipo : {"B", "P", "C"}) {
        SCOPED_TRACE(tipo);
        const TResultadoGravacao r = Salvar(Pedido(true, 1, tipo, ""));
        ASSERT_TRUE(r.Gravado()) << r.Mensagem();
        EXPECT_EQ(r.inspecoes, vez++ == 0 ? primeira : std::vector<std::int64_t>{});
        EXPECT_EQ(Contar("select count(*) from EXTERNO where TP_SERV_EX = 'I'"), 2);
        EXPECT_EQ(Contar("select count(*) from EXTERNO where TP_SERV_EX <> 'I'"), vez);
    }
    banco->Exec("delete from PRECOSER where TP_SERV_PS = 'I'");
    // The remark left empty is written as the empty text, not as null.
    EXPECT_EQ(Contar("select count(*) from EXTERNO where OBS_EX is null or char_length(OBS_EX) <> 0"), 0);
    // the same ticket and type again: refused with the workshop recorded
    const TResultadoGravacao r = Salvar(Pedido(true, 2, "B", ""));
    EXPECT_EQ(r.Mensagem(), "Programação já foi enviada para terceirizado \"1\".");
}

// The audit of an updated progress row names every column that changed with the value it
// had and the one it has, and nothing for the others.
TEST_F(DistGravacao, ProgressRowUpdateIsAuditedWithItsOldValues) {
    struct Caso {
        const char* linha;  // DTENTRADA_PS, DTSAIDA_PS, HORASAIDA_PS, QTDE_PS of the row there
        std::vector<LinhaLog> esperado;
    };
    const Caso casos[] = {
        {"null, '2024-03-10', '08:00', 100",
         {{"DTSAIDA_PS", "10/03/2024", "15/03/2024"}, {"HORASAIDA_PS", "08:00", "10:30"}, {"QTDE_PS", "100", "120"}}},
        {"'2024-03-01', null, null, 120", {{"DTSAIDA_PS", "", "15/03/2024"}, {"HORASAIDA_PS", "", "10:30"}}},
        {"null, '2024-03-15', '10:30', 120", {}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.linha);
        SetUp();
        banco->Exec(std::string("insert into PRODUCAO_SETOR (PROG_PS, FICHA_PS, SUBFICHA_PS, SETOR_PS, ID_PS, "
                                "DTENTRADA_PS, DTSAIDA_PS, HORASAIDA_PS, QTDE_PS) values ('123456', '0007', '0000', "
                                "'11', 0, ") +
                    c.linha + ")");
        ASSERT_TRUE(Salvar(Pedido(true, 1, "B", "11")).Gravado());
        EXPECT_EQ(Log("PRODUCAO_SETOR"), c.esperado);
        EXPECT_EQ(Contar("select count(*) from LOG_ALTERACOES where CHAVE_LA = '123456|0007|0000|11'"),
                  static_cast<std::int64_t>(c.esperado.size()));
    }
}

// The return's record takes the entry sector the dispatch row holds.
TEST_F(DistGravacao, ReturnIsAuditedWithTheRowsEntrySector) {
    struct Caso {
        const char* setorEnt;  // SETOR_ENT_EX of the open dispatch
        std::vector<LinhaLog> esperado;
    };
    const Caso casos[] = {
        {"null", {{"RETORNO_EX", "", "15/03/2024"}, {"SETOR_ENT_EX", "", "10"}}},
        {"'02'", {{"RETORNO_EX", "", "15/03/2024"}, {"SETOR_ENT_EX", "02", "10"}}},
        {"'10'", {{"RETORNO_EX", "", "15/03/2024"}}},
    };
    regras.parametros.atualizaProducao = false;
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.setorEnt);
        SetUp();
        banco->Exec(std::string("insert into EXTERNO (TERCEIRIZADO_EX, TP_SERV_EX, PROG_EX, FICHA_EX, SUBFICHA_EX, "
                                "SAIDA_EX, QTDE_EX, SETOR_SAI_EX, SETOR_ENT_EX) values (4, 'B', '123456', '0007', "
                                "'0000', '2024-03-10', 120, '11', ") +
                    c.setorEnt + ")");
        const TResultadoGravacao r = Salvar(Pedido(false, 0, "B", "10"));
        ASSERT_TRUE(r.Gravado()) << r.Mensagem();
        EXPECT_EQ(r.terceirizado, 4);  // the dispatch's workshop
        EXPECT_EQ(Log("EXTERNO"), c.esperado);
    }
}

// A return whose dispatch row another workstation is changing at that moment is refused
// with a message, nothing written; once the other change is over, it goes through.
TEST_F(DistGravacao, ReturnMeetingAChangingDispatchEndsWithAMessage) {
    banco->Exec("insert into EXTERNO (TERCEIRIZADO_EX, TP_SERV_EX, PROG_EX, FICHA_EX, SUBFICHA_EX, SAIDA_EX, QTDE_EX) "
                "values (4, 'B', '123456', '0007', '0000', '2024-03-10', 120)");
    db::Connection outra;
    outra.SetDatabase(banco->Path());
    outra.SetUserName("SYSDBA");
    outra.Open();
    db::Transaction alteracao = outra.StartTransaction();
    {
        db::Query q(outra);
        q.SetTransaction(&alteracao);
        q.SetSQL("update EXTERNO set QTDE_EX = 100 where PROG_EX = '123456'");
        q.ExecSQL();
    }
    db::Connection posto;
    posto.SetDatabase(banco->Path());
    posto.SetUserName("SYSDBA");
    posto.SetLockTimeout(1);
    const TResultadoGravacao r = Gravar(posto, regras, Pedido(false, 0, "B", "10"), nullptr);
    EXPECT_EQ(r.recusa, TRecusa::RetornoNaoGravado);
    EXPECT_NE(r.Mensagem().find("alterada por outra estação"), std::string::npos);
    EXPECT_FALSE(r.Erro());
    alteracao.Rollback();
    EXPECT_EQ(Contar("select count(*) from EXTERNO where RETORNO_EX is not null"), 0);
    EXPECT_EQ(Contar("select count(*) from PRODUCAO_SETOR"), 0);
    EXPECT_TRUE(Gravar(posto, regras, Pedido(false, 0, "B", "10"), nullptr).Gravado());
}
