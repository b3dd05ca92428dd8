// The text path of the page writer and the font resources it needs.
//
// A memo taking the text path gets one text object per laid-out line, in the
// memo's font, with the bytes of the line in the code page of the font's
// character set as a hexadecimal string. The fonts are registered per
// document by name, style and character set (TfrxPDFFile::FontIndex) and
// written at save time from the font service's metrics at a 1000-unit em.
#include "pdf/pdf_file.h"

#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/font_service.h"
#include "report/engine/draw_text.h"
#include "report/engine/memo_layout.h"
#include "report/model/views.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

namespace kanvo {
namespace {

constexpr const char kHex[] = "0123456789ABCDEF";

// Serialises the text path: the shared text layout's font and spacing, the
// metrics taken from it and all lines of one memo.
std::mutex& TextPathLock() {
    static std::mutex lock;
    return lock;
}

struct DifferencesEncoding {
    int charset;
    const char* first;
    const char* second;
    const char* third; // a line of its own after the second, or nullptr
};

// Glyph names of the code pages above WinAnsi, by realised character set.
const DifferencesEncoding kDifferences[] = {
    {161, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding",
     "/Differences [ 128 /Euro 160 /quoteleft/quoteright 175 /afii00208 180 "
     "/tonos/dieresistonos/Alphatonos 184 /Epsilontonos/Etatonos/Iotatonos 188 /Omicrontonos 190 "
     "/Upsilontonos/Omegatonos/iotadieresistonos/Alpha/Beta/Gamma/Delta/Epsilon/Zeta/Eta/Theta/"
     "Iota/Kappa/Lambda/Mu/Nu/Xi/Omicron/Pi/Rho 211 "
     "/Sigma/Tau/Upsilon/Phi/Chi/Psi/Omega/Iotadieresis/Upsilondieresis/alphatonos/epsilontonos/"
     "etatonos/iotatonos/upsilondieresistonos/alpha/beta/gamma/delta/epsilon/zeta/eta/theta/iota/"
     "kappa/lambda/mu/nu/xi/omicron/pi/rho/sigma1/sigma/tau/upsilon/phi/chi/psi/omega/iotadieresis/"
     "upsilondieresis/omicrontonos/upsilontonos/omegatonos ]>>",
     nullptr},
    {162, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding",
     "/Differences [ 128 /Euro 130 /quotesinglbase/florin/quotedblbase/ellipsis/dagger "
     "/daggerdbl/circumflex/perthousand/Scaron/guilsinglleft/OE 145 "
     "/quoteleft/quoteright/quotedblleft/quotedblright "
     "/bullet/endash/emdash/tilde/trademark/scaron/guilsinglright/oe 159 /Ydieresis 208 /Gbreve "
     "221 /Idotaccent/Scedilla 240 /gbreve 253 /dotlessi/scedilla]>>",
     nullptr},
    {163, "/Encoding <</Type /Encoding /BaseEncoding /WinAnsiEncoding",
     "/Differences [128 /Euro 130 /quotesinglbase /florin /quotedblbase /ellipsis /dagger "
     "/daggerdbl /circumflex /perthousand 139 /guilsinglleft /OE 145 /quoteleft /quoteright "
     "/quotedblleft /quotedblright /bullet /endash /emdash /tilde /trademark 155 /guilsinglright "
     "/oe 159 /Ydieresis /space /exclamdown /cent /sterling /currency /yen /brokenbar /section "
     "/dieresis /copyright /ordfeminine /guillemotleft /logicalnot /hyphen  /registered /macron "
     "/degree /plusminus /twosuperior /threesuperior /acute /mu /paragraph /periodcentered "
     "/cedilla /onesuperior /ordmasculine /guillemotright /onequarter /onehalf /threequarters "
     "/questiondown /Agrave /Aacute /Acircumflex /Abreve /Adieresis /Aring /AE /Ccedilla /Egrave "
     "/Eacute /Ecircumflex /Edieresis /gravetonecmb /Iacute /Icircumflex /Idieresis /Dcroat "
     "/Ntilde /hookabovecomb /Oacute /Ocircumflex /Ohorn /Odieresis /multiply /Oslash /Ugrave "
     "/Uacute /Ucircumflex /Udieresis /Uhorn /tildecomb /germandbls /agrave /aacute /acircumflex "
     "/abreve /adieresis /aring /ae /ccedilla /egrave /eacute /ecircumflex /edieresis "
     "/acutetonecmb /iacute /icircumflex /idieresis /dcroat /ntilde /dotbelowcomb /oacute "
     "/ocircumflex /ohorn /odieresis /divide /oslash /ugrave /uacute /ucircumflex /udieresis "
     "/uhorn /dong /ydieresis]>>",
     nullptr},
    {177, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding",
     "/Differences [ 128 /Euro 130 /quotesinglbase/florin/quotedblbase/ellipsis "
     "/dagger/daggerdbl/circumflex/perthousand 139 /guilsinglleft 145 "
     "/quoteleft/quoteright/quotedblleft/quotedblright /bullet/endash/emdash/tilde/trademark 155 "
     "/perthousand 164 /afii57636 170 /multiply 186 /divide 192 "
     "/afii57799/afii57801/afii57800/afii57802/afii57793 "
     "/afii57794/afii57795/afii57798/afii57797/afii57806 203 "
     "/afii57796/afii57807/afii57839/afii57645/afii57841/afii57842 "
     "/afii57804/afii57803/afii57658/afii57716/afii57717/afii57718 224 "
     "/afii57664/afii57665/afii57666/afii57667/afii57668/afii57669 "
     "/afii57670/afii57671/afii57672/afii57673/afii57674/afii57675 "
     "/afii57676/afii57677/afii57678/afii57679/afii57680/afii57681 "
     "/afii57682/afii57683/afii57684/afii57685/afii57686/afii57687 /afii57688/afii57689/afii57690 "
     "253 /afii299/afii300]>>",
     nullptr},
    {178, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding",
     "/Differences [ 128 "
     "/Euro/afii57506/quotesinglbase/florin/quotedblbase/ellipsis/dagger/daggerdbl/circumflex/"
     "perthousand/afii57511/guilsinglleft/OE/afii57507/afii57508 144 "
     "/afii57509/quoteleft/quoteright/quotedblleft/quotedblright/bullet/endash/emdash 153 "
     "/trademark/afii57513/guilsinglright/oe/afii61664/afii301/afii57514 161 /afii57388 186 "
     "/afii57403 191 /afii57407 193 "
     "/afii57409/afii57410/afii57411/afii57412/afii57413/afii57414/afii57415/afii57416/afii57417/"
     "afii57418/afii57419/afii57420/afii57421/afii57422/afii57423/afii57424/afii57425/afii57426/"
     "afii57427/afii57428/afii57429/afii57430 216 "
     "/afii57431/afii57432/afii57433/afii57434/afii57440/afii57441/afii57442/afii57443/afii57444 "
     "227 /afii57445/afii57446/afii57470/afii57448/afii57449/afii57450 240 "
     "/afii57451/afii57452/afii57453/afii57454/afii57455/afii57456 248 /afii57457 250 /afii57458 "
     "253 /afii299/afii300/afii57519]>>",
     nullptr},
    {186, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding",
     "/Differences [ 128 /Euro /space /quotesinglbase /space /quotedblbase /ellipsis /dagger "
     "/daggerdbl /space /perthousand /space /guilsinglleft /space /dieresis /caron /cedilla /space "
     "/quoteleft /quoteright /quotedblleft /quotedblright /bullet /endash /emdash /space "
     "/trademark /space /guilsinglright /space /macron /ogonek /space 170 /Rcommaaccent 175 /AE "
     "184 /oslash 186 /rcommaaccent 191 /ae /Aogonek /Iogonek /Amacron /Cacute 198 /Eogonek "
     "/Emacron /Ccaron 202 /Zacute /Edotaccent /Gcommaaccent /Kcommaaccent /Imacron /Lcommaaccent "
     "/Scaron /Nacute /Ncommaaccent /trademark /Omacron 216 /Uogonek /Lslash /Sacute /Umacron 221 "
     "/Zdotaccent /Zcaron 224 /aogonek /iogonek /amacron /cacute 230 /eogonek /emacron /ccaron 234 "
     "/zacute /edotaccent /gcommaaccent /kcommaaccent /imacron /lcommaaccent /scaron /nacute "
     "/ncommaaccent 244 /omacron 248 /uogonek /lslash /OE /umacron 253 /zdotaccent /zcaron "
     "/dotaccent ]>>",
     nullptr},
    {204, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding",
     "/Differences [129 "
     "/afii10052/quotesinglbase/afii10100/quotedblbase/ellipsis/dagger/daggerdbl/Euro/perthousand/"
     "afii10058/guilsinglleft/afii10059/afii10061/afii10060/afii10145/afii10099/quoteleft/"
     "quoteright/quotedblleft/quotedblright/bullet/endash/emdash/space/trademark/afii10106/"
     "guilsinglright/afii10107/afii10109/afii10108/afii10193/space/afii10062/afii10110/afii10057/"
     "currency/afii10050/brokenbar/section/afii10023/copyright/afii10053/guillemotleft/logicalnot/"
     "hyphen/registered/afii10056/degree/plusminus/afii10055/afii10103/afii10098/mu/paragraph/"
     "periodcentered/afii10071/afii61352/afii10101/guillemotright/afii10105/afii10054/afii10102/"
     "afii10104/afii10017/afii10018/afii10019/afii10020/afii10021/afii10022/afii10024/afii10025/"
     "afii10026/afii10027/afii10028/afii10029/afii10030/afii10031/afii10032/afii10033/afii10034/"
     "afii10035/afii10036/afii10037/afii10038/afii10039/afii10040/afii10041/afii10042/afii10043/"
     "afii10044/afii10045/afii10046/afii10047/afii10048/afii10049/afii10065/afii10066/afii10067/"
     "afii10068/afii10069/afii10070/afii10072/afii10073/afii10074/afii10075/afii10076/afii10077/"
     "afii10078/afii10079/afii10080/afii10081/afii10082/afii10083/afii10084/afii10085/afii10086/"
     "afii10087/afii10088/afii10089/afii10090/afii10091/afii10092/afii10093/afii10094/afii10095/"
     "afii10096/afii10097/space]",
     ">>"},
    {222, "/Encoding <</Type /Encoding /BaseEncoding /WinAnsiEncoding",
     "/Differences [128 /Euro 133 /ellipsis 145 /quoteleft /quoteright /quotedblleft "
     "/quotedblright /bullet /endash /emdash 160 /space /kokaithai /khokhaithai /khokhuatthai "
     "/khokhwaithai /khokhonthai /khorakhangthai /ngonguthai /chochanthai /chochingthai "
     "/chochangthai /sosothai /chochoethai /yoyingthai /dochadathai /topatakthai /thothanthai "
     "/thonangmonthothai /thophuthaothai /nonenthai /dodekthai /totaothai /thothungthai "
     "/thothahanthai /thothongthai /nonuthai /bobaimaithai /poplathai /phophungthai /fofathai "
     "/phophanthai /fofanthai /phosamphaothai /momathai /yoyakthai /roruathai /ruthai /lolingthai "
     "/luthai /wowaenthai /sosalathai /sorusithai /sosuathai /hohipthai /lochulathai /oangthai "
     "/honokhukthai /paiyannoithai /saraathai /maihanakatthai /saraaathai /saraamthai /saraithai "
     "/saraiithai /sarauethai /saraueethai /sarauthai /sarauuthai /phinthuthai 223 /bahtthai "
     "/saraethai /saraaethai /saraothai /saraaimaimuanthai  /saraaimaimalaithai /lakkhangyaothai "
     "/maiyamokthai /maitaikhuthai /maiekthai /maithothai /maitrithai /maichattawathai "
     "/thanthakhatthai /nikhahitthai /yamakkanthai /fongmanthai /zerothai /onethai /twothai "
     "/threethai /fourthai /fivethai /sixthai /seventhai /eightthai /ninethai /angkhankhuthai "
     "/khomutthai]>>",
     nullptr},
    {238, "/Encoding <</Type/Encoding /BaseEncoding /WinAnsiEncoding",
     "/Differences [128 /Euro 140 /Sacute /Tcaron /Zcaron /Zacute 156 /sacute /tcaron /zcaron "
     "/zacute 161 /caron /breve /Lslash 165 /Aogonek 170 /Scedilla 175 /Zdotaccent 178 /ogonek "
     "/lslash 185 /aogonek /scedilla 188 /Lcaron /hungarumlaut /lcaron /zdotaccent /Racute 195 "
     "/Abreve 197 /Lacute /Cacute 200 /Ccaron 202 /Eogonek 204 /Ecaron 207 /Dcaron /Dslash 209 "
     "/Nacute /Ncaron /Oacute 213 /Ohungarumlaut 216 /Rcaron /Uring 219 /Uhungarumlaut 222 "
     "/Tcedilla 224 /racute 227 /abreve 229 /lacute /cacute /ccedilla /ccaron 234 /eogonek 236 "
     "/ecaron 239 /dcaron /dmacron /nacute /ncaron 245 /ohungarumlaut 248 /rcaron /uring 251 "
     "/uhungarumlaut 254 /tcedilla /dotaccent]>>",
     nullptr},
};

struct CompositeEncoding {
    int charset;
    const char* encoding;
    const char* winCharSet;
    const char* ordering;
    const char* supplement;
    const char* widths;
};

const CompositeEncoding kComposite[] = {
    {128, "/Encoding /90msp-RKSJ-H", "/WinCharSet 80", "/Ordering(Japan1)", "/Supplement 2",
     "/W [ 1 95 500 231 632 500 ]"},
    {129, "/Encoding /KSCms-UHC-H", "/WinCharSet 129", "/Ordering(Korea1)", "/Supplement 1",
     "/W [ 1 95 500 8094 8190 500 ]"},
    {134, "/Encoding /GB-EUC-H", "/WinCharSet 134", "/Ordering(GB1)", "/Supplement 2",
     "/W [ 1 95 500 814 939 500 7712 [ 500 ] 7716 [ 500 ] ]"},
    {136, "/Encoding /ETenms-B5-H", "/WinCharSet 136", "/Ordering(CNS1)", "/Supplement 0",
     "/W [1 95 500]"},
};

const CompositeEncoding* FindComposite(int charset) {
    for (const auto& entry : kComposite)
        if (entry.charset == charset)
            return &entry;
    return nullptr;
}

// A font file with TrueType outlines ("glyf"), which is what FontFile2 holds.
bool IsTrueTypeFile(const std::vector<uint8_t>& data) {
    if (data.size() < 12)
        return false;
    const uint32_t tag = (uint32_t{data[0]} << 24) | (uint32_t{data[1]} << 16) |
                         (uint32_t{data[2]} << 8) | uint32_t{data[3]};
    return tag == 0x00010000 || tag == 0x74727565; // 1.0 or "true"
}

// Any sfnt font file (TrueType, OpenType with CFF outlines, a collection):
// one the platform has outline metrics for.
bool HasOutlineMetrics(const std::vector<uint8_t>& data) {
    if (IsTrueTypeFile(data))
        return true;
    if (data.size() < 12)
        return false;
    const std::string tag(data.begin(), data.begin() + 4);
    return tag == "OTTO" || tag == "ttcf";
}

std::string Reference(int object) {
    return std::to_string(object) + " 0 R";
}

// Lines at CR LF, lone CR, lone LF and U+2028; a break at the very end adds
// no empty line, and an empty text has none.
std::vector<WideString> SplitLines(const WideString& text) {
    std::vector<WideString> lines;
    WideString current;
    bool open = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n' || c == u'\u2028') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            lines.push_back(std::move(current));
            current.clear();
            open = false;
        } else {
            current += c;
            open = true;
        }
    }
    if (open)
        lines.push_back(std::move(current));
    return lines;
}

