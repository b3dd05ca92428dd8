// Report components seen from a script: published properties by name,
// nested sub-objects, and the errors for unknown or read-only members.
#include "report/model/report.h"
#include "report/model/views.h"
#include "script/script.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

class ReportFromScript : public ::testing::Test {
protected:
    void SetUp() override { script_.AddObject("Report", &report_); }
    void Run(const char* source) {
        script_.SetLines(source);
        ASSERT_TRUE(script_.Compile()) << script_.ErrorPos() << ": " << script_.ErrorMsg();
        script_.Execute();
    }
    TfrxReport report_;
    TfsScript script_;
};

TEST_F(ReportFromScript, ReadsAndWritesPublishedProperties) {
    Run("begin\n"
        "  Report.EngineOptions.DoublePass := True;\n"
        "  Report.ParentReport := 'base.fr3';\n"
        "end.");
    EXPECT_TRUE(report_.EngineOptions.DoublePass);
    EXPECT_EQ(report_.ParentReport(), "base.fr3");
    Run("function Pass: Variant; begin Result := Report.EngineOptions.DoublePass; end; begin end.");
    EXPECT_EQ(script_.CallFunction("Pass"), Variant(true));
}

TEST_F(ReportFromScript, UnknownMembersAreRuntimeErrors) {
    script_.SetLines("begin Report.NoSuchThing := 1; end.");
    ASSERT_TRUE(script_.Compile());
    EXPECT_THROW(script_.Execute(), Exception);
}

TEST_F(ReportFromScript, MemoTextAndLines) {
    TfrxMemoView memo;
    script_.AddObject("Memo1", &memo);
    Run("begin\n"
        "  Memo1.Text := 'prvni';\n"
        "  Memo1.Lines.Add('druha');\n"
        "  Memo1.Lines[0] := Memo1.Lines[0] + '!';\n"
        "  Memo1.Value := Memo1.Lines.Count;\n"
        "end.");
    EXPECT_EQ(memo.Text(), u"prvni!\r\ndruha\r\n");
    EXPECT_EQ(memo.Value, Variant(int64_t{2}));
    script_.SetLines("begin Memo1.Lines[5] := 'x'; end.");
    ASSERT_TRUE(script_.Compile());
    EXPECT_THROW(script_.Execute(), Exception);
    Run("begin Memo1.Lines.Clear; end.");
    EXPECT_TRUE(memo.Memo.empty());
}

} // namespace
} // namespace kanvo
