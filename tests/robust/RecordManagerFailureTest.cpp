// The record manager's failure switch turned on for each of its calls in a
// small repair in turn: every run stops with the message of the call that
// failed, leaves every record whole, and keeps and describes the changes it made
// before the failure. When the patient table fails, the change in flight is
// described without its patient before the run stops.
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

constexpr const char* kPatientFailure = "Failure reading the patient table. ";

// The beginnings of the messages a failing call of each operation may cause.
const std::map<std::string, std::vector<std::string>> kMessages = {
    {"fsopen",
     {"Failure opening the medication table MRRX99 ", "Failure opening the patient table MRPT99 ",
      "Failure opening MRDD99 table. ", "Failure opening MRDNDC99 table. ",
      "Failure opening MRDRXN99 table. "}},
    {"fspos",
     {"Failure positioning in the MRDD99 table. ", "Failure positioning in the MRDNDC99 table. ",
      "Failure positioning in the MRDRXN99 table. ", kPatientFailure}},
    {"fsget",
     {"Failure reading the MRDD99 table. ", "Failure reading the MRDNDC99 table. ",
      "Failure reading the MRDRXN99 table. ", kPatientFailure,
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

class RecordManagerFailureTest : public testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() {
        s_practice = std::make_unique<RepairedPractice>(PracticeShape{kMedications, kSeed, true, true});
    }
    static void TearDownTestSuite() { s_practice.reset(); }

    static std::unique_ptr<RepairedPractice> s_practice;
};

std::unique_ptr<RepairedPractice> RecordManagerFailureTest::s_practice;

TEST_P(RecordManagerFailureTest, EveryFailingCallStopsTheRunWithItsMessageAndLosesNothing) {
    const std::string operation = GetParam();
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
        CopyFolder(s_practice->folder, work);
        const std::string setting =
            operation + ":" + std::to_string(call) + ":" + std::to_string(kFailure);
        const ChildResult result =
            RunChild(CliOptions(work, "repair", {{"STORELINK_FAIL", setting}}));
        const std::string csv = FileBytesOrEmpty(work / "Dosewright.csv");
        const std::string log = FileBytesOrEmpty(work / "Dosewright.log");

        std::vector<std::size_t> changed;
        ASSERT_TRUE(RecordsAreWhole(complete, MedicationRecords(work), changed));
        if (result.exitStatus == 0) {
            // No call failed: the sweep is through.
            EXPECT_EQ(changed, complete.changed);
            EXPECT_TRUE(SameBytes(csv, allCsv));
            EXPECT_TRUE(SameBytes(log, allLog));
            break;
        }

        ++failingCalls;
        std::string message;
        ASSERT_TRUE(StoppedWithOneMessage(result, message));
        EXPECT_NE(message.find("Error Code:" + std::to_string(kFailure)), std::string::npos)
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
        // A failing patient table stops the run after the lines of its change,
        // which name no patient.
        const bool patientFailed = *known == kPatientFailure;
        if (patientFailed) {
            ASSERT_FALSE(changed.empty());
            ++patientFailures[changed.back()];
        }
        const CompleteRepair described =
            patientFailed ? WithoutPatientOf(complete, changed.back()) : complete;
        EXPECT_TRUE(DescribesChanges("the CSV report", csv, described.csvLine, changed, false));
        EXPECT_TRUE(DescribesChanges("the run log", log, described.logLine, changed, false));
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
        // Each change looks its patient up once: a positioning, then a reading.
        const int callsEach = operation == "*" ? 2 : 1;
        EXPECT_EQ(patientFailures.size(), complete.changed.size());
        for (const auto& [change, calls] : patientFailures)
            EXPECT_EQ(calls, callsEach) << "change " << change;
    }
    if (operation != "fsopen") {
        EXPECT_EQ(seen, std::set<std::string>(allowed.begin(), allowed.end()));
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, RecordManagerFailureTest,
                         testing::Values("fsopen", "fspos", "fsget", "fsgetn", "fsgotof",
                                         "fsupdate", "*"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param == "*" ? std::string("AnyOperation") : info.param;
                         });

} // namespace
} // namespace robust