bool IsBlank(std::u16string_view line) {
    return std::all_of(line.begin(), line.end(), [](char16_t c) { return c <= 32; });
}

} // namespace

// --- text helpers ---

int PdfTextCodePage(int charset) {
    switch (charset) {
    case kDefaultCharset: {
        const int system = CodePageCharset(ProcessCodePage());
        return CharsetCodePage(system == kDefaultCharset ? kAnsiCharset : system);
    }
    case kSymbolCharset:
        return 0;
    default:
        return CharsetCodePage(charset);
    }
}

std::string PdfTextBytes(std::u16string_view text, int charset) {
    int codePage = PdfTextCodePage(charset);
    if (codePage == 0) {
        std::string bytes;
        bytes.reserve(text.size());
        for (char16_t c : text) {
            if (c < 0x100 || (c >= 0xF000 && c <= 0xF0FF))
                bytes += static_cast<char>(c & 0xFF);
            else
                bytes += '?';
        }
        return bytes;
    }
    if (!IsSupportedCodePage(codePage))
        codePage = 1252;
    return WideToAnsi(text, codePage);
}

std::string PdfBaseFontName(const AnsiString& name, int style) {
    WideString text;
    for (char16_t c : AnsiToWide(name)) {
        if (c == u' ')
            text += u"#20";
        else
            text += c;
    }
    if (style & (kFontBold | kFontItalic)) {
        text += u',';
        if (style & kFontBold)
            text += u"Bold";
        if (style & kFontItalic)
            text += u"Italic";
    }
    std::string out;
    for (char16_t c : text) {
        const unsigned low = c & 0xFFu;
        if (low >= 128) {
            out += '#';
            out += kHex[low >> 4];
            out += kHex[low & 15];
        } else if (c < 128) {
            out += static_cast<char>(c);
        } else {
            out += WideToAnsi(std::u16string_view(&c, 1));
        }
    }
    return out;
}

