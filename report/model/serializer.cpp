#include "report/model/serializer.h"

#include "platform/code_page.h"
#include "platform/format_settings.h"
#include "report/model/report.h"
#include "report/model/resources.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace kanvo {

namespace {
void AddAttr(AnsiString& out, const AnsiString& prefix, const AnsiString& name,
             const AnsiString& value);
} // namespace

// ---------------------------------------------------------------- text helpers

AnsiString FloatToTemplateText(double value) {
    return FloatToStr(value);
}

double TemplateTextToFloat(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        if (c == ' ')
            continue;
        s += c == ',' ? '.' : c;
    }
    FormatSettings point;
    point.DecimalSeparator = '.';
    if (auto v = TryStrToFloat(s, point))
        return *v;
    throw EConvertError(Format("'%s' is not a valid floating point value", {text}));
}

AnsiString HexOf(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    AnsiString out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string BytesOfHex(std::string_view hex) {
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string out;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        int hi = nibble(hex[i]), lo = nibble(hex[i + 1]);
        if (hi < 0 || lo < 0)
            break;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

AnsiString JoinLines(const std::vector<AnsiString>& lines) {
    AnsiString out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += "\r\n";
        out += lines[i];
    }
    return out;
}

template <typename S, typename C>
static std::vector<S> SplitAny(std::basic_string_view<C> text, bool lineSeparator) {
    std::vector<S> lines;
    S current;
    size_t i = 0;
    while (i < text.size()) {
        C c = text[i];
        if (c == C('\r') || c == C('\n') || (lineSeparator && c == C(0x2028))) {
            lines.push_back(std::move(current));
            current = S();
            if (c == C('\r') && i + 1 < text.size() && text[i + 1] == C('\n'))
                ++i;
            ++i;
            continue;
        }
        current += c;
        ++i;
    }
    if (!current.empty())
        lines.push_back(std::move(current));
    return lines;
}

std::vector<AnsiString> SplitLines(std::string_view text) {
    return SplitAny<AnsiString, char>(text, false);
}
std::vector<WideString> SplitWideLines(std::u16string_view text) {
    return SplitAny<WideString, char16_t>(text, true);
}

// ---------------------------------------------------------------- binary stream

void TfrxBinaryWriter::WriteName(std::string_view name) {
    size_t n = std::min<size_t>(name.size(), 255);
    WriteByte(static_cast<uint8_t>(n));
    WriteRaw(name.data(), n);
}

void TfrxBinaryWriter::WriteInteger(int64_t v) {
    if (v >= -128 && v <= 127) {
        WriteByte(vaInt8);
        WriteByte(static_cast<uint8_t>(static_cast<int8_t>(v)));
    } else if (v >= -32768 && v <= 32767) {
        WriteByte(vaInt16);
        int16_t x = static_cast<int16_t>(v);
        WriteRaw(&x, 2);
    } else if (v >= INT32_MIN && v <= INT32_MAX) {
        WriteByte(vaInt32);
        int32_t x = static_cast<int32_t>(v);
        WriteRaw(&x, 4);
    } else {
        WriteByte(vaInt64);
        WriteRaw(&v, 8);
    }
}

void TfrxBinaryWriter::WriteLString(std::string_view s) {
    WriteByte(vaLString);
    uint32_t n = static_cast<uint32_t>(s.size());
    WriteRaw(&n, 4);
    WriteRaw(s.data(), s.size());
}

void TfrxBinaryWriter::WriteBinary(std::string_view s) {
    WriteByte(vaBinary);
    uint32_t n = static_cast<uint32_t>(s.size());
    WriteRaw(&n, 4);
    WriteRaw(s.data(), s.size());
}

void TfrxBinaryReader::Need(size_t n) const {
    if (pos_ > bytes_.size() || bytes_.size() - pos_ < n)
        throw Exception("Stream read error");
}

AnsiString TfrxBinaryReader::ReadBytes(size_t n) {
    Need(n);
    AnsiString s = bytes_.substr(pos_, n);
    pos_ += n;
    return s;
}

uint32_t TfrxBinaryReader::ReadU32() {
    Need(4);
    uint32_t v;
    std::memcpy(&v, bytes_.data() + pos_, 4);
    pos_ += 4;
    return v;
}

AnsiString TfrxBinaryReader::ReadName() {
    Need(1);
    size_t n = static_cast<unsigned char>(bytes_[pos_++]);
    return ReadBytes(n);
}

uint8_t TfrxBinaryReader::PeekType() const {
    Need(1);
    return static_cast<uint8_t>(bytes_[pos_]);
}

uint8_t TfrxBinaryReader::ReadType() {
    uint8_t t = PeekType();
    ++pos_;
    return t;
}

bool TfrxBinaryReader::EndOfList() {
    if (PeekType() == vaNull) {
        ++pos_;
        return true;
    }
    return false;
}

int64_t TfrxBinaryReader::ReadInteger() {
    uint8_t t = ReadType();
    auto get = [&](size_t n) {
        Need(n);
        int64_t v = 0;
        if (n == 1) {
            v = static_cast<int8_t>(bytes_[pos_]);
        } else if (n == 2) {
            int16_t x;
            std::memcpy(&x, bytes_.data() + pos_, 2);
            v = x;
        } else if (n == 4) {
            int32_t x;
            std::memcpy(&x, bytes_.data() + pos_, 4);
            v = x;
        } else {
            std::memcpy(&v, bytes_.data() + pos_, 8);
        }
        pos_ += n;
        return v;
    };
    switch (t) {
    case vaInt8:
        return get(1);
    case vaInt16:
        return get(2);
    case vaInt32:
        return get(4);
    case vaInt64:
        return get(8);
    default:
        throw Exception("Invalid property value");
    }
}

AnsiString TfrxBinaryReader::ReadValueText() {
    uint8_t t = PeekType();
    switch (t) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
        return std::to_string(ReadInteger());
    default:
        break;
    }
    ++pos_;
    switch (t) {
    case vaNull:
    case vaNil:
        return "";
    case vaFalse:
        return "False";
    case vaTrue:
        return "True";
    case vaExtended: {
        Need(10);
        uint64_t mantissa;
        uint16_t se;
        std::memcpy(&mantissa, bytes_.data() + pos_, 8);
        std::memcpy(&se, bytes_.data() + pos_ + 8, 2);
        pos_ += 10;
        int e = se & 0x7FFF;
        double v = mantissa == 0 && e == 0
                       ? 0.0
                       : std::ldexp(static_cast<double>(mantissa), e - 16383 - 63);
        return FloatToTemplateText(se & 0x8000 ? -v : v);
    }
    case vaSingle:
        return FloatToTemplateText(ReadPlain<float>());
    case vaDate:
        return FloatToTemplateText(ReadPlain<double>());
    case vaCurrency:
        return FloatToTemplateText(static_cast<double>(ReadPlain<int64_t>()) / 10000.0);
    case vaString:
    case vaIdent: {
        Need(1);
        size_t n = static_cast<unsigned char>(bytes_[pos_++]);
        return ReadBytes(n);
    }
    case vaLString:
        return ReadBytes(ReadU32());
    case vaUTF8String:
        return Utf8ToAnsi(ReadBytes(ReadU32()));
    case vaWString: {
        size_t units = ReadU32();
        if (units > bytes_.size())
            throw Exception("Stream read error");
        AnsiString raw = ReadBytes(units * 2);
        WideString w(units, u'\0');
        std::memcpy(w.data(), raw.data(), units * 2);
        return WideToAnsi(w);
    }
    case vaBinary:
        ReadBytes(ReadU32());
        return "";
    case vaSet: {
        AnsiString out;
        for (;;) {
            AnsiString member = ReadName();
            if (member.empty())
                break;
            if (!out.empty())
                out += ',';
            out += member;
        }
        return out;
    }
    case vaList:
        while (!EndOfList())
            ReadValueText();
        return "";
    case vaCollection:
        while (!EndOfList()) {
            uint8_t p = PeekType();
            if (p == vaInt8 || p == vaInt16 || p == vaInt32)
                ReadInteger();
            if (ReadType() != vaList)
                throw Exception("Stream read error");
            while (!EndOfList()) {
                ReadName();
                ReadValueText();
            }
        }
        return "";
    default:
        throw Exception("Stream read error");
    }
}

