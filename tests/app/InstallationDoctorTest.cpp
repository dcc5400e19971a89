// The installation check a technician runs first, on a whole host folder with the
// host's libraries: each way a practice can be unfit for a run is named by the one
// check it concerns, and nothing in the folder changes.
#include "app/InstallationDoctor.h"
#include "platform/FileSystem.h"
#include "platform/LibraryLoader.h"
#include "support/HostFolder.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;

// Every file of the folder and its bytes.
std::map<std::string, std::string> FolderContents(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            contents[fs::relative(entry.path(), folder).generic_string()] =
                testsupport::ReadFileBytes(entry.path());
    }
    return contents;
}

struct DoctorCase {
    const char* name;
    std::function<void(const fs::path& folder, platform::RunLock& lock)> spoil;
    const char* failingCheck; // nullptr: every check passes
};

TEST(InstallationDoctor, NamesTheOneCheckEachFaultConcernsAndChangesNothing) {
    const DoctorCase cases[] = {
        {"a practice fit for a run", [](const fs::path&, platform::RunLock&) {}, nullptr},
        {"no update history",
         [](const fs::path& folder, platform::RunLock&) {
             fs::remove(folder / "Updater" / "ProductUpdates.ovupdate");
         },
         "update history"},
        {"an update history without the patch set",
         [](const fs::path& folder, platform::RunLock&) {
             testsupport::WriteFileBytes(folder / "Updater" / "ProductUpdates.ovupdate",
                                         "<Updates></Updates>");
         },
         "update history"},
        {"an outdated drug-interaction version",
         [](const fs::path& folder, platform::RunLock&) {
             testsupport::WriteFileBytes(folder / "DrugInteraction.version", "2018.1.0");
         },
         "drug-interaction version"},
        {"no drug table",
         [](const fs::path& folder, platform::RunLock&) { fs::remove(folder / "MRDD99"); },
         "MRDD99"},
        {"a run in progress",
         [](const fs::path& folder, platform::RunLock& lock) {
             ASSERT_EQ(lock.Acquire((folder / "Dosewright.lock").string().c_str()),
                       platform::RunLock::Result::Acquired);
         },
         "run lock"},
        {"a journal folder that is a file",
         [](const fs::path& folder, platform::RunLock&) {
             testsupport::WriteFileBytes(folder / "DosewrightJournal", "not a folder");
         },
         "journal folder"},
    };
    for (const DoctorCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempFolder temp;
        const fs::path folder =
            testsupport::BuildHostFolder(temp.Path(), testsupport::WindowPracticeFixture());
        platform::RunLock otherRun;
        c.spoil(folder, otherRun);
        const testsupport::ScopedEnvironment databaseFolder("ORVALE_DB", folder.string());
        const auto before = FolderContents(folder);

        HostLibraryCheck libraries(platform::SystemLibraryLoader(), platform::ProgramFolder());
        libraries.Run();
        InstallationDoctor doctor(platform::SystemLibraryLoader(), libraries);
        EXPECT_EQ(doctor.Run(), c.failingCheck == nullptr);

        int failures = 0;
        for (const DoctorFinding& finding : doctor.Findings()) {
            SCOPED_TRACE(finding.check + ": " + finding.detail);
            const bool concerned = c.failingCheck != nullptr && finding.check == c.failingCheck;
            EXPECT_EQ(finding.ok, !concerned);
            failures += finding.ok ? 0 : 1;
        }
        EXPECT_EQ(failures, c.failingCheck == nullptr ? 0 : 1);
        // All the checks ran: the four libraries, the folder, the history, the
        // version, five tables, the lock, the journal folder, the disk.
        EXPECT_EQ(doctor.Findings().size(), 15u);
        EXPECT_EQ(FolderContents(folder), before);
    }
}

// Without a database folder nothing of the practice can be checked; the
// libraries still are.
TEST(InstallationDoctor, AFolderTheHostCannotFindEndsTheChecksWithItsText) {
    testsupport::TempFolder temp;
    const fs::path absent = temp.Path() / "absent";
    const testsupport::ScopedEnvironment databaseFolder("ORVALE_DB", absent.string());
    HostLibraryCheck libraries(platform::SystemLibraryLoader(), platform::ProgramFolder());
    libraries.Run();
    InstallationDoctor doctor(platform::SystemLibraryLoader(), libraries);
    EXPECT_FALSE(doctor.Run());
    ASSERT_EQ(doctor.Findings().size(), 5u);
    const DoctorFinding& last = doctor.Findings().back();
    EXPECT_EQ(last.check, "database folder");
    EXPECT_FALSE(last.ok);
    EXPECT_NE(last.detail.find(absent.string()), std::string::npos) << last.detail;
    EXPECT_FALSE(fs::exists(absent));
}

} // namespace
