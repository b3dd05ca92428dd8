// Start-up of the real kanvo binary in a throwaway program folder laid out
// like the host system: <root>/mervik05.ini and <root>/a/kanvo/kanvo.
#include "app/form1.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

namespace fs = std::filesystem;

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        programFolder_ = root_.Path() / "a" / "kanvo";
        fs::create_directories(programFolder_);
        fs::copy_file(test::BinaryPath("kanvo"), programFolder_ / "kanvo");
    }
    fs::path SharedIni() const { return root_.Path() / "mervik05.ini"; }
    fs::path OwnIni() const { return programFolder_ / "kanvo.INI"; }
    test::ProcessResult Run(const std::vector<std::string>& args = {}) {
        return test::RunProcess(programFolder_ / "kanvo", args);
    }
    // The files of the program folder after a run.
    std::vector<std::string> ProgramFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(programFolder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempFolder root_{"kanvo-startup"};
    fs::path programFolder_;
};

TEST_F(Startup, NoSharedIniEndsAtOnceSilently) {
    auto result = Run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ProgramFiles(), std::vector<std::string>{"kanvo"});
}

TEST_F(Startup, EmptyUserEndsAtOnceSilently) {
    test::WriteFile(SharedIni(), "[LogOn]\r\nIP=127.0.0.1\r\nUser=\r\n");
    auto result = Run({"cista"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ProgramFiles(), std::vector<std::string>{"kanvo"});
}

TEST_F(Startup, MissingJobFileIsReportedAndTheSettingsRecordIsWritten) {
    test::WriteFile(SharedIni(), "[LogOn]\r\nUser=karel\r\n");
    auto result = Run();
    EXPECT_EQ(result.exitCode, 1);
    std::string expected = "kanvo: Cannot open file \"" + (programFolder_ / "doklad.txt").string() +
                           "\". No such file or directory.\n";
    EXPECT_EQ(result.err, expected);
    EXPECT_EQ(test::ReadFile(OwnIni()), "[TForm1]\r\nFormVersion=0\r\n");
}

TEST_F(Startup, ShortJobFileIsReported) {
    test::WriteFile(SharedIni(), "[LogOn]\r\nUser=karel\r\n");
    test::WriteFile(programFolder_ / "doklad.txt", "1234\r\n");
    EXPECT_EQ(Run().err, "kanvo: List index out of bounds (1)\n");
    test::WriteFile(programFolder_ / "doklad.txt", "");
    EXPECT_EQ(Run().err, "kanvo: List index out of bounds (0)\n");
}

// The job itself fails here (no server answers on port 1), but the settings
// record is written all the same when the program ends.
TEST_F(Startup, OwnIniKeepsItsOtherContent) {
    test::WriteFile(SharedIni(), "[LogOn]\r\nIP=127.0.0.1\r\nSQLport=1\r\nUser=karel\r\n");
    test::WriteFile(programFolder_ / "doklad.txt", "1234\r\nadr1\r\n");
    const std::string before =
        "; own settings\r\n[RTF]\r\nCesta=/texty\r\n[TForm1]\r\nFormVersion=3\r\n";
    test::WriteFile(OwnIni(), before);
    auto result = Run();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("kanvo: SQL Error: ", 0), 0u) << result.err;
    EXPECT_EQ(test::ReadFile(OwnIni()),
              "; own settings\r\n[RTF]\r\nCesta=/texty\r\n[TForm1]\r\nFormVersion=0\r\n");
}

TEST_F(Startup, UnwritableOwnIniIsReportedAndTheProgramStillEnds) {
    test::WriteFile(SharedIni(), "[LogOn]\r\nIP=127.0.0.1\r\nSQLport=1\r\nUser=karel\r\n");
    fs::create_directories(OwnIni()); // a folder where the file should be
    auto result = Run();
    // The job error (no job file) comes first and decides the status.
    EXPECT_EQ(result.exitCode, 1);
    std::string last = "kanvo: Unable to write to " + OwnIni().string() + ".\n";
    ASSERT_GE(result.err.size(), last.size());
    EXPECT_EQ(result.err.substr(result.err.size() - last.size()), last);
}

// The logon mapping, in process: what FormCreate puts into the connection.
struct LogonCase {
    const char* name;
    const char* ini;
    const char* host;
    int port;
    const char* database;
    const char* password;
};

TEST_F(Startup, LogonFromTheSharedIniFile) {
    const LogonCase cases[] = {
        {"defaults", "[LogOn]\nUser=u\n", "0.0.0.0", 3306, "mervik", ""},
        {"all keys", "[logon]\nIP=10.1.2.3\nuser=u\nPassword=p\nSQLport=3307\nDatabase=db\n",
         "10.1.2.3", 3307, "db", "p"},
        {"port abc", "[LogOn]\nUser=u\nSQLport=abc\n", "0.0.0.0", 3306, "mervik", ""},
        {"port hex", "[LogOn]\nUser=u\nSQLport=0x0CEA\n", "0.0.0.0", 3306, "mervik", ""},
        {"empty database", "[LogOn]\nUser=u\nDatabase=\n", "0.0.0.0", 3306, "", ""},
        {"empty host", "[LogOn]\nUser=u\nIP=\n", "", 3306, "mervik", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFile(SharedIni(), c.ini);
        TApplication app((programFolder_ / "kanvo").string(), {});
        TForm1 form(app, programFolder_.string() + "/");
        form.FormCreate();
        EXPECT_FALSE(app.Terminated());
        EXPECT_EQ(form.ZConnection1.HostName, c.host);
        EXPECT_EQ(form.ZConnection1.User, "u");
        EXPECT_EQ(form.ZConnection1.Port, c.port);
        EXPECT_EQ(form.ZConnection1.Database, c.database);
        EXPECT_EQ(form.ZConnection1.Password, c.password);
        EXPECT_TRUE(form.FormStorage1.IniFileName.empty());
        EXPECT_TRUE(form.FormStorage1.IniSection.empty());
    }
}

struct ModeCase {
    std::vector<AnsiString> args;
    const char* mode;
};

TEST_F(Startup, BlankFormModeOnlyForAnExactFirstArgument) {
    test::WriteFile(SharedIni(), "[LogOn]\nUser=u\n");
    const ModeCase cases[] = {
        {{}, ""},
        {{"cista"}, "cista"},
        {{"CISTA"}, ""},
        {{"x", "cista"}, ""},
        {{"cista", "x"}, "cista"},
        {{"cista "}, ""},
    };
    for (const auto& c : cases) {
        TApplication app((programFolder_ / "kanvo").string(), c.args);
        TForm1 form(app, programFolder_.string() + "/");
        form.FormCreate();
        EXPECT_EQ(form.Job.BlankFormMode, c.mode);
        EXPECT_EQ(form.Top, TForm1::kHiddenTop);
    }
}

} // namespace
} // namespace kanvo
