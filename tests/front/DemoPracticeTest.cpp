// The demo practice (samples/demo.json), built with hostkit and examined by
// dosewright-cli as scripts/demo does it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "front/CliRun.h"
#include "support/HostFolder.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "support/TextFiles.h"

namespace {

namespace fs = std::filesystem;
using frontsupport::RunCli;
using nlohmann::json;
using testsupport::CommandResult;

json DemoFixture() {
    std::ifstream file(fs::path(DOSEWRIGHT_SOURCE_DIR) / "samples/demo.json");
    return json::parse(file);
}

struct Summary {
    int affected = -1;
    int examined = -1;
};

Summary SummaryOf(const std::string& output, const std::string& sentence) {
    const std::regex pattern(sentence + ": (\\d+)/(\\d+)\nPlease refer to Dosewright.log for more "
                                        "details.\n");
    std::smatch match;
    if (!std::regex_match(output, match, pattern))
        return {};
    return {std::stoi(match[1]), std::stoi(match[2])};
}

using testsupport::RxNormIds;

std::vector<std::string> Lines(const std::string& text) {
    return testsupport::SplitLines(text, "\n");
}

class DemoPracticeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_fixture = DemoFixture();
        m_folder = testsupport::BuildHostFolder(m_temp.Path(), m_fixture, "demo-orvale");
    }
    int Medications() const { return static_cast<int>(m_fixture["medications"].size()); }

    testsupport::TempFolder m_temp;
    json m_fixture;
    fs::path m_folder;
};

// A report examines every medication, finds some to change in every way a
// medication can be changed, and changes nothing.
TEST_F(DemoPracticeTest, ReportFindsSomeOfManyMedications) {
    EXPECT_GE(Medications(), 200);
    EXPECT_GE(m_fixture["drugs"].size(), 40u);
    const std::vector<std::string> before = RxNormIds(m_folder);

    const CommandResult result = RunCli({"-C", m_folder.string(), "report"});
    ASSERT_EQ(result.exitStatus, 0) << result.errors;
    const Summary summary =
        SummaryOf(result.output, "Number of Medications that have invalid RxNorm ID's");
    EXPECT_EQ(summary.examined, Medications()) << result.output;
    EXPECT_GT(summary.affected, 0);
    EXPECT_LT(summary.affected, summary.examined / 2) << "most medications are right";
    EXPECT_EQ(RxNormIds(m_folder), before);

    const std::vector<std::string> csv =
        Lines(testsupport::ReadFileBytes(m_folder / "Dosewright.csv"));
    EXPECT_EQ(static_cast<int>(csv.size()), summary.affected);
    std::set<std::string> kinds; // how each line's ID changes
    for (const std::string& line : csv) {
        std::vector<std::string> columns;
        std::stringstream stream(line);
        for (std::string column; std::getline(stream, column, ',');)
            columns.push_back(column);
        ASSERT_GE(columns.size(), 4u) << line;
        const std::string& code = columns[1];
        kinds.insert(code == "-2" || code == "-1" ? "cleared " + code
                     : columns[3].empty()         ? "given"
                     : columns[2].empty()         ? "removed"
                                                  : "replaced");
    }
    EXPECT_EQ(kinds,
              (std::set<std::string>{"cleared -2", "cleared -1", "given", "removed", "replaced"}));
    EXPECT_EQ(
        static_cast<int>(Lines(testsupport::ReadFileBytes(m_folder / "Dosewright.log")).size()),
        summary.affected);
}

// Asked to, the stand-ins count their calls: a repair reads every medication
// once in the walk and each one it changes once more before its update.
TEST_F(DemoPracticeTest, TheStandInsCountTheCallsOfARunWhenAsked) {
    const fs::path countsFile = m_temp.Path() / "calls.txt";
    CommandResult repair;
    {
        const testsupport::ScopedEnvironment counting("HOST_CALL_COUNTS", countsFile.string());
        repair = RunCli({"-C", m_folder.string(), "repair"});
    }
    ASSERT_EQ(repair.exitStatus, 0) << repair.errors;
    const int affected = SummaryOf(repair.output, "Number of Medications fixed").affected;
    std::map<std::string, int> calls;
    std::istringstream lines(testsupport::ReadFileBytes(countsFile));
    for (std::string name; lines >> name;)
        lines >> calls[name];
    EXPECT_EQ(calls["fsgotof"], 1);
    EXPECT_EQ(calls["fsupdate"], affected);
    EXPECT_GE(calls["fsgetn"], Medications() + 1);
    EXPECT_GE(calls["fsget"], affected);
    EXPECT_GT(calls["OV_QueryCache"], 0);

    fs::remove(countsFile);
    ASSERT_EQ(RunCli({"-C", m_folder.string(), "report"}).exitStatus, 0);
    EXPECT_FALSE(fs::exists(countsFile)) << "counted without being asked";
}

