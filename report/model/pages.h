// The printable report page (paper size, orientation, margins, columns and
// the band sizes that follow from them) and the stored-only dialog page.
//
// Ownership: a report page owns its bands and views (Objects); DataSet is
// borrowed (cleared when the dataset is deleted).
#pragma once

#include "report/model/report.h"
#include "report/model/views.h"

namespace kanvo {

enum class TPrinterOrientation { poPortrait, poLandscape };
enum class TfrxDuplexMode { dmNone, dmVertical, dmHorizontal, dmSimplex };

// Pixels per millimetre of a report page (96 pixels per inch).
constexpr double kPixelsPerMm = 3.77953;
constexpr int kCustomPaperSize = 256;
constexpr int32_t kClTransparent = 0x1FFFFFFF;

// The portrait width and height in millimetres of a paper code, or false
// when the table has no such code.
bool PaperDimensions(int code, double& width, double& height);

class TfrxReportPage : public TfrxPage {
public:
    TfrxReportPage();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString DescriptionText() const override;

    TPrinterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation value);
    double PaperWidth() const { return paperWidth_; }
    double PaperHeight() const { return paperHeight_; }
    int PaperSize() const { return paperSize_; }
    void SetPaperWidth(double v);
    void SetPaperHeight(double v);
    void SetPaperSize(int64_t code);

    double LeftMargin = 0, RightMargin = 0, TopMargin = 0, BottomMargin = 0;
    bool MirrorMargins = false;
    int Columns() const { return columns_; }
    void SetColumns(int64_t count);
    double ColumnWidth = 0;
    std::vector<AnsiString> ColumnPositions;
    int Bin = 7, BinOtherPages = 7;
    bool BackPictureVisible = true, BackPicturePrintable = true;
    // The page's background picture, colour and border live on an internal
    // picture view (not one of the page's objects).
    TPicture& BackPicture() { return background_->Picture; }
    const TPicture& BackPicture() const { return background_->Picture; }
    int32_t Color() const { return background_->Color; }
    void SetColor(int32_t v) { background_->Color = v; }
    TfrxFrame& Frame() { return background_->Frame; }
    const TfrxFrame& Frame() const { return background_->Frame; }
    TfrxPictureView& Background() { return *background_; }
    TfrxComponentRef<TfrxComponent> DataSet;
    AnsiString StoredDataSetName;
    AnsiString DataSetName() const;
    void SetDataSetName(const AnsiString& name);
    TfrxDuplexMode Duplex = TfrxDuplexMode::dmNone;
    bool EndlessHeight = false, EndlessWidth = false, LargeDesignHeight = false;
    AnsiString OutlineText;
    bool PrintIfEmpty = true, PrintOnPreviousPage = false, ResetPageNumbers = false;
    bool TitleBeforeHeader = true;
    std::vector<AnsiString> HGuides, VGuides;
    AnsiString OnAfterPrint, OnBeforePrint, OnManualBuild;

    // Sizes the bands from the printable area: horizontal bands get the
    // printable width minus their Left, vertical bands the printable height
    // minus their Top. The page keeps its paper pixel size afterwards.
    void ApplyChildAlignment() override;
    // Margins 10 mm and the default paper (A4 portrait: no printer layer).
    void ResetToPrinterDefaults();
    // Width and height in whole pixels from the paper size.
    void UpdateDimensions();

private:
    TPrinterOrientation orientation_ = TPrinterOrientation::poPortrait;
    double paperWidth_ = 210, paperHeight_ = 297;
    int paperSize_ = 9;
    int columns_ = 0;
    std::unique_ptr<TfrxPictureView> background_;
};

// A dialog form page; its properties are kept so that templates with dialog
// pages round-trip. Its coordinates are not added to its children's.
class TfrxDialogPage : public TfrxPage {
public:
    TfrxDialogPage();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    int BorderStyle = 2; // bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin
    AnsiString Caption;
    int32_t Color = static_cast<int32_t>(0x8000000F); // clBtnFace
    int Position = 4;                                 // poScreenCenter
    int WindowState = 0;
    AnsiString OnActivate, OnClick, OnCloseQuery, OnDeactivate, OnHide, OnKeyDown, OnKeyPress,
        OnKeyUp, OnShow, OnResize;
};

// Registers the page classes (and the bands) with the template reader.
void RegisterPageClasses();

} // namespace kanvo
