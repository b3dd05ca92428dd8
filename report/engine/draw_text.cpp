#include "report/engine/draw_text.h"

#include "platform/code_page.h"
#include "platform/exception.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>

namespace kanvo {

namespace {

int Round(double v) {
    return static_cast<int>(std::lround(v));
}

char16_t Upper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// Case-insensitive match of ASCII `word` at text[i].
bool MatchAt(std::u16string_view text, size_t i, std::string_view word) {
    if (i + word.size() > text.size())
        return false;
    for (size_t j = 0; j < word.size(); ++j)
        if (Upper(text[i + j]) != static_cast<char16_t>(word[j]))
            return false;
    return true;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

struct NamedColor {
    const char* name;
    uint32_t value;
};

constexpr NamedColor kColors[] = {
    {"CLBLACK", 0x000000},        {"CLMAROON", 0x000080},       {"CLGREEN", 0x008000},
    {"CLOLIVE", 0x008080},        {"CLNAVY", 0x800000},         {"CLPURPLE", 0x800080},
    {"CLTEAL", 0x808000},         {"CLGRAY", 0x808080},         {"CLSILVER", 0xC0C0C0},
    {"CLRED", 0x0000FF},          {"CLLIME", 0x00FF00},         {"CLYELLOW", 0x00FFFF},
    {"CLBLUE", 0xFF0000},         {"CLFUCHSIA", 0xFF00FF},      {"CLAQUA", 0xFFFF00},
    {"CLWHITE", 0xFFFFFF},        {"CLLTGRAY", 0xC0C0C0},       {"CLDKGRAY", 0x808080},
    {"CLMONEYGREEN", 0xC0DCC0},   {"CLSKYBLUE", 0xF0CAA6},      {"CLCREAM", 0xF0FBFF},
    {"CLMEDGRAY", 0xA4A0A0},      {"CLNONE", 0x1FFFFFFF},       {"CLDEFAULT", 0x20000000},
    {"CLSCROLLBAR", 0x80000000},  {"CLBACKGROUND", 0x80000001}, {"CLWINDOW", 0x80000005},
    {"CLWINDOWTEXT", 0x80000008}, {"CLBTNFACE", 0x8000000F},    {"CLHIGHLIGHT", 0x8000000D},
};

bool IsBlank(char16_t c) {
    return c == u' ' || c == 0xA0;
}

// Byte classes of the syllable breaking, as bytes of the 8-bit system code page.
bool IsVowelByte(unsigned char c) {
    static constexpr unsigned char v[] = {0xC0, 0xC5, 0xA8, 0xC8, 0xCE,
                                          0xD3, 0xDB, 0xDD, 0xDE, 0xDF};
    return std::find(std::begin(v), std::end(v), c) != std::end(v);
}
bool IsConsonantByte(unsigned char c) {
    static constexpr unsigned char v[] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC6, 0xC7, 0xC9, 0xCA,
                                          0xCB, 0xCC, 0xCD, 0xCF, 0xD0, 0xD1, 0xD2, 0xD4,
                                          0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDC, 0xDA};
    return std::find(std::begin(v), std::end(v), c) != std::end(v);
}
bool IsSignByte(unsigned char c) {
    return c == 0xDC || c == 0xDA;
}
constexpr unsigned char kShortI = 0xC9;

// Even subdivision of |p| pixels (sign of p) over entries [lo, lo + m).
void Subdivide(std::vector<int>& values, size_t lo, size_t m, int p) {
    int n = std::abs(p);
    if (n == 0 || m == 0)
        return;
    int sign = p < 0 ? -1 : 1;
    size_t c = std::max<size_t>(1, m / 2);
    if (n == 1) {
        values[lo + c - 1] += sign;
        return;
    }
    Subdivide(values, lo, c, sign * (n / 2));
    Subdivide(values, lo + c, m - c, sign * (n - n / 2));
}

// Spreads p pixels over all entries: single pixels by subdivision when fewer
// than the entries, else the quotient to each and the rest by subdivision.
void Spread(std::vector<int>& values, size_t lo, size_t m, int p) {
    if (m == 0 || p == 0)
        return;
    int n = std::abs(p);
    int sign = p < 0 ? -1 : 1;
    if (static_cast<size_t>(n) < m) {
        Subdivide(values, lo, m, p);
        return;
    }
    int each = n / static_cast<int>(m);
    for (size_t i = lo; i < lo + m; ++i)
        values[i] += sign * each;
    Subdivide(values, lo, m, sign * (n - each * static_cast<int>(m)));
}

std::function<void()>& MessagePump() {
    static std::function<void()> pump;
    return pump;
}

} // namespace

bool LookupColorName(std::u16string_view name, uint32_t& color) {
    std::string upper = "CL";
    for (char16_t c : name) {
        if (c > 0x7F)
            return false;
        upper.push_back(static_cast<char>(Upper(c)));
    }
    for (const auto& entry : kColors)
        if (upper == entry.name) {
            color = entry.value;
            return true;
        }
    return false;
}

// ---- tags ----

void TfrxHTMLTagsList::Init(uint32_t color, int size, int style, bool allowTags) {
    Lines.clear();
    DefColor = color_ = color;
    DefSize = size_ = size;
    DefStyle = style_ = style;
    addY_ = 0;
    AllowTags = allowTags;
    position_ = 1;
    havePrevious_ = false;
}

size_t TfrxHTMLTagsList::ParseTag(std::u16string_view t, size_t i) {
    if (t[i] != u'<')
        return 0;
    bool closing = i + 1 < t.size() && t[i + 1] == u'/';
    size_t j = i + (closing ? 2 : 1);
    auto simple = [&](std::string_view name) { return MatchAt(t, j, name); };
    auto setBit = [&](int bit) {
        if (closing)
            style_ &= ~bit;
        else
            style_ |= bit;
    };
    if (simple("B>")) {
        setBit(kFontBold);
        return j + 2 - i;
    }
    if (simple("I>")) {
        setBit(kFontItalic);
        return j + 2 - i;
    }
    if (simple("U>")) {
        setBit(kFontUnderline);
        return j + 2 - i;
    }
    if (simple("STRIKE>")) {
        setBit(kFontStrikeOut);
        return j + 7 - i;
    }
    if (simple("SUB>") || simple("SUP>")) {
        bool sub = Upper(t[j + 2]) == u'B';
        if (closing) {
            size_ = DefSize;
            addY_ = 0;
        } else {
            size_ = Round(DefSize / 1.5);
            addY_ = sub ? 1 : 0;
        }
        return j + 4 - i;
    }
    if (closing && simple("FONT>")) {
        color_ = DefColor;
        return j + 5 - i;
    }
    if (!closing && simple("FONT COLOR")) {
        size_t eq = t.find(u'=', j + 10);
        if (eq == std::u16string_view::npos)
            return 0;
        size_t close = t.find(u'>', eq);
        if (close == std::u16string_view::npos)
            return 0;
        size_t v = eq + 1;
        while (v < close && t[v] == u' ')
            ++v;
        std::u16string_view value = t.substr(v, close - v);
        while (!value.empty() && value.back() == u' ')
            value.remove_suffix(1);
        uint32_t color = 0;
        if (value.size() > 3 && value[0] == u'"' && value[1] == u'#' && value.back() == u'"') {
            std::u16string_view hex = value.substr(2, value.size() - 3);
            if (hex.size() != 6)
                return 0;
            int d[6];
            for (int k = 0; k < 6; ++k)
                if ((d[k] = HexDigit(hex[static_cast<size_t>(k)])) < 0)
                    return 0;
            uint32_t r = static_cast<uint32_t>(d[0] * 16 + d[1]);
            uint32_t g = static_cast<uint32_t>(d[2] * 16 + d[3]);
            uint32_t b = static_cast<uint32_t>(d[4] * 16 + d[5]);
            color = r | (g << 8) | (b << 16);
        } else if (!LookupColorName(value, color)) {
            return 0;
        }
        color_ = color;
        return close + 1 - i;
    }
    return 0;
}

WideString TfrxHTMLTagsList::ExpandLine(std::u16string_view line, TfrxHTMLTags& tags) {
    WideString text;
    text.reserve(line.size());
    tags.clear();
    auto makeTag = [&]() {
        TfrxHTMLTag tag;
        tag.Position = position_;
        tag.Size = size_;
        tag.AddY = addY_;
        tag.Style = style_;
        tag.Color = color_;
        tag.Small = size_ != DefSize;
        if (!AllowTags) {
            tag.Default = true;
        } else if (havePrevious_) {
            tag.Default = tag.Size == previous_.Size && tag.AddY == previous_.AddY &&
                          tag.Style == previous_.Style && tag.Color == previous_.Color;
        } else {
            tag.Default = tag.Size == DefSize && tag.AddY == 0 && tag.Style == DefStyle &&
                          tag.Color == DefColor;
        }
        previous_ = tag;
        havePrevious_ = true;
        return tag;
    };
    for (size_t i = 0; i < line.size();) {
        if (AllowTags && line[i] == u'<') {
            if (size_t length = ParseTag(line, i)) {
                position_ += static_cast<int>(length);
                i += length;
                continue;
            }
        }
        tags.push_back(makeTag());
        text.push_back(line[i]);
        ++position_;
        ++i;
    }
    if (text.empty()) {
        tags.push_back(makeTag());
        text = u" ";
    }
    position_ += 2; // the line break
    return text;
}

// ---- busy flag ----

TfrxDrawText& TfrxDrawText::Shared() {
    static TfrxDrawText* shared = new TfrxDrawText(); // lives until the process ends
    return *shared;
}

void TfrxDrawText::SetMessagePump(std::function<void()> pump) {
    MessagePump() = std::move(pump);
}

void TfrxDrawText::Acquire() {
    std::unique_lock lock(busyMutex_);
    while (busy_) {
        if (MessagePump()) {
            lock.unlock();
            MessagePump()();
            lock.lock();
        } else if (owner_ == std::this_thread::get_id()) {
            throw Exception("The text layout is busy.");
        } else {
            busyFree_.wait_for(lock, std::chrono::milliseconds(10));
        }
    }
    busy_ = true;
    owner_ = std::this_thread::get_id();
}

void TfrxDrawText::Release() {
    {
        std::lock_guard lock(busyMutex_);
        busy_ = false;
        owner_ = std::thread::id();
    }
    busyFree_.notify_one();
}

bool TfrxDrawText::Busy() const {
    std::lock_guard lock(busyMutex_);
    return busy_;
}

// ---- configuration ----

void TfrxDrawText::AssignFont(const FontSpec& font) {
    if (!(font.name == font_.name))
        faces_ = {};
    font_ = font;
    measurePixels_ = std::max(1, Round(font.size * kLayoutResolution / 72));
}

void TfrxDrawText::ConfigureOptions(bool wordWrap, bool htmlTags, int rotation, bool wysiwyg,
                                    bool clipped, bool wordBreak, bool rightToLeft) {
    wordWrap_ = wordWrap;
    htmlTags_ = htmlTags;
    rotation_ = ((rotation % 360) + 360) % 360;
    wysiwyg_ = wysiwyg;
    clipped_ = clipped;
    wordBreak_ = wordBreak;
    rightToLeft_ = rightToLeft;
}

void TfrxDrawText::ConfigureSpacing(double lineSpacing, double charSpacing, double paragraphGap) {
    lineSpacing_ = lineSpacing;
    charSpacing_ = charSpacing;
    paragraphGap_ = paragraphGap;
}

void TfrxDrawText::ConfigureArea(const IntRect& layout, const IntRect& output, double printScale,
                                 double scaleX, double scaleY) {
    layout_ = layout;
    output_ = output;
    printScale_ = printScale;
    scaleX_ = scaleX;
    scaleY_ = scaleY;
}

void TfrxDrawText::ConfigureMemo(const MemoTextSettings& memo) {
    AssignFont(memo.font);
    ConfigureOptions(memo.wordWrap, memo.allowHtml, memo.rotation, memo.wysiwyg, memo.clipped,
                     memo.wordBreak, memo.rightToLeft);
    ConfigureSpacing(memo.lineSpacing, memo.charSpacing, memo.paragraphGap);
}

const FontFace& TfrxDrawText::FaceFor(int style) {
    int index = style & (kFontBold | kFontItalic);
    if (!faces_[static_cast<size_t>(index)])
        faces_[static_cast<size_t>(index)] = &FontService::Instance().Resolve(font_.name, index);
    return *faces_[static_cast<size_t>(index)];
}

int TfrxDrawText::MeasuringTextWidth(std::u16string_view text) {
    return FontService::Instance().TextWidth(FaceFor(font_.style), text, measurePixels_);
}

std::vector<int> TfrxDrawText::LayoutAdvances(std::u16string_view text, const TfrxHTMLTags& tags) {
    auto& service = FontService::Instance();
    const int spacing = Round(charSpacing_ * kScale);
    std::vector<int> advances(text.size());
    int style = font_.style;
    const FontFace* face = &FaceFor(style);
    for (size_t i = 0; i < text.size(); ++i) {
        const TfrxHTMLTag* tag = i < tags.size() ? &tags[i] : nullptr;
        if (tag && tag->Style != style) {
            style = tag->Style;
            face = &FaceFor(style);
        }
        int advance = service.Advance(*face, text[i], measurePixels_) + spacing;
        if (tag && tag->Small)
            advance = Round(advance / 1.5);
        advances[i] = advance;
    }
    return advances;
}

// ---- layout ----

void TfrxDrawText::AddLine(WideString text, TfrxHTMLTags tags) {
    lines_.push_back(std::move(text));
    flags_.push_back(0);
    tags_.Lines.push_back(std::move(tags));
}

void TfrxDrawText::LayoutText(const std::vector<WideString>& lines) {
    fullText_.clear();
    lines_.clear();
    flags_.clear();
    tags_.Lines.clear();
    if (lines.empty())
        return;
    tags_.Init(font_.color, font_.size, font_.style, htmlTags_);
    bool across = (rotation_ >= 90 && rotation_ <= 179) || (rotation_ >= 270 && rotation_ <= 359);
    double width = across ? layout_.bottom - layout_.top : layout_.right - layout_.left;
    const int lineWidth = Round(width * kScale);
    const int spacing = Round(charSpacing_ * kScale);
    const int firstWidth = Round((width - paragraphGap_) * kScale);
    TfrxHTMLTags tags;
    for (const WideString& source : lines) {
        fullText_ += source;
        fullText_ += u"\r\n";
        WideString text = tags_.ExpandLine(source, tags);
        size_t before = lines_.size();
        WrapLine(text, tags, lineWidth, spacing, firstWidth);
        size_t added = lines_.size() - before;
        if (added == 1) {
            flags_[before] = 3;
        } else if (added > 1) {
            flags_[before] = 1;
            flags_.back() = 2;
        }
    }
}

int TfrxDrawText::BreakWord(std::u16string_view line, size_t wordStart, int fitCount) const {
    size_t end = wordStart;
    while (end < line.size() &&
           std::u16string_view(u" .,-;").find(line[end]) == std::u16string_view::npos)
        ++end;
    std::u16string_view word = line.substr(wordStart, end - wordStart);
    const int n = static_cast<int>(word.size());
    if (n <= 3 || fitCount <= 2)
        return 0;
    AnsiString bytes = AnsiUpperCase(WideToAnsi(word));
    if (static_cast<int>(bytes.size()) != n)
        return 0; // a multi-byte code page: no syllables
    auto at = [&](int i) { return static_cast<unsigned char>(bytes[static_cast<size_t>(i)]); };
    auto hasVowel = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            if (IsVowelByte(at(i)))
                return true;
        return false;
    };
    int best = 0;
    for (int p = 2; p <= n - 2 && p < fitCount; ++p) {
        unsigned char c = at(p - 1), next = at(p);
        bool allowed = false;
        if (IsConsonantByte(c)) {
            allowed = !IsVowelByte(next) && !IsSignByte(next);
        } else if (IsVowelByte(c)) {
            bool doubled = IsConsonantByte(next) && p + 1 < n && at(p + 1) == next && p + 2 < n &&
                           IsVowelByte(at(p + 2));
            allowed = next != kShortI && !doubled;
        }
        if (allowed && hasVowel(0, p) && hasVowel(p, n))
            best = p;
    }
    return best;
}

