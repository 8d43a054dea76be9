#pragma once
// The data-module container: owns, by name, SQL queries, stored-procedure calls,
// providers and client data sets built from a module's declaration tables
// (UDeclaracoes.h). Components are found by name without regard to letter case.
//
// Creation binds every query and stored-procedure call to the connection given, or to
// the system object's main connection; nothing is opened or prepared.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datamodules/UDeclaracoes.h"
#include "db/ClientDataSet.h"
#include "db/Provider.h"
#include "db/Query.h"

// Declares a provider's update-error handler.
#define DM_UPDATE_ERROR(nome)                                                                         \
    virtual void nome(db::Provider& sender, const db::Error& e, db::DeltaRecord& delta, db::UpdateKind kind, \
                      db::UpdateResponse& response)

namespace dm {

enum class TipoComponente { Query, StoredProc, Provider, ClientDataSet };

// Raised when a component is looked up by a name the module does not own.
class EComponenteInexistente : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Marks the key fields of a record about to be applied: every field of the delta whose
// upper-cased name occurs in the upper-cased key list ("A;B;C") becomes part of the
// update, the selection and the key; every other field part of the update alone.
void DefinirCamposChave(db::DeltaRecord& delta, const std::string& chaves);

class TDataModule {
public:
    // `conexao` null: the system object's main connection.
    TDataModule(std::string nome, db::Connection* conexao);
    virtual ~TDataModule();
    TDataModule(const TDataModule&) = delete;
    TDataModule& operator=(const TDataModule&) = delete;

    const std::string& Name() const noexcept { return nome_; }
    db::Connection* Conexao() const noexcept { return conexao_; }

    // Components by name; the references throw EComponenteInexistente.
    db::Query& Query(std::string_view nome);
    db::StoredProc& StoredProc(std::string_view nome);
    db::Provider& Provider(std::string_view nome);
    db::ClientDataSet& ClientDataSet(std::string_view nome);
    db::Query* FindQuery(std::string_view nome);
    db::StoredProc* FindStoredProc(std::string_view nome);
    db::Provider* FindProvider(std::string_view nome);
    db::ClientDataSet* FindClientDataSet(std::string_view nome);
    bool Possui(std::string_view nome) const;

    // Names of the components of one kind, in ownership order.
    std::vector<std::string> Nomes(TipoComponente tipo) const;
    std::size_t Quantidade(TipoComponente tipo) const;
    std::size_t ComponentCount() const noexcept { return ordem_.size(); }

    // Declarations in force, for callers and tests.
    const DeclQuery& DeclaracaoQuery(std::string_view nome) const;
    const DeclStoredProc& DeclaracaoStoredProc(std::string_view nome) const;
    const DeclProvider& DeclaracaoProvider(std::string_view nome) const;
    const DeclClientDataSet& DeclaracaoClientDataSet(std::string_view nome) const;
    // Persistent field definitions of a client data set (empty when it declares none).
    const std::vector<DeclCampo>& CamposDeclarados(std::string_view cds) const;

    // Adds an action run on a client data set's fields each time it opens, after the
    // declared properties are applied (field rules attach their hooks here: the fields
    // are made anew at each opening). The record sets' AfterOpen and OnNewRecord hooks
    // belong to the container (declared properties, default expressions); the other
    // record hooks are free for the modules' rules.
    void AoAbrir(std::string_view cds, std::function<void(db::ClientDataSet&)> acao);

protected:
    // Builds the components of a declaration table (the ancestor's).
    void Construir(const Catalogo& catalogo);
    // Changes made by a descendant.
    void DefinirSQL(std::string_view query, const std::string& sql);
    void DefinirProcedimento(std::string_view stp, const std::string& procedimento, const std::string& params);
    void DefinirProvider(std::string_view dsp, ModoAtualizacao modo, unsigned opcoes);
    void DefinirCampos(std::string_view cds, std::vector<DeclCampo> campos);

    // Binds a provider's update-error hook to a handler of the module: a pointer to a
    // virtual member, so the most derived version runs.
    template <class T>
    void VincularUpdateError(std::string_view dsp, void (T::*h)(db::Provider&, const db::Error&, db::DeltaRecord&,
                                                                 db::UpdateKind, db::UpdateResponse&)) {
        T* self = static_cast<T*>(this);
        Provider(dsp).OnUpdateError = [self, h](db::Provider& p, const db::Error& e, db::DeltaRecord& d,
                                                db::UpdateKind k, db::UpdateResponse& r) { (self->*h)(p, e, d, k, r); };
    }
    template <class T>
    void VincularBeforeUpdateRecord(std::string_view dsp,
                                    void (T::*h)(db::Provider&, db::DeltaRecord&, db::UpdateKind, bool&)) {
        T* self = static_cast<T*>(this);
        Provider(dsp).OnBeforeUpdateRecord = [self, h](db::Provider& p, db::DeltaRecord& d, db::UpdateKind k,
                                                       bool& applied) { (self->*h)(p, d, k, applied); };
    }

    // Binds every query and stored-procedure call, in ownership order, to the module's
    // connection (the system object's main one unless the constructor received one).
    void DataModuleCreate();

private:
    struct Componente {
        TipoComponente tipo;
        std::string nome;
        void* obj;
    };
    const Componente* Achar(std::string_view nome) const;
    Componente& AcharTipo(std::string_view nome, TipoComponente tipo);
    const Componente& AcharTipo(std::string_view nome, TipoComponente tipo) const;
    void AplicarCampos(db::ClientDataSet& cds);

    std::string nome_;
    db::Connection* conexao_ = nullptr;
    bool conexaoDada_ = false;
    std::vector<Componente> ordem_;
    std::map<std::string, std::size_t> indice_;  // upper-cased name -> position in ordem_
    std::vector<std::unique_ptr<db::Query>> queries_;
    std::vector<std::unique_ptr<db::StoredProc>> procs_;
    std::vector<std::unique_ptr<db::Provider>> providers_;
    std::vector<std::unique_ptr<db::ClientDataSet>> cds_;
    std::map<std::string, DeclQuery> declQueries_;
    std::map<std::string, DeclStoredProc> declProcs_;
    std::map<std::string, DeclProvider> declProviders_;
    std::map<std::string, DeclClientDataSet> declCds_;
    std::map<std::string, std::vector<DeclCampo>> campos_;
    std::map<std::string, std::vector<std::function<void(db::ClientDataSet&)>>> aoAbrir_;
};

}  // namespace dm
