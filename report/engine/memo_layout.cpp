#include "report/engine/memo_layout.h"

#include "platform/code_page.h"
#include "report/engine/memo_text.h"
#include "report/model/variables.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kanvo {

namespace {

int Round(double v) {
    return static_cast<int>(std::lround(v));
}

// Measuring and the layout seam use a box this large when the width is free.
constexpr IntRect kFreeLayoutRect{0, 0, 10000, 10000};

// Font, options and spacing of the memo on an acquired instance.
void Configure(TfrxDrawText& dt, const TfrxCustomMemoView& memo) {
    dt.ConfigureMemo(MemoSettingsOf(memo));
}

// Lays the memo's lines out in `area` at scale 1 (the caller holds the instance).
void LayOut(TfrxDrawText& dt, const TfrxCustomMemoView& memo, const IntRect& area) {
    Configure(dt, memo);
    dt.ConfigureArea(area, area, 1, 1, 1);
    dt.LayoutText(memo.Memo);
}

double MeasureWidth(TfrxDrawText& dt, const TfrxCustomMemoView& memo) {
    LayOut(dt, memo, kFreeLayoutRect);
    return std::round(dt.LaidOutWidth() + memo.InsetX());
}

void ApplyAutoWidthWith(TfrxDrawText& dt, TfrxCustomMemoView& memo) {
    if (!memo.AutoWidth)
        return;
    const double oldWidth = memo.Width();
    const double newWidth = MeasureWidth(dt, memo);
    if (memo.HAlign == TfrxHAlign::haRight)
        memo.SetLeft(memo.Left() + oldWidth - newWidth);
    else if (memo.HAlign == TfrxHAlign::haCenter)
        memo.SetLeft(memo.Left() + (oldWidth - newWidth) / 2);
    memo.SetWidth(newWidth);
    if (TfrxComponent* parent = memo.Parent())
        AlignChildViews(*parent);
}

// Puts the memo's Color back however the drawing ends.
class ColorRestorer {
public:
    explicit ColorRestorer(TfrxView& view) : view_(view), color_(view.Color) {}
    ~ColorRestorer() { view_.Color = color_; }
    ColorRestorer(const ColorRestorer&) = delete;
    ColorRestorer& operator=(const ColorRestorer&) = delete;

private:
    TfrxView& view_;
    int32_t color_;
};

uint32_t ToColor(int32_t color) {
    return static_cast<uint32_t>(color);
}

// Pixel rows or columns of a line `width` pixels thick around `at`:
// at − width div 2 … at + width − 1 − width div 2.
int ThickStart(int at, int width) {
    return at - width / 2;
}

void PaintBackground(Canvas& canvas, const TfrxCustomMemoView& memo, const IntRect& r) {
    RectF rect{static_cast<double>(r.left), static_cast<double>(r.top),
               static_cast<double>(r.right), static_cast<double>(r.bottom)};
    if (!IsNoColor(ToColor(memo.Color)))
        canvas.FillRect(rect, ToColor(memo.Color));
    const int style = static_cast<int>(memo.BrushStyle);
    if (style >= static_cast<int>(TBrushStyle::bsHorizontal) &&
        !IsNoColor(ToColor(memo.Frame.Color()))) {
        const Pen savedPen = canvas.GetPen();
        const Brush savedBrush = canvas.GetBrush();
        canvas.SetPen({kColorBlack, 1, PenStyle::Clear});
        canvas.SetBrush({ToColor(memo.Frame.Color()), static_cast<BrushStyle>(style)});
        canvas.Rectangle(rect);
        canvas.SetPen(savedPen);
        canvas.SetBrush(savedBrush);
    }
}

void PaintFrame(Canvas& canvas, const TfrxCustomMemoView& memo, const IntRect& r, double scaleX) {
    const TfrxFrame& frame = memo.Frame;
    if (frame.DropShadow) {
        const int sw = Round(scaleX * frame.ShadowWidth);
        const uint32_t color = ToColor(frame.ShadowColor);
        canvas.FillRect({static_cast<double>(r.right), static_cast<double>(r.top + sw),
                         static_cast<double>(r.right + sw), static_cast<double>(r.bottom + sw)},
                        color);
        canvas.FillRect({static_cast<double>(r.left + sw), static_cast<double>(r.bottom),
                         static_cast<double>(r.right + sw), static_cast<double>(r.bottom + sw)},
                        color);
    }
    if (frame.Typ == 0 || IsNoColor(ToColor(frame.Color())) || frame.Width() == 0)
        return;
    auto width = [&](const TfrxFrameLine& line) { return std::max(1, Round(scaleX * line.Width)); };
    const double top = r.top, bottom = r.bottom + 1, left = r.left, right = r.right + 1;
    if (frame.Typ & ftLeft) {
        const int w = width(frame.LeftLine);
        const double x = ThickStart(r.left, w);
        canvas.FillRect({x, top, x + w, bottom}, ToColor(frame.LeftLine.Color));
    }
    if (frame.Typ & ftRight) {
        const int w = width(frame.RightLine);
        const double x = ThickStart(r.right, w);
        canvas.FillRect({x, top, x + w, bottom}, ToColor(frame.RightLine.Color));
    }
    if (frame.Typ & ftTop) {
        const int w = width(frame.TopLine);
        const double y = ThickStart(r.top, w);
        canvas.FillRect({left, y, right, y + w}, ToColor(frame.TopLine.Color));
    }
    if (frame.Typ & ftBottom) {
        const int w = width(frame.BottomLine);
        const double y = ThickStart(r.bottom, w);
        canvas.FillRect({left, y, right, y + w}, ToColor(frame.BottomLine.Color));
    }
}

// Rules the whole box at the line pitch, starting below the first line.
void PaintUnderlines(Canvas& canvas, const TfrxCustomMemoView& memo, const TfrxDrawText& dt,
                     const IntRect& r, double scaleX, double scaleY) {
    const double pitch = dt.LinePitch() * scaleY;
    if (pitch <= 0)
        return;
    const int w = std::max(1, Round(scaleX * memo.Frame.Width()));
    const uint32_t color = ToColor(memo.Frame.Color());
    double y = r.top + (dt.LinePitch() + memo.GapY - memo.LineSpacing + 1) * scaleY;
    for (int row = Round(y); row < r.bottom; row = Round(y += pitch)) {
        const double top = ThickStart(row, w);
        canvas.FillRect(
            {static_cast<double>(r.left), top, static_cast<double>(r.right + 1), top + w}, color);
    }
}

} // namespace

