// The record manager's failure switch turned on for each of its calls in a
// small repair in turn: every run stops with the message of the call that
// failed, leaves every record whole, and keeps and describes the changes it made
// before the failure. When the patient table fails, the run goes on: that
// change is described without its patient, and the run says how many there
// were. A read that brings no record is no failure: it finds nothing.
#include "robust/ChildProcess.h"
#include "robust/PracticeFixture.h"
#include "robust/RepairCheck.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace robust {
namespace {

constexpr int32_t kFailure = -18; // the record manager's "storage failed"
constexpr int kMedications = 18;  // each kind of medication twice
constexpr uint32_t kSeed = 424242;

// The beginnings of the messages a failing call of each operation may cause.
const std::map<std::string, std::vector<std::string>> kMessages = {
    {"fsopen",
     {"Failure opening the medication table MRRX99 ", "Failure opening the patient table MRPT99 ",
      "Failure opening MRDD99 table. ", "Failure opening MRDNDC99 table. ",
      "Failure opening MRDRXN99 table. "}},
    {"fspos",
     {"Failure positioning in the MRDD99 table. ", "Failure positioning in the MRDNDC99 table. ",
      "Failure positioning in the MRDRXN99 table. "}},
    {"fsget",
     {"Failure reading the MRDD99 table. ", "Failure reading the MRDNDC99 table. ",
      "Failure reading the MRDRXN99 table. ",
      "Failure updating MRRX99. "}}, // the record read again before its update
    {"fsgetn",
     {"Failure reading first record of MRRX99. ", "Failure to read next MRRX99 record. ",
      "Failure reading the next record in MRDRXN99 table. "}},
    {"fsgotof", {"Failure reading first record of MRRX99. "}},
    {"fsupdate", {"Failure updating MRRX99. "}},
};

std::vector<std::string> MessagesOf(const std::string& operation) {
    if (operation != "*")
        return kMessages.at(operation);
    std::vector<std::string> all;
    for (const auto& [name, messages] : kMessages)
        all.insert(all.end(), messages.begin(), messages.end());
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return all;
}

// The change at `index` of a complete repair whose lines `csv` and `log` are
// the complete repair's with that one change's patient left out.
bool PatientLeftOutOf(const CompleteRepair& complete, const std::string& csv,
                      const std::string& log, std::size_t& index) {
    const std::size_t count = complete.changed.size();
    for (const std::size_t change : complete.changed) {
        const CompleteRepair without = WithoutPatientOf(complete, change);
        if (csv == LinesOf(without.csvLine, complete.changed, count) &&
            log == LinesOf(without.logLine, complete.changed, count)) {
            index = change;
            return true;
        }
    }
    return false;
}

// A medication record as it was, with its RxNorm ID and term type removed.
std::string Cleared(std::string record) {
    record.replace(651, 15, 15, ' ');
    record.replace(718, 3, 3, ' ');
    return record;
}

// The texts a medication is looked up by: drug name, strength, dose form, route.
std::string TextsOf(const std::string& record) {
    return record.substr(124, 60) + record.substr(233, 50) + record.substr(330, 20);
}

struct Sweep {
    const char* operation;
    int32_t status; // what the switched call answers
    const char* name;
};

void PrintTo(const Sweep& sweep, std::ostream* out) {
    *out << sweep.operation << " answering " << sweep.status;
}

class FailureSwitchTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_practice =
            std::make_unique<RepairedPractice>(PracticeShape{kMedications, kSeed, true, true});
    }
    static void TearDownTestSuite() { s_practice.reset(); }

    static ChildResult RunWithSwitch(const fs::path& work, const Sweep& sweep, int call) {
        CopyFolder(s_practice->folder, work);
        const std::string setting = std::string(sweep.operation) + ":" + std::to_string(call) +
                                    ":" + std::to_string(sweep.status);
        return RunChild(CliOptions(work, "repair", {{"STORELINK_FAIL", setting}}));
    }

    static std::unique_ptr<RepairedPractice> s_practice;
};

std::unique_ptr<RepairedPractice> FailureSwitchTest::s_practice;

class RecordManagerFailureTest : public FailureSwitchTest,
                                 public testing::WithParamInterface<Sweep> {};