std::string TfrxBinaryReader::ReadBinary() {
    if (ReadType() != vaBinary)
        throw Exception("Invalid property value");
    return ReadBytes(ReadU32());
}

void TfrxBinaryReader::SkipValue() {
    ReadValueText();
}

std::vector<AnsiString> TfrxBinaryReader::ReadCollection() {
    std::vector<AnsiString> entries;
    uint8_t t = ReadType();
    if (t == vaList) {
        while (!EndOfList()) {
            if (PeekType() == vaList) {
                ++pos_;
                AnsiString entry;
                while (!EndOfList())
                    entry += ReadValueText();
                entries.push_back(std::move(entry));
            } else {
                entries.push_back(ReadValueText());
            }
        }
    } else if (t == vaCollection) {
        // The platform's encoding: per item an optional index, then a list
        // of named properties.
        while (!EndOfList()) {
            uint8_t p = PeekType();
            if (p == vaInt8 || p == vaInt16 || p == vaInt32)
                ReadInteger();
            if (ReadType() != vaList)
                throw Exception("Stream read error");
            AnsiString entry;
            while (!EndOfList()) {
                AnsiString name = ReadName();
                AnsiString value = ReadValueText();
                AddAttr(entry, "", name, EscapeText(value));
            }
            entries.push_back(std::move(entry));
        }
    } else {
        throw Exception("Stream read error");
    }
    return entries;
}

