#include "platform/IniFile.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include "platform/Cp1252.h"

namespace plat {
namespace {

bool EhBranco(char c) { return c == ' ' || c == '\t'; }

std::string Aparar(const std::string& s) {
    size_t i = 0, f = s.size();
    while (i < f && EhBranco(s[i])) ++i;
    while (f > i && EhBranco(s[f - 1])) --f;
    return s.substr(i, f - i);
}

char Minuscula(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Names are compared without regard to the case of the letters A to Z.
bool MesmoNome(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Minuscula(a[i]) != Minuscula(b[i])) return false;
    return true;
}

std::string TirarAspas(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

IniFile::IniFile(const std::string& caminho) : caminho_(caminho) {
    std::ifstream in(caminho, std::ios::binary);
    if (!in) return;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return;
    existe_ = true;
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        Analisar(bytes.substr(3));
    else
        Analisar(Cp1252ParaUtf8(bytes));
}

IniFile IniFile::DeTexto(const std::string& bytes) {
    IniFile ini;
    ini.existe_ = true;
    ini.Analisar(Cp1252ParaUtf8(bytes));
    return ini;
}

void IniFile::Analisar(const std::string& texto) {
    Secao* atual = nullptr;  // null: outside any section, or inside a repeated one
    bool dentroDeSecao = false;
    size_t pos = 0;
    while (pos <= texto.size()) {
        size_t fim = texto.find_first_of("\r\n", pos);
        if (fim == std::string::npos) fim = texto.size();
        std::string linha = Aparar(texto.substr(pos, fim - pos));
        pos = fim + 1;
        if (fim < texto.size() && texto[fim] == '\r' && pos < texto.size() && texto[pos] == '\n') ++pos;

        if (linha.empty() || linha[0] == ';') continue;
        if (linha[0] == '[') {
            size_t fecha = linha.find(']');
            if (fecha == std::string::npos) continue;
            std::string nome = Aparar(linha.substr(1, fecha - 1));
            dentroDeSecao = true;
            atual = nullptr;
            bool repetida = false;
            for (const auto& s : secoes_)
                if (MesmoNome(s.nome, nome)) repetida = true;
            if (!repetida) {
                secoes_.push_back(Secao{nome, {}});
                atual = &secoes_.back();
            }
            continue;
        }
        if (!dentroDeSecao || !atual) continue;
        size_t igual = linha.find('=');
        if (igual == std::string::npos) continue;
        std::string chave = Aparar(linha.substr(0, igual));
        if (chave.empty()) continue;
        std::string valor = TirarAspas(Aparar(linha.substr(igual + 1)));
        bool repetida = false;
        for (const auto& e : atual->entradas)
            if (MesmoNome(e.chave, chave)) repetida = true;
        if (!repetida) atual->entradas.push_back(Entrada{chave, valor});
    }
}

const IniFile::Secao* IniFile::AcharSecao(const std::string& secao) const {
    std::string nome = Aparar(secao);
    for (const auto& s : secoes_)
        if (MesmoNome(s.nome, nome)) return &s;
    return nullptr;
}

const IniFile::Entrada* IniFile::Achar(const std::string& secao, const std::string& chave) const {
    const Secao* s = AcharSecao(secao);
    if (!s) return nullptr;
    std::string nome = Aparar(chave);
    for (const auto& e : s->entradas)
        if (MesmoNome(e.chave, nome)) return &e;
    return nullptr;
}

std::string IniFile::ReadString(const std::string& secao, const std::string& chave,
                                const std::string& padrao) const {
    const Entrada* e = Achar(secao, chave);
    return e ? e->valor : padrao;
}

std::optional<int> IniFile::ConverterInteiro(const std::string& texto) {
    std::string t = Aparar(texto);
    size_t i = 0;
    bool negativo = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negativo = t[i++] == '-';
    int base = 10;
    if (i < t.size() && t[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size()) return std::nullopt;
    long long valor = 0;
    for (; i < t.size(); ++i) {
        char c = t[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return std::nullopt;
        valor = valor * base + d;
        if (valor > 0xFFFFFFFFLL) return std::nullopt;
    }
    if (base == 16) {
        // Hexadecimal covers the 32-bit pattern: $FFFFFFFF is -1.
        auto v = static_cast<int>(static_cast<unsigned int>(valor));
        return negativo ? -v : v;
    }
    if (negativo) valor = -valor;
    if (valor < std::numeric_limits<int>::min() || valor > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(valor);
}

std::optional<double> IniFile::ConverterReal(const std::string& texto) {
    std::string t = Aparar(texto);
    if (t.empty()) return std::nullopt;
    std::string norm;
    size_t i = 0;
    if (t[i] == '+' || t[i] == '-') norm += t[i++];
    bool digitos = false, separador = false;
    for (; i < t.size(); ++i) {
        char c = t[i];
        if (c >= '0' && c <= '9') {
            norm += c;
            digitos = true;
        } else if ((c == '.' || c == ',') && !separador) {
            norm += '.';
            separador = true;
        } else {
            break;
        }
    }
    if (!digitos) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        norm += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) norm += t[i++];
        bool expDigitos = false;
        for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
            norm += t[i];
            expDigitos = true;
        }
        if (!expDigitos) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    // The text is now in the C form; strtod under the "C" locale would need a locale
    // switch, so parse through a classic-locale stream.
    std::istringstream in(norm);
    in.imbue(std::locale::classic());
    double v = 0;
    in >> v;
    if (in.fail() || !std::isfinite(v)) return std::nullopt;
    return v;
}

int IniFile::ReadInteger(const std::string& secao, const std::string& chave, int padrao) const {
    const Entrada* e = Achar(secao, chave);
    if (!e) return padrao;
    return ConverterInteiro(e->valor).value_or(padrao);
}

double IniFile::ReadFloat(const std::string& secao, const std::string& chave, double padrao) const {
    const Entrada* e = Achar(secao, chave);
    if (!e) return padrao;
    return ConverterReal(e->valor).value_or(padrao);
}

bool IniFile::ReadBool(const std::string& secao, const std::string& chave, bool padrao) const {
    const Entrada* e = Achar(secao, chave);
    if (!e) return padrao;
    auto v = ConverterInteiro(e->valor);
    return v ? *v != 0 : padrao;
}

bool IniFile::SectionExists(const std::string& secao) const { return AcharSecao(secao) != nullptr; }

bool IniFile::ValueExists(const std::string& secao, const std::string& chave) const {
    return Achar(secao, chave) != nullptr;
}

std::vector<std::string> IniFile::ReadSection(const std::string& secao) const {
    std::vector<std::string> r;
    if (const Secao* s = AcharSecao(secao))
        for (const auto& e : s->entradas) r.push_back(e.chave);
    return r;
}

std::vector<std::string> IniFile::ReadSectionValues(const std::string& secao) const {
    std::vector<std::string> r;
    if (const Secao* s = AcharSecao(secao))
        for (const auto& e : s->entradas) r.push_back(e.chave + "=" + e.valor);
    return r;
}

}  // namespace plat
