#include "platform/DataHora.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/IniFile.h"
#include "platform/Mensagens.h"

namespace plat {
namespace {

constexpr long long kMsPorDia = 86400000LL;
constexpr long long kDiasAte1970 = 25569;  // 1899-12-30 .. 1970-01-01

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long DiasDeData(long long a, unsigned m, unsigned d) {
    a -= m <= 2;
    const long long era = (a >= 0 ? a : a - 399) / 400;
    const unsigned aoe = static_cast<unsigned>(a - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = aoe * 365 + aoe / 4 - aoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void DataDeDias(long long z, int& a, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    a = static_cast<int>(y + (m <= 2));
}

// Splits a value into whole days (signed) and milliseconds of the day, rounding to the
// millisecond once so that date and time stay consistent.
void Separar(TDateTime dt, long long& dias, long long& ms) {
    long long total = std::llround(std::fabs(dt) * kMsPorDia);
    dias = total / kMsPorDia;
    ms = total % kMsPorDia;
    if (dt < 0) dias = -dias;
}

std::string DoisDigitos(int v) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

bool SoDigitos(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string Aparar(const std::string& s) {
    size_t i = 0, f = s.size();
    while (i < f && (s[i] == ' ' || s[i] == '\t')) ++i;
    while (f > i && (s[f - 1] == ' ' || s[f - 1] == '\t')) --f;
    return s.substr(i, f - i);
}

}  // namespace

bool AnoBissexto(int ano) { return (ano % 4 == 0 && ano % 100 != 0) || ano % 400 == 0; }

int DiasNoMes(int ano, int mes) {
    static const int dias[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (mes < 1 || mes > 12) return 0;
    return (mes == 2 && AnoBissexto(ano)) ? 29 : dias[mes - 1];
}

bool TentarEncodeDate(int ano, int mes, int dia, TDateTime& resultado) {
    if (ano < 1 || ano > 9999 || mes < 1 || mes > 12 || dia < 1 || dia > DiasNoMes(ano, mes)) return false;
    resultado = static_cast<double>(DiasDeData(ano, static_cast<unsigned>(mes), static_cast<unsigned>(dia)) +
                                    kDiasAte1970);
    return true;
}

TDateTime EncodeDate(int ano, int mes, int dia) {
    TDateTime r;
    if (!TentarEncodeDate(ano, mes, dia, r))
        throw EConvertError("Data inválida: " + std::to_string(dia) + "/" + std::to_string(mes) + "/" +
                            std::to_string(ano));
    return r;
}

TDateTime EncodeTime(int hora, int minuto, int segundo, int milissegundo) {
    if (hora < 0 || hora > 23 || minuto < 0 || minuto > 59 || segundo < 0 || segundo > 59 ||
        milissegundo < 0 || milissegundo > 999)
        throw EConvertError("Hora inválida: " + std::to_string(hora) + ":" + std::to_string(minuto) + ":" +
                            std::to_string(segundo));
    long long ms = ((hora * 60LL + minuto) * 60 + segundo) * 1000 + milissegundo;
    return static_cast<double>(ms) / kMsPorDia;
}

void DecodeDate(TDateTime dt, int& ano, int& mes, int& dia) {
    long long dias, ms;
    Separar(dt, dias, ms);
    DataDeDias(dias - kDiasAte1970, ano, mes, dia);
}

void DecodeTime(TDateTime dt, int& hora, int& minuto, int& segundo, int& milissegundo) {
    long long dias, ms;
    Separar(dt, dias, ms);
    milissegundo = static_cast<int>(ms % 1000);
    ms /= 1000;
    segundo = static_cast<int>(ms % 60);
    ms /= 60;
    minuto = static_cast<int>(ms % 60);
    hora = static_cast<int>(ms / 60);
}

TDateTime Agora() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm t{};
    localtime_r(&ts.tv_sec, &t);
    return EncodeDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday) +
           EncodeTime(t.tm_hour, t.tm_min, t.tm_sec > 59 ? 59 : t.tm_sec,
                      static_cast<int>(ts.tv_nsec / 1000000));
}

TDateTime Hoje() { return ParteData(Agora()); }

TDateTime ParteData(TDateTime dt) {
    long long dias, ms;
    Separar(dt, dias, ms);
    return static_cast<double>(dias);
}

TDateTime ParteHora(TDateTime dt) {
    long long dias, ms;
    Separar(dt, dias, ms);
    return static_cast<double>(ms) / kMsPorDia;
}

int DayOfWeek(TDateTime dt) {
    long long dias, ms;
    Separar(dt, dias, ms);
    // Day 0 (1899-12-30) was a Saturday.
    long long r = ((dias + 6) % 7 + 7) % 7;  // 0 = Sunday
    return static_cast<int>(r) + 1;
}

bool MesmoDia(TDateTime a, TDateTime b) { return ParteData(a) == ParteData(b); }

std::string FormatDateTime(const std::string& formato, TDateTime dt) {
    int a, me, d, h, mi, s, ms;
    DecodeDate(dt, a, me, d);
    DecodeTime(dt, h, mi, s, ms);
    std::string r;
    bool depoisDeHora = false;
    size_t i = 0;
    auto conta = [&](char c) {
        size_t n = 0;
        while (i + n < formato.size() && (formato[i + n] | 0x20) == c) ++n;
        return n;
    };
    while (i < formato.size()) {
        char c = static_cast<char>(formato[i] | 0x20);
        size_t n;
        if (c == 'd' && (n = conta('d')) > 0) {
            r += n >= 2 ? DoisDigitos(d) : std::to_string(d);
            depoisDeHora = false;
        } else if (c == 'm' && (n = conta('m')) > 0) {
            int v = depoisDeHora ? mi : me;
            r += n >= 2 ? DoisDigitos(v) : std::to_string(v);
            depoisDeHora = false;
        } else if (c == 'y' && (n = conta('y')) > 0) {
            if (n <= 2) {
                r += DoisDigitos(a % 100);
            } else {
                char b[16];
                std::snprintf(b, sizeof b, "%04d", a);
                r += b;
            }
            depoisDeHora = false;
        } else if (c == 'h' && (n = conta('h')) > 0) {
            r += n >= 2 ? DoisDigitos(h) : std::to_string(h);
            depoisDeHora = true;
        } else if (c == 'n' && (n = conta('n')) > 0) {
            r += n >= 2 ? DoisDigitos(mi) : std::to_string(mi);
            depoisDeHora = false;
        } else if (c == 's' && (n = conta('s')) > 0) {
            r += n >= 2 ? DoisDigitos(s) : std::to_string(s);
            depoisDeHora = false;
        } else {
            r += formato[i];
            n = 1;
        }
        i += n;
    }
    return r;
}

bool TentarStrToDate(const std::string& texto, TDateTime& resultado) {
    std::string t = Aparar(texto);
    auto b1 = t.find('/');
    if (b1 == std::string::npos) return false;
    auto b2 = t.find('/', b1 + 1);
    if (b2 == std::string::npos) return false;
    std::string sd = Aparar(t.substr(0, b1)), sm = Aparar(t.substr(b1 + 1, b2 - b1 - 1)),
                sa = Aparar(t.substr(b2 + 1));
    if (!SoDigitos(sd) || !SoDigitos(sm) || !SoDigitos(sa)) return false;
    if (sd.size() > 2 || sm.size() > 2 || (sa.size() != 2 && sa.size() != 4)) return false;
    int d = std::stoi(sd), m = std::stoi(sm), a = std::stoi(sa);
    if (sa.size() == 2) {
        // Two-digit years fall in the hundred years starting fifty years back.
        int anoAtual, mesAtual, diaAtual;
        DecodeDate(Agora(), anoAtual, mesAtual, diaAtual);
        int base = anoAtual - 50;
        a += base / 100 * 100;
        if (a < base) a += 100;
    }
    return TentarEncodeDate(a, m, d, resultado);
}

TDateTime StrToDate(const std::string& texto) {
    TDateTime r;
    if (!TentarStrToDate(texto, r)) throw EConvertError("'" + texto + "' não é uma data válida");
    return r;
}

int StrToInt(const std::string& texto) {
    auto v = IniFile::ConverterInteiro(texto);
    if (!v) throw EConvertError("'" + texto + "' não é um valor inteiro válido");
    return *v;
}

}  // namespace plat
