// The printable objects placed on bands: memo views (text), lines,
// pictures, shapes and the subreport placeholder, with the conditional
// highlight and the display format of memos.
//
//   TfrxReportComponent
//     TfrxView
//       TfrxStretcheable
//         TfrxCustomMemoView   TfrxMemoView, TfrxSysMemoView
//         TfrxCustomLineView   TfrxLineView
//       TfrxPictureView
//       TfrxShapeView
//       TfrxSubreport
//
// Ownership: a view owns its frame, font, highlight, display format and
// picture; DataSet, FlowTo and a subreport's Page are borrowed references
// that become null when their target is destroyed.
#pragma once

#include "report/model/component.h"
#include "report/model/frame.h"
#include "report/model/picture.h"

#include <optional>

namespace kanvo {

class TfrxReportPage;

enum class TfrxAlign { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient };
enum class TfrxShiftMode { smDontShift, smAlways, smWhenOverlapped };
enum class TfrxStretchMode { smDontStretch, smActualHeight, smMaxHeight };
enum class TfrxHAlign { haLeft, haRight, haCenter, haBlock };
enum class TfrxVAlign { vaTop, vaBottom, vaCenter };
enum class TfrxShapeKind {
    skRectangle,
    skRoundRectangle,
    skEllipse,
    skTriangle,
    skDiamond,
    skDiagonal1,
    skDiagonal2
};
enum class TfrxFormatKind { fkText, fkNumeric, fkDateTime, fkBoolean };
enum class TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

extern const std::vector<AnsiString> kAlignNames, kShiftModeNames, kStretchModeNames, kHAlignNames,
    kVAlignNames, kShapeKindNames, kFormatKindNames, kBrushStyleNames;

// The colour and font a memo takes while its condition holds.
class TfrxHighlight : public TPersistent {
public:
    TfrxHighlight();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    void Assign(const TfrxHighlight& other);

    bool Active = false;
    TfrxFont Font;
    int32_t Color = clTransparent;
    AnsiString Condition;
};

// How a memo formats its value.
class TfrxFormat : public TPersistent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    void Assign(const TfrxFormat& other);

    AnsiString DecimalSeparator;
    AnsiString FormatStr;
    TfrxFormatKind Kind = TfrxFormatKind::fkText;
};

class TfrxView : public TfrxReportComponent {
public:
    TfrxView();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    TfrxAlign Align = TfrxAlign::baNone;
    TBrushStyle BrushStyle = TBrushStyle::bsSolid;
    int32_t Color = clTransparent;
    int Cursor = 0;
    AnsiString DataField;
    TfrxFrame Frame;
    bool Printable = true;
    TfrxShiftMode ShiftMode = TfrxShiftMode::smAlways;
    AnsiString TagStr;
    AnsiString URL;

    // The dataset link: writing DataSet copies the dataset's user name into
    // the stored name; reading DataSetName gives the linked dataset's user
    // name, else the stored text; writing it looks the dataset up and keeps
    // the previous link when nothing is found.
    TfrxComponent* DataSet() const { return dataSet_.Get(); }
    void SetDataSet(TfrxComponent* dataSet);
    AnsiString DataSetName() const;
    void SetDataSetName(const AnsiString& name);

    // Around one print: TagStr and URL are kept aside and their bracketed
    // expressions expanded while the data is fetched.
    void PreparePrint() override;
    void FetchData() override;
    void CompletePrint() override;

    // The view form of the prepared-page difference text.
    AnsiString MakeDiff(const TfrxComponent& source) override;

protected:
    AnsiString ViewDiff(const TfrxView& source) const;
    // The text with its bracketed expressions replaced by their values
    // through the report's expander; texts without "[" stay as they are.
    AnsiString ExpandBracketed(const AnsiString& text);

private:
    TfrxComponentRef<TfrxComponent> dataSet_;
    AnsiString storedDataSetName_;
    AnsiString savedTagStr_, savedURL_;
};

class TfrxStretcheable : public TfrxView {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    TfrxStretchMode StretchMode = TfrxStretchMode::smDontStretch;
    // The memo views compute their height and split their text; a plain
    // stretcheable object keeps its height and cannot be split.
    virtual double CalcHeight() { return Height(); }
    virtual double FitPart() { return 0; }
    virtual void ResetParts() {}
};

