#include "shell/UDmIbAcesso.h"

#include <algorithm>
#include <memory>

#include "platform/IniFile.h"
#include "platform/Mensagens.h"
#include "shell/USistema.h"

TdmIbAcesso::TdmIbAcesso() {
    Name = "dmIbAcesso";
    sqlUsu.SQL() = {"Select * from Usuarios", "where NOME_US =:NOME", "order by NOME_US"};

    Preparar(sqlTabExiste, {"SELECT DISTINCT RDB$RELATION_NAME", "  FROM RDB$RELATION_FIELDS",
                            "WHERE RDB$SYSTEM_FLAG=0", "AND RDB$RELATION_NAME=:TAB"});

    Encadear(sqlGruposMenu, dspGruposMenu, "dspGruposMenu", cdsGruposMenu, "cdsGruposMenu");
    Preparar(sqlGruposMenu, {"select * ", "from GRUPOS_MENU_USUARIO", "where USUARIO_GM=:USU"});

    Encadear(sqlOpcoesMenu, dspOpcoesMenu, "dspOpcoesMenu", cdsOpcoesMenu, "cdsOpcoesMenu");
    Preparar(sqlOpcoesMenu, {"select * from OPCOES_MENU_USUARIO", "where USUARIO_OP=:USU",
                             "and GRUPO_MENU_OP=:GRUPO", "and OPCAO_OP=:OPCAO"});

    sqlOpcoesUsuario.SetConnection(&connLogin);
    dspOpcoesUsuario.SetDataSet(&sqlOpcoesUsuario);
    dspOpcoesUsuario.Name = "dspOpcoesUsuario";
    Preparar(sqlOpcoesUsuario,
             {"select G.DESC_GM as DESC_GRUPO, O.OPCAO_OP", "from OPCOES_MENU_USUARIO O",
              "left join GRUPOS_MENU_USUARIO G on G.USUARIO_GM = O.USUARIO_OP and G.CODGRUPO_GM = O.GRUPO_MENU_OP",
              "where USUARIO_OP=:USU"});

    Preparar(sqlLogin, {"insert into LOGIN (ID_LN, USUARIO_LN, DATA_LN, PRIVILEGIO_LN)",
                        "values (0, :USUARIO, cast('now' as TIMESTAMP), :PRIVILEGIO)"});

    ibAcesso.SetUserName("SYSDBA");
    IBScript.OnError = [this](const db::Error& e, const std::string& st, int linha) {
        return ibConfigExecuteError(e, st, linha);
    };

    Preparar(sqlMenu, {"select * from MENU"});
    Preparar(sqlDataServidor, {"select cast('now' as timestamp) as DATA_SERVIDOR from RDB$DATABASE"});
    Preparar(sqlVersaoFirebird,
             {"SELECT  rdb$get_context('SYSTEM', 'ENGINE_VERSION') AS VERSAO From rdb$database;"});
    Preparar(sqlLogUsu, {"execute procedure set_contexto(:usuario)"});

    auto relancar = [this](void (TdmIbAcesso::*h)(db::Provider&, const db::Error&, db::DeltaRecord&, db::UpdateKind,
                                                   db::UpdateResponse&)) {
        return [this, h](db::Provider& p, const db::Error& e, db::DeltaRecord& d, db::UpdateKind k,
                         db::UpdateResponse& r) { (this->*h)(p, e, d, k, r); };
    };
    dspConfig.OnUpdateError = relancar(&TdmIbAcesso::dspConfigUpdateError);
    dspGruposMenu.OnUpdateError = relancar(&TdmIbAcesso::dspGruposMenuUpdateError);
    dspOpcoesMenu.OnUpdateError = relancar(&TdmIbAcesso::dspGruposMenuUpdateError);
    dspOpcoes.OnUpdateError = relancar(&TdmIbAcesso::dspOpcoesUpdateError);

    DataModuleCreate();
}

TdmIbAcesso::~TdmIbAcesso() = default;

