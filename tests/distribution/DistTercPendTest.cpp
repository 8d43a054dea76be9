// The pending list of a workshop: what it reads, its order, filter and totals, the CSV
// read back by Python's csv module, the PDF read back by pdftotext, the dispatch slip,
// and the window opened from the distribution window's grid.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>

#include "BancoDistribuicao.h"
#include "distribution/FDistPravolt.h"
#include "distribution/FDistTercPend.h"
#include "distribution/UDistTercPend.h"
#include "platform/Mensagens.h"
#include "shell/USistema.h"
#include "support/ServicosDeTeste.h"

using namespace dist;
using plat::EncodeDate;
namespace fs = std::filesystem;

namespace {

// Standard output of a command.
std::string Saida(const std::string& comando) {
    std::string r;
    if (FILE* f = popen(comando.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) r.append(buf, n);
        pclose(f);
    }
    return r;
}

// The text of a PDF, laid out (pdftotext, Debian's poppler-utils).
std::string TextoPdf(const std::string& caminho) {
    EXPECT_EQ(std::system("command -v pdftotext >/dev/null"), 0) << "pdftotext missing: run scripts/deps";
    return Saida("pdftotext -layout '" + caminho + "' -");
}

// The rows of a CSV file as Python's csv module reads them.
nlohmann::json LerCsv(const std::string& caminho) {
    const std::string py =
        "import csv, json, sys\n"
        "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
        "    print(json.dumps(list(csv.reader(f, delimiter=';'))))\n";
    return nlohmann::json::parse(Saida("python3 -c \"" + py + "\" '" + caminho + "'"));
}

// The error of `gravar` ("" when it wrote). In a child process: as an ordinary user when
// `comoUsuario` (root writes anywhere, so that folder permissions count), with files limited
// to `limite` bytes (a disk that fills up).
std::string ErroAoGravar(const std::function<void()>& gravar, bool comoUsuario,
                         rlim_t limite = RLIM_INFINITY) {
    int canal[2];
    if (pipe(canal) != 0) return "pipe";
    const pid_t filho = fork();
    if (filho == 0) {
        close(canal[0]);
        std::string r;
        signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit fails with EFBIG instead
        const rlimit lim{limite, limite};
        if (comoUsuario && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            r = "setuid";
        else if (limite != RLIM_INFINITY && setrlimit(RLIMIT_FSIZE, &lim) != 0)
            r = "setrlimit";
        else
            try {
                gravar();
            } catch (const EGravacaoArquivo& e) {
                r = e.what();
            }
        if (write(canal[1], r.data(), r.size()) < 0) _exit(2);
        _exit(0);
    }
    close(canal[1]);
    std::string r;
    char buf[512];
    for (ssize_t n; (n = read(canal[0], buf, sizeof buf)) > 0;) r.append(buf, static_cast<std::size_t>(n));
    close(canal[0]);
    waitpid(filho, nullptr, 0);
    return r;
}

// Processes events until `feito` holds (a mnemonic clicks its button after a short delay).
bool Esperar(const std::function<bool()>& feito) {
    QDeadlineTimer limite(5000);
    while (!feito() && !limite.hasExpired()) QTest::qWait(10);
    return feito();
}

// The same text with every run of blanks as one blank (pdftotext spaces words by position).
std::string Espacos(const std::string& t) {
    std::string r;
    for (char c : t)
        if (!(c == ' ' && !r.empty() && r.back() == ' ')) r += c;
    return r;
}

// Runs `passo` on the first visible top-level widget named `nome` once it shows.
void AoAbrir(const QString& nome, std::function<void(QWidget*)> passo) {
    auto* t = new QTimer;
    QObject::connect(t, &QTimer::timeout, [t, nome, passo] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->objectName() == nome) {
                t->stop();
                t->deleteLater();
                passo(w);
                return;
            }
    });
    t->start(10);
}

class DistTercPend : public SuiteBancoDistribuicao {
protected:

