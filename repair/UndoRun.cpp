#include "repair/UndoRun.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "app/DosewrightDlg.h"
#include "data/FormatText.h"
#include "platform/DialogWindow.h"
#include "repair/ChangeStep.h"
#include "repair/MedicationUpdate.h"
#include "repair/RunJournal.h"
#include "repair/RunJournalReader.h"
#include "repair/RunJournalScope.h"
#include "repair/RunSummaryText.h"
#include "repair/WaitCursor.h"

namespace {

constexpr const char* kReadFailureFormat =
    "Failure reading MRRX99 record. Error Code:%d\nPlease contact Technical Support for "
    "assistance.";

// The text of a journaled RxNorm ID field, as a run line shows it.
std::string_view IdText(const char (&field)[15], std::span<char> text) {
    return GetFieldText(std::as_bytes(std::span(field)), 0, sizeof field, text);
}

bool Holds(const _MRRX& record, const char (&rxNormId)[15], const char (&termType)[3]) {
    return std::memcmp(record.rxNormId, rxNormId, sizeof rxNormId) == 0 &&
           std::memcmp(record.termType, termType, sizeof termType) == 0;
}

// Characters of `field` that `allowed` accepts, then nothing but blanks or
// zeros: how the medication table holds a short text.
template <std::size_t N, typename Allowed>
bool IsPaddedText(const char (&field)[N], Allowed allowed) {
    std::size_t at = 0;
    while (at < N && allowed(static_cast<unsigned char>(field[at])))
        ++at;
    return std::all_of(field + at, field + N, [](char c) { return c == ' ' || c == '\0'; });
}

// An RxNorm ID as a dictionary may hold it: RxNorm's are digits, but the
// program writes whatever text its drug dictionary gives, so any characters
// but blanks and control characters (a line end, an escape).
bool IsIdField(const char (&field)[15]) {
    return IsPaddedText(field, [](unsigned char c) { return c > ' ' && c != 0x7f; });
}

// A term type as the host keeps them: capital letters, or none.
bool IsTermTypeField(const char (&field)[3]) {
    return IsPaddedText(field, [](unsigned char c) { return c >= 'A' && c <= 'Z'; });
}

// Why a whole journal entry describes no change this program makes (a
// journal spoilt in a way its checksums cannot tell, or not written by it);
// null when it is plausible.
const char* ImplausibleBecause(const JournalChange& change) {
    if (!IsIdField(change.oldRxNormId) || !IsIdField(change.newRxNormId))
        return "its RxNorm IDs hold blanks or control characters";
    if (!IsTermTypeField(change.oldTermType) || !IsTermTypeField(change.newTermType))
        return "its term types are not ones the host uses";
    if (change.asRead.entryId != change.entryId ||
        !Holds(change.asRead, change.oldRxNormId, change.oldTermType))
        return "its record as read is not the medication it names";
    return nullptr;
}

std::string EntriesText(const JournalDamage& damage) {
    if (damage.Count() == 1)
        return FormatText("entry %llu", static_cast<unsigned long long>(damage.first));
    return FormatText("entries %llu to %llu", static_cast<unsigned long long>(damage.first),
                      static_cast<unsigned long long>(damage.last));
}

} // namespace

bool UndoRun::Stop(const std::string& failure, bool statusFirst) {
    if (statusFirst)
        m_dialog.ShowFailureStatusThenBox(failure);
    else
        m_dialog.ShowFailureBoxThenStatus(failure);
    m_outcome.failureText = failure;
    return false;
}

bool UndoRun::Note(const std::string& sentence) {
    return m_dialog.WriteRunNote(sentence);
}

bool UndoRun::FindRun(std::string_view runName, std::string& fileName) {
    std::vector<std::string> names;
    int error = 0;
    if (!JournalFileNames(m_dialog.DatabasePath(), names, error))
        return Stop(JournalFailureText(m_dialog.DatabasePath(), kJournalFolderFailure, error));
    if (runName.empty()) {
        fileName = NewestUndoableRun(m_dialog.DatabasePath(), names);
        return !fileName.empty() || Stop(kNoRunToUndo);
    }
    fileName = std::string(runName);
    if (!fileName.ends_with(journal::kFileExtension))
        fileName += journal::kFileExtension;
    if (std::find(names.begin(), names.end(), fileName) == names.end()) {
        return Stop(FormatText("There is no run %.*s in the DosewrightJournal folder.",
                               static_cast<int>(std::min<std::size_t>(runName.size(), 100)),
                               runName.data()));
    }
    return true;
}

