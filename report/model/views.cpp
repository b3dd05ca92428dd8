#include "report/model/views.h"

#include "platform/code_page.h"
#include "platform/files.h"
#include "report/model/dataset.h"
#include "report/model/pages.h"
#include "report/model/report.h"
#include "report/model/resources.h"
#include "report/model/serializer.h"
#include "report/model/xml.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace kanvo {

const std::vector<AnsiString> kAlignNames = {"baNone",  "baLeft",   "baRight", "baCenter",
                                             "baWidth", "baBottom", "baClient"};
const std::vector<AnsiString> kShiftModeNames = {"smDontShift", "smAlways", "smWhenOverlapped"};
const std::vector<AnsiString> kStretchModeNames = {"smDontStretch", "smActualHeight",
                                                   "smMaxHeight"};
const std::vector<AnsiString> kHAlignNames = {"haLeft", "haRight", "haCenter", "haBlock"};
const std::vector<AnsiString> kVAlignNames = {"vaTop", "vaBottom", "vaCenter"};
const std::vector<AnsiString> kShapeKindNames = {"skRectangle", "skRoundRectangle", "skEllipse",
                                                 "skTriangle",  "skDiamond",        "skDiagonal1",
                                                 "skDiagonal2"};
const std::vector<AnsiString> kFormatKindNames = {"fkText", "fkNumeric", "fkDateTime", "fkBoolean"};
const std::vector<AnsiString> kBrushStyleNames = {"bsSolid",    "bsClear",     "bsHorizontal",
                                                  "bsVertical", "bsFDiagonal", "bsBDiagonal",
                                                  "bsCross",    "bsDiagCross"};

