#include "script/variant_ops.h"

#include <cmath>
#include <limits>

namespace kanvo {
namespace {

enum class Kind { Int, Float, Curr, Date };

Variant IntResult(int64_t value, bool wide);

// A text used as a number: an integer when it reads as one, else a float.
Variant Numeric(const Variant& v) {
    if (v.IsString()) {
        AnsiString text = v.ToAnsi();
        if (auto n = TryStrToInt64(text))
            return IntResult(*n, false);
        return Variant(v.ToDouble());
    }
    if (v.IsEmpty())
        return Variant(0);
    if (v.Type() == VarType::Boolean)
        return Variant(v.ToBool() ? -1 : 0);
    if (v.Type() == VarType::Object)
        throw EVariantError("Could not convert variant of type (Object) into type (Double)");
    return v;
}

Kind KindOf(const Variant& v) {
    switch (v.Type()) {
    case VarType::Double:
        return Kind::Float;
    case VarType::Currency:
        return Kind::Curr;
    case VarType::Date:
        return Kind::Date;
    default:
        return Kind::Int;
    }
}

Variant IntResult(int64_t value, bool wide) {
    if (!wide && value >= std::numeric_limits<int32_t>::min() &&
        value <= std::numeric_limits<int32_t>::max())
        return Variant(static_cast<int>(value));
    return Variant(value);
}

[[noreturn]] void DivisionByZero() {
    throw Exception("Division by zero");
}

Variant Arithmetic(ScriptOp op, const Variant& a0, const Variant& b0) {
    Variant a = Numeric(a0), b = Numeric(b0);
    Kind ka = KindOf(a), kb = KindOf(b);
    if (op == ScriptOp::IntDiv || op == ScriptOp::Mod || op == ScriptOp::Shl ||
        op == ScriptOp::Shr) {
        int64_t x = a.ToInt64(), y = b.ToInt64();
        bool wide = a.Type() == VarType::Int64 || b.Type() == VarType::Int64;
        switch (op) {
        case ScriptOp::IntDiv:
            if (y == 0)
                DivisionByZero();
            if (y == -1 && x == std::numeric_limits<int64_t>::min())
                return Variant(-static_cast<double>(x)); // does not fit any integer
            return IntResult(y == -1 ? -x : x / y, wide);
        case ScriptOp::Mod:
            if (y == 0)
                DivisionByZero();
            return IntResult(y == -1 ? 0 : x % y, wide);
        case ScriptOp::Shl:
            if (wide)
                return Variant(static_cast<int64_t>(static_cast<uint64_t>(x) << (y & 63)));
            return Variant(static_cast<int>(static_cast<uint32_t>(x) << (y & 31)));
        default:
            if (wide)
                return Variant(static_cast<int64_t>(static_cast<uint64_t>(x) >> (y & 63)));
            return Variant(static_cast<int>(static_cast<uint32_t>(x) >> (y & 31)));
        }
    }
    if (op == ScriptOp::Divide) {
        double y = b.ToDouble();
        if (y == 0)
            DivisionByZero();
        return Variant(a.ToDouble() / y);
    }
    if (ka == Kind::Int && kb == Kind::Int) {
        int64_t x = a.ToInt64(), y = b.ToInt64(), r = 0;
        bool overflow = op == ScriptOp::Add   ? __builtin_add_overflow(x, y, &r)
                        : op == ScriptOp::Sub ? __builtin_sub_overflow(x, y, &r)
                                              : __builtin_mul_overflow(x, y, &r);
        if (overflow) {
            double fx = static_cast<double>(x), fy = static_cast<double>(y);
            return Variant(op == ScriptOp::Add ? fx + fy : op == ScriptOp::Sub ? fx - fy : fx * fy);
        }
        return IntResult(r, a.Type() == VarType::Int64 || b.Type() == VarType::Int64);
    }
    if ((ka == Kind::Curr || kb == Kind::Curr) && ka != Kind::Float && kb != Kind::Float &&
        ka != Kind::Date && kb != Kind::Date) {
        Currency x = a.ToCurrency(), y = b.ToCurrency();
        if (op == ScriptOp::Add)
            return Variant(Currency{x.Scaled + y.Scaled});
        if (op == ScriptOp::Sub)
            return Variant(Currency{x.Scaled - y.Scaled});
        return Variant(Currency::FromDouble(x.ToDouble() * y.ToDouble()));
    }
    double x = a.ToDouble(), y = b.ToDouble();
    double r = op == ScriptOp::Add ? x + y : op == ScriptOp::Sub ? x - y : x * y;
    // A date moved by a number of days stays a date; two dates give a span.
    if (op != ScriptOp::Mul && ((ka == Kind::Date) != (kb == Kind::Date)))
        return Variant::FromDate(r);
    return Variant(r);
}

bool IsBooleanLike(const Variant& v) {
    return v.Type() == VarType::Boolean;
}

Variant Logic(ScriptOp op, const Variant& a, const Variant& b) {
    if (IsBooleanLike(a) || IsBooleanLike(b)) {
        bool x = a.ToBool(), y = b.ToBool();
        return Variant(op == ScriptOp::And ? (x && y) : op == ScriptOp::Or ? (x || y) : (x != y));
    }
    Variant na = Numeric(a), nb = Numeric(b);
    int64_t x = na.ToInt64(), y = nb.ToInt64();
    int64_t r = op == ScriptOp::And ? (x & y) : op == ScriptOp::Or ? (x | y) : (x ^ y);
    return IntResult(r, na.Type() == VarType::Int64 || nb.Type() == VarType::Int64);
}

} // namespace

Variant VarBinary(ScriptOp op, const Variant& a, const Variant& b) {
    switch (op) {
    case ScriptOp::Eq:
        return Variant(VarCompare(a, b) == 0);
    case ScriptOp::Ne:
        return Variant(VarCompare(a, b) != 0);
    case ScriptOp::Lt:
        return Variant(VarCompare(a, b) < 0);
    case ScriptOp::Gt:
        return Variant(VarCompare(a, b) > 0);
    case ScriptOp::Le:
        return Variant(VarCompare(a, b) <= 0);
    case ScriptOp::Ge:
        return Variant(VarCompare(a, b) >= 0);
    default:
        break;
    }
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    if (op == ScriptOp::And || op == ScriptOp::Or || op == ScriptOp::Xor)
        return Logic(op, a, b);
    if (op == ScriptOp::Add) {
        bool ta = a.IsString() || a.IsEmpty(), tb = b.IsString() || b.IsEmpty();
        if (ta && tb && (a.IsString() || b.IsString())) {
            if (a.Type() == VarType::UString || b.Type() == VarType::UString)
                return Variant(a.ToWide() + b.ToWide());
            if (a.IsEmpty())
                return b;
            if (b.IsEmpty())
                return a;
            return Variant(a.AnsiValue() + b.AnsiValue());
        }
    }
    return Arithmetic(op, a, b);
}

Variant VarNeg(const Variant& a) {
    if (a.IsNull())
        return a;
    Variant n = Numeric(a);
    switch (n.Type()) {
    case VarType::Double:
        return Variant(-n.ToDouble());
    case VarType::Date:
        return Variant::FromDate(-n.ToDouble());
    case VarType::Currency:
        return Variant(Currency{-n.ToCurrency().Scaled});
    default: {
        int64_t x = n.ToInt64();
        if (x == std::numeric_limits<int64_t>::min())
            return Variant(-static_cast<double>(x));
        return IntResult(-x, n.Type() == VarType::Int64);
    }
    }
}

Variant VarNot(const Variant& a) {
    if (a.IsNull())
        return a;
    if (a.Type() == VarType::Boolean || a.IsString())
        return Variant(!a.ToBool());
    Variant n = Numeric(a);
    return IntResult(~n.ToInt64(), n.Type() == VarType::Int64);
}

} // namespace kanvo
