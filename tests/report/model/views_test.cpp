#include "report/model/views.h"

#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/format_settings.h"
#include "report/model/bands.h"
#include "report/model/dataset.h"
#include "report/model/pages.h"
#include "report/model/resources.h"
#include "report/model/serializer.h"
#include "test_classes.h"
#include "tests/support/test_support.h"
#include "tiny_images.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

class Views : public ::testing::Test {
protected:
    void SetUp() override {
        test::RegisterTestClasses();
        report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        // A loaded template always has a data page; with one here a saved
        // report loads into an equal tree.
        TfrxComponent::Create<TfrxDataPage>(&report)->SetName("Data");
        page = TfrxComponent::Create<TfrxReportPage>(&report);
        page->SetName("Page1");
        band = TfrxComponent::Create<TfrxMasterData>(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 100, 500, 40);
    }
    template <typename T>
    T* Add(const char* name) {
        T* v = TfrxComponent::Create<T>(band);
        v->SetName(name);
        return v;
    }
    AnsiString Attributes(const TPersistent& obj) {
        TfrxXMLSerializer s;
        s.Owner = &report;
        return s.AttributesOf(&obj, "", nullptr);
    }
    TfrxReport report;
    TfrxReportPage* page = nullptr;
    TfrxBand* band = nullptr;
    ScopedFormatSettings point{FormatSettings::ForLocale("C")};
};

TEST_F(Views, NewViewsWriteNoneOfTheirDefaults) {
    struct Case {
        std::function<TfrxView*()> make;
        const char* attributes;
    };
    const Case cases[] = {
        {[&] { return Add<TfrxMemoView>("Memo1"); },
         R"( Left="0" Top="0" Width="0" Height="0" Text="")"},
        {[&] { return Add<TfrxSysMemoView>("SysMemo1"); },
         R"( Left="0" Top="0" Width="0" Height="0" Text="")"},
        {[&] { return Add<TfrxLineView>("Line1"); }, R"( Left="0" Top="0" Width="0" Height="0")"},
        // HightQuality has no declared default: it is always written.
        {[&] { return Add<TfrxPictureView>("Picture1"); },
         R"( Left="0" Top="0" Width="0" Height="0" HightQuality="False")"},
        {[&] { return Add<TfrxShapeView>("Shape1"); }, R"( Left="0" Top="0" Width="0" Height="0")"},
        {[&] { return Add<TfrxSubreport>("Subreport1"); },
         R"( Left="0" Top="0" Width="0" Height="0")"},
    };
    for (const Case& c : cases) {
        TfrxView* v = c.make();
        EXPECT_EQ(Attributes(*v), c.attributes) << v->ClassName();
    }
}

TEST_F(Views, InitialValues) {
    auto* memo = Add<TfrxMemoView>("Memo1");
    EXPECT_EQ(memo->GapX, 2);
    EXPECT_EQ(memo->GapY, 1);
    EXPECT_EQ(memo->LineSpacing, 2);
    EXPECT_TRUE(memo->WordWrap);
    EXPECT_TRUE(memo->Clipped);
    EXPECT_TRUE(memo->AllowExpressions);
    EXPECT_EQ(memo->ExpressionDelimiters, "[,]");
    EXPECT_EQ(memo->Color, clTransparent);
    EXPECT_EQ(memo->ShiftMode, TfrxShiftMode::smAlways);
    EXPECT_TRUE(memo->Value.IsNull());
    EXPECT_EQ(memo->StorageFlags, kKeepInPreparedPages);

    auto* picture = Add<TfrxPictureView>("Picture1");
    EXPECT_EQ(picture->Color, 16777215);
    EXPECT_TRUE(picture->KeepAspectRatio);
    EXPECT_TRUE(picture->Stretched);

    auto* sub = Add<TfrxSubreport>("Subreport1");
    EXPECT_EQ(sub->Frame.Typ, 15);
    EXPECT_EQ(sub->Font().Name(), "Tahoma");
    EXPECT_EQ(sub->Font().Size(), 8);
    EXPECT_EQ(sub->Color, 12632256);
    EXPECT_EQ(sub->StorageFlags & kKeepInPreparedPages, 0);
    EXPECT_NE(sub->StorageFlags & kStoreFullText, 0);

    TfrxHighlight highlight;
    EXPECT_EQ(highlight.Font.Name(), "Arial");
    EXPECT_EQ(highlight.Font.Size(), 10);
    EXPECT_EQ(highlight.Font.Color(), 255);
    EXPECT_EQ(highlight.Color, clTransparent);

    EXPECT_EQ(memo->DescriptionText(), frxGet("obText"));
    EXPECT_EQ(Add<TfrxSysMemoView>("S")->DescriptionText(), frxGet("obSysText"));
    EXPECT_EQ(Add<TfrxLineView>("L")->DescriptionText(), frxGet("obLine"));
    EXPECT_EQ(picture->DescriptionText(), frxGet("obPicture"));
    EXPECT_EQ(Add<TfrxShapeView>("Sh")->DescriptionText(), frxGet("obShape"));
    EXPECT_EQ(sub->DescriptionText(), frxGet("obSubRep"));
}

