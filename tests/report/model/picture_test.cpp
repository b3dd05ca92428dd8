#include "report/model/picture.h"

#include "platform/code_page.h"
#include "platform/files.h"
#include "report/model/serializer.h"
#include "tests/support/test_support.h"
#include "tiny_images.h"

#include <gtest/gtest.h>

#include <random>

namespace kanvo {
namespace {

using namespace test::images;

// ---------------------------------------------------------------- recognition

struct RecognitionCase {
    const char* name;
    std::string bytes;
    bool recognised;
    TGraphicKind kind;
    size_t offset;
};

TEST(PictureRecognition, TableOfCases) {
    using K = TGraphicKind;
    const std::string bmp = Bmp(2, 3);
    const RecognitionCase cases[] = {
        {"bitmap", bmp, true, K::Bitmap, 0},
        {"jpeg", Jpeg(2, 3), true, K::Jpeg, 0},
        {"placeable wmf", Wmf(0, 0, 96, 48, 96), true, K::Metafile, 0},
        {"emf", Emf({0, 0, 99, 49}, {0, 0, 2645, 1323}), true, K::EnhMetafile, 0},
        {"png", Png(2, 3), true, K::Png, 0},
        {"icon", Ico(16, 16), true, K::Icon, 0},
        {"icon of type 0", Ico(16, 16, 0), true, K::Icon, 0},
        {"cursor type is no icon", Ico(16, 16, 2), false, K::Unknown, 0},
        {"field header skipped", FieldHeader(bmp), true, K::Bitmap, 8},
        {"field header before jpeg", FieldHeader(Jpeg(2, 3)), true, K::Jpeg, 8},
        // The header is only taken when its length is that of the rest; 1,256 at
        // the start is then nothing (its type value 256 is no icon either).
        {"field header with a long length", FieldHeader(bmp, 1), false, K::Unknown, 0},
        {"field header with a short length", FieldHeader(bmp, -1), false, K::Unknown, 0},
        {"field header alone", FieldHeader(""), false, K::Unknown, 0},
        {"empty", "", false, K::Unknown, 0},
        {"BM needs 14 bytes", "BM\xFF\xFF" + Zeros(9), false, K::Unknown, 0},
        {"BM with 14 bytes", "BM\xFF\xFF" + Zeros(10), true, K::Bitmap, 0},
        {"FF D8 is enough for jpeg", "\xFF\xD8", true, K::Jpeg, 0},
        {"one byte", "\xFF", false, K::Unknown, 0},
        {"wmf key needs 22 bytes", Wmf(0, 0, 96, 48, 96).substr(0, 21), false, K::Unknown, 0},
        // A short EMF fails the 100-byte rule; its record type 1 then passes the icon rule.
        {"emf under 100 bytes", Emf({0, 0, 9, 9}, {}).substr(0, 99), true, K::Icon, 0},
        {"png signature cut", kPngSignature.substr(0, 7), false, K::Unknown, 0},
        {"icon needs 6 bytes", Ico(16, 16).substr(0, 5), false, K::Unknown, 0},
        {"text", "GIF89a is not ours", false, K::Unknown, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TGraphicKind kind = K::Unknown;
        size_t offset = 99;
        ASSERT_EQ(RecognizeGraphic(c.bytes, kind, offset), c.recognised);
        if (c.recognised) {
            EXPECT_EQ(kind, c.kind);
            EXPECT_EQ(offset, c.offset);
        }
    }
}

// ---------------------------------------------------------------- pixel sizes

struct SizeCase {
    const char* name;
    TGraphicKind kind;
    std::string bytes;
    int width, height;
};

TEST(PictureSize, FromTheHeaders) {
    using K = TGraphicKind;
    std::string jpegCut = Jpeg(2, 3);
    jpegCut = jpegCut.substr(0, jpegCut.find(Sof(0xC0, 2, 3)) + 8); // SOF0 without its width
    const SizeCase cases[] = {
        {"bitmap", K::Bitmap, Bmp(2, 3), 2, 3},
        {"top-down bitmap", K::Bitmap, Bmp(5, -7), 5, 7},
        {"core header bitmap", K::Bitmap, CoreBmp(4, 1), 4, 1},
        {"bitmap of width 0", K::Bitmap, Bmp(0, 3), 0, 0},
        {"bitmap header cut", K::Bitmap, Bmp(2, 3).substr(0, 25), 0, 0},
        {"jpeg baseline", K::Jpeg, Jpeg(2, 3), 2, 3},
        {"jpeg progressive", K::Jpeg, Jpeg(640, 480, 0xC2), 640, 480},
        {"jpeg lossless", K::Jpeg, Jpeg(17, 9, 0xC3), 17, 9},
        {"jpeg arithmetic", K::Jpeg, Jpeg(300, 200, 0xC9), 300, 200},
        {"jpeg: DHT, JPG, DAC are no frames", K::Jpeg,
         kSoi + Sof(0xC4, 1, 1) + Sof(0xC8, 2, 2) + Sof(0xCC, 3, 3) + Sof(0xC1, 4, 5), 4, 5},
        {"jpeg: fill bytes and standalone markers", K::Jpeg,
         kSoi + "\xFF\xFF\xFF" + kApp0.substr(1) + "\xFF\xD0\xFF\x01" + Sof(0xC0, 8, 6), 8, 6},
        {"jpeg: scan before any frame", K::Jpeg, kSoi + kSos + Sof(0xC0, 8, 6), 0, 0},
        {"jpeg: end before any frame", K::Jpeg, kSoi + kEoi + Sof(0xC0, 8, 6), 0, 0},
        {"jpeg: junk between segments", K::Jpeg, kSoi + kApp0 + "x" + Sof(0xC0, 8, 6), 0, 0},
        {"jpeg: segment longer than the data", K::Jpeg, kSoi + "\xFF\xE1\xFF\xFF" + Sof(0xC0, 8, 6),
         0, 0},
        {"jpeg: frame cut", K::Jpeg, jpegCut, 0, 0},
        {"jpeg: only fill bytes", K::Jpeg, kSoi + std::string(20, '\xFF'), 0, 0},
        {"wmf 1440 per inch", K::Metafile, Wmf(0, 0, 1440, 720, 1440), 96, 48},
        {"wmf rounding", K::Metafile, Wmf(0, 0, 1000, 1010, 1440), 67, 67},
        {"wmf offset and flipped box", K::Metafile, Wmf(100, 500, 1540, -220, 1440), 96, 48},
        {"wmf with inch 0", K::Metafile, Wmf(0, 0, 1440, 720, 0), 0, 0},
        {"emf frame", K::EnhMetafile, Emf({0, 0, 99, 49}, {0, 0, 2645, 1323}), 100, 50},
        {"emf frame rounding", K::EnhMetafile, Emf({0, 0, 9, 9}, {10, 10, 2550, 1280}), 96, 48},
        {"emf without frame uses bounds", K::EnhMetafile, Emf({5, 5, 104, 54}, {}), 100, 50},
        {"emf with a reversed frame", K::EnhMetafile, Emf({0, 0, 63, 31}, {2540, 0, 0, 1270}), 64,
         32},
        {"emf with neither", K::EnhMetafile, Emf({5, 5, 3, 3}, {}), 0, 0},
        {"icon", K::Icon, Ico(16, 32), 16, 32},
        {"icon 256", K::Icon, Ico(0, 0), 256, 256},
        {"icon without entries", K::Icon, LE16(0) + LE16(1) + LE16(0) + "\x10\x10", 0, 0},
        {"png", K::Png, Png(2, 3), 2, 3},
        {"png without IHDR", K::Png, kPngSignature + BE32(13) + "IDAT" + BE32(2) + BE32(3), 0, 0},
        {"png with a width over int", K::Png, Png(0x80000000u, 3), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int w = -1, h = -1;
        GraphicPixelSize(c.kind, c.bytes, w, h);
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
    }
}

// ---------------------------------------------------------------- stored forms

TEST(PictureStoredForm, FromFileComposesEachClass) {
    using K = TGraphicKind;
    struct Case {
        K kind;
        std::string file;
        const char* className;
        bool counted;
        K resultKind;
    };
    const Case cases[] = {
        {K::Bitmap, Bmp(2, 3), "TBitmap", true, K::Bitmap},
        {K::Jpeg, Jpeg(2, 3), "TJPEGImage", true, K::Jpeg},
        {K::Metafile, Wmf(0, 0, 96, 96, 96), "TMetafile", true, K::Metafile},
        {K::EnhMetafile, Emf({0, 0, 9, 9}, {}), "TMetafile", true, K::EnhMetafile},
        // The metafile class tells the two kinds apart by their contents.
        {K::Metafile, Emf({0, 0, 9, 9}, {}), "TMetafile", true, K::EnhMetafile},
        {K::Icon, Ico(16, 16), "TIcon", false, K::Icon},
        {K::Png, Png(2, 3), "TPngImage", false, K::Png},
        {K::Unknown, Png(2, 3), "TPngImage", false, K::Png},
        {K::Unknown, Bmp(2, 3), "TBitmap", true, K::Bitmap},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        auto g = TGraphic::FromFile(c.kind, c.file);
        EXPECT_EQ(g->ClassName(), c.className);
        EXPECT_EQ(g->Kind(), c.resultKind);
        EXPECT_EQ(g->FileBytes(), c.file);
        EXPECT_EQ(g->StoredData(), c.counted ? LE32(uint32_t(c.file.size())) + c.file : c.file);
        // Reading the stored form back gives the same graphic.
        EXPECT_EQ(*TGraphic::FromStored(g->ClassName(), g->StoredData()), *g);
        TPicture p;
        p.SetGraphic(std::move(g));
        std::string name = c.className;
        EXPECT_EQ(p.StoredForm(), static_cast<char>(name.size()) + name +
                                      (c.counted ? LE32(uint32_t(c.file.size())) : "") + c.file);
    }
    // Bytes of no kind have no class to be stored with; a picture drops them.
    auto none = TGraphic::FromFile(K::Unknown, "no image");
    EXPECT_EQ(none->ClassName(), "");
    TPicture p;
    p.SetGraphic(std::move(none));
    EXPECT_TRUE(p.Empty());
}

TEST(PictureStoredForm, OddDataComesBackByteForByte) {
    using K = TGraphicKind;
    const std::string bmp = Bmp(2, 3);
    struct Case {
        const char* name;
        std::string className, stored;
        K kind;
        std::string fileBytes;
        int width, height;
    };
    const Case cases[] = {
        {"count past the end", "TBitmap", LE32(1000) + bmp, K::Bitmap, bmp, 2, 3},
        {"count short of the data", "TBitmap", LE32(30) + bmp, K::Bitmap, bmp.substr(0, 30), 2, 3},
        {"trailing bytes", "TJPEGImage", LE32(uint32_t(Jpeg(2, 3).size())) + Jpeg(2, 3) + "tail",
         K::Jpeg, Jpeg(2, 3), 2, 3},
        {"count cut", "TBitmap", "\x10\x00", K::Bitmap, "", 0, 0},
        {"no data", "TMetafile", "", K::Metafile, "", 0, 0},
        {"negative count", "TMetafile", LE32(0xFFFFFFFF) + Wmf(0, 0, 96, 96, 96), K::Metafile,
         Wmf(0, 0, 96, 96, 96), 96, 96},
        {"bitmap class holding a jpeg", "TBitmap", LE32(uint32_t(Jpeg(2, 3).size())) + Jpeg(2, 3),
         K::Bitmap, Jpeg(2, 3), 0, 0},
        {"unknown class", "TGIFImage", "GIF89a\x02\x00\x03\x00", K::Unknown,
         "GIF89a\x02\x00\x03\x00", 0, 0},
        {"unknown class holding a png", "TdxPNGImage", Png(2, 3), K::Png, Png(2, 3), 2, 3},
        {"icon raw, with tail", "TIcon", Ico(16, 16) + "xyz", K::Icon, Ico(16, 16) + "xyz", 16, 16},
        {"class name letter case", "tbitmap", LE32(uint32_t(bmp.size())) + bmp, K::Bitmap, bmp, 2,
         3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string form = static_cast<char>(c.className.size()) + c.className + c.stored;
        TPicture p;
        p.ReadStoredForm(form);
        ASSERT_FALSE(p.Empty());
        const TGraphic& g = *p.Graphic();
        EXPECT_EQ(g.ClassName(), c.className);
        EXPECT_EQ(g.StoredData(), c.stored);
        EXPECT_EQ(g.Kind(), c.kind);
        EXPECT_EQ(g.FileBytes(), c.fileBytes);
        EXPECT_EQ(p.Width(), c.width);
        EXPECT_EQ(p.Height(), c.height);
        EXPECT_EQ(p.StoredForm(), form);
    }
}

TEST(PictureStoredForm, BrokenFormsLeaveThePictureEmpty) {
    for (std::string form : {std::string(), std::string(1, '\0'), std::string("\x00TBitmap", 8),
                             std::string("\x08TBitmap"), std::string("\xFFTIcon")}) {
        SCOPED_TRACE(HexOf(form));
        TPicture p;
        p.LoadFromStream(Bmp(2, 3));
        int changes = 0;
        p.OnChange = [&] { ++changes; };
        p.ReadStoredForm(form);
        EXPECT_TRUE(p.Empty());
        EXPECT_EQ(p.StoredForm(), "");
        EXPECT_EQ(changes, 1);
    }
}

// ---------------------------------------------------------------- the picture

TEST(Picture, EveryChangeIsReported) {
    TPicture p, other;
    other.LoadFromStream(Png(2, 3));
    int changes = 0;
    p.OnChange = [&] { ++changes; };
    p.LoadFromStream(Bmp(2, 3));
    p.Assign(other);
    EXPECT_EQ(*p.Graphic(), *other.Graphic());
    EXPECT_NE(p.Graphic(), other.Graphic()); // a copy
    p.SetGraphic(TGraphic::FromFile(TGraphicKind::Icon, Ico(1, 1)));
    p.ReadStoredForm(other.StoredForm());
    p.LoadFromStream("garbage");
    p.Assign(other);
    p.Clear();
    p.LoadFromStream("");
    EXPECT_EQ(changes, 8);
    EXPECT_TRUE(p.Empty());
    EXPECT_EQ(p.Width(), 0);
}

TEST(Picture, LoadFromStream) {
    TPicture p;
    EXPECT_TRUE(p.LoadFromStream(Jpeg(2, 3)));
    EXPECT_EQ(p.Graphic()->ClassName(), "TJPEGImage");
    EXPECT_EQ(p.Width(), 2);
    EXPECT_EQ(p.Height(), 3);
    // Unrecognised and empty streams clear what was there.
    EXPECT_FALSE(p.LoadFromStream("not an image"));
    EXPECT_TRUE(p.Empty());
    p.LoadFromStream(Jpeg(2, 3));
    EXPECT_FALSE(p.LoadFromStream(""));
    EXPECT_TRUE(p.Empty());
}

TEST(Picture, FieldBytesWithTheHeaderLoadLikeTheBareImage) {
    for (const std::string& image : {Bmp(2, 3), Jpeg(2, 3), Wmf(0, 0, 96, 48, 96),
                                     Emf({0, 0, 9, 9}, {}), Ico(4, 4), Png(2, 3)}) {
        TPicture bare, field;
        ASSERT_TRUE(bare.LoadFromStream(image));
        ASSERT_TRUE(field.LoadFromStream(FieldHeader(image)));
        EXPECT_EQ(*field.Graphic(), *bare.Graphic());
        EXPECT_EQ(field.Graphic()->FileBytes(), image);
    }
}

// ---------------------------------------------------------------- binary property

TEST(PictureBinaryProperty, WritesDataOnlyWithAGraphic) {
    TPicture p;
    TfrxBinaryWriter empty;
    p.DefineBinaryProperties(empty);
    EXPECT_EQ(empty.Bytes(), "");

    p.LoadFromStream(Ico(16, 16));
    TfrxBinaryWriter w;
    p.DefineBinaryProperties(w);
    std::string form = "\x05TIcon" + Ico(16, 16);
    EXPECT_EQ(w.Bytes(), "\x04"
                         "Data\x0A" +
                             LE32(uint32_t(form.size())) + form);

    TfrxBinaryReader r(w.Bytes());
    TPicture back;
    ASSERT_EQ(r.ReadName(), "Data");
    EXPECT_TRUE(back.ReadBinaryProperty("Data", r));
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(*back.Graphic(), *p.Graphic());
}

TEST(PictureBinaryProperty, OtherNamesAndBrokenValues) {
    TPicture p;
    p.LoadFromStream(Bmp(2, 3));
    TfrxBinaryReader other(std::string("\x09", 1));
    EXPECT_FALSE(p.ReadBinaryProperty("Bitmap", other));
    EXPECT_FALSE(p.Empty());
    EXPECT_FALSE(other.AtEnd()); // not ours: left to the caller to skip

    // A value of another type, or a binary value cut short, is an error of the stream.
    for (std::string value : {"\x0C" + LE32(3) + "abc", "\x0A" + LE32(20) + "\x05TIcon",
                              std::string("\x0A\x01"), std::string()}) {
        SCOPED_TRACE(HexOf(value));
        TPicture q;
        q.LoadFromStream(Bmp(2, 3));
        TfrxBinaryReader r(value);
        EXPECT_THROW(q.ReadBinaryProperty("Data", r), Exception);
        EXPECT_TRUE(q.Empty());
    }
    TfrxBinaryReader cut("\x0A" + LE32(5));
    EXPECT_THROW(cut.ReadBinary(), Exception);
}

// A persistent object with a picture sub-object, as views and pages have.
class TPictureHolder : public TPersistent {
public:
    static const ClassInfo& StaticClass() {
        using T = TPictureHolder;
        static const ClassInfo info = MakeClassInfo(
            ClassBuilder<T>("TPictureHolder", nullptr)
                .Int(
                    "Tag", [](const T& o) { return o.Tag; }, [](T& o, int64_t v) { o.Tag = v; })
                .Sub("Picture", &TPicture::StaticClass(), [](const T& o) { return &o.Picture; }));
        return info;
    }
    const ClassInfo& ClassType() const override { return StaticClass(); }
    int64_t Tag = 0;
    TPicture Picture;
};

TEST(PictureSerializer, SubObjectRoundTripThroughPropData) {
    const std::string forms[] = {
        "\x07TBitmap" + LE32(uint32_t(Bmp(2, 3).size())) + Bmp(2, 3),
        "\x09TGIFImage" + std::string("GIF89a\x01\x00\x01\x00tail", 14),
        "\x0ATJPEGImage" + LE32(999) + Jpeg(2, 3),
    };
    for (const std::string& form : forms) {
        SCOPED_TRACE(HexOf(form));
        TPictureHolder holder;
        holder.Tag = 7;
        holder.Picture.ReadStoredForm(form);
        TfrxXMLSerializer s;
        AnsiString text = s.AttributesOf(&holder, "", nullptr);
        std::string data = "\x04"
                           "Data\x0A" +
                           LE32(uint32_t(form.size())) + form;
        EXPECT_EQ(text, " Tag=\"7\" Picture.PropData=\"" + HexOf(data) + "\"");

        TPictureHolder back;
        TfrxXMLSerializer r;
        r.ApplyAttributes(text, back);
        EXPECT_TRUE(r.Errors.empty());
        EXPECT_EQ(back.Tag, 7);
        ASSERT_FALSE(back.Picture.Empty());
        EXPECT_EQ(back.Picture.StoredForm(), form);
    }
    // No graphic, no attribute.
    TPictureHolder none;
    TfrxXMLSerializer s;
    EXPECT_EQ(s.AttributesOf(&none, "", nullptr), " Tag=\"0\"");
}

TEST(PictureSerializer, CutPropDataEndsQuietly) {
    TPictureHolder holder;
    holder.Picture.LoadFromStream(Png(2, 3));
    TfrxXMLSerializer s;
    AnsiString text = s.AttributesOf(&holder, "", nullptr);
    size_t close = text.rfind('"');
    for (size_t cut : {size_t{2}, size_t{11}, size_t{40}}) {
        AnsiString broken = text.substr(0, close - cut) + "\"";
        TPictureHolder back;
        back.Picture.LoadFromStream(Bmp(2, 3));
        TfrxXMLSerializer r;
        r.ApplyAttributes(broken, back);
        EXPECT_TRUE(back.Picture.Empty()) << cut;
    }
}

// ---------------------------------------------------------------- bad input

TEST(PictureRobustness, CutAndGarbageInputThroughEveryEntryPoint) {
    const std::string samples[] = {
        Bmp(2, 3),  CoreBmp(3, 2), Jpeg(2, 3), Wmf(0, 0, 96, 48, 96), Emf({0, 0, 9, 9}, {}),
        Ico(16, 8), Png(2, 3),
    };
    const TGraphicKind kinds[] = {
        TGraphicKind::Bitmap, TGraphicKind::Jpeg, TGraphicKind::Metafile, TGraphicKind::EnhMetafile,
        TGraphicKind::Icon,   TGraphicKind::Png,  TGraphicKind::Unknown};
    const char* classes[] = {"TBitmap", "TJPEGImage", "TMetafile", "TIcon", "TPngImage"};
    std::vector<std::string> inputs;
    for (const std::string& s : samples)
        for (size_t n = 0; n <= s.size(); ++n) {
            inputs.push_back(s.substr(0, n));
            inputs.push_back(FieldHeader(s.substr(0, n)));
        }
    std::mt19937 random(12345);
    for (int i = 0; i < 200; ++i) {
        std::string g(random() % 160, '\0');
        for (char& c : g)
            c = static_cast<char>(random() & 0xFF);
        // Random bytes after each signature reach the header readers.
        inputs.push_back(samples[i % std::size(samples)].substr(0, 2 + i % 40) + g);
    }
    auto sane = [](const TGraphic& g) {
        EXPECT_GE(g.Width(), 0);
        EXPECT_GE(g.Height(), 0);
        EXPECT_EQ(g.Width() == 0, g.Height() == 0);
    };
    for (const std::string& in : inputs) {
        TGraphicKind kind;
        size_t offset = 0;
        if (RecognizeGraphic(in, kind, offset)) {
            EXPECT_LE(offset, in.size());
        }
        TPicture p;
        p.LoadFromStream(in);
        for (TGraphicKind k : kinds)
            sane(*TGraphic::FromFile(k, in));
        for (const char* c : classes) {
            auto g = TGraphic::FromStored(c, in);
            sane(*g);
            EXPECT_EQ(g->StoredData(), in);
        }
        p.ReadStoredForm(in);
        TfrxBinaryReader r("\x0A" + LE32(uint32_t(in.size())) + in);
        p.ReadBinaryProperty("Data", r);
    }
}

// ---------------------------------------------------------------- files

class PictureFile : public ::testing::Test {
protected:
    AnsiString Write(const std::string& name, const std::string& bytes) {
        test::WriteFile(folder.Path() / name, bytes);
        return FromNativePath((folder.Path() / name).string());
    }
    test::TempFolder folder{"picture"};
};

TEST_F(PictureFile, ByExtensionAndByContents) {
    using K = TGraphicKind;
    struct Case {
        const char* file;
        std::string bytes;
        K kind;
        const char* className;
    };
    const Case cases[] = {
        {"a.bmp", Bmp(2, 3), K::Bitmap, "TBitmap"},
        {"b.JPG", Jpeg(2, 3), K::Jpeg, "TJPEGImage"},
        {"c.jpeg", Jpeg(2, 3), K::Jpeg, "TJPEGImage"},
        {"d.jpe", Jpeg(2, 3), K::Jpeg, "TJPEGImage"},
        {"e.Jfif", Jpeg(2, 3), K::Jpeg, "TJPEGImage"},
        {"f.wmf", Wmf(0, 0, 96, 48, 96), K::Metafile, "TMetafile"},
        {"g.EMF", Emf({0, 0, 9, 9}, {}), K::EnhMetafile, "TMetafile"},
        {"h.wmf", Emf({0, 0, 9, 9}, {}), K::EnhMetafile, "TMetafile"},
        {"i.ico", Ico(16, 16), K::Icon, "TIcon"},
        {"j.png", Png(2, 3), K::Png, "TPngImage"},
        {"k.dat", Png(2, 3), K::Png, "TPngImage"},
        {"no extension", Bmp(2, 3), K::Bitmap, "TBitmap"},
        {"dots.in.name.tmp", Jpeg(2, 3), K::Jpeg, "TJPEGImage"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TPicture p;
        int changes = 0;
        p.OnChange = [&] { ++changes; };
        p.LoadFromFile(Write(c.file, c.bytes));
        ASSERT_FALSE(p.Empty());
        EXPECT_EQ(p.Graphic()->Kind(), c.kind);
        EXPECT_EQ(p.Graphic()->ClassName(), c.className);
        EXPECT_EQ(p.Graphic()->FileBytes(), c.bytes);
        EXPECT_EQ(changes, 1);
    }
}

TEST_F(PictureFile, NonAsciiPath) {
    std::filesystem::create_directories(folder.Path() / "obrázky");
    TPicture p;
    p.LoadFromFile(Write("obrázky/žluťoučký.png", Png(2, 3)));
    EXPECT_EQ(p.Width(), 2);
}

TEST_F(PictureFile, ContentsThatDoNotFit) {
    for (auto [name, bytes] : {std::pair<const char*, std::string>{"jpeg.bmp", Jpeg(2, 3)},
                               {"bitmap.png", Bmp(2, 3)},
                               {"empty.jpg", ""},
                               {"text.wmf", "plain text, no metafile"},
                               {"cursor.ico", Ico(16, 16, 2)},
                               {"notes.txt", "plain text"},
                               {"empty", ""}}) {
        SCOPED_TRACE(name);
        TPicture p;
        p.LoadFromStream(Ico(4, 4));
        AnsiString path = Write(name, bytes);
        try {
            p.LoadFromFile(path);
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), Utf8ToAnsi("Neznámý formát obrázku v souboru \"") + path + "\"");
        }
        EXPECT_EQ(p.Width(), 4); // unchanged
    }
}

TEST_F(PictureFile, MissingFile) {
    AnsiString path = FromNativePath((folder.Path() / "missing.png").string());
    TPicture p;
    try {
        p.LoadFromFile(path);
        ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.Message().rfind("Cannot open file \"" + path + "\". ", 0), 0u) << e.Message();
    }
    EXPECT_THROW(p.LoadFromFile(FromNativePath(folder.Path().string())), EFileError);
}

} // namespace
} // namespace kanvo
