// Field and record rules of the shared modules, through their record sets opened on a
// real database: tax identifiers, accounting codes, new customer codes, payment-terms
// masks, the code-change guard of the general table and the cheque registration date.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "datamodules/ModulosDb.h"
#include "datamodules/URegrasCampos.h"
#include "db/Error.h"
#include "platform/DataHora.h"
#include "platform/Mensagens.h"
#include "rules/UContaContabil.h"
#include "support/ServicosDeTeste.h"

namespace {

const std::string kSufixo = "\", não permitindo a alteração do código.";

class RegrasCampos : public ::testing::Test {
protected:
    static void SetUpTestSuite() { base_ = new ModulosDb(); }
    static void TearDownTestSuite() {
        delete base_;
        base_ = nullptr;
    }
    void SetUp() override {
        for (const char* t : {"FORNECEDOR", "REPRESENTANTE", "CLIENTE", "CONTACONTABIL", "DUPLICATAS", "CHEQUES_REC",
                              "PEDVENDA", "TABELA", "ESTOQUEMP", "PRECOSER", "PARAM"})
            Exec(std::string("delete from ") + t);
        mods_ = std::make_unique<SeisModulos>(base_->Conn());
    }
    void TearDown() override {
        mods_.reset();
        TContaContabil::DefinirFonteArquivo(nullptr);
    }

    static void Exec(const std::string& sql) { base_->banco.Exec(sql); }
    static std::string Ler(const std::string& sql) {
        db::Query q(base_->Conn());
        q.SetSQL(sql);
        q.Open();
        return q.IsEmpty() ? "<nenhuma linha>" : q.Field(0).AsString();
    }

    // The message of the error that `f` raises ("" when it raises none).
    template <class F>
    static std::string Erro(F&& f) {
        try {
            f();
        } catch (const std::exception& e) {
            return e.what();
        }
        return {};
    }

    db::ClientDataSet& Abrir(dm::TDataModule& m, const std::string& stem, const std::string& param,
                             const db::Value& valor) {
        db::ClientDataSet& cds = m.ClientDataSet("cds" + stem);
        m.Query("sql" + stem).ParamByName(param).SetValue(valor);
        cds.Open();
        return cds;
    }
    db::ClientDataSet& Cliente(int cod) { return Abrir(*mods_->cadastros, "Cliente", "cod", db::Value::Integer(cod)); }

