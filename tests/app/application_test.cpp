#include "app/application.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

TEST(Application, TitleFromExecutableName) {
    EXPECT_EQ(ApplicationTitle("/opt/kanvo/kanvo"), "kanvo");
    EXPECT_EQ(ApplicationTitle("C:\\X\\KANVO.EXE"), "Kanvo");
    EXPECT_EQ(ApplicationTitle("/a/kanvo.test.bin"), "kanvo");
    EXPECT_EQ(ApplicationTitle("/a/\xC8\xC8"), "\xC8\xE8");
}

TEST(Application, ErrorBoxTextGetsAFullStopAfterLettersOnly) {
    EXPECT_EQ(ErrorBoxText("List index out of bounds (1)"), "List index out of bounds (1)");
    EXPECT_EQ(ErrorBoxText("SQL Error: Access denied"), "SQL Error: Access denied.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("Cannot open file \"x\". No such file or directory"),
              "Cannot open file \"x\". No such file or directory.");
    EXPECT_EQ(ErrorBoxText("quoted \"x\""), "quoted \"x\"");
    EXPECT_EQ(ErrorBoxText("\xE8"), "\xE8.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

} // namespace
} // namespace kanvo
