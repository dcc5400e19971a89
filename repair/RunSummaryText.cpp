#include "repair/RunSummaryText.h"

std::string RunModeText(const JournalRunSummary& run) {
    switch (run.mode) {
    case journal::Mode::Undo:
        return "undo of " + run.undoneRun;
    case journal::Mode::Report:
        return "report";
    case journal::Mode::Repair:
        break;
    }
    return "repair";
}

namespace {

std::string Changes(const JournalRunSummary& run) {
    const int32_t count = run.changes;
    if (run.mode == journal::Mode::Report)
        return std::to_string(count) + (count == 1 ? " finding" : " findings");
    return std::to_string(count) + (count == 1 ? " change" : " changes");
}

// The first line of a failure text.
std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

} // namespace

std::string RunListLine(const JournalRunSummary& run) {
    std::string line = run.name + "  ";
    if (!run.readable)
        return line + "not readable: damaged, or not a run journal";
    if (run.headerCut)
        return line + "cut off as it began, before any change";
    line +=
        LocalTimeText(run.startMilliseconds) + "  " + RunModeText(run) + "  " + Changes(run) + "  ";
    return line + RunEndText(run);
}

std::string RunEndText(const JournalRunSummary& run) {
    std::string text;
    if (run.damaged > 0) {
        text = "damaged: " + std::to_string(run.damaged) +
               (run.damaged == 1 ? " entry" : " entries") + " could not be read";
        if (!run.ended)
            return text;
        text += "; ";
    }
    if (!run.ended)
        return text + (run.running ? "running" : "cut off");
    if (run.end.result == journal::Result::Completed) {
        return text + "completed, " + std::to_string(run.end.changed) + "/" +
               std::to_string(run.end.examined);
    }
    return text + "stopped: " + FirstLine(run.end.status);
}

std::string UndoQuestion(const JournalRunSummary& run) {
    if (run.headerCut)
        return "Undo the run " + run.name + ", which was cut off before it changed anything?";
    std::string question =
        "Undo the " + std::string(run.mode == journal::Mode::Undo ? "undo" : "repair") +
        " run started " + LocalTimeText(run.startMilliseconds) + ", which changed " +
        std::to_string(run.changes) + (run.changes == 1 ? " medication" : " medications") +
        (run.ended ? "" : " before it was cut off") + "?";
    question += "\nEvery medication it changed that has not been changed since gets its former "
                "RxNorm ID back.";
    return question;
}
