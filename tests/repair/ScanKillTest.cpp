// A repair run killed part-way: every medication record is either as it was or
// as a complete repair leaves it, and every change made has its CSV line and
// its log sentence, except at most the one the run was writing when it died.
#include "app/DosewrightDlg.h"
#include "support/DialogOnHostFolder.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::MedicationTexts;

constexpr int kMedications = 2000;

// The kinds of medication the large folder mixes: changed by the scan itself,
// changed by the resolution of several candidates, removed, cleared, and left.
const MedicationTexts kKinds[] = {
    {"Lisinopril", "10 MG", "Tablet", "Oral", "", "314077", "SCD"},
    {"Abilify", "10 MG", "Tablet", "Oral", "", "349545", "SCD"},
    {"Lisinopril", "10 MG", "Tablet", "Oral", "", "314076", "SCD"},
    {"Nuvigil", "150 MG", "Tablet", "Oral", "", "805659", "SBD"},
    {"Lisinopril", "10 MG", "Tablet", "By mouth", "", "314076", "SCD"},
    {"Zestril", "10 MG", "Tablet", "Oral", "ZES10", "", ""},
    {"Zestril", "10 MG", "Tablet", "Oral", "", "", ""},
};

nlohmann::json LargeFixture() {
    nlohmann::json fixture = {
        {"drugs",
         {{{"drugId", 101},
           {"drugName", "Lisinopril"},
           {"formCode", "TAB"},
           {"routeCode", "OR"},
           {"strength", "10"},
           {"strengthUnit", "MG"}},
          {{"drugId", 102},
           {"drugName", "Zestril"},
           {"formCode", "TAB"},
           {"routeCode", "OR"},
           {"strength", "10"},
           {"strengthUnit", "MG"}},
          {{"drugId", 201},
           {"drugName", "Abilify"},
           {"formCode", "TAB"},
           {"routeCode", "OR"},
           {"strength", "10"},
           {"strengthUnit", "MG"}},
          {{"drugId", 202},
           {"drugName", "Nuvigil"},
           {"formCode", "TAB"},
           {"routeCode", "OR"},
           {"strength", "150"},
           {"strengthUnit", "MG"}}}},
        {"ndcs", {{{"drugId", 101}}, {{"drugId", 102}}, {{"drugId", 201}}, {{"drugId", 202}}}},
        {"rxnorm",
         {{{"sourceKind", 4}, {"sourceId", "101"}, {"rxNormId", "314076"}, {"termType", "SCD"}},
          {{"sourceKind", 4}, {"sourceId", "102"}, {"rxNormId", "104377"}, {"termType", "SBD"}},
          {{"sourceKind", 4}, {"sourceId", "201"}, {"rxNormId", "352307"}, {"termType", "SBD"}},
          {{"sourceKind", 4}, {"sourceId", "201"}, {"rxNormId", "349545"}, {"termType", "SCD"}},
          {{"sourceKind", 4}, {"sourceId", "202"}, {"rxNormId", "805659"}, {"termType", "SBD"}},
          {{"sourceKind", 4}, {"sourceId", "202"}, {"rxNormId", "805660"}, {"termType", "BPCK"}}}},
        {"patients",
         {{{"patientId", 7}, {"patientRef", "DOE0007"}},
          {{"patientId", 8}, {"patientRef", "ROE0008"}}}},
    };
    fixture["medications"] = nlohmann::json::array();
    uint32_t state = 20240607; // a fixed mix, the same on every run
    for (int i = 0; i < kMedications; ++i) {
        state = state * 1664525u + 1013904223u;
        const MedicationTexts& kind = kKinds[(state >> 16) % std::size(kKinds)];
        fixture["medications"].push_back(testsupport::MedicationJson(i + 1, 7 + i % 3, kind));
    }
    return fixture;
}

using testsupport::MedicationRecords;

std::vector<std::string> Lines(const std::string& bytes) {
    std::string rest;
    std::vector<std::string> lines = testsupport::CrLfLines(bytes, rest);
    EXPECT_EQ(rest, "") << "a line without its end";
    return lines;
}

bool StartsWith(const std::vector<std::string>& lines, const std::vector<std::string>& prefix) {
    return prefix.size() <= lines.size() && std::equal(prefix.begin(), prefix.end(), lines.begin());
}

// Repairs `folder` in this process.
void RepairCompletely(const fs::path& folder) {
    testsupport::DialogOnHostFolder fixture(folder);
    ASSERT_TRUE(fixture.OpenDatabase()) << fixture.errorText;
    int32_t examined = 0;
    int32_t affected = 0;
    ASSERT_TRUE(fixture.dialog.ScanMedications(examined, affected, 0));
    ASSERT_EQ(examined, kMedications);
}

