#pragma once
// Access data module for InterBase and Firebird databases: its creation reads the access
// and user database locations from Parametros.ini, configures connLogin and connUser for
// the configured kind of database and opens connLogin; it implements the menu, login and
// BD_PRINCIPAL operations.
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/ScriptRunner.h"
#include "shell/UDmAcesso.h"

class TdmIbAcesso : public TdmAcesso {
public:
    // Runs DataModuleCreate. An error there is shown by the standard error report and the
    // module exists anyway, with connLogin closed (its next use tries to open it again).
    TdmIbAcesso();
    ~TdmIbAcesso() override;

    // The user database; configured, not opened.
    TCRSQLConnection connUser{"connUser"};

    db::Query sqlTabExiste;  // parameter TAB: one row when a user table of that name exists

    db::Query sqlGruposMenu;  // parameter USU
    db::Provider dspGruposMenu;
    db::ClientDataSet cdsGruposMenu;

    db::Query sqlOpcoesMenu;  // parameters USU, GRUPO, OPCAO
    db::Provider dspOpcoesMenu;
    db::ClientDataSet cdsOpcoesMenu;

    db::Query sqlOpcoesUsuario;  // parameter USU
    db::Provider dspOpcoesUsuario;

    db::Query sqlLogin;  // parameters USUARIO, PRIVILEGIO

    // Direct connection for the LOGIN creation script (user SYSDBA; location and password
    // assigned just before use) and the script run on it.
    db::Connection ibAcesso;
    db::ScriptRunner IBScript{ibAcesso};
    std::vector<std::string> IBScriptLinhas;

    db::Query sqlMenu;
    db::Query sqlDataServidor;
    db::Query sqlVersaoFirebird;
    db::Query sqlLogUsu;  // parameter usuario

    bool TabelasMenuExistem() override;
    void IncluirGrupoMenu(const std::string& grupo, const std::string& usuario) override;
    void ExcluirGrupoMenu(const std::string& grupo, const std::string& usuario) override;
    void IncluirOpcaoMenu(const std::string& grupo, const std::string& usuario, const std::string& opcao) override;
    void ExcluirOpcaoMenu(const std::string& grupo, const std::string& usuario, const std::string& opcao) override;
    db::DataPacket OpcoesUsuario(const std::string& usuario) override;
    void RegistrarLogin(const std::string& usuario, const std::string& privilegio) override;
    bool BdPrincipalDefinido() override;

    // Connection set-ups per kind, given the access and user database locations; each
    // opens connLogin.
    void ConectarInterBase(const std::string& acesso, const std::string& user);
    void ConectarFireBird(const std::string& acesso, const std::string& user);
    void ConectarDevart(const std::string& acesso, const std::string& user);

    // Creates LOGIN (generator, table, key, trigger) when it is missing.
    void VerificarTabelaLogin();
    void CriarTabelaLogin();

    // Update-error handlers: the reported error is raised again.
    virtual void dspConfigUpdateError(db::Provider& sender, const db::Error& e, db::DeltaRecord& delta,
                                      db::UpdateKind kind, db::UpdateResponse& response);
    virtual void dspGruposMenuUpdateError(db::Provider& sender, const db::Error& e, db::DeltaRecord& delta,
                                          db::UpdateKind kind, db::UpdateResponse& response);
    virtual void dspOpcoesUpdateError(db::Provider& sender, const db::Error& e, db::DeltaRecord& delta,
                                      db::UpdateKind kind, db::UpdateResponse& response);
    // Statement errors of the LOGIN script: skip the statement, go on with the next.
    db::ScriptAction ibConfigExecuteError(const db::Error& e, const std::string& statement, int line);

protected:
    void DataModuleCreate();

private:
    bool TabelaExiste(const std::string& tabela);
    int CodigoGrupo(const std::string& grupo, const std::string& usuario);
    void AbrirOpcoesMenu(const std::string& grupo, const std::string& usuario, const std::string& opcao);
};
