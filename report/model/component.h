// The report component tree: TfrxComponent (every node), TfrxReportComponent
// (printable nodes and data components), TfrxDialogComponent (non-visual
// components of the data page), the font sub-object, references between
// components and the class registry of the template reader.
//
// Ownership: a component owns its children (Objects) and its font; deleting
// a component detaches it from its parent first. References between
// components (TfrxComponentRef) never own: when the referenced component is
// destroyed every reference to it becomes null.
#pragma once

#include "platform/text_types.h"
#include "report/model/published.h"

#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

namespace kanvo {

class TfrxComponent;
class TfrxReport;
class TfrxPage;
class TfrxBinaryWriter;
class TfrxBinaryReader;
class TStream;

// Report units: screen pixels at 96 per inch.
constexpr double fr01cm = 3.77953;
constexpr double fr1cm = 37.7953;
constexpr double fr01in = 9.6;
constexpr double fr1in = 96;
constexpr double fr1CharX = 9.6;
constexpr double fr1CharY = 17;
constexpr int32_t clTransparent = 536870911;
constexpr int crHand = 150, crZoom = 151, crFormat = 152;

// Font styles as set bits.
constexpr int fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;

class TfrxFont : public TPersistent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& v);
    int Size() const { return size_; }
    void SetSize(int points);
    // Pixels at 96 per inch, negative for the character height.
    int Height() const;
    void SetHeight(int64_t pixels);
    int32_t Color() const { return color_; }
    void SetColor(int64_t v);
    int Style() const { return style_; }
    void SetStyle(int64_t v);
    int Charset() const { return charset_; }
    void SetCharset(int64_t v);

    void Assign(const TfrxFont& other);
    bool Equals(const TfrxFont& other) const;
    std::function<void()> OnChange;

private:
    void Changed() {
        if (OnChange)
            OnChange();
    }
    AnsiString name_ = "Arial";
    int size_ = 10;
    int32_t color_ = 0;
    int style_ = 0;
    int charset_ = 1;
};

// The non-template part of a reference: registered with its target.
class TfrxRefBase {
public:
    TfrxRefBase() = default;
    TfrxRefBase(const TfrxRefBase&) = delete;
    TfrxRefBase& operator=(const TfrxRefBase&) = delete;
    virtual ~TfrxRefBase() { Reset(nullptr); }

    TfrxComponent* GetComponent() const { return target_; }
    void Reset(TfrxComponent* target);
    // Called after the target was destroyed and the reference became null.
    std::function<void()> OnCleared;

private:
    friend class TfrxComponent;
    TfrxComponent* target_ = nullptr;
};

// A non-owning reference to a component of type T.
template <typename T>
class TfrxComponentRef : public TfrxRefBase {
public:
    T* Get() const { return static_cast<T*>(GetComponent()); }
    T* operator->() const { return Get(); }
    explicit operator bool() const { return GetComponent() != nullptr; }
    void Set(T* target) { Reset(target); }
};

enum class TfrxRestriction { rfDontModify, rfDontSize, rfDontMove, rfDontDelete, rfDontEdit };
constexpr int kKeepInPreparedPages = 2;
constexpr int kStoreFullText = 4;

class TfrxComponent : public TPersistent {
public:
    TfrxComponent();
    ~TfrxComponent() override;
    TfrxComponent(const TfrxComponent&) = delete;
    TfrxComponent& operator=(const TfrxComponent&) = delete;

    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    const AnsiString& ClassName() const { return ClassType().Name(); }

    // Attaches a new component as the last child of owner and returns it
    // (owned by owner).
    template <typename T>
    static T* Create(TfrxComponent* owner) {
        auto object = std::make_unique<T>();
        T* raw = object.get();
        if (owner)
            owner->Adopt(std::move(object));
        else
            object.release(); // never reached with a null owner in our code
        return raw;
    }
    TfrxComponent* Adopt(std::unique_ptr<TfrxComponent> child);

    // -- name
    const AnsiString& Name() const { return name_; }
    // Runs the rename checks: prDupl, the ancestor-report message, identifier rules.
    void SetName(const AnsiString& name);
    int32_t Tag() const { return tag_; }
    void SetTag(int64_t v) { tag_ = static_cast<int32_t>(v); }

    // -- tree
    TfrxComponent* Parent() const { return parent_; }
    virtual void SetParent(TfrxComponent* parent);
    const std::vector<TfrxComponent*>& Objects() const { return objects_; }
    virtual const std::vector<TfrxComponent*>& ChildList() const { return objects_; }
    // Depth-first, every child before its own children; rebuilt on each call.
    const std::vector<TfrxComponent*>& AllObjects() const;
    TfrxComponent* FindObject(std::string_view name) const;
    TfrxReport* RootReport() const;
    TfrxPage* Page() const;
    // Moves a child to another position in Objects.
    void MoveChild(TfrxComponent* child, int index);
    virtual void Clear();

    // -- bounds
    double Left() const { return left_; }
    double Top() const { return top_; }
    double Width() const { return width_; }
    double Height() const { return height_; }
    virtual void SetLeft(double v);
    virtual void SetTop(double v);
    virtual void SetWidth(double v);
    virtual void SetHeight(double v);
    void SetBounds(double left, double top, double width, double height);
    double AbsLeft() const;
    double AbsTop() const;

