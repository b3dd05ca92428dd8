#include "report/model/variables.h"

#include "platform/code_page.h"
#include "report/model/serializer.h"

namespace kanvo {

const ClassInfo& TfrxVariable::StaticClass() {
    using T = TfrxVariable;
    static const ClassInfo info =
        MakeClassInfo(ClassBuilder<T>("TfrxVariable", nullptr)
                          .StrField("Name", &T::Name)
                          .VariantProp(
                              "Value", [](const T& o) { return o.Value; },
                              [](T& o, const Variant& v) { o.Value = v; }));
    return info;
}

TfrxVariable& TfrxVariables::Add() {
    items_.push_back(std::make_unique<TfrxVariable>());
    return *items_.back();
}

int TfrxVariables::IndexOf(std::string_view name) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (AnsiSameText(items_[i]->Name, name))
            return static_cast<int>(i);
    return -1;
}

Variant TfrxVariables::Get(std::string_view name) const {
    int i = IndexOf(name);
    return i < 0 ? Variant::Null() : items_[static_cast<size_t>(i)]->Value;
}

void TfrxVariables::Set(std::string_view name, const Variant& value) {
    int i = IndexOf(name);
    if (i >= 0) {
        items_[static_cast<size_t>(i)]->Value = value;
        return;
    }
    TfrxVariable& v = Add();
    v.Name = AnsiString(name);
    v.Value = value;
}

std::vector<AnsiString> TfrxVariables::Entries() const {
    TfrxXMLSerializer attributes;
    std::vector<AnsiString> entries;
    for (const auto& item : items_)
        entries.push_back(attributes.AttributesOf(item.get(), "", nullptr));
    return entries;
}

void TfrxVariables::ReadEntries(const std::vector<AnsiString>& entries) {
    Clear();
    TfrxXMLSerializer attributes;
    for (const AnsiString& entry : entries)
        attributes.ApplyAttributes(entry, Add());
}

TfrxVariables& frxGlobalVariables() {
    static TfrxVariables variables;
    return variables;
}

} // namespace kanvo
