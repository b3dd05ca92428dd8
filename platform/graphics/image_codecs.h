// Image file decoding into bitmaps and JPEG encoding of bitmaps.
//
// Decoders take the whole file in memory and check every offset and size
// against it: malformed, truncated or unsupported data raises EImageError
// with a message that names the format and the fault; it never reads past
// the data. Decoded images have at most kMaxImageSide pixels per side and
// kMaxImagePixels pixels in all.
//
// Supported: BMP (core and info headers of 40 bytes and more; 1, 4 and 8
// bits with a palette, 16 bits 5-5-5 or with bit fields, 24 bits, 32 bits
// plain or with bit fields; bottom-up and top-down rows; no RLE), JPEG
// (libjpeg: grey, YCbCr/RGB and CMYK/YCCK), PNG (through Cairo; transparent
// pixels are put on white).
#pragma once

#include "platform/exception.h"
#include "platform/graphics/canvas.h"

#include <memory>
#include <string>
#include <string_view>

namespace kanvo {

class EImageError : public Exception {
public:
    using Exception::Exception;
};

constexpr int kMaxImageSide = 32767;
constexpr long long kMaxImagePixels = 100LL * 1000 * 1000;

enum class ImageFormat { Bmp, Jpeg, Png };

std::unique_ptr<Bitmap> DecodeBmp(std::string_view bytes);
std::unique_ptr<Bitmap> DecodeJpeg(std::string_view bytes);
std::unique_ptr<Bitmap> DecodePng(std::string_view bytes);
std::unique_ptr<Bitmap> DecodeImage(ImageFormat format, std::string_view bytes);

// A bitmap from rows top to bottom of 3 bytes R G B per pixel; `rgb` holds at
// least width x height x 3 bytes.
std::unique_ptr<Bitmap> BitmapFromRgb(int width, int height, const uint8_t* rgb);

// A baseline JPEG file of three components (YCbCr) at quality 1..100 (values
// outside are clamped), otherwise the encoder's default settings. Raises
// EImageError when the encoder fails.
std::string EncodeJpeg(const Bitmap& bitmap, int quality);

} // namespace kanvo
