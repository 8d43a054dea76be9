#pragma once
// Extended driver options that a connection hands to its driver once it has connected.
// Each entry maps an option name of the connection's parameter list to a kind and to the
// numeric identifier of the driver's option. The table is built once, on first use, and
// lives until the program ends.
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

enum class TTipoOpcaoDriver {
    Texto = 0,     // handed unchanged
    Inteiro = 1,   // strict integer conversion of the trimmed value
    Booleano = 2,  // 1 exactly when the trimmed, upper-cased value is "TRUE", else 0
    Funcao = 3,    // converted by the entry's own function
};

// What the driver receives: text or integer (booleans travel as 1 or 0).
using TValorOpcaoDriver = std::variant<std::string, int>;

struct TDriverOption {
    std::string Nome;
    TTipoOpcaoDriver Tipo = TTipoOpcaoDriver::Texto;
    int Identificador = 0;
    // When set, the entry matches every parameter name that contains its name.
    bool Contido = false;
    // Conversion of kind Funcao entries.
    std::function<TValorOpcaoDriver(const std::string&)> Converter;
};

// The 42 entries, in table order.
const std::vector<TDriverOption>& DriverOptions();

// The entry for a parameter name (case-insensitive), or nullptr.
const TDriverOption* AcharDriverOption(std::string_view nomeParametro);

// Identifiers of the options that the program's parameter lists use.
namespace opcao_driver {
inline constexpr int LongStrings = 101;
inline constexpr int EnableBCD = 102;
inline constexpr int UseQuoteChar = 202;
inline constexpr int CharLength = 203;
inline constexpr int FetchAll = 301;
inline constexpr int OptimizedNumerics = 401;
}  // namespace opcao_driver

// One option handed to the driver.
struct TOpcaoEntregue {
    int Identificador = 0;
    TValorOpcaoDriver Valor;
    std::string Nome;  // the parameter line's name, as written

    bool operator==(const TOpcaoEntregue&) const = default;
};

// The options to hand to the driver for a parameter list of "name=value" lines, in the
// order they are handed: UseQuoteChar first when the list gives it a non-empty value,
// then every other line whose name is in the table, in list order. Throws
// plat::EConvertError when an integer option's value is not an integer.
std::vector<TOpcaoEntregue> OpcoesParaDriver(const std::vector<std::string>& parametros);

// Text helpers shared with the connection class.
namespace texto_param {
// Strict integer: optional sign and decimal digits, or hexadecimal with "$" or "0x";
// must fit 32 bits. Throws plat::EConvertError otherwise.
int InteiroEstrito(const std::string& s);
// Name (before the first '=') of a "name=value" line; empty when the line has no '='.
std::string NomeDaLinha(std::string_view linha);
std::string ValorDaLinha(std::string_view linha);
// The value of the first line whose name equals `nome` (case-insensitive); "" if none.
std::string Valor(const std::vector<std::string>& linhas, std::string_view nome);
}  // namespace texto_param
