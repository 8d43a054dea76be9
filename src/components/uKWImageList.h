#pragma once
// Image list of the command buttons: PNG pictures kept under an action name
// ("GRAVAR", "FECHAR" ...), looked up by the image button.
#include <QImage>
#include <QObject>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/Texto.h"

class TKWImageItem {
public:
    TKWImageItem() = default;

    const std::string& Action() const { return action_; }
    // Stored upper-cased (the Windows-1252 letters, as the suite's locale does).
    void SetAction(const std::string& acao) { action_ = plat::MaiusculasCp1252(acao); }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& legenda) { caption_ = legenda; }
    const QImage& Image() const { return image_; }
    void SetImage(const QImage& imagem) { image_ = imagem.copy(); }
    int DisableContrast() const { return disableContrast_; }
    void SetDisableContrast(int percentual) { disableContrast_ = percentual; }

    std::string DisplayName() const { return action_; }
    // Copies action (upper-cased), caption, contrast and picture; a null source does nothing.
    void Assign(const TKWImageItem* origem);

private:
    std::string action_;
    std::string caption_;
    QImage image_;
    int disableContrast_ = 0;
};

class TKWImageCollection {
public:
    int Count() const { return static_cast<int>(itens_.size()); }
    TKWImageItem& Items(int indice) { return *itens_.at(static_cast<size_t>(indice)); }
    const TKWImageItem& Items(int indice) const { return *itens_.at(static_cast<size_t>(indice)); }
    TKWImageItem& Add();
    TKWImageItem& Insert(int indice);
    void Delete(int indice);
    void Clear() { itens_.clear(); }
    // Position of the first item whose action equals the given one (already upper-cased), or -1.
    int IndexOfAction(const std::string& acao) const;

private:
    std::vector<std::unique_ptr<TKWImageItem>> itens_;
};

class TKWImageList : public QObject {
    Q_OBJECT
public:
    explicit TKWImageList(QObject* dono = nullptr) : QObject(dono) {}

    TKWImageCollection& Images() { return images_; }
    const TKWImageCollection& Images() const { return images_; }
    int Width() const { return width_; }
    void SetWidth(int largura) { width_ = largura; }
    int Height() const { return height_; }
    void SetHeight(int altura) { height_ = altura; }

    // Adds one picture under an action; returns the new item.
    TKWImageItem& Adicionar(const std::string& acao, const QImage& imagem);

private:
    TKWImageCollection images_;
    int width_ = 16;
    int height_ = 16;
};

// The standard list of the command buttons: 58 pictures of 16 x 16 in this order of actions
// (position 55 has no action).
inline constexpr std::array<const char*, 58> AcoesImPadrao = {
    "GRAVAR",          "DESISTIR",          "NOVO",           "ALTERAR",         "EXCLUIR",
    "PESQUISAR",       "IMPRIMIR",          "FECHAR",         "OK",              "CANCELAR",
    "ADD_GRID",        "EXCLUIR_GRID",      "ADD",            "REMOVER",         "MAPA",
    "SENHA",           "IMAGEM",            "ALTERAR_GRID",   "INTERNET",        "EXPORTAR",
    "GRAVAR_AUX",      "ABRIR_JANELA",      "DUPLICAR",       "MARCAR_TODOS",    "DESMARCAR_TODOS",
    "LIMPAR",          "CONFIG",            "ATUALIZAR",      "EXECUTAR",        "ANTERIOR",
    "PROXIMA",         "ACIMA",             "ABAIXO",         "SUBSTITUIR",      "SEGURANCA",
    "ABRIR",           "LOG",               "ADICIONAR_TODOS", "IMPORTAR",       "EXCEL",
    "REMOVER_TODOS",   "MOVER_DIREITA",     "MOVER_ESQUERDA", "MOVER_ACIMA",     "MOVER_ABAIXO",
    "VOLTAR",          "CLASSIFICAR",       "CALCULADORA",    "EMAIL",           "INTERNET_CONECTAR",
    "INTERNET_ENVIAR", "BLOQUEAR",          "DESBLOQUEAR",    "FILTRO",          "AGRUPAR",
    "",                "OK2",               "FECHAR2"};

// Creates the standard list (`imPadrao`), owned by the given object.
TKWImageList* CriarImPadrao(QObject* dono = nullptr);

// Loads a picture compiled into the program (":/icons/<nome>.png"); empty when missing.
QImage KWImagemRecurso(const std::string& nome);
