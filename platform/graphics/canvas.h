// The one drawing interface of the system: views draw on it, the text layout
// draws its lines on it and the PDF writer's raster path paints views on a
// bitmap through it.
//
// The public methods are not virtual. They check the calling rules — every
// Save has its Restore, every PushClip its PopClip, in nesting order — and
// then call the protected virtual Do*() functions of the backend, so every
// backend gets the same checks. An unbalanced call throws
// "Canvas calls unbalanced."; Finish() throws when saves or clips are still
// open. Destructors never throw.
//
// Coordinates are device pixels (y down). Colours are Windows colours
// 0x00BBGGRR; system colours (top byte 0x80) are resolved to their usual
// values; kColorTransparent (536870911) and kColorNone fill and stroke nothing.
//
// Fonts are selected through FontService, and text width is measured with the
// same cached advances that drawing uses, so measuring and drawing agree.
#pragma once

#include "platform/graphics/font_service.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace kanvo {

constexpr uint32_t kColorTransparent = 536870911; // 0x1FFFFFFF
constexpr uint32_t kColorNone = 0x1FFFFFFF;
constexpr uint32_t kColorBlack = 0x000000;
constexpr uint32_t kColorWhite = 0xFFFFFF;

// Red, green and blue (0-255) of a Windows colour, system colours resolved.
struct Rgb {
    int r = 0, g = 0, b = 0;
};
Rgb ColorToRgb(uint32_t color);
// True for the colour values that mean "nothing is painted".
inline bool IsNoColor(uint32_t color) {
    return color == kColorTransparent;
}

// The order of the pen and brush styles of the report classes, so that their
// enumerations convert by value.
enum class PenStyle { Solid = 0, Dash, Dot, DashDot, DashDotDot, Clear };
enum class BrushStyle {
    Solid = 0,
    Clear,
    Horizontal,
    Vertical,
    FDiagonal,
    BDiagonal,
    Cross,
    DiagCross
};

struct PointF {
    double x = 0, y = 0;
};

struct RectF {
    double left = 0, top = 0, right = 0, bottom = 0;
    double Width() const { return right - left; }
    double Height() const { return bottom - top; }
};

struct Pen {
    uint32_t color = kColorBlack;
    double width = 1;
    PenStyle style = PenStyle::Solid;
};

struct Brush {
    uint32_t color = kColorWhite;
    BrushStyle style = BrushStyle::Solid;
};

// Options of one text output call.
struct TextOutOptions {
    std::optional<RectF> clip;       // clip the text to this rectangle
    bool rightToLeftReading = false; // lay out right-to-left scripts visually
};

// A 24-bit bitmap (stored as cairo RGB24), white when created.
class Bitmap {
public:
    // Width and height are clamped to at least 1 pixel.
    static std::unique_ptr<Bitmap> Create(int width, int height);
    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Colour 0x00BBGGRR of one pixel; outside the bitmap white.
    uint32_t Pixel(int x, int y) const;
    // Rows top to bottom, 3 bytes R G B per pixel (for image encoders).
    std::vector<uint8_t> ToRgb() const;
    // Writes a PNG file; throws EFileError on failure.
    void SavePng(const std::string& path) const;
    cairo_surface_t* Surface() const { return surface_; }

private:
    Bitmap() = default;
    cairo_surface_t* surface_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Drawing state.
    void SetPen(const Pen& pen) { pen_ = pen; }
    const Pen& GetPen() const { return pen_; }
    void SetBrush(const Brush& brush) { brush_ = brush; }
    const Brush& GetBrush() const { return brush_; }
    // Selects a font at `pixelHeight` pixels per em, rotated by `escapement`
    // tenths of a degree counter-clockwise.
    void SetFont(const FontSpec& font, int pixelHeight, int escapement = 0);
    const FontSpec& Font() const { return font_; }
    int FontPixelHeight() const { return fontPixels_; }
    int FontEscapement() const { return escapement_; }
    const FontFace& Face();

