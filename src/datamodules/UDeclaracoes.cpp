#include "datamodules/UDeclaracoes.h"

#include <stdexcept>

namespace dm {
namespace {

std::string Aparar(const std::string& s) {
    auto i = s.find_first_not_of(" \t");
    if (i == std::string::npos) return {};
    auto f = s.find_last_not_of(" \t");
    return s.substr(i, f - i + 1);
}

std::vector<std::string> Separar(const std::string& s, char sep) {
    std::vector<std::string> r;
    std::string atual;
    for (char c : s) {
        if (c == sep) {
            r.push_back(Aparar(atual));
            atual.clear();
        } else {
            atual += c;
        }
    }
    if (!Aparar(atual).empty() || !r.empty()) r.push_back(Aparar(atual));
    return r;
}

}  // namespace

std::vector<DeclParamProc> ParamsProc(const std::string& lista) {
    std::vector<DeclParamProc> r;
    for (const auto& item : Separar(lista, ',')) {
        if (item.empty()) throw std::invalid_argument("parâmetro vazio em \"" + lista + "\"");
        DeclParamProc p;
        const std::string sufixo = " out";
        if (item.size() > sufixo.size() && item.compare(item.size() - sufixo.size(), sufixo.size(), sufixo) == 0) {
            p.nome = Aparar(item.substr(0, item.size() - sufixo.size()));
            p.saida = true;
        } else {
            p.nome = item;
        }
        r.push_back(p);
    }
    return r;
}

std::string LeituraRegistro(const std::string& tabela, const std::string& selecao, const std::string& ordem) {
    std::string sql = "SELECT * FROM " + tabela;
    bool primeiro = true;
    for (const auto& cond : Separar(selecao, ',')) {
        auto igual = cond.find("=:");
        if (igual == std::string::npos) throw std::invalid_argument("seleção inválida: " + cond);
        sql += primeiro ? " WHERE " : " AND ";
        sql += cond.substr(0, igual) + " = :" + cond.substr(igual + 2);
        primeiro = false;
    }
    if (!ordem.empty()) sql += " ORDER BY " + ordem;
    return sql;
}

std::string ListaGeral(const std::string& num, const std::string& colunas, unsigned filtro,
                       const std::string& ordem) {
    std::string sql = "SELECT " + colunas + " FROM TABELA WHERE num_TA = '" + num + "'";
    if (filtro & CodigoNaoBranco) sql += " AND cod_TA <> ' '";
    if (filtro & DescricaoNaoBranca) sql += " AND desc_TA <> ' '";
    if (!ordem.empty()) sql += " ORDER BY " + ordem;
    return sql;
}

void Catalogo::Proc(const std::string& nome, const std::string& procedimento, const std::string& params) {
    procs.push_back(DeclStoredProc{nome, procedimento, ParamsProc(params)});
}

void Catalogo::Cadeia(const std::string& stem, const std::string& sql, std::vector<std::string> paramsCliente,
                      bool aparaTexto) {
    queries.push_back(DeclQuery{"sql" + stem, sql});
    providers.push_back(DeclProvider{"dsp" + stem, "sql" + stem});
    cds.push_back(DeclClientDataSet{"cds" + stem, "dsp" + stem, std::move(paramsCliente), aparaTexto});
}

}  // namespace dm