UndoOutcome UndoRun::Run(std::string_view runName) {
    m_outcome = UndoOutcome{};
    WaitCursor waitCursor(m_dialog.Window());
    m_dialog.SetStatusText(kRunningText);
    const char* databasePath = m_dialog.DatabasePath();

    std::optional<RunJournalReader> reader;
    std::string fileName;
    auto openRun = [&] {
        m_outcome.runName =
            fileName.substr(0, fileName.size() - std::strlen(journal::kFileExtension));
        reader.emplace();
        if (reader->Open(databasePath, fileName))
            return true;
        return Stop(FormatText("Failure reading the run journal %s. Error Code:%d\nThe file is "
                               "damaged or is not a run journal.",
                               m_outcome.runName.c_str(), reader->ErrorCode()));
    };
    // A run that is not there, or no journal, leaves the run files untouched.
    if (!FindRun(runName, fileName) || !openRun())
        return m_outcome;
    if (reader->Mode() == journal::Mode::Report) {
        Stop(FormatText("The run %s is a report: it changed nothing to take back.",
                        m_outcome.runName.c_str()));
        return m_outcome;
    }
    if (!m_dialog.OpenRunFiles(0)) {
        m_outcome.failureText = m_dialog.LastFailure();
        return m_outcome;
    }
    // Under the run lock no run begins: the newest now is the one to take back.
    if (runName.empty()) {
        const std::string chosen = fileName;
        if (!FindRun(runName, fileName))
            return m_outcome;
        if (fileName != chosen && !openRun())
            return m_outcome;
    }

    RunJournal undoJournal;
    if (!undoJournal.Begin(databasePath, journal::Mode::Undo, m_outcome.runName)) {
        m_step.ShowJournalFailure(kJournalCreateFailure, undoJournal.ErrorCode());
        m_outcome.failureText = m_dialog.LastFailure();
        return m_outcome;
    }
    RunJournalScope scope(m_dialog.LastFailure(), m_step, undoJournal);
    if (!GoThrough(*reader, undoJournal, scope.examined) ||
        !m_dialog.EndCompletedRun(undoJournal, m_outcome.changes, m_outcome.restored)) {
        if (m_outcome.failureText.empty())
            m_outcome.failureText = m_dialog.LastFailure();
        scope.affected = m_outcome.restored;
        return m_outcome;
    }
    m_outcome.ranToEnd = true;
    return m_outcome;
}

bool UndoRun::GoThrough(RunJournalReader& reader, RunJournal& undoJournal, int32_t& examined) {
    using Entry = RunJournalReader::Entry;
    int32_t entriesRead = 0;
    // Each change is taken with the entry after it in view: only the last one
    // the run journaled can have missed the table, when the run did not complete.
    JournalChange change;
    JournalChange following;
    JournalEnd end;
    Entry entry = reader.Next(change, end);
    uint64_t sequence = reader.Sequence();
    while (entry == Entry::Change || entry == Entry::Damaged) {
        if (entry == Entry::Damaged) {
            const JournalDamage& damage = reader.Damage();
            m_outcome.unreadable += damage.Count();
            const bool one = damage.Count() == 1;
            if (!Note(FormatText("The journal %s of the run %s could not be read, so %s not "
                                 "taken back.",
                                 EntriesText(damage).c_str(), m_outcome.runName.c_str(),
                                 one ? "its change was" : "their changes were")))
                return false;
            entry = reader.Next(change, end);
            sequence = reader.Sequence();
            continue;
        }
        m_dialog.Window().ScanProgress(++entriesRead);
        const Entry next = reader.Next(following, end);
        const uint64_t nextSequence = reader.Sequence();
        const bool completed = next == Entry::End && end.result == journal::Result::Completed;
        if (!UndoChange(change, sequence, next != Entry::Change && !completed))
            return false;
        examined = m_outcome.changes;
        if (!undoJournal.SyncStillSucceeds()) {
            m_step.ShowJournalFailure(kJournalWriteFailure, undoJournal.ErrorCode());
            return false;
        }
        std::swap(change, following);
        entry = next;
        sequence = nextSequence;
    }
    if (reader.ErrorCode() != 0) {
        return Stop(FormatText("Failure reading the run journal %s. Error Code:%d\nPlease "
                               "contact Technical Support for assistance.",
                               m_outcome.runName.c_str(), reader.ErrorCode()));
    }
    // A run cut off as its header was written changed nothing.
    m_outcome.cutOff = entry != Entry::End && !reader.HeaderCut();
    if (m_outcome.cutOff &&
        !Note(FormatText("The run %s was cut off before its end: a change it made after its "
                         "last journaled one cannot be taken back from the journal. Run a "
                         "report to see what is left.",
                         m_outcome.runName.c_str())))
        return false;
    return true;
}