    // Save/restore the clip (and backend state); balanced.
    void Save();
    void Restore();
    // Intersects the clip with a rectangle until the matching PopClip.
    void PushClip(const RectF& rect);
    void PopClip();
    // Throws when saves or clips are still open.
    void Finish();

    void FillRect(const RectF& rect, uint32_t color);
    // A rectangle filled with the brush and outlined with the pen.
    void Rectangle(const RectF& rect);
    void Line(PointF from, PointF to);
    void Polyline(const std::vector<PointF>& points);
    void Polygon(const std::vector<PointF>& points);
    void Ellipse(const RectF& rect);
    void RoundRect(const RectF& rect, double radiusX, double radiusY);
    // Stretches a bitmap into a rectangle, smoothly or by nearest pixel.
    void StretchImage(const Bitmap& image, const RectF& dest, bool smooth);

    // Advances of the text in the selected font, in whole pixels.
    std::vector<int> MeasureAdvances(std::u16string_view text);
    int TextWidth(std::u16string_view text);
    FontPixelMetrics TextMetrics();
    // Writes text with the top of its cell at (x, y). With `advances` (one per
    // UTF-16 unit) every character moves the pen by its entry; otherwise by
    // the font's own advances. Underline and strike-out come from the font.
    void TextOut(double x, double y, std::u16string_view text, const std::vector<int>* advances,
                 const TextOutOptions& options = {});

    // Device pixels per inch of a printer canvas; 0 for screens and bitmaps.
    virtual int PrinterPixelsPerInch() const { return 0; }

protected:
    Canvas() = default;
    virtual void DoSave() = 0;
    virtual void DoRestore() = 0;
    virtual void DoPushClip(const RectF& rect) = 0;
    virtual void DoPopClip() = 0;
    virtual void DoFillRect(const RectF& rect, uint32_t color) = 0;
    // A closed or open path: fill with the brush (closed only), stroke with the pen.
    virtual void DoPath(const std::vector<PointF>& points, bool closed, bool fill) = 0;
    virtual void DoEllipse(const RectF& rect) = 0;
    virtual void DoRoundRect(const RectF& rect, double rx, double ry) = 0;
    virtual void DoStretchImage(const Bitmap& image, const RectF& dest, bool smooth) = 0;
    virtual void DoText(double x, double y, std::u16string_view text,
                        const std::vector<int>& advances, const TextOutOptions& options) = 0;

private:
    enum class Frame { Save, Clip };
    std::vector<Frame> stack_;
    Pen pen_;
    Brush brush_;
    FontSpec font_;
    int fontPixels_ = 13;
    int escapement_ = 0;
    const FontFace* face_ = nullptr;
};

// The Cairo backend: on a bitmap (which must outlive the canvas) or on any
// borrowed cairo context (for the preview window).
class CairoCanvas : public Canvas {
public:
    explicit CairoCanvas(Bitmap& bitmap);
    explicit CairoCanvas(cairo_t* borrowed);
    ~CairoCanvas() override;

protected:
    void DoSave() override;
    void DoRestore() override;
    void DoPushClip(const RectF& rect) override;
    void DoPopClip() override;
    void DoFillRect(const RectF& rect, uint32_t color) override;
    void DoPath(const std::vector<PointF>& points, bool closed, bool fill) override;
    void DoEllipse(const RectF& rect) override;
    void DoRoundRect(const RectF& rect, double rx, double ry) override;
    void DoStretchImage(const Bitmap& image, const RectF& dest, bool smooth) override;
    void DoText(double x, double y, std::u16string_view text, const std::vector<int>& advances,
                const TextOutOptions& options) override;

private:
    void FillCurrentPath();
    void StrokeCurrentPath();
    cairo_t* cr_ = nullptr;
    bool owned_ = false;
};

} // namespace kanvo