// ---------------------------------------------------------------- serializer

TfrxReport* TfrxXMLSerializer::Report() const {
    return dynamic_cast<TfrxReport*>(Owner);
}

AnsiString TfrxXMLSerializer::FullName(const TfrxComponent& c) const {
    // The report, its tree and the host's data sources are all written by
    // their plain names.
    return c.Name();
}

namespace {
void AddAttr(AnsiString& out, const AnsiString& prefix, const AnsiString& name,
             const AnsiString& value) {
    out += ' ';
    out += prefix;
    out += name;
    out += "=\"";
    out += value;
    out += '"';
}

AnsiString MemoTemplateText(const TfrxComponent& c) {
    WideString text = c.MemoText();
    if (text.size() > 1 && text.compare(text.size() - 2, 2, u"\r\n") == 0)
        text.resize(text.size() - 2);
    return EscapeText(WideToUtf8(text));
}

class BeingWrittenScope {
public:
    explicit BeingWrittenScope(const TfrxComponent* c) : c_(const_cast<TfrxComponent*>(c)) {
        if (c_)
            c_->BeingWritten = true;
    }
    ~BeingWrittenScope() {
        if (c_)
            c_->BeingWritten = false;
    }
    BeingWrittenScope(const BeingWrittenScope&) = delete;
    BeingWrittenScope& operator=(const BeingWrittenScope&) = delete;

private:
    TfrxComponent* c_;
};
} // namespace

