#include "report/model/xml.h"

#include "platform/files.h"
#include "platform/format_settings.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

std::string Save(TfrxXMLDocument& doc) {
    TMemoryStream out;
    doc.SaveToStream(out);
    return out.Bytes();
}

void Load(TfrxXMLDocument& doc, const std::string& bytes) {
    TMemoryStream in{bytes};
    doc.LoadFromStream(in);
}

TEST(EscapeText, MarkupBytesBecomeReferencesAndReadBack) {
    const std::string value = "a\"b<c>d&e\r\nf";
    EXPECT_EQ(EscapeText(value), "a&#34;b&#60;c&#62;d&#38;e&#13;&#10;f");
    EXPECT_EQ(UnescapeText(EscapeText(value)), value);
    EXPECT_EQ(EscapeText("x&quot;y"), "x&#34;y");
    EXPECT_EQ(UnescapeText(EscapeText("x&quot;y")), "x\"y");
    EXPECT_EQ(UnescapeText("&amp;&lt;&gt;&apos;"), "&amp;&lt;&gt;&apos;");
    EXPECT_EQ(UnescapeText("&quot;"), "\"");
    // A reference without its ";" is kept and nothing runs past the end.
    EXPECT_EQ(UnescapeText("a&#65"), "a&#65");
    EXPECT_EQ(UnescapeText("&#"), "&#");
    EXPECT_EQ(UnescapeText("&#321;"), std::string(1, static_cast<char>(321 & 0xFF)));
    // 8-bit bytes pass unchanged.
    EXPECT_EQ(EscapeText("\xe8\x9a"), "\xe8\x9a");
}

TEST(ValueToAttributeText, ByType) {
    ScopedFormatSettings comma(FormatSettings::ForLocale("cs_CZ"));
    EXPECT_EQ(ValueToAttributeText(Variant(12)), "12");
    EXPECT_EQ(ValueToAttributeText(Variant(2.5)), "2,5");
    EXPECT_EQ(ValueToAttributeText(Variant(true)), "1");
    EXPECT_EQ(ValueToAttributeText(Variant(false)), "0");
    EXPECT_EQ(ValueToAttributeText(Variant("a<b")), "a&#60;b");
    EXPECT_EQ(ValueToAttributeText(Variant::Null()), "");
}

TEST(XmlItem, AttributeReadAndWrite) {
    TfrxXMLItem item;
    item.Text = "DataSetName=\"x\" Name=\"Memo1\"";
    EXPECT_EQ(item.Attribute("Name"), "Memo1");
    EXPECT_EQ(item.Attribute("name"), "Memo1");
    EXPECT_EQ(item.Attribute("Set"), "");
    item.SetAttribute("Name", "M<2");
    EXPECT_EQ(item.Text, "DataSetName=\"x\" Name=\"M&#60;2\"");
    item.SetAttribute("Left", "1");
    EXPECT_EQ(item.Text, "DataSetName=\"x\" Name=\"M&#60;2\" Left=\"1\"");
    item.SetAttribute("DataSetName", "y");
    EXPECT_EQ(item.Text, "DataSetName=\"y\" Name=\"M&#60;2\" Left=\"1\"");
    TfrxXMLItem empty;
    empty.SetAttribute("A", "1");
    EXPECT_EQ(empty.Text, "A=\"1\"");
}

TEST(XmlItem, TreeOperations) {
    TfrxXMLItem root;
    TfrxXMLItem* a = root.Add();
    a->Name = "Alpha";
    TfrxXMLItem* b = root.FindOrAdd("beta");
    EXPECT_EQ(root.Count(), 2);
    EXPECT_EQ(root.FindIndex("ALPHA"), 0);
    EXPECT_EQ(root.FindOrAdd("BETA"), b);
    TfrxXMLItem other;
    other.AppendItem(a);
    EXPECT_EQ(root.Count(), 1);
    EXPECT_EQ(a->Parent(), &other);
    root.InsertItemAt(0, a);
    EXPECT_EQ(root.IndexOf(a), 0);
    EXPECT_EQ(other.Count(), 0);
    delete b;
    EXPECT_EQ(root.Count(), 1);
}

const char* const kIndented = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                              "<TfrxReport Version=\"4.5\">\r\n"
                              "  <TfrxReportPage Name=\"Page1\">\r\n"
                              "    <TfrxMemoView Name=\"Memo1\" Text=\"a&#13;&#10;b\"/>\r\n"
                              "    <TfrxLineView/>\r\n"
                              "  </TfrxReportPage>\r\n"
                              "</TfrxReport>\r\n";

