#include "test_classes.h"

#include "platform/files.h"
#include "platform/format_settings.h"
#include "report/model/resources.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

using test::LoadReport;
using test::SaveReport;
using test::TTestBand;
using test::TTestDataSet;
using test::TTestMemo;
using test::TTestPage;

const std::string kHead = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";

class Serializer : public ::testing::Test {
protected:
    void SetUp() override {
        test::RegisterTestClasses();
        report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    }
    void TearDown() override { SetReportPasswordPrompt(nullptr); }
    // The templates of BuildTemplate carry the password abc.
    static void AnswerPassword() {
        SetReportPasswordPrompt([](const TfrxReport&) { return std::optional<AnsiString>("abc"); });
    }
    TTestMemo* AddMemo(TfrxComponent* parent, const char* name) {
        auto* m = TfrxComponent::Create<TTestMemo>(parent);
        m->SetName(name);
        return m;
    }
    TfrxReport report;
    ScopedFormatSettings point{FormatSettings::ForLocale("C")};
};

TEST_F(Serializer, MemoAttributesInPropertyOrder) {
    auto* m = AddMemo(&report, "Memo1");
    m->SetBounds(18.89765, 0, 94.48825, 18.89765);
    m->Lines = {u"Hello"};
    TfrxXMLSerializer s;
    s.Owner = &report;
    EXPECT_EQ(s.TextOf(*m), "TTestMemo Left=\"18.89765\" Top=\"0\" Width=\"94.48825\" "
                            "Height=\"18.89765\" Text=\"Hello\"");
    m->Lines = {u"a", u"b"};
    EXPECT_EQ(s.AttributesOf(m, "", nullptr).find("Text=\"a&#13;&#10;b\"") != AnsiString::npos,
              true);
    m->Lines.clear();
    EXPECT_NE(s.AttributesOf(m, "", nullptr).find(" Text=\"\""), AnsiString::npos);
    // With ParentFont false the font is written.
    m->Font().SetName("Tahoma");
    AnsiString text = s.AttributesOf(m, "", nullptr);
    EXPECT_NE(text.find(" Font.Charset=\"1\" Font.Color=\"0\" Font.Height=\"-13\" "
                        "Font.Name=\"Tahoma\" Font.Style=\"0\" ParentFont=\"False\""),
              AnsiString::npos)
        << text;
}

TEST_F(Serializer, ApplyAttributesOnePassLaterWins) {
    auto* m = AddMemo(&report, "Memo1");
    TfrxXMLSerializer s;
    s.Owner = &report;
    s.ApplyAttributes("Left=\"5\" Top = \"2,5\" l=\"7\" HAlign=\"haCenter\" Visible=\"0\" "
                      "x=\"\xE8\" Font.Style=\"3\" Nothing=\"1\" Font.Nope=\"1\"",
                      *m);
    EXPECT_DOUBLE_EQ(m->Left(), 7);
    EXPECT_DOUBLE_EQ(m->Top(), 2.5);
    EXPECT_EQ(m->HAlign, 2);
    EXPECT_FALSE(m->Visible());
    EXPECT_EQ(m->Lines, std::vector<WideString>{u"\u010D"});
    EXPECT_EQ(m->Font().Style(), fsBold | fsItalic);
    s.ApplyAttributes("u=\"\xC5\xA1\" HAlign=\"2\" HAlign=\"haWrong\" Left=\"abc\" Top=\"1\"", *m);
    EXPECT_EQ(m->Lines, std::vector<WideString>{u"\u0161"});
    EXPECT_EQ(m->HAlign, 2);
    EXPECT_DOUBLE_EQ(m->Top(), 1);
    EXPECT_EQ(s.Errors.size(), 1u); // the malformed number
}

TEST_F(Serializer, FloatsAcrossLocales) {
    auto* m = AddMemo(&report, "Memo1");
    m->SetLeft(37.7953);
    AnsiString commaText;
    {
        ScopedFormatSettings comma(FormatSettings::ForLocale("cs_CZ"));
        TfrxXMLSerializer s;
        commaText = s.AttributesOf(m, "", nullptr);
        EXPECT_NE(commaText.find("Left=\"37,7953\""), AnsiString::npos);
    }
    auto* back = AddMemo(&report, "Memo2");
    TfrxXMLSerializer s;
    s.ApplyAttributes(commaText, *back);
    EXPECT_DOUBLE_EQ(back->Left(), 37.7953);
    AnsiString pointText = s.AttributesOf(m, "", nullptr);
    EXPECT_NE(pointText.find("Left=\"37.7953\""), AnsiString::npos);
    ScopedFormatSettings comma(FormatSettings::ForLocale("cs_CZ"));
    back->SetLeft(0);
    s.ApplyAttributes(pointText + " Top=\"-3,68E-6\" Width=\"1 000,5\"", *back);
    EXPECT_DOUBLE_EQ(back->Left(), 37.7953);
    EXPECT_DOUBLE_EQ(back->Top(), -3.68e-6);
    EXPECT_DOUBLE_EQ(back->Width(), 1000.5);
}