TEST_P(RecordManagerFailureTest, EveryFailingCallStopsTheRunWithItsMessageAndLosesNothing) {
    const Sweep& sweep = GetParam();
    const std::string operation = sweep.operation;
    const CompleteRepair& complete = s_practice->complete;
    const std::vector<std::string> allowed = MessagesOf(operation);
    const std::string allCsv = LinesOf(complete.csvLine, complete.changed, complete.changed.size());
    const std::string allLog = LinesOf(complete.logLine, complete.changed, complete.changed.size());
    // The sanitized build tries every third call.
    const int step = SanitizedBuild() ? 3 : 1;
    const int limit = 2000;

    std::set<std::string> seen;            // the messages met, by their beginning
    std::vector<std::string> openMessages; // for fsopen: in the order of the calls
    std::map<std::size_t, int>
        patientFailures; // changes whose patient could not be read, how often
    int failingCalls = 0;
    int call = 1;
    for (;; call += step) {
        ASSERT_LT(call, limit) << "the run never got through without a failure";
        SCOPED_TRACE(operation + " call " + std::to_string(call));
        const fs::path work = s_practice->temp.Path() / "work";
        const ChildResult result = RunWithSwitch(work, sweep, call);
        const std::string csv = FileBytesOrEmpty(work / "Dosewright.csv");
        const std::string log = FileBytesOrEmpty(work / "Dosewright.log");

        std::vector<std::size_t> changed;
        ASSERT_TRUE(RecordsAreWhole(complete, MedicationRecords(work), changed));
        if (result.exitStatus == 0) {
            EXPECT_EQ(changed, complete.changed);
            if (FailedPatientLookups(result) == 0) {
                // No call failed: the sweep is through.
                EXPECT_TRUE(SameBytes(csv, allCsv));
                EXPECT_TRUE(SameBytes(log, allLog));
                break;
            }
            // The patient table failed: the run went on, and only the lines of
            // that change name no patient.
            ++failingCalls;
            EXPECT_EQ(FailedPatientLookups(result), 1u) << result.errors;
            std::size_t change = 0;
            ASSERT_TRUE(PatientLeftOutOf(complete, csv, log, change)) << csv;
            ++patientFailures[change];
            continue;
        }

        ++failingCalls;
        std::string message;
        ASSERT_TRUE(StoppedWithOneMessage(result, message));
        EXPECT_NE(message.find("Error Code:" + std::to_string(sweep.status)), std::string::npos)
            << message;
        const auto known = std::find_if(allowed.begin(), allowed.end(), [&](const std::string& m) {
            return message.starts_with(m);
        });
        ASSERT_NE(known, allowed.end()) << "not a message of " << operation << ": " << message;
        seen.insert(*known);
        if (operation == "fsopen")
            openMessages.push_back(*known);

        // The changes made before the failure are the first ones of a complete
        // repair, and each has its lines.
        const std::vector<std::size_t> first(complete.changed.begin(),
                                             complete.changed.begin() +
                                                 static_cast<std::ptrdiff_t>(changed.size()));
        EXPECT_EQ(changed, first);
        EXPECT_TRUE(DescribesChanges("the CSV report", csv, complete.csvLine, changed, false));
        EXPECT_TRUE(DescribesChanges("the run log", log, complete.logLine, changed, false));
        if (operation == "fsupdate" && step == 1) {
            EXPECT_EQ(changed.size(), static_cast<std::size_t>(call - 1));
        }
    }
    EXPECT_GT(failingCalls, 0);

    if (step != 1)
        return;
    // What a full sweep of each operation must have met.
    if (operation == "fsopen") {
        EXPECT_EQ(openMessages, kMessages.at("fsopen"));
    } else if (operation == "fsupdate") {
        EXPECT_EQ(static_cast<std::size_t>(failingCalls), complete.changed.size());
    } else if (operation == "fsgotof") {
        EXPECT_EQ(failingCalls, 1);
    } else if (operation == "fspos" || operation == "fsget" || operation == "*") {
        // The first change of each patient looks the patient up: a positioning,
        // then a reading. A later change of the same patient asks again only
        // when that look-up failed, so no failure sweep reaches it.
        const int callsEach = operation == "*" ? 2 : 1;
        std::set<std::string> patients;
        std::size_t firstOfPatient = 0;
        for (const std::size_t change : complete.changed)
            firstOfPatient += patients.insert(complete.original[change].substr(4, 4)).second;
        EXPECT_EQ(patientFailures.size(), firstOfPatient);
        for (const auto& [change, calls] : patientFailures)
            EXPECT_EQ(calls, callsEach) << "change " << change;
    }
    if (operation != "fsopen") {
        EXPECT_EQ(seen, std::set<std::string>(allowed.begin(), allowed.end()));
    }
}

