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
// - line ends may be CR LF, LF or CR.
// Encoding: the file's bytes are Windows-1252 and are converted to UTF-8, with two
// exceptions read as UTF-8 as they are: a file starting with the UTF-8 byte-order mark, and
// a file that is valid UTF-8 and holds at least one character beyond ASCII (Windows-1252
// text with accented letters is practically never valid UTF-8: "ç" is one byte there, two
// in UTF-8).
// The file is scanned once, in pieces and in time proportional to its size, for its
// encoding and its sections; a section's keys are parsed when the section is first read,
// from the file kept open, so a huge file costs memory only for what is asked. A file
// replaced meanwhile (editors save a new file) still reads as it was; one rewritten in
// place gives, for a section not read before, what it holds then. Every read is a hash
// lookup.
// A missing or unreadable file behaves as an empty one (Erro() tells why). The file is
// never written.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

class IniFile {
public:
    explicit IniFile(const std::string& caminho);

    // Builds a reader from the bytes of a file already in memory; for tests and tools.
    static IniFile DeTexto(const std::string& bytes);

    // The file at the path, shared: while some holder keeps the result, a later call for the
    // same path whose bytes are unchanged returns the same parsed file instead of parsing it
    // again (the program's start-up reads Parametros.ini from several places).
    static std::shared_ptr<const IniFile> Compartilhado(const std::string& caminho);

    const std::string& Caminho() const { return caminho_; }
    bool Existe() const { return erro_ == 0; }  // the file could be read
    // Why the file could not be read: the system's error number (ENOENT missing, EISDIR a
    // folder, EACCES no permission ...), 0 when it was read.
    int Erro() const { return erro_; }

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
    // (every key of the first occurrence of the section, first occurrences only, value
    // trimmed and unquoted).
    std::vector<std::string> ReadSectionValues(const std::string& secao) const;

    // Parsers of the two numeric rules, exposed for callers that read text first.
    static std::optional<int> ConverterInteiro(const std::string& texto);
    static std::optional<double> ConverterReal(const std::string& texto);

private:
    class Varredura;
    struct Fonte;
    struct Corpo;
    struct Secao {
        std::string nome;       // as the file has it
        std::uint64_t ini = 0;  // its lines: bytes [ini, fim) of the source
        std::uint64_t fim = 0;
        mutable std::shared_ptr<const Corpo> corpo;  // its keys, read on first use
    };

    IniFile() = default;
    static IniFile Ler(const std::string& caminho, std::uint64_t* hash);
    std::string Texto(std::string_view bytes) const;                 // as UTF-8
    std::optional<std::string> Nome(const std::string& utf8) const;  // as the file has it, trimmed
    const Secao* AcharSecao(std::string_view nome) const;
    const Corpo* Chaves(const Secao& s) const;
    std::optional<std::string_view> Valor(const std::string& secao, const std::string& chave) const;

    std::string caminho_;
    int erro_ = 0;
    bool cp1252_ = false;  // the bytes are Windows-1252 (converted when read)
    std::shared_ptr<const Fonte> fonte_;
    std::vector<Secao> secoes_;                // first occurrences, in file order
    std::vector<std::uint32_t> indiceSecoes_;  // open addressing: index + 1, 0 = empty
    std::shared_ptr<std::mutex> trava_ = std::make_shared<std::mutex>();  // guards the reading of sections
};

}  // namespace plat
