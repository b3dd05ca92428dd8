// Fonts: resolving a report font to a face, and what layout and PDF output
// need from that face.
//
// A report font is a family name (UTF-8), a style set, a Windows character set
// and a size in points. `FontService::Instance()` resolves it through
// fontconfig (whose aliases map Arial, Times New Roman and Courier New to the
// metric-compatible Liberation faces) and opens the face once with FreeType;
// every later request for the same name and style reuses it. Every request
// resolves to some face: an unknown family falls back to fontconfig's best
// match, and if that cannot be opened, to Liberation Sans, then to any font
// fontconfig lists. Only a machine without any font at all makes Resolve throw.
//
// Advances are measured the way a Windows canvas at a given pixel height
// reports them: integer device units of the hinted glyph (the em is the pixel
// height, as with a negative font height). They are cached per face, style
// and pixel height, so measuring thousands of lines costs no font lookups.
//
// Ownership: the service owns every face for the life of the process; a
// `const FontFace&` handed out stays valid until the process ends. All public
// calls are serialised by one lock, which is enough for the user-interface
// thread plus tests and benchmarks.
#pragma once

#include "platform/text_types.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kanvo {

// Style bits of a font (the order of the Windows font style set).
enum FontStyleBits : int {
    kFontBold = 1,
    kFontItalic = 2,
    kFontUnderline = 4,
    kFontStrikeOut = 8,
};

// Windows character sets that the system meets.
constexpr int kAnsiCharset = 0;
constexpr int kDefaultCharset = 1;
constexpr int kSymbolCharset = 2;
constexpr int kEastEuropeCharset = 238;

// The code page of a Windows character set (1252 for the unknown ones,
// 0 for the symbol set); the default set stands for the process code page.
int CharsetCodePage(int charset);
// The character set whose code page is `codePage` (0 when none is).
int CodePageCharset(int codePage);

// A font as reports describe it.
struct FontSpec {
    std::string name = "Arial"; // family name, UTF-8
    int size = 10;              // points
    int style = 0;              // FontStyleBits
    int charset = kDefaultCharset;
    uint32_t color = 0; // Windows colour 0x00BBGGRR
    bool operator==(const FontSpec&) const = default;
};

// GDI-style ABC widths: A left bearing, B black box, C right bearing; the
// advance is A + B + C.
struct AbcWidth {
    int a = 0;
    int b = 0;
    int c = 0;
};

// The metrics a PDF font object needs, in 1/1000 em.
struct PdfFontMetrics {
    int firstChar = 32;
    int lastChar = 255;
    int bboxLeft = 0, bboxBottom = 0, bboxRight = 0, bboxTop = 0;
    double italicAngle = 0;  // degrees
    int ascent = 0;          // typographic ascent (positive)
    int descent = 0;         // typographic descent (negative)
    int internalLeading = 0; // cell height minus em
    int capHeight = 0;
    int weight = 400;
    int avgWidth = 0;
    int maxWidth = 0;
    std::string postScriptName; // the face's PostScript name
    std::string familyName;     // the face's family name
    // ABC widths of the 256 byte codes in the code page of the charset asked for.
    std::array<AbcWidth, 256> abc{};
};

// Vertical metrics of a face at one pixel height, as a canvas reports them.
struct FontPixelMetrics {
    int ascent = 0;            // baseline below the cell top
    int descent = 0;           // cell bottom below the baseline
    int underlinePosition = 0; // below the baseline (positive = lower)
    int underlineThickness = 1;
    int strikeOutPosition = 0; // above the baseline
};

class FontFace; // opaque: one opened font file

class FontService {
public:
    static FontService& Instance();

    FontService(const FontService&) = delete;
    FontService& operator=(const FontService&) = delete;

    // The face for a family name and style set (bold/italic choose the face;
    // underline and strike-out are drawn). Never fails while any font exists.
    const FontFace& Resolve(std::string_view family, int style);

    // Advance of every UTF-16 unit of `text` at `pixelHeight` pixels per em,
    // in whole device pixels. A character the face lacks measures as the
    // face's missing glyph.
    std::vector<int> Advances(const FontFace& face, std::u16string_view text, int pixelHeight);
    // Advance of one character (cached).
    int Advance(const FontFace& face, char16_t ch, int pixelHeight);
    // Sum of the advances.
    int TextWidth(const FontFace& face, std::u16string_view text, int pixelHeight);

    FontPixelMetrics PixelMetrics(const FontFace& face, int pixelHeight);

    // Metrics at a 1000-unit em, ABC widths for the byte codes of `codePage`
    // (0 or an unknown page: 1252).
    PdfFontMetrics PdfMetrics(const FontFace& face, int codePage);

    // The whole font file of the face, for embedding.
    const std::vector<uint8_t>& RawFontData(const FontFace& face);

    // The character set a canvas would realise for a request: the default set
    // becomes the process code page's set; a set whose code page the face cannot
    // show (its letters are missing) becomes ANSI; symbol stays symbol only for
    // a face with a symbol character map.
    int RealizedCharset(const FontFace& face, int charset);

    // Names of the face, for tests and tools.
    std::string FamilyName(const FontFace& face);
    std::string FilePath(const FontFace& face);

    // Number of faces opened so far (tests check that the cache works).
    int OpenedFaceCount();

    // For the drawing backend: the FreeType face kept for drawing (FT_Face).
    void* DrawingFace(const FontFace& face);

    // The lock that serialises font use; the drawing backend holds it while
    // it renders glyphs of the service's faces.
    std::recursive_mutex& Lock() { return mutex_; }

private:
    FontService();
    ~FontService();
    struct Impl;
    std::recursive_mutex mutex_;
    std::unique_ptr<Impl> impl_;
};

} // namespace kanvo
