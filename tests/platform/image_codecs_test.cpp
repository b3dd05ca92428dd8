// Image decoding (BMP, JPEG, PNG) into bitmaps and the JPEG encoder, with
// images built here byte by byte.
#include "platform/graphics/image_codecs.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kanvo {
namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF,
                   kBlack = 0, kGrey = 0x808080;

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// A BMP file of colours 0x00BBGGRR given top row first. With `palette` the
// pixels are indices into it (bpp 1, 4 or 8); otherwise bpp 16 (5-5-5), 24
// or 32. `masks` writes 32-bit pixels with those bit fields (compression 3).
struct BmpSpec {
    int width = 0, height = 0; // height < 0: rows stored top-down
    int bpp = 24;
    std::vector<uint32_t> pixels;
    std::vector<uint32_t> palette;
    bool coreHeader = false;
    std::vector<uint32_t> masks; // R, G, B
};

std::string MakeBmp(const BmpSpec& spec) {
    const int w = spec.width, h = std::abs(spec.height);
    std::string info;
    const size_t headerSize = spec.coreHeader ? 12 : 40;
    if (spec.coreHeader) {
        Put32(info, 12);
        Put16(info, static_cast<uint32_t>(w));
        Put16(info, static_cast<uint32_t>(h));
        Put16(info, 1);
        Put16(info, static_cast<uint32_t>(spec.bpp));
    } else {
        Put32(info, 40);
        Put32(info, static_cast<uint32_t>(w));
        Put32(info, static_cast<uint32_t>(spec.height));
        Put16(info, 1);
        Put16(info, static_cast<uint32_t>(spec.bpp));
        Put32(info, spec.masks.empty() ? 0 : 3);
        Put32(info, 0);
        Put32(info, 2835);
        Put32(info, 2835);
        Put32(info, static_cast<uint32_t>(spec.palette.size()));
        Put32(info, 0);
        for (uint32_t m : spec.masks)
            Put32(info, m);
    }
    for (uint32_t c : spec.palette) {
        info += static_cast<char>((c >> 16) & 0xFF); // B G R (reserved)
        info += static_cast<char>((c >> 8) & 0xFF);
        info += static_cast<char>(c & 0xFF);
        if (!spec.coreHeader)
            info += '\0';
    }
    const size_t stride = (static_cast<size_t>(w) * spec.bpp + 31) / 32 * 4;
    std::string data;
    for (int row = 0; row < h; ++row) {
        const int y = spec.height < 0 ? row : h - 1 - row;
        std::string line(stride, '\0');
        for (int x = 0; x < w; ++x) {
            const uint32_t c = spec.pixels[static_cast<size_t>(y * w + x)];
            const uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
            const size_t bit = static_cast<size_t>(x) * spec.bpp;
            if (!spec.palette.empty()) {
                line[bit / 8] = static_cast<char>(line[bit / 8] | (c << (8 - spec.bpp - bit % 8)));
            } else if (spec.bpp == 16) {
                const uint32_t v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
                line[bit / 8] = static_cast<char>(v & 0xFF);
                line[bit / 8 + 1] = static_cast<char>(v >> 8);
            } else if (!spec.masks.empty()) {
                auto place = [](uint32_t value, uint32_t mask) {
                    int shift = 0;
                    while (!(mask & (1u << shift)))
                        ++shift;
                    return (value << shift) & mask;
                };
                const uint32_t v =
                    place(r, spec.masks[0]) | place(g, spec.masks[1]) | place(b, spec.masks[2]);
                for (int i = 0; i < 4; ++i)
                    line[bit / 8 + static_cast<size_t>(i)] =
                        static_cast<char>((v >> (8 * i)) & 0xFF);
            } else {
                line[bit / 8] = static_cast<char>(b);
                line[bit / 8 + 1] = static_cast<char>(g);
                line[bit / 8 + 2] = static_cast<char>(r);
                if (spec.bpp == 32)
                    line[bit / 8 + 3] = static_cast<char>(0x7F); // ignored
            }
        }
        data += line;
    }
    std::string file = "BM";
    Put32(file, static_cast<uint32_t>(14 + info.size() + data.size()));
    Put32(file, 0);
    Put32(file, static_cast<uint32_t>(14 + info.size()));
    (void)headerSize;
    return file + info + data;
}

