// Audit rows written through GRAVALOG for a pending-change packet.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestDb.h"
#include "db/Query.h"
#include "rules/DGlobal.h"

namespace {

using db::Value;

struct Linha {
    std::string chave, arq, campo, usuario, vrant, vratu;
    bool operator==(const Linha&) const = default;
};

std::ostream& operator<<(std::ostream& o, const Linha& l) {
    return o << l.chave << "/" << l.arq << "/" << l.campo << "/" << l.usuario << "/" << l.vrant << "/" << l.vratu;
}

struct Auditoria : ::testing::Test {
    TestDb banco;
    TDmGlobal dm{banco.Conn()};
    int consultasHora = 0;
    void SetUp() override {
        banco.RunScript("principal.sql");
        dm.Usuario = "OPERADOR";
        dm.DataServidor = [this] {
            ++consultasHora;
            return 45364.5;
        };
    }
    std::vector<Linha> Linhas() {
        db::Query q(banco.Conn());
        q.SetSQL("select * from LOG_ALTERACOES order by ID_LA");
        q.Open();
        std::vector<Linha> r;
        for (q.First(); !q.Eof(); q.Next())
            r.push_back({q.FieldByName("CHAVE_LA").AsString(), q.FieldByName("ARQ_LA").AsString(),
                         q.FieldByName("CAMPO_LA").AsString(), q.FieldByName("USUARIO_LA").AsString(),
                         q.FieldByName("VRANT_LA").AsString(), q.FieldByName("VRATU_LA").AsString()});
        return r;
    }
};

db::DataPacket PacoteExterno() {
    db::DataPacket p;
    for (const char* c : {"PROG_EX", "FICHA_EX", "SUBFICHA_EX", "TP_SERV_EX", "QTDE_EX", "OBS_EX"})
        p.fields.Add(c, db::DataType::String, 120);
    return p;
}

db::PacketRow Linha6(db::UpdateStatus st, std::vector<Value> v, std::vector<char> atribuido = {}) {
    db::PacketRow r;
    r.status = st;
    r.values = std::move(v);
    r.assigned = atribuido.empty() ? std::vector<char>(r.values.size(), 1) : std::move(atribuido);
    return r;
}

}  // namespace

TEST_F(Auditoria, InsertedRecordAndEmptyPacket) {
    db::DataPacket p = PacoteExterno();
    GerarLog(dm, "EXTERNO", p);
    EXPECT_EQ(consultasHora, 0);
    p.rows.push_back(Linha6(db::UpdateStatus::Inserted, {Value::Text("000120"), Value::Text("0003"), Value::Text("01"),
                                                          Value::Text("C"), Value::Text("24"), Value::Text("")}));
    GerarLog(dm, "externo", p);
    EXPECT_EQ(Linhas(), (std::vector<Linha>{{"000120|0003|01|C", "externo", "INSERIDO", "OPERADOR", "INSERIDO", "INSERIDO"}}));
    EXPECT_EQ(consultasHora, 1);
}

TEST_F(Auditoria, TwoModifiedRecordsAndValuesSetBack) {
    db::DataPacket p = PacoteExterno();
    const std::string longo(120, 'x');
    auto antes = [](const char* prog, const char* qt, const char* obs) {
        return Linha6(db::UpdateStatus::Unmodified, {Value::Text(prog), Value::Text("0001"), Value::Text(""),
                                                     Value::Text("C"), Value::Text(qt), Value::Text(obs)});
    };
    // First record: quantity changed, observation set back to what it was.
    p.rows.push_back(antes("000120", "10", "igual"));
    p.rows.push_back(Linha6(db::UpdateStatus::Modified, {Value(), Value(), Value(), Value(), Value::Text("12"),
                                                         Value::Text("igual")},
                            {0, 0, 0, 0, 1, 1}));
    // Second record: observation made long; the quantity only set back.
    p.rows.push_back(antes("000130", "5", ""));
    p.rows.push_back(Linha6(db::UpdateStatus::Modified, {Value(), Value(), Value(), Value(), Value::Text("5"),
                                                         Value::Text(longo)},
                            {0, 0, 0, 0, 1, 1}));
    // Third record: only set back, writes nothing.
    p.rows.push_back(antes("000140", "7", "a"));
    p.rows.push_back(Linha6(db::UpdateStatus::Modified, {Value(), Value(), Value(), Value(), Value::Text("7"), Value()},
                            {0, 0, 0, 0, 1, 0}));
    GerarLog(dm, "EXTERNO", p);
    EXPECT_EQ(Linhas(), (std::vector<Linha>{{"000120|0001||C", "EXTERNO", "QTDE_EX", "OPERADOR", "10", "12"},
                                            {"000130|0001||C", "EXTERNO", "OBS_EX", "OPERADOR", "", longo.substr(0, 100)}}));
}

TEST_F(Auditoria, KeyCutAndTablesOutsideTheMap) {
    db::DataPacket p;
    p.fields.Add("CODIGO_X", db::DataType::String, 60);
    p.fields.Add("NOME_X", db::DataType::String, 60);
    const std::string k(40, '9');
    p.rows.push_back(Linha6(db::UpdateStatus::Deleted, {Value::Text(k), Value::Text("n")}));
    GerarLog(dm, "TABELA_NOVA", p, "CODIGO_X");
    // Without an index the key is empty; the row is still written.
    GerarLog(dm, "TABELA_NOVA", p);
    EXPECT_EQ(Linhas(), (std::vector<Linha>{{k.substr(0, 30), "TABELA_NOVA", "EXCLUIDO", "OPERADOR", "EXCLUIDO", "EXCLUIDO"},
                                            {"", "TABELA_NOVA", "EXCLUIDO", "OPERADOR", "EXCLUIDO", "EXCLUIDO"}}));
    std::vector<std::string> l;
    ObterCamposChave(p.fields, "", l, "producao_setor");
    EXPECT_EQ(l, (std::vector<std::string>{"PROG_PS", "FICHA_PS", "SUBFICHA_PS", "SETOR_PS"}));
    // A key field the record set lacks is an error.
    EXPECT_THROW(GerarLog(dm, "EXTERNO", p), std::runtime_error);
}

TEST_F(Auditoria, LanctoLogsOnlyInsertionsWithItsSummary) {
    db::DataPacket p;
    for (const char* c : {"CODLANCTO_LA", "DOCTO_LA", "FILIAL_LA", "CONTA_LA", "DEBCRED_LA", "DATA_LA", "VALOR_LA"})
        p.fields.Add(c, db::DataType::String, 40);
    p.rows.push_back(Linha6(db::UpdateStatus::Inserted, {Value::Text("1"), Value::Text("D"), Value::Text("2"), Value::Text("3"),
                                                          Value::Text("C"), Value::Text("13/03/2024"), Value::Float(1234567.5)}));
    p.rows.push_back(Linha6(db::UpdateStatus::Unmodified, {Value::Text("1"), Value::Text("D"), Value::Text("2"), Value::Text("3"),
                                                            Value::Text("C"), Value::Text("13/03/2024"), Value::Float(1)}));
    p.rows.push_back(Linha6(db::UpdateStatus::Modified, {Value(), Value(), Value(), Value(), Value(), Value(), Value::Float(2)},
                            {0, 0, 0, 0, 0, 0, 1}));
    GerarLog(dm, "LANCTO", p);
    EXPECT_EQ(Linhas(), (std::vector<Linha>{{"1|D|2|3|C", "LANCTO", "INSERIDO", "OPERADOR",
                                             "Data: 13/03/2024 - Valor: 1.234.567,50", ""}}));
}
