// The vector paths of the page writer: colours, frames, memo shadow and fill,
// line views with arrow heads, rectangle and diagonal shapes. Only memos (and
// raster images) are enclosed in "q" ... "Q"; the stroke colour, width and
// line join that lines and shapes set stay in force for the objects after
// them on the page.
#include "pdf/pdf_file.h"

#include "platform/graphics/canvas.h"
#include "report/model/views.h"

#include <cmath>

namespace kanvo {
namespace {

constexpr const char* kPageBackgroundName = "_pagebackground";

bool NoColor(int32_t color) {
    return IsNoColor(static_cast<uint32_t>(color));
}

} // namespace

std::string TfrxPDFPage::Point(double x, double y) const {
    return FormatNumber(x) + " " + FormatNumber(y);
}

std::string TfrxPDFPage::ColorString(int32_t color) {
    if (color == 0)
        return "0 0 0";
    if (static_cast<uint32_t>(color) == kColorWhite)
        return "1 1 1";
    if (color == lastColor_)
        return lastColorText_;
    // "none" is resolved like any colour (three components of 1.00).
    Rgb rgb = ColorToRgb(static_cast<uint32_t>(color));
    lastColor_ = color;
    lastColorText_ = FormatNumber(rgb.r / 255.0) + " " + FormatNumber(rgb.g / 255.0) + " " +
                     FormatNumber(rgb.b / 255.0);
    return lastColorText_;
}

PdfViewPath TfrxPDFPage::ViewPath(const TfrxView& view) const {
    if (view.Name() == kPageBackgroundName)
        return parent_.Background ? PdfViewPath::Raster : PdfViewPath::None;
    if (const auto* memo = dynamic_cast<const TfrxCustomMemoView*>(&view)) {
        bool plainBrush =
            view.BrushStyle == TBrushStyle::bsSolid || view.BrushStyle == TBrushStyle::bsClear;
        bool html =
            memo->AllowHTMLTags && parent_.HTMLTags && memo->Text().find(u'<') != WideString::npos;
        return plainBrush && !html ? PdfViewPath::Text : PdfViewPath::Raster;
    }
    if (dynamic_cast<const TfrxCustomLineView*>(&view) != nullptr)
        return PdfViewPath::Line;
    if (const auto* shape = dynamic_cast<const TfrxShapeView*>(&view)) {
        switch (shape->Shape) {
        case TfrxShapeKind::skRectangle:
            return PdfViewPath::Rectangle;
        case TfrxShapeKind::skDiagonal1:
        case TfrxShapeKind::skDiagonal2:
            return PdfViewPath::Diagonal;
        default:
            return PdfViewPath::Raster;
        }
    }
    return view.Width() > 0 && view.Height() > 0 ? PdfViewPath::Raster : PdfViewPath::None;
}

void TfrxPDFPage::AddObject(const TfrxView& view) {
    switch (ViewPath(view)) {
    case PdfViewPath::None:
        break;
    case PdfViewPath::Text:
        WriteMemo(dynamic_cast<const TfrxCustomMemoView&>(view));
        break;
    case PdfViewPath::Line:
        WriteLineView(dynamic_cast<const TfrxCustomLineView&>(view));
        break;
    case PdfViewPath::Rectangle:
    case PdfViewPath::Diagonal:
        WriteShape(dynamic_cast<const TfrxShapeView&>(view));
        break;
    case PdfViewPath::Raster:
        WriteRaster(view);
        break;
    }
}

void TfrxPDFPage::WriteFrame(const TfrxFrame& frame, double left, double top, double width,
                             double height) {
    const int sides = frame.Typ & (ftLeft | ftRight | ftTop | ftBottom);
    if (sides == 0 || NoColor(frame.Color()))
        return;
    WriteLine(ColorString(frame.Color()) + " RG");
    WriteLine(FormatNumber(frame.Width() * 0.75) + " w");
    const std::string lt = Point(X(left), Y(top)), rt = Point(X(left + width), Y(top));
    const std::string rb = Point(X(left + width), Y(top + height));
    const std::string lb = Point(X(left), Y(top + height));
    if (sides == (ftLeft | ftRight | ftTop | ftBottom)) {
        WriteLine(lt + " m");
        WriteLine(rt + " l");
        WriteLine(rb + " l");
        WriteLine(lb + " l");
        WriteLine(lt + " l");
        WriteLine("s");
        return;
    }
    auto stroke = [this](const std::string& from, const std::string& to) {
        WriteLine(from + " m");
        WriteLine(to + " l");
        WriteLine("S");
    };
    if (sides & ftTop)
        stroke(lt, rt);
    if (sides & ftRight)
        stroke(rt, rb);
    if (sides & ftBottom)
        stroke(lb, rb);
    if (sides & ftLeft)
        stroke(lt, lb);
}

void TfrxPDFPage::WriteMemo(const TfrxCustomMemoView& memo) {
    const double l = memo.AbsLeft(), t = memo.AbsTop();
    double w = memo.Width(), h = memo.Height();
    const TfrxFrame& frame = memo.Frame;
    const double fw = frame.Width();
    WriteLine("q");
    WriteLine(FormatNumber(X(l - fw)) + " " + FormatNumber(Y(t + h + fw)) + " " +
              FormatNumber((2 * fw + w) * 0.75) + " " + FormatNumber((2 * fw + h) * 0.75) + " re");
    WriteLine("W");
    WriteLine("n");
    if (frame.DropShadow) {
        const double s = frame.ShadowWidth;
        const double wv = w - s, hv = h - s;
        const std::string c = ColorString(frame.ShadowColor);
        WriteLine(c + " rg");
        WriteLine(c + " RG");
        WriteLine(Point(X(l + wv), Y(t + h)) + " " + FormatNumber(s * 0.75) + " " +
                  FormatNumber(hv * 0.75) + " re");
        WriteLine("B");
        WriteLine(Point(X(l + s), Y(t + h)) + " " + FormatNumber(wv * 0.75) + " " +
                  FormatNumber(s * 0.75) + " re");
        WriteLine("B");
        w = wv;
        h = hv;
    }
    const int32_t fill = memo.Highlight.Active ? memo.Highlight.Color : memo.Color;
    if (!NoColor(fill)) {
        WriteLine(ColorString(fill) + " rg");
        WriteLine(Point(X(l), Y(t + h)) + " " + FormatNumber(w * 0.75) + " " +
                  FormatNumber(h * 0.75) + " re");
        WriteLine("f");
    }
    WriteFrame(frame, l, t, w, h);
    WriteMemoText(memo, l, t, w, h);
    WriteLine("Q");
}

void TfrxPDFPage::WriteLineView(const TfrxCustomLineView& line) {
    const double l = line.AbsLeft(), t = line.AbsTop();
    const double xl = X(l), yt = Y(t), xr = X(l + line.Width()), yb = Y(t + line.Height());
    WriteLine(ColorString(line.Frame.Color()) + " RG");
    WriteLine(FormatNumber(line.Frame.Width() * 0.75) + " w");
    WriteLine(Point(xl, yt) + " m");
    WriteLine(Point(xr, yb) + " l");
    WriteLine("S");
    if (line.ArrowStart)
        WriteArrow(line, xl, yt, xr, yb);
    if (line.ArrowEnd)
        WriteArrow(line, xr, yb, xl, yt);
}

void TfrxPDFPage::WriteArrow(const TfrxCustomLineView& line, double tx, double ty, double ox,
                             double oy) {
    const double w = line.ArrowWidth * 0.75, len = line.ArrowLength * 0.75;
    auto outside = [](double v, double a, double b) {
        return (v > a && v > b) || (v < a && v < b);
    };
    // The base point lies on the line at distance len from the tip, towards
    // the other end.
    double x0 = tx, y0 = ty, k = 0;
    if (tx != ox) {
        k = (ty - oy) / (tx - ox);
        const double m = (tx * oy - ty * ox) / (tx - ox);
        const double a = k * k + 1, b = 2 * (k * (m - ty) - tx);
        const double c = tx * tx + (m - ty) * (m - ty) - len * len;
        // Rounding can leave the discriminant a hair below zero.
        const double root = std::sqrt(std::max(0.0, b * b - 4 * a * c));
        x0 = (root - b) / (2 * a);
        if (outside(x0, tx, ox))
            x0 = (-root - b) / (2 * a);
        y0 = m + k * x0;
    } else {
        y0 = ty - len;
        if (outside(y0, ty, oy))
            y0 = ty + len;
    }
    double x1, y1, x2, y2;
    if (tx != ox && ty != oy) {
        const double theta = std::atan(k);
        x1 = x0 + w * std::sin(theta);
        y1 = y0 - w * std::cos(theta);
        x2 = x0 - w * std::sin(theta);
        y2 = y0 + w * std::cos(theta);
    } else if (ty == oy) {
        x1 = x2 = x0;
        y1 = y0 - w;
        y2 = y0 + w;
    } else {
        y1 = y2 = y0;
        x1 = x0 - w;
        x2 = x0 + w;
    }
    WriteLine(Point(x1, y1) + " m");
    WriteLine(Point(tx, ty) + " l");
    WriteLine(Point(x2, y2) + " l");
    if (line.ArrowSolid) {
        WriteLine("1 j");
        WriteLine(ColorString(line.Frame.Color()) + " rg");
        WriteLine("b");
    } else {
        WriteLine("S");
    }
}

void TfrxPDFPage::WriteShape(const TfrxShapeView& shape) {
    const double l = shape.AbsLeft(), t = shape.AbsTop(), w = shape.Width(), h = shape.Height();
    WriteLine(ColorString(shape.Frame.Color()) + " RG");
    WriteLine(FormatNumber(shape.Frame.Width() * 0.75) + " w");
    switch (shape.Shape) {
    case TfrxShapeKind::skRectangle:
        WriteLine(ColorString(shape.Color) + " rg");
        WriteLine(Point(X(l), Y(t + h)) + " ");
        WriteLine(FormatNumber(w * 0.75) + " " + FormatNumber(h * 0.75) + " re");
        WriteLine(NoColor(shape.Color) ? "S" : "B");
        break;
    case TfrxShapeKind::skDiagonal1:
        WriteLine(Point(X(l), Y(t + h)) + " m");
        WriteLine(Point(X(l + w), Y(t)) + " l");
        WriteLine("S");
        break;
    default: // skDiagonal2; other shapes take the raster path
        WriteLine(Point(X(l), Y(t)) + " m");
        WriteLine(Point(X(l + w), Y(t + h)) + " l");
        WriteLine("S");
        break;
    }
}

} // namespace kanvo
