#include "components/uKWDBFilialEdit.h"

void TKWDBFilialEdit::VincularCampo(TLerCampo ler, TGravarCampo gravar) {
    ler_ = std::move(ler);
    gravar_ = std::move(gravar);
    LerCampo();
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
