// The system object's five connections: creation and set-up per database kind.
#include <memory>
#include <stdexcept>

#include "platform/Mensagens.h"
#include "shell/UAplicacao.h"
#include "shell/UCRSQLConnection.h"
#include "shell/USistema.h"

using conexoes::Configurar;
using conexoes::Driver;

namespace {

const char* const kAvisoDriverAntigo =
    "A versão da biblioteca de acesso ao banco de dados está desatualizada.\r"
    "Solicite ao suporte a atualização de seu sistema para versão DEVART.";

TCRSQLConnection& Exigir(TCRSQLConnection* c, const char* nome) {
    if (!c) throw std::logic_error(std::string("Conexão ") + nome + " não criada (CriarConexoes)");
    return *c;
}

// The eleven lines of the InterBase and FireBird kinds.
std::vector<std::string> ParametrosInterBase(const std::string& local, const std::string& driverName,
                                             const std::string& senha) {
    return {"BlobSize=-1",
            "CommitRetain= False",
            "Database=" + local,
            "DriverName=" + driverName,
            "LocaleCode=0000",
            "Password=" + senha,
            "RoleName=RoleName",
            "SQLDialect=3",
            "Interbase TransIsolation=ReadCommited",
            "User_Name=sysdba",
            "WaitOnLocks=True"};
}

}  // namespace

void TSistema::CriarConexoes() {
    TAplicacao& app = Aplicacao();
    ConexaoPrincipal = app.Adicionar(std::make_unique<TCRSQLConnection>("ConexaoPrincipal"));
    ConexaoConsulta = app.Adicionar(std::make_unique<TCRSQLConnection>("ConexaoConsulta"));
    ConexaoCep = app.Adicionar(std::make_unique<TCRSQLConnection>("ConexaoCep"));
    ConexaoFabrica = app.Adicionar(std::make_unique<TCRSQLConnection>("ConexaoFabrica"));
    ConexaoCatalogo = app.Adicionar(std::make_unique<TCRSQLConnection>("ConexaoCatalogo"));
}

void TSistema::ConfigurarConexoes() {
    if (TipoBanco == "InterBase")
        ConfigurarInterBase();
    else if (TipoBanco == "FireBird")
        ConfigurarFireBird();
    else if (TipoBanco == "DevartFireBird")
        ConfigurarDevart();
}

void TSistema::ConfigurarInterBase() {
    plat::Aviso(kAvisoDriverAntigo);
    static const Driver local{"IBLocal", "interbase", "getSQLDriverINTERBASE", "dbexpint.dll", "GDS32.dll"};
    static const Driver remoto{"IBRemoto", "interbase", "getSQLDriverINTERBASE", "dbexpint.dll",
                               "firebirdclient.dll"};
    static const Driver consulta{"IBLocal", "Interbase", "getSQLDriverINTERBASE", "dbexpint.dll", "gds32.dll"};
    const std::string& senha = SenhaBanco();
    Configurar(Exigir(ConexaoPrincipal, "ConexaoPrincipal"), local,
               ParametrosInterBase(CaminhoBanco, "interbase", senha));
    Configurar(Exigir(ConexaoFabrica, "ConexaoFabrica"), remoto,
               ParametrosInterBase(CaminhoFabrica, "interbase", senha));
    Configurar(Exigir(ConexaoConsulta, "ConexaoConsulta"), consulta,
               ParametrosInterBase(CaminhoConsulta, "Interbase", senha));
    Configurar(Exigir(ConexaoCep, "ConexaoCep"), local, ParametrosInterBase(CaminhoCep, "interbase", senha));
    Configurar(Exigir(ConexaoCatalogo, "ConexaoCatalogo"), local,
               ParametrosInterBase(CaminhoCatalogo, "interbase", senha));
}

void TSistema::ConfigurarFireBird() {
    plat::Aviso(kAvisoDriverAntigo);
    const Driver& fb = conexoes::kFireBird;
    const std::string& senha = SenhaBanco();
    Configurar(Exigir(ConexaoPrincipal, "ConexaoPrincipal"), fb,
               ParametrosInterBase(CaminhoBanco, "interbase", senha));
    Configurar(Exigir(ConexaoConsulta, "ConexaoConsulta"), fb,
               ParametrosInterBase(CaminhoConsulta, "Interbase", senha));
    Configurar(Exigir(ConexaoCep, "ConexaoCep"), fb, ParametrosInterBase(CaminhoCep, "interbase", senha));
    Configurar(Exigir(ConexaoCatalogo, "ConexaoCatalogo"), fb,
               ParametrosInterBase(CaminhoCatalogo, "interbase", senha));
    // ConexaoFabrica stays unconfigured with this kind.
}

void TSistema::ConfigurarDevart() {
    const std::string& senha = SenhaBanco();
    conexoes::ConfigurarDevart(Exigir(ConexaoPrincipal, "ConexaoPrincipal"), CaminhoBanco, senha);
    conexoes::ConfigurarDevart(Exigir(ConexaoConsulta, "ConexaoConsulta"), CaminhoConsulta, senha);
    conexoes::ConfigurarDevart(Exigir(ConexaoCep, "ConexaoCep"), CaminhoCep, senha);
    conexoes::ConfigurarDevart(Exigir(ConexaoFabrica, "ConexaoFabrica"), CaminhoFabrica, senha);
    conexoes::ConfigurarDevart(Exigir(ConexaoCatalogo, "ConexaoCatalogo"), CaminhoCatalogo, senha);
}
