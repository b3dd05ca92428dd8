#include "report/model/pages.h"

#include "report/model/bands.h"
#include "report/model/resources.h"
#include "report/model/serializer.h"

#include <cmath>

namespace kanvo {

namespace {
using prop::Field;
using prop::SetField;
template <typename T>
auto Lines(std::vector<AnsiString> T::*member) {
    return [member](const T& o) {
        AnsiString s;
        for (size_t i = 0; i < (o.*member).size(); ++i) {
            if (i)
                s += "\r\n";
            s += (o.*member)[i];
        }
        return s;
    };
}
template <typename T>
auto SetLines(std::vector<AnsiString> T::*member) {
    return [member](T& o, const AnsiString& text) {
        auto& lines = o.*member;
        lines.clear();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find_first_of("\r\n", start);
            if (end == AnsiString::npos) {
                lines.push_back(text.substr(start));
                break;
            }
            lines.push_back(text.substr(start, end - start));
            start = end +
                    ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
        }
    };
}

struct Paper {
    int code;
    double width, height;
};
constexpr Paper kPapers[] = {
    {1, 215.9, 279.4},  {2, 215.9, 279.4},   {3, 279.4, 431.8},  {4, 431.8, 279.4},
    {5, 215.9, 355.6},  {6, 139.7, 215.9},   {7, 184.2, 266.7},  {8, 297, 420},
    {9, 210, 297},      {10, 210, 297},      {11, 148, 210},     {12, 250, 354},
    {13, 182, 257},     {14, 215.9, 330.2},  {15, 215, 275},     {16, 254, 355.6},
    {17, 279.4, 431.8}, {18, 215.9, 279.4},  {19, 98.4, 225.4},  {20, 104.8, 241.3},
    {21, 114.3, 263.5}, {22, 120.7, 279.4},  {23, 127, 292.1},   {24, 431.8, 558.8},
    {25, 558.8, 863.6}, {26, 863.6, 1117.6}, {27, 110, 220},     {28, 162, 229},
    {29, 324, 458},     {30, 229, 324},      {31, 114, 162},     {32, 114, 229},
    {33, 250, 353},     {34, 176, 250},      {35, 176, 125},     {36, 110, 230},
    {37, 98.4, 190.5},  {38, 92, 165.1},     {39, 377.8, 279.4}, {40, 215.9, 304.8},
    {41, 215.9, 330.2}, {42, 250, 353},      {43, 100, 148},     {44, 228.6, 279.4},
    {45, 254, 279.4},   {46, 381, 279.4},    {47, 220, 220},     {50, 235.5, 304.8},
    {51, 235.5, 381},   {52, 296.9, 457.2},  {53, 235.4, 322.3}, {54, 210.1, 279.4},
    {55, 210, 297},     {56, 235.5, 304.8},  {57, 227, 356},     {58, 305, 487},
    {59, 215.9, 322.3}, {60, 210, 330},      {61, 148, 210},     {62, 182, 257},
    {63, 322, 445},     {64, 174, 235},      {65, 201, 276},     {66, 420, 594},
    {67, 297, 420},     {68, 322, 445}};
static_assert(std::size(kPapers) == 66);

constexpr int kMaxColumnPositions = 1000;

double Round8(double v) {
    return std::round(v * 1e8) / 1e8;
}

} // namespace

bool PaperDimensions(int code, double& width, double& height) {
    for (const Paper& p : kPapers)
        if (p.code == code) {
            width = p.width;
            height = p.height;
            return true;
        }
    return false;
}

// ---------------------------------------------------------------- report page

TfrxReportPage::TfrxReportPage() : background_(std::make_unique<TfrxPictureView>()) {
    background_->Color = kClTransparent;
    background_->KeepAspectRatio = false;
    UpdateDimensions();
}

