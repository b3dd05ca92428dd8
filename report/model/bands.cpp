#include "report/model/bands.h"

#include "platform/exception.h"
#include "report/model/dataset.h"
#include "report/model/report.h"
#include "report/model/resources.h"

#include <algorithm>
#include <limits>

namespace kanvo {

namespace {
using prop::Field;
using prop::SetField;

const std::vector<AnsiString> kRestrictionNames = {"rfDontModify", "rfDontSize", "rfDontMove",
                                                   "rfDontDelete", "rfDontEdit"};

// The extra properties a band kind publishes, in stored order.
template <typename T>
ClassBuilder<T>& AllowSplitProp(ClassBuilder<T>& b) {
    return b.Bool("AllowSplit", Field<TfrxBand>(&TfrxBand::AllowSplit),
                  SetField<TfrxBand>(&TfrxBand::AllowSplit), false);
}
template <typename T>
ClassBuilder<T>& ChildProp(ClassBuilder<T>& b) {
    return b.template Ref<TfrxChild>(
        "Child", "TfrxChild", [](const T& o) { return o.Child(); },
        [](T& o, TfrxChild* c) { o.SetChild(c); });
}
template <typename T>
ClassBuilder<T>& BoolProp(ClassBuilder<T>& b, const char* name, bool TfrxBand::*field) {
    return b.Bool(name, Field<TfrxBand>(field), SetField<TfrxBand>(field), false);
}
} // namespace

// ---------------------------------------------------------------- TfrxBand

TfrxBand::TfrxBand() {
    SetHeight(20);
}

const ClassInfo& TfrxBand::StaticClass() {
    using T = TfrxBand;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxBand", &TfrxReportComponent::StaticClass())
            .Sub("Font", &TfrxFont::StaticClass(), [](const T& o) { return &o.Font(); })
            .Stored([](const T& o) { return !o.ParentFont(); })
            .Float("Height", &T::Height, &T::SetHeight)
            .Float("Left", &T::Left, &T::SetLeft)
            .Bool("ParentFont", &T::ParentFont, &T::SetParentFont, true)
            .SetOf("Restrictions", kRestrictionNames, &T::Restrictions, &T::SetRestrictions, 0)
            .Float("Top", &T::Top, &T::SetTop)
            .Bool("Vertical", Field(&T::Vertical), SetField(&T::Vertical), false)
            .Bool("Visible", &T::Visible, &T::SetVisible, true)
            .Float("Width", &T::Width, &T::SetWidth)
            .Event("OnAfterCalcHeight", &T::OnAfterCalcHeight)
            .Event("OnAfterPrint", &T::OnAfterPrint)
            .Event("OnBeforePrint", &T::OnBeforePrint));
    return info;
}

AnsiString TfrxBand::DescriptionText() const {
    return frxGet("obBand");
}

TfrxChild* TfrxBand::Child() const {
    return child_.Get();
}

void TfrxBand::SetChild(TfrxChild* child) {
    for (TfrxBand* b = child; b; b = b->Child())
        if (b == this)
            throw Exception("Circular child reference is not allowed");
    child_.Set(child);
}

int TfrxBand::BandNumber() const {
    static const char* const kKinds[] = {
        "TfrxReportTitle",   "TfrxReportSummary", "TfrxPageHeader", "TfrxPageFooter",
        "TfrxHeader",        "TfrxFooter",        "TfrxMasterData", "TfrxDetailData",
        "TfrxSubdetailData", "TfrxDataBand4",     "TfrxDataBand5",  "TfrxDataBand6",
        "TfrxGroupHeader",   "TfrxGroupFooter",   "TfrxChild",      "TfrxColumnHeader",
        "TfrxColumnFooter",  "TfrxOverlay"};
    int number = 0;
    for (int i = 0; i < static_cast<int>(std::size(kKinds)); ++i)
        if (ClassType().InheritsFrom(std::string_view(kKinds[i])))
            number = i;
    return number;
}

const ClassInfo& TfrxNullBand::StaticClass() {
    static const ClassInfo info =
        MakeClassInfo(ClassBuilder<TfrxNullBand>("TfrxNullBand", &TfrxBand::StaticClass()));
    return info;
}

