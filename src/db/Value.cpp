#include "db/Value.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/Cp1252.h"
#include "platform/Mensagens.h"
#include "platform/Texto.h"

namespace db {

namespace {

[[noreturn]] void ErroConversao(const std::string& texto, const char* tipo) {
    throw plat::EConvertError("'" + texto + "' não é um valor " + tipo + " válido");
}

std::string Trim(std::string_view s) {
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
    return std::string(s.substr(a, b - a));
}

using plat::decimal::Reescalar;

bool ParseDecimal(std::string_view in, std::int64_t& mant, int& escala) { return plat::decimal::Ler(in, mant, escala); }
std::string DecimalToString(std::int64_t v, int escala, bool aparar) { return plat::decimal::Texto(v, escala, aparar); }
std::int64_t Pot10(int n) { return plat::decimal::Potencia10(n); }

std::string FloatToString(double d) {
    if (std::isnan(d)) return "NAN";
    if (std::isinf(d)) return d > 0 ? "INF" : "-INF";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    std::string s = buf;
    for (char& c : s)
        if (c == '.') c = ',';
    return s;
}

int Digit2(std::string_view s, std::size_t& i, int maxDig = 2) {
    int n = 0, k = 0;
    while (i < s.size() && k < maxDig && s[i] >= '0' && s[i] <= '9') {
        n = n * 10 + (s[i++] - '0');
        ++k;
    }
    if (k == 0) throw plat::EConvertError("");
    return n;
}

}  // namespace

// ---- Date and time ----------------------------------------------------------------------
std::string DateToStr(TDateTime d) { return plat::FormatDateTime("dd/mm/yyyy", d); }
std::string TimeToStr(TDateTime d) { return plat::FormatDateTime("hh:nn:ss", d); }
std::string DateTimeToStr(TDateTime d) {
    int h, n, s, ms;
    plat::DecodeTime(d, h, n, s, ms);
    if (h == 0 && n == 0 && s == 0 && ms == 0) return DateToStr(d);
    return plat::FormatDateTime("dd/mm/yyyy hh:nn:ss", d);
}

TDateTime StrToDateTime(std::string_view in) {
    std::string s = Trim(in);
    try {
        std::size_t i = 0;
        int ano = 0, mes = 0, dia = 0;
        bool temData = false;
        if (s.size() >= 8 && s[4] == '-') {
            ano = Digit2(s, i, 4);
            if (s[i++] != '-') throw plat::EConvertError("");
            mes = Digit2(s, i);
            if (i >= s.size() || s[i++] != '-') throw plat::EConvertError("");
            dia = Digit2(s, i);
            temData = true;
        } else if (s.find('/') != std::string::npos) {
            dia = Digit2(s, i);
            if (i >= s.size() || s[i++] != '/') throw plat::EConvertError("");
            mes = Digit2(s, i);
            if (i >= s.size() || s[i++] != '/') throw plat::EConvertError("");
            std::size_t ini = i;
            ano = Digit2(s, i, 4);
            if (i - ini <= 2) ano += ano < 50 ? 2000 : 1900;
            temData = true;
        }
        TDateTime r = temData ? plat::EncodeDate(ano, mes, dia) : 0.0;
        while (i < s.size() && (s[i] == ' ' || s[i] == 'T')) ++i;
        if (i < s.size()) {
            int h = Digit2(s, i), n = 0, sec = 0, ms = 0;
            if (i >= s.size() || s[i++] != ':') throw plat::EConvertError("");
            n = Digit2(s, i);
            if (i < s.size() && s[i] == ':') {
                ++i;
                sec = Digit2(s, i);
                if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
                    ++i;
                    std::size_t ini = i;
                    ms = Digit2(s, i, 3);
                    for (std::size_t k = i - ini; k < 3; ++k) ms *= 10;
                    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
                }
            }
            if (i != s.size()) throw plat::EConvertError("");
            TDateTime t = plat::EncodeTime(h, n, sec, ms);
            r = r >= 0 ? r + t : r - t;
        }
        return r;
    } catch (const plat::EConvertError&) {
        throw plat::EConvertError("'" + s + "' não é uma data e hora válida");
    }
}