// A repair changes exactly the medications the report named; afterwards a
// report finds nothing more to change.
TEST_F(DemoPracticeTest, RepairSettlesEveryMedicationTheReportFound) {
    const std::vector<std::string> before = RxNormIds(m_folder);
    const CommandResult repair = RunCli({"-C", m_folder.string(), "repair"});
    ASSERT_EQ(repair.exitStatus, 0) << repair.errors;
    const Summary repaired = SummaryOf(repair.output, "Number of Medications fixed");
    EXPECT_EQ(repaired.examined, Medications()) << repair.output;
    EXPECT_GT(repaired.affected, 0);

    const std::vector<std::string> after = RxNormIds(m_folder);
    ASSERT_EQ(after.size(), before.size());
    int changed = 0;
    for (std::size_t i = 0; i < after.size(); ++i)
        changed += after[i] != before[i];
    EXPECT_EQ(changed, repaired.affected);

    const CommandResult report = RunCli({"-C", m_folder.string(), "report"});
    ASSERT_EQ(report.exitStatus, 0) << report.errors;
    const Summary left =
        SummaryOf(report.output, "Number of Medications that have invalid RxNorm ID's");
    EXPECT_EQ(left.affected, 0);
    EXPECT_EQ(left.examined, Medications());
}

#if !defined(_WIN32)
// The browser of the page tests: Chromium, found where the system's search path
// finds programs.
fs::path Chromium() {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        for (const char* name : {"chromium", "chromium-browser"}) {
            if (!folder.empty() && fs::exists(fs::path(folder) / name))
                return fs::path(folder) / name;
        }
    }
    return {};
}

// How many times `pattern` occurs in `text`.
std::ptrdiff_t Count(const std::string& text, const std::string& pattern) {
    const std::regex expression(pattern);
    return std::distance(std::sregex_iterator(text.begin(), text.end(), expression),
                         std::sregex_iterator());
}

// The summary page of the report, as headless Chromium has it once it has run
// the page's script: the header's counts are the status line's, each bar of
// the charts is there with its label, the table has the CSV's lines, and a
// drug name that is markup shows as text.
TEST_F(DemoPracticeTest, SummaryPageShowsTheReportInABrowser) {
    const fs::path chromium = Chromium();
    ASSERT_FALSE(chromium.empty()) << "Chromium is needed: scripts/bootstrap installs it";
    json fixture = m_fixture;
    json hostile = fixture["medications"][1];
    hostile["entryId"] = 99999;
    hostile["drugName"] = "<script>document.title=1</script>";
    hostile["rxNormId"] = "123456";
    fixture["medications"].push_back(hostile);
    const fs::path folder = testsupport::BuildHostFolder(m_temp.Path(), fixture, "hostile-orvale");
    const CommandResult report = RunCli({"-C", folder.string(), "report"});
    ASSERT_EQ(report.exitStatus, 0) << report.errors;
    const Summary counts =
        SummaryOf(report.output, "Number of Medications that have invalid RxNorm ID's");
    const fs::path page = m_temp.Path() / "summary.html";
    const CommandResult summary =
        RunCli({"-C", folder.string(), "summary", "--html", page.string()});
    ASSERT_EQ(summary.exitStatus, 0) << summary.errors;

    // The page is the test's own: the sandbox, which refuses to start as root, is not needed.
    const CommandResult shown =
        testsupport::RunProgram({chromium.string(), "--headless", "--no-sandbox", "--disable-gpu",
                                 "--dump-dom", "file://" + page.string()});
    ASSERT_EQ(shown.exitStatus, 0) << shown.errors;
    const std::string& dom = shown.output;
    EXPECT_NE(dom.find("<dd id=\"examined\">" + std::to_string(counts.examined) + "</dd>"),
              std::string::npos);
    EXPECT_NE(dom.find("<dd id=\"affected\">" + std::to_string(counts.affected) + "</dd>"),
              std::string::npos);
    for (const char* label : {"ID given", "ID replaced", "ID removed", "drug ID", "-1", "-2"})
        EXPECT_EQ(Count(dom, std::string("<text class=\"label\"[^>]*>") + label + "</text>"), 1)
            << label;
    EXPECT_EQ(Count(dom, "<rect class=\"bar\""), 6);
    const std::size_t body = dom.find("<table id=\"medications\"");
    ASSERT_NE(body, std::string::npos);
    EXPECT_EQ(Count(dom.substr(body), "<tr>") - 1, // the heading's row
              static_cast<std::ptrdiff_t>(
                  Lines(testsupport::ReadFileBytes(folder / "Dosewright.csv")).size()));
    EXPECT_NE(dom.find("<td>&lt;script&gt;document.title=1&lt;/script&gt;</td>"),
              std::string::npos);
    EXPECT_NE(dom.find("<title>Dosewright run summary: report of "), std::string::npos)
        << "the page's script ran, and the drug's did not";
    EXPECT_NE(dom.find("<input id=\"filter\" type=\"search\""), std::string::npos);
    EXPECT_EQ(Count(dom, "<input id=\"filter\"[^>]*hidden"), 0) << "the page's script ran";
}
#endif

} // namespace
