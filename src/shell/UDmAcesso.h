#pragma once
// Access data module, database-neutral part: the connection to the access database and
// the data sets every kind of database shares (users, menu groups and options, the
// installation settings, the stored main-database location, the branches per user), and
// the eight operations a descendant implements for its kind of database.
//
// Never instantiated by itself: TdmIbAcesso (UDmIbAcesso.h) is the module the program
// creates.
#include <string>

#include "db/ClientDataSet.h"
#include "db/DataPacket.h"
#include "db/Provider.h"
#include "db/Query.h"
#include "shell/UCRSQLConnection.h"

class TdmAcesso {
public:
    virtual ~TdmAcesso();
    TdmAcesso(const TdmAcesso&) = delete;
    TdmAcesso& operator=(const TdmAcesso&) = delete;

    std::string Name;

    // Every statement of the module runs on connLogin (the access database).
    TCRSQLConnection connLogin{"connLogin"};

    db::Query sqlUsu;  // parameter NOME
    db::Provider dspUsu;
    db::ClientDataSet cdsUsu;

    db::Query sqlGrupos;
    db::Provider dspGrupos;
    db::ClientDataSet cdsGrupos;

    db::Query sqlOpcoes;
    db::Provider dspOpcoes;
    db::ClientDataSet cdsOpcoes;

    db::Query sqlTotUsu;
    db::Provider dspTotUsu;
    db::ClientDataSet cdsTotUsu;

    db::Query sqlConfig;
    db::Provider dspConfig;
    db::ClientDataSet cdsConfig;

    db::Query sqlBdPrinc;

    db::Query sqlFilialUsu;
    db::Provider dspFilialUsu;
    db::ClientDataSet cdsFilialUsu;
    // sqlFilialUsu's statement (the system services run it on other connections too).
    static std::vector<std::string> SqlFiliaisUsuarios();

    // ---- operations of a kind of database (here: placeholders that do nothing) ------
    // Both GRUPOS_MENU_USUARIO and OPCOES_MENU_USUARIO exist.
    virtual bool TabelasMenuExistem();
    virtual void IncluirGrupoMenu(const std::string& grupo, const std::string& usuario);
    virtual void ExcluirGrupoMenu(const std::string& grupo, const std::string& usuario);
    virtual void IncluirOpcaoMenu(const std::string& grupo, const std::string& usuario, const std::string& opcao);
    virtual void ExcluirOpcaoMenu(const std::string& grupo, const std::string& usuario, const std::string& opcao);
    // Rows DESC_GRUPO, OPCAO_OP of the user's menu options.
    virtual db::DataPacket OpcoesUsuario(const std::string& usuario);
    virtual void RegistrarLogin(const std::string& usuario, const std::string& privilegio);
    // BD_PRINCIPAL exists and its first row holds a non-empty SENHA.
    virtual bool BdPrincipalDefinido();

protected:
    TdmAcesso();

    // Binds a query to connLogin with its statement lines.
    void Preparar(db::Query& q, std::vector<std::string> linhas);
    // Binds a query, a provider over it and a record set fed by the provider.
    void Encadear(db::Query& q, db::Provider& p, const char* nomeProvider, db::ClientDataSet& c,
                  const char* nomeCds);
};
