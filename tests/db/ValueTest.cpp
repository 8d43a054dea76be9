// Values without a database: currency, text conversions and comparison.
#include <gtest/gtest.h>

#include "db/Value.h"
#include "platform/DataHora.h"
#include "platform/Mensagens.h"

using namespace db;

namespace {

TEST(ValueTest, CurrencyParsesBothSeparatorsAndFormatsExactly) {
    EXPECT_EQ(Currency::Parse("1234,56").Raw(), 12345600);
    EXPECT_EQ(Currency::Parse("1234.56").Raw(), 12345600);
    EXPECT_EQ(Currency::Parse("1.234,56").Raw(), 12345600);
    EXPECT_EQ(Currency::Parse("-0,00005").Raw(), -1);  // rounded half away from zero
    EXPECT_EQ(Currency::Parse(" 7 ").Raw(), 70000);
    EXPECT_THROW(Currency::Parse("12a"), plat::EConvertError);
    EXPECT_THROW(Currency::Parse(""), plat::EConvertError);
    EXPECT_EQ(Currency::Parse("12,50").ToString(), "12,5");
    EXPECT_EQ(Currency::FromRaw(-1).ToString(), "-0,0001");
    EXPECT_EQ(Currency::Parse("1234567,891").Format(2, true), "1.234.567,89");
    EXPECT_EQ(Currency::Parse("-999,995").Format(2, true), "-1.000,00");
    EXPECT_EQ(Currency::FromDouble(0.1 + 0.2).Raw(), 3000);
}

TEST(ValueTest, ConversionsAndNulls) {
    EXPECT_EQ(Value::Decimal(-5, 2).AsString(), "-0,05");
    EXPECT_EQ(Value::Decimal(1050, 2).AsInteger(), 11);
    EXPECT_EQ(Value::Decimal(-1050, 2).AsInteger(), -11);
    EXPECT_EQ(Value::Decimal(123456, 3).AsCurrency().Raw(), 1234560);
    EXPECT_EQ(Value::Text(" -42 ").AsInteger(), -42);
    EXPECT_THROW(Value::Text("4.2").AsInteger(), plat::EConvertError);
    EXPECT_THROW(Value::Text("99999999999999999999").AsInteger(), plat::EConvertError);
    EXPECT_DOUBLE_EQ(Value::Text("2,5").AsFloat(), 2.5);
    EXPECT_EQ(Value::Float(0.5).AsString(), "0,5");
    EXPECT_EQ(Value().AsString(), "");
    EXPECT_EQ(Value().AsInteger(), 0);
    EXPECT_EQ(Value::Text("Ação").AsBytes(), "A\xE7\xE3o");
}

TEST(ValueTest, DateTimeTextBothWays) {
    TDateTime d = plat::EncodeDate(2024, 3, 5) + plat::EncodeTime(7, 8, 9);
    EXPECT_EQ(DateTimeToStr(d), "05/03/2024 07:08:09");
    EXPECT_EQ(DateTimeToStr(plat::EncodeDate(2024, 3, 5)), "05/03/2024");
    EXPECT_DOUBLE_EQ(StrToDateTime("05/03/2024 07:08:09"), d);
    EXPECT_DOUBLE_EQ(StrToDateTime("2024-03-05 07:08:09"), d);
    EXPECT_DOUBLE_EQ(StrToDateTime("5/3/24"), plat::EncodeDate(2024, 3, 5));
    EXPECT_THROW(StrToDateTime("31/02/2024"), plat::EConvertError);
    EXPECT_THROW(StrToDateTime("ontem"), plat::EConvertError);
}

TEST(ValueTest, ComparisonIsNumericAcrossKindsAndNullsComeFirst) {
    EXPECT_TRUE(Value::Integer(1) == Value::Decimal(100, 2));
    EXPECT_FALSE(Value::Integer(1) == Value::Decimal(101, 2));
    EXPECT_TRUE(Value() == Value());
    EXPECT_FALSE(Value() == Value::Text(""));
    EXPECT_LT(Value::Compare(Value(), Value::Integer(-5)), 0);
    EXPECT_LT(Value::Compare(Value::Integer(9), Value::Integer(10)), 0);
    EXPECT_EQ(Value::Compare(Value::Integer(10), Value::Text("10")), 0);
    EXPECT_EQ(Value::Compare(Value::Text("ação"), Value::Text("AÇÃO"), true), 0);
    EXPECT_NE(Value::Compare(Value::Text("ação"), Value::Text("AÇÃO")), 0);
    EXPECT_LT(Value::Compare(Value::Decimal(9223372036854775807LL, 4), Value::Decimal(9223372036854775807LL, 3)), 0);
}

}  // namespace
