// The journal of a repair or an undo for the length of its run: it is the
// dialog's run journal meanwhile (a report has none open), and a run that
// stops early marks its journal stopped, with the failure the status line
// shows.
#pragma once

#include <cstdint>

#include "app/DosewrightDlg.h"
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
    // `slot` is the dialog's run journal, set for the length of the run.
    RunJournalScope(const CDosewrightDlg& dialog, RunJournal*& slot, RunJournal& journal)
        : m_dialog(dialog), m_slot(slot), m_journal(journal) {
        m_slot = m_journal.IsOpen() ? &m_journal : nullptr;
    }
    ~RunJournalScope() {
        m_slot = nullptr;
        if (m_journal.IsOpen())
            m_journal.End(journal::Result::Stopped, examined, affected, m_dialog.StatusText());
    }
    RunJournalScope(const RunJournalScope&) = delete;
    RunJournalScope& operator=(const RunJournalScope&) = delete;

    // The counts so far, for the end of a run that stops.
    int32_t examined = 0;
    int32_t affected = 0;

private:
    const CDosewrightDlg& m_dialog;
    RunJournal*& m_slot;
    RunJournal& m_journal;
};
