// Variant operators with Object Pascal rules.
#include "script/variant_ops.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

TEST(VariantOps, ResultTypes) {
    struct {
        ScriptOp op;
        Variant a, b;
        VarType type;
        const char* text;
    } cases[] = {
        {ScriptOp::Add, Variant(2), Variant(3), VarType::Integer, "5"},
        {ScriptOp::Add, Variant(2), Variant(0.5), VarType::Double, "2.5"},
        {ScriptOp::Add, Variant("a"), Variant("b"), VarType::String, "ab"},
        {ScriptOp::Add, Variant(), Variant("b"), VarType::String, "b"},
        {ScriptOp::Add, Variant(), Variant(4), VarType::Integer, "4"},
        {ScriptOp::Add, Variant("4"), Variant(1), VarType::Integer, "5"},
        {ScriptOp::Add, Variant(Currency{15000}), Variant(1), VarType::Currency, "2.5"},
        {ScriptOp::Add, Variant::FromDate(10), Variant(1), VarType::Date, ""},
        {ScriptOp::Sub, Variant::FromDate(10), Variant::FromDate(7), VarType::Double, "3"},
        {ScriptOp::Mul, Variant(int64_t{3000000000}), Variant(2), VarType::Int64, "6000000000"},
        {ScriptOp::Mul, Variant(65536), Variant(65536), VarType::Int64, "4294967296"},
        {ScriptOp::Divide, Variant(1), Variant(4), VarType::Double, "0.25"},
        {ScriptOp::IntDiv, Variant(-7), Variant(2), VarType::Integer, "-3"},
        {ScriptOp::Mod, Variant(-7), Variant(2), VarType::Integer, "-1"},
        {ScriptOp::And, Variant(true), Variant(false), VarType::Boolean, "False"},
        {ScriptOp::Xor, Variant(5), Variant(1), VarType::Integer, "4"},
        {ScriptOp::Shr, Variant(-1), Variant(28), VarType::Integer, "15"},
        {ScriptOp::Add, Variant::Null(), Variant("a"), VarType::Null, ""},
        {ScriptOp::Or, Variant::Null(), Variant(true), VarType::Null, ""},
        {ScriptOp::Lt, Variant::Null(), Variant(-5), VarType::Boolean, "True"},
        {ScriptOp::Eq, Variant("abc"), Variant("ABC"), VarType::Boolean, "False"},
        {ScriptOp::Eq, Variant("2.0"), Variant(2), VarType::Boolean, "True"},
    };
    ScopedFormatSettings locale(FormatSettings::ForLocale("C"));
    for (const auto& c : cases) {
        Variant r = VarBinary(c.op, c.a, c.b);
        EXPECT_EQ(r.Type(), c.type) << c.text;
        if (r.Type() != VarType::Date && !r.IsNull()) {
            EXPECT_EQ(VarToStr(r), c.text);
        }
    }
}

TEST(VariantOps, Errors) {
    EXPECT_THROW(VarBinary(ScriptOp::IntDiv, Variant(1), Variant(0)), Exception);
    EXPECT_THROW(VarBinary(ScriptOp::Mod, Variant(1), Variant(0)), Exception);
    EXPECT_THROW(VarBinary(ScriptOp::Divide, Variant(1.0), Variant(0)), Exception);
    EXPECT_THROW(VarBinary(ScriptOp::Add, Variant("abc"), Variant(1)), EVariantError);
    // The most negative integer divided by -1 does not trap.
    EXPECT_EQ(VarBinary(ScriptOp::IntDiv, Variant(INT64_MIN), Variant(-1)).Type(), VarType::Double);
}

TEST(VariantOps, UnaryOperators) {
    EXPECT_EQ(VarNeg(Variant(5)).ToInt32(), -5);
    EXPECT_EQ(VarNeg(Variant(2147483647 + int64_t{1})).Type(), VarType::Int64);
    EXPECT_TRUE(VarNeg(Variant::Null()).IsNull());
    EXPECT_EQ(VarNot(Variant(true)).ToBool(), false);
    EXPECT_EQ(VarNot(Variant(0)).ToInt32(), -1);
}

} // namespace
} // namespace kanvo
