#include "report/model/published.h"

#include "platform/code_page.h"
#include "platform/exception.h"

#include <algorithm>
#include <cctype>

namespace kanvo {

namespace {
AnsiString UpperAscii(std::string_view s) {
    AnsiString out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}
} // namespace

std::optional<int64_t> PropInfo::ValueOf(std::string_view name) const {
    for (size_t i = 0; i < ValueNames.size(); ++i)
        if (SameTextAscii(ValueNames[i], name))
            return static_cast<int64_t>(i);
    return std::nullopt;
}

AnsiString PropInfo::NameOf(int64_t ordinal) const {
    if (ordinal >= 0 && static_cast<size_t>(ordinal) < ValueNames.size())
        return ValueNames[static_cast<size_t>(ordinal)];
    return std::to_string(ordinal);
}

ClassInfo::ClassInfo(AnsiString name, const ClassInfo* base, std::vector<PropInfo> own)
    : name_(std::move(name)), base_(base), own_(std::move(own)) {
    if (base_)
        all_ = base_->all_;
    for (const PropInfo& p : own_) {
        auto same = std::find_if(all_.begin(), all_.end(),
                                 [&](const PropInfo* q) { return SameTextAscii(q->Name, p.Name); });
        if (same != all_.end())
            *same = &p;
        else
            all_.push_back(&p);
    }
    for (const PropInfo* p : all_)
        byName_[UpperAscii(p->Name)] = p;
}

bool ClassInfo::InheritsFrom(const ClassInfo& other) const {
    for (const ClassInfo* c = this; c; c = c->base_)
        if (c == &other)
            return true;
    return false;
}

bool ClassInfo::InheritsFrom(std::string_view className) const {
    for (const ClassInfo* c = this; c; c = c->base_)
        if (c->name_ == className)
            return true;
    return false;
}

const PropInfo* ClassInfo::FindProperty(std::string_view name) const {
    auto it = byName_.find(UpperAscii(name));
    return it == byName_.end() ? nullptr : it->second;
}

std::pair<TPersistent*, const PropInfo*> FindPropPath(TPersistent& object, std::string_view path) {
    TPersistent* target = &object;
    for (;;) {
        size_t dot = path.find('.');
        if (dot == std::string_view::npos) {
            const PropInfo* p = target->ClassType().FindProperty(path);
            return {p ? target : nullptr, p};
        }
        const PropInfo* p = target->ClassType().FindProperty(path.substr(0, dot));
        if (!p || p->Kind != PropKind::SubObject)
            return {nullptr, nullptr};
        target = dynamic_cast<TPersistent*>(p->Get(*target).ToObject());
        if (!target)
            return {nullptr, nullptr};
        path = path.substr(dot + 1);
    }
}

Variant GetPropValue(const TPersistent& object, std::string_view name) {
    auto [target, prop] = FindPropPath(const_cast<TPersistent&>(object), name);
    if (!prop)
        throw Exception(Format("Property \"%s\" not found", {name}));
    return prop->Get(*target);
}

void SetPropValue(TPersistent& object, std::string_view name, const Variant& value) {
    auto [target, prop] = FindPropPath(object, name);
    if (!prop)
        throw Exception(Format("Property \"%s\" not found", {name}));
    if (!prop->Set)
        throw Exception(Format("Property \"%s\" is read-only", {name}));
    if (prop->Kind == PropKind::Enumeration && value.IsString()) {
        auto ordinal = prop->ValueOf(VarToStr(value));
        if (!ordinal)
            throw Exception(Format("Invalid property value %s", {VarToStr(value)}));
        prop->Set(*target, Variant(*ordinal));
        return;
    }
    if (prop->Kind == PropKind::Component && !prop->RefClassName.empty() && value.ToObject()) {
        auto* referenced = dynamic_cast<TPersistent*>(value.ToObject());
        if (!referenced || !referenced->ClassType().InheritsFrom(prop->RefClassName))
            throw Exception(Format("Invalid property value for %s", {name}));
    }
    prop->Set(*target, value);
}

AnsiString TPersistent::ScriptClassName() const {
    return ClassType().Name();
}

bool TPersistent::GetProperty(std::string_view name, Variant& value) {
    const PropInfo* prop = ClassType().FindProperty(name);
    if (!prop || !prop->Get)
        return false;
    value = prop->Get(*this);
    return true;
}

bool TPersistent::SetProperty(std::string_view name, const Variant& value) {
    if (!ClassType().FindProperty(name))
        return false;
    SetPropValue(*this, name, value);
    return true;
}

} // namespace kanvo
