#pragma once
// Accounting account codes: stored as plain digits, shown split into the levels of the
// installation's chart of accounts ("10101" with levels of 1, 2 and 2 digits shows as
// "1.01.01"). The format is a string of two-digit pairs, one per level, read from the
// parameter table (COD_CONTABIL / FORMATO) or else from Parametros.ini
// ([CODIGO DE CLASSIFICACAO] FORMATO).
//
// Display handlers create one object per value shown and destroy it afterwards, so the
// format is read again for every value.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "rules/UServicos.h"

class TContaContabil {
public:
    // The parameter table is read through the system services (ServicosSistema); the
    // configuration file is Parametros.ini beside them unless a source of the file's value
    // is set (nullptr restores the file).
    using FonteFormato = std::function<std::string()>;
    static void DefinirFonteArquivo(FonteFormato arquivo);

    static constexpr int MaxNiveis = 16;

    TContaContabil() = default;

    // The code formatted by the installation's format; empty when the format is missing
    // or invalid (the error is shown). A code whose length ends at no level boundary is
    // returned unchanged.
    std::string FormatarConta(const std::string& codigo);
    // Loads and validates the format and builds Mascara; false when nothing can be
    // formatted (the error has been shown).
    bool CarregarFormato(const std::string& codigo);
    // Reads the level widths and records TamanhoValido for the code; false when a pair is
    // not a number (the error has been shown; the levels read before it remain).
    bool LerNiveis(const std::string& codigo);

    std::string Formato;
    std::string Mascara;
    std::array<std::int16_t, MaxNiveis + 1> Niveis{};  // levels 1..16; [0] unused
    int QtdeNiveis = 0;
    int TamanhoValido = 0;

private:
    TServicos servicos_;
};
