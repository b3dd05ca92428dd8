#include "report/model/resources.h"

#include "platform/code_page.h"
#include "report/model/xml.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

TEST(Resources, CzechTextsInTheTableCodePage) {
    EXPECT_EQ(frxResources().CodePage(), 1250);
    EXPECT_EQ(AnsiToUtf8(frxGet("clErrors"), 1250), "Nastala(y) následující chyba(y):");
    EXPECT_EQ(AnsiToUtf8(frxGet("mbError"), 1250), "Chyba");
    EXPECT_EQ(AnsiToUtf8(frxGet("clDSNotExist"), 1250), "Dataset \"%s\" neexistuje");
    EXPECT_EQ(AnsiToUtf8(frxGet("PDFexport"), 1250), "Soubor PDF");
    for (const char* key : {"xrCantFindClass", "dbFldNotFound", "dbNotConn", "prDefault",
                            "obReport", "prDupl", "prInvProp", "obDataPage", "Invalid password"})
        EXPECT_NE(frxGet(key), key) << key;
}

TEST(Resources, MissingKeyAndLeadingBang) {
    TfrxResources table;
    table.LoadFromText("<?xml version=\"1.0\"?><Resources CodePage=\"1250\">"
                       "<StrRes Name=\"a\" Text=\"!Pozor\"/>"
                       "<StrRes Name=\"b\" Text=\"&#34;x&#34; &#196;&#141;\"/></Resources>");
    EXPECT_EQ(table.Get("a"), "Pozor");
    EXPECT_EQ(table.Get("nokey"), "nokey");
    EXPECT_EQ(table.Get("!nokey"), "nokey");
    EXPECT_EQ(table.Get("b"), "\"x\" \xE8"); // the UTF-8 bytes of c-caron become one 1250 byte
    EXPECT_THROW(table.LoadFromText("garbage"), TfrxInvalidXMLException);
}

} // namespace
} // namespace kanvo