AnsiString TfrxXMLSerializer::AttributesOf(const TPersistent* obj, const AnsiString& prefix,
                                           const TPersistent* ancestor) {
    AnsiString out;
    if (!obj)
        return out;
    const auto* comp = dynamic_cast<const TfrxComponent*>(obj);
    BeingWrittenScope scope(comp);
    if (comp && !ancestor && OnGetAncestor) {
        if (dynamic_cast<const TfrxReport*>(comp))
            ancestor = OnGetAncestor("");
        else if (!comp->Name().empty())
            ancestor = OnGetAncestor(comp->Name());
    }
    if (ancestor && &ancestor->ClassType() != &obj->ClassType() &&
        !obj->ClassType().InheritsFrom(ancestor->ClassType()))
        ancestor = nullptr;

    for (const PropInfo* p : obj->ClassType().Properties()) {
        if (!p->IsStored(*obj))
            continue;
        switch (p->Kind) {
        case PropKind::Integer:
        case PropKind::Set:
        case PropKind::Enumeration:
        case PropKind::Boolean: {
            Variant value = p->Get(*obj);
            int64_t v = p->Kind == PropKind::Boolean ? (value.ToBool() ? 1 : 0) : value.ToInt64();
            if (!WriteDefaults) {
                Variant other = ancestor ? p->Get(*ancestor) : Variant();
                int64_t a = !ancestor                      ? 0
                            : p->Kind == PropKind::Boolean ? (other.ToBool() ? 1 : 0)
                                                           : other.ToInt64();
                if (ancestor ? v == a : (p->Default && v == *p->Default))
                    break;
            }
            if (p->Kind == PropKind::Boolean)
                AddAttr(out, prefix, p->Name, v ? "True" : "False");
            else if (p->Kind == PropKind::Enumeration)
                AddAttr(out, prefix, p->Name, p->NameOf(v));
            else
                AddAttr(out, prefix, p->Name, std::to_string(v));
            break;
        }
        case PropKind::Float: {
            double v = p->Get(*obj).ToDouble();
            if (!WriteDefaults && ancestor && std::fabs(v - p->Get(*ancestor).ToDouble()) < 1e-6)
                break;
            AddAttr(out, prefix, p->Name, FloatToTemplateText(v));
            break;
        }
        case PropKind::String:
        case PropKind::Event: {
            AnsiString v = VarToStr(p->Get(*obj));
            if (!WriteDefaults && (ancestor ? v == VarToStr(p->Get(*ancestor)) : v.empty()))
                break;
            AddAttr(out, prefix, p->Name, EscapeText(v));
            break;
        }
        case PropKind::Variant: {
            Variant v = p->Get(*obj);
            if (!WriteDefaults && ancestor && VarToStr(v) == VarToStr(p->Get(*ancestor)))
                break;
            AddAttr(out, prefix, p->Name, EscapeText(VarToStr(v)));
            break;
        }
        case PropKind::Component: {
            auto* target = dynamic_cast<TfrxComponent*>(p->Get(*obj).ToObject());
            auto* ancTarget =
                ancestor ? dynamic_cast<TfrxComponent*>(p->Get(*ancestor).ToObject()) : nullptr;
            if (ancestor) {
                if (!target && ancTarget) {
                    AddAttr(out, prefix, p->Name, "nil");
                    break;
                }
                if (target && ancTarget && SameTextAscii(target->Name(), ancTarget->Name()))
                    break;
            }
            if (!target)
                break;
            AnsiString name = FullName(*target);
            if (!name.empty())
                AddAttr(out, prefix, p->Name, name);
            break;
        }
        case PropKind::SubObject: {
            auto* sub = dynamic_cast<TPersistent*>(p->Get(*obj).ToObject());
            auto* ancSub =
                ancestor ? dynamic_cast<TPersistent*>(p->Get(*ancestor).ToObject()) : nullptr;
            out += AttributesOf(sub, prefix + p->Name + ".", ancSub);
            break;
        }
        case PropKind::StringList: {
            AnsiString v = VarToStr(p->Get(*obj));
            if (ancestor && v == VarToStr(p->Get(*ancestor)))
                break;
            AddAttr(out, prefix, p->Name + ".Text", EscapeText(v));
            break;
        }
        case PropKind::WideStringList:
            break;
        }
    }

    if (comp && comp->HasMemoText()) {
        AnsiString text = MemoTemplateText(*comp);
        auto* ancComp = dynamic_cast<const TfrxComponent*>(ancestor);
        if (!(ancComp && ancComp->HasMemoText() && MemoTemplateText(*ancComp) == text))
            AddAttr(out, "", "Text", text);
    }

    TfrxBinaryWriter writer;
    writer.Root = Report();
    obj->DefineBinaryProperties(writer);
    if (!writer.Bytes().empty()) {
        bool same = false;
        if (ancestor) {
            TfrxBinaryWriter other;
            other.Root = Report();
            ancestor->DefineBinaryProperties(other);
            same = other.Bytes() == writer.Bytes();
        }
        if (!same)
            AddAttr(out, prefix, "PropData", HexOf(writer.Bytes()));
    }
    return out;
}

