#include "datamodules/UDMCadAncestral.h"

#include <stdexcept>

#include "platform/Mensagens.h"

namespace {
// Components of the registers module.
dm::Catalogo CatalogoCadAncestral() {
    using dm::LeituraRegistro;
    dm::Catalogo c;
    c.Cadeia("Fornecedor", LeituraRegistro("FORNECEDOR", "CODIGO=:cod"), {}, false);
    c.Cadeia("Representante", LeituraRegistro("REPRESENTANTE", "COD_RE=:cod"));
    c.Cadeia("CContabil", LeituraRegistro("CONTACONTABIL", "COD_CC=:cod"));
    c.Cadeia("CCRepresentante",
             LeituraRegistro("CCREPRES", "REPRES_CC=:repres, DATA_CC=:data, DOCTO_CC=:docto, TIPO_CC=:tipo"));
    c.Cadeia("Cliente", "SELECT * FROM CLIENTE WHERE Cod_CL = :cod");
    c.Cadeia("Cidade", LeituraRegistro("CIDADE", "COD_CI=:cod"), {"cod"});
    c.Cadeia("Tabela", LeituraRegistro("TABELA", "NUM_TA=:num", "DESC_TA"));
    c.Cadeia("RepresAux", LeituraRegistro("REPRESENTANTE", "IDENTIFIC_RE=:ident"), {"ident"});
    c.Cadeia("Filial", LeituraRegistro("FILIAL", "COD_FI=:cod"), {"cod"});
    c.Cadeia("EnderCli", LeituraRegistro("ENDERCLI", ""));
    c.Cadeia("CliContato", LeituraRegistro("CLICONTATO", "CLIENTE_CO=:cliente, DEPTO_CO=:depto"));
    c.Cadeia("LayCheq", LeituraRegistro("LAYCHEQUE", "COD_CO_LY=:COD"));
    c.Cadeia("OBSNF", LeituraRegistro("OBSNF", "FILIAL_OBS=:fil, COD_OBS=:cod"));
    c.Cadeia("RepFind", LeituraRegistro("REPRESENTANTE", "", "NOME_RE"));
    c.Cadeia("CliFind",
             "SELECT DISTINCT CIDADE_CL FROM CLIENTE WHERE CIDADE_CL IS NOT NULL AND CIDADE_CL <> '' ORDER BY CIDADE_CL");
    c.Cadeia("FornecFind", "SELECT * FROM FORNECEDOR WHERE TIPO_FO = 'TR' ORDER BY NOME");
    c.Cadeia("Uf", LeituraRegistro("UFS", "UF_UF=:cod"));
    c.Cadeia("Deptos", LeituraRegistro("DEPARTAMENTOS", "CODIGO_DE=:cod"));
    c.Cadeia("Indexador", "select * from INDEXADOR where indexador_id = :id order by data_id desc");
    c.queries.push_back({"sqlVerifMovto", "select movimento from verif_movimento_tabelas_gerais(:num_tabela, :cod_tabela)"});

    // Procedure names are given by the database-specific descendant.
    c.Proc("stpRepresID", "");
    c.Proc("stpFornecID", "");
    c.Proc("stpDataServidor", "");
    c.Proc("stpNovoCodCliente", "");

    // The ancestor refreshes several records after applying them; the descendant takes
    // back what its database does not need.
    auto prov = [&](const std::string& n) -> dm::DeclProvider& {
        for (auto& p : c.providers)
            if (p.nome == n) return p;
        throw std::logic_error(n);
    };
    prov("dspCliente").modo = dm::ModoAtualizacao::WhereKeyOnly;
    prov("dspCliente").opcoes = dm::RefreshAposAplicar | dm::ClientePodeTrocarSQL;
    prov("dspEnderCli").modo = dm::ModoAtualizacao::WhereChanged;
    prov("dspEnderCli").opcoes = dm::RefreshAposAplicar | dm::ClientePodeTrocarSQL;
    prov("dspFilial").modo = dm::ModoAtualizacao::WhereKeyOnly;
    prov("dspFilial").opcoes = dm::RefreshAposAplicar;
    prov("dspFornecedor").opcoes = dm::RefreshAposAplicar;
    prov("dspRepresentante").opcoes = dm::RefreshAposAplicar;
    prov("dspCContabil").opcoes = dm::RefreshAposAplicar;
    return c;
}
}  // namespace

TdmCadAncestral::TdmCadAncestral(std::string nome, db::Connection* conexao)
    : dm::TDataModule(std::move(nome), conexao) {
    Construir(CatalogoCadAncestral());

    for (const char* dsp : {"dspFornecedor", "dspRepresentante", "dspFilial", "dspCContabil", "dspCCRepresentante",
                            "dspCliente", "dspCidade", "dspTabela", "dspRepresAux", "dspEnderCli", "dspCliContato",
                            "dspOBSNF", "dspIndexador"})
        Provider(dsp).OnUpdateError = [this](db::Provider& p, const db::Error& e, db::DeltaRecord& d,
                                             db::UpdateKind k, db::UpdateResponse& r) {
            dspFornecedorUpdateError(p, e, d, k, r);
        };
    db::ClientDataSet& rep = ClientDataSet("cdsRepresentante");
    rep.OnDeleteError = [this](db::ClientDataSet& ds, const std::exception& e, db::DataAction& a) {
        cdsRepresentanteDeleteError(ds, e, a);
    };
    rep.OnReconcileError = [this](db::ClientDataSet& ds, const db::Error& e, db::UpdateKind k, db::ReconcileAction& a) {
        cdsRepresentanteReconcileError(ds, e, k, a);
    };
    ClientDataSet("cdsCCRepresentante").OnReconcileError =
        [this](db::ClientDataSet& ds, const db::Error& e, db::UpdateKind k, db::ReconcileAction& a) {
            cdsCCRepresentanteReconcileError(ds, e, k, a);
        };
}

void TdmCadAncestral::dspFornecedorUpdateError(db::Provider&, const db::Error& e, db::DeltaRecord&, db::UpdateKind,
                                               db::UpdateResponse& response) {
    plat::Erro(e.what());
    response = db::UpdateResponse::Abort;
}

void TdmCadAncestral::cdsRepresentanteDeleteError(db::ClientDataSet&, const std::exception& e, db::DataAction& action) {
    plat::Erro(e.what());
    action = db::DataAction::Abort;
}

void TdmCadAncestral::cdsRepresentanteReconcileError(db::ClientDataSet&, const db::Error&, db::UpdateKind,
                                                     db::ReconcileAction& action) {
    action = db::ReconcileAction::Cancel;
}

void TdmCadAncestral::cdsCCRepresentanteReconcileError(db::ClientDataSet&, const db::Error&, db::UpdateKind,
                                                       db::ReconcileAction& action) {
    action = db::ReconcileAction::Cancel;
}