// ---- Value ------------------------------------------------------------------------------
Value Value::Integer(std::int64_t v) {
    Value r;
    r.kind_ = ValueKind::Integer;
    r.i_ = v;
    return r;
}
Value Value::Decimal(std::int64_t valor, int escala) {
    if (escala < 0 || escala > 18) throw plat::EConvertError("Escala decimal inválida");
    Value r;
    r.kind_ = ValueKind::Decimal;
    r.i_ = valor;
    r.escala_ = escala;
    return r;
}
Value Value::Float(double v) {
    Value r;
    r.kind_ = ValueKind::Float;
    r.d_ = v;
    return r;
}
Value Value::Text(std::string utf8) {
    Value r;
    r.kind_ = ValueKind::Text;
    r.s_ = std::move(utf8);
    return r;
}
Value Value::DateTime(TDateTime d) {
    Value r;
    r.kind_ = ValueKind::DateTime;
    r.d_ = d;
    return r;
}
Value Value::Bytes(std::string bytes) {
    Value r;
    r.kind_ = ValueKind::Bytes;
    r.s_ = std::move(bytes);
    return r;
}
Value Value::Boolean(bool b) {
    Value r;
    r.kind_ = ValueKind::Boolean;
    r.i_ = b ? 1 : 0;
    return r;
}

std::string Value::AsString() const {
    switch (kind_) {
        case ValueKind::Null: return {};
        case ValueKind::Integer: return std::to_string(i_);
        case ValueKind::Decimal: return DecimalToString(i_, escala_, true);
        case ValueKind::Float: return FloatToString(d_);
        case ValueKind::Text: return s_;
        case ValueKind::DateTime: return DateTimeToStr(d_);
        case ValueKind::Bytes: return s_;
        case ValueKind::Boolean: return i_ ? "True" : "False";
    }
    return {};
}

std::int64_t Value::AsInteger() const {
    switch (kind_) {
        case ValueKind::Null: return 0;
        case ValueKind::Integer:
        case ValueKind::Boolean: return i_;
        case ValueKind::Decimal: return Reescalar(i_, escala_, 0);
        case ValueKind::Float:
        case ValueKind::DateTime: {
            double r = std::round(d_);
            if (!(std::fabs(r) < 9.2e18)) throw plat::EConvertError("Valor fora do intervalo");
            return static_cast<std::int64_t>(r);
        }
        case ValueKind::Text:
        case ValueKind::Bytes: {
            std::string t = Trim(s_);
            if (t.empty()) ErroConversao(s_, "inteiro");
            std::size_t i = 0;
            bool neg = false;
            if (t[0] == '-' || t[0] == '+') neg = t[i++] == '-';
            if (i >= t.size()) ErroConversao(s_, "inteiro");
            unsigned __int128 m = 0;
            for (; i < t.size(); ++i) {
                if (t[i] < '0' || t[i] > '9') ErroConversao(s_, "inteiro");
                m = m * 10 + static_cast<unsigned>(t[i] - '0');
                if (m > static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()) + 1)
                    ErroConversao(s_, "inteiro");
            }
            if (!neg && m > static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()))
                ErroConversao(s_, "inteiro");
            return neg ? static_cast<std::int64_t>(0 - static_cast<unsigned long long>(m))
                       : static_cast<std::int64_t>(m);
        }
    }
    return 0;
}

double Value::AsFloat() const {
    switch (kind_) {
        case ValueKind::Null: return 0;
        case ValueKind::Integer:
        case ValueKind::Boolean: return static_cast<double>(i_);
        case ValueKind::Decimal: return static_cast<double>(i_) / static_cast<double>(Pot10(escala_));
        case ValueKind::Float:
        case ValueKind::DateTime: return d_;
        case ValueKind::Text:
        case ValueKind::Bytes: {
            std::int64_t m;
            int sc;
            if (ParseDecimal(s_, m, sc)) return static_cast<double>(m) / static_cast<double>(Pot10(sc));
            std::string t = Trim(s_);
            for (char& c : t)
                if (c == ',') c = '.';
            char* fim = nullptr;
            double d = std::strtod(t.c_str(), &fim);
            if (t.empty() || *fim) ErroConversao(s_, "numérico");
            return d;
        }
    }
    return 0;
}

Currency Value::AsCurrency() const {
    switch (kind_) {
        case ValueKind::Null: return {};
        case ValueKind::Integer:
        case ValueKind::Boolean: return Currency::FromInteger(i_);
        case ValueKind::Decimal: return Currency::FromScaled(i_, escala_);
        case ValueKind::Float:
        case ValueKind::DateTime: return Currency::FromDouble(d_);
        case ValueKind::Text:
        case ValueKind::Bytes: return Currency::Parse(s_);
    }
    return {};
}

