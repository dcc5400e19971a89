// The write-ahead journal of one repair or undo run (the file format is in
// JournalLayout.h). Every change is appended and handed to the operating
// system before the medication table is updated, so that a run killed at any
// moment leaves every change it made described; what is appended is synced to
// the disk at least once a second and at the end of the run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/MedicationRecord.h"
#include "platform/DurableFile.h"
#include "repair/JournalLayout.h"
#include "repair/JournalSyncer.h"

class RunJournal {
public:
    RunJournal() = default;
    ~RunJournal() = default;
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // Creates the journal folder in `databasePath` (which ends with the
    // separator) when there is none, and a new journal file in it named by the
    // present moment, and writes its header with the next run number. Called
    // under the run lock, so no other run takes the same number. False with
    // ErrorCode() set.
    bool Begin(std::string_view databasePath, journal::Mode mode, std::string_view undoneRun = {});
    bool IsOpen() const { return m_file.IsOpen(); }

    // Appends the change of one medication: the record as it was read, and the
    // record as it is about to be written (a report's journal keeps only the
    // medication and the two IDs). False with ErrorCode() set; nothing more is
    // then appended to the file.
    bool RecordChange(const _MRRX& asRead, const _MRRX& changed, int32_t resolutionCode);
    // False with ErrorCode() set once a sync on the syncer's thread has failed.
    // Checked between medications, so that the run stops before its next change.
    bool SyncStillSucceeds();
    // Appends the end of the run, syncs and closes the file. `status` is the
    // failure that stopped the run (empty when it completed).
    bool End(journal::Result result, int32_t examined, int32_t changed, std::string_view status);

    // The error code of the failure (0 before one).
    int ErrorCode() const { return m_error; }
    // The run's name: its file name without the extension.
    const std::string& Name() const { return m_name; }

    // The start time of a run as its file name gives it: "YYYYMMDD-HHMMSS.mmmZ" (UTC).
    static std::string NameOf(int64_t startMilliseconds);

private:
    bool AppendEntry();
    bool Fail();

    platform::DurableFile m_file;
    std::string m_name;
    uint32_t m_sequence = 0;
    journal::Mode m_mode = journal::Mode::Repair;
    bool m_broken = false;  // an append failed: the file takes nothing more
    JournalSyncer m_syncer; // syncs once a second while the run appends
    int m_error = 0;
    unsigned char m_entry[journal::kEntrySize] = {};
};

// A failure of the journal folder or a journal in it, for the user: `format`
// with the system's error code, and what DosewrightJournal is when it is not
// a folder of its own (a link, a file, a FIFO).
std::string JournalFailureText(std::string_view databasePath, const char* format, int error);
