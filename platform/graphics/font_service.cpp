#include "platform/graphics/font_service.h"

#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/files.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_DRIVER_H
#include FT_MODULE_H

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <unordered_map>

namespace kanvo {

int CharsetCodePage(int charset) {
    switch (charset) {
    case kDefaultCharset:
        return ProcessCodePage();
    case kSymbolCharset:
        return 0;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 1252;
    }
}

int CodePageCharset(int codePage) {
    static const std::pair<int, int> table[] = {{1252, 0},   {932, 128},  {949, 129},  {1361, 130},
                                                {936, 134},  {950, 136},  {1253, 161}, {1254, 162},
                                                {1258, 163}, {1255, 177}, {1256, 178}, {1257, 186},
                                                {1251, 204}, {874, 222},  {1250, 238}};
    for (const auto& [page, charset] : table)
        if (page == codePage)
            return charset;
    return 0;
}

class FontFace {
public:
    std::string path;
    int index = 0;
    std::vector<uint8_t> data;
    FT_Face measure = nullptr; // used for measuring under the service lock
    FT_Face draw = nullptr;    // handed to the drawing backend
    int currentPixels = 0;
    // advance cache: pixel height -> advance of every UTF-16 unit (-1 = not yet)
    std::unordered_map<int, std::vector<int32_t>> advances;
    std::map<int, FontPixelMetrics> pixelMetrics;
    std::map<int, PdfFontMetrics> pdfMetrics;
};

struct FontService::Impl {
    FT_Library library = nullptr;
    // key: lower-cased family + '\0' + style (bold/italic bits)
    std::unordered_map<std::string, FontFace*> byRequest;
    // key: path + index -> the opened face (files are opened once)
    std::map<std::pair<std::string, int>, std::unique_ptr<FontFace>> byFile;
};

FontService& FontService::Instance() {
    static FontService* service = new FontService(); // lives until the process ends
    return *service;
}

FontService::FontService() : impl_(std::make_unique<Impl>()) {
    if (FT_Init_FreeType(&impl_->library) != 0)
        throw Exception("Cannot initialise the font library.");
    // The classic interpreter hints horizontally too, so advances are whole
    // pixels of the hinted outline, as a Windows canvas reports them.
    FT_UInt version = TT_INTERPRETER_VERSION_35;
    FT_Property_Set(impl_->library, "truetype", "interpreter-version", &version);
    FcInit();
    // No FcFini at exit: the GUI toolkit shares fontconfig and may still hold
    // its caches then, which FcFini asserts against. The process's end frees
    // the configuration (the leak checker's suppressions name fontconfig).
}

FontService::~FontService() = default;

namespace {

std::string LowerAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return r;
}

bool MatchFile(std::string_view family, int style, std::string& path, int& index) {
    FcPattern* pattern = FcPatternCreate();
    if (!family.empty()) {
        std::string name(family);
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    }
    FcPatternAddInteger(pattern, FC_WEIGHT,
                        (style & kFontBold) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT,
                        (style & kFontItalic) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    bool found = false;
    if (match) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
            path = reinterpret_cast<const char*>(file);
            index = 0;
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            found = true;
        }
        FcPatternDestroy(match);
    }
    return found;
}

bool AnyFontFile(std::string& path) {
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* os = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, os);
    bool found = false;
    if (set) {
        for (int i = 0; i < set->nfont && !found; ++i) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) == FcResultMatch && file) {
                path = reinterpret_cast<const char*>(file);
                found = true;
            }
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(os);
    FcPatternDestroy(pattern);
    return found;
}

int Round(double v) {
    return static_cast<int>(std::lround(v));
}

void SetPixels(FontFace& face, int pixels) {
    if (face.currentPixels != pixels) {
        FT_Set_Pixel_Sizes(face.measure, 0, static_cast<FT_UInt>(pixels));
        face.currentPixels = pixels;
    }
}

} // namespace

const FontFace& FontService::Resolve(std::string_view family, int style) {
    std::lock_guard lock(mutex_);
    style &= kFontBold | kFontItalic;
    std::string key = LowerAscii(family);
    key.push_back('\0');
    key.push_back(static_cast<char>('0' + style));
    if (auto it = impl_->byRequest.find(key); it != impl_->byRequest.end())
        return *it->second;

    auto open = [&](const std::string& path, int index) -> FontFace* {
        auto fileKey = std::make_pair(path, index);
        if (auto it = impl_->byFile.find(fileKey); it != impl_->byFile.end())
            return it->second.get();
        auto face = std::make_unique<FontFace>();
        face->path = path;
        face->index = index;
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return nullptr;
        face->data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (face->data.empty())
            return nullptr;
        if (FT_New_Memory_Face(impl_->library, face->data.data(),
                               static_cast<FT_Long>(face->data.size()), index, &face->measure) != 0)
            return nullptr;
        if (FT_New_Memory_Face(impl_->library, face->data.data(),
                               static_cast<FT_Long>(face->data.size()), index, &face->draw) != 0) {
            FT_Done_Face(face->measure);
            return nullptr;
        }
        if (!FT_IS_SCALABLE(face->measure)) {
            FT_Done_Face(face->measure);
            FT_Done_Face(face->draw);
            return nullptr;
        }
        FontFace* raw = face.get();
        impl_->byFile.emplace(fileKey, std::move(face));
        return raw;
    };

    FontFace* face = nullptr;
    std::string path;
    int index = 0;
    if (MatchFile(family, style, path, index))
        face = open(path, index);
    if (!face && MatchFile("Liberation Sans", style, path, index))
        face = open(path, index);
    if (!face && AnyFontFile(path))
        face = open(path, 0);
    if (!face)
        throw Exception("No font is installed.");
    impl_->byRequest.emplace(key, face);
    return *face;
}