const ClassInfo& TfrxReportPage::StaticClass() {
    using T = TfrxReportPage;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxReportPage", &TfrxPage::StaticClass())
            .Enum(
                "Orientation", {"poPortrait", "poLandscape"},
                [](const T& o) { return static_cast<int>(o.Orientation()); },
                [](T& o, int64_t v) {
                    o.SetOrientation(v == 1 ? TPrinterOrientation::poLandscape
                                            : TPrinterOrientation::poPortrait);
                },
                0)
            .Float("PaperWidth", &T::PaperWidth, &T::SetPaperWidth)
            .Float("PaperHeight", &T::PaperHeight, &T::SetPaperHeight)
            .Int("PaperSize", &T::PaperSize, &T::SetPaperSize)
            .Float("LeftMargin", Field(&T::LeftMargin), SetField(&T::LeftMargin))
            .Float("RightMargin", Field(&T::RightMargin), SetField(&T::RightMargin))
            .Float("TopMargin", Field(&T::TopMargin), SetField(&T::TopMargin))
            .Float("BottomMargin", Field(&T::BottomMargin), SetField(&T::BottomMargin))
            .Bool("MirrorMargins", Field(&T::MirrorMargins), SetField(&T::MirrorMargins), false)
            .Int("Columns", &T::Columns, &T::SetColumns, 0)
            .Float("ColumnWidth", Field(&T::ColumnWidth), SetField(&T::ColumnWidth))
            .StrList("ColumnPositions", Lines(&T::ColumnPositions), SetLines(&T::ColumnPositions))
            .Int("Bin", Field(&T::Bin), SetField(&T::Bin), 7)
            .Int("BinOtherPages", Field(&T::BinOtherPages), SetField(&T::BinOtherPages), 7)
            .Sub("BackPicture", &TPicture::StaticClass(),
                 [](const T& o) { return &o.BackPicture(); })
            .Bool("BackPictureVisible", Field(&T::BackPictureVisible),
                  SetField(&T::BackPictureVisible), true)
            .Bool("BackPicturePrintable", Field(&T::BackPicturePrintable),
                  SetField(&T::BackPicturePrintable), true)
            .Int(
                "Color", &T::Color, [](T& o, int64_t v) { o.SetColor(static_cast<int32_t>(v)); },
                kClTransparent)
            .Ref<TfrxComponent>(
                "DataSet", "TfrxDataSet", [](const T& o) { return o.DataSet.Get(); },
                [](T& o, TfrxComponent* c) { o.DataSet.Set(c); })
            .Str("DataSetName", &T::DataSetName, &T::SetDataSetName)
            .Enum(
                "Duplex", {"dmNone", "dmVertical", "dmHorizontal", "dmSimplex"},
                [](const T& o) { return static_cast<int>(o.Duplex); },
                [](T& o, int64_t v) {
                    o.Duplex = static_cast<TfrxDuplexMode>(std::clamp<int64_t>(v, 0, 3));
                },
                0)
            .Sub("Frame", &TfrxFrame::StaticClass(), [](const T& o) { return &o.Frame(); })
            .Bool("EndlessHeight", Field(&T::EndlessHeight), SetField(&T::EndlessHeight), false)
            .Bool("EndlessWidth", Field(&T::EndlessWidth), SetField(&T::EndlessWidth), false)
            .Bool("LargeDesignHeight", Field(&T::LargeDesignHeight),
                  SetField(&T::LargeDesignHeight), false)
            .StrField("OutlineText", &T::OutlineText)
            .Bool("PrintIfEmpty", Field(&T::PrintIfEmpty), SetField(&T::PrintIfEmpty), true)
            .Bool("PrintOnPreviousPage", Field(&T::PrintOnPreviousPage),
                  SetField(&T::PrintOnPreviousPage), false)
            .Bool("ResetPageNumbers", Field(&T::ResetPageNumbers), SetField(&T::ResetPageNumbers),
                  false)
            .Bool("TitleBeforeHeader", Field(&T::TitleBeforeHeader),
                  SetField(&T::TitleBeforeHeader), true)
            .StrList("HGuides", Lines(&T::HGuides), SetLines(&T::HGuides))
            .Stored([](const T& o) { return !o.HGuides.empty(); })
            .StrList("VGuides", Lines(&T::VGuides), SetLines(&T::VGuides))
            .Stored([](const T& o) { return !o.VGuides.empty(); })
            .Event("OnAfterPrint", &T::OnAfterPrint)
            .Event("OnBeforePrint", &T::OnBeforePrint)
            .Event("OnManualBuild", &T::OnManualBuild));
    return info;
}

AnsiString TfrxReportPage::DescriptionText() const {
    return frxGet("obRepPage");
}

void TfrxReportPage::UpdateDimensions() {
    SetWidth(std::round(paperWidth_ * kPixelsPerMm));
    SetHeight(std::round(paperHeight_ * kPixelsPerMm));
}

void TfrxReportPage::SetOrientation(TPrinterOrientation value) {
    if (value == orientation_)
        return;
    std::swap(paperWidth_, paperHeight_);
    double l = LeftMargin, r = RightMargin, t = TopMargin, b = BottomMargin;
    if (value == TPrinterOrientation::poLandscape) {
        LeftMargin = t;
        RightMargin = b;
        TopMargin = r;
        BottomMargin = l;
    } else {
        LeftMargin = b;
        RightMargin = t;
        TopMargin = l;
        BottomMargin = r;
    }
    orientation_ = value;
    UpdateDimensions();
}

void TfrxReportPage::SetPaperWidth(double v) {
    paperWidth_ = Round8(v);
    paperSize_ = kCustomPaperSize;
    UpdateDimensions();
}

