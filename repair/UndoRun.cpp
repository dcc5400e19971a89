// Undo: the changes of a journaled run taken back, medication by medication,
// where the record still holds what the run wrote. Edits made to a record
// since are kept: such a record is left alone and named in the run log. The
// undo is a run of its own, journaled like a repair, so it can be undone too.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "app/DosewrightDlg.h"
#include "platform/DialogWindow.h"
#include "repair/RunJournal.h"
#include "repair/RunJournalReader.h"
#include "repair/RunJournalScope.h"
#include "repair/RunSummaryText.h"
#include "repair/WaitCursor.h"

namespace {

constexpr int32_t kMrrxEntryKey = 7;
constexpr int kUndoMessageSize = 400;
constexpr int kResultTextSize = 1000;

constexpr const char* kReadFailureFormat =
    "Failure reading MRRX99 record. Error Code:%d\nPlease contact Technical Support for "
    "assistance.";
constexpr const char* kUpdateFailureFormat =
    "Failure updating MRRX99. Error Code:%d\nPlease contact Technical Support for assistance.";

// The text of a journaled RxNorm ID field, as a run line shows it.
std::string_view IdText(const char (&field)[15], std::span<char> text) {
    return GetFieldText(std::as_bytes(std::span(field)), 0, sizeof field, text);
}

bool Holds(const _MRRX& record, const char (&rxNormId)[15], const char (&termType)[3]) {
    return std::memcmp(record.rxNormId, rxNormId, sizeof rxNormId) == 0 &&
           std::memcmp(record.termType, termType, sizeof termType) == 0;
}

} // namespace

bool CDosewrightDlg::OnUndo(std::string_view runName) {
    int32_t restored = 0;
    int32_t changes = 0;
    if (!UndoRun(runName, restored, changes))
        return false; // the status line keeps the failure the undo showed
    char text[kResultTextSize] = {};
    std::snprintf(text, sizeof text,
                  "Number of Medications restored: %d/%d\nPlease refer to Dosewright.log for more "
                  "details.",
                  restored, changes);
    SetStatusText(text);
    return true;
}

bool CDosewrightDlg::OnUndoLastRepair() {
    const std::vector<std::string> names = JournalFileNames(m_szDbPath);
    if (names.empty()) {
        ShowFailureBoxThenStatus(kNoRunToUndo);
        return false;
    }
    const JournalRunSummary run = SummarizeRun(m_szDbPath, names.back());
    if (!m_window.AskYesNo(UndoQuestion(run), nullptr))
        return false;
    return OnUndo(run.name);
}

bool CDosewrightDlg::UndoRun(std::string_view runName, int32_t& restoredOut, int32_t& changesOut) {
    WaitCursor waitCursor(m_window);
    SetStatusText(kRunningText);
    char message[kUndoMessageSize] = {};

    const std::vector<std::string> names = JournalFileNames(m_szDbPath);
    std::string fileName;
    if (runName.empty()) {
        if (names.empty()) {
            ShowFailureBoxThenStatus(kNoRunToUndo);
            return false;
        }
        fileName = names.back();
    } else {
        fileName = std::string(runName);
        if (!fileName.ends_with(journal::kFileExtension))
            fileName += journal::kFileExtension;
        if (std::find(names.begin(), names.end(), fileName) == names.end()) {
            std::snprintf(
                message, sizeof message, "There is no run %.*s in the DosewrightJournal folder.",
                static_cast<int>(std::min<std::size_t>(runName.size(), 100)), runName.data());
            ShowFailureBoxThenStatus(message);
            return false;
        }
    }
    const std::string undone =
        fileName.substr(0, fileName.size() - std::strlen(journal::kFileExtension));

    RunJournalReader reader;
    if (!reader.Open(m_szDbPath, fileName)) {
        std::snprintf(message, sizeof message,
                      "Failure reading the run journal %s. Error Code:%d\nThe file is damaged or "
                      "is not a run journal.",
                      undone.c_str(), reader.ErrorCode());
        ShowFailureBoxThenStatus(message);
        return false;
    }
    if (!OpenRunFiles(0))
        return false;
    RunJournal runJournal;
    if (!runJournal.Begin(m_szDbPath, journal::Mode::Undo, undone)) {
        ShowJournalFailure(kJournalCreateFailure, runJournal.ErrorCode());
        return false;
    }
    RunJournalScope undoJournal(*this, m_pJournal, runJournal);

    int32_t restored = 0;
    int32_t changes = 0;
    int32_t entriesRead = 0;
    // Each change is taken with the one after it in view: only the last change
    // of a run that did not complete can have missed the table.
    JournalChange change;
    JournalChange following;
    JournalEnd end;
    RunJournalReader::Entry entry = reader.Next(change, end);
    while (entry == RunJournalReader::Entry::Change) {
        m_window.ScanProgress(++entriesRead);
        const RunJournalReader::Entry next = reader.Next(following, end);
        const bool last = next != RunJournalReader::Entry::Change;
        const bool completed =
            next == RunJournalReader::Entry::End && end.result == journal::Result::Completed;
        if (!UndoChange(change, last && !completed, restored, changes))
            return false;
        undoJournal.examined = changes;
        undoJournal.affected = restored;
        if (!runJournal.SyncStillSucceeds()) {
            ShowJournalFailure(kJournalWriteFailure, runJournal.ErrorCode());
            return false;
        }
        std::swap(change, following);
        entry = next;
    }
    if (reader.ErrorCode() != 0) {
        std::snprintf(message, sizeof message,
                      "Failure reading the run journal %s. Error Code:%d\nPlease contact "
                      "Technical Support for assistance.",
                      undone.c_str(), reader.ErrorCode());
        ShowFailureBoxThenStatus(message);
        return false;
    }

    if (!EndCompletedRun(runJournal, changes, restored))
        return false;
    restoredOut = restored;
    changesOut = changes;
    return true;
}

