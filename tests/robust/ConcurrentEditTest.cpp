// Repairs that run while another program keeps editing the medications they
// fix never undo an edit. The other program is a forked copy of this test, so
// the test is Linux only.
#include "robust/ChildProcess.h"
#include "robust/PracticeFixture.h"
#include "robust/RepairCheck.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include "data/HostLibraries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace robust {
namespace {

constexpr int32_t kMrrxRecordLength = 771; // one MRRX99 record
constexpr int32_t kMrrxWalkKey = 7;        // entry order
constexpr uint32_t kPracticeSeed = 20240611;

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

} // namespace
} // namespace robust
