// Published properties: the one table per class that the template
// serializer, Assign, the prepared-page differences and the script binding
// read. A class declares its own properties in order; the full list of a
// class is its base class's list followed by its own (a property declared
// again by a subclass keeps its first place and takes the new accessors).
//
// Every value crosses the table as a Variant:
//   Integer, Enumeration, Set      Int64 (enumeration ordinal, set bit mask)
//   Boolean                        Boolean
//   Float                          Double
//   String, Event                  String (an event holds a script procedure name)
//   StringList                     String (the lines joined by CR LF, no final break)
//   WideStringList                 UString (the same for wide lines)
//   Variant                        any value
//   Component                      Object (a TfrxComponent* or null)
//   SubObject                      Object (the owned sub-object; read-only)
//
// Declaring a class's table (in its .cpp):
//
//   const ClassInfo& TfrxFoo::StaticClass() {
//       static const ClassInfo info = ClassBuilder<TfrxFoo>("TfrxFoo", &TfrxBar::StaticClass())
//           .Float("Left", &TfrxFoo::Left, &TfrxFoo::SetLeft)
//           .Bool("Visible", &TfrxFoo::Visible, &TfrxFoo::SetVisible, true)
//           .Enum("Align", kAlignNames, &TfrxFoo::AlignOrd, &TfrxFoo::SetAlignOrd, 0)
//           .Stored([](const TfrxFoo& o) { return !o.ParentFont(); })   // applies to the last one
//           .Build();
//       return info;
//   }
#pragma once

#include "platform/object.h"
#include "platform/text_types.h"
#include "platform/variant.h"
#include "script/script_binding.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace kanvo {

class ClassInfo;
class TfrxBinaryWriter;
class TfrxBinaryReader;

enum class PropKind {
    Integer,
    Enumeration,
    Boolean,
    Set,
    Float,
    String,
    WideStringList,
    StringList,
    Variant,
    Component,
    SubObject,
    Event,
};

// The root of every object with published properties. Scripts reach the
// published properties by name through the class's table: Memo1.Visible,
// Memo1.Font.Size (a sub-object property gives the nested object).
class TPersistent : public ScriptObject {
public:
    virtual const ClassInfo& ClassType() const = 0;

    AnsiString ScriptClassName() const override;
    bool GetProperty(std::string_view name, Variant& value) override;
    // A read-only property raises "Property \"%s\" is read-only".
    bool SetProperty(std::string_view name, const Variant& value) override;
    // Binary properties ("PropData"): write the defined ones; read one by
    // name (false: not ours, the reader skips its value).
    virtual void DefineBinaryProperties(TfrxBinaryWriter&) const {}
    virtual bool ReadBinaryProperty(const AnsiString&, TfrxBinaryReader&) { return false; }
};

struct PropInfo {
    AnsiString Name;
    PropKind Kind = PropKind::Integer;
    std::function<Variant(const TPersistent&)> Get;
    std::function<void(TPersistent&, const Variant&)> Set; // empty: read-only
    // Ordinal default (Integer, Enumeration, Boolean, Set); none: always written.
    std::optional<int64_t> Default;
    // Stored condition; empty: always stored. A constant false: never stored.
    std::function<bool(const TPersistent&)> Stored;
    bool NeverStored = false;
    // Value names of an enumeration (Boolean: False, True) or of set members.
    std::vector<AnsiString> ValueNames;
    // The class of a SubObject.
    const ClassInfo* RefClass = nullptr;
    // The class a Component reference must inherit from, by name (empty: any;
    // a name, so that a class can refer to itself or to classes of later layers).
    AnsiString RefClassName;

    bool IsStored(const TPersistent& object) const {
        return !NeverStored && (!Stored || Stored(object));
    }
    // Enumeration: ordinal of a value name (letter case ignored), or nothing.
    std::optional<int64_t> ValueOf(std::string_view name) const;
    AnsiString NameOf(int64_t ordinal) const;
};

class ClassInfo {
public:
    ClassInfo(AnsiString name, const ClassInfo* base, std::vector<PropInfo> own);
    ClassInfo(const ClassInfo&) = delete;
    ClassInfo& operator=(const ClassInfo&) = delete;

    const AnsiString& Name() const { return name_; }
    const ClassInfo* Base() const { return base_; }
    bool InheritsFrom(const ClassInfo& other) const;
    bool InheritsFrom(std::string_view className) const;

