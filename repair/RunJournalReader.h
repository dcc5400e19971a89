// Reading run journals back: the runs the journal folder holds, and the
// entries of one of them in the order they were written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/MedicationRecord.h"
#include "platform/DurableFile.h"
#include "repair/JournalLayout.h"

// One change as the journal holds it.
struct JournalChange {
    int32_t entryId = 0;
    int32_t resolutionCode = 0;
    char oldRxNormId[15] = {}; // the field's bytes before the change
    char oldTermType[3] = {};
    char newRxNormId[15] = {}; // the field's bytes the change wrote
    char newTermType[3] = {};
    _MRRX asRead{}; // the record as the run read it
};

// The end of a run as the journal holds it.
struct JournalEnd {
    journal::Result result = journal::Result::Stopped;
    int32_t examined = 0;
    int32_t changed = 0;
    std::string status; // the failure that stopped the run
};

class RunJournalReader {
public:
    enum class Entry { Change, End, None };

    // Opens a journal file in the journal folder and checks its header. False
    // when it cannot be read or is no journal of this format; ErrorCode() then
    // holds the system's error code, or 0 for a file that is not a journal.
    bool Open(std::string_view databasePath, std::string_view fileName);

    // The run was cut off while its header was written: it made no change, and
    // its mode and start time are unknown (its name still gives the time).
    bool HeaderCut() const { return m_headerCut; }
    journal::Mode Mode() const { return m_mode; }
    int64_t StartMilliseconds() const { return m_start; }
    const std::string& UndoneRun() const { return m_undoneRun; }

    // The next entry: a change, the end of the run, or None when there is no
    // further good entry (the file ends, or what follows is torn or damaged,
    // or the end of the run has been read).
    Entry Next(JournalChange& change, JournalEnd& end);
    // Bytes follow the last good entry that are not one (a torn or damaged
    // entry, or anything after the end of the run). Known once Next gave None.
    bool TailIgnored() const { return m_tailIgnored; }
    int ErrorCode() const { return m_error; }

private:
    platform::DurableFile m_file;
    journal::Mode m_mode = journal::Mode::Repair;
    int64_t m_start = 0;
    std::string m_undoneRun;
    uint32_t m_sequence = 0;
    bool m_ended = false;
    bool m_headerCut = false;
    bool m_tailIgnored = false;
    int m_error = 0;
    unsigned char m_entry[journal::kEntrySize] = {};
};

// What --list and the window show of a journaled run.
struct JournalRunSummary {
    std::string name; // the file name without the extension
    bool readable = false;
    bool headerCut = false; // cut off before its header was whole: no change
    journal::Mode mode = journal::Mode::Repair;
    int64_t startMilliseconds = 0;
    std::string undoneRun;
    int32_t changes = 0; // change entries
    bool ended = false;  // false: the run was cut off (killed, or the machine stopped)
    JournalEnd end;
};

// The names of the journal files in the journal folder of `databasePath`, the
// oldest first; empty when there is no journal folder.
std::vector<std::string> JournalFileNames(std::string_view databasePath);
// Reads a journaled run through to sum it up.
JournalRunSummary SummarizeRun(std::string_view databasePath, std::string_view fileName);
// The start time as the user reads it: "YYYY-MM-DD HH:MM:SS", local time.
std::string LocalTimeText(int64_t milliseconds);