void TfrxDrawText::WrapLine(const WideString& text, const TfrxHTMLTags& tags, int width,
                            int charSpacing, int firstWidth) {
    (void)charSpacing; // part of every advance already
    const size_t len = text.size();
    if (!wordWrap_ || len <= 1) {
        AddLine(text, tags);
        return;
    }
    std::vector<int> advances = LayoutAdvances(text, tags);
    std::vector<int64_t> cumulative(len);
    int64_t sum = 0;
    for (size_t i = 0; i < len; ++i)
        cumulative[i] = (sum += advances[i]);
    if (sum < firstWidth) {
        AddLine(text, tags);
        return;
    }
    auto piece = [&](size_t from, size_t to) {
        return std::make_pair(text.substr(from, to - from),
                              TfrxHTMLTags(tags.begin() + static_cast<ptrdiff_t>(from),
                                           tags.begin() + static_cast<ptrdiff_t>(to)));
    };
    auto emitHyphenated = [&](size_t from, size_t to) {
        auto [s, t] = piece(from, to);
        s.push_back(u'-');
        t.push_back(t.back());
        AddLine(std::move(s), std::move(t));
    };
    size_t start = 0;
    int64_t base = 0;
    int64_t current = firstWidth;
    std::ptrdiff_t lastBlank = -1;
    size_t i = 0;
    while (i < len) {
        if (text[i] == u' ' && i > start)
            lastBlank = static_cast<std::ptrdiff_t>(i);
        if (cumulative[i] - base <= current) {
            ++i;
            continue;
        }
        size_t next;
        if (lastBlank > static_cast<std::ptrdiff_t>(start)) {
            size_t blank = static_cast<size_t>(lastBlank);
            int b = 0;
            if (wordBreak_ && i > blank + 1)
                b = BreakWord(text, blank + 1, static_cast<int>(i - blank - 1));
            if (b > 0) {
                emitHyphenated(start, blank + 1 + static_cast<size_t>(b));
                next = blank + 1 + static_cast<size_t>(b);
            } else {
                auto [s, t] = piece(start, blank);
                AddLine(std::move(s), std::move(t));
                next = blank + 1;
            }
        } else if (i == start) {
            auto [s, t] = piece(start, start + 1);
            AddLine(std::move(s), std::move(t));
            next = start + 1;
        } else {
            int b = wordBreak_ ? BreakWord(text, start, static_cast<int>(i - start)) : 0;
            if (b > 0) {
                emitHyphenated(start, start + static_cast<size_t>(b));
                next = start + static_cast<size_t>(b);
            } else {
                auto [s, t] = piece(start, i);
                AddLine(std::move(s), std::move(t));
                next = i;
            }
        }
        start = next;
        base = start > 0 ? cumulative[start - 1] : 0;
        current = width;
        lastBlank = -1;
        i = start;
    }
    if (start < len) {
        auto [s, t] = piece(start, len);
        AddLine(std::move(s), std::move(t));
    }
}

