// A large repair killed at moments spread over the run, each time on a fresh
// copy of the medication table: after every kill each medication record is whole (as
// it was or as repaired), every change but the one in flight has its CSV line
// and log sentence, every change has its journal entry, and an undo gives
// every medication back as it was. A rerun after the last kill finishes the
// job, and the killed run can still be undone by its name after that. Repairs
// that run while another program keeps editing the medications they fix never
// undo an edit, and a second run started while one runs is turned away without
// disturbing the first.
#include "repair/RunJournalReader.h"
#include "robust/ChildProcess.h"
#include "robust/PracticeFixture.h"
#include "robust/RepairCheck.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include "data/HostLibraries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace robust {
namespace {

constexpr int32_t kMrrxRecordLength = 771; // one MRRX99 record
constexpr int32_t kMrrxWalkKey = 7;        // entry order

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
    struct stat info {};
    return ::stat(csv.c_str(), &info) == 0 && info.st_size >= moment.csvBytes;
}

void Pause() {
    const timespec pause{0, 200 * 1000};
    nanosleep(&pause, nullptr);
}

std::string StatusLine(const char* what, std::size_t count, std::size_t of) {
    return std::string("Number of Medications ") + what + ": " + std::to_string(count) + "/" +
           std::to_string(of) + "\nPlease refer to Dosewright.log for more details.\n";
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
};

