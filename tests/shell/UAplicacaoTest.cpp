#include "shell/UAplicacao.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Registro {
    Registro(std::string n, std::vector<std::string>* l, TAplicacao* a = nullptr)
        : nome(std::move(n)), log(l), app(a) {}
    ~Registro() {
        log->push_back(nome);
        if (app) app->Adicionar(std::make_unique<Registro>(nome + "+", log));
    }
    std::string nome;
    std::vector<std::string>* log;
    TAplicacao* app;  // when set, adds another object while being destroyed
};

TEST(Aplicacao, ReleasesNewestFirst) {
    std::vector<std::string> log;
    {
        TAplicacao app;
        auto* c = app.Adicionar(std::make_unique<Registro>("conexao", &log));
        app.Adicionar(std::make_unique<Registro>("modulo1", &log));
        app.Adicionar(std::make_unique<Registro>("modulo2", &log));
        EXPECT_EQ(app.Quantidade(), 3u);
        EXPECT_TRUE(app.Possui(c));
        app.Liberar();
        EXPECT_EQ(log, (std::vector<std::string>{"modulo2", "modulo1", "conexao"}));
        EXPECT_EQ(app.Quantidade(), 0u);
        log.clear();
        app.Adicionar(std::make_unique<Registro>("janela", &log));
    }
    // Whatever is still owned goes with the application object.
    EXPECT_EQ(log, (std::vector<std::string>{"janela"}));
}

TEST(Aplicacao, ReleasingOneAndGivingUpOwnership) {
    std::vector<std::string> log;
    TAplicacao app;
    auto* a = app.Adicionar(std::make_unique<Registro>("a", &log));
    auto* b = app.Adicionar(std::make_unique<Registro>("b", &log));
    app.Adicionar(std::make_unique<Registro>("c", &log));
    EXPECT_TRUE(app.Liberar(b));
    EXPECT_FALSE(app.Liberar(b));
    EXPECT_EQ(log, (std::vector<std::string>{"b"}));
    EXPECT_TRUE(app.Soltar(a));
    EXPECT_FALSE(app.Possui(a));
    app.Liberar();
    EXPECT_EQ(log, (std::vector<std::string>{"b", "c"}));
    delete a;  // ours now
    EXPECT_EQ(log.back(), "a");
}

TEST(Aplicacao, ObjectsAddedDuringReleaseAreReleasedToo) {
    std::vector<std::string> log;
    TAplicacao app;
    app.Adicionar(std::make_unique<Registro>("x", &log, &app));
    app.Liberar();
    EXPECT_EQ(log, (std::vector<std::string>{"x", "x+"}));
    EXPECT_EQ(app.Quantidade(), 0u);
}

}  // namespace