    // -- font and flags
    TfrxFont& Font() { return font_; }
    const TfrxFont& Font() const { return font_; }
    virtual void SetFont(const TfrxFont& font);
    bool ParentFont() const { return parentFont_; }
    virtual void SetParentFont(bool v);
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v) { visible_ = v; }
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int64_t v) { groupIndex_ = static_cast<int>(v); }
    int Restrictions() const { return restrictions_; }
    void SetRestrictions(int64_t v) { restrictions_ = static_cast<int>(v & 0xFF); }
    bool HasRestriction(TfrxRestriction r) const {
        return (restrictions_ & (1 << static_cast<int>(r))) != 0;
    }

    bool DesignerCreated = false;
    bool BeingLoaded = false;
    bool BeingPrinted = false;
    bool BeingWritten = false;
    bool FromParentTemplate = false;
    int StorageFlags = kKeepInPreparedPages;

    // -- links of the prepared pages: during a run a design object and its
    // source copy point to each other and share the prepared name; the copy
    // keeps its base text (its class name, or its whole attribute text).
    TfrxComponentRef<TfrxComponent> SourceLink;
    AnsiString PreparedName;
    AnsiString BaseText;

    virtual AnsiString NameStem() const;
    void AssignUniqueName();
    virtual AnsiString DescriptionText() const { return ClassName(); }
    // Applies the Align property of the child views (see AlignChildViews);
    // a report page sizes its bands instead.
    virtual void ApplyChildAlignment();

    // -- copying and streams
    void Assign(const TfrxComponent& source);
    void AssignWithChildren(const TfrxComponent& source);
    virtual void LoadFromStream(TStream& stream);
    virtual void SaveToStream(TStream& stream, bool saveChildren = true,
                              bool writeDefaults = false);

    // -- hooks of the template serializer
    // Memo views answer true and give their text as wide text.
    virtual bool HasMemoText() const { return false; }
    virtual WideString MemoText() const { return {}; }
    virtual void SetMemoText(const WideString&) {}
    virtual bool IsMemoAutoWidth() const { return false; }
    // The platform's "loaded" notification after a template read.
    virtual void Loaded() {}
    // Prepared-page difference text against source (base form).
    virtual AnsiString MakeDiff(const TfrxComponent& source);
    AnsiString BaseDiff(const TfrxComponent& source) const;
    AnsiString MakeFullDiff(const TfrxComponent* source);

protected:
    // A property-table helper for subclasses that publish the bounds.
    void FontChanged();

private:
    friend class TfrxRefBase;
    void Detach();

    AnsiString name_;
    int32_t tag_ = 0;
    TfrxComponent* parent_ = nullptr;
    std::vector<TfrxComponent*> objects_;
    mutable std::vector<TfrxComponent*> allObjects_;
    std::unordered_set<TfrxRefBase*> watchers_; // a dataset may have thousands
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TfrxFont font_;
    bool parentFont_ = true;
    bool visible_ = true;
    int groupIndex_ = 0;
    int restrictions_ = 0;
    bool settingFont_ = false;
};

class TfrxReportComponent : public TfrxComponent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    AnsiString Description;
    AnsiString OnAfterData, OnAfterPrint, OnBeforePrint, OnPreviewClick, OnPreviewDblClick;
    const AnsiString& GetDescription() const { return Description; }
    void SetDescription(const AnsiString& v) { Description = v; }

    struct Rect {
        double Left = 0, Top = 0, Right = 0, Bottom = 0;
    };
    virtual void PreparePrint();
    virtual void FetchData() {}
    virtual void CompletePrint();
    virtual AnsiString ObjectText() const { return ""; }
    Rect AbsoluteBounds() const;
    Rect SavedBounds;
    std::vector<TfrxComponent*> ShiftChildren; // filled by the engine; not owned
};

class TfrxDialogComponent : public TfrxReportComponent {
public:
    TfrxDialogComponent();
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }
    void DefineBinaryProperties(TfrxBinaryWriter& writer) const override;
    bool ReadBinaryProperty(const AnsiString& name, TfrxBinaryReader& reader) override;
};

// Names compared without ASCII letter case use this key.
AnsiString UpperAsciiName(std::string_view s);

// -- the class registry of the template reader

using ComponentFactory = std::function<std::unique_ptr<TfrxComponent>()>;
struct RegisteredClass {
    const ClassInfo* Info = nullptr;
    ComponentFactory Create;
};

void RegisterComponentClass(const ClassInfo& info, ComponentFactory factory);
template <typename T>
void RegisterComponentClass() {
    RegisterComponentClass(T::StaticClass(), [] { return std::make_unique<T>(); });
}
// The registered class of exactly that name, or nullptr.
const RegisteredClass* FindComponentClass(std::string_view name);
// The 34 class names the template reader knows; a later layer registers the
// classes themselves.
const std::vector<AnsiString>& ReportClassNames();

} // namespace kanvo
