#include "report/model/xml.h"

#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/files.h"
#include "platform/format_settings.h"

#include <algorithm>

namespace kanvo {

namespace {
constexpr size_t kBufferSize = 4096;
constexpr std::string_view kUnloadMarker = "ld=\"0\"";

bool IsMarkup(unsigned char c) {
    return c == 10 || c == 13 || c == '"' || c == '&' || c == '<' || c == '>';
}
} // namespace

AnsiString EscapeText(std::string_view text) {
    AnsiString out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '&' && text.substr(i + 1, 5) == "quot;") {
            out += "&#34;";
            i += 5;
        } else if (IsMarkup(c)) {
            out += "&#";
            out += std::to_string(c);
            out += ';';
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

AnsiString UnescapeText(std::string_view text) {
    if (text.find('&') == std::string_view::npos)
        return AnsiString(text);
    AnsiString out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c != '&') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '#' && text.size() - i - 1 >= 3) {
            size_t semi = text.find(';', i + 3);
            if (semi != std::string_view::npos) {
                std::string_view digits = text.substr(i + 2, semi - i - 2);
                bool numeric = !digits.empty() && digits.size() <= 9 &&
                               std::all_of(digits.begin(), digits.end(),
                                           [](char d) { return d >= '0' && d <= '9'; });
                if (numeric) {
                    out += static_cast<char>(std::stoul(std::string(digits)) & 0xFF);
                    i = semi + 1;
                    continue;
                }
            }
            // A reference without its ";" or with other text is kept as written.
            out += c;
            ++i;
            continue;
        }
        if (text.substr(i + 1, 5) == "quot;") {
            out += '"';
            i += 6;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

AnsiString ValueToAttributeText(const Variant& value) {
    switch (value.Type()) {
    case VarType::Integer:
    case VarType::Int64:
        return std::to_string(value.ToInt64());
    case VarType::Double:
    case VarType::Currency:
        return FloatToStr(value.ToDouble());
    case VarType::Date:
        return DateTimeToStr(value.ToDate());
    case VarType::String:
    case VarType::UString:
        return EscapeText(VarToStr(value));
    case VarType::Boolean:
        return value.ToBool() ? "1" : "0";
    default:
        return "";
    }
}

// ---------------------------------------------------------------- items

TfrxXMLItem::~TfrxXMLItem() {
    Clear();
    Detach();
}

void TfrxXMLItem::Detach() {
    if (!parent_)
        return;
    auto& list = parent_->items_;
    auto it = std::find(list.begin(), list.end(), this);
    if (it != list.end())
        list.erase(it);
    parent_ = nullptr;
}

TfrxXMLItem* TfrxXMLItem::Add() {
    auto* item = new TfrxXMLItem;
    item->parent_ = this;
    items_.push_back(item);
    return item;
}

void TfrxXMLItem::AppendItem(TfrxXMLItem* item) {
    item->Detach();
    item->parent_ = this;
    items_.push_back(item);
}

void TfrxXMLItem::InsertItemAt(int index, TfrxXMLItem* item) {
    AppendItem(item);
    items_.pop_back();
    size_t at = std::clamp<size_t>(static_cast<size_t>(std::max(index, 0)), 0, items_.size());
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), item);
}

int TfrxXMLItem::IndexOf(const TfrxXMLItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int TfrxXMLItem::FindIndex(std::string_view name) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (AnsiSameText(items_[i]->Name, name))
            return static_cast<int>(i);
    return -1;
}

TfrxXMLItem* TfrxXMLItem::FindOrAdd(std::string_view name) {
    int i = FindIndex(name);
    if (i >= 0)
        return items_[static_cast<size_t>(i)];
    TfrxXMLItem* item = Add();
    item->Name = AnsiString(name);
    return item;
}

void TfrxXMLItem::Clear() {
    std::vector<TfrxXMLItem*> items;
    items.swap(items_);
    for (TfrxXMLItem* item : items) {
        item->parent_ = nullptr;
        delete item;
    }
    if (MayUnload)
        InMemory = false;
}

namespace {
// Position of the first letter of the attribute name in text, or npos.
size_t FindAttribute(const AnsiString& text, std::string_view name) {
    AnsiString haystack(1, ' ');
    haystack += AnsiUpperCase(text);
    AnsiString needle(1, ' ');
    needle += AnsiUpperCase(name);
    needle += "=\"";
    size_t at = haystack.find(needle);
    return at == AnsiString::npos ? at : at; // haystack has one more byte in front
}
} // namespace

AnsiString TfrxXMLItem::Attribute(std::string_view name) const {
    size_t at = FindAttribute(Text, name);
    if (at == AnsiString::npos)
        return "";
    size_t valueStart = at + name.size() + 2; // after name, "=" and the quote
    size_t end = Text.find('"', valueStart);
    if (end == AnsiString::npos)
        end = Text.size();
    return UnescapeText(std::string_view(Text).substr(valueStart, end - valueStart));
}

