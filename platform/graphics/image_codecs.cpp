#include "platform/graphics/image_codecs.h"

#include <cairo.h>
#include <csetjmp>

// libjpeg's headers need <cstdio> before them.
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kanvo {
namespace {

// ---- little helpers ----

uint32_t U16(std::string_view b, size_t at) {
    return static_cast<uint8_t>(b[at]) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8);
}

uint32_t U32(std::string_view b, size_t at) {
    return U16(b, at) | (U16(b, at + 2) << 16);
}

void CheckSize(const char* format, long long width, long long height) {
    if (width <= 0 || height <= 0)
        throw EImageError(Format("%s image has no pixels (%d x %d).", {format, width, height}));
    if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels)
        throw EImageError(
            Format("%s image of %d x %d pixels is too large.", {format, width, height}));
}

// Writes pixels straight into a bitmap's surface.
class PixelWriter {
public:
    explicit PixelWriter(Bitmap& bitmap)
        : surface_(bitmap.Surface()), width_(bitmap.Width()), height_(bitmap.Height()) {
        cairo_surface_flush(surface_);
        data_ = cairo_image_surface_get_data(surface_);
        stride_ = cairo_image_surface_get_stride(surface_);
    }
    ~PixelWriter() { cairo_surface_mark_dirty(surface_); }
    PixelWriter(const PixelWriter&) = delete;
    PixelWriter& operator=(const PixelWriter&) = delete;
    uint32_t* Row(int y) {
        return reinterpret_cast<uint32_t*>(data_ + static_cast<ptrdiff_t>(y) * stride_);
    }
    static uint32_t Pack(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    cairo_surface_t* surface_;
    unsigned char* data_ = nullptr;
    int stride_ = 0;
    int width_, height_;
};

// ---- BMP ----

// One colour channel of a bit-field pixel.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    explicit Channel(uint32_t m) : mask(m) {
        if (m == 0)
            return;
        shift = std::countr_zero(m);
        const int bits = std::popcount(m >> shift);
        max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    }
    uint32_t Value(uint32_t pixel) const {
        if (max == 0)
            return 0;
        const uint64_t v = (pixel & mask) >> shift;
        return static_cast<uint32_t>(v * 255 / max);
    }
};

} // namespace