    void SetUp() override {
        std::ofstream(config_.filePath("Parametros.ini").toStdString()) << "[Banco]\nBanco=FireBird\n";
        TSistema::DefinirDiretorioConfiguracao(config_.path().toStdString());
        for (const char* t : {"EXTERNO", "PRODUCAO_SETOR", "CONFIG"})
            banco->Exec(std::string("delete from ") + t);
        banco->Exec("delete from TERCEIRIZADO where COD_BA >= 9");
        banco->Exec("delete from TABELA where NUM_TA = '35' and COD_TA = 'Q'");
        banco->Exec("insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('35', 'Q', 'COSTURA; \"FINA\"')");
        banco->Exec("insert into CONFIG values ('CALÇADOS ÁGUIA')");
        srv = std::make_unique<ServicosDeTeste>(banco->Conn());
        srv->agora = hoje + 10.5 / 24;  // Wednesday 13 March 2024: overdue before the 6th
        // ALFA: open of the 5th (overdue), the 6th, today; one returned; GAMA's not ALFA's
        Despacho(1, "B", "000120", "0001", "0000", "'2024-03-05'", "null", 24, "12.5", "'02'");
        Despacho(1, "P", "000130", "0002", "0000", "'2024-03-06'", "null", 12, "2.35");
        Despacho(1, "Q", "000110", "0003", "0001", "'2024-03-13'", "null", 3, "2.3333");
        Despacho(1, "B", "000100", "0004", "0000", "'2024-03-01'", "'2024-03-08'", 50);
        Despacho(4, "B", "000140", "0005", "0000", "'2024-03-13'", "null", 7);
    }

    void TearDown() override {
        TfrmDistTercPend::EscolherArquivo = nullptr;
        QList<QPointer<TfMdiChild>> janelas;
        for (QWidget* j : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<TfMdiChild*>(j)) janelas << f;
        for (const auto& j : janelas) delete j.data();
        srv.reset();
        DestruirSistema();
        TSistema::DefinirDiretorioConfiguracao("");
    }

    static void Despacho(int terc, const std::string& tipo, const std::string& prog, const std::string& ficha,
                         const std::string& sub, const std::string& saida, const std::string& retorno,
                         int qtde, const std::string& valor = "1", const std::string& setor = "null") {
        banco->Exec(
            "insert into EXTERNO (TERCEIRIZADO_EX, TP_SERV_EX, PROG_EX, FICHA_EX, SUBFICHA_EX, SAIDA_EX, "
            "RETORNO_EX, VALOR_EX, QTDE_EX, SETOR_SAI_EX) values (" +
            std::to_string(terc) + ", '" + tipo + "', '" + prog + "', '" + ficha + "', '" + sub + "', " +
            saida + ", " + retorno + ", " + valor + ", " + std::to_string(qtde) + ", " + setor + ")");
    }

    TfrmDistTercPend* AbrirLista(std::int64_t terc) {
        TfrmDistTercPend* l = TfrmDistTercPend::Abrir(nullptr, terc);
        QApplication::setActiveWindow(l);
        EXPECT_TRUE(QTest::qWaitForWindowActive(l));
        return l;
    }
    static std::vector<std::string> Coluna(const TfrmDistTercPend& l, ColunaPend c) {
        std::vector<std::string> r;
        for (int i = 0; i < l.mdlPend->rowCount(); ++i)
            r.push_back(l.mdlPend->index(i, static_cast<int>(c)).data().toString().toStdString());
        return r;
    }

    static inline const plat::TDateTime hoje = EncodeDate(2024, 3, 13);
    std::unique_ptr<ServicosDeTeste> srv;
    plat::GravadorMensagens msgs;
    QTemporaryDir config_, pasta_;
};


}  // namespace

// ---- rules -------------------------------------------------------------------------