    static ModulosDb* base_;
    std::unique_ptr<SeisModulos> mods_;
    plat::GravadorMensagens msgs_;
};
ModulosDb* RegrasCampos::base_ = nullptr;

// ---- tax identifiers ----------------------------------------------------------------

TEST_F(RegrasCampos, SupplierIdentifierIsStoredAsDigitsAndShownPunctuated) {
    db::ClientDataSet& forn = Abrir(*mods_->cadastros, "Fornecedor", "cod", db::Value::Integer(1));
    forn.Append();
    forn.FieldByName("CODIGO").SetAsInteger(1);
    db::Field& cnpj = forn.FieldByName("CNPJ_FO");
    cnpj.SetText("12.345.678/0001-95");
    EXPECT_EQ(cnpj.AsString(), "12345678000195");
    EXPECT_EQ(cnpj.DisplayText(), "12.345.678/0001-95");
    EXPECT_EQ(cnpj.Text(), "12.345.678/0001-95");  // editing starts from the punctuated text
    forn.Post();
    EXPECT_EQ(forn.ApplyUpdates(0), 0);
    EXPECT_EQ(Ler("select CNPJ_FO from FORNECEDOR where CODIGO = 1"), "12345678000195");

    // Reopened, the fields are new and carry the rules again.
    forn.Close();
    forn.Open();
    db::Field& de = forn.FieldByName("CNPJ_FO");
    EXPECT_EQ(de.DisplayText(), "12.345.678/0001-95");
    forn.Edit();
    de.SetText("12. 345.678//0001 -95");  // doubled separators and blanks
    EXPECT_EQ(de.AsString(), "12345678000195");
    de.SetText("123.456.789-09");
    EXPECT_EQ(de.AsString(), "12345678909");
    EXPECT_EQ(de.DisplayText(), "123.456.789-09");
    de.SetText("./- abc");
    EXPECT_FALSE(de.IsNull());
    EXPECT_EQ(de.AsString(), "");
    EXPECT_EQ(de.DisplayText(), "");
    forn.Cancel();
    forn.Close();
}

TEST_F(RegrasCampos, RepresentativeIdentifierIsShownByTheSharedFormatting) {
    Exec("insert into REPRESENTANTE (COD_RE, CNPJ_RE) values (1, '')");
    Exec("insert into REPRESENTANTE (COD_RE, CNPJ_RE) values (2, '12.345.678/0001-95')");
    Exec("insert into REPRESENTANTE (COD_RE, CNPJ_RE) values (3, '1-2-3')");
    Exec("insert into REPRESENTANTE (COD_RE) values (4)");
    auto mostrar = [&](int cod) {
        db::ClientDataSet& rep = Abrir(*mods_->cadastros, "Representante", "cod", db::Value::Integer(cod));
        std::string t = rep.FieldByName("CNPJ_RE").DisplayText();
        rep.Close();
        return t;
    };
    EXPECT_EQ(mostrar(1), "");
    EXPECT_EQ(mostrar(2), "12.345.678/0001-95");
    EXPECT_EQ(mostrar(3), "123");  // other lengths: the digits alone
    EXPECT_EQ(mostrar(4), "");

    // No set-text rule here: text assigned is stored as typed.
    db::ClientDataSet& rep = Abrir(*mods_->cadastros, "Representante", "cod", db::Value::Integer(1));
    rep.Edit();
    rep.FieldByName("CNPJ_RE").SetText("123.456.789-09");
    EXPECT_EQ(rep.FieldByName("CNPJ_RE").AsString(), "123.456.789-09");
    EXPECT_EQ(rep.FieldByName("CNPJ_RE").DisplayText(), "123.456.789-09");
    rep.Cancel();
    rep.Close();
}

TEST_F(RegrasCampos, CustomerAndIssuerIdentifiersAreShownByPosition) {
    Exec("insert into CLIENTE (COD_CL, CGC_CL) values (7, '12345678909')");
    db::ClientDataSet& cli = Cliente(7);
    db::Field& cgc = cli.FieldByName("CGC_CL");
    EXPECT_EQ(cgc.DisplayText(), "123.456.789-09");
    EXPECT_EQ(cgc.Text(), "123.456.789-09");
    cli.Edit();
    auto mostrar = [&](const std::string& v) {
        cgc.SetAsString(v);
        return cgc.DisplayText();
    };
    EXPECT_EQ(mostrar("12345678000195"), "12.345.678/0001-95");
    EXPECT_EQ(mostrar("1234567890123"), "1234567890123");  // 13 characters
    EXPECT_EQ(mostrar(""), "");
    EXPECT_EQ(mostrar(" 12345678909 "), "123.456.789-09");   // surrounding blanks dropped
    EXPECT_EQ(mostrar("ABCDEFGHIJK"), "ABC.DEF.GHI-JK");     // not checked for digits
    EXPECT_EQ(mostrar("ÁBCDEFGHIJÉ"), "ÁBC.DEF.GHI-JÉ");     // counted in characters
    EXPECT_EQ(mostrar("123.456.789"), "123..45.6.7-89");  // 11 characters are cut by position
    cli.Cancel();
    cli.Close();

    Exec("insert into CHEQUES_REC (NUM_CH, BANCO_CH, AGENCIA_CH, CONTA_CH, CNPJ_EMITENTE_CH) values "
         "('1', '001', '1', '1', '12345678000195')");
    Exec("insert into CHEQUES_REC (NUM_CH, BANCO_CH, AGENCIA_CH, CONTA_CH, CNPJ_EMITENTE_CH) values "
         "('2', '001', '1', '1', '12.345.678/0001-95')");
    dm::TDataModule& fin = *mods_->financeiro;
    auto emitente = [&](const char* num) {
        db::Query& sql = fin.Query("sqlChequesRec");
        sql.ParamByName("banco").SetAsString("001");
        sql.ParamByName("agencia").SetAsString("1");
        sql.ParamByName("conta").SetAsString("1");
        db::ClientDataSet& ch = Abrir(fin, "ChequesRec", "num", db::Value::Text(num));
        std::string t = ch.FieldByName("CNPJ_EMITENTE_CH").DisplayText();
        ch.Close();
        return t;
    };
    EXPECT_EQ(emitente("1"), "12.345.678/0001-95");
    EXPECT_EQ(emitente("2"), "12.345.678/0001-95");  // 18 characters: shown as stored
}

// ---- accounting codes ---------------------------------------------------------------

TEST_F(RegrasCampos, AccountingCodesFollowTheFormatInForceAtEachDisplay) {
    // the format in the parameter table, read through the system services
    ServicosDeTeste servicos(base_->Conn());
    int& leituras = servicos.leiturasParametro;
    auto formato = [](const std::string& f) {
        Exec("delete from PARAM");
        Exec("insert into PARAM (GRUPO_PA, PARAM_PA, VALOR_PA) values ('COD_CONTABIL', 'FORMATO', '" + f + "')");
    };
    formato("010202");
    TContaContabil::DefinirFonteArquivo([] { return std::string("ERRO"); });  // the file has no format
    Exec("insert into CONTACONTABIL (COD_CC, DESC_CC) values ('10101', 'CAIXA')");
    db::ClientDataSet& cc = Abrir(*mods_->cadastros, "CContabil", "cod", db::Value::Text("10101"));
    db::Field& cod = cc.FieldByName("COD_CC");
    EXPECT_EQ(cod.DisplayText(), "1.01.01");
    EXPECT_EQ(cod.Text(), "1.01.01");
    formato("0104");
    EXPECT_EQ(cod.DisplayText(), "1.0101");  // read again for each text
    EXPECT_EQ(leituras, 3);
    cc.Close();

    formato("010202");
    Exec("insert into DUPLICATAS (NUM_DP, ORD_DP, FILIAL_DP, CODCONTABIL_DP) values ('10', '01', 1, '1.01.01')");
    dm::TDataModule& fin = *mods_->financeiro;
    fin.Query("sqlDuplicatas").ParamByName("ord").SetAsString("01");
    fin.Query("sqlDuplicatas").ParamByName("filial").SetAsInteger(1);
    db::ClientDataSet& dup = Abrir(fin, "Duplicatas", "num", db::Value::Text("10"));
    db::Field& conta = dup.FieldByName("CODCONTABIL_DP");
    EXPECT_EQ(conta.DisplayText(), "1.01.01");  // punctuation of the stored value dropped first
    dup.Edit();
    conta.SetAsString("1 01-01");
    EXPECT_EQ(conta.DisplayText(), "1.01.01");
    conta.SetAsString("");
    EXPECT_EQ(conta.DisplayText(), "");
    dup.Cancel();
    EXPECT_TRUE(msgs_.registro.empty());

    // Without a format the formatter explains itself and nothing is shown.
    formato("");
    EXPECT_EQ(conta.DisplayText(), "");
    ASSERT_EQ(msgs_.registro.size(), 1u);
    EXPECT_EQ(msgs_.registro[0].texto, "Formato da conta contábil não encontrado no arquivo de parametros.");
    dup.Close();
}

// ---- new customer code --------------------------------------------------------------

TEST_F(RegrasCampos, NewCustomersGetCodesOfTheirOwnAndEditedOnesKeepTheirs) {
    Exec("insert into CLIENTE (COD_CL, NOME_CL) values (41, 'EXISTENTE')");
    db::ClientDataSet& cli = Cliente(-1);
    cli.Append();
    cli.FieldByName("NOME_CL").SetAsString("PRIMEIRO");
    cli.Post();
    const auto primeiro = cli.FieldByName("COD_CL").AsInteger();
    EXPECT_GT(primeiro, 41);  // beyond the codes already written
    cli.Append();
    cli.FieldByName("COD_CL").SetAsInteger(0);
    cli.FieldByName("NOME_CL").SetAsString("SEGUNDO");
    cli.Post();
    const auto segundo = cli.FieldByName("COD_CL").AsInteger();
    EXPECT_NE(segundo, primeiro);  // both posted before either is written
    cli.Append();
    cli.FieldByName("COD_CL").SetAsInteger(900);
    cli.FieldByName("NOME_CL").SetAsString("DADO");
    cli.Post();
    EXPECT_EQ(cli.FieldByName("COD_CL").AsInteger(), 900);
    EXPECT_EQ(cli.ApplyUpdates(0), 0);
    EXPECT_EQ(Ler("select NOME_CL from CLIENTE where COD_CL = " + std::to_string(primeiro)), "PRIMEIRO");
    EXPECT_EQ(Ler("select NOME_CL from CLIENTE where COD_CL = " + std::to_string(segundo)), "SEGUNDO");
    EXPECT_EQ(Ler("select count(*) from CLIENTE"), "4");
    cli.Close();

    db::ClientDataSet& ed = Cliente(41);
    ed.Edit();
    ed.FieldByName("NOME_CL").SetAsString("ALTERADO");
    ed.Post();
    EXPECT_EQ(ed.FieldByName("COD_CL").AsInteger(), 41);
    EXPECT_EQ(ed.ApplyUpdates(0), 0);
    EXPECT_EQ(Ler("select NOME_CL from CLIENTE where COD_CL = 41"), "ALTERADO");
    ed.Close();
}

TEST_F(RegrasCampos, FailedCodeProcedureEndsThePostAndLeavesTheCodeAlone) {
    mods_->cadastros->StoredProc("stpNovoCodCliente").SetStoredProcName("PROCEDIMENTO_INEXISTENTE");
    db::ClientDataSet& cli = Cliente(-1);
    cli.Append();
    cli.FieldByName("NOME_CL").SetAsString("SEM CODIGO");
    EXPECT_THROW(cli.Post(), db::Error);
    EXPECT_EQ(cli.State(), db::DataSetState::Insert);
    EXPECT_TRUE(cli.FieldByName("COD_CL").IsNull());
    cli.FieldByName("COD_CL").SetAsInteger(0);
    EXPECT_THROW(cli.Post(), db::Error);
    EXPECT_FALSE(cli.FieldByName("COD_CL").IsNull());
    EXPECT_EQ(cli.FieldByName("COD_CL").AsInteger(), 0);
    // A code typed in needs no procedure.
    cli.FieldByName("COD_CL").SetAsInteger(77);
    cli.Post();
    EXPECT_EQ(cli.ChangeCount(), 1);
    cli.CancelUpdates();
    cli.Close();
}

// ---- payment-terms masks ------------------------------------------------------------

TEST_F(RegrasCampos, TermsMaskFollowsTheNumberOfInstalments) {
    db::ClientDataSet& cli = Cliente(-1);
    cli.Append();
    db::Field& parc = cli.FieldByName("NUMPARC_CL");
    db::Field& prazo = cli.FieldByName("PRAZO_CL");
    parc.SetAsInteger(3);
    EXPECT_EQ(prazo.EditMask, "999/999/999");
    prazo.SetAsString("A VISTA");  // only the orders look at the terms' text
    parc.SetAsInteger(1);
    EXPECT_EQ(prazo.EditMask, "999");
    parc.SetAsInteger(0);
    EXPECT_EQ(prazo.EditMask, "");
    parc.SetAsInteger(2);
    parc.SetAsInteger(-2);
    EXPECT_EQ(prazo.EditMask, "");
    parc.SetAsInteger(2);
    parc.Clear();
    EXPECT_EQ(prazo.EditMask, "");
    cli.Cancel();
    cli.Close();

    db::ClientDataSet& ped = Abrir(*mods_->producao, "PedVenda", "cod", db::Value::Integer(-1));
    ped.Append();
    db::Field& numParc = ped.FieldByName("NUMPARC_PV");
    db::Field& termos = ped.FieldByName("PRAZO_PV");
    auto mascara = [&](const std::string& texto, int n) {
        termos.SetAsString(texto);
        numParc.SetAsInteger(n);
        return termos.EditMask;
    };
    EXPECT_EQ(mascara("30/60", 2), "999/999");
    EXPECT_EQ(mascara("A VISTA", 2), "");
    EXPECT_EQ(mascara("a vista", 2), "999/999");  // upper case only
    EXPECT_EQ(mascara("PAGTO C/ APRES", 3), "");
    EXPECT_EQ(mascara("C/APRES", 1), "999");
    EXPECT_EQ(mascara("50% ANTECIPADO", 4), "");
    EXPECT_EQ(mascara("", 4), "999/999/999/999");

    // An absurd count gives a bounded mask at once.
    const auto inicio = std::chrono::steady_clock::now();
    EXPECT_EQ(mascara("", 2000000000), dm::MascaraParcelas(dm::MaxParcelasMascara));
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(2));
    EXPECT_EQ(termos.EditMask.size(), 4u * dm::MaxParcelasMascara - 1);
    ped.Cancel();
    ped.Close();
}

