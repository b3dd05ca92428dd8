// The contract template run against stand-ins for the kanvo form's two data
// sources: the company (frxDBDataset1, one row) and the order rows
// (frxDBDataset2), grouped by their delivery date.
#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/files.h"
#include "platform/format_settings.h"
#include "report/engine/engine.h"
#include "report/model/dataset.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace kanvo {
namespace {

// A data source of fixed rows.
class RowsDataSet : public TfrxUserDataSet {
public:
    RowsDataSet(const char* name, std::vector<std::map<AnsiString, Variant>> rows)
        : rows_(std::move(rows)) {
        SetName(name);
        SetUserName(name);
        RangeEnd = TfrxRangeEnd::reCount;
        RangeEndCount = static_cast<int>(rows_.size());
        for (const auto& [field, value] : rows_.front())
            Fields.push_back(field);
        OnGetValue = [this](const AnsiString& field) {
            const auto& row = rows_.at(static_cast<size_t>(RecNo));
            auto it = row.find(field);
            return it == row.end() ? Variant::Null() : it->second;
        };
    }

private:
    std::vector<std::map<AnsiString, Variant>> rows_;
};

class ContractRun : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterReportModelClasses();
        report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
        report.AddHostComponent(&company);
        report.AddHostComponent(&order);
        const auto path = std::filesystem::path(KANVO_TEST_FIXTURE_DIR) / "kanvo.fr3";
        ASSERT_TRUE(report.LoadFromFile(FromNativePath(path.string())));
        ASSERT_TRUE(report.Errors.empty()) << report.ErrorText();
    }
    // Band name and memo texts of every stored band of page i.
    std::vector<std::string> Dump(int i) {
        std::vector<std::string> lines;
        for (TfrxComponent* band : run.PreparedPages().BuildPage(i)->Objects()) {
            std::string line = band->Name() + ":";
            for (TfrxComponent* o : band->Objects())
                if (auto* m = dynamic_cast<TfrxCustomMemoView*>(o)) {
                    WideString t = m->Text();
                    if (t.size() >= 2)
                        t.resize(t.size() - 2);
                    line += " [" + WideToUtf8(t) + "]";
                }
            lines.push_back(line);
        }
        return lines;
    }
    // 8-bit text in the process code page, written here in UTF-8.
    static Variant Text(const char* utf8) { return Variant(Utf8ToAnsi(utf8)); }
    static Variant Day(int y, int m, int d) { return Variant::FromDate(EncodeDate(y, m, d)); }

    RowsDataSet company{"frxDBDataset1",
                        {{{"nazevpodni", Text("Strojírny Brno a.s.")},
                          {"ulice", Text("Hlavní 12")},
                          {"psc", Text("602 00")},
                          {"sidlo", Text("Brno")},
                          {"ico", Text("12345678")},
                          {"dic", Text("CZ12345678")}}}};
    RowsDataSet order{"frxDBDataset2",
                      {{{"dispozice", Text("2026/1001")},
                        {"datum", Day(2026, 12, 1)},
                        {"predmet", Text("Soustruh")},
                        {"poznamka", Text("")},
                        {"mnozstvi", Variant(int64_t{1})},
                        {"cena", Variant(125000.0)}},
                       {{"dispozice", Text("2026/1001")},
                        {"datum", Day(2026, 12, 1)},
                        {"predmet", Text("Frézka")},
                        {"poznamka", Text("s příslušenstvím")},
                        {"mnozstvi", Variant(int64_t{2})},
                        {"cena", Variant(8000.5)}},
                       {{"dispozice", Text("2026/1001")},
                        {"datum", Day(2026, 12, 15)},
                        {"predmet", Text("Vrtačka")},
                        {"poznamka", Text("")},
                        {"mnozstvi", Variant(int64_t{3})},
                        {"cena", Variant(990.0)}}}};
    TfrxReport report;
    TfrxReportRun run{report};
    ScopedFormatSettings czech{FormatSettings::ForLocale("cs_CZ")};
};

TEST_F(ContractRun, ProducesOnePageWithTheOrderGroupedByDate) {
    ASSERT_TRUE(run.BuildReport()) << report.ErrorText();
    ASSERT_EQ(run.PreparedPages().Count(), 1);
    std::vector<std::string> page = Dump(0);
    std::vector<std::string> names;
    for (const std::string& line : page)
        names.push_back(line.substr(0, line.find(':')));
    EXPECT_EQ(names, (std::vector<std::string>{"ReportTitle1", "PageHeader1", "MasterData1",
                                               "GroupHeader1", "DetailData1", "DetailData1",
                                               "GroupFooter1", "GroupHeader1", "DetailData1",
                                               "GroupFooter1", "ReportSummary1", "PageFooter1"}));
    auto has = [&](size_t i, const std::string& text) {
        return page.at(i).find(text) != std::string::npos;
    };
    EXPECT_TRUE(has(0, "[č. 2026/1001]")) << page[0];
    EXPECT_TRUE(has(2, "[Strojírny Brno a.s.]")) << page[2];
    EXPECT_TRUE(has(2, "IČO: 12345678, DIČ: CZ12345678")) << page[2];
    EXPECT_TRUE(has(3, "[Dodávka ze dne 01.12.2026]")) << page[3];
    EXPECT_TRUE(has(5, "[Frézka\r\ns příslušenstvím]")) << page[5];
    EXPECT_TRUE(has(5, "[2 ks]")) << page[5];
    // The item memo's two lines (item and note) stretch the row; an empty
    // note still takes its line.
    TfrxReportPage* built = run.PreparedPages().BuildPage(0);
    EXPECT_GT(built->Objects()[5]->Height(), 30);
    EXPECT_DOUBLE_EQ(built->Objects()[4]->Height(), built->Objects()[5]->Height());
    EXPECT_TRUE(has(6, "000,50 Kč]")) << page[6]; // 125 000 + 8 000,50 of the first date
    EXPECT_TRUE(has(7, "[Dodávka ze dne 15.12.2026]")) << page[7];
    EXPECT_TRUE(has(9, "[Celkem: 990,00 Kč]")) << page[9];
    EXPECT_TRUE(has(10, "V Brno dne")) << page[10];
    EXPECT_TRUE(has(10, "do 14 dnů")) << page[10];
    EXPECT_TRUE(has(11, "[Strana 1 z [TotalPages#]]")) << page[11];
}

} // namespace
} // namespace kanvo
