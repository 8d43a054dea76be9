#include "shell/UAplicacao.h"

#include <algorithm>

TAplicacao::~TAplicacao() { Liberar(); }

void TAplicacao::AdicionarApagador(void* obj, void (*apagar)(void*)) {
    itens_.push_back(Item{obj, apagar});
}

void TAplicacao::Liberar() noexcept {
    // One at a time from the back: a destructor may add or release other objects.
    while (!itens_.empty()) {
        Item it = itens_.back();
        itens_.pop_back();
        it.apagar(it.obj);
    }
}

bool TAplicacao::Liberar(const void* obj) noexcept {
    auto pos = std::find_if(itens_.begin(), itens_.end(), [&](const Item& i) { return i.obj == obj; });
    if (pos == itens_.end()) return false;
    Item it = *pos;
    itens_.erase(pos);
    it.apagar(it.obj);
    return true;
}

bool TAplicacao::Soltar(const void* obj) noexcept {
    auto pos = std::find_if(itens_.begin(), itens_.end(), [&](const Item& i) { return i.obj == obj; });
    if (pos == itens_.end()) return false;
    itens_.erase(pos);
    return true;
}

bool TAplicacao::Possui(const void* obj) const noexcept {
    return std::any_of(itens_.begin(), itens_.end(), [&](const Item& i) { return i.obj == obj; });
}

TAplicacao& Aplicacao() {
    static TAplicacao aplicacao;
    return aplicacao;
}