TEST_F(Views, RotationKeepsTheSignOfTheValue) {
    const std::pair<int64_t, int> cases[] = {{450, 90},   {-90, -90}, {720, 0},
                                             {-450, -90}, {359, 359}, {360, 0}};
    auto* memo = Add<TfrxMemoView>("Memo1");
    for (auto [in, out] : cases) {
        SetPropValue(*memo, "Rotation", Variant(in));
        EXPECT_EQ(memo->Rotation(), out) << in;
    }
}

TEST_F(Views, PublishedOrderOfTheMemoClasses) {
    auto names = [](const ClassInfo& info) {
        AnsiString all;
        for (const PropInfo* p : info.Properties())
            if (!p->NeverStored)
                all += p->Name + " ";
        return all;
    };
    const AnsiString common = "Tag Description Align Printable ShiftMode Left Top Width Height "
                              "GroupIndex Restrictions Visible OnAfterData OnAfterPrint "
                              "OnBeforePrint OnPreviewClick OnPreviewDblClick ";
    EXPECT_EQ(names(TfrxSysMemoView::StaticClass()),
              common + "StretchMode FirstParaBreak LastParaBreak Cursor TagStr URL AutoWidth "
                       "BrushStyle CharSpacing Color DisplayFormat Font Frame GapX GapY HAlign "
                       "HideZeros Highlight Memo ParentFont Rotation RTLReading Style "
                       "SuppressRepeated VAlign WordWrap ");
    EXPECT_EQ(names(TfrxLineView::StaticClass()),
              common + "StretchMode TagStr ArrowEnd ArrowLength ArrowSolid ArrowStart ArrowWidth "
                       "Frame Diagonal ");
    EXPECT_EQ(names(TfrxPictureView::StaticClass()),
              common + "Cursor AutoSize Center DataField DataSet DataSetName Frame FileLink "
                       "ImageIndex KeepAspectRatio Picture Stretched TagStr URL HightQuality ");
}

TEST_F(Views, ChangedValuesAreWrittenAndReadBack) {
    auto* memo = Add<TfrxMemoView>("Memo1");
    memo->SetBounds(10, 2, 200, 18.9);
    memo->GapX = 3;
    memo->LineSpacing = 0;
    memo->HAlign = TfrxHAlign::haCenter;
    memo->WordWrap = false;
    memo->ExpressionDelimiters = "<,>";
    memo->Frame.Typ = ftLeft | ftBottom;
    memo->Frame.SetWidth(2);
    memo->Frame.LeftLine.Width = 0.5;
    memo->Highlight.Condition = "  ";
    memo->DisplayFormat.Kind = TfrxFormatKind::fkNumeric;
    memo->DisplayFormat.FormatStr = "%2.2n";
    memo->SetRotation(90);
    memo->SetText(u"Jméno: [Jméno]\r\nCena");
    memo->Font().SetName("Times New Roman");
    AnsiString text = Attributes(*memo);
    EXPECT_EQ(text, " Left=\"10\" Top=\"2\" Width=\"200\" Height=\"18.9\""
                    " DisplayFormat.FormatStr=\"%2.2n\" DisplayFormat.Kind=\"fkNumeric\""
                    " ExpressionDelimiters=\"&#60;,&#62;\""
                    " Font.Charset=\"1\" Font.Color=\"0\" Font.Height=\"-13\""
                    " Font.Name=\"Times New Roman\" Font.Style=\"0\""
                    " Frame.Typ=\"9\" Frame.Width=\"2\" Frame.LeftLine.Width=\"0.5\""
                    " GapX=\"3\" HAlign=\"haCenter\" LineSpacing=\"0\" ParentFont=\"False\""
                    " Rotation=\"90\" WordWrap=\"False\""
                    " Text=\"" +
                        EscapeText(WideToUtf8(u"Jméno: [Jméno]\r\nCena")) + "\"");

    auto* copy = Add<TfrxMemoView>("Memo2");
    TfrxXMLSerializer s;
    s.Owner = &report;
    s.ApplyAttributes(text, *copy);
    EXPECT_EQ(Attributes(*copy), text);
    EXPECT_EQ(copy->Frame.LeftLine.Width, 0.5);
    EXPECT_EQ(copy->Frame.TopLine.Width, 2);
    EXPECT_EQ(copy->Memo.size(), 2u);
}