void TfrxDrawText::MarkPartBreaks(bool continuesParagraph, bool endsInsideParagraph) {
    if (flags_.empty())
        return;
    if (continuesParagraph)
        flags_.front() &= ~1;
    if (endsInsideParagraph)
        flags_.back() &= ~2;
}

// ---- metrics ----

double TfrxDrawText::FontPixelHeight() const {
    return measurePixels_ / kScale;
}

double TfrxDrawText::LinePitch() const {
    return FontPixelHeight() + lineSpacing_;
}

double TfrxDrawText::LaidOutHeight() const {
    if (lines_.empty())
        return 0;
    double h = LinePitch() * static_cast<double>(lines_.size());
    if (lineSpacing_ < 0)
        h += std::abs(lineSpacing_);
    return h;
}

double TfrxDrawText::LaidOutWidth() {
    auto& service = FontService::Instance();
    double best = 0;
    for (size_t l = 0; l < lines_.size(); ++l) {
        const WideString& text = lines_[l];
        const TfrxHTMLTags& tags = tags_.Lines[l];
        double width = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            int style = i < tags.size() ? tags[i].Style : font_.style;
            width += service.Advance(FaceFor(style), text[i], measurePixels_);
        }
        width += static_cast<double>(text.size()) * charSpacing_ * kScale;
        if (flags_[l] & 1)
            width += paragraphGap_ * kScale;
        best = std::max(best, width / kScale);
    }
    return best;
}

