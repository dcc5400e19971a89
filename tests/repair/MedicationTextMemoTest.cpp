// What a scan learns from the host and uses again: a run that asks the host
// once for each set of medication texts, drug and patient writes exactly what a
// run that asks for every medication writes, in both modes, and so does one
// whose memo fills up early. The memo itself stays within its capacity.
#include "repair/MedicationTextMemo.h"
#include "repair/RunJournalReader.h"
#include "support/DialogOnHostFolder.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Everything a report followed by a repair leaves behind.
struct RunOutcome {
    int32_t reportExamined = 0, reportAffected = 0, repairExamined = 0, repairAffected = 0;
    int32_t patientFailures = 0;
    std::string reportCsv, repairCsv, log, journal;
    std::vector<std::string> records;

    bool operator==(const RunOutcome&) const = default;
};

// The bytes of every change and end entry of every run in the journal folder, in run order.
std::string JournalText(const std::string& databasePath) {
    std::vector<std::string> runs;
    int error = 0;
    EXPECT_TRUE(JournalFileNames(databasePath, runs, error));
    std::string text;
    auto put = [&](const auto& value) {
        text.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    for (const std::string& run : runs) {
        RunJournalReader reader;
        EXPECT_TRUE(reader.Open(databasePath, run)) << run;
        put(reader.Mode());
        JournalChange c;
        JournalEnd end;
        for (RunJournalReader::Entry entry;
             (entry = reader.Next(c, end)) != RunJournalReader::Entry::None;) {
            put(entry);
            if (entry == RunJournalReader::Entry::Change) {
                put(c.entryId), put(c.resolutionCode), put(c.oldRxNormId), put(c.oldTermType);
                put(c.newRxNormId), put(c.newTermType), put(c.asRead);
            } else if (entry == RunJournalReader::Entry::End) {
                put(end.examined), put(end.changed);
            }
        }
    }
    return text;
}

RunOutcome ReportThenRepair(const fs::path& practice, const fs::path& work, std::size_t capacity) {
    fs::copy(practice, work, fs::copy_options::recursive);
    RunOutcome outcome;
    testsupport::DialogOnHostFolder fixture(work);
    EXPECT_TRUE(fixture.OpenDatabase()) << fixture.errorText;
    fixture.dialog.TextMemo().SetCapacity(capacity);
    EXPECT_TRUE(fixture.dialog.ScanMedications(outcome.reportExamined, outcome.reportAffected, 1));
    outcome.patientFailures = fixture.dialog.PatientLookupFailures();
    outcome.reportCsv = fixture.FileBytes("Dosewright.csv");
    EXPECT_TRUE(fixture.dialog.ScanMedications(outcome.repairExamined, outcome.repairAffected, 0));
    outcome.patientFailures += fixture.dialog.PatientLookupFailures();
    EXPECT_EQ(fixture.dialog.TextMemo().Used(), 0u) << "a run kept what it learned";
    outcome.repairCsv = fixture.FileBytes("Dosewright.csv");
    outcome.log = fixture.FileBytes("Dosewright.log");
    outcome.journal = JournalText(fixture.FolderPath());
    outcome.records = testsupport::MedicationRecords(work);
    return outcome;
}

struct Practice {
    const char* name;
    std::vector<std::string> generate; // hostkit generate's options; empty: the demo
};

class MemoEquivalenceTest : public testing::TestWithParam<Practice> {};

TEST_P(MemoEquivalenceTest, RunsWriteTheSameWithAndWithoutTheMemo) {
    testsupport::TempFolder temp;
    fs::path practice;
    if (GetParam().generate.empty()) {
        std::ifstream demo(fs::path(DOSEWRIGHT_SOURCE_DIR) / "samples/demo.json");
        practice = testsupport::BuildHostFolder(temp.Path(), nlohmann::json::parse(demo));
    } else {
        practice = temp.Path() / "generated";
        std::vector<std::string> arguments = {"generate"};
        arguments.insert(arguments.end(), GetParam().generate.begin(), GetParam().generate.end());
        arguments.push_back(practice.string());
        const testsupport::CommandResult made = testsupport::RunHostkit(arguments);
        ASSERT_EQ(made.exitStatus, 0) << made.errors;
    }
    const RunOutcome asking = ReportThenRepair(practice, temp.Path() / "asking", 0);
    EXPECT_GT(asking.reportAffected, 0);
    EXPECT_EQ(asking.repairAffected, asking.reportAffected);
    // A memo of a few dozen texts is full early in the run.
    for (const std::size_t capacity : {MedicationTextMemo::kDefaultCapacity, std::size_t{4096}}) {
        SCOPED_TRACE(capacity);
        const fs::path work = temp.Path() / ("memo" + std::to_string(capacity));
        EXPECT_TRUE(ReportThenRepair(practice, work, capacity) == asking);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Practices, MemoEquivalenceTest,
    testing::Values(Practice{"Demo", {}},
                    Practice{"Generated", {"--medications", "3000", "--seed", "11"}},
                    Practice{"GeneratedVaried",
                             {"--medications", "3000", "--seed", "12", "--varied"}}),
    [](const testing::TestParamInfo<Practice>& info) { return std::string(info.param.name); });

TEST(MedicationTextMemoTest, KeepsNothingPastItsCapacityAndStillAnswersWhatItKept) {
    MedicationTextMemo memo(4000);
    std::string key;
    for (int i = 0; i < 100; ++i) {
        memo.RememberPatient(i, "PT" + std::to_string(i));
        ASSERT_LE(memo.Used(), memo.Capacity());
    }
    std::string_view reference;
    ASSERT_TRUE(memo.FindPatient(0, reference));
    EXPECT_EQ(reference, "PT0");
    EXPECT_FALSE(memo.FindPatient(99, reference));
    // Texts that only run together differently are different texts.
    std::string other;
    MedicationTextMemo::Key({"Drug 0", "TAB", "OR"}, key);
    MedicationTextMemo::Key({"Drug 0T", "AB", "OR"}, other);
    EXPECT_NE(other, key);
}

} // namespace
