#include "platform/graphics/canvas.h"

#include "platform/exception.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

namespace kanvo {

namespace {

// The usual values of the Windows system colours, by index.
constexpr uint32_t kSystemColors[] = {
    0xC8D0D4, 0x984E00, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
    0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
    0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xFF9933, 0xC8D0D4};

void SetSource(cairo_t* cr, uint32_t color) {
    Rgb rgb = ColorToRgb(color);
    cairo_set_source_rgb(cr, rgb.r / 255.0, rgb.g / 255.0, rgb.b / 255.0);
}

[[noreturn]] void Unbalanced() {
    throw Exception("Canvas calls unbalanced.");
}

bool IsRtlChar(char16_t ch) {
    return ch >= 0x0590 && ch <= 0x08FF;
}

// One cairo font face per FreeType face, kept for the life of the process
// like the faces themselves.
cairo_font_face_t* CairoFace(const FontFace& face) {
    static std::map<const FontFace*, cairo_font_face_t*> faces;
    auto& service = FontService::Instance();
    std::lock_guard lock(service.Lock());
    auto it = faces.find(&face);
    if (it != faces.end())
        return it->second;
    auto* ft = static_cast<FT_Face>(service.DrawingFace(face));
    cairo_font_face_t* cf = cairo_ft_font_face_create_for_ft_face(ft, FT_LOAD_DEFAULT);
    faces.emplace(&face, cf);
    return cf;
}

} // namespace

Rgb ColorToRgb(uint32_t color) {
    if ((color & 0xFF000000u) == 0x80000000u) {
        uint32_t index = color & 0xFFu;
        color = index < std::size(kSystemColors) ? kSystemColors[index] : 0;
    }
    return Rgb{static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
               static_cast<int>((color >> 16) & 0xFF)};
}

// ---- Bitmap ----

std::unique_ptr<Bitmap> Bitmap::Create(int width, int height) {
    std::unique_ptr<Bitmap> bitmap(new Bitmap());
    bitmap->width_ = std::max(1, width);
    bitmap->height_ = std::max(1, height);
    bitmap->surface_ =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, bitmap->width_, bitmap->height_);
    if (cairo_surface_status(bitmap->surface_) != CAIRO_STATUS_SUCCESS)
        throw Exception(
            Format("Cannot create a bitmap of %d x %d pixels.", {bitmap->width_, bitmap->height_}));
    cairo_t* cr = cairo_create(bitmap->surface_);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_destroy(cr);
    return bitmap;
}

Bitmap::~Bitmap() {
    if (surface_)
        cairo_surface_destroy(surface_);
}

uint32_t Bitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return kColorWhite;
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    int stride = cairo_image_surface_get_stride(surface_);
    uint32_t px =
        *reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride + x * 4);
    uint32_t r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
    return r | (g << 8) | (b << 16);
}

std::vector<uint8_t> Bitmap::ToRgb() const {
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    int stride = cairo_image_surface_get_stride(surface_);
    std::vector<uint8_t> out(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3);
    size_t o = 0;
    for (int y = 0; y < height_; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < width_; ++x) {
            out[o++] = static_cast<uint8_t>((row[x] >> 16) & 0xFF);
            out[o++] = static_cast<uint8_t>((row[x] >> 8) & 0xFF);
            out[o++] = static_cast<uint8_t>(row[x] & 0xFF);
        }
    }
    return out;
}

void Bitmap::SavePng(const std::string& path) const {
    cairo_surface_flush(surface_);
    if (cairo_surface_write_to_png(surface_, path.c_str()) != CAIRO_STATUS_SUCCESS)
        throw EFileError(Format("Cannot create file \"%s\".", {path}));
}

// ---- Canvas: the checked front ----

void Canvas::SetFont(const FontSpec& font, int pixelHeight, int escapement) {
    if (!(font == font_) || face_ == nullptr)
        face_ = nullptr;
    font_ = font;
    fontPixels_ = std::max(1, std::abs(pixelHeight));
    escapement_ = escapement;
}

const FontFace& Canvas::Face() {
    if (!face_)
        face_ = &FontService::Instance().Resolve(font_.name, font_.style);
    return *face_;
}