int FontService::Advance(const FontFace& constFace, char16_t ch, int pixelHeight) {
    std::lock_guard lock(mutex_);
    auto& face = const_cast<FontFace&>(constFace);
    if (pixelHeight < 1)
        pixelHeight = 1;
    auto& table = face.advances[pixelHeight];
    if (table.empty())
        table.assign(65536, -1);
    int32_t& slot = table[ch];
    if (slot >= 0)
        return slot;
    SetPixels(face, pixelHeight);
    FT_UInt glyph = FT_Get_Char_Index(face.measure, ch);
    int advance = 0;
    if (FT_Load_Glyph(face.measure, glyph, FT_LOAD_DEFAULT) == 0)
        advance = static_cast<int>((face.measure->glyph->advance.x + 32) >> 6);
    if (advance < 0)
        advance = 0;
    slot = advance;
    return advance;
}

std::vector<int> FontService::Advances(const FontFace& face, std::u16string_view text,
                                       int pixelHeight) {
    std::lock_guard lock(mutex_);
    std::vector<int> result(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        result[i] = Advance(face, text[i], pixelHeight);
    return result;
}

int FontService::TextWidth(const FontFace& face, std::u16string_view text, int pixelHeight) {
    std::lock_guard lock(mutex_);
    int sum = 0;
    for (char16_t ch : text)
        sum += Advance(face, ch, pixelHeight);
    return sum;
}

FontPixelMetrics FontService::PixelMetrics(const FontFace& constFace, int pixelHeight) {
    std::lock_guard lock(mutex_);
    auto& face = const_cast<FontFace&>(constFace);
    if (pixelHeight < 1)
        pixelHeight = 1;
    if (auto it = face.pixelMetrics.find(pixelHeight); it != face.pixelMetrics.end())
        return it->second;
    FT_Face f = face.measure;
    double scale = static_cast<double>(pixelHeight) / f->units_per_EM;
    FontPixelMetrics m;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && (os2->usWinAscent + os2->usWinDescent) > 0) {
        m.ascent = Round(os2->usWinAscent * scale);
        m.descent = Round(os2->usWinDescent * scale);
        m.strikeOutPosition = Round(os2->yStrikeoutPosition * scale);
    } else {
        m.ascent = Round(f->ascender * scale);
        m.descent = Round(-f->descender * scale);
        m.strikeOutPosition = Round(f->ascender * scale * 0.3);
    }
    m.underlinePosition = Round(-f->underline_position * scale);
    m.underlineThickness = std::max(1, Round(f->underline_thickness * scale));
    face.pixelMetrics.emplace(pixelHeight, m);
    return m;
}