std::string BuildTemplate(TfrxReport& report, TTestDataSet*& ds) {
    auto* data = TfrxComponent::Create<TfrxDataPage>(&report);
    data->SetName("Data");
    ds = TfrxComponent::Create<TTestDataSet>(data);
    ds->SetName("DataSet1");
    ds->UserName = "Firma";
    ds->SetBounds(60, 20, 28, 28);
    auto* page = TfrxComponent::Create<TTestPage>(&report);
    page->SetName("Page1");
    auto* band = TfrxComponent::Create<TTestBand>(page);
    band->SetName("Band1");
    band->SetBounds(0, 20, 718.1107, 37.7953);
    auto* child = TfrxComponent::Create<TTestBand>(page);
    child->SetName("Child1");
    band->Child.Set(child);
    auto* memo = TfrxComponent::Create<TTestMemo>(band);
    memo->SetName("Memo1");
    memo->SetBounds(1.5, 2, 100, 18.9);
    memo->Lines = {u"[Firma.\"nazev\"]", u"\u017Elu\u0165ou\u010Dk\u00FD <&> \"k\u016F\u0148\""};
    memo->DataSet.Set(ds);
    memo->OnBeforePrint = "Memo1OnBeforePrint";
    auto* memo2 = TfrxComponent::Create<TTestMemo>(band);
    memo2->SetName("Memo2");
    memo2->FlowTo.Set(memo);
    memo2->Font().SetName("Courier New");
    memo2->Font().SetStyle(fsBold);
    report.DataSets.Add().DataSet.Set(ds);
    report.ScriptText = {"begin", "  ShowMessage('a\"b');", "end."};
    report.ReportOptions.Author = "Kanvo";
    report.ReportOptions.Description = {"line 1", "line 2"};
    report.ReportOptions.Password = "abc";
    report.PreviewOptions.OutlineVisible = true;
    report.EngineOptions.DoublePass = true;
    report.Variables.Set("Total", 5);
    return SaveReport(report);
}

TEST_F(Serializer, SavedTemplateLoadsIntoAnEqualTree) {
    TTestDataSet* ds = nullptr;
    std::string first = BuildTemplate(report, ds);
    AnswerPassword();
    EXPECT_EQ(first.compare(0, kHead.size(), kHead), 0);
    EXPECT_NE(first.find("\r\n  <TTestPage Name=\"Page1\">\r\n    <TTestBand Name=\"Band1\""),
              std::string::npos);
    EXPECT_NE(first.find("DataSet=\"DataSet1\""), std::string::npos);
    EXPECT_NE(first.find("Child=\"Child1\""), std::string::npos);
    EXPECT_NE(first.find("ReportOptions.Password=\"WXY\""), std::string::npos);
    EXPECT_NE(
        first.find("ScriptText.Text=\"begin&#13;&#10;  ShowMessage('a&#34;b');&#13;&#10;end.\""),
        std::string::npos);
    EXPECT_EQ(report.ReportOptions.Password, "abc"); // the plain text stays in memory

    TfrxReport loaded;
    loaded.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    LoadReport(loaded, first);
    EXPECT_TRUE(loaded.Errors.empty()) << loaded.ErrorText();
    EXPECT_EQ(SaveReport(loaded), first);
    auto* memo = dynamic_cast<TTestMemo*>(loaded.FindObject("Memo1"));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->DataSet.Get(), loaded.FindObject("DataSet1"));
    EXPECT_EQ(memo->Lines.size(), 2u);
    EXPECT_EQ(memo->Lines[1], u"\u017Elu\u0165ou\u010Dk\u00FD <&> \"k\u016F\u0148\"");
    EXPECT_EQ(dynamic_cast<TTestBand*>(loaded.FindObject("Band1"))->Child.Get(),
              loaded.FindObject("Child1"));
    EXPECT_EQ(loaded.ReportOptions.Password, "abc");
    ASSERT_EQ(loaded.DataSets.Count(), 1);
    EXPECT_EQ(loaded.DataSets.Items(0).DataSet.Get(), loaded.FindObject("DataSet1"));
    EXPECT_EQ(loaded.Variables.Entries(), report.Variables.Entries());
    EXPECT_EQ(loaded.ReportOptions.Description, report.ReportOptions.Description);
    EXPECT_EQ(loaded.FindObject("Memo2")->Font().Name(), "Courier New");
}

