// The small XML tree of templates and prepared pages.
//
// Only the subset our writers produce is understood: elements with
// attributes, one declaration and comments. Attribute text is kept raw (still
// escaped) per element; users parse it or ask for single attributes. Nothing
// is converted: names and attribute bytes go in and out unchanged.
//
// Ownership: an item owns its children; the document owns its root item and
// its temporary stream (a swap file it created, or the source stream of a
// partial load).
#pragma once

#include "platform/exception.h"
#include "platform/text_types.h"
#include "platform/variant.h"
#include "report/model/stream.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kanvo {

// Raised with "Invalid file format" for malformed XML.
class TfrxInvalidXMLException : public Exception {
public:
    TfrxInvalidXMLException() : Exception("Invalid file format") {}
};

// The six markup bytes (LF, CR, ", &, <, >) become "&#n;"; "&quot;" becomes "&#34;".
AnsiString EscapeText(std::string_view text);
// "&#n;" gives byte n, "&quot;" a double quote; other entities stay as written.
AnsiString UnescapeText(std::string_view text);
// Integers decimal, floats in the general format, strings escaped, booleans 1/0.
AnsiString ValueToAttributeText(const Variant& value);

class TfrxXMLItem {
public:
    TfrxXMLItem() = default;
    ~TfrxXMLItem();
    TfrxXMLItem(const TfrxXMLItem&) = delete;
    TfrxXMLItem& operator=(const TfrxXMLItem&) = delete;

    AnsiString Name;
    AnsiString Text; // raw attribute text, still escaped

    int Count() const { return static_cast<int>(items_.size()); }
    TfrxXMLItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    TfrxXMLItem* Parent() const { return parent_; }

    TfrxXMLItem* Add();
    // Takes ownership; removes the item from its former parent.
    void AppendItem(TfrxXMLItem* item);
    void InsertItemAt(int index, TfrxXMLItem* item);
    int IndexOf(const TfrxXMLItem* item) const;
    // First child whose name equals name, letter case ignored; -1 when none.
    int FindIndex(std::string_view name) const;
    TfrxXMLItem* FindOrAdd(std::string_view name);
    // Destroys all children; an unloadable item becomes unloaded.
    void Clear();

    AnsiString Attribute(std::string_view name) const;
    void SetAttribute(std::string_view name, std::string_view value);

    bool InMemory = true;
    bool MayUnload = false;
    uint64_t StoredOffset() const { return (uint64_t{offsetHigh_} << 32) | offsetLow_; }
    void SetStoredOffset(uint64_t offset) {
        offsetHigh_ = static_cast<uint8_t>(offset >> 32);
        offsetLow_ = static_cast<uint32_t>(offset);
    }

private:
    void Detach();

    std::vector<TfrxXMLItem*> items_;
    TfrxXMLItem* parent_ = nullptr;
    uint8_t offsetHigh_ = 0; // offsets up to 2^40 - 1
    uint32_t offsetLow_ = 0;
};

class TfrxXMLReader {
public:
    explicit TfrxXMLReader(TStream& stream);
    // Puts the stream back to the byte after the last character consumed.
    ~TfrxXMLReader();
    TfrxXMLReader(const TfrxXMLReader&) = delete;
    TfrxXMLReader& operator=(const TfrxXMLReader&) = delete;

    void ReadDeclaration();
    // Reads one element into item; false when an end marker came instead.
    bool ReadElement(TfrxXMLItem& item, bool withChildren = true);
    void SeekTo(uint64_t offset);
    uint64_t Position() const { return position_; }

private:
    int ReadByte(); // -1 at the end
    // One tag; false (empty name) at the end of the stream.
    void ReadTag(AnsiString& name, AnsiString& text);

    TStream& stream_;
    std::vector<char> buffer_;
    size_t fill_ = 0;
    size_t index_ = 0;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
    AnsiString lastName_;
};

class TfrxXMLWriter {
public:
    TfrxXMLWriter(TStream& stream, bool indented, TStream* tempStream);
    ~TfrxXMLWriter();
    TfrxXMLWriter(const TfrxXMLWriter&) = delete;
    TfrxXMLWriter& operator=(const TfrxXMLWriter&) = delete;

    void WriteDeclaration();
    void WriteElementTree(TfrxXMLItem& item);
    void Flush();

private:
    void WriteLine(const AnsiString& line);
    void WriteItem(TfrxXMLItem& item, int level);

    TStream& stream_;
    bool indented_;
    TStream* temp_;
    std::string buffer_;
};

class TfrxXMLDocument {
public:
    TfrxXMLDocument();
    ~TfrxXMLDocument();
    TfrxXMLDocument(const TfrxXMLDocument&) = delete;
    TfrxXMLDocument& operator=(const TfrxXMLDocument&) = delete;

    TfrxXMLItem& Root() { return root_; }
    bool Indented = false;
    AnsiString SwapFolder; // empty: the system's temporary folder

    void Clear();
    // Reads the whole tree; the stream is not kept.
    void LoadFromStream(TStream& stream);
    // With deferMarked, elements carrying the unload marker stay in the stream,
    // which the document keeps as its temporary stream until the next Clear.
    void LoadFromStream(std::unique_ptr<TStream> stream, bool deferMarked);
    void SaveToStream(TStream& stream);
    void LoadFromFile(const AnsiString& path);
    void SaveToFile(const AnsiString& path);

    void SwapOut(TfrxXMLItem& item);
    void SwapIn(TfrxXMLItem& item);
    void OpenSwapFile();
    void CloseSwapFile();
    TStream* TempStream() const { return temp_.get(); }
    const AnsiString& SwapFileName() const { return tempName_; }

private:
    void Load(TStream& stream, bool deferMarked);

    TfrxXMLItem root_;
    std::unique_ptr<TStream> temp_;
    AnsiString tempName_;
    bool tempCreated_ = false;
};

} // namespace kanvo