void TdmIbAcesso::DataModuleCreate() {
    try {
        std::string acesso, user, banco;
        {
            const auto ini = TSistema::Configuracao();
            acesso = ini->ReadString("Paths", "ACESSO", "ERRO");
            user = ini->ReadString("Paths", "USER", "ERRO");
            banco = ini->ReadString("Banco", "Banco", "ERRO");
        }
        acesso = TSistema::ResolverMono(acesso);  // the user database keeps its location as read
        if (banco == "InterBase")
            ConectarInterBase(acesso, user);
        else if (banco == "DevartFireBird")
            ConectarDevart(acesso, user);
        else if (banco == "FireBird")
            ConectarFireBird(acesso, user);
    } catch (const std::exception& e) {
        connLogin.Close();
        plat::RelatarErro(e);
    } catch (...) {
        connLogin.Close();
        plat::RelatarErroDesconhecido();
    }
}

void TdmIbAcesso::ConectarInterBase(const std::string& acesso, const std::string& user) {
    static const conexoes::Driver ib{"ACESSO", "Interbase", "getSQLDriverINTERBASE", "dbexpint.dll", "gds32.dll"};
    const std::string senha = Sistema().SenhaBanco();
    auto lista = [&](const std::string& local) {
        return std::vector<std::string>{"BlobSize=-1",
                                        "CommitRetain=False",
                                        "Database=" + local,
                                        "DriverName=Interbase",
                                        "LocaleCode=0000",
                                        "Password=" + senha,
                                        "RoleName=RoleName",
                                        "SQLDialect=1",
                                        "Interbase TransIsolation=ReadCommited",
                                        "User_Name=sysdba",
                                        "WaitOnLocks=True"};
    };
    conexoes::Configurar(connLogin, ib, "ACESSO", lista(acesso));
    conexoes::Configurar(connUser, ib, "USER", lista(user));
    connLogin.Open();
}

// The kind FireBird: the system object's FireBird set-up (labels and the eleven-line
// list, dialect 3), with the access and user database locations.
void TdmIbAcesso::ConectarFireBird(const std::string& acesso, const std::string& user) {
    const std::string senha = Sistema().SenhaBanco();
    auto lista = [&](const std::string& local) {
        return std::vector<std::string>{"BlobSize=-1",
                                        "CommitRetain= False",
                                        "Database=" + local,
                                        "DriverName=interbase",
                                        "LocaleCode=0000",
                                        "Password=" + senha,
                                        "RoleName=RoleName",
                                        "SQLDialect=3",
                                        "Interbase TransIsolation=ReadCommited",
                                        "User_Name=sysdba",
                                        "WaitOnLocks=True"};
    };
    conexoes::Configurar(connLogin, conexoes::kFireBird, "ACESSO", lista(acesso));
    conexoes::Configurar(connUser, conexoes::kFireBird, "USER", lista(user));
    connLogin.Open();
}

void TdmIbAcesso::ConectarDevart(const std::string& acesso, const std::string& user) {
    const std::string senha = Sistema().SenhaBanco();
    conexoes::ConfigurarDevart(connLogin, acesso, senha);
    connLogin.Open();
    conexoes::ConfigurarDevart(connUser, user, senha);
}

bool TdmIbAcesso::TabelaExiste(const std::string& tabela) {
    sqlTabExiste.Close();
    sqlTabExiste.ParamByName("TAB").SetAsString(tabela);
    sqlTabExiste.Open();
    const bool existe = !sqlTabExiste.Eof();
    sqlTabExiste.Close();
    return existe;
}

bool TdmIbAcesso::TabelasMenuExistem() {
    if (!TabelaExiste("GRUPOS_MENU_USUARIO")) return false;
    return TabelaExiste("OPCOES_MENU_USUARIO");
}

