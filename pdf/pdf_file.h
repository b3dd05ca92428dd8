// The PDF document writer. TfrxPDFFile owns its pages, fonts and the scratch
// PageCache that holds every page's content until SaveToStream writes the
// whole file in one pass. Offsets are 64-bit throughout.
#pragma once

#include "pdf/export_interfaces.h"
#include "pdf/md5.h"
#include "platform/date_time.h"
#include "platform/text_types.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kanvo {

enum TfrxPDFEncBit : uint8_t { ePrint = 1, eModify = 2, eCopy = 4, eAnnot = 8 };
using TfrxPDFEncBits = uint8_t;
constexpr TfrxPDFEncBits kAllPdfEncBits = ePrint | eModify | eCopy | eAnnot;

// Two decimals, "." separator, whatever the locale.
std::string FormatNumber(double value);
// Escapes LF, CR, "(", ")" and backslash for a literal string.
std::string EscapeLiteral(std::string_view bytes);
// zlib stream of `data` at compression `level` (0..9).
std::string Deflate(const std::string& data, int level);
// A new GUID's registry text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string NewGuidText();

// Content of all pages, back to back: memory, or a temporary file "fr…".
class PdfPageCache {
public:
    // With `useFile` a temporary file in `folder` (system temporary folder when
    // empty); raises EFileError when it cannot be created.
    PdfPageCache(bool useFile, const AnsiString& folder);
    ~PdfPageCache();
    PdfPageCache(const PdfPageCache&) = delete;
    PdfPageCache& operator=(const PdfPageCache&) = delete;
    void Write(std::string_view bytes);
    int64_t Size() const { return size_; }
    std::string Read(int64_t position, int64_t length);
    const AnsiString& FileName() const { return fileName_; }

private:
    std::string memory_;
    std::FILE* file_ = nullptr;
    AnsiString fileName_;
    int64_t size_ = 0;
};

class TfrxPDFElement {
public:
    virtual ~TfrxPDFElement() = default;
    // The base version records the stream's position as the start offset.
    virtual void SaveToStream(std::ostream& stream);
    int64_t Offset = 0;
    int Index = 0;
};

class TfrxPDFFile;
class FontFace;

// The code page the text of a font with character set `charset` is written
// in: the default set (1) takes that of the process code page's set, the
// symbol set (2) has none (0), unknown sets (0, 77, 255, ...) take 1252.
int PdfTextCodePage(int charset);
// A line of text as the bytes of a font of `charset`. Characters the code
// page lacks become its replacement character. Symbol fonts take the low
// byte of each character (their glyphs sit at 0x20..0xFF or U+F020..U+F0FF).
std::string PdfTextBytes(std::u16string_view text, int charset);
// "/BaseFont" name of a font: spaces as "#20", ",Bold", ",Italic" or
// ",BoldItalic" for the styles, characters with a low byte of 128 and above
// as "#" and two hexadecimal digits.
std::string PdfBaseFontName(const AnsiString& name, int style);
// The lines of the font dictionary that give the encoding of a realised
// character set (each with its CR LF); empty for sets without one.
std::string PdfEncodingLines(int charset);
// Right-to-left text in the order it is written: reversed as a whole, with
// brackets mirrored and runs of codes 33..121 (digits, Latin words) turned
// back to read left to right.
WideString ReorderRightToLeft(std::u16string_view line);

// One font resource of the document: a simple TrueType font with a code-page
// encoding, or a composite font for the Japanese, Korean and Chinese
// character sets. The face and its metrics are taken from the font service
// when the document is saved (Prepare), not when the font is registered.
class TfrxPDFFont : public TfrxPDFElement {
public:
    TfrxPDFFont(TfrxPDFFile& parent, const PdfFontSpec& font) : Font(font), parent_(parent) {}
    // Resolves the face (falling back to Arial when the face is no TrueType
    // font; raises "Error on get font info" when Arial is none either), its
    // realised character set and its metrics. Safe to call again.
    void Prepare();
    // Number of objects SaveToStream writes (after Prepare): 2 for a simple
    // font, 3 for a composite one, one more with an embedded font file.
    int ObjectCount();
    // Writes the font's objects from the writer's font object counter on.
    void SaveToStream(std::ostream& stream) override;
    PdfFontSpec Font;
    int FirstObject = 0;     // object number of the font dictionary, set when written
    int RealizedCharset = 0; // the character set the encoding is chosen by (after Prepare)

private:
    bool Composite() const;
    TfrxPDFFile& parent_;
    bool prepared_ = false;
    const FontFace* face_ = nullptr;
    AnsiString name_; // the font name after the Arial fallback
};

class TfrxView;
class TfrxFrame;
class TfrxCustomMemoView;
class TfrxCustomLineView;
class TfrxShapeView;

// How the page writes a view.
enum class PdfViewPath {
    None,      // nothing is written (page background with Background off, empty views)
    Text,      // memo: clip, shadow, fill, frame and native text
    Line,      // line view: stroked line with optional arrow heads
    Rectangle, // rectangle shape: filled and stroked rectangle
    Diagonal,  // diagonal shape: stroked line
    Raster     // everything else: the view painted on a bitmap, stored as JPEG
};

class TfrxPDFPage : public TfrxPDFElement {
public:
    TfrxPDFPage(TfrxPDFFile& parent, const IPdfExportPage& page);
    void SaveToStream(std::ostream& stream) override;
    // Writes one view by its path (see ViewPath).
    void AddObject(const TfrxView& view);
    PdfViewPath ViewPath(const TfrxView& view) const;
    // Appends operator text to this page's content (lines end with CR LF).
    void Write(std::string_view text);
    void WriteLine(std::string_view text);
    // Report pixels to PDF user space.
    double X(double x) const { return x * 0.75 + MarginLeft; }
    double Y(double y) const { return Height - MarginTop - y * 0.75; }

