#include "report/model/picture.h"

#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "report/model/serializer.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace kanvo {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1A\n", 8};

// Little- and big-endian readers; the caller has checked the bounds.
uint32_t U8(std::string_view b, size_t at) {
    return static_cast<unsigned char>(b[at]);
}
uint32_t U16(std::string_view b, size_t at) {
    return U8(b, at) | U8(b, at + 1) << 8;
}
uint32_t U32(std::string_view b, size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}
int32_t I16(std::string_view b, size_t at) {
    return static_cast<int16_t>(static_cast<uint16_t>(U16(b, at)));
}
int32_t I32(std::string_view b, size_t at) {
    return static_cast<int32_t>(U32(b, at));
}
uint32_t U16BE(std::string_view b, size_t at) {
    return U8(b, at) << 8 | U8(b, at + 1);
}
uint32_t U32BE(std::string_view b, size_t at) {
    return U16BE(b, at) << 16 | U16BE(b, at + 2);
}

std::string CountPrefix(size_t n) {
    uint32_t c = static_cast<uint32_t>(n);
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<size_t>(i)] = static_cast<char>((c >> (8 * i)) & 0xFF);
    return s;
}

bool IsPng(std::string_view b) {
    return b.substr(0, kPngSignature.size()) == kPngSignature;
}
bool IsPlaceableWmf(std::string_view b) {
    return b.size() >= 22 && U32(b, 0) == kPlaceableKey;
}
bool IsEmf(std::string_view b) {
    return b.size() >= 100 && U32(b, 40) == kEmfSignature;
}

// The kind whose signature the bytes start with, in recognition order.
std::optional<TGraphicKind> KindOfContents(std::string_view b) {
    if (b.size() >= 14 && b[0] == 'B' && b[1] == 'M')
        return TGraphicKind::Bitmap;
    if (b.size() >= 2 && U8(b, 0) == 0xFF && U8(b, 1) == 0xD8)
        return TGraphicKind::Jpeg;
    if (IsPlaceableWmf(b))
        return TGraphicKind::Metafile;
    if (IsEmf(b))
        return TGraphicKind::EnhMetafile;
    if (IsPng(b))
        return TGraphicKind::Png;
    if (b.size() >= 6 && U16(b, 2) < 2)
        return TGraphicKind::Icon;
    return std::nullopt;
}

// Whether file bytes are an image of the kind (the recognition rule of that kind).
bool ContentsMatch(TGraphicKind kind, std::string_view b) {
    switch (kind) {
    case TGraphicKind::Metafile:
    case TGraphicKind::EnhMetafile:
        return IsPlaceableWmf(b) || IsEmf(b);
    case TGraphicKind::Png:
        return IsPng(b);
    case TGraphicKind::Icon:
        return b.size() >= 6 && U16(b, 2) < 2;
    case TGraphicKind::Unknown:
        return false;
    default:
        return KindOfContents(b) == kind;
    }
}

const char* ClassNameOf(TGraphicKind kind) {
    switch (kind) {
    case TGraphicKind::Bitmap:
        return "TBitmap";
    case TGraphicKind::Jpeg:
        return "TJPEGImage";
    case TGraphicKind::Metafile:
    case TGraphicKind::EnhMetafile:
        return "TMetafile";
    case TGraphicKind::Icon:
        return "TIcon";
    case TGraphicKind::Png:
        return "TPngImage";
    case TGraphicKind::Unknown:
        break;
    }
    return "";
}

// A size is kept only when both sides are positive and fit an int.
void SetSize(int64_t w, int64_t h, int& width, int& height) {
    if (w > 0 && h > 0 && w <= INT_MAX && h <= INT_MAX) {
        width = static_cast<int>(w);
        height = static_cast<int>(h);
    } else {
        width = height = 0;
    }
}

// (value * mul / div) rounded half away from zero; div > 0.
int64_t MulDivRound(int64_t value, int64_t mul, int64_t div) {
    int64_t p = value * mul;
    return p >= 0 ? (p + div / 2) / div : -((-p + div / 2) / div);
}

void BitmapSize(std::string_view b, int& w, int& h) {
    if (b.size() < 18)
        return;
    uint32_t headerSize = U32(b, 14);
    if (headerSize == 12) { // BITMAPCOREHEADER: 16-bit unsigned sides
        if (b.size() >= 22)
            SetSize(U16(b, 18), U16(b, 20), w, h);
    } else if (headerSize >= 16 && b.size() >= 26) {
        // BITMAPINFOHEADER and its successors; a negative height is top-down.
        SetSize(I32(b, 18), std::llabs(I32(b, 22)), w, h);
    }
}

