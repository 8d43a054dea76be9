#include "db/Error.h"

#include <algorithm>

namespace db {

namespace {
// Firebird status codes the predicates look for.
constexpr std::intptr_t kDeadlock = 335544336;
constexpr std::intptr_t kLockConflict = 335544345;
constexpr std::intptr_t kUpdateConflict = 335544451;
constexpr std::intptr_t kLockTimeout = 335544510;
constexpr std::intptr_t kNoDup = 335544349;
constexpr std::intptr_t kUniqueKeyViolation = 335544665;
constexpr std::intptr_t kNetworkError = 335544721;
constexpr std::intptr_t kNetReadErr = 335544726;
constexpr std::intptr_t kNetWriteErr = 335544727;
constexpr std::intptr_t kLostDbConnection = 335544741;
constexpr std::intptr_t kConnLost = 335544648;
constexpr std::intptr_t kAttShutdown = 335544856;
constexpr std::intptr_t kShutdown = 335544528;
constexpr std::intptr_t kBadDbHandle = 335544324;
}  // namespace

Error::Error(const std::string& mensagem) : std::runtime_error(mensagem) {}

Error::Error(const std::string& mensagem, std::vector<std::intptr_t> codigos, std::string sqlState)
    : std::runtime_error(mensagem), codigos_(std::move(codigos)), sqlState_(std::move(sqlState)) {}

void Error::UmRelato() {
    if (!relatado_) relatado_ = std::make_shared<std::atomic<bool>>(false);
}

bool Error::PrimeiroRelato() const noexcept { return !relatado_ || !relatado_->exchange(true); }

bool Error::Contem(std::intptr_t codigo) const noexcept {
    return std::find(codigos_.begin(), codigos_.end(), codigo) != codigos_.end();
}

bool Error::ConflitoDeBloqueio() const noexcept {
    return Contem(kLockConflict) || Contem(kUpdateConflict) || Contem(kDeadlock) ||
           Contem(kLockTimeout);
}

bool Error::ChaveDuplicada() const noexcept {
    return Contem(kUniqueKeyViolation) || Contem(kNoDup);
}

bool Error::ConexaoPerdida() const noexcept {
    return Contem(kNetworkError) || Contem(kNetReadErr) || Contem(kNetWriteErr) ||
           Contem(kLostDbConnection) || Contem(kConnLost) || Contem(kAttShutdown) ||
           Contem(kShutdown) || Contem(kBadDbHandle);
}

bool Error::RegistroAlterado() const noexcept { return Contem(kRegistroAlterado); }

}  // namespace db
