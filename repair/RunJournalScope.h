// The journal of a repair or an undo for the length of its run: it is the
// dialog's run journal meanwhile (a report has none open), and a run that
// stops early marks its journal stopped, with the failure the status line
// shows.
#pragma once

#include <cstdint>
#include <string>

#include "app/DosewrightDlg.h"
#include "platform/DialogWindow.h"
#include "repair/RunJournal.h"

inline constexpr const char* kRunningText = "Status: Running Please Wait";

inline constexpr const char* kJournalCreateFailure =
    "Failure creating the run journal in the DosewrightJournal folder. Error Code:%d\nPlease "
    "verify you have the access to create files in the orvale folder.";
inline constexpr const char* kJournalWriteFailure =
    "Failure writing the run journal. Error Code:%d\nPlease verify there is free space in the "
    "orvale folder and you have access to write files in it.";

class RunJournalScope {
public:
    RunJournalScope(CDosewrightDlg& dialog, RunJournal& journal)
        : m_dialog(dialog), m_journal(journal) {
        m_dialog.m_pJournal = m_journal.IsOpen() ? &m_journal : nullptr;
    }
    ~RunJournalScope() {
        m_dialog.m_pJournal = nullptr;
        if (m_journal.IsOpen()) {
            const std::string status = m_dialog.m_pStatus ? m_dialog.m_pStatus->GetText() : "";
            m_journal.End(journal::Result::Stopped, examined, affected, status);
        }
    }
    RunJournalScope(const RunJournalScope&) = delete;
    RunJournalScope& operator=(const RunJournalScope&) = delete;

    // The counts so far, for the end of a run that stops.
    int32_t examined = 0;
    int32_t affected = 0;

private:
    CDosewrightDlg& m_dialog;
    RunJournal& m_journal;
};
