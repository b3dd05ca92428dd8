#include "pdf/pdf_file.h"

#include "pdf/rc4.h"
#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/files.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <random>
#include <unistd.h>

namespace kanvo {
namespace {

constexpr unsigned char kPadding[32] = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E, 0x56, 0xFF, 0xFA, 0x01, 0x08,
    0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68, 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

std::string PadPassword(const std::string& password) {
    std::string padded = password.substr(0, 32);
    padded.append(reinterpret_cast<const char*>(kPadding), 32 - padded.size());
    return padded;
}

std::string DigestBytes(const Md5Digest& digest) {
    return std::string(reinterpret_cast<const char*>(digest.data()), digest.size());
}

std::string XorKey(const std::string& key, int value) {
    std::string out = key;
    for (char& c : out)
        c = static_cast<char>(static_cast<unsigned char>(c) ^ value);
    return out;
}

std::string HexBytes(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16));
    return out;
}

std::string OffsetText(int64_t offset) {
    std::string digits = std::to_string(offset);
    if (digits.size() < 10)
        digits.insert(0, 10 - digits.size(), '0');
    return digits;
}

} // namespace

std::string Deflate(const std::string& data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                       reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                       level);
    if (rc != Z_OK)
        throw Exception(Format("Compression error %d", {rc}));
    out.resize(size);
    return out;
}

std::string FormatNumber(double value) {
    // Integer arithmetic keeps the locale out of it.
    long long hundredths = std::llround(value * 100.0);
    bool negative = hundredths < 0;
    unsigned long long magnitude = negative ? static_cast<unsigned long long>(-hundredths)
                                            : static_cast<unsigned long long>(hundredths);
    std::string text = std::to_string(magnitude / 100) + ".";
    unsigned long long cents = magnitude % 100;
    text += static_cast<char>('0' + cents / 10);
    text += static_cast<char>('0' + cents % 10);
    return negative ? "-" + text : text;
}

std::string EscapeLiteral(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '(':
            out += "\\(";
            break;
        case ')':
            out += "\\)";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string NewGuidText() {
    static std::random_device device;
    static std::mt19937_64 engine(device() ^ (uint64_t{device()} << 32));
    uint8_t b[16];
    for (int i = 0; i < 16; i += 8) {
        uint64_t r = engine();
        for (int j = 0; j < 8; ++j)
            b[i + j] = static_cast<uint8_t>(r >> (8 * j));
    }
    b[6] = static_cast<uint8_t>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<uint8_t>((b[8] & 0x3F) | 0x80);
    static const char kHex[] = "0123456789ABCDEF";
    std::string text = "{";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += kHex[b[i] >> 4];
        text += kHex[b[i] & 15];
    }
    return text + "}";
}

