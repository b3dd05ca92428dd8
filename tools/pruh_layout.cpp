// pruh layout / pruh draw-text: the text layout from the command line.
#include "tools/pruh_commands.h"

#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/graphics/canvas.h"
#include "report/engine/draw_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kanvo::pruh {
namespace {

struct LayoutArgs {
    FontSpec font;
    int width = 200;
    int height = 0; // 0: as high as the text
    bool wordBreak = false;
    bool html = false;
    bool wordWrap = true;
    int rotation = 0;
    double lineSpacing = 2;
    double charSpacing = 0;
    double paragraphGap = 0;
    TextHAlign hAlign = TextHAlign::Left;
    TextVAlign vAlign = TextVAlign::Top;
    int scale = 1;
    std::string png;
    std::string text;
};

bool ParseNumber(const std::string& s, double& out) {
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return !s.empty() && end && *end == '\0' && std::isfinite(out);
}

// Returns false on a usage error.
bool Parse(const std::vector<std::string>& args, bool drawing, LayoutArgs& a) {
    a.font.name = "Arial";
    bool haveText = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](double& out) {
            return i + 1 < args.size() && ParseNumber(args[++i], out);
        };
        double v = 0;
        if (arg == "--font" && i + 1 < args.size()) {
            a.font.name = args[++i];
        } else if (arg == "--size" && value(v) && v >= 1 && v <= 1000) {
            a.font.size = static_cast<int>(v);
        } else if (arg == "--bold") {
            a.font.style |= kFontBold;
        } else if (arg == "--italic") {
            a.font.style |= kFontItalic;
        } else if (arg == "--underline") {
            a.font.style |= kFontUnderline;
        } else if (arg == "--width" && value(v) && v >= 1 && v <= 100000) {
            a.width = static_cast<int>(v);
        } else if (arg == "--height" && value(v) && v >= 1 && v <= 100000) {
            a.height = static_cast<int>(v);
        } else if (arg == "--wordbreak") {
            a.wordBreak = true;
        } else if (arg == "--html") {
            a.html = true;
        } else if (arg == "--nowrap") {
            a.wordWrap = false;
        } else if (arg == "--rotation" && value(v)) {
            a.rotation = static_cast<int>(v);
        } else if (arg == "--line-spacing" && value(v)) {
            a.lineSpacing = v;
        } else if (arg == "--char-spacing" && value(v)) {
            a.charSpacing = v;
        } else if (arg == "--paragraph-gap" && value(v)) {
            a.paragraphGap = v;
        } else if (arg == "--codepage" && value(v) && IsSupportedCodePage(static_cast<int>(v))) {
            SetProcessCodePage(static_cast<int>(v));
        } else if (drawing && arg == "--png" && i + 1 < args.size()) {
            a.png = args[++i];
        } else if (drawing && arg == "--scale" && value(v) && v >= 1 && v <= 10) {
            a.scale = static_cast<int>(v);
        } else if (drawing && arg == "--align" && i + 1 < args.size()) {
            const std::string& s = args[++i];
            if (s == "left")
                a.hAlign = TextHAlign::Left;
            else if (s == "right")
                a.hAlign = TextHAlign::Right;
            else if (s == "center")
                a.hAlign = TextHAlign::Center;
            else if (s == "block")
                a.hAlign = TextHAlign::Block;
            else
                return false;
        } else if (drawing && arg == "--valign" && i + 1 < args.size()) {
            const std::string& s = args[++i];
            if (s == "top")
                a.vAlign = TextVAlign::Top;
            else if (s == "bottom")
                a.vAlign = TextVAlign::Bottom;
            else if (s == "center")
                a.vAlign = TextVAlign::Center;
            else
                return false;
        } else if (!arg.empty() && arg[0] != '-' && !haveText) {
            a.text = arg;
            haveText = true;
        } else {
            return false;
        }
    }
    return haveText && (!drawing || !a.png.empty());
}

