// One change to a medication, made the same way by both paths of the scan and
// by undo: its journal entry first, then the checked update, then its run
// lines, then its count.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>

#include "data/MedicationRecord.h"

class HostSession;
class RunJournal;

// Which shows a failure of the update first, the box or the status line. Each
// operation keeps the order it has always had: the scan's change of one
// candidate and undo show the status line first, the choice among several
// candidates the box first. A journal failure always shows the box first.
enum class FailureOrder { BoxFirst, StatusFirst };

// Shows a failure to the user in the order given.
using FailureDisplay = std::function<void(std::string_view text, FailureOrder order)>;

class ChangeStep {
public:
    // Changes the medication table of `session`; `databasePath` is the
    // database folder, for what a journal failure says of its folder.
    ChangeStep(const HostSession& session, const char* databasePath, FailureDisplay showFailure)
        : m_session(session), m_databasePath(databasePath), m_showFailure(std::move(showFailure)) {}
    ChangeStep(const ChangeStep&) = delete;
    ChangeStep& operator=(const ChangeStep&) = delete;

    // The journal of the run, for the length of the run (RunJournalScope).
    void UseJournal(RunJournal* journal) { m_journal = journal; }

    // Journals the change from `asRead` to `changed` (a report's journal as a
    // finding); unless the run only reports, then writes it over the record
    // the run last read, if that still holds `asRead`. Then `writeLines` writes its run lines, and
    // the change is counted in `affected`. False when the run must stop, the failure shown
    // (writeLines shows its own).
    bool Apply(const _MRRX& asRead, const _MRRX& changed, int32_t resolutionCode, bool reportOnly,
               FailureOrder order, const std::function<bool()>& writeLines, int32_t& affected);

    // Shows a failure of the run's journal, `format` taking its error code.
    void ShowJournalFailure(const char* format, int errorCode) const;

private:
    const HostSession& m_session;
    const char* m_databasePath;
    FailureDisplay m_showFailure;
    RunJournal* m_journal = nullptr;
};
