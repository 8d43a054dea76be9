#pragma once
// The application object's ownership list. The connections, the shared data modules and
// the main window belong to the application, not to the system object: they are added
// here when created and released newest first, on request (Liberar) and at the latest
// when the process ends.
#include <cstddef>
#include <memory>
#include <vector>

class TAplicacao {
public:
    TAplicacao() = default;
    ~TAplicacao();  // releases whatever is still owned
    TAplicacao(const TAplicacao&) = delete;
    TAplicacao& operator=(const TAplicacao&) = delete;

    // Takes ownership of the object and returns it for the caller's reference.
    template <class T>
    T* Adicionar(std::unique_ptr<T> obj) {
        T* p = obj.get();
        if (p) AdicionarApagador(p, [](void* q) { delete static_cast<T*>(q); });
        obj.release();
        return p;
    }

    // Releases every owned object, newest first. Objects added while releasing (by a
    // destructor) are released too.
    void Liberar() noexcept;

    // Releases one owned object before its turn; false when it is not owned here.
    bool Liberar(const void* obj) noexcept;

    // Gives up ownership of an object without destroying it; false when not owned.
    bool Soltar(const void* obj) noexcept;

    bool Possui(const void* obj) const noexcept;
    std::size_t Quantidade() const noexcept { return itens_.size(); }

private:
    struct Item {
        void* obj;
        void (*apagar)(void*);
    };
    void AdicionarApagador(void* obj, void (*apagar)(void*));
    std::vector<Item> itens_;
};

// The process's application object.
TAplicacao& Aplicacao();