std::vector<int> ParsePageRange(const AnsiString& range, int total) {
    std::vector<int> pages;
    size_t pos = 0;
    while (pos <= range.size()) {
        size_t comma = range.find(',', pos);
        std::string item =
            range.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        item.erase(std::remove(item.begin(), item.end(), ' '), item.end());
        if (!item.empty()) {
            size_t dash = item.find('-');
            int first = std::atoi(item.substr(0, dash).c_str());
            int last = dash == std::string::npos ? first
                       : dash + 1 == item.size() ? total
                                                 : std::atoi(item.substr(dash + 1).c_str());
            if (dash == 0)
                first = 1;
            for (int p = std::max(first, 1); p <= std::min(last, total); ++p)
                pages.push_back(p);
        }
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    return pages;
}

// --- page cache ---

PdfPageCache::PdfPageCache(bool useFile, const AnsiString& folder) {
    if (!useFile)
        return;
    AnsiString dir = folder.empty() ? TempFolder() : folder;
    if (dir.back() != kPathDelim)
        dir += kPathDelim;
    std::string pattern = NativePath(dir) + "frXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0)
        throw EFileError(Format("Cannot create file \"%s\". %s",
                                {FromNativePath(name.data()), SystemErrorMessage(errno)}));
    file_ = fdopen(fd, "w+b");
    fileName_ = FromNativePath(name.data());
    if (file_ == nullptr) {
        int error = errno;
        close(fd);
        DeleteFile(fileName_);
        throw EFileError(
            Format("Cannot create file \"%s\". %s", {fileName_, SystemErrorMessage(error)}));
    }
}

PdfPageCache::~PdfPageCache() {
    if (file_ != nullptr) {
        std::fclose(file_);
        DeleteFile(fileName_);
    }
}

void PdfPageCache::Write(std::string_view bytes) {
    if (file_ == nullptr) {
        memory_.append(bytes);
    } else {
        if (fseeko(file_, 0, SEEK_END) != 0 ||
            std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
            throw EFileError(Format("Unable to write to %s", {fileName_}));
    }
    size_ += static_cast<int64_t>(bytes.size());
}

std::string PdfPageCache::Read(int64_t position, int64_t length) {
    if (position < 0 || length < 0 || position + length > size_)
        throw Exception("Page cache read out of bounds");
    if (file_ == nullptr)
        return memory_.substr(static_cast<size_t>(position), static_cast<size_t>(length));
    std::string out(static_cast<size_t>(length), '\0');
    if (fseeko(file_, position, SEEK_SET) != 0 ||
        std::fread(out.data(), 1, out.size(), file_) != out.size())
        throw EFileError(Format("Unable to read %s", {fileName_}));
    return out;
}

// --- elements ---

void TfrxPDFElement::SaveToStream(std::ostream& stream) {
    Offset = static_cast<int64_t>(stream.tellp());
}

TfrxPDFOutlineNode::~TfrxPDFOutlineNode() {
    // Siblings are freed iteratively so a long list cannot exhaust the stack.
    delete First;
    TfrxPDFOutlineNode* next = Next;
    while (next != nullptr) {
        TfrxPDFOutlineNode* after = next->Next;
        next->Next = nullptr;
        delete next;
        next = after;
    }
}

TfrxPDFPage::TfrxPDFPage(TfrxPDFFile& parent, const IPdfExportPage& page) : parent_(parent) {
    Width = page.Width() * 0.75;
    Height = page.Height() * 0.75;
    MarginLeft = page.LeftMargin() * 0.05;
    MarginTop = page.TopMargin() * 0.05;
}

void TfrxPDFPage::Write(std::string_view text) {
    parent_.Cache().Write(text);
}

void TfrxPDFPage::WriteLine(std::string_view text) {
    std::string line(text);
    line += "\r\n";
    parent_.Cache().Write(line);
}

void TfrxPDFPage::SaveToStream(std::ostream& s) {
    TfrxPDFElement::SaveToStream(s);
}

// --- file ---

TfrxPDFFile::TfrxPDFFile(bool useFileCache, const AnsiString& tempDir)
    : cache_(std::make_unique<PdfPageCache>(useFileCache, tempDir)) {
    SetProtectionFlags(kAllPdfEncBits);
}

TfrxPDFFile::~TfrxPDFFile() = default;

TfrxPDFPage& TfrxPDFFile::AddPage(const IPdfExportPage& page) {
    auto created = std::make_unique<TfrxPDFPage>(*this, page);
    created->StreamOffset = cache_->Size();
    if (!pages_.empty())
        pages_.back()->StreamSize = cache_->Size() - pages_.back()->StreamOffset;
    pages_.push_back(std::move(created));
    pages_.back()->Index = static_cast<int>(pages_.size());
    fontObjectCounter_ = 2;
    return *pages_.back();
}

int TfrxPDFFile::FontIndex(const PdfFontSpec& font) {
    for (size_t i = 0; i < fonts_.size(); ++i) {
        const PdfFontSpec& f = fonts_[i]->Font;
        if (f.Name == font.Name && f.Style == font.Style && f.Charset == font.Charset)
            return static_cast<int>(i);
    }
    fonts_.push_back(std::make_unique<TfrxPDFFont>(*this, font));
    fonts_.back()->Index = static_cast<int>(fonts_.size());
    return static_cast<int>(fonts_.size()) - 1;
}

void TfrxPDFFile::SetProtectionFlags(TfrxPDFEncBits flags) {
    protectionFlags_ = flags;
    PValue = -64 + ((flags & ePrint) ? 4 : 0) + ((flags & eModify) ? 8 : 0) +
             ((flags & eCopy) ? 16 : 0) + ((flags & eAnnot) ? 32 : 0);
}

void TfrxPDFFile::PrepareSecurity() {
    FileID = MD5String(FixedGuid ? *FixedGuid : NewGuidText());
    Protection = !OwnerPassword.empty() || !UserPassword.empty();
    if (!Protection)
        return;
    if (OwnerPassword.empty())
        OwnerPassword = UserPassword;
    std::string id = HexBytes(FileID);
    std::string paddedUser = PadPassword(UserPassword);
    // O value
    std::string key = DigestBytes(MD5Buffer(PadPassword(OwnerPassword)));
    for (int i = 0; i < 50; ++i)
        key = DigestBytes(MD5Buffer(key));
    std::string o = RC4Crypt(key, paddedUser);
    for (int i = 1; i <= 19; ++i)
        o = RC4Crypt(XorKey(key, i), o);
    OValue = o;
    // document key
    std::string p(4, '\0');
    for (int i = 0; i < 4; ++i)
        p[static_cast<size_t>(i)] = static_cast<char>(static_cast<uint32_t>(PValue) >> (8 * i));
    std::string docKey = DigestBytes(MD5Buffer(paddedUser + OValue + p + id));
    for (int i = 0; i < 50; ++i)
        docKey = DigestBytes(MD5Buffer(docKey));
    EncKey = docKey;
    // U value
    std::string u =
        DigestBytes(MD5Buffer(std::string(reinterpret_cast<const char*>(kPadding), 32) + id));
    u = RC4Crypt(EncKey, u);
    for (int i = 1; i <= 19; ++i)
        u = RC4Crypt(XorKey(EncKey, i), u);
    UValue = u + std::string(16, '\0');
}

std::string TfrxPDFFile::ObjectKey(int objectNumber) const {
    std::string data = EncKey;
    data += static_cast<char>(objectNumber & 0xFF);
    data += static_cast<char>((objectNumber >> 8) & 0xFF);
    data += static_cast<char>((objectNumber >> 16) & 0xFF);
    data += std::string(2, '\0');
    return DigestBytes(MD5Buffer(data));
}

std::string TfrxPDFFile::CryptString(const std::string& bytes, int objectNumber) const {
    return RC4Crypt(ObjectKey(objectNumber), bytes);
}

std::string TfrxPDFFile::PDFTextString(const WideString& text, int objectNumber) {
    if (Protection)
        return "(" + EscapeLiteral(CryptString(WideToAnsi(text), objectNumber)) + ")";
    WideString round = AnsiToWide(WideToAnsi(text));
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "<FEFF";
    for (char16_t c : round) {
        out += kHex[(c >> 12) & 15];
        out += kHex[(c >> 8) & 15];
        out += kHex[(c >> 4) & 15];
        out += kHex[c & 15];
    }
    return out + ">";
}

void TfrxPDFFile::AddXRefEntry(std::ostream& stream, int objectNumber) {
    xref_.emplace_back(static_cast<int64_t>(stream.tellp()), objectNumber);
    lastObject_ = objectNumber;
}

void TfrxPDFFile::WriteLine(std::ostream& s, std::string_view text) {
    s.write(text.data(), static_cast<std::streamsize>(text.size()));
    s.write("\r\n", 2);
}

std::string TfrxPDFFile::DateText() const {
    TDateTime now = FixedDate ? *FixedDate : Now();
    return FormatDateTime("yyyymmddhhnnss", now);
}

int TfrxPDFFile::PageObjectForIndex(int pageIndex) const {
    int position = pageIndex;
    if (!PageNumbers.empty()) {
        auto it = std::find(rangePages_.begin(), rangePages_.end(), pageIndex + 1);
        position = it == rangePages_.end() ? -1 : static_cast<int>(it - rangePages_.begin());
    }
    if (position < 0 || position >= static_cast<int>(pages_.size()))
        return -1;
    return position;
}

void TfrxPDFFile::BuildOutline(TfrxPDFOutlineNode& node) {
    IPdfExportOutline& outline = *PreparedOutline;
    for (int i = 0; i < outline.Count(); ++i) {
        WideString text;
        int page = 0, top = 0;
        outline.GetItem(i, text, page, top);
        bool included = PageNumbers.empty() || std::find(rangePages_.begin(), rangePages_.end(),
                                                         page + 1) != rangePages_.end();
        if (!included)
            continue;
        auto* child = new TfrxPDFOutlineNode;
        child->Title = WideToAnsi(text);
        child->Dest = page;
        child->Top = top;
        child->Parent = &node;
        child->Prev = node.Last;
        if (node.Last != nullptr)
            node.Last->Next = child;
        else
            node.First = child;
        node.Last = child;
        outline.LevelDown(i);
        BuildOutline(*child);
        outline.LevelUp();
        node.Count += 1;
        node.CountTree += child->CountTree + 1;
    }
}

void TfrxPDFFile::WriteOutline(std::ostream& s, TfrxPDFOutlineNode& node) {
    for (TfrxPDFOutlineNode* item = &node; item != nullptr; item = item->Next) {
        int n = item->Number;
        AddXRefEntry(s, n);
        WriteLine(s, std::to_string(n) + " 0 obj");
        WriteLine(s, "<<");
        WriteLine(s, "/Title " + PDFTextString(AnsiToWide(item->Title), n));
        WriteLine(s, "/Parent " + std::to_string(item->Parent->Number) + " 0 R");
        if (item->Prev != nullptr)
            WriteLine(s, "/Prev " + std::to_string(item->Prev->Number) + " 0 R");
        if (item->First != nullptr) {
            WriteLine(s, "/First " + std::to_string(n + 1) + " 0 R");
            WriteLine(s, "/Last " + std::to_string(n + item->CountTree - item->Last->CountTree) +
                             " 0 R");
            WriteLine(s, "/Count " + std::to_string(item->Count));
        }
        if (item->Next != nullptr)
            WriteLine(s, "/Next " + std::to_string(n + item->CountTree + 1) + " 0 R");
        int position = PageObjectForIndex(item->Dest);
        if (position >= 0) {
            const TfrxPDFPage& page = *pages_[static_cast<size_t>(position)];
            long y = std::lround(page.Height - item->Top * 0.75);
            WriteLine(s, "/Dest [" + std::to_string(firstPageObject_ + 2 * position) +
                             " 0 R /XYZ 0 " + std::to_string(y) + " 0]");
        }
        WriteLine(s, ">>");
        WriteLine(s, "endobj");
        if (item->First != nullptr)
            WriteOutline(s, *item->First);
    }
}

namespace {
void Number(TfrxPDFOutlineNode* node, int& next) {
    for (; node != nullptr; node = node->Next) {
        node->Number = next++;
        Number(node->First, next);
    }
}
} // namespace

void TfrxPDFFile::SaveToStream(std::ostream& s) {
    TfrxPDFElement::SaveToStream(s);
    rangePages_ = ParsePageRange(PageNumbers, TotalPages);
    if (Outline && PreparedOutline == nullptr)
        Outline = false;
    if (Outline)
        PreparedOutline->LevelRoot();
    WriteLine(s, "%PDF-1.5");
    WriteLine(s, "%\xE2\xE3\xCF\xD3");
    AddXRefEntry(s, 1);
    WriteLine(s, "1 0 obj");
    WriteLine(s, "<<");
    WriteLine(s, "/Type /Catalog");
    if (Outline) {
        outlineRoot_ = std::make_unique<TfrxPDFOutlineNode>();
        outlineRoot_->Number = 3;
        BuildOutline(*outlineRoot_);
        if (outlineRoot_->CountTree == 0) {
            outlineRoot_.reset();
            Outline = false;
        }
    }
    pagesObject_ = Outline ? 4 + outlineRoot_->CountTree : 3;
    WriteLine(s, "/Pages " + std::to_string(pagesObject_) + " 0 R");
    WriteLine(s, Outline ? "/PageMode /UseOutlines" : "/PageMode /UseNone");
    if (Outline)
        WriteLine(s, "/Outlines 3 0 R");
    WriteLine(s, "/ViewerPreferences <<");
    if (!Title.empty())
        WriteLine(s, "/DisplayDocTitle true");
    if (HideToolbar)
        WriteLine(s, "/HideToolbar true");
    if (HideMenubar)
        WriteLine(s, "/HideMenubar true");
    if (HideWindowUI)
        WriteLine(s, "/HideWindowUI true");
    if (FitWindow)
        WriteLine(s, "/FitWindow true");
    if (CenterWindow)
        WriteLine(s, "/CenterWindow true");
    if (!PrintScaling)
        WriteLine(s, "/PrintScaling /None");
    WriteLine(s, ">>");
    WriteLine(s, ">>");
    WriteLine(s, "endobj");

    AddXRefEntry(s, 2);
    WriteLine(s, "2 0 obj");
    WriteLine(s, "<<");
    WriteLine(s, "/Title " + PDFTextString(AnsiToWide(Title), 2));
    WriteLine(s, "/Author " + PDFTextString(AnsiToWide(Author), 2));
    WriteLine(s, "/Subject " + PDFTextString(AnsiToWide(Subject), 2));
    WriteLine(s, "/Keywords " + PDFTextString(Keywords, 2));
    WriteLine(s, "/Creator " + PDFTextString(AnsiToWide(Creator), 2));
    WriteLine(s, "/Producer " + PDFTextString(Producer, 2));
    std::string date = "D:" + DateText();
    if (Protection) {
        std::string encrypted = "(" + EscapeLiteral(CryptString(date, 2)) + ")";
        WriteLine(s, "/CreationDate " + encrypted);
        WriteLine(s, "/ModDate " + encrypted);
    } else {
        WriteLine(s, "/CreationDate (" + date + ")");
        WriteLine(s, "/ModDate (" + date + ")");
    }
    WriteLine(s, ">>");
    WriteLine(s, "endobj");

    if (Outline) {
        int next = 4;
        Number(outlineRoot_->First, next);
        // Pages are numbered after the fonts, so the outline's destinations
        // need the first page's number before anything of it is written.
        int fontObjects = 0;
        for (auto& font : fonts_) {
            font->Prepare();
            fontObjects += font->ObjectCount();
        }
        firstPageObject_ = pagesObject_ + 1 + fontObjects;
        AddXRefEntry(s, 3);
        WriteLine(s, "3 0 obj");
        WriteLine(s, "<<");
        WriteLine(s, "/Count " + std::to_string(outlineRoot_->Count));
        WriteLine(s, "/First 4 0 R");
        WriteLine(s, "/Last " + std::to_string(outlineRoot_->Last->Number) + " 0 R");
        WriteLine(s, ">>");
        WriteLine(s, "endobj");
        WriteOutline(s, *outlineRoot_->First);
    }

    fontBase_ = lastObject_;
    fontObjectCounter_ = 2;
    for (auto& font : fonts_)
        font->SaveToStream(s);
    firstPageObject_ = std::max(lastObject_, pagesObject_) + 1;
    if (!pages_.empty())
        pages_.back()->StreamSize = cache_->Size() - pages_.back()->StreamOffset;
    for (size_t k = 0; k < pages_.size(); ++k) {
        TfrxPDFPage& page = *pages_[k];
        int number = firstPageObject_ + 2 * static_cast<int>(k);
        page.TfrxPDFElement::SaveToStream(s);
        AddXRefEntry(s, number);
        WriteLine(s, std::to_string(number) + " 0 obj");
        WriteLine(s, "<<");
        WriteLine(s, "/Type /Page");
        WriteLine(s, "/Parent " + std::to_string(pagesObject_) + " 0 R");
        WriteLine(s, "/MediaBox [0 0 " + FormatNumber(page.Width) + " " +
                         FormatNumber(page.Height) + " ]");
        WriteLine(s, "/Resources <<");
        WriteLine(s, "/Font <<");
        for (auto& font : fonts_)
            WriteLine(s, "/F" + std::to_string(font->Index - 1) + " " +
                             std::to_string(font->FirstObject) + " 0 R");
        WriteLine(s, ">>");
        WriteLine(s, "/XObject <<");
        WriteLine(s, ">>");
        WriteLine(s, "/ProcSet [/PDF /Text /ImageC ]");
        WriteLine(s, ">>");
        WriteLine(s, "/Contents " + std::to_string(number + 1) + " 0 R");
        WriteLine(s, ">>");
        WriteLine(s, "endobj");
        AddXRefEntry(s, number + 1);
        WriteLine(s, std::to_string(number + 1) + " 0 obj");
        s << "<< ";
        std::string raw = cache_->Read(page.StreamOffset, page.StreamSize);
        std::string data = Compressed ? Deflate(raw, 1) : raw;
        if (Compressed)
            WriteLine(s, "/Filter /FlateDecode /Length " + std::to_string(data.size()) +
                             " /Length1 " + std::to_string(raw.size()) + " >>");
        else
            WriteLine(s, "/Length " + std::to_string(data.size()) + " >>");
        WriteLine(s, "stream");
        if (Protection)
            data = CryptString(data, number + 1);
        s.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (Compressed)
            s.write("\r\n", 2);
        WriteLine(s, "endstream");
        WriteLine(s, "endobj");
    }

    AddXRefEntry(s, pagesObject_);
    WriteLine(s, std::to_string(pagesObject_) + " 0 obj");
    WriteLine(s, "<<");
    WriteLine(s, "/Type /Pages");
    std::string kids = "/Kids [";
    for (size_t k = 0; k < pages_.size(); ++k)
        kids += std::to_string(firstPageObject_ + 2 * static_cast<int>(k)) + " 0 R ";
    WriteLine(s, kids + "]");
    WriteLine(s, "/Count " + std::to_string(pages_.size()));
    WriteLine(s, ">>");
    WriteLine(s, "endobj");

    int64_t xrefPosition = static_cast<int64_t>(s.tellp());
    std::vector<std::pair<int, int64_t>> entries;
    for (const auto& [offset, number] : xref_)
        entries.emplace_back(number, offset);
    std::sort(entries.begin(), entries.end());
    WriteLine(s, "xref");
    WriteLine(s, "0 " + std::to_string(entries.size() + 1));
    WriteLine(s, "0000000000 65535 f");
    for (const auto& [number, offset] : entries)
        WriteLine(s, OffsetText(offset) + " 00000 n");
    WriteLine(s, "trailer");
    WriteLine(s, "<<");
    WriteLine(s, "/Size " + std::to_string(entries.size() + 1));
    WriteLine(s, "/Root 1 0 R");
    WriteLine(s, "/Info 2 0 R");
    WriteLine(s, "/ID [<" + FileID + "><" + FileID + ">]");
    if (Protection) {
        WriteLine(s, "/Encrypt <<");
        WriteLine(s, "/Filter /Standard");
        WriteLine(s, "/V 2");
        WriteLine(s, "/R 3");
        WriteLine(s, "/Length 128");
        WriteLine(s, "/P " + std::to_string(PValue));
        WriteLine(s, "/O (" + EscapeLiteral(OValue) + ")");
        WriteLine(s, "/U (" + EscapeLiteral(UValue) + ")");
        WriteLine(s, ">>");
    }
    WriteLine(s, ">>");
    WriteLine(s, "startxref");
    WriteLine(s, std::to_string(xrefPosition));
    WriteLine(s, "%%EOF");
    if (!s)
        throw EFileError("Unable to write the PDF file");
}

} // namespace kanvo