namespace {
using prop::Field;
using prop::SetField;

const std::vector<AnsiString> kRestrictionNames = {"rfDontModify", "rfDontSize", "rfDontMove",
                                                   "rfDontDelete", "rfDontEdit"};

// An enumeration value from an ordinal; out-of-range ordinals clamp.
template <typename E>
E EnumOf(int64_t v, const std::vector<AnsiString>& names) {
    return static_cast<E>(std::clamp<int64_t>(v, 0, static_cast<int64_t>(names.size()) - 1));
}
template <typename E>
int64_t Ord(E e) {
    return static_cast<int64_t>(e);
}

// An enumeration field of a view class, published by name.
template <typename T, typename Owner, typename E>
void EnumField(ClassBuilder<T>& b, const char* name, const std::vector<AnsiString>& names,
               E Owner::*field, int64_t def) {
    b.Enum(
        name, names, [field](const T& o) { return Ord(o.*field); },
        [field, &names](T& o, int64_t v) { o.*field = EnumOf<E>(v, names); }, def);
}
template <typename T, typename Owner>
void BoolField(ClassBuilder<T>& b, const char* name, bool Owner::*field, bool def) {
    b.Bool(
        name, [field](const T& o) { return o.*field; }, [field](T& o, bool v) { o.*field = v; },
        def);
}
template <typename T, typename Owner>
void IntField(ClassBuilder<T>& b, const char* name, int Owner::*field, int64_t def) {
    b.Int(
        name, [field](const T& o) { return o.*field; },
        [field](T& o, int64_t v) { o.*field = static_cast<int>(v); }, def);
}
template <typename T, typename Owner>
void StrField(ClassBuilder<T>& b, const char* name, AnsiString Owner::*field) {
    b.Str(
        name, [field](const T& o) { return o.*field; },
        [field](T& o, const AnsiString& v) { o.*field = v; });
}
// A float written only when it is not its usual value.
template <typename T, typename Owner>
void FloatField(ClassBuilder<T>& b, const char* name, double Owner::*field, double usual) {
    b.Float(
         name, [field](const T& o) { return o.*field; }, [field](T& o, double v) { o.*field = v; })
        .Stored([field, usual](const T& o) { return o.*field != usual; });
}

// The properties that several view classes publish, each class in its own
// order. Returns false for a name that is not one of them.
template <typename T>
bool ViewProp(ClassBuilder<T>& b, std::string_view name) {
    if (name == "Cursor")
        IntField(b, "Cursor", &TfrxView::Cursor, 0);
    else if (name == "TagStr")
        StrField(b, "TagStr", &TfrxView::TagStr);
    else if (name == "URL")
        StrField(b, "URL", &TfrxView::URL);
    else if (name == "BrushStyle")
        EnumField(b, "BrushStyle", kBrushStyleNames, &TfrxView::BrushStyle, 0);
    else if (name == "Color")
        b.Int(
            "Color", [](const T& o) { return o.Color; },
            [](T& o, int64_t v) { o.Color = static_cast<int32_t>(v); }, clTransparent);
    else if (name == "DataField")
        StrField(b, "DataField", &TfrxView::DataField);
    else if (name == "DataSet")
        b.template Ref<TfrxComponent>(
            "DataSet", "TfrxDataSet", [](const T& o) { return o.DataSet(); },
            [](T& o, TfrxComponent* c) { o.SetDataSet(c); });
    else if (name == "DataSetName")
        b.Str(
            "DataSetName", [](const T& o) { return o.DataSetName(); },
            [](T& o, const AnsiString& v) { o.SetDataSetName(v); });
    else if (name == "Frame")
        b.Sub("Frame", &TfrxFrame::StaticClass(), [](const T& o) { return &o.Frame; });
    else
        return false;
    return true;
}

template <typename T>
void AddViewProps(ClassBuilder<T>& b, std::initializer_list<std::string_view> names) {
    for (std::string_view name : names)
        if (!ViewProp(b, name))
            throw std::logic_error("unknown view property " + std::string(name));
}

using MemoBuilder = ClassBuilder<TfrxCustomMemoView>;

bool MemoProp(MemoBuilder& b, std::string_view name) {
    using T = TfrxCustomMemoView;
    if (ViewProp(b, name))
        return true;
    if (name == "StretchMode")
        EnumField(b, "StretchMode", kStretchModeNames, &TfrxStretcheable::StretchMode, 0);
    else if (name == "FirstParaBreak")
        BoolField(b, "FirstParaBreak", &T::FirstParaBreak, false);
    else if (name == "LastParaBreak")
        BoolField(b, "LastParaBreak", &T::LastParaBreak, false);
    else if (name == "AutoWidth")
        BoolField(b, "AutoWidth", &T::AutoWidth, false);
    else if (name == "AllowExpressions")
        BoolField(b, "AllowExpressions", &T::AllowExpressions, true);
    else if (name == "AllowHTMLTags")
        BoolField(b, "AllowHTMLTags", &T::AllowHTMLTags, false);
    else if (name == "CharSpacing")
        FloatField(b, "CharSpacing", &T::CharSpacing, 0);
    else if (name == "Clipped")
        BoolField(b, "Clipped", &T::Clipped, true);
    else if (name == "DisplayFormat")
        b.Sub("DisplayFormat", &TfrxFormat::StaticClass(),
              [](const T& o) { return &o.DisplayFormat; });
    else if (name == "ExpressionDelimiters")
        b.StrField("ExpressionDelimiters", &T::ExpressionDelimiters).Stored([](const T& o) {
            return o.ExpressionDelimiters != "[,]";
        });
    else if (name == "FlowTo")
        b.Ref<TfrxCustomMemoView>(
            "FlowTo", "TfrxCustomMemoView", [](const T& o) { return o.FlowTo(); },
            [](T& o, TfrxCustomMemoView* m) { o.SetFlowTo(m); });
    else if (name == "Font")
        b.Sub("Font", &TfrxFont::StaticClass(), [](const T& o) {
             return &o.Font();
         }).Stored([](const T& o) { return !o.ParentFont(); });
    else if (name == "GapX")
        FloatField(b, "GapX", &T::GapX, 2);
    else if (name == "GapY")
        FloatField(b, "GapY", &T::GapY, 1);
    else if (name == "HAlign")
        EnumField(b, "HAlign", kHAlignNames, &T::HAlign, 0);
    else if (name == "HideZeros")
        BoolField(b, "HideZeros", &T::HideZeros, false);
    else if (name == "Highlight")
        b.Sub("Highlight", &TfrxHighlight::StaticClass(), [](const T& o) {
             return &o.Highlight;
         }).Stored([](const T& o) { return !TrimBlanks(o.Highlight.Condition).empty(); });
    else if (name == "LineSpacing")
        FloatField(b, "LineSpacing", &T::LineSpacing, 2);
    else if (name == "Memo")
        b.WideList(
            "Memo", [](const T& o) { return o.Text(); },
            [](T& o, const WideString& v) { o.SetText(v); });
    else if (name == "ParagraphGap")
        FloatField(b, "ParagraphGap", &T::ParagraphGap, 0);
    else if (name == "ParentFont")
        b.Bool("ParentFont", &T::ParentFont, &T::SetParentFont, true);
    else if (name == "Rotation")
        b.Int("Rotation", &T::Rotation, &T::SetRotation, 0);
    else if (name == "RTLReading")
        BoolField(b, "RTLReading", &T::RTLReading, false);
    else if (name == "Style")
        b.Str("Style", &T::Style, &T::SetStyle);
    else if (name == "SuppressRepeated")
        BoolField(b, "SuppressRepeated", &T::SuppressRepeated, false);
    else if (name == "Underlines")
        BoolField(b, "Underlines", &T::Underlines, false);
    else if (name == "WordBreak")
        BoolField(b, "WordBreak", &T::WordBreak, false);
    else if (name == "WordWrap")
        BoolField(b, "WordWrap", &T::WordWrap, true);
    else if (name == "Wysiwyg")
        BoolField(b, "Wysiwyg", &T::Wysiwyg, true);
    else if (name == "VAlign")
        EnumField(b, "VAlign", kVAlignNames, &T::VAlign, 0);
    else
        return false;
    return true;
}

ClassInfo MemoClass(const char* className, std::initializer_list<std::string_view> names) {
    MemoBuilder b(className, &TfrxCustomMemoView::StaticClass());
    for (std::string_view name : names)
        if (!MemoProp(b, name))
            throw std::logic_error("unknown memo property " + std::string(name));
    return MakeClassInfo(b);
}

// -- difference texts

bool Differs(double a, double b) {
    return std::fabs(a - b) > 1e-4;
}
AnsiString Attr(std::string_view name, const AnsiString& value) {
    AnsiString r(" ");
    r.append(name).append("=\"").append(value).append("\"");
    return r;
}
AnsiString BoolText(bool v) {
    return ValueToAttributeText(Variant(v));
}
AnsiString IntText(int64_t v) {
    return std::to_string(v);
}

AnsiString FrameDiff(const TfrxFrame& f, const TfrxFrame& g) {
    AnsiString r;
    const bool color = f.Color() != g.Color();
    const bool style = f.Style() != g.Style();
    const bool width = Differs(f.Width(), g.Width());
    if (color)
        r += Attr("Frame.Color", IntText(f.Color()));
    if (f.DropShadow != g.DropShadow)
        r += Attr("Frame.DropShadow", BoolText(f.DropShadow));
    if (f.ShadowColor != g.ShadowColor)
        r += Attr("Frame.ShadowColor", IntText(f.ShadowColor));
    if (Differs(f.ShadowWidth, g.ShadowWidth))
        r += Attr("Frame.ShadowWidth", FloatToTemplateText(f.ShadowWidth));
    if (style)
        r += Attr("Frame.Style", IntText(Ord(f.Style())));
    if (f.Typ != g.Typ)
        r += Attr("Frame.Typ", IntText(f.Typ));
    if (width)
        r += Attr("Frame.Width", FloatToTemplateText(f.Width()));
    struct Side {
        const char* name;
        const TfrxFrameLine& mine;
        const TfrxFrameLine& theirs;
    };
    const Side sides[] = {{"LeftLine", f.LeftLine, g.LeftLine},
                          {"TopLine", f.TopLine, g.TopLine},
                          {"RightLine", f.RightLine, g.RightLine},
                          {"BottomLine", f.BottomLine, g.BottomLine}};
    for (const Side& s : sides) {
        const AnsiString prefix = AnsiString("Frame.") + s.name + ".";
        // After a frame-wide value the line is compared with its own frame,
        // since applying that value has overwritten all four lines.
        if (color ? s.mine.Color != f.Color() : s.mine.Color != s.theirs.Color)
            r += Attr(prefix + "Color", IntText(s.mine.Color));
        if (style ? s.mine.Style != f.Style() : s.mine.Style != s.theirs.Style)
            r += Attr(prefix + "Style", IntText(Ord(s.mine.Style)));
        if (width ? Differs(s.mine.Width, f.Width()) : Differs(s.mine.Width, s.theirs.Width))
            r += Attr(prefix + "Width", FloatToTemplateText(s.mine.Width));
    }
    return r;
}

} // namespace

