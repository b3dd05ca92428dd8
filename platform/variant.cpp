#include "platform/variant.h"

#include "platform/code_page.h"

#include <cmath>
#include <limits>

namespace kanvo {

Currency Currency::FromDouble(double value) {
    double scaled = std::nearbyint(value * 10000.0);
    if (!(std::fabs(scaled) < 9.2e18))
        throw EVariantError("Invalid floating point operation");
    return Currency{static_cast<int64_t>(scaled)};
}

AnsiString CurrToStr(Currency value, const FormatSettings& settings) {
    bool negative = value.Scaled < 0;
    uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(value.Scaled) : static_cast<uint64_t>(value.Scaled);
    AnsiString out = negative ? "-" : "";
    out += std::to_string(magnitude / 10000);
    uint64_t fraction = magnitude % 10000;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, 4 - digits.size(), '0');
        while (digits.back() == '0')
            digits.pop_back();
        out += settings.DecimalSeparator;
        out += digits;
    }
    return out;
}

const char* VarTypeName(VarType type) {
    switch (type) {
    case VarType::Empty:
        return "Empty";
    case VarType::Null:
        return "Null";
    case VarType::Integer:
        return "Integer";
    case VarType::Int64:
        return "Int64";
    case VarType::Double:
        return "Double";
    case VarType::Currency:
        return "Currency";
    case VarType::Date:
        return "Date";
    case VarType::Boolean:
        return "Boolean";
    case VarType::String:
        return "String";
    case VarType::UString:
        return "UnicodeString";
    case VarType::Object:
        return "Object";
    }
    return "Unknown";
}

Variant Variant::Null() {
    Variant v;
    v.type_ = VarType::Null;
    return v;
}

Variant Variant::FromDate(TDateTime value) {
    Variant v(value);
    v.type_ = VarType::Date;
    return v;
}

bool Variant::IsNumeric() const {
    switch (type_) {
    case VarType::Integer:
    case VarType::Int64:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Date:
        return true;
    default:
        return false;
    }
}

void Variant::CannotConvert(VarType to) const {
    throw EVariantError(Format("Could not convert variant of type (%s) into type (%s)",
                               {VarTypeName(type_), VarTypeName(to)}));
}

AnsiString Variant::ToAnsi() const {
    switch (type_) {
    case VarType::Empty:
        return "";
    case VarType::Null:
        CannotConvert(VarType::String);
    case VarType::Integer:
    case VarType::Int64:
        return std::to_string(std::get<int64_t>(value_));
    case VarType::Double:
        return FloatToStr(std::get<double>(value_));
    case VarType::Currency:
        return CurrToStr(Currency{std::get<int64_t>(value_)});
    case VarType::Date:
        return DateTimeToStr(std::get<double>(value_));
    case VarType::Boolean:
        return std::get<int64_t>(value_) ? "True" : "False";
    case VarType::String:
        return std::get<AnsiString>(value_);
    case VarType::UString:
        return WideToAnsi(std::get<WideString>(value_));
    case VarType::Object:
        CannotConvert(VarType::String);
    }
    return "";
}

WideString Variant::ToWide() const {
    if (type_ == VarType::UString)
        return std::get<WideString>(value_);
    return AnsiToWide(ToAnsi());
}

double Variant::ToDouble() const {
    switch (type_) {
    case VarType::Empty:
        return 0;
    case VarType::Integer:
    case VarType::Int64:
        return static_cast<double>(std::get<int64_t>(value_));
    case VarType::Boolean:
        return std::get<int64_t>(value_) ? -1.0 : 0.0;
    case VarType::Double:
    case VarType::Date:
        return std::get<double>(value_);
    case VarType::Currency:
        return Currency{std::get<int64_t>(value_)}.ToDouble();
    case VarType::String:
    case VarType::UString: {
        AnsiString text = ToAnsi();
        if (auto number = TryStrToFloat(text))
            return *number;
        if (auto date = TryStrToDateTime(text))
            return *date;
        CannotConvert(VarType::Double);
    }
    case VarType::Null:
    case VarType::Object:
        CannotConvert(VarType::Double);
    }
    return 0;
}

int64_t Variant::ToInt64() const {
    switch (type_) {
    case VarType::Empty:
        return 0;
    case VarType::Integer:
    case VarType::Int64:
        return std::get<int64_t>(value_);
    case VarType::Boolean:
        return std::get<int64_t>(value_) ? -1 : 0;
    case VarType::String:
    case VarType::UString:
        if (auto number = TryStrToInt64(ToAnsi()))
            return *number;
        [[fallthrough]];
    default: {
        double d = ToDouble();
        double r = std::nearbyint(d);
        if (!(r >= -9.2233720368547758e18 && r < 9.2233720368547758e18))
            CannotConvert(VarType::Int64);
        return static_cast<int64_t>(r);
    }
    }
}

