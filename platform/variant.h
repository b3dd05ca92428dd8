// The report's one value type: database fields, expression results, report
// variables and script values are all Variants.
//
// Null is a value of its own: it equals only Null and sorts below every other
// value. Empty (never assigned) reads as 0, "" or False and compares like them.
// Converting Null into a number or a text with the strict conversions raises
// EVariantError; VarToStr gives "" instead.
#pragma once

#include "platform/date_time.h"
#include "platform/exception.h"
#include "platform/object.h"
#include "platform/text_types.h"

#include <compare>
#include <cstdint>
#include <variant>

namespace kanvo {

// A fixed-point number with four decimals, as the currency type of the
// run-time library (the value times 10000 in 64 bits).
struct Currency {
    int64_t Scaled = 0;

    static Currency FromDouble(double value); // rounds half to even
    double ToDouble() const { return static_cast<double>(Scaled) / 10000.0; }
    friend auto operator<=>(Currency, Currency) = default;
};

// "1234,5" with the locale's separator, no trailing zeros, at most 4 decimals.
AnsiString CurrToStr(Currency value, const FormatSettings& settings = ProcessFormatSettings());

enum class VarType {
    Empty,
    Null,
    Integer, // 32-bit
    Int64,
    Double,
    Currency,
    Date,
    Boolean,
    String,  // 8-bit text in the process code page
    UString, // UTF-16 text
    Object,
};

// The name a conversion error gives a type: "Null", "Integer", "String" ...
const char* VarTypeName(VarType type);

class Variant {
public:
    Variant() = default; // Empty
    Variant(int value) : type_(VarType::Integer), value_(int64_t{value}) {}
    Variant(int64_t value) : type_(VarType::Int64), value_(value) {}
    Variant(double value) : type_(VarType::Double), value_(value) {}
    Variant(bool value) : type_(VarType::Boolean), value_(int64_t{value}) {}
    Variant(Currency value) : type_(VarType::Currency), value_(value.Scaled) {}
    Variant(const char* text) : type_(VarType::String), value_(AnsiString(text)) {}
    Variant(AnsiString text) : type_(VarType::String), value_(std::move(text)) {}
    Variant(std::string_view text) : type_(VarType::String), value_(AnsiString(text)) {}
    Variant(const char16_t* text) : type_(VarType::UString), value_(WideString(text)) {}
    Variant(WideString text) : type_(VarType::UString), value_(std::move(text)) {}
    Variant(Object* object) : type_(VarType::Object), value_(object) {}
    Variant(std::nullptr_t) = delete; // say Variant::Null() or Variant()

    static Variant Null();
    static Variant FromDate(TDateTime value);

    VarType Type() const { return type_; }
    bool IsNull() const { return type_ == VarType::Null; }
    bool IsEmpty() const { return type_ == VarType::Empty; }
    bool IsNullOrEmpty() const { return IsNull() || IsEmpty(); }
    bool IsString() const { return type_ == VarType::String || type_ == VarType::UString; }
    // Integer, Int64, Double, Currency or Date.
    bool IsNumeric() const;
    bool IsOrdinal() const { return type_ == VarType::Integer || type_ == VarType::Int64; }
    bool IsFloat() const {
        return type_ == VarType::Double || type_ == VarType::Currency || type_ == VarType::Date;
    }

    // Strict conversions, as a typecast of the run-time library: Null and
    // texts that do not read as the asked type raise EVariantError.
    AnsiString ToAnsi() const;
    WideString ToWide() const;
    int64_t ToInt64() const; // floats round half to even; True is -1
    int32_t ToInt32() const;
    double ToDouble() const;
    Currency ToCurrency() const;
    TDateTime ToDate() const;
    bool ToBool() const;
    Object* ToObject() const; // nullptr for anything but an object

    // The stored value without conversion (the caller checks Type()).
    const AnsiString& AnsiValue() const { return std::get<AnsiString>(value_); }
    const WideString& WideValue() const { return std::get<WideString>(value_); }

private:
    [[noreturn]] void CannotConvert(VarType to) const;

    VarType type_ = VarType::Empty;
    std::variant<std::monostate, int64_t, double, AnsiString, WideString, Object*> value_;
};

// Text of any value; Null and Empty give "".
AnsiString VarToStr(const Variant& value);
WideString VarToWideStr(const Variant& value);

// Equality and order of two values. Null equals only Null and sorts first.
// Two texts compare by their characters (case-sensitive); a text and a number
// compare as numbers when the text reads as one, otherwise as texts; numbers
// compare by value whatever their types.
bool VarEquals(const Variant& a, const Variant& b);
std::strong_ordering VarCompare(const Variant& a, const Variant& b);

inline bool operator==(const Variant& a, const Variant& b) {
    return VarEquals(a, b);
}
inline std::strong_ordering operator<=>(const Variant& a, const Variant& b) {
    return VarCompare(a, b);
}

} // namespace kanvo
