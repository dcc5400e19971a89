// How the start-up of the main dialog ended, for the front ends to act on.
#pragma once

#include <string>

struct StartupOutcome {
    enum class State {
        NotRun,  // the start-up has not run
        Ready,   // every step succeeded: both actions are enabled
        Blocked, // a step failed: only Exit is left
    };

    State state = State::NotRun;
    // Blocked: the failure the status line shows. Empty otherwise.
    std::string failureText;

    bool IsReady() const { return state == State::Ready; }
};
