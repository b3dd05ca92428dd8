// TfrxDrawText: lays out and draws the text of memos.
//
// It wraps lines (optionally breaking words into syllables), parses a small
// set of HTML tags into per-character attributes, measures, cuts the laid-out
// text at a height for page splitting and draws the lines on any Canvas so
// that the result looks the same at every resolution. Measuring happens at
// 600 units per inch (the layout unit) with the font service's cached hinted
// advances; every width and height returned is in report pixels (96 per inch).
//
// Use: Acquire; AssignFont; ConfigureOptions/Spacing/Area; LayoutText; then
// metrics, cutting or DrawLaidOut; Release. One instance per report, plus the
// process-wide Shared() instance for objects without a report.
//
// Per-line work arrays grow with the line, so lines of any length are safe.
#pragma once

#include "platform/graphics/canvas.h"
#include "platform/graphics/font_service.h"
#include "platform/text_types.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kanvo {

// Alignment values in the order of the report classes' haLeft.. and vaTop..,
// so that those enumerations convert by value.
enum class TextHAlign { Left = 0, Right = 1, Center = 2, Block = 3 };
enum class TextVAlign { Top = 0, Bottom = 1, Center = 2 };

struct IntRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Attributes of one visible character.
struct TfrxHTMLTag {
    int Position = 0; // 1-based index in the full text, tags and line breaks counted
    int Size = 0;     // points
    int AddY = 0;     // 1: lowered (subscript)
    int Style = 0;    // FontStyleBits
    uint32_t Color = 0;
    bool Default = true; // same attributes as the character before
    bool Small = false;  // size differs from the default size
};

using TfrxHTMLTags = std::vector<TfrxHTMLTag>;

// The per-line tag lists and the parser state.
class TfrxHTMLTagsList {
public:
    void Init(uint32_t color, int size, int style, bool allowTags);
    // Parses one source line: returns its visible text (a single blank for a
    // line that is empty after parsing) and appends nothing; the caller stores
    // the tags it gets in `tags`. Advances the running position over the line
    // and its line break.
    WideString ExpandLine(std::u16string_view line, TfrxHTMLTags& tags);

    std::vector<TfrxHTMLTags> Lines;
    uint32_t DefColor = 0;
    int DefSize = 10;
    int DefStyle = 0;
    bool AllowTags = false;

private:
    // Length of the tag starting at text[i] (0 when none) and its effect.
    size_t ParseTag(std::u16string_view text, size_t i);
    uint32_t color_ = 0;
    int size_ = 10;
    int style_ = 0;
    int addY_ = 0;
    int position_ = 1;
    bool havePrevious_ = false;
    TfrxHTMLTag previous_;
};

// Looks up a colour name with the "cl" prefix ("red" -> clRed), ignoring
// letter case; false for unknown names.
bool LookupColorName(std::u16string_view name, uint32_t& color);

// What the text layout needs of a memo, as plain values (the memo view fills it).
struct MemoTextSettings {
    FontSpec font;
    double gapX = 2;
    double gapY = 1;
    TextHAlign hAlign = TextHAlign::Left;
    TextVAlign vAlign = TextVAlign::Top;
    bool wordWrap = true;
    bool allowHtml = false;
    bool wysiwyg = true;
    bool clipped = true;
    bool wordBreak = false;
    bool rightToLeft = false;
    int rotation = 0;
    double lineSpacing = 2;
    double charSpacing = 0;
    double paragraphGap = 0;
};

class TfrxDrawText {
public:
    static constexpr double kLayoutResolution = 600;
    static constexpr double kReportResolution = 96;
    static constexpr double kScale = kLayoutResolution / kReportResolution; // 6.25

    TfrxDrawText() = default;
    TfrxDrawText(const TfrxDrawText&) = delete;
    TfrxDrawText& operator=(const TfrxDrawText&) = delete;

    // The process-wide instance for objects without a report.
    static TfrxDrawText& Shared();
    // Called while Acquire waits, to let the user-interface message loop run.
    static void SetMessagePump(std::function<void()> pump);

