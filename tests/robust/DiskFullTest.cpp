// A repair that runs out of room while it writes: the run log or the CSV
// report reaches the size limit of the process, the file system that holds one
// of them is full, or the database folder's own file system is. The run stops
// with a clear message instead of reporting success, at most the medication in
// flight is changed without its lines, no line is left half written, and a
// run with room again finishes the job.
#include "robust/ChildProcess.h"
#include "robust/PracticeFixture.h"
#include "robust/RepairCheck.h"
#include "support/ExpectedTexts.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace robust {
namespace {

constexpr uint32_t kSeed = 90210;
constexpr int kMedications = 300;

// A tmpfs of a given size mounted for one test, unmounted when it is done.
class SmallFileSystem {
public:
    SmallFileSystem(const fs::path& mountPoint, const std::string& size) : m_path(mountPoint) {
        fs::create_directories(m_path);
        const std::string options = "size=" + size + ",mode=0700";
        if (::mount("tmpfs", m_path.c_str(), "tmpfs", 0, options.c_str()) == 0) {
            m_mounted = true;
        } else {
            m_error = std::strerror(errno);
        }
    }
    ~SmallFileSystem() {
        Unbind();
        if (m_mounted)
            ::umount2(m_path.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Error() const { return m_error; }
    const fs::path& Path() const { return m_path; }

    // Puts a file of this file system at `place` (a bind mount: the program
    // sees an ordinary file there, not a link).
    void BindFileAt(const fs::path& place) {
        const fs::path file = m_path / place.filename();
        testsupport::WriteFileBytes(file, "");
        testsupport::WriteFileBytes(place, "");
        ASSERT_EQ(::mount(file.c_str(), place.c_str(), nullptr, MS_BIND, nullptr), 0)
            << std::strerror(errno);
        m_bound.push_back(place);
    }
    // Puts a folder of this file system at `place`.
    void BindFolderAt(const fs::path& place) {
        const fs::path folder = m_path / place.filename();
        fs::create_directories(folder);
        fs::create_directories(place);
        ASSERT_EQ(::mount(folder.c_str(), place.c_str(), nullptr, MS_BIND, nullptr), 0)
            << std::strerror(errno);
        m_bound.push_back(place);
    }
    void Unbind() {
        for (const fs::path& place : m_bound)
            ::umount2(place.c_str(), MNT_DETACH);
        m_bound.clear();
    }

private:
    fs::path m_path;
    bool m_mounted = false;
    std::string m_error;
    std::vector<fs::path> m_bound;
};

#define MOUNT_OR_SKIP(fileSystem)                                                                  \
    if (!(fileSystem).Mounted())                                                                   \
    GTEST_SKIP() << "a small tmpfs cannot be mounted here (" << (fileSystem).Error()               \
                 << "); the full-file-system cases need the right to mount one"

std::string WriteFailure(const char* fileName, int error) {
    return std::string("Failure writing the ") + fileName +
           " file. Error Code:" + std::to_string(error) + "\n";
}

// Fills the file system of `folder` until only `room` bytes are left.
void LeaveRoom(const fs::path& folder, unsigned long long room) {
    struct statvfs info {};
    ASSERT_EQ(::statvfs(folder.c_str(), &info), 0);
    const unsigned long long free = static_cast<unsigned long long>(info.f_bavail) * info.f_frsize;
    if (free <= room)
        return;
    const int file = ::open((folder / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(file, 0);
    const std::string zeros(64 * 1024, '\0');
    for (unsigned long long left = free - room; left > 0;) {
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<unsigned long long>(left, zeros.size()));
        const ssize_t written = ::write(file, zeros.data(), chunk);
        if (written <= 0)
            break;
        left -= static_cast<unsigned long long>(written);
    }
    ::close(file);
}

class DiskFullTest : public testing::Test {
protected:
    void SetUp() override {
        m_folder =
            testsupport::BuildHostFolder(m_temp.Path(), PracticeFixture({kMedications, kSeed}));
        m_complete = RepairCopy(m_folder, m_temp.Path());
        ASSERT_GT(m_complete.changed.size(), 100u);
    }

    // The run stopped with `expected` at the beginning of its message, after
    // changing the first changes of a complete repair; returns them.
    std::vector<std::size_t> StoppedAfterSomeChanges(const ChildResult& result,
                                                     const std::string& expected) {
        std::string message;
        EXPECT_TRUE(StoppedWithOneMessage(result, message));
        EXPECT_TRUE(message.starts_with(expected)) << message;
        std::vector<std::size_t> changed;
        EXPECT_TRUE(RecordsAreWhole(m_complete, MedicationRecords(m_folder), changed));
        EXPECT_FALSE(changed.empty());
        EXPECT_LT(changed.size(), m_complete.changed.size());
        const std::vector<std::size_t> first(m_complete.changed.begin(),
                                             m_complete.changed.begin() +
                                                 static_cast<std::ptrdiff_t>(changed.size()));
        EXPECT_EQ(changed, first);
        return changed;
    }

    // A run with room again changes the rest and describes it.
    void RerunFinishes(const std::vector<std::size_t>& changedBefore) {
        const ChildResult rerun = RunChild(CliOptions(m_folder, "repair"));
        ASSERT_EQ(rerun.exitStatus, 0) << rerun.errors;
        EXPECT_EQ(MedicationRecords(m_folder), m_complete.repaired);
        EXPECT_TRUE(
            DescribesChanges("the CSV report", FileBytesOrEmpty(m_folder / "Dosewright.csv"),
                             m_complete.csvLine, Added(changedBefore, m_complete.changed), false));
    }

    std::string AllBut(const std::vector<std::string>& lines,
                       const std::vector<std::size_t>& changes) const {
        return LinesOf(lines, changes, changes.size() - 1);
    }

    testsupport::TempFolder m_temp;
    fs::path m_folder;
    CompleteRepair m_complete;
};

// The limit is set as ulimit -f sets it: the signal the system sends at the
// limit would end the program without a word unless it ignores it.
TEST_F(DiskFullTest, TheLogReachingTheFileSizeLimitStopsTheRun) {
    // An earlier run's log already fills the limit but for a dozen sentences.
    constexpr uint64_t kLimit = 4u << 20;
    const std::string earlierLine = "An earlier run's sentence.\r\n";
    std::string earlier;
    while (earlier.size() + earlierLine.size() < kLimit - 2500)
        earlier += earlierLine;
    testsupport::WriteFileBytes(m_folder / "Dosewright.log", earlier);

    ChildOptions options = CliOptions(m_folder, "repair");
    options.fileSizeLimit = kLimit;
    const std::vector<std::size_t> changed =
        StoppedAfterSomeChanges(RunChild(options), WriteFailure("Dosewright.log", EFBIG));
    ASSERT_FALSE(HasFailure());

    // The change in flight has its CSV line but no sentence; no sentence is cut short.
    EXPECT_TRUE(DescribesChanges("the CSV report", FileBytesOrEmpty(m_folder / "Dosewright.csv"),
                                 m_complete.csvLine, changed, false));
    const std::string log = FileBytesOrEmpty(m_folder / "Dosewright.log");
    EXPECT_TRUE(SameBytes(log, earlier + AllBut(m_complete.logLine, changed)));

    RerunFinishes(changed);
    EXPECT_TRUE(SameBytes(FileBytesOrEmpty(m_folder / "Dosewright.log"),
                          earlier + AllBut(m_complete.logLine, changed) +
                              LinesOf(m_complete.logLine, Added(changed, m_complete.changed),
                                      m_complete.changed.size())));
}

struct FullFileCase {
    const char* fileName;
    const char* size; // of the file system that holds it
};

void PrintTo(const FullFileCase& c, std::ostream* out) {
    *out << c.fileName << " on " << c.size;
}

class FullFileSystemTest : public DiskFullTest, public testing::WithParamInterface<FullFileCase> {};

TEST_P(FullFileSystemTest, StopsTheRunWithoutAHalfWrittenLine) {
    const FullFileCase& c = GetParam();
    SmallFileSystem small(m_temp.Path() / "small", c.size);
    MOUNT_OR_SKIP(small);
    small.BindFileAt(m_folder / c.fileName);
    ASSERT_FALSE(HasFailure());

    const std::vector<std::size_t> changed = StoppedAfterSomeChanges(
        RunChild(CliOptions(m_folder, "repair")), WriteFailure(c.fileName, ENOSPC));
    ASSERT_FALSE(HasFailure());

    // The CSV line comes first: a CSV report that cannot take it leaves the
    // change in flight without both lines, a full log without its sentence.
    const bool csvFull = std::string_view(c.fileName) == "Dosewright.csv";
    const std::string csv = FileBytesOrEmpty(m_folder / "Dosewright.csv");
    EXPECT_TRUE(SameBytes(csv, csvFull ? AllBut(m_complete.csvLine, changed)
                                       : LinesOf(m_complete.csvLine, changed, changed.size())));
    EXPECT_TRUE(SameBytes(FileBytesOrEmpty(m_folder / "Dosewright.log"),
                          AllBut(m_complete.logLine, changed)));

    small.Unbind();
    fs::remove(m_folder / c.fileName);
    RerunFinishes(changed);
}

INSTANTIATE_TEST_SUITE_P(Files, FullFileSystemTest,
                         testing::Values(FullFileCase{"Dosewright.csv", "8k"},
                                         FullFileCase{"Dosewright.log", "16k"}),
                         [](const testing::TestParamInfo<FullFileCase>& info) {
                             return std::string_view(info.param.fileName) == "Dosewright.csv"
                                        ? "Csv"
                                        : "Log";
                         });

// The journal comes first: a journal that cannot take a change stops the run
// before the change is made, so every change made is journaled and described,
// and an undo takes all of them back.
TEST_F(DiskFullTest, AFullJournalStopsTheRunBeforeTheChangeItCouldNotTake) {
    SmallFileSystem small(m_temp.Path() / "small", "64k");
    MOUNT_OR_SKIP(small);
    const std::vector<std::string> before = MedicationRecords(m_folder);
    small.BindFolderAt(m_folder / "DosewrightJournal");
    ASSERT_FALSE(HasFailure());

    const std::vector<std::size_t> changed = StoppedAfterSomeChanges(
        RunChild(CliOptions(m_folder, "repair")),
        "Failure writing the run journal. Error Code:" + std::to_string(ENOSPC) + "\n");
    ASSERT_FALSE(HasFailure());
    EXPECT_TRUE(DescribesChanges("the CSV report", FileBytesOrEmpty(m_folder / "Dosewright.csv"),
                                 m_complete.csvLine, changed, false));
    EXPECT_TRUE(DescribesChanges("the run log", FileBytesOrEmpty(m_folder / "Dosewright.log"),
                                 m_complete.logLine, changed, false));

    // With its journal moved where there is room, the stopped run is undone whole.
    const fs::path journal = m_temp.Path() / "journal";
    fs::copy(m_folder / "DosewrightJournal", journal);
    small.Unbind();
    fs::remove_all(m_folder / "DosewrightJournal");
    fs::rename(journal, m_folder / "DosewrightJournal");
    const ChildResult undo = RunChild(CliOptions(m_folder, "undo"));
    ASSERT_EQ(undo.exitStatus, 0) << undo.errors;
    // The journal had no room for the end of the run either.
    EXPECT_EQ(undo.output, "Number of Medications restored: " + std::to_string(changed.size()) +
                               "/" + std::to_string(changed.size()) + "\n" + expected::kCutOffNote +
                               "\nPlease refer to Dosewright.log for more details.\n");
    EXPECT_EQ(MedicationRecords(m_folder), before);
}

TEST_F(DiskFullTest, AFullDatabaseFolderStopsTheRunWithAMessageAndLosesNothing) {
    SmallFileSystem small(m_temp.Path() / "small", "6m");
    MOUNT_OR_SKIP(small);
    const fs::path pristine = m_temp.Path() / "pristine";
    CopyFolder(m_folder, pristine);
    m_folder = small.Path() / "orvale";

    // From no room at all, through room for the start-up only, to room for part
    // of the changes.
    int stoppedWithChangesMade = 0;
    for (const unsigned long long room :
         {0ull, 150ull << 10, 300ull << 10, 600ull << 10, 1200ull << 10}) {
        SCOPED_TRACE("room " + std::to_string(room));
        fs::remove(small.Path() / "filler");
        CopyFolder(pristine, m_folder);
        LeaveRoom(small.Path(), room);

        const ChildResult result = RunChild(CliOptions(m_folder, "repair"));
        const std::string csv = FileBytesOrEmpty(m_folder / "Dosewright.csv");
        const std::string log = FileBytesOrEmpty(m_folder / "Dosewright.log");
        const bool stopped = result.exitStatus != 0;
        if (stopped) {
            std::string message;
            EXPECT_TRUE(StoppedWithOneMessage(result, message));
        }
        // The tables are read with room again: opening one may need a little.
        fs::remove(small.Path() / "filler");
        std::vector<std::size_t> changed;
        ASSERT_TRUE(RecordsAreWhole(m_complete, MedicationRecords(m_folder), changed));
        if (stopped && !changed.empty())
            ++stoppedWithChangesMade;
        // Whatever stopped it, no change was lost or left undescribed but the
        // one in flight, and no line is half written.
        EXPECT_TRUE(DescribesChanges("the CSV report", csv, m_complete.csvLine, changed, stopped));
        EXPECT_TRUE(DescribesChanges("the run log", log, m_complete.logLine, changed, stopped));

        const ChildResult rerun = RunChild(CliOptions(m_folder, "repair"));
        ASSERT_EQ(rerun.exitStatus, 0) << rerun.errors;
        EXPECT_EQ(MedicationRecords(m_folder), m_complete.repaired);
    }
    EXPECT_GE(stoppedWithChangesMade, 2);
}

} // namespace
} // namespace robust
