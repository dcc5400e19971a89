// The installation checks on host folders built by hostkit, with the tests'
// window and, where a test decides what the utility library answers, the tests'
// library loader.
#include "app/InstallationCheck.h"
#include "data/HostLibraries.h"
#include "support/ExpectedTexts.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/DosewrightDlg.h"
#include "data/HostLibraries.h"
#include "fakes/FailingFileSystem.h"
#include "fakes/FakeDialogWindow.h"
#include "fakes/FakeLibraryLoader.h"
#include "platform/LibraryLoader.h"
#include "resources/ResourceIds.h"
#include "support/HostFolder.h"
#include "support/SystemErrors.h"
#include "support/TempFolder.h"

namespace {

using expected::kDrugInteractionOutdated;
using expected::kNoUpdateHistory;
using expected::kPatchLevelMissing;

namespace fs = std::filesystem;
using fakes::Box;
using fakes::Status;
using fakes::WindowEvent;
using nlohmann::json;
using namespace std::string_literals;

const std::string kLibraryNotLoaded =
    "Please verify you are running this utility in your orvale folder and download and installed "
    "all of the patches, and you have download and installed the latest version of Tessaly - Drug "
    "Interaction Installer.";
const std::string kEntryPointMissing = "1" + kLibraryNotLoaded;
const std::string kErrorTitle = "Dosewright Error";

std::string CannotOpen(const std::string& path) {
    return "Failure opening file:" + path + "\nPlease verify that you have access to this file.";
}

std::vector<WindowEvent> Failure(const std::string& box, const std::string& status) {
    return {Box(box, kErrorTitle), Status(status)};
}

// The answer of the version entry point the tests hand out, and what it saw.
int32_t g_versionAnswer = 0;
int g_versionCalls = 0;
bool g_versionBufferZeroed = false;

// With the host's calling convention, as the utility calls it.
int32_t HOST_CALL FakeVerifyVersion(char* versionText) {
    ++g_versionCalls;
    g_versionBufferZeroed = true;
    for (int i = 0; i < host::kVersionCheckBufferSize; ++i) {
        g_versionBufferZeroed = g_versionBufferZeroed && versionText[i] == '\0';
    }
    // The library may fill the whole buffer; a smaller one would be overrun here.
    for (int i = 0; i < host::kVersionCheckBufferSize - 1; ++i) {
        versionText[i] = 'v';
    }
    return g_versionAnswer;
}

using testsupport::ScopedEnvironment;

class InstallationCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_versionAnswer = 0;
        g_versionCalls = 0;
        g_versionBufferZeroed = false;
        const host::VerifyDrugIntVersionFn verify = &FakeVerifyVersion;
        m_loader.entryPoint = reinterpret_cast<void*>(verify);
        m_dialog.PrepareContext();
    }

    // A host folder of `fixture`, as the database folder string (ending with its separator).
    std::string BuildFolder(const json& fixture = json::object()) {
        m_folder = testsupport::BuildHostFolder(m_temp.Path(), fixture);
        return testsupport::WithSeparator(m_folder);
    }
    fs::path UpdateHistory() const { return m_folder / "Updater" / "ProductUpdates.ovupdate"; }

    bool Verify(const std::string& databaseFolder) {
        return VerifyInstallation(m_dialog, databaseFolder.c_str());
    }

    testsupport::TempFolder m_temp;
    fs::path m_folder;
    fakes::FakeDialogWindow m_window;
    fakes::FakeLibraryLoader m_loader;
    CDosewrightDlg m_dialog{m_window, m_loader};
};

TEST_F(InstallationCheckTest, CurrentInstallationPassesSilently) {
    const std::string folder = BuildFolder();
    EXPECT_TRUE(Verify(folder));
    EXPECT_TRUE(m_window.Events().empty());
    EXPECT_EQ(m_loader.calls,
              (std::vector<std::string>{
                  "load OVUtilities", std::string("find ") + host::kVerifyDrugIntVersionEntryPoint,
                  "release"}));
    EXPECT_EQ(m_loader.OpenHandles(), 0);
    EXPECT_EQ(g_versionCalls, 1);
    EXPECT_TRUE(g_versionBufferZeroed) << "the version buffer must be 1000 zero bytes";
}

