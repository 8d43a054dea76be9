#include "distribution/UDistGravacao.h"

#include <initializer_list>
#include <optional>
#include <utility>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Query.h"
#include "platform/Cp1252.h"
#include "rules/DGlobal.h"
#include "shell/UServicosSistema.h"

namespace dist {

const char* const kSqlExterno =
    "select * from EXTERNO\nwhere TP_SERV_EX=:TPSERV\nand PROG_EX=:PROG\nand FICHA_EX=:FICHA\nand SUBFICHA_EX=:SUBF";
const char* const kSqlItensFicha =
    "SELECT IT.PROG_IT, IT.FICHA_IT, IT.PROD_IT, IT.PADRON_IT,\n"
    "(SELECT DESC_PP FROM PADRONIZ_PRODUTO P WHERE P.PADRONIZ_PP = IT.PADRON_IT AND P.PROD_PP = IT.PROD_IT) DESC_PAD,\n"
    "SUM((SELECT SUM (QTPED_IT) FROM ITENSPVGRADE IG WHERE IT.PEDIDO_IT = IG.PEDIDO_IT AND IT.ITEM_IT = IG.ITEM_IT)) AS "
    "TOT_PARES\n"
    "FROM ITENSPV IT\n"
    "WHERE PROG_IT = :PROG AND FICHA_IT = :FICHA\n"
    "GROUP BY IT.PROG_IT, IT.FICHA_IT, IT.PROD_IT, IT.PADRON_IT";
const char* const kSqlPrecoServico =
    "select VALOR_PS from PRECOSER\nwhere TERCEIRIZADO_PS=:TERC\nand PROD_PS=:PROD\nand TP_SERV_PS=:TPSERV";
const char* const kSqlIncluiExterno =
    "insert into EXTERNO (TERCEIRIZADO_EX, TP_SERV_EX, PROG_EX, FICHA_EX, SUBFICHA_EX, SAIDA_EX, VALOR_EX,"
    " QTDE_EX, OBS_EX, SETOR_SAI_EX)\n"
    "values (:TERC, :TPSERV, :PROG, :FICHA, :SUBF, :SAIDA, :VALOR, :QTDE, :OBS, :SETOR)";
const char* const kSqlProdSetor =
    "select * from PRODUCAO_SETOR\nwhere PROG_PS=:PROG\nand FICHA_PS=:FICHA\nand SUBFICHA_PS=:SUBF\nand SETOR_PS=:SETOR";

std::string SqlRetornoExterno(bool comSetor) {
    return std::string("update EXTERNO set RETORNO_EX = :RET") + (comSetor ? ", SETOR_ENT_EX = :SETOR" : "") +
           "\nwhere TERCEIRIZADO_EX = :TERC and TP_SERV_EX = :TPSERV and PROG_EX = :PROG"
           "\nand FICHA_EX = :FICHA and SUBFICHA_EX = :SUBF and RETORNO_EX is null";
}

namespace {

const char* const kSqlSetoresAnteriores = "select s.setorant_se\nfrom setor s\nwhere s.cod_se = :codsetor";
const char* const kSqlSetAntAtu =
    "select count(SETOR_PS) as numreg\nfrom PRODUCAO_SETOR\nwhere PROG_PS=:PROG\nand FICHA_PS=:FICHA\n"
    "and ((SUBFICHA_PS=:SUBFICHA) or (SUBFICHA_PS='0000'))\nand SETOR_PS=:SETOR";
// The workshops that price the product for inspection ("I") and have no "I" row of the
// ticket yet.
const char* const kSqlInspecoes =
    "select p.TERCEIRIZADO_PS from PRECOSER p\nwhere p.PROD_PS=:PROD\nand p.TP_SERV_PS='I'\n"
    "and p.TERCEIRIZADO_PS<>:TERC\nand not exists (select 1 from EXTERNO e where e.PROG_EX=:PROG and "
    "e.FICHA_EX=:FICHA\nand e.SUBFICHA_EX=:SUBF and e.TP_SERV_EX='I' and e.TERCEIRIZADO_EX=p.TERCEIRIZADO_PS)";
// The progress row: a new one, or the stamps and pairs of the existing one. `entrada`
// stamps the entry columns instead of the exit ones.
struct ColunasProgresso {
    const char* data;
    const char* hora;
};
ColunasProgresso Colunas(bool entrada) {
    return entrada ? ColunasProgresso{"DTENTRADA_PS", "HORAENTRADA_PS"} : ColunasProgresso{"DTSAIDA_PS", "HORASAIDA_PS"};
}
std::string SqlProgresso(bool existe, ColunasProgresso c) {
    const std::string data = c.data, hora = c.hora;
    if (!existe)
        return "insert into PRODUCAO_SETOR (PROG_PS, FICHA_PS, SUBFICHA_PS, SETOR_PS, ID_PS, " + data + ", " + hora +
               ", QTDE_PS)\nvalues (:PROG, :FICHA, :SUBF, :SETOR, 0, :DT, :HORA, :QTDE)";
    return "update PRODUCAO_SETOR set " + data + " = :DT, " + hora +
           " = :HORA, QTDE_PS = :QTDE\nwhere PROG_PS = :PROG and FICHA_PS = :FICHA and SUBFICHA_PS = :SUBF"
           " and SETOR_PS = :SETOR";
}

void Texto(db::Query& q, const char* parametro, const std::string& valor) { q.ParamByName(parametro).SetAsString(valor); }

// True when the database can hold the ticket's key: a lookup by one it cannot hold finds
// nothing (only writing it is an error).
bool Representavel(const TChaveFicha& f) { return plat::RepresentavelEmCp1252({f.prog, f.ficha, f.subFicha}); }
void TextoOuNulo(db::Query& q, const char* parametro, const std::string& valor) {
    if (valor.empty()) q.ParamByName(parametro).SetNull();
    else q.ParamByName(parametro).SetAsString(valor);
}

// The audit module writes in the save's transaction while it runs.
class AuditoriaNaTransacao {
public:
    AuditoriaNaTransacao(TDmGlobal* dm, db::Transaction& tr) : dm_(dm) {
        if (dm_) dm_->stpGravarLog.SetTransaction(&tr);
    }
    ~AuditoriaNaTransacao() {
        if (dm_) dm_->stpGravarLog.SetTransaction(nullptr);
    }
    AuditoriaNaTransacao(const AuditoriaNaTransacao&) = delete;
    AuditoriaNaTransacao& operator=(const AuditoriaNaTransacao&) = delete;
    void Registrar(const TRegistroLog& r) {
        if (dm_) GerarLog(*dm_, r.tabela, PacoteLog(r));
    }
    bool Ligada() const { return dm_ != nullptr; }

private:
    TDmGlobal* dm_;
};

// One save (or its checks) on one transaction.
class Gravacao {
public:
    Gravacao(db::Connection& c, const TRegrasGravacao& r, const TPedidoGravacao& p)
        : conn_(c), regras_(r), p_(p), tr_(c.StartTransaction()) {}

