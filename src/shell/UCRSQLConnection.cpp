#include "shell/UCRSQLConnection.h"

#include "db/Error.h"
#include "platform/Texto.h"

namespace {

// "<driver> TransIsolation" entry: the first line whose name ends with it.
std::string ValorIsolamento(const std::vector<std::string>& params) {
    static const std::string sufixo = "TRANSISOLATION";
    for (const std::string& l : params) {
        const std::string nome = plat::MaiusculasAscii(texto_param::NomeDaLinha(l));
        if (nome.size() >= sufixo.size() && nome.compare(nome.size() - sufixo.size(), sufixo.size(), sufixo) == 0)
            return texto_param::ValorDaLinha(l);
    }
    return {};
}

db::Isolation Isolamento(const std::string& valor) {
    const std::string v = plat::MaiusculasAscii(plat::Aparar(valor));
    if (v == "REPEATABLEREAD" || v == "SNAPSHOT") return db::Isolation::Snapshot;
    // ReadCommited (as the drivers spell it), ReadCommitted, DirtyRead (Firebird has no
    // dirty reads) and anything else: read committed.
    return db::Isolation::ReadCommitted;
}

}  // namespace

std::string TCRSQLConnection::MensagemSemDriver(const std::string& nome) {
    return "Driver de acesso ao banco de dados não configurado" +
           (nome.empty() ? std::string() : " na conexão " + nome) +
           ": verifique o tipo de banco ([Banco] Banco) no arquivo Parametros.ini";
}

void TCRSQLConnection::BeforeConnect() {
    if (!Configurada()) throw db::Error(MensagemSemDriver(Name));

    SetDatabase(ParamValue("Database"));
    SetUserName(ParamValue("User_Name"));
    SetPassword(ParamValue("Password"));

    const std::string dialeto = plat::Aparar(ParamValue("SQLDialect"));
    SetSqlDialect(dialeto.empty() ? 3 : texto_param::InteiroEstrito(dialeto));

    const std::string espera = plat::Aparar(ParamValue("WaitOnLocks"));
    SetWaitOnLocks(espera.empty() || plat::MaiusculasAscii(espera) == "TRUE");

    SetIsolation(Isolamento(ValorIsolamento(Params)));
}

void TCRSQLConnection::AfterConnect() {
    entregues_.clear();
    // Computed first as a whole: a value that does not convert fails the opening before
    // anything is handed over.
    std::vector<TOpcaoEntregue> opcoes = OpcoesParaDriver(Params);

    const std::string blob = plat::Aparar(ParamValue("BlobSize"));
    if (!blob.empty()) {
        try {
            blobSize_ = texto_param::InteiroEstrito(blob);
        } catch (...) {
            blobSize_ = -1;
        }
    }

    // The layer's behaviour already matches every option the program's lists name (see
    // docs/DESIGN.md): handing an option over records it.
    entregues_ = std::move(opcoes);
}

namespace conexoes {

const Driver kDevart{"Devart InterBase", "DevartInterBase", "getSQLDriverInterBase", "dbexpida.dll", "fbclient.dll"};
const Driver kFireBird{"FBLocal", "firebird", "getSQLDriverINTERBASE", "dbexpuibfire15.dll", "fbclient.dll"};

void Configurar(TCRSQLConnection& c, const Driver& d, std::vector<std::string> params) {
    Configurar(c, d, d.connectionName, std::move(params));
}

void Configurar(TCRSQLConnection& c, const Driver& d, const char* connectionName, std::vector<std::string> params) {
    c.ConnectionName = connectionName;
    c.DriverName = d.driverName;
    c.GetDriverFunc = d.getDriverFunc;
    c.LibraryName = d.libraryName;
    c.VendorLib = d.vendorLib;
    c.LoginPrompt = false;
    c.Params = std::move(params);
}

std::vector<std::string> ParametrosDevart(const std::string& local, const std::string& senha) {
    return {"DriverName=DevartInterBase",
            "Database=" + local,
            "User_Name=SYSDBA",
            "Password=" + senha,
            "SQLDialect=3",
            "BlobSize=-1",
            "LocaleCode=0000",
            "DevartInterBase TransIsolation=ReadCommited",
            "WaitOnLocks=True",
            "OptimizedNumerics=False",
            "CharLength=1",
            "EnableBCD=True",
            "LongStrings=True",
            "UseQuoteChar=False",
            "FetchAll=False"};
}

void ConfigurarDevart(TCRSQLConnection& c, const std::string& local, const std::string& senha) {
    c.Params.clear();
    Configurar(c, kDevart, ParametrosDevart(local, senha));
}

}  // namespace conexoes