// ---------------------------------------------------------------- highlight, format

TfrxHighlight::TfrxHighlight() {
    Font.SetColor(255);
}

const ClassInfo& TfrxHighlight::StaticClass() {
    using T = TfrxHighlight;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxHighlight", nullptr);
        BoolField(b, "Active", &T::Active, false);
        b.Sub("Font", &TfrxFont::StaticClass(), [](const T& o) { return &o.Font; });
        b.Int(
            "Color", [](const T& o) { return o.Color; },
            [](T& o, int64_t v) { o.Color = static_cast<int32_t>(v); }, clTransparent);
        StrField(b, "Condition", &T::Condition);
        return MakeClassInfo(b);
    }();
    return info;
}

void TfrxHighlight::Assign(const TfrxHighlight& other) {
    Active = other.Active;
    Font.Assign(other.Font);
    Color = other.Color;
    Condition = other.Condition;
}

const ClassInfo& TfrxFormat::StaticClass() {
    using T = TfrxFormat;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxFormat", nullptr);
        StrField(b, "DecimalSeparator", &T::DecimalSeparator);
        StrField(b, "FormatStr", &T::FormatStr);
        EnumField(b, "Kind", kFormatKindNames, &T::Kind, 0);
        return MakeClassInfo(b);
    }();
    return info;
}

void TfrxFormat::Assign(const TfrxFormat& other) {
    DecimalSeparator = other.DecimalSeparator;
    FormatStr = other.FormatStr;
    Kind = other.Kind;
}

// ---------------------------------------------------------------- view

TfrxView::TfrxView() {
    StorageFlags |= kStoreFullText;
    dataSet_.OnCleared = [this] { storedDataSetName_.clear(); };
}

