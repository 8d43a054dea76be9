// The distribution window on a large database, beside the same statements run directly:
// creation and first show (workshop list and counters) and one ticket lookup. The lookup
// as the operator meets it is the reset (whose emptied product runs the price lookup) and
// the lookup of a whole ticket in "Saída" mode: the ticket's items, the price lookup for
// the product found and the installation name (read by the rule that places the focus);
// the direct side runs those four statements with the same parameters.
// The database is the main database of `pravolt-admin demo DIR --scale N`, folder given in
// PRAVOLT_BENCH_DIR (scripts/bench creates it once). Prints, last:
//   RATIO first-show <window/direct>
//   RATIO lookup <window/direct>
//   MS lookup <median milliseconds>
#include <QApplication>
#include <iostream>
#include <string>

#include "BenchComum.h"
#include "db/Query.h"
#include "distribution/FDistPravolt.h"

using bench::MedianaMs;
using bench::Percorrer;

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    bench::DadosBench dados;
    if (!dados.Abrir()) return 1;
    db::Connection& conn = dados.conn;
    IServicosSistema& srv = *dados.srv;

    // A ticket of the data set.
    std::string prog, ficha;
    {
        db::Query q(conn);
        q.SetSQL("select first 1 PROG_IT, FICHA_IT from ITENSPV order by PROG_IT desc");
        q.Open();
        prog = q.FieldByName("PROG_IT").AsString();
        ficha = q.FieldByName("FICHA_IT").AsString();
    }

    TfrmDistServ* modelo = TfMdiChild::Criar<TfrmDistServ>(nullptr);
    const std::string sqlTerc = modelo->sqlTerc.Text(), sqlAtu = modelo->sqlAtu.Text(),
                      sqlPend = modelo->sqlPend.Text(), sqlProg = modelo->sqlProg.Text(),
                      sqlPreco = modelo->sqlPrecoSer.Text();
    delete modelo;

    const int vezes = 7;
    double janela = MedianaMs(vezes, [&] {
        TfrmDistServ* w = TfMdiChild::Criar<TfrmDistServ>(nullptr);
        w->show();
        QApplication::processEvents();
        delete w;
    });
    // Any message means the window did not do its work: the figures would be meaningless.
    if (!dados.SemMensagens()) return 1;
    double direto = MedianaMs(vezes, [&] {
        const double hoje = plat::ParteData(srv.DataServidor());
        db::Query t(conn), a(conn), p(conn);
        t.SetSQL(sqlTerc);
        Percorrer(t);
        a.SetSQL(sqlAtu);
        int ano, mes, dia;
        plat::DecodeDate(hoje, ano, mes, dia);
        a.ParamByName("DTINI").SetAsDateTime(plat::EncodeDate(ano, mes, 1));
        a.ParamByName("DTFIM").SetAsDateTime(hoje + 86399.0 / 86400.0);
        Percorrer(a);
        p.SetSQL(sqlPend);
        Percorrer(p);
    });

    TfrmDistServ* w = TfMdiChild::Criar<TfrmDistServ>(nullptr);
    w->show();
    QApplication::processEvents();
    double consulta = MedianaMs(31, [&] {
        w->LimpaTela();
        w->edProg->setText(QString::fromStdString(prog));
        w->edFicha->setText(QString::fromStdString(ficha));
        w->edSubF->setText("0000");
        w->LocalizaFicha();
    });
    const auto terc = static_cast<std::int64_t>(w->ceTerc->Value());
    const std::string tipo = w->edTpServ->text().toStdString(), prod = w->edProd->text().toStdString();
    db::Query qp(conn), qpr(conn), qc(conn);
    qp.SetSQL(sqlProg);
    qpr.SetSQL(sqlPreco);
    qc.SetSQL("select NOME_EMPRESA from CONFIG");
    auto preco = [&](const std::string& produto) {
        qpr.ParamByName("TERC").SetAsInteger(terc);
        qpr.ParamByName("PROD").SetAsString(produto);
        qpr.ParamByName("TPSERV").SetAsString(tipo);
        Percorrer(qpr);
    };
    double consultaDireta = MedianaMs(31, [&] {
        preco("");
        const dist::TChaveFicha chave{prog, ficha, "0000"};
        chave.Vincular(qp, nullptr);
        Percorrer(qp);
        preco(prod);
        Percorrer(qc);
    });
    delete w;
    if (!dados.SemMensagens()) return 1;

    std::cout << "first-show window " << janela << " ms, direct " << direto << " ms\n";
    std::cout << "lookup window " << consulta << " ms, direct " << consultaDireta << " ms\n";
    std::cout << "RATIO first-show " << janela / direto << "\n";
    std::cout << "RATIO lookup " << consulta / consultaDireta << "\n";
    std::cout << "MS lookup " << consulta << "\n";
    return 0;
}
