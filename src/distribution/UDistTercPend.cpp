#include "distribution/UDistTercPend.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <tuple>
#include <unordered_map>

#include "db/Connection.h"
#include "db/Query.h"
#include "distribution/UDistRegras.h"

namespace dist {

const char* const kSqlTercPend = "select COD_BA, NOME_BA\nfrom TERCEIRIZADO\nwhere COD_BA = :TERC";
const char* const kSqlTiposServPend = "select COD_TA, DESC_TA\nfrom TABELA\nwhere NUM_TA = '35'";
const char* const kSqlPendencias =
    "select PROG_EX, FICHA_EX, SUBFICHA_EX, TP_SERV_EX, SETOR_SAI_EX, SAIDA_EX, QTDE_EX, VALOR_EX\n"
    "from EXTERNO\nwhere TERCEIRIZADO_EX = :TERC\nand RETORNO_EX is null\n"
    "order by SAIDA_EX, PROG_EX, FICHA_EX, SUBFICHA_EX, TP_SERV_EX";
// The product and standardisation of a ticket are those of its first order item.
const char* const kSqlRomaneio =
    "select e.PROG_EX, e.FICHA_EX, e.SUBFICHA_EX, e.TP_SERV_EX, e.QTDE_EX, e.VALOR_EX,\n"
    "(select first 1 i.PROD_IT from ITENSPV i where i.PROG_IT = e.PROG_EX and i.FICHA_IT = e.FICHA_EX\n"
    " order by i.PEDIDO_IT, i.ITEM_IT) as PROD_IT,\n"
    "(select first 1 i.PADRON_IT from ITENSPV i where i.PROG_IT = e.PROG_EX and i.FICHA_IT = e.FICHA_EX\n"
    " order by i.PEDIDO_IT, i.ITEM_IT) as PADRON_IT,\n"
    "(select first 1 p.DESC_PP from PADRONIZ_PRODUTO p where\n"
    " p.PADRONIZ_PP = (select first 1 i.PADRON_IT from ITENSPV i where i.PROG_IT = e.PROG_EX\n"
    "   and i.FICHA_IT = e.FICHA_EX order by i.PEDIDO_IT, i.ITEM_IT)\n"
    " and p.PROD_PP = (select first 1 i.PROD_IT from ITENSPV i where i.PROG_IT = e.PROG_EX\n"
    "   and i.FICHA_IT = e.FICHA_EX order by i.PEDIDO_IT, i.ITEM_IT)) as DESC_PAD\n"
    "from EXTERNO e\nwhere e.TERCEIRIZADO_EX = :TERC\nand e.SAIDA_EX >= :DIA\nand e.SAIDA_EX < :DIAFIM";

namespace {

std::string Milhares(std::int64_t v) {
    return plat::Dinheiro::FromInteger(v).Format(0, true);
}

std::string Data(plat::TDateTime d) {
    return plat::FormatDateTime("dd/mm/yyyy", d);
}

std::string TipoComDescricao(const std::string& codigo, const std::string& descricao) {
    return descricao.empty() ? codigo : codigo + " - " + descricao;
}

long long Dia(plat::TDateTime d) {
    return std::llround(plat::ParteData(d));
}

bool DiaUtil(long long dia) {
    const int s = plat::DayOfWeek(static_cast<double>(dia));  // 1 = Sunday ... 7 = Saturday
    return s != 1 && s != 7;
}

// The workshop's row, read in the load's transaction.
bool LerTerceirizado(db::Connection& c, db::Transaction& tr, std::int64_t terc, TTercPend& destino) {
    db::Query q(c);
    q.SetTransaction(&tr);
    q.SetSQL(kSqlTercPend);
    q.ParamByName("TERC").SetAsInteger(terc);
    q.Open();
    destino.codigo = terc;
    if (q.Eof()) return false;
    destino.nome = q.FieldByName("NOME_BA").AsString();
    return true;
}

std::unordered_map<std::string, std::string> LerTipos(db::Connection& c, db::Transaction& tr) {
    db::Query q(c);
    q.SetTransaction(&tr);
    q.SetSQL(kSqlTiposServPend);
    q.Open();
    std::unordered_map<std::string, std::string> tipos;
    for (const auto& l : q.Rows()) tipos.emplace(l[0].AsString(), l[1].AsString());
    return tipos;
}

// The list's own order: dispatch date (none first), programme, ticket, sub-ticket, type.
int CompararBase(const TPendencia& a, const TPendencia& b) {
    if (a.saida != b.saida) {
        if (!a.saida) return -1;
        if (!b.saida) return 1;
        return *a.saida < *b.saida ? -1 : 1;
    }
    for (auto campo :
         {&TPendencia::prog, &TPendencia::ficha, &TPendencia::subFicha, &TPendencia::tipoServico})
        if (int r = (a.*campo).compare(b.*campo)) return r < 0 ? -1 : 1;
    return 0;
}

template <class T>
int Comparar(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int CompararColuna(const TPendencia& a, const TPendencia& b, ColunaPend c) {
    switch (c) {
        case ColunaPend::Prog:
            return Comparar(a.prog, b.prog);
        case ColunaPend::Ficha:
            return Comparar(a.ficha, b.ficha);
        case ColunaPend::SubFicha:
            return Comparar(a.subFicha, b.subFicha);
        case ColunaPend::TipoServico:
            return Comparar(a.tipoServico, b.tipoServico);
        case ColunaPend::Setor:
            return Comparar(a.setor, b.setor);
        case ColunaPend::Saida:
            return Comparar(a.saida, b.saida);  // none first
        case ColunaPend::DiasUteis:
            return Comparar(a.diasUteis, b.diasUteis);
        case ColunaPend::Pares:
            return Comparar(a.pares, b.pares);
        case ColunaPend::Preco:
            return Comparar(a.preco, b.preco);
        case ColunaPend::Valor:
            return Comparar(a.valor, b.valor);
    }
    return 0;
}

std::string MotivoErro(int erro) {
    switch (erro) {
        case EACCES:
        case EPERM:
            return "sem permissão de escrita";
        case EROFS:
            return "o disco é somente de leitura";
        case ENOENT:
        case ENOTDIR:
            return "a pasta não existe";
        case ENOSPC:
        case EDQUOT:
            return "não há espaço no disco";
        case EISDIR:
            return "já existe uma pasta com esse nome";
        default:
            return std::strerror(erro);
    }
}

std::string PastaDe(const std::string& caminho) {
    const auto barra = caminho.find_last_of('/');
    if (barra == std::string::npos) return ".";
    return barra == 0 ? "/" : caminho.substr(0, barra);
}

std::string NomeDe(const std::string& caminho) {
    const auto barra = caminho.find_last_of('/');
    return barra == std::string::npos ? caminho : caminho.substr(barra + 1);
}

}  // namespace

std::string NomeTerceirizado(const TTercPend& t) {
    char cod[32];
    std::snprintf(cod, sizeof cod, "%03lld", static_cast<long long>(t.codigo));
    return t.nome.empty() ? std::string(cod) : std::string(cod) + " - " + t.nome;
}

// ---- pending list ------------------------------------------------------------------

int DiasUteisEntre(plat::TDateTime de, plat::TDateTime ate) {
    const long long a = Dia(de), b = Dia(ate);
    if (b <= a) return 0;
    // Days a+1 .. b: whole weeks hold five weekdays each; the days left are counted.
    const long long n = b - a;
    long long total = n / 7 * 5;
    for (long long d = b - n % 7 + 1; d <= b; ++d) total += DiaUtil(d) ? 1 : 0;
    return static_cast<int>(std::min<long long>(total, 1000000000));
}

plat::TDateTime CorteAtraso(plat::TDateTime agoraServidor) {
    return DiasUteisAntes(agoraServidor, kDiasUteisAtraso);
}

TListaPendencias CarregarPendencias(db::Connection& conexao, std::int64_t terc,
                                    plat::TDateTime agoraServidor) {
    TListaPendencias r;
    r.hoje = plat::ParteData(agoraServidor);
    r.corte = CorteAtraso(agoraServidor);
    db::Transaction tr = conexao.StartTransaction(db::Isolation::Snapshot, true);
    r.existe = LerTerceirizado(conexao, tr, terc, r.terc);
    if (!r.existe) {
        tr.Commit();
        return r;
    }
    const auto tipos = LerTipos(conexao, tr);
    db::Query q(conexao);
    q.SetTransaction(&tr);
    q.SetSQL(kSqlPendencias);
    q.ParamByName("TERC").SetAsInteger(terc);
    q.Open();
    std::vector<TPendencia> lidas;
    lidas.reserve(q.RecordCount());
    double diaContado = -1e9;
    int diasContados = 0;
    for (const auto& l : q.Rows()) {
        TPendencia p;
        p.prog = l[0].AsString();
        p.ficha = l[1].AsString();
        p.subFicha = l[2].AsString();
        p.tipoServico = l[3].AsString();
        if (auto t = tipos.find(p.tipoServico); t != tipos.end()) p.descTipo = t->second;
        p.setor = l[4].AsString();
        if (!l[5].IsNull()) {
            p.saida = l[5].AsDateTime();
            // the rows come by date: one count per day
            const double dia = plat::ParteData(*p.saida);
            if (dia != diaContado) {
                diaContado = dia;
                diasContados = DiasUteisEntre(dia, r.hoje);
            }
            p.diasUteis = diasContados;
            p.atrasada = *p.saida < r.corte;
        }
        p.pares = l[6].AsInteger();
        p.preco = l[7].AsCurrency();
        p.valor = p.preco * p.pares;
        lidas.push_back(std::move(p));
    }
    q.Close();
    tr.Commit();

    // The engine sends them in the list's order; the comparison here decides (the engine's
    // collation and ours agree on the codes, and nothing rests on that).
    const auto antes = [](const TPendencia& a, const TPendencia& b) { return CompararBase(a, b) < 0; };
    if (std::is_sorted(lidas.begin(), lidas.end(), antes)) {
        r.linhas = std::move(lidas);
        return r;
    }
    std::vector<std::size_t> ordem(lidas.size());
    std::iota(ordem.begin(), ordem.end(), std::size_t{0});
    std::sort(ordem.begin(), ordem.end(),
              [&](std::size_t a, std::size_t b) { return CompararBase(lidas[a], lidas[b]) < 0; });
    r.linhas.reserve(lidas.size());
    for (std::size_t i : ordem) r.linhas.push_back(std::move(lidas[i]));
    return r;
}

std::string TituloColunaPend(ColunaPend c) {
    switch (c) {
        case ColunaPend::Prog:
            return "Programação";
        case ColunaPend::Ficha:
            return "Ficha";
        case ColunaPend::SubFicha:
            return "Sub-ficha";
        case ColunaPend::TipoServico:
            return "Tipo de Serviço";
        case ColunaPend::Setor:
            return "Setor";
        case ColunaPend::Saida:
            return "Data Saída";
        case ColunaPend::DiasUteis:
            return "Dias Úteis";
        case ColunaPend::Pares:
            return "Pares";
        case ColunaPend::Preco:
            return "Preço por Par";
        case ColunaPend::Valor:
            return "Valor";
    }
    return {};
}

bool ColunaNumerica(ColunaPend c) {
    return c == ColunaPend::DiasUteis || c == ColunaPend::Pares || c == ColunaPend::Preco ||
           c == ColunaPend::Valor;
}

std::string TextoColunaPend(const TPendencia& p, ColunaPend c) {
    switch (c) {
        case ColunaPend::Prog:
            return p.prog;
        case ColunaPend::Ficha:
            return p.ficha;
        case ColunaPend::SubFicha:
            return p.subFicha;
        case ColunaPend::TipoServico:
            return TipoComDescricao(p.tipoServico, p.descTipo);
        case ColunaPend::Setor:
            return p.setor;
        case ColunaPend::Saida:
            return p.saida ? Data(*p.saida) : std::string();
        case ColunaPend::DiasUteis:
            return p.saida ? std::to_string(p.diasUteis) : std::string();
        case ColunaPend::Pares:
            return Milhares(p.pares);
        case ColunaPend::Preco:
            return p.preco.Format(4, true);
        case ColunaPend::Valor:
            return p.valor.Format(2, true);
    }
    return {};
}

void OrdenarPendencias(std::vector<std::size_t>& indices, const std::vector<TPendencia>& linhas,
                       ColunaPend coluna, bool crescente) {
    std::stable_sort(indices.begin(), indices.end(), [&](std::size_t a, std::size_t b) {
        int r = CompararColuna(linhas[a], linhas[b], coluna);
        if (!crescente) r = -r;
        if (r == 0) r = CompararBase(linhas[a], linhas[b]);
        return r < 0;
    });
}

std::vector<std::size_t> FiltrarPendencias(const std::vector<TPendencia>& linhas, const std::string& tipo) {
    std::vector<std::size_t> r;
    r.reserve(linhas.size());
    for (std::size_t i = 0; i < linhas.size(); ++i)
        if (tipo.empty() || linhas[i].tipoServico == tipo) r.push_back(i);
    return r;
}

std::vector<TTipoPresente> TiposPresentes(const std::vector<TPendencia>& linhas) {
    std::vector<TTipoPresente> r;
    std::unordered_map<std::string, std::size_t> posicao;
    for (const auto& l : linhas) {
        auto [it, novo] = posicao.emplace(l.tipoServico, r.size());
        if (novo) r.push_back({l.tipoServico, l.descTipo, 0});
        ++r[it->second].linhas;
    }
    std::sort(r.begin(), r.end(), [](const auto& a, const auto& b) { return a.codigo < b.codigo; });
    return r;
}

TTotaisPend Totalizar(const std::vector<TPendencia>& linhas, const std::vector<std::size_t>& indices) {
    TTotaisPend t;
    for (std::size_t i : indices) {
        const TPendencia& p = linhas[i];
        ++t.linhas;
        if (p.atrasada) ++t.atrasadas;
        t.pares += p.pares;
        t.valor += p.valor;
    }
    return t;
}

std::string TextoTotais(const TTotaisPend& t) {
    return "Fichas: " + Milhares(static_cast<std::int64_t>(t.linhas)) +
           "   Atrasadas: " + Milhares(static_cast<std::int64_t>(t.atrasadas)) +
           "   Pares: " + Milhares(t.pares) + "   Valor: " + t.valor.Format(2, true);
}

// ---- CSV ---------------------------------------------------------------------------

std::string CampoCsv(std::string_view texto) {
    const bool aspas = texto.find_first_of(";\"\r\n") != std::string_view::npos ||
                       (!texto.empty() && (texto.front() == ' ' || texto.front() == '\t' ||
                                           texto.back() == ' ' || texto.back() == '\t'));
    if (!aspas) return std::string(texto);
    std::string r = "\"";
    for (char c : texto) {
        if (c == '"') r += '"';
        r += c;
    }
    return r + '"';
}

std::string CsvPendencias(const std::vector<TPendencia>& linhas, const std::vector<std::size_t>& indices) {
    std::string csv = "\xEF\xBB\xBF";
    auto linha = [&csv](std::initializer_list<std::string> campos) {
        bool primeiro = true;
        for (const auto& c : campos) {
            if (!primeiro) csv += ';';
            primeiro = false;
            csv += CampoCsv(c);
        }
        csv += "\r\n";
    };
    linha({"Programação", "Ficha", "Sub-ficha", "Tipo de Serviço", "Descrição do Tipo", "Setor", "Data Saída",
           "Dias Úteis", "Atrasada", "Pares", "Preço por Par", "Valor"});
    for (std::size_t i : indices) {
        const TPendencia& p = linhas[i];
        linha({p.prog, p.ficha, p.subFicha, p.tipoServico, p.descTipo, p.setor, p.saida ? Data(*p.saida) : "",
               p.saida ? std::to_string(p.diasUteis) : "", p.atrasada ? "Sim" : "Não",
               std::to_string(p.pares), p.preco.Format(4), p.valor.Format(2)});
    }
    return csv;
}

// ---- files written whole ------------------------------------------------------------

TArquivoNovo::TArquivoNovo(std::string destino) : destino_(std::move(destino)) {
    static unsigned sequencia = 0;
    const std::string base =
        PastaDe(destino_) + "/." + NomeDe(destino_) + ".novo-" + std::to_string(getpid()) + "-";
    for (int tentativa = 0; fd_ < 0; ++tentativa) {
        trabalho_ = base + std::to_string(++sequencia);
        fd_ = ::open(trabalho_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || tentativa > 100)) {
            const int erro = errno;
            trabalho_.clear();
            Falhar(erro);
        }
    }
}

TArquivoNovo::~TArquivoNovo() {
    if (fd_ >= 0) ::close(fd_);
    if (!concluido_ && !trabalho_.empty()) ::unlink(trabalho_.c_str());
}

void TArquivoNovo::Falhar(int erro) const {
    Recusar(MotivoErro(erro));
}

void TArquivoNovo::Recusar(const std::string& motivo) const {
    throw EGravacaoArquivo("Não foi possível gravar o arquivo \"" + NomeDe(destino_) + "\" na pasta \"" +
                           PastaDe(destino_) + "\": " + motivo + ".");
}

void TArquivoNovo::Escrever(std::string_view dados) {
    while (!dados.empty()) {
        const ssize_t n = ::write(fd_, dados.data(), dados.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            Falhar(errno);
        }
        dados.remove_prefix(static_cast<std::size_t>(n));
    }
}

void TArquivoNovo::Concluir() {
    if (::fsync(fd_) != 0) Falhar(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Falhar(errno);
    if (::rename(trabalho_.c_str(), destino_.c_str()) != 0) Falhar(errno);
    concluido_ = true;
    // The rename itself reaches the disk with the folder.
    const int pasta = ::open(PastaDe(destino_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (pasta >= 0) {
        ::fsync(pasta);
        ::close(pasta);
    }
}

void GravarArquivo(const std::string& caminho, std::string_view conteudo) {
    TArquivoNovo f(caminho);
    f.Escrever(conteudo);
    f.Concluir();
}

// ---- dispatch slip -------------------------------------------------------------------

TRomaneio CarregarRomaneio(db::Connection& conexao, std::int64_t terc, plat::TDateTime dia) {
    TRomaneio r;
    r.dia = plat::ParteData(dia);
    db::Transaction tr = conexao.StartTransaction(db::Isolation::Snapshot, true);
    r.existe = LerTerceirizado(conexao, tr, terc, r.terc);
    if (!r.existe) {
        tr.Commit();
        return r;
    }
    const auto tipos = LerTipos(conexao, tr);
    db::Query q(conexao);
    q.SetTransaction(&tr);
    q.SetSQL(kSqlRomaneio);
    q.ParamByName("TERC").SetAsInteger(terc);
    q.ParamByName("DIA").SetAsDateTime(r.dia);
    q.ParamByName("DIAFIM").SetAsDateTime(r.dia + 1);
    q.Open();
    for (const auto& l : q.Rows()) {
        TItemRomaneio it;
        it.prog = l[0].AsString();
        it.ficha = l[1].AsString();
        it.subFicha = l[2].AsString();
        it.tipoServico = l[3].AsString();
        if (auto t = tipos.find(it.tipoServico); t != tipos.end()) it.descTipo = t->second;
        it.pares = l[4].AsInteger();
        it.preco = l[5].AsCurrency();
        it.valor = it.preco * it.pares;
        it.produto = l[6].AsString();
        it.padronizacao = TipoComDescricao(l[7].AsString(), l[8].AsString());
        r.itens.push_back(std::move(it));
    }
    q.Close();
    tr.Commit();
    std::sort(r.itens.begin(), r.itens.end(), [](const TItemRomaneio& a, const TItemRomaneio& b) {
        return std::tie(a.prog, a.ficha, a.subFicha, a.tipoServico) <
               std::tie(b.prog, b.ficha, b.subFicha, b.tipoServico);
    });
    return r;
}

// ---- reports -----------------------------------------------------------------------

std::string TextoPagina(int pagina, int paginas) {
    return "Página " + std::to_string(pagina) + " de " + std::to_string(paginas);
}

namespace {

std::string Emissao(plat::TDateTime momento) {
    return "Emitido em " + plat::FormatDateTime("dd/mm/yyyy hh:nn", momento);
}

}  // namespace

TRelatorio RelatorioPendencias(const TListaPendencias& lista, const std::vector<std::size_t>& indices,
                               const std::string& empresa, const std::string& filtro,
                               plat::TDateTime emissao) {
    TRelatorio r;
    r.empresa = empresa;
    r.titulo = "Pendências do Terceirizado";
    r.cabecalho = {"Terceirizado: " + NomeTerceirizado(lista.terc),
                   "Saídas sem retorno em " + Data(lista.hoje) +
                       "   Tipo de Serviço: " + (filtro.empty() ? std::string("Todos") : filtro)};
    r.emissao = Emissao(emissao);
    const int larguras[kColunasPend] = {9, 6, 7, 18, 5, 9, 6, 7, 10, 11};
    for (int c = 0; c < kColunasPend; ++c) {
        const auto col = static_cast<ColunaPend>(c);
        r.colunas.push_back({TituloColunaPend(col), larguras[c], ColunaNumerica(col)});
    }
    for (std::size_t i : indices) {
        const TPendencia& p = lista.linhas[i];
        std::vector<std::string> cel;
        for (int c = 0; c < kColunasPend; ++c) cel.push_back(TextoColunaPend(p, static_cast<ColunaPend>(c)));
        // the overdue mark survives a black-and-white printer
        if (p.atrasada) cel[static_cast<int>(ColunaPend::DiasUteis)] += " *";
        r.linhas.push_back(std::move(cel));
        r.destaque.push_back(p.atrasada);
    }
    r.totais = {TextoTotais(Totalizar(lista.linhas, indices))};
    r.notas = {"* Atrasada: saída anterior a " + Data(lista.corte) + " (" + std::to_string(kDiasUteisAtraso) +
               " dias úteis antes de " + Data(lista.hoje) + ")."};
    return r;
}

TRelatorio RelatorioRomaneio(const TRomaneio& romaneio, const std::string& empresa, plat::TDateTime emissao) {
    TRelatorio r;
    r.empresa = empresa;
    r.titulo = "Romaneio de Saída - Serviços Externos";
    r.cabecalho = {"Terceirizado: " + NomeTerceirizado(romaneio.terc), "Dia: " + Data(romaneio.dia)};
    r.emissao = Emissao(emissao);
    r.colunas = {{"Programação", 9, false}, {"Ficha", 5, false},         {"Sub-ficha", 6, false},
                 {"Produto", 7, false},     {"Padronização", 15, false}, {"Tipo de Serviço", 15, false},
                 {"Pares", 6, true},        {"Preço", 8, true},          {"Valor", 10, true}};
    std::int64_t pares = 0;
    plat::Dinheiro valor;
    for (const auto& it : romaneio.itens) {
        r.linhas.push_back({it.prog, it.ficha, it.subFicha, it.produto, it.padronizacao,
                            TipoComDescricao(it.tipoServico, it.descTipo), Milhares(it.pares),
                            it.preco.Format(4, true), it.valor.Format(2, true)});
        r.destaque.push_back(false);
        pares += it.pares;
        valor += it.valor;
    }
    r.totais = {"Fichas: " + Milhares(static_cast<std::int64_t>(romaneio.itens.size())) +
                "   Pares: " + Milhares(pares) + "   Valor: " + valor.Format(2, true)};
    r.assinaturas = true;
    return r;
}

}  // namespace dist
