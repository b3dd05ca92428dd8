#include "test_classes.h"

#include "report/model/resources.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

using test::TTestBand;
using test::TTestDataSet;
using test::TTestMemo;
using test::TTestPage;

class ComponentTree : public ::testing::Test {
protected:
    void SetUp() override {
        test::RegisterTestClasses();
        page = TfrxComponent::Create<TTestPage>(&report);
        page->SetName("Page1");
        band = TfrxComponent::Create<TTestBand>(page);
        band->SetName("Band1");
        memo1 = TfrxComponent::Create<TTestMemo>(band);
        memo1->SetName("Memo1");
        memo3 = TfrxComponent::Create<TTestMemo>(band);
        memo3->SetName("Memo3");
    }
    TfrxReport report;
    TTestPage* page = nullptr;
    TTestBand* band = nullptr;
    TTestMemo* memo1 = nullptr;
    TTestMemo* memo3 = nullptr;
};

TEST(Report, NewReportState) {
    TfrxReport report;
    EXPECT_EQ(report.PageCount(), 0);
    EXPECT_EQ(report.Version(), "4.5");
    EXPECT_EQ(report.ScriptLanguage, "PascalScript");
    EXPECT_EQ(report.ScriptText, (std::vector<AnsiString>{"begin", "", "end."}));
    SetPropValue(report, "Version", Variant("9.9"));
    EXPECT_EQ(VarToStr(GetPropValue(report, "Version")), "4.5");
    EXPECT_EQ(report.PrintOptions.Printer, frxGet("prDefault"));
    EXPECT_EQ(report.SystemVariableNames.size(), 9u);
}

TEST_F(ComponentTree, AllObjectsAndFindObject) {
    std::vector<TfrxComponent*> expected = {page, band, memo1, memo3};
    EXPECT_EQ(report.AllObjects(), expected);
    EXPECT_EQ(report.FindObject("mEmO3"), memo3);
    report.SetName("Report1");
    EXPECT_EQ(report.FindObject("Report1"), nullptr);
    EXPECT_EQ(memo1->RootReport(), &report);
    EXPECT_EQ(memo1->Page(), page);
}

TEST_F(ComponentTree, AssignUniqueNameTakesTheSmallestFreeNumber) {
    memo1->SetName("TTestMemo1");
    memo3->SetName("ttestmemo3");
    auto* memo = TfrxComponent::Create<TTestMemo>(band);
    memo->AssignUniqueName();
    EXPECT_EQ(memo->Name(), "TTestMemo2");
    auto* next = TfrxComponent::Create<TTestMemo>(band);
    next->AssignUniqueName();
    EXPECT_EQ(next->Name(), "TTestMemo4");
    EXPECT_EQ(TfrxDataPage().NameStem(), "DataPage");
}

TEST_F(ComponentTree, RenameChecks) {
    memo1->SetName("MEMO1");
    EXPECT_EQ(memo1->Name(), "Memo1");
    try {
        memo1->SetName("memo3");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), frxGet("prDupl"));
    }
    EXPECT_EQ(memo1->Name(), "Memo1");
    memo1->FromParentTemplate = true;
    try {
        memo1->SetName("Other");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Could not rename Memo1, it was introduced in the ancestor report");
    }
    memo1->FromParentTemplate = false;
    EXPECT_THROW(memo1->SetName("1abc"), Exception);
    memo1->SetName("");
    EXPECT_EQ(memo1->Name(), "");
}

TEST_F(ComponentTree, ParentFontFollowsTheNewParent) {
    TfrxFont courier;
    courier.SetName("Courier New");
    auto* other = TfrxComponent::Create<TTestBand>(page);
    other->SetFont(courier);
    EXPECT_FALSE(other->ParentFont());
    memo3->Font().SetSize(20); // a change of its own font clears ParentFont
    EXPECT_FALSE(memo3->ParentFont());
    memo1->SetParent(other);
    memo3->SetParent(other);
    EXPECT_EQ(memo1->Font().Name(), "Courier New");
    EXPECT_EQ(memo3->Font().Name(), "Arial");
    EXPECT_EQ(other->Objects().back(), memo3);
    // A font change of the parent reaches children with ParentFont.
    other->Font().SetColor(255);
    EXPECT_EQ(memo1->Font().Color(), 255);
    EXPECT_EQ(memo3->Font().Color(), 0);
    EXPECT_TRUE(memo1->ParentFont());
}

TEST_F(ComponentTree, ReferencesAreClearedWhenTheTargetIsDestroyed) {
    auto* child = TfrxComponent::Create<TTestBand>(page);
    band->Child.Set(child);
    memo1->FlowTo.Set(memo3);
    bool told = false;
    memo1->FlowTo.OnCleared = [&] { told = true; };
    delete memo3;
    EXPECT_EQ(memo1->FlowTo.Get(), nullptr);
    EXPECT_TRUE(told);
    EXPECT_EQ(band->Objects().size(), 1u);
    page->Clear();
    EXPECT_TRUE(page->Objects().empty());
    // band and child are gone; nothing dangles (checked by the sanitizer build).
}

TEST_F(ComponentTree, AssignCopiesPropertiesAndAssignWithChildrenTheSubtree) {
    band->SetBounds(1, 2, 300, 40);
    auto* copy = TfrxComponent::Create<TTestBand>(page);
    copy->Assign(*band);
    EXPECT_DOUBLE_EQ(copy->Width(), 300);
    EXPECT_TRUE(copy->Objects().empty());
    EXPECT_EQ(copy->Name(), "");

    memo1->Lines = {u"Hello"};
    TfrxReport other;
    auto* target = TfrxComponent::Create<TTestBand>(&other);
    target->AssignWithChildren(*band);
    ASSERT_EQ(target->Objects().size(), 2u);
    auto* m = dynamic_cast<TTestMemo*>(target->Objects()[0]);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Name(), "Memo1");
    EXPECT_EQ(m->Lines, std::vector<WideString>{u"Hello"});
}

TEST_F(ComponentTree, BoundsRestrictionsApplyToDesignerObjects) {
    memo1->DesignerCreated = true;
    memo1->SetRestrictions(1 << static_cast<int>(TfrxRestriction::rfDontMove));
    memo1->SetBounds(5, 6, 7, 8);
    EXPECT_DOUBLE_EQ(memo1->Left(), 0);
    EXPECT_DOUBLE_EQ(memo1->Width(), 7);
    band->SetLeft(10);
    memo3->SetLeft(3);
    EXPECT_DOUBLE_EQ(memo3->AbsLeft(), 13);
}

TEST(DialogComponent, CreatedSmallAndNotKeptInPreparedPages) {
    TTestDataSet ds;
    EXPECT_DOUBLE_EQ(ds.Width(), 28);
    EXPECT_EQ(ds.StorageFlags & kKeepInPreparedPages, 0);
}

} // namespace
} // namespace kanvo
