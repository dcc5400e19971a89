// A large repair killed at moments spread over the run, each time on a fresh
// copy of the medication table: after every kill each medication record is whole (as
// it was or as repaired), every change but the one in flight has its CSV line
// and log sentence, every change has its journal entry, and an undo gives
// every medication back as it was. A rerun after the last kill finishes the
// job, and the killed run can still be undone by its name after that. A
// second run started while one runs is turned away without disturbing the first.
#include "repair/RunJournalReader.h"
#include "robust/ChildProcess.h"
#include "robust/PracticeFixture.h"
#include "robust/RepairCheck.h"
#include "support/ExpectedTexts.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include "data/HostLibraries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <system_error>
#include <thread>

namespace robust {
namespace {

constexpr uint32_t kPracticeSeed = 20240611;
constexpr uint32_t kKillSeed = 7351;
constexpr int kKills = 30;
constexpr int kMaxAttempts = 45;
constexpr double kLastShare = 0.95; // no kill comes later in a run than this
constexpr int kStartupKills = 2;    // killed at once, somewhere in the start-up
constexpr int kEarlyKills = 2;      // killed as soon as the CSV report exists

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

void Pause() {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}

std::string StatusLine(const char* what, std::size_t count, std::size_t of,
                       const std::string& note = "") {
    return std::string("Number of Medications ") + what + ": " + std::to_string(count) + "/" +
           std::to_string(of) + (note.empty() ? note : "\n" + note) +
           "\nPlease refer to Dosewright.log for more details.\n";
}

int32_t EntryIdOf(const std::string& record) {
    int32_t entryId = 0;
    std::memcpy(&entryId, record.data(), sizeof entryId);
    return entryId;
}

// Gives `folder` the medication table of `pristine` again, with no run's
// output or journal; the rest of the folder (the reference files a killed
// start-up may have left half-written) stays as the runs left it.
void ResetMedications(const fs::path& pristine, const fs::path& folder) {
    if (!fs::exists(folder)) {
        CopyFolder(pristine, folder);
        return;
    }
    for (const char* name : {"MRRX99", "MRRX99-wal", "MRRX99-shm", "DosewrightJournal",
                             "Dosewright.csv", "Dosewright.log"}) {
        fs::remove_all(folder / name);
    }
    fs::copy_file(pristine / "MRRX99", folder / "MRRX99");
}

// The entry IDs the newest journal of `folder` holds changes of, and whether
// that run ended; none when there is no journal (a kill in the start-up).
struct JournaledRun {
    std::string name;
    std::multiset<int32_t> entryIds;
    bool ended = false;
    bool headerCut = false; // killed while writing its header: nothing to say of it
};

JournaledRun NewestRun(const fs::path& folder) {
    JournaledRun run;
    const std::string path = folder.string() + "/";
    std::vector<std::string> names;
    int error = 0;
    EXPECT_TRUE(JournalFileNames(path, names, error)) << error;
    if (names.empty())
        return run;
    run.name = names.back().substr(0, names.back().size() - std::strlen(".journal"));
    RunJournalReader reader;
    EXPECT_TRUE(reader.Open(path, names.back())) << names.back();
    run.headerCut = reader.HeaderCut();
    JournalChange change;
    JournalEnd end;
    for (RunJournalReader::Entry entry;
         (entry = reader.Next(change, end)) != RunJournalReader::Entry::None;) {
        if (entry == RunJournalReader::Entry::Change)
            run.entryIds.insert(change.entryId);
        else if (entry == RunJournalReader::Entry::End)
            run.ended = true;
    }
    return run;
}

// Every changed record has its entry; at most one entry (the change in flight)
// never reached the table.
testing::AssertionResult JournalsChanges(const JournaledRun& run, const CompleteRepair& complete,
                                         const std::vector<std::size_t>& changed) {
    std::multiset<int32_t> missing;
    for (std::size_t index : changed) {
        if (run.entryIds.count(EntryIdOf(complete.original[index])) == 0)
            missing.insert(EntryIdOf(complete.original[index]));
    }
    if (!missing.empty()) {
        return testing::AssertionFailure() << missing.size() << " changed records have no "
                                           << "journal entry, the first entry " << *missing.begin();
    }
    if (run.entryIds.size() > changed.size() + 1) {
        return testing::AssertionFailure()
               << run.entryIds.size() << " journal entries for " << changed.size() << " changes";
    }
    return testing::AssertionSuccess();
}

TEST(RepairKillTest, EveryKillLeavesWholeRecordsEveryChangeJournaledAndUndoGivesAllBack) {
    const auto started = std::chrono::steady_clock::now();
    const testsupport::TempFolder temp;
    const int medications = Scaled(100000, 4000);
    const fs::path pristine =
        testsupport::BuildHostFolder(temp.Path(), PracticeFixture({medications, kPracticeSeed}));
    const CompleteRepair complete = RepairCopy(pristine, temp.Path());
    ASSERT_GT(complete.changed.size(), complete.original.size() / 3);

    long long totalCsvBytes = 0;
    for (std::size_t index : complete.changed)
        totalCsvBytes += static_cast<long long>(complete.csvLine[index].size());

    const fs::path folder = temp.Path() / "killed";
    const fs::path csvPath = folder / "Dosewright.csv";
    const fs::path logPath = folder / "Dosewright.log";
    std::mt19937 random(kKillSeed);
    std::vector<std::size_t> changed;
    JournaledRun killedRun;
    int kills = 0;
    // A reduced campaign (Windows under Wine, where every program start is
    // slow) kills fewer times as well.
    const int killsWanted = Scaled(kKills, 6);
    for (int attempt = 0; attempt < kMaxAttempts && kills < killsWanted; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        KillMoment moment;
        if (attempt < kStartupKills) {
            moment.atOnce = true;
        } else if (attempt >= kStartupKills + kEarlyKills) {
            const double share = std::uniform_real_distribution<double>(0.0, kLastShare)(random);
            moment.csvBytes = std::max(1LL, static_cast<long long>(share * totalCsvBytes));
        }
        ResetMedications(pristine, folder);

        ChildProcess child(CliOptions(folder, "repair"));
        while (!moment.atOnce && child.Running() && !Reached(csvPath, moment))
            Pause();
        child.Kill();
        const ChildResult result = child.Wait();
        if (result.signal != kKillSignal) {
            // A busy machine let the run get to its end first.
            ASSERT_EQ(result.exitStatus, 0) << result.errors;
            continue;
        }
        ++kills;

        ASSERT_TRUE(RecordsAreWhole(complete, MedicationRecords(folder), changed));
        ASSERT_TRUE(DescribesChanges("the CSV report", FileBytesOrEmpty(csvPath), complete.csvLine,
                                     changed, true, true));
        ASSERT_TRUE(DescribesChanges("the run log", FileBytesOrEmpty(logPath), complete.logLine,
                                     changed, true, true));
        killedRun = NewestRun(folder);
        EXPECT_FALSE(killedRun.ended);
        ASSERT_TRUE(JournalsChanges(killedRun, complete, changed));
        if (kills == killsWanted)
            break; // the last killed run is finished and undone below

        const ChildResult undo = RunChild(CliOptions(folder, "undo"));
        if (killedRun.name.empty()) {
            EXPECT_EQ(undo.exitStatus, 1) << "nothing to undo";
            continue;
        }
        ASSERT_EQ(undo.exitStatus, 0) << undo.errors;
        const std::string note = killedRun.headerCut ? "" : expected::kCutOffNote;
        EXPECT_EQ(undo.output, StatusLine("restored", changed.size(), changed.size(), note));
        EXPECT_NE(undo.errors.find(note), std::string::npos) << undo.errors;
        ASSERT_TRUE(MedicationRecords(folder) == complete.original)
            << "undo left a medication other than it was";
    }
    ASSERT_EQ(kills, killsWanted);

    // The next run finishes the job; an undo takes back that run alone, and
    // the killed run, named, the rest.
    const ChildResult rerun = RunChild(CliOptions(folder, "repair"));
    ASSERT_EQ(rerun.exitStatus, 0) << rerun.errors;
    const std::vector<std::size_t> rest = Added(changed, complete.changed);
    EXPECT_EQ(rerun.output, StatusLine("fixed", rest.size(), complete.original.size()));
    EXPECT_TRUE(MedicationRecords(folder) == complete.repaired);
    EXPECT_TRUE(DescribesChanges("the CSV report", FileBytesOrEmpty(csvPath), complete.csvLine,
                                 rest, false));

    const ChildResult undoRerun = RunChild(CliOptions(folder, "undo"));
    ASSERT_EQ(undoRerun.exitStatus, 0) << undoRerun.errors;
    EXPECT_EQ(undoRerun.output, StatusLine("restored", rest.size(), rest.size()));
    ASSERT_FALSE(killedRun.name.empty());
    ChildOptions undoKilled = CliOptions(folder, "undo");
    undoKilled.argv.push_back(killedRun.name);
    const ChildResult undoKilledRun = RunChild(undoKilled);
    ASSERT_EQ(undoKilledRun.exitStatus, 0) << undoKilledRun.errors;
    EXPECT_EQ(undoKilledRun.output, StatusLine("restored", changed.size(), changed.size(),
                                               killedRun.headerCut ? "" : expected::kCutOffNote));
    EXPECT_TRUE(MedicationRecords(folder) == complete.original);

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
    std::printf("kill campaign: %d medications, %d kills, %.1f s\n", medications, kills,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
}

// --- Two runs at once ---------------------------------------------------------------------------

constexpr const char* kAnotherRun =
    "Another Dosewright run is using this database. Please wait for it to finish and try again.";

// A second run while a repair runs is refused before it touches anything, with
// the message on both outputs and exit status 1; the repair goes on to its end
// as if alone.
TEST(TwoRunsTest, ASecondRunWhileOneRunsIsRefusedAndTheFirstIsUnaffected) {
    const testsupport::TempFolder temp;
    const fs::path folder = testsupport::BuildHostFolder(
        temp.Path(), PracticeFixture({Scaled(12000, 3000), kPracticeSeed + 2}));
    const CompleteRepair complete = RepairCopy(folder, temp.Path());
    const fs::path pristine = temp.Path() / "pristine";
    CopyFolder(folder, pristine);
    const std::string allCsv = LinesOf(complete.csvLine, complete.changed, complete.changed.size());
    const std::string allLog = LinesOf(complete.logLine, complete.changed, complete.changed.size());
    const fs::path csvPath = folder / "Dosewright.csv";

    int refusedWhileRunning = 0;
    for (int attempt = 0; attempt < 5 && refusedWhileRunning < 2; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        CopyFolder(pristine, folder);
        ChildProcess first(CliOptions(folder, "repair"));
        // The first run has its lock once its CSV report exists and has a line.
        while (first.Running() && !Reached(csvPath, KillMoment{false, 1}))
            Pause();
        const std::string mode = attempt % 2 == 0 ? "report" : "repair";
        const ChildResult second = RunChild(CliOptions(folder, mode));
        const bool overlapped = first.Running();
        const ChildResult result = first.Wait();

        ASSERT_EQ(result.exitStatus, 0) << result.errors;
        EXPECT_EQ(result.output, StatusLine("fixed", complete.changed.size(),
                                            static_cast<std::size_t>(complete.examined)));
        EXPECT_EQ(MedicationRecords(folder), complete.repaired);
        EXPECT_TRUE(SameBytes(FileBytesOrEmpty(csvPath), allCsv));
        EXPECT_TRUE(SameBytes(FileBytesOrEmpty(folder / "Dosewright.log"), allLog));
        if (!overlapped)
            continue; // the first ended before the second was turned away or ran: no test
        std::string message;
        ASSERT_TRUE(StoppedWithOneMessage(second, message)) << mode;
        EXPECT_EQ(message, kAnotherRun);
        ++refusedWhileRunning;
    }
    EXPECT_EQ(refusedWhileRunning, 2) << "the first run never lasted long enough";
}

} // namespace
} // namespace robust
