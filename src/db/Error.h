#pragma once
// The one exception type of the data access layer: the database's message text (UTF-8),
// the Firebird status codes and the SQLSTATE, with predicates for the errors callers
// react to.
#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Mensagens.h"

namespace db {

// An error marked as one cause (UmRelato) is shown by the first report only, whichever
// copy reaches it: a server that never answered is reported once however many steps meet it.
class Error : public std::runtime_error, public plat::ERelatoUnico {
public:
    // Errors detected by the layer itself (no database status).
    explicit Error(const std::string& mensagem);
    Error(const std::string& mensagem, std::vector<std::intptr_t> codigos, std::string sqlState);

    // Firebird status codes (ISC gdscodes) in the order the status vector carried them.
    const std::vector<std::intptr_t>& Codigos() const noexcept { return codigos_; }
    const std::string& SqlState() const noexcept { return sqlState_; }
    bool Contem(std::intptr_t codigo) const noexcept;

    // Lock or update conflict with another transaction.
    bool ConflitoDeBloqueio() const noexcept;
    // Unique or primary key violation.
    bool ChaveDuplicada() const noexcept;
    // The server dropped the connection (restarted, network cut, shut down).
    bool ConexaoPerdida() const noexcept;
    // An UPDATE or DELETE of an apply matched no row: the record was changed or removed
    // by another user since it was read.
    bool RegistroAlterado() const noexcept;

    // Marks this error (and the copies made from now on) as one cause, reported once.
    void UmRelato();
    bool PrimeiroRelato() const noexcept override;

    // Marker code of "record changed by another user" (not a Firebird code).
    static constexpr std::intptr_t kRegistroAlterado = -1001;

private:
    std::vector<std::intptr_t> codigos_;
    std::string sqlState_;
    std::shared_ptr<std::atomic<bool>> relatado_;  // set: one cause, already shown when true
};

}  // namespace db
