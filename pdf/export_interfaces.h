// What the PDF export needs of the report, its prepared pages and its views.
// The report layers implement these with thin adapters; nothing here owns
// anything it is handed.
#pragma once

#include "platform/text_types.h"

#include <cstdint>

namespace kanvo {

// The geometry of one prepared page: size in report pixels (96 per inch),
// margins in millimetres.
class IPdfExportPage {
public:
    virtual ~IPdfExportPage() = default;
    virtual double Width() const = 0;
    virtual double Height() const = 0;
    virtual double LeftMargin() const = 0;
    virtual double TopMargin() const = 0;
};

// How the page writes a view; the text, graphics and image paths.
enum class PdfViewKind { NotAView, Memo, Line, Shape, PageBackground, Other };

// One object of a prepared page as the export run hands it over.
class IPdfExportObject {
public:
    virtual ~IPdfExportObject() = default;
    virtual PdfViewKind Kind() const = 0;
    virtual bool Printable() const = 0;
    // Absolute position and size in report pixels, from the paper's corner.
    virtual double AbsLeft() const = 0;
    virtual double AbsTop() const = 0;
    virtual double Width() const = 0;
    virtual double Height() const = 0;
};

// The prepared pages' outline, walked level by level.
class IPdfExportOutline {
public:
    virtual ~IPdfExportOutline() = default;
    virtual int Count() const = 0;
    // Text, 0-based page index and top (report pixels) of entry `index`.
    virtual void GetItem(int index, WideString& text, int& pageIndex, int& top) const = 0;
    virtual void LevelDown(int index) = 0;
    virtual void LevelUp() = 0;
    virtual void LevelRoot() = 0;
};

// The report's engine option for reporting errors.
enum class TfrxSilentMode { simMessageBoxes, simSilent, simReThrow };

// The report as an export filter sees it.
class IPdfExportReport {
public:
    virtual ~IPdfExportReport() = default;
    virtual int PreparedPageCount() const = 0;
    virtual AnsiString TempDir() const = 0;           // engine options' temporary folder
    virtual AnsiString FileName() const = 0;          // the template's file name
    virtual AnsiString ReportName() const = 0;        // report options' name
    virtual TfrxSilentMode NewSilentMode() const = 0; // engine options
    virtual IPdfExportOutline* Outline() = 0;         // may be null
    virtual void AddError(const AnsiString& message) = 0;
    virtual void ShowMessageBox(const AnsiString& text, const AnsiString& caption) = 0;
};

// A font as the text path registers it.
struct PdfFontSpec {
    AnsiString Name;
    int Size = 10;
    uint8_t Style = 0; // bit 0 bold, 1 italic, 2 underline, 3 strike-out
    int Charset = 1;
    uint32_t Color = 0;
};

} // namespace kanvo
