#pragma once
// Money: exact ten-thousandths in a 64-bit integer (four decimal places, as the suite's
// fixed-point currency). Arithmetic is checked: a result beyond the 64-bit range raises
// std::overflow_error instead of wrapping around. Text uses the Brazilian separators.
//
// The decimal helpers below (scaled integers: value = mantissa * 10^-scale) are shared
// with the data access layer's NUMERIC/DECIMAL values.
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

class Dinheiro {
public:
    static constexpr std::int64_t kEscala = 10000;

    constexpr Dinheiro() = default;
    static constexpr Dinheiro FromRaw(std::int64_t decimilesimos) {
        Dinheiro c;
        c.raw_ = decimilesimos;
        return c;
    }
    static Dinheiro FromInteger(std::int64_t v);
    // Rounded to the nearest ten-thousandth, halves away from zero. EConvertError when
    // out of range (or not a number).
    static Dinheiro FromDouble(double v);
    // Scaled integer (valor * 10^-escala) rounded to four decimals, halves away from zero.
    static Dinheiro FromScaled(std::int64_t valor, int escala);
    // Accepts "1234,56", "1234.56", "-0,5", "1.234,56" (with both separators the last one
    // is the decimal point). Throws EConvertError.
    static Dinheiro Parse(std::string_view texto);

    constexpr std::int64_t Raw() const { return raw_; }
    double ToDouble() const { return static_cast<double>(raw_) / kEscala; }
    // Shortest text: "12,5", "-3", "0,0001".
    std::string ToString() const;
    // Fixed number of decimals (0..4), rounded, with optional thousands grouping:
    // Format(2, true) of 1234567.891 -> "1.234.567,89".
    std::string Format(int decimais, bool milhares = false) const;

    constexpr auto operator<=>(const Dinheiro&) const = default;
    Dinheiro operator+(Dinheiro o) const;
    Dinheiro operator-(Dinheiro o) const;
    Dinheiro operator-() const;
    Dinheiro& operator+=(Dinheiro o) { return *this = *this + o; }
    Dinheiro& operator-=(Dinheiro o) { return *this = *this - o; }
    // Product with a quantity (pairs × price per pair).
    Dinheiro operator*(std::int64_t n) const;

private:
    std::int64_t raw_ = 0;
};

namespace decimal {
// 10^n for n = 0..18.
std::int64_t Potencia10(int n);
// Rescales valor * 10^-de to 10^-para, rounding halves away from zero; EConvertError
// when the result does not fit.
std::int64_t Reescalar(std::int64_t valor, int de, int para);
// Reads a decimal text into mantissa and scale. ',' or '.' is the decimal separator; with
// both present, the last one is the decimal separator and the other groups thousands.
// Blanks and tabs around are allowed. False when it is not such a number or too large.
bool Ler(std::string_view texto, std::int64_t& mantissa, int& escala);
// "12,5" (decimal comma); `aparar` drops the trailing zeros of the fraction.
std::string Texto(std::int64_t mantissa, int escala, bool aparar);
}  // namespace decimal

}  // namespace plat