const ClassInfo& TfrxView::StaticClass() {
    using T = TfrxView;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxView", &TfrxReportComponent::StaticClass());
        EnumField(b, "Align", kAlignNames, &T::Align, 0);
        BoolField(b, "Printable", &T::Printable, true);
        EnumField(b, "ShiftMode", kShiftModeNames, &T::ShiftMode, 1);
        b.Float("Left", &T::Left, &T::SetLeft);
        b.Float("Top", &T::Top, &T::SetTop);
        b.Float("Width", &T::Width, &T::SetWidth);
        b.Float("Height", &T::Height, &T::SetHeight);
        b.Int("GroupIndex", &T::GroupIndex, &T::SetGroupIndex, 0);
        b.SetOf("Restrictions", kRestrictionNames, &T::Restrictions, &T::SetRestrictions, 0);
        b.Bool("Visible", &T::Visible, &T::SetVisible, true);
        b.Event("OnAfterData", &T::OnAfterData);
        b.Event("OnAfterPrint", &T::OnAfterPrint);
        b.Event("OnBeforePrint", &T::OnBeforePrint);
        b.Event("OnPreviewClick", &T::OnPreviewClick);
        b.Event("OnPreviewDblClick", &T::OnPreviewDblClick);
        return MakeClassInfo(b);
    }();
    return info;
}

void TfrxView::SetDataSet(TfrxComponent* dataSet) {
    dataSet_.Set(dataSet);
    storedDataSetName_ = DataSetUserName(dataSet);
}

AnsiString TfrxView::DataSetName() const {
    return dataSet_ ? DataSetUserName(dataSet_.Get()) : storedDataSetName_;
}

void TfrxView::SetDataSetName(const AnsiString& name) {
    storedDataSetName_ = name;
    if (TfrxReport* report = RootReport())
        if (TfrxComponent* found = report->FindDataSetLink(name))
            dataSet_.Set(found);
}

void TfrxView::PreparePrint() {
    TfrxReportComponent::PreparePrint();
    savedTagStr_ = TagStr;
    savedURL_ = URL;
}

void TfrxView::FetchData() {
    TagStr = ExpandBracketed(TagStr);
    URL = ExpandBracketed(URL);
}

void TfrxView::CompletePrint() {
    TfrxReportComponent::CompletePrint();
    TagStr = savedTagStr_;
    URL = savedURL_;
}

AnsiString TfrxView::ExpandBracketed(const AnsiString& text) {
    if (text.find('[') == AnsiString::npos)
        return text;
    TfrxReport* report = RootReport();
    if (!report || !report->ExpandBracketedText)
        return text;
    return report->ExpandBracketedText(*this, text);
}

AnsiString TfrxView::ViewDiff(const TfrxView& s) const {
    AnsiString r = BaseDiff(s);
    if (BrushStyle != s.BrushStyle)
        r += Attr("BrushStyle", IntText(Ord(BrushStyle)));
    if (Align != s.Align)
        r += Attr("Align", IntText(Ord(Align)));
    if (Color != s.Color)
        r += Attr("Color", IntText(Color));
    r += FrameDiff(Frame, s.Frame);
    if (Cursor != s.Cursor)
        r += Attr("Cursor", IntText(Cursor));
    if (Printable != s.Printable)
        r += Attr("Printable", BoolText(Printable));
    if (TagStr != s.TagStr)
        r += Attr("TagStr", EscapeText(TagStr));
    if (URL != s.URL)
        r += Attr("URL", EscapeText(URL));
    return r;
}

AnsiString TfrxView::MakeDiff(const TfrxComponent& source) {
    if (const auto* view = dynamic_cast<const TfrxView*>(&source))
        return ViewDiff(*view);
    return BaseDiff(source);
}

const ClassInfo& TfrxStretcheable::StaticClass() {
    static const ClassInfo info =
        MakeClassInfo(ClassBuilder<TfrxStretcheable>("TfrxStretcheable", &TfrxView::StaticClass()));
    return info;
}

// ---------------------------------------------------------------- memo views

namespace {
TfrxMemoLayout*& InstalledMemoLayout() {
    static TfrxMemoLayout* layout = nullptr;
    return layout;
}
} // namespace

void SetMemoLayout(TfrxMemoLayout* layout) {
    InstalledMemoLayout() = layout;
}

TfrxMemoLayout* MemoLayout() {
    return InstalledMemoLayout();
}

void TfrxCustomMemoView::PreparePrint() {
    TfrxStretcheable::PreparePrint();
    if (!IsFieldBound())
        SavedText = Text();
}

void TfrxCustomMemoView::CompletePrint() {
    if (!IsFieldBound())
        SetText(SavedText);
    TfrxStretcheable::CompletePrint();
}

double TfrxCustomMemoView::CalcHeight() {
    TfrxMemoLayout* layout = MemoLayout();
    return layout ? layout->CalcHeight(*this) : Height();
}

double TfrxCustomMemoView::CalcWidth() {
    TfrxMemoLayout* layout = MemoLayout();
    return layout ? layout->CalcWidth(*this) : Width();
}

double TfrxCustomMemoView::FitPart() {
    TfrxMemoLayout* layout = MemoLayout();
    return layout ? layout->FitPart(*this) : Height();
}

void TfrxCustomMemoView::ResetParts() {
    RemainingText = Text();
    FirstParaBreak = false;
    LastParaBreak = false;
}

TfrxCustomMemoView::TfrxCustomMemoView() {
    StorageFlags &= ~kStoreFullText;
}

