// The breakdown of a kept run against the run's own Dosewright.csv, on the
// demo practice and on a generated one, for a report and a repair; and the
// summary page's handling of the database's texts.
#include "repair/RunBreakdown.h"

#include "app/DosewrightDlg.h"
#include "repair/RunSummaryPage.h"
#include "support/DialogOnHostFolder.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct BreakdownCase {
    const char* practice; // "demo", or the number of medications to generate
    unsigned char reportOnly;
};

fs::path MakePractice(const fs::path& parent, const std::string& practice) {
    if (practice == "demo") {
        std::ifstream file(fs::path(DOSEWRIGHT_SOURCE_DIR) / "samples/demo.json");
        return testsupport::BuildHostFolder(parent, nlohmann::json::parse(file));
    }
    const fs::path folder = parent / "generated";
    const auto made = testsupport::RunHostkit(
        {"generate", "--medications", practice, "--seed", "20", folder.string()});
    if (made.exitStatus != 0)
        throw std::runtime_error("hostkit generate failed: " + made.errors);
    return folder;
}

class RunBreakdownTest : public testing::TestWithParam<BreakdownCase> {};

// Every count is what the CSV of the same run gives, and the rows are its lines.
TEST_P(RunBreakdownTest, CountsAreThoseOfTheRunsCsv) {
    testsupport::TempFolder temp;
    testsupport::DialogOnHostFolder fixture(MakePractice(temp.Path(), GetParam().practice));
    ASSERT_TRUE(fixture.OpenDatabase()) << fixture.errorText;
    int32_t examined = 0;
    int32_t affected = 0;
    ASSERT_TRUE(fixture.dialog.ScanMedications(examined, affected, GetParam().reportOnly));
    const RunBreakdown breakdown = BreakDownRun(fixture.FolderPath(), fixture.dialog.Session(), {});
    ASSERT_TRUE(breakdown.ok) << breakdown.failure;

    std::vector<std::vector<std::string>> csv;
    for (const std::string& line :
         testsupport::SplitLines(fixture.FileBytes("Dosewright.csv"), "\r\n"))
        csv.push_back(testsupport::CsvFields(line));
    ASSERT_GT(csv.size(), 20u);
    std::map<std::string, int32_t> byKind, byCode;
    std::set<std::string> patients, drugIds;
    std::map<std::string, std::pair<int32_t, std::set<std::string>>> byDrug;
    for (const auto& f : csv) {
        ASSERT_EQ(f.size(), 11u);
        ++byKind[f[2].empty() ? "removed" : f[3].empty() ? "given" : "replaced"];
        const int code = std::stoi(f[1]);
        ++byCode[code > 0 ? "drug" : f[1]];
        if (code > 0)
            drugIds.insert(f[1]);
        patients.insert(f[5]);
        auto& drug = byDrug[f[7] + "|" + f[8] + "|" + f[9] + "|" + f[10]];
        ++drug.first;
        drug.second.insert(f[5]);
    }
    EXPECT_EQ(breakdown.run.end.examined, examined);
    EXPECT_EQ(breakdown.affected, affected);
    EXPECT_EQ(breakdown.affected, static_cast<int32_t>(csv.size()));
    EXPECT_EQ(breakdown.given, byKind["given"]);
    EXPECT_EQ(breakdown.replaced, byKind["replaced"]);
    EXPECT_EQ(breakdown.removed, byKind["removed"]);
    EXPECT_EQ(breakdown.byDrug, byCode["drug"]);
    EXPECT_EQ(breakdown.drugs, static_cast<int32_t>(drugIds.size()));
    EXPECT_EQ(breakdown.noDrug, byCode["-1"]);
    EXPECT_EQ(breakdown.notDescribable, byCode["-2"]);
    EXPECT_EQ(breakdown.otherCode, 0);
    EXPECT_EQ(breakdown.patients, static_cast<int32_t>(patients.size()));

    // The top drugs have the CSV's counts, and no drug left out has more.
    ASSERT_EQ(breakdown.topDrugs.size(), std::min<std::size_t>(10, byDrug.size()));
    for (const DrugTextCount& drug : breakdown.topDrugs) {
        const auto& counted =
            byDrug.at(drug.drugName + "|" + drug.strength + "|" + drug.route + "|" + drug.doseForm);
        EXPECT_EQ(drug.medications, counted.first) << drug.drugName;
        EXPECT_EQ(drug.patients, static_cast<int32_t>(counted.second.size())) << drug.drugName;
        byDrug.erase(drug.drugName + "|" + drug.strength + "|" + drug.route + "|" + drug.doseForm);
    }
    for (const auto& [text, left] : byDrug)
        EXPECT_LE(left.first, breakdown.topDrugs.back().medications) << text;

    ASSERT_EQ(breakdown.rows.size(), csv.size());
    for (std::size_t i = 0; i < csv.size(); ++i) {
        const BreakdownRow& row = breakdown.rows[i];
        EXPECT_EQ((std::vector<std::string>{
                      std::to_string(row.entryId), std::to_string(row.resolutionCode),
                      row.newRxNormId, row.oldRxNormId, row.drugCode, std::to_string(row.patientId),
                      row.patientRef, row.drugName, row.strength, row.route, row.doseForm}),
                  csv[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Practices, RunBreakdownTest,
                         testing::Values(BreakdownCase{"demo", 1}, BreakdownCase{"demo", 0},
                                         BreakdownCase{"3000", 1}, BreakdownCase{"3000", 0}),
                         [](const auto& info) {
                             return std::string(info.param.practice == std::string("demo")
                                                    ? "Demo"
                                                    : "Generated") +
                                    (info.param.reportOnly ? "Report" : "Repair");
                         });

// The page shows the database's Windows-1252 texts as their characters and
// never as markup, and says how many rows it leaves to the CSV.
TEST(RunSummaryPage, EscapesTheDatabasesTextsAndCountsTheRowsLeftOut) {
    RunBreakdown breakdown;
    breakdown.ok = true;
    breakdown.affected = 10002;
    breakdown.rows.push_back({});
    breakdown.rows.back().drugName = "<script>alert(1)</script>";
    breakdown.rows.back().patientRef = "Caf\xE9 \x80 & \"x\"\x01";
    const std::string page = RunSummaryPage(breakdown, "/srv/orvale/");
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);
    EXPECT_NE(page.find("<td>&lt;script&gt;alert(1)&lt;/script&gt;</td>"), std::string::npos);
    EXPECT_NE(page.find("<td>Caf\xC3\xA9 \xE2\x82\xAC &amp; &quot;x&quot; </td>"),
              std::string::npos);
    EXPECT_NE(page.find("The first 1 of 10002 affected medications; the other 10001 are in "
                        "Dosewright.csv."),
              std::string::npos);
}

} // namespace
