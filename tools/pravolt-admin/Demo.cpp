#include "Demo.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string_view>
#include <tuple>
#include <vector>

#include "db/Query.h"
#include "platform/DataHora.h"
#include "rules/USenha.h"

namespace demo {

const char* const kNomeEmpresa = "CALÇADOS EXEMPLO LTDA";

const UsuarioDemo kUsuarios[] = {
    {"DIRETOR", "diretor"},
    {"GERENTE", "gerente"},
    {"OPERADOR", "operador"},
};
const int kQuantidadeUsuarios = 3;

namespace {

using db::Value;

// One INSERT prepared once and run for every row, inside the loader's transaction.
class Insercao {
public:
    Insercao(db::Connection& conn, db::Transaction& tr, const std::string& tabela,
             std::initializer_list<const char*> colunas)
        : q_(conn) {
        q_.SetTransaction(&tr);
        std::string cols, vals;
        for (const char* c : colunas) {
            if (!cols.empty()) {
                cols += ", ";
                vals += ", ";
            }
            cols += c;
            vals += ":";
            vals += c;
        }
        q_.SetSQL("insert into " + tabela + " (" + cols + ") values (" + vals + ")");
        for (const char* c : colunas) params_.push_back(&q_.ParamByName(c));
    }
    Insercao& operator()(std::size_t i, Value v) {
        params_[i]->SetValue(std::move(v));
        return *this;
    }
    void Gravar() {
        q_.ExecSQL();
        ++linhas_;
    }
    std::int64_t Linhas() const { return linhas_; }

private:
    db::Query q_;
    std::vector<db::Param*> params_;
    std::int64_t linhas_ = 0;
};

Value Texto(std::string s) { return Value::Text(std::move(s)); }
Value Inteiro(std::int64_t v) { return Value::Integer(v); }
Value Centavos(std::int64_t c) { return Value::Decimal(c, 2); }
Value Data(plat::TDateTime d) { return Value::DateTime(d); }

std::string Zeros(std::int64_t n, int largura) {
    std::string s = std::to_string(n);
    if (static_cast<int>(s.size()) < largura) s.insert(0, largura - s.size(), '0');
    return s;
}

// ---- fixed tables --------------------------------------------------------------------

struct TipoServico {
    const char* cod;
    const char* desc;
    const char* setorSaida;
    const char* setorRetorno;
};
// Service types of list 35. The sector pairs of the first eight follow the service-type
// to sector map that one installation uses.
const TipoServico kTipos[] = {
    {"B", "BORDADO", "11", "10"},
    {"FS", "FORRAÇÃO DE SALTO", "04", "15"},
    {"PC", "PESPONTO DE CABEDAL", "09", "14"},
    {"E", "ENFEITES E APLICAÇÕES", "16", "17"},
    {"P", "PESPONTO", "02", "05"},
    {"F", "FACHETA", "27", "28"},
    {"O", "OVERLOQUE", "20", "21"},
    {"M", "MONTAGEM", "24", "25"},
    {"C", "CORTE A FACA", "01", "03"},
    {"D", "DUBLAGEM", "03", "04"},
    {"L", "LIXAMENTO DE SOLA", "25", "30"},
    {"I", "INSPEÇÃO DE QUALIDADE", "30", "24"},
};
constexpr int kQtdTipos = sizeof(kTipos) / sizeof(kTipos[0]);
constexpr int kTipoInspecao = kQtdTipos - 1;  // "I": written beside dispatches, never alone

struct Setor {
    const char* cod;
    const char* nome;
    const char* anteriores;  // nullptr: none
};
const Setor kSetores[] = {
    {"01", "CORTE", nullptr},
    {"02", "PESPONTO SAI", "01"},
    {"03", "PREPARAÇÃO", "01"},
    {"04", "FORRAÇÃO SAI", "01,03"},
    {"05", "PESPONTO RET", "02"},
    {"09", "CABEDAL SAI", "01, 03"},
    {"10", "BORDADO RET", "11"},
    {"11", "BORDADO SAI", "01"},
    {"14", "CABEDAL RET", "09"},
    {"15", "FORRAÇÃO RET", "04"},
    {"16", "ENFEITE SAI", "02"},
    {"17", "ENFEITE RET", "16"},
    {"20", "OVERLOQUE SAI", "01"},
    {"21", "OVERLOQUE RET", "20"},
    {"24", "MONTAGEM SAI", "05 14"},
    {"25", "MONTAGEM RET", "24"},
    {"27", "FACHETA SAI", "01"},
    {"28", "FACHETA RET", "27"},
    {"30", "EXPEDIÇÃO", "24,25"},
};

struct Terceirizado {
    int cod;
    const char* nome;
    std::int64_t precoCentavos;
    int giro;
    bool ativo;
    std::vector<std::string> tipos;  // empty: offered every type
};
const std::vector<Terceirizado>& Terceirizados() {
    static const std::vector<Terceirizado> lista = {
        {1, "ATELIÊ BOA VISTA LTDA", 150, 2500, true, {"P", "PC"}},
        {2, "BORDADOS SANTA CLARA", 220, 1200, true, {"B"}},
        {3, "PESPONTO IRMÃOS ROSA", 135, 3000, true, {"P", "PC", "FS"}},
        {4, "FACÇÃO NOVA ESPERANÇA", 95, 1800, true, {"F", "FS"}},
        {5, "COSTURAS VALE DO SINOS", 140, 2200, true, {"P", "O"}},
        {6, "MONTAGEM TRÊS COROAS", 310, 1500, true, {"M", "L"}},
        {7, "ENFEITES PRIMAVERA ME", 80, 900, true, {"E"}},
        {8, "OVERLOQUE SÃO JOSÉ", 60, 1400, true, {"O"}},
        {9, "FACHETAS DOIS IRMÃOS", 70, 1000, true, {"F"}},
        {10, "ATELIÊ MARIA DA GRAÇA", 120, 600, true, {}},
        {11, "CORTE & DUBLAGEM GRAMADO", 45, 4000, true, {"C", "D"}},
        {12, "OFICINA PAROBÉ LTDA", 130, 800, false, {"P"}},
    };
    return lista;
}
// Workshops that price the quality inspection ("I") of every product.
const int kInspecao[] = {1, 3, 5};

const char* const kCores[] = {"PRETO",    "CAFÉ",    "BRANCO",  "CARAMELO", "MARINHO",
                              "VERMELHO", "NUDE",    "PRATA",   "DOURADO",  "CAMEL"};

struct Produto {
    std::string cod;
    std::vector<std::string> padroes;
};

// ---- dates -----------------------------------------------------------------------------

struct Calendario {
    plat::TDateTime hoje;
    plat::TDateTime inicioAno;
    plat::TDateTime inicioAnoPassado;
};
constexpr std::int64_t kDiasRecentes = 60;

Calendario Hoje() {
    Calendario c;
    c.hoje = plat::Hoje();
    int a, m, d;
    plat::DecodeDate(c.hoje, a, m, d);
    c.inicioAno = plat::EncodeDate(a, 1, 1);
    c.inicioAnoPassado = plat::EncodeDate(a - 1, 1, 1);
    return c;
}

void Informar(const Opcoes& o, const std::string& texto) {
    if (o.progresso) o.progresso(texto);
}

}  // namespace

void PreencherAcesso(db::Connection& conn) {
    db::Transaction tr = conn.StartTransaction();

    Insercao usu(conn, tr, "USUARIOS", {"NOME_US", "SENHA_US", "NOME_COMPLETO_US"});
    const char* nomes[] = {"Diretor da fábrica", "Gerente de produção", "Operador da expedição"};
    for (int i = 0; i < kQuantidadeUsuarios; ++i) {
        usu(0, Texto(kUsuarios[i].nome))(1, Value::Bytes(FormatarSenha(kUsuarios[i].nome, kUsuarios[i].senha)))(
            2, Texto(nomes[i]));
        usu.Gravar();
    }

    Insercao grp(conn, tr, "GRUPOS", {"CODIGO_GR", "DESCRICAO_GR"});
    grp(0, Inteiro(1))(1, Texto("Cadastros")).Gravar();
    grp(0, Inteiro(2))(1, Texto("Produção")).Gravar();

    Insercao opc(conn, tr, "OPCOES", {"GRUPO_OP", "OPCAO_OP", "DESCRICAO_OP"});
    opc(0, Inteiro(1))(1, Texto("CAD_TERCEIRIZADO"))(2, Texto("Terceirizados")).Gravar();
    opc(0, Inteiro(2))(1, Texto("DISTRIBUICAO_SERVICOS"))(2, Texto("Distribuição de Serviços Externos")).Gravar();

    Insercao menu(conn, tr, "MENU", {"GRUPO_ME", "OPCAO_ME", "CAPTION_ME", "ORDEM_ME"});
    menu(0, Inteiro(1))(1, Texto("CAD_TERCEIRIZADO"))(2, Texto("&Terceirizados"))(3, Inteiro(1)).Gravar();
    menu(0, Inteiro(2))(1, Texto("DISTRIBUICAO_SERVICOS"))(2, Texto("&Distribuição de Serviços Externos"))(
        3, Inteiro(1)).Gravar();

    Insercao gm(conn, tr, "GRUPOS_MENU_USUARIO", {"USUARIO_GM", "CODGRUPO_GM", "DESC_GM"});
    gm(0, Texto("DIRETOR"))(1, Inteiro(1))(2, Texto("Favoritos")).Gravar();
    Insercao om(conn, tr, "OPCOES_MENU_USUARIO", {"USUARIO_OP", "GRUPO_MENU_OP", "OPCAO_OP"});
    om(0, Texto("DIRETOR"))(1, Inteiro(1))(2, Texto("DISTRIBUICAO_SERVICOS")).Gravar();

    Insercao fil(conn, tr, "FILIAL_USUARIOS", {"USUARIO_FU", "FILIAL_FU"});
    fil(0, Texto("DIRETOR"))(1, Texto("1")).Gravar();
    fil(0, Texto("DIRETOR"))(1, Texto("2")).Gravar();
    fil(0, Texto("GERENTE"))(1, Texto("1")).Gravar();
    fil(0, Texto("OPERADOR"))(1, Texto("1")).Gravar();

    Insercao cfg(conn, tr, "CONFIG", {"NOME_EMPRESA"});
    cfg(0, Texto(kNomeEmpresa)).Gravar();

    tr.Commit();
}

Resumo PreencherPrincipal(db::Connection& conn, const Opcoes& opcoes) {
    Resumo r;
    const Calendario cal = Hoje();
    std::mt19937_64 rnd(20240613);
    auto entre = [&](std::int64_t a, std::int64_t b) {  // inclusive
        return std::uniform_int_distribution<std::int64_t>(a, b)(rnd);
    };
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rnd) < p; };

    db::Transaction tr = conn.StartTransaction();

    // ---- settings ----------------------------------------------------------------------
    Insercao cfg(conn, tr, "CONFIG", {"NOME_EMPRESA"});
    cfg(0, Texto(kNomeEmpresa)).Gravar();

    Insercao par(conn, tr, "PARAM", {"GRUPO_PA", "PARAM_PA", "VALOR_PA", "DESCRICAO_PA"});
    const std::array<std::array<const char*, 4>, 8> params = {{
        {"ATU_PRODUCAO", "BAIXA_SETOR_ENTRADA", "N",
         "S: a saída registra a entrada no setor e o retorno a saída"},
        {"DISTRIBUICAO_SERVICOS", "SETOR_OBRIGATORIO", "N", "S: não grava sem setor"},
        {"DISTRIBUICAO_SERVICOS", "VERIFICAR_SETOR_ANT_BAIXADO", "N",
         "S: exige os setores anteriores baixados"},
        {"DISTRIBUICAO_SERVICOS", "BLOQUEIO_DATA", "N", "S: a data é sempre a do servidor"},
        {"SERVICO_EXTERNO", "ATUALIZA_PRODUCAO_SETOR", "S",
         "N: não atualiza a produção por setor"},
        {"DISTRIBUICAO_SERVICOS", "BLOQUEAR_PRECO", "N",
         "S: o preço vem somente da tabela de preços de serviço"},
        {"ATU_PRODUCAO", "DIST_SERV_POR_CODBAR", "N",
         "S: programação aceita o código de barras da ficha"},
        {"COD_CONTABIL", "FORMATO", "0102020305", "largura de cada nível da conta contábil"},
    }};
    for (const auto& p : params)
        par(0, Texto(p[0]))(1, Texto(p[1]))(2, Texto(p[2]))(3, Texto(p[3])).Gravar();

    // ---- service types, sectors, workshops -------------------------------------------
    Insercao tab(conn, tr, "TABELA", {"NUM_TA", "COD_TA", "DESC_TA", "TAMCOD_TA", "SIT_TA"});
    for (const auto& t : kTipos)
        tab(0, Texto("35"))(1, Texto(t.cod))(2, Texto(t.desc))(3, Inteiro(2))(4, Texto("A")).Gravar();

    Insercao set(conn, tr, "SETOR", {"COD_SE", "NOME_SE", "SETORANT_SE"});
    for (const auto& s : kSetores)
        set(0, Texto(s.cod))(1, Texto(s.nome))(2, s.anteriores ? Texto(s.anteriores) : Value()).Gravar();

    auto tipoPorCodigo = [](const std::string& cod) -> const TipoServico& {
        for (const auto& t : kTipos)
            if (cod == t.cod) return t;
        return kTipos[0];
    };

    Insercao ter(conn, tr, "TERCEIRIZADO", {"COD_BA", "NOME_BA", "PRECO_BA", "GIRO_BA", "ATIVO_BA"});
    Insercao ets(conn, tr, "EXTERNO_TPSERVICO", {"TERCEIRIZADO_ET", "TP_SERVICO_ET"});
    Insercao ese(conn, tr, "EXTERNO_SETOR", {"TERCEIRIZADO_ES", "SETOR_ES"});
    for (const auto& t : Terceirizados()) {
        ter(0, Inteiro(t.cod))(1, Texto(t.nome))(2, Centavos(t.precoCentavos))(3, Inteiro(t.giro))(
            4, Texto(t.ativo ? "S" : "N")).Gravar();
        std::set<std::string> setores;
        for (const auto& tipo : t.tipos) {
            ets(0, Inteiro(t.cod))(1, Texto(tipo)).Gravar();
            setores.insert(tipoPorCodigo(tipo).setorSaida);
            setores.insert(tipoPorCodigo(tipo).setorRetorno);
        }
        for (const auto& s : setores) ese(0, Inteiro(t.cod))(1, Texto(s)).Gravar();
    }
    r.terceirizados = static_cast<std::int64_t>(Terceirizados().size());

    // Who performs each type: the workshops that list it; now and then one of those that
    // list nothing (they are offered every type).
    std::map<std::string, std::vector<const Terceirizado*>> executores;
    std::vector<const Terceirizado*> generalistas;
    for (const auto& t : Terceirizados())
        if (t.tipos.empty()) generalistas.push_back(&t);
    for (int i = 0; i < kTipoInspecao; ++i) {
        auto& v = executores[kTipos[i].cod];
        for (const auto& t : Terceirizados())
            if (std::find(t.tipos.begin(), t.tipos.end(), kTipos[i].cod) != t.tipos.end()) v.push_back(&t);
    }

    // ---- products, standardisations, prices ------------------------------------------
    const int qtdProdutos = static_cast<int>(std::clamp<std::int64_t>(opcoes.fichas / 50, 30, 400));
    std::vector<Produto> produtos;
    Insercao pad(conn, tr, "PADRONIZ_PRODUTO", {"PADRONIZ_PP", "PROD_PP", "DESC_PP"});
    for (int i = 0; i < qtdProdutos; ++i) {
        Produto p;
        p.cod = std::to_string(100100 + i * 7);
        int n = static_cast<int>(entre(2, 4));
        int primeira = static_cast<int>(entre(0, 9));
        for (int k = 0; k < n; ++k) {
            std::string codPad = Zeros(k + 1, 3);
            pad(0, Texto(codPad))(1, Texto(p.cod))(2, Texto(kCores[(primeira + k * 3) % 10])).Gravar();
            p.padroes.push_back(codPad);
        }
        produtos.push_back(std::move(p));
    }

    // (workshop, product, type) -> price in cents
    std::map<std::tuple<int, std::string, std::string>, std::int64_t> precos;
    Insercao pre(conn, tr, "PRECOSER", {"TERCEIRIZADO_PS", "PROD_PS", "TP_SERV_PS", "VALOR_PS"});
    for (const auto& t : Terceirizados()) {
        std::vector<std::string> tipos = t.tipos;
        for (int c : kInspecao)
            if (c == t.cod) tipos.push_back("I");
        for (const auto& p : produtos)
            for (const auto& tipo : tipos) {
                if (tipo != "I" && !chance(0.8)) continue;  // some products have no price
                std::int64_t v = t.precoCentavos + entre(-30, 120);
                if (v < 20) v = 20;
                pre(0, Inteiro(t.cod))(1, Texto(p.cod))(2, Texto(tipo))(3, Centavos(v)).Gravar();
                precos[{t.cod, p.cod, tipo}] = v;
            }
    }
    Informar(opcoes, "  registers: " + std::to_string(r.terceirizados) + " workshops, " +
                         std::to_string(qtdProdutos) + " products, " + std::to_string(pre.Linhas()) +
                         " prices");

    // ---- tickets, dispatches and progress --------------------------------------------
    Insercao itm(conn, tr, "ITENSPV", {"PEDIDO_IT", "ITEM_IT", "PROD_IT", "PADRON_IT", "PROG_IT", "FICHA_IT"});
    Insercao gra(conn, tr, "ITENSPVGRADE", {"PEDIDO_IT", "ITEM_IT", "TAM_IT", "QTPED_IT"});
    Insercao sub(conn, tr, "SUBPROD", {"ID_PR", "PROG_PR", "FICHA_PR", "SUBFICHA_PR", "QTDE_PR"});
    Insercao ext(conn, tr, "EXTERNO",
                 {"TERCEIRIZADO_EX", "TP_SERV_EX", "PROG_EX", "FICHA_EX", "SUBFICHA_EX", "SAIDA_EX",
                  "RETORNO_EX", "VALOR_EX", "QTDE_EX", "OBS_EX", "SETOR_SAI_EX", "SETOR_ENT_EX"});
    Insercao pro(conn, tr, "PRODUCAO_SETOR",
                 {"PROG_PS", "FICHA_PS", "SUBFICHA_PS", "SETOR_PS", "ID_PS", "DTSAIDA_PS", "HORASAIDA_PS",
                  "QTDE_PS"});

    const std::int64_t fichasPorProg = 40;
    const std::int64_t fichasPorPedido = 10;
    std::int64_t proximoIdSub = 100000001;
    const char* const obs[] = {"URGENTE", "CONFERIR COR DA LINHA", "ENTREGAR ATÉ SEXTA-FEIRA"};

    auto hora = [&]() { return Zeros(entre(7, 17), 2) + ":" + Zeros(entre(0, 59), 2); };

    for (std::int64_t f = 0; f < opcoes.fichas; ++f) {
        const std::string prog = Zeros(1001 + f / fichasPorProg, 6);
        const std::string ficha = Zeros(1 + f % fichasPorProg, 4);
        const std::string pedido = Zeros(500001 + f / fichasPorPedido, 8);
        const std::int64_t itemBase = (f % fichasPorPedido) * 2;

        // Order items: one product, sometimes two; sizes 33 to 40.
        std::int64_t pares = 0;
        std::string prodPrincipal;
        int nItens = chance(0.15) ? 2 : 1;
        for (int k = 0; k < nItens; ++k) {
            const Produto& p = produtos[entre(0, qtdProdutos - 1)];
            if (k == 0) prodPrincipal = p.cod;
            const std::string item = Zeros(itemBase + k + 1, 2);
            itm(0, Texto(pedido))(1, Texto(item))(2, Texto(p.cod))(
                3, Texto(p.padroes[entre(0, static_cast<std::int64_t>(p.padroes.size()) - 1)]))(4, Texto(prog))(
                5, Texto(ficha)).Gravar();
            int tamIni = static_cast<int>(entre(33, 36));
            int tamFim = static_cast<int>(entre(tamIni + 2, 40));
            for (int tam = tamIni; tam <= tamFim; ++tam) {
                std::int64_t q = entre(1, 12);
                pares += q;
                gra(0, Texto(pedido))(1, Texto(item))(2, Texto(std::to_string(tam)))(3, Centavos(q * 100)).Gravar();
            }
        }
        ++r.fichas;

        // Sub-tickets: about a third of the tickets are split in two to four parts.
        struct Parte {
            std::string sub;
            std::int64_t pares;
        };
        std::vector<Parte> partes;
        if (pares >= 8 && chance(0.35)) {
            int n = static_cast<int>(entre(2, 4));
            std::int64_t resto = pares;
            for (int k = 0; k < n; ++k) {
                std::int64_t q = (k == n - 1) ? resto : std::max<std::int64_t>(1, resto / (n - k));
                resto -= q;
                Parte parte{Zeros(k + 1, 4), q};
                sub(0, Inteiro(proximoIdSub++))(1, Texto(prog))(2, Texto(ficha))(3, Texto(parte.sub))(
                    4, Inteiro(q)).Gravar();
                partes.push_back(parte);
            }
        }

        // The ticket's history starts on a day between January of last year and today; a
        // fifth of the tickets start in the last sixty days, evenly, so the recent weeks
        // (this month's counters) run at a steady, busier pace whatever today's date.
        plat::TDateTime inicio;
        if (chance(0.2))
            inicio = cal.hoje - entre(0, kDiasRecentes - 1);
        else
            inicio = cal.inicioAnoPassado + entre(0, static_cast<std::int64_t>(cal.hoje - cal.inicioAnoPassado));

        std::set<std::tuple<std::string, std::string>> progresso;  // (sub-ticket, sector)
        auto registrarProgresso = [&](const std::string& subf, const std::string& setor, plat::TDateTime dia,
                                      std::int64_t qtde) {
            if (!progresso.insert({subf, setor}).second) return;
            pro(0, Texto(prog))(1, Texto(ficha))(2, Texto(subf))(3, Texto(setor))(4, Inteiro(0))(5, Data(dia))(
                6, Texto(hora()))(7, Inteiro(qtde)).Gravar();
        };
        registrarProgresso("0000", "01", inicio, pares);  // cut

        // About five dispatches per ticket, each of a different service type. The history
        // runs as a real one does: a step that would fall after today has not happened yet
        // (the ticket's later dispatches are still to come, a return still awaited), so
        // today holds a day's share of the month, not everything due later.
        std::vector<int> tipos;
        for (int i = 0; i < kTipoInspecao; ++i) tipos.push_back(i);
        std::shuffle(tipos.begin(), tipos.end(), rnd);
        int nDesp = static_cast<int>(entre(3, 7));
        plat::TDateTime dia = inicio;
        for (int k = 0; k < nDesp; ++k) {
            const TipoServico& tipo = kTipos[tipos[k]];
            const auto& candidatos =
                executores[tipo.cod].empty() || chance(0.08) ? generalistas : executores[tipo.cod];
            const Terceirizado* t = candidatos[entre(0, static_cast<std::int64_t>(candidatos.size()) - 1)];
            dia += entre(0, 4);
            if (dia > cal.hoje) break;
            const plat::TDateTime retorno = dia + entre(1, 12);
            // The inactive workshop only has old work, all of it returned.
            if (!t->ativo && (dia > cal.inicioAno || retorno > cal.hoje)) t = executores[tipo.cod].front();

            std::string subf = "0000";
            std::int64_t qtde = pares;
            if (!partes.empty() && chance(0.3)) {
                const Parte& p = partes[entre(0, static_cast<std::int64_t>(partes.size()) - 1)];
                subf = p.sub;
                qtde = p.pares;
            }
            auto preco = precos.find({t->cod, prodPrincipal, tipo.cod});
            std::int64_t valor = preco != precos.end() ? preco->second : t->precoCentavos;

            // A return due by today has nearly always come (a few are overdue); one due
            // later has not.
            const bool devido = retorno <= cal.hoje;
            const bool retornou = devido && (!t->ativo || chance(0.93));

            ext(0, Inteiro(t->cod))(1, Texto(tipo.cod))(2, Texto(prog))(3, Texto(ficha))(4, Texto(subf))(
                5, Data(dia))(6, retornou ? Data(retorno) : Value())(7, Centavos(valor))(8, Inteiro(qtde))(
                9, chance(0.02) ? Texto(obs[entre(0, 2)]) : Value())(10, Texto(tipo.setorSaida))(
                11, retornou ? Texto(tipo.setorRetorno) : Value()).Gravar();
            ++r.externos;
            if (!retornou) ++r.externosAbertos;
            registrarProgresso(subf, tipo.setorSaida, dia, qtde);
            if (retornou) registrarProgresso(subf, tipo.setorRetorno, retorno, qtde);
            // The next service follows the return; a ticket whose return is still to come
            // waits at the workshop.
            if (!devido) break;
            dia = retorno;
        }

        if ((f + 1) % 20000 == 0)
            Informar(opcoes, "  " + std::to_string(f + 1) + " tickets, " + std::to_string(r.externos) +
                                 " dispatches");
    }
    r.itens = itm.Linhas();
    r.grades = gra.Linhas();
    r.subfichas = sub.Linhas();
    r.producao = pro.Linhas();

    Informar(opcoes, "  committing");
    tr.Commit();
    return r;
}

}  // namespace demo