TEST_F(Serializer, LoadingTwiceLeavesNothingOfTheFirstLoad) {
    TTestDataSet* ds = nullptr;
    std::string bytes = BuildTemplate(report, ds);
    AnswerPassword();
    TfrxReport loaded;
    loaded.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    LoadReport(loaded, bytes);
    size_t count = loaded.AllObjects().size();
    LoadReport(loaded, bytes);
    EXPECT_EQ(loaded.AllObjects().size(), count);
    EXPECT_TRUE(loaded.Errors.empty()) << loaded.ErrorText();
    EXPECT_EQ(loaded.DataSets.Count(), 1);
}

TEST_F(Serializer, UnregisteredClassGivesOneErrorAndTheRestLoads) {
    std::string bytes =
        kHead +
        "<TfrxReport Version=\"4.5\">\r\n"
        "  <TTestPage Name=\"Page1\">\r\n"
        "    <TfrxBarCodeView Name=\"BarCode1\"><TTestMemo Name=\"Inner\"/></TfrxBarCodeView>\r\n"
        "    <TfrxBarCodeView Name=\"BarCode2\"/>\r\n"
        "    <TTestMemo Name=\"Memo1\" Text=\"x\"/>\r\n"
        "  </TTestPage>\r\n"
        "</TfrxReport>\r\n";
    LoadReport(report, bytes);
    ASSERT_EQ(report.Errors.size(), 1u);
    EXPECT_EQ(*report.Errors.begin(), frxGet("xrCantFindClass") + " TfrxBarCodeView");
    EXPECT_NE(report.FindObject("Memo1"), nullptr);
    EXPECT_EQ(report.FindObject("Inner"), nullptr);
}

TEST_F(Serializer, NotXmlLeavesOnlyTheDataPage) {
    LoadReport(report, "PK\x03\x04 this is a zip file");
    ASSERT_EQ(report.PageCount(), 1);
    EXPECT_EQ(report.Objects()[0]->ClassName(), "TfrxDataPage");
    EXPECT_EQ(report.Objects()[0]->Name(), "Data");
    EXPECT_EQ(report.ErrorText(), "Invalid file format");
}

TEST_F(Serializer, DataPageRuleMovesDialogComponents) {
    std::string bytes = kHead + "<TfrxReport Version=\"4.5\">\r\n"
                                "  <TTestPage Name=\"Page1\">\r\n"
                                "    <TTestDataSet Name=\"A\"/>\r\n"
                                "    <TTestMemo Name=\"Data\"/>\r\n"
                                "    <TTestDataSet Name=\"B\"/>\r\n"
                                "  </TTestPage>\r\n"
                                "</TfrxReport>\r\n";
    LoadReport(report, bytes);
    TfrxComponent* data = report.Objects()[0];
    EXPECT_EQ(data->ClassName(), "TfrxDataPage");
    EXPECT_EQ(data->Name(), "DataPage1");
    ASSERT_EQ(data->Objects().size(), 2u);
    EXPECT_DOUBLE_EQ(data->Objects()[0]->Left(), 60);
    EXPECT_DOUBLE_EQ(data->Objects()[1]->Left(), 124);
    EXPECT_DOUBLE_EQ(data->Objects()[1]->Top(), 20);
}

TEST_F(Serializer, TemplateChangesOnlyTheAllowedOptions) {
    std::string bytes = kHead + "<TfrxReport Version=\"4.5\" EngineOptions.MaxMemSize=\"99\" "
                                "EngineOptions.DoublePass=\"True\" PreviewOptions.Modal=\"False\" "
                                "PreviewOptions.OutlineVisible=\"True\" ShowProgress=\"False\" "
                                "IniFile=\"x.ini\"/>\r\n";
    LoadReport(report, bytes);
    EXPECT_EQ(report.EngineOptions.MaxMemSize, 10);
    EXPECT_TRUE(report.EngineOptions.DoublePass);
    EXPECT_TRUE(report.PreviewOptions.Modal);
    EXPECT_TRUE(report.PreviewOptions.OutlineVisible);
    EXPECT_TRUE(report.ShowProgress);
    EXPECT_EQ(report.IniFile, "\\Software\\Kanvo");
    EXPECT_EQ(report.EngineOptions.NewSilentMode, TfrxSilentMode::simSilent);
}

