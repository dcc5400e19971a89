// The start-up of the main dialog: runs once, before the window becomes visible.
#include <algorithm>
#include <cstring>

#include "app/DosewrightDlg.h"
#include "app/InstallationCheck.h"
#include "data/FormatText.h"
#include "platform/DialogWindow.h"
#include "platform/PathSeparator.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceIds.h"

namespace {

constexpr const char* kInstructionText =
    "The \"Dosewright\" button will fix any medications that have an invalid RxNorm ID value by "
    "changing the value to correct RxNorm ID or removing the RxNorm ID if no valid ID can be "
    "found.\nThe \"Report Medications\" button will perform the same procedure but will only "
    "report the medications with invalid RxNorm ID.";

constexpr const char* kBackupReminder =
    "Please make sure you have backed up your database before running the utility and pressing "
    "the \"Dosewright\" button";

constexpr const char* kReferenceFolder =
    "Interface" PLATFORM_PATH_SEPARATOR "SureScripts" PLATFORM_PATH_SEPARATOR
    "CrossRef" PLATFORM_PATH_SEPARATOR;

// The longest name the utility appends to the database folder: a reference file
// in Interface/SureScripts/CrossRef/. Every other name it appends is shorter.
std::size_t LongestAppendedName() {
    std::size_t longest = std::strlen(kUpdateHistoryName);
    for (const resources::ReferenceFile& file : resources::kReferenceFiles) {
        longest = std::max(longest, std::strlen(kReferenceFolder) + std::strlen(file.fileName));
    }
    return longest;
}

} // namespace

std::size_t LongestDatabaseFolder() {
    return host::kDatabasePathSize - 1 - LongestAppendedName();
}

void CDosewrightDlg::PrepareContext() {
    m_session.Begin();
    m_pInstructions = m_window.GetControl(res::IDC_STATIC);
    m_pStatus = m_window.GetControl(res::IDC_STATUS);
    m_pRepairButton = m_window.GetControl(res::IDOK);
    m_pReportButton = m_window.GetControl(res::IDC_REPORT);
}

// A database folder too long for the names the utility appends to it is refused
// here, once, so that no path is ever cut short or written past its buffer.
bool CDosewrightDlg::AcceptDatabaseFolder(const char* databaseFolder) {
    const std::size_t limit = LongestDatabaseFolder();
    if (std::strlen(databaseFolder) <= limit) {
        std::memset(m_szDbPath, 0, sizeof m_szDbPath);
        std::memcpy(m_szDbPath, databaseFolder, std::strlen(databaseFolder));
        return true;
    }
    ShowFailureBoxThenStatus(
        FormatText("The database folder %s is too long for this utility: it may have at most %zu "
                   "characters.\nPlease run the utility from an orvale folder with a shorter path.",
                   databaseFolder, limit));
    return false;
}

bool CDosewrightDlg::BlockStartup() {
    m_startup.state = StartupOutcome::State::Blocked;
    m_startup.failureText = StatusText();
    return true;
}

bool CDosewrightDlg::BeginStartup(char* databaseFolder, char* errorText) {
    // The system menu, its About item and the window icons belong to the window
    // and are set up by it before this runs.
    m_startup = StartupOutcome{};
    PrepareContext();

    m_pRepairButton->Enable(false);
    m_pReportButton->Enable(false);
    m_pInstructions->SetText(kInstructionText);

    ShowMessage(kBackupReminder, nullptr);

    std::memset(errorText, 0, host::kErrorTextSize);
    InitMidWare(host::kMidWareInitArgument);

    if (!AskDatabaseFolder(databaseFolder, errorText)) {
        ShowFailureBoxThenStatus(errorText);
        return false;
    }
    return AcceptDatabaseFolder(databaseFolder);
}

// Returns true on every path: the window opens either way, and how the start
// ended is kept in m_startup for the front ends.
bool CDosewrightDlg::OnInitDialog() {
    char databaseFolder[host::kDatabasePathSize] = {};
    char errorText[host::kErrorTextSize] = {};
    if (!BeginStartup(databaseFolder, errorText))
        return BlockStartup();
    if (!VerifyInstallation(*this, databaseFolder))
        return BlockStartup();
    if (!DeployReferenceFiles())
        return BlockStartup();
    if (!OpenDatabase(host::kDataSet, databaseFolder, errorText)) {
        BlockStartup();
        // Only the drug dictionary failed: a repair it spoilt can still be taken back.
        if (m_session.MedicationTable() >= 0)
            m_startup.state = StartupOutcome::State::UndoOnly;
        return true;
    }

    m_pRepairButton->Enable(true);
    m_pReportButton->Enable(true);
    m_startup.state = StartupOutcome::State::Ready;
    return true;
}

bool CDosewrightDlg::OnInitForUndo() {
    char databaseFolder[host::kDatabasePathSize] = {};
    char errorText[host::kErrorTextSize] = {};
    if (!BeginStartup(databaseFolder, errorText))
        return BlockStartup();
    if (!m_session.OpenFileSet(host::kDataSet, errorText)) {
        ShowFailureBoxThenStatus(errorText);
        return BlockStartup();
    }
    m_startup.state = StartupOutcome::State::UndoOnly;
    return true;
}