double TfrxDrawText::LeftoverSpace() const {
    double h = layout_.bottom - layout_.top + 1;
    double pitch = LinePitch();
    if (pitch <= 0)
        return 0;
    double n = std::trunc(h / pitch);
    if (n <= 0)
        return 0;
    double rest = h - pitch * n;
    return rest == 0 ? 0.0001 : rest;
}

// ---- cutting ----

TfrxDrawText::Overflow TfrxDrawText::OverflowText() {
    Overflow result;
    double h = layout_.bottom - layout_.top + 1;
    double pitch = LinePitch();
    size_t fit =
        pitch > 0 ? static_cast<size_t>(std::max(0.0, std::trunc(h / pitch))) : lines_.size();
    size_t n = std::min(fit, lines_.size());
    if (n >= lines_.size())
        return result;
    const TfrxHTMLTag first = tags_.Lines[n].empty() ? TfrxHTMLTag{} : tags_.Lines[n][0];
    result.insideParagraph = n == 0 || (flags_[n - 1] & 2) == 0;
    bool endsWithHyphen = n > 0 && !lines_[n - 1].empty() && lines_[n - 1].back() == u'-';
    size_t position = first.Position > 0 ? static_cast<size_t>(first.Position - 1) : 0;
    position = std::min(position, fullText_.size());
    WideString tail = fullText_.substr(position);
    fullText_.erase(position);
    // The hyphen of a broken word is not in the full text; a hyphen that the
    // text itself has before the cut is not doubled.
    if (wordBreak_ && endsWithHyphen && (fullText_.empty() || fullText_.back() != u'-'))
        fullText_.push_back(u'-');
    if (result.insideParagraph && !tail.empty() && tail[0] == u' ')
        tail.erase(0, 1);
    if (htmlTags_) {
        if (first.Style & kFontBold)
            tail.insert(0, u"<b>");
        if (first.Style & kFontItalic)
            tail.insert(0, u"<i>");
        if (first.Style & kFontUnderline)
            tail.insert(0, u"<u>");
        Rgb rgb = ColorToRgb(first.Color);
        static const char16_t hex[] = u"0123456789ABCDEF";
        WideString tag = u"<font color=\"#";
        for (int v : {rgb.r, rgb.g, rgb.b}) {
            tag.push_back(hex[(v >> 4) & 15]);
            tag.push_back(hex[v & 15]);
        }
        tag += u"\">";
        tail.insert(0, tag);
    }
    lines_.resize(n);
    flags_.resize(n);
    tags_.Lines.resize(n);
    result.text = std::move(tail);
    return result;
}