const ClassInfo& TfrxCustomMemoView::StaticClass() {
    using T = TfrxCustomMemoView;
    // What scripts reach besides the published properties; never stored.
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxCustomMemoView", &TfrxStretcheable::StaticClass())
            .VariantProp(
                "Text", [](const T& o) { return Variant(o.Text()); },
                [](T& o, const Variant& v) { o.SetText(v.ToWide()); })
            .NotStored()
            .Sub("Lines", &TfrxMemoLines::StaticClass(), [](const T& o) { return &o.Lines; })
            .NotStored()
            .VariantProp(
                "Value", [](const T& o) { return o.Value; },
                [](T& o, const Variant& v) { o.Value = v; })
            .NotStored());
    return info;
}

const ClassInfo& TfrxMemoLines::StaticClass() {
    using T = TfrxMemoLines;
    static const ClassInfo info =
        MakeClassInfo(ClassBuilder<T>("TStrings", nullptr)
                          .VariantProp(
                              "Text", [](const T& o) { return Variant(o.Memo().Text()); },
                              [](T& o, const Variant& v) { o.Memo().SetText(v.ToWide()); }));
    return info;
}

bool TfrxMemoLines::GetProperty(std::string_view name, Variant& value) {
    if (SameTextAscii(name, "Count")) {
        value = Variant(static_cast<int64_t>(memo_.Memo.size()));
        return true;
    }
    return TPersistent::GetProperty(name, value);
}

WideString& TfrxMemoLines::Line(const std::vector<Variant>& index) const {
    const int64_t i = index.empty() ? -1 : index.front().ToInt64();
    if (i < 0 || i >= static_cast<int64_t>(memo_.Memo.size()))
        throw Exception(Format("List index out of bounds (%d)", {i}));
    return memo_.Memo[static_cast<size_t>(i)];
}

bool TfrxMemoLines::GetIndexed(std::string_view name, const std::vector<Variant>& index,
                               Variant& value) {
    if (!name.empty() && !SameTextAscii(name, "Strings"))
        return false;
    value = Variant(Line(index));
    return true;
}

bool TfrxMemoLines::SetIndexed(std::string_view name, const std::vector<Variant>& index,
                               const Variant& value) {
    if (!name.empty() && !SameTextAscii(name, "Strings"))
        return false;
    Line(index) = value.ToWide();
    return true;
}

bool TfrxMemoLines::CallMethod(std::string_view name, std::vector<Variant>& args, Variant& result) {
    auto& lines = memo_.Memo;
    if (SameTextAscii(name, "Add") && args.size() == 1) {
        lines.push_back(args[0].ToWide());
        result = Variant(static_cast<int64_t>(lines.size()) - 1);
    } else if (SameTextAscii(name, "Clear") && args.empty()) {
        lines.clear();
    } else if (SameTextAscii(name, "Delete") && args.size() == 1) {
        Line(args);
        lines.erase(lines.begin() + args[0].ToInt64());
    } else {
        return false;
    }
    return true;
}

bool TfrxCustomMemoView::GetIndexed(std::string_view name, const std::vector<Variant>& index,
                                    Variant& value) {
    if (SameTextAscii(name, "Lines"))
        return Lines.GetIndexed("", index, value);
    return TfrxStretcheable::GetIndexed(name, index, value);
}

bool TfrxCustomMemoView::SetIndexed(std::string_view name, const std::vector<Variant>& index,
                                    const Variant& value) {
    if (SameTextAscii(name, "Lines"))
        return Lines.SetIndexed("", index, value);
    return TfrxStretcheable::SetIndexed(name, index, value);
}

AnsiString TfrxCustomMemoView::DescriptionText() const {
    return frxGet("obText");
}

void TfrxCustomMemoView::SetStyle(const AnsiString& name) {
    style_ = name;
    TfrxReport* report = RootReport();
    if (!report)
        return;
    if (const TfrxStyleItem* style = report->Styles.Find(name)) {
        Color = style->Color;
        SetFont(style->Font);
        Frame.Assign(style->Frame);
    }
}

WideString TfrxCustomMemoView::Text() const {
    WideString text;
    for (const WideString& line : Memo)
        text.append(line).append(u"\r\n");
    return text;
}

void TfrxCustomMemoView::SetText(const WideString& text) {
    Memo = SplitWideLines(text);
}

double TfrxCustomMemoView::InsetX() const {
    double inset = 2 * GapX;
    if (Frame.Typ & ftLeft)
        inset += (Frame.Width() - 1) / 2;
    if (Frame.Typ & ftRight)
        inset += Frame.Width() / 2;
    if (Frame.DropShadow)
        inset += Frame.ShadowWidth;
    return inset;
}

double TfrxCustomMemoView::InsetY() const {
    double inset = 2 * GapY;
    if (Frame.Typ & ftTop)
        inset += (Frame.Width() - 1) / 2;
    if (Frame.Typ & ftBottom)
        inset += Frame.Width() / 2;
    if (Frame.DropShadow)
        inset += Frame.ShadowWidth;
    return inset;
}

