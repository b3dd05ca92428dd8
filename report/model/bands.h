// Band classes: the common band TfrxBand, the eighteen band kinds, the data
// bands with their internal row source, the group header and the null band
// the engine uses.
//
// Ownership: a band owns its views (Objects). Child points at a TfrxChild
// elsewhere on the page (not owned; cleared when that band is deleted).
#pragma once

#include "report/model/component.h"

namespace kanvo {

class TfrxChild;
class TfrxUserDataSet;

class TfrxBand : public TfrxReportComponent {
public:
    TfrxBand();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString DescriptionText() const override;

    bool AllowSplit = false, KeepChild = false, PrintChildIfInvisible = false;
    bool StartNewPage = false, Stretched = false, Vertical = false;
    AnsiString OutlineText, OnAfterCalcHeight;
    std::vector<TfrxBand*> SubBands; // filled by the engine; not owned
    int LineCount = 0;               // counted by the engine
    int OriginalObjectsCount = -1;   // own children before a run

    TfrxChild* Child() const;
    // Raises "Circular child reference is not allowed" when the chain that
    // starts at child leads back to this band.
    void SetChild(TfrxChild* child);
    // Position in the band-kind table of the last class this band is an
    // instance of; 0 for other classes.
    int BandNumber() const;

private:
    TfrxComponentRef<TfrxChild> child_;
};

class TfrxNullBand : public TfrxBand {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
};

#define KANVO_BAND_CLASS(Name, Base)                                                               \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        static const ClassInfo& StaticClass();                                                     \
        const ClassInfo& ClassType() const override { return StaticClass(); }                      \
    };

KANVO_BAND_CLASS(TfrxReportTitle, TfrxBand)
KANVO_BAND_CLASS(TfrxReportSummary, TfrxBand)
KANVO_BAND_CLASS(TfrxFooter, TfrxBand)
KANVO_BAND_CLASS(TfrxChild, TfrxBand)
KANVO_BAND_CLASS(TfrxColumnHeader, TfrxBand)
KANVO_BAND_CLASS(TfrxColumnFooter, TfrxBand)

class TfrxPageHeader : public TfrxBand {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    bool PrintOnFirstPage = true;
};

class TfrxHeader : public TfrxBand {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    bool ReprintOnNewPage = false;
};

class TfrxPageFooter : public TfrxBand {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    bool PrintOnFirstPage = true, PrintOnLastPage = true;
};

class TfrxOverlay : public TfrxBand {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    bool PrintOnTop = false;
};

class TfrxGroupFooter : public TfrxBand {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    bool HideIfSingleDataRecord = false;
};

class TfrxGroupHeader : public TfrxBand {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString Condition;
    bool DrillDown = false, ExpandDrillDown = false, KeepTogether = false;
    bool ReprintOnNewPage = false, ResetPageNumbers = false, ShowFooterIfDrillDown = false;
};

class TfrxDataBand : public TfrxBand {
public:
    TfrxDataBand();
    ~TfrxDataBand() override;
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    int Columns = 0;
    double ColumnWidth = 0, ColumnGap = 0;
    TfrxComponentRef<TfrxComponent> DataSet;
    AnsiString StoredDataSetName;
    bool FooterAfterEach = false, KeepFooter = false, KeepHeader = false, KeepTogether = false;
    bool PrintIfDetailEmpty = false;
    AnsiString OnMasterDetail;
    int RowCount() const { return rowCount_; }
    void SetRowCount(int64_t v);
    // The rows the band prints without a dataset: RowCount empty records.
    TfrxUserDataSet& VirtualDataSet();
    // The dataset's user name when a dataset is linked, else the stored text.
    AnsiString DataSetName() const;
    void SetDataSetName(const AnsiString& name);

    // The current column (1-based); above Columns it wraps to 1 and the band
    // moves to (column - 1) * (ColumnWidth + ColumnGap).
    int CurColumn() const { return curColumn_; }
    void SetCurColumn(int column);

private:
    int curColumn_ = 1;
    int rowCount_ = 0;
    std::unique_ptr<TfrxUserDataSet> virtualDataSet_;
};

KANVO_BAND_CLASS(TfrxMasterData, TfrxDataBand)
KANVO_BAND_CLASS(TfrxDetailData, TfrxDataBand)
KANVO_BAND_CLASS(TfrxSubdetailData, TfrxDataBand)
KANVO_BAND_CLASS(TfrxDataBand4, TfrxDataBand)
KANVO_BAND_CLASS(TfrxDataBand5, TfrxDataBand)
KANVO_BAND_CLASS(TfrxDataBand6, TfrxDataBand)

#undef KANVO_BAND_CLASS

// Registers the band classes with the template reader; safe to call again.
void RegisterBandClasses();

} // namespace kanvo
