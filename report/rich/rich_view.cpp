#include "report/rich/rich_view.h"

#include "platform/code_page.h"
#include "report/engine/memo_layout.h"
#include "report/model/resources.h"
#include "report/model/serializer.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace kanvo {

namespace {

bool IsRtf(std::string_view text) {
    return text.substr(0, 5) == "{\\rtf";
}

// Destinations whose text is not part of the document's text.
bool SkippedDestination(std::string_view word) {
    static constexpr std::string_view kSkipped[] = {
        "fonttbl",   "colortbl",          "stylesheet",  "info",    "pict",      "header",
        "footer",    "headerl",           "headerr",     "footerl", "footerr",   "object",
        "listtable", "listoverridetable", "revtbl",      "rsidtbl", "generator", "xmlnstbl",
        "themedata", "datastore",         "latentstyles"};
    for (std::string_view s : kSkipped)
        if (word == s)
            return true;
    return false;
}

} // namespace

AnsiString RtfToPlainText(std::string_view rtf) {
    WideString out;
    int codePage = 1250;
    struct Group {
        bool skip = false;
        int uc = 1; // fallback characters after \uN
    };
    std::vector<Group> stack{{}};
    int fallback = 0;  // fallback characters still to drop
    std::string bytes; // \'hh bytes waiting for their code page
    auto flush = [&] {
        if (!bytes.empty()) {
            out += AnsiToWide(bytes, codePage);
            bytes.clear();
        }
    };
    auto emit = [&](char16_t c) {
        flush();
        if (!stack.back().skip)
            out += c;
    };
    size_t i = 0;
    const size_t n = rtf.size();
    while (i < n) {
        const char c = rtf[i];
        if (c == '{') {
            flush();
            stack.push_back(stack.back());
            ++i;
            continue;
        }
        if (c == '}') {
            flush();
            if (stack.size() > 1)
                stack.pop_back();
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c != '\\') {
            if (fallback > 0) {
                --fallback;
            } else if (!stack.back().skip) {
                if (static_cast<unsigned char>(c) >= 0x80)
                    bytes += c;
                else
                    emit(static_cast<char16_t>(c));
            }
            ++i;
            continue;
        }
        // A control symbol or word.
        ++i;
        if (i >= n)
            break;
        const char s = rtf[i];
        if (s == '\\' || s == '{' || s == '}') {
            if (fallback > 0)
                --fallback;
            else
                emit(static_cast<char16_t>(s));
            ++i;
            continue;
        }
        if (s == '\'') {
            // \'hh: one byte of the document's code page.
            if (i + 2 < n) {
                const std::string hex(rtf.substr(i + 1, 2));
                i += 3;
                char* end = nullptr;
                const long value = std::strtol(hex.c_str(), &end, 16);
                if (fallback > 0) {
                    --fallback;
                } else if (end && *end == '\0' && !stack.back().skip) {
                    bytes += static_cast<char>(value);
                }
            } else {
                i = n;
            }
            continue;
        }
        if (s == '*') {
            stack.back().skip = true; // an optional destination
            ++i;
            continue;
        }
        if (s == '~') {
            emit(u'\u00A0');
            ++i;
            continue;
        }
        if (s == '-' || s == '_') {
            ++i;
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(s))) {
            ++i;
            continue;
        }
        size_t start = i;
        while (i < n && std::isalpha(static_cast<unsigned char>(rtf[i])))
            ++i;
        const std::string_view word = rtf.substr(start, i - start);
        bool hasParam = false;
        long param = 0;
        size_t p = i;
        if (p < n && (rtf[p] == '-' || std::isdigit(static_cast<unsigned char>(rtf[p])))) {
            size_t q = p + (rtf[p] == '-' ? 1 : 0);
            while (q < n && std::isdigit(static_cast<unsigned char>(rtf[q])) && q - p < 10)
                ++q;
            param = std::strtol(std::string(rtf.substr(p, q - p)).c_str(), nullptr, 10);
            hasParam = q > p + (rtf[p] == '-' ? 1 : 0);
            i = q;
        }
        if (i < n && rtf[i] == ' ')
            ++i; // the delimiter blank belongs to the control word
        if (SkippedDestination(word)) {
            stack.back().skip = true;
        } else if (word == "ansicpg" && hasParam) {
            codePage = static_cast<int>(param);
        } else if (word == "par" || word == "line" || word == "sect" || word == "page") {
            emit(u'\r');
            emit(u'\n');
        } else if (word == "tab") {
            emit(u'\t');
        } else if (word == "uc" && hasParam) {
            stack.back().uc = static_cast<int>(std::max(0L, param));
        } else if (word == "u" && hasParam) {
            emit(static_cast<char16_t>(param < 0 ? param + 65536 : param));
            fallback = stack.back().uc;
        } else if (word == "emdash") {
            emit(u'\u2014');
        } else if (word == "endash") {
            emit(u'\u2013');
        } else if (word == "bullet") {
            emit(u'\u2022');
        }
    }
    flush();
    // A closing paragraph mark adds no line of its own.
    while (out.size() >= 2 && out.compare(out.size() - 2, 2, u"\r\n") == 0)
        out.resize(out.size() - 2);
    return WideToAnsi(out);
}

