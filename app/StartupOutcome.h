// How the start-up of the main dialog ended, for the front ends to act on.
#pragma once

#include <string>

struct StartupOutcome {
    enum class State {
        NotRun,   // the start-up has not run
        Ready,    // every step succeeded: both actions are enabled
        UndoOnly, // the medication table is open, the drug dictionary is not: undo can run
        Blocked,  // a step failed: only Exit is left
    };

    State state = State::NotRun;
    // Blocked, UndoOnly after a failure: the failure the status line shows.
    std::string failureText;

    bool IsReady() const { return state == State::Ready; }
    bool CanUndo() const { return state == State::Ready || state == State::UndoOnly; }
};
