#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

const std::string kTemplate =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<TfrxReport Version=\"4.5\" ScriptLanguage=\"PascalScript\">\n"
    "  <TfrxDataPage Name=\"Data\" Height=\"1000\" Left=\"0\" Top=\"0\" Width=\"1000\"/>\n"
    "  <TfrxReportPage Name=\"Page1\"/>\n"
    "</TfrxReport>";

TEST(PruhTemplate, XmlCopyRoundTripsAndRejectsBadXml) {
    test::TempFolder dir("pruh-xml");
    std::string crlf =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<a x=\"1\">\r\n  <b/>\r\n</a>\r\n";
    test::WriteFile(dir.Path() / "in.xml", crlf);
    auto r =
        test::RunProcess(test::BinaryPath("pruh"), {"xml-copy", (dir.Path() / "in.xml").string(),
                                                    (dir.Path() / "out.xml").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(test::ReadFile(dir.Path() / "out.xml"), crlf);

    test::WriteFile(dir.Path() / "bad.xml", "<?xml version=\"1.0\"?><a><b></a>");
    r = test::RunProcess(test::BinaryPath("pruh"), {"xml-copy", (dir.Path() / "bad.xml").string(),
                                                    (dir.Path() / "o.xml").string()});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(r.err, "Invalid file format\n");
}

TEST(PruhTemplate, TemplateCopyAndTree) {
    test::TempFolder dir("pruh-template");
    test::WriteFile(dir.Path() / "t.fr3", kTemplate);
    auto r = test::RunProcess(
        test::BinaryPath("pruh"),
        {"template-copy", (dir.Path() / "t.fr3").string(), (dir.Path() / "o.fr3").string()});
    // The report page is a registered class: no error, A4 portrait pixel size.
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("TfrxReportPage"), std::string::npos) << r.err;
    std::string out = test::ReadFile(dir.Path() / "o.fr3");
    EXPECT_NE(out.find("<TfrxDataPage Name=\"Data\" Height=\"1000\" Left=\"0\" Top=\"0\" "
                       "Width=\"1000\"/>\r\n"),
              std::string::npos)
        << out;

    r = test::RunProcess(test::BinaryPath("pruh"),
                         {"template-tree", (dir.Path() / "o.fr3").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "TfrxReport - - 0 0 0 0\n  TfrxDataPage Data TfrxReport 0 0 1000 1000\n"
                     "  TfrxReportPage Page1 TfrxReport 0 0 794 1123\n");
}

} // namespace
} // namespace kanvo
