#include "rules/DGlobal.h"

#include <cstdint>
#include <stdexcept>
#include <utility>

#include "db/ClientDataSet.h"
#include "platform/Texto.h"

namespace {

struct TabelaChave {
    const char* tabela;
    std::vector<const char*> campos;
};

const std::vector<TabelaChave>& MapaChaves() {
    static const std::vector<TabelaChave> m = {
        {"PEDVENDA", {"NUM_PV"}},
        {"ITENSPV", {"PEDIDO_IT", "ITEM_IT"}},
        {"ITENSPVGRADE", {"PEDIDO_IT", "ITEM_IT", "TAM_IT", "QTPED_IT"}},
        {"COTAREPRES", {"COD_CT"}},
        {"ITENSPV_EMBALAGEM", {"PEDIDO_IT", "ITEM_IT", "ORDEM_IT"}},
        {"TABELA", {"NUM_TA", "COD_TA"}},
        {"FICHATEC", {"TIPO_FT", "COD_FT", "MPRIMA_FT", "COR_FT", "TAM_FT", "IDENT_FT", "CONSUMO_FT"}},
        {"FICHATEC_PROD", {"TIPO_FTP", "COD_FTP", "PROD_FTP"}},
        {"DUPLICATAS", {"NUM_DP", "ORD_DP", "FILIAL_DP", "ID_DP"}},
        {"PRAZOPAGTO", {"ID_PP"}},
        {"PRAZOPAGTO_PARC", {"ID_PA"}},
        {"TABELA_PRECOS", {"ID_TP"}},
        {"TABELA_PRECOS_PRODS", {"ID_TABELA_PRECOS_TP", "ID_TP"}},
        {"TABELA_PRECOS_PRAZOS", {"ID_TABELA_PRECOS_TP", "ID_TP"}},
        {"TABELA_PRECOS_DESCTO", {"ID_TABELA_PRECOS_TD", "ID_TD"}},
        {"TABELA_PRECOS_REPRES", {"ID_TABELA_PRECOS_TR", "ID_TR"}},
        {"TABELA_PRECOS_CLIENTES", {"ID_TABELA_PRECOS_TC", "ID_TC"}},
        {"TABELA_PRECOS_UFREG", {"ID_TABELA_PRECOS_UR", "ID_UR"}},
        {"PEDVENDA_PARCELAS", {"ID_PP"}},
        {"PEDVENDA_PARCELAS_PED", {"PEDVENDA_PP", "DIAS_PP", "ID_PP"}},
        {"NOTAENT", {"FILIAL_NE", "FORNEC_NE", "DOCTO_NE", "SERIE_NE"}},
        {"NOTASAI", {"FILIAL_NS", "DOCTO_NS", "SERIE_NS"}},
        {"ITENSNS", {"FILIAL_SA", "DOCTO_SA", "SERIE_SA", "ITEM_SA"}},
        {"ENTRADAPROD", {"FORNEC_EP", "DOCTO_EP", "SERIE_EP", "FILIAL_EP", "ITEM_EP", "ORDEM_EP"}},
        {"TITULO", {"NUM_TI", "ORD_TI", "FILIAL_TI", "FORNEC_TI", "ID_TI"}},
        {"CONTA", {"COD_CO"}},
        {"MPRIMA", {"COD_MP"}},
        {"MPRIMA_ATIVO_IMOB", {"ID_MA", "MPRIMA_MA"}},
        {"ATIVO_IMOB_OPERACOES", {"ID_AO", "MPRIMA_AO"}},
        {"PRODUTO", {"COD_PR"}},
        {"PRODUTO_FCI", {"ID_PF", "PROD_PF", "PADRON_PF", "TAM_PF"}},
        {"REPRESENTANTE", {"COD_RE"}},
        {"FORNECEDOR", {"CODIGO"}},
        {"PEDCOMPRA", {"NUM_PC"}},
        {"ITENSPEDCOMPRA", {"NUM_PC", "ITEM_IPC"}},
        {"ITEMGRADECOMPRA", {"NUM_PC", "ITEM_IPC", "ORDEM_IPCG"}},
        {"PEDCOMPRA_TITULO", {"NUMPED_PT", "NUMTIT_PT", "ORDTIT_PT", "FILIALTIT_PT", "FORNECTIT_PT"}},
        {"CCUSTO", {"NUMDUP_CC", "FILIAL_CC", "FORNEC_CC", "CODCONTAB_CC"}},
        {"FILIAL", {"COD_FI"}},
        {"CLIENTE", {"COD_CL"}},
        {"PARAM", {"GRUPO_PA", "PARAM_PA"}},
        {"LANCTO", {"CODLANCTO_LA", "DOCTO_LA", "FILIAL_LA", "CONTA_LA", "DEBCRED_LA"}},
        {"CARGA_PED", {"CARGA_CP", "PEDIDO_CP"}},
        {"ENDERCLI", {"CODCLI_EN", "TIPO_EN"}},
        {"CHEQUES_REC", {"NUM_CH", "BANCO_CH", "AGENCIA_CH", "CONTA_CH"}},
        {"NOTAENT_FRETE", {"FILIAL_NE", "FORNEC_NE", "DOCTO_NE", "SERIE_NE"}},
        {"EXTERNO", {"PROG_EX", "FICHA_EX", "SUBFICHA_EX", "TP_SERV_EX"}},
        {"PADRONIZ_PRODUTO_TAM_BLOQ", {"PADRONIZ_TB", "PROD_TB", "TAM_TB"}},
        {"PADRONIZ_TAM", {"PROD_PT", "PADRON_PT", "IDENT_PT", "TAM_PT"}},
        {"PROGRAMACAO", {"NUM_PO"}},
        {"ITENSPV_EXTERNO", {"ID_IE", "PEDIDO_IE", "ITEM_IE"}},
        {"ITENSPV_EXTERNO_QTDE", {"ID_IQ", "ID_ITENSPV_EXTERNO_IQ"}},
        {"PROGRAMACAO_EXTERNO", {"ID_PE", "PROG_PE", "PROD_PE", "PADRON_PE", "TERCEIRIZADO_PE", "TPSERV_PE"}},
        {"PRODUCAO_SETOR", {"PROG_PS", "FICHA_PS", "SUBFICHA_PS", "SETOR_PS"}},
        {"ENTRADAMP_ITEMGRADECOMPRA",
         {"ID_EI", "FILIAL_EMP_EI", "FORNEC_EMP_EI", "DOCTO_EMP_EI", "SERIE_EMP_EI", "ITEM_EMP_EI", "ORDEM_EMP_EI",
          "NUM_PC_EI", "ITEM_IPC_EI", "ORDEM_IPCG_EI"}},
        {"PRODUTO_FORMA", {"PROD_PF", "TIPO_PF", "ITEM_PF", "ORDEM_PF", "TAMANHO_PF"}},
        {"PRODUTO_TAM_PESO", {"PROD_TP", "TAM_TP"}},
        {"FORMA", {"ID_FO"}},
        {"SETOR", {"COD_SE"}},
        {"FORMA_ITEM", {"ID_FI", "ID_FORMA_FI", "ITEM_FI", "ORDEM_FI"}},
        {"FORMA_PRODUTO", {"FORMA_FP", "PROD_FP"}},
        {"ENTRADAMP", {"FILIAL_EMP", "FORNEC_EMP", "DOCTO_EMP", "SERIE_EMP", "ITEM_EMP", "ORDEM_EMP"}},
        {"FACA", {"COD_FC"}},
        {"DUPLIC_ABATIMENTO", {"NUM_DA", "ORD_DA", "FILIAL_DA"}},
        {"TABELA_IBPT", {"ID_IB", "CODIGO_IB"}},
        {"FICHA_AUXILIAR", {"PROD_FA", "IDENT_FA", "SETOR_FA"}},
        {"COTA_PROG", {"ID_CP"}},
        {"PROD_ITEM_ESTOQUE", {"ID_PI", "PROD_PI", "PADRON_PI", "TAMANHO_PI"}},
        {"COTA_PROG_ITEM", {"ID_CI", "ID_COTA_PROG_CI"}},
        {"CCREPRES", {"REPRES_CC", "DATA_CC", "DOCTO_CC", "TIPO_CC"}},
        {"PRECOSER", {"TERCEIRIZADO_PS", "PROD_PS", "TP_SERV_PS"}},
    };
    return m;
}

std::vector<std::string> Separar(const std::string& s) {
    std::vector<std::string> r;
    std::string cur;
    for (char c : s) {
        if (c == ';') {
            if (!cur.empty()) r.push_back(plat::MaiusculasAscii(cur));
            cur.clear();
        } else if (c != ' ') {
            cur += c;
        }
    }
    if (!cur.empty()) r.push_back(plat::MaiusculasAscii(cur));
    return r;
}

std::size_t IndiceCampo(const db::FieldDefs& campos, const std::string& nome) {
    int i = campos.IndexOf(nome);
    if (i < 0) throw std::runtime_error("Field '" + nome + "' not found");
    return static_cast<std::size_t>(i);
}

}  // namespace