// ---- code-change guard ----------------------------------------------------------------

TEST_F(RegrasCampos, ColourWithMovementCannotBeRenamedWhileEdited) {
    Exec("insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('23', 'AZ', 'AZUL')");
    Exec("insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('23', 'VD', 'VERDE')");
    Exec("insert into ESTOQUEMP (FILIAL_EP, MPRIMA_EP, COR_EP, TAMANHO_EP, MARCA_EP, QTDE_EP) values "
         "(1, 'COURO', 'AZ', '37', 'M', 10)");
    dm::TDataModule& tprod = *mods_->tprod;
    db::Query& sqlCor = tprod.Query("sqlCorMP");
    sqlCor.ParamByName("NUMTA").SetAsString("23");
    sqlCor.ParamByName("CODTA").SetAsString("AZ");
    db::ClientDataSet& cor = tprod.ClientDataSet("cdsCorMP");
    cor.Open();
    cor.Edit();
    db::Field& cod = cor.FieldByName("COD_TA");
    EXPECT_EQ(Erro([&] { cod.SetAsString("AZ2"); }), "Existe movimento para a Cor\"AZ" + kSufixo);
    EXPECT_EQ(cod.AsString(), "AZ");  // the refused code does not stay in the record
    EXPECT_EQ(Erro([&] { cod.SetText("AZUL"); }), "Existe movimento para a Cor\"AZ" + kSufixo);
    EXPECT_EQ(cod.AsString(), "AZ");
    EXPECT_TRUE(tprod.Query("sqlVerifMovto").Active());  // left open after the check
    EXPECT_EQ(tprod.Query("sqlVerifMovto").ParamByName("NUM_TABELA").AsString(), "23");
    cor.FieldByName("DESC_TA").SetAsString("AZUL ROYAL");  // other fields stay editable
    cor.Post();
    EXPECT_EQ(cor.ApplyUpdates(0), 0);
    EXPECT_EQ(Ler("select DESC_TA from TABELA where NUM_TA = '23' and COD_TA = 'AZ'"), "AZUL ROYAL");

    // A row being inserted is not checked, even with a code that has movement.
    cor.Append();
    cor.FieldByName("NUM_TA").SetAsString("23");
    EXPECT_EQ(Erro([&] { cor.FieldByName("COD_TA").SetAsString("AZ"); }), "");
    cor.Cancel();
    cor.Close();

    // A colour without movement can be renamed.
    sqlCor.ParamByName("CODTA").SetAsString("VD");
    cor.Open();
    cor.Edit();
    cor.FieldByName("COD_TA").SetAsString("VD2");
    cor.Post();
    EXPECT_EQ(cor.ApplyUpdates(0), 0);
    EXPECT_EQ(Ler("select DESC_TA from TABELA where NUM_TA = '23' and COD_TA = 'VD2'"), "VERDE");
    cor.Close();
}