void Canvas::Save() {
    DoSave();
    stack_.push_back(Frame::Save);
}

void Canvas::Restore() {
    if (stack_.empty() || stack_.back() != Frame::Save)
        Unbalanced();
    stack_.pop_back();
    DoRestore();
}

void Canvas::PushClip(const RectF& rect) {
    DoPushClip(rect);
    stack_.push_back(Frame::Clip);
}

void Canvas::PopClip() {
    if (stack_.empty() || stack_.back() != Frame::Clip)
        Unbalanced();
    stack_.pop_back();
    DoPopClip();
}

void Canvas::Finish() {
    if (!stack_.empty())
        Unbalanced();
}

void Canvas::FillRect(const RectF& rect, uint32_t color) {
    if (IsNoColor(color) || rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    DoFillRect(rect, color);
}

void Canvas::Rectangle(const RectF& r) {
    DoPath({{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}}, true,
           true);
}

void Canvas::Line(PointF from, PointF to) {
    DoPath({from, to}, false, false);
}

void Canvas::Polyline(const std::vector<PointF>& points) {
    if (points.size() >= 2)
        DoPath(points, false, false);
}

void Canvas::Polygon(const std::vector<PointF>& points) {
    if (points.size() >= 2)
        DoPath(points, true, true);
}

void Canvas::Ellipse(const RectF& rect) {
    DoEllipse(rect);
}

void Canvas::RoundRect(const RectF& rect, double radiusX, double radiusY) {
    DoRoundRect(rect, std::max(0.0, radiusX), std::max(0.0, radiusY));
}

void Canvas::StretchImage(const Bitmap& image, const RectF& dest, bool smooth) {
    if (dest.right == dest.left || dest.bottom == dest.top)
        return;
    DoStretchImage(image, dest, smooth);
}

std::vector<int> Canvas::MeasureAdvances(std::u16string_view text) {
    return FontService::Instance().Advances(Face(), text, fontPixels_);
}

int Canvas::TextWidth(std::u16string_view text) {
    return FontService::Instance().TextWidth(Face(), text, fontPixels_);
}

FontPixelMetrics Canvas::TextMetrics() {
    return FontService::Instance().PixelMetrics(Face(), fontPixels_);
}

void Canvas::TextOut(double x, double y, std::u16string_view text, const std::vector<int>* advances,
                     const TextOutOptions& options) {
    if (text.empty())
        return;
    std::vector<int> own;
    if (!advances || advances->size() < text.size()) {
        own = MeasureAdvances(text);
        if (advances)
            std::copy(advances->begin(), advances->end(), own.begin());
        advances = &own;
    }
    if (options.rightToLeftReading && std::any_of(text.begin(), text.end(), IsRtlChar)) {
        // Visual order: runs of right-to-left characters are reversed in place.
        std::u16string visual(text);
        std::vector<int> adv(advances->begin(),
                             advances->begin() + static_cast<ptrdiff_t>(text.size()));
        size_t i = 0;
        while (i < visual.size()) {
            if (!IsRtlChar(visual[i])) {
                ++i;
                continue;
            }
            size_t j = i;
            while (j < visual.size() && (IsRtlChar(visual[j]) || visual[j] == u' '))
                ++j;
            while (j > i && visual[j - 1] == u' ')
                --j;
            std::reverse(visual.begin() + static_cast<ptrdiff_t>(i),
                         visual.begin() + static_cast<ptrdiff_t>(j));
            std::reverse(adv.begin() + static_cast<ptrdiff_t>(i),
                         adv.begin() + static_cast<ptrdiff_t>(j));
            i = j + 1;
        }
        DoText(x, y, visual, adv, options);
        return;
    }
    DoText(x, y, text, *advances, options);
}

// ---- Cairo backend ----

CairoCanvas::CairoCanvas(Bitmap& bitmap) : cr_(cairo_create(bitmap.Surface())), owned_(true) {}

CairoCanvas::CairoCanvas(cairo_t* borrowed) : cr_(cairo_reference(borrowed)), owned_(true) {}

CairoCanvas::~CairoCanvas() {
    if (owned_ && cr_)
        cairo_destroy(cr_);
}

void CairoCanvas::DoSave() {
    cairo_save(cr_);
}
void CairoCanvas::DoRestore() {
    cairo_restore(cr_);
}

void CairoCanvas::DoPushClip(const RectF& r) {
    cairo_save(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, r.left, r.top, std::max(0.0, r.Width()), std::max(0.0, r.Height()));
    cairo_clip(cr_);
}

void CairoCanvas::DoPopClip() {
    cairo_restore(cr_);
}

void CairoCanvas::DoFillRect(const RectF& r, uint32_t color) {
    SetSource(cr_, color);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr_);
}