// ---------------------------------------------------------------- band kinds

namespace {
// AllowSplit, Child, KeepChild, PrintChildIfInvisible, StartNewPage, Stretched
template <typename T>
const ClassInfo& TitleLike(const char* name) {
    static const ClassInfo info = [name] {
        ClassBuilder<T> b(name, &TfrxBand::StaticClass());
        AllowSplitProp(b);
        ChildProp(b);
        BoolProp(b, "KeepChild", &TfrxBand::KeepChild);
        BoolProp(b, "PrintChildIfInvisible", &TfrxBand::PrintChildIfInvisible);
        BoolProp(b, "StartNewPage", &TfrxBand::StartNewPage);
        BoolProp(b, "Stretched", &TfrxBand::Stretched);
        return MakeClassInfo(b);
    }();
    return info;
}
} // namespace

const ClassInfo& TfrxReportTitle::StaticClass() {
    return TitleLike<TfrxReportTitle>("TfrxReportTitle");
}
const ClassInfo& TfrxReportSummary::StaticClass() {
    return TitleLike<TfrxReportSummary>("TfrxReportSummary");
}
const ClassInfo& TfrxChild::StaticClass() {
    return TitleLike<TfrxChild>("TfrxChild");
}

const ClassInfo& TfrxPageHeader::StaticClass() {
    using T = TfrxPageHeader;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxPageHeader", &TfrxBand::StaticClass());
        ChildProp(b);
        BoolProp(b, "PrintChildIfInvisible", &TfrxBand::PrintChildIfInvisible);
        b.Bool("PrintOnFirstPage", Field(&T::PrintOnFirstPage), SetField(&T::PrintOnFirstPage),
               true);
        BoolProp(b, "Stretched", &TfrxBand::Stretched);
        return MakeClassInfo(b);
    }();
    return info;
}

const ClassInfo& TfrxPageFooter::StaticClass() {
    using T = TfrxPageFooter;
    static const ClassInfo info =
        MakeClassInfo(ClassBuilder<T>("TfrxPageFooter", &TfrxBand::StaticClass())
                          .Bool("PrintOnFirstPage", Field(&T::PrintOnFirstPage),
                                SetField(&T::PrintOnFirstPage), true)
                          .Bool("PrintOnLastPage", Field(&T::PrintOnLastPage),
                                SetField(&T::PrintOnLastPage), true));
    return info;
}

const ClassInfo& TfrxHeader::StaticClass() {
    using T = TfrxHeader;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxHeader", &TfrxBand::StaticClass());
        AllowSplitProp(b);
        ChildProp(b);
        BoolProp(b, "KeepChild", &TfrxBand::KeepChild);
        BoolProp(b, "PrintChildIfInvisible", &TfrxBand::PrintChildIfInvisible);
        b.Bool(
            "ReprintOnNewPage", [](const T& o) { return o.ReprintOnNewPage; },
            [](T& o, bool v) { o.ReprintOnNewPage = v; }, false);
        BoolProp(b, "StartNewPage", &TfrxBand::StartNewPage);
        BoolProp(b, "Stretched", &TfrxBand::Stretched);
        return MakeClassInfo(b);
    }();
    return info;
}

const ClassInfo& TfrxFooter::StaticClass() {
    using T = TfrxFooter;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxFooter", &TfrxBand::StaticClass());
        AllowSplitProp(b);
        ChildProp(b);
        BoolProp(b, "KeepChild", &TfrxBand::KeepChild);
        BoolProp(b, "PrintChildIfInvisible", &TfrxBand::PrintChildIfInvisible);
        BoolProp(b, "Stretched", &TfrxBand::Stretched);
        return MakeClassInfo(b);
    }();
    return info;
}

const ClassInfo& TfrxGroupFooter::StaticClass() {
    using T = TfrxGroupFooter;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxGroupFooter", &TfrxBand::StaticClass());
        AllowSplitProp(b);
        ChildProp(b);
        b.Bool("HideIfSingleDataRecord", Field(&T::HideIfSingleDataRecord),
               SetField(&T::HideIfSingleDataRecord), false);
        BoolProp(b, "KeepChild", &TfrxBand::KeepChild);
        BoolProp(b, "PrintChildIfInvisible", &TfrxBand::PrintChildIfInvisible);
        BoolProp(b, "Stretched", &TfrxBand::Stretched);
        return MakeClassInfo(b);
    }();
    return info;
}

