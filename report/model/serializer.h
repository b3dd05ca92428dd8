// The template serializer: component trees to XML elements and back, the
// attribute codec of prepared pages, and the binary "PropData" streams.
//
// A serializer is made for one operation and freed afterwards. It borrows
// its stream, its owner (the report) and the objects it fills.
#pragma once

#include <cstring>

#include "report/model/component.h"
#include "report/model/xml.h"

#include <functional>
#include <set>

namespace kanvo {

class TfrxReport;
class TfrxXMLSerializer;

// The binary component stream subset of "PropData" attributes.
enum TfrxValueType : uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
};

class TfrxBinaryWriter {
public:
    void WriteName(std::string_view name); // a property name: length byte + characters
    void WriteByte(uint8_t b) { bytes_ += static_cast<char>(b); }
    void WriteInteger(int64_t v);          // the smallest of int8/int16/int32/int64
    void WriteLString(std::string_view s); // type 12
    void WriteBinary(std::string_view s);  // type 10
    void WriteListBegin() { WriteByte(vaList); }
    void WriteListEnd() { WriteByte(vaNull); }
    const std::string& Bytes() const { return bytes_; }
    // The report whose collections are written (the serializer's owner).
    TfrxReport* Root = nullptr;

private:
    void WriteRaw(const void* p, size_t n) { bytes_.append(static_cast<const char*>(p), n); }
    std::string bytes_;
};

// Reads values; every read raises Exception on broken data, which ends the
// reading of that attribute.
class TfrxBinaryReader {
public:
    explicit TfrxBinaryReader(std::string bytes) : bytes_(std::move(bytes)) {}
    bool AtEnd() const { return pos_ >= bytes_.size(); }
    AnsiString ReadName();
    uint8_t PeekType() const;
    uint8_t ReadType();
    // One value of any type as text (numbers decimal, floats general format,
    // identifiers and strings as they are, booleans True/False).
    AnsiString ReadValueText();
    int64_t ReadInteger();
    // A binary value (type 10): 32-bit length, then the bytes.
    std::string ReadBinary();
    void SkipValue();
    bool EndOfList(); // consumes the list-end marker when it comes
    // Collection entries as attribute texts: the report's own form (lists of
    // long strings) or the platform's collection encoding (type 14).
    std::vector<AnsiString> ReadCollection();
    TfrxXMLSerializer* Serializer = nullptr;

private:
    void Need(size_t n) const;
    AnsiString ReadBytes(size_t n);
    uint32_t ReadU32();
    // The next sizeof(T) bytes as a little-endian value of T.
    template <typename T>
    T ReadPlain() {
        Need(sizeof(T));
        T value;
        std::memcpy(&value, bytes_.data() + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }
    std::string bytes_;
    size_t pos_ = 0;
};

class TfrxXMLSerializer {
public:
    // The stream may be null for attribute work (prepared pages, Assign).
    explicit TfrxXMLSerializer(TStream* stream = nullptr) : stream_(stream) {}

    TfrxComponent* Owner = nullptr;
    bool WriteDefaults = false;
    std::function<TfrxComponent*(const AnsiString& name)> OnGetAncestor;

    AnsiString AttributesOf(const TPersistent* obj, const AnsiString& prefix,
                            const TPersistent* ancestor);
    void ApplyAttributes(std::string_view text, TPersistent& obj);
    void ReadTree(TfrxComponent& root, TfrxXMLItem* item = nullptr);
    void WriteTree(TfrxComponent& root, bool saveChildren = true, TfrxXMLItem* item = nullptr);
    std::unique_ptr<TfrxComponent> CreateFromTextOwned(TfrxComponent* owner, std::string_view text,
                                                       bool keepUnresolved = false);
    TfrxComponent* CreateFromText(TfrxComponent* owner, std::string_view text,
                                  bool keepUnresolved = false);
    AnsiString TextOf(const TfrxComponent& obj);
    void WriteElement(const TfrxComponent& obj);
    void ApplyAttributesResolved(TPersistent& obj, std::string_view text);
    void ResolveReferences();

    // Sorted, never the same text twice.
    std::set<AnsiString> Errors;
    struct Fixup {
        TPersistent* Object;
        const PropInfo* Prop;
        AnsiString Value;
    };
    std::vector<Fixup> Fixups;

private:
    void ApplyOne(std::string_view name, std::string_view value, TPersistent& obj);
    void ReadElement(TfrxXMLItem& item, TfrxComponent& root, TfrxComponent* parent, bool first,
                     std::vector<TfrxComponent*>& read);
    void WriteComponent(TfrxComponent& c, TfrxXMLItem& item, bool isRoot, bool saveChildren);
    AnsiString FullName(const TfrxComponent& c) const;
    TfrxReport* Report() const;

    TStream* stream_;
};

// Text of a float in templates: the general format with the process
// locale's separator; reading takes "." or "," and ignores blanks.
AnsiString FloatToTemplateText(double value);
double TemplateTextToFloat(std::string_view text); // raises EConvertError
AnsiString HexOf(std::string_view bytes);
std::string BytesOfHex(std::string_view hex); // an odd last digit is ignored

// Memo text in templates: lines joined by CR LF, one final break removed.
AnsiString JoinLines(const std::vector<AnsiString>& lines);
// Splits at CR LF, lone CR, lone LF; a break at the very end adds no line.
std::vector<AnsiString> SplitLines(std::string_view text);
std::vector<WideString> SplitWideLines(std::u16string_view text); // also U+2028

} // namespace kanvo