TEST(DistTercPendRegras, WeekdaysOutAndTheOverdueCutOffOfThePendingCheck) {
    struct Caso {
        plat::TDateTime hoje, saida;
        int dias;
        bool atrasada;
    } casos[] = {
        {EncodeDate(2024, 3, 13), EncodeDate(2024, 3, 5), 6, true},  // Wednesday: cut-off the 6th
        {EncodeDate(2024, 3, 13), EncodeDate(2024, 3, 6), 5, false},
        {EncodeDate(2024, 3, 13), EncodeDate(2024, 3, 12) + 0.75, 1, false},
        {EncodeDate(2024, 3, 13), EncodeDate(2024, 3, 14), 0, false},  // dated after today
        {EncodeDate(2024, 3, 11), EncodeDate(2024, 3, 1), 6, true},    // Monday: cut-off Monday the 4th
        {EncodeDate(2024, 3, 11), EncodeDate(2024, 3, 9), 1, false},   // a Saturday dispatch
        {EncodeDate(2024, 3, 16), EncodeDate(2024, 3, 8), 5, true},    // Saturday: cut-off Monday the 11th
        {EncodeDate(2024, 3, 16), EncodeDate(2024, 3, 11), 4, false},
        {EncodeDate(2025, 1, 6), EncodeDate(2023, 12, 29), 266, true},  // across years
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(plat::FormatDateTime("dd/mm/yyyy", c.hoje) + " " +
                     plat::FormatDateTime("dd/mm/yyyy", c.saida));
        EXPECT_EQ(DiasUteisEntre(c.saida, c.hoje + 0.4), c.dias);
        EXPECT_EQ(c.saida < CorteAtraso(c.hoje + 0.4), c.atrasada);
    }
}

TEST(DistTercPendRegras, CsvFieldsAreQuotedOnlyWhenTheyNeedIt) {
    const std::pair<std::string, std::string> casos[] = {
        {"PESPONTO", "PESPONTO"},
        {"A;B", "\"A;B\""},
        {"diz \"oi\"", "\"diz \"\"oi\"\"\""},
        {"duas\nlinhas", "\"duas\nlinhas\""},
        {" recuo", "\" recuo\""},
        {"", ""},
        {"Ação", "Ação"},
    };
    for (const auto& [texto, esperado] : casos) EXPECT_EQ(CampoCsv(texto), esperado) << texto;
}

// ---- reading -----------------------------------------------------------------------

TEST_F(DistTercPend, ReadsTheOpenDispatchesOfTheWorkshopOldestFirst) {
    const TListaPendencias l = CarregarPendencias(banco->Conn(), 1, hoje + 0.4);
    ASSERT_TRUE(l.existe);
    EXPECT_EQ(l.terc.nome, "ALFA");
    EXPECT_EQ(l.corte, EncodeDate(2024, 3, 6));
    ASSERT_EQ(l.linhas.size(), 3u);  // neither the returned one nor GAMA's
    const std::vector<std::pair<ColunaPend, std::vector<std::string>>> esperado = {
        {ColunaPend::Prog, {"000120", "000130", "000110"}},
        {ColunaPend::SubFicha, {"0000", "0000", "0001"}},
        {ColunaPend::TipoServico, {"B - BORDADO", "P - PESPONTO", "Q - COSTURA; \"FINA\""}},
        {ColunaPend::Setor, {"02", "", ""}},
        {ColunaPend::Saida, {"05/03/2024", "06/03/2024", "13/03/2024"}},
        {ColunaPend::DiasUteis, {"6", "5", "0"}},
        {ColunaPend::Preco, {"12,5000", "2,3500", "2,3333"}},
        {ColunaPend::Valor, {"300,00", "28,20", "7,00"}},
    };
    for (const auto& [coluna, textos] : esperado)
        for (std::size_t i = 0; i < textos.size(); ++i)
            EXPECT_EQ(TextoColunaPend(l.linhas[i], coluna), textos[i])
                << TituloColunaPend(coluna) << " " << i;
    EXPECT_TRUE(l.linhas[0].atrasada);
    EXPECT_FALSE(l.linhas[1].atrasada);
    // totals exact: 300 + 28.20 + 6.9999
    const TTotaisPend t = Totalizar(l.linhas, FiltrarPendencias(l.linhas, ""));
    EXPECT_EQ(t.valor, plat::Dinheiro::FromRaw(3351999));
    EXPECT_EQ(TextoTotais(t), "Fichas: 3   Atrasadas: 1   Pares: 39   Valor: 335,20");

    const TListaPendencias nenhum = CarregarPendencias(banco->Conn(), 2, hoje);
    EXPECT_TRUE(nenhum.existe);
    EXPECT_TRUE(nenhum.linhas.empty());
    EXPECT_FALSE(CarregarPendencias(banco->Conn(), 77, hoje).existe);

    // rows the engine's collation orders otherwise ("€" is 0x80 in Windows-1252): the list's
    // own order, the one a title click gives
    for (const char* prog : {"€00001", "Ã00001", "000001"})
        Despacho(2, "B", prog, "0001", "0000", "'2024-03-12'", "null", 1);
    std::vector<std::string> progs;
    for (const auto& p : CarregarPendencias(banco->Conn(), 2, hoje).linhas) progs.push_back(p.prog);
    EXPECT_EQ(progs, (std::vector<std::string>{"000001", "Ã00001", "€00001"}));
}

