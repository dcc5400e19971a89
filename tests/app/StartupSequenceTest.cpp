// The start-up of the main dialog on real host folders, with the host's own
// libraries and the tests' window: what the user sees, in which order, and
// where the start stops.
#include "support/ExpectedTexts.h"
#include "support/ScopedEnvironment.h"
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/DosewrightDlg.h"
#include "fakes/FakeDialogWindow.h"
#include "platform/LibraryLoader.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceIds.h"
#include "support/HostFolder.h"
#include "support/SystemErrors.h"
#include "support/TempFolder.h"

namespace {

using expected::kBackupReminder;
using expected::kDrugInteractionOutdated;
using expected::kInstructions;
using expected::kNoUpdateHistory;
using expected::kPatchLevelMissing;

namespace fs = std::filesystem;
using fakes::Box;
using fakes::Status;
using fakes::WindowEvent;
using nlohmann::json;

const std::string kErrorTitle = "Dosewright Error";

// The longest name the utility appends to the database folder is
// "Interface/SureScripts/CrossRef/SureScripts_MedForms_ProviderTerms.ref" (69
// characters); with it every path must fit a 260-character buffer.
constexpr std::size_t kLongestDatabaseFolder = 259 - 69;

WindowEvent Enabled(int controlId, bool enabled) {
    return WindowEvent{WindowEvent::Kind::Enable, controlId, {}, std::nullopt, enabled};
}

// What every start shows before its first failure can occur.
std::vector<WindowEvent> StartEvents() {
    return {Enabled(res::IDOK, false), Enabled(res::IDC_REPORT, false),
            WindowEvent{WindowEvent::Kind::SetText, res::IDC_STATIC, kInstructions, std::nullopt,
                        false},
            Box(kBackupReminder, std::nullopt)};
}

std::vector<WindowEvent> FailedStartEvents(const std::string& box, const std::string& status) {
    std::vector<WindowEvent> events = StartEvents();
    events.push_back(Box(box, kErrorTitle));
    events.push_back(Status(status));
    return events;
}

using testsupport::ScopedEnvironment;

// One start of the dialog on `folder` (named by ORVALE_DB); the dialog is left
// as the start left it, and closed again by the destructor as Exit would.
struct Start {
    explicit Start(const fs::path& folder)
        : databaseFolder("ORVALE_DB", folder.string()),
          dialog(window, platform::SystemLibraryLoader()) {
        EXPECT_TRUE(dialog.OnInitDialog());
    }
    ~Start() { dialog.OnBnClickedExit(); }