void TfrxXMLSerializer::ApplyAttributes(std::string_view text, TPersistent& obj) {
    size_t i = 0;
    const size_t n = text.size();
    for (;;) {
        while (i < n && static_cast<unsigned char>(text[i]) <= ' ')
            ++i;
        size_t eq = text.find('=', i);
        if (eq == std::string_view::npos)
            break;
        size_t end = eq;
        while (end > i && static_cast<unsigned char>(text[end - 1]) <= ' ')
            --end;
        std::string_view name = text.substr(i, end - i);
        if (name.empty())
            break;
        size_t open = text.find('"', eq + 1);
        if (open == std::string_view::npos)
            break;
        size_t close = text.find('"', open + 1);
        if (close == std::string_view::npos)
            close = n;
        std::string_view value = text.substr(open + 1, close - open - 1);
        try {
            ApplyOne(name, value, obj);
        } catch (const Exception& e) {
            Errors.insert(e.Message());
        } catch (const std::exception& e) {
            Errors.insert(e.what());
        }
        i = close + 1;
        if (i >= n)
            break;
    }
}

void TfrxXMLSerializer::ApplyOne(std::string_view name, std::string_view value, TPersistent& obj) {
    TPersistent* target = &obj;
    bool topLevel = true;
    while (true) {
        size_t dot = name.find('.');
        if (dot == std::string_view::npos)
            break;
        std::string_view part = name.substr(0, dot);
        std::string_view rest = name.substr(dot + 1);
        const PropInfo* p = target->ClassType().FindProperty(part);
        if (!p)
            return;
        if (p->Kind == PropKind::StringList && SameTextAscii(rest, "Text")) {
            if (p->Set)
                p->Set(*target, Variant(UnescapeText(value)));
            return;
        }
        if (p->Kind != PropKind::SubObject)
            return;
        target = dynamic_cast<TPersistent*>(p->Get(*target).ToObject());
        if (!target)
            return;
        name = rest;
        topLevel = false;
    }
    auto* comp = dynamic_cast<TfrxComponent*>(target);
    if (name.size() == 1 && std::islower(static_cast<unsigned char>(name[0]))) {
        char letter = name[0];
        bool special = std::strchr("ltwhux", letter) != nullptr;
        if (special) {
            if (!comp)
                return;
            switch (letter) {
            case 'l':
                comp->SetLeft(TemplateTextToFloat(value));
                return;
            case 't':
                comp->SetTop(TemplateTextToFloat(value));
                return;
            case 'w':
                comp->SetWidth(TemplateTextToFloat(value));
                return;
            case 'h':
                comp->SetHeight(TemplateTextToFloat(value));
                return;
            case 'u':
                if (comp->HasMemoText())
                    comp->SetMemoText(Utf8ToWide(UnescapeText(value)));
                return;
            default:
                if (comp->HasMemoText())
                    comp->SetMemoText(AnsiToWide(UnescapeText(value)));
                return;
            }
        }
    }
    if (name == "Text" && comp && comp->HasMemoText()) {
        comp->SetMemoText(Utf8ToWide(UnescapeText(value)));
        return;
    }
    if (name == "PropData") {
        TfrxBinaryReader reader(BytesOfHex(value));
        reader.Serializer = this;
        try {
            while (!reader.AtEnd()) {
                AnsiString prop = reader.ReadName();
                if (prop.empty())
                    break;
                if (!target->ReadBinaryProperty(prop, reader))
                    reader.SkipValue();
            }
        } catch (...) {
            // Broken binary data ends the reading of this attribute only.
        }
        return;
    }
    if (topLevel && name == "Name" && dynamic_cast<TfrxReport*>(target))
        return;
    const PropInfo* p = target->ClassType().FindProperty(name);
    if (!p || !p->Set)
        return;
    switch (p->Kind) {
    case PropKind::Integer:
    case PropKind::Set: {
        auto v = TryStrToInt64(value);
        if (!v)
            throw EConvertError(Format("'%s' is not a valid integer value", {value}));
        p->Set(*target, Variant(*v));
        return;
    }
    case PropKind::Enumeration:
    case PropKind::Boolean: {
        if (auto v = TryStrToInt64(value)) {
            p->Set(*target, p->Kind == PropKind::Boolean ? Variant(*v != 0) : Variant(*v));
            return;
        }
        if (auto v = p->ValueOf(value))
            p->Set(*target, p->Kind == PropKind::Boolean ? Variant(*v != 0) : Variant(*v));
        return;
    }
    case PropKind::Float:
        p->Set(*target, Variant(TemplateTextToFloat(value)));
        return;
    case PropKind::String:
    case PropKind::Event:
    case PropKind::StringList:
        p->Set(*target, Variant(UnescapeText(value)));
        return;
    case PropKind::Variant:
        p->Set(*target, Variant(UnescapeText(value)));
        return;
    case PropKind::Component: {
        AnsiString ref = UnescapeText(value);
        if (ref == "nil" || ref.empty()) {
            p->Set(*target, Variant(static_cast<Object*>(nullptr)));
            return;
        }
        Fixups.push_back({target, p, std::move(ref)});
        return;
    }
    case PropKind::SubObject:
    case PropKind::WideStringList:
        return;
    }
}

