#include "platform/Dinheiro.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "platform/Mensagens.h"

namespace plat {

namespace {

[[noreturn]] void Estouro() { throw std::overflow_error("Valor fora dos limites."); }

std::int64_t Checado(__int128 r) {
    if (r > std::numeric_limits<std::int64_t>::max() || r < std::numeric_limits<std::int64_t>::min()) Estouro();
    return static_cast<std::int64_t>(r);
}

}  // namespace

namespace decimal {

std::int64_t Potencia10(int n) {
    static constexpr std::int64_t p[19] = {1LL,
                                           10LL,
                                           100LL,
                                           1000LL,
                                           10000LL,
                                           100000LL,
                                           1000000LL,
                                           10000000LL,
                                           100000000LL,
                                           1000000000LL,
                                           10000000000LL,
                                           100000000000LL,
                                           1000000000000LL,
                                           10000000000000LL,
                                           100000000000000LL,
                                           1000000000000000LL,
                                           10000000000000000LL,
                                           100000000000000000LL,
                                           1000000000000000000LL};
    return p[n];
}

std::int64_t Reescalar(std::int64_t valor, int de, int para) {
    if (de == para) return valor;
    if (para > de) {
        const std::int64_t f = Potencia10(para - de);
        if (valor > std::numeric_limits<std::int64_t>::max() / f || valor < std::numeric_limits<std::int64_t>::min() / f)
            throw EConvertError("Valor fora do intervalo");
        return valor * f;
    }
    const std::int64_t f = Potencia10(de - para);
    std::int64_t q = valor / f, r = valor % f;
    if (r * 2 >= f) ++q;
    else if (r * 2 <= -f) --q;
    return q;
}

bool Ler(std::string_view in, std::int64_t& mant, int& escala) {
    std::size_t a = 0, b = in.size();
    while (a < b && (in[a] == ' ' || in[a] == '\t')) ++a;
    while (b > a && (in[b - 1] == ' ' || in[b - 1] == '\t')) --b;
    const std::string_view s = in.substr(a, b - a);
    if (s.empty()) return false;
    std::size_t i = 0;
    bool neg = false;
    if (s[i] == '-' || s[i] == '+') neg = s[i++] == '-';
    const std::size_t lastComma = s.rfind(','), lastDot = s.rfind('.');
    char dec = 0;
    if (lastComma != std::string_view::npos && lastDot != std::string_view::npos)
        dec = lastComma > lastDot ? ',' : '.';
    else if (lastComma != std::string_view::npos)
        dec = ',';
    else if (lastDot != std::string_view::npos)
        dec = '.';
    const char grp = dec == ',' ? '.' : (dec == '.' && lastComma != std::string_view::npos ? ',' : 0);
    unsigned __int128 m = 0;
    int sc = 0;
    bool depois = false, digito = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            digito = true;
            if (depois) {
                if (sc >= 18) continue;  // beyond 18 decimals: truncated
                ++sc;
            }
            m = m * 10 + static_cast<unsigned>(c - '0');
            if (m > static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max())) return false;
        } else if (c == dec && !depois && i == (dec == ',' ? lastComma : lastDot)) {
            depois = true;
        } else if (grp && c == grp && !depois) {
            continue;
        } else {
            return false;
        }
    }
    if (!digito) return false;
    mant = neg ? -static_cast<std::int64_t>(m) : static_cast<std::int64_t>(m);
    escala = sc;
    return true;
}

std::string Texto(std::int64_t v, int escala, bool aparar) {
    const bool neg = v < 0;
    const unsigned long long u = neg ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    std::string dig = std::to_string(u);
    if (escala > 0) {
        if (static_cast<int>(dig.size()) <= escala) dig.insert(0, static_cast<std::size_t>(escala) - dig.size() + 1, '0');
        const std::string inteira = dig.substr(0, dig.size() - static_cast<std::size_t>(escala));
        std::string frac = dig.substr(dig.size() - static_cast<std::size_t>(escala));
        if (aparar)
            while (!frac.empty() && frac.back() == '0') frac.pop_back();
        dig = frac.empty() ? inteira : inteira + "," + frac;
    }
    if (neg && dig != "0") dig.insert(0, 1, '-');
    return dig;
}

}  // namespace decimal

Dinheiro Dinheiro::FromInteger(std::int64_t v) { return FromRaw(Checado(static_cast<__int128>(v) * kEscala)); }

Dinheiro Dinheiro::FromDouble(double v) {
    const double r = std::round(v * kEscala);
    if (!(std::fabs(r) < 9.2e18)) throw EConvertError("Valor fora do intervalo");
    return FromRaw(static_cast<std::int64_t>(r));
}

Dinheiro Dinheiro::FromScaled(std::int64_t valor, int escala) { return FromRaw(decimal::Reescalar(valor, escala, 4)); }

Dinheiro Dinheiro::Parse(std::string_view texto) {
    std::int64_t m;
    int sc;
    if (!decimal::Ler(texto, m, sc)) throw EConvertError("'" + std::string(texto) + "' não é um valor monetário válido");
    return FromScaled(m, sc);
}

std::string Dinheiro::ToString() const { return decimal::Texto(raw_, 4, true); }

std::string Dinheiro::Format(int decimais, bool milhares) const {
    if (decimais < 0) decimais = 0;
    if (decimais > 4) decimais = 4;
    std::string s = decimal::Texto(decimal::Reescalar(raw_, 4, decimais), decimais, false);
    if (!milhares) return s;
    const std::size_t ini = !s.empty() && s[0] == '-' ? 1 : 0;
    std::size_t fim = s.find(',');
    if (fim == std::string::npos) fim = s.size();
    for (std::ptrdiff_t p = static_cast<std::ptrdiff_t>(fim) - 3; p > static_cast<std::ptrdiff_t>(ini); p -= 3)
        s.insert(static_cast<std::size_t>(p), 1, '.');
    return s;
}

Dinheiro Dinheiro::operator+(Dinheiro o) const { return FromRaw(Checado(static_cast<__int128>(raw_) + o.raw_)); }
Dinheiro Dinheiro::operator-(Dinheiro o) const { return FromRaw(Checado(static_cast<__int128>(raw_) - o.raw_)); }
Dinheiro Dinheiro::operator-() const { return FromRaw(Checado(-static_cast<__int128>(raw_))); }
Dinheiro Dinheiro::operator*(std::int64_t n) const { return FromRaw(Checado(static_cast<__int128>(raw_) * n)); }

}  // namespace plat
