#include "shell/UBdPrincipal.h"

#include <memory>

#include "shell/UCifra.h"
#include "shell/UDmIbAcesso.h"
#include "shell/USistema.h"

std::string LerBdPrincipal() {
    // The temporary module lives only for this read; its destruction closes its
    // connection, also when the read fails.
    const auto dm = std::make_unique<TdmIbAcesso>();
    dm->sqlBdPrinc.Close();
    dm->sqlBdPrinc.Open();
    std::string senha = dm->sqlBdPrinc.Eof() ? std::string() : dm->sqlBdPrinc.FieldByName("SENHA").AsString();
    dm->sqlBdPrinc.Close();
    return senha;
}

std::string AplicarBdPrincipal() {
    const std::string local = Decifrar(LerBdPrincipal());
    TSistema& sistema = Sistema();
    if (!local.empty()) sistema.CaminhoBanco = local;
    return sistema.CaminhoBanco;
}