TEST_F(Views, MemoTextSplitsAtEveryKindOfBreak) {
    auto* memo = Add<TfrxMemoView>("Memo1");
    memo->SetText(u"a\r\nb\rc\nd\u2028e\r\n");
    EXPECT_EQ(memo->Memo, (std::vector<WideString>{u"a", u"b", u"c", u"d", u"e"}));
    EXPECT_EQ(memo->Text(), u"a\r\nb\r\nc\r\nd\r\ne\r\n");
    memo->SetText(u"");
    EXPECT_TRUE(memo->Memo.empty());
    // Scripts reach the text through the property table.
    SetPropValue(*memo, "Text", Variant(WideString(u"x\ny")));
    EXPECT_EQ(GetPropValue(*memo, "Text").ToWide(), u"x\r\ny\r\n");
}

TEST_F(Views, MemoInsets) {
    struct Case {
        int typ;
        double width;
        bool shadow;
        double x, y;
    };
    const Case cases[] = {
        {0, 1, false, 4, 2},
        {ftLeft | ftRight, 3, false, 4 + 1 + 1.5, 2},
        {ftTop, 3, false, 4, 2 + 1},
        {ftLeft | ftRight | ftTop | ftBottom, 1, true, 4 + 0.5 + 4, 2 + 0.5 + 4},
    };
    auto* memo = Add<TfrxMemoView>("Memo1");
    for (const Case& c : cases) {
        memo->Frame.Typ = c.typ;
        memo->Frame.SetWidth(c.width);
        memo->Frame.DropShadow = c.shadow;
        EXPECT_DOUBLE_EQ(memo->InsetX(), c.x) << c.typ << " " << c.width;
        EXPECT_DOUBLE_EQ(memo->InsetY(), c.y) << c.typ << " " << c.width;
    }
}

TEST_F(Views, StyleByNameGivesColourFontAndFrame) {
    TfrxStyleItem& style = report.Styles.Add();
    style.SetName("Nadpis");
    style.Color = 65535;
    style.Font.SetName("Courier New");
    style.Font.SetStyle(fsBold);
    style.Frame.Typ = 15;
    style.Frame.SetWidth(2);

    auto* memo = Add<TfrxMemoView>("Memo1");
    memo->SetStyle("NADPIS");
    EXPECT_EQ(memo->Style(), "NADPIS");
    EXPECT_EQ(memo->Color, 65535);
    EXPECT_EQ(memo->Font().Name(), "Courier New");
    EXPECT_FALSE(memo->ParentFont());
    EXPECT_EQ(memo->Frame.Typ, 15);
    EXPECT_EQ(memo->Frame.BottomLine.Width, 2);

    auto* other = Add<TfrxMemoView>("Memo2");
    other->SetStyle("Neznámý");
    EXPECT_EQ(other->Style(), "Neznámý");
    EXPECT_EQ(other->Color, clTransparent);
    EXPECT_TRUE(other->ParentFont());

    TfrxMemoView outside; // not in a report: only the name is kept
    outside.SetStyle("Nadpis");
    EXPECT_EQ(outside.Color, clTransparent);
}

