// How a journaled run is named to the user: in the list of runs, and in the
// question before an undo.
#pragma once

#include <string>

#include "repair/RunJournalReader.h"

inline constexpr const char* kNoRunToUndo =
    "There is no run to undo: the DosewrightJournal folder holds no journal of a repair.";
inline constexpr const char* kJournalFolderFailure =
    "Failure reading the DosewrightJournal folder. Error Code:%d";

// One line of the list: name, start time, mode, changes and how the run ended.
//   20261208-194439.446Z  2026-12-08 19:44:39  repair  95 changes  completed, 95/311
//   20261208-195012.003Z  2026-12-08 19:50:12  undo of 20261208-194439.446Z  3 changes  cut off
//   20261208-201500.120Z  2026-12-08 20:15:00  repair  99 changes  damaged: 1 entry could not be
//   read; completed, 100/311
//   20261209-210000.000Z  2026-12-09 21:00:00  report  14 findings  completed, 14/311
// A run cut off that still holds the run lock (`running`) is "running".
std::string RunListLine(const JournalRunSummary& run);

// "report", "repair" or "undo of 20261208-194439.446Z".
std::string RunModeText(const JournalRunSummary& run);
// How the run ended: "completed, 95/311", "cut off", "stopped: ...".
std::string RunEndText(const JournalRunSummary& run);

// The Yes/No question before an undo of `run`.
std::string UndoQuestion(const JournalRunSummary& run);