WideString TfrxDrawText::WrappedLines() const {
    WideString out;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i)
            out += u"\r\n";
        out += lines_[i];
    }
    return out;
}

WideString TfrxDrawText::PlainText(std::u16string_view text) {
    TfrxHTMLTagsList parser;
    parser.Init(0, 10, 0, true);
    WideString out;
    TfrxHTMLTags tags;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\n', start);
        size_t lineEnd = end == std::u16string_view::npos ? text.size() : end;
        size_t contentEnd = lineEnd;
        if (contentEnd > start && text[contentEnd - 1] == u'\r')
            --contentEnd;
        std::u16string_view line = text.substr(start, contentEnd - start);
        if (!line.empty()) {
            WideString stripped = parser.ExpandLine(line, tags);
            bool onlyTags = stripped == u" " && line.find(u' ') == std::u16string_view::npos;
            if (!onlyTags)
                out += stripped;
        }
        if (end == std::u16string_view::npos)
            break;
        out += text.substr(contentEnd, lineEnd + 1 - contentEnd);
        start = lineEnd + 1;
    }
    return out;
}

// ---- drawing ----

int TfrxDrawText::TargetHeight(Canvas& canvas, int size) const {
    int ppi = canvas.PrinterPixelsPerInch();
    if (ppi > 0)
        return std::max(1, Round(ppi * size * printScale_ / 72));
    return std::max(1, Round(size * scaleY_ * kReportResolution / 72));
}