AnsiString TfrxCustomMemoView::MakeDiff(const TfrxComponent& source) {
    const auto* s = dynamic_cast<const TfrxCustomMemoView*>(&source);
    if (!s)
        return TfrxView::MakeDiff(source);
    AnsiString r = ViewDiff(*s);
    if (AutoWidth != s->AutoWidth)
        r += Attr("AutoWidth", BoolText(AutoWidth));
    if (Differs(CharSpacing, s->CharSpacing))
        r += Attr("CharSpacing", FloatToTemplateText(CharSpacing));
    if (Differs(GapX, s->GapX))
        r += Attr("GapX", FloatToTemplateText(GapX));
    if (Differs(GapY, s->GapY))
        r += Attr("GapY", FloatToTemplateText(GapY));
    if (HAlign != s->HAlign)
        r += Attr("HAlign", IntText(Ord(HAlign)));
    if (Highlight.Active != s->Highlight.Active)
        r += Attr("Highlight.Active", BoolText(Highlight.Active));
    if (Differs(LineSpacing, s->LineSpacing))
        r += Attr("LineSpacing", FloatToTemplateText(LineSpacing));
    WideString text;
    if (Memo.size() == 1) {
        text = Memo.front();
    } else if (Memo.size() > 1) {
        text = Text();
        text.resize(text.size() - 2);
    }
    r += Attr("u", EscapeText(WideToUtf8(text)));
    if (Differs(ParagraphGap, s->ParagraphGap))
        r += Attr("ParagraphGap", FloatToTemplateText(ParagraphGap));
    if (Rotation() != s->Rotation())
        r += Attr("Rotation", IntText(Rotation()));
    if (RTLReading != s->RTLReading)
        r += Attr("RTLReading", BoolText(RTLReading));
    if (Underlines != s->Underlines)
        r += Attr("Underlines", BoolText(Underlines));
    if (VAlign != s->VAlign)
        r += Attr("VAlign", IntText(Ord(VAlign)));
    if (WordWrap != s->WordWrap)
        r += Attr("WordWrap", BoolText(WordWrap));
    if (FirstParaBreak)
        r += " FirstParaBreak=\"1\"";
    if (LastParaBreak)
        r += " LastParaBreak=\"1\"";
    // The next part of a split text starts where this one ended.
    FirstParaBreak = LastParaBreak;
    LastParaBreak = false;
    return r;
}

const ClassInfo& TfrxMemoView::StaticClass() {
    static const ClassInfo info =
        MemoClass("TfrxMemoView", {"StretchMode",   "FirstParaBreak",
                                   "LastParaBreak", "Cursor",
                                   "TagStr",        "URL",
                                   "AutoWidth",     "AllowExpressions",
                                   "AllowHTMLTags", "BrushStyle",
                                   "CharSpacing",   "Clipped",
                                   "Color",         "DataField",
                                   "DataSet",       "DataSetName",
                                   "DisplayFormat", "ExpressionDelimiters",
                                   "FlowTo",        "Font",
                                   "Frame",         "GapX",
                                   "GapY",          "HAlign",
                                   "HideZeros",     "Highlight",
                                   "LineSpacing",   "Memo",
                                   "ParagraphGap",  "ParentFont",
                                   "Rotation",      "RTLReading",
                                   "Style",         "SuppressRepeated",
                                   "Underlines",    "WordBreak",
                                   "WordWrap",      "Wysiwyg",
                                   "VAlign"});
    return info;
}

const ClassInfo& TfrxSysMemoView::StaticClass() {
    static const ClassInfo info =
        MemoClass("TfrxSysMemoView", {"StretchMode", "FirstParaBreak", "LastParaBreak",
                                      "Cursor",      "TagStr",         "URL",
                                      "AutoWidth",   "BrushStyle",     "CharSpacing",
                                      "Color",       "DisplayFormat",  "Font",
                                      "Frame",       "GapX",           "GapY",
                                      "HAlign",      "HideZeros",      "Highlight",
                                      "Memo",        "ParentFont",     "Rotation",
                                      "RTLReading",  "Style",          "SuppressRepeated",
                                      "VAlign",      "WordWrap"});
    return info;
}

AnsiString TfrxSysMemoView::DescriptionText() const {
    return frxGet("obSysText");
}

// ---------------------------------------------------------------- lines

TfrxCustomLineView::TfrxCustomLineView() {
    StorageFlags &= ~kStoreFullText;
}

const ClassInfo& TfrxCustomLineView::StaticClass() {
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<TfrxCustomLineView>("TfrxCustomLineView", &TfrxStretcheable::StaticClass()));
    return info;
}

AnsiString TfrxCustomLineView::DescriptionText() const {
    return frxGet("obLine");
}