// The source lines: the text split at line ends and at the two characters "\n".
std::vector<WideString> SourceLines(const std::string& utf8) {
    std::vector<WideString> lines(1);
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\n' || (utf8[i] == '\\' && i + 1 < utf8.size() && utf8[i + 1] == 'n')) {
            if (utf8[i] == '\\')
                ++i;
            lines.emplace_back();
            continue;
        }
        if (utf8[i] == '\r')
            continue;
        size_t start = i;
        while (i + 1 < utf8.size() && utf8[i + 1] != '\n' && utf8[i + 1] != '\\' &&
               utf8[i + 1] != '\r')
            ++i;
        lines.back() += Utf8ToWide(std::string_view(utf8).substr(start, i + 1 - start));
    }
    return lines;
}

void Configure(TfrxDrawText& dt, const LayoutArgs& a, int height, int scale) {
    dt.AssignFont(a.font);
    dt.ConfigureOptions(a.wordWrap, a.html, a.rotation, true, true, a.wordBreak, false);
    dt.ConfigureSpacing(a.lineSpacing, a.charSpacing, a.paragraphGap);
    dt.ConfigureArea({0, 0, a.width, height}, {0, 0, a.width * scale, height * scale}, 1, scale,
                     scale);
}

int Layout(const std::vector<std::string>& args) {
    LayoutArgs a;
    if (!Parse(args, false, a))
        return UsageError("layout");
    try {
        TfrxDrawText dt;
        DrawTextLock lock(dt);
        Configure(dt, a, a.height > 0 ? a.height : 100000, 1);
        dt.LayoutText(SourceLines(a.text));
        for (size_t i = 0; i < dt.LineCount(); ++i) {
            int flags = dt.LineFlags(i);
            std::printf("%zu [%s%s%s] %s\n", i + 1, flags & 1 ? "first" : "", flags == 3 ? " " : "",
                        flags & 2 ? "last" : "", WideToUtf8(dt.Line(i)).c_str());
        }
        std::printf("LaidOutHeight %.4f\nLaidOutWidth %.4f\nLinePitch %.4f\nFontPixelHeight %.4f\n",
                    dt.LaidOutHeight(), dt.LaidOutWidth(), dt.LinePitch(), dt.FontPixelHeight());
        if (a.height > 0) {
            std::printf("LeftoverSpace %.4f\n", dt.LeftoverSpace());
            TfrxDrawText::Overflow overflow = dt.OverflowText();
            if (!overflow.text.empty())
                std::printf("Overflow%s: %s\n",
                            overflow.insideParagraph ? " (inside a paragraph)" : "",
                            WideToUtf8(overflow.text).c_str());
        }
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return 1;
    }
}

int DrawText(const std::vector<std::string>& args) {
    LayoutArgs a;
    if (!Parse(args, true, a))
        return UsageError("draw-text");
    try {
        TfrxDrawText dt;
        DrawTextLock lock(dt);
        std::vector<WideString> lines = SourceLines(a.text);
        Configure(dt, a, a.height > 0 ? a.height : 100000, a.scale);
        dt.LayoutText(lines);
        int height = a.height > 0 ? a.height : static_cast<int>(std::ceil(dt.LaidOutHeight())) + 2;
        Configure(dt, a, height, a.scale);
        dt.LayoutText(lines);
        auto bitmap = Bitmap::Create(a.width * a.scale, height * a.scale);
        CairoCanvas canvas(*bitmap);
        dt.DrawLaidOut(canvas, a.hAlign, a.vAlign);
        canvas.Finish();
        bitmap->SavePng(a.png);
        std::printf("%d x %d pixels, %zu lines\n", bitmap->Width(), bitmap->Height(),
                    dt.LineCount());
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return 1;
    }
}

PruhCommand layoutCommand{
    "layout",
    "--font NAME --size PT [--bold] [--italic] [--width PX] [--height PX] [--wordbreak] "
    "[--html] [--nowrap] [--rotation DEG] [--line-spacing PX] [--char-spacing PX] "
    "[--paragraph-gap PX] [--codepage CP] TEXT",
    "print the laid-out lines with their paragraph flags and the metrics", Layout};
PruhCommand drawTextCommand{"draw-text",
                            "(options of layout) [--scale N] [--align left|right|center|block] "
                            "[--valign top|bottom|center] --png OUT.png TEXT",
                            "draw the laid-out text into a PNG at a scale", DrawText};

} // namespace
} // namespace kanvo::pruh