TEST(XmlDocument, RoundTripIsByteForByte) {
    for (bool indented : {true, false}) {
        std::string source = kIndented;
        if (!indented) {
            std::string flat;
            for (size_t i = 0; i < source.size(); ++i) {
                if (source.compare(i, 2, "\r\n") == 0) {
                    i += 1;
                    while (i + 1 < source.size() && source[i + 1] == ' ')
                        ++i;
                    continue;
                }
                flat += source[i];
            }
            source = flat;
        }
        TfrxXMLDocument doc;
        Load(doc, source);
        doc.Indented = indented;
        EXPECT_EQ(Save(doc), source) << indented;
        EXPECT_EQ(doc.Root().Name, "TfrxReport");
        ASSERT_EQ(doc.Root().Count(), 1);
        EXPECT_EQ(doc.Root().Items(0)->Items(0)->Attribute("Text"), "a\r\nb");
    }
}

TEST(XmlDocument, AcceptsLfMissingFinalBreakAndBom) {
    std::string lf =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\n"
        "<TfrxReport Version=\"4.5\">\n  <TfrxReportPage Name=\"Page1\">\n"
        "    <TfrxMemoView Name=\"Memo1\" Text=\"a&#13;&#10;b\"/>\n    <TfrxLineView/>\n"
        "  </TfrxReportPage>\n</TfrxReport>";
    TfrxXMLDocument doc;
    Load(doc, lf);
    doc.Indented = true;
    EXPECT_EQ(Save(doc), kIndented);
}

TEST(XmlDocument, EmptyElementForms) {
    TfrxXMLDocument doc;
    Load(doc, "<?xml version=\"1.0\"?><r><a/><b x=\"1\"/><c x=\"1\"></c><d x=\"1\" /></r>");
    TfrxXMLItem& r = doc.Root();
    ASSERT_EQ(r.Count(), 4);
    EXPECT_EQ(r.Items(0)->Name, "a");
    EXPECT_EQ(r.Items(1)->Text, "x=\"1\"");
    EXPECT_EQ(r.Items(2)->Text, "x=\"1\"");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(r.Items(i)->Count(), 0);
}

TEST(XmlDocument, CommentsAreSkipped) {
    TfrxXMLDocument doc;
    Load(doc, "<?xml version=\"1.0\"?><!-- head --><r><!-- a < b --><a/><!----><b/></r>");
    ASSERT_EQ(doc.Root().Count(), 2);
    EXPECT_EQ(doc.Root().Items(1)->Name, "b");
    // Three dashes before ">" do not close the comment: it runs to the next
    // "-->" whose dashes follow another character.
    Load(doc, "<?xml version=\"1.0\"?><r><!-- x ---><a/><!-- y --><b/></r>");
    ASSERT_EQ(doc.Root().Count(), 1);
    EXPECT_EQ(doc.Root().Items(0)->Name, "b");
}

TEST(XmlDocument, NameFollowedByLineFeed) {
    TfrxXMLDocument doc;
    Load(doc, "<?xml version=\"1.0\"?><r><a\nx=\"1\"/></r>");
    ASSERT_EQ(doc.Root().Count(), 1);
    EXPECT_EQ(doc.Root().Items(0)->Name, "a\nx=\"1\"");
    EXPECT_EQ(doc.Root().Items(0)->Text, "");
}

TEST(XmlDocument, StreamEndingInsideElementClosesOpenElements) {
    TfrxXMLDocument doc;
    Load(doc, "<?xml version=\"1.0\"?><r><p><a/>");
    ASSERT_EQ(doc.Root().Count(), 1);
    EXPECT_EQ(doc.Root().Items(0)->Count(), 1);
}

TEST(XmlDocument, InvalidFileFormat) {
    const char* cases[] = {
        "not xml at all",
        "<r/>",
        "<?xml version=\"1.0\"?><r><a x=\"<\"/></r>",
        "<?xml version=\"1.0\"?><r><a x=\"1\"",
        "<?xml version=\"1.0\"?><r><a></b></r>",
        "<?xml",
    };
    for (const char* text : cases) {
        TfrxXMLDocument doc;
        try {
            Load(doc, text);
            ADD_FAILURE() << text;
        } catch (const TfrxInvalidXMLException& e) {
            EXPECT_EQ(e.Message(), "Invalid file format") << text;
        }
    }
    // Letter case of an end tag does not matter.
    TfrxXMLDocument doc;
    Load(doc, "<?xml version=\"1.0\"?><Root><a></A></ROOT>");
    EXPECT_EQ(doc.Root().Count(), 1);
}