const ClassInfo& TfrxLineView::StaticClass() {
    using T = TfrxCustomLineView;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxLineView", &TfrxCustomLineView::StaticClass());
        EnumField(b, "StretchMode", kStretchModeNames, &TfrxStretcheable::StretchMode, 0);
        AddViewProps(b, {"TagStr"});
        BoolField(b, "ArrowEnd", &T::ArrowEnd, false);
        IntField(b, "ArrowLength", &T::ArrowLength, 20);
        BoolField(b, "ArrowSolid", &T::ArrowSolid, false);
        BoolField(b, "ArrowStart", &T::ArrowStart, false);
        IntField(b, "ArrowWidth", &T::ArrowWidth, 5);
        AddViewProps(b, {"Frame"});
        BoolField(b, "Diagonal", &T::Diagonal, false);
        return MakeClassInfo(b);
    }();
    return info;
}

// ---------------------------------------------------------------- pictures

TfrxPictureView::TfrxPictureView() {
    StorageFlags &= ~kStoreFullText;
    Color = 16777215; // white
    Picture.OnChange = [this] { PictureWasChanged(); };
}

const ClassInfo& TfrxPictureView::StaticClass() {
    using T = TfrxPictureView;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxPictureView", &TfrxView::StaticClass());
        AddViewProps(b, {"Cursor"});
        b.Bool("AutoSize", &T::AutoSize, &T::SetAutoSize, false);
        BoolField(b, "Center", &T::Center, false);
        AddViewProps(b, {"DataField", "DataSet", "DataSetName", "Frame"});
        StrField(b, "FileLink", &T::FileLink);
        IntField(b, "ImageIndex", &T::ImageIndex, 0);
        b.Stored([](const T& o) { return o.StoreImageIndex; });
        BoolField(b, "KeepAspectRatio", &T::KeepAspectRatio, true);
        b.Sub("Picture", &TPicture::StaticClass(), [](const T& o) {
             return &o.Picture;
         }).Stored([](const T& o) { return o.StorePicture; });
        BoolField(b, "Stretched", &T::Stretched, true);
        AddViewProps(b, {"TagStr", "URL"});
        b.Bool(
            "HightQuality", [](const T& o) { return o.HightQuality; },
            [](T& o, bool v) { o.HightQuality = v; });
        return MakeClassInfo(b);
    }();
    return info;
}

AnsiString TfrxPictureView::DescriptionText() const {
    return frxGet("obPicture");
}

void TfrxPictureView::SetAutoSize(bool v) {
    autoSize_ = v;
    if (v)
        PictureWasChanged();
}

void TfrxPictureView::PictureWasChanged() {
    PictureChanged = true;
    // A graphic whose header gives no size leaves the bounds alone rather
    // than collapsing the view to nothing.
    if (autoSize_ && !Picture.Empty() && Picture.Width() > 0 && Picture.Height() > 0) {
        SetWidth(Picture.Width());
        SetHeight(Picture.Height());
    }
}

bool TfrxPictureView::LoadPictureFromStream(std::string_view bytes) {
    return Picture.LoadFromStream(bytes);
}

void TfrxPictureView::FetchData() {
    TfrxView::FetchData();
    if (!FileLink.empty()) {
        const AnsiString path = ExpandBracketed(FileLink);
        if (!FileExists(path)) {
            Picture.Clear();
            return;
        }
        try {
            Picture.LoadFromFile(path);
        } catch (const Exception&) {
            // A file that holds no readable picture prints as an empty one.
            Picture.Clear();
        }
        return;
    }
    auto* ds = dynamic_cast<TfrxDataSet*>(DataSet());
    if (ds && !DataField.empty() && ds->IsBlobField(DataField))
        LoadPictureFromStream(ds->CopyBlobTo(DataField));
}

AnsiString TfrxPictureView::MakeDiff(const TfrxComponent& source) {
    if (PictureChanged) {
        TfrxReport* report = RootReport();
        if (report && report->AddPreparedPicture)
            ImageIndex = report->AddPreparedPicture(Picture);
        PictureChanged = false;
    }
    AnsiString r(" ");
    r += TfrxView::MakeDiff(source);
    r += Attr("ImageIndex", IntText(ImageIndex));
    return r;
}

// ---------------------------------------------------------------- shapes

TfrxShapeView::TfrxShapeView() {
    StorageFlags &= ~kStoreFullText;
}

const ClassInfo& TfrxShapeView::StaticClass() {
    using T = TfrxShapeView;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxShapeView", &TfrxView::StaticClass());
        AddViewProps(b, {"BrushStyle", "Color", "Cursor"});
        IntField(b, "Curve", &T::Curve, 0);
        AddViewProps(b, {"Frame"});
        EnumField(b, "Shape", kShapeKindNames, &T::Shape, 0);
        AddViewProps(b, {"TagStr", "URL"});
        return MakeClassInfo(b);
    }();
    return info;
}

AnsiString TfrxShapeView::DescriptionText() const {
    return frxGet("obShape");
}

AnsiString TfrxShapeView::MakeDiff(const TfrxComponent& source) {
    AnsiString r = TfrxView::MakeDiff(source);
    if (const auto* s = dynamic_cast<const TfrxShapeView*>(&source); s && Shape != s->Shape)
        r += Attr("Shape", IntText(Ord(Shape)));
    return r;
}

// ---------------------------------------------------------------- subreport

