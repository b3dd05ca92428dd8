#include "platform/code_page.h"

#include "platform/exception.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <cwctype>
#include <iconv.h>
#include <locale.h>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace kanvo {
namespace {

std::atomic<int> gProcessCodePage{kDefaultCodePage};

struct CodePageName {
    int codePage;
    const char* iconvName;
    bool singleByte;
};

constexpr CodePageName kCodePages[] = {
    {874, "CP874", true},    {1250, "CP1250", true},  {1251, "CP1251", true},
    {1252, "CP1252", true},  {1253, "CP1253", true},  {1254, "CP1254", true},
    {1255, "CP1255", true},  {1256, "CP1256", true},  {1257, "CP1257", true},
    {1258, "CP1258", true},  {932, "CP932", false},   {936, "CP936", false},
    {949, "CP949", false},   {950, "CP950", false},   {1361, "CP1361", false},
    {65001, "UTF-8", false},
};

const CodePageName* FindCodePage(int codePage) {
    for (const auto& entry : kCodePages)
        if (entry.codePage == codePage)
            return &entry;
    return nullptr;
}

const CodePageName& RequireCodePage(int codePage) {
    const CodePageName* entry = FindCodePage(codePage);
    if (!entry)
        throw Exception(Format("Unsupported code page %d", {codePage}));
    return *entry;
}

// One converter, opened on first use; iconv_t is not thread-safe, so each
// thread keeps its own.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw Exception(Format("Cannot convert from %s to %s", {from, to}));
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; at an invalid or unconvertible input sequence of
    // `inStep` bytes, writes `replacement` and goes on.
    std::string Run(std::string_view in, size_t inStep, std::string_view replacement) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        out.resize(in.size() * 2 + 16);
        char* inPtr = const_cast<char*>(in.data());
        size_t inLeft = in.size();
        size_t used = 0;
        while (inLeft > 0) {
            char* outPtr = out.data() + used;
            size_t outLeft = out.size() - used;
            size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            used = out.size() - outLeft;
            if (rc != static_cast<size_t>(-1))
                break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            // EILSEQ or EINVAL (truncated input): replace and skip.
            size_t skip = std::min(inStep, inLeft);
            if (inStep == 2 && inLeft >= 4) {
                auto hi = static_cast<unsigned char>(inPtr[1]);
                if (hi >= 0xD8 && hi <= 0xDB)
                    skip = 4; // a surrogate pair is one character
            }
            inPtr += skip;
            inLeft -= skip;
            if (out.size() - used < replacement.size() + 16)
                out.resize(out.size() * 2 + replacement.size());
            if (!replacement.empty())
                std::memcpy(out.data() + used, replacement.data(), replacement.size());
            used += replacement.size();
        }
        // Flush any shift state.
        for (;;) {
            char* outPtr = out.data() + used;
            size_t outLeft = out.size() - used;
            size_t rc = iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
            used = out.size() - outLeft;
            if (rc != static_cast<size_t>(-1) || errno != E2BIG)
                break;
            out.resize(out.size() * 2);
        }
        out.resize(used);
        return out;
    }

private:
    iconv_t cd_;
};

Converter& ThreadConverter(int codePage, bool toWide) {
    thread_local std::map<std::pair<int, bool>, std::unique_ptr<Converter>> cache;
    auto& slot = cache[{codePage, toWide}];
    if (!slot) {
        const char* name = RequireCodePage(codePage).iconvName;
        slot = toWide ? std::make_unique<Converter>("UTF-16LE", name)
                      : std::make_unique<Converter>(name, "UTF-16LE");
    }
    return *slot;
}

std::string WideBytes(std::u16string_view text) {
    std::string bytes(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

WideString FromWideBytes(std::string_view bytes) {
    WideString text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

locale_t Utf8Locale() {
    static locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        if (!l)
            l = newlocale(LC_CTYPE_MASK, "C.utf8", nullptr);
        return l;
    }();
    return locale;
}

char16_t UnicodeUpper(char16_t c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 32) : c;
    if (c >= 0xD800 && c <= 0xDFFF)
        return c;
    if (locale_t l = Utf8Locale()) {
        wint_t u = towupper_l(c, l);
        return u <= 0xFFFF ? static_cast<char16_t>(u) : c;
    }
    return c;
}

char16_t UnicodeLower(char16_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
    if (c >= 0xD800 && c <= 0xDFFF)
        return c;
    if (locale_t l = Utf8Locale()) {
        wint_t u = towlower_l(c, l);
        return u <= 0xFFFF ? static_cast<char16_t>(u) : c;
    }
    return c;
}

// The tables of one single-byte code page: byte -> UTF-16, UTF-16 -> byte,
// and the two case tables.
struct SingleByteTables {
    std::array<char16_t, 256> toWide{};
    std::vector<int16_t> fromWide = std::vector<int16_t>(65536, -1);
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};

    explicit SingleByteTables(int codePage) {
        Converter conv("UTF-16LE", RequireCodePage(codePage).iconvName);
        for (int b = 0; b < 256; ++b) {
            char byte = static_cast<char>(b);
            std::string out = conv.Run(std::string_view(&byte, 1), 1, std::string_view());
            // A byte the code page leaves undefined maps to the C1 control of the
            // same value, as Windows does; so every byte survives a round trip.
            char16_t w = out.size() == 2 ? FromWideBytes(out)[0] : static_cast<char16_t>(b);
            toWide[b] = w;
        }
        for (int b = 255; b >= 0; --b)
            fromWide[toWide[b]] = static_cast<int16_t>(b);
        for (int b = 0; b < 256; ++b) {
            upper[b] = lower[b] = static_cast<unsigned char>(b);
            if (int16_t up = fromWide[UnicodeUpper(toWide[b])]; up >= 0)
                upper[b] = static_cast<unsigned char>(up);
            if (int16_t low = fromWide[UnicodeLower(toWide[b])]; low >= 0)
                lower[b] = static_cast<unsigned char>(low);
        }
    }
};