JournaledRun NewestRun(const fs::path& folder) {
    JournaledRun run;
    const std::string path = folder.string() + "/";
    const std::vector<std::string> names = JournalFileNames(path);
    if (names.empty())
        return run;
    run.name = names.back().substr(0, names.back().size() - std::strlen(".journal"));
    RunJournalReader reader;
    EXPECT_TRUE(reader.Open(path, names.back())) << names.back();
    JournalChange change;
    JournalEnd end;
    for (RunJournalReader::Entry entry;
         (entry = reader.Next(change, end)) != RunJournalReader::Entry::None;) {
        if (entry == RunJournalReader::Entry::Change)
            run.entryIds.insert(change.entryId);
        else
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
    for (int attempt = 0; attempt < kMaxAttempts && kills < kKills; ++attempt) {
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
        if (result.signal != SIGKILL) {
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
        if (kills == kKills)
            break; // the last killed run is finished and undone below

        const ChildResult undo = RunChild(CliOptions(folder, "undo"));
        if (killedRun.name.empty()) {
            EXPECT_EQ(undo.exitStatus, 1) << "nothing to undo";
            continue;
        }
        ASSERT_EQ(undo.exitStatus, 0) << undo.errors;
        EXPECT_EQ(undo.output, StatusLine("restored", changed.size(), changed.size()));
        ASSERT_TRUE(MedicationRecords(folder) == complete.original)
            << "undo left a medication other than it was";
    }
    ASSERT_EQ(kills, kKills);

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
    EXPECT_EQ(undoKilledRun.output, StatusLine("restored", changed.size(), changed.size()));
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

// --- Another program at work on the same medications ------------------------------------------

constexpr int kStampOffset = 767; // the last four opaque bytes of a medication record
constexpr int kStampWidth = 4;

uint32_t StampOf(const std::string& record) {
    uint32_t stamp = 0;
    std::memcpy(&stamp, record.data() + kStampOffset, kStampWidth);
    return stamp;
}

// A program that edits medications while a repair runs, as the host application
// does: it stamps a new counter into an opaque field of each target record in
// turn, always reading the record just before it writes it back, and trying a
// refused (stale) update again on its next round. Before each stamp it checks
// that the record still holds its own last stamp: one that is gone was undone
// by someone else's write.
class RestampingWriter {
public:
    RestampingWriter(const fs::path& folder, const std::vector<std::size_t>& targets)
        : m_targets(targets.size()) {
        if (::pipe(m_stop) != 0 || ::pipe(m_result) != 0)
            throw std::runtime_error("no pipe");
        // No table of this process is open here: an open table must not cross a fork.
        m_pid = ::fork();
        if (m_pid < 0)
            throw std::runtime_error("no fork");
        if (m_pid == 0)
            ::_exit(Work((folder / "MRRX99").string(), targets));
        ::close(m_stop[0]);
        ::close(m_result[1]);
    }
    ~RestampingWriter() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_stop[1]);
        ::close(m_result[0]);
    }
    RestampingWriter(const RestampingWriter&) = delete;
    RestampingWriter& operator=(const RestampingWriter&) = delete;

    struct Outcome {
        bool ran = false;
        int32_t failure = 0;          // a record-manager failure other than a refused update
        uint32_t lost = 0;            // stamps found undone
        std::vector<uint32_t> stamps; // the last stamp each target took (0: none)
    };
    Outcome Stop() {
        Outcome outcome;
        outcome.stamps.resize(m_targets);
        const bool told = ::write(m_stop[1], "s", 1) == 1;
        bool read = told && ReadAll(&outcome.failure, sizeof outcome.failure) &&
                    ReadAll(&outcome.lost, sizeof outcome.lost) &&
                    ReadAll(outcome.stamps.data(), m_targets * sizeof(uint32_t));
        int status = 0;
        read = ::waitpid(m_pid, &status, 0) == m_pid && read;
        m_pid = -1;
        outcome.ran = read && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        return outcome;
    }

private:
    bool ReadAll(void* buffer, std::size_t size) {
        auto* out = static_cast<char*>(buffer);
        while (size > 0) {
            const ssize_t got = ::read(m_result[0], out, size);
            if (got <= 0)
                return false;
            out += got;
            size -= static_cast<std::size_t>(got);
        }
        return true;
    }

    int Work(const std::string& table, const std::vector<std::size_t>& targets) {
        const int32_t handle = fsopen(table.c_str(), host::kOpenMode, host::kFirstCredential,
                                      host::kSecondCredential, host::kOpenFlag);
        int32_t failure = handle < 0 ? handle : 0;
        uint32_t lost = 0;
        uint32_t counter = 0;
        std::vector<uint32_t> stamps(targets.size(), 0);
        std::string record(kMrrxRecordLength, '\0');
        pollfd stop{m_stop[0], POLLIN, 0};
        while (failure == 0 && ::poll(&stop, 1, 0) == 0) {
            for (std::size_t k = 0; k < targets.size() && failure == 0; ++k) {
                std::fill(record.begin(), record.end(), '\0');
                const auto entryId = static_cast<int32_t>(targets[k] + 1);
                std::memcpy(record.data(), &entryId, sizeof entryId);
                if (fspos(handle, kMrrxWalkKey, record.data()) != host::kStatusExactMatch ||
                    fsget(handle, kMrrxWalkKey, record.data(), kMrrxRecordLength) <= 0) {
                    failure = -1;
                    break;
                }
                if (stamps[k] != 0 && StampOf(record) != stamps[k])
                    ++lost;
                ++counter;
                std::memcpy(record.data() + kStampOffset, &counter, kStampWidth);
                const int32_t status = fsupdate(handle, record.data(), kMrrxRecordLength);
                if (status == 0)
                    stamps[k] = counter;
                else if (status != host::kStatusRecordChanged)
                    failure = status;
                const timespec pause{0, 300 * 1000};
                nanosleep(&pause, nullptr);
            }
        }
        if (handle >= 0)
            fsclose(handle);
        const bool sent = ::write(m_result[1], &failure, sizeof failure) == sizeof failure &&
                          ::write(m_result[1], &lost, sizeof lost) == sizeof lost &&
                          ::write(m_result[1], stamps.data(), stamps.size() * sizeof(uint32_t)) ==
                              static_cast<ssize_t>(stamps.size() * sizeof(uint32_t));
        return sent ? 0 : 1;
    }

    std::size_t m_targets;
    int m_stop[2] = {-1, -1};
    int m_result[2] = {-1, -1};
    pid_t m_pid = -1;
};

constexpr int kEditedRuns = 10;
constexpr std::size_t kEditedMedications = 50;

TEST(ConcurrentEditTest, NoEditMadeWhileARepairRunsIsUndone) {
    const testsupport::TempFolder temp;
    const fs::path folder = testsupport::BuildHostFolder(
        temp.Path(), PracticeFixture({Scaled(3000, 600), kPracticeSeed + 1}));
    const CompleteRepair complete = RepairCopy(folder, temp.Path());
    ASSERT_GE(complete.changed.size(), kEditedMedications);
    const fs::path pristine = temp.Path() / "pristine";
    CopyFolder(folder, pristine);
    // Medications the repair changes, spread over the whole walk.
    std::vector<std::size_t> targets;
    for (std::size_t i = 0; i < kEditedMedications; ++i)
        targets.push_back(complete.changed[i * complete.changed.size() / kEditedMedications]);

    const std::string refused =
        "Failure updating MRRX99. Error Code:" + std::to_string(host::kStatusRecordChanged) + "\n";
    int stopped = 0;
    for (int run = 0; run < kEditedRuns; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        CopyFolder(pristine, folder);
        RestampingWriter writer(folder, targets);
        const ChildResult result = RunChild(CliOptions(folder, "repair"));
        const RestampingWriter::Outcome edits = writer.Stop();
        ASSERT_TRUE(edits.ran);
        ASSERT_EQ(edits.failure, 0);
        EXPECT_EQ(edits.lost, 0u) << "an edit made during the run was undone";

        // The run ran to its end, or stopped at a record edited under it.
        if (result.exitStatus != 0) {
            std::string message;
            ASSERT_TRUE(StoppedWithOneMessage(result, message));
            EXPECT_TRUE(message.starts_with(refused)) << message;
            ++stopped;
        }
        std::vector<std::string> records = MedicationRecords(folder);
        ASSERT_EQ(records.size(), complete.original.size());
        for (std::size_t k = 0; k < targets.size(); ++k)
            EXPECT_EQ(StampOf(records[targets[k]]), edits.stamps[k]) << "medication " << targets[k];
        // Apart from the stamps, each record is as it was or as repaired, and
        // each change has its lines.
        for (std::size_t k : targets)
            records[k].replace(kStampOffset, kStampWidth, complete.original[k], kStampOffset,
                               kStampWidth);
        std::vector<std::size_t> changed;
        ASSERT_TRUE(RecordsAreWhole(complete, records, changed));
        if (result.exitStatus == 0) {
            EXPECT_EQ(changed, complete.changed);
        }
        EXPECT_TRUE(DescribesChanges("the CSV report", FileBytesOrEmpty(folder / "Dosewright.csv"),
                                     complete.csvLine, changed, false));
        EXPECT_TRUE(DescribesChanges("the run log", FileBytesOrEmpty(folder / "Dosewright.log"),
                                     complete.logLine, changed, false));
    }
    std::printf("%d of %d repairs stopped at a medication edited under them\n", stopped,
                kEditedRuns);
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
        struct stat info {};
        while (first.Running() && !(::stat(csvPath.c_str(), &info) == 0 && info.st_size > 0))
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
