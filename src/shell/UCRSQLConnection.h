#pragma once
// The program's database connection. It keeps the configuration it is given, as given
// (connection name, driver name, driver entry function, driver library, client library,
// login prompt, ordered parameter list), and reaches the database through the Firebird
// client for every kind of configuration: the driver and library names are labels.
//
// When it attaches, the connection takes from its parameter list the entries Database,
// User_Name, Password, SQLDialect, WaitOnLocks and "<driver> TransIsolation". Once
// attached, and before it is reported open, it hands the driver's extended options named
// in the list to the driver (UDriverOptions.h); what it handed is kept for inspection.
//
// A connection without a driver name has not been configured: opening it (explicitly or
// through a statement) fails with an error saying so.
#include <string>
#include <string_view>
#include <vector>

#include "db/Connection.h"
#include "shell/UDriverOptions.h"

class TCRSQLConnection : public db::Connection {
public:
    TCRSQLConnection() = default;
    explicit TCRSQLConnection(std::string nome) : Name(std::move(nome)) {}
    ~TCRSQLConnection() override = default;

    // Name of the component (for messages), e.g. "ConexaoPrincipal", "connLogin".
    std::string Name;

    // ---- configuration, set before the first opening ----------------------------------
    std::string ConnectionName;
    std::string DriverName;
    std::string GetDriverFunc;
    std::string LibraryName;
    std::string VendorLib;
    bool LoginPrompt = false;
    std::vector<std::string> Params;  // "name=value" lines, in order

    bool Configurada() const noexcept { return !DriverName.empty(); }

    // The value of the first parameter line with that name (case-insensitive); "" when
    // there is none.
    std::string ParamValue(std::string_view nome) const { return texto_param::Valor(Params, nome); }

    // Options handed to the driver at the last attachment, in the order handed.
    const std::vector<TOpcaoEntregue>& OpcoesEntregues() const noexcept { return entregues_; }
    // BlobSize of the list as the connection took it at the last attachment (-1: whole
    // blobs; the layer always reads blobs whole).
    int BlobSize() const noexcept { return blobSize_; }

    // Text of the error raised when an unconfigured connection is used.
    static std::string MensagemSemDriver(const std::string& nome);

protected:
    void BeforeConnect() override;
    void AfterConnect() override;

private:
    std::vector<TOpcaoEntregue> entregues_;
    int blobSize_ = -1;
};

// Set-ups shared by the system object's connections and the access module's.
namespace conexoes {

struct Driver {
    const char* connectionName;
    const char* driverName;
    const char* getDriverFunc;
    const char* libraryName;
    const char* vendorLib;
};

// "Devart InterBase" / "DevartInterBase" / "getSQLDriverInterBase" / "dbexpida.dll" /
// "fbclient.dll".
extern const Driver kDevart;
// "FBLocal" / "firebird" / "getSQLDriverINTERBASE" / "dbexpuibfire15.dll" / "fbclient.dll".
extern const Driver kFireBird;

// Sets the labels, login prompt off and the parameter list (replacing the old one).
void Configurar(TCRSQLConnection& c, const Driver& d, std::vector<std::string> params);
void Configurar(TCRSQLConnection& c, const Driver& d, const char* connectionName, std::vector<std::string> params);

// The fifteen lines of the DevartFireBird kind.
std::vector<std::string> ParametrosDevart(const std::string& local, const std::string& senha);
// The kind DevartFireBird: list emptied, then filled.
void ConfigurarDevart(TCRSQLConnection& c, const std::string& local, const std::string& senha);

}  // namespace conexoes