void TfrxDrawText::DrawLaidOut(Canvas& canvas, TextHAlign hAlign, TextVAlign vAlign) {
    if (lines_.empty())
        return;
    const size_t n = lines_.size();
    const double F = FontPixelHeight(), L = lineSpacing_, k = kScale;
    const int T = TargetHeight(canvas, font_.size);
    const int ppi = canvas.PrinterPixelsPerInch();
    const double dn = static_cast<double>(n);
    int H;
    if (ppi > 0) {
        double g = kLayoutResolution / ppi / printScale_;
        H = Round((L * scaleY_ * g * dn + F * k * dn) / g);
    } else {
        H = Round((L * k * dn + F * k * dn) / k * scaleY_);
    }
    const int gapBase = Round(L * scaleY_) + T;
    std::vector<int> gaps(n > 1 ? n - 1 : 0, gapBase);
    if (wysiwyg_ && n > 1) {
        int r = H - static_cast<int>(n) * gapBase;
        Spread(gaps, 0, n - 1, r);
    }

    const double a = rotation_;
    const double rad = a * M_PI / 180.0;
    const double sa = std::sin(rad), ca = std::cos(rad);
    const double s = std::abs(sa), c = std::abs(ca);
    const int left = output_.left, top = output_.top, right = output_.right,
              bottom = output_.bottom;
    double x = left, y = top, d = 0;
    int W = right - left;
    const int angle = rotation_;
    auto slanted = [&]() { return Round((right - left - s * H) / c); };
    if (angle == 0) {
        W = right - left;
        d = bottom - top - H;
    } else if (angle < 90) {
        W = slanted();
        y = top + Round(s * W);
        d = bottom - y - Round(c * H);
    } else if (angle == 90) {
        y = bottom;
        W = bottom - top;
        d = right - left - H;
    } else if (angle < 180) {
        W = slanted();
        x = left + Round(c * W);
        y = bottom;
        d = bottom - top - Round(c * H + s * W);
    } else if (angle == 180) {
        x = right;
        y = bottom;
        W = right - left;
        d = bottom - top - H;
    } else if (angle < 270) {
        W = slanted();
        x = right;
        y = bottom - Round(s * W);
        d = y - top - Round(c * H);
    } else if (angle == 270) {
        x = right;
        W = bottom - top;
        d = right - left - H;
    } else {
        W = slanted();
        x = left + Round(s * H);
        d = bottom - top - Round(s * W + c * H);
    }
    if (vAlign != TextVAlign::Top) {
        double dd = vAlign == TextVAlign::Center ? d / 2 : d;
        if (angle % 90 == 0) {
            x += Round(dd * sa);
            y += Round(dd * ca);
        } else if (angle < 90 || angle > 270) {
            y += Round(dd);
        } else {
            y -= Round(dd);
        }
    }

    const int indent = Round(paragraphGap_ * scaleX_);
    for (size_t l = 0; l < n; ++l) {
        TextHAlign align = hAlign;
        if ((flags_[l] & 2) && align == TextHAlign::Block)
            align = rightToLeft_ ? TextHAlign::Right : TextHAlign::Left;
        double lx = x, ly = y;
        int box = W;
        if ((flags_[l] & 1) && (hAlign == TextHAlign::Left || hAlign == TextHAlign::Block)) {
            lx += Round(indent * ca);
            ly -= Round(indent * sa);
            box = W - indent;
        }
        DrawLine(canvas, l, lx, ly, box, align);
        if (l + 1 < n) {
            x += Round(gaps[l] * sa);
            y += Round(gaps[l] * ca);
        }
    }
}

