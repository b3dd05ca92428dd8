// The report data source over a real query.
#include "report/model/dataset.h"
#include "report/model/report.h"
#include "report/model/resources.h"
#include "tests/data/db_fixture.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

class DBDatasetTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ConfigureTestConnection(connection_);
        data_.SetUserName("frxDBDataset1");
        data_.DataSet = &query_;
        data_.ReportLink = &report_;
        report_.CurrentObjectName = "Memo1";
    }
    void Select(const std::string& sql) {
        query_.Close();
        query_.SQL = {sql};
    }

    TZConnection connection_;
    TZQuery query_{connection_, "ZQuery1"};
    TfrxReport report_;
    TfrxDBDataset data_;
};

TEST_F(DBDatasetTest, CountRangeStopsAfterTheCount) {
    Select("select seq from seq_1_to_5");
    data_.RangeEnd = TfrxRangeEnd::reCount;
    data_.RangeEndCount = 3;
    data_.Initialize();
    data_.First();
    std::vector<std::pair<int64_t, int>> seen;
    while (!data_.Eof()) {
        seen.emplace_back(data_.Value("seq").ToInt64(), data_.RecNo);
        data_.Next();
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int64_t, int>>{{1, 0}, {2, 1}, {3, 2}}));
    EXPECT_EQ(data_.RecNo, 2);

    data_.RangeEndCount = 0;
    data_.First();
    EXPECT_TRUE(data_.Eof());
    data_.Finalize();
}

TEST_F(DBDatasetTest, CurrentRangeBeginsAtTheRowOfTheOpenQuery) {
    Select("select seq from seq_1_to_5");
    query_.Open();
    query_.Next();
    query_.Next(); // the third row
    data_.RangeBegin = TfrxRangeBegin::rbCurrent;
    data_.Initialize();
    data_.First();
    EXPECT_EQ(data_.Value("seq").ToInt64(), 3);
    data_.Next();
    EXPECT_EQ(data_.Value("seq").ToInt64(), 4);
    data_.Finalize();
    EXPECT_EQ(query_.RecNo(), 3); // moved back to the bookmarked row
    EXPECT_TRUE(query_.Active()); // CloseDataSource is off
}

TEST_F(DBDatasetTest, FieldAliasesRenameAndHide) {
    Select("select ico, nazevpodni from adresar where ico = '12345678'");
    data_.FieldAliases = {"nazevpodni=Nazev", "-ico=Ico"};
    data_.Initialize();
    EXPECT_EQ(data_.GetFieldList(), std::vector<AnsiString>{"Nazev"});
    EXPECT_EQ(data_.Value("nazev"), Variant("Stavebn\xED firma Nov\xE1k"));
    EXPECT_TRUE(data_.Value("ico").IsNull());
    EXPECT_EQ(report_.Errors.count("Memo1: " + frxGet("dbFldNotFound") + " frxDBDataset1.\"ico\""),
              1u);
    data_.Finalize();
}

TEST_F(DBDatasetTest, NamesIgnoreLetterCaseAndNullsStayNull) {
    Select("select ico, dic, nazevpodni as NAZEVP from adresar where ico = '11223344'");
    data_.Initialize();
    EXPECT_EQ(data_.Value("ico"), Variant("11223344"));
    EXPECT_EQ(data_.Value("ICO"), Variant("11223344"));
    EXPECT_EQ(data_.DisplayText("nazevp"), "\xC8ist\xEDrna \x8A\x9D"
                                           "astn\xE1");
    EXPECT_TRUE(data_.Value("dic").IsNull());
    EXPECT_EQ(data_.DisplayText("dic"), "");
    EXPECT_EQ(data_.FieldType("ico"), TfrxFieldType::fftString);
    EXPECT_TRUE(report_.Errors.empty());
    EXPECT_TRUE(data_.HasField("Nazevp"));
    data_.Finalize();
}

TEST_F(DBDatasetTest, MissingQueryAndBlankUserName) {
    TfrxDBDataset unbound;
    unbound.SetName("frxDBDataset9");
    try {
        unbound.Initialize();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), Format(frxGet("dbNotConn"), {"frxDBDataset9"}));
    }
    EXPECT_THROW(unbound.SetUserName("  "), Exception);
    EXPECT_EQ(FindDataSetByUserName("FRXDBDATASET1"), &data_);
    EXPECT_EQ(FindDataSetByUserName(""), nullptr);
}

TEST_F(DBDatasetTest, BlobContentAndDescription) {
    test::ExecSql("drop table if exists t_dsblob;"
                  "create table t_dsblob (id int primary key, b longblob, m text);"
                  "insert into t_dsblob values (1, x'00FF41', NULL)");
    Select("select * from t_dsblob");
    data_.Initialize();
    EXPECT_TRUE(data_.IsBlobField("b"));
    EXPECT_FALSE(data_.IsBlobField("id"));
    EXPECT_EQ(data_.CopyBlobTo("b"), std::string("\x00\xFF\x41", 3));
    EXPECT_EQ(data_.DisplayText("b"), "(BLOB)");
    EXPECT_EQ(data_.DisplayText("m"), "(Memo)");
    data_.Finalize();
}

TEST_F(DBDatasetTest, TheReportFindsItsDataSourcesByUserName) {
    Select("select ico from adresar order by ico");
    TfrxReport report;
    TfrxDataSetItem& item = report.DataSets.Add();
    item.SetDataSetName("FRXDBDATASET1"); // found in the process-wide list
    EXPECT_EQ(report.GetDataset("frxdbdataset1"), &data_);
    EXPECT_EQ(report.GetDataset("other"), nullptr);
    report.DataSets.Initialize();
    EXPECT_EQ(data_.ReportLink, &report);
    data_.First();
    EXPECT_EQ(data_.RecordCount(), 3);
    report.DataSets.Finalize();
    EXPECT_FALSE(data_.Initialized());
}

} // namespace
} // namespace kanvo
