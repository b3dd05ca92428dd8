// Report variables: named values that expressions use. The report owns one
// list (TfrxReport::Variables); the process owns one more,
// frxGlobalVariables(), shared by all reports.
//
// In a template each variable is one entry of the report's "Variables"
// collection: its Name (when not empty) and its Value as text, always
// present; so a variable read from a template always holds a string.
#pragma once

#include "report/model/published.h"

#include <memory>
#include <vector>

namespace kanvo {

class TfrxVariable : public TPersistent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    AnsiString Name;
    Variant Value = Variant::Null();

    void Assign(const TfrxVariable& source) {
        Name = source.Name;
        Value = source.Value;
    }
};

class TfrxVariables {
public:
    TfrxVariable& Add();
    TfrxVariable& Items(int index) { return *items_.at(static_cast<size_t>(index)); }
    const TfrxVariable& Items(int index) const { return *items_.at(static_cast<size_t>(index)); }
    int Count() const { return static_cast<int>(items_.size()); }
    void Clear() { items_.clear(); }

    // The first variable whose name equals `name` without regard to letter
    // case, or -1.
    int IndexOf(std::string_view name) const;
    // The value, Null when there is no such variable.
    Variant Get(std::string_view name) const;
    // Replaces the value, or appends a variable of that name and value.
    void Set(std::string_view name, const Variant& value);

    // The template entries (attribute texts) and reading them back.
    std::vector<AnsiString> Entries() const;
    void ReadEntries(const std::vector<AnsiString>& entries);

private:
    std::vector<std::unique_ptr<TfrxVariable>> items_;
};

// The same lookups with a variant key, converted to text.
class TfrxArray {
public:
    Variant Get(const Variant& key) const { return items_.Get(VarToStr(key)); }
    void Set(const Variant& key, const Variant& value) { items_.Set(VarToStr(key), value); }
    TfrxVariables& Items() { return items_; }

private:
    TfrxVariables items_;
};

// The process-wide variables.
TfrxVariables& frxGlobalVariables();

} // namespace kanvo
