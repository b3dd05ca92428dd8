// The preview's drawing of a prepared page: the contract template run
// without data, drawn on a bitmap.
#include "report/engine/page_drawing.h"

#include "platform/files.h"
#include "report/engine/engine.h"
#include "report/model/dataset.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kanvo {
namespace {

bool Dark(uint32_t color) {
    const Rgb c = ColorToRgb(color);
    return c.r + c.g + c.b < 3 * 128;
}

// Dark pixels in a rectangle of the bitmap.
int DarkPixels(const Bitmap& b, int left, int top, int right, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += Dark(b.Pixel(x, y));
    return n;
}

TEST(PageDrawing, TheContractPageShowsItsTextsLinesAndFrames) {
    RegisterReportModelClasses();
    TfrxUserDataSet company, order;
    company.SetName("frxDBDataset1");
    company.SetUserName("frxDBDataset1");
    order.SetName("frxDBDataset2");
    order.SetUserName("frxDBDataset2");
    TfrxReport report;
    report.AddHostComponent(&company);
    report.AddHostComponent(&order);
    report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    const auto path = std::filesystem::path(KANVO_TEST_FIXTURE_DIR) / "kanvo.fr3";
    ASSERT_TRUE(report.LoadFromFile(FromNativePath(path.string())));
    TfrxReportRun run(report);
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    ASSERT_EQ(run.PreparedPages().Count(), 1);

    PageSource view = ViewOfPreparedPages(run.PreparedPages());
    auto [w, h] = view.PageSize(0);
    EXPECT_EQ(w, 794);
    EXPECT_EQ(h, 1123);
    auto bitmap = Bitmap::Create(w, h);
    {
        CairoCanvas canvas(*bitmap);
        view.DrawPage(0, canvas, 1, 0, 0);
        canvas.Finish();
    }
    // Margins of 10 mm (38 pixels) stay white; the title's text is there.
    EXPECT_EQ(DarkPixels(*bitmap, 0, 0, w, 37), 0);
    EXPECT_GT(DarkPixels(*bitmap, 250, 50, 550, 80), 200); // "KUPNÍ SMLOUVA"
    // The title line: 2 pixels wide across the printable width.
    EXPECT_GT(DarkPixels(*bitmap, 40, 100, 750, 110), 2 * 700);
    // The frame of the second picture, a square at the title's right.
    EXPECT_GE(DarkPixels(*bitmap, 707, 55, 714, 65), 10); // its left side
    EXPECT_GE(DarkPixels(*bitmap, 725, 42, 740, 49), 15); // its top side
    // "Strana 1 z 1" in the page footer near the bottom.
    EXPECT_GT(DarkPixels(*bitmap, 330, 1065, 470, 1085), 50);
    EXPECT_EQ(DarkPixels(*bitmap, 0, 1090, w, h), 0);
}

} // namespace
} // namespace kanvo
