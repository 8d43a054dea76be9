#include "platform/DataHora.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/Mensagens.h"

namespace {

using namespace plat;

TEST(DataHora, EncodeAndDecodeDates) {
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 29), -1);
    EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2);
    EXPECT_DOUBLE_EQ(EncodeDate(2000, 1, 1), 36526);
    EXPECT_DOUBLE_EQ(EncodeDate(2000, 2, 29) + 1, EncodeDate(2000, 3, 1));
    EXPECT_DOUBLE_EQ(EncodeDate(2100, 2, 28) + 1, EncodeDate(2100, 3, 1));  // 2100 is not leap

    // Every day of several years decodes to itself.
    for (double d = EncodeDate(1999, 12, 1); d < EncodeDate(2005, 1, 1); d += 1) {
        int a, m, dia;
        DecodeDate(d + 0.75, a, m, dia);
        ASSERT_DOUBLE_EQ(EncodeDate(a, m, dia), d);
    }
    int a, m, d;
    DecodeDate(EncodeDate(2024, 2, 29), a, m, d);
    EXPECT_EQ(a * 10000 + m * 100 + d, 20240229);

    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(2023, 13, 1), EConvertError);
    EXPECT_THROW(EncodeDate(2023, 4, 31), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
}

TEST(DataHora, TimesAndParts) {
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0), 0.25);
    EXPECT_THROW(EncodeTime(24, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0), EConvertError);

    double dt = EncodeDate(2026, 12, 9) + EncodeTime(23, 59, 58, 500);
    int h, mi, s, ms;
    DecodeTime(dt, h, mi, s, ms);
    EXPECT_EQ(h * 10000 + mi * 100 + s, 235958);
    EXPECT_EQ(ms, 500);
    EXPECT_DOUBLE_EQ(ParteData(dt), EncodeDate(2026, 12, 9));
    EXPECT_NEAR(ParteHora(dt), EncodeTime(23, 59, 58, 500), 1e-9);

    // A value a hair below midnight rounds to the next day consistently.
    double quase = EncodeDate(2026, 12, 9) + 1 - 1e-10;
    int a, m, d;
    DecodeDate(quase, a, m, d);
    DecodeTime(quase, h, mi, s, ms);
    EXPECT_EQ(d, 10);
    EXPECT_EQ(h + mi + s + ms, 0);

    // Before 1899-12-30 the time counts forward from that day's midnight.
    DecodeDate(-1.25, a, m, d);
    DecodeTime(-1.25, h, mi, s, ms);
    EXPECT_EQ(a * 10000 + m * 100 + d, 18991229);
    EXPECT_EQ(h, 6);
}

TEST(DataHora, DayOfWeekAndClock) {
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 9)), 4);   // Wednesday
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 13)), 1);  // Sunday
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 12) + 0.9), 7);
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 24)), 1);

    double antes = Agora();
    EXPECT_GT(antes, EncodeDate(2020, 1, 1));
    EXPECT_DOUBLE_EQ(Hoje(), std::floor(Agora()));
}

TEST(DataHora, FormatDateTime) {
    double dt = EncodeDate(2026, 3, 7) + EncodeTime(8, 5, 9);
    EXPECT_EQ(FormatDateTime("dd/mm/yy", dt), "07/03/26");
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", dt), "07/03/2026");
    EXPECT_EQ(FormatDateTime("hh:mm", dt), "08:05");  // mm after hh is minutes
    EXPECT_EQ(FormatDateTime("d/m/yyyy hh:nn:ss", dt), "7/3/2026 08:05:09");
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", EncodeDate(2005, 12, 31)), "31/12/2005");
}

TEST(DataHora, StrToDate) {
    EXPECT_DOUBLE_EQ(StrToDate("07/03/2026"), EncodeDate(2026, 3, 7));
    EXPECT_DOUBLE_EQ(StrToDate(" 7/3/2026 "), EncodeDate(2026, 3, 7));
    EXPECT_DOUBLE_EQ(StrToDate("29/02/24"), EncodeDate(2024, 2, 29));
    for (const char* ruim : {"31/02/2026", "abc", "", "07/03", "07-03-2026", "07/03/026", "7/3/2026x", "32/01/2026"}) {
        try {
            StrToDate(ruim);
            ADD_FAILURE() << ruim;
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + ruim + "' não é uma data válida");
        }
    }
}

TEST(DataHora, StrictStrToInt) {
    EXPECT_EQ(StrToInt("12"), 12);
    EXPECT_EQ(StrToInt(" -7 "), -7);
    EXPECT_EQ(StrToInt("$FF"), 255);
    EXPECT_EQ(StrToInt("0x10"), 16);
    for (const char* ruim : {"", "1a", "abc", "1.0", "99999999999"}) {
        try {
            StrToInt(ruim);
            ADD_FAILURE() << ruim;
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + ruim + "' não é um valor inteiro válido");
        }
    }
}

}  // namespace