TEST_F(RegrasCampos, GeneralTableCodeGuardChecksEveryStateAgainstTheCodeAsRead) {
    Exec("insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('35', '01', 'COSTURA')");
    Exec("insert into TABELA (NUM_TA, COD_TA, DESC_TA) values ('35', '02', 'PESPONTO')");
    Exec("insert into PRECOSER (TERCEIRIZADO_PS, PROD_PS, TP_SERV_PS, VALOR_PS) values (1, 'P1', '01', 2.5)");
    dm::TDataModule& cad = *mods_->cadastros;
    db::ClientDataSet& tab = Abrir(cad, "Tabela", "num", db::Value::Text("35"));
    db::Query& verif = cad.Query("sqlVerifMovto");

    ASSERT_TRUE(tab.Locate("COD_TA", db::Value::Text("01")));
    tab.Edit();
    EXPECT_EQ(Erro([&] { tab.FieldByName("COD_TA").SetAsString("09"); }),
              "Existe movimento para o código\"01" + kSufixo);
    EXPECT_EQ(tab.FieldByName("COD_TA").AsString(), "01");
    tab.Cancel();

    // Without movement: the change stands; later changes are still judged by the code as read.
    ASSERT_TRUE(tab.Locate("COD_TA", db::Value::Text("02")));
    tab.Edit();
    tab.FieldByName("COD_TA").SetAsString("03");
    tab.FieldByName("COD_TA").SetAsString("04");
    EXPECT_EQ(verif.ParamByName("COD_TABELA").AsString(), "02");
    tab.Post();
    EXPECT_EQ(tab.ApplyUpdates(0), 0);
    EXPECT_EQ(Ler("select DESC_TA from TABELA where NUM_TA = '35' and COD_TA = '04'"), "PESPONTO");

    // A new row has no code as read: the check runs with an empty one.
    tab.Append();
    tab.FieldByName("NUM_TA").SetAsString("35");
    tab.FieldByName("COD_TA").SetAsString("05");
    EXPECT_EQ(verif.ParamByName("NUM_TABELA").AsString(), "35");
    EXPECT_EQ(verif.ParamByName("COD_TABELA").AsString(), "");
    EXPECT_FALSE(verif.ParamByName("COD_TABELA").IsNull());
    tab.FieldByName("DESC_TA").SetAsString("CORTE");
    tab.Post();
    // ... which is refused when the empty code itself has movement.
    Exec("insert into PRECOSER (TERCEIRIZADO_PS, PROD_PS, TP_SERV_PS, VALOR_PS) values (1, 'P1', '', 1)");
    tab.Append();
    tab.FieldByName("NUM_TA").SetAsString("35");
    EXPECT_EQ(Erro([&] { tab.FieldByName("COD_TA").SetAsString("06"); }),
              "Existe movimento para o código\"\"" + kSufixo.substr(1));
    EXPECT_TRUE(tab.FieldByName("COD_TA").IsNull());
    tab.Cancel();
    EXPECT_EQ(tab.ApplyUpdates(0), 0);
    EXPECT_EQ(Ler("select DESC_TA from TABELA where NUM_TA = '35' and COD_TA = '05'"), "CORTE");

    // The list number is the row's own: the same code in a list without movement is free.
    tab.Append();
    tab.FieldByName("NUM_TA").SetAsString("99");
    EXPECT_EQ(Erro([&] { tab.FieldByName("COD_TA").SetAsString("06"); }), "");
    tab.Cancel();
    tab.Close();
}