bool CDosewrightDlg::UndoChange(const JournalChange& change, bool mayNotHaveReached,
                                int32_t& restored, int32_t& changes) {
    char message[kUndoMessageSize] = {};
    auto failStatusFirst = [&](const char* format, int32_t status) {
        std::snprintf(message, sizeof message, format, status);
        ShowFailureStatusThenBox(message);
        return false;
    };

    // The medication is the record of its entry ID and patient.
    _MRRX now{};
    now.entryId = change.entryId;
    constexpr auto kRecordLength = static_cast<int32_t>(kMrrxRecordLength);
    int32_t status = fspos(m_session.MedicationTable(), kMrrxEntryKey, &now);
    if (status < 0)
        return failStatusFirst(kReadFailureFormat, status);
    bool found = false;
    if (status == host::kStatusExactMatch) {
        status = fsget(m_session.MedicationTable(), kMrrxEntryKey, &now, kRecordLength);
        while (status > 0 && now.entryId == change.entryId &&
               now.patientId != change.asRead.patientId) {
            status = fsgetn(m_session.MedicationTable(), kMrrxEntryKey, &now, kRecordLength);
        }
        if (status < 0 && status != host::kStatusEndOfFile)
            return failStatusFirst(kReadFailureFormat, status);
        found =
            status > 0 && now.entryId == change.entryId && now.patientId == change.asRead.patientId;
    }

    char writtenText[kMrrxRxNormId.width + 1];
    char beforeText[kMrrxRxNormId.width + 1];
    IdText(change.newRxNormId, writtenText);
    IdText(change.oldRxNormId, beforeText);

    if (found && Holds(now, change.newRxNormId, change.newTermType)) {
        _MRRX restoredRecord = now;
        std::memcpy(restoredRecord.rxNormId, change.oldRxNormId, sizeof change.oldRxNormId);
        std::memcpy(restoredRecord.termType, change.oldTermType, sizeof change.oldTermType);
        if (!JournalBeforeUpdate(now, restoredRecord, change.resolutionCode))
            return false;
        status = fsupdate(m_session.MedicationTable(), &restoredRecord, kRecordLength);
        if (status < 0)
            return failStatusFirst(kUpdateFailureFormat, status);
        ++changes;
        if (!WriteUndoLines(restoredRecord, writtenText, change.resolutionCode))
            return false;
        ++restored;
        return true;
    }
    // A change the run journaled but never wrote: the record holds what it read.
    if (found && mayNotHaveReached && Holds(now, change.oldRxNormId, change.oldTermType))
        return true;
    ++changes;
    return WriteLeftAloneLine(found ? now : change.asRead, writtenText, beforeText,
                              found ? "the medication was changed since"
                                    : "the medication is no longer in MRRX99");
}
