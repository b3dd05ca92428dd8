// What the PDF document writer needs of a page geometry and of an outline.
// The export filter adapts the report's pages and the prepared pages' outline
// to these (pdf_export.cpp); tests and tools can hand the writer simple
// stand-ins. Nothing here owns anything it is handed.
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

// A font as the text path registers it.
struct PdfFontSpec {
    AnsiString Name;
    int Size = 10;
    uint8_t Style = 0; // bit 0 bold, 1 italic, 2 underline, 3 strike-out
    int Charset = 1;
    uint32_t Color = 0;
};

} // namespace kanvo
