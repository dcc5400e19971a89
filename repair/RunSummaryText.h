// How a journaled run is named to the user: in the list of runs, and in the
// question before an undo.
#pragma once

#include <string>

#include "repair/RunJournalReader.h"

inline constexpr const char* kNoRunToUndo =
    "There is no run to undo: the DosewrightJournal folder holds no journal of a repair.";

// One line of the list: name, start time, mode, changes and how the run ended.
//   20261208-194439.446Z  2026-12-08 19:44:39  repair  95 changes  completed, 95/311
//   20261208-195012.003Z  2026-12-08 19:50:12  undo of 20261208-194439.446Z  3 changes  cut off
std::string RunListLine(const JournalRunSummary& run);

// The Yes/No question before an undo of `run`.
std::string UndoQuestion(const JournalRunSummary& run);
