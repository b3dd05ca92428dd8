// Report styles: unique names, template storage, the duplicate on load.
#include "report/model/report.h"
#include "report/model/stream.h"
#include "report/model/styles.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

TEST(Styles, NamesAreUniqueWithoutLetterCase) {
    TfrxStyles styles;
    TfrxStyleItem& heading = styles.Add();
    heading.SetName("Heading");
    TfrxStyleItem& other = styles.Add();
    EXPECT_THROW(other.SetName("heading"), Exception);
    EXPECT_EQ(other.Name(), "");
    heading.SetName("HEADING"); // its own name in another letter case
    EXPECT_EQ(heading.Name(), "HEADING");
    EXPECT_EQ(styles.Find("heading"), &heading);
    EXPECT_EQ(styles.Find("missing"), nullptr);
}

TEST(Styles, EntriesAlwaysHoldTheColour) {
    TfrxStyles styles;
    TfrxStyleItem& s = styles.Add();
    s.SetName("Nadpis");
    auto entries = styles.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_NE(entries[0].find(" Name=\"Nadpis\""), AnsiString::npos);
    EXPECT_NE(entries[0].find(" Color=\"536870911\""), AnsiString::npos) << entries[0];
}

TEST(Styles, TemplateRoundTripAndDuplicateOnLoad) {
    TfrxReport report;
    TfrxStyleItem& s = report.Styles.Add();
    s.SetName("Heading");
    s.Color = 0x00FF00;
    s.Font.SetName("Times New Roman");
    s.Font.SetStyle(fsBold);
    TMemoryStream saved;
    report.SaveToStream(saved);

    TfrxReport loaded;
    loaded.Styles.Add().SetName("Stale");
    TMemoryStream input(saved.Bytes());
    loaded.LoadFromStream(input);
    ASSERT_EQ(loaded.Styles.Count(), 1);
    TfrxStyleItem* back = loaded.Styles.Find("HEADING");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Color, 0x00FF00);
    EXPECT_EQ(back->Font.Name(), "Times New Roman");
    EXPECT_EQ(back->Font.Style(), fsBold);

    // Two entries of one name: the second keeps an empty name and the load
    // reports it.
    TfrxStyles twice(&loaded);
    auto entries = report.Styles.Entries();
    entries.push_back(" Name=\"heading\" Color=\"255\"");
    twice.ReadEntries(entries);
    ASSERT_EQ(twice.Count(), 2);
    EXPECT_EQ(twice.Items(1).Name(), "");
    EXPECT_EQ(twice.Items(1).Color, 255);
    EXPECT_EQ(loaded.Errors.count("Duplicate name \"heading\""), 1u);
}

} // namespace
} // namespace kanvo