    TResultadoGravacao Verificar();
    TResultadoGravacao Gravar(TDmGlobal* auditoria);
    void Concluir() { tr_.Commit(); }

private:
    db::Query Consulta(const std::string& sql) {
        db::Query q(conn_);
        q.SetTransaction(&tr_);
        q.SetSQL(sql);
        return q;
    }
    bool SetoresAnterioresAtualizados();
    std::vector<std::int64_t> IncluiExternos(AuditoriaNaTransacao& log);
    void IncluiExterno(std::int64_t terc, const std::string& tipo, AuditoriaNaTransacao& log);
    bool Retorno(AuditoriaNaTransacao& log);
    void AtualizaProducaoSetor(AuditoriaNaTransacao& log);

    db::Connection& conn_;
    const TRegrasGravacao& regras_;
    const TPedidoGravacao& p_;
    db::Transaction tr_;
    // The dispatch row read by the check (a return's old values).
    std::int64_t tercDespacho_ = 0;
    db::Value setorEntAnterior_, retornoAnterior_;
};

// A refusal with its detail.
TResultadoGravacao Recusa(TRecusa r) {
    TResultadoGravacao x;
    x.recusa = r;
    return x;
}

bool Gravacao::SetoresAnterioresAtualizados() {
    std::vector<std::string> anteriores;
    if (plat::RepresentavelEmCp1252(p_.setor)) {
        db::Query q = Consulta(kSqlSetoresAnteriores);
        Texto(q, "codsetor", p_.setor);
        q.Open();
        if (!q.Eof()) anteriores = SetoresAnteriores(q.FieldByName("setorant_se").AsString());
    }
    if (!anteriores.empty() && !Representavel(p_.ficha)) return false;  // no progress row of it
    for (const std::string& ant : anteriores) {
        db::Query q = Consulta(kSqlSetAntAtu);
        p_.ficha.Vincular(q, "SUBFICHA");
        Texto(q, "SETOR", ant);
        q.Open();
        if (q.Eof() || q.FieldByName("numreg").AsInteger() == 0) return false;
    }
    return true;
}

TResultadoGravacao Gravacao::Verificar() {
    // What the columns cannot hold is never written: VALOR_EX keeps 15 digits, four of them
    // decimals (the database would take more digits than declared), QTDE_EX is an INTEGER.
    if (p_.preco.Raw() < -kPrecoMaximo || p_.preco.Raw() > kPrecoMaximo) return Recusa(TRecusa::PrecoForaDosLimites);
    if (p_.pares < kInteiroMinimo || p_.pares > kInteiroMaximo) return Recusa(TRecusa::ParesForaDosLimites);
    if (regras_.parametros.verificarSetorAnt && !p_.setor.empty() && !SetoresAnterioresAtualizados())
        return Recusa(TRecusa::SetoresAnteriores);
    if (regras_.parametros.bloquearPreco && p_.preco == plat::Dinheiro()) return Recusa(TRecusa::PrecoObrigatorio);

    db::Query q = Consulta(kSqlExterno);
    const bool consultavel = plat::RepresentavelEmCp1252(p_.tipoServico) && Representavel(p_.ficha);
    if (consultavel) {
        Texto(q, "TPSERV", p_.tipoServico);
        p_.ficha.Vincular(q);
        q.Open();
    }
    TResultadoGravacao r;
    r.terceirizado = p_.terceirizado;
    if (p_.saida) {
        if (consultavel && !q.Eof()) {
            r.recusa = TRecusa::JaEnviada;
            r.terceirizadoExistente = q.FieldByName("TERCEIRIZADO_EX").AsInteger();
        }
        return r;
    }
    if (!consultavel || q.Eof()) return Recusa(TRecusa::SaidaNaoEncontrada);
    q.First();
    if (!q.FieldByName("RETORNO_EX").IsNull()) {
        r.recusa = TRecusa::RetornoLancado;
        r.retornoExistente = q.FieldByName("RETORNO_EX").AsDateTime();
        return r;
    }
    if (!p_.setor.empty() && p_.setor == q.FieldByName("SETOR_SAI_EX").AsString()) return Recusa(TRecusa::MesmoSetor);
    tercDespacho_ = q.FieldByName("TERCEIRIZADO_EX").AsInteger();
    setorEntAnterior_ = q.FieldByName("SETOR_ENT_EX");
    retornoAnterior_ = q.FieldByName("RETORNO_EX");
    r.terceirizado = tercDespacho_;
    return r;
}

void Gravacao::IncluiExterno(std::int64_t terc, const std::string& tipo, AuditoriaNaTransacao& log) {
    db::Query ins = Consulta(kSqlIncluiExterno);
    ins.ParamByName("TERC").SetAsInteger(terc);
    Texto(ins, "TPSERV", tipo);
    p_.ficha.Vincular(ins);
    ins.ParamByName("SAIDA").SetAsDateTime(plat::ParteData(p_.data));
    ins.ParamByName("VALOR").SetAsCurrency(p_.preco);
    ins.ParamByName("QTDE").SetAsInteger(p_.pares);
    Texto(ins, "OBS", p_.observacao);
    TextoOuNulo(ins, "SETOR", p_.setor);
    ins.ExecSQL();
    if (log.Ligada()) {
        TRegistroLog reg{"EXTERNO", true, {}};
        for (auto [campo, valor] : {std::pair<const char*, std::string>{"PROG_EX", p_.ficha.prog},
                                    {"FICHA_EX", p_.ficha.ficha},
                                    {"SUBFICHA_EX", p_.ficha.subFicha},
                                    {"TP_SERV_EX", tipo}})
            reg.campos.push_back({campo, db::Value(), db::Value::Text(valor)});
        reg.campos.push_back({"TERCEIRIZADO_EX", db::Value(), db::Value::Integer(terc)});
        log.Registrar(reg);
    }
}

// KALDU: an "I" row for every other workshop that prices the product for inspection. A
// row the ticket already has (from its dispatch for another service type) is left as it
// is: it records the same state. Returns the workshops given a new row.
std::vector<std::int64_t> Gravacao::IncluiExternos(AuditoriaNaTransacao& log) {
    std::vector<std::int64_t> outros;
    if (plat::RepresentavelEmCp1252(p_.produto) && Representavel(p_.ficha)) {
        db::Query q = Consulta(kSqlInspecoes);
        Texto(q, "PROD", p_.produto);
        q.ParamByName("TERC").SetAsInteger(p_.terceirizado);
        p_.ficha.Vincular(q);
        q.Open();
        for (q.First(); !q.Eof(); q.Next()) outros.push_back(q.FieldByName("TERCEIRIZADO_PS").AsInteger());
    }
    std::vector<std::int64_t> incluidos;
    for (std::int64_t t : outros) {
        try {
            IncluiExterno(t, "I", log);
            incluidos.push_back(t);
        } catch (const db::Error& e) {
            // Written meanwhile by another workstation (the failed statement is undone,
            // the transaction goes on).
            if (!e.ChaveDuplicada()) throw;
        }
    }
    return incluidos;
}

// False when the stamp changed no row.
bool Gravacao::Retorno(AuditoriaNaTransacao& log) {
    const bool comSetor = !p_.setor.empty();
    const plat::TDateTime data = plat::ParteData(p_.data);
    db::Query upd = Consulta(SqlRetornoExterno(comSetor));
    upd.ParamByName("RET").SetAsDateTime(data);
    if (comSetor) Texto(upd, "SETOR", p_.setor);
    upd.ParamByName("TERC").SetAsInteger(tercDespacho_);
    Texto(upd, "TPSERV", p_.tipoServico);
    p_.ficha.Vincular(upd);
    if (upd.ExecSQL() == 0) return false;
    if (log.Ligada()) {
        TRegistroLog reg{"EXTERNO", false, {}};
        for (auto [campo, valor] : {std::pair<const char*, std::string>{"PROG_EX", p_.ficha.prog},
                                    {"FICHA_EX", p_.ficha.ficha},
                                    {"SUBFICHA_EX", p_.ficha.subFicha},
                                    {"TP_SERV_EX", p_.tipoServico}})
            reg.campos.push_back({campo, db::Value::Text(valor), db::Value::Text(valor)});
        reg.campos.push_back({"RETORNO_EX", retornoAnterior_, db::Value::DateTime(data)});
        if (comSetor) reg.campos.push_back({"SETOR_ENT_EX", setorEntAnterior_, db::Value::Text(p_.setor)});
        log.Registrar(reg);
    }
    return true;
}

void Gravacao::AtualizaProducaoSetor(AuditoriaNaTransacao& log) {
    // Which stamp: the entry on a dispatch when BAIXA_SETOR_ENTRADA is on, else the exit.
    const ColunasProgresso col = Colunas(regras_.parametros.baixaSetorEntrada && p_.saida);
    std::optional<std::vector<db::Value>> anterior;  // date, hour and pairs of the existing row
    if (plat::RepresentavelEmCp1252(p_.setor) && Representavel(p_.ficha)) {
        db::Query q = Consulta(kSqlProdSetor);
        p_.ficha.Vincular(q);
        Texto(q, "SETOR", p_.setor);
        q.Open();
        if (!q.Eof())
            anterior = std::vector<db::Value>{q.FieldByName(col.data), q.FieldByName(col.hora),
                                              q.FieldByName("QTDE_PS")};
    }
    const db::Value data = db::Value::DateTime(plat::ParteData(p_.data));
    const db::Value hora = db::Value::Text(plat::FormatDateTime("hh:nn", p_.momento));
    const db::Value pares = db::Value::Integer(p_.pares);

    db::Query q = Consulta(SqlProgresso(anterior.has_value(), col));
    p_.ficha.Vincular(q);
    Texto(q, "SETOR", p_.setor);
    q.ParamByName("DT").SetValue(data);
    q.ParamByName("HORA").SetValue(hora);
    q.ParamByName("QTDE").SetValue(pares);
    q.ExecSQL();

    if (log.Ligada()) {
        const bool novo = !anterior;
        TRegistroLog reg{"PRODUCAO_SETOR", novo, {}};
        for (auto [campo, valor] : {std::pair<const char*, std::string>{"PROG_PS", p_.ficha.prog},
                                    {"FICHA_PS", p_.ficha.ficha},
                                    {"SUBFICHA_PS", p_.ficha.subFicha},
                                    {"SETOR_PS", p_.setor}})
            reg.campos.push_back({campo, novo ? db::Value() : db::Value::Text(valor), db::Value::Text(valor)});
        const db::Value nulo;
        reg.campos.push_back({col.data, novo ? nulo : (*anterior)[0], data});
        reg.campos.push_back({col.hora, novo ? nulo : (*anterior)[1], hora});
        reg.campos.push_back({"QTDE_PS", novo ? nulo : (*anterior)[2], pares});
        log.Registrar(reg);
    }
}

TResultadoGravacao Gravacao::Gravar(TDmGlobal* auditoria) {
    TResultadoGravacao r = Verificar();
    if (!r.Gravado()) return r;
    // A text the database cannot hold is refused before anything is written, with the
    // message that names the character (std::invalid_argument).
    for (const std::string* t : {&p_.tipoServico, &p_.ficha.prog, &p_.ficha.ficha, &p_.ficha.subFicha,
                                 &p_.observacao, &p_.setor})
        plat::Utf8ParaCp1252(*t);
    AuditoriaNaTransacao log(auditoria, tr_);
    if (p_.saida) {
        IncluiExterno(p_.terceirizado, p_.tipoServico, log);
        if (EhKaldu(regras_.empresa)) r.inspecoes = IncluiExternos(log);
    } else if (!Retorno(log)) {
        return Recusa(TRecusa::RetornoNaoGravado);
    }
    if (GravaProducaoSetor(regras_.empresa, regras_.parametros.atualizaProducao, p_.setor)) AtualizaProducaoSetor(log);
    return r;
}

}  // namespace

std::string SqlProducaoSetor(bool existe, bool entrada) { return SqlProgresso(existe, Colunas(entrada)); }

void TChaveFicha::Vincular(db::Query& q, const char* parametroSub) const {
    q.ParamByName("PROG").SetAsString(prog);
    q.ParamByName("FICHA").SetAsString(ficha);
    if (parametroSub) q.ParamByName(parametroSub).SetAsString(subFicha);
}

TRegrasGravacao TRegrasGravacao::Ler(IServicosSistema& servicos) {
    TRegrasGravacao r;
    r.parametros = LerParametrosDist(
        [&servicos](const std::string& g, const std::string& p) { return servicos.LerParametro(g, p); });
    r.empresa = servicos.NomeEmpresa();
    return r;
}

std::string TResultadoGravacao::Mensagem() const {
    switch (recusa) {
        case TRecusa::Nenhuma: return {};
        case TRecusa::SetoresAnteriores: return "Existem Setores Anteriores que não foram atualizados!";
        case TRecusa::PrecoObrigatorio: return "O campo Preço deve ser preenchido!";
        case TRecusa::PrecoForaDosLimites: return MsgForaDosLimites("Preço por par", -kPrecoMaximo, kPrecoMaximo, 4);
        case TRecusa::ParesForaDosLimites: return MsgForaDosLimites("Qt. Pares", kInteiroMinimo, kInteiroMaximo, 0);
        case TRecusa::JaEnviada: return MsgJaEnviada(terceirizadoExistente);
        case TRecusa::SaidaNaoEncontrada: return "Saída não encontrada para esta PROG./FICHA neste tipo de serviço.";
        case TRecusa::RetornoLancado: return MsgRetornoLancado(retornoExistente);
        case TRecusa::MesmoSetor: return "O setor de Retorno não pode ser o mesmo do setor de Saída.";
        case TRecusa::RetornoNaoGravado:
            return "A saída desta PROG./FICHA foi alterada por outra estação enquanto o retorno era gravado; "
                   "nada foi gravado. Confira a saída e grave novamente.";
    }
    return {};
}

TResultadoGravacao VerificarGravacao(db::Connection& conexao, const TRegrasGravacao& regras,
                                     const TPedidoGravacao& pedido) {
    Gravacao g(conexao, regras, pedido);
    TResultadoGravacao r = g.Verificar();
    g.Concluir();
    return r;
}

TResultadoGravacao Gravar(db::Connection& conexao, const TRegrasGravacao& regras, const TPedidoGravacao& pedido,
                          TDmGlobal* auditoria) {
    TResultadoGravacao r;
    try {
        Gravacao g(conexao, regras, pedido);
        r = g.Gravar(auditoria);
        if (r.Gravado()) g.Concluir();
    } catch (const db::Error& e) {
        // Another workstation recorded the same ticket at the same moment: the key (or the
        // lock on the dispatch row) refused this save. Say what is recorded now.
        if (!e.ChaveDuplicada() && !e.ConflitoDeBloqueio()) throw;
        const TResultadoGravacao agora = VerificarGravacao(conexao, regras, pedido);
        if (!agora.Gravado()) return agora;
        // A return that met the dispatch row locked by another workstation's change.
        if (!pedido.saida && e.ConflitoDeBloqueio()) return Recusa(TRecusa::RetornoNaoGravado);
        throw;
    }
    if (r.recusa != TRecusa::RetornoNaoGravado) return r;
    // The return stamp changed no row: most likely recorded by another workstation since
    // the check. Never silent: what is recorded now, or that the dispatch changed.
    const TResultadoGravacao agora = VerificarGravacao(conexao, regras, pedido);
    return agora.Gravado() ? r : agora;
}

db::DataPacket PacoteLog(const TRegistroLog& registro) {
    db::DataPacket p;
    p.tableName = registro.tabela;
    db::PacketRow antes, depois;
    antes.status = db::UpdateStatus::Unmodified;
    depois.status = registro.inserido ? db::UpdateStatus::Inserted : db::UpdateStatus::Modified;
    for (const auto& c : registro.campos) {
        p.fields.Add(c.campo, db::DataType::String, 0);
        antes.values.push_back(c.anterior);
        depois.values.push_back(c.atual);
        depois.assigned.push_back(registro.inserido || !(c.anterior == c.atual) ? 1 : 0);
    }
    if (!registro.inserido) p.rows.push_back(std::move(antes));
    p.rows.push_back(std::move(depois));
    return p;
}

}  // namespace dist