TDmGlobal::TDmGlobal(db::Connection& principal) : stpGravarLog(principal), conn_(&principal) {
    stpGravarLog.SetSQL("execute procedure GRAVALOG(:CHAVE, :ARQ, :CAMPO, :USUARIO, :DATA, :VRANT, :VRATU)");
}

double TDmGlobal::AgoraServidor() {
    if (DataServidor) return DataServidor();
    db::Query q(*conn_);
    q.SetTransaction(stpGravarLog.GetTransaction());
    q.SetSQL("select current_timestamp as AGORA from RDB$DATABASE");
    q.Open();
    return q.FieldByName("AGORA").AsDateTime();
}

void ObterCamposChave(const db::FieldDefs& campos, const std::string& camposIndice, std::vector<std::string>& lista,
                      const std::string& tabela) {
    const std::string t = plat::MaiusculasAscii(tabela);
    for (const auto& e : MapaChaves())
        if (t == e.tabela)
            for (const char* c : e.campos) lista.emplace_back(c);
    if (!lista.empty()) return;
    const auto indice = Separar(camposIndice);
    for (const auto& f : campos)
        for (const auto& i : indice)
            if (plat::MaiusculasAscii(f.name) == i) {
                lista.push_back(f.name);
                break;
            }
}

void ObterCamposChave(db::ClientDataSet& cds, std::vector<std::string>& lista, const std::string& tabela) {
    ObterCamposChave(cds.GetFieldDefs(), cds.IndexFieldNames(), lista, tabela);
}