TEST_F(Views, DataSetLink) {
    auto* ds = TfrxComponent::Create<test::TTestDataSet>(&report);
    ds->SetName("frxDBDataset1");
    ds->UserName = "Objednavka";
    report.DataSets.Add().DataSet.Set(ds);

    auto* memo = Add<TfrxMemoView>("Memo1");
    memo->SetDataSetName("objednavka");
    EXPECT_EQ(memo->DataSet(), ds);
    EXPECT_EQ(memo->DataSetName(), "Objednavka");
    memo->SetDataSetName("Nic"); // nothing of that name: the link stays
    EXPECT_EQ(memo->DataSet(), ds);

    auto* picture = Add<TfrxPictureView>("Picture1");
    picture->SetDataSet(ds);
    ds->UserName = "Jiny";
    EXPECT_EQ(picture->DataSetName(), "Jiny");
    delete ds;
    EXPECT_EQ(memo->DataSet(), nullptr);
    EXPECT_EQ(picture->DataSet(), nullptr);
}

// -- alignment

struct AlignView {
    double left, top, width, height;
    TfrxAlign align;
    double expectLeft, expectWidth;
};
struct AlignCase {
    const char* what;
    std::vector<AlignView> views;
};

TEST_F(Views, AlignAgainstNeighboursAndParent) {
    using A = TfrxAlign;
    const AlignCase cases[] = {
        {"two baLeft at the same height",
         {{100, 0, 50, 20, A::baLeft, 0, 50}, {300, 0, 80, 20, A::baLeft, 50, 80}}},
        {"baLeft without a neighbour at its height moves to 0",
         {{100, 0, 50, 20, A::baNone, 100, 50}, {300, 30, 80, 5, A::baLeft, 0, 80}}},
        {"baWidth spans the gap between a left and a right neighbour",
         {{0, 0, 100, 20, A::baNone, 0, 100},
          {150, 5, 10, 10, A::baWidth, 100, 300},
          {400, 0, 100, 20, A::baNone, 400, 100}}},
        {"baWidth alone takes the parent's width", {{150, 5, 10, 10, A::baWidth, 0, 500}}},
        {"baRight against the parent's edge and against its right neighbour",
         {{10, 0, 50, 20, A::baRight, 370, 50}, {20, 0, 80, 20, A::baRight, 420, 80}}},
        {"negative positions come first, nearest to 0 first",
         {{-5, 0, 10, 20, A::baLeft, 0, 10},
          {-50, 0, 10, 20, A::baLeft, 10, 10},
          {10, 0, 10, 20, A::baLeft, 20, 10}}},
        {"touching edges do not overlap",
         {{100, 0, 50, 20, A::baNone, 100, 50}, {300, 20, 80, 20, A::baLeft, 0, 80}}},
        {"centre and client",
         {{7, 0, 100, 20, A::baCenter, 200, 100}, {7, 3, 100, 20, A::baClient, 0, 500}}},
    };
    for (const AlignCase& c : cases) {
        for (TfrxComponent* o : std::vector<TfrxComponent*>(band->Objects()))
            delete o;
        std::vector<TfrxView*> views;
        for (const AlignView& v : c.views) {
            auto* shape = TfrxComponent::Create<TfrxShapeView>(band);
            shape->SetBounds(v.left, v.top, v.width, v.height);
            shape->Align = v.align;
            views.push_back(shape);
        }
        band->ApplyChildAlignment();
        for (size_t i = 0; i < views.size(); ++i) {
            EXPECT_DOUBLE_EQ(views[i]->Left(), c.views[i].expectLeft) << c.what << " #" << i;
            EXPECT_DOUBLE_EQ(views[i]->Width(), c.views[i].expectWidth) << c.what << " #" << i;
        }
    }
}

TEST_F(Views, AlignBottomAndClientHeights) {
    auto* bottom = Add<TfrxLineView>("Line1");
    bottom->SetBounds(0, 0, 100, 2);
    bottom->Align = TfrxAlign::baBottom;
    auto* client = Add<TfrxShapeView>("Shape1");
    client->SetBounds(50, 10, 10, 10);
    client->Align = TfrxAlign::baClient;
    band->ApplyChildAlignment();
    EXPECT_DOUBLE_EQ(bottom->Top(), 38);
    EXPECT_DOUBLE_EQ(client->Top(), 0);
    EXPECT_DOUBLE_EQ(client->Height(), 40);
}

