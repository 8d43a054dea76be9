// The modules' update-error behaviours with failures injected into real applies, and the
// key marking of the providers that choose their own keys.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "datamodules/ModulosDb.h"
#include "db/Error.h"
#include "platform/Mensagens.h"

namespace {

using plat::TipoMensagem;

class ErrosModulos : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        base_ = new ModulosDb();
        // A material with movement cannot be deleted; value 13 of a branch entry is refused.
        base_->Executar(
            "SET TERM ^ ;\n"
            "CREATE EXCEPTION E_TESTE 'recusado pelo banco'^\n"
            "CREATE TRIGGER MPRIMA_BD FOR MPRIMA BEFORE DELETE AS BEGIN\n"
            "  IF (OLD.COD_MP = 'MOV') THEN EXCEPTION E_TESTE 'existe movimento';\nEND^\n"
            "CREATE TRIGGER LANCTO_FILIAL_BI FOR LANCTO_FILIAL BEFORE INSERT AS BEGIN\n"
            "  IF (NEW.VALOR_LF = 13) THEN EXCEPTION E_TESTE 'valor recusado';\nEND^\n"
            "SET TERM ; ^\n");
    }
    static void TearDownTestSuite() {
        delete base_;
        base_ = nullptr;
    }
    void SetUp() override { mods_ = std::make_unique<SeisModulos>(base_->Conn()); }
    void TearDown() override { mods_.reset(); }
    static void Exec(const std::string& sql) { base_->banco.Exec(sql); }
    static std::int64_t Contar(const std::string& sql) {
        db::Query q(base_->Conn());
        q.SetSQL(sql);
        q.Open();
        return q.Field(0).AsInteger();
    }

    static ModulosDb* base_;
    std::unique_ptr<SeisModulos> mods_;
    plat::GravadorMensagens msgs_;
};
ModulosDb* ErrosModulos::base_ = nullptr;

std::string TextoErro(const std::function<void()>& f) {
    try {
        f();
    } catch (const db::Error& e) {
        return e.what();
    }
    return "<nenhum erro>";
}

// A: the error's own text in an error box, once; the apply fails with the same error.
TEST_F(ErrosModulos, BehaviourAShowsTheErrorOnceAndPassesItOn) {
    Exec("INSERT INTO FORNECEDOR (CODIGO, NOME, CNPJ_FO) VALUES (5, 'EXISTE', '1')");
    db::ClientDataSet& forn = mods_->cadastros->ClientDataSet("cdsFornecedor");
    mods_->cadastros->Query("sqlFornecedor").ParamByName("cod").SetAsInteger(5);
    forn.Open();
    forn.Append();
    forn.FieldByName("CODIGO").SetAsInteger(5);
    forn.FieldByName("CNPJ_FO").SetAsString("2");
    forn.Post();
    const std::string erro = TextoErro([&] { forn.ApplyUpdates(0); });
    ASSERT_EQ(msgs_.registro.size(), 1u);
    EXPECT_EQ(msgs_.registro[0].tipo, TipoMensagem::Erro);
    EXPECT_EQ(msgs_.registro[0].texto, erro);
    EXPECT_NE(erro.find("PRIMARY"), std::string::npos);
    EXPECT_EQ(forn.ChangeCount(), 1);  // kept for a retry
    forn.Close();
    Exec("DELETE FROM FORNECEDOR");
}