TDateTime Value::AsDateTime() const {
    switch (kind_) {
        case ValueKind::Null: return 0;
        case ValueKind::DateTime:
        case ValueKind::Float: return d_;
        case ValueKind::Integer:
        case ValueKind::Boolean:
        case ValueKind::Decimal: return AsFloat();
        case ValueKind::Text:
        case ValueKind::Bytes: return StrToDateTime(s_);
    }
    return 0;
}

bool Value::AsBoolean() const {
    switch (kind_) {
        case ValueKind::Null: return false;
        case ValueKind::Text:
        case ValueKind::Bytes: {
            const std::string t = plat::MaiusculasAscii(Trim(s_));
            if (t == "TRUE" || t == "T" || t == "S" || t == "1") return true;
            if (t == "FALSE" || t == "F" || t == "N" || t == "0" || t.empty()) return false;
            ErroConversao(s_, "lógico");
        }
        case ValueKind::Float:
        case ValueKind::DateTime: return d_ != 0;
        default: return i_ != 0;
    }
}

std::string Value::AsBytes() const {
    if (kind_ == ValueKind::Text) return plat::Utf8ParaCp1252(s_);
    if (kind_ == ValueKind::Bytes) return s_;
    return AsString();
}

namespace {
bool Numerico(ValueKind k) {
    return k == ValueKind::Integer || k == ValueKind::Decimal || k == ValueKind::Float ||
           k == ValueKind::Boolean || k == ValueKind::DateTime;
}
// Exact comparison of two scaled integers.
int CompararEscalados(std::int64_t a, int ea, std::int64_t b, int eb) {
    __int128 x = a, y = b;
    if (ea < eb) x *= Pot10(eb - ea);
    else if (eb < ea) y *= Pot10(ea - eb);
    return x < y ? -1 : (x > y ? 1 : 0);
}
}  // namespace

int Value::Compare(const Value& a, const Value& b, bool semCaixa) {
    if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
    if (Numerico(a.kind_) && Numerico(b.kind_)) {
        bool ia = a.kind_ == ValueKind::Integer || a.kind_ == ValueKind::Decimal || a.kind_ == ValueKind::Boolean;
        bool ib = b.kind_ == ValueKind::Integer || b.kind_ == ValueKind::Decimal || b.kind_ == ValueKind::Boolean;
        if (ia && ib) return CompararEscalados(a.i_, a.escala_, b.i_, b.escala_);
        double x = a.AsFloat(), y = b.AsFloat();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (Numerico(a.kind_) != Numerico(b.kind_)) {
        // a number against a text: compare as numbers when the text is one
        try {
            const Value& num = Numerico(a.kind_) ? a : b;
            const Value& txt = Numerico(a.kind_) ? b : a;
            Value conv;
            std::int64_t m;
            int sc;
            if (num.kind_ == ValueKind::DateTime) conv = Value::DateTime(txt.AsDateTime());
            else if (ParseDecimal(txt.s_, m, sc)) conv = Value::Decimal(m, sc);
            else throw plat::EConvertError("");
            int r = Compare(num, conv, semCaixa);
            return Numerico(a.kind_) ? r : -r;
        } catch (const plat::EConvertError&) {
        }
    }
    std::string x = a.AsString(), y = b.AsString();
    if (semCaixa) {
        // Windows-1252 letters compare without case through their upper-case form.
        auto up = [](std::string s) {
            std::string r;
            try {
                r = plat::Utf8ParaCp1252(s);
            } catch (...) {
                r = s;
            }
            for (char& c : r) {
                unsigned char u = static_cast<unsigned char>(c);
                if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) c = static_cast<char>(u - 32);
            }
            return r;
        };
        x = up(x);
        y = up(y);
    }
    int c = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
    if (c != 0) return c < 0 ? -1 : 1;
    return x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0);
}

bool Value::operator==(const Value& o) const {
    if (IsNull() || o.IsNull()) return IsNull() && o.IsNull();
    if ((kind_ == ValueKind::Text || kind_ == ValueKind::Bytes) &&
        (o.kind_ == ValueKind::Text || o.kind_ == ValueKind::Bytes)) {
        if (kind_ == o.kind_) return s_ == o.s_;
        try {
            return AsBytes() == o.AsBytes();  // text against raw bytes: as stored
        } catch (const std::exception&) {
            return false;
        }
    }
    if (Numerico(kind_) && Numerico(o.kind_)) return Compare(*this, o) == 0;
    return Compare(*this, o) == 0;
}

}  // namespace db