// -- printing seams and difference texts

TEST_F(Views, TagStrAndUrlExpandWhilePrintingAndComeBack) {
    int calls = 0;
    report.ExpandBracketedText = [&](TfrxComponent&, const AnsiString& text) {
        ++calls;
        AnsiString r = text;
        for (auto at = r.find("[x]"); at != AnsiString::npos; at = r.find("[x]"))
            r.replace(at, 3, "42");
        return r;
    };
    auto* shape = Add<TfrxShapeView>("Shape1");
    shape->TagStr = "id=[x]";
    shape->URL = "https://example.org/";
    shape->PreparePrint();
    shape->FetchData();
    EXPECT_EQ(shape->TagStr, "id=42");
    EXPECT_EQ(shape->URL, "https://example.org/");
    EXPECT_EQ(calls, 1); // a text without "[" is not handed on
    shape->CompletePrint();
    EXPECT_EQ(shape->TagStr, "id=[x]");
}

TEST_F(Views, MemoDifferenceMovesTheParagraphState) {
    auto* source = Add<TfrxMemoView>("Memo1");
    source->SetBounds(0, 0, 100, 20);
    source->SetText(u"A");
    auto* made = Add<TfrxMemoView>("Memo2");
    made->SetBounds(0, 0, 100, 40);
    made->SetText(u"Řádek 1\r\nŘádek 2");
    made->HAlign = TfrxHAlign::haRight;
    made->LastParaBreak = true;
    EXPECT_EQ(made->MakeDiff(*source), " h=\"40\" HAlign=\"1\" u=\"" +
                                           EscapeText(WideToUtf8(u"Řádek 1\r\nŘádek 2")) +
                                           "\" LastParaBreak=\"1\"");
    EXPECT_TRUE(made->FirstParaBreak);
    EXPECT_FALSE(made->LastParaBreak);
    made->SetText(u"");
    EXPECT_EQ(made->MakeDiff(*source), " h=\"40\" HAlign=\"1\" u=\"\" FirstParaBreak=\"1\"");
    EXPECT_FALSE(made->FirstParaBreak);
}

TEST_F(Views, FrameDifferenceAfterAFrameWideValue) {
    auto* source = Add<TfrxShapeView>("Shape1");
    auto* made = Add<TfrxShapeView>("Shape2");
    made->Frame.SetColor(255);
    made->Frame.LeftLine.Color = 0; // equals the source line, differs from its frame
    made->Shape = TfrxShapeKind::skEllipse;
    EXPECT_EQ(made->MakeDiff(*source),
              " Frame.Color=\"255\" Frame.LeftLine.Color=\"0\" Shape=\"2\"");

    auto* line = Add<TfrxLineView>("Line1");
    auto* lineMade = Add<TfrxLineView>("Line2");
    lineMade->Frame.TopLine.Width = 3; // no frame-wide change: compared with the source line
    EXPECT_EQ(lineMade->MakeDiff(*line), " Frame.TopLine.Width=\"3\"");
}

TEST_F(Views, PictureDifferenceHandsAChangedPictureToTheCache) {
    std::vector<const TPicture*> cached;
    report.AddPreparedPicture = [&](const TPicture& p) {
        cached.push_back(&p);
        return 7;
    };
    auto* source = Add<TfrxPictureView>("Picture1");
    auto* made = Add<TfrxPictureView>("Picture2");
    made->Picture.SetGraphic(TGraphic::FromFile(TGraphicKind::Png, "\x89PNG"));
    EXPECT_TRUE(made->PictureChanged);
    EXPECT_EQ(made->MakeDiff(*source), "  ImageIndex=\"7\"");
    EXPECT_FALSE(made->PictureChanged);
    EXPECT_EQ(made->MakeDiff(*source), "  ImageIndex=\"7\"");
    EXPECT_EQ(cached.size(), 1u);
}