    // The "r g b" text of a colour for "rg" / "RG". Black and white have
    // short fixed texts; other colours are resolved (system colours too) and
    // remembered, so a run of one colour converts it once.
    std::string ColorString(int32_t color);

    // The frame of a box (report pixels): one closed path when all four sides
    // are set, else one stroke per side (top, right, bottom, left); nothing
    // without sides or with colour none. Line style is not used.
    void WriteFrame(const TfrxFrame& frame, double left, double top, double width, double height);

    int64_t StreamOffset = 0; // start in PageCache
    int64_t StreamSize = 0;
    double Width = 0, Height = 0, MarginLeft = 0, MarginTop = 0;
    double DividerScale = 6.25;

private:
    void WriteMemo(const TfrxCustomMemoView& memo);
    // The memo's laid-out lines as PDF text (pdf_text.cpp), inside the
    // memo's "q" ... "Q" after its fill and frame; `width` and `height` are
    // the box without the drop shadow.
    void WriteMemoText(const TfrxCustomMemoView& memo, double left, double top, double width,
                       double height);
    void WriteLineView(const TfrxCustomLineView& line);
    void WriteArrow(const TfrxCustomLineView& line, double tx, double ty, double ox, double oy);
    void WriteShape(const TfrxShapeView& shape);
    // The raster path (pdf_raster.cpp): the view painted on a white bitmap
    // without its frame, written as an inline JPEG in "q" ... "Q", then its
    // frame as vector lines.
    void WriteRaster(const TfrxView& view);
    std::string Point(double x, double y) const;

    TfrxPDFFile& parent_;
    int32_t lastColor_ = 0;
    std::string lastColorText_ = "0 0 0";
};

struct TfrxPDFOutlineNode {
    ~TfrxPDFOutlineNode();
    int Number = 0;
    int Dest = -1;
    int Top = 0;
    int CountTree = 0;
    int Count = 0;
    AnsiString Title;
    TfrxPDFOutlineNode* Last = nullptr;
    TfrxPDFOutlineNode* Next = nullptr; // owned
    TfrxPDFOutlineNode* Parent = nullptr;
    TfrxPDFOutlineNode* Prev = nullptr;
    TfrxPDFOutlineNode* First = nullptr; // owned
};

class TfrxPDFFile : public TfrxPDFElement {
public:
    TfrxPDFFile(bool useFileCache, const AnsiString& tempDir);
    ~TfrxPDFFile() override;
    TfrxPDFFile(const TfrxPDFFile&) = delete;
    TfrxPDFFile& operator=(const TfrxPDFFile&) = delete;

    TfrxPDFPage& AddPage(const IPdfExportPage& page);
    int FontIndex(const PdfFontSpec& font);
    void SetProtectionFlags(TfrxPDFEncBits flags);
    void PrepareSecurity();
    void SaveToStream(std::ostream& stream) override;
    void AddXRefEntry(std::ostream& stream, int objectNumber);
    std::string PDFTextString(const WideString& text, int objectNumber);
    std::string CryptString(const std::string& bytes, int objectNumber) const;
    std::string ObjectKey(int objectNumber) const;

    // Test switches for repeatable output: a fixed date and a fixed GUID text
    // (the identifier is still its MD5).
    std::optional<TDateTime> FixedDate;
    std::optional<std::string> FixedGuid;

    PdfPageCache& Cache() { return *cache_; }
    int NextFontObject() { return fontBase_ + fontObjectCounter_++; }
    int PageTreeObject() const { return pagesObject_; }
    const std::vector<std::unique_ptr<TfrxPDFFont>>& Fonts() const { return fonts_; }

    // Options, set by the export filter.
    bool Compressed = true, EmbeddedFonts = false, PrintOptimized = false, Outline = false;
    bool Background = false, HTMLTags = true;
    AnsiString Title, Author, Subject, Creator;
    WideString Keywords, Producer;
    bool PrintScaling = false, FitWindow = false, HideMenubar = false, CenterWindow = false,
         HideWindowUI = false, HideToolbar = false;
    AnsiString PageNumbers;
    int TotalPages = 0;
    IPdfExportOutline* PreparedOutline = nullptr;
    bool Protection = false;
    AnsiString OwnerPassword, UserPassword;

    // Computed by SetProtectionFlags / PrepareSecurity.
    int32_t PValue = -4;
    std::string FileID; // 32 lowercase hexadecimal digits
    std::string EncKey; // 16 bytes
    std::string OValue; // 32 bytes
    std::string UValue; // 32 bytes

private:
    void WriteLine(std::ostream& s, std::string_view text);
    void BuildOutline(TfrxPDFOutlineNode& node);
    void WriteOutline(std::ostream& s, TfrxPDFOutlineNode& node);
    int PageObjectForIndex(int pageIndex) const;
    std::string DateText() const;

    std::vector<std::unique_ptr<TfrxPDFPage>> pages_;
    std::vector<std::unique_ptr<TfrxPDFFont>> fonts_;
    std::vector<std::pair<int64_t, int>> xref_;
    int lastObject_ = 0;
    int fontBase_ = 0, firstPageObject_ = 0, pagesObject_ = 0;
    int fontObjectCounter_ = 0;
    TfrxPDFEncBits protectionFlags_ = kAllPdfEncBits;
    std::unique_ptr<PdfPageCache> cache_;
    std::unique_ptr<TfrxPDFOutlineNode> outlineRoot_;
    std::vector<int> rangePages_; // 1-based page numbers of the page range
};

// Page numbers of a range text like "1,3-5,8-" within 1..total, in order.
std::vector<int> ParsePageRange(const AnsiString& range, int total);

} // namespace kanvo