std::vector<uint32_t> Pixels(const Bitmap& bitmap) {
    std::vector<uint32_t> out;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            out.push_back(bitmap.Pixel(x, y));
    return out;
}

// 3 x 2 pixels: rows of 9 bytes at 24 bits need padding, and the rows tell
// top from bottom.
const std::vector<uint32_t> kSix = {kRed, kGreen, kBlue, kBlack, kWhite, 0x336699};

TEST(DecodeBmp, PixelFormatsAndRowOrders) {
    struct Case {
        const char* what;
        BmpSpec spec;
        std::vector<uint32_t> expected;
    };
    const std::vector<uint32_t> pal = {kRed, kGreen, kBlue, kBlack, kWhite, 0x336699};
    const std::vector<uint32_t> idx = {0, 1, 2, 3, 4, 5};
    // 5-5-5 keeps the top 5 bits of every channel, stretched back to 0..255.
    auto five = [](uint32_t c) {
        auto ch = [](uint32_t v) { return (v >> 3) * 255 / 31; };
        return ch(c & 0xFF) | (ch((c >> 8) & 0xFF) << 8) | (ch((c >> 16) & 0xFF) << 16);
    };
    std::vector<uint32_t> sixIn16;
    for (uint32_t c : kSix)
        sixIn16.push_back(five(c));
    const Case cases[] = {
        {"24 bits bottom-up", {3, 2, 24, kSix, {}, false, {}}, kSix},
        {"24 bits top-down", {3, -2, 24, kSix, {}, false, {}}, kSix},
        {"32 bits, alpha byte ignored", {3, 2, 32, kSix, {}, false, {}}, kSix},
        {"32 bits with bit fields R G B from the low byte",
         {3, 2, 32, kSix, {}, false, {0xFF, 0xFF00, 0xFF0000}},
         kSix},
        {"16 bits 5-5-5", {3, 2, 16, kSix, {}, false, {}}, sixIn16},
        {"8 bits with a palette", {3, 2, 8, idx, pal, false, {}}, kSix},
        {"8 bits top-down", {3, -2, 8, idx, pal, false, {}}, kSix},
        {"4 bits with a palette", {3, 2, 4, idx, pal, false, {}}, kSix},
        {"1 bit",
         {3, 2, 1, {0, 1, 0, 1, 1, 0}, {kBlack, kWhite}, false, {}},
         {kBlack, kWhite, kBlack, kWhite, kWhite, kBlack}},
        {"core header, 24 bits", {3, 2, 24, kSix, {}, true, {}}, kSix},
        {"core header, 8 bits", {3, 2, 8, idx, pal, true, {}}, kSix},
        // Indices past the palette's end are black.
        {"index past the palette",
         {3, 2, 8, {0, 1, 2, 9, 200, 255}, {kRed, kGreen, kBlue}, false, {}},
         {kRed, kGreen, kBlue, kBlack, kBlack, kBlack}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto bitmap = DecodeBmp(MakeBmp(c.spec));
        ASSERT_EQ(bitmap->Width(), 3);
        ASSERT_EQ(bitmap->Height(), 2);
        EXPECT_EQ(Pixels(*bitmap), c.expected);
    }
}

TEST(DecodeBmp, LastRowWithoutPaddingIsAccepted) {
    std::string bmp = MakeBmp({3, 2, 24, kSix, {}, false, {}});
    bmp.resize(bmp.size() - 3); // the last stored row's 3 padding bytes
    EXPECT_EQ(Pixels(*DecodeBmp(bmp)), kSix);
}

TEST(DecodeBmp, MalformedDataRaisesAClearError) {
    const std::string good = MakeBmp({3, 2, 24, kSix, {}, false, {}});
    auto with32 = [&](size_t at, uint32_t v) {
        std::string s = good;
        std::string bytes;
        Put32(bytes, v);
        s.replace(at, 4, bytes);
        return s;
    };
    auto with16 = [&](size_t at, uint32_t v) {
        std::string s = good;
        std::string bytes;
        Put16(bytes, v);
        s.replace(at, 2, bytes);
        return s;
    };
    struct Case {
        const char* what;
        std::string bytes;
        const char* message; // a part of it
    };
    const Case cases[] = {
        {"empty", "", "signature"},
        {"no signature", "XX" + good.substr(2), "signature"},
        {"header size 20", with32(14, 20), "header of 20 bytes"},
        {"header past the end", with32(14, 4000), "cut short"},
        {"width 0", with32(18, 0), "no pixels"},
        {"height 0", with32(22, 0), "no pixels"},
        {"negative width", with32(18, 0xFFFFFFFF), "no pixels"},
        {"huge", with32(18, 40000), "too large"},
        {"huge area", with32(22, 30000) /* 3 x 30000 fits */, "cut short"},
        {"7 bits", with16(28, 7), "7 bits"},
        {"RLE8", with32(30, 1), "compression 1"},
        {"pixels cut short", good.substr(0, good.size() - 10), "cut short"},
        {"height far beyond the data", with32(22, 0x7FFFFFFF), "too large"},
        {"height INT_MIN", with32(22, 0x80000000), "too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            DecodeBmp(c.bytes);
            ADD_FAILURE() << "no error";
        } catch (const EImageError& e) {
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
        }
    }
}

TEST(DecodeBmp, EveryTruncationFailsCleanly) {
    const std::string good = MakeBmp(
        {3, 2, 8, {0, 1, 2, 3, 4, 5}, {kRed, kGreen, kBlue, kBlack, kWhite, 0x336699}, false, {}});
    // Cut anywhere before the last row's padding: an error, never a read
    // past the end.
    for (size_t n = 0; n + 3 < good.size(); ++n)
        EXPECT_THROW(DecodeBmp(good.substr(0, n)), EImageError) << n;
}

std::unique_ptr<Bitmap> Quadrants(int w, int h) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, bottom = y >= h / 2;
            const uint32_t c = bottom ? (right ? kWhite : kBlue) : (right ? kGreen : kRed);
            rgb.push_back(static_cast<uint8_t>(c & 0xFF));
            rgb.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
            rgb.push_back(static_cast<uint8_t>((c >> 16) & 0xFF));
        }
    return BitmapFromRgb(w, h, rgb.data());
}