void CairoCanvas::FillCurrentPath() {
    const Brush& brush = GetBrush();
    if (brush.style == BrushStyle::Clear || IsNoColor(brush.color))
        return;
    if (brush.style == BrushStyle::Solid) {
        SetSource(cr_, brush.color);
        cairo_fill_preserve(cr_);
        return;
    }
    // Hatch: an 8 x 8 tile of lines in the brush colour over a transparent
    // background, repeated from the device origin.
    cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    cairo_t* t = cairo_create(tile);
    SetSource(t, brush.color);
    cairo_set_line_width(t, 1);
    cairo_set_antialias(t, CAIRO_ANTIALIAS_NONE);
    auto line = [&](double x1, double y1, double x2, double y2) {
        cairo_move_to(t, x1, y1);
        cairo_line_to(t, x2, y2);
        cairo_stroke(t);
    };
    switch (brush.style) {
    case BrushStyle::Horizontal:
        line(0, 3.5, 8, 3.5);
        break;
    case BrushStyle::Vertical:
        line(3.5, 0, 3.5, 8);
        break;
    case BrushStyle::FDiagonal:
        line(0, 0, 8, 8);
        break;
    case BrushStyle::BDiagonal:
        line(0, 8, 8, 0);
        break;
    case BrushStyle::Cross:
        line(0, 3.5, 8, 3.5);
        line(3.5, 0, 3.5, 8);
        break;
    case BrushStyle::DiagCross:
        line(0, 0, 8, 8);
        line(0, 8, 8, 0);
        break;
    default:
        break;
    }
    cairo_destroy(t);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_set_source(cr_, pattern);
    cairo_fill_preserve(cr_);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(tile);
}

void CairoCanvas::StrokeCurrentPath() {
    const Pen& pen = GetPen();
    if (pen.style == PenStyle::Clear || IsNoColor(pen.color) || pen.width <= 0)
        return;
    SetSource(cr_, pen.color);
    cairo_set_line_width(cr_, pen.width);
    double w = std::max(1.0, pen.width);
    std::vector<double> dashes;
    switch (pen.style) {
    case PenStyle::Dash:
        dashes = {6 * w, 2 * w};
        break;
    case PenStyle::Dot:
        dashes = {1 * w, 1 * w};
        break;
    case PenStyle::DashDot:
        dashes = {6 * w, 2 * w, 1 * w, 2 * w};
        break;
    case PenStyle::DashDotDot:
        dashes = {6 * w, 2 * w, 1 * w, 2 * w, 1 * w, 2 * w};
        break;
    default:
        break;
    }
    cairo_set_dash(cr_, dashes.data(), static_cast<int>(dashes.size()), 0);
    cairo_stroke_preserve(cr_);
    cairo_set_dash(cr_, nullptr, 0, 0);
}

void CairoCanvas::DoPath(const std::vector<PointF>& points, bool closed, bool fill) {
    cairo_new_path(cr_);
    cairo_move_to(cr_, points[0].x, points[0].y);
    for (size_t i = 1; i < points.size(); ++i)
        cairo_line_to(cr_, points[i].x, points[i].y);
    if (closed)
        cairo_close_path(cr_);
    if (fill && closed)
        FillCurrentPath();
    StrokeCurrentPath();
    cairo_new_path(cr_);
}

