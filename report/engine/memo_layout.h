// Memo layout: how a memo view measures, splits and draws its text with the
// text layout TfrxDrawText.
//
// The model's memo class has no layout of its own; it calls the process-wide
// TfrxMemoLayout seam (report/model/views.h). InstallMemoLayout() puts the
// implementation below into that seam, after which TfrxCustomMemoView's
// CalcHeight, CalcWidth and FitPart measure real text.
//
// Every measuring or drawing call takes the layout instance of the memo
// (MemoDrawText), locks it for the whole call, configures it completely and
// unlocks it afterwards, also when something throws.
#pragma once

#include "platform/graphics/canvas.h"
#include "report/engine/draw_text.h"
#include "report/model/views.h"

namespace kanvo {

// ---------------------------------------------------------------- pieces

// The layout font of a TfrxFont (family name in UTF-8, size, style, charset, colour).
FontSpec MemoFontSpec(const TfrxFont& font);

// The font a memo lays out with: the highlight font while the highlight is active.
const TfrxFont& MemoLayoutFont(const TfrxCustomMemoView& memo);

// Font, options and spacing of a memo as the text layout takes them.
MemoTextSettings MemoSettingsOf(const TfrxCustomMemoView& memo);

// The view's pixel rectangle on a canvas: X = round(offsetX + scaleX × AbsLeft),
// Y likewise, X1/Y1 from AbsLeft + Width and AbsTop + Height; with a drop
// shadow X1 and Y1 move in by the scaled shadow width.
IntRect ViewPixelRect(const TfrxView& view, double scaleX, double scaleY, double offsetX,
                      double offsetY);

// The rectangle the text lives in: the pixel rectangle shrunk by the scaled
// gaps and, on sides that carry a frame line, by half the scaled frame width
// ((width − 1) / 2 left and top, width / 2 right and bottom), each side's
// shrink rounded; then one pixel added to the right and bottom edges.
IntRect MemoInnerRect(const TfrxCustomMemoView& memo, double scaleX = 1, double scaleY = 1,
                      double offsetX = 0, double offsetY = 0);

// The layout instance a memo uses: the instance shared by report memos for a
// memo inside a report, the process-wide TfrxDrawText::Shared() otherwise.
TfrxDrawText& MemoDrawText(const TfrxCustomMemoView& memo);

// ---------------------------------------------------------------- the layout seam

class DrawTextMemoLayout : public TfrxMemoLayout {
public:
    // Laid-out height (memo font or highlight font, options, spacing, in the
    // inner rectangle, or 10000 × 10000 with AutoWidth) + InsetY, rounded.
    double CalcHeight(TfrxCustomMemoView& memo) override;
    // Widest laid-out line in 10000 × 10000 + InsetX, rounded.
    double CalcWidth(TfrxCustomMemoView& memo) override;
    // The remaining text goes back into the lines and is laid out in the
    // current inner rectangle at scale 1: the lines that fit become the
    // memo's lines, the rest the new remaining text; LastParaBreak tells
    // whether the cut fell inside a paragraph. Returns the unused space below
    // the last whole line the rectangle holds, or Height when not one line
    // fits. When nothing fits the remaining text is kept exactly as it was.
    double FitPart(TfrxCustomMemoView& memo) override;
};

// Installs one DrawTextMemoLayout into the model's seam; safe to call again.
void InstallMemoLayout();

// ---------------------------------------------------------------- auto width and drawing

// With AutoWidth set: Width := CalcWidth (text width plus horizontal gaps);
// haRight keeps the right edge, haCenter the centre, other alignments the
// left edge; then the parent re-applies the Align of its child views.
// Nothing happens without AutoWidth.
void ApplyAutoWidth(TfrxCustomMemoView& memo);

// Draws a memo on a canvas in device pixels: drawing-time placeholders,
// the highlight's font and colour while it is active, AutoWidth, the fill
// (Color, brush hatch in the frame colour), the drop shadow, solid frame
// lines per side, Underlines, then the laid-out text with HAlign/VAlign.
// Color is the same afterwards. Dash styles of the frame are drawn solid.
void DrawMemo(TfrxCustomMemoView& memo, Canvas& canvas, double scaleX = 1, double scaleY = 1,
              double offsetX = 0, double offsetY = 0);

// The memo's text as exporters take it, laid out as for drawing at scale 1
// (an AutoWidth memo is resized first): with `wrapped` the laid-out lines
// joined with CR LF (tags removed), otherwise the memo's text without tags.
WideString MemoTextLines(TfrxCustomMemoView& memo, bool wrapped);

} // namespace kanvo
