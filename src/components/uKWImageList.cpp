#include "components/uKWImageList.h"

#include <QFile>
#include <QString>

static void IniciarRecursos() {
    // The pictures live in a static library: make sure its resource table is registered.
    Q_INIT_RESOURCE(icons);
}

void TKWImageItem::Assign(const TKWImageItem* origem) {
    if (!origem || origem == this) return;
    SetAction(origem->action_);
    caption_ = origem->caption_;
    disableContrast_ = origem->disableContrast_;
    image_ = origem->image_.copy();
}

TKWImageItem& TKWImageCollection::Add() {
    itens_.push_back(std::make_unique<TKWImageItem>());
    return *itens_.back();
}

TKWImageItem& TKWImageCollection::Insert(int indice) {
    if (indice < 0 || indice > Count()) indice = Count();
    auto it = itens_.insert(itens_.begin() + indice, std::make_unique<TKWImageItem>());
    return **it;
}

void TKWImageCollection::Delete(int indice) {
    if (indice < 0 || indice >= Count()) return;
    itens_.erase(itens_.begin() + indice);
}

int TKWImageCollection::IndexOfAction(const std::string& acao) const {
    for (int i = 0; i < Count(); ++i)
        if (itens_[static_cast<size_t>(i)]->Action() == acao) return i;
    return -1;
}

TKWImageItem& TKWImageList::Adicionar(const std::string& acao, const QImage& imagem) {
    TKWImageItem& item = images_.Add();
    item.SetAction(acao);
    item.SetImage(imagem);
    return item;
}

QImage KWImagemRecurso(const std::string& nome) {
    IniciarRecursos();
    QImage img(QStringLiteral(":/icons/%1.png").arg(QString::fromStdString(nome)));
    if (!img.isNull() && img.format() != QImage::Format_ARGB32)
        img = img.convertToFormat(QImage::Format_ARGB32);
    return img;
}

TKWImageList* CriarImPadrao(QObject* dono) {
    auto* lista = new TKWImageList(dono);
    lista->setObjectName(QStringLiteral("imPadrao"));
    for (const char* acao : AcoesImPadrao) {
        std::string arquivo = *acao ? QString::fromLatin1(acao).toLower().toStdString() : "sem_acao";
        lista->Adicionar(acao, KWImagemRecurso(arquivo));
    }
    return lista;
}