void AtualizarCampoLog(TListaCamposLog& lista, const std::string& operacao, const std::string& campo,
                       const std::string& valor) {
    std::size_t i = 0;
    for (;; ++i) {
        if (i == lista.size()) lista.emplace_back();
        if (lista[i].Campo == campo || lista[i].Campo.empty()) break;
    }
    TRegCamposLog& e = lista[i];
    e.Campo = campo;
    e.Alterado = e.Inserido = e.Excluido = false;
    if (operacao == "I")
        e.Inserido = true;
    else if (operacao == "E")
        e.Excluido = true;
    else if (operacao == "U")
        e.ValorAnterior = valor;
    else if (valor != e.ValorAnterior) {
        e.ValorAtual = valor;
        e.Alterado = true;
    }
}

void GravarLog(TDmGlobal& owner, const std::string& chave, const std::string& tabela, const std::string& campo,
               const std::string& valorAnterior, const std::string& valorAtual) {
    auto& p = owner.stpGravarLog;
    p.ParamByName("CHAVE").SetAsString(plat::CortarCaracteres(chave, 30));
    p.ParamByName("ARQ").SetAsString(tabela);
    p.ParamByName("CAMPO").SetAsString(campo);
    p.ParamByName("USUARIO").SetAsString(owner.Usuario);
    p.ParamByName("DATA").SetAsDateTime(owner.AgoraServidor());
    p.ParamByName("VRANT").SetAsString(plat::CortarCaracteres(valorAnterior, 100));
    p.ParamByName("VRATU").SetAsString(plat::CortarCaracteres(valorAtual, 100));
    p.ExecSQL();
}

void GerarLog(TDmGlobal& owner, const std::string& tabela, const db::DataPacket& delta,
              const std::string& camposIndice) {
    if (delta.rows.empty()) return;
    std::vector<std::string> chaves;
    ObterCamposChave(delta.fields, camposIndice, chaves, tabela);
    std::vector<std::size_t> idxChaves;
    for (const auto& c : chaves) idxChaves.push_back(IndiceCampo(delta.fields, c));

    const std::string t = plat::MaiusculasAscii(tabela);
    TListaCamposLog lista(1);
    const auto& rows = delta.rows;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const db::PacketRow& row = rows[r];
        std::string chave;
        for (std::size_t i : idxChaves) {
            if (!chave.empty()) chave += "|";
            chave += row.values[i].AsString();
        }
        const auto st = row.status;
        const char* marca = st == db::UpdateStatus::Deleted    ? "EXCLUIDO"
                            : st == db::UpdateStatus::Inserted ? "INSERIDO"
                                                               : nullptr;
        if (t == "ITENSPV_EMBALAGEM") {
            if (marca)
                GravarLog(owner, chave, tabela, marca,
                          row.values[IndiceCampo(delta.fields, "NUMERACAO_IT")].AsString(),
                          row.values[IndiceCampo(delta.fields, "QTPARES_IT")].AsString());
            continue;
        }
        if (t == "LANCTO") {
            if (marca)
                GravarLog(owner, chave, tabela, marca,
                          "Data: " + row.values[IndiceCampo(delta.fields, "DATA_LA")].AsString() + " - Valor: " +
                              row.values[IndiceCampo(delta.fields, "VALOR_LA")].AsCurrency().Format(2, true),
                          "");
            continue;
        }
        if (marca) {
            GravarLog(owner, chave, tabela, marca, marca, marca);
        } else if (st == db::UpdateStatus::Unmodified) {
            for (std::size_t f = 0; f < delta.fields.Count(); ++f)
                AtualizarCampoLog(lista, "U", delta.fields[f].name, row.values[f].AsString());
            if (r + 1 < rows.size() && rows[r + 1].status == db::UpdateStatus::Modified) {
                ++r;
                const db::PacketRow& mod = rows[r];
                for (std::size_t f = 0; f < delta.fields.Count(); ++f)
                    if (mod.Assigned(f))
                        AtualizarCampoLog(lista, "M", delta.fields[f].name, mod.values[f].AsString());
            }
        }
        for (auto& e : lista) {
            if (e.Alterado) GravarLog(owner, chave, tabela, e.Campo, e.ValorAnterior, e.ValorAtual);
            e.Campo.clear();
            e.Alterado = false;
        }
    }
}

void GerarLog(TDmGlobal& owner, const std::string& tabela, db::ClientDataSet& cds) {
    db::DataPacket d = cds.Delta();
    GerarLog(owner, tabela, d, cds.IndexFieldNames());
}
