#pragma once
// Values crossing the data access layer.
//
// TDateTime: days since 30 December 1899 with the time of day as the fraction.
// Currency: exact ten-thousandths in a 64-bit integer.
// Value: null | integer | scaled decimal | real | text (UTF-8) | date-time | blob bytes.
//
// Text conversions follow the program's regional settings (Brazil): decimal comma,
// dates as dd/mm/yyyy, times as hh:nn:ss.
#include <cstdint>
#include <compare>
#include <string>
#include <string_view>

#include "platform/DataHora.h"
#include "platform/Dinheiro.h"

namespace db {

using TDateTime = plat::TDateTime;

// ---- Currency ---------------------------------------------------------------------------
// The program's one money type (platform/Dinheiro.h).
using Currency = plat::Dinheiro;

// ---- Date and time ----------------------------------------------------------------------
// Encoding and decoding: plat::EncodeDate / EncodeTime / DecodeDate / DecodeTime
// (platform/DataHora.h).
// "dd/mm/yyyy", "hh:nn:ss" and "dd/mm/yyyy hh:nn:ss" (the time omitted when it is midnight).
std::string DateToStr(TDateTime d);
std::string TimeToStr(TDateTime d);
std::string DateTimeToStr(TDateTime d);
// Accepts "dd/mm/yyyy", "dd/mm/yyyy hh:nn[:ss[.zzz]]", "yyyy-mm-dd[ hh:nn[:ss[.zzz]]]" and
// "hh:nn[:ss]". Throws plat::EConvertError.
TDateTime StrToDateTime(std::string_view texto);

// ---- Value ------------------------------------------------------------------------------
enum class ValueKind { Null, Integer, Decimal, Float, Text, DateTime, Bytes, Boolean };

class Value {
public:
    Value() = default;  // null
    static Value Null() { return Value(); }
    static Value Integer(std::int64_t v);
    // valor * 10^-escala, exact (escala 0..18).
    static Value Decimal(std::int64_t valor, int escala);
    static Value Money(Currency c) { return Decimal(c.Raw(), 4); }
    static Value Float(double v);
    static Value Text(std::string utf8);
    static Value DateTime(TDateTime d);
    // Raw bytes (binary blob, or text bytes to be stored without conversion).
    static Value Bytes(std::string bytes);
    static Value Boolean(bool b);

    ValueKind Kind() const noexcept { return kind_; }
    bool IsNull() const noexcept { return kind_ == ValueKind::Null; }

    // Conversions; a null reads as "" / 0 / false. Conversion failures throw
    // plat::EConvertError.
    std::string AsString() const;
    std::int64_t AsInteger() const;     // decimals and reals rounded, halves away from zero
    double AsFloat() const;
    Currency AsCurrency() const;        // exact for scales up to 4, rounded beyond
    TDateTime AsDateTime() const;
    bool AsBoolean() const;
    // The Windows-1252 bytes of a text (exactly as stored in the database), or the raw
    // bytes of a blob.
    std::string AsBytes() const;

    // Exact access to the representation.
    std::int64_t RawInteger() const noexcept { return i_; }  // Integer / Decimal mantissa
    int Scale() const noexcept { return escala_; }           // Decimal
    const std::string& RawText() const noexcept { return s_; }  // Text (UTF-8) / Bytes

    // Same kind-independent value: numbers compare numerically (1 == 1.00), texts and
    // bytes byte for byte, nulls equal each other.
    bool operator==(const Value& o) const;
    // Ordering for indexes: null first, numbers numerically, texts byte-wise.
    static int Compare(const Value& a, const Value& b, bool semCaixa = false);

private:
    ValueKind kind_ = ValueKind::Null;
    int escala_ = 0;
    std::int64_t i_ = 0;
    double d_ = 0;
    std::string s_;
};

}  // namespace db