std::string PlainTextToRtf(std::string_view text) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg" + std::to_string(ProcessCodePage()) +
                      "\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            rtf += "\\par ";
        } else if (c == '\\' || c == '{' || c == '}') {
            rtf += '\\';
            rtf += static_cast<char>(c);
        } else if (c >= 0x80) {
            static const char* const kHex = "0123456789abcdef";
            rtf += "\\'";
            rtf += kHex[c >> 4];
            rtf += kHex[c & 15];
        } else {
            rtf += static_cast<char>(c);
        }
    }
    rtf += "}";
    return rtf;
}

TfrxRichView::TfrxRichView() = default;

const ClassInfo& TfrxRichView::StaticClass() {
    using T = TfrxRichView;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxRichView", &TfrxStretcheable::StaticClass())
            .Bool(
                "AllowExpressions", [](const T& o) { return o.AllowExpressions; },
                [](T& o, bool v) { o.AllowExpressions = v; })
            .Int(
                "BrushStyle", [](const T& o) { return static_cast<int64_t>(o.BrushStyle); },
                [](T& o, int64_t v) {
                    o.BrushStyle = static_cast<TBrushStyle>(std::clamp<int64_t>(v, 0, 7));
                },
                0)
            .Int(
                "Color", [](const T& o) { return o.Color; },
                [](T& o, int64_t v) { o.Color = static_cast<int32_t>(v); }, clTransparent)
            .StrField("DataField", &T::DataField)
            .Ref<TfrxComponent>(
                "DataSet", "TfrxDataSet", [](const T& o) { return o.DataSet(); },
                [](T& o, TfrxComponent* c) { o.SetDataSet(c); })
            .Str("DataSetName", &T::DataSetName, &T::SetDataSetName)
            .StrField("ExpressionDelimiters", &T::ExpressionDelimiters)
            .Stored([](const T& o) { return o.ExpressionDelimiters != "[,]"; })
            .Ref<TfrxRichView>(
                "FlowTo", "TfrxRichView", [](const T& o) { return o.FlowTo(); },
                [](T& o, TfrxRichView* v) { o.SetFlowTo(v); })
            .Sub("Frame", &TfrxFrame::StaticClass(), [](const T& o) { return &o.Frame; })
            .Float(
                "GapX", [](const T& o) { return o.GapX; }, [](T& o, double v) { o.GapX = v; })
            .Float(
                "GapY", [](const T& o) { return o.GapY; }, [](T& o, double v) { o.GapY = v; })
            .Enum(
                "StretchMode", kStretchModeNames,
                [](const T& o) { return static_cast<int64_t>(o.StretchMode); },
                [](T& o, int64_t v) {
                    o.StretchMode = static_cast<TfrxStretchMode>(std::clamp<int64_t>(v, 0, 2));
                },
                0)
            .StrField("TagStr", &T::TagStr)
            .StrField("URL", &T::URL)
            .Bool(
                "Wysiwyg", [](const T& o) { return o.Wysiwyg; },
                [](T& o, bool v) { o.Wysiwyg = v; }));
    return info;
}

AnsiString TfrxRichView::DescriptionText() const {
    return frxGet("obRich");
}

void TfrxRichView::SetContent(std::string text) {
    content_ = IsRtf(text) ? std::move(text) : PlainTextToRtf(text);
}

AnsiString TfrxRichView::PlainText() const {
    return RtfToPlainText(content_);
}

void TfrxRichView::PreparePrint() {
    TfrxStretcheable::PreparePrint();
    saved_ = content_;
}

void TfrxRichView::CompletePrint() {
    content_ = saved_;
    TfrxStretcheable::CompletePrint();
}

void TfrxRichView::DefineBinaryProperties(TfrxBinaryWriter& writer) const {
    writer.WriteName("RichEdit");
    writer.WriteBinary(content_);
}

bool TfrxRichView::ReadBinaryProperty(const AnsiString& name, TfrxBinaryReader& reader) {
    if (name != "RichEdit")
        return false;
    content_ = reader.ReadBinary();
    return true;
}

void DrawRichView(const TfrxRichView& view, Canvas& canvas, double scaleX, double scaleY,
                  double offsetX, double offsetY) {
    TfrxMemoView memo;
    memo.SetBounds(view.AbsLeft(), view.AbsTop(), view.Width(), view.Height());
    memo.SetFont(view.Font());
    memo.Color = view.Color;
    memo.BrushStyle = view.BrushStyle;
    memo.Frame.Assign(view.Frame);
    memo.GapX = view.GapX;
    memo.GapY = view.GapY;
    memo.AllowExpressions = false;
    memo.SetText(AnsiToWide(view.PlainText()));
    DrawMemo(memo, canvas, scaleX, scaleY, offsetX, offsetY);
}

void RegisterRichClasses() {
    static bool done = [] {
        RegisterComponentClass<TfrxRichView>();
        return true;
    }();
    (void)done;
}

} // namespace kanvo
