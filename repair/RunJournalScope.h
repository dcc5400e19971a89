// The journal of a run for the length of the run: the change step writes its
// changes (a report's findings) into it meanwhile, and a
// run that stops early marks its journal stopped, with the failure it showed.
#pragma once

#include <cstdint>
#include <string>

#include "repair/ChangeStep.h"
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
    // `lastFailure` is the failure the run shows last (the dialog's), for the
    // end entry of a run that stops.
    RunJournalScope(const std::string& lastFailure, ChangeStep& step, RunJournal& journal)
        : m_lastFailure(lastFailure), m_step(step), m_journal(journal) {
        m_step.UseJournal(m_journal.IsOpen() ? &m_journal : nullptr);
    }
    ~RunJournalScope() {
        m_step.UseJournal(nullptr);
        if (m_journal.IsOpen())
            m_journal.End(journal::Result::Stopped, examined, affected, m_lastFailure);
    }
    RunJournalScope(const RunJournalScope&) = delete;
    RunJournalScope& operator=(const RunJournalScope&) = delete;

    // The counts so far, for the end of a run that stops.
    int32_t examined = 0;
    int32_t affected = 0;

private:
    const std::string& m_lastFailure;
    ChangeStep& m_step;
    RunJournal& m_journal;
};
