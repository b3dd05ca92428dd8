#include "report/model/component.h"

#include "platform/code_page.h"
#include "platform/exception.h"
#include "report/model/report.h"
#include "report/model/resources.h"
#include "report/model/serializer.h"
#include "report/model/stream.h"
#include "report/model/views.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <mutex>

namespace kanvo {

// ---------------------------------------------------------------- font

const ClassInfo& TfrxFont::StaticClass() {
    static const ClassInfo info =
        MakeClassInfo(ClassBuilder<TfrxFont>("TFont", nullptr)
                          .Int("Charset", &TfrxFont::Charset, &TfrxFont::SetCharset)
                          .Int("Color", &TfrxFont::Color, &TfrxFont::SetColor)
                          .Int("Height", &TfrxFont::Height, &TfrxFont::SetHeight)
                          .Str("Name", &TfrxFont::Name, &TfrxFont::SetName)
                          .SetOf("Style", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"},
                                 &TfrxFont::Style, &TfrxFont::SetStyle));
    return info;
}

void TfrxFont::SetName(const AnsiString& v) {
    name_ = v;
    Changed();
}
void TfrxFont::SetSize(int points) {
    size_ = points;
    Changed();
}
int TfrxFont::Height() const {
    return -static_cast<int>(std::lround(size_ * 96.0 / 72.0));
}
void TfrxFont::SetHeight(int64_t pixels) {
    size_ = static_cast<int>(std::lround(std::fabs(static_cast<double>(pixels)) * 72.0 / 96.0));
    Changed();
}
void TfrxFont::SetColor(int64_t v) {
    color_ = static_cast<int32_t>(v);
    Changed();
}
void TfrxFont::SetStyle(int64_t v) {
    style_ = static_cast<int>(v & 15);
    Changed();
}
void TfrxFont::SetCharset(int64_t v) {
    charset_ = static_cast<int>(v & 0xFF);
    Changed();
}
void TfrxFont::Assign(const TfrxFont& o) {
    name_ = o.name_;
    size_ = o.size_;
    color_ = o.color_;
    style_ = o.style_;
    charset_ = o.charset_;
    Changed();
}
bool TfrxFont::Equals(const TfrxFont& o) const {
    return name_ == o.name_ && size_ == o.size_ && color_ == o.color_ && style_ == o.style_ &&
           charset_ == o.charset_;
}

// ---------------------------------------------------------------- references

void TfrxRefBase::Reset(TfrxComponent* target) {
    if (target_ == target)
        return;
    if (target_)
        target_->watchers_.erase(this);
    target_ = target;
    if (target_)
        target_->watchers_.insert(this);
}

// ---------------------------------------------------------------- component

TfrxComponent::TfrxComponent() {
    font_.OnChange = [this] { FontChanged(); };
}

TfrxComponent::~TfrxComponent() {
    Detach();
    Clear();
    std::unordered_set<TfrxRefBase*> watchers;
    watchers.swap(watchers_);
    for (TfrxRefBase* w : watchers) {
        w->target_ = nullptr;
        if (w->OnCleared) {
            try {
                w->OnCleared();
            } catch (...) {
            }
        }
    }
}

const ClassInfo& TfrxComponent::StaticClass() {
    static const ClassInfo info =
        MakeClassInfo(ClassBuilder<TfrxComponent>("TfrxComponent", nullptr)
                          .Str("Name", &TfrxComponent::Name, &TfrxComponent::SetName)
                          .NotStored()
                          .Int("Tag", &TfrxComponent::Tag, &TfrxComponent::SetTag, 0));
    return info;
}

TfrxComponent* TfrxComponent::Adopt(std::unique_ptr<TfrxComponent> child) {
    TfrxComponent* raw = child.release();
    raw->SetParent(this);
    return raw;
}

AnsiString UpperAsciiName(std::string_view s) {
    AnsiString out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

namespace {
bool IsIdentifier(std::string_view s) {
    if (s.empty())
        return true;
    auto letter = [](unsigned char c) { return std::isalpha(c) || c == '_'; };
    if (!letter(static_cast<unsigned char>(s[0])))
        return false;
    return std::all_of(s.begin(), s.end(), [&](char c) {
        return letter(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c));
    });
}
} // namespace

void TfrxComponent::SetName(const AnsiString& name) {
    if (SameTextAscii(name, name_)) {
        return; // a change of letter case only is no rename
    }
    TfrxReport* report = RootReport();
    auto* index = report ? report->NameIndex : nullptr;
    if (!name.empty() && report) {
        TfrxComponent* other = nullptr;
        if (index) {
            auto it = index->find(UpperAsciiName(name));
            other = it == index->end() ? nullptr : it->second;
        } else {
            other = report->FindObject(name);
        }
        if (other && other != this)
            throw Exception(frxGet("prDupl"));
    }
    if (FromParentTemplate)
        throw Exception(AnsiString("Could not rename ")
                            .append(name_)
                            .append(", it was introduced in the ancestor report"));
    if (!IsIdentifier(name))
        throw Exception(Format("Component name \"%s\" is not a valid identifier", {name}));
    if (index) {
        auto it = index->find(UpperAsciiName(name_));
        if (it != index->end() && it->second == this)
            index->erase(it);
        if (!name.empty() && this != report)
            (*index)[UpperAsciiName(name)] = this;
    }
    name_ = name;
}

void TfrxComponent::Detach() {
    if (!parent_)
        return;
    auto& list = parent_->objects_;
    // Searched from the end: Clear removes the last child first.
    for (size_t i = list.size(); i-- > 0;) {
        if (list[i] == this) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    parent_ = nullptr;
}

void TfrxComponent::SetParent(TfrxComponent* parent) {
    if (parent != parent_) {
        Detach();
        if (parent)
            parent->objects_.push_back(this);
    }
    parent_ = parent;
    if (parent_)
        SetParentFont(parentFont_);
}

const std::vector<TfrxComponent*>& TfrxComponent::AllObjects() const {
    allObjects_.clear();
    std::vector<const TfrxComponent*> stack{this};
    // Depth-first with each child before its own children.
    std::function<void(const TfrxComponent*)> walk = [&](const TfrxComponent* c) {
        for (TfrxComponent* child : c->ChildList()) {
            allObjects_.push_back(child);
            walk(child);
        }
    };
    walk(this);
    return allObjects_;
}

TfrxComponent* TfrxComponent::FindObject(std::string_view name) const {
    for (TfrxComponent* c : AllObjects())
        if (SameTextAscii(c->Name(), name))
            return c;
    return nullptr;
}

TfrxReport* TfrxComponent::RootReport() const {
    for (const TfrxComponent* c = this; c; c = c->parent_)
        if (auto* r = dynamic_cast<const TfrxReport*>(c))
            return const_cast<TfrxReport*>(r);
    return nullptr;
}

TfrxPage* TfrxComponent::Page() const {
    for (const TfrxComponent* c = this; c; c = c->parent_)
        if (auto* p = dynamic_cast<const TfrxPage*>(c))
            return const_cast<TfrxPage*>(p);
    return nullptr;
}

void TfrxComponent::MoveChild(TfrxComponent* child, int index) {
    auto it = std::find(objects_.begin(), objects_.end(), child);
    if (it == objects_.end())
        return;
    objects_.erase(it);
    size_t at = std::min<size_t>(static_cast<size_t>(std::max(index, 0)), objects_.size());
    objects_.insert(objects_.begin() + static_cast<std::ptrdiff_t>(at), child);
}

void TfrxComponent::Clear() {
    while (!objects_.empty())
        delete objects_.back(); // the destructor detaches it
}

void TfrxComponent::SetLeft(double v) {
    if (!(DesignerCreated && HasRestriction(TfrxRestriction::rfDontMove)))
        left_ = v;
}
void TfrxComponent::SetTop(double v) {
    if (!(DesignerCreated && HasRestriction(TfrxRestriction::rfDontMove)))
        top_ = v;
}
void TfrxComponent::SetWidth(double v) {
    if (!(DesignerCreated && HasRestriction(TfrxRestriction::rfDontSize)))
        width_ = v;
}
void TfrxComponent::SetHeight(double v) {
    if (!(DesignerCreated && HasRestriction(TfrxRestriction::rfDontSize)))
        height_ = v;
}
void TfrxComponent::SetBounds(double l, double t, double w, double h) {
    SetLeft(l);
    SetTop(t);
    SetWidth(w);
    SetHeight(h);
}

double TfrxComponent::AbsLeft() const {
    if (!parent_ || parent_->ClassType().InheritsFrom("TfrxDialogPage"))
        return left_;
    return left_ + parent_->AbsLeft();
}
double TfrxComponent::AbsTop() const {
    if (!parent_ || parent_->ClassType().InheritsFrom("TfrxDialogPage"))
        return top_;
    return top_ + parent_->AbsTop();
}

void TfrxComponent::FontChanged() {
    if (!settingFont_)
        parentFont_ = false;
    for (TfrxComponent* child : objects_) {
        if (child->parentFont_) {
            child->settingFont_ = true;
            child->font_.Assign(font_);
            child->settingFont_ = false;
        }
    }
}

void TfrxComponent::SetFont(const TfrxFont& font) {
    font_.Assign(font);
    parentFont_ = false;
}

void TfrxComponent::SetParentFont(bool v) {
    if (v && parent_) {
        settingFont_ = true;
        font_.Assign(parent_->font_);
        settingFont_ = false;
    }
    parentFont_ = v;
}

AnsiString TfrxComponent::NameStem() const {
    AnsiString stem = ClassName();
    if (auto at = stem.find("Tfrx"); at != AnsiString::npos)
        stem.erase(at, 4);
    if (auto at = stem.find("View"); at != AnsiString::npos)
        stem.erase(at, 4);
    return stem;
}

void TfrxComponent::AssignUniqueName() {
    std::vector<TfrxComponent*> list;
    if (TfrxReport* report = RootReport())
        list = report->AllObjects();
    else if (parent_)
        list = parent_->AllObjects();
    AnsiString stem = NameStem();
    for (int i = 1;; ++i) {
        AnsiString candidate = stem + std::to_string(i);
        bool taken = std::any_of(list.begin(), list.end(), [&](TfrxComponent* c) {
            return c != this && SameTextAscii(c->Name(), candidate);
        });
        if (!taken) {
            name_ = candidate;
            return;
        }
    }
}

void TfrxComponent::ApplyChildAlignment() {
    AlignChildViews(*this);
}

void TfrxComponent::Assign(const TfrxComponent& source) {
    TMemoryStream stream;
    const_cast<TfrxComponent&>(source).SaveToStream(stream, false, true);
    stream.Seek(0);
    LoadFromStream(stream);
}

void TfrxComponent::AssignWithChildren(const TfrxComponent& source) {
    TMemoryStream stream;
    const_cast<TfrxComponent&>(source).SaveToStream(stream, true, true);
    stream.Seek(0);
    LoadFromStream(stream);
}

namespace {
std::mutex& LoadLock() {
    static std::mutex m;
    return m;
}
} // namespace

void TfrxComponent::LoadFromStream(TStream& stream) {
    Clear();
    TfrxReport* report = RootReport();
    TfrxXMLSerializer serializer(&stream);
    serializer.Owner = report ? static_cast<TfrxComponent*>(report) : this;
    TfrxXMLSerializer* saved = report ? report->CurrentSerializer : nullptr;
    if (report)
        report->CurrentSerializer = &serializer;
    auto finish = [&] {
        if (report) {
            for (const AnsiString& e : serializer.Errors)
                report->AddError(e);
            report->CurrentSerializer = saved;
        }
    };
    try {
        std::unique_lock<std::mutex> lock(LoadLock(), std::defer_lock);
        if (report && report->EngineOptions.EnableThreadSafe)
            lock.lock();
        serializer.ReadTree(*this);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TfrxComponent::SaveToStream(TStream& stream, bool saveChildren, bool writeDefaults) {
    TfrxXMLSerializer serializer(&stream);
    TfrxReport* report = RootReport();
    serializer.Owner = report ? static_cast<TfrxComponent*>(report) : this;
    serializer.WriteDefaults = writeDefaults;
    if (report == this) {
        serializer.OnGetAncestor = [report](const AnsiString& name) -> TfrxComponent* {
            TfrxReport* copy = report->ParentTemplateCopy.get();
            if (!copy)
                return nullptr;
            if (name.empty() || SameTextAscii(name, report->Name()))
                return copy;
            return copy->FindObject(name);
        };
    }
    serializer.WriteTree(*this, saveChildren);
}

namespace {
bool Differs(double a, double b) {
    return std::fabs(a - b) > 1e-4;
}
AnsiString Attr(const char* name, const AnsiString& value) {
    return AnsiString(" ") + name + "=\"" + value + "\"";
}
} // namespace

AnsiString TfrxComponent::BaseDiff(const TfrxComponent& s) const {
    AnsiString r;
    if (Differs(left_, s.left_))
        r += Attr("l", FloatToTemplateText(left_));
    if (ClassType().InheritsFrom("TfrxBand") || Differs(top_, s.top_))
        r += Attr("t", FloatToTemplateText(top_));
    if (!IsMemoAutoWidth() && Differs(width_, s.width_))
        r += Attr("w", FloatToTemplateText(width_));
    if (Differs(height_, s.height_))
        r += Attr("h", FloatToTemplateText(height_));
    if (visible_ != s.visible_)
        r += Attr("Visible", ValueToAttributeText(Variant(visible_)));
    if (!parentFont_) {
        const TfrxFont& f = font_;
        const TfrxFont& g = s.font_;
        if (f.Name() != g.Name())
            r += Attr("Font.Name", EscapeText(f.Name()));
        if (f.Size() != g.Size())
            r += Attr("Font.Size", std::to_string(f.Size()));
        if (f.Color() != g.Color())
            r += Attr("Font.Color", std::to_string(f.Color()));
        if (f.Style() != g.Style())
            r += Attr("Font.Style", std::to_string(f.Style()));
        if (f.Charset() != g.Charset())
            r += Attr("Font.Charset", std::to_string(f.Charset()));
    }
    if (parentFont_ != s.parentFont_)
        r += Attr("ParentFont", ValueToAttributeText(Variant(parentFont_)));
    if (tag_ != s.tag_)
        r += Attr("Tag", std::to_string(tag_));
    return r;
}

AnsiString TfrxComponent::MakeDiff(const TfrxComponent& source) {
    return BaseDiff(source);
}

AnsiString TfrxComponent::MakeFullDiff(const TfrxComponent* source) {
    TfrxXMLSerializer serializer;
    serializer.Owner = RootReport();
    AnsiString text = serializer.TextOf(*this);
    size_t blank = text.find(' ');
    text = blank == AnsiString::npos ? AnsiString() : text.substr(blank + 1);
    if (source)
        text.append(" ").append(BaseDiff(*source));
    return text;
}

// ---------------------------------------------------------------- report component

const ClassInfo& TfrxReportComponent::StaticClass() {
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<TfrxReportComponent>("TfrxReportComponent", &TfrxComponent::StaticClass())
            .Str("Description", &TfrxReportComponent::GetDescription,
                 &TfrxReportComponent::SetDescription));
    return info;
}

void TfrxReportComponent::PreparePrint() {
    SavedBounds = {Left(), Top(), Width(), Height()};
}

void TfrxReportComponent::CompletePrint() {
    // SavedBounds holds left, top, width, height in its four fields.
    SetBounds(SavedBounds.Left, SavedBounds.Top, SavedBounds.Right, SavedBounds.Bottom);
}

TfrxReportComponent::Rect TfrxReportComponent::AbsoluteBounds() const {
    return {AbsLeft(), AbsTop(), AbsLeft() + Width(), AbsTop() + Height()};
}

TfrxDialogComponent::TfrxDialogComponent() {
    SetWidth(28);
    SetHeight(28);
    StorageFlags &= ~kKeepInPreparedPages;
}

const ClassInfo& TfrxDialogComponent::StaticClass() {
    static const ClassInfo info = MakeClassInfo(ClassBuilder<TfrxDialogComponent>(
        "TfrxDialogComponent", &TfrxReportComponent::StaticClass()));
    return info;
}

void TfrxDialogComponent::DefineBinaryProperties(TfrxBinaryWriter& writer) const {
    if (!RootReport())
        return;
    writer.WriteName("pLeft");
    writer.WriteInteger(std::lround(Left()));
    writer.WriteName("pTop");
    writer.WriteInteger(std::lround(Top()));
}

bool TfrxDialogComponent::ReadBinaryProperty(const AnsiString& name, TfrxBinaryReader& reader) {
    if (name == "pLeft") {
        SetLeft(static_cast<double>(reader.ReadInteger()));
        return true;
    }
    if (name == "pTop") {
        SetTop(static_cast<double>(reader.ReadInteger()));
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- registry

namespace {
std::map<AnsiString, RegisteredClass, std::less<>>& Registry() {
    static std::map<AnsiString, RegisteredClass, std::less<>> registry;
    return registry;
}
} // namespace

void RegisterComponentClass(const ClassInfo& info, ComponentFactory factory) {
    Registry()[info.Name()] = RegisteredClass{&info, std::move(factory)};
}

const RegisteredClass* FindComponentClass(std::string_view name) {
    auto& r = Registry();
    auto it = r.find(name);
    return it == r.end() ? nullptr : &it->second;
}

const std::vector<AnsiString>& ReportClassNames() {
    static const std::vector<AnsiString> names = {
        "TfrxChild",          "TfrxColumnFooter",  "TfrxColumnHeader",  "TfrxCustomMemoView",
        "TfrxMasterData",     "TfrxDetailData",    "TfrxSubdetailData", "TfrxDataBand4",
        "TfrxDataBand5",      "TfrxDataBand6",     "TfrxDialogPage",    "TfrxFooter",
        "TfrxFrame",          "TfrxGroupFooter",   "TfrxGroupHeader",   "TfrxHeader",
        "TfrxHighlight",      "TfrxLineView",      "TfrxMemoView",      "TfrxOverlay",
        "TfrxPageFooter",     "TfrxPageHeader",    "TfrxPictureView",   "TfrxReport",
        "TfrxReportPage",     "TfrxReportSummary", "TfrxReportTitle",   "TfrxShapeView",
        "TfrxSubreport",      "TfrxSysMemoView",   "TfrxStyleItem",     "TfrxNullBand",
        "TfrxCustomLineView", "TfrxDataPage"};
    return names;
}

} // namespace kanvo