// ---- cheque registration date ---------------------------------------------------------

TEST_F(RegrasCampos, NewChequeIsRegisteredAtTheWorkstationsClock) {
    dm::TDataModule& fin = *mods_->financeiro;
    for (const char* p : {"num", "banco", "conta", "agencia"}) fin.Query("sqlChequesRec").ParamByName(p).SetAsString("0");
    db::ClientDataSet& ch = fin.ClientDataSet("cdsChequesRec");
    ch.Open();
    const double antes = plat::Agora();
    ch.Append();
    const double depois = plat::Agora();
    db::Field& dt = ch.FieldByName("DTCADASTRO_CH");
    EXPECT_GE(dt.AsDateTime(), antes - 1.0 / 86400000);
    EXPECT_LE(dt.AsDateTime(), depois + 1.0 / 86400000);
    EXPECT_EQ(dt.DisplayText(), plat::FormatDateTime("dd/mm/yyyy", dt.AsDateTime()));
    ch.FieldByName("NUM_CH").SetAsString("123");
    ch.FieldByName("BANCO_CH").SetAsString("001");
    ch.FieldByName("AGENCIA_CH").SetAsString("1");
    ch.FieldByName("CONTA_CH").SetAsString("9");
    ch.Post();
    EXPECT_EQ(ch.ApplyUpdates(0), 0);
    EXPECT_EQ(Ler("select count(*) from CHEQUES_REC where NUM_CH = '123' and DTCADASTRO_CH is not null"), "1");

    // Editing an existing cheque leaves its date alone.
    const double gravada = dt.AsDateTime();
    ch.Edit();
    ch.FieldByName("VALOR_CH").SetAsString("10");
    EXPECT_DOUBLE_EQ(ch.FieldByName("DTCADASTRO_CH").AsDateTime(), gravada);
    ch.Cancel();
    ch.Close();
}