std::unique_ptr<Bitmap> DecodeBmp(std::string_view b) {
    if (b.size() < 18 || b[0] != 'B' || b[1] != 'M')
        throw EImageError("BMP data is too short or has no \"BM\" signature.");
    const uint32_t dataOffset = U32(b, 10);
    const uint32_t headerSize = U32(b, 14);
    if (headerSize != 12 && headerSize < 40)
        throw EImageError(Format("BMP header of %d bytes is not supported.", {headerSize}));
    if (14ULL + headerSize > b.size())
        throw EImageError("BMP data is cut short in its header.");
    long long width, height;
    uint32_t bpp, compression = 0, colorsUsed = 0;
    bool topDown = false;
    if (headerSize == 12) {
        width = U16(b, 18);
        height = U16(b, 20);
        bpp = U16(b, 24);
    } else {
        width = static_cast<int32_t>(U32(b, 18));
        height = static_cast<int32_t>(U32(b, 22));
        bpp = U16(b, 28);
        compression = U32(b, 30);
        colorsUsed = U32(b, 46);
        if (height < 0) {
            topDown = true;
            height = -height;
        }
    }
    CheckSize("BMP", width, height);
    const bool bitFields = compression == 3 || compression == 6;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        throw EImageError(Format("BMP with %d bits per pixel is not supported.", {bpp}));
    if (!(compression == 0 || (bitFields && (bpp == 16 || bpp == 32))))
        throw EImageError(Format("BMP compression %d is not supported.", {compression}));

    // Masks follow a 40-byte header and are part of the longer ones.
    size_t paletteStart = 14 + headerSize;
    uint32_t masks[3] = {0, 0, 0};
    if (bpp == 16)
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    else if (bpp == 32)
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (bitFields) {
        if (54 + 12 > b.size())
            throw EImageError("BMP data is cut short in its colour masks.");
        for (int i = 0; i < 3; ++i)
            masks[i] = U32(b, 54 + 4 * static_cast<size_t>(i));
        if (headerSize == 40)
            paletteStart += compression == 6 ? 16 : 12;
    }

    // Palette: as many entries as the header names and the data holds;
    // indices past them are black.
    std::vector<uint32_t> palette;
    if (bpp <= 8) {
        const size_t entry = headerSize == 12 ? 3 : 4;
        size_t count = size_t{1} << bpp;
        if (headerSize != 12 && colorsUsed != 0 && colorsUsed < count)
            count = colorsUsed;
        size_t end = b.size();
        if (dataOffset > paletteStart && dataOffset <= b.size())
            end = dataOffset;
        const size_t available = end > paletteStart ? (end - paletteStart) / entry : 0;
        count = std::min(count, available);
        for (size_t i = 0; i < count; ++i) {
            const size_t at = paletteStart + i * entry;
            palette.push_back(PixelWriter::Pack(static_cast<uint8_t>(b[at + 2]),
                                                static_cast<uint8_t>(b[at + 1]),
                                                static_cast<uint8_t>(b[at])));
        }
    }
    const uint64_t stride = (static_cast<uint64_t>(width) * bpp + 31) / 32 * 4;
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bpp + 7) / 8;
    const uint64_t start = dataOffset >= 14 + headerSize && dataOffset < b.size()
                               ? dataOffset
                               : paletteStart + palette.size() * (headerSize == 12 ? 3 : 4);
    // The last row may lack its padding.
    if (start + stride * static_cast<uint64_t>(height - 1) + rowBytes > b.size())
        throw EImageError(
            Format("BMP pixel data is cut short (%d x %d pixels, %d bits).", {width, height, bpp}));

    auto bitmap = Bitmap::Create(static_cast<int>(width), static_cast<int>(height));
    PixelWriter out(*bitmap);
    const Channel r(masks[0]), g(masks[1]), bl(masks[2]);
    const auto* bytes = reinterpret_cast<const uint8_t*>(b.data());
    for (long long y = 0; y < height; ++y) {
        const uint8_t* src = bytes + start + stride * static_cast<uint64_t>(y);
        uint32_t* dst = out.Row(static_cast<int>(topDown ? y : height - 1 - y));
        for (long long x = 0; x < width; ++x) {
            uint32_t px;
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                const uint64_t bit = static_cast<uint64_t>(x) * bpp;
                const unsigned shift = 8 - bpp - static_cast<unsigned>(bit % 8);
                const uint32_t index = (src[bit / 8] >> shift) & ((1u << bpp) - 1);
                px = index < palette.size() ? palette[index] : 0;
                break;
            }
            case 16: {
                const uint32_t v = src[2 * x] | (static_cast<uint32_t>(src[2 * x + 1]) << 8);
                px = PixelWriter::Pack(r.Value(v), g.Value(v), bl.Value(v));
                break;
            }
            case 24:
                px = PixelWriter::Pack(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            default: {
                const uint8_t* p = src + 4 * x;
                const uint32_t v = p[0] | (static_cast<uint32_t>(p[1]) << 8) |
                                   (static_cast<uint32_t>(p[2]) << 16) |
                                   (static_cast<uint32_t>(p[3]) << 24);
                px = PixelWriter::Pack(r.Value(v), g.Value(v), bl.Value(v));
                break;
            }
            }
            dst[x] = px;
        }
    }
    return bitmap;
}

