// The raster path of the page writer: a view painted on a white bitmap,
// written as an inline JPEG image, then its frame as vector lines.
#include "pdf/pdf_raster.h"

#include "report/rich/rich_view.h"

#include "pdf/pdf_file.h"
#include "platform/graphics/image_codecs.h"
#include "report/engine/memo_layout.h"
#include "report/model/views.h"

#include <cmath>

namespace kanvo {
namespace {

// Nearest integer, halves to even (the default rounding mode); values
// beyond ±10⁹ (and NaN) are held there instead of overflowing the int.
int RoundEven(double v) {
    if (!(v > -1e9))
        return std::isnan(v) ? 0 : -1000000000;
    if (v > 1e9)
        return 1000000000;
    return static_cast<int>(std::nearbyint(v));
}

bool NoColor(int32_t color) {
    return IsNoColor(static_cast<uint32_t>(color));
}

uint32_t Colour(int32_t color) {
    return static_cast<uint32_t>(color);
}

RectF Box(const ViewDrawRect& r) {
    return RectF{static_cast<double>(r.x), static_cast<double>(r.y), static_cast<double>(r.x1),
                 static_cast<double>(r.y1)};
}

void PaintBackground(const TfrxView& view, Canvas& canvas, const ViewDrawRect& r) {
    if (!NoColor(view.Color))
        canvas.FillRect(Box(r), Colour(view.Color));
    const int hatch = static_cast<int>(view.BrushStyle);
    if (hatch >= static_cast<int>(TBrushStyle::bsHorizontal) && !NoColor(view.Frame.Color())) {
        canvas.SetPen(Pen{kColorBlack, 1, PenStyle::Clear});
        canvas.SetBrush(Brush{Colour(view.Frame.Color()), static_cast<BrushStyle>(hatch)});
        canvas.Rectangle(Box(r));
    }
}

// A solid line of `width` pixels along one edge: the pixels from `from` to
// `to` (inclusive) on row or column `at`, widened around it as a thick line
// of one-pixel lines at −(w div 2) … w − 1 − (w div 2).
void ThickEdge(Canvas& canvas, bool horizontal, int at, int from, int to, int width,
               uint32_t color) {
    width = std::max(1, width);
    const int lo = at - width / 2, hi = lo + width;
    const int a = std::min(from, to) - width / 2, b = std::max(from, to) + width - width / 2;
    if (horizontal)
        canvas.FillRect(RectF{static_cast<double>(a), static_cast<double>(lo),
                              static_cast<double>(b), static_cast<double>(hi)},
                        color);
    else
        canvas.FillRect(RectF{static_cast<double>(lo), static_cast<double>(a),
                              static_cast<double>(hi), static_cast<double>(b)},
                        color);
}

void PaintFrame(const TfrxView& view, Canvas& canvas, const ViewDrawRect& r, double scaleX,
                double scaleY, double frameWidth) {
    const TfrxFrame& frame = view.Frame;
    if (frame.DropShadow) {
        const int sw = RoundEven(scaleX * frame.ShadowWidth);
        const int sh = RoundEven(scaleY * frame.ShadowWidth);
        const auto c = Colour(frame.ShadowColor);
        canvas.FillRect(RectF{static_cast<double>(r.x1), static_cast<double>(r.y + sh),
                              static_cast<double>(r.x1 + sw), static_cast<double>(r.y1 + sh)},
                        c);
        canvas.FillRect(RectF{static_cast<double>(r.x + sw), static_cast<double>(r.y1),
                              static_cast<double>(r.x1 + sw), static_cast<double>(r.y1 + sh)},
                        c);
    }
    if (frame.Typ == 0 || NoColor(frame.Color()) || frameWidth == 0)
        return;
    // A side's own width scales with the frame width in force (0 while the
    // writer paints, so nothing is drawn then).
    auto width = [&](const TfrxFrameLine& line) {
        const double w = frame.Width() != 0 ? line.Width * frameWidth / frame.Width() : frameWidth;
        return RoundEven(scaleX * w);
    };
    if (frame.Typ & ftTop)
        ThickEdge(canvas, true, r.y, r.x, r.x1, width(frame.TopLine), Colour(frame.TopLine.Color));
    if (frame.Typ & ftLeft)
        ThickEdge(canvas, false, r.x, r.y, r.y1, width(frame.LeftLine),
                  Colour(frame.LeftLine.Color));
    if (frame.Typ & ftBottom)
        ThickEdge(canvas, true, r.y1, r.x, r.x1, width(frame.BottomLine),
                  Colour(frame.BottomLine.Color));
    if (frame.Typ & ftRight)
        ThickEdge(canvas, false, r.x1, r.y, r.y1, width(frame.RightLine),
                  Colour(frame.RightLine.Color));
}

std::unique_ptr<Bitmap> DecodeGraphic(const TfrxView& view, const TGraphic& graphic) {
    ImageFormat format;
    switch (graphic.Kind()) {
    case TGraphicKind::Bitmap:
        format = ImageFormat::Bmp;
        break;
    case TGraphicKind::Jpeg:
        format = ImageFormat::Jpeg;
        break;
    case TGraphicKind::Png:
        format = ImageFormat::Png;
        break;
    default:
        return nullptr; // metafiles, icons, unknown classes: not decoded
    }
    try {
        return DecodeImage(format, graphic.FileBytes());
    } catch (const EImageError& e) {
        throw EImageError(Format("Picture \"%s\": %s", {view.Name(), e.Message()}));
    }
}

void DrawPicture(const TfrxPictureView& view, Canvas& canvas, const ViewDrawRect& r, double scaleX,
                 double scaleY) {
    const TGraphic* graphic = view.Picture.Graphic();
    if (!graphic || graphic->FileBytes().empty())
        return;
    std::unique_ptr<Bitmap> image = DecodeGraphic(view, *graphic);
    if (!image)
        return;
    const int pw = image->Width(), ph = image->Height();
    const bool smooth = view.HightQuality;
    if (view.Stretched) {
        int left = r.x, top = r.y, right = r.x1, bottom = r.y1;
        if (view.KeepAspectRatio) {
            const double kx = static_cast<double>(r.dx) / pw, ky = static_cast<double>(r.dy) / ph;
            if (ky > kx)
                bottom = top + RoundEven(ph * kx);
            else
                right = left + RoundEven(pw * ky);
            if (view.Center) {
                const int mx = (r.dx - (right - left)) / 2, my = (r.dy - (bottom - top)) / 2;
                left += mx, right += mx, top += my, bottom += my;
            }
        }
        canvas.StretchImage(*image,
                            RectF{static_cast<double>(left), static_cast<double>(top),
                                  static_cast<double>(right), static_cast<double>(bottom)},
                            smooth);
        return;
    }
    const int tw = RoundEven(pw * scaleX), th = RoundEven(ph * scaleY);
    int left = r.x, top = r.y;
    if (view.Center) {
        left += (r.dx - tw) / 2;
        top += (r.dy - th) / 2;
    }
    canvas.PushClip(Box(r));
    canvas.StretchImage(*image,
                        RectF{static_cast<double>(left), static_cast<double>(top),
                              static_cast<double>(left + tw), static_cast<double>(top + th)},
                        smooth);
    canvas.PopClip();
}

void DrawShape(const TfrxShapeView& view, Canvas& canvas, const ViewDrawRect& r, double scaleX) {
    const TfrxFrame& frame = view.Frame;
    // A pen of width 0 still draws one pixel.
    const int penWidth = std::max(1, r.fw);
    const Pen pen{Colour(frame.Color()), static_cast<double>(penWidth),
                  NoColor(frame.Color()) ? PenStyle::Clear : PenStyle::Solid};
    // Pixel-centred outlines for odd pen widths, so that a one-pixel line
    // covers exactly the rows and columns X … X1 and Y … Y1.
    const double o = penWidth % 2 == 1 ? 0.5 : 0;
    const double x = r.x + o, y = r.y + o, x1 = r.x1 + o, y1 = r.y1 + o;
    const double hx = r.dx / 2, hy = r.dy / 2;
    auto outline = [&] {
        switch (view.Shape) {
        case TfrxShapeKind::skRectangle:
            canvas.Rectangle(RectF{x, y, x1, y1});
            break;
        case TfrxShapeKind::skRoundRectangle: {
            const int corner =
                view.Curve != 0 ? RoundEven(view.Curve * scaleX * 10) : std::min(r.dx, r.dy) / 4;
            canvas.RoundRect(RectF{x, y, x1, y1}, corner / 2.0, corner / 2.0);
            break;
        }
        case TfrxShapeKind::skEllipse:
            canvas.Ellipse(RectF{x, y, x1, y1});
            break;
        case TfrxShapeKind::skTriangle:
            canvas.Polygon({{x1, y1}, {x, y1}, {x + hx, y}});
            break;
        case TfrxShapeKind::skDiamond:
            canvas.Polygon({{x + hx, y}, {x1, y + hy}, {x + hx, y1}, {x, y + hy}});
            break;
        case TfrxShapeKind::skDiagonal1:
            canvas.Line({x, y1}, {x1, y});
            break;
        case TfrxShapeKind::skDiagonal2:
            canvas.Line({x, y}, {x1, y1});
            break;
        }
    };
    const bool solid = view.BrushStyle == TBrushStyle::bsSolid;
    if (!solid && !NoColor(view.Color)) {
        // The fill first, then the hatch over it.
        canvas.SetPen(Pen{kColorBlack, 1, PenStyle::Clear});
        canvas.SetBrush(Brush{Colour(view.Color), BrushStyle::Solid});
        outline();
    }
    canvas.SetPen(pen);
    if (solid)
        canvas.SetBrush(
            Brush{Colour(view.Color), NoColor(view.Color) ? BrushStyle::Clear : BrushStyle::Solid});
    else
        canvas.SetBrush(Brush{Colour(frame.Color()), static_cast<BrushStyle>(view.BrushStyle)});
    outline();
}

void DrawLine(const TfrxCustomLineView& view, Canvas& canvas, const ViewDrawRect& r) {
    const TfrxFrame& frame = view.Frame;
    if (NoColor(frame.Color()) || frame.Width() == 0 || r.fw == 0)
        return;
    if (!view.Diagonal) {
        if (view.Width() <= view.Height())
            ThickEdge(canvas, false, r.x, r.y, r.y1, r.fw, Colour(frame.Color()));
        else
            ThickEdge(canvas, true, r.y, r.x, r.x1, r.fw, Colour(frame.Color()));
        return;
    }
    canvas.SetPen(Pen{Colour(frame.Color()), static_cast<double>(r.fw), PenStyle::Solid});
    canvas.Line({r.x + 0.5, r.y + 0.5}, {r.x1 + 0.5, r.y1 + 0.5});
}

// Sets a frame's width for a while and then puts back the frame's and every
// side's own width.
class FrameWidthScope {
public:
    FrameWidthScope(TfrxFrame& frame, double width)
        : frame_(frame),
          width_(frame.Width()), sides_{frame.LeftLine.Width, frame.TopLine.Width,
                                        frame.RightLine.Width, frame.BottomLine.Width} {
        frame.SetWidth(width);
    }
    ~FrameWidthScope() {
        frame_.SetWidth(width_);
        frame_.LeftLine.Width = sides_[0];
        frame_.TopLine.Width = sides_[1];
        frame_.RightLine.Width = sides_[2];
        frame_.BottomLine.Width = sides_[3];
    }
    FrameWidthScope(const FrameWidthScope&) = delete;
    FrameWidthScope& operator=(const FrameWidthScope&) = delete;

private:
    TfrxFrame& frame_;
    double width_;
    double sides_[4];
};

} // namespace

ViewDrawRect ComputeDrawRect(const TfrxView& view, double scaleX, double scaleY, double offsetX,
                             double offsetY, std::optional<double> frameWidth) {
    ViewDrawRect r;
    const double l = view.AbsLeft(), t = view.AbsTop();
    r.x = RoundEven(offsetX + scaleX * l);
    r.y = RoundEven(offsetY + scaleY * t);
    r.x1 = RoundEven(offsetX + scaleX * (l + view.Width()));
    r.y1 = RoundEven(offsetY + scaleY * (t + view.Height()));
    if (view.Frame.DropShadow) {
        r.x1 -= RoundEven(scaleX * view.Frame.ShadowWidth);
        r.y1 -= RoundEven(scaleY * view.Frame.ShadowWidth);
    }
    r.dx = r.x1 - r.x;
    r.dy = r.y1 - r.y;
    r.fw = RoundEven(scaleX * frameWidth.value_or(view.Frame.Width()));
    return r;
}

void DrawView(const TfrxView& view, Canvas& canvas, double scaleX, double scaleY, double offsetX,
              double offsetY, std::optional<double> frameWidth) {
    // Memos and rich text are drawn by their own layers, on the object
    // itself (placeholders, AutoWidth); the frame width comes back after.
    auto drawOwn = [&](auto& target, auto draw) {
        std::optional<FrameWidthScope> scope;
        if (frameWidth)
            scope.emplace(target.Frame, *frameWidth);
        canvas.Save();
        draw(target, canvas, scaleX, scaleY, offsetX, offsetY);
        canvas.Restore();
    };
    if (const auto* memo = dynamic_cast<const TfrxCustomMemoView*>(&view)) {
        drawOwn(const_cast<TfrxCustomMemoView&>(*memo),
                [](TfrxCustomMemoView& m, Canvas& c, double sx, double sy, double ox, double oy) {
                    DrawMemo(m, c, sx, sy, ox, oy);
                });
        return;
    }
    if (const auto* rich = dynamic_cast<const TfrxRichView*>(&view)) {
        drawOwn(const_cast<TfrxRichView&>(*rich),
                [](TfrxRichView& v, Canvas& c, double sx, double sy, double ox, double oy) {
                    DrawRichView(v, c, sx, sy, ox, oy);
                });
        return;
    }
    const double fw = frameWidth.value_or(view.Frame.Width());
    const ViewDrawRect r = ComputeDrawRect(view, scaleX, scaleY, offsetX, offsetY, fw);
    canvas.Save();
    if (const auto* shape = dynamic_cast<const TfrxShapeView*>(&view)) {
        DrawShape(*shape, canvas, r, scaleX);
    } else if (const auto* line = dynamic_cast<const TfrxCustomLineView*>(&view)) {
        DrawLine(*line, canvas, r);
    } else {
        PaintBackground(view, canvas, r);
        if (const auto* picture = dynamic_cast<const TfrxPictureView*>(&view))
            DrawPicture(*picture, canvas, r, scaleX, scaleY);
        PaintFrame(view, canvas, r, scaleX, scaleY, fw);
    }
    canvas.Restore();
}

void TfrxPDFPage::WriteRaster(const TfrxView& view) {
    if (!(view.Width() > 0 && view.Height() > 0))
        return;
    const double l = view.AbsLeft(), t = view.AbsTop(), w = view.Width(), h = view.Height();
    // The bounds' shifts: for every view class here the bounds are the box.
    const TfrxReportComponent::Rect bounds = view.AbsoluteBounds();
    const double rw = bounds.Right - bounds.Left, rh = bounds.Bottom - bounds.Top;
    double dx = 0, dy = 0;
    if (rw != w && l != bounds.Left)
        dx = bounds.Right != l + w ? (rw - w) / 2 : rw - w;
    if (rh != h && t != bounds.Top)
        dy = bounds.Bottom != t + h ? (rh - h) / 2 : rh - h;

    const bool plainBrush =
        view.BrushStyle == TBrushStyle::bsSolid || view.BrushStyle == TBrushStyle::bsClear;
    const bool memo = dynamic_cast<const TfrxCustomMemoView*>(&view) != nullptr;
    double s = plainBrush && (memo || parent_.PrintOptimized) ? 3 : 1;
    int offset = 0;
    const bool barCode = view.ClassType().Name() == "TfrxBarCodeView";
    if (barCode) {
        s = 2;
        if (!parent_.PrintOptimized)
            offset = 2;
    }
    const double bwReal = s + std::nearbyint(s * rw), bhReal = s + std::nearbyint(s * rh);
    if (!(bwReal <= kMaxImageSide && bhReal <= kMaxImageSide &&
          bwReal * bhReal <= static_cast<double>(kMaxImagePixels)))
        throw EImageError(Format("View \"%s\" is too large to be written as an image (%s x %s "
                                 "report pixels).",
                                 {view.Name(), FormatNumber(rw), FormatNumber(rh)}));
    const int bw = static_cast<int>(bwReal), bh = static_cast<int>(bhReal);
    auto bitmap = Bitmap::Create(bw, bh);
    {
        CairoCanvas canvas(*bitmap);
        // The frame is written as vector lines below, not painted.
        const double fw = view.Frame.Width();
        DrawView(view, canvas, s, s, offset - RoundEven((l - dx) * s), -RoundEven((t - dy) * s),
                 fw > 0 ? std::optional<double>(0) : std::nullopt);
        canvas.Finish();
    }
    const bool vector = barCode || dynamic_cast<const TfrxCustomLineView*>(&view) != nullptr ||
                        dynamic_cast<const TfrxShapeView*>(&view) != nullptr;
    const std::string jpeg = EncodeJpeg(*bitmap, vector ? 85 : 80);

    WriteLine("q");
    WriteLine((rw == 0 ? std::string("1") : FormatNumber(rw * 0.75)) + " 0 0 " +
              (rh == 0 ? std::string("1") : FormatNumber(rh * 0.75)) + " " +
              FormatNumber(X(l - dx)) + " " + FormatNumber(Y(t - dy + rh)) + " cm");
    WriteLine("BI");
    WriteLine("/W " + std::to_string(bitmap->Width()));
    WriteLine("/H " + std::to_string(bitmap->Height()));
    WriteLine("/CS /RGB");
    WriteLine("/BPC 8");
    WriteLine("/I true");
    WriteLine("/F [/DCT]");
    WriteLine("ID");
    Write(jpeg);
    WriteLine("");
    WriteLine("EI");
    WriteLine("Q");
    WriteFrame(view.Frame, l, t, w, h);
}

bool PaintPreviewView(TfrxView& view, Canvas& canvas, double scale, double offsetX,
                      double offsetY) {
    if (!dynamic_cast<TfrxPictureView*>(&view) && !dynamic_cast<TfrxRichView*>(&view))
        return false;
    DrawView(view, canvas, scale, scale, offsetX, offsetY);
    return true;
}

} // namespace kanvo