void JpegSize(std::string_view b, int& w, int& h) {
    if (b.size() < 2 || U8(b, 0) != 0xFF || U8(b, 1) != 0xD8)
        return;
    size_t pos = 2;
    for (;;) {
        if (pos >= b.size() || U8(b, pos) != 0xFF)
            return;
        while (pos < b.size() && U8(b, pos) == 0xFF) // fill bytes
            ++pos;
        if (pos >= b.size())
            return;
        uint32_t marker = U8(b, pos++);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue; // standalone markers
        if (marker == 0x00 || marker == 0xD9 || marker == 0xDA)
            return; // broken, end of image, or scan data before any frame
        if (b.size() - pos < 2)
            return;
        size_t length = U16BE(b, pos);
        if (length < 2)
            return;
        bool sof =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (sof) {
            // length, precision, height, width
            if (length < 7 || b.size() - pos < 7)
                return;
            SetSize(U16BE(b, pos + 5), U16BE(b, pos + 3), w, h);
            return;
        }
        if (b.size() - pos < length)
            return;
        pos += length;
    }
}

void WmfSize(std::string_view b, int& w, int& h) {
    if (!IsPlaceableWmf(b))
        return;
    int64_t left = I16(b, 6), top = I16(b, 8), right = I16(b, 10), bottom = I16(b, 12);
    int64_t inch = U16(b, 14);
    if (inch == 0)
        return;
    SetSize(MulDivRound(std::llabs(right - left), 96, inch),
            MulDivRound(std::llabs(bottom - top), 96, inch), w, h);
}

void EmfSize(std::string_view b, int& w, int& h) {
    if (b.size() < 40)
        return;
    // rclFrame in 0.01 mm: 2540 units to the inch.
    int64_t fw = MulDivRound(int64_t{I32(b, 32)} - I32(b, 24), 96, 2540);
    int64_t fh = MulDivRound(int64_t{I32(b, 36)} - I32(b, 28), 96, 2540);
    SetSize(fw, fh, w, h);
    if (w > 0)
        return;
    // rclBounds in device pixels, inclusive.
    SetSize(int64_t{I32(b, 16)} - I32(b, 8) + 1, int64_t{I32(b, 20)} - I32(b, 12) + 1, w, h);
}

void IconSize(std::string_view b, int& w, int& h) {
    if (b.size() < 8 || U16(b, 4) == 0)
        return;
    uint32_t iw = U8(b, 6), ih = U8(b, 7);
    SetSize(iw == 0 ? 256 : iw, ih == 0 ? 256 : ih, w, h);
}

void PngSize(std::string_view b, int& w, int& h) {
    if (b.size() < 24 || !IsPng(b) || b.substr(12, 4) != "IHDR")
        return;
    SetSize(U32BE(b, 16), U32BE(b, 20), w, h);
}

// The lower-case extension of a file name, without the dot.
std::string ExtensionOf(std::string_view fileName) {
    size_t dot = fileName.rfind('.');
    size_t slash = fileName.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    std::string ext(fileName.substr(dot + 1));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

std::optional<TGraphicKind> KindOfExtension(std::string_view ext) {
    if (ext == "bmp")
        return TGraphicKind::Bitmap;
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jfif")
        return TGraphicKind::Jpeg;
    if (ext == "wmf")
        return TGraphicKind::Metafile;
    if (ext == "emf")
        return TGraphicKind::EnhMetafile;
    if (ext == "ico")
        return TGraphicKind::Icon;
    if (ext == "png")
        return TGraphicKind::Png;
    return std::nullopt;
}

} // namespace

void GraphicPixelSize(TGraphicKind kind, std::string_view b, int& width, int& height) {
    width = height = 0;
    switch (kind) {
    case TGraphicKind::Bitmap:
        BitmapSize(b, width, height);
        break;
    case TGraphicKind::Jpeg:
        JpegSize(b, width, height);
        break;
    case TGraphicKind::Metafile:
        WmfSize(b, width, height);
        break;
    case TGraphicKind::EnhMetafile:
        EmfSize(b, width, height);
        break;
    case TGraphicKind::Icon:
        IconSize(b, width, height);
        break;
    case TGraphicKind::Png:
        PngSize(b, width, height);
        break;
    case TGraphicKind::Unknown:
        break;
    }
}

const ClassInfo& TPicture::StaticClass() {
    static const ClassInfo info("TPicture", nullptr, {});
    return info;
}

std::unique_ptr<TGraphic> TGraphic::FromFile(TGraphicKind kind, std::string fileBytes) {
    if (kind == TGraphicKind::Unknown)
        kind = KindOfContents(fileBytes).value_or(TGraphicKind::Unknown);
    std::string stored;
    switch (kind) {
    case TGraphicKind::Bitmap:
    case TGraphicKind::Jpeg:
    case TGraphicKind::Metafile:
    case TGraphicKind::EnhMetafile:
        stored = CountPrefix(fileBytes.size());
        stored += fileBytes;
        break;
    default:
        stored = std::move(fileBytes);
        break;
    }
    return FromStored(ClassNameOf(kind), std::move(stored));
}

