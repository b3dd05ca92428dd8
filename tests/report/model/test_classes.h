// Small report classes for the model's tests: a memo-like view, a band-like
// container and a data source, each with a property table of its own.
#pragma once

#include "platform/code_page.h"
#include "report/model/report.h"
#include "report/model/serializer.h"

namespace kanvo::test {

class TTestDataSet : public TfrxDialogComponent {
public:
    static const ClassInfo& StaticClass() {
        using T = TTestDataSet;
        static const ClassInfo info =
            MakeClassInfo(ClassBuilder<T>("TTestDataSet", &TfrxDialogComponent::StaticClass())
                              .StrField("UserName", &T::UserName));
        return info;
    }
    const ClassInfo& ClassType() const override { return StaticClass(); }
    AnsiString UserName;
};

class TTestMemo : public TfrxReportComponent {
public:
    static const ClassInfo& StaticClass() {
        using T = TTestMemo;
        static const ClassInfo info = MakeClassInfo(
            ClassBuilder<T>("TTestMemo", &TfrxReportComponent::StaticClass())
                .Float("Left", &T::Left, &T::SetLeft)
                .Float("Top", &T::Top, &T::SetTop)
                .Float("Width", &T::Width, &T::SetWidth)
                .Float("Height", &T::Height, &T::SetHeight)
                .Bool("Visible", &T::Visible, &T::SetVisible, true)
                .Enum(
                    "HAlign", {"haLeft", "haRight", "haCenter", "haBlock"},
                    [](const T& o) { return o.HAlign; }, [](T& o, int64_t v) { o.HAlign = int(v); },
                    0)
                .Ref<TfrxComponent>(
                    "DataSet", "TTestDataSet", [](const T& o) { return o.DataSet.Get(); },
                    [](T& o, TfrxComponent* c) { o.DataSet.Set(c); })
                .Ref<TfrxComponent>(
                    "FlowTo", "TTestMemo", [](const T& o) { return o.FlowTo.Get(); },
                    [](T& o, TfrxComponent* c) { o.FlowTo.Set(c); })
                .Sub("Font", &TfrxFont::StaticClass(), [](const T& o) { return &o.Font(); })
                .Stored([](const T& o) { return !o.ParentFont(); })
                .Bool("ParentFont", &T::ParentFont, &T::SetParentFont, true)
                .Event("OnBeforePrint", &T::OnBeforePrint));
        return info;
    }
    const ClassInfo& ClassType() const override { return StaticClass(); }
    bool HasMemoText() const override { return true; }
    WideString MemoText() const override {
        WideString t;
        for (const auto& l : Lines)
            t += l + u"\r\n";
        return t;
    }
    void SetMemoText(const WideString& t) override { Lines = SplitWideLines(t); }
    int HAlign = 0;
    std::vector<WideString> Lines;
    TfrxComponentRef<TfrxComponent> DataSet, FlowTo;
};

class TTestBand : public TfrxReportComponent {
public:
    static const ClassInfo& StaticClass() {
        using T = TTestBand;
        static const ClassInfo info =
            MakeClassInfo(ClassBuilder<T>("TTestBand", &TfrxReportComponent::StaticClass())
                              .Float("Left", &T::Left, &T::SetLeft)
                              .Float("Top", &T::Top, &T::SetTop)
                              .Float("Width", &T::Width, &T::SetWidth)
                              .Float("Height", &T::Height, &T::SetHeight)
                              .Ref<TfrxComponent>(
                                  "Child", "TTestBand", [](const T& o) { return o.Child.Get(); },
                                  [](T& o, TfrxComponent* c) { o.Child.Set(c); }));
        return info;
    }
    const ClassInfo& ClassType() const override { return StaticClass(); }
    TfrxComponentRef<TfrxComponent> Child;
};

class TTestPage : public TfrxPage {
public:
    static const ClassInfo& StaticClass() {
        static const ClassInfo info =
            MakeClassInfo(ClassBuilder<TTestPage>("TTestPage", &TfrxPage::StaticClass()));
        return info;
    }
    const ClassInfo& ClassType() const override { return StaticClass(); }
};

inline void RegisterTestClasses() {
    RegisterReportModelClasses();
    RegisterComponentClass<TTestDataSet>();
    RegisterComponentClass<TTestMemo>();
    RegisterComponentClass<TTestBand>();
    RegisterComponentClass<TTestPage>();
}

inline std::string SaveReport(TfrxReport& report) {
    TMemoryStream out;
    report.SaveToStream(out);
    return out.Bytes();
}

inline void LoadReport(TfrxReport& report, const std::string& bytes) {
    TMemoryStream in{bytes};
    report.LoadFromStream(in);
}

} // namespace kanvo::test
