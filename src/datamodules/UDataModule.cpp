#include "datamodules/UDataModule.h"

#include <algorithm>
#include <cstdio>

#include "db/Error.h"
#include "platform/Texto.h"
#include "shell/UServicosSistema.h"

namespace dm {

namespace {

db::UpdateMode Modo(ModoAtualizacao m) {
    switch (m) {
        case ModoAtualizacao::WhereChanged: return db::UpdateMode::WhereChanged;
        case ModoAtualizacao::WhereKeyOnly: return db::UpdateMode::WhereKeyOnly;
        case ModoAtualizacao::WhereAll: break;
    }
    return db::UpdateMode::WhereAll;
}

db::DataType TipoDb(TipoCampo t) {
    switch (t) {
        case TipoCampo::Inteiro: return db::DataType::Integer;
        case TipoCampo::InteiroCurto: return db::DataType::SmallInt;
        case TipoCampo::Texto:
        case TipoCampo::TextoFixo: return db::DataType::String;
        case TipoCampo::Decimal: return db::DataType::Decimal;
        case TipoCampo::Flutuante: return db::DataType::Float;
        case TipoCampo::DataHora: return db::DataType::DateTime;
        case TipoCampo::Memo: return db::DataType::Memo;
        case TipoCampo::Blob: return db::DataType::Blob;
    }
    return db::DataType::String;
}

std::string Numero(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

}  // namespace

void DefinirCamposChave(db::DeltaRecord& delta, const std::string& chaves) {
    const std::string lista = plat::MaiusculasAscii(chaves);
    for (std::size_t i = 0; i < delta.FieldCount(); ++i) {
        db::DeltaField& f = delta.Fields(i);
        const std::string nome = plat::MaiusculasAscii(f.FieldName());
        if (!nome.empty() && lista.find(nome) != std::string::npos)
            f.SetProviderFlags(db::pfInUpdate | db::pfInWhere | db::pfInKey);
        else
            f.SetProviderFlags(db::pfInUpdate);
    }
}

TDataModule::TDataModule(std::string nome, db::Connection* conexao)
    : nome_(std::move(nome)), conexao_(conexao), conexaoDada_(conexao != nullptr) {}

TDataModule::~TDataModule() {
    // Record sets first, then providers, then the statements they read.
    for (auto& c : cds_) c->Close();
    cds_.clear();
    providers_.clear();
    procs_.clear();
    queries_.clear();
}

const TDataModule::Componente* TDataModule::Achar(std::string_view nome) const {
    auto it = indice_.find(plat::MaiusculasAscii(nome));
    return it == indice_.end() ? nullptr : &ordem_[it->second];
}

const TDataModule::Componente& TDataModule::AcharTipo(std::string_view nome, TipoComponente tipo) const {
    const Componente* c = Achar(nome);
    if (!c || c->tipo != tipo)
        throw EComponenteInexistente("Componente '" + std::string(nome) + "' não encontrado em " + nome_ + ".");
    return *c;
}

TDataModule::Componente& TDataModule::AcharTipo(std::string_view nome, TipoComponente tipo) {
    return const_cast<Componente&>(static_cast<const TDataModule*>(this)->AcharTipo(nome, tipo));
}

bool TDataModule::Possui(std::string_view nome) const { return Achar(nome) != nullptr; }

db::Query& TDataModule::Query(std::string_view nome) {
    return *static_cast<db::Query*>(AcharTipo(nome, TipoComponente::Query).obj);
}
db::StoredProc& TDataModule::StoredProc(std::string_view nome) {
    return *static_cast<db::StoredProc*>(AcharTipo(nome, TipoComponente::StoredProc).obj);
}
db::Provider& TDataModule::Provider(std::string_view nome) {
    return *static_cast<db::Provider*>(AcharTipo(nome, TipoComponente::Provider).obj);
}
db::ClientDataSet& TDataModule::ClientDataSet(std::string_view nome) {
    return *static_cast<db::ClientDataSet*>(AcharTipo(nome, TipoComponente::ClientDataSet).obj);
}

db::Query* TDataModule::FindQuery(std::string_view nome) {
    const Componente* c = Achar(nome);
    return c && c->tipo == TipoComponente::Query ? static_cast<db::Query*>(c->obj) : nullptr;
}
db::StoredProc* TDataModule::FindStoredProc(std::string_view nome) {
    const Componente* c = Achar(nome);
    return c && c->tipo == TipoComponente::StoredProc ? static_cast<db::StoredProc*>(c->obj) : nullptr;
}
db::Provider* TDataModule::FindProvider(std::string_view nome) {
    const Componente* c = Achar(nome);
    return c && c->tipo == TipoComponente::Provider ? static_cast<db::Provider*>(c->obj) : nullptr;
}
db::ClientDataSet* TDataModule::FindClientDataSet(std::string_view nome) {
    const Componente* c = Achar(nome);
    return c && c->tipo == TipoComponente::ClientDataSet ? static_cast<db::ClientDataSet*>(c->obj) : nullptr;
}

std::vector<std::string> TDataModule::Nomes(TipoComponente tipo) const {
    std::vector<std::string> r;
    for (const auto& c : ordem_)
        if (c.tipo == tipo) r.push_back(c.nome);
    return r;
}

std::size_t TDataModule::Quantidade(TipoComponente tipo) const {
    std::size_t n = 0;
    for (const auto& c : ordem_)
        if (c.tipo == tipo) ++n;
    return n;
}

const DeclQuery& TDataModule::DeclaracaoQuery(std::string_view nome) const {
    return declQueries_.at(plat::MaiusculasAscii(AcharTipo(nome, TipoComponente::Query).nome));
}
const DeclStoredProc& TDataModule::DeclaracaoStoredProc(std::string_view nome) const {
    return declProcs_.at(plat::MaiusculasAscii(AcharTipo(nome, TipoComponente::StoredProc).nome));
}
const DeclProvider& TDataModule::DeclaracaoProvider(std::string_view nome) const {
    return declProviders_.at(plat::MaiusculasAscii(AcharTipo(nome, TipoComponente::Provider).nome));
}
const DeclClientDataSet& TDataModule::DeclaracaoClientDataSet(std::string_view nome) const {
    return declCds_.at(plat::MaiusculasAscii(AcharTipo(nome, TipoComponente::ClientDataSet).nome));
}

const std::vector<DeclCampo>& TDataModule::CamposDeclarados(std::string_view cds) const {
    static const std::vector<DeclCampo> vazio;
    AcharTipo(cds, TipoComponente::ClientDataSet);
    auto it = campos_.find(plat::MaiusculasAscii(cds));
    return it == campos_.end() ? vazio : it->second;
}

void TDataModule::AoAbrir(std::string_view cds, std::function<void(db::ClientDataSet&)> acao) {
    AcharTipo(cds, TipoComponente::ClientDataSet);
    aoAbrir_[plat::MaiusculasAscii(cds)].push_back(std::move(acao));
}

void TDataModule::Construir(const Catalogo& catalogo) {
    auto registrar = [&](TipoComponente tipo, const std::string& nome, void* obj) {
        const std::string chave = plat::MaiusculasAscii(nome);
        if (indice_.count(chave)) throw std::logic_error("componente repetido: " + nome_ + "." + nome);
        indice_[chave] = ordem_.size();
        ordem_.push_back(Componente{tipo, nome, obj});
    };

    for (const auto& d : catalogo.queries) {
        auto q = std::make_unique<db::Query>();
        if (!d.sql.empty()) q->SetSQL(d.sql);
        registrar(TipoComponente::Query, d.nome, q.get());
        declQueries_[plat::MaiusculasAscii(d.nome)] = d;
        queries_.push_back(std::move(q));
    }
    for (const auto& d : catalogo.procs) {
        auto p = std::make_unique<db::StoredProc>();
        registrar(TipoComponente::StoredProc, d.nome, p.get());
        declProcs_[plat::MaiusculasAscii(d.nome)] = DeclStoredProc{d.nome, "", {}};
        procs_.push_back(std::move(p));
        if (!d.procedimento.empty()) {
            std::string lista;
            for (const auto& pr : d.params) lista += (lista.empty() ? "" : ", ") + pr.nome + (pr.saida ? " out" : "");
            DefinirProcedimento(d.nome, d.procedimento, lista);
        }
    }
    for (const auto& d : catalogo.providers) {
        auto p = std::make_unique<db::Provider>();
        p->Name = d.nome;
        if (!d.dataset.empty()) p->SetDataSet(&Query(d.dataset));
        registrar(TipoComponente::Provider, d.nome, p.get());
        declProviders_[plat::MaiusculasAscii(d.nome)] = DeclProvider{d.nome, d.dataset, ModoAtualizacao::WhereAll, SemOpcoes};
        providers_.push_back(std::move(p));
        DefinirProvider(d.nome, d.modo, d.opcoes);
    }
    for (const auto& d : catalogo.cds) {
        auto c = std::make_unique<db::ClientDataSet>();
        c->Name = d.nome;
        if (!d.provider.empty()) {
            c->SetProviderName(d.provider);
            c->SetProvider(&Provider(d.provider));
        }
        for (const auto& p : d.paramsCliente) c->GetParams().Add(p);
        db::ClientDataSet* ptr = c.get();
        c->AfterOpen = [this](db::ClientDataSet& ds) { AplicarCampos(ds); };
        c->OnNewRecord = [this](db::ClientDataSet& ds) {
            for (const auto& campo : CamposDeclarados(ds.Name))
                if (!campo.padrao.empty())
                    if (db::Field* f = ds.FindField(campo.nome)) f->SetAsString(campo.padrao);
        };
        registrar(TipoComponente::ClientDataSet, d.nome, ptr);
        declCds_[plat::MaiusculasAscii(d.nome)] = d;
        cds_.push_back(std::move(c));
    }
}

void TDataModule::DefinirSQL(std::string_view query, const std::string& sql) {
    db::Query& q = Query(query);
    q.Close();
    q.SQL().clear();
    if (!sql.empty()) q.SetSQL(sql);
    declQueries_[plat::MaiusculasAscii(query)].sql = sql;
}

void TDataModule::DefinirProcedimento(std::string_view stp, const std::string& procedimento,
                                      const std::string& params) {
    db::StoredProc& p = StoredProc(stp);
    DeclStoredProc& d = declProcs_[plat::MaiusculasAscii(stp)];
    d.procedimento = procedimento;
    d.params = ParamsProc(params);
    p.SetStoredProcName(procedimento);
    db::Params& lista = p.GetParams();
    lista.Clear();
    for (const auto& pr : d.params)
        lista.Add(pr.nome, pr.saida ? db::ParamDirection::Output : db::ParamDirection::Input);
}

void TDataModule::DefinirProvider(std::string_view dsp, ModoAtualizacao modo, unsigned opcoes) {
    db::Provider& p = Provider(dsp);
    p.SetUpdateMode(Modo(modo));
    p.RefreshAfterApply = (opcoes & RefreshAposAplicar) != 0;
    p.AllowCommandText = (opcoes & ClientePodeTrocarSQL) != 0;
    DeclProvider& d = declProviders_[plat::MaiusculasAscii(dsp)];
    d.modo = modo;
    d.opcoes = opcoes;
}

void TDataModule::DefinirCampos(std::string_view cds, std::vector<DeclCampo> campos) {
    db::ClientDataSet& c = ClientDataSet(cds);
    // Internal calculated fields live only in the record set and are declared up front;
    // a record set that has them holds exactly the fields declared, so its declaration
    // lists every column it reads.
    const bool comCalculados = std::any_of(campos.begin(), campos.end(), [](const DeclCampo& d) { return d.calculado; });
    if (comCalculados)
        for (const auto& campo : campos) {
            if (campo.calculado) {
                c.AddCalcField(campo.nome, TipoDb(campo.tipo), campo.tamanho);
            } else {
                db::FieldDef def;
                def.name = campo.nome;
                def.type = TipoDb(campo.tipo);
                def.size = campo.tipo == TipoCampo::Texto || campo.tipo == TipoCampo::TextoFixo ? campo.tamanho : 0;
                def.precision = campo.tipo == TipoCampo::Decimal ? campo.tamanho : 0;
                def.scale = campo.escala;
                def.required = campo.obrigatorio;
                def.fixedChar = campo.tipo == TipoCampo::TextoFixo;
                def.providerFlags = campo.flags;
                c.AddField(def);
            }
        }
    campos_[plat::MaiusculasAscii(cds)] = std::move(campos);
}

void TDataModule::AplicarCampos(db::ClientDataSet& cds) {
    auto it = campos_.find(plat::MaiusculasAscii(cds.Name));
    if (it != campos_.end()) {
        for (const DeclCampo& campo : it->second) {
            db::Field* f = cds.FindField(campo.nome);
            if (!f) continue;
            f->Required = campo.obrigatorio;
            if (!campo.rotulo.empty()) f->DisplayLabel = campo.rotulo;
            if (!campo.mascara.empty()) f->EditMask = campo.mascara;
            if (!campo.formatoExibicao.empty()) f->DisplayFormat = campo.formatoExibicao;
            f->Visible = campo.visivel;
            if (campo.flags != FlagsPadrao) f->SetProviderFlags(campo.flags);
            if (campo.minimo || campo.maximo) {
                // As the platform's numeric fields: a missing limit counts as 0.
                const double minimo = campo.minimo.value_or(0), maximo = campo.maximo.value_or(0);
                f->OnValidate = [minimo, maximo](db::Field& fld) {
                    if (fld.IsNull()) return;
                    const double v = fld.AsFloat();
                    if (v < minimo || v > maximo)
                        throw db::Error(Numero(v) + " is not a valid value for field '" + fld.GetDisplayLabel() +
                                        "'. The allowed range is " + Numero(minimo) + " to " + Numero(maximo));
                };
            }
        }
    }
    auto acoes = aoAbrir_.find(plat::MaiusculasAscii(cds.Name));
    if (acoes != aoAbrir_.end())
        for (auto& acao : acoes->second) acao(cds);
}

void TDataModule::DataModuleCreate() {
    if (!conexaoDada_) conexao_ = &ServicosSistema().Conexao();
    for (auto& c : ordem_) {
        if (c.tipo == TipoComponente::Query) static_cast<db::Query*>(c.obj)->SetConnection(conexao_);
        if (c.tipo == TipoComponente::StoredProc) static_cast<db::StoredProc*>(c.obj)->SetConnection(conexao_);
    }
}

}  // namespace dm
