// The standard library every script sees: conversions, texts, dates and
// arithmetic with the run-time library's semantics and the process locale.
// Nothing here reaches files, the network or other processes.
#include "platform/code_page.h"
#include "script/format_float.h"
#include "script/script.h"
#include "script/script_nodes.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace kanvo {
namespace {

using Args = std::vector<Variant>;

AnsiString Str(const Variant& v) {
    return v.IsNull() ? AnsiString() : v.ToAnsi();
}
int64_t Int(const Variant& v) {
    return v.ToInt64();
}
double Dbl(const Variant& v) {
    return v.ToDouble();
}

Variant IntValue(int64_t n) {
    if (n >= INT32_MIN && n <= INT32_MAX)
        return Variant(static_cast<int>(n));
    return Variant(n);
}

[[noreturn]] void ConvertError(const AnsiString& message) {
    throw EConvertError(message);
}

AnsiString Trim(std::string_view s, bool left, bool right) {
    size_t a = 0, b = s.size();
    if (left)
        while (a < b && static_cast<unsigned char>(s[a]) <= ' ')
            ++a;
    if (right)
        while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ')
            --b;
    return AnsiString(s.substr(a, b - a));
}

AnsiString AsciiCase(AnsiString s, bool upper) {
    for (char& c : s) {
        if (upper && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
        else if (!upper && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return s;
}

// Copy(S, Index, Count) with 1-based Index; out-of-range parts are cut off.
AnsiString CopyText(const AnsiString& s, int64_t index, int64_t count) {
    if (index < 1)
        index = 1;
    if (index > static_cast<int64_t>(s.size()) || count <= 0)
        return "";
    size_t from = static_cast<size_t>(index - 1);
    size_t n = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(s.size() - from)));
    return s.substr(from, n);
}

TDateTime DateArg(const Variant& v) {
    return v.ToDate();
}

TDateTime IncMonths(TDateTime value, int64_t months) {
    DateParts d = DecodeDate(value);
    int64_t total = static_cast<int64_t>(d.Year) * 12 + (d.Month - 1) + months;
    int year = static_cast<int>(total / 12), month = static_cast<int>(total % 12) + 1;
    if (month <= 0)
        month += 12, --year;
    int day = std::min(d.Day, DaysInMonth(year, month));
    double time = value - std::trunc(value);
    TDateTime date = EncodeDate(year, month, day);
    return date + (date < 0 ? -std::fabs(time) : std::fabs(time));
}

// Format(Fmt, [Args]): each directive takes the next array item.
AnsiString FormatArray(const AnsiString& fmt, const Variant& arr) {
    std::vector<Variant> items;
    if (auto* a = dynamic_cast<ScriptArray*>(arr.ToObject()))
        items = a->Items;
    else if (!arr.IsEmpty())
        items.push_back(arr);
    AnsiString out;
    size_t next = 0, i = 0;
    while (i < fmt.size()) {
        size_t pct = fmt.find('%', i);
        if (pct == AnsiString::npos) {
            out += fmt.substr(i);
            break;
        }
        out += fmt.substr(i, pct - i);
        if (pct + 1 < fmt.size() && fmt[pct + 1] == '%') {
            out += '%';
            i = pct + 2;
            continue;
        }
        size_t k = pct + 1;
        while (k < fmt.size() &&
               (fmt[k] == '-' || fmt[k] == '.' || (fmt[k] >= '0' && fmt[k] <= '9')))
            ++k;
        if (k >= fmt.size())
            throw EConvertError("Format '" + fmt + "' invalid or incompatible with argument");
        AnsiString directive = fmt.substr(pct, k - pct + 1);
        char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(fmt[k])));
        if (next >= items.size())
            throw EConvertError("Format '" + fmt + "' invalid or incompatible with argument");
        const Variant& v = items[next++];
        try {
            if (kind == 's')
                out += Format(directive, {Str(v)});
            else if (kind == 'd' || kind == 'u' || kind == 'x')
                out += Format(directive, {static_cast<long long>(v.ToInt64())});
            else
                out += Format(directive, {v.ToDouble()});
        } catch (const EVariantError&) {
            throw EConvertError("Format '" + fmt + "' invalid or incompatible with argument");
        }
        i = k + 1;
    }
    return out;
}

int ReplaceFlags(const Variant& flags) {
    int bits = 0;
    if (auto* a = dynamic_cast<ScriptArray*>(flags.ToObject())) {
        for (auto& item : a->Items)
            bits |= static_cast<int>(item.ToInt64());
    } else if (!flags.IsNullOrEmpty()) {
        bits = static_cast<int>(flags.ToInt64());
    }
    return bits;
}