bool Near(uint32_t a, uint32_t b, int tolerance = 24) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF),
                  cb = static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(ca - cb) > tolerance)
            return false;
    }
    return true;
}

// The segment markers of a JPEG file up to its scan.
std::vector<int> Markers(const std::string& jpeg) {
    std::vector<int> out;
    size_t i = 2;
    while (i + 4 <= jpeg.size() && static_cast<uint8_t>(jpeg[i]) == 0xFF) {
        const int marker = static_cast<uint8_t>(jpeg[i + 1]);
        out.push_back(marker);
        if (marker == 0xDA)
            break;
        i += 2 + (static_cast<size_t>(static_cast<uint8_t>(jpeg[i + 2])) << 8) +
             static_cast<uint8_t>(jpeg[i + 3]);
    }
    return out;
}

TEST(Jpeg, EncodedBaselineRgbDecodesBackToTheColours) {
    auto source = Quadrants(40, 24);
    const std::string jpeg = EncodeJpeg(*source, 90);
    ASSERT_GE(jpeg.size(), 4u);
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
    const std::vector<int> markers = Markers(jpeg);
    // Baseline (SOF0), no progressive or extended frame.
    EXPECT_NE(std::find(markers.begin(), markers.end(), 0xC0), markers.end());
    EXPECT_EQ(std::find(markers.begin(), markers.end(), 0xC2), markers.end());
    const size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    EXPECT_EQ(static_cast<uint8_t>(jpeg[sof + 9]), 3) << "components";

    auto back = DecodeJpeg(jpeg);
    ASSERT_EQ(back->Width(), 40);
    ASSERT_EQ(back->Height(), 24);
    const std::pair<int, int> probes[] = {{5, 5}, {34, 5}, {5, 18}, {34, 18}};
    for (auto [x, y] : probes)
        EXPECT_TRUE(Near(back->Pixel(x, y), source->Pixel(x, y)))
            << x << "," << y << " " << std::hex << back->Pixel(x, y);
}