std::string PdfEncodingLines(int charset) {
    switch (charset) {
    case kAnsiCharset:
        return "/Encoding /WinAnsiEncoding\r\n";
    case kSymbolCharset:
        return "/Encoding /MacRomanEncoding\r\n";
    default:
        break;
    }
    if (const CompositeEncoding* composite = FindComposite(charset))
        return std::string(composite->encoding) + "\r\n";
    for (const auto& entry : kDifferences) {
        if (entry.charset != charset)
            continue;
        std::string lines = std::string(entry.first) + "\r\n" + entry.second + "\r\n";
        if (entry.third != nullptr)
            lines += std::string(entry.third) + "\r\n";
        return lines;
    }
    return "";
}

WideString ReorderRightToLeft(std::u16string_view line) {
    WideString text(line.rbegin(), line.rend());
    for (char16_t& c : text) {
        switch (c) {
        case u'(':
            c = u')';
            break;
        case u')':
            c = u'(';
            break;
        case u'[':
            c = u']';
            break;
        case u']':
            c = u'[';
            break;
        default:
            break;
        }
    }
    auto inRun = [](char16_t c) { return c >= 33 && c <= 121; };
    for (size_t i = 0; i < text.size();) {
        if (!inRun(text[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && inRun(text[end]))
            ++end;
        std::reverse(text.begin() + static_cast<std::ptrdiff_t>(i),
                     text.begin() + static_cast<std::ptrdiff_t>(end));
        i = end;
    }
    return text;
}

// --- fonts ---

bool TfrxPDFFont::Composite() const {
    return FindComposite(RealizedCharset) != nullptr;
}

void TfrxPDFFont::Prepare() {
    if (prepared_)
        return;
    FontService& fonts = FontService::Instance();
    const int style = Font.Style & (kFontBold | kFontItalic);
    name_ = Font.Name;
    const FontFace* face = &fonts.Resolve(AnsiToUtf8(name_), style);
    if (!HasOutlineMetrics(fonts.RawFontData(*face))) {
        name_ = "Arial";
        face = &fonts.Resolve("Arial", style);
        if (!HasOutlineMetrics(fonts.RawFontData(*face)))
            throw Exception("Error on get font info");
    }
    face_ = face;
    // An OEM font counts as one of the system's default character set.
    RealizedCharset =
        fonts.RealizedCharset(*face, Font.Charset == 255 ? kDefaultCharset : Font.Charset);
    prepared_ = true;
}

int TfrxPDFFont::ObjectCount() {
    Prepare();
    // Only TrueType outlines can go into FontFile2; other files are not embedded.
    const bool embed =
        parent_.EmbeddedFonts && IsTrueTypeFile(FontService::Instance().RawFontData(*face_));
    return (Composite() ? 3 : 2) + (embed ? 1 : 0);
}

void TfrxPDFFont::SaveToStream(std::ostream& stream) {
    TfrxPDFElement::SaveToStream(stream);
    Prepare();
    FontService& fonts = FontService::Instance();
    const PdfFontMetrics m = fonts.PdfMetrics(*face_, CharsetCodePage(RealizedCharset));
    const std::vector<uint8_t>& raw = fonts.RawFontData(*face_);
    const bool embed = parent_.EmbeddedFonts && IsTrueTypeFile(raw);
    const std::string baseName = PdfBaseFontName(name_, Font.Style);
    const CompositeEncoding* composite = FindComposite(RealizedCharset);
    auto line = [&stream](std::string_view text) {
        stream.write(text.data(), static_cast<std::streamsize>(text.size()));
        stream.write("\r\n", 2);
    };
    auto begin = [&](int object) {
        parent_.AddXRefEntry(stream, object);
        line(std::to_string(object) + " 0 obj");
    };
    const std::string bbox = "/FontBBox [" + std::to_string(m.bboxLeft) + " " +
                             std::to_string(m.bboxBottom) + " " + std::to_string(m.bboxRight) +
                             " " + std::to_string(m.bboxTop) + " ]";
    const double stem = static_cast<double>(m.weight) / 65.0;
    const std::string stemV = "/StemV " + std::to_string(std::lround(stem * stem) + 50);
    const std::string italic = "/ItalicAngle " + std::to_string(std::lround(m.italicAngle));

    FirstObject = parent_.NextFontObject();
    begin(FirstObject);
    line("<<");
    line("/Type /Font");
    line("/Name /F" + std::to_string(Index - 1));
    line("/BaseFont /" + baseName);
    line(composite ? "/Subtype /Type0" : "/Subtype /TrueType");
    const std::string encoding = PdfEncodingLines(RealizedCharset);
    stream.write(encoding.data(), static_cast<std::streamsize>(encoding.size()));
    int descriptor = 0;
    if (composite) {
        const int descendant = FirstObject + 1;
        line("/DescendantFonts [" + std::to_string(descendant) + " 0 R]");
        line(">>");
        line("endobj");
        parent_.NextFontObject();
        begin(descendant);
        line("<<");
        line("/Type /Font");
        line("/Subtype");
        line("/CIDFontType2");
        line("/BaseFont /" + baseName);
        line(composite->winCharSet);
        descriptor = descendant + 1;
        line("/FontDescriptor " + Reference(descriptor));
        line("/CIDSystemInfo");
        line("<<");
        line("/Registry(Adobe)");
        line(composite->ordering);
        line(composite->supplement);
        line(">>");
        line("/DW 1000");
        line(composite->widths);
        line(">>");
        line("endobj");
        parent_.NextFontObject();
        begin(descriptor);
        line("<<");
        line(RealizedCharset == 129 ? "/Type /FontDescriptor " : "/Type /FontDescriptor");
        if (embed)
            line("/FontFile2 " + Reference(descriptor + 1));
        line("/FontName /" + baseName);
        line(RealizedCharset == 136 ? "/Flags 7" : "/Flags 6");
        line(bbox);
        line(RealizedCharset == 136 ? "/Style << /Panose <010502020300000000000000> >>"
                                    : "/Style << /Panose <010502020400000000000000> >>");
        line("/Ascent " + std::to_string(m.ascent));
        line("/Descent " + std::to_string(m.descent));
        line("/CapHeight " + std::to_string(m.capHeight));
        line(stemV);
        line(italic);
        line(">>");
        line("endobj");
    } else {
        descriptor = FirstObject + 1;
        line("/FontDescriptor " + Reference(descriptor));
        line("/FirstChar " + std::to_string(m.firstChar));
        line("/LastChar " + std::to_string(m.lastChar));
        std::string widths = "/Widths [";
        for (int code = std::max(m.firstChar, 0); code <= std::min(m.lastChar, 255); ++code) {
            const AbcWidth& abc = m.abc[static_cast<size_t>(code)];
            widths += std::to_string(abc.a + abc.b + abc.c) + " ";
        }
        line(widths + "]");
        line(">>");
        line("endobj");
        parent_.NextFontObject();
        begin(descriptor);
        line("<<");
        line("/Type /FontDescriptor");
        line("/FontName /" + baseName);
        line("/Flags 32");
        line(bbox);
        line(italic);
        line("/Ascent " + std::to_string(m.ascent));
        line("/Descent " + std::to_string(m.descent));
        line("/Leading " + std::to_string(m.internalLeading));
        line("/CapHeight " + std::to_string(m.capHeight));
        line(stemV);
        line("/AvgWidth " + std::to_string(m.avgWidth));
        line("/MaxWidth " + std::to_string(m.maxWidth));
        line("/MissingWidth " + std::to_string(m.avgWidth));
        if (embed)
            line("/FontFile2 " + Reference(descriptor + 1));
        line(">>");
        line("endobj");
    }
    if (embed) {
        const int file = parent_.NextFontObject();
        begin(file);
        const std::string data(raw.begin(), raw.end());
        std::string packed = Deflate(data, 9);
        line("<< /Length " + std::to_string(packed.size()) + " /Filter /FlateDecode /Length1 " +
             std::to_string(data.size()) + " >>");
        line("stream");
        if (parent_.Protection)
            packed = parent_.CryptString(packed, file);
        stream.write(packed.data(), static_cast<std::streamsize>(packed.size()));
        stream.write("\r\n", 2);
        line("endstream");
        line("endobj");
    }
}

// --- memo text ---

void TfrxPDFPage::WriteMemoText(const TfrxCustomMemoView& view, double left, double top, double,
                                double) {
    // Laying the text out may resize an AutoWidth memo, as drawing does; the
    // views handed to the filter are the prepared pages' own objects.
    auto& memo = const_cast<TfrxCustomMemoView&>(view);
    const std::vector<WideString> lines = SplitLines(MemoTextLines(memo, true));
    if (lines.empty())
        return;
    const TfrxFont& font = MemoLayoutFont(memo);
    PdfFontSpec spec;
    spec.Name = font.Name();
    spec.Size = font.Size();
    spec.Style = static_cast<uint8_t>(font.Style() & 15);
    spec.Charset = font.Charset();
    spec.Color = static_cast<uint32_t>(font.Color());
    const int size = font.Size();
    WriteLine("/F" + std::to_string(parent_.FontIndex(spec)) + " " + std::to_string(size) + " Tf");
    const int32_t textColor = IsNoColor(static_cast<uint32_t>(font.Color())) ? 0 : font.Color();
    WriteLine(ColorString(textColor) + " rg");
    const double cs = memo.CharSpacing;
    if (cs != 0)
        WriteLine(FormatNumber(cs * 0.75) + " Tc");

    std::lock_guard guard(TextPathLock());
    TfrxDrawText& layout = TfrxDrawText::Shared();
    DrawTextLock layoutLock(layout);
    layout.AssignFont(MemoFontSpec(font));
    layout.ConfigureSpacing(memo.LineSpacing, 0, 0);
    const double pitch = layout.LinePitch(), fontHeight = layout.FontPixelHeight();

    const double l = left, t = top, w = memo.Width(), h = memo.Height();
    const double gx = memo.GapX, gy = memo.GapY;
    const double shadow = memo.Frame.DropShadow ? memo.Frame.ShadowWidth : 0;
    // Baseline of line i of n in report pixels.
    auto vertical = [&](int i, int n, double areaTop, double areaHeight) {
        switch (memo.VAlign) {
        case TfrxVAlign::vaBottom:
            return areaTop + areaHeight - (n - i - 1) * pitch;
        case TfrxVAlign::vaCenter:
            return areaTop + (areaHeight - n * pitch) / 2 + (i + 1) * pitch;
        default:
            return areaTop + i * pitch + fontHeight;
        }
    };

    if (memo.Underlines && pitch > 0) {
        const int n = static_cast<int>(h / pitch);
        const std::string color = ColorString(memo.Frame.Color());
        const std::string width = FormatNumber(memo.Frame.Width() * 0.75);
        for (int i = 0; i <= n; ++i) {
            const std::string y = FormatNumber(Y(vertical(i, n, t + gy + 1, h - 2 * gy)));
            WriteLine(color + " RG");
            WriteLine(width + " w");
            WriteLine(FormatNumber(X(l)) + " " + y + " m");
            WriteLine(FormatNumber(X(l + w - shadow)) + " " + y + " l");
            WriteLine("S");
        }
    }

    // Rotation as the layout takes it: -90 turns like 270.
    const int rotation = ((memo.Rotation() % 360) + 360) % 360;
    const int count = static_cast<int>(lines.size());
    const int codePage = PdfTextCodePage(font.Charset());
    double lastWidth = 0;
    for (int i = 0; i < count; ++i) {
        const double gap = i == 0 ? memo.ParagraphGap : 0;
        WideString line = lines[static_cast<size_t>(i)];
        if (memo.RTLReading)
            line = ReorderRightToLeft(line);
        if (IsBlank(line))
            continue;
        const std::string bytes = PdfTextBytes(line, font.Charset());
        const double chars = static_cast<double>(line.size());

        const double areaLeft = l + gx + gx / 2 + gap + size * 0.01;
        const double areaWidth = (w - shadow) - 2 * gx - gap;
        double position = areaLeft;
        if (memo.HAlign == TfrxHAlign::haCenter || memo.HAlign == TfrxHAlign::haRight) {
            const WideString shown =
                codePage != 0 && IsSupportedCodePage(codePage) ? AnsiToWide(bytes, codePage) : line;
            lastWidth = layout.MeasuringTextWidth(shown) / DividerScale + chars * cs;
            position = memo.HAlign == TfrxHAlign::haCenter ? areaLeft + (areaWidth - lastWidth) / 2
                                                           : areaLeft + areaWidth - lastWidth;
        }
        const double x = X(position) + (memo.HAlign == TfrxHAlign::haRight ? cs * 0.75 : 0);
        const double areaTop = t + gy - size * 0.05 + gy / 4;
        const double areaHeight = (h - shadow) - 2 * gy;
        const double y = Y(vertical(i, count, areaTop, areaHeight));

        WriteLine("BT");
        if (rotation == 0) {
            WriteLine(FormatNumber(x) + " " + FormatNumber(y) + " Td");
        } else {
            const double a = rotation * std::numbers::pi / 180;
            const double c = std::cos(a), s = std::sin(a);
            const double half = lastWidth * 0.75 / 2;
            WriteLine(FormatNumber(c) + " " + FormatNumber(s) + " " + FormatNumber(-s) + " " +
                      FormatNumber(c) + " " + FormatNumber(x - c * half + half) + " " +
                      FormatNumber(y - s * half) + " Tm");
        }
        std::string hex = "<";
        hex.reserve(bytes.size() * 2 + 6);
        for (unsigned char b : bytes) {
            hex += kHex[b >> 4];
            hex += kHex[b & 15];
        }
        WriteLine(hex + "> Tj");
        WriteLine("ET");
        if ((font.Style() & kFontUnderline) && rotation == 0) {
            const double x2 =
                (chars * cs + layout.MeasuringTextWidth(line) / DividerScale) * 0.75 + x;
            const std::string uy = FormatNumber(y - size * 0.12);
            WriteLine(ColorString(textColor) + " RG");
            WriteLine(FormatNumber(size * 0.08) + " w");
            WriteLine(FormatNumber(x) + " " + uy + " m");
            WriteLine(FormatNumber(x2) + " " + uy + " l");
            WriteLine("S");
        }
    }
}

} // namespace kanvo