// Starts a repair of `folder` in a child process and kills it once the scan has
// reached medication `killAt`, wherever it is in that medication's work then.
// Returns whether the child was killed (false: it had already finished).
bool RepairAndKill(const fs::path& folder, int32_t killAt) {
    int progress[2];
    if (pipe(progress) != 0)
        throw std::runtime_error("no pipe");
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("no child process");
    if (child == 0) {
        close(progress[0]);
        bool completed = false;
        {
            testsupport::DialogOnHostFolder fixture(folder);
            fixture.window.onScanProgress = [&](int32_t examined) {
                if (write(progress[1], &examined, sizeof examined) != sizeof examined)
                    _exit(3);
            };
            int32_t examined = 0;
            int32_t affected = 0;
            completed =
                fixture.OpenDatabase() && fixture.dialog.ScanMedications(examined, affected, 0);
        }
        _exit(completed ? 0 : 1);
    }
    close(progress[1]);
    int32_t examined = 0;
    while (examined < killAt && read(progress[0], &examined, sizeof examined) == sizeof examined) {
    }
    kill(child, SIGKILL);
    close(progress[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_GE(examined, killAt) << "the child ended before it got that far";
    if (WIFEXITED(status)) {
        EXPECT_EQ(WEXITSTATUS(status), 0);
        return false;
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    return true;
}

TEST(ScanKill, AKilledRepairLeavesEveryRecordWholeAndEveryChangeDescribed) {
    testsupport::TempFolder temp;
    const fs::path original = testsupport::BuildHostFolder(temp.Path(), LargeFixture());
    const std::vector<std::string> before = MedicationRecords(original);
    ASSERT_EQ(before.size(), static_cast<std::size_t>(kMedications));

    const fs::path complete = temp / "complete";
    fs::copy(original, complete, fs::copy_options::recursive);
    RepairCompletely(complete);
    const std::vector<std::string> repaired = MedicationRecords(complete);
    const std::vector<std::string> allCsv =
        Lines(testsupport::ReadFileBytes(complete / "Dosewright.csv"));
    const std::vector<std::string> allLog =
        Lines(testsupport::ReadFileBytes(complete / "Dosewright.log"));
    std::vector<std::size_t> changedInOrder;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (repaired[i] != before[i])
            changedInOrder.push_back(i);
    }
    ASSERT_GT(changedInOrder.size(), static_cast<std::size_t>(kMedications / 3));
    ASSERT_EQ(allCsv.size(), changedInOrder.size());
    ASSERT_EQ(allLog.size(), changedInOrder.size());

    int killed = 0;
    for (const int32_t killAt : {kMedications / 10, kMedications / 2, kMedications * 4 / 5}) {
        SCOPED_TRACE("killed after medication " + std::to_string(killAt));
        const fs::path folder = temp / ("killed-at-" + std::to_string(killAt));
        fs::copy(original, folder, fs::copy_options::recursive);
        killed += RepairAndKill(folder, killAt) ? 1 : 0;

        const std::vector<std::string> after = MedicationRecords(folder);
        ASSERT_EQ(after.size(), before.size());
        std::size_t changed = 0;
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (after[i] == before[i])
                continue;
            ASSERT_TRUE(after[i] == repaired[i]) << "medication " << i + 1 << " is neither "
                                                 << "as it was nor as repaired";
            // The walk is in key order: the changes made are the first ones.
            ASSERT_LT(changed, changedInOrder.size());
            EXPECT_EQ(i, changedInOrder[changed]);
            ++changed;
        }
        EXPECT_GE(changed, static_cast<std::size_t>(1));

        const std::string csvBytes = testsupport::ReadFileBytes(folder / "Dosewright.csv");
        const std::string logBytes = testsupport::ReadFileBytes(folder / "Dosewright.log");
        const std::vector<std::string> csv = Lines(csvBytes);
        const std::vector<std::string> log = Lines(logBytes);
        EXPECT_TRUE(StartsWith(allCsv, csv));
        EXPECT_TRUE(StartsWith(allLog, log));
        // A change is made before its CSV line, and its CSV line before its log sentence.
        EXPECT_LE(csv.size(), changed);
        EXPECT_LE(log.size(), csv.size());
        EXPECT_GE(log.size() + 1, changed) << "more than one change without its lines";
    }
    EXPECT_GE(killed, 1) << "no run was killed part-way";
}

} // namespace