    // All properties in stored order, base class first.
    const std::vector<const PropInfo*>& Properties() const { return all_; }
    // By name, letter case ignored; nullptr when the class has none.
    const PropInfo* FindProperty(std::string_view name) const;

private:
    AnsiString name_;
    const ClassInfo* base_;
    std::vector<PropInfo> own_;
    std::vector<const PropInfo*> all_;
    std::unordered_map<AnsiString, const PropInfo*> byName_; // upper-case ASCII names
};

// Reading and writing a property by name, for scripts and tools. Raises
// Exception "Property \"%s\" not found" / "Property \"%s\" is read-only".
Variant GetPropValue(const TPersistent& object, std::string_view name);
void SetPropValue(TPersistent& object, std::string_view name, const Variant& value);
// A dotted path ("Font.Name", "Frame.LeftLine.Width"): the target of the last
// part and its property, or {nullptr, nullptr}.
std::pair<TPersistent*, const PropInfo*> FindPropPath(TPersistent& object, std::string_view path);

// Accessors of a plain data member, for the tables of classes whose
// published properties are fields: .Bool("DoublePass", Field(&T::DoublePass),
// SetField(&T::DoublePass)).
namespace prop {
template <typename T, typename V>
auto Field(V T::*member) {
    return [member](const T& o) { return o.*member; };
}
template <typename T, typename V>
auto SetField(V T::*member) {
    return [member](T& o, auto v) { o.*member = static_cast<V>(v); };
}
} // namespace prop

template <typename T>
class ClassBuilder {
public:
    ClassBuilder(AnsiString name, const ClassInfo* base) : name_(std::move(name)), base_(base) {}

    template <typename G, typename S>
    ClassBuilder& Int(const char* name, G get, S set, std::optional<int64_t> def = std::nullopt) {
        return Add(name, PropKind::Integer, OrdGetter(get), OrdSetter<int64_t>(set), def);
    }
    template <typename G, typename S>
    ClassBuilder& Bool(const char* name, G get, S set, std::optional<bool> def = std::nullopt) {
        PropInfo& p =
            Add(
                name, PropKind::Boolean,
                [get](const TPersistent& o) {
                    return Variant(static_cast<bool>(std::invoke(get, Self(o))));
                },
                [set](TPersistent& o, const Variant& v) { std::invoke(set, Self(o), v.ToBool()); },
                def ? std::optional<int64_t>(*def ? 1 : 0) : std::nullopt)
                .Last();
        p.ValueNames = {"False", "True"};
        return *this;
    }
    template <typename G, typename S>
    ClassBuilder& Enum(const char* name, std::vector<AnsiString> names, G get, S set,
                       std::optional<int64_t> def = std::nullopt) {
        Add(name, PropKind::Enumeration, OrdGetter(get), OrdSetter<int64_t>(set), def);
        Last().ValueNames = std::move(names);
        return *this;
    }
    template <typename G, typename S>
    ClassBuilder& SetOf(const char* name, std::vector<AnsiString> members, G get, S set,
                        std::optional<int64_t> def = std::nullopt) {
        Add(name, PropKind::Set, OrdGetter(get), OrdSetter<int64_t>(set), def);
        Last().ValueNames = std::move(members);
        return *this;
    }
    template <typename G, typename S>
    ClassBuilder& Float(const char* name, G get, S set) {
        return Add(
            name, PropKind::Float,
            [get](const TPersistent& o) {
                return Variant(static_cast<double>(std::invoke(get, Self(o))));
            },
            [set](TPersistent& o, const Variant& v) { std::invoke(set, Self(o), v.ToDouble()); });
    }
    template <typename G, typename S>
    ClassBuilder& Str(const char* name, G get, S set, PropKind kind = PropKind::String) {
        return Add(
            name, kind,
            [get](const TPersistent& o) { return Variant(AnsiString(std::invoke(get, Self(o)))); },
            [set](TPersistent& o, const Variant& v) { std::invoke(set, Self(o), VarToStr(v)); });
    }
    // A string field holding the name of a script procedure.
    ClassBuilder& Event(const char* name, AnsiString T::*field) {
        return Add(
            name, PropKind::Event,
            [field](const TPersistent& o) { return Variant(Self(o).*field); },
            [field](TPersistent& o, const Variant& v) { Self(o).*field = VarToStr(v); });
    }
    // A plain string field.
    ClassBuilder& StrField(const char* name, AnsiString T::*field) {
        return Add(
            name, PropKind::String,
            [field](const TPersistent& o) { return Variant(Self(o).*field); },
            [field](TPersistent& o, const Variant& v) { Self(o).*field = VarToStr(v); });
    }
    template <typename G, typename S>
    ClassBuilder& StrList(const char* name, G get, S set) {
        return Str(name, get, set, PropKind::StringList);
    }
    // Wide lines (memo texts); get returns the lines joined by CR LF as a
    // WideString, set takes such a text.
    template <typename G, typename S>
    ClassBuilder& WideList(const char* name, G get, S set) {
        return Add(
            name, PropKind::WideStringList,
            [get](const TPersistent& o) { return Variant(WideString(std::invoke(get, Self(o)))); },
            [set](TPersistent& o, const Variant& v) { std::invoke(set, Self(o), v.ToWide()); });
    }
    template <typename G, typename S>
    ClassBuilder& VariantProp(const char* name, G get, S set) {
        return Add(
            name, PropKind::Variant,
            [get](const TPersistent& o) { return Variant(std::invoke(get, Self(o))); },
            [set](TPersistent& o, const Variant& v) { std::invoke(set, Self(o), v); });
    }
    // A reference to another component; get returns a pointer, set takes one.
    template <typename R, typename G, typename S>
    ClassBuilder& Ref(const char* name, const char* refClassName, G get, S set) {
        Add(
            name, PropKind::Component,
            [get](const TPersistent& o) {
                return Variant(static_cast<Object*>(std::invoke(get, Self(o))));
            },
            [set](TPersistent& o, const Variant& v) {
                std::invoke(set, Self(o), dynamic_cast<R*>(v.ToObject()));
            });
        Last().RefClassName = refClassName ? refClassName : "";
        return *this;
    }
    // An owned sub-object whose properties are written with dotted names.
    template <typename G>
    ClassBuilder& Sub(const char* name, const ClassInfo* subClass, G get) {
        Add(
            name, PropKind::SubObject,
            [get](const TPersistent& o) {
                return Variant(static_cast<Object*>(const_cast<TPersistent*>(
                    static_cast<const TPersistent*>(std::invoke(get, Self(o))))));
            },
            nullptr);
        Last().RefClass = subClass;
        return *this;
    }
    ClassBuilder& Stored(std::function<bool(const T&)> stored) {
        Last().Stored = [stored](const TPersistent& o) { return stored(Self(o)); };
        return *this;
    }
    ClassBuilder& NotStored() {
        Last().NeverStored = true;
        return *this;
    }

