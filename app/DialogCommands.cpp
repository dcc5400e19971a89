// The commands of the main dialog: its buttons, the repair of approved changes
// and the window menu's undo and run summary.
#include <utility>

#include "app/DosewrightDlg.h"
#include "data/FormatText.h"
#include "platform/DialogWindow.h"
#include "repair/RunBreakdown.h"
#include "repair/RunJournal.h"
#include "repair/RunJournalReader.h"
#include "repair/RunSummaryPage.h"
#include "repair/RunSummaryText.h"
#include "repair/UndoRun.h"

bool CDosewrightDlg::OnBnClickedRepair() {
    int32_t examined = 0;
    int32_t affected = 0;
    if (!ScanMedications(examined, affected, 0))
        return false; // the status line keeps the failure the scan showed
    SetStatusText(FormatText("Number of Medications fixed: %d/%d\nPlease refer to Dosewright.log "
                             "for more details.",
                             affected, examined));
    return true;
}

bool CDosewrightDlg::OnRepairApproved(ApprovedParse approved) {
    m_approvedRepair.Begin(std::move(approved));
    int32_t examined = 0;
    int32_t affected = 0;
    const bool completed = ScanMedications(examined, affected, 0);
    if (completed)
        SetStatusText(ApprovedRepairResultText(affected, examined, m_approvedRepair));
    m_approvedRepair.End();
    return completed;
}

bool CDosewrightDlg::OnRepairApprovedMedications() {
    std::string path;
    if (!m_window.AskOpenFile("Repair Approved Medications", path))
        return false;
    ApprovedParse approved = LoadApprovedChanges(path.c_str());
    if (!approved.ok) {
        ShowFailureBoxThenStatus(approved.failure);
        return false;
    }
    const std::size_t rows = approved.changes.size();
    if (!m_window.AskYesNo(FormatText("Repair the %zu approved medication%s of %s?\nA medication "
                                      "is changed only where the repair would still change it as "
                                      "its row shows.",
                                      rows, rows == 1 ? "" : "s", path.c_str()),
                           nullptr))
        return false;
    return OnRepairApproved(std::move(approved));
}

bool CDosewrightDlg::OnRunSummary(std::string& pagePath) {
    const RunBreakdown breakdown = BreakDownRun(m_szDbPath, m_session, {});
    std::string failure = breakdown.failure;
    pagePath = std::string(m_szDbPath) + kSummaryPageFileName;
    if (breakdown.ok && WriteRunSummaryPage(breakdown, m_szDbPath, pagePath, failure))
        return true;
    m_window.ShowMessageBox(failure, "Run Summary");
    return false;
}

bool CDosewrightDlg::OnBnClickedReport() {
    int32_t examined = 0;
    int32_t affected = 0;
    m_window.BeginWaitCursor();
    const bool completed = ScanMedications(examined, affected, 1);
    if (completed) {
        SetStatusText(FormatText("Number of Medications that have invalid RxNorm ID's: %d/%d\n"
                                 "Please refer to Dosewright.log for more details.",
                                 affected, examined));
    }
    m_window.RestoreWaitCursor();
    m_window.EndWaitCursor();
    return completed;
}

bool CDosewrightDlg::OnUndo(std::string_view runName) {
    UndoRun undo(*this, m_changeStep);
    const UndoOutcome outcome = undo.Run(runName);
    if (!outcome.ranToEnd)
        return false; // the status line keeps the failure the undo showed
    SetStatusText(UndoResultText(outcome));
    const std::string warning = UndoWarningText(outcome);
    if (outcome.NotRestorable() > 0) {
        // Some of the run stays as it made it: that is no success.
        m_lastFailure = warning;
        ShowMessage(warning, kErrorTitle);
        return false;
    }
    if (!warning.empty())
        ShowMessage(warning, nullptr);
    return true;
}

bool CDosewrightDlg::OnUndoLastRepair() {
    std::vector<std::string> names;
    int error = 0;
    if (!JournalFileNames(m_szDbPath, names, error)) {
        ShowFailureBoxThenStatus(JournalFailureText(m_szDbPath, kJournalFolderFailure, error));
        return false;
    }
    const std::string newest = NewestUndoableRun(m_szDbPath, names);
    if (newest.empty()) {
        ShowFailureBoxThenStatus(kNoRunToUndo);
        return false;
    }
    const JournalRunSummary run = SummarizeRun(m_szDbPath, newest);
    if (!m_window.AskYesNo(UndoQuestion(run), nullptr))
        return false;
    return OnUndo(run.name);
}

void CDosewrightDlg::OnBnClickedExit() {
    CloseDatabase();
}
