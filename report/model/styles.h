// Report styles: named combinations of fill colour, font and frame that
// memo views take over through their Style property. The report owns one
// list (TfrxReport::Styles); names are unique without regard to letter case.
#pragma once

#include "report/model/component.h"
#include "report/model/frame.h"

#include <memory>
#include <vector>

namespace kanvo {

class TfrxReport;
class TfrxStyles;

class TfrxStyleItem : public TPersistent {
public:
    explicit TfrxStyleItem(TfrxStyles* owner = nullptr) : owner_(owner) {}
    static const ClassInfo& StaticClass();
    const ClassInfo& ClassType() const override { return StaticClass(); }

    const AnsiString& Name() const { return name_; }
    // Raises "Duplicate name" when another style of the list has the name
    // (letter case ignored); the name then stays as it was.
    void SetName(const AnsiString& name);

    int32_t Color = clTransparent;
    TfrxFont Font;
    TfrxFrame Frame;

    void Assign(const TfrxStyleItem& source);

private:
    friend class TfrxStyles;
    TfrxStyles* owner_;
    AnsiString name_;
};

class TfrxStyles {
public:
    explicit TfrxStyles(TfrxReport* report = nullptr) : report_(report) {}

    TfrxStyleItem& Add();
    TfrxStyleItem& Items(int index) { return *items_.at(static_cast<size_t>(index)); }
    int Count() const { return static_cast<int>(items_.size()); }
    void Clear() { items_.clear(); }
    // The first style of that name (letter case ignored), or nullptr.
    TfrxStyleItem* Find(std::string_view name) const;

    // Template entries. Reading empties the list first; a second style of
    // the same name becomes an error-list entry of the report and keeps an
    // empty name.
    std::vector<AnsiString> Entries() const;
    void ReadEntries(const std::vector<AnsiString>& entries);

private:
    TfrxReport* report_;
    std::vector<std::unique_ptr<TfrxStyleItem>> items_;
};

} // namespace kanvo
