// Views painted on a canvas in device pixels: the raster path of the PDF
// writer paints the views it cannot express as PDF operators on a white
// bitmap with these, then stores the bitmap as JPEG.
//
// What is painted:
// - every view: its fill (Color, then the hatch of a non-solid BrushStyle in
//   the frame colour), its drop shadow and its frame, every side a solid line
//   of the side's scaled width in the side's colour (frame styles are not
//   drawn);
// - pictures: BMP, JPEG and PNG graphics placed by Stretched,
//   KeepAspectRatio and Center (metafiles and icons are not decoded and
//   leave only fill and frame); a graphic that cannot be decoded raises
//   EImageError naming the view;
// - shapes: rectangle, rounded rectangle, ellipse, triangle, diamond and the
//   two diagonals, outlined with the frame colour and filled with Color;
// - lines: straight or diagonal, without arrow heads;
// - memos: the report engine's DrawMemo (fill, hatch, shadow, frame and the
//   laid-out text); it works on the memo itself (drawing-time placeholders,
//   AutoWidth), and a `frameWidth` given here is set on the memo's frame for
//   the painting and put back afterwards, the sides' own widths included.
#pragma once

#include "platform/graphics/canvas.h"

#include <optional>

namespace kanvo {

class TfrxView;

// The pixel rectangle of a view on a canvas: X = round(offsetX + scaleX ×
// AbsLeft), X1 = round(offsetX + scaleX × (AbsLeft + Width)), likewise Y and
// Y1; with a drop shadow X1 and Y1 move in by the scaled shadow width.
// DX = X1 − X, DY = Y1 − Y; FW = round(scaleX × frame width). Rounding is to
// the nearest integer, halves to even.
struct ViewDrawRect {
    int x = 0, y = 0, x1 = 0, y1 = 0, dx = 0, dy = 0, fw = 0;
};

ViewDrawRect ComputeDrawRect(const TfrxView& view, double scaleX, double scaleY, double offsetX,
                             double offsetY, std::optional<double> frameWidth = std::nullopt);

// Paints the view; `frameWidth` replaces the frame's width for this painting
// (the PDF writer paints with 0 and writes the frame as vector lines).
// Memos are changed while they are painted (see above), other views never.
void DrawView(const TfrxView& view, Canvas& canvas, double scaleX, double scaleY, double offsetX,
              double offsetY, std::optional<double> frameWidth = std::nullopt);

// The preview's painter for the views its page drawing leaves out:
// pictures and rich text are drawn here; false for every other view.
bool PaintPreviewView(TfrxView& view, Canvas& canvas, double scale, double offsetX, double offsetY);

} // namespace kanvo