// B: a message by kind of update, and the apply fails with the error in every case.
TEST_F(ErrosModulos, BehaviourBMessageByKindOfUpdate) {
    Exec("INSERT INTO MPRIMA (COD_MP, DESC_MP) VALUES ('MOV', 'COM MOVIMENTO')");
    Exec("INSERT INTO MPRIMA (COD_MP, DESC_MP) VALUES ('LIVRE', 'SEM MOVIMENTO')");
    db::ClientDataSet& mp = mods_->producao->ClientDataSet("cdsMPrima");
    db::Query& sql = mods_->producao->Query("sqlMPrima");

    sql.ParamByName("cod").SetAsString("MOV");
    mp.Open();
    mp.Delete();
    EXPECT_NE(TextoErro([&] { mp.ApplyUpdates(0); }).find("existe movimento"), std::string::npos);
    EXPECT_EQ(msgs_.Textos(),
              std::vector<std::string>{"Não foi possível excluir, pois existe movimentação para este registro."});
    EXPECT_EQ(Contar("SELECT COUNT(*) FROM MPRIMA WHERE COD_MP = 'MOV'"), 1);
    mp.CancelUpdates();
    mp.Close();

    // Modify of a record another user removed meanwhile.
    msgs_.Limpar();
    sql.ParamByName("cod").SetAsString("LIVRE");
    mp.Open();
    Exec("DELETE FROM MPRIMA WHERE COD_MP = 'LIVRE'");
    mp.Edit();
    mp.FieldByName("DESC_MP").SetAsString("NOVA");
    mp.Post();
    EXPECT_NE(TextoErro([&] { mp.ApplyUpdates(0); }), "<nenhum erro>");
    EXPECT_EQ(msgs_.Textos(), std::vector<std::string>{"Registro alterado por outro usuário."});
    mp.Close();

    msgs_.Limpar();
    sql.ParamByName("cod").SetAsString("MOV");
    mp.Open();
    mp.Append();
    mp.FieldByName("COD_MP").SetAsString("MOV");
    mp.Post();
    EXPECT_NE(TextoErro([&] { mp.ApplyUpdates(0); }), "<nenhum erro>");
    EXPECT_EQ(msgs_.Textos(), std::vector<std::string>{"Não foi possível completar a operação."});
    ASSERT_EQ(msgs_.registro.size(), 1u);
    EXPECT_EQ(msgs_.registro[0].tipo, TipoMensagem::Erro);
    mp.Close();
    Exec("DROP TRIGGER MPRIMA_BD");
    Exec("DELETE FROM MPRIMA");
}

// C: an information box with the error's text; the data layer's own response stands.
TEST_F(ErrosModulos, BehaviourCInformsAndLeavesTheResponse) {
    Exec("INSERT INTO FICHATEC_PEDVEND (PEDIDO_FP, PRODUTO_FP) VALUES ('1', 'P')");
    db::ClientDataSet ficha;
    ficha.SetProvider(&mods_->producao->Provider("dspFichaTec_PedVend"));
    mods_->producao->Query("sqlFichaTec_PedVend").ParamByName("PED").SetAsString("1");
    ficha.Open();
    ficha.Append();
    ficha.FieldByName("PEDIDO_FP").SetAsString("1");
    ficha.FieldByName("PRODUTO_FP").SetAsString("P");
    ficha.Post();
    const std::string erro = TextoErro([&] { ficha.ApplyUpdates(0); });
    ASSERT_EQ(msgs_.registro.size(), 1u);
    EXPECT_EQ(msgs_.registro[0].tipo, TipoMensagem::Informacao);
    EXPECT_EQ(msgs_.registro[0].texto, erro);

    // With room for errors the proposal is to skip the record and go on.
    msgs_.Limpar();
    ficha.Append();
    ficha.FieldByName("PEDIDO_FP").SetAsString("1");
    ficha.FieldByName("PRODUTO_FP").SetAsString("Q");
    ficha.Post();
    EXPECT_EQ(ficha.ApplyUpdates(-1), 1);
    EXPECT_EQ(msgs_.registro.size(), 1u);
    EXPECT_EQ(Contar("SELECT COUNT(*) FROM FICHATEC_PEDVEND"), 2);
    ficha.Close();
    Exec("DELETE FROM FICHATEC_PEDVEND");
}