// A read that brings no record ends no run: the medication is settled as if the
// record were not there (its drug unknown, or without an NDC record or
// candidates, or its patient unnamed), and so are the later ones of the same
// texts, which the run settles by what it learned then; every other medication
// as in a complete repair. The one exception is the medication read again just before
// its update: nothing read there cannot show the record unchanged, so the run
// stops as for a refused update, and every medication is as it was or repaired.
TEST_F(FailureSwitchTest, AReadOfNothingFindsNothingAndEndsNoRun) {
    const Sweep sweep{"fsget", 0, "fsget"};
    const CompleteRepair& complete = s_practice->complete;
    auto lines = [](const std::string& bytes) {
        return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
    };
    // No medication is read more than five times (drug, NDC, candidates, the
    // record again before its update, patient), so the last call is past the last read.
    const int calls = 5 * complete.examined + 1;
    int drugsNotFound = 0; // medications cleared as unknown drugs that are in the dictionary
    int stops = 0;         // runs stopped at the read before an update
    for (int call = 1; call <= calls; ++call) {
        SCOPED_TRACE("fsget call " + std::to_string(call));
        const fs::path work = s_practice->temp.Path() / "work";
        const ChildResult result = RunWithSwitch(work, sweep, call);
        const std::vector<std::string> records = MedicationRecords(work);
        ASSERT_EQ(records.size(), complete.original.size());
        if (result.exitStatus != 0) {
            ASSERT_EQ(result.exitStatus, 1) << result.errors << result.output;
            EXPECT_NE(result.errors.find("Failure updating MRRX99. Error Code:-23"),
                      std::string::npos)
                << result.errors;
            int changes = 0;
            for (std::size_t i = 0; i < records.size(); ++i) {
                changes += records[i] != complete.original[i];
                EXPECT_TRUE(records[i] == complete.original[i] ||
                            records[i] == complete.repaired[i])
                    << "entry " << i + 1;
            }
            EXPECT_EQ(lines(FileBytesOrEmpty(work / "Dosewright.csv")), changes);
            ++stops;
            continue;
        }
        EXPECT_EQ(result.errors, kBackupReminder);
        std::set<std::string> otherwise; // the texts of the medications settled otherwise
        int changes = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            changes += records[i] != complete.original[i];
            if (records[i] == complete.repaired[i])
                continue;
            otherwise.insert(TextsOf(records[i]));
            const bool asItWas = records[i] == complete.original[i];
            const bool cleared = !asItWas && records[i] == Cleared(complete.original[i]);
            EXPECT_TRUE(asItWas || cleared) << "entry " << i + 1;
            drugsNotFound += cleared;
        }
        EXPECT_LE(otherwise.size(), 1u);
        // One line of each for every record changed.
        EXPECT_EQ(lines(FileBytesOrEmpty(work / "Dosewright.csv")), changes);
        EXPECT_EQ(lines(FileBytesOrEmpty(work / "Dosewright.log")), changes);
        if (call == calls) {
            EXPECT_EQ(records, complete.repaired) << "the sweep did not get past the last read";
        }
    }
    EXPECT_GT(drugsNotFound, 0);
    EXPECT_GT(stops, 0) << "the sweep met no read before an update";
}

INSTANTIATE_TEST_SUITE_P(
    Operations, RecordManagerFailureTest,
    testing::Values(Sweep{"fsopen", kFailure, "fsopen"}, Sweep{"fspos", kFailure, "fspos"},
                    Sweep{"fsget", kFailure, "fsget"}, Sweep{"fsgetn", kFailure, "fsgetn"},
                    Sweep{"fsgotof", kFailure, "fsgotof"}, Sweep{"fsupdate", kFailure, "fsupdate"},
                    Sweep{"*", kFailure, "AnyOperation"}),
    [](const testing::TestParamInfo<Sweep>& info) { return std::string(info.param.name); });

} // namespace
} // namespace robust
