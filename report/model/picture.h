// Pictures of picture views and of the page background: TPicture holds at
// most one graphic, kept as the exact bytes it was stored with, so that a
// template round trip is lossless. Decoding into pixels belongs to the
// drawing layers; here a graphic only knows its kind and its pixel size.
//
// Stored form (the binary property "Data" of "Picture.PropData"): the
// graphic's class name as a short string (length byte + characters, empty
// for no graphic), then the class's own data. See docs/pictures.md.
#pragma once

#include "platform/exception.h"
#include "platform/text_types.h"
#include "report/model/published.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kanvo {

enum class TGraphicKind {
    Bitmap,      // BMP file
    Jpeg,        // JPEG file
    Metafile,    // Windows metafile with the placeable header
    EnhMetafile, // enhanced metafile
    Icon,        // .ico file
    Png,         // PNG file (written by add-on graphic classes)
    Unknown,     // a graphic class we do not know; its bytes are kept as they are
};

// A file whose contents are no image of the kind its extension names, or of
// no kind at all.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

class TGraphic {
public:
    // The graphic class name of the stored form ("TBitmap", "TJPEGImage",
    // "TMetafile", "TIcon", or any other).
    const AnsiString& ClassName() const { return className_; }
    TGraphicKind Kind() const { return kind_; }
    // The image file bytes (BMP, JPEG, WMF/EMF, ICO, PNG); for an unknown
    // class the stored data as it is.
    const std::string& FileBytes() const { return fileBytes_; }
    // The class's stored data, exactly as read (written back unchanged).
    const std::string& StoredData() const { return storedData_; }
    // Pixel size; 0 x 0 when the header does not tell.
    int Width() const { return width_; }
    int Height() const { return height_; }

    // A graphic from image file bytes of a known kind (stored data composed
    // the way that class stores it). The result is the same as FromStored of
    // that class name and stored data, so the kind of a metafile follows its
    // contents (EMF or placeable WMF) and Png bytes without the PNG signature
    // give Unknown. Unknown picks the kind by the contents; when nothing fits
    // the class name stays empty, and a picture does not keep such a graphic.
    static std::unique_ptr<TGraphic> FromFile(TGraphicKind kind, std::string fileBytes);
    // A graphic from the stored form's class name and data.
    static std::unique_ptr<TGraphic> FromStored(AnsiString className, std::string storedData);

    bool operator==(const TGraphic&) const = default;

private:
    AnsiString className_;
    TGraphicKind kind_ = TGraphicKind::Unknown;
    std::string fileBytes_;
    std::string storedData_;
    int width_ = 0, height_ = 0;
};

// Recognises an image in bytes: skips the 8-byte field header (16-bit 1 and
// 256, then the 32-bit length of the rest) when present, then BM, FF D8,
// placeable WMF, EMF, PNG, icon in that order. Returns false when nothing
// fits (kind and offset are then left alone).
bool RecognizeGraphic(std::string_view bytes, TGraphicKind& kind, size_t& offset);

// Pixel size of image file bytes of a kind, read from the headers; 0 x 0
// when they do not tell (or tell only one of the two).
void GraphicPixelSize(TGraphicKind kind, std::string_view fileBytes, int& width, int& height);

class TPicture : public TPersistent {
public:
    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;
    static const ClassInfo& StaticClass(); // "TPicture", no published properties
    const ClassInfo& ClassType() const override { return StaticClass(); }

    const TGraphic* Graphic() const { return graphic_.get(); }
    bool Empty() const { return !graphic_; }
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    void Clear();
    void Assign(const TPicture& other);
    // A graphic without a class name (nothing to store) clears the picture.
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // Format recognition (RecognizeGraphic); an empty or unrecognised stream
    // clears the picture and returns false.
    bool LoadFromStream(std::string_view bytes);
    // By the file's extension (.bmp, .jpg/.jpeg/.jpe/.jfif, .wmf, .emf,
    // .ico, .png, letter case ignored); other extensions by the contents.
    // Raises EFileError when the file cannot be read and EInvalidGraphic
    // when it holds no image of that kind (the picture is then unchanged).
    void LoadFromFile(const AnsiString& fileName);

    // Called after every change of the graphic.
    std::function<void()> OnChange;

    // The stored form: one binary property "Data", nothing for no graphic.
    void DefineBinaryProperties(TfrxBinaryWriter& writer) const override;
    bool ReadBinaryProperty(const AnsiString& name, TfrxBinaryReader& reader) override;
    // The bytes of "Data" (class name + stored data), empty for no graphic.
    std::string StoredForm() const;
    // Reads the bytes of "Data"; broken data leaves the picture empty.
    void ReadStoredForm(std::string_view data);

private:
    void Changed() {
        if (OnChange)
            OnChange();
    }
    std::unique_ptr<TGraphic> graphic_;
};

} // namespace kanvo
