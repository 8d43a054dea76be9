// Recording a dispatch and a return through the save unit on a large database, beside the
// same statements run directly in one transaction.
//
// The rows written use a service type ("BZ") and two sectors ("98" dispatch, "99"
// return) of the benchmark's own, added for the run and removed afterwards with every
// row written, so the data set stays as generated and the run can be repeated. Each save
// is timed alone, in process CPU time (the engine runs in the process, so its work is
// counted; the neighbours on a shared machine and the disk's waits are not), after a few
// saves that warm the caches; figures are medians.
// Prints, last:
//   RATIO save-dispatch <unit/direct>
//   RATIO save-return <unit/direct>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "BenchComum.h"
#include "db/Query.h"
#include "distribution/UDistGravacao.h"

namespace {

const char* const kTipo = "BZ";
const char* const kSetorSaida = "98";
const char* const kSetorRetorno = "99";
constexpr int kAquecimento = 3;           // first saves per path and kind, not counted
constexpr int kVezes = 25 + kAquecimento;  // saves per path and kind

using Ficha = dist::TChaveFicha;

// The benchmark's service type, sectors and offering rows for one workshop; the rows the
// run writes are removed at the start (left by an interrupted run) and at the end.
class Cenario {
public:
    Cenario(db::Connection& c, std::int64_t terc) : conn_(c), terc_(terc) {
        Limpar();
        const std::string t = std::to_string(terc_);
        conn_.ExecSQL(std::string("update or insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('35', '") + kTipo +
                      "', 'BENCH GRAVAR') matching (NUM_TA, COD_TA)");
        for (const char* s : {kSetorSaida, kSetorRetorno})
            conn_.ExecSQL(std::string("update or insert into SETOR (COD_SE, NOME_SE) values ('") + s +
                          "', 'BENCH') matching (COD_SE)");
        // a workshop that lists its types and sectors is offered only those
        if (Conta("select count(*) from EXTERNO_TPSERVICO where TERCEIRIZADO_ET = " + t) > 0)
            conn_.ExecSQL("insert into EXTERNO_TPSERVICO values (" + t + ", '" + kTipo + "')");
        if (Conta("select count(*) from EXTERNO_SETOR where TERCEIRIZADO_ES = " + t) > 0)
            for (const char* s : {kSetorSaida, kSetorRetorno})
                conn_.ExecSQL("insert into EXTERNO_SETOR values (" + t + ", '" + s + "')");
    }
    ~Cenario() {
        try {
            Limpar();
        } catch (const std::exception& e) {
            std::cerr << "cleaning the benchmark's rows failed: " << e.what() << "\n";
        }
    }

private:
    void Limpar() {
        const std::string t = std::to_string(terc_);
        conn_.ExecSQL(std::string("delete from EXTERNO where TP_SERV_EX = '") + kTipo + "'");
        conn_.ExecSQL(std::string("delete from PRODUCAO_SETOR where SETOR_PS in ('") + kSetorSaida + "', '" +
                      kSetorRetorno + "')");
        conn_.ExecSQL(std::string("delete from EXTERNO_TPSERVICO where TP_SERVICO_ET = '") + kTipo + "'");
        conn_.ExecSQL(std::string("delete from EXTERNO_SETOR where SETOR_ES in ('") + kSetorSaida + "', '" +
                      kSetorRetorno + "')");
        conn_.ExecSQL(std::string("delete from SETOR where COD_SE in ('") + kSetorSaida + "', '" + kSetorRetorno + "')");
        conn_.ExecSQL(std::string("delete from TABELA where NUM_TA = '35' and COD_TA = '") + kTipo + "'");
    }
    std::int64_t Conta(const std::string& sql) {
        db::Query q(conn_);
        q.SetSQL(sql);
        q.Open();
        return q.Field(0).AsInteger();
    }
    db::Connection& conn_;
    std::int64_t terc_;
};

// Tickets of the data set that are not split into sub-tickets.
std::vector<Ficha> Fichas(db::Connection& c, int n) {
    db::Query q(c);
    q.SetSQL("select first " + std::to_string(n) +
             " distinct PROG_IT, FICHA_IT from ITENSPV i where not exists (select * from SUBPROD s where "
             "s.PROG_PR = i.PROG_IT and s.FICHA_PR = i.FICHA_IT) order by PROG_IT desc, FICHA_IT");
    std::vector<Ficha> r;
    q.Open();
    for (q.First(); !q.Eof(); q.Next()) r.push_back({q.Field(0).AsString(), q.Field(1).AsString(), "0000"});
    return r;
}

std::int64_t Pares(db::Connection& c, const Ficha& f) {
    db::Query q(c);
    q.SetSQL(
        "select sum(g.QTPED_IT) from ITENSPV i join ITENSPVGRADE g on g.PEDIDO_IT = i.PEDIDO_IT and g.ITEM_IT = "
        "i.ITEM_IT where i.PROG_IT = :PROG and i.FICHA_IT = :FICHA");
    f.Vincular(q, nullptr);
    q.Open();
    return q.Field(0).AsInteger();
}

}  // namespace

