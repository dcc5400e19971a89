#include "repair/RunDiff.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "data/FormatText.h"
#include "data/HostSession.h"
#include "repair/MedicationLineTexts.h"
#include "repair/RunLogFormat.h"
#include "repair/RunSummaryText.h"

namespace {

using MedicationKey = std::pair<int32_t, int32_t>; // entry ID, patient ID
using Findings = std::map<MedicationKey, JournalChange>;

bool IsComparable(journal::Mode mode) {
    return mode == journal::Mode::Report || mode == journal::Mode::Repair;
}

// The findings of the run `fileName`, and the run summed up as it is read;
// false with `failure` set when it cannot be read whole.
bool ReadFindings(std::string_view databasePath, const std::string& fileName, Findings& findings,
                  JournalRunSummary& summary, std::string& failure) {
    auto keep = [&](const JournalChange& change) {
        findings[{change.entryId, change.asRead.patientId}] = change;
    };
    if (!ReadWholeRun(databasePath, fileName, summary, keep, failure))
        return false;
    if (!IsComparable(summary.mode)) {
        failure = "The run " + summary.name + " is an undo; only reports and repairs are compared.";
        return false;
    }
    return true;
}

bool SameChange(const JournalChange& a, const JournalChange& b) {
    return std::memcmp(a.newRxNormId, b.newRxNormId, sizeof a.newRxNormId) == 0 &&
           std::memcmp(a.newTermType, b.newTermType, sizeof a.newTermType) == 0 &&
           std::memcmp(a.oldRxNormId, b.oldRxNormId, sizeof a.oldRxNormId) == 0;
}

} // namespace

RunComparison CompareRuns(std::string_view databasePath, std::string_view olderName,
                          std::string_view newerName) {
    RunComparison comparison;
    std::vector<std::string> names;
    int error = 0;
    if (!JournalFileNames(databasePath, names, error)) {
        comparison.failure = FormatText(kJournalFolderFailure, error);
        return comparison;
    }
    const std::size_t newer = ChooseRun(databasePath, names, newerName, names.size(), IsComparable);
    const std::size_t older = newer == names.size()
                                  ? names.size()
                                  : ChooseRun(databasePath, names, olderName, newer, IsComparable);
    auto missing = [&](std::string_view name, const char* which) {
        comparison.failure =
            name.empty()
                ? std::string("There is no ") + which + " report or repair to compare."
                : "There is no run " + std::string(name) + " in the DosewrightJournal folder.";
        return comparison;
    };
    if (newer == names.size())
        return missing(newerName, "newer");
    if (older == names.size())
        return missing(olderName, "older");

    Findings before;
    Findings after;
    if (!ReadFindings(databasePath, names[older], before, comparison.older, comparison.failure) ||
        !ReadFindings(databasePath, names[newer], after, comparison.newer, comparison.failure))
        return comparison;

    for (const auto& [key, finding] : after) {
        const auto was = before.find(key);
        if (was == before.end()) {
            comparison.medications.push_back({DiffedMedication::Status::New, finding});
            ++comparison.added;
        } else if (!SameChange(was->second, finding)) {
            comparison.medications.push_back({DiffedMedication::Status::Changed, finding});
            ++comparison.changed;
        } else {
            ++comparison.unchanged;
        }
    }
    for (const auto& [key, finding] : before) {
        if (after.find(key) == after.end()) {
            comparison.medications.push_back({DiffedMedication::Status::Resolved, finding});
            ++comparison.resolved;
        }
    }
    std::stable_sort(comparison.medications.begin(), comparison.medications.end(),
                     [](const DiffedMedication& a, const DiffedMedication& b) {
                         return std::pair(a.finding.entryId, a.finding.asRead.patientId) <
                                std::pair(b.finding.entryId, b.finding.asRead.patientId);
                     });
    comparison.ok = true;
    return comparison;
}

std::string ComparisonSummary(const RunComparison& comparison) {
    return FormatText("Since the %s of %s: %d new, %d resolved, %d changed, %d unchanged.",
                      comparison.older.mode == journal::Mode::Report ? "report" : "repair",
                      LocalTimeText(comparison.older.startMilliseconds).c_str(), comparison.added,
                      comparison.resolved, comparison.changed, comparison.unchanged);
}

namespace {

const char* StatusWord(DiffedMedication::Status status) {
    switch (status) {
    case DiffedMedication::Status::New:
        return "New";
    case DiffedMedication::Status::Resolved:
        return "Resolved";
    case DiffedMedication::Status::Changed:
        break;
    }
    return "Changed";
}

} // namespace

std::string DiffLine(const DiffedMedication& medication, const HostSession& session, bool csv) {
    const JournaledChangeTexts line(session, medication.finding);
    const RunLineValues& values = line.texts.values;
    RunLineBuffer text;
    text.Append(StatusWord(medication.status));
    if (csv) {
        text.Append(',');
        FormatCsvLine(values, text);
    } else {
        text.Append(": ");
        FormatLogSentence(values, true, text);
    }
    return std::string(text.view());
}
