// The whole job through the real binary: job file, logon, data selection,
// the contract template run, the two PDFs and the archive row in doklady.
#include "data/zconnection.h"
#include "tests/data/db_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <ctime>

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
    void CopyTemplate() {
        fs::copy_file(fs::path(KANVO_TEST_FIXTURE_DIR) / "kanvo.fr3", program_ / "kanvo.fr3");
    }
    static std::string Today() {
        std::time_t now = std::time(nullptr);
        char buffer[16];
        std::strftime(buffer, sizeof buffer, "%Y%m%d", std::localtime(&now));
        return buffer;
    }
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
    CopyTemplate();
    auto result = Run();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto rows = Rows("1001");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].popis, kPopis);
    EXPECT_EQ(rows[0].cislo, "1001");
    EXPECT_EQ(rows[0].obsah.rfind("%PDF-1.5", 0), 0u);
    EXPECT_FALSE(fs::exists(program_ / "akt.pdf"));
    // The dated copy stays, named after the company and its seat.
    const fs::path copy = program_ / "pdf" / ("Stavebni_firma_Novak_Brno_" + Today() + ".pdf");
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_EQ(test::RunProcess("/usr/bin/qpdf", {"--check", copy.string()}).exitCode, 0);
    const std::string first = rows[0].obsah;

    result = Run();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    rows = Rows("1001");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].obsah.rfind("%PDF-1.5", 0), 0u);
    EXPECT_NE(rows[0].obsah, first); // a new document (its /ID differs)
}

TEST_F(JobEndToEnd, BlankFormModeKeysTheRowByTheRegistrationNumber) {
    test::ExecSql("delete from doklady where objedavka = '12345678'");
    WriteJob("12345678\nadr1");
    // Blank-form mode reads kanvop.fr3; without one the report is empty and
    // the document a PDF without pages.
    CopyTemplate();
    auto result = Run({"cista"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto rows = Rows("12345678");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cislo, "12345678");
    EXPECT_NE(rows[0].obsah.find("/Count 0"), std::string::npos);
}

TEST_F(JobEndToEnd, AReportThatCannotBeBuiltArchivesNothing) {
    test::ExecSql("delete from doklady where objedavka = '1002'");
    WriteJob("1002\r\nx\r\n");
    // A template whose memo holds a broken expression.
    CopyTemplate();
    std::string text = test::ReadFile(program_ / "kanvo.fr3");
    const std::string good = "Text=\"Strana [Page#] z [TotalPages#]\"";
    ASSERT_NE(text.find(good), std::string::npos);
    text.replace(text.find(good), good.size(), "Text=\"[1 +]\"");
    test::WriteFile(program_ / "kanvo.fr3", text);
    WritePdf("older document");
    auto result = Run();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Strana: "), std::string::npos) << result.err;
    EXPECT_TRUE(Rows("1002").empty());
    EXPECT_EQ(test::ReadFile(program_ / "akt.pdf"), "older document");
}

TEST_F(JobEndToEnd, AFailedUpdateKeepsTheFile) {
    // A database whose archive column holds 255 bytes: the UPDATE fails.
    test::ExecSql("drop table if exists mervik_old.obj; drop table if exists mervik_old.adresar;"
                  "drop table if exists mervik_old.doklady;"
                  "create table mervik_old.obj like mervik.obj;"
                  "insert into mervik_old.obj select * from mervik.obj;"
                  "create table mervik_old.adresar like mervik.adresar;"
                  "insert into mervik_old.adresar select * from mervik.adresar;"
                  "create table mervik_old.doklady like mervik.doklady;"
                  "alter table mervik_old.doklady modify obsah tinyblob");
    test::WriteFile(root_.Path() / "mervik05.ini",
                    "[LogOn]\r\nIP=127.0.0.1\r\nUser=kanvo\r\nPassword=kanvo\r\nSQLport=" +
                        std::to_string(test::TestDbPort()) + "\r\nDatabase=mervik_old\r\n");
    WriteJob("1001\r\nnazevpodni\r\n");
    CopyTemplate();
    auto result = Run();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("kanvo: SQL Error: ", 0), 0u) << result.err;
    ASSERT_TRUE(fs::exists(program_ / "akt.pdf"));
    EXPECT_EQ(test::ReadFile(program_ / "akt.pdf").rfind("%PDF-1.5", 0), 0u);
}

TEST_F(JobEndToEnd, APdfThatCannotBeWrittenIsReportedAndTheNewRowStays) {
    test::ExecSql("delete from doklady where objedavka = '1002'");
    WriteJob("1002\r\nx\r\n");
    CopyTemplate();
    fs::create_directory(program_ / "akt.pdf"); // no file can be made there
    auto result = Run();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("akt.pdf"), std::string::npos) << result.err;
    auto rows = Rows("1002");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].obsahNull);
    // The dated copy was still written.
    EXPECT_TRUE(fs::exists(program_ / "pdf" / ("Zlutoucky_kun_a.s._Praha_" + Today() + ".pdf")));
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
    CopyTemplate();
    ASSERT_EQ(Run().exitCode, 0);
    const std::string original = Rows("1001")[0].obsah;
    int64_t before = AllRows();
    WriteJob("1\" or \"1\"=\"1\r\nx\r\n");
    auto result = Run();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Rows("1001")[0].obsah, original);
    EXPECT_EQ(AllRows(), before + 1); // one row of its own, under the literal key
    EXPECT_EQ(Rows("1\" or \"1\"=\"1").size(), 1u);
}

} // namespace
} // namespace kanvo