int main() {
    bench::DadosBench dados;
    if (!dados.Abrir()) return 1;
    db::Connection& conn = dados.conn;

    std::int64_t terc = 0;
    {
        db::Query q(conn);
        q.SetSQL("select first 1 COD_BA from TERCEIRIZADO where ATIVO_BA = 'S' order by COD_BA");
        q.Open();
        terc = q.Field(0).AsInteger();
    }
    std::vector<Ficha> fichas = Fichas(conn, 2 * kVezes);
    if (fichas.size() < 2u * kVezes) {
        std::cerr << "The data set has too few tickets\n";
        return 1;
    }
    std::int64_t externos = 0;
    {
        db::Query q(conn);
        q.SetSQL("select count(*) from EXTERNO");
        q.Open();
        externos = q.Field(0).AsInteger();
    }
    Cenario cenario(conn, terc);

    // The installation's switches and name, read once as the window reads them.
    const dist::TRegrasGravacao regras = dist::TRegrasGravacao::Ler(*dados.srv);
    const double data = plat::ParteData(dados.srv->DataServidor());
    auto pedido = [&](bool saida, const Ficha& f, std::int64_t pares) {
        dist::TPedidoGravacao p;
        p.saida = saida;
        p.terceirizado = terc;
        p.tipoServico = kTipo;
        p.setor = saida ? kSetorSaida : kSetorRetorno;
        p.ficha = f;
        p.data = data;
        p.pares = pares;
        p.momento = plat::Agora();
        return p;
    };

    // ---- the same statements, directly, in one transaction --------------------------
    auto progresso = [&](db::Transaction& tr, const dist::TPedidoGravacao& p) {
        db::Query ps(conn);
        ps.SetTransaction(&tr);
        ps.SetSQL(dist::kSqlProdSetor);
        p.ficha.Vincular(ps);
        ps.ParamByName("SETOR").SetAsString(p.setor);
        ps.Open();
        const bool existe = !ps.Eof();
        ps.Close();
        db::Query q(conn);
        q.SetTransaction(&tr);
        q.SetSQL(dist::SqlProducaoSetor(existe, regras.parametros.baixaSetorEntrada && p.saida));
        p.ficha.Vincular(q);
        q.ParamByName("SETOR").SetAsString(p.setor);
        q.ParamByName("DT").SetAsDateTime(data);
        q.ParamByName("HORA").SetAsString(plat::FormatDateTime("hh:nn", p.momento));
        q.ParamByName("QTDE").SetAsInteger(p.pares);
        q.ExecSQL();
    };
    auto verificar = [&](db::Transaction& tr, const dist::TPedidoGravacao& p) {
        db::Query q(conn);
        q.SetTransaction(&tr);
        q.SetSQL(dist::kSqlExterno);
        q.ParamByName("TPSERV").SetAsString(kTipo);
        p.ficha.Vincular(q);
        bench::Percorrer(q);
    };
    auto saidaDireta = [&](const dist::TPedidoGravacao& p) {
        db::Transaction tr = conn.StartTransaction();
        verificar(tr, p);
        db::Query ins(conn);
        ins.SetTransaction(&tr);
        ins.SetSQL(dist::kSqlIncluiExterno);
        ins.ParamByName("TERC").SetAsInteger(terc);
        ins.ParamByName("TPSERV").SetAsString(kTipo);
        p.ficha.Vincular(ins);
        ins.ParamByName("SAIDA").SetAsDateTime(data);
        ins.ParamByName("VALOR").SetAsCurrency(p.preco);
        ins.ParamByName("QTDE").SetAsInteger(p.pares);
        ins.ParamByName("OBS").SetAsString(p.observacao);
        ins.ParamByName("SETOR").SetAsString(p.setor);
        ins.ExecSQL();
        progresso(tr, p);
        tr.Commit();
    };
    auto retornoDireto = [&](const dist::TPedidoGravacao& p) {
        db::Transaction tr = conn.StartTransaction();
        verificar(tr, p);
        db::Query upd(conn);
        upd.SetTransaction(&tr);
        upd.SetSQL(dist::SqlRetornoExterno(true));
        upd.ParamByName("RET").SetAsDateTime(data);
        upd.ParamByName("SETOR").SetAsString(p.setor);
        upd.ParamByName("TERC").SetAsInteger(terc);
        upd.ParamByName("TPSERV").SetAsString(kTipo);
        p.ficha.Vincular(upd);
        if (upd.ExecSQL() != 1) throw std::runtime_error("the direct return found no dispatch");
        progresso(tr, p);
        tr.Commit();
    };

    // ---- side by side: a save through the unit and one directly ----------------------
    // (alternating, so both meet the same state of the database and of the disk)
    std::vector<double> tSaida, tRetorno, dSaida, dRetorno;
    std::string recusa;
    for (int modo = 0; modo < 2 && recusa.empty(); ++modo) {
        const bool saida = modo == 0;
        for (int i = 0; i < kVezes && recusa.empty(); ++i) {
            const dist::TPedidoGravacao unidade = pedido(saida, fichas[i], Pares(conn, fichas[i]));
            const dist::TPedidoGravacao direto = pedido(saida, fichas[kVezes + i], Pares(conn, fichas[kVezes + i]));
            dist::TResultadoGravacao r;
            auto pelaUnidade = [&] {
                const double ms = bench::CronometrarCpu([&] { r = dist::Gravar(conn, regras, unidade); });
                if (i >= kAquecimento) (saida ? tSaida : tRetorno).push_back(ms);
                if (!r.Gravado()) recusa = r.Mensagem();
            };
            auto diretamente = [&] {
                const double ms = bench::CronometrarCpu([&] { saida ? saidaDireta(direto) : retornoDireto(direto); });
                if (i >= kAquecimento) (saida ? dSaida : dRetorno).push_back(ms);
            };
            // each path goes first every other time, so neither pays for what the other left
            if (i % 2 == 0) pelaUnidade(), diretamente();
            else diretamente(), pelaUnidade();
        }
    }
    if (!recusa.empty() || !dados.SemMensagens()) {
        std::cerr << "The unit did not record every ticket: " << recusa << "\n";
        return 1;
    }

    // both paths wrote the same rows: a dispatch and its return for every ticket, and a
    // progress row for each
    {
        db::Query q(conn);
        q.SetSQL(std::string("select (select count(*) from EXTERNO where TP_SERV_EX = '") + kTipo +
                 "' and RETORNO_EX is not null and SETOR_ENT_EX = '" + kSetorRetorno +
                 "'), (select count(*) from PRODUCAO_SETOR where SETOR_PS in ('" + kSetorSaida + "', '" +
                 kSetorRetorno + "')) from RDB$DATABASE");
        q.Open();
        if (q.Field(0).AsInteger() != 2 * kVezes || q.Field(1).AsInteger() != 4 * kVezes) {
            std::cerr << "Rows written: " << q.Field(0).AsInteger() << " returned dispatches, " << q.Field(1).AsInteger()
                      << " progress rows; expected " << 2 * kVezes << " and " << 4 * kVezes << "\n";
            return 1;
        }
    }

    const double unidadeSaida = bench::Mediana(tSaida), unidadeRetorno = bench::Mediana(tRetorno);
    const double diretoSaida = bench::Mediana(dSaida), diretoRetorno = bench::Mediana(dRetorno);
    std::cout << "EXTERNO rows " << externos << "; " << kVezes - kAquecimento
              << " saves of each kind per path (CPU time)\n";
    std::cout << "save-dispatch unit " << unidadeSaida << " ms, direct " << diretoSaida << " ms\n";
    std::cout << "save-return unit " << unidadeRetorno << " ms, direct " << diretoRetorno << " ms\n";
    std::cout << "RATIO save-dispatch " << unidadeSaida / diretoSaida << "\n";
    std::cout << "RATIO save-return " << unidadeRetorno / diretoRetorno << "\n";
    return 0;
}