const ClassInfo& TfrxColumnHeader::StaticClass() {
    using T = TfrxColumnHeader;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxColumnHeader", &TfrxBand::StaticClass());
        ChildProp(b);
        BoolProp(b, "Stretched", &TfrxBand::Stretched);
        return MakeClassInfo(b);
    }();
    return info;
}

const ClassInfo& TfrxColumnFooter::StaticClass() {
    static const ClassInfo info =
        MakeClassInfo(ClassBuilder<TfrxColumnFooter>("TfrxColumnFooter", &TfrxBand::StaticClass()));
    return info;
}

const ClassInfo& TfrxOverlay::StaticClass() {
    using T = TfrxOverlay;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxOverlay", &TfrxBand::StaticClass())
            .Bool("PrintOnTop", Field(&T::PrintOnTop), SetField(&T::PrintOnTop), false));
    return info;
}

const ClassInfo& TfrxGroupHeader::StaticClass() {
    using T = TfrxGroupHeader;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxGroupHeader", &TfrxBand::StaticClass());
        AllowSplitProp(b);
        ChildProp(b);
        b.StrField("Condition", &T::Condition);
        b.Bool("DrillDown", Field(&T::DrillDown), SetField(&T::DrillDown), false);
        b.Bool("ExpandDrillDown", Field(&T::ExpandDrillDown), SetField(&T::ExpandDrillDown), false);
        BoolProp(b, "KeepChild", &TfrxBand::KeepChild);
        b.Bool("KeepTogether", Field(&T::KeepTogether), SetField(&T::KeepTogether), false);
        b.Bool("ReprintOnNewPage", Field(&T::ReprintOnNewPage), SetField(&T::ReprintOnNewPage),
               false);
        b.Str(
            "OutlineText", [](const T& o) { return o.OutlineText; },
            [](T& o, const AnsiString& v) { o.OutlineText = v; });
        BoolProp(b, "PrintChildIfInvisible", &TfrxBand::PrintChildIfInvisible);
        b.Bool("ResetPageNumbers", Field(&T::ResetPageNumbers), SetField(&T::ResetPageNumbers),
               false);
        b.Bool("ShowFooterIfDrillDown", Field(&T::ShowFooterIfDrillDown),
               SetField(&T::ShowFooterIfDrillDown), false);
        BoolProp(b, "StartNewPage", &TfrxBand::StartNewPage);
        BoolProp(b, "Stretched", &TfrxBand::Stretched);
        return MakeClassInfo(b);
    }();
    return info;
}

// ---------------------------------------------------------------- data bands

const ClassInfo& TfrxDataBand::StaticClass() {
    using T = TfrxDataBand;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxDataBand", &TfrxBand::StaticClass());
        AllowSplitProp(b);
        ChildProp(b);
        b.Int("Columns", Field(&T::Columns), SetField(&T::Columns), 0);
        b.Float("ColumnWidth", Field(&T::ColumnWidth), SetField(&T::ColumnWidth));
        b.Float("ColumnGap", Field(&T::ColumnGap), SetField(&T::ColumnGap));
        b.template Ref<TfrxComponent>(
            "DataSet", "TfrxDataSet", [](const T& o) { return o.DataSet.Get(); },
            [](T& o, TfrxComponent* c) { o.DataSet.Set(c); });
        b.Str("DataSetName", &T::DataSetName, &T::SetDataSetName);
        b.Bool("FooterAfterEach", Field(&T::FooterAfterEach), SetField(&T::FooterAfterEach), false);
        BoolProp(b, "KeepChild", &TfrxBand::KeepChild);
        b.Bool("KeepFooter", Field(&T::KeepFooter), SetField(&T::KeepFooter), false);
        b.Bool("KeepHeader", Field(&T::KeepHeader), SetField(&T::KeepHeader), false);
        b.Bool("KeepTogether", Field(&T::KeepTogether), SetField(&T::KeepTogether), false);
        b.Str(
            "OutlineText", [](const T& o) { return o.OutlineText; },
            [](T& o, const AnsiString& v) { o.OutlineText = v; });
        BoolProp(b, "PrintChildIfInvisible", &TfrxBand::PrintChildIfInvisible);
        b.Bool("PrintIfDetailEmpty", Field(&T::PrintIfDetailEmpty),
               SetField(&T::PrintIfDetailEmpty), false);
        b.Int("RowCount", &T::RowCount, &T::SetRowCount);
        BoolProp(b, "StartNewPage", &TfrxBand::StartNewPage);
        BoolProp(b, "Stretched", &TfrxBand::Stretched);
        b.Event("OnMasterDetail", &T::OnMasterDetail);
        return MakeClassInfo(b);
    }();
    return info;
}

