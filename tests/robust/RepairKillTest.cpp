// A large repair killed again and again at moments spread over the run: after
// every kill each medication record is whole (as it was or as repaired), every
// change but the one in flight has its CSV line and log sentence, and a final
// run finishes the job.
#include "robust/ChildProcess.h"
#include "robust/PracticeFixture.h"
#include "robust/RepairCheck.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <chrono>
#include <random>
#include <system_error>
#include <thread>

namespace robust {
namespace {

constexpr uint32_t kPracticeSeed = 20240611;
constexpr uint32_t kKillSeed = 7351;
constexpr int kKills = 24;
constexpr int kMaxAttempts = 60;
constexpr double kLastShare = 0.9; // no kill comes later in a run than this
constexpr int kStartupKills = 2;   // killed at once, somewhere in the start-up
constexpr int kEarlyKills = 2;     // killed as soon as the CSV report exists

// How far the run gets before the test kills it: the size its CSV report must
// reach, or the start-up.
struct KillMoment {
    bool atOnce = false;
    long long csvBytes = 0;
};

bool Reached(const fs::path& csv, const KillMoment& moment) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(csv, error);
    return !error && static_cast<long long>(size) >= moment.csvBytes;
}

void Pause() { std::this_thread::sleep_for(std::chrono::microseconds(200)); }

std::string StatusLine(int fixed, int examined) {
    return "Number of Medications fixed: " + std::to_string(fixed) + "/" +
           std::to_string(examined) + "\nPlease refer to Dosewright.log for more details.\n";
}

TEST(RepairKillTest, EveryKillLeavesWholeRecordsDescribedChangesAndARerunFinishes) {
    const testsupport::TempFolder temp;
    const int medications = Scaled(12000, 2000);
    const fs::path folder =
        testsupport::BuildHostFolder(temp.Path(), PracticeFixture({medications, kPracticeSeed}));
    const CompleteRepair complete = RepairCopy(folder, temp.Path());
    ASSERT_GT(complete.changed.size(), complete.original.size() / 2);

    long long totalCsvBytes = 0;
    for (std::size_t index : complete.changed)
        totalCsvBytes += static_cast<long long>(complete.csvLine[index].size());
    // The practice as it was, to start again from when a run got to its end
    // before the test could kill it (a busy machine may let it).
    const fs::path pristine = temp.Path() / "pristine";
    CopyFolder(folder, pristine);

    const fs::path csvPath = folder / "Dosewright.csv";
    const fs::path logPath = folder / "Dosewright.log";
    std::mt19937 random(kKillSeed);
    std::vector<std::size_t> changedBefore;
    long long bytesDone = 0; // CSV bytes of the changes made so far
    std::size_t logKept = 0; // bytes of the log written by earlier runs
    int kills = 0;
    for (int attempt = 0; attempt < kMaxAttempts && kills < kKills; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        // The next moment falls anywhere between where the last run stopped and
        // near the end of the run; the first few come in the start-up, or as
        // soon as the CSV report exists.
        KillMoment moment;
        if (attempt < kStartupKills) {
            moment.atOnce = true;
        } else if (attempt >= kStartupKills + kEarlyKills) {
            const double done = static_cast<double>(bytesDone) / static_cast<double>(totalCsvBytes);
            const double share = std::uniform_real_distribution<double>(done, kLastShare)(random);
            moment.csvBytes =
                std::max(1LL, static_cast<long long>(share * totalCsvBytes) - bytesDone);
        }
        // Every run empties the CSV report; removing it first lets the test see
        // when this run has opened its own.
        fs::remove(csvPath);

        ChildProcess child(CliOptions(folder, "repair"));
        while (!moment.atOnce && child.Running() && !Reached(csvPath, moment))
            Pause();
        child.Kill();
        const ChildResult result = child.Wait();
        const bool killed = result.signal == kKillSignal;
        if (killed)
            ++kills;
        else
            ASSERT_EQ(result.exitStatus, 0) << result.errors;

        std::vector<std::size_t> changed;
        ASSERT_TRUE(RecordsAreWhole(complete, MedicationRecords(folder), changed));
        ASSERT_TRUE(std::includes(changed.begin(), changed.end(), changedBefore.begin(),
                                  changedBefore.end()))
            << "a change of an earlier run was lost";
        const std::vector<std::size_t> changedNow = Added(changedBefore, changed);
        ASSERT_TRUE(DescribesChanges("the CSV report", FileBytesOrEmpty(csvPath), complete.csvLine,
                                     changedNow, killed, killed));
        const std::string log = FileBytesOrEmpty(logPath);
        ASSERT_TRUE(DescribesChanges("the run log's new part",
                                     std::string_view(log).substr(logKept), complete.logLine,
                                     changedNow, killed, killed));
        logKept = log.size();
        for (std::size_t index : changedNow)
            bytesDone += static_cast<long long>(complete.csvLine[index].size());
        changedBefore = changed;

        if (!killed || bytesDone > kLastShare * static_cast<double>(totalCsvBytes)) {
            CopyFolder(pristine, folder);
            changedBefore.clear();
            bytesDone = 0;
            logKept = 0;
        }
    }
    ASSERT_EQ(kills, kKills);

    // The next run finishes the job; the one after it finds nothing to do.
    const ChildResult rerun = RunChild(CliOptions(folder, "repair"));
    ASSERT_EQ(rerun.exitStatus, 0) << rerun.errors;
    const std::vector<std::size_t> rest = Added(changedBefore, complete.changed);
    EXPECT_EQ(rerun.output, StatusLine(static_cast<int>(rest.size()), complete.examined));
    EXPECT_EQ(MedicationRecords(folder), complete.repaired);
    EXPECT_TRUE(DescribesChanges("the CSV report", FileBytesOrEmpty(csvPath), complete.csvLine,
                                 rest, false));

    const ChildResult further = RunChild(CliOptions(folder, "repair"));
    ASSERT_EQ(further.exitStatus, 0) << further.errors;
    EXPECT_EQ(further.output, StatusLine(0, complete.examined));
    EXPECT_EQ(FileBytesOrEmpty(csvPath), "");
    EXPECT_EQ(MedicationRecords(folder), complete.repaired);

    // The reference files a killed start-up may have left half-written are whole again.
    const fs::path crossRef = fs::path("Interface") / "SureScripts" / "CrossRef";
    int referenceFiles = 0;
    for (const auto& entry : fs::directory_iterator(temp.Path() / "complete" / crossRef)) {
        ++referenceFiles;
        EXPECT_EQ(FileBytesOrEmpty(folder / crossRef / entry.path().filename()),
                  testsupport::ReadFileBytes(entry.path()))
            << entry.path().filename();
    }
    EXPECT_GT(referenceFiles, 0);
}

} // namespace
} // namespace robust
