#include "report/engine/page_drawing.h"

#include "report/engine/memo_layout.h"
#include "report/engine/prepared_pages.h"
#include "report/model/bands.h"

#include <algorithm>
#include <cmath>

namespace kanvo {

namespace {

PenStyle PenStyleOf(TfrxFrameStyle style) {
    switch (style) {
    case TfrxFrameStyle::fsDash:
        return PenStyle::Dash;
    case TfrxFrameStyle::fsDot:
    case TfrxFrameStyle::fsAltDot:
    case TfrxFrameStyle::fsSquare:
        return PenStyle::Dot;
    case TfrxFrameStyle::fsDashDot:
        return PenStyle::DashDot;
    case TfrxFrameStyle::fsDashDotDot:
        return PenStyle::DashDotDot;
    default:
        return PenStyle::Solid;
    }
}

Pen FramePen(const TfrxFrame& frame, double scale) {
    Pen pen;
    pen.color = static_cast<uint32_t>(frame.Color());
    pen.width = std::max(1.0, std::round(frame.Width() * scale));
    pen.style = PenStyleOf(frame.Style());
    return pen;
}

RectF Box(const TfrxView& view, double scale, double ox, double oy) {
    return {ox + view.AbsLeft() * scale, oy + view.AbsTop() * scale,
            ox + (view.AbsLeft() + view.Width()) * scale,
            oy + (view.AbsTop() + view.Height()) * scale};
}

void DrawLine(TfrxCustomLineView& line, Canvas& canvas, double scale, double ox, double oy) {
    if (IsNoColor(static_cast<uint32_t>(line.Frame.Color())) || line.Frame.Width() == 0)
        return;
    const RectF box = Box(line, scale, ox, oy);
    canvas.SetPen(FramePen(line.Frame, scale));
    if (line.Diagonal)
        canvas.Line({box.left, box.top}, {box.right, box.bottom});
    else if (line.Width() <= line.Height())
        canvas.Line({box.left, box.top}, {box.left, box.bottom});
    else
        canvas.Line({box.left, box.top}, {box.right, box.top});
}

void DrawShape(TfrxShapeView& shape, Canvas& canvas, double scale, double ox, double oy) {
    const RectF box = Box(shape, scale, ox, oy);
    Pen pen = FramePen(shape.Frame, scale);
    if (IsNoColor(pen.color))
        pen.style = PenStyle::Clear;
    canvas.SetPen(pen);
    Brush brush;
    brush.color = static_cast<uint32_t>(shape.Color);
    brush.style = IsNoColor(brush.color) ? BrushStyle::Clear : BrushStyle::Solid;
    canvas.SetBrush(brush);
    const double w = box.Width(), h = box.Height();
    switch (shape.Shape) {
    case TfrxShapeKind::skRectangle:
        canvas.Rectangle(box);
        break;
    case TfrxShapeKind::skRoundRectangle: {
        const double r =
            shape.Curve > 0 ? std::round(shape.Curve * scale * 10) : std::floor(std::min(w, h) / 4);
        canvas.RoundRect(box, r, r);
        break;
    }
    case TfrxShapeKind::skEllipse:
        canvas.Ellipse(box);
        break;
    case TfrxShapeKind::skTriangle:
        canvas.Polygon(
            {{box.right, box.bottom}, {box.left, box.bottom}, {box.left + w / 2, box.top}});
        break;
    case TfrxShapeKind::skDiamond:
        canvas.Polygon({{box.left + w / 2, box.top},
                        {box.right, box.top + h / 2},
                        {box.left + w / 2, box.bottom},
                        {box.left, box.top + h / 2}});
        break;
    case TfrxShapeKind::skDiagonal1:
        canvas.Line({box.left, box.bottom}, {box.right, box.top});
        break;
    case TfrxShapeKind::skDiagonal2:
        canvas.Line({box.left, box.top}, {box.right, box.bottom});
        break;
    }
}

// The frame of a view that draws nothing else here (a picture without a painter).
void DrawFrame(TfrxView& view, Canvas& canvas, double scale, double ox, double oy) {
    if (view.Frame.Typ == 0 || IsNoColor(static_cast<uint32_t>(view.Frame.Color())))
        return;
    const RectF b = Box(view, scale, ox, oy);
    canvas.SetPen(FramePen(view.Frame, scale));
    if (view.Frame.Typ & ftTop)
        canvas.Line({b.left, b.top}, {b.right, b.top});
    if (view.Frame.Typ & ftRight)
        canvas.Line({b.right, b.top}, {b.right, b.bottom});
    if (view.Frame.Typ & ftBottom)
        canvas.Line({b.left, b.bottom}, {b.right, b.bottom});
    if (view.Frame.Typ & ftLeft)
        canvas.Line({b.left, b.top}, {b.left, b.bottom});
}

void DrawView(TfrxView& view, Canvas& canvas, double scale, double ox, double oy, int totalPages,
              const ViewPainter& painter) {
    if (!view.Visible())
        return;
    if (painter && painter(view, canvas, scale, ox, oy))
        return;
    if (auto* memo = dynamic_cast<TfrxCustomMemoView*>(&view)) {
        memo->TotalPages = totalPages;
        memo->CopyNo = 0;
        DrawMemo(*memo, canvas, scale, scale, ox, oy);
    } else if (auto* line = dynamic_cast<TfrxCustomLineView*>(&view))
        DrawLine(*line, canvas, scale, ox, oy);
    else if (auto* shape = dynamic_cast<TfrxShapeView*>(&view))
        DrawShape(*shape, canvas, scale, ox, oy);
    else
        DrawFrame(view, canvas, scale, ox, oy);
}

} // namespace

void DrawPreparedPage(TfrxReportPage& page, Canvas& canvas, double scale, double offsetX,
                      double offsetY, int totalPages, const ViewPainter& painter) {
    canvas.FillRect(
        {offsetX, offsetY, offsetX + page.Width() * scale, offsetY + page.Height() * scale},
        kColorWhite);
    // Bands sit in the printable area; the page's position is its margins.
    page.SetLeft(page.LeftMargin * fr01cm);
    page.SetTop(page.TopMargin * fr01cm);
    const double printableWidth = page.Width() - (page.LeftMargin + page.RightMargin) * fr01cm;
    const double printableHeight = page.Height() - (page.TopMargin + page.BottomMargin) * fr01cm;
    if (!IsNoColor(static_cast<uint32_t>(page.Color())))
        canvas.FillRect({offsetX + page.Left() * scale, offsetY + page.Top() * scale,
                         offsetX + (page.Left() + printableWidth) * scale,
                         offsetY + (page.Top() + printableHeight) * scale},
                        static_cast<uint32_t>(page.Color()));
    for (TfrxComponent* c : page.Objects()) {
        auto* band = dynamic_cast<TfrxBand*>(c);
        if (!band || !band->Visible())
            continue;
        for (TfrxComponent* child : band->Objects())
            if (auto* view = dynamic_cast<TfrxView*>(child))
                DrawView(*view, canvas, scale, offsetX, offsetY, totalPages, painter);
    }
    page.SetLeft(0);
    page.SetTop(0);
}

PageSource ViewOfPreparedPages(TfrxPreviewPages& pages, ViewPainter painter) {
    PageSource view;
    view.Count = pages.Count();
    view.PageSize = [&pages](int page) { return pages.PagePixelSize(page); };
    view.DrawPage = [&pages, painter](int page, Canvas& canvas, double scale, double x, double y) {
        if (TfrxReportPage* built = pages.BuildPage(page))
            DrawPreparedPage(*built, canvas, scale, x, y, pages.Count(), painter);
    };
    return view;
}

} // namespace kanvo
