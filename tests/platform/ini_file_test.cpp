#include "platform/exception.h"
#include "platform/files.h"
#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kanvo {
namespace {

struct ReadCase {
    const char* name;
    const char* text;
    const char* section;
    const char* key;
    const char* expected;
};

TEST(IniFile, ReadRules) {
    const ReadCase cases[] = {
        {"plain", "[LogOn]\r\nUser=karel\r\n", "LogOn", "User", "karel"},
        {"section case", "[logon]\nUser=karel\n", "LOGON", "User", "karel"},
        {"key case", "[LogOn]\nUSER=karel\n", "LogOn", "user", "karel"},
        {"blanks trimmed", "[ LogOn ]\n  User  =  karel  \n", "LogOn", "User", "karel"},
        {"present and empty", "[LogOn]\nDatabase=\n", "LogOn", "Database", ""},
        {"missing key", "[LogOn]\nUser=karel\n", "LogOn", "IP", "default"},
        {"missing section", "[Other]\nUser=karel\n", "LogOn", "User", "default"},
        {"key of another section", "[A]\nUser=a\n[LogOn]\nIP=1\n", "LogOn", "User", "default"},
        {"first of two", "[LogOn]\nUser=a\nUser=b\n", "LogOn", "User", "a"},
        {"quotes removed", "[LogOn]\nUser=\"karel\"\n", "LogOn", "User", "karel"},
        {"single quotes", "[LogOn]\nUser='a b'\n", "LogOn", "User", "a b"},
        {"unpaired quote kept", "[LogOn]\nUser=\"karel\n", "LogOn", "User", "\"karel"},
        {"equals in value", "[LogOn]\nPassword=a=b\n", "LogOn", "Password", "a=b"},
        {"no final line end", "[LogOn]\nUser=karel", "LogOn", "User", "karel"},
        {"cr only", "[LogOn]\rUser=karel\r", "LogOn", "User", "karel"},
        {"8-bit key", "[LogOn]\n\xC8\xED\x73lo=5\n", "LogOn", "\xE8\xED\x73LO", "5"},
        {"empty file", "", "LogOn", "User", "default"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IniFile::ReadFromText(c.text, c.section, c.key, "default"), c.expected);
    }
}

TEST(IniFile, ValueIsCutTo2047Characters) {
    std::string text = "[S]\nK=" + std::string(5000, 'x') + "\n";
    EXPECT_EQ(IniFile::ReadFromText(text, "S", "K", "").size(), 2047u);
}

struct IntCase {
    const char* text;
    int32_t expected;
};

TEST(IniFile, IntegerRules) {
    const IntCase cases[] = {
        {"3307", 3307},     {"abc", 3306}, {"0x0CEA", 3306}, {"0X10", 16}, {"0x", 3306},
        {"", 3306},         {"-5", -5},    {"12abc", 3306},  {"$10", 16},  {"99999999999", 3306},
        {"0xFFFFFFFF", -1}, {" 42", 42},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IniTextToInt(c.text, 3306), c.expected);
    }
}

struct WriteCase {
    const char* name;
    const char* before;
    const char* after;
};

TEST(IniFile, WritingKeepsTheRestOfTheFile) {
    const WriteCase cases[] = {
        {"new file", "", "[TForm1]\r\nFormVersion=0\r\n"},
        {"replace value", "; note\r\n[TForm1]\r\nFormVersion=7\r\nOther=x\r\n",
         "; note\r\n[TForm1]\r\nFormVersion=0\r\nOther=x\r\n"},
        {"key case kept", "[tform1]\r\nformversion = 7\r\n", "[tform1]\r\nformversion=0\r\n"},
        {"append key after last line of section", "[TForm1]\r\nA=1\r\n\r\n[RTF]\r\nCesta=x\r\n",
         "[TForm1]\r\nA=1\r\nFormVersion=0\r\n\r\n[RTF]\r\nCesta=x\r\n"},
        {"append section", "[RTF]\r\nCesta=x\r\n",
         "[RTF]\r\nCesta=x\r\n[TForm1]\r\nFormVersion=0\r\n"},
        {"append to file without final line end", "[RTF]\nCesta=x",
         "[RTF]\nCesta=x\n[TForm1]\nFormVersion=0\n"},
        {"section without final line end", "[TForm1]", "[TForm1]\r\nFormVersion=0\r\n"},
        {"8-bit bytes elsewhere stay", "[RTF]\r\nCesta=\xE8\x9A\xFF\r\n",
         "[RTF]\r\nCesta=\xE8\x9A\xFF\r\n[TForm1]\r\nFormVersion=0\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IniFile::WriteToText(c.before, "TForm1", "FormVersion", "0"), c.after);
    }
}

class IniFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("kanvo-ini-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_;
};

TEST_F(IniFileOnDisk, ReadsAndWritesAFile) {
    auto path = (dir_ / "x.INI").string();
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
    EXPECT_EQ(ini.ReadInteger("S", "K", 5), 5);
    ini.WriteInteger("S", "K", 12);
    ini.WriteString("S", "T", "text");
    EXPECT_EQ(ini.ReadInteger("S", "K", 5), 12);
    EXPECT_EQ(ini.ReadString("s", "t", ""), "text");
    EXPECT_EQ(ReadFileBytes(path), "[S]\r\nK=12\r\nT=text\r\n");
}

TEST_F(IniFileOnDisk, AFailedWriteReportsThePathAndKeepsTheFile) {
    // A file that exists but cannot be read must not be replaced.
    auto path = (dir_ / "x.INI").string();
    std::filesystem::create_directories(path);
    std::ofstream(dir_ / "x.INI" / "inside") << "keep";
    try {
        IniFile(path).WriteString("TForm1", "FormVersion", "0");
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + path);
    }
    EXPECT_EQ(ReadFileBytes((dir_ / "x.INI" / "inside").string()), "keep");
}

TEST_F(IniFileOnDisk, MissingFolderIsAWriteError) {
    auto path = (dir_ / "missing" / "x.INI").string();
    EXPECT_THROW(IniFile(path).WriteString("S", "K", "V"), EFileError);
}

} // namespace
} // namespace kanvo
