#pragma once
// Data-aware branch edit: shows a field's text and writes the edited text back to the field
// only when an exit from the control is accepted.
#include <functional>
#include <string>

#include "components/uKWFilialEdit.h"

namespace db {
class ClientDataSet;
}

class TKWDBFilialEdit : public TKWFilialEditBase {
    Q_OBJECT
public:
    using TLerCampo = std::function<std::string()>;
    using TGravarCampo = std::function<void(const std::string&)>;

    explicit TKWDBFilialEdit(QWidget* parent = nullptr) : TKWFilialEditBase(parent) {}

    // Binds the control to a field: `ler` gives the field's text, `gravar` stores a text in
    // it (and may throw to refuse it). The field's text is shown at once.
    void VincularCampo(TLerCampo ler, TGravarCampo gravar);
    // Binds the control to a field of a record set, looked up by name on each use: shows the
    // field's edit text, and an accepted exit puts the record set in edit state when it is
    // browsing and sets the field's text. The record set must outlive the binding.
    void VincularCampo(db::ClientDataSet& dados, const std::string& nomeCampo);
    void DesvincularCampo();
    bool Vinculado() const { return static_cast<bool>(gravar_); }
    // Shows the field's current text again (after the record changed).
    void LerCampo();

protected:
    void SaidaAceita() override;

private:
    TLerCampo ler_;
    TGravarCampo gravar_;
};