void TfrxXMLItem::SetAttribute(std::string_view name, std::string_view value) {
    size_t at = FindAttribute(Text, name);
    if (at != AnsiString::npos) {
        size_t valueStart = at + name.size() + 2;
        size_t end = Text.find('"', valueStart);
        end = end == AnsiString::npos ? Text.size() : end + 1;
        Text.erase(at, end - at);
    } else {
        at = Text.size();
    }
    AnsiString attribute;
    if (at > 0 && Text[at - 1] != ' ')
        attribute += ' ';
    attribute += name;
    attribute += "=\"";
    attribute += EscapeText(value);
    attribute += '"';
    Text.insert(at, attribute);
}

// ---------------------------------------------------------------- reader

TfrxXMLReader::TfrxXMLReader(TStream& stream)
    : stream_(stream), buffer_(kBufferSize), size_(stream.Size()), position_(stream.Position()) {}

TfrxXMLReader::~TfrxXMLReader() {
    try {
        stream_.Seek(position_);
    } catch (...) {
    }
}

void TfrxXMLReader::SeekTo(uint64_t offset) {
    stream_.Seek(offset);
    position_ = offset;
    fill_ = index_ = 0;
}

int TfrxXMLReader::ReadByte() {
    if (index_ == fill_) {
        fill_ = stream_.Read(buffer_.data(), buffer_.size());
        index_ = 0;
        if (fill_ == 0)
            return -1;
    }
    ++position_;
    return static_cast<unsigned char>(buffer_[index_++]);
}

void TfrxXMLReader::ReadTag(AnsiString& name, AnsiString& text) {
    name.clear();
    text.clear();
    for (;;) {
        int c;
        do {
            c = ReadByte();
            if (c < 0)
                return; // the end of the stream outside a tag
        } while (c != '<');
        AnsiString tag;
        tag.reserve(kBufferSize);
        bool comment = false;
        for (;;) {
            c = ReadByte();
            if (c < 0 || c == '<')
                throw TfrxInvalidXMLException();
            if (c == '>')
                break;
            tag += static_cast<char>(c);
            if (tag.size() == 3 && tag == "!--") {
                comment = true;
                break;
            }
        }
        if (comment) {
            int dashes = 0;
            for (;;) {
                c = ReadByte();
                if (c < 0)
                    return; // an unclosed comment runs to the end of the stream
                if (dashes == 2) {
                    if (c == '>')
                        break;
                    dashes = 0;
                } else if (c == '-') {
                    ++dashes;
                } else {
                    dashes = 0;
                }
            }
            continue;
        }
        if (!tag.empty() && tag.back() == ' ')
            tag.pop_back();
        size_t blank = tag.find(' ');
        if (blank == AnsiString::npos) {
            name = std::move(tag);
        } else {
            name = tag.substr(0, blank);
            text = tag.substr(blank + 1);
        }
        return;
    }
}

void TfrxXMLReader::ReadDeclaration() {
    AnsiString name, text;
    ReadTag(name, text);
    if (name.compare(0, 4, "?xml") != 0)
        throw TfrxInvalidXMLException();
}

namespace {
// The unload marker stands at the end of the text, right after a closing
// quote, a blank, or alone.
bool TakeUnloadMarker(AnsiString& text) {
    if (text.size() < kUnloadMarker.size() ||
        text.compare(text.size() - kUnloadMarker.size(), kUnloadMarker.size(), kUnloadMarker) != 0)
        return false;
    size_t at = text.size() - kUnloadMarker.size();
    if (at > 0 && text[at - 1] != '"' && text[at - 1] != ' ')
        return false;
    text.erase(at);
    return true;
}
} // namespace

bool TfrxXMLReader::ReadElement(TfrxXMLItem& item, bool withChildren) {
    uint64_t start = position_;
    ReadTag(item.Name, item.Text);
    lastName_ = item.Name;
    if (item.Name.empty() || item.Name[0] == '/')
        return false;
    if (item.Name.back() == '/') {
        item.Name.pop_back();
        return true;
    }
    if (!item.Text.empty() && item.Text.back() == '/') {
        item.Text.pop_back();
        return true;
    }
    for (;;) {
        TfrxXMLItem* child =
            item.Add(); // kept when an error comes, so the tree shows what was read
        if (!ReadElement(*child, withChildren)) {
            delete child;
            break;
        }
    }
    if (!lastName_.empty() && !(lastName_.size() == item.Name.size() + 1 && lastName_[0] == '/' &&
                                AnsiSameText(std::string_view(lastName_).substr(1), item.Name)))
        throw TfrxInvalidXMLException();
    if (TakeUnloadMarker(item.Text) && !withChildren) {
        item.MayUnload = true;
        item.Clear();
        item.SetStoredOffset(start);
        item.InMemory = false;
    }
    return true;
}

// ---------------------------------------------------------------- writer

TfrxXMLWriter::TfrxXMLWriter(TStream& stream, bool indented, TStream* tempStream)
    : stream_(stream), indented_(indented), temp_(tempStream) {}