void TfrxXMLSerializer::ResolveReferences() {
    TfrxReport* report = Report();
    for (const Fixup& f : Fixups) {
        TfrxComponent* found = nullptr;
        if (report && report->NameIndex) {
            auto it = report->NameIndex->find(UpperAsciiName(f.Value));
            if (it != report->NameIndex->end())
                found = it->second;
        } else if (Owner) {
            found = Owner->FindObject(f.Value);
        }
        if (!found && report && f.Value.find('.') == AnsiString::npos)
            found = report->FindHostComponent(f.Value.substr(0, 255));
        if (!found)
            continue;
        if (!f.Prop->RefClassName.empty() && !found->ClassType().InheritsFrom(f.Prop->RefClassName))
            continue;
        // A refused reference (a circular child chain) becomes an entry of
        // the error list and stays unset; the rest of the template still loads.
        try {
            f.Prop->Set(*f.Object, Variant(static_cast<Object*>(found)));
        } catch (const Exception& e) {
            if (report)
                report->AddError(e.Message());
        }
    }
    Fixups.clear();
}

void TfrxXMLSerializer::ReadElement(TfrxXMLItem& item, TfrxComponent& root, TfrxComponent* parent,
                                    bool first, std::vector<TfrxComponent*>& read) {
    bool inherited = SameTextAscii(item.Name, "inherited");
    const RegisteredClass* cls = nullptr;
    if (!inherited) {
        cls = FindComponentClass(item.Name);
        if (!cls) {
            Errors.insert(frxGet("xrCantFindClass") + " " + item.Name);
            return;
        }
    }
    TfrxComponent* target = nullptr;
    if (first) {
        target = &root;
    } else {
        AnsiString name = item.Attribute("Name");
        TfrxReport* report = Report();
        if (!name.empty()) {
            if (report && report->NameIndex) {
                auto it = report->NameIndex->find(UpperAsciiName(name));
                if (it != report->NameIndex->end())
                    target = it->second;
            } else if (Owner) {
                target = Owner->FindObject(name);
            }
        }
        if (!target) {
            if (inherited || !parent)
                return;
            target = parent->Adopt(cls->Create());
        }
    }
    target->BeingLoaded = true;
    ApplyAttributes(item.Text, *target);
    read.push_back(target);
    for (int i = 0; i < item.Count(); ++i)
        ReadElement(*item.Items(i), root, target, false, read);
}

void TfrxXMLSerializer::ReadTree(TfrxComponent& root, TfrxXMLItem* item) {
    if (!Owner)
        Owner = &root;
    std::unique_ptr<TfrxXMLDocument> doc;
    if (!item) {
        doc = std::make_unique<TfrxXMLDocument>();
        doc->LoadFromStream(*stream_);
        item = &doc->Root();
    }
    TfrxReport* report = Report();
    std::unordered_map<AnsiString, TfrxComponent*> index;
    std::unordered_map<AnsiString, TfrxComponent*>* savedIndex = nullptr;
    if (report) {
        for (TfrxComponent* c : report->AllObjects())
            if (!c->Name().empty())
                index.emplace(UpperAsciiName(c->Name()), c);
        savedIndex = report->NameIndex;
        report->NameIndex = &index;
    }
    std::vector<TfrxComponent*> read;
    try {
        ReadElement(*item, root, nullptr, true, read);
        ResolveReferences();
    } catch (...) {
        if (report)
            report->NameIndex = savedIndex;
        for (TfrxComponent* c : read)
            c->BeingLoaded = false;
        throw;
    }
    if (report)
        report->NameIndex = savedIndex;
    for (TfrxComponent* c : read) {
        c->BeingLoaded = false;
        if (!dynamic_cast<TfrxReport*>(c))
            c->Loaded();
    }
}

