// Undo: the changes of a journaled run taken back, medication by medication,
// where the record still holds what the run wrote. Edits made to a record
// since are kept: such a record is left alone and named in the run log. The
// undo is a run of its own, journaled like a repair, so it can be undone too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CDosewrightDlg;
class ChangeStep;
class RunJournal;
class RunJournalReader;
struct JournalChange;

// What an undo came to.
struct UndoOutcome {
    bool ranToEnd = false;   // it went through all of the journal; else failureText stopped it
    std::string runName;     // the run it took back
    int32_t restored = 0;    // changes taken back
    int32_t changes = 0;     // changes gone through: restored, left alone or not plausible
    uint64_t unreadable = 0; // journal entries that could not be read
    int32_t implausible = 0; // entries read whole that describe no change this program makes
    bool cutOff = false;     // the run has no end entry: killed, or the machine stopped
    std::string failureText; // what stopped it

    // Changes the journal may have held that were not taken back.
    uint64_t NotRestorable() const { return unreadable + static_cast<uint64_t>(implausible); }
};

class UndoRun {
public:
    // Works in the dialog's database session and run files; every change goes
    // through `step`.
    UndoRun(CDosewrightDlg& dialog, ChangeStep& step) : m_dialog(dialog), m_step(step) {}

    // Takes back the run `runName` (the newest, by run number, when empty).
    // Every failure that stops it is shown before this returns.
    UndoOutcome Run(std::string_view runName);

private:
    // The journal file of the run to take back; false when there is none (shown).
    bool FindRun(std::string_view runName, std::string& fileName);
    bool GoThrough(RunJournalReader& reader, RunJournal& undoJournal, int32_t& examined);
    bool UndoChange(const JournalChange& change, uint64_t sequence, bool mayNotHaveReached);
    // A sentence of the run log about the journal itself.
    bool Note(const std::string& sentence);
    bool Stop(const std::string& failure, bool statusFirst = false);

    CDosewrightDlg& m_dialog;
    ChangeStep& m_step;
    UndoOutcome m_outcome;
};

// The status line after an undo that went through its journal.
std::string UndoResultText(const UndoOutcome& outcome);
// What the box says after such an undo when not all could be taken back, or
// the run was cut off; empty when there is nothing to say.
std::string UndoWarningText(const UndoOutcome& outcome);
