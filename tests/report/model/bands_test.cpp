#include "report/model/bands.h"
#include "report/model/dataset.h"

#include "platform/exception.h"
#include "platform/format_settings.h"
#include "report/model/report.h"
#include "test_classes.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

class Bands : public ::testing::Test {
protected:
    void SetUp() override {
        test::RegisterTestClasses();
        RegisterBandClasses();
        report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        page = TfrxComponent::Create<test::TTestPage>(&report);
        page->SetName("Page1");
    }
    template <typename T>
    T* Add(const char* name) {
        auto* b = TfrxComponent::Create<T>(page);
        b->SetName(name);
        return b;
    }
    TfrxReport report;
    test::TTestPage* page = nullptr;
    ScopedFormatSettings point{FormatSettings::ForLocale("C")};
};

TEST_F(Bands, NumberIsThePositionOfTheBandKind) {
    struct Case {
        const char* className;
        int number;
    } cases[] = {{"TfrxReportTitle", 0},   {"TfrxReportSummary", 1}, {"TfrxPageHeader", 2},
                 {"TfrxPageFooter", 3},    {"TfrxHeader", 4},        {"TfrxFooter", 5},
                 {"TfrxMasterData", 6},    {"TfrxDetailData", 7},    {"TfrxSubdetailData", 8},
                 {"TfrxDataBand4", 9},     {"TfrxDataBand5", 10},    {"TfrxDataBand6", 11},
                 {"TfrxGroupHeader", 12},  {"TfrxGroupFooter", 13},  {"TfrxChild", 14},
                 {"TfrxColumnHeader", 15}, {"TfrxColumnFooter", 16}, {"TfrxOverlay", 17},
                 {"TfrxNullBand", 0}};
    for (const Case& c : cases) {
        const RegisteredClass* rc = FindComponentClass(c.className);
        ASSERT_NE(rc, nullptr) << c.className;
        auto object = rc->Create();
        auto* band = dynamic_cast<TfrxBand*>(object.get());
        ASSERT_NE(band, nullptr) << c.className;
        EXPECT_EQ(band->BandNumber(), c.number) << c.className;
    }
}

TEST_F(Bands, NewBandsWriteOnlyPositionsAndTheirNonDefaults) {
    Add<TfrxPageHeader>("PageHeader1");
    auto* footer = Add<TfrxPageFooter>("PageFooter1");
    footer->PrintOnLastPage = false;
    auto* data = Add<TfrxMasterData>("MasterData1");
    data->SetRowCount(3);
    std::string xml = test::SaveReport(report);
    for (const char* absent : {"PrintOnFirstPage", "AllowSplit", "Stretched", "Vertical",
                               "ParentFont", "Visible", "Columns=", "Restrictions"})
        EXPECT_EQ(xml.find(absent), std::string::npos) << absent << "\n" << xml;
    EXPECT_NE(xml.find("PrintOnLastPage=\"False\""), std::string::npos) << xml;
    // A data band always writes its row count and column sizes.
    EXPECT_NE(xml.find("ColumnWidth=\"0\" ColumnGap=\"0\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("RowCount=\"3\""), std::string::npos) << xml;
}

TEST_F(Bands, TemplateRoundTripKeepsChildChainAndGroupProperties) {
    auto* title = Add<TfrxReportTitle>("ReportTitle1");
    auto* child = Add<TfrxChild>("Child1");
    title->SetChild(child);
    title->StartNewPage = true;
    auto* group = Add<TfrxGroupHeader>("GroupHeader1");
    group->Condition = "frxDBDataset1.\"NAZEV\"";
    group->KeepTogether = true;
    std::string xml = test::SaveReport(report);

    TfrxReport copy;
    copy.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    test::LoadReport(copy, xml);
    EXPECT_EQ(copy.ErrorText(), "");
    auto* title2 = dynamic_cast<TfrxReportTitle*>(copy.FindObject("ReportTitle1"));
    ASSERT_NE(title2, nullptr);
    ASSERT_NE(title2->Child(), nullptr);
    EXPECT_EQ(title2->Child()->Name(), "Child1");
    EXPECT_TRUE(title2->StartNewPage);
    auto* group2 = dynamic_cast<TfrxGroupHeader*>(copy.FindObject("GroupHeader1"));
    ASSERT_NE(group2, nullptr);
    EXPECT_EQ(group2->Condition, group->Condition);
    EXPECT_TRUE(group2->KeepTogether);
    // The loaded copy gained its data page; from there on the template is stable.
    std::string again = test::SaveReport(copy);
    TfrxReport third;
    third.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    test::LoadReport(third, again);
    EXPECT_EQ(test::SaveReport(third), again);
}