const SingleByteTables& TablesFor(int codePage) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<SingleByteTables>> tables;
    std::lock_guard lock(mutex);
    auto& slot = tables[codePage];
    if (!slot)
        slot = std::make_unique<SingleByteTables>(codePage);
    return *slot;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

AnsiString MapCase(std::string_view text, int codePage, bool upper) {
    AnsiString result(text);
    if (IsSingleByteCodePage(codePage)) {
        const auto& tables = TablesFor(codePage);
        const auto& map = upper ? tables.upper : tables.lower;
        for (char& c : result)
            c = static_cast<char>(map[static_cast<unsigned char>(c)]);
        return result;
    }
    RequireCodePage(codePage);
    // Multi-byte: ASCII letters only, and never a trail byte of a double-byte
    // character, so only bytes below 0x80 outside lead/trail pairs change.
    for (size_t i = 0; i < result.size(); ++i) {
        auto c = static_cast<unsigned char>(result[i]);
        if (c >= 0x80 && codePage != 65001) {
            ++i; // skip the trail byte
            continue;
        }
        if (upper && c >= 'a' && c <= 'z')
            result[i] = static_cast<char>(c - 32);
        else if (!upper && c >= 'A' && c <= 'Z')
            result[i] = static_cast<char>(c + 32);
    }
    return result;
}

} // namespace

int ProcessCodePage() { return gProcessCodePage.load(std::memory_order_relaxed); }

void SetProcessCodePage(int codePage) {
    RequireCodePage(codePage);
    gProcessCodePage.store(codePage, std::memory_order_relaxed);
}

bool IsSupportedCodePage(int codePage) { return FindCodePage(codePage) != nullptr; }

bool IsSingleByteCodePage(int codePage) {
    const CodePageName* entry = FindCodePage(codePage);
    return entry && entry->singleByte;
}

const char* IconvName(int codePage) {
    const CodePageName* entry = FindCodePage(codePage);
    return entry ? entry->iconvName : "";
}

WideString AnsiToWide(std::string_view text, int codePage) {
    if (IsSingleByteCodePage(codePage)) {
        const auto& tables = TablesFor(codePage);
        WideString result(text.size(), u'\0');
        for (size_t i = 0; i < text.size(); ++i)
            result[i] = tables.toWide[static_cast<unsigned char>(text[i])];
        return result;
    }
    if (codePage == 65001)
        return Utf8ToWide(text);
    return FromWideBytes(ThreadConverter(codePage, true).Run(text, 1, "\xFD\xFF"));
}

AnsiString WideToAnsi(std::u16string_view text, int codePage) {
    if (IsSingleByteCodePage(codePage)) {
        const auto& tables = TablesFor(codePage);
        AnsiString result;
        result.reserve(text.size());
        for (size_t i = 0; i < text.size(); ++i) {
            char16_t c = text[i];
            if (int16_t b = tables.fromWide[c]; b >= 0) {
                result += static_cast<char>(b);
                continue;
            }
            result += '?';
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF)
                ++i; // one '?' for the whole surrogate pair
        }
        return result;
    }
    if (codePage == 65001)
        return WideToUtf8(text);
    return ThreadConverter(codePage, false).Run(WideBytes(text), 2, "?");
}

WideString Utf8ToWide(std::string_view text) {
    WideString out;
    out.reserve(text.size());
    size_t i = 0;
    auto byteAt = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    while (i < text.size()) {
        unsigned char c = byteAt(i);
        char32_t cp;
        size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if (c >= 0xC2 && c <= 0xDF) {
            cp = c & 0x1F;
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            cp = c & 0x0F;
            len = 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            cp = c & 0x07;
            len = 4;
        } else {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        bool valid = i + len <= text.size();
        for (size_t k = 1; valid && k < len; ++k) {
            unsigned char t = byteAt(i + k);
            if ((t & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (t & 0x3F);
        }
        if (valid && ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
                      (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))))
            valid = false;
        if (!valid) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::string WideToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string AnsiToUtf8(std::string_view text, int codePage) {
    if (codePage == 65001)
        return std::string(text);
    return WideToUtf8(AnsiToWide(text, codePage));
}

AnsiString Utf8ToAnsi(std::string_view text, int codePage) {
    if (codePage == 65001)
        return AnsiString(text);
    return WideToAnsi(Utf8ToWide(text), codePage);
}

AnsiString AnsiUpperCase(std::string_view text, int codePage) {
    return MapCase(text, codePage, true);
}

AnsiString AnsiLowerCase(std::string_view text, int codePage) {
    return MapCase(text, codePage, false);
}

WideString WideUpperCase(std::u16string_view text) {
    WideString out(text);
    for (auto& c : out)
        c = UnicodeUpper(c);
    return out;
}

WideString WideLowerCase(std::u16string_view text) {
    WideString out(text);
    for (auto& c : out)
        c = UnicodeLower(c);
    return out;
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    AnsiString ua = AnsiUpperCase(a);
    AnsiString ub = AnsiUpperCase(b);
    return ua.compare(ub) < 0 ? -1 : (ua == ub ? 0 : 1);
}

bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }

bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<unsigned char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

} // namespace kanvo