    ScopedEnvironment databaseFolder;
    fakes::FakeDialogWindow window;
    CDosewrightDlg dialog;
};

bool AllReferenceFilesPresent(const fs::path& folder) {
    for (const resources::ReferenceFile& file : resources::kReferenceFiles) {
        if (!fs::is_regular_file(folder / "Interface/SureScripts/CrossRef" / file.fileName))
            return false;
    }
    return true;
}

// A host folder whose path, with its trailing separator, is exactly `length` characters.
fs::path BuildFolderOfLength(const testsupport::TempFolder& temp, std::size_t length) {
    const std::size_t base = temp.Path().string().size() + 1;
    EXPECT_GT(length, base + 1) << "the temporary folder's path is too long for this test";
    return testsupport::BuildHostFolder(temp.Path(), json::object(),
                                        std::string(length - base - 1, 'p'));
}

TEST(StartupSequence, SuccessEnablesBothActionsAndLeavesTheStatusAlone) {
    testsupport::TempFolder temp;
    const fs::path folder = testsupport::BuildHostFolder(temp.Path(), json::object());
    Start start(folder);

    std::vector<WindowEvent> expected = StartEvents();
    expected.push_back(Enabled(res::IDOK, true));
    expected.push_back(Enabled(res::IDC_REPORT, true));
    EXPECT_EQ(start.window.Events(), expected);
    EXPECT_EQ(start.window.StatusText(), "Status:");
    EXPECT_EQ(start.dialog.Startup().state, StartupOutcome::State::Ready);
    EXPECT_EQ(start.dialog.Startup().failureText, "");
    EXPECT_EQ(std::string(start.dialog.DatabasePath()), testsupport::WithSeparator(folder));
    EXPECT_TRUE(AllReferenceFilesPresent(folder));
    const HostSession& session = start.dialog.Session();
    for (TableHandle handle : {session.MedicationTable(), session.PatientTable(),
                               session.DrugTable(), session.NdcTable(), session.RxNormTable()})
        EXPECT_GE(handle, 0);
    EXPECT_FALSE(start.dialog.Files().IsLogOpen() || start.dialog.Files().IsCsvOpen());
}

// How a start ended, as the front ends see it: Blocked (or UndoOnly, when only
// the drug dictionary failed), with the failure the status line shows.
void ExpectBlocked(const Start& start,
                   StartupOutcome::State state = StartupOutcome::State::Blocked) {
    EXPECT_EQ(start.dialog.Startup().state, state);
    EXPECT_FALSE(start.dialog.Startup().IsReady());
    ASSERT_FALSE(start.window.Events().empty());
    EXPECT_EQ(start.window.Events().back(), Status(start.dialog.Startup().failureText));
}

// Each failing step shows its own message once, after the backup reminder; the
// steps after it do not run, and the actions stay disabled.
TEST(StartupSequence, EachFailureStopsTheStartWithItsOwnMessage) {
    // FileSetOpened: the files deployed and the medication table open, so undo can still run.
    enum class Reached { Nothing, InstallationChecked, FilesDeployed, FileSetOpened };
    const struct {
        const char* what;
        json fixture;
        std::function<void(const fs::path&)> spoil;
        std::function<std::string(const fs::path&)> message; // nullptr: the host's own text
        Reached reached;
    } cases[] = {
        {"no update history",
         {{"installation", {{"updateHistory", nullptr}}}},
         nullptr,
         [](const fs::path&) { return kNoUpdateHistory; },
         Reached::Nothing},
        {"outdated drug-interaction data",
         {{"installation", {{"drugInteractionVersionOk", false}}}},
         nullptr,
         [](const fs::path&) { return kDrugInteractionOutdated; },
         Reached::Nothing},
        {"patch level missing",
         {{"installation", {{"updateHistory", "<Update title=\"10 patches 07/31/2019\"/>"}}}},
         nullptr,
         [](const fs::path&) { return kPatchLevelMissing; },
         Reached::Nothing},
        {"a file named Interface", json::object(),
         [](const fs::path& folder) { testsupport::WriteFileBytes(folder / "Interface", "x"); },
         [](const fs::path& folder) {
             return "Failure creating directory " + folder.string() + testsupport::kSeparator +
                    "Interface" + testsupport::kSeparator +
                    "SureScripts. Error Code: " + std::to_string(testsupport::kErrorBelowAFile) +
                    "\nPlease verify you have the access to create directories in the orvale "
                    "folder.";
         },
         Reached::InstallationChecked},
        {"no drug dictionary", json::object(),
         [](const fs::path& folder) { fs::remove(folder / "MRDD99"); }, nullptr,
         Reached::FileSetOpened},
        {"no medication table", json::object(),
         [](const fs::path& folder) { fs::remove(folder / "MRRX99"); }, nullptr,
         Reached::FilesDeployed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempFolder temp;
        const fs::path folder = testsupport::BuildHostFolder(temp.Path(), c.fixture);
        if (c.spoil)
            c.spoil(folder);
        Start start(folder);

        const std::vector<WindowEvent>& events = start.window.Events();
        ASSERT_EQ(events.size(), StartEvents().size() + 2);
        if (c.message) {
            const std::string message = c.message(folder);
            const std::string status = message;
            EXPECT_EQ(events, FailedStartEvents(message, status));
        } else {
            // The host's or the record manager's own text, shown unchanged.
            EXPECT_EQ(events, FailedStartEvents(events[4].text, events[4].text));
            EXPECT_FALSE(events[4].text.empty());
        }
        EXPECT_FALSE(start.window.IsEnabled(res::IDOK));
        EXPECT_FALSE(start.window.IsEnabled(res::IDC_REPORT));
        EXPECT_TRUE(start.window.IsEnabled(res::IDCANCEL));
        EXPECT_EQ(fs::exists(folder / "Interface/SureScripts/CrossRef"),
                  c.reached >= Reached::FilesDeployed);
        EXPECT_EQ(start.dialog.Session().RxNormTable(), -1) << "the reference tables were opened";
        ExpectBlocked(start, c.reached == Reached::FileSetOpened ? StartupOutcome::State::UndoOnly
                                                                 : StartupOutcome::State::Blocked);
    }
}

// The host reports the failure by raising an exception: one of this compiler's,
// or (on Windows) a structured exception as another compiler's code raises it.
TEST(StartupSequence, DatabaseFolderTheHostCannotFindStopsWithItsText) {
    std::vector<const char*> raiseModes = {"thrown"};
#if defined(_WIN32)
    raiseModes.push_back("structured");
#endif
    for (const char* mode : raiseModes) {
        SCOPED_TRACE(mode);
        const testsupport::ScopedEnvironment raise("OVUTILITIES_RAISE", mode);
        testsupport::TempFolder temp;
        const fs::path folder = temp / "absent";
        Start start(folder);

        const std::vector<WindowEvent>& events = start.window.Events();
        ASSERT_EQ(events.size(), StartEvents().size() + 2);
        EXPECT_EQ(events, FailedStartEvents(events[4].text, events[4].text));
        EXPECT_NE(events[4].text.find(folder.string()), std::string::npos) << events[4].text;
        EXPECT_FALSE(start.window.IsEnabled(res::IDOK));
        ExpectBlocked(start);
        EXPECT_FALSE(fs::exists(folder));
    }
}

// The folder may be as long as leaves room for the longest name appended to it,
// and not one character longer: nothing is ever cut short or written past a buffer.
TEST(StartupSequence, DatabaseFolderLengthIsLimitedByTheLongestAppendedName) {
    {
        SCOPED_TRACE("the longest folder accepted");
        testsupport::TempFolder temp;
        const fs::path folder = BuildFolderOfLength(temp, kLongestDatabaseFolder);
        Start start(folder);
        EXPECT_TRUE(start.window.IsEnabled(res::IDOK));
        EXPECT_TRUE(start.dialog.Startup().IsReady());
        EXPECT_TRUE(start.window.MessageBoxes().size() == 1)
            << ::testing::PrintToString(start.window.MessageBoxes());
        EXPECT_TRUE(AllReferenceFilesPresent(folder));
    }
    {
        SCOPED_TRACE("one character longer");
        testsupport::TempFolder temp;
        const fs::path folder = BuildFolderOfLength(temp, kLongestDatabaseFolder + 1);
        Start start(folder);
        const std::string message =
            "The database folder " + testsupport::WithSeparator(folder) +
            " is too long for this utility: it may have at most " +
            std::to_string(kLongestDatabaseFolder) +
            " characters.\nPlease run the utility from an orvale folder with a shorter path.";
        EXPECT_EQ(start.window.Events(), FailedStartEvents(message, message));
        ExpectBlocked(start);
        EXPECT_FALSE(fs::exists(folder / "Interface"));
    }
}

} // namespace