    std::vector<PropInfo> Build() { return std::move(props_); }
    const AnsiString& Name() const { return name_; }
    const ClassInfo* Base() const { return base_; }

private:
    static const T& Self(const TPersistent& o) { return static_cast<const T&>(o); }
    static T& Self(TPersistent& o) { return static_cast<T&>(o); }

    template <typename G>
    static std::function<Variant(const TPersistent&)> OrdGetter(G get) {
        return [get](const TPersistent& o) {
            return Variant(static_cast<int64_t>(std::invoke(get, Self(o))));
        };
    }
    template <typename V, typename S>
    static std::function<void(TPersistent&, const Variant&)> OrdSetter(S set) {
        return [set](TPersistent& o, const Variant& v) { std::invoke(set, Self(o), v.ToInt64()); };
    }

    ClassBuilder& Add(const char* name, PropKind kind,
                      std::function<Variant(const TPersistent&)> get,
                      std::function<void(TPersistent&, const Variant&)> set,
                      std::optional<int64_t> def = std::nullopt) {
        PropInfo p;
        p.Name = name;
        p.Kind = kind;
        p.Get = std::move(get);
        p.Set = std::move(set);
        p.Default = def;
        props_.push_back(std::move(p));
        return *this;
    }
    PropInfo& Last() { return props_.back(); }

    AnsiString name_;
    const ClassInfo* base_;
    std::vector<PropInfo> props_;
};

// Builds the class information from a builder: `static const ClassInfo info = MakeClass(builder);`
template <typename T>
ClassInfo MakeClassInfo(ClassBuilder<T>& builder) {
    AnsiString name = builder.Name();
    const ClassInfo* base = builder.Base();
    return ClassInfo(std::move(name), base, builder.Build());
}
template <typename T>
ClassInfo MakeClassInfo(ClassBuilder<T>&& builder) {
    return MakeClassInfo(builder);
}

} // namespace kanvo
