// The record manager's failure switch turned on for each of its calls in a
// small repair in turn: every run stops with the message of the call that
// failed, leaves every record whole, and keeps and describes the changes it made
// before the failure. A patient that cannot be read only leaves its reference
// out of the lines; the run goes on.
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
      "Failure reading the MRDRXN99 table. "}},
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

std::string Field(const std::string& csvLine, int column) {
    std::size_t start = 0;
    for (int n = 1; n < column; ++n)
        start = csvLine.find(',', start) + 1;
    return csvLine.substr(start, csvLine.find(',', start) - start);
}

// The lines of the complete repair, with the patient reference of change `n` left out.
struct Lines {
    std::string csv, log;
};
Lines WithoutPatient(const CompleteRepair& complete, std::size_t n) {
    Lines lines;
    for (std::size_t i = 0; i < complete.changed.size(); ++i) {
        std::string csv = complete.csvLine[complete.changed[i]];
        std::string log = complete.logLine[complete.changed[i]];
        if (i == n) {
            const std::string reference = Field(csv, 7);
            csv.replace(csv.find("," + reference + ","), reference.size() + 2, ",,");
            log.replace(log.find("for Patient: " + reference + "."), reference.size() + 14,
                        "for Patient: .");
        }
        lines.csv += csv;
        lines.log += log;
    }
    return lines;
}

class RecordManagerFailureTest : public testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() {
        s_temp = std::make_unique<testsupport::TempFolder>();
        s_folder = testsupport::BuildHostFolder(s_temp->Path(),
                                                PracticeFixture({kMedications, kSeed, true, true}));
        s_complete = std::make_unique<CompleteRepair>(RepairCopy(s_folder, s_temp->Path()));
    }
    static void TearDownTestSuite() {
        s_complete.reset();
        s_temp.reset();
    }

    static std::unique_ptr<testsupport::TempFolder> s_temp;
    static fs::path s_folder;
    static std::unique_ptr<CompleteRepair> s_complete;
};

std::unique_ptr<testsupport::TempFolder> RecordManagerFailureTest::s_temp;
fs::path RecordManagerFailureTest::s_folder;
std::unique_ptr<CompleteRepair> RecordManagerFailureTest::s_complete;

TEST_P(RecordManagerFailureTest, EveryFailingCallStopsTheRunWithItsMessageAndLosesNothing) {
    const std::string operation = GetParam();
    const CompleteRepair& complete = *s_complete;
    const std::vector<std::string> allowed = MessagesOf(operation);
    const std::string allCsv = LinesOf(complete.csvLine, complete.changed, complete.changed.size());
    const std::string allLog = LinesOf(complete.logLine, complete.changed, complete.changed.size());
    // The sanitized build tries every third call.
    const int step = SanitizedBuild() ? 3 : 1;
    const int limit = 2000;

    std::set<std::string> seen;                // the messages met, by their beginning
    std::vector<std::string> openMessages;     // for fsopen: in the order of the calls
    std::map<std::size_t, int> patientLeftOut; // changes whose patient could not be read, how often
    int failingCalls = 0;
    int call = 1;
    for (;; call += step) {
        ASSERT_LT(call, limit) << "the run never got through without a failure";
        SCOPED_TRACE(operation + " call " + std::to_string(call));
        const fs::path work = s_temp->Path() / "work";
        CopyFolder(s_folder, work);
        const std::string setting =
            operation + ":" + std::to_string(call) + ":" + std::to_string(kFailure);
        const ChildResult result =
            RunChild(CliOptions(work, "repair", {{"STORELINK_FAIL", setting}}));
        const std::string csv = FileBytesOrEmpty(work / "Dosewright.csv");
        const std::string log = FileBytesOrEmpty(work / "Dosewright.log");

        std::vector<std::size_t> changed;
        ASSERT_TRUE(RecordsAreWhole(complete, MedicationRecords(work), changed));
        if (result.exitStatus == 0) {
            EXPECT_EQ(changed, complete.changed);
            if (csv == allCsv && log == allLog)
                break; // no call failed: the sweep is through
            // Only the patient of one change could not be read.
            bool explained = false;
            for (std::size_t n = 0; n < complete.changed.size() && !explained; ++n) {
                const Lines lines = WithoutPatient(complete, n);
                if (csv == lines.csv && log == lines.log) {
                    ++patientLeftOut[n];
                    explained = true;
                }
            }
            EXPECT_TRUE(explained) << "a run that went through wrote other lines:\n" << csv << log;
            continue;
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
        // Each change looks its patient up once: a positioning, then a reading.
        const int callsEach = operation == "*" ? 2 : 1;
        EXPECT_EQ(patientLeftOut.size(), complete.changed.size());
        for (const auto& [change, calls] : patientLeftOut)
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