// ---------------------------------------------------------------- pieces

FontSpec MemoFontSpec(const TfrxFont& font) {
    FontSpec spec;
    spec.name = AnsiToUtf8(font.Name());
    spec.size = font.Size();
    spec.style = font.Style();
    spec.charset = font.Charset();
    spec.color = ToColor(font.Color());
    return spec;
}

const TfrxFont& MemoLayoutFont(const TfrxCustomMemoView& memo) {
    return memo.Highlight.Active ? memo.Highlight.Font : memo.Font();
}

MemoTextSettings MemoSettingsOf(const TfrxCustomMemoView& memo) {
    MemoTextSettings s;
    s.font = MemoFontSpec(MemoLayoutFont(memo));
    s.gapX = memo.GapX;
    s.gapY = memo.GapY;
    s.hAlign = static_cast<TextHAlign>(memo.HAlign);
    s.vAlign = static_cast<TextVAlign>(memo.VAlign);
    s.wordWrap = memo.WordWrap;
    s.allowHtml = memo.AllowHTMLTags;
    s.wysiwyg = memo.Wysiwyg;
    s.clipped = memo.Clipped;
    s.wordBreak = memo.WordBreak;
    s.rightToLeft = memo.RTLReading;
    s.rotation = memo.Rotation();
    s.lineSpacing = memo.LineSpacing;
    s.charSpacing = memo.CharSpacing;
    s.paragraphGap = memo.ParagraphGap;
    return s;
}

IntRect ViewPixelRect(const TfrxView& view, double scaleX, double scaleY, double offsetX,
                      double offsetY) {
    const double left = view.AbsLeft(), top = view.AbsTop();
    IntRect r{Round(offsetX + scaleX * left), Round(offsetY + scaleY * top),
              Round(offsetX + scaleX * (left + view.Width())),
              Round(offsetY + scaleY * (top + view.Height()))};
    if (view.Frame.DropShadow) {
        r.right -= Round(scaleX * view.Frame.ShadowWidth);
        r.bottom -= Round(scaleY * view.Frame.ShadowWidth);
    }
    return r;
}

IntRect MemoInnerRect(const TfrxCustomMemoView& memo, double scaleX, double scaleY, double offsetX,
                      double offsetY) {
    IntRect r = ViewPixelRect(memo, scaleX, scaleY, offsetX, offsetY);
    const double fw = Round(scaleX * memo.Frame.Width());
    const int typ = memo.Frame.Typ;
    const double gx = memo.GapX * scaleX, gy = memo.GapY * scaleY;
    r.left += Round(gx + ((typ & ftLeft) ? (fw - 1) / 2 : 0));
    r.top += Round(gy + ((typ & ftTop) ? (fw - 1) / 2 : 0));
    r.right -= Round(gx + ((typ & ftRight) ? fw / 2 : 0));
    r.bottom -= Round(gy + ((typ & ftBottom) ? fw / 2 : 0));
    r.right += 1;
    r.bottom += 1;
    return r;
}

