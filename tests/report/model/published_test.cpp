#include "test_classes.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

using test::TTestMemo;

TEST(PublishedProperties, ClassOrderBaseFirst) {
    std::vector<AnsiString> names;
    for (const PropInfo* p : TTestMemo::StaticClass().Properties())
        names.push_back(p->Name);
    std::vector<AnsiString> expected = {
        "Name",    "Tag",    "Description", "Left",   "Top",  "Width",      "Height",
        "Visible", "HAlign", "DataSet",     "FlowTo", "Font", "ParentFont", "OnBeforePrint"};
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(TTestMemo::StaticClass().InheritsFrom(TfrxComponent::StaticClass()));
    EXPECT_TRUE(TTestMemo::StaticClass().InheritsFrom("TfrxReportComponent"));
    EXPECT_FALSE(TfrxComponent::StaticClass().InheritsFrom("TTestMemo"));
}

TEST(PublishedProperties, RedeclaredPropertyKeepsItsFirstPlace) {
    struct Base : TPersistent {
        static const ClassInfo& StaticClass() {
            static const ClassInfo info = MakeClassInfo(ClassBuilder<Base>("Base", nullptr)
                                                            .StrField("A", &Base::a)
                                                            .StrField("B", &Base::b));
            return info;
        }
        const ClassInfo& ClassType() const override { return StaticClass(); }
        AnsiString a, b;
    };
    struct Derived : Base {
        static const ClassInfo& StaticClass() {
            static const ClassInfo info = MakeClassInfo(
                ClassBuilder<Derived>("Derived", &Base::StaticClass())
                    .StrField("C", &Derived::a)
                    .Int(
                        "A", [](const Derived&) { return 7; }, [](Derived&, int64_t) {}));
            return info;
        }
        const ClassInfo& ClassType() const override { return StaticClass(); }
    };
    const auto& props = Derived::StaticClass().Properties();
    ASSERT_EQ(props.size(), 3u);
    EXPECT_EQ(props[0]->Name, "A");
    EXPECT_EQ(props[0]->Kind, PropKind::Integer);
    EXPECT_EQ(props[2]->Name, "C");
}

TEST(PublishedProperties, GetAndSetByNameAsVariants) {
    TfrxReport report;
    auto* memo = TfrxComponent::Create<TTestMemo>(&report);
    SetPropValue(*memo, "left", Variant(12.5));
    EXPECT_DOUBLE_EQ(memo->Left(), 12.5);
    SetPropValue(*memo, "HAlign", Variant("haCenter"));
    EXPECT_EQ(memo->HAlign, 2);
    EXPECT_EQ(GetPropValue(*memo, "HAlign").ToInt64(), 2);
    SetPropValue(*memo, "Font.Name", Variant("Tahoma"));
    EXPECT_EQ(memo->Font().Name(), "Tahoma");
    EXPECT_EQ(VarToStr(GetPropValue(*memo, "Font.Name")), "Tahoma");
    SetPropValue(report, "EngineOptions.DoublePass", Variant(true));
    EXPECT_TRUE(report.EngineOptions.DoublePass);
    EXPECT_THROW(GetPropValue(*memo, "NoSuch"), Exception);
    SetPropValue(report, "ReportOptions.Description", Variant("a\r\nb"));
    EXPECT_EQ(report.ReportOptions.Description, (std::vector<AnsiString>{"a", "b"}));
    EXPECT_THROW(SetPropValue(*memo, "DataSet", Variant(static_cast<Object*>(memo))), Exception);
    SetPropValue(*memo, "FlowTo", Variant(static_cast<Object*>(memo)));
    EXPECT_EQ(memo->FlowTo.Get(), memo);
    EXPECT_THROW(SetPropValue(*memo, "HAlign", Variant("haNowhere")), Exception);
    EXPECT_THROW(SetPropValue(*memo, "Font", Variant(1)), Exception);
}

} // namespace
} // namespace kanvo