AnsiString TfrxDataBand::DataSetName() const {
    return DataSet ? DataSetUserName(DataSet.Get()) : StoredDataSetName;
}

void TfrxDataBand::SetDataSetName(const AnsiString& name) {
    StoredDataSetName = name;
    if (TfrxReport* report = RootReport())
        if (TfrxComponent* found = report->FindDataSetLink(name))
            DataSet.Set(found);
}

TfrxDataBand::TfrxDataBand() = default;
TfrxDataBand::~TfrxDataBand() = default;

void TfrxDataBand::SetRowCount(int64_t v) {
    rowCount_ = static_cast<int>(std::clamp<int64_t>(v, 0, std::numeric_limits<int>::max()));
    if (virtualDataSet_)
        virtualDataSet_->RangeEndCount = rowCount_;
}

TfrxUserDataSet& TfrxDataBand::VirtualDataSet() {
    if (!virtualDataSet_) {
        virtualDataSet_ = std::make_unique<TfrxUserDataSet>();
        virtualDataSet_->RangeEnd = TfrxRangeEnd::reCount;
    }
    virtualDataSet_->RangeEndCount = rowCount_;
    return *virtualDataSet_;
}

void TfrxDataBand::SetCurColumn(int column) {
    if (column > Columns || column < 1)
        column = 1;
    curColumn_ = column;
    SetLeft((column - 1) * (ColumnWidth + ColumnGap));
}

#define KANVO_DATA_BAND(Name)                                                                      \
    const ClassInfo& Name::StaticClass() {                                                         \
        static const ClassInfo info =                                                              \
            MakeClassInfo(ClassBuilder<Name>(#Name, &TfrxDataBand::StaticClass()));                \
        return info;                                                                               \
    }
KANVO_DATA_BAND(TfrxMasterData)
KANVO_DATA_BAND(TfrxDetailData)
KANVO_DATA_BAND(TfrxSubdetailData)
KANVO_DATA_BAND(TfrxDataBand4)
KANVO_DATA_BAND(TfrxDataBand5)
KANVO_DATA_BAND(TfrxDataBand6)
#undef KANVO_DATA_BAND

void RegisterBandClasses() {
    static bool done = [] {
        RegisterComponentClass<TfrxNullBand>();
        RegisterComponentClass<TfrxReportTitle>();
        RegisterComponentClass<TfrxReportSummary>();
        RegisterComponentClass<TfrxPageHeader>();
        RegisterComponentClass<TfrxPageFooter>();
        RegisterComponentClass<TfrxHeader>();
        RegisterComponentClass<TfrxFooter>();
        RegisterComponentClass<TfrxMasterData>();
        RegisterComponentClass<TfrxDetailData>();
        RegisterComponentClass<TfrxSubdetailData>();
        RegisterComponentClass<TfrxDataBand4>();
        RegisterComponentClass<TfrxDataBand5>();
        RegisterComponentClass<TfrxDataBand6>();
        RegisterComponentClass<TfrxGroupHeader>();
        RegisterComponentClass<TfrxGroupFooter>();
        RegisterComponentClass<TfrxChild>();
        RegisterComponentClass<TfrxColumnHeader>();
        RegisterComponentClass<TfrxColumnFooter>();
        RegisterComponentClass<TfrxOverlay>();
        return true;
    }();
    (void)done;
}

} // namespace kanvo
