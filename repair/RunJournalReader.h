// Reading run journals back: the runs the journal folder holds, and the
// entries of one of them in the order they were written.
#pragma once

#include <cstdint>
#include <functional>
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
    // False for a report's finding: of the record, only the entry ID, the
    // patient, the RxNorm ID and the term type are known.
    bool recordKept = true;
};

// The end of a run as the journal holds it.
struct JournalEnd {
    journal::Result result = journal::Result::Stopped;
    int32_t examined = 0;
    int32_t changed = 0;
    std::string status; // the failure that stopped the run
};

// Entries of a journal that could not be read: sequence numbers first to last.
struct JournalDamage {
    uint64_t first = 0;
    uint64_t last = 0;
    uint64_t Count() const { return last - first + 1; }
};

class RunJournalReader {
public:
    enum class Entry { Change, End, Damaged, None };

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
    // The run's number; 0 for a journal of the first version, which has none.
    uint64_t RunNumber() const { return m_runNumber; }

    // The next entry: a change, the end of the run, damaged entries (Damage()
    // names them; the entry after them comes next), or None when there is no
    // further entry (the file ends, or the end of the run has been read).
    //
    // Damage is looked for in bounded time: after kDamageSearchLimit damaged
    // entries in a row the rest of the file counts as damaged, as many
    // entries as its size holds, without reading it.
    Entry Next(JournalChange& change, JournalEnd& end);
    const JournalDamage& Damage() const { return m_damage; }
    // The sequence number of the change or end Next gave last.
    uint64_t Sequence() const { return m_sequence; }
    // Bytes follow the last entry that are not one whole (an entry cut short
    // as a killed run wrote it, or anything after the end of the run). Known
    // once Next gave None.
    bool TailIgnored() const { return m_tailIgnored; }
    int ErrorCode() const { return m_error; }

    static constexpr uint64_t kDamageSearchLimit = 4096;

private:
    // Reads the entry at the next place into m_entry: true when it is whole.
    bool ReadWholeEntry();
    bool IsGoodEntry() const;
    Entry Decode(JournalChange& change, JournalEnd& end);
    Entry DamageFrom(uint64_t first);
    Entry Stop();

    platform::DurableFile m_file;
    journal::Mode m_mode = journal::Mode::Repair;
    int64_t m_start = 0;
    std::string m_undoneRun;
    uint64_t m_runNumber = 0;
    std::size_t m_entrySize = journal::kEntrySize;
    uint64_t m_sequence = 0; // of the last entry taken, good or damaged
    bool m_pending = false;  // m_entry holds the good entry after a damage
    JournalDamage m_damage;
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
    uint64_t runNumber = 0;
    int32_t changes = 0;  // change entries read
    uint64_t damaged = 0; // entries that could not be read
    bool ended = false;   // false: the run was cut off (killed, or the machine stopped)
    bool running = false; // cut off as far as its journal says, but its run still holds the lock
    JournalEnd end;
};

// The names of the journal files in the journal folder of `databasePath`,
// the run that ran first first: by run number. Journals of the first version
// come before every numbered one, among themselves by name (the time they
// were started); one whose header cannot be read stays after the numbered
// run whose name comes before its own. No journal
// folder is an empty list. False with the system's error code in `error` when
// the folder cannot be read or is not a folder (a link, a file, a FIFO).
bool JournalFileNames(std::string_view databasePath, std::vector<std::string>& names, int& error);
// The newest of `names` (in the order JournalFileNames gives) that an undo can
// take back: a repair or an undo, not a report; empty when there is none.
std::string NewestUndoableRun(std::string_view databasePath, const std::vector<std::string>& names);
// The number the next run takes: one more than the highest of the folder's.
uint64_t NextRunNumber(std::string_view databasePath);
// Reads a journaled run through to sum it up.
JournalRunSummary SummarizeRun(std::string_view databasePath, std::string_view fileName);
// The run `name` names (its file name, with or without the extension) among
// `names`; for an empty `name`, the newest before index `before` whose header
// can be read and whose mode `accepts`. names.size() when there is none.
std::size_t ChooseRun(std::string_view databasePath, const std::vector<std::string>& names,
                      std::string_view name, std::size_t before, bool (*accepts)(journal::Mode));
// Reads the run `fileName` through, hands each change to `onChange` and sums the
// run up in `summary`. Only a whole run is read: false, with `failure` saying
// why, for a file that is no journal, a run cut off in its header, damaged
// entries or a failing read.
bool ReadWholeRun(std::string_view databasePath, const std::string& fileName,
                  JournalRunSummary& summary,
                  const std::function<void(const JournalChange&)>& onChange, std::string& failure);
// The start time as the user reads it: "YYYY-MM-DD HH:MM:SS", local time.
std::string LocalTimeText(int64_t milliseconds);