std::unique_ptr<TGraphic> TGraphic::FromStored(AnsiString className, std::string storedData) {
    auto g = std::make_unique<TGraphic>();
    g->className_ = std::move(className);
    g->storedData_ = std::move(storedData);
    std::string_view data = g->storedData_;
    // The counted classes: a 32-bit byte count, then the file; a count past
    // the end takes what is there, bytes after the counted ones stay stored.
    auto counted = [&] {
        if (data.size() < 4)
            return std::string();
        return std::string(data.substr(4, U32(data, 0)));
    };
    const AnsiString& name = g->className_;
    if (SameTextAscii(name, "TBitmap")) {
        g->kind_ = TGraphicKind::Bitmap;
        g->fileBytes_ = counted();
    } else if (SameTextAscii(name, "TJPEGImage")) {
        g->kind_ = TGraphicKind::Jpeg;
        g->fileBytes_ = counted();
    } else if (SameTextAscii(name, "TMetafile")) {
        g->fileBytes_ = counted();
        g->kind_ = IsEmf(g->fileBytes_) ? TGraphicKind::EnhMetafile : TGraphicKind::Metafile;
    } else if (SameTextAscii(name, "TIcon")) {
        g->kind_ = TGraphicKind::Icon;
        g->fileBytes_ = g->storedData_;
    } else {
        g->kind_ = IsPng(data) ? TGraphicKind::Png : TGraphicKind::Unknown;
        g->fileBytes_ = g->storedData_;
    }
    GraphicPixelSize(g->kind_, g->fileBytes_, g->width_, g->height_);
    return g;
}

bool RecognizeGraphic(std::string_view bytes, TGraphicKind& kind, size_t& offset) {
    size_t start = 0;
    if (bytes.size() >= 8 && U16(bytes, 0) == 1 && U16(bytes, 2) == 256 &&
        U32(bytes, 4) == bytes.size() - 8)
        start = 8;
    auto found = KindOfContents(bytes.substr(start));
    if (!found)
        return false;
    kind = *found;
    offset = start;
    return true;
}

void TPicture::Clear() {
    graphic_.reset();
    Changed();
}

void TPicture::Assign(const TPicture& other) {
    if (other.graphic_)
        graphic_ = std::make_unique<TGraphic>(*other.graphic_);
    else
        graphic_.reset();
    Changed();
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    if (graphic && graphic->ClassName().empty())
        graphic.reset();
    graphic_ = std::move(graphic);
    Changed();
}

bool TPicture::LoadFromStream(std::string_view bytes) {
    TGraphicKind kind = TGraphicKind::Unknown;
    size_t offset = 0;
    if (bytes.empty() || !RecognizeGraphic(bytes, kind, offset)) {
        Clear();
        return false;
    }
    SetGraphic(TGraphic::FromFile(kind, std::string(bytes.substr(offset))));
    return true;
}

void TPicture::LoadFromFile(const AnsiString& fileName) {
    std::string bytes = ReadFileBytes(fileName);
    std::optional<TGraphicKind> kind = KindOfExtension(ExtensionOf(fileName));
    if (kind) {
        if (!ContentsMatch(*kind, bytes))
            kind.reset();
    } else {
        kind = KindOfContents(bytes);
    }
    if (!kind)
        throw EInvalidGraphic(
            Format(Utf8ToAnsi("Neznámý formát obrázku v souboru \"%s\""), {fileName}));
    SetGraphic(TGraphic::FromFile(*kind, std::move(bytes)));
}

void TPicture::DefineBinaryProperties(TfrxBinaryWriter& writer) const {
    std::string data = StoredForm();
    if (data.empty())
        return;
    writer.WriteName("Data");
    writer.WriteBinary(data);
}

bool TPicture::ReadBinaryProperty(const AnsiString& name, TfrxBinaryReader& reader) {
    if (!SameTextAscii(name, "Data"))
        return false;
    std::string data;
    try {
        data = reader.ReadBinary();
    } catch (...) {
        Clear();
        throw;
    }
    ReadStoredForm(data);
    return true;
}

std::string TPicture::StoredForm() const {
    if (!graphic_ || graphic_->ClassName().empty())
        return {};
    std::string_view name = graphic_->ClassName();
    name = name.substr(0, 255);
    std::string out(1, static_cast<char>(name.size()));
    out += name;
    out += graphic_->StoredData();
    return out;
}

void TPicture::ReadStoredForm(std::string_view data) {
    size_t n = data.empty() ? 0 : U8(data, 0);
    if (n == 0 || data.size() - 1 < n) {
        Clear();
        return;
    }
    SetGraphic(
        TGraphic::FromStored(AnsiString(data.substr(1, n)), std::string(data.substr(1 + n))));
}

} // namespace kanvo