// D: the failing entry is shown, dropped from the change log, and the apply goes on.
TEST_F(ErrosModulos, BehaviourDDropsTheRecordAndGoesOn) {
    db::ClientDataSet& lf = mods_->financeiro->ClientDataSet("cdsLanctoFil");
    mods_->financeiro->Query("sqlLanctoFil").ParamByName("cod").SetAsInteger(0);
    lf.Open();
    for (int cod : {1, 2, 3}) {
        lf.Append();
        lf.FieldByName("COD_LF").SetAsInteger(cod);
        lf.FieldByName("VALOR_LF").SetAsInteger(cod == 2 ? 13 : cod);
        lf.Post();
    }
    EXPECT_EQ(lf.ApplyUpdates(0), 0);
    ASSERT_EQ(msgs_.registro.size(), 1u);
    EXPECT_EQ(msgs_.registro[0].tipo, TipoMensagem::Erro);
    const std::string& t = msgs_.registro[0].texto;
    EXPECT_EQ(t.rfind("Operação não concluída com sucesso.\r", 0), 0u) << t;
    EXPECT_NE(t.find("valor recusado"), std::string::npos);
    EXPECT_EQ(lf.ChangeCount(), 0);
    EXPECT_EQ(Contar("SELECT COUNT(*) FROM LANCTO_FILIAL"), 2);
    EXPECT_EQ(Contar("SELECT COUNT(*) FROM LANCTO_FILIAL WHERE COD_LF = 2"), 0);
    lf.Close();
    Exec("DELETE FROM LANCTO_FILIAL");
}

// E: no message, the apply fails with the error.
TEST_F(ErrosModulos, BehaviourEPassesTheErrorOnSilently) {
    Exec("INSERT INTO NOTASAI (DOCTO_NS, FILIAL_NS) VALUES (1, 1)");
    db::ClientDataSet& ns = mods_->fatur->ClientDataSet("cdsNotaSai");
    ns.Open();
    ns.Append();
    ns.FieldByName("DOCTO_NS").SetAsInteger(1);
    ns.FieldByName("FILIAL_NS").SetAsInteger(1);
    ns.Post();
    EXPECT_NE(TextoErro([&] { ns.ApplyUpdates(0); }).find("PRIMARY"), std::string::npos);
    EXPECT_TRUE(msgs_.registro.empty());
    ns.Close();
    Exec("DELETE FROM NOTASAI");
}

// F and G: a failing delete shows its box and ends silently; H: a refused record gets its
// values back and leaves the change log.
TEST_F(ErrosModulos, BehavioursFGHOnDeleteAndReconcile) {
    Exec("INSERT INTO REPRESENTANTE (COD_RE, NOME_RE) VALUES (1, 'ANTIGO')");
    db::ClientDataSet& rep = mods_->cadastros->ClientDataSet("cdsRepresentante");
    mods_->cadastros->Query("sqlRepresentante").ParamByName("cod").SetAsInteger(1);
    rep.Open();
    rep.BeforeDelete = [](db::ClientDataSet&) { throw db::Error("bloqueado pelo teste"); };
    EXPECT_THROW(rep.Delete(), plat::EAbort);
    EXPECT_EQ(msgs_.Textos(), std::vector<std::string>{"bloqueado pelo teste"});
    EXPECT_EQ(rep.RecordCount(), 1);
    rep.BeforeDelete = nullptr;

    // H: with the provider's handler out of the way, the refused modify is cancelled.
    msgs_.Limpar();
    mods_->cadastros->Provider("dspRepresentante").OnUpdateError = nullptr;
    Exec("DELETE FROM REPRESENTANTE");
    rep.Edit();
    rep.FieldByName("NOME_RE").SetAsString("NOVO");
    rep.Post();
    EXPECT_EQ(rep.ApplyUpdates(0), 1);
    EXPECT_EQ(rep.ChangeCount(), 0);
    EXPECT_EQ(rep.FieldByName("NOME_RE").AsString(), "ANTIGO");
    EXPECT_TRUE(msgs_.registro.empty());
    rep.Close();

    Exec("INSERT INTO TITULO (NUM_TI, ORD_TI, FILIAL_TI, FORNEC_TI) VALUES ('1', '1', 1, 1)");
    db::ClientDataSet& tit = mods_->financeiro->ClientDataSet("cdsTitulo");
    tit.Open();
    tit.BeforeDelete = [](db::ClientDataSet&) { throw db::Error("qualquer"); };
    EXPECT_THROW(tit.Delete(), plat::EAbort);
    EXPECT_EQ(msgs_.Textos(), std::vector<std::string>{
                                  "Não foi possível excluir, pois existe movimentação para este registro, ou o "
                                  "registro foi excluído por outro usuário."});
    tit.Close();
    Exec("DELETE FROM TITULO");
}