// ---- declarations of the fields the rules touch ---------------------------------------

TEST_F(RegrasCampos, RuleFieldsCarryTheirDeclaredProperties) {
    struct Esperado {
        dm::TDataModule* modulo;
        const char* cds;
        const char* campo;
        int tamanho;
        const char* rotulo;
        bool obrigatorio;
        const char* formato;
    };
    const Esperado casos[] = {
        {mods_->cadastros.get(), "cdsFornecedor", "CNPJ_FO", 18, "CNPJ/CPF", true, ""},
        {mods_->cadastros.get(), "cdsRepresentante", "CNPJ_RE", 18, "Cnpj/Cpf", false, ""},
        {mods_->cadastros.get(), "cdsCliente", "CGC_CL", 14, "Cnpj/Cpf", false, ""},
        {mods_->cadastros.get(), "cdsCliente", "NUMPARC_CL", 0, "Nº Parc.", false, "00"},
        {mods_->cadastros.get(), "cdsCliente", "PRAZO_CL", 30, "Prazo", false, ""},
        {mods_->cadastros.get(), "cdsCliente", "COD_CL", 0, "Código", false, ""},
        {mods_->cadastros.get(), "cdsCContabil", "COD_CC", 13, "Código", true, ""},
        {mods_->cadastros.get(), "cdsTabela", "COD_TA", 8, "Código", true, ""},
        {mods_->financeiro.get(), "cdsChequesRec", "CNPJ_EMITENTE_CH", 18, "CNPJ Emitente", false, ""},
        {mods_->financeiro.get(), "cdsChequesRec", "DTCADASTRO_CH", 0, "Dt Cadastro", false, "dd/mm/yyyy"},
        {mods_->financeiro.get(), "cdsDuplicatas", "CODCONTABIL_DP", 13, "C.Contábil", false, ""},
        {mods_->producao.get(), "cdsPedVenda", "NUMPARC_PV", 0, "Nº Parc.", false, "00"},
        {mods_->producao.get(), "cdsPedVenda", "PRAZO_PV", 50, "Cond.pagto.", false, ""},
        {mods_->tprod.get(), "cdsCorMP", "COD_TA", 8, "Código", true, ""},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(std::string(c.cds) + "." + c.campo);
        db::ClientDataSet& cds = c.modulo->ClientDataSet(c.cds);
        for (std::size_t i = 0; i < cds.GetProvider()->DataSet()->GetParams().Count(); ++i)
            cds.GetProvider()->DataSet()->GetParams()[i].SetNull();
        for (std::size_t i = 0; i < cds.GetParams().Count(); ++i) cds.GetParams()[i].SetNull();
        cds.Open();
        db::Field& f = cds.FieldByName(c.campo);
        if (c.tamanho) {
            EXPECT_EQ(f.Size(), c.tamanho);
        }
        EXPECT_EQ(f.GetDisplayLabel(), c.rotulo);
        EXPECT_EQ(f.Required, c.obrigatorio);
        EXPECT_EQ(f.DisplayFormat, c.formato);
        cds.Close();
    }
    bool autoCod = false;
    for (const auto& d : mods_->cadastros->CamposDeclarados("cdsCliente"))
        if (d.nome == "COD_CL") autoCod = d.autoIncremento;
    EXPECT_TRUE(autoCod);
}

}  // namespace