AnsiString Replace(const AnsiString& s, const AnsiString& from, const AnsiString& to, int flags) {
    if (from.empty())
        return s;
    bool all = flags & 1, ignoreCase = flags & 2;
    AnsiString hay = ignoreCase ? AnsiUpperCase(s) : s;
    AnsiString needle = ignoreCase ? AnsiUpperCase(from) : from;
    AnsiString out;
    size_t i = 0;
    for (;;) {
        size_t at = hay.find(needle, i);
        if (at == AnsiString::npos)
            break;
        out += s.substr(i, at - i);
        out += to;
        i = at + from.size();
        if (!all)
            break;
    }
    out += s.substr(i);
    return out;
}

void Register(TfsScript& lib) {
    auto add = [&](const char* decl, std::function<Variant(Args&)> fn) {
        lib.AddMethod(decl, [fn = std::move(fn)](const AnsiString&, Args& a) { return fn(a); });
    };
    lib.AddConst("True", Variant(true));
    lib.AddConst("False", Variant(false));
    lib.AddConst("nil", Variant(static_cast<Object*>(nullptr)));
    lib.AddConst("Null", Variant::Null());
    lib.AddConst("Unassigned", Variant());
    lib.AddConst("Pi", Variant(3.14159265358979323846));
    lib.AddConst("MaxInt", Variant(2147483647));
    lib.AddConst("rfReplaceAll", Variant(1));
    lib.AddConst("rfIgnoreCase", Variant(2));
    lib.AddConst("CR", Variant("\r"));
    lib.AddConst("LF", Variant("\n"));
    lib.AddConst("CRLF", Variant("\r\n"));

    // conversions
    add("function IntToStr(I: Int64): String",
        [](Args& a) { return Variant(std::to_string(Int(a[0]))); });
    add("function StrToInt(S: String): Integer", [](Args& a) {
        auto n = TryStrToInt64(Str(a[0]));
        if (!n)
            ConvertError("'" + Str(a[0]) + "' is not a valid integer value");
        return IntValue(*n);
    });
    add("function StrToIntDef(S: String; Default: Integer): Integer", [](Args& a) {
        auto n = TryStrToInt64(Str(a[0]));
        return n ? IntValue(*n) : a[1];
    });
    add("function IntToHex(Value: Int64; Digits: Integer = 1): String", [](Args& a) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%0*llX",
                      static_cast<int>(std::clamp<int64_t>(Int(a[1]), 0, 16)),
                      static_cast<unsigned long long>(Int(a[0])));
        return Variant(AnsiString(buf));
    });
    add("function FloatToStr(E: Extended): String",
        [](Args& a) { return Variant(FloatToStr(Dbl(a[0]))); });
    add("function StrToFloat(S: String): Extended", [](Args& a) {
        auto d = TryStrToFloat(Str(a[0]));
        if (!d)
            ConvertError("'" + Str(a[0]) + "' is not a valid floating point value");
        return Variant(*d);
    });
    add("function StrToFloatDef(S: String; Default: Extended): Extended", [](Args& a) {
        auto d = TryStrToFloat(Str(a[0]));
        return d ? Variant(*d) : Variant(Dbl(a[1]));
    });
    add("function FormatFloat(Fmt: String; Value: Extended): String",
        [](Args& a) { return Variant(FormatFloat(Str(a[0]), Dbl(a[1]))); });
    add("function Format(Fmt: String; Args: array of const): String",
        [](Args& a) { return Variant(FormatArray(Str(a[0]), a[1])); });
    add("function BoolToStr(B: Boolean; UseBoolStrs: Boolean = False): String", [](Args& a) {
        bool b = a[0].ToBool();
        return Variant(a[1].ToBool() ? (b ? "True" : "False") : (b ? "-1" : "0"));
    });
    add("function StrToBool(S: String): Boolean",
        [](Args& a) { return Variant(Variant(Str(a[0])).ToBool()); });
    add("function VarToStr(V: Variant): String", [](Args& a) { return Variant(VarToStr(a[0])); });
    add("function VarIsNull(V: Variant): Boolean", [](Args& a) { return Variant(a[0].IsNull()); });
    add("function VarIsEmpty(V: Variant): Boolean",
        [](Args& a) { return Variant(a[0].IsEmpty()); });
    add("function VarToInt(V: Variant): Integer", [](Args& a) { return IntValue(a[0].ToInt64()); });

    // dates
    add("function Date: TDateTime", [](Args&) { return Variant::FromDate(Today()); });
    add("function Time: TDateTime", [](Args&) {
        TDateTime now = Now();
        return Variant::FromDate(now - std::trunc(now));
    });
    add("function Now: TDateTime", [](Args&) { return Variant::FromDate(Now()); });
    add("function FormatDateTime(Fmt: String; DateTime: TDateTime): String",
        [](Args& a) { return Variant(FormatDateTime(Str(a[0]), DateArg(a[1]))); });
    add("function DateToStr(D: TDateTime): String",
        [](Args& a) { return Variant(DateToStr(DateArg(a[0]))); });
    add("function TimeToStr(T: TDateTime): String",
        [](Args& a) { return Variant(TimeToStr(DateArg(a[0]))); });
    add("function DateTimeToStr(DT: TDateTime): String",
        [](Args& a) { return Variant(DateTimeToStr(DateArg(a[0]))); });
    add("function StrToDate(S: String): TDateTime", [](Args& a) {
        auto d = TryStrToDateTime(Str(a[0]));
        if (!d)
            ConvertError("'" + Str(a[0]) + "' is not a valid date");
        return Variant::FromDate(std::trunc(*d));
    });
    add("function StrToTime(S: String): TDateTime", [](Args& a) {
        auto d = TryStrToTime(Str(a[0]));
        if (!d)
            ConvertError("'" + Str(a[0]) + "' is not a valid time");
        return Variant::FromDate(*d);
    });
    add("function StrToDateTime(S: String): TDateTime", [](Args& a) {
        auto d = TryStrToDateTime(Str(a[0]));
        if (!d)
            ConvertError("'" + Str(a[0]) + "' is not a valid date and time");
        return Variant::FromDate(*d);
    });
    add("function EncodeDate(Year, Month, Day: Word): TDateTime", [](Args& a) {
        return Variant::FromDate(EncodeDate(
            static_cast<int>(Int(a[0])), static_cast<int>(Int(a[1])), static_cast<int>(Int(a[2]))));
    });
    add("function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", [](Args& a) {
        return Variant::FromDate(
            EncodeTime(static_cast<int>(Int(a[0])), static_cast<int>(Int(a[1])),
                       static_cast<int>(Int(a[2])), static_cast<int>(Int(a[3]))));
    });
    add("procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", [](Args& a) {
        DateParts d = DecodeDate(DateArg(a[0]));
        a[1] = Variant(d.Year), a[2] = Variant(d.Month), a[3] = Variant(d.Day);
        return Variant();
    });
    add("procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)", [](Args& a) {
        TimeParts t = DecodeTime(DateArg(a[0]));
        a[1] = Variant(t.Hour), a[2] = Variant(t.Minute), a[3] = Variant(t.Second),
        a[4] = Variant(t.Millisecond);
        return Variant();
    });
    add("function IncMonth(Date: TDateTime; NumberOfMonths: Integer = 1): TDateTime",
        [](Args& a) { return Variant::FromDate(IncMonths(DateArg(a[0]), Int(a[1]))); });
    add("function IncDay(Date: TDateTime; NumberOfDays: Integer = 1): TDateTime",
        [](Args& a) { return Variant::FromDate(DateArg(a[0]) + static_cast<double>(Int(a[1]))); });
    add("function DayOf(Date: TDateTime): Integer",
        [](Args& a) { return Variant(DecodeDate(DateArg(a[0])).Day); });
    add("function MonthOf(Date: TDateTime): Integer",
        [](Args& a) { return Variant(DecodeDate(DateArg(a[0])).Month); });
    add("function YearOf(Date: TDateTime): Integer",
        [](Args& a) { return Variant(DecodeDate(DateArg(a[0])).Year); });
    add("function DayOfWeek(Date: TDateTime): Integer",
        [](Args& a) { return Variant(DayOfWeek(DateArg(a[0]))); });
    add("function IsLeapYear(Year: Word): Boolean",
        [](Args& a) { return Variant(IsLeapYear(static_cast<int>(Int(a[0])))); });
    add("function DaysInMonth(Date: TDateTime): Integer", [](Args& a) {
        DateParts d = DecodeDate(DateArg(a[0]));
        return Variant(DaysInMonth(d.Year, d.Month));
    });

    // texts
    add("function Length(S: Variant): Integer", [](Args& a) {
        if (a[0].Type() == VarType::UString)
            return Variant(static_cast<int>(a[0].WideValue().size()));
        return Variant(static_cast<int>(Str(a[0]).size()));
    });
    add("function Copy(S: String; Index, Count: Integer = 2147483647): String",
        [](Args& a) { return Variant(CopyText(Str(a[0]), Int(a[1]), Int(a[2]))); });
    add("function Pos(SubStr, S: String): Integer", [](Args& a) {
        AnsiString sub = Str(a[0]), s = Str(a[1]);
        if (sub.empty())
            return Variant(0);
        size_t at = s.find(sub);
        return Variant(at == AnsiString::npos ? 0 : static_cast<int>(at) + 1);
    });
    add("procedure Delete(var S: String; Index, Count: Integer)", [](Args& a) {
        AnsiString s = Str(a[0]);
        int64_t index = Int(a[1]), count = Int(a[2]);
        if (index >= 1 && index <= static_cast<int64_t>(s.size()) && count > 0)
            s.erase(static_cast<size_t>(index - 1), static_cast<size_t>(count));
        a[0] = Variant(s);
        return Variant();
    });
    add("procedure Insert(Source: String; var S: String; Index: Integer)", [](Args& a) {
        AnsiString s = Str(a[1]);
        int64_t index = std::clamp<int64_t>(Int(a[2]), 1, static_cast<int64_t>(s.size()) + 1);
        s.insert(static_cast<size_t>(index - 1), Str(a[0]));
        a[1] = Variant(s);
        return Variant();
    });
    add("function Trim(S: String): String",
        [](Args& a) { return Variant(Trim(Str(a[0]), true, true)); });
    add("function TrimLeft(S: String): String",
        [](Args& a) { return Variant(Trim(Str(a[0]), true, false)); });
    add("function TrimRight(S: String): String",
        [](Args& a) { return Variant(Trim(Str(a[0]), false, true)); });
    add("function UpperCase(S: String): String",
        [](Args& a) { return Variant(AsciiCase(Str(a[0]), true)); });
    add("function LowerCase(S: String): String",
        [](Args& a) { return Variant(AsciiCase(Str(a[0]), false)); });
    add("function AnsiUpperCase(S: String): String",
        [](Args& a) { return Variant(AnsiUpperCase(Str(a[0]))); });
    add("function AnsiLowerCase(S: String): String",
        [](Args& a) { return Variant(AnsiLowerCase(Str(a[0]))); });
    add("function CompareText(S1, S2: String): Integer", [](Args& a) {
        AnsiString x = AsciiCase(Str(a[0]), true), y = AsciiCase(Str(a[1]), true);
        return Variant(x < y ? -1 : x > y ? 1 : 0);
    });
    add("function SameText(S1, S2: String): Boolean",
        [](Args& a) { return Variant(SameTextAscii(Str(a[0]), Str(a[1]))); });
    add("function AnsiCompareText(S1, S2: String): Integer", [](Args& a) {
        int r = AnsiCompareText(Str(a[0]), Str(a[1]));
        return Variant(r < 0 ? -1 : r > 0 ? 1 : 0);
    });
    add("function StringReplace(S, OldPattern, NewPattern: String; Flags: Variant = 0): String",
        [](Args& a) {
            return Variant(Replace(Str(a[0]), Str(a[1]), Str(a[2]), ReplaceFlags(a[3])));
        });
    add("function StringOfChar(Ch: Char; Count: Integer): String", [](Args& a) {
        AnsiString c = Str(a[0]);
        int64_t n = std::clamp<int64_t>(Int(a[1]), 0, 1 << 24);
        return Variant(AnsiString(static_cast<size_t>(n), c.empty() ? ' ' : c[0]));
    });
    add("function QuotedStr(S: String): String", [](Args& a) {
        AnsiString out = "'";
        for (char c : Str(a[0]))
            out += c == '\'' ? AnsiString("''") : AnsiString(1, c);
        return Variant(out + "'");
    });
    add("function Chr(X: Byte): Char", [](Args& a) {
        int64_t n = Int(a[0]);
        if (n < 0 || n > 255)
            throw Exception("Chr: " + std::to_string(n) + " is not a character code (0..255)");
        return Variant(AnsiString(1, static_cast<char>(n)));
    });
    add("function Ord(X: Variant): Integer", [](Args& a) {
        if (a[0].IsString()) {
            AnsiString s = Str(a[0]);
            if (s.size() != 1)
                throw Exception("Ord needs one character, not '" + s + "'");
            return Variant(static_cast<int>(static_cast<unsigned char>(s[0])));
        }
        if (a[0].Type() == VarType::Boolean)
            return Variant(a[0].ToBool() ? 1 : 0);
        return IntValue(Int(a[0]));
    });

    // arithmetic
    add("function Round(X: Extended): Int64",
        [](Args& a) { return IntValue(static_cast<int64_t>(std::nearbyint(Dbl(a[0])))); });
    add("function Trunc(X: Extended): Int64",
        [](Args& a) { return IntValue(static_cast<int64_t>(std::trunc(Dbl(a[0])))); });
    add("function Int(X: Extended): Extended",
        [](Args& a) { return Variant(std::trunc(Dbl(a[0]))); });
    add("function Frac(X: Extended): Extended", [](Args& a) {
        double x = Dbl(a[0]);
        return Variant(x - std::trunc(x));
    });
    add("function Abs(X: Variant): Variant", [](Args& a) {
        if (a[0].IsOrdinal())
            return IntValue(std::llabs(Int(a[0])));
        return Variant(std::fabs(Dbl(a[0])));
    });
    add("function Sqrt(X: Extended): Extended", [](Args& a) {
        double x = Dbl(a[0]);
        if (x < 0)
            throw Exception("Invalid floating point operation");
        return Variant(std::sqrt(x));
    });
    add("function Sqr(X: Variant): Variant",
        [](Args& a) { return VarBinary(ScriptOp::Mul, a[0], a[0]); });
    add("function Power(Base, Exponent: Extended): Extended",
        [](Args& a) { return Variant(std::pow(Dbl(a[0]), Dbl(a[1]))); });
    add("function Exp(X: Extended): Extended",
        [](Args& a) { return Variant(std::exp(Dbl(a[0]))); });
    add("function Ln(X: Extended): Extended", [](Args& a) {
        double x = Dbl(a[0]);
        if (x <= 0)
            throw Exception("Invalid floating point operation");
        return Variant(std::log(x));
    });
    add("function Sin(X: Extended): Extended",
        [](Args& a) { return Variant(std::sin(Dbl(a[0]))); });
    add("function Cos(X: Extended): Extended",
        [](Args& a) { return Variant(std::cos(Dbl(a[0]))); });
    add("function ArcTan(X: Extended): Extended",
        [](Args& a) { return Variant(std::atan(Dbl(a[0]))); });
    add("function Min(A, B: Variant): Variant",
        [](Args& a) { return VarCompare(a[1], a[0]) < 0 ? a[1] : a[0]; });
    add("function Max(A, B: Variant): Variant",
        [](Args& a) { return VarCompare(a[1], a[0]) > 0 ? a[1] : a[0]; });
    add("function Odd(X: Int64): Boolean", [](Args& a) { return Variant((Int(a[0]) & 1) != 0); });
    add("procedure Inc(var X: Variant; N: Integer = 1)", [](Args& a) {
        a[0] = VarBinary(ScriptOp::Add, a[0].IsEmpty() ? Variant(0) : a[0], a[1]);
        return Variant();
    });
    add("procedure Dec(var X: Variant; N: Integer = 1)", [](Args& a) {
        a[0] = VarBinary(ScriptOp::Sub, a[0].IsEmpty() ? Variant(0) : a[0], a[1]);
        return Variant();
    });

    // messages
    add("procedure ShowMessage(Msg: Variant)", [](Args& a) {
        if (TfsScript* caller = CurrentScript())
            caller->ShowMessage(VarToStr(a[0]));
        return Variant();
    });
    add("function ExceptionMessage: String",
        [](Args&) { return Variant(ScriptExceptionMessage()); });
}

} // namespace

void RegisterScriptStandardLibrary(TfsScript& system) {
    Register(system);
}

namespace {
TfsScript* systemScope = nullptr;
thread_local TfsScript* currentScript = nullptr;
} // namespace

bool IsSystemScope(const TfsScript* script) {
    return script == systemScope;
}

TfsScript& ScriptSystemScope() {
    // Never freed: the library lives as long as the process.
    static TfsScript* system = [] {
        auto* s = new TfsScript();
        systemScope = s;
        Register(*s);
        return s;
    }();
    return *system;
}

TfsScript* CallingScript() {
    return currentScript;
}

TfsScript* CurrentScript() {
    return currentScript;
}

ScopedCurrentScript::ScopedCurrentScript(TfsScript* script) : saved_(currentScript) {
    currentScript = script;
}
ScopedCurrentScript::~ScopedCurrentScript() {
    currentScript = saved_;
}

} // namespace kanvo