TEST_F(Views, PageBackgroundColourAndFrame) {
    page->SetColor(16777215);
    page->Frame().Typ = ftTop;
    std::string xml = test::SaveReport(report);
    EXPECT_NE(xml.find(" Color=\"16777215\" Frame.Typ=\"4\""), std::string::npos) << xml;
    TfrxReport again;
    again.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    test::LoadReport(again, xml);
    auto* loaded = dynamic_cast<TfrxReportPage*>(again.FindObject("Page1"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Color(), 16777215);
    EXPECT_EQ(loaded->Frame().Typ, ftTop);
    EXPECT_FALSE(loaded->Background().KeepAspectRatio);
    EXPECT_TRUE(loaded->BackPicture().Empty());
    EXPECT_EQ(test::SaveReport(again), xml);
}

TEST_F(Views, EveryViewClassRoundTripsThroughATemplate) {
    auto* memo = Add<TfrxMemoView>("Memo1");
    memo->SetBounds(1.5, 2.25, 300.12345678, 18.89765);
    memo->SetText(u"Objednávka č. [frxDBDataset1.\"cislo\"]");
    memo->Highlight.Condition = "<Value> > 0";
    memo->Highlight.Active = true;
    memo->StretchMode = TfrxStretchMode::smMaxHeight;
    auto* sys = Add<TfrxSysMemoView>("SysMemo1");
    sys->SetText(u"[Page#]");
    sys->HAlign = TfrxHAlign::haRight;
    memo->SetFlowTo(sys);
    auto* line = Add<TfrxLineView>("Line1");
    line->SetBounds(0, 39, 500, 0);
    line->Frame.Typ = ftTop;
    line->ArrowEnd = true;
    line->Diagonal = true;
    auto* picture = Add<TfrxPictureView>("Picture1");
    picture->FileLink = "[Cesta]logo.jpg";
    picture->Center = true;
    auto* shape = Add<TfrxShapeView>("Shape1");
    shape->Shape = TfrxShapeKind::skRoundRectangle;
    shape->Curve = 3;
    shape->BrushStyle = TBrushStyle::bsCross;
    auto* second = TfrxComponent::Create<TfrxReportPage>(&report);
    second->SetName("Page2");
    auto* sub = Add<TfrxSubreport>("Subreport1");
    sub->SetPage(second);
    sub->PrintOnParent = true;

    std::string xml = test::SaveReport(report);
    TfrxReport again;
    again.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    test::LoadReport(again, xml);
    EXPECT_TRUE(again.Errors.empty()) << again.ErrorText();
    EXPECT_EQ(test::SaveReport(again), xml);
    auto* loadedMemo = dynamic_cast<TfrxMemoView*>(again.FindObject("Memo1"));
    ASSERT_NE(loadedMemo, nullptr);
    EXPECT_EQ(loadedMemo->FlowTo(), again.FindObject("SysMemo1"));
    EXPECT_TRUE(loadedMemo->Highlight.Active);
    auto* loadedSub = dynamic_cast<TfrxSubreport*>(again.FindObject("Subreport1"));
    ASSERT_NE(loadedSub, nullptr);
    EXPECT_EQ(loadedSub->Page(), again.FindObject("Page2"));
}

// -- pictures

TEST_F(Views, AutoSizeFollowsThePicture) {
    auto* picture = Add<TfrxPictureView>("Picture1");
    picture->SetBounds(0, 0, 100, 100);
    ASSERT_TRUE(picture->LoadPictureFromStream(test::images::Bmp(4, 2)));
    EXPECT_EQ(picture->Width(), 100); // AutoSize off: the bounds stay
    picture->SetAutoSize(true);       // applies at once
    EXPECT_EQ(picture->Width(), 4);
    EXPECT_EQ(picture->Height(), 2);
    ASSERT_TRUE(picture->LoadPictureFromStream(test::images::Jpeg(16, 9)));
    EXPECT_EQ(picture->Width(), 16);
    EXPECT_EQ(picture->Height(), 9);
    EXPECT_FALSE(picture->LoadPictureFromStream("no picture"));
    EXPECT_TRUE(picture->Picture.Empty());
    EXPECT_EQ(picture->Width(), 16);
}

// A data source with one binary field "foto" and one text field "nazev".
class BlobSource : public TfrxDataSet {
public:
    std::string Bytes;
    bool IsBlobField(const AnsiString& name) override { return name == "foto"; }
    std::string CopyBlobTo(const AnsiString& name) override {
        return name == "foto" ? Bytes : std::string();
    }
};

TEST_F(Views, PictureFromABinaryField) {
    using namespace test::images;
    BlobSource source;
    auto* picture = Add<TfrxPictureView>("Picture1");
    picture->SetDataSet(&source);
    struct Case {
        const char* what;
        std::string bytes;
        bool loaded;
    };
    const Case cases[] = {
        {"bare image", Bmp(3, 5), true},
        {"the 8-byte field header is skipped", FieldHeader(Bmp(3, 5)), true},
        {"a header whose length does not fit is not a header", FieldHeader(Bmp(3, 5), 1), false},
        {"unknown contents clear the picture", "plain text", false},
        {"an empty field clears the picture", "", false},
    };
    for (const Case& c : cases) {
        picture->Picture.SetGraphic(TGraphic::FromFile(TGraphicKind::Jpeg, Jpeg(1, 1)));
        source.Bytes = c.bytes;
        picture->DataField = "foto";
        picture->FetchData();
        ASSERT_EQ(!picture->Picture.Empty(), c.loaded) << c.what;
        if (c.loaded) {
            EXPECT_EQ(picture->Picture.Graphic()->Kind(), TGraphicKind::Bitmap) << c.what;
            EXPECT_EQ(picture->Picture.Graphic()->FileBytes(), Bmp(3, 5)) << c.what;
        }
    }
    // A field that is not binary leaves the picture alone.
    picture->DataField = "nazev";
    picture->FetchData();
    EXPECT_TRUE(picture->Picture.Empty());
    picture->Picture.SetGraphic(TGraphic::FromFile(TGraphicKind::Bitmap, Bmp(1, 1)));
    picture->FetchData();
    EXPECT_FALSE(picture->Picture.Empty());
}

TEST_F(Views, PictureFromAFileLink) {
    test::TempFolder folder("kanvo-views");
    test::WriteFile(folder.Path() / "logo.bmp", test::images::Bmp(6, 4));
    test::WriteFile(folder.Path() / "broken.bmp", "plain text, not a picture");
    const AnsiString dir = FromNativePath(folder.Path().string() + "/");
    report.ExpandBracketedText = [&](TfrxComponent&, const AnsiString& text) {
        AnsiString r = text;
        if (auto at = r.find("[Cesta]"); at != AnsiString::npos)
            r.replace(at, 7, dir);
        return r;
    };
    auto* picture = Add<TfrxPictureView>("Picture1");
    struct Case {
        AnsiString link;
        bool loaded;
    };
    const Case cases[] = {
        {"[Cesta]logo.bmp", true},
        {dir + "logo.bmp", true},
        {"[Cesta]chybi.bmp", false},  // no such file: cleared, no error
        {"[Cesta]broken.bmp", false}, // not a picture: cleared, no error
    };
    for (const Case& c : cases) {
        picture->Picture.SetGraphic(
            TGraphic::FromFile(TGraphicKind::Jpeg, test::images::Jpeg(1, 1)));
        picture->FileLink = c.link;
        picture->PreparePrint();
        picture->FetchData();
        picture->CompletePrint();
        ASSERT_EQ(!picture->Picture.Empty(), c.loaded) << c.link;
        if (c.loaded) {
            EXPECT_EQ(picture->Picture.Width(), 6) << c.link;
        }
        EXPECT_EQ(picture->FileLink, c.link); // the link itself is not changed
    }
}

TEST_F(Views, PictureTemplateRoundTrip) {
    auto* picture = Add<TfrxPictureView>("Picture1");
    picture->LoadPictureFromStream(test::images::Bmp(2, 2));
    AnsiString text = Attributes(*picture);
    EXPECT_NE(text.find(" Picture.PropData=\"0444617461"), AnsiString::npos) << text;
    auto* copy = Add<TfrxPictureView>("Picture2");
    TfrxXMLSerializer s;
    s.Owner = &report;
    s.ApplyAttributes(text, *copy);
    ASSERT_FALSE(copy->Picture.Empty());
    EXPECT_EQ(copy->Picture.Graphic()->ClassName(), "TBitmap");
    EXPECT_EQ(Attributes(*copy), text);
    picture->StorePicture = false; // the prepared pages keep pictures elsewhere
    EXPECT_EQ(Attributes(*picture).find("Picture.PropData"), AnsiString::npos);
}

} // namespace
} // namespace kanvo