    // Waits while another user holds the instance, then takes it. Taking it
    // again from the same thread without a message pump would wait forever;
    // that throws "The text layout is busy." instead.
    void Acquire();
    void Release();
    bool Busy() const;

    void AssignFont(const FontSpec& font);
    void ConfigureOptions(bool wordWrap, bool htmlTags, int rotation, bool wysiwyg, bool clipped,
                          bool wordBreak, bool rightToLeft);
    void ConfigureSpacing(double lineSpacing, double charSpacing, double paragraphGap);
    void ConfigureArea(const IntRect& layout, const IntRect& output, double printScale,
                       double scaleX, double scaleY);
    // Options, spacing and font of a memo in one call.
    void ConfigureMemo(const MemoTextSettings& memo);

    void LayoutText(const std::vector<WideString>& lines);
    void MarkPartBreaks(bool continuesParagraph, bool endsInsideParagraph);

    double FontPixelHeight() const;
    double LinePitch() const;
    double LaidOutHeight() const;
    double LaidOutWidth();
    double LeftoverSpace() const;

    struct Overflow {
        WideString text;
        bool insideParagraph = false;
    };
    Overflow OverflowText();
    WideString FittingText() const { return fullText_; }
    WideString WrappedLines() const;
    static WideString PlainText(std::u16string_view text);

    void DrawLaidOut(Canvas& canvas, TextHAlign hAlign, TextVAlign vAlign);

    // The laid-out lines, their flags (1 first, 2 last line of a paragraph) and tags.
    size_t LineCount() const { return lines_.size(); }
    const WideString& Line(size_t i) const { return lines_[i]; }
    int LineFlags(size_t i) const { return flags_[i]; }
    const TfrxHTMLTags& LineTags(size_t i) const { return tags_.Lines[i]; }
    const FontSpec& MeasuringFont() const { return font_; }
    // Pixel height of the measuring font (600 per inch).
    int MeasuringPixelHeight() const { return measurePixels_; }
    // Width of a text in the measuring font, in layout units.
    int MeasuringTextWidth(std::u16string_view text);

private:
    const FontFace& FaceFor(int style);
    // Layout-unit advances of a laid-out line (character spacing and the
    // small-size rule included).
    std::vector<int> LayoutAdvances(std::u16string_view text, const TfrxHTMLTags& tags);
    void WrapLine(const WideString& text, const TfrxHTMLTags& tags, int width, int charSpacing,
                  int firstWidth);
    int BreakWord(std::u16string_view line, size_t wordStart, int fitCount) const;
    void AddLine(WideString text, TfrxHTMLTags tags);
    void DrawLine(Canvas& canvas, size_t index, double x, double y, int boxWidth, TextHAlign align);
    int TargetHeight(Canvas& canvas, int size) const;

    // busy flag
    mutable std::mutex busyMutex_;
    std::condition_variable busyFree_;
    bool busy_ = false;
    std::thread::id owner_;

    FontSpec font_;
    int measurePixels_ = 83;
    std::array<const FontFace*, 4> faces_{};

    bool wordWrap_ = true;
    bool htmlTags_ = false;
    int rotation_ = 0;
    bool wysiwyg_ = true;
    bool clipped_ = false;
    bool wordBreak_ = false;
    bool rightToLeft_ = false;

    double lineSpacing_ = 0;
    double charSpacing_ = 0;
    double paragraphGap_ = 0;

    IntRect layout_;
    IntRect output_;
    double printScale_ = 1;
    double scaleX_ = 1;
    double scaleY_ = 1;

    WideString fullText_;
    std::vector<WideString> lines_;
    std::vector<int> flags_;
    TfrxHTMLTagsList tags_;
};

// Brackets a use of a TfrxDrawText: Acquire on construction, Release on destruction.
class DrawTextLock {
public:
    explicit DrawTextLock(TfrxDrawText& drawText) : drawText_(drawText) { drawText_.Acquire(); }
    ~DrawTextLock() { drawText_.Release(); }
    DrawTextLock(const DrawTextLock&) = delete;
    DrawTextLock& operator=(const DrawTextLock&) = delete;

private:
    TfrxDrawText& drawText_;
};

} // namespace kanvo