// ---- JPEG (libjpeg) ----
//
// libjpeg reports fatal errors through error_exit, which must not return;
// it jumps back to the setjmp of the one function that drives libjpeg. That
// function has no state of its own: the libjpeg structures and everything it
// fills live in its caller, so the jump skips no destructor and leaves no
// local value indeterminate. The caller then raises.
namespace {

struct JpegErrorState {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    auto* state = reinterpret_cast<JpegErrorState*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, state->message);
    std::longjmp(state->jump, 1);
}

// Warnings are ignored, except running out of data: a cut-off file is an
// error, not a picture filled up with grey.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level == -1 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        JpegErrorExit(cinfo);
}

void InitJpegErrors(JpegErrorState& state) {
    jpeg_std_error(&state.mgr);
    state.mgr.error_exit = JpegErrorExit;
    state.mgr.emit_message = JpegEmitMessage;
    state.message[0] = 0;
}

struct JpegDecoded {
    int width = 0, height = 0;
    bool cmyk = false, invertedCmyk = false;
    std::vector<uint8_t>* pixels = nullptr; // rows of 3 (RGB) or 4 (CMYK) bytes per pixel
    const char* sizeError = nullptr;
};

// Returns false with state.message set when libjpeg failed.
bool RunJpegDecoder(const uint8_t* data, size_t size, JpegDecoded* out, JpegErrorState* state,
                    jpeg_decompress_struct* info) {
    jpeg_decompress_struct& cinfo = *info;
    cinfo.err = &state->mgr;
    if (setjmp(state->jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
        cinfo.out_color_space = JCS_CMYK;
        out->cmyk = true;
        out->invertedCmyk = cinfo.saw_Adobe_marker;
    } else {
        cinfo.out_color_space = JCS_RGB;
    }
    const long long w = cinfo.image_width, h = cinfo.image_height;
    if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide || w * h > kMaxImagePixels) {
        out->width = static_cast<int>(std::min<long long>(w, 1LL << 30));
        out->height = static_cast<int>(std::min<long long>(h, 1LL << 30));
        out->sizeError = "size";
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    jpeg_start_decompress(&cinfo);
    out->width = static_cast<int>(cinfo.output_width);
    out->height = static_cast<int>(cinfo.output_height);
    const size_t rowBytes =
        static_cast<size_t>(cinfo.output_width) * static_cast<size_t>(cinfo.output_components);
    out->pixels->resize(rowBytes * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out->pixels->data() + rowBytes * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

struct JpegEncoded {
    unsigned char* buffer = nullptr; // malloc'ed by libjpeg's memory destination
    unsigned long size = 0;
};

bool RunJpegEncoder(const uint8_t* rgb, int width, int height, int quality, JpegEncoded* out,
                    JpegErrorState* state, jpeg_compress_struct* info) {
    jpeg_compress_struct& cinfo = *info;
    cinfo.err = &state->mgr;
    if (setjmp(state->jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out->buffer, &out->size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        auto row = const_cast<JSAMPROW>(rgb + rowBytes * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

std::unique_ptr<Bitmap> DecodeJpeg(std::string_view bytes) {
    if (bytes.size() < 2 || static_cast<uint8_t>(bytes[0]) != 0xFF ||
        static_cast<uint8_t>(bytes[1]) != 0xD8)
        throw EImageError("JPEG data has no start-of-image marker.");
    std::vector<uint8_t> pixels;
    JpegDecoded decoded;
    decoded.pixels = &pixels;
    JpegErrorState state;
    InitJpegErrors(state);
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    if (!RunJpegDecoder(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &decoded,
                        &state, &cinfo))
        throw EImageError(Format("JPEG data cannot be decoded: %s.", {state.message}));
    if (decoded.sizeError)
        CheckSize("JPEG", decoded.width, decoded.height);
    auto bitmap = Bitmap::Create(decoded.width, decoded.height);
    PixelWriter out(*bitmap);
    const size_t n = decoded.cmyk ? 4 : 3;
    for (int y = 0; y < decoded.height; ++y) {
        const uint8_t* src = pixels.data() + static_cast<size_t>(y) * decoded.width * n;
        uint32_t* dst = out.Row(y);
        for (int x = 0; x < decoded.width; ++x, src += n) {
            if (!decoded.cmyk) {
                dst[x] = PixelWriter::Pack(src[0], src[1], src[2]);
                continue;
            }
            // Adobe files store CMYK inverted (255 = no ink).
            uint32_t c = src[0], m = src[1], ye = src[2], k = src[3];
            if (!decoded.invertedCmyk)
                c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
            dst[x] = PixelWriter::Pack(c * k / 255, m * k / 255, ye * k / 255);
        }
    }
    return bitmap;
}

std::string EncodeJpeg(const Bitmap& bitmap, int quality) {
    quality = std::clamp(quality, 1, 100);
    const std::vector<uint8_t> rgb = bitmap.ToRgb();
    JpegEncoded encoded;
    JpegErrorState state;
    InitJpegErrors(state);
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    const bool ok = RunJpegEncoder(rgb.data(), bitmap.Width(), bitmap.Height(), quality, &encoded,
                                   &state, &cinfo);
    std::string result;
    if (ok && encoded.buffer)
        result.assign(reinterpret_cast<const char*>(encoded.buffer), encoded.size);
    std::free(encoded.buffer);
    if (!ok)
        throw EImageError(Format("JPEG encoding failed: %s.", {state.message}));
    return result;
}

// ---- PNG (Cairo's reader) ----
namespace {

struct PngSource {
    std::string_view bytes;
    size_t position = 0;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
    auto* source = static_cast<PngSource*>(closure);
    if (source->bytes.size() - source->position < length)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, source->bytes.data() + source->position, length);
    source->position += length;
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

std::unique_ptr<Bitmap> DecodePng(std::string_view bytes) {
    static constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < 24 || bytes.substr(0, 8) != std::string_view(kSignature, 8) ||
        bytes.substr(12, 4) != "IHDR")
        throw EImageError("PNG data has no PNG signature or header.");
    auto be32 = [&](size_t at) {
        return (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) << 24) |
               (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 16) |
               (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 8) |
               static_cast<uint8_t>(bytes[at + 3]);
    };
    CheckSize("PNG", be32(16), be32(20));
    PngSource source{bytes};
    cairo_surface_t* image = cairo_image_surface_create_from_png_stream(ReadPng, &source);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        std::string reason = cairo_status_to_string(cairo_surface_status(image));
        cairo_surface_destroy(image);
        throw EImageError(Format("PNG data cannot be decoded: %s.", {reason}));
    }
    const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    std::unique_ptr<Bitmap> bitmap;
    try {
        bitmap = Bitmap::Create(w, h);
    } catch (...) {
        cairo_surface_destroy(image);
        throw;
    }
    cairo_t* cr = cairo_create(bitmap->Surface()); // white already: alpha goes on white
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(image);
    return bitmap;
}

std::unique_ptr<Bitmap> DecodeImage(ImageFormat format, std::string_view bytes) {
    switch (format) {
    case ImageFormat::Bmp:
        return DecodeBmp(bytes);
    case ImageFormat::Jpeg:
        return DecodeJpeg(bytes);
    case ImageFormat::Png:
        return DecodePng(bytes);
    }
    throw EImageError("Unknown image format.");
}

std::unique_ptr<Bitmap> BitmapFromRgb(int width, int height, const uint8_t* rgb) {
    CheckSize("RGB", width, height);
    auto bitmap = Bitmap::Create(width, height);
    PixelWriter out(*bitmap);
    for (int y = 0; y < out.Height(); ++y) {
        uint32_t* dst = out.Row(y);
        for (int x = 0; x < out.Width(); ++x, rgb += 3)
            dst[x] = PixelWriter::Pack(rgb[0], rgb[1], rgb[2]);
    }
    return bitmap;
}

} // namespace kanvo
