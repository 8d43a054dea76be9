#pragma once
// Read-only reader of Windows profile (INI) files, with the rules of the Windows profile
// API so that files moved between machines read the same:
// - section and key names are compared case-insensitively;
// - blanks (spaces and tabs) around section names, key names and values are trimmed;
// - a value wrapped in matching quotes ('...' or "...") loses them (the text inside is kept
//   as is);
// - the first occurrence of a section, and of a key inside it, wins;
// - lines starting with ';' (after blanks) are comments; lines without '=' outside a
//   section header are ignored; a key present with an empty value reads as empty text;
// - the file's bytes are Windows-1252 and are converted to UTF-8 (a UTF-8 byte-order mark
//   at the start marks a UTF-8 file instead); line ends may be CR LF, LF or CR.
// A missing or unreadable file behaves as an empty one. The file is never written.
#include <optional>
#include <string>
#include <vector>

namespace plat {

class IniFile {
public:
    explicit IniFile(const std::string& caminho);

    // Builds a reader from text already in memory (Windows-1252 bytes); for tests and tools.
    static IniFile DeTexto(const std::string& bytes);

    const std::string& Caminho() const { return caminho_; }
    bool Existe() const { return existe_; }  // the file could be read

    // The value as text, or the default when the section or key is missing.
    std::string ReadString(const std::string& secao, const std::string& chave,
                           const std::string& padrao) const;

    // Integer rule: optional sign and decimal digits, or hexadecimal written with a "0x"
    // (or "0X") or "$" prefix; anything else, or a value out of the 32-bit range, gives
    // the default.
    int ReadInteger(const std::string& secao, const std::string& chave, int padrao) const;

    // Real rule: an optional sign, digits with either "." or "," as the decimal separator
    // (one separator at most), and an optional exponent (e or E); no thousands separators.
    // Anything else gives the default.
    double ReadFloat(const std::string& secao, const std::string& chave, double padrao) const;

    // Boolean as integer: "0" is false, any other integer true; otherwise the default.
    bool ReadBool(const std::string& secao, const std::string& chave, bool padrao) const;

    bool SectionExists(const std::string& secao) const;
    bool ValueExists(const std::string& secao, const std::string& chave) const;

    // The key names of a section, in file order (first occurrences only).
    std::vector<std::string> ReadSection(const std::string& secao) const;

    // The lines "name=value" of a section in file order, as the profile API lists them
    // (every key line of the first occurrence of the section, value trimmed and unquoted).
    std::vector<std::string> ReadSectionValues(const std::string& secao) const;

    // Parsers of the two numeric rules, exposed for callers that read text first.
    static std::optional<int> ConverterInteiro(const std::string& texto);
    static std::optional<double> ConverterReal(const std::string& texto);

private:
    IniFile() = default;
    void Analisar(const std::string& utf8);

    struct Entrada {
        std::string chave;  // as written (trimmed)
        std::string valor;  // trimmed and unquoted
    };
    struct Secao {
        std::string nome;
        std::vector<Entrada> entradas;  // every key line, in file order
    };
    const Secao* AcharSecao(const std::string& secao) const;
    const Entrada* Achar(const std::string& secao, const std::string& chave) const;

    std::string caminho_;
    bool existe_ = false;
    std::vector<Secao> secoes_;  // first occurrences only; repeats are merged away
};

}  // namespace plat
