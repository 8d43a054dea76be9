#pragma once
// The system services on a test's own databases, installed while the object lives. The
// program's own statements run on them; only the clock may be fixed. Parameter reads and
// branch lookups are counted.
#include <optional>
#include <string>
#include <vector>

#include "platform/DataHora.h"
#include "shell/UServicosSistema.h"

class ServicosDeTeste : public TServicosConexao {
public:
    explicit ServicosDeTeste(db::Connection& principal, db::Connection* usuarios = nullptr)
        : TServicosConexao(principal, usuarios) {
        InstalarServicosSistema(this);
    }
    ~ServicosDeTeste() override { InstalarServicosSistema(nullptr); }
    ServicosDeTeste(const ServicosDeTeste&) = delete;
    ServicosDeTeste& operator=(const ServicosDeTeste&) = delete;

    std::string LerParametro(const std::string& grupo, const std::string& param) override {
        ++leiturasParametro;
        return TServicosConexao::LerParametro(grupo, param);
    }
    std::vector<std::string> FiliaisUsuario() override {
        ++consultasFiliais;
        return TServicosConexao::FiliaisUsuario();
    }
    plat::TDateTime DataServidor() override { return agora ? *agora : TServicosConexao::DataServidor(); }

    std::optional<plat::TDateTime> agora;  // the server's clock, fixed
    int leiturasParametro = 0;
    int consultasFiliais = 0;
};