TEST(XmlDocument, UnloadableItemsAreWrittenWithMarker) {
    TfrxXMLDocument doc;
    TfrxXMLItem& r = doc.Root();
    r.Name = "r";
    TfrxXMLItem* a = r.Add();
    a->Name = "a";
    a->MayUnload = true;
    TfrxXMLItem* b = r.Add();
    b->Name = "b";
    b->Text = "x=\"1\"";
    b->MayUnload = true;
    EXPECT_EQ(Save(doc),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?><r><a ld=\"0\"/><b x=\"1\"ld=\"0\"/></r>");
}

TEST(XmlDocument, SwapOutAndInThroughTheTemporaryFile) {
    TfrxXMLDocument doc;
    doc.Indented = true;
    TfrxXMLItem& r = doc.Root();
    r.Name = "prepared";
    std::vector<TfrxXMLItem*> pages;
    for (int p = 0; p < 3; ++p) {
        TfrxXMLItem* page = r.Add();
        page->Name = "page";
        page->Text = "n=\"" + std::to_string(p) + "\"";
        page->MayUnload = true;
        for (int i = 0; i < 50; ++i) {
            TfrxXMLItem* o = page->Add();
            o->Name = "obj";
            o->SetAttribute("v", "p" + std::to_string(p) + "o" + std::to_string(i));
        }
        pages.push_back(page);
    }
    std::string before = Save(doc);
    doc.SwapOut(*pages[0]);
    doc.SwapOut(*pages[2]);
    EXPECT_FALSE(pages[0]->InMemory);
    EXPECT_EQ(pages[0]->Count(), 0);
    AnsiString swapName = doc.SwapFileName();
    EXPECT_TRUE(FileExists(swapName));
    // Writing brings unloaded pages back for the write only.
    EXPECT_EQ(Save(doc), before);
    EXPECT_EQ(pages[2]->Count(), 0);
    doc.SwapIn(*pages[2]);
    EXPECT_TRUE(pages[2]->InMemory);
    ASSERT_EQ(pages[2]->Count(), 50);
    EXPECT_EQ(pages[2]->Items(49)->Attribute("v"), "p2o49");
    EXPECT_EQ(pages[2]->Text, "n=\"2\"");
    // A page swapped out twice is found at its newest copy.
    pages[2]->Items(0)->SetAttribute("v", "changed");
    doc.SwapOut(*pages[2]);
    doc.SwapIn(*pages[2]);
    EXPECT_EQ(pages[2]->Items(0)->Attribute("v"), "changed");
    doc.Clear();
    EXPECT_FALSE(FileExists(swapName));
}

TEST(XmlDocument, DeferMarkedLoadsLeaveMarkedSubtreesInTheSource) {
    TfrxXMLDocument source;
    TfrxXMLItem& r = source.Root();
    r.Name = "r";
    for (int p = 0; p < 2; ++p) {
        TfrxXMLItem* page = r.Add();
        page->Name = "page";
        page->MayUnload = true;
        page->Add()->Name = "obj" + std::to_string(p);
    }
    std::string bytes = Save(source);

    TfrxXMLDocument doc;
    doc.LoadFromStream(std::make_unique<TMemoryStream>(bytes), true);
    ASSERT_EQ(doc.Root().Count(), 2);
    TfrxXMLItem* second = doc.Root().Items(1);
    EXPECT_FALSE(second->InMemory);
    EXPECT_TRUE(second->MayUnload);
    EXPECT_EQ(second->Text, "");
    EXPECT_EQ(second->Count(), 0);
    doc.SwapIn(*second);
    ASSERT_EQ(second->Count(), 1);
    EXPECT_EQ(second->Items(0)->Name, "obj1");
    EXPECT_EQ(Save(doc), bytes);
}

TEST(XmlItem, StoredOffsetKeepsFortyBits) {
    TfrxXMLItem item;
    item.SetStoredOffset((uint64_t{1} << 40) - 1);
    EXPECT_EQ(item.StoredOffset(), (uint64_t{1} << 40) - 1);
    item.SetStoredOffset(uint64_t{5} << 32 | 7);
    EXPECT_EQ(item.StoredOffset(), uint64_t{5} << 32 | 7);
}

TEST(XmlReader, LongTagsAndPositions) {
    std::string hex(150000, 'A');
    std::string text = "<?xml version=\"1.0\"?><r PropData=\"" + hex + "\"/>tail";
    TMemoryStream in{text};
    {
        TfrxXMLReader reader(in);
        reader.ReadDeclaration();
        TfrxXMLItem item;
        ASSERT_TRUE(reader.ReadElement(item));
        EXPECT_EQ(item.Attribute("PropData").size(), hex.size());
    }
    // The reader puts the stream back right after the consumed text.
    EXPECT_EQ(in.Position(), text.size() - 4);
}

} // namespace
} // namespace kanvo