void TdmIbAcesso::IncluirGrupoMenu(const std::string& grupo, const std::string& usuario) {
    cdsGruposMenu.Close();
    sqlGruposMenu.Close();
    sqlGruposMenu.ParamByName("USU").SetAsString(usuario);
    cdsGruposMenu.Open();

    bool achou = false;
    std::int64_t maior = 0;
    for (cdsGruposMenu.First(); !cdsGruposMenu.Eof(); cdsGruposMenu.Next()) {
        if (cdsGruposMenu.FieldByName("DESC_GM").AsString() == grupo) {
            achou = true;
            break;
        }
        maior = std::max(maior, cdsGruposMenu.FieldByName("CODGRUPO_GM").AsInteger());
    }
    if (!achou) {
        cdsGruposMenu.Append();
        cdsGruposMenu.FieldByName("USUARIO_GM").SetAsString(usuario);
        cdsGruposMenu.FieldByName("CODGRUPO_GM").SetAsInteger(maior + 1);
        cdsGruposMenu.FieldByName("DESC_GM").SetAsString(grupo);
        cdsGruposMenu.Post();
        cdsGruposMenu.ApplyUpdates(0);
    }
    cdsGruposMenu.Close();
    sqlGruposMenu.Close();
}

void TdmIbAcesso::ExcluirGrupoMenu(const std::string& grupo, const std::string& usuario) {
    db::Query q(connLogin);
    q.SQL() = {"delete from GRUPOS_MENU_USUARIO where USUARIO_GM=:USU and DESC_GM=:GRUPO"};
    q.ParamByName("USU").SetAsString(usuario);
    q.ParamByName("GRUPO").SetAsString(grupo);
    q.ExecSQL();
}

int TdmIbAcesso::CodigoGrupo(const std::string& grupo, const std::string& usuario) {
    db::Query q(connLogin);
    q.SQL() = {"select CODGRUPO_GM from GRUPOS_MENU_USUARIO where USUARIO_GM=:USU and DESC_GM=:GRUPO"};
    q.ParamByName("USU").SetAsString(usuario);
    q.ParamByName("GRUPO").SetAsString(grupo);
    q.Open();
    const int codigo = q.Eof() ? 0 : static_cast<int>(q.FieldByName("CODGRUPO_GM").AsInteger());
    q.Close();
    return codigo;
}

void TdmIbAcesso::AbrirOpcoesMenu(const std::string& grupo, const std::string& usuario, const std::string& opcao) {
    const int codigo = CodigoGrupo(grupo, usuario);
    cdsOpcoesMenu.Close();
    sqlOpcoesMenu.Close();
    sqlOpcoesMenu.ParamByName("USU").SetAsString(usuario);
    sqlOpcoesMenu.ParamByName("GRUPO").SetAsInteger(codigo);
    sqlOpcoesMenu.ParamByName("OPCAO").SetAsString(opcao);
    sqlOpcoesMenu.Open();
}

void TdmIbAcesso::IncluirOpcaoMenu(const std::string& grupo, const std::string& usuario, const std::string& opcao) {
    AbrirOpcoesMenu(grupo, usuario, opcao);
    if (sqlOpcoesMenu.Eof()) {
        const int codigo = static_cast<int>(sqlOpcoesMenu.ParamByName("GRUPO").AsInteger());
        sqlOpcoesMenu.Close();  // the provider runs it again for the record set
        cdsOpcoesMenu.Open();
        cdsOpcoesMenu.Append();
        cdsOpcoesMenu.FieldByName("USUARIO_OP").SetAsString(usuario);
        cdsOpcoesMenu.FieldByName("GRUPO_MENU_OP").SetAsInteger(codigo);
        cdsOpcoesMenu.FieldByName("OPCAO_OP").SetAsString(opcao);
        cdsOpcoesMenu.Post();
        cdsOpcoesMenu.ApplyUpdates(0);
        cdsOpcoesMenu.Close();
    }
    sqlOpcoesMenu.Close();
}