PdfFontMetrics FontService::PdfMetrics(const FontFace& constFace, int codePage) {
    std::lock_guard lock(mutex_);
    auto& face = const_cast<FontFace&>(constFace);
    if (codePage == 0 || !IsSingleByteCodePage(codePage))
        codePage = IsSupportedCodePage(codePage) ? codePage : 1252;
    if (auto it = face.pdfMetrics.find(codePage); it != face.pdfMetrics.end())
        return it->second;
    FT_Face f = face.measure;
    const double s = 1000.0 / f->units_per_EM;
    PdfFontMetrics m;
    auto* head = static_cast<TT_Header*>(FT_Get_Sfnt_Table(f, FT_SFNT_HEAD));
    auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(f, FT_SFNT_HHEA));
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
    auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(f, FT_SFNT_POST));
    if (head) {
        m.bboxLeft = Round(head->xMin * s);
        m.bboxBottom = Round(head->yMin * s);
        m.bboxRight = Round(head->xMax * s);
        m.bboxTop = Round(head->yMax * s);
    } else {
        m.bboxLeft = Round(f->bbox.xMin * s);
        m.bboxBottom = Round(f->bbox.yMin * s);
        m.bboxRight = Round(f->bbox.xMax * s);
        m.bboxTop = Round(f->bbox.yMax * s);
    }
    if (post)
        m.italicAngle = post->italicAngle / 65536.0;
    bool haveOs2 = os2 && os2->version != 0xFFFF;
    if (haveOs2) {
        m.ascent = Round(os2->sTypoAscender * s);
        m.descent = Round(os2->sTypoDescender * s);
        m.internalLeading = Round((os2->usWinAscent + os2->usWinDescent - f->units_per_EM) * s);
        m.capHeight =
            os2->version >= 2 && os2->sCapHeight > 0 ? Round(os2->sCapHeight * s) : m.ascent;
        m.weight = os2->usWeightClass;
        m.avgWidth = Round(os2->xAvgCharWidth * s);
        if (os2->usFirstCharIndex < 256)
            m.firstChar = std::max<int>(os2->usFirstCharIndex, 0);
        m.lastChar = os2->usLastCharIndex < 255 ? os2->usLastCharIndex : 255;
        if (m.firstChar > m.lastChar)
            m.firstChar = 0;
    } else {
        m.ascent = Round(f->ascender * s);
        m.descent = Round(f->descender * s);
        m.internalLeading = Round((f->ascender - f->descender - f->units_per_EM) * s);
        m.capHeight = m.ascent;
        m.weight = (f->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
    }
    m.maxWidth = Round((hhea ? hhea->advance_Width_Max : f->max_advance_width) * s);
    if (const char* ps = FT_Get_Postscript_Name(f))
        m.postScriptName = ps;
    if (f->family_name)
        m.familyName = f->family_name;

    std::string bytes(256, '\0');
    for (int i = 0; i < 256; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<char>(i);
    WideString chars = AnsiToWide(bytes, codePage);
    if (chars.size() != 256)
        chars.resize(256, u'?');
    for (int i = 0; i < 256; ++i) {
        FT_UInt glyph = FT_Get_Char_Index(f, chars[static_cast<size_t>(i)]);
        AbcWidth abc;
        if (FT_Load_Glyph(f, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0) {
            const FT_Glyph_Metrics& gm = f->glyph->metrics;
            int advance = Round(gm.horiAdvance * s);
            abc.a = Round(gm.horiBearingX * s);
            abc.b = Round(gm.width * s);
            abc.c = advance - abc.a - abc.b;
        }
        m.abc[static_cast<size_t>(i)] = abc;
    }
    if (!haveOs2) {
        long sum = 0;
        int count = 0;
        for (int i = 32; i < 127; ++i) {
            sum += m.abc[static_cast<size_t>(i)].a + m.abc[static_cast<size_t>(i)].b +
                   m.abc[static_cast<size_t>(i)].c;
            ++count;
        }
        m.avgWidth = static_cast<int>(sum / count);
    }
    face.currentPixels = 0; // the unscaled loads changed nothing, but stay safe
    face.pdfMetrics.emplace(codePage, m);
    return m;
}

const std::vector<uint8_t>& FontService::RawFontData(const FontFace& face) {
    return face.data;
}

int FontService::RealizedCharset(const FontFace& face, int charset) {
    std::lock_guard lock(mutex_);
    FT_Face f = face.measure;
    if (charset == kSymbolCharset) {
        for (int i = 0; i < f->num_charmaps; ++i)
            if (f->charmaps[i]->encoding == FT_ENCODING_MS_SYMBOL)
                return kSymbolCharset;
        return kAnsiCharset;
    }
    if (charset == kDefaultCharset)
        charset = CodePageCharset(ProcessCodePage());
    int codePage = CharsetCodePage(charset);
    auto has = [&](char16_t ch) { return FT_Get_Char_Index(f, ch) != 0; };
    bool covered = true;
    switch (codePage) {
    case 932:
        covered = has(u'\u3042');
        break;
    case 936:
    case 950:
        covered = has(u'\u4E00');
        break;
    case 949:
    case 1361:
        covered = has(u'\uAC00');
        break;
    default: {
        std::string bytes;
        for (int i = 0xC0; i < 0x100; ++i)
            bytes.push_back(static_cast<char>(i));
        if (codePage == 874)
            bytes = "\xA1\xA2\xA3\xA4\xA5";
        WideString chars = AnsiToWide(bytes, codePage);
        int missing = 0;
        for (char16_t ch : chars)
            if (ch != u'?' && !has(ch))
                ++missing;
        covered = missing * 4 < static_cast<int>(chars.size());
    }
    }
    return covered ? charset : kAnsiCharset;
}

std::string FontService::FamilyName(const FontFace& face) {
    return face.measure->family_name ? face.measure->family_name : "";
}

std::string FontService::FilePath(const FontFace& face) {
    return face.path;
}

int FontService::OpenedFaceCount() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(impl_->byFile.size());
}

void* FontService::DrawingFace(const FontFace& face) {
    return face.draw;
}

} // namespace kanvo
