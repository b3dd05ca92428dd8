#include "report/model/styles.h"

#include "platform/code_page.h"
#include "report/model/report.h"
#include "report/model/serializer.h"

namespace kanvo {

const ClassInfo& TfrxStyleItem::StaticClass() {
    using T = TfrxStyleItem;
    static const ClassInfo info = MakeClassInfo(
        ClassBuilder<T>("TfrxStyleItem", nullptr)
            .Str("Name", &T::Name, &T::SetName)
            .Int(
                "Color", [](const T& o) { return o.Color; },
                [](T& o, int64_t v) { o.Color = static_cast<int32_t>(v); })
            .Sub("Font", &TfrxFont::StaticClass(), [](const T& o) { return &o.Font; })
            .Sub("Frame", &TfrxFrame::StaticClass(), [](const T& o) { return &o.Frame; }));
    return info;
}

void TfrxStyleItem::SetName(const AnsiString& name) {
    if (owner_) {
        TfrxStyleItem* other = owner_->Find(name);
        if (other && other != this)
            throw Exception("Duplicate name");
    }
    name_ = name;
}

void TfrxStyleItem::Assign(const TfrxStyleItem& source) {
    SetName(source.name_);
    Color = source.Color;
    Font.Assign(source.Font);
    Frame.Assign(source.Frame);
}

TfrxStyleItem& TfrxStyles::Add() {
    items_.push_back(std::make_unique<TfrxStyleItem>(this));
    return *items_.back();
}

TfrxStyleItem* TfrxStyles::Find(std::string_view name) const {
    for (const auto& item : items_)
        if (AnsiSameText(item->name_, name))
            return item.get();
    return nullptr;
}

std::vector<AnsiString> TfrxStyles::Entries() const {
    TfrxXMLSerializer attributes;
    std::vector<AnsiString> entries;
    for (const auto& item : items_)
        entries.push_back(attributes.AttributesOf(item.get(), "", nullptr));
    return entries;
}

void TfrxStyles::ReadEntries(const std::vector<AnsiString>& entries) {
    Clear();
    TfrxXMLSerializer attributes;
    for (const AnsiString& entry : entries) {
        // Read detached, so that a duplicate name does not cut the entry short.
        auto item = std::make_unique<TfrxStyleItem>();
        attributes.ApplyAttributes(entry, *item);
        AnsiString name = item->name_;
        item->owner_ = this;
        item->name_.clear();
        try {
            item->SetName(name);
        } catch (const Exception& error) {
            if (report_)
                report_->AddError(error.Message() + " \"" + name + "\"");
        }
        items_.push_back(std::move(item));
    }
}

} // namespace kanvo