void TfrxXMLSerializer::WriteComponent(TfrxComponent& c, TfrxXMLItem& item, bool isRoot,
                                       bool saveChildren) {
    item.Name = c.FromParentTemplate ? AnsiString("inherited") : c.ClassName();
    item.Text = isRoot ? AttributesOf(&c, "", nullptr)
                       : AnsiString("Name=\"").append(c.Name()).append("\"") +
                             AttributesOf(&c, "", nullptr);
    if (!saveChildren)
        return;
    for (TfrxComponent* child : c.Objects())
        WriteComponent(*child, *item.Add(), false, true);
}

void TfrxXMLSerializer::WriteTree(TfrxComponent& root, bool saveChildren, TfrxXMLItem* item) {
    if (!Owner)
        Owner = &root;
    std::unique_ptr<TfrxXMLDocument> doc;
    if (!item) {
        doc = std::make_unique<TfrxXMLDocument>();
        doc->Indented = true;
        item = &doc->Root();
    }
    WriteComponent(root, *item, true, saveChildren);
    if (doc && stream_)
        doc->SaveToStream(*stream_);
}

std::unique_ptr<TfrxComponent> TfrxXMLSerializer::CreateFromTextOwned(TfrxComponent* owner,
                                                                      std::string_view text,
                                                                      bool keepUnresolved) {
    Owner = owner;
    text = TrimBlanks(text);
    if (text.empty())
        return nullptr;
    size_t blank = text.find(' ');
    std::string_view className = text.substr(0, blank);
    std::string_view attributes =
        blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    const RegisteredClass* cls = FindComponentClass(className);
    if (!cls)
        throw Exception(Format("Class %s not found", {className}));
    std::unique_ptr<TfrxComponent> object = cls->Create();
    object->BeingLoaded = true;
    ApplyAttributes(attributes, *object);
    if (keepUnresolved)
        Fixups.clear();
    else
        ResolveReferences();
    object->BeingLoaded = false;
    if (!dynamic_cast<TfrxReport*>(object.get()))
        object->Loaded();
    return object;
}

TfrxComponent* TfrxXMLSerializer::CreateFromText(TfrxComponent* owner, std::string_view text,
                                                 bool keepUnresolved) {
    Owner = owner;
    text = TrimBlanks(text);
    if (text.empty())
        return nullptr;
    size_t blank = text.find(' ');
    std::string_view className = text.substr(0, blank);
    std::string_view attributes =
        blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    const RegisteredClass* cls = FindComponentClass(className);
    if (!cls)
        throw Exception(Format("Class %s not found", {className}));
    if (!owner)
        throw Exception("CreateFromText needs an owner; use CreateFromTextOwned");
    TfrxComponent* object = owner->Adopt(cls->Create());
    object->BeingLoaded = true;
    ApplyAttributes(attributes, *object);
    if (keepUnresolved)
        Fixups.clear();
    else
        ResolveReferences();
    object->BeingLoaded = false;
    if (!dynamic_cast<TfrxReport*>(object))
        object->Loaded();
    return object;
}

AnsiString TfrxXMLSerializer::TextOf(const TfrxComponent& obj) {
    return obj.ClassName() + AttributesOf(&obj, "", nullptr);
}

void TfrxXMLSerializer::WriteElement(const TfrxComponent& obj) {
    if (stream_)
        stream_->WriteText(AnsiString("<").append(TextOf(obj)).append("/>"));
}

void TfrxXMLSerializer::ApplyAttributesResolved(TPersistent& obj, std::string_view text) {
    ApplyAttributes(text, obj);
    ResolveReferences();
}

} // namespace kanvo