TfrxXMLWriter::~TfrxXMLWriter() {
    try {
        Flush();
    } catch (...) {
    }
}

void TfrxXMLWriter::Flush() {
    if (!buffer_.empty()) {
        stream_.Write(buffer_.data(), buffer_.size());
        buffer_.clear();
    }
}

void TfrxXMLWriter::WriteLine(const AnsiString& line) {
    buffer_ += line;
    if (indented_)
        buffer_ += "\r\n";
    if (buffer_.size() > kBufferSize)
        Flush();
}

void TfrxXMLWriter::WriteDeclaration() {
    WriteLine("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
}

void TfrxXMLWriter::WriteElementTree(TfrxXMLItem& item) {
    WriteItem(item, 0);
    Flush();
}

void TfrxXMLWriter::WriteItem(TfrxXMLItem& item, int level) {
    bool readBack = temp_ && item.MayUnload && !item.InMemory;
    if (readBack) {
        TfrxXMLReader reader(*temp_);
        reader.SeekTo(item.StoredOffset());
        reader.ReadElement(item, true);
    }
    AnsiString indent = indented_ ? AnsiString(static_cast<size_t>(level), ' ') : AnsiString();
    AnsiString line = indent;
    line += '<';
    line += item.Name;
    if (!item.Text.empty() || item.MayUnload) {
        if (item.Text.empty() || item.Text[0] != ' ')
            line += ' ';
        line += item.Text;
        if (item.MayUnload)
            line += kUnloadMarker;
    }
    line += item.Count() > 0 ? ">" : "/>";
    WriteLine(line);
    for (int i = 0; i < item.Count(); ++i)
        WriteItem(*item.Items(i), indented_ ? level + 2 : 0);
    if (item.Count() > 0)
        WriteLine(indent + "</" + item.Name + '>');
    if (readBack)
        item.Clear();
}

// ---------------------------------------------------------------- document

TfrxXMLDocument::TfrxXMLDocument() = default;

TfrxXMLDocument::~TfrxXMLDocument() {
    try {
        CloseSwapFile();
    } catch (...) {
    }
}

void TfrxXMLDocument::Clear() {
    root_.Clear();
    CloseSwapFile();
}

void TfrxXMLDocument::Load(TStream& stream, bool deferMarked) {
    root_.Clear();
    root_.Name.clear();
    root_.Text.clear();
    root_.SetStoredOffset(0);
    TfrxXMLReader reader(stream);
    reader.ReadDeclaration();
    reader.ReadElement(root_, !deferMarked);
}

void TfrxXMLDocument::LoadFromStream(TStream& stream) {
    CloseSwapFile();
    Load(stream, false);
}

void TfrxXMLDocument::LoadFromStream(std::unique_ptr<TStream> stream, bool deferMarked) {
    CloseSwapFile();
    if (!deferMarked) {
        Load(*stream, false);
        return;
    }
    temp_ = std::move(stream);
    Load(*temp_, true);
}

void TfrxXMLDocument::SaveToStream(TStream& stream) {
    TfrxXMLWriter writer(stream, Indented, temp_.get());
    writer.WriteDeclaration();
    writer.WriteElementTree(root_);
}

void TfrxXMLDocument::LoadFromFile(const AnsiString& path) {
    TFileStream stream(path, TFileStream::Mode::Read);
    LoadFromStream(stream);
}

void TfrxXMLDocument::SaveToFile(const AnsiString& path) {
    TMemoryStream stream;
    SaveToStream(stream);
    WriteFileAtomically(path, stream.Bytes());
}

void TfrxXMLDocument::OpenSwapFile() {
    if (temp_)
        return;
    auto file = CreateTempFileStream(SwapFolder, "fr");
    tempName_ = file->Path();
    tempCreated_ = true;
    temp_ = std::move(file);
}

void TfrxXMLDocument::CloseSwapFile() {
    if (tempCreated_) {
        temp_.reset();
        DeleteFile(tempName_);
        tempCreated_ = false;
        tempName_.clear();
    }
    temp_.reset();
}

void TfrxXMLDocument::SwapOut(TfrxXMLItem& item) {
    if (!item.InMemory || !item.MayUnload)
        return;
    OpenSwapFile();
    // Written to memory first: writing may read unloaded children back from
    // the same temporary stream.
    TMemoryStream copy;
    {
        TfrxXMLWriter writer(copy, false, temp_.get());
        writer.WriteElementTree(item);
    }
    uint64_t end = temp_->Size();
    temp_->Seek(end);
    temp_->Write(copy.Bytes().data(), copy.Bytes().size());
    item.SetStoredOffset(end);
    item.Clear();
}

void TfrxXMLDocument::SwapIn(TfrxXMLItem& item) {
    if (!temp_ || !item.MayUnload || item.InMemory)
        return;
    TfrxXMLReader reader(*temp_);
    reader.SeekTo(item.StoredOffset());
    AnsiString text = item.Text;
    reader.ReadElement(item, true);
    item.Text = std::move(text);
    item.InMemory = true;
}

} // namespace kanvo