class TfrxCustomMemoView;

// How memos measure and split their text. The model has no text layout of
// its own: the report engine installs one (process-wide); without it a memo
// keeps its height, is as wide as it is, and cannot be split.
class TfrxMemoLayout {
public:
    virtual ~TfrxMemoLayout() = default;
    // The laid-out text height plus the vertical insets, whole pixels.
    virtual double CalcHeight(TfrxCustomMemoView& memo) = 0;
    // The widest line plus the horizontal insets, whole pixels.
    virtual double CalcWidth(TfrxCustomMemoView& memo) = 0;
    // Fits the remaining text into the current height (see FitPart below).
    virtual double FitPart(TfrxCustomMemoView& memo) = 0;
};
void SetMemoLayout(TfrxMemoLayout* layout);
TfrxMemoLayout* MemoLayout();

// A memo's lines as scripts see them (Memo1.Lines): Text, Count,
// Strings[i] (also Lines[i]), Add, Clear, Delete.
class TfrxMemoLines : public TPersistent {
public:
    explicit TfrxMemoLines(TfrxCustomMemoView& memo) : memo_(memo) {}
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    bool GetProperty(std::string_view name, Variant& value) override;
    bool GetIndexed(std::string_view name, const std::vector<Variant>& index,
                    Variant& value) override;
    bool SetIndexed(std::string_view name, const std::vector<Variant>& index,
                    const Variant& value) override;
    bool CallMethod(std::string_view name, std::vector<Variant>& args, Variant& result) override;
    TfrxCustomMemoView& Memo() const { return memo_; }

private:
    // The line of an index, or raises "List index out of bounds (%d)".
    WideString& Line(const std::vector<Variant>& index) const;
    TfrxCustomMemoView& memo_;
};

class TfrxCustomMemoView : public TfrxStretcheable {
public:
    TfrxCustomMemoView();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString DescriptionText() const override;

    bool AllowExpressions = true;
    bool AllowHTMLTags = false;
    bool AutoWidth = false;
    double CharSpacing = 0;
    bool Clipped = true;
    TfrxFormat DisplayFormat;
    AnsiString ExpressionDelimiters = "[,]";
    bool FirstParaBreak = false;
    bool LastParaBreak = false;
    double GapX = 2;
    double GapY = 1;
    TfrxHAlign HAlign = TfrxHAlign::haLeft;
    bool HideZeros = false;
    TfrxHighlight Highlight;
    double LineSpacing = 2;
    std::vector<WideString> Memo; // the text lines
    double ParagraphGap = 0;
    bool RTLReading = false;
    bool SuppressRepeated = false;
    bool Underlines = false;
    bool WordBreak = false;
    bool WordWrap = true;
    bool Wysiwyg = true;
    TfrxVAlign VAlign = TfrxVAlign::vaTop;
    Variant Value = Variant::Null(); // for scripts

    TfrxCustomMemoView* FlowTo() const { return flowTo_.Get(); }
    void SetFlowTo(TfrxCustomMemoView* memo) { flowTo_.Set(memo); }

    int Rotation() const { return rotation_; }
    // Keeps the value modulo 360 with the sign of the value (450 → 90, −90 stays).
    void SetRotation(int64_t degrees) { rotation_ = static_cast<int>(degrees % 360); }

    const AnsiString& Style() const { return style_; }
    // Stores the name; inside a report, the style of that name (letter case
    // ignored) gives the view its colour, font and frame.
    void SetStyle(const AnsiString& name);

    // The lines, each followed by CR LF.
    WideString Text() const;
    // Splits at CR LF, lone CR, lone LF and U+2028; a break at the very end
    // adds no empty line.
    void SetText(const WideString& text);

    // The space the frame and the gaps take from the width and the height.
    double InsetX() const;
    double InsetY() const;

    // -- the print cycle
    // Keeps the design text (when the memo is not bound to a field) for
    // CompletePrint; the view part keeps the bounds, TagStr and URL.
    void PreparePrint() override;
    void CompletePrint() override;
    // True when DataSet is set and DataField is not empty.
    bool IsFieldBound() const { return DataSet() && !DataField.empty(); }
    // Through the installed layout (see TfrxMemoLayout).
    double CalcHeight() override;
    virtual double CalcWidth();
    // Puts the remaining text back into the lines, keeps what fits the
    // current height and leaves the rest as the remaining text; returns the
    // unused space, or Height when nothing fitted.
    double FitPart() override;
    // The remaining text := the whole text; both paragraph-break flags off.
    void ResetParts() override;

