// How the script reaches host objects. An object travels in a Variant as a
// borrowed kanvo::Object*; when it is also a ScriptObject the script can read
// and write its properties, use its indexed properties and call its methods,
// all by name (compared without regard to letter case). A property whose value
// is another object gives nested access: Memo1.Font.Size.
//
// Every operation returns false when the object has no member of that name;
// the script then raises "Unknown member". Report components implement these
// through their published-property tables; ScriptObjectAdapter is the easy way
// for anything else.
#pragma once

#include "platform/variant.h"

#include <functional>
#include <map>
#include <string_view>
#include <vector>

namespace kanvo {

class ScriptObject : public Object {
public:
    // The class name shown in error messages ("TfrxMemoView").
    virtual AnsiString ScriptClassName() const { return "TObject"; }
    virtual bool GetProperty(std::string_view name, Variant& value);
    virtual bool SetProperty(std::string_view name, const Variant& value);
    // Obj.Name[index...]; the default indexed property (Obj[i]) has an empty name.
    virtual bool GetIndexed(std::string_view name, const std::vector<Variant>& index,
                            Variant& value);
    virtual bool SetIndexed(std::string_view name, const std::vector<Variant>& index,
                            const Variant& value);
    // A method call; args may be written back (var parameters).
    virtual bool CallMethod(std::string_view name, std::vector<Variant>& args, Variant& result);
};

// A ScriptObject whose members are functions registered by name. A derived
// class may register its own members in its constructor and still override the
// virtual operations to reach a property table first.
class ScriptObjectAdapter : public ScriptObject {
public:
    using Getter = std::function<Variant()>;
    using Setter = std::function<void(const Variant&)>;
    using IndexedGetter = std::function<Variant(const std::vector<Variant>&)>;
    using IndexedSetter = std::function<void(const std::vector<Variant>&, const Variant&)>;
    using Method = std::function<Variant(std::vector<Variant>&)>;

    explicit ScriptObjectAdapter(AnsiString className = "TObject");

    void DefineProperty(std::string_view name, Getter get, Setter set = nullptr);
    void DefineIndexed(std::string_view name, IndexedGetter get, IndexedSetter set = nullptr);
    void DefineMethod(std::string_view name, Method method);

    AnsiString ScriptClassName() const override { return className_; }
    bool GetProperty(std::string_view name, Variant& value) override;
    bool SetProperty(std::string_view name, const Variant& value) override;
    bool GetIndexed(std::string_view name, const std::vector<Variant>& index,
                    Variant& value) override;
    bool SetIndexed(std::string_view name, const std::vector<Variant>& index,
                    const Variant& value) override;
    bool CallMethod(std::string_view name, std::vector<Variant>& args, Variant& result) override;

private:
    struct Property {
        Getter get;
        Setter set;
    };
    struct Indexed {
        IndexedGetter get;
        IndexedSetter set;
    };
    AnsiString className_;
    std::map<AnsiString, Property> properties_; // keys upper-cased
    std::map<AnsiString, Indexed> indexed_;
    std::map<AnsiString, Method> methods_;
};

// The value of an array constructor passed as an argument (Format's [a, b],
// StringReplace's flags): it lives as long as the call. Count and Items[i].
class ScriptArray : public ScriptObject {
public:
    std::vector<Variant> Items;
    AnsiString ScriptClassName() const override { return "TArray"; }
    bool GetProperty(std::string_view name, Variant& value) override;
    bool GetIndexed(std::string_view name, const std::vector<Variant>& index,
                    Variant& value) override;
};

// Upper-cases ASCII letters: the key under which script names are kept.
AnsiString ScriptNameKey(std::string_view name);

} // namespace kanvo