int32_t Variant::ToInt32() const {
    int64_t value = ToInt64();
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw EVariantError("Overflow while converting variant of type (" +
                            AnsiString(VarTypeName(type_)) + ") into type (Integer)");
    return static_cast<int32_t>(value);
}

Currency Variant::ToCurrency() const {
    if (type_ == VarType::Currency)
        return Currency{std::get<int64_t>(value_)};
    if (IsOrdinal())
        return Currency{std::get<int64_t>(value_) * 10000};
    return Currency::FromDouble(ToDouble());
}

TDateTime Variant::ToDate() const {
    if (IsString()) {
        if (auto date = TryStrToDateTime(ToAnsi()))
            return *date;
        if (auto time = TryStrToTime(ToAnsi()))
            return *time;
        CannotConvert(VarType::Date);
    }
    return ToDouble();
}

bool Variant::ToBool() const {
    switch (type_) {
    case VarType::Empty:
        return false;
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Int64:
    case VarType::Currency:
        return std::get<int64_t>(value_) != 0;
    case VarType::Double:
    case VarType::Date:
        return std::get<double>(value_) != 0;
    case VarType::String:
    case VarType::UString: {
        AnsiString text = ToAnsi();
        if (SameTextAscii(text, "True"))
            return true;
        if (SameTextAscii(text, "False"))
            return false;
        if (auto number = TryStrToFloat(text))
            return *number != 0;
        CannotConvert(VarType::Boolean);
    }
    case VarType::Null:
    case VarType::Object:
        CannotConvert(VarType::Boolean);
    }
    return false;
}

Object* Variant::ToObject() const {
    return type_ == VarType::Object ? std::get<Object*>(value_) : nullptr;
}

AnsiString VarToStr(const Variant& value) {
    if (value.IsNull() || value.Type() == VarType::Object)
        return "";
    return value.ToAnsi();
}

WideString VarToWideStr(const Variant& value) {
    if (value.IsNull() || value.Type() == VarType::Object)
        return u"";
    return value.ToWide();
}

namespace {

template <typename T>
std::strong_ordering Order(const T& a, const T& b) {
    if (a < b)
        return std::strong_ordering::less;
    if (b < a)
        return std::strong_ordering::greater;
    return std::strong_ordering::equal;
}

std::strong_ordering OrderDoubles(double a, double b) {
    // NaN sorts after every number, equal to itself, so the order stays total.
    bool na = std::isnan(a), nb = std::isnan(b);
    if (na || nb)
        return Order(na, nb);
    return Order(a, b);
}

std::strong_ordering CompareTexts(const Variant& a, const Variant& b) {
    if (a.Type() == VarType::String && b.Type() == VarType::String)
        return Order(a.AnsiValue(), b.AnsiValue());
    return Order(a.ToWide(), b.ToWide());
}

std::strong_ordering CompareNumbers(const Variant& a, const Variant& b) {
    bool integral = (a.IsOrdinal() || a.Type() == VarType::Boolean) &&
                    (b.IsOrdinal() || b.Type() == VarType::Boolean);
    if (integral)
        return Order(a.ToInt64(), b.ToInt64());
    if (a.Type() == VarType::Currency && b.Type() == VarType::Currency)
        return Order(a.ToCurrency().Scaled, b.ToCurrency().Scaled);
    return OrderDoubles(a.ToDouble(), b.ToDouble());
}

// A rank that orders values of kinds that cannot be compared with each other.
int KindRank(const Variant& v) {
    if (v.IsNull())
        return 0;
    if (v.Type() == VarType::Object)
        return 3;
    if (v.IsString())
        return 2;
    return 1;
}

} // namespace

std::strong_ordering VarCompare(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull() || a.Type() == VarType::Object || b.Type() == VarType::Object) {
        if (KindRank(a) != KindRank(b))
            return Order(KindRank(a), KindRank(b));
        if (a.IsNull())
            return std::strong_ordering::equal;
        return Order(a.ToObject(), b.ToObject());
    }
    // Empty takes the kind of the other side: 0 against a number, "" against a text.
    if (a.IsEmpty() && b.IsEmpty())
        return std::strong_ordering::equal;
    bool aText = a.IsString() || (a.IsEmpty() && b.IsString());
    bool bText = b.IsString() || (b.IsEmpty() && a.IsString());
    if (aText && bText)
        return CompareTexts(a.IsEmpty() ? Variant("") : a, b.IsEmpty() ? Variant("") : b);
    if (aText || bText) {
        const Variant& text = aText ? a : b;
        auto number = TryStrToFloat(text.ToAnsi());
        if (!number) {
            // Not a number: compare the texts, the number written as text.
            return aText ? CompareTexts(a, Variant(b.ToAnsi()))
                         : CompareTexts(Variant(a.ToAnsi()), b);
        }
        return aText ? CompareNumbers(Variant(*number), b) : CompareNumbers(a, Variant(*number));
    }
    return CompareNumbers(a, b);
}

bool VarEquals(const Variant& a, const Variant& b) {
    return VarCompare(a, b) == 0;
}

} // namespace kanvo