void TfrxDrawText::DrawLine(Canvas& canvas, size_t index, double x, double y, int boxWidth,
                            TextHAlign align) {
    const WideString& text = lines_[index];
    const TfrxHTMLTags& tags = tags_.Lines[index];
    if (text.empty())
        return;
    auto& service = FontService::Instance();
    const size_t m = text.size();
    const int ppi = canvas.PrinterPixelsPerInch();
    const double rad = rotation_ * M_PI / 180.0;
    const double sa = std::sin(rad), ca = std::cos(rad);

    std::vector<int> layout = LayoutAdvances(text, tags);
    const int layoutSpacing = Round(charSpacing_ * kScale);
    int64_t f = -layoutSpacing;
    for (int v : layout)
        f += v;

    // Natural advances on the target canvas, per character in its run's font.
    const int targetSpacing =
        Round(charSpacing_ * (ppi > 0 ? ppi * printScale_ / kReportResolution : scaleX_));
    std::vector<int> target(m);
    int w = -targetSpacing;
    for (size_t i = 0; i < m; ++i) {
        const TfrxHTMLTag& tag = tags[i];
        target[i] = service.Advance(FaceFor(tag.Style), text[i], TargetHeight(canvas, tag.Size)) +
                    targetSpacing;
        w += target[i];
    }
    int u;
    if (!wysiwyg_)
        u = w;
    else if (ppi > 0)
        u = Round(static_cast<double>(f) * printScale_ * ppi / kLayoutResolution);
    else
        u = Round(static_cast<double>(f) / kScale * scaleX_);

    bool justified = false;
    if (align == TextHAlign::Right) {
        int D = boxWidth - u + 1;
        x += Round(D * ca);
        y -= Round(D * sa);
        int lastStyle = tags.back().Style;
        x -= (rotation_ == 0 && (lastStyle & (kFontBold | kFontItalic))) ? 2 : 1;
    } else if (align == TextHAlign::Center) {
        int D = boxWidth - u;
        x += Round(D / 2.0 * ca);
        y -= Round(D / 2.0 * sa);
    } else if (align == TextHAlign::Block) {
        std::vector<size_t> blanks;
        for (size_t i = 0; i < m; ++i)
            if (IsBlank(text[i]))
                blanks.push_back(i);
        if (!blanks.empty()) {
            int extra = boxWidth - w;
            int count = static_cast<int>(blanks.size());
            int each = extra / count, rest = extra % count;
            for (int b = 0; b < count; ++b)
                target[blanks[static_cast<size_t>(b)]] +=
                    each + (b < std::abs(rest) ? (rest < 0 ? -1 : 1) : 0);
            justified = true;
        }
    }
    if (!justified && wysiwyg_)
        Spread(target, 0, m, u - w);

    TextOutOptions options;
    if (clipped_)
        options.clip =
            RectF{static_cast<double>(output_.left), static_cast<double>(output_.top),
                  static_cast<double>(output_.right), static_cast<double>(output_.bottom)};
    options.rightToLeftReading = rightToLeft_;

    // A font with a character set of its own shows only what its code page
    // holds: the text goes through that code page, the rest becomes '?'.
    std::u16string_view shown = text;
    WideString converted;
    const int codePage = CharsetCodePage(font_.charset);
    if (font_.charset != kDefaultCharset && codePage != 0 && IsSingleByteCodePage(codePage)) {
        converted = AnsiToWide(WideToAnsi(text, codePage), codePage);
        if (converted.size() == m)
            shown = converted;
    }

    double px = x, py = y;
    size_t runStart = 0;
    while (runStart < m) {
        const TfrxHTMLTag& tag = tags[runStart];
        size_t runEnd = runStart + 1;
        while (runEnd < m && tags[runEnd].Size == tag.Size && tags[runEnd].Style == tag.Style &&
               tags[runEnd].Color == tag.Color && tags[runEnd].AddY == tag.AddY)
            ++runEnd;
        FontSpec runFont = font_;
        runFont.style = tag.Style;
        runFont.color = tag.Color;
        runFont.size = tag.Size;
        canvas.SetFont(runFont, TargetHeight(canvas, tag.Size), rotation_ * 10);
        std::vector<int> advances(target.begin() + static_cast<ptrdiff_t>(runStart),
                                  target.begin() + static_cast<ptrdiff_t>(runEnd));
        double lower = tag.AddY * tag.Size * scaleY_;
        canvas.TextOut(px + lower * sa, py + lower * ca, shown.substr(runStart, runEnd - runStart),
                       &advances, options);
        int64_t sum = 0;
        for (int v : advances)
            sum += v;
        px += static_cast<double>(sum) * ca;
        py -= static_cast<double>(sum) * sa;
        runStart = runEnd;
    }
}

} // namespace kanvo
