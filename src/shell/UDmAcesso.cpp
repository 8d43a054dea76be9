#include "shell/UDmAcesso.h"

TdmAcesso::TdmAcesso() {
    Name = "dmAcesso";
    Encadear(sqlUsu, dspUsu, "dspUsu", cdsUsu, "cdsUsu");
    Preparar(sqlUsu, {"Select * from Usuarios", "where NOME_US =:NOME", "order by nome_us"});
    cdsUsu.GetParams().Add("NOME");

    Encadear(sqlGrupos, dspGrupos, "dspGrupos", cdsGrupos, "cdsGrupos");
    Preparar(sqlGrupos, {"Select * from Grupos", "order by CODIGO_GR"});

    Encadear(sqlOpcoes, dspOpcoes, "dspOpcoes", cdsOpcoes, "cdsOpcoes");
    Preparar(sqlOpcoes, {"Select * from Opcoes", "order by GRUPO_OP, OPCAO_OP"});

    Encadear(sqlTotUsu, dspTotUsu, "dspTotUsu", cdsTotUsu, "cdsTotUsu");
    Preparar(sqlTotUsu, {"Select * from Usuarios", "ORDER BY nome_us"});

    Encadear(sqlConfig, dspConfig, "dspConfig", cdsConfig, "cdsConfig");
    Preparar(sqlConfig, {"SELECT * FROM CONFIG"});

    Preparar(sqlBdPrinc, {"select SENHA from BD_PRINCIPAL"});

    Encadear(sqlFilialUsu, dspFilialUsu, "dspFilialUsu", cdsFilialUsu, "cdsFilialUsu");
    Preparar(sqlFilialUsu, SqlFiliaisUsuarios());
}

std::vector<std::string> TdmAcesso::SqlFiliaisUsuarios() { return {"Select * from filial_usuarios", "order by usuario_fu"}; }

TdmAcesso::~TdmAcesso() = default;

void TdmAcesso::Preparar(db::Query& q, std::vector<std::string> linhas) {
    q.SetConnection(&connLogin);
    q.SQL() = std::move(linhas);
}

void TdmAcesso::Encadear(db::Query& q, db::Provider& p, const char* nomeProvider, db::ClientDataSet& c,
                         const char* nomeCds) {
    q.SetConnection(&connLogin);
    p.SetDataSet(&q);
    p.Name = nomeProvider;
    c.Name = nomeCds;
    c.SetProviderName(nomeProvider);
    c.SetProvider(&p);
}

bool TdmAcesso::TabelasMenuExistem() { return false; }
void TdmAcesso::IncluirGrupoMenu(const std::string&, const std::string&) {}
void TdmAcesso::ExcluirGrupoMenu(const std::string&, const std::string&) {}
void TdmAcesso::IncluirOpcaoMenu(const std::string&, const std::string&, const std::string&) {}
void TdmAcesso::ExcluirOpcaoMenu(const std::string&, const std::string&, const std::string&) {}
db::DataPacket TdmAcesso::OpcoesUsuario(const std::string&) { return {}; }
void TdmAcesso::RegistrarLogin(const std::string&, const std::string&) {}
bool TdmAcesso::BdPrincipalDefinido() { return false; }
