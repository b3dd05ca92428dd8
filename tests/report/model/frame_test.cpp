#include "report/model/frame.h"

#include "platform/format_settings.h"
#include "report/model/pages.h"
#include "test_classes.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

// A view-like object with a frame, as the view classes carry it.
class TFramedBox : public TfrxReportComponent {
public:
    static const ClassInfo& StaticClass() {
        using T = TFramedBox;
        static const ClassInfo info = MakeClassInfo(
            ClassBuilder<T>("TFramedBox", &TfrxReportComponent::StaticClass())
                .Sub("Frame", &TfrxFrame::StaticClass(), [](const T& o) { return &o.Frame; }));
        return info;
    }
    const ClassInfo& ClassType() const override { return StaticClass(); }
    TfrxFrame Frame;
};

std::string ElementOf(const std::string& xml, const char* tag) {
    auto at = xml.find(tag);
    return at == std::string::npos ? std::string() : xml.substr(at, xml.find('\n', at) - at);
}

class Frames : public ::testing::Test {
protected:
    void SetUp() override {
        test::RegisterTestClasses();
        RegisterComponentClass<TFramedBox>();
        report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        auto* page = TfrxComponent::Create<TfrxReportPage>(&report);
        page->SetName("Page1");
        box = TfrxComponent::Create<TFramedBox>(page);
        box->SetName("Box1");
    }
    TfrxReport report;
    TFramedBox* box = nullptr;
    ScopedFormatSettings point{FormatSettings::ForLocale("C")};
};

TEST_F(Frames, StoredFormOfFrameValues) {
    struct Case {
        std::function<void(TfrxFrame&)> change;
        const char* expected; // attributes after Name, "" for none
    } cases[] = {
        {[](TfrxFrame&) {}, ""},
        {[](TfrxFrame& f) { f.Typ = ftLeft | ftBottom; }, " Frame.Typ=\"9\""},
        {[](TfrxFrame& f) { f.SetWidth(2); }, " Frame.Width=\"2\""},
        // A line that differs from the frame-wide value is written after it.
        {[](TfrxFrame& f) {
             f.SetWidth(2);
             f.TopLine.Width = 0.5;
             f.SetStyle(TfrxFrameStyle::fsDot);
         },
         " Frame.Style=\"fsDot\" Frame.Width=\"2\" Frame.TopLine.Width=\"0.5\""},
        {[](TfrxFrame& f) {
             f.SetColor(255);
             f.RightLine.Color = 0;
             f.ShadowWidth = 3;
         },
         " Frame.Color=\"255\" Frame.ShadowWidth=\"3\" Frame.RightLine.Color=\"0\""},
    };
    for (const Case& c : cases) {
        TfrxFrame fresh;
        box->Frame.Assign(fresh);
        c.change(box->Frame);
        std::string xml = test::SaveReport(report);
        EXPECT_EQ(ElementOf(xml, "<TFramedBox"),
                  std::string("<TFramedBox Name=\"Box1\"") + c.expected + "/>\r")
            << c.expected;

        TfrxReport copy;
        copy.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        test::LoadReport(copy, xml);
        auto* b = dynamic_cast<TFramedBox*>(copy.FindObject("Box1"));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(ElementOf(test::SaveReport(copy), "<TFramedBox"), ElementOf(xml, "<TFramedBox"));
    }
}

TEST_F(Frames, LinesFollowFrameWideValuesAndAssignCopiesLines) {
    TfrxFrame f;
    f.SetWidth(3);
    f.SetColor(7);
    f.BottomLine.Style = TfrxFrameStyle::fsDouble;
    EXPECT_EQ(f.LeftLine.Width, 3);
    EXPECT_EQ(f.TopLine.Color, 7);
    EXPECT_FALSE(f.IsDefault());
    TfrxFrame g;
    g.Assign(f);
    EXPECT_EQ(g.Width(), 3);
    EXPECT_EQ(g.BottomLine.Style, TfrxFrameStyle::fsDouble);
    EXPECT_EQ(&g.BottomLine.Frame(), &g);
    SetPropValue(g, "Typ", Variant(int64_t{15}));
    EXPECT_EQ(g.Typ, 15);
}

} // namespace
} // namespace kanvo