TEST(Jpeg, QualityChangesTheQuantisationAndSize) {
    auto source = Quadrants(64, 64);
    const std::string low = EncodeJpeg(*source, 20), high = EncodeJpeg(*source, 95);
    EXPECT_LT(low.size(), high.size());
    // Out-of-range qualities are clamped, not an error.
    EXPECT_EQ(EncodeJpeg(*source, 0), EncodeJpeg(*source, 1));
    EXPECT_EQ(EncodeJpeg(*source, 1000), EncodeJpeg(*source, 100));
}

TEST(Jpeg, MalformedAndTruncatedDataRaise) {
    const std::string good = EncodeJpeg(*Quadrants(32, 16), 80);
    std::string garbage = good;
    for (size_t i = 2; i < 40 && i < garbage.size(); ++i)
        garbage[i] = static_cast<char>(0xA5);
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"only SOI", "\xFF\xD8"},
        {"not a JPEG", "BM and more bytes"},
        {"headers destroyed", garbage},
        {"cut in the scan", good.substr(0, good.size() / 2)},
        {"cut in the headers", good.substr(0, 30)},
    };
    for (const auto& [what, bytes] : cases)
        EXPECT_THROW(DecodeJpeg(bytes), EImageError) << what;
    // Every cut before the end-of-image marker is an error, never a crash
    // nor a picture padded with grey.
    for (size_t n = 0; n + 2 < good.size(); n += 7)
        EXPECT_THROW(DecodeJpeg(good.substr(0, n)), EImageError) << n;
    try {
        DecodeJpeg(good.substr(0, 30));
    } catch (const EImageError& e) {
        EXPECT_NE(e.Message().find("JPEG"), std::string::npos) << e.Message();
    }
}

TEST(Jpeg, CorruptScanDataNeverCrashes) {
    const std::string good = EncodeJpeg(*Quadrants(32, 32), 80);
    const size_t scan = good.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    for (size_t at = scan + 14; at + 2 < good.size(); at += 5) {
        std::string bad = good;
        bad[at] = static_cast<char>(~bad[at]);
        try {
            auto bitmap = DecodeJpeg(bad);
            EXPECT_EQ(bitmap->Width(), 32);
        } catch (const EImageError&) {
        }
    }
}

TEST(Png, DecodesAndRejectsBrokenData) {
    test::TempFolder dir("png");
    auto source = Quadrants(10, 6);
    source->SavePng((dir.Path() / "q.png").string());
    const std::string png = test::ReadFile(dir.Path() / "q.png");
    auto back = DecodePng(png);
    ASSERT_EQ(back->Width(), 10);
    ASSERT_EQ(back->Height(), 6);
    EXPECT_EQ(Pixels(*back), Pixels(*source));
    EXPECT_EQ(Pixels(*DecodeImage(ImageFormat::Png, png)), Pixels(*source));

    std::string huge = png;
    huge[16] = 0x7F; // width in IHDR
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"signature only", png.substr(0, 8)},
        {"cut short", png.substr(0, png.size() / 2)},
        {"huge", huge},
    };
    for (const auto& [what, bytes] : cases)
        EXPECT_THROW(DecodePng(bytes), EImageError) << what;
}

TEST(BitmapFromRgb, RowsTopToBottom) {
    const uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128};
    auto bitmap = BitmapFromRgb(2, 2, rgb);
    EXPECT_EQ(Pixels(*bitmap), (std::vector<uint32_t>{kRed, kGreen, kBlue, kGrey}));
    EXPECT_THROW(BitmapFromRgb(0, 2, rgb), EImageError);
}

} // namespace
} // namespace kanvo