TEST_F(Serializer, PasswordIsStoredShiftedByTen) {
    EXPECT_EQ(EncodeReportPassword("abc"), "WXY");
    EXPECT_EQ(DecodeReportPassword("WXY"), "abc");
    std::string bytes = kHead + "<TfrxReport Version=\"4.5\" ReportOptions.Password=\"WXY\"/>\r\n";
    // Without a password dialog the protected template is refused.
    LoadReport(report, bytes);
    EXPECT_EQ(report.ErrorText(), frxGet("Invalid password"));
    EXPECT_EQ(report.PageCount(), 0);
    SetReportPasswordPrompt([](const TfrxReport&) { return std::optional<AnsiString>("abc"); });
    LoadReport(report, bytes);
    SetReportPasswordPrompt(nullptr);
    EXPECT_TRUE(report.Errors.empty());
    EXPECT_EQ(report.ReportOptions.Password, "abc");
    // Accepted once, the same password is not asked for again.
    LoadReport(report, bytes);
    EXPECT_TRUE(report.Errors.empty());
}

TEST_F(Serializer, ErrorReportFollowsNewSilentMode) {
    std::string bytes = "garbage";
    AnsiString shown;
    SetReportErrorBox(
        [&](const AnsiString& caption, const AnsiString& text) { shown = caption + "|" + text; });
    report.EngineOptions.NewSilentMode = TfrxSilentMode::simMessageBoxes;
    LoadReport(report, bytes);
    EXPECT_EQ(shown, frxGet("mbError") + "|" + frxGet("clErrors") + "\r\nInvalid file format");
    report.EngineOptions.NewSilentMode = TfrxSilentMode::simReThrow;
    EXPECT_THROW(LoadReport(report, bytes), Exception);
    SetReportErrorBox(nullptr);
}