TfrxDrawText& MemoDrawText(const TfrxCustomMemoView& memo) {
    static TfrxDrawText* reports = new TfrxDrawText(); // lives until the process ends
    return memo.RootReport() ? *reports : TfrxDrawText::Shared();
}

// ---------------------------------------------------------------- the layout seam

double DrawTextMemoLayout::CalcHeight(TfrxCustomMemoView& memo) {
    TfrxDrawText& dt = MemoDrawText(memo);
    DrawTextLock lock(dt);
    LayOut(dt, memo, memo.AutoWidth ? kFreeLayoutRect : MemoInnerRect(memo));
    return std::round(dt.LaidOutHeight() + memo.InsetY());
}

double DrawTextMemoLayout::CalcWidth(TfrxCustomMemoView& memo) {
    TfrxDrawText& dt = MemoDrawText(memo);
    DrawTextLock lock(dt);
    return MeasureWidth(dt, memo);
}

double DrawTextMemoLayout::FitPart(TfrxCustomMemoView& memo) {
    TfrxDrawText& dt = MemoDrawText(memo);
    DrawTextLock lock(dt);
    const WideString remaining = memo.RemainingText;
    memo.SetText(remaining);
    LayOut(dt, memo, MemoInnerRect(memo));
    const double unused = dt.LeftoverSpace();
    const bool hadLines = dt.LineCount() > 0;
    TfrxDrawText::Overflow overflow = dt.OverflowText();
    memo.LastParaBreak = overflow.insideParagraph;
    if (hadLines && dt.LineCount() == 0) {
        // Nothing fits: all of the text waits for the next part, unchanged
        // (the cut would drop a leading blank and add attribute tags).
        memo.SetText(WideString());
        memo.RemainingText = remaining;
    } else {
        memo.SetText(dt.FittingText());
        memo.RemainingText = std::move(overflow.text);
    }
    return unused == 0 ? memo.Height() : unused;
}

void InstallMemoLayout() {
    static DrawTextMemoLayout layout;
    SetMemoLayout(&layout);
}

// ---------------------------------------------------------------- auto width and drawing

void ApplyAutoWidth(TfrxCustomMemoView& memo) {
    if (!memo.AutoWidth)
        return;
    TfrxDrawText& dt = MemoDrawText(memo);
    DrawTextLock lock(dt);
    ApplyAutoWidthWith(dt, memo);
}

void DrawMemo(TfrxCustomMemoView& memo, Canvas& canvas, double scaleX, double scaleY,
              double offsetX, double offsetY) {
    ResolveMemoPlaceholders(memo);
    ColorRestorer restoreColor(memo);
    TfrxDrawText& dt = MemoDrawText(memo);
    DrawTextLock lock(dt);

    if (memo.Highlight.Active)
        memo.Color = memo.Highlight.Color;
    ApplyAutoWidthWith(dt, memo);
    Configure(dt, memo);
    dt.ConfigureArea(MemoInnerRect(memo), MemoInnerRect(memo, scaleX, scaleY, offsetX, offsetY), 1,
                     scaleX, scaleY);
    dt.LayoutText(memo.Memo);
    dt.MarkPartBreaks(memo.FirstParaBreak, memo.LastParaBreak);

    const IntRect box = ViewPixelRect(memo, scaleX, scaleY, offsetX, offsetY);
    PaintBackground(canvas, memo, box);
    PaintFrame(canvas, memo, box, scaleX);
    if (memo.Underlines && memo.Rotation() == 0)
        PaintUnderlines(canvas, memo, dt, box, scaleX, scaleY);
    dt.DrawLaidOut(canvas, static_cast<TextHAlign>(memo.HAlign),
                   static_cast<TextVAlign>(memo.VAlign));
}

WideString MemoTextLines(TfrxCustomMemoView& memo, bool wrapped) {
    TfrxDrawText& dt = MemoDrawText(memo);
    DrawTextLock lock(dt);
    ApplyAutoWidthWith(dt, memo);
    LayOut(dt, memo, MemoInnerRect(memo));
    dt.MarkPartBreaks(memo.FirstParaBreak, memo.LastParaBreak);
    return wrapped ? dt.WrappedLines() : TfrxDrawText::PlainText(memo.Text());
}

} // namespace kanvo
