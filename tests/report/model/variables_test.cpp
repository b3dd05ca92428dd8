// Report variables: lookups, template storage and script access.
#include "report/model/report.h"
#include "report/model/stream.h"
#include "report/model/variables.h"
#include "script/script.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

TEST(Variables, NamesCompareWithoutLetterCase) {
    TfrxVariables vars;
    vars.Set("Total", 1);
    vars.Set("TOTAL", 2);
    ASSERT_EQ(vars.Count(), 1);
    EXPECT_EQ(vars.Items(0).Name, "Total");
    EXPECT_EQ(vars.Get("total"), Variant(2));
    EXPECT_TRUE(vars.Get("missing").IsNull());
    EXPECT_EQ(vars.IndexOf("\xC8\xED\x73lo"), -1);
    vars.Set("\xC8\xED\x73lo", 3); // Číslo
    EXPECT_EQ(vars.IndexOf("\xE8\xED\x73LO"), 1);

    TfrxArray array;
    array.Set(Variant(5), "five");
    EXPECT_EQ(array.Get(Variant("5")), Variant("five"));
    EXPECT_EQ(array.Items().Items(0).Name, "5");
}

TEST(Variables, StoredValuesReadBackAsStrings) {
    TfrxVariables vars;
    vars.Set("Count", 5);
    vars.Set("Empty", Variant::Null());
    vars.Add(); // no name, no value
    auto entries = vars.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], " Name=\"Count\" Value=\"5\"");
    EXPECT_EQ(entries[1], " Name=\"Empty\" Value=\"\"");
    EXPECT_EQ(entries[2], " Value=\"\"");
    TfrxVariables back;
    back.Set("old", 1);
    back.ReadEntries(entries);
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(back.Get("Count").Type(), VarType::String);
    EXPECT_EQ(back.Get("Count"), Variant("5"));
    EXPECT_EQ(back.IndexOf("old"), -1);
}

TEST(Variables, TemplateRoundTrip) {
    TfrxReport report;
    report.Variables.Set("Firma", "Nov\xE1k & syn \"<>\"");
    report.Variables.Set("Sazba", 21);
    TMemoryStream saved;
    report.SaveToStream(saved);
    TfrxReport loaded;
    loaded.Variables.Set("Stale", 1);
    TMemoryStream input(saved.Bytes());
    loaded.LoadFromStream(input);
    EXPECT_EQ(loaded.Variables.Count(), 2);
    EXPECT_EQ(loaded.Variables.Get("firma"), Variant("Nov\xE1k & syn \"<>\""));
    EXPECT_EQ(loaded.Variables.Get("Sazba"), Variant("21"));
    EXPECT_TRUE(loaded.Variables.Get("Stale").IsNull());
    // A loaded report written again and read back writes the same bytes.
    TMemoryStream again;
    loaded.SaveToStream(again);
    TfrxReport third;
    TMemoryStream input2(again.Bytes());
    third.LoadFromStream(input2);
    TMemoryStream last;
    third.SaveToStream(last);
    EXPECT_EQ(last.Bytes(), again.Bytes());
}

TEST(Variables, ScriptsReachThemThroughTheReport) {
    TfrxReport report;
    report.Variables.Set("Zaklad", 100);
    TfsScript script;
    script.AddObject("Report", &report);
    script.SetLines("begin Report.Variables['Dph'] := Report.Variables['zaklad'] * 0.21; end.");
    ASSERT_TRUE(script.Compile()) << script.ErrorMsg();
    script.Execute();
    EXPECT_EQ(report.Variables.Get("DPH"), Variant(21.0));
}

} // namespace
} // namespace kanvo
