#include "components/uKWDBFilialEdit.h"

#include "db/ClientDataSet.h"

void TKWDBFilialEdit::VincularCampo(TLerCampo ler, TGravarCampo gravar) {
    ler_ = std::move(ler);
    gravar_ = std::move(gravar);
    LerCampo();
}

void TKWDBFilialEdit::VincularCampo(db::ClientDataSet& dados, const std::string& nomeCampo) {
    db::ClientDataSet* ds = &dados;
    VincularCampo(
        [ds, nomeCampo]() -> std::string {
            if (!ds->Active()) return {};
            db::Field* f = ds->FindField(nomeCampo);
            return f ? f->Text() : std::string();
        },
        [ds, nomeCampo](const std::string& texto) {
            db::Field& f = ds->FieldByName(nomeCampo);
            if (ds->State() == db::DataSetState::Browse) ds->Edit();
            f.SetText(texto);
        });
}

void TKWDBFilialEdit::DesvincularCampo() {
    ler_ = nullptr;
    gravar_ = nullptr;
}

void TKWDBFilialEdit::LerCampo() {
    if (ler_) setText(QString::fromStdString(ler_()));
}

void TKWDBFilialEdit::SaidaAceita() {
    if (!gravar_) return;
    const std::string texto = text().toStdString();
    if (ler_ && ler_() == texto) return;  // nothing edited
    gravar_(texto);
}
