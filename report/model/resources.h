// The message table of the report subsystems: every text shown to a user is
// looked up by key. The table is the "Resources" XML text held in the
// program (root attribute "CodePage", one "StrRes" element per key with
// "Name" and "Text"); texts are UTF-8 in the table and are converted to the
// table's code page when it is loaded.
#pragma once

#include "platform/text_types.h"

#include <map>

namespace kanvo {

class TfrxResources {
public:
    // Loads a table text; raises TfrxInvalidXMLException on bad XML.
    void LoadFromText(std::string_view xml);
    // The text of key, in the table's code page, with a leading "!" dropped;
    // the key itself when the table lacks it.
    AnsiString Get(std::string_view key) const;
    void Set(const AnsiString& key, const AnsiString& text) { texts_[key] = text; }
    int CodePage() const { return codePage_; }
    size_t Count() const { return texts_.size(); }

private:
    std::map<AnsiString, AnsiString, std::less<>> texts_;
    int codePage_ = 1250;
};

// The table of this program (Czech), loaded on first use.
TfrxResources& frxResources();
inline AnsiString frxGet(std::string_view key) {
    return frxResources().Get(key);
}
// The built-in table text.
std::string_view BuiltInResourceText();

} // namespace kanvo