TEST_F(Bands, CircularChildChainIsRefused) {
    auto* a = Add<TfrxChild>("Child1");
    auto* b = Add<TfrxChild>("Child2");
    auto* c = Add<TfrxChild>("Child3");
    EXPECT_THROW(a->SetChild(a), Exception);
    a->SetChild(b);
    b->SetChild(c);
    try {
        c->SetChild(a);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Circular child reference is not allowed");
    }
    EXPECT_EQ(c->Child(), nullptr);
    delete b; // deleting a band in the chain clears the reference to it
    EXPECT_EQ(a->Child(), nullptr);
}

TEST_F(Bands, CircularChildChainInATemplateIsAnErrorEntry) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                      "<TfrxReport><TTestPage Name=\"Page1\">"
                      "<TfrxChild Name=\"Child1\" Child=\"Child2\"/>"
                      "<TfrxChild Name=\"Child2\" Child=\"Child1\"/>"
                      "<TfrxMasterData Name=\"MasterData1\" RowCount=\"4\"/>"
                      "</TTestPage></TfrxReport>";
    TfrxReport r;
    r.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    test::LoadReport(r, xml);
    EXPECT_EQ(r.ErrorText(), "Circular child reference is not allowed");
    auto* a = dynamic_cast<TfrxChild*>(r.FindObject("Child1"));
    auto* b = dynamic_cast<TfrxChild*>(r.FindObject("Child2"));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Child(), b);
    EXPECT_EQ(b->Child(), nullptr);
    auto* data = dynamic_cast<TfrxMasterData*>(r.FindObject("MasterData1"));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->RowCount(), 4);
}

TEST_F(Bands, RowSourceAndColumns) {
    auto* data = Add<TfrxMasterData>("MasterData1");
    SetPropValue(*data, "RowCount", Variant(int64_t{2}));
    int rows = 0;
    TfrxUserDataSet& virtualRows = data->VirtualDataSet();
    for (virtualRows.First(); !virtualRows.Eof(); virtualRows.Next())
        ++rows;
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(virtualRows.RecordCount(), 2);
    EXPECT_TRUE(virtualRows.Value("x").IsNull());
    data->SetRowCount(0);
    virtualRows.First();
    EXPECT_TRUE(virtualRows.Eof());
    // A user source without a count or an end test would never end.
    TfrxUserDataSet endless;
    endless.First();
    EXPECT_TRUE(endless.Eof());
    data->SetRowCount(-5);
    EXPECT_EQ(data->RowCount(), 0);

    data->Columns = 3;
    data->ColumnWidth = 100;
    data->ColumnGap = 10;
    struct Case {
        int column, expected;
        double left;
    } cases[] = {{1, 1, 0}, {2, 2, 110}, {3, 3, 220}, {4, 1, 0}, {0, 1, 0}};
    for (const Case& c : cases) {
        data->SetCurColumn(c.column);
        EXPECT_EQ(data->CurColumn(), c.expected) << c.column;
        EXPECT_DOUBLE_EQ(data->Left(), c.left) << c.column;
    }
}

TEST_F(Bands, DataSetNameLinksToAHostDataSet) {
    test::TTestDataSet host;
    host.SetName("frxDBDataset1");
    report.AddHostComponent(&host);
    auto* data = Add<TfrxMasterData>("MasterData1");
    data->SetDataSetName("frxDBDataset1");
    EXPECT_EQ(data->DataSet.Get(), &host);
    data->SetDataSetName("missing");
    EXPECT_EQ(data->StoredDataSetName, "missing");
}

} // namespace
} // namespace kanvo