TfrxSubreport::TfrxSubreport() {
    StorageFlags &= ~kKeepInPreparedPages;
    Frame.Typ = ftLeft | ftRight | ftTop | ftBottom;
    Font().SetName("Tahoma");
    Font().SetSize(8);
    Color = 12632256; // silver
}

const ClassInfo& TfrxSubreport::StaticClass() {
    using T = TfrxSubreport;
    static const ClassInfo info = [] {
        ClassBuilder<T> b("TfrxSubreport", &TfrxView::StaticClass());
        b.Ref<TfrxReportPage>("Page", "TfrxReportPage", &T::Page, &T::SetPage);
        BoolField(b, "PrintOnParent", &T::PrintOnParent, false);
        return MakeClassInfo(b);
    }();
    return info;
}

AnsiString TfrxSubreport::DescriptionText() const {
    return frxGet("obSubRep");
}

TfrxReportPage* TfrxSubreport::Page() const {
    return page_.Get();
}

void TfrxSubreport::SetPage(TfrxReportPage* page) {
    page_.Set(page);
}

// ---------------------------------------------------------------- alignment

namespace {

// Orders views by Left: negative positions first, by growing distance from 0.
AnsiString AlignSortKey(double left) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%c%9.2f", left >= 0 ? '1' : '0', std::fabs(left));
    return buffer;
}

bool OverlapsVertically(const TfrxView& v, const TfrxView& c) {
    const double top = v.AbsTop(), bottom = top + v.Height();
    const double ctop = c.AbsTop(), cbottom = ctop + c.Height();
    return !(ctop >= bottom - 0.0001 || cbottom - 0.0001 <= top);
}

// The nearest view left (step +1) or right (step −1) of sorted[i] that
// shares some height with it, or nullptr for the parent's edge.
const TfrxView* Neighbour(const std::vector<TfrxView*>& sorted, size_t i, int step) {
    const TfrxView& v = *sorted[i];
    const bool width = v.Align == TfrxAlign::baWidth;
    for (ptrdiff_t j = static_cast<ptrdiff_t>(i);
         j >= 0 && j < static_cast<ptrdiff_t>(sorted.size()); j -= step) {
        const TfrxView& c = *sorted[static_cast<size_t>(j)];
        if (&c == &v || !OverlapsVertically(v, c))
            continue;
        if (width && step > 0 && c.Left() > v.Left())
            continue;
        if (width && step < 0 && c.Left() + c.Width() < v.Left() + v.Width())
            continue;
        return &c;
    }
    return nullptr;
}

} // namespace

void AlignChildViews(TfrxComponent& parent) {
    std::vector<std::pair<AnsiString, TfrxView*>> keyed;
    for (TfrxComponent* c : parent.Objects())
        if (auto* v = dynamic_cast<TfrxView*>(c))
            keyed.emplace_back(AlignSortKey(v->Left()), v);
    if (keyed.empty())
        return;
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<TfrxView*> sorted;
    sorted.reserve(keyed.size());
    for (auto& k : keyed)
        sorted.push_back(k.second);

    for (size_t i = 0; i < sorted.size(); ++i) {
        TfrxView& v = *sorted[i];
        if (v.Align != TfrxAlign::baLeft && v.Align != TfrxAlign::baWidth)
            continue;
        const TfrxView* n = Neighbour(sorted, i, +1);
        v.SetLeft(n ? n->Left() + n->Width() : 0);
    }
    for (size_t i = sorted.size(); i-- > 0;) {
        TfrxView& v = *sorted[i];
        if (v.Align != TfrxAlign::baRight && v.Align != TfrxAlign::baWidth)
            continue;
        const TfrxView* n = Neighbour(sorted, i, -1);
        const double edge = n ? n->Left() : parent.Width();
        if (v.Align == TfrxAlign::baRight)
            v.SetLeft(edge - v.Width());
        else
            v.SetWidth(edge - v.Left());
    }
    for (TfrxComponent* c : parent.Objects()) {
        auto* v = dynamic_cast<TfrxView*>(c);
        if (!v)
            continue;
        switch (v->Align) {
        case TfrxAlign::baCenter:
            v->SetLeft((parent.Width() - v->Width()) / 2);
            break;
        case TfrxAlign::baBottom:
            v->SetTop(parent.Height() - v->Height());
            break;
        case TfrxAlign::baClient:
            v->SetBounds(0, 0, parent.Width(), parent.Height());
            break;
        default:
            break;
        }
    }
}

void RegisterViewClasses() {
    static bool done = [] {
        RegisterComponentClass<TfrxCustomMemoView>();
        RegisterComponentClass<TfrxMemoView>();
        RegisterComponentClass<TfrxSysMemoView>();
        RegisterComponentClass<TfrxCustomLineView>();
        RegisterComponentClass<TfrxLineView>();
        RegisterComponentClass<TfrxPictureView>();
        RegisterComponentClass<TfrxShapeView>();
        RegisterComponentClass<TfrxSubreport>();
        return true;
    }();
    (void)done;
}

} // namespace kanvo