bool UndoRun::UndoChange(const JournalChange& change, uint64_t sequence, bool mayNotHaveReached) {
    if (const char* because = ImplausibleBecause(change)) {
        ++m_outcome.implausible;
        ++m_outcome.changes;
        return Note(FormatText("The journal entry %llu of the run %s was not taken back, "
                               "because %s.",
                               static_cast<unsigned long long>(sequence), m_outcome.runName.c_str(),
                               because));
    }
    // The medication is the record of its entry ID and patient.
    _MRRX now{};
    const int32_t status = FindMedicationRecord(m_dialog.Session().MedicationTable(),
                                                change.entryId, change.asRead.patientId, now);
    if (status < 0)
        return Stop(FormatText(kReadFailureFormat, status), true);
    const bool found = status > 0;

    char writtenText[kMrrxRxNormId.width + 1];
    char beforeText[kMrrxRxNormId.width + 1];
    IdText(change.newRxNormId, writtenText);
    IdText(change.oldRxNormId, beforeText);

    if (found && Holds(now, change.newRxNormId, change.newTermType)) {
        _MRRX restored = now;
        std::memcpy(restored.rxNormId, change.oldRxNormId, sizeof change.oldRxNormId);
        std::memcpy(restored.termType, change.oldTermType, sizeof change.oldTermType);
        ++m_outcome.changes;
        return m_step.Apply(
            now, restored, change.resolutionCode, false, FailureOrder::StatusFirst,
            [&] { return m_dialog.WriteUndoLines(restored, writtenText, change.resolutionCode); },
            m_outcome.restored);
    }
    // A change the run journaled but never wrote: the record holds what it read.
    if (found && mayNotHaveReached && Holds(now, change.oldRxNormId, change.oldTermType))
        return true;
    ++m_outcome.changes;
    return m_dialog.WriteLeftAloneLine(found ? now : change.asRead, writtenText, beforeText,
                                       found ? "the medication was changed since"
                                             : "the medication is no longer in MRRX99");
}

std::string UndoWarningText(const UndoOutcome& outcome) {
    std::string text;
    if (const uint64_t lost = outcome.NotRestorable(); lost > 0) {
        text = FormatText("%llu change%s of the run could not be taken back: %s journal entr%s "
                          "could not be read or %s not plausible.",
                          static_cast<unsigned long long>(lost), lost == 1 ? "" : "s",
                          lost == 1 ? "its" : "their", lost == 1 ? "y" : "ies",
                          lost == 1 ? "is" : "are");
    }
    if (outcome.cutOff) {
        if (!text.empty())
            text += '\n';
        text += "The run was cut off: a change made after its last journaled one cannot be "
                "taken back from the journal. Please run a report to see what is left.";
    }
    return text;
}

std::string UndoResultText(const UndoOutcome& outcome) {
    std::string text =
        FormatText("Number of Medications restored: %d/%d", outcome.restored, outcome.changes);
    if (const std::string warning = UndoWarningText(outcome); !warning.empty())
        text += "\n" + warning;
    return text + "\nPlease refer to Dosewright.log for more details.";
}