const std::string kUpperMarker = "TITLE=\"11 PATCHES 10/31/2019";

// Only the marker decides, searched case-insensitively in the text up to the
// first NUL byte. The file itself is never changed.
TEST_F(InstallationCheckTest, PatchLevelIsTheMarkerAnywhereInTheText) {
    const std::string folder = BuildFolder();
    const struct {
        const char* what;
        std::string content;
        bool passes;
    } cases[] = {
        {"the marker with its closing quote", "<Update title=\"11 patches 10/31/2019\"/>", true},
        {"upper case", "<UPDATE TITLE=\"11 PATCHES 10/31/2019\"/>", true},
        {"mixed case", "<Update Title=\"11 Patches 10/31/2019\"/>", true},
        {"a title that continues after 2019", "<Update title=\"11 patches 10/31/2019 rollup 2\"/>",
         true},
        {"the marker as the last bytes of the file", "xx title=\"11 patches 10/31/2019", true},
        {"Windows-1252 bytes around the marker",
         "\x93\xe9\xc9 title=\"11 patches 10/31/2019\" \x94\xff", true},
        {"a NUL byte after the marker", "title=\"11 patches 10/31/2019\"\0more"s, true},
        {"an empty file", "", false},
        {"only older patch titles", "<Update title=\"10 patches 07/31/2019\"/>", false},
        {"another year", "<Update title=\"11 patches 10/31/2018\"/>", false},
        {"single quotes", "<Update title='11 patches 10/31/2019'/>", false},
        {"blanks around the equals sign", "<Update title = \"11 patches 10/31/2019\"/>", false},
        {"two blanks inside the title", "<Update title=\"11  patches 10/31/2019\"/>", false},
        {"the marker behind a NUL byte", "<?xml?>\0<Update title=\"11 patches 10/31/2019\"/>"s,
         false},
        {"the marker cut short", "<Update title=\"11 patches 10/31/201", false},
        // The file is read in chunks: a marker may lie across any two of them.
        {"the marker across 4 KiB", std::string(4086, 'x') + kUpperMarker, true},
        {"the marker across 64 KiB", std::string(65522, 'x') + kUpperMarker, true},
        {"the marker after its first byte at 64 KiB", std::string(65535, 'x') + kUpperMarker, true},
        {"the marker ending at 64 KiB", std::string(65508, 'x') + kUpperMarker, true},
        {"the marker starting at 64 KiB", std::string(65536, 'x') + kUpperMarker, true},
        {"the marker megabytes in", std::string(3 << 20, 'x') + kUpperMarker, true},
        {"the marker across 64 KiB, cut by a NUL byte",
         std::string(65522, 'x') + "TITLE=\"11 PATCH\0ES 10/31/2019"s, false},
        {"the marker behind a NUL byte in a later chunk",
         std::string(70000, 'x') + "\0"s + kUpperMarker, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::WriteFileBytes(UpdateHistory(), c.content);
        m_window.ClearEvents();

        EXPECT_EQ(Verify(folder), c.passes);
        if (c.passes)
            EXPECT_TRUE(m_window.Events().empty());
        else
            EXPECT_EQ(m_window.Events(), Failure(kPatchLevelMissing, kPatchLevelMissing));
        EXPECT_EQ(testsupport::ReadFileBytes(UpdateHistory()), c.content);
        EXPECT_EQ(m_loader.OpenHandles(), 0);
    }
}

#if !defined(_WIN32) // the C runtime there makes a larger file by writing its zeros
// However large the file, the search takes no more than a small buffer: a
// sparse file of 200 GB (zeros, taking no disk) is a text that ends at once.
TEST_F(InstallationCheckTest, AHugeUpdateHistoryIsSearchedWithoutReadingItWhole) {
    const std::string folder = BuildFolder();
    for (const std::string& start : {""s, "<Update title=\"10 patches 07/31/2019\"/>"s}) {
        SCOPED_TRACE(start);
        testsupport::WriteFileBytes(UpdateHistory(), start);
        fs::resize_file(UpdateHistory(), 200ULL << 30);
        m_window.ClearEvents();
        EXPECT_FALSE(Verify(folder));
        EXPECT_EQ(m_window.Events(), Failure(kPatchLevelMissing, kPatchLevelMissing));
    }
}
#endif

TEST_F(InstallationCheckTest, MissingUpdateHistoryStopsBeforeTheLibrary) {
    const struct {
        const char* what;
        std::string folder;
    } cases[] = {
        {"no update-history file", BuildFolder({{"installation", {{"updateHistory", nullptr}}}})},
        {"no database folder", testsupport::WithSeparator(m_temp / "absent")},
        // Its update-history path does not fit the 260-character buffer.
        {"a database folder too long for the file name",
         testsupport::WithSeparator(m_folder / std::string(240, 'd'))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_window.ClearEvents();
        m_loader.calls.clear();
        EXPECT_FALSE(Verify(c.folder));
        EXPECT_EQ(m_window.Events(), Failure(kNoUpdateHistory, kNoUpdateHistory));
        EXPECT_TRUE(m_loader.calls.empty());
    }
}

TEST_F(InstallationCheckTest, UpdateHistoryThatCannotBeOpenedForWritingFailsWithItsPath) {
    const std::string folder = BuildFolder();
    const std::string path = UpdateHistory().string();
    const std::string content = testsupport::ReadFileBytes(UpdateHistory());

    {
        SCOPED_TRACE("read-only");
        ASSERT_TRUE(testsupport::SetReadOnly(path, true));
        EXPECT_FALSE(Verify(folder));
        EXPECT_EQ(m_window.Events(), Failure(CannotOpen(path), CannotOpen(path)));
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none)
            << "still read-only";
        EXPECT_EQ(testsupport::ReadFileBytes(UpdateHistory()), content);
        ASSERT_TRUE(testsupport::SetReadOnly(path, false));
    }
    {
        SCOPED_TRACE("held open by another program");
        {
            const testsupport::HeldOpen other(path);
            ASSERT_TRUE(other.Holds());
            m_window.ClearEvents();
            EXPECT_FALSE(Verify(folder));
            EXPECT_EQ(m_window.Events(), Failure(CannotOpen(path), CannotOpen(path)));
        }
        m_window.ClearEvents();
        EXPECT_TRUE(Verify(folder)) << "once the other program let go, the check passes";
    }
    {
        SCOPED_TRACE("a folder of that name");
        fs::remove(UpdateHistory());
        fs::create_directory(UpdateHistory());
        m_window.ClearEvents();
        EXPECT_FALSE(Verify(folder));
        EXPECT_EQ(m_window.Events(), Failure(CannotOpen(path), CannotOpen(path)));
    }
    EXPECT_EQ(m_loader.OpenHandles(), 0);
}

// A read or a close of the update history that fails once the file is open
// names the file in a box of its own title; the file is left as it was.
TEST_F(InstallationCheckTest, UpdateHistoryThatFailsOnceOpenIsAFileErrorWithItsPath) {
    const std::string folder = BuildFolder();
    const std::string path = UpdateHistory().string();
    // No marker in the first 64 KiB chunk, so that the search reads a second one.
    const std::string content =
        std::string(70000, ' ') + testsupport::ReadFileBytes(UpdateHistory());
    testsupport::WriteFileBytes(UpdateHistory(), content);
    const struct {
        const char* what;
        platform::FileCall call;
        int nth;
    } cases[] = {
        {"the first read", platform::FileCall::Read, 1},
        {"the second read", platform::FileCall::Read, 2},
        {"the close", platform::FileCall::Close, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_window.ClearEvents();
        const fakes::FailingFileSystem disk(c.call, "ProductUpdates.ovupdate", EIO, c.nth);
        EXPECT_FALSE(Verify(folder));
        EXPECT_EQ(disk.Calls(), c.nth);
        EXPECT_EQ(m_window.Events(),
                  (std::vector<WindowEvent>{Box(path, "Dosewright File Error"), Status(path)}));
        EXPECT_EQ(testsupport::ReadFileBytes(UpdateHistory()), content);
    }
    m_window.ClearEvents();
    EXPECT_TRUE(Verify(folder)) << "the same file passes once the disk reads it";
    EXPECT_EQ(m_loader.OpenHandles(), 0);
}

TEST_F(InstallationCheckTest, UtilityLibraryThatCannotBeLoaded) {
    const std::string folder = BuildFolder();
    m_loader.loadable = false;
    EXPECT_FALSE(Verify(folder));
    EXPECT_EQ(m_window.Events(), Failure(kLibraryNotLoaded, kDrugInteractionOutdated));
    EXPECT_EQ(m_loader.calls, std::vector<std::string>{"load OVUtilities"});
}

TEST_F(InstallationCheckTest, MissingVersionEntryPointReleasesTheLibraryFirst) {
    const std::string folder = BuildFolder();
    m_loader.entryPoint = nullptr;
    std::optional<std::size_t> eventsAtRelease;
    m_loader.onRelease = [&] { eventsAtRelease = m_window.Events().size(); };

    EXPECT_FALSE(Verify(folder));
    EXPECT_EQ(m_window.Events(), Failure(kEntryPointMissing, kDrugInteractionOutdated));
    EXPECT_EQ(m_loader.calls,
              (std::vector<std::string>{
                  "load OVUtilities", std::string("find ") + host::kVerifyDrugIntVersionEntryPoint,
                  "release"}));
    EXPECT_EQ(eventsAtRelease, std::optional<std::size_t>(0)) << "released before the message";
    EXPECT_EQ(m_loader.OpenHandles(), 0);
}

// Only 0 passes. The version is checked before the update history is read, so an
// old drug-interaction version is what is reported even when the patch level or
// the file is wrong as well.
TEST_F(InstallationCheckTest, VersionAnswerOtherThanZeroFailsBeforeTheFileIsRead) {
    const std::string folder = BuildFolder();
    const struct {
        const char* what;
        std::string content;
        bool readOnly;
    } files[] = {
        {"a current update history", testsupport::ReadFileBytes(UpdateHistory()), false},
        {"an update history without the marker", "<Update title=\"9 patches\"/>", false},
        {"a read-only update history", "<Update title=\"9 patches\"/>", true},
    };
    for (const int32_t answer : {1, -1, 2, INT32_MIN, INT32_MAX}) {
        for (const auto& file : files) {
            SCOPED_TRACE(std::string(file.what) + ", answer " + std::to_string(answer));
            testsupport::SetReadOnly(UpdateHistory(), false);
            testsupport::WriteFileBytes(UpdateHistory(), file.content);
            testsupport::SetReadOnly(UpdateHistory(), file.readOnly);
            g_versionAnswer = answer;
            m_window.ClearEvents();
            std::optional<std::size_t> eventsAtRelease;
            m_loader.onRelease = [&] { eventsAtRelease = m_window.Events().size(); };

            EXPECT_FALSE(Verify(folder));
            EXPECT_EQ(m_window.Events(),
                      Failure(kDrugInteractionOutdated, kDrugInteractionOutdated));
            EXPECT_EQ(eventsAtRelease, std::optional<std::size_t>(0));
            EXPECT_EQ(m_loader.OpenHandles(), 0);
        }
    }
}

// The host's own utility library, loaded by the system's loader, judges the
// drug-interaction version recorded in the database folder it is pointed at.
TEST(InstallationCheckWithHostLibrary, DrugInteractionVersionOfTheHostFolder) {
    for (const bool versionOk : {true, false}) {
        SCOPED_TRACE(versionOk ? "current version" : "outdated version");
        testsupport::TempFolder temp;
        const fs::path folder = testsupport::BuildHostFolder(
            temp.Path(), {{"installation", {{"drugInteractionVersionOk", versionOk}}}});
        const ScopedEnvironment databaseFolder("ORVALE_DB", folder.string());
        fakes::FakeDialogWindow window;
        CDosewrightDlg dialog(window, platform::SystemLibraryLoader());
        dialog.PrepareContext();

        EXPECT_EQ(VerifyInstallation(dialog, testsupport::WithSeparator(folder).c_str()),
                  versionOk);
        if (versionOk)
            EXPECT_TRUE(window.Events().empty());
        else
            EXPECT_EQ(window.Events(), Failure(kDrugInteractionOutdated, kDrugInteractionOutdated));
    }
}

} // namespace