// The providers with their own key list find the record by those fields alone, whatever
// the letter case of the field names.
TEST_F(ErrosModulos, NoteKeyFieldsWhateverTheCase) {
    Exec("INSERT INTO NOTAENT (FILIAL_NE, FORNEC_NE, DOCTO_NE, SERIE_NE, CLIFOR_NE, VALOR_NE) "
         "VALUES (1, 2, 3, 'A', 'F', 10)");
    db::Query& sql = mods_->producao->Query("sqlNotaEnt");
    sql.SetSQL(
        "SELECT FILIAL_NE AS \"filial_ne\", FORNEC_NE AS \"Fornec_Ne\", DOCTO_NE, SERIE_NE AS \"serie_NE\", "
        "CLIFOR_NE, VALOR_NE FROM NOTAENT WHERE FILIAL_NE = :FILIAL");
    sql.ParamByName("FILIAL").SetAsInteger(1);
    std::map<std::string, db::ProviderFlags> flags;
    db::Provider& dsp = mods_->producao->Provider("dspNotaEnt");
    auto original = dsp.OnBeforeUpdateRecord;
    dsp.OnBeforeUpdateRecord = [&](db::Provider& p, db::DeltaRecord& d, db::UpdateKind k, bool& a) {
        original(p, d, k, a);
        for (std::size_t i = 0; i < d.FieldCount(); ++i) flags[d.Fields(i).FieldName()] = d.Fields(i).GetProviderFlags();
    };
    db::ClientDataSet& nota = mods_->producao->ClientDataSet("cdsNotaEnt");
    nota.Open();
    nota.Edit();
    nota.FieldByName("CLIFOR_NE").SetAsString("C");
    nota.FieldByName("VALOR_NE").SetAsInteger(20);
    nota.Post();
    // Another user changed a non-key field meanwhile: the key alone still finds the row.
    Exec("UPDATE NOTAENT SET VALOR_NE = 11");
    EXPECT_EQ(nota.ApplyUpdates(0), 0);
    const db::ProviderFlags chave = db::pfInUpdate | db::pfInWhere | db::pfInKey;
    EXPECT_EQ(flags["filial_ne"], chave);
    EXPECT_EQ(flags["Fornec_Ne"], chave);
    EXPECT_EQ(flags["DOCTO_NE"], chave);
    EXPECT_EQ(flags["serie_NE"], chave);
    EXPECT_EQ(flags["CLIFOR_NE"], db::pfInUpdate);
    EXPECT_EQ(flags["VALOR_NE"], db::pfInUpdate);
    EXPECT_EQ(Contar("SELECT VALOR_NE FROM NOTAENT"), 20);
    nota.Close();
    Exec("DELETE FROM NOTAENT");
}

TEST_F(ErrosModulos, CustomerKeyAloneSelectsTheRecord) {
    Exec("INSERT INTO CLIENTE (COD_CL, NOME_CL, CIDADE_CL) VALUES (9, 'A', 'X')");
    mods_->cadastros->Query("sqlCliente").ParamByName("cod").SetAsInteger(9);
    db::ClientDataSet& cli = mods_->cadastros->ClientDataSet("cdsCliente");
    cli.Open();
    EXPECT_EQ(cli.FieldByName("COD_CL").GetProviderFlags(), db::pfInUpdate | db::pfInWhere | db::pfInKey);
    cli.Edit();
    cli.FieldByName("NOME_CL").SetAsString("B");
    cli.Post();
    Exec("UPDATE CLIENTE SET CIDADE_CL = 'Y'");
    EXPECT_EQ(cli.ApplyUpdates(0), 0);
    EXPECT_TRUE(msgs_.registro.empty());
    cli.Close();
    Exec("DELETE FROM CLIENTE");
}

}  // namespace