TEST_F(DistTercPend, SortsByAnyColumnAndFiltersByServiceType) {
    const TListaPendencias l = CarregarPendencias(banco->Conn(), 1, hoje);
    auto progs = [&](const std::vector<std::size_t>& idx) {
        std::vector<std::string> r;
        for (auto i : idx) r.push_back(l.linhas[i].prog);
        return r;
    };
    const struct {
        ColunaPend coluna;
        bool crescente;
        std::vector<std::string> esperado;
    } casos[] = {
        {ColunaPend::Prog, true, {"000110", "000120", "000130"}},
        {ColunaPend::Pares, false, {"000120", "000130", "000110"}},
        {ColunaPend::Valor, true, {"000110", "000130", "000120"}},
        {ColunaPend::Setor, false, {"000120", "000130", "000110"}},  // blanks tie: oldest first
        {ColunaPend::Saida, false, {"000110", "000130", "000120"}},
    };
    for (const auto& c : casos) {
        auto idx = FiltrarPendencias(l.linhas, "");
        OrdenarPendencias(idx, l.linhas, c.coluna, c.crescente);
        EXPECT_EQ(progs(idx), c.esperado) << TituloColunaPend(c.coluna);
    }
    EXPECT_EQ(progs(FiltrarPendencias(l.linhas, "P")), std::vector<std::string>{"000130"});
    const auto tipos = TiposPresentes(l.linhas);
    ASSERT_EQ(tipos.size(), 3u);
    EXPECT_EQ(tipos[2].codigo, "Q");
    EXPECT_EQ(tipos[2].linhas, 1u);
}

// ---- files ---------------------------------------------------------------------------