TEST_F(Serializer, HostDataSourceResolvesByPlainName) {
    TTestDataSet host; // owned by the host form, not by the report
    host.SetName("frxDBDataset1");
    host.UserName = "frxDBDataset1";
    report.AddHostComponent(&host);
    auto* page = TfrxComponent::Create<TTestPage>(&report);
    page->SetName("Page1");
    auto* memo = AddMemo(page, "Memo1");
    memo->DataSet.Set(&host);
    std::string bytes = SaveReport(report);
    EXPECT_NE(bytes.find("DataSet=\"frxDBDataset1\""), std::string::npos);
    memo = nullptr;
    LoadReport(report, bytes);
    auto* loaded = dynamic_cast<TTestMemo*>(report.FindObject("Memo1"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->DataSet.Get(), &host);
    // A reference to an unknown component keeps the property's value.
    TfrxXMLSerializer s;
    s.Owner = &report;
    s.ApplyAttributesResolved(*loaded, "DataSet=\"NoSuchSet\"");
    EXPECT_EQ(loaded->DataSet.Get(), &host);
}

TEST_F(Serializer, PropDataWithPlatformPropertiesAndCollectionEncoding) {
    TTestDataSet* ds = nullptr;
    BuildTemplate(report, ds);
    // "Left" and "Top" first, as templates saved on a form carry them, then
    // the datasets in the platform's collection encoding.
    TfrxBinaryWriter w;
    w.WriteName("Left");
    w.WriteInteger(80);
    w.WriteName("Top");
    w.WriteInteger(64);
    w.WriteName("Datasets");
    w.WriteByte(vaCollection);
    w.WriteListBegin();
    w.WriteName("DataSet");
    w.WriteByte(vaIdent);
    w.WriteByte(8);
    std::string name = "DataSet1";
    for (char c : name)
        w.WriteByte(static_cast<uint8_t>(c));
    w.WriteName("DataSetName");
    w.WriteByte(vaString);
    w.WriteByte(5);
    for (char c : std::string("Firma"))
        w.WriteByte(static_cast<uint8_t>(c));
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteName("Variables");
    w.WriteListBegin();
    w.WriteListEnd();
    std::string hex = HexOf(w.Bytes());
    EXPECT_EQ(hex.substr(0, 22), "044C6566740250"
                                 "03546F70");
    report.DataSets.Clear();
    report.CurrentSerializer = nullptr;
    TfrxXMLSerializer s;
    s.Owner = &report;
    s.ApplyAttributes("PropData=\"" + hex + "\"", report);
    s.ResolveReferences();
    ASSERT_EQ(report.DataSets.Count(), 1);
    EXPECT_EQ(report.DataSets.Items(0).DataSet.Get(), ds);
    // Broken data ends the attribute silently.
    s.ApplyAttributes("PropData=\"0844617461736574730E01FF\"", report);
    EXPECT_TRUE(s.Errors.empty());
}

TEST_F(Serializer, DifferentialTexts) {
    auto* page = TfrxComponent::Create<TTestPage>(&report);
    auto* source = AddMemo(page, "Memo1");
    source->SetBounds(10, 20, 30, 40);
    auto* produced = AddMemo(page, "Memo2");
    produced->SetBounds(10, 20.00001, 31, 40);
    produced->SetVisible(false);
    produced->Font().SetSize(12);
    EXPECT_EQ(produced->MakeDiff(*source),
              " w=\"31\" Visible=\"0\" Font.Size=\"12\" ParentFont=\"0\"");
    produced->SetTop(26);
    EXPECT_EQ(produced->BaseDiff(*source).substr(0, 8), " t=\"26\" ");
    // The full form rebuilds the object from scratch.
    AnsiString full = produced->MakeFullDiff(nullptr);
    EXPECT_EQ(full.substr(0, 9), "Left=\"10\"");
    TfrxXMLSerializer s;
    auto rebuilt = s.CreateFromTextOwned(&report, "TTestMemo " + full);
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_DOUBLE_EQ(rebuilt->Width(), 31);
    EXPECT_FALSE(rebuilt->Visible());
    EXPECT_THROW(s.CreateFromTextOwned(&report, "TNoSuchClass Left=\"1\""), Exception);
    EXPECT_EQ(s.CreateFromTextOwned(&report, "   "), nullptr);
}

TEST_F(Serializer, InheritedTemplate) {
    test::TempFolder folder("kanvo-inherit");
    TTestDataSet* ds = nullptr;
    BuildTemplate(report, ds);
    report.ReportOptions.Password.clear();
    AnsiString parentPath = (folder.Path() / "parent.fr3").string();
    report.SaveToFile(parentPath);

    std::string child = kHead + "<TfrxReport Version=\"4.5\" ParentReport=\"" + parentPath +
                        "\">\r\n  <inherited Name=\"Page1\">\r\n"
                        "    <inherited Name=\"Band1\">\r\n"
                        "      <inherited Name=\"Memo1\" Left=\"50\"/>\r\n"
                        "      <TTestMemo Name=\"Memo9\" Text=\"new\"/>\r\n"
                        "    </inherited>\r\n  </inherited>\r\n"
                        "  <inherited Name=\"Ghost\"/>\r\n</TfrxReport>\r\n";
    TfrxReport loaded;
    loaded.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    LoadReport(loaded, child);
    EXPECT_TRUE(loaded.Errors.empty()) << loaded.ErrorText();
    ASSERT_NE(loaded.FindObject("Memo1"), nullptr);
    EXPECT_DOUBLE_EQ(loaded.FindObject("Memo1")->Left(), 50);
    EXPECT_TRUE(loaded.FindObject("Memo1")->FromParentTemplate);
    ASSERT_NE(loaded.FindObject("Memo9"), nullptr);
    EXPECT_FALSE(loaded.FindObject("Memo9")->FromParentTemplate);
    ASSERT_NE(loaded.ParentTemplateCopy, nullptr);
    EXPECT_THROW(loaded.FindObject("Memo1")->SetName("Renamed"), Exception);
    // Written again, only the differences of inherited objects remain.
    std::string again = SaveReport(loaded);
    EXPECT_NE(again.find("<inherited Name=\"Memo1\" Left=\"50\"/>"), std::string::npos) << again;
    EXPECT_NE(again.find("<TTestMemo Name=\"Memo9\""), std::string::npos);
    TfrxReport third;
    third.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    LoadReport(third, again);
    EXPECT_EQ(SaveReport(third), again);
}

TEST(Lines, SplitAndJoin) {
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd\r\n"), (std::vector<AnsiString>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines(""), std::vector<AnsiString>{});
    EXPECT_EQ(SplitLines("\r\n"), std::vector<AnsiString>{""});
    EXPECT_EQ(SplitWideLines(u"a\u2028b"), (std::vector<WideString>{u"a", u"b"}));
    EXPECT_EQ(JoinLines({"a", "b"}), "a\r\nb");
    EXPECT_EQ(BytesOfHex("0aFf1"), std::string("\x0a\xff", 2));
}

TEST(ReportFile, MissingFileLeavesAnEmptyReport) {
    TfrxReport report;
    report.ScriptText = {"x"};
    EXPECT_FALSE(report.LoadFromFile("/nonexistent/kanvo.fr3"));
    EXPECT_EQ(report.PageCount(), 0);
    EXPECT_EQ(report.ScriptText.size(), 3u);
    EXPECT_THROW(report.LoadFromFile("/nonexistent/kanvo.fr3", true), EFileError);
}

} // namespace
} // namespace kanvo
