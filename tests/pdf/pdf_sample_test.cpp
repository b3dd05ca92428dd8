// pruh pdf-sample files checked by real PDF readers.
#include "tests/support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace kanvo {
namespace {

using test::RunProcess;

std::string AllowedLine(const char* what) {
    std::string line = what;
    line.append(": allowed");
    return line;
}

std::string PLine(int p) {
    std::string line = "P = ";
    line.append(std::to_string(p));
    return line;
}

struct Variant {
    std::vector<std::string> args;
    std::string password; // empty: not protected
    std::string owner;
    int p;
};

TEST(PdfSample, EveryVariantPassesRealReaders) {
    test::TempFolder dir("pdf-sample");
    const Variant variants[] = {
        {{"--pages", "3"}, "", "", 0},
        {{"--pages", "3", "--no-compress"}, "", "", 0},
        {{"--pages", "0"}, "", "", 0},
        {{"--pages", "4", "--outline"}, "", "", 0},
        {{"--pages", "2", "--outline", "--no-compress"}, "", "", 0},
        {{"--pages", "2", "--outline", "--user-password", "u", "--owner-password", "o"},
         "u",
         "o",
         -4},
        {{"--pages", "2", "--user-password", "u", "--flags", "print,copy"}, "u", "u", -44},
        {{"--pages", "2", "--owner-password", "boss", "--flags", ""}, "", "boss", -64},
        {{"--pages", "2", "--no-compress", "--user-password", "(x)\\", "--flags", "modify,annot"},
         "(x)\\",
         "(x)\\",
         -24},
    };
    int n = 0;
    for (const auto& v : variants) {
        std::string name = std::to_string(n++);
        name.append(".pdf");
        std::string file = (dir.Path() / name).string();
        std::vector<std::string> args = {"pdf-sample", file};
        args.insert(args.end(), v.args.begin(), v.args.end());
        auto run = RunProcess(test::BinaryPath("tools/pruh"), args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        bool locked = v.p != 0;
        bool outline = std::find(v.args.begin(), v.args.end(), "--outline") != v.args.end();
        if (outline) {
            std::string pw = locked ? v.password.empty() ? v.owner : v.password : "";
            auto json = RunProcess("/usr/bin/qpdf",
                                   {"--json", "--json-key=outlines", "--password=" + pw, file});
            EXPECT_NE(json.out.find("\"title\": \"Strana 2\""), std::string::npos) << json.out;
            // Protected titles are 8-bit text, which readers take as PDFDocEncoding.
            if (!locked) {
                EXPECT_NE(json.out.find("\"title\": \"Rámeček (strana 1)\""), std::string::npos)
                    << json.out;
            }
        }
        for (const std::string& pw : locked ? std::vector<std::string>{v.password, v.owner}
                                            : std::vector<std::string>{""}) {
            auto check = RunProcess("/usr/bin/qpdf", {"--check", "--password=" + pw, file});
            EXPECT_EQ(check.exitCode, 0) << file << check.out << check.err;
            EXPECT_EQ(check.err, "") << file;
            EXPECT_NE(check.out.find("No syntax or stream encoding errors"), std::string::npos);
            bool asOwner = locked && pw == v.owner && pw != v.password;
            auto info = RunProcess("/usr/bin/pdfinfo", {asOwner ? "-opw" : "-upw", pw, file});
            // pdfinfo rejects a document without pages; qpdf checks that one.
            if (v.args[1] != "0") {
                EXPECT_EQ(info.exitCode, 0) << info.err;
            }
            if (!locked)
                continue;
            auto ppm = RunProcess("/usr/bin/pdftoppm", {"-r", "10", asOwner ? "-opw" : "-upw", pw,
                                                        file, (dir.Path() / "img").string()});
            EXPECT_EQ(ppm.exitCode, 0) << ppm.err;
            auto enc = RunProcess("/usr/bin/qpdf", {"--show-encryption", "--password=" + pw, file});
            EXPECT_NE(enc.out.find("R = 3"), std::string::npos) << enc.out;
            EXPECT_NE(enc.out.find(PLine(v.p)), std::string::npos) << enc.out;
            auto json = RunProcess("/usr/bin/qpdf",
                                   {"--json", "--json-key=encrypt", "--password=" + pw, file});
            EXPECT_NE(json.out.find("\"bits\": 128"), std::string::npos) << json.out;
            EXPECT_NE(json.out.find("\"streammethod\": \"RC4\""), std::string::npos) << json.out;
            auto allowed = [&](const char* what) {
                return enc.out.find(AllowedLine(what)) != std::string::npos;
            };
            EXPECT_EQ(allowed("print high resolution"), (v.p & 4) != 0);
            EXPECT_EQ(allowed("modify other"), (v.p & 8) != 0);
            EXPECT_EQ(allowed("extract for any purpose"), (v.p & 16) != 0);
            EXPECT_EQ(allowed("modify annotations"), (v.p & 32) != 0);
        }
        if (locked) {
            auto wrong = RunProcess("/usr/bin/qpdf", {"--check", "--password=wrong", file});
            if (!v.password.empty()) {
                EXPECT_NE(wrong.exitCode, 0);
            }
        }
    }
}

} // namespace
} // namespace kanvo
