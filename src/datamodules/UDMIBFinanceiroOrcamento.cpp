// Budget checks of the finance module.
#include <cstdint>
#include <cstdio>
#include <string>

#include "datamodules/UDMIBFinanceiro.h"
#include "platform/DataHora.h"

namespace {

void Preparar(db::Query& q, db::Connection* c, const char* sql) {
    if (q.SQL().empty()) q.SetSQL(sql);
    if (q.GetConnection() == nullptr) {
        q.SetConnection(c);
        q.Prepare();
    }
}

std::int64_t Bruto(const db::Value& v) { return v.AsCurrency().Raw(); }

std::string AnoMes(int ano, int mes) {
    char b[16];
    std::snprintf(b, sizeof b, "%04d%02d", ano, mes);
    return b;
}

// What the document has already posted to the budget month: entries add, anything else
// subtracts.
std::int64_t SomaLancamentos(db::Query& q, const char* tipo, int filial, const std::string& anoMes) {
    std::int64_t soma = 0;
    for (q.First(); !q.Eof(); q.Next()) {
        if (q.FieldByName("TITULO_PED_PL").AsString() != tipo) continue;
        const std::int64_t filOrc = q.FieldByName("FILIAL_ORC_PL").AsInteger();
        if (filOrc != filial && filOrc != 0) continue;
        const db::Value& venc = q.FieldByName("VENCTO_ORC_PL");
        if (venc.IsNull()) continue;
        int a, m, d;
        plat::DecodeDate(venc.AsDateTime(), a, m, d);
        if (AnoMes(a, m) != anoMes) continue;
        const std::int64_t v = Bruto(q.FieldByName("VALOR_ORC_PL"));
        if (q.FieldByName("ENTSAI_PL").AsString() == "E")
            soma += v;
        else
            soma -= v;
    }
    return soma;
}

}  // namespace

namespace {

const char* const kSqlPrevOrc =
    "select FILIAL_PO, PREVISAO_PO, REALIZADO_PO\n"
    "from PREVISAO_ORCAMENTARIA\n"
    "where CODCONTABIL_PO=:CODCONT\n"
    "and ANO_PO=:ANO\n"
    "and MES_PO=:MES";
const char* const kSqlPrevOrcLanc =
    "select DATA_LANC_PL, FILIAL_ORC_PL, VENCTO_ORC_PL, VALOR_ORC_PL, TITULO_PED_PL, ENTSAI_PL\n"
    "from PREVISAO_ORC_LANC\n"
    "where NUM_TIT_PL=:NUM\n"
    "and ORD_TIT_PL=:ORD\n"
    "and FILIAL_PL=:FIL\n"
    "and FORNEC_PL=:FORNEC\n"
    "and CODCONT_ORC_PL=:CODCONT\n"
    "order by DATA_LANC_PL";
const char* const kSqlPrevOrcLancPed =
    "select DATA_LANC_PL, FILIAL_ORC_PL, VENCTO_ORC_PL, VALOR_ORC_PL, TITULO_PED_PL, ENTSAI_PL\n"
    "from PREVISAO_ORC_LANC\n"
    "where NUM_PED_PL=:NUM\n"
    "and FILIAL_PL=:FIL\n"
    "and CODCONT_ORC_PL=:CODCONT\n"
    "order by DATA_LANC_PL";

// The walk shared by both checks. `lancamentos` is opened afresh (by `abrir`) for every
// budget row that the amount alone exceeds.
template <class AbrirLanc>
bool Verificar(db::Query& orc, db::Query& lanc, const char* tipo, int filial, db::TDateTime data,
               db::Currency valor, const std::string& conta, AbrirLanc abrir) {
    bool resultado = false;
    int ano, mes, dia;
    plat::DecodeDate(data, ano, mes, dia);
    const std::string anoMes = AnoMes(ano, mes);
    orc.ParamByName("CODCONT").SetAsString(conta);
    orc.ParamByName("ANO").SetAsInteger(ano);
    orc.ParamByName("MES").SetAsInteger(mes);
    orc.Open();
    for (orc.First(); !orc.Eof(); orc.Next()) {
        const std::int64_t filPo = orc.FieldByName("FILIAL_PO").AsInteger();
        if (filPo != 0 && filPo != filial) continue;
        const std::int64_t previsao = Bruto(orc.FieldByName("PREVISAO_PO"));
        const std::int64_t total = Bruto(orc.FieldByName("REALIZADO_PO")) + valor.Raw();
        if (total <= previsao) continue;
        lanc.Close();
        abrir(lanc);
        const std::int64_t soma = SomaLancamentos(lanc, tipo, filial, anoMes);
        if (total - soma > previsao) {
            resultado = true;
            break;
        }
    }
    orc.Close();
    return resultado;
}

}  // namespace

bool TdmIBFinanceiro::VerificarOrcamentoTitulo(const std::string& titulo, const std::string& parcela, int filial,
                                               int fornecedor, db::TDateTime data, db::Currency valor,
                                               const std::string& conta) {
    sqlPrevOrc.Close();
    sqlPrevOrcLanc.Close();
    Preparar(sqlPrevOrc, Conexao(), kSqlPrevOrc);
    Preparar(sqlPrevOrcLanc, Conexao(), kSqlPrevOrcLanc);
    return Verificar(sqlPrevOrc, sqlPrevOrcLanc, "T", filial, data, valor, conta, [&](db::Query& q) {
        q.ParamByName("CODCONT").SetAsString(conta);
        q.ParamByName("NUM").SetAsString(titulo);
        q.ParamByName("FIL").SetAsInteger(filial);
        q.ParamByName("ORD").SetAsString(parcela);
        q.ParamByName("FORNEC").SetAsInteger(fornecedor);
        q.Open();
    });
}

bool TdmIBFinanceiro::VerificarOrcamentoPedido(int pedido, int filial, db::TDateTime data, db::Currency valor,
                                               const std::string& conta) {
    sqlPrevOrc.Close();
    sqlPrevOrcLancPed.Close();
    Preparar(sqlPrevOrc, Conexao(), kSqlPrevOrc);
    Preparar(sqlPrevOrcLancPed, Conexao(), kSqlPrevOrcLancPed);
    return Verificar(sqlPrevOrc, sqlPrevOrcLancPed, "P", filial, data, valor, conta, [&](db::Query& q) {
        q.ParamByName("CODCONT").SetAsString(conta);
        q.ParamByName("NUM").SetAsInteger(pedido);
        q.ParamByName("FIL").SetAsInteger(filial);
        q.Open();
    });
}