void TdmIbAcesso::ExcluirOpcaoMenu(const std::string& grupo, const std::string& usuario, const std::string& opcao) {
    AbrirOpcoesMenu(grupo, usuario, opcao);
    if (!sqlOpcoesMenu.Eof()) {
        sqlOpcoesMenu.Close();  // the provider runs it again for the record set
        cdsOpcoesMenu.Open();
        cdsOpcoesMenu.First();
        if (!cdsOpcoesMenu.Eof()) {
            cdsOpcoesMenu.Delete();
            cdsOpcoesMenu.ApplyUpdates(0);
        }
        cdsOpcoesMenu.Close();
    }
    sqlOpcoesMenu.Close();
}

db::DataPacket TdmIbAcesso::OpcoesUsuario(const std::string& usuario) {
    sqlOpcoesUsuario.Close();
    sqlOpcoesUsuario.ParamByName("USU").SetAsString(usuario);
    return dspOpcoesUsuario.GetData();
}

void TdmIbAcesso::RegistrarLogin(const std::string& usuario, const std::string& privilegio) {
    VerificarTabelaLogin();
    sqlLogin.ParamByName("USUARIO").SetAsString(usuario);
    sqlLogin.ParamByName("PRIVILEGIO").SetAsString(privilegio);
    sqlLogin.ExecSQL();
}

void TdmIbAcesso::VerificarTabelaLogin() {
    if (!TabelaExiste("LOGIN")) CriarTabelaLogin();
}

void TdmIbAcesso::CriarTabelaLogin() {
    ibAcesso.SetDatabase(connLogin.ParamValue("Database"));
    ibAcesso.SetPassword(Sistema().SenhaBanco());
    ibAcesso.Open();

    IBScriptLinhas = {"CREATE GENERATOR ID_LOGIN;",
                      "",
                      "CREATE TABLE LOGIN (",
                      "    ID_LN          INTEGER NOT NULL,",
                      "    USUARIO_LN     VARCHAR(10),",
                      "    DATA_LN        TIMESTAMP,",
                      "    PRIVILEGIO_LN  VARCHAR(1)",
                      ");",
                      "ALTER TABLE LOGIN ADD CONSTRAINT PK_LOGIN PRIMARY KEY (ID_LN);",
                      "",
                      "SET TERM ^ ;",
                      "",
                      "CREATE TRIGGER LOGIN_BI0 FOR LOGIN",
                      "ACTIVE BEFORE INSERT POSITION 0",
                      "AS",
                      "begin",
                      "  NEW.ID_LN = gen_id(ID_LOGIN, 1);",
                      "end",
                      "^",
                      "",
                      "SET TERM ; ^"};
    std::string script;
    for (const std::string& l : IBScriptLinhas) script += l + "\n";
    IBScript.Run(script);
}

bool TdmIbAcesso::BdPrincipalDefinido() {
    if (!TabelaExiste("BD_PRINCIPAL")) return false;
    sqlBdPrinc.Close();
    sqlBdPrinc.Open();
    const std::string senha = sqlBdPrinc.Eof() ? std::string() : sqlBdPrinc.FieldByName("SENHA").AsString();
    sqlBdPrinc.Close();
    return !senha.empty();
}

void TdmIbAcesso::dspConfigUpdateError(db::Provider&, const db::Error& e, db::DeltaRecord&, db::UpdateKind,
                                       db::UpdateResponse&) {
    throw e;
}

void TdmIbAcesso::dspGruposMenuUpdateError(db::Provider&, const db::Error& e, db::DeltaRecord&, db::UpdateKind,
                                           db::UpdateResponse&) {
    throw e;
}

void TdmIbAcesso::dspOpcoesUpdateError(db::Provider&, const db::Error& e, db::DeltaRecord&, db::UpdateKind,
                                       db::UpdateResponse&) {
    throw e;
}

db::ScriptAction TdmIbAcesso::ibConfigExecuteError(const db::Error&, const std::string&, int) {
    return db::ScriptAction::Skip;
}
