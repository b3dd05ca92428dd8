// The whole job through the real binary: job file, logon, data selection and
// the archive row in doklady.
#include "data/zconnection.h"
#include "tests/data/db_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

namespace fs = std::filesystem;

class JobEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = root_.Path() / "host" / "kanvo";
        fs::create_directories(program_);
        fs::copy_file(test::BinaryPath("kanvo"), program_ / "kanvo");
        WriteLogon("kanvo");
        test::ConfigureTestConnection(db_);
    }
    void WriteLogon(const std::string& password, const std::string& host = "127.0.0.1") {
        test::WriteFile(root_.Path() / "mervik05.ini",
                        "[LogOn]\r\nIP=" + host + "\r\nUser=kanvo\r\nPassword=" + password +
                            "\r\nSQLport=" + std::to_string(test::TestDbPort()) +
                            "\r\nDatabase=mervik\r\n");
    }
    void WriteJob(const std::string& text) { test::WriteFile(program_ / "doklad.txt", text); }
    void WritePdf(const std::string& bytes) { test::WriteFile(program_ / "akt.pdf", bytes); }
    test::ProcessResult Run(const std::vector<std::string>& args = {}) {
        return test::RunProcess(program_ / "kanvo", args);
    }

    struct Row {
        std::string popis, cislo, obsah;
        bool obsahNull = false;
    };
    // The doklady rows of type 81 for a key.
    std::vector<Row> Rows(const std::string& key) {
        TZQuery q(db_);
        q.SQL = {"select * from doklady where typ = 81 and objedavka = '" + db_.EscapeString(key) +
                 "' order by id"};
        q.Open();
        std::vector<Row> rows;
        for (q.First(); !q.Eof(); q.Next()) {
            Row r;
            r.popis = q.FieldNamed("popis").AsText();
            r.cislo = q.FieldNamed("cislodokladu").AsText();
            r.obsahNull = q.FieldNamed("obsah").IsNull();
            r.obsah = q.FieldNamed("obsah").AsText();
            rows.push_back(r);
        }
        return rows;
    }
    int64_t AllRows() {
        TZQuery q(db_);
        q.SQL = {"select count(*) n from doklady"};
        q.Open();
        return q.FieldNamed("n").Value().ToInt64();
    }

    test::TempFolder root_{"kanvo-e2e"};
    fs::path program_;
    TZConnection db_;
};

const std::string kPopis = "potvrzen\xED objedn\xE1vky kanvo";

TEST_F(JobEndToEnd, CreatesTheArchiveRowThenReplacesItsContent) {
    test::ExecSql("delete from doklady where objedavka = '1001'");
    WriteJob("1001\r\nnazevpodni\r\n");
    std::string pdf = "%PDF-1.4\r\n\x00\xFF\xE8 binary\r\n%%EOF";
    pdf += std::string(1, '\0');
    WritePdf(pdf);
    auto result = Run();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto rows = Rows("1001");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].popis, kPopis);
    EXPECT_EQ(rows[0].cislo, "1001");
    EXPECT_EQ(rows[0].obsah, pdf);
    EXPECT_FALSE(fs::exists(program_ / "akt.pdf"));

    WritePdf("second");
    result = Run();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    rows = Rows("1001");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].obsah, "second");
}

TEST_F(JobEndToEnd, BlankFormModeKeysTheRowByTheRegistrationNumber) {
    test::ExecSql("delete from doklady where objedavka = '12345678'");
    WriteJob("12345678\nadr1");
    WritePdf("blank form");
    auto result = Run({"cista"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto rows = Rows("12345678");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cislo, "12345678");
    EXPECT_EQ(rows[0].obsah, "blank form");
}

TEST_F(JobEndToEnd, EmptyPdfStoresNull) {
    test::ExecSql("delete from doklady where objedavka = '1002'");
    WriteJob("1002\r\nx\r\n");
    WritePdf("");
    ASSERT_EQ(Run().exitCode, 0);
    auto rows = Rows("1002");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].obsahNull);
}

TEST_F(JobEndToEnd, AFailedUpdateKeepsTheFile) {
    test::ExecSql("delete from doklady where objedavka = '1001'");
    WriteJob("1001\r\nnazevpodni\r\n");
    // Twice its size as hexadecimal text: more than the server's 16 MB packet.
    WritePdf(std::string(9 << 20, 'x'));
    auto result = Run();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("kanvo: SQL Error: ", 0), 0u) << result.err;
    EXPECT_TRUE(fs::exists(program_ / "akt.pdf"));
    EXPECT_EQ(fs::file_size(program_ / "akt.pdf"), size_t{9} << 20);
}

TEST_F(JobEndToEnd, MissingPdfIsReportedAndTheNewRowStays) {
    test::ExecSql("delete from doklady where objedavka = '1002'");
    WriteJob("1002\r\nx\r\n");
    auto result = Run();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "kanvo: Cannot open file \"" + (program_ / "akt.pdf").string() +
                              "\". No such file or directory.\n");
    auto rows = Rows("1002");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].obsahNull);
}

TEST_F(JobEndToEnd, WrongPasswordOrHostWritesNothing) {
    WriteJob("1001\r\nx\r\n");
    WritePdf("pdf");
    int64_t before = AllRows();
    WriteLogon("wrong");
    auto result = Run();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("kanvo: SQL Error: Access denied for user 'kanvo'", 0), 0u)
        << result.err;
    WriteLogon("kanvo", "127.0.0.1:1");
    result = Run();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("kanvo: SQL Error: ", 0), 0u) << result.err;
    EXPECT_EQ(AllRows(), before);
    EXPECT_TRUE(fs::exists(program_ / "akt.pdf"));
}

TEST_F(JobEndToEnd, OrderTableWithoutFakIco) {
    // A job against a database whose obj lacks the column: the prefixed message.
    test::ExecSql("drop table if exists mervik_old.obj;"
                  "create table mervik_old.obj (dispozice varchar(20))");
    test::WriteFile(root_.Path() / "mervik05.ini",
                    "[LogOn]\r\nIP=127.0.0.1\r\nUser=kanvo\r\nPassword=kanvo\r\nSQLport=" +
                        std::to_string(test::TestDbPort()) + "\r\nDatabase=mervik_old\r\n");
    WriteJob("1001\r\nx\r\n");
    auto result = Run();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "kanvo: ZQuery2: Field 'fak_ico' not found.\n");
}

TEST_F(JobEndToEnd, QuotesInTheOrderNumberSelectNothingAndChangeNothing) {
    test::ExecSql("delete from doklady where objedavka like '1%'");
    WriteJob("1001\r\nx\r\n");
    WritePdf("original");
    ASSERT_EQ(Run().exitCode, 0);
    int64_t before = AllRows();
    WriteJob("1\" or \"1\"=\"1\r\nx\r\n");
    WritePdf("attack");
    auto result = Run();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Rows("1001")[0].obsah, "original");
    EXPECT_EQ(AllRows(), before + 1); // one row of its own, under the literal key
    EXPECT_EQ(Rows("1\" or \"1\"=\"1").size(), 1u);
}

} // namespace
} // namespace kanvo