    WideString SavedText;     // the design text between PreparePrint and CompletePrint
    WideString RemainingText; // the part not yet placed while the memo is split
    // The text printed the previous time (SuppressRepeated); none: Null.
    std::optional<WideString> LastPrintedText;
    int TotalPages = 0; // set by the prepared pages before drawing
    int CopyNo = 0;

    // Memo1.Lines[i] reaches the lines.
    bool GetIndexed(std::string_view name, const std::vector<Variant>& index,
                    Variant& value) override;
    bool SetIndexed(std::string_view name, const std::vector<Variant>& index,
                    const Variant& value) override;

    bool HasMemoText() const override { return true; }
    WideString MemoText() const override { return Text(); }
    void SetMemoText(const WideString& text) override { SetText(text); }
    bool IsMemoAutoWidth() const override { return AutoWidth; }

    // The memo form of the difference text; moves the paragraph-break state
    // on (FirstParaBreak takes LastParaBreak, LastParaBreak becomes false).
    AnsiString MakeDiff(const TfrxComponent& source) override;

    TfrxMemoLines Lines{*this};

private:
    TfrxComponentRef<TfrxCustomMemoView> flowTo_;
    int rotation_ = 0;
    AnsiString style_;
};

class TfrxMemoView : public TfrxCustomMemoView {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
};

// A memo for system texts (page numbers, dates): fewer published properties.
class TfrxSysMemoView : public TfrxCustomMemoView {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString DescriptionText() const override;
};

class TfrxCustomLineView : public TfrxStretcheable {
public:
    TfrxCustomLineView();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString DescriptionText() const override;

    bool ArrowEnd = false;
    int ArrowLength = 20;
    bool ArrowSolid = false;
    bool ArrowStart = false;
    int ArrowWidth = 5;
    bool Diagonal = false;
};

class TfrxLineView : public TfrxCustomLineView {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
};

class TfrxPictureView : public TfrxView {
public:
    TfrxPictureView();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString DescriptionText() const override;

    bool AutoSize() const { return autoSize_; }
    // True applies the picture's size at once.
    void SetAutoSize(bool v);
    bool Center = false;
    AnsiString FileLink;
    int ImageIndex = 0;
    bool KeepAspectRatio = true;
    bool Stretched = true;
    bool HightQuality = false;
    TPicture Picture;

    // Store marks: the picture is written to templates unless cleared; the
    // picture-cache index only when set (prepared pages).
    bool StorePicture = true;
    bool StoreImageIndex = false;
    // Set by every change of the picture, cleared when the prepared-page
    // store has taken the picture.
    bool PictureChanged = false;

    // Loads with format recognition; false and an empty picture when the
    // bytes hold no known image.
    bool LoadPictureFromStream(std::string_view bytes);
    void LoadFromFile(const AnsiString& fileName) { Picture.LoadFromFile(fileName); }

    // FileLink (expanded) or the binary field of the dataset fill the picture.
    void FetchData() override;
    AnsiString MakeDiff(const TfrxComponent& source) override;

private:
    void PictureWasChanged();
    bool autoSize_ = false;
};

class TfrxShapeView : public TfrxView {
public:
    TfrxShapeView();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString DescriptionText() const override;

    int Curve = 0;
    TfrxShapeKind Shape = TfrxShapeKind::skRectangle;

    AnsiString MakeDiff(const TfrxComponent& source) override;
};

// Prints another report page in its place; never kept in prepared pages.
class TfrxSubreport : public TfrxView {
public:
    TfrxSubreport();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString DescriptionText() const override;

    TfrxReportPage* Page() const;
    void SetPage(TfrxReportPage* page);
    bool PrintOnParent = false;

private:
    TfrxComponentRef<TfrxReportPage> page_;
};

// Applies the Align property of parent's child views: neighbours first
// (baLeft/baWidth against the left one, baRight/baWidth against the right
// one, in the order of their Left), then baCenter, baBottom and baClient.
void AlignChildViews(TfrxComponent& parent);

// Registers the view classes with the template reader; safe to call again.
void RegisterViewClasses();

} // namespace kanvo
