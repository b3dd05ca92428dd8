#include "report/rich/rich_view.h"

#include "platform/code_page.h"
#include "platform/format_settings.h"
#include "platform/graphics/canvas.h"
#include "report/model/bands.h"
#include "report/model/pages.h"
#include "report/model/resources.h"
#include "report/model/serializer.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

TEST(RichText, PlainTextOfRtf) {
    struct Case {
        const char* rtf;
        const char* utf8;
    };
    const Case cases[] = {
        {"{\\rtf1\\ansi Hello}", "Hello"},
        {"{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
         "\\f0\\fs20 Cena: [Celkem] K\\'e8\\par}",
         "Cena: [Celkem] Kč"},
        {"{\\rtf1 a\\par b\\line c\\tab d}", "a\r\nb\r\nc\td"},
        {"{\\rtf1\\uc1 \\u268?esk\\u253?}", "Český"},
        {"{\\rtf1 \\{braces\\} and \\\\}", "{braces} and \\"},
        {"{\\rtf1 {\\*\\generator Writer;}text{\\pict ffd8ff}}", "text"},
        {"{\\rtf1\\ansi\\ansicpg1252 caf\\'e9}", "café"},
        {"{\\rtf1 broken \\'", "broken "},
        {"{\\rtf1 unclosed {\\b bold", "unclosed bold"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AnsiToUtf8(RtfToPlainText(c.rtf)), c.utf8) << c.rtf;
}

TEST(RichText, ContentFromTextOrRtf) {
    TfrxRichView rich;
    EXPECT_TRUE(rich.AllowExpressions);
    EXPECT_EQ(rich.GapX, 2);
    EXPECT_EQ(rich.GapY, 1);
    EXPECT_EQ(rich.ExpressionDelimiters, "[,]");
    EXPECT_TRUE(rich.Wysiwyg);
    rich.SetContent(Utf8ToAnsi("Řádek 1\r\nŘádek {2}"));
    EXPECT_EQ(rich.Content().substr(0, 5), "{\\rtf");
    EXPECT_EQ(AnsiToUtf8(rich.PlainText()), "Řádek 1\r\nŘádek {2}");
    const std::string rtf = "{\\rtf1\\ansi {\\b tučně}}";
    rich.SetContent(rtf);
    EXPECT_EQ(rich.Content(), rtf); // RTF is kept as it is
}

TEST(RichText, TemplateRoundTripKeepsTheRtfBytes) {
    RegisterReportModelClasses();
    RegisterRichClasses();
    ScopedFormatSettings point{FormatSettings::ForLocale("C")};
    TfrxReport report;
    report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    TfrxComponent::Create<TfrxDataPage>(&report)->SetName("Data");
    auto* page = TfrxComponent::Create<TfrxReportPage>(&report);
    page->SetName("Page1");
    auto* band = TfrxComponent::Create<TfrxMasterData>(page);
    band->SetName("MasterData1");
    auto* rich = TfrxComponent::Create<TfrxRichView>(band);
    rich->SetName("Rich2");
    rich->SetBounds(0, 0, 300, 100);
    rich->SetContent("{\\rtf1\\ansi\\ansicpg1250 Smlouva \\'e8. [Cislo]\\par}");
    TMemoryStream out;
    report.SaveToStream(out);
    const std::string xml = out.Bytes();
    EXPECT_NE(xml.find("AllowExpressions=\"True\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("GapX=\"2\" GapY=\"1\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("PropData=\"0852696368456469740A"), std::string::npos) << xml;

    TfrxReport again;
    again.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    TMemoryStream in{xml};
    again.LoadFromStream(in);
    EXPECT_TRUE(again.Errors.empty()) << again.ErrorText();
    auto* loaded = dynamic_cast<TfrxRichView*>(again.FindObject("Rich2"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Content(), rich->Content());
    EXPECT_EQ(loaded->DescriptionText(), frxGet("obRich"));
    TMemoryStream second;
    again.SaveToStream(second);
    EXPECT_EQ(second.Bytes(), xml);
}

TEST(RichText, DrawsItsPlainText) {
    TfrxRichView rich;
    rich.SetBounds(10, 10, 200, 40);
    rich.SetContent("{\\rtf1\\ansi Smlouva\\par o koupi}");
    auto bitmap = Bitmap::Create(240, 60);
    {
        CairoCanvas canvas(*bitmap);
        DrawRichView(rich, canvas, 1, 1, 0, 0);
        canvas.Finish();
    }
    int dark = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 240; ++x) {
            const Rgb c = ColorToRgb(bitmap->Pixel(x, y));
            dark += c.r + c.g + c.b < 300;
        }
    EXPECT_GT(dark, 100); // two lines of text
}

} // namespace
} // namespace kanvo
