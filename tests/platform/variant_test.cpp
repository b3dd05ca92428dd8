#include "platform/variant.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

class VariantTest : public ::testing::Test {
protected:
    ScopedFormatSettings settings_{FormatSettings::ForLocale("cs_CZ.UTF-8")};
};

struct TextCase {
    Variant value;
    const char* text;
};

TEST_F(VariantTest, ConversionsToText) {
    const TextCase cases[] = {
        {Variant(), ""},
        {Variant(42), "42"},
        {Variant(int64_t{-9000000000}), "-9000000000"},
        {Variant(2.5), "2,5"},
        {Variant(1e20), "1E20"},
        {Variant(0.1 + 0.2), "0,3"},
        {Variant(Currency{12345}), "1,2345"},
        {Variant(Currency{-20000}), "-2"},
        {Variant(true), "True"},
        {Variant(false), "False"},
        {Variant("abc"), "abc"},
        {Variant(u"\u010Dab"), "\xE8\x61\x62"},
        {Variant::FromDate(45475.0), "2.7.2024"},
        {Variant::FromDate(45475.5), "2.7.2024 12:00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.value.ToAnsi(), c.text);
        EXPECT_EQ(VarToStr(c.value), c.text);
    }
}

TEST_F(VariantTest, NullIsRefusedByStrictConversionsOnly) {
    Variant null = Variant::Null();
    EXPECT_EQ(VarToStr(null), "");
    EXPECT_THROW(null.ToAnsi(), EVariantError);
    EXPECT_THROW(null.ToDouble(), EVariantError);
    EXPECT_THROW(null.ToInt64(), EVariantError);
    EXPECT_THROW(null.ToBool(), EVariantError);
    try {
        null.ToDouble();
    } catch (const EVariantError& e) {
        EXPECT_EQ(e.Message(), "Could not convert variant of type (Null) into type (Double)");
    }
}

TEST_F(VariantTest, ConversionsToNumbers) {
    EXPECT_EQ(Variant("12,5").ToDouble(), 12.5);
    EXPECT_EQ(Variant(" 7 ").ToInt64(), 7);
    EXPECT_EQ(Variant(2.5).ToInt64(), 2); // half to even
    EXPECT_EQ(Variant(3.5).ToInt64(), 4);
    EXPECT_EQ(Variant(true).ToInt64(), -1);
    EXPECT_EQ(Variant().ToDouble(), 0);
    EXPECT_EQ(Variant("True").ToBool(), true);
    EXPECT_EQ(Variant("0").ToBool(), false);
    EXPECT_EQ(Variant(0.00005).ToCurrency().Scaled, 0); // 0.5 of the last digit: to even
    EXPECT_EQ(Variant(12.34567).ToCurrency().Scaled, 123457);
    EXPECT_EQ(Variant(7).ToCurrency().Scaled, 70000);
    EXPECT_THROW(Variant("abc").ToDouble(), EVariantError);
    EXPECT_THROW(Variant(1e30).ToInt64(), EVariantError);
    EXPECT_THROW(Variant(int64_t{1} << 40).ToInt32(), EVariantError);
    EXPECT_EQ(Variant("2.7.2024").ToDate(), 45475.0);
}

TEST_F(VariantTest, EqualityAndOrder) {
    Variant null = Variant::Null();
    EXPECT_TRUE(null == Variant::Null());
    EXPECT_FALSE(null == Variant(0));
    EXPECT_FALSE(null == Variant(""));
    EXPECT_FALSE(null == Variant());
    EXPECT_TRUE(null < Variant(-1e300));
    EXPECT_TRUE(null < Variant(""));
    EXPECT_TRUE(Variant() == Variant(0));
    EXPECT_TRUE(Variant() == Variant(""));
    EXPECT_TRUE(Variant(1) == Variant(1.0));
    EXPECT_TRUE(Variant(int64_t{3}) == Variant(Currency{30000}));
    EXPECT_TRUE(Variant(2) < Variant(2.5));
    EXPECT_TRUE(Variant("10") == Variant(10)); // a text that reads as a number
    EXPECT_TRUE(Variant("9") < Variant(10));
    EXPECT_TRUE(Variant("abc") != Variant(10)); // otherwise as texts
    EXPECT_TRUE(Variant("abc") < Variant("abd"));
    EXPECT_TRUE(Variant("B") < Variant("a")); // case-sensitive
    EXPECT_TRUE(Variant(u"\u010D") == Variant("\xE8"));
    EXPECT_TRUE(Variant(true) < Variant(false)); // True is -1
    Object a, b;
    EXPECT_TRUE(Variant(&a) == Variant(&a));
    EXPECT_FALSE(Variant(&a) == Variant(&b));
    EXPECT_FALSE(Variant(&a) == Variant(0));
}

TEST_F(VariantTest, CopiesKeepTypeAndValue) {
    Variant date = Variant::FromDate(1.25);
    Variant copy = date;
    EXPECT_EQ(copy.Type(), VarType::Date);
    EXPECT_EQ(copy.ToDouble(), 1.25);
    EXPECT_TRUE(Variant(Currency{5}).IsFloat());
    EXPECT_TRUE(Variant(5).IsOrdinal());
    EXPECT_TRUE(Variant(u"x").IsString());
}

} // namespace
} // namespace kanvo