void TfrxReportPage::SetPaperHeight(double v) {
    paperHeight_ = Round8(v);
    paperSize_ = kCustomPaperSize;
    UpdateDimensions();
}

void TfrxReportPage::SetPaperSize(int64_t code) {
    paperSize_ = static_cast<int>(std::clamp<int64_t>(code, INT32_MIN, INT32_MAX));
    double w = 0, h = 0;
    if (code < kCustomPaperSize && PaperDimensions(paperSize_, w, h)) {
        if (orientation_ == TPrinterOrientation::poLandscape)
            std::swap(w, h);
        paperWidth_ = w;
        paperHeight_ = h;
    }
    UpdateDimensions();
}

void TfrxReportPage::SetColumns(int64_t count) {
    columns_ = static_cast<int>(std::clamp<int64_t>(count, INT32_MIN, INT32_MAX));
    ColumnPositions.clear();
    if (columns_ <= 0)
        return;
    ColumnWidth = (paperWidth_ - LeftMargin - RightMargin) / columns_;
    // A count from a broken template must not fill memory with positions;
    // no page has more than a few hundred columns.
    const int listed = std::min(columns_, kMaxColumnPositions);
    for (int i = 0; i < listed; ++i)
        ColumnPositions.push_back(FloatToTemplateText(i * ColumnWidth));
}

AnsiString TfrxReportPage::DataSetName() const {
    return DataSet ? DataSetUserName(DataSet.Get()) : StoredDataSetName;
}

void TfrxReportPage::SetDataSetName(const AnsiString& name) {
    StoredDataSetName = name;
    if (TfrxReport* report = RootReport())
        if (TfrxComponent* found = report->FindDataSetLink(name))
            DataSet.Set(found);
}

void TfrxReportPage::ApplyChildAlignment() {
    const double width = (paperWidth_ - LeftMargin - RightMargin) * kPixelsPerMm;
    const double height = (paperHeight_ - TopMargin - BottomMargin) * kPixelsPerMm;
    SetWidth(width);
    SetHeight(height);
    for (TfrxComponent* c : Objects())
        if (auto* band = dynamic_cast<TfrxBand*>(c)) {
            if (band->Vertical)
                band->SetHeight(height - band->Top());
            else
                band->SetWidth(width - band->Left());
        }
    UpdateDimensions();
}

void TfrxReportPage::ResetToPrinterDefaults() {
    LeftMargin = RightMargin = TopMargin = BottomMargin = 10;
    // No printer layer yet: the default paper is A4 portrait.
    SetOrientation(TPrinterOrientation::poPortrait);
    double w = 210, h = 297;
    PaperDimensions(9, w, h);
    paperWidth_ = w;
    paperHeight_ = h;
    paperSize_ = 9;
    UpdateDimensions();
}

// ---------------------------------------------------------------- dialog page

TfrxDialogPage::TfrxDialogPage() {
    Font().SetName("Tahoma");
    Font().SetSize(8);
}

const ClassInfo& TfrxDialogPage::StaticClass() {
    using T = TfrxDialogPage;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxDialogPage", &TfrxPage::StaticClass())
            .Enum("BorderStyle",
                  {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
                  Field(&T::BorderStyle), SetField(&T::BorderStyle), 2)
            .StrField("Caption", &T::Caption)
            .Int("Color", Field(&T::Color), SetField(&T::Color), static_cast<int32_t>(0x8000000F))
            .Float("Height", &T::Height, &T::SetHeight)
            .Float("Left", &T::Left, &T::SetLeft)
            .Enum("Position",
                  {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                   "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"},
                  Field(&T::Position), SetField(&T::Position), 4)
            .Float("Top", &T::Top, &T::SetTop)
            .Float("Width", &T::Width, &T::SetWidth)
            .Enum("WindowState", {"wsNormal", "wsMinimized", "wsMaximized"}, Field(&T::WindowState),
                  SetField(&T::WindowState), 0)
            .Event("OnActivate", &T::OnActivate)
            .Event("OnClick", &T::OnClick)
            .Event("OnCloseQuery", &T::OnCloseQuery)
            .Event("OnDeactivate", &T::OnDeactivate)
            .Event("OnHide", &T::OnHide)
            .Event("OnKeyDown", &T::OnKeyDown)
            .Event("OnKeyPress", &T::OnKeyPress)
            .Event("OnKeyUp", &T::OnKeyUp)
            .Event("OnShow", &T::OnShow)
            .Event("OnResize", &T::OnResize));
    return info;
}

void RegisterPageClasses() {
    static bool done = [] {
        RegisterBandClasses();
        RegisterComponentClass<TfrxReportPage>();
        RegisterComponentClass<TfrxDialogPage>();
        return true;
    }();
    (void)done;
}

} // namespace kanvo
