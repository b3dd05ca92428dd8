// Tiny image files built byte by byte for the picture tests: BMP, JPEG
// headers, placeable WMF, EMF, ICO, PNG and the 8-byte header of picture
// fields.
#pragma once

#include <cstdint>
#include <string>

namespace kanvo::test::images {

inline std::string LE16(uint32_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
inline std::string LE32(uint32_t v) {
    return LE16(v & 0xFFFF) + LE16(v >> 16);
}
inline std::string BE16(uint32_t v) {
    return {static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)};
}
inline std::string BE32(uint32_t v) {
    return BE16(v >> 16) + BE16(v & 0xFFFF);
}
inline std::string Zeros(size_t n) {
    return std::string(n, '\0');
}

// A 24-bit BMP of width x height; a negative height is top-down.
inline std::string Bmp(int32_t width, int32_t height) {
    uint32_t rows = static_cast<uint32_t>(height < 0 ? -height : height);
    uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
    std::string pixels(stride * rows, '\x7F');
    std::string info = LE32(40) + LE32(static_cast<uint32_t>(width)) +
                       LE32(static_cast<uint32_t>(height)) + LE16(1) + LE16(24) + LE32(0) +
                       LE32(static_cast<uint32_t>(pixels.size())) + Zeros(16);
    return "BM" + LE32(static_cast<uint32_t>(14 + info.size() + pixels.size())) + LE32(0) +
           LE32(54) + info + pixels;
}

// A BMP with the old 12-byte header.
inline std::string CoreBmp(uint16_t width, uint16_t height) {
    std::string info = LE32(12) + LE16(width) + LE16(height) + LE16(1) + LE16(24);
    std::string pixels((width * 3u + 3) / 4 * 4 * height, '\x10');
    return "BM" + LE32(static_cast<uint32_t>(26 + pixels.size())) + LE32(0) + LE32(26) + info +
           pixels;
}

inline std::string Segment(uint8_t marker, const std::string& body) {
    return std::string("\xFF") + static_cast<char>(marker) + BE16(uint32_t(body.size() + 2)) + body;
}
inline std::string Sof(uint8_t marker, uint16_t width, uint16_t height) {
    return Segment(marker, std::string("\x08", 1) + BE16(height) + BE16(width) +
                               std::string("\x01\x01\x11\x00", 4));
}
inline const std::string kSoi = "\xFF\xD8";
inline const std::string kEoi = "\xFF\xD9";
inline const std::string kApp0 = Segment(0xE0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
inline const std::string kDqt = Segment(0xDB, std::string(65, '\x01'));
inline const std::string kDht = Segment(0xC4, std::string(29, '\x00'));
inline const std::string kSos = Segment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6));

// A JPEG header: APP0, tables, the frame, a scan and the end.
inline std::string Jpeg(uint16_t width, uint16_t height, uint8_t sof = 0xC0) {
    return kSoi + kApp0 + kDqt + kDht + Sof(sof, width, height) + kSos + "\x12\x34" + kEoi;
}

// A placeable WMF: bounding box and units per inch, then the WMF header and the EOF record.
inline std::string Wmf(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t inch) {
    std::string placeable = LE32(0x9AC6CDD7) + LE16(0) + LE16(uint16_t(left)) +
                            LE16(uint16_t(top)) + LE16(uint16_t(right)) + LE16(uint16_t(bottom)) +
                            LE16(inch) + LE32(0);
    uint16_t sum = 0;
    for (size_t i = 0; i < placeable.size(); i += 2)
        sum ^= static_cast<uint16_t>(static_cast<unsigned char>(placeable[i]) |
                                     static_cast<unsigned char>(placeable[i + 1]) << 8);
    placeable += LE16(sum);
    std::string header = LE16(1) + LE16(9) + LE16(0x300) + LE32(12) + LE16(0) + LE32(3) + LE16(0);
    return placeable + header + LE32(3) + LE16(0);
}

struct Rect {
    int32_t l, t, r, b;
};
inline std::string RectBytes(Rect r) {
    return LE32(uint32_t(r.l)) + LE32(uint32_t(r.t)) + LE32(uint32_t(r.r)) + LE32(uint32_t(r.b));
}
// An EMF: the 108-byte header with bounds (pixels) and frame (0.01 mm), then EOF.
inline std::string Emf(Rect bounds, Rect frame) {
    std::string eof = LE32(14) + LE32(20) + LE32(0) + LE32(16) + LE32(20);
    std::string header = LE32(1) + LE32(108) + RectBytes(bounds) + RectBytes(frame) +
                         LE32(0x464D4520) + LE32(0x10000) + LE32(uint32_t(108 + eof.size())) +
                         LE32(2) + LE16(1) + LE16(0) + LE32(0) + LE32(0) + LE32(0) + LE32(1920) +
                         LE32(1080) + LE32(508) + LE32(286) + LE32(0) + LE32(0) + LE32(0) +
                         LE32(508000) + LE32(286000);
    return header + eof;
}

inline std::string Ico(uint8_t width, uint8_t height, uint16_t type = 1) {
    std::string image(40, '\x05');
    return LE16(0) + LE16(type) + LE16(1) + static_cast<char>(width) + static_cast<char>(height) +
           Zeros(2) + LE16(1) + LE16(32) + LE32(uint32_t(image.size())) + LE32(22) + image;
}

inline const std::string kPngSignature = "\x89PNG\r\n\x1A\n";
inline std::string Png(uint32_t width, uint32_t height) {
    std::string ihdr = BE32(width) + BE32(height) + std::string("\x08\x02\x00\x00\x00", 5);
    return kPngSignature + BE32(13) + "IHDR" + ihdr + "\x90\x77\x53\xDE" + BE32(0) + "IEND" +
           "\xAE\x42\x60\x82";
}

// The 8-byte header of picture fields: 1, 256, length of the rest.
inline std::string FieldHeader(const std::string& image, int lengthDelta = 0) {
    return LE16(1) + LE16(256) + LE32(uint32_t(int64_t(image.size()) + lengthDelta)) + image;
}

} // namespace kanvo::test::images