TEST_F(DistTercPend, CsvReadBackByAParserMatchesTheRowsShown) {
    TfrmDistTercPend* l = AbrirLista(1);
    const std::string arquivo = pasta_.filePath("pendências.csv").toStdString();
    TfrmDistTercPend::EscolherArquivo = [&](QWidget*, const std::string&, const std::string& sugestao,
                                            const std::string&) {
        EXPECT_NE(sugestao.find("Pendencias-001-2024-03-13.csv"), std::string::npos);
        return arquivo;
    };
    l->dbgPend->horizontalHeader()->setSortIndicator(static_cast<int>(ColunaPend::Prog), Qt::AscendingOrder);
    QTest::keyClick(l->dbgPend, 'x', Qt::AltModifier);  // "E&xportar"
    ASSERT_TRUE(Esperar([&] { return !msgs.registro.empty(); }));
    ASSERT_EQ(msgs.Textos(), std::vector<std::string>{"Lista exportada para \"" + arquivo + "\"."});
    std::ifstream in(arquivo, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(bytes.find("Valor\r\n"), std::string::npos);
    const nlohmann::json linhas = LerCsv(arquivo);
    const nlohmann::json esperado = {
        {"Programação", "Ficha", "Sub-ficha", "Tipo de Serviço", "Descrição do Tipo", "Setor", "Data Saída",
         "Dias Úteis", "Atrasada", "Pares", "Preço por Par", "Valor"},
        {"000110", "0003", "0001", "Q", "COSTURA; \"FINA\"", "", "13/03/2024", "0", "Não", "3", "2,3333",
         "7,00"},
        {"000120", "0001", "0000", "B", "BORDADO", "02", "05/03/2024", "6", "Sim", "24", "12,5000", "300,00"},
        {"000130", "0002", "0000", "P", "PESPONTO", "", "06/03/2024", "5", "Não", "12", "2,3500", "28,20"},
    };
    EXPECT_EQ(linhas, esperado);
    // nothing else left in the folder
    EXPECT_EQ(QDir(pasta_.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(DistTercPend, ExportThatCannotBeWrittenNamesTheFolderAndLeavesNothing) {
    TfrmDistTercPend* l = AbrirLista(2);  // no open dispatch: header only, still exported
    const std::string vazio = pasta_.filePath("vazio.csv").toStdString();
    std::string destino = vazio;
    TfrmDistTercPend::EscolherArquivo = [&](QWidget*, auto&, auto&, auto&) { return destino; };
    l->btExportar->click();
    EXPECT_EQ(LerCsv(vazio).size(), 1u);
    EXPECT_EQ(l->lbTotais->text().toStdString(), "Fichas: 0   Atrasadas: 0   Pares: 0   Valor: 0,00");

    const std::string semPasta = pasta_.filePath("não há").toStdString();
    const std::string ehPasta = pasta_.filePath("ocupado.csv").toStdString();
    fs::create_directory(ehPasta);
    const struct {
        std::string destino, texto;
    } casos[] = {
        {semPasta + "/x.csv",
         "Não foi possível gravar o arquivo \"x.csv\" na pasta \"" + semPasta + "\": a pasta não existe."},
        // written whole, then refused at the rename: the work file goes too
        {ehPasta, "Não foi possível gravar o arquivo \"ocupado.csv\" na pasta \"" +
                      pasta_.path().toStdString() + "\": já existe uma pasta com esse nome."},
    };
    for (const auto& c : casos) {
        msgs.Limpar();
        destino = c.destino;
        l->btExportar->click();
        ASSERT_EQ(msgs.registro.size(), 1u);
        EXPECT_EQ(msgs.registro[0].tipo, plat::TipoMensagem::Erro);
        EXPECT_EQ(msgs.registro[0].texto, c.texto);
    }

    // a folder without write permission (root writes anywhere: tried as an ordinary user)
    const std::string trancada = pasta_.filePath("trancada").toStdString();
    fs::create_directory(trancada);
    fs::permissions(trancada, fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(pasta_.path().toStdString(), fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::add);
    EXPECT_EQ(ErroAoGravar([&] { GravarArquivo(trancada + "/x.csv", "x"); }, true),
              "Não foi possível gravar o arquivo \"x.csv\" na pasta \"" + trancada +
                  "\": sem permissão de escrita.");
    EXPECT_EQ(QDir(pasta_.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // vazio.csv only
    EXPECT_TRUE(fs::is_empty(ehPasta));
}

TEST_F(DistTercPend, PdfOfTheListHasCompanyWorkshopRowsTotalsAndPageNumbers) {
    TfrmDistTercPend* l = AbrirLista(1);
    const std::string pdf = pasta_.filePath("lista.pdf").toStdString();
    SalvarPdf(l->Relatorio(), pdf);
    const std::string texto = Espacos(TextoPdf(pdf));
    for (const char* t : {"CALÇADOS ÁGUIA", "Pendências do Terceirizado", "Terceirizado: 001 - ALFA",
                          "Emitido em 13/03/2024 10:30", "Programação Ficha Sub-ficha Tipo de Serviço Setor",
                          "000120 0001 0000 B - BORDADO 02 05/03/2024", "300,00",
                          "Fichas: 3 Atrasadas: 1 Pares: 39 Valor: 335,20", "Página 1 de 1",
                          "* Atrasada: saída anterior a 06/03/2024"})
        EXPECT_NE(texto.find(t), std::string::npos) << t << "\n" << texto;
    // the overdue row is marked on paper too
    auto linha = [&](const std::string& prog) {
        return texto.substr(texto.find(prog), texto.find('\n', texto.find(prog)) - texto.find(prog));
    };
    EXPECT_NE(linha("000120").find('*'), std::string::npos);
    EXPECT_EQ(linha("000130").find('*'), std::string::npos);

    // a long list runs over pages; every page numbered, the totals once, at the end
    TRelatorio longo = l->Relatorio();
    for (int i = 0; i < 150; ++i) {
        longo.linhas.push_back(longo.linhas.front());
        longo.linhas.back()[0] = "L" + std::to_string(1000 + i);
        longo.destaque.push_back(false);
    }
    SalvarPdf(longo, pdf);
    const std::string paginas = TextoPdf(pdf);
    const auto de = paginas.find("Página 1 de ");
    ASSERT_NE(de, std::string::npos);
    const int n = std::atoi(paginas.c_str() + de + std::string("Página 1 de ").size());
    EXPECT_GE(n, 2);
    EXPECT_NE(paginas.find("Página " + std::to_string(n) + " de " + std::to_string(n)), std::string::npos);
    EXPECT_NE(paginas.find("L1149"), std::string::npos);
    EXPECT_EQ(paginas.find("Fichas:"), paginas.rfind("Fichas:"));
    EXPECT_GT(paginas.find("Fichas:"), paginas.find("L1149"));

    // a disk that fills up while the PDF is written: the file kept as it was, nothing left
    const std::string antes = TextoPdf(pdf);
    EXPECT_EQ(ErroAoGravar([&] { SalvarPdf(longo, pdf); }, false, 8192),
              "Não foi possível gravar o arquivo \"lista.pdf\" na pasta \"" + pasta_.path().toStdString() +
                  "\": o arquivo ficou incompleto (falta espaço no disco ou houve erro de gravação).");
    EXPECT_EQ(TextoPdf(pdf), antes);
    EXPECT_EQ(QDir(pasta_.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(DistTercPend, DispatchSlipOfADayWithProductsTotalsAndSignatures) {
    Despacho(1, "P", "123456", "0007", "0001", "'2024-03-13 00:00:00'", "'2024-03-13'", 30, "2.35");
    Despacho(1, "B", "12/345", "0001", "0000", "'2024-03-12'", "null", 8);
    const TRomaneio r = CarregarRomaneio(banco->Conn(), 1, hoje + 0.9);
    ASSERT_EQ(r.itens.size(), 2u);  // the day's, returned or not
    EXPECT_EQ(r.itens[1].prog, "123456");
    EXPECT_EQ(r.itens[1].produto, "PR01");
    EXPECT_EQ(r.itens[1].padronizacao, "001 - PRETO");
    EXPECT_EQ(r.itens[0].padronizacao, "");  // no order item for programme 000110

    TfrmDistTercPend* l = AbrirLista(1);
    std::string previa;
    AoAbrir("frmDiaRomaneio", [](QWidget* d) {
        EXPECT_EQ(d->findChild<QDateEdit*>("deDia")->date(), QDate(2024, 3, 13));  // the server's day
        QTest::keyClick(d->findChild<QDateEdit*>("deDia"), Qt::Key_Return);
    });
    AoAbrir("frmVisualizar", [&](QWidget* d) {
        previa = d->windowTitle().toStdString();
        EXPECT_EQ(d->findChild<QPrintPreviewWidget*>()->pageCount(), 1);
        static_cast<QDialog*>(d)->reject();
    });
    QTest::keyClick(l->dbgPend, 'r', Qt::AltModifier);  // "&Romaneio"
    ASSERT_TRUE(Esperar([&] { return !previa.empty(); }));
    EXPECT_EQ(previa, "Visualizar Impressão - Romaneio de Saída - Serviços Externos");
    EXPECT_TRUE(msgs.registro.empty()) << msgs.Textos().front();

    const std::string pdf = pasta_.filePath("romaneio.pdf").toStdString();
    SalvarPdf(RelatorioRomaneio(r, "CALÇADOS ÁGUIA", hoje + 0.5), pdf);
    const std::string texto = Espacos(TextoPdf(pdf));
    for (const char* t :
         {"CALÇADOS ÁGUIA", "Romaneio de Saída", "Terceirizado: 001 - ALFA", "Dia: 13/03/2024", "PR01",
          "001 - PRETO", "P - PESPONTO", "70,50", "Fichas: 2 Pares: 33 Valor: 77,50", "Entregue por",
          "Recebido por", "Data: ____/____/________"})
        EXPECT_NE(texto.find(t), std::string::npos) << t << "\n" << texto;

    // a day without dispatches: said so, nothing to print
    AoAbrir("frmDiaRomaneio", [](QWidget* d) {
        d->findChild<QDateEdit*>("deDia")->setDate(QDate(2024, 3, 10));
        static_cast<QDialog*>(d)->accept();
    });
    l->btRomaneio->click();
    EXPECT_EQ(msgs.Textos(),
              std::vector<std::string>{"Não há saídas do terceirizado 001 - ALFA em 10/03/2024."});
}

// ---- the window ----------------------------------------------------------------------

TEST_F(DistTercPend, OpenedFromTheGridFollowsSavesFiltersSortsAndRefreshes) {
    TfrmDistServ* d = TfMdiChild::Criar<TfrmDistServ>(nullptr);
    frmDistServ = d;
    QApplication::setActiveWindow(d);
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    int alfa = -1;
    for (int i = 0; i < d->dbgTerc->rowCount(); ++i)
        if (d->dbgTerc->item(i, 1)->text() == "ALFA") alfa = i;
    d->dbgTerc->setFocus();
    d->dbgTerc->setCurrentCell(alfa, 1);
    QTest::keyClick(d->dbgTerc, Qt::Key_F3);
    TfrmDistTercPend* l = TfrmDistTercPend::Aberta(1);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->windowTitle().toStdString(), "Pendências do Terceirizado 001 - ALFA");
    EXPECT_EQ(l->Totais().pares, 39);  // the grid's "Qtde Pendente"
    EXPECT_EQ(d->dbgTerc->item(alfa, 5)->text(), "39");
    EXPECT_EQ(Coluna(*l, ColunaPend::Prog), (std::vector<std::string>{"000120", "000130", "000110"}));
    EXPECT_EQ(l->mdlPend->index(0, 0).data(Qt::BackgroundRole).value<QBrush>().color(),
              QColor(255, 205, 205));
    EXPECT_FALSE(l->mdlPend->index(1, 0).data(Qt::BackgroundRole).isValid());

    // the same workshop again (a double-click): the same window, read again
    const int antes = l->Carregamentos();
    emit d->dbgTerc->cellDoubleClicked(alfa, 0);
    EXPECT_EQ(TfrmDistTercPend::Aberta(1), l);
    EXPECT_EQ(l->Carregamentos(), antes + 1);
    l->WMSysCommand(TfMdiChild::SC_MINIMIZE);  // minimised: restored, not opened twice
    ASSERT_FALSE(l->isVisible());
    EXPECT_EQ(TfrmDistTercPend::Abrir(nullptr, 1), l);
    EXPECT_TRUE(l->isVisible());

    // a save for the workshop reads the list again
    srv->agora = EncodeDate(2024, 3, 15) + 0.5;
    d->deData->setDate(QDate(2024, 3, 15));
    d->ceTerc->SetEscalado(1);
    d->edTpServ->setText("P");
    d->edProg->setText("123456");
    d->edFicha->setText("0007");
    d->edSubF->setText("0000");
    d->LocalizaFicha();
    d->btGravar->click();
    ASSERT_TRUE(msgs.registro.empty()) << msgs.Textos().front();
    EXPECT_EQ(Coluna(*l, ColunaPend::Prog),
              (std::vector<std::string>{"000120", "000130", "000110", "123456"}));
    EXPECT_EQ(l->lbTotais->text().toStdString(), "Fichas: 4   Atrasadas: 2   Pares: 159   Valor: 617,20");

    // filter by service type, then a title click sorts what is shown
    l->cbTpServ->setCurrentIndex(l->cbTpServ->findData("P"));
    EXPECT_EQ(l->cbTpServ->currentText().toStdString(), "P - PESPONTO (2)");
    EXPECT_EQ(l->lbTotais->text().toStdString(), "Fichas: 2   Atrasadas: 1   Pares: 132   Valor: 310,20");
    QTest::mouseClick(l->dbgPend->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(l->dbgPend->horizontalHeader()->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(Coluna(*l, ColunaPend::Prog), (std::vector<std::string>{"000130", "123456"}));
    QTest::mouseClick(l->dbgPend->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(l->dbgPend->horizontalHeader()->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(Coluna(*l, ColunaPend::Prog), (std::vector<std::string>{"123456", "000130"}));
    // F5 reads again; filter and order stay
    Despacho(1, "P", "000999", "0001", "0000", "'2024-03-14'", "null", 1);
    QApplication::setActiveWindow(l);
    ASSERT_TRUE(QTest::qWaitForWindowActive(l));
    l->dbgPend->setFocus();
    QTest::keyClick(l->dbgPend, Qt::Key_F5);
    EXPECT_EQ(Coluna(*l, ColunaPend::Prog), (std::vector<std::string>{"123456", "000999", "000130"}));
    // a title "click" from the keyboard: Ctrl+O on a cell of the column
    l->dbgPend->setCurrentIndex(l->mdlPend->index(0, static_cast<int>(ColunaPend::Pares)));
    QTest::keyClick(l->dbgPend, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Coluna(*l, ColunaPend::Pares), (std::vector<std::string>{"1", "12", "120"}));
    EXPECT_EQ(l->dbgPend->currentIndex().row(), 2);  // the current row follows its row
    QTest::keyClick(l->dbgPend, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Coluna(*l, ColunaPend::Pares), (std::vector<std::string>{"120", "12", "1"}));
    EXPECT_EQ(l->dbgPend->currentIndex().row(), 0);
    EXPECT_TRUE(msgs.registro.empty()) << msgs.Textos().front();
    delete d;
}

TEST_F(DistTercPend, RemovedWorkshopDatabaseErrorAndPrintPreviewOfAnEmptyList) {
    banco->Exec("insert into TERCEIRIZADO values (9, 'DELTA', null, null, 'S')");
    TfrmDistTercPend* l = AbrirLista(9);
    EXPECT_EQ(l->Lista().linhas.size(), 0u);
    // an empty list prints too: previewed, saved as PDF from the preview (Ctrl+S)
    const std::string pdf = pasta_.filePath("vazia.pdf").toStdString();
    TfrmDistTercPend::EscolherArquivo = [&](QWidget*, auto&, auto&, auto&) { return pdf; };
    int paginas = 0;
    AoAbrir("frmVisualizar", [&](QWidget* d) {
        paginas = d->findChild<QPrintPreviewWidget*>()->pageCount();
        QApplication::setActiveWindow(d);
        EXPECT_TRUE(QTest::qWaitForWindowActive(d));
        QTest::keyClick(d, Qt::Key_S, Qt::ControlModifier);
        static_cast<QDialog*>(d)->reject();
    });
    l->btImprimir->click();
    EXPECT_EQ(paginas, 1);
    EXPECT_EQ(msgs.Textos(), std::vector<std::string>{"Arquivo PDF gravado em \"" + pdf + "\"."});
    const std::string texto = Espacos(TextoPdf(pdf));
    for (const char* t :
         {"Terceirizado: 009 - DELTA", "Fichas: 0 Atrasadas: 0 Pares: 0 Valor: 0,00", "Página 1 de 1"})
        EXPECT_NE(texto.find(t), std::string::npos) << t << "\n" << texto;
    msgs.Limpar();

    banco->Exec("delete from TERCEIRIZADO where COD_BA = 9");
    l->Carregar();
    EXPECT_EQ(msgs.Textos(),
              std::vector<std::string>{
                  "O terceirizado 009 - DELTA não está mais cadastrado: não há pendências a mostrar."});
    EXPECT_EQ(l->windowTitle().toStdString(), "Pendências do Terceirizado 009 - DELTA");

    // a database that fails while loading: the standard error report, the list kept
    TfrmDistTercPend* a = AbrirLista(1);
    msgs.Limpar();
    db::Connection quebrada;
    quebrada.SetDatabase(pasta_.filePath("inexistente.fdb").toStdString());
    {
        ServicosDeTeste falha(quebrada);
        falha.agora = hoje;
        a->dbgPend->setFocus();
        QTest::keyClick(a->dbgPend, Qt::Key_F5);
    }
    ASSERT_EQ(msgs.registro.size(), 1u);
    EXPECT_EQ(msgs.registro[0].tipo, plat::TipoMensagem::Erro);
    EXPECT_EQ(a->Lista().linhas.size(), 3u);
    EXPECT_EQ(a->mdlPend->rowCount(), 3);
    InstalarServicosSistema(srv.get());
    a->Carregar();  // usable: reads again
    EXPECT_EQ(a->mdlPend->rowCount(), 3);
    EXPECT_EQ(msgs.registro.size(), 1u);
}