void CairoCanvas::DoEllipse(const RectF& r) {
    double w = r.Width(), h = r.Height();
    if (w == 0 || h == 0)
        return;
    cairo_new_path(cr_);
    cairo_save(cr_);
    cairo_translate(cr_, r.left + w / 2, r.top + h / 2);
    cairo_scale(cr_, w / 2, h / 2);
    cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr_);
    FillCurrentPath();
    StrokeCurrentPath();
    cairo_new_path(cr_);
}

void CairoCanvas::DoRoundRect(const RectF& r, double rx, double ry) {
    double w = r.Width(), h = r.Height();
    rx = std::min(rx, std::abs(w) / 2);
    ry = std::min(ry, std::abs(h) / 2);
    if (rx <= 0 || ry <= 0) {
        Rectangle(r);
        return;
    }
    cairo_new_path(cr_);
    auto corner = [&](double cx, double cy, double a1, double a2) {
        cairo_save(cr_);
        cairo_translate(cr_, cx, cy);
        cairo_scale(cr_, rx, ry);
        cairo_arc(cr_, 0, 0, 1, a1, a2);
        cairo_restore(cr_);
    };
    corner(r.right - rx, r.top + ry, -M_PI / 2, 0);
    corner(r.right - rx, r.bottom - ry, 0, M_PI / 2);
    corner(r.left + rx, r.bottom - ry, M_PI / 2, M_PI);
    corner(r.left + rx, r.top + ry, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr_);
    FillCurrentPath();
    StrokeCurrentPath();
    cairo_new_path(cr_);
}

void CairoCanvas::DoStretchImage(const Bitmap& image, const RectF& dest, bool smooth) {
    cairo_save(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, dest.left, dest.top, dest.Width(), dest.Height());
    cairo_clip(cr_);
    cairo_translate(cr_, dest.left, dest.top);
    cairo_scale(cr_, dest.Width() / image.Width(), dest.Height() / image.Height());
    cairo_set_source_surface(cr_, image.Surface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr_),
                             smooth ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

void CairoCanvas::DoText(double x, double y, std::u16string_view text,
                         const std::vector<int>& advances, const TextOutOptions& options) {
    auto& service = FontService::Instance();
    std::lock_guard lock(service.Lock());
    const FontFace& face = Face();
    const int px = FontPixelHeight();
    FontPixelMetrics metrics = service.PixelMetrics(face, px);
    auto* ft = static_cast<FT_Face>(service.DrawingFace(face));

    cairo_save(cr_);
    if (options.clip) {
        const RectF& c = *options.clip;
        cairo_new_path(cr_);
        cairo_rectangle(cr_, c.left, c.top, std::max(0.0, c.Width()), std::max(0.0, c.Height()));
        cairo_clip(cr_);
    }
    cairo_translate(cr_, x, y);
    if (FontEscapement() != 0)
        cairo_rotate(cr_, -FontEscapement() / 10.0 * M_PI / 180.0);
    SetSource(cr_, Font().color);
    cairo_set_font_face(cr_, CairoFace(face));
    cairo_set_font_size(cr_, px);
    cairo_font_options_t* fo = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr_, fo);
    cairo_font_options_destroy(fo);

    std::vector<cairo_glyph_t> glyphs;
    glyphs.reserve(text.size());
    double pen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t ch = text[i];
        if (ch != u' ' && ch != 0xA0 && ch >= 0x20)
            glyphs.push_back(
                cairo_glyph_t{FT_Get_Char_Index(ft, ch), pen, static_cast<double>(metrics.ascent)});
        pen += advances[i];
    }
    if (!glyphs.empty())
        cairo_show_glyphs(cr_, glyphs.data(), static_cast<int>(glyphs.size()));
    const int style = Font().style;
    if (style & (kFontUnderline | kFontStrikeOut)) {
        double thick = metrics.underlineThickness;
        cairo_new_path(cr_);
        if (style & kFontUnderline)
            cairo_rectangle(cr_, 0, metrics.ascent + metrics.underlinePosition - thick / 2, pen,
                            thick);
        if (style & kFontStrikeOut)
            cairo_rectangle(cr_, 0, metrics.ascent - metrics.strikeOutPosition - thick / 2, pen,
                            thick);
        cairo_fill(cr_);
    }
    cairo_restore(cr_);
}

} // namespace kanvo
