#include "repair/RunDiff.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <span>
#include <utility>

#include "data/FormatText.h"
#include "data/HostSession.h"
#include "repair/MedicationLineTexts.h"
#include "repair/MedicationUpdate.h"
#include "repair/RunLogFormat.h"

namespace {

using MedicationKey = std::pair<int32_t, int32_t>; // entry ID, patient ID
using Findings = std::map<MedicationKey, JournalChange>;

bool IsComparable(journal::Mode mode) {
    return mode == journal::Mode::Report || mode == journal::Mode::Repair;
}

std::string Stem(const std::string& fileName) {
    return fileName.substr(0, fileName.size() - std::strlen(journal::kFileExtension));
}

// The findings of the run `fileName`, and the run summed up as it is read;
// false with `failure` set when it cannot be read whole.
bool ReadFindings(std::string_view databasePath, const std::string& fileName, Findings& findings,
                  JournalRunSummary& summary, std::string& failure) {
    RunJournalReader reader;
    if (!reader.Open(databasePath, fileName) || reader.HeaderCut()) {
        failure = "The run " + Stem(fileName) + " cannot be read: it is damaged or no run journal.";
        return false;
    }
    if (!IsComparable(reader.Mode())) {
        failure =
            "The run " + Stem(fileName) + " is an undo; only reports and repairs are compared.";
        return false;
    }
    summary.name = Stem(fileName);
    summary.readable = true;
    summary.mode = reader.Mode();
    summary.startMilliseconds = reader.StartMilliseconds();
    summary.runNumber = reader.RunNumber();
    JournalChange change;
    for (RunJournalReader::Entry entry;
         (entry = reader.Next(change, summary.end)) != RunJournalReader::Entry::None;) {
        if (entry == RunJournalReader::Entry::Damaged) {
            failure = FormatText("The run %s is damaged: %llu of its entries could not be read.",
                                 Stem(fileName).c_str(),
                                 static_cast<unsigned long long>(reader.Damage().Count()));
            return false;
        }
        if (entry == RunJournalReader::Entry::Change) {
            findings[{change.entryId, change.asRead.patientId}] = change;
            ++summary.changes;
        } else {
            summary.ended = true;
        }
    }
    if (reader.ErrorCode() != 0) {
        failure = FormatText("The run %s cannot be read. Error Code:%d", Stem(fileName).c_str(),
                             reader.ErrorCode());
        return false;
    }
    return true;
}

bool SameChange(const JournalChange& a, const JournalChange& b) {
    return std::memcmp(a.newRxNormId, b.newRxNormId, sizeof a.newRxNormId) == 0 &&
           std::memcmp(a.newTermType, b.newTermType, sizeof a.newTermType) == 0 &&
           std::memcmp(a.oldRxNormId, b.oldRxNormId, sizeof a.oldRxNormId) == 0;
}

// The run named `name` among `names`, or the comparable one before index
// `before` (names.size(): the newest); names.size() when there is none.
std::size_t Choose(std::string_view databasePath, const std::vector<std::string>& names,
                   std::string_view name, std::size_t before) {
    if (!name.empty()) {
        const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
            return Stem(n) == name || n == name;
        });
        return static_cast<std::size_t>(found - names.begin());
    }
    for (std::size_t i = before; i-- > 0;) {
        RunJournalReader reader;
        if (reader.Open(databasePath, names[i]) && !reader.HeaderCut() &&
            IsComparable(reader.Mode()))
            return i;
    }
    return names.size();
}

} // namespace

RunComparison CompareRuns(std::string_view databasePath, std::string_view olderName,
                          std::string_view newerName) {
    RunComparison comparison;
    std::vector<std::string> names;
    int error = 0;
    if (!JournalFileNames(databasePath, names, error)) {
        comparison.failure =
            FormatText("Failure reading the DosewrightJournal folder. Error Code:%d", error);
        return comparison;
    }
    const std::size_t newer = Choose(databasePath, names, newerName, names.size());
    const std::size_t older =
        newer == names.size() ? names.size() : Choose(databasePath, names, olderName, newer);
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
    const JournalChange& finding = medication.finding;
    _MRRX record{};
    if (FindMedicationRecord(session.MedicationTable(), finding.entryId, finding.asRead.patientId,
                             record) <= 0)
        record = finding.asRead;
    MedicationLineTexts texts(session.PatientTable(), record, finding.resolutionCode);
    char oldId[sizeof finding.oldRxNormId + 1] = {};
    char newId[sizeof finding.newRxNormId + 1] = {};
    texts.values.oldRxNormId =
        GetFieldText(std::as_bytes(std::span(finding.oldRxNormId)), 0, sizeof oldId - 1, oldId);
    texts.values.newRxNormId =
        GetFieldText(std::as_bytes(std::span(finding.newRxNormId)), 0, sizeof newId - 1, newId);
    RunLineBuffer line;
    line.Append(StatusWord(medication.status));
    if (csv) {
        line.Append(',');
        FormatCsvLine(texts.values, line);
    } else {
        line.Append(": ");
        FormatLogSentence(texts.values, true, line);
    }
    return std::string(line.view());
}
