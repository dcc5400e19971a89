// What changed between two runs: the findings of a report, or the changes of a
// repair, compared medication by medication with those of an earlier one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "repair/RunJournalReader.h"

struct DiffedMedication {
    enum class Status { New, Resolved, Changed };
    Status status = Status::New;
    // The newer run's finding (for Resolved, the older run's).
    JournalChange finding;
};

struct RunComparison {
    bool ok = false;
    std::string failure; // when !ok: why the runs cannot be compared
    JournalRunSummary older;
    JournalRunSummary newer;
    std::vector<DiffedMedication> medications; // by entry ID, then patient
    int32_t added = 0;
    int32_t resolved = 0;
    int32_t changed = 0;
    int32_t unchanged = 0;
};

// Compares the runs `olderName` and `newerName` of the journal folder (names as
// the list of runs gives them). An empty `newerName` is the newest report or
// repair; an empty `olderName` the report or repair before the newer one. Only
// reports and repairs are compared, and only whole ones: a run with damaged
// entries is refused, never taken for complete.
RunComparison CompareRuns(std::string_view databasePath, std::string_view olderName,
                          std::string_view newerName);

// "Since the report of 2026-12-09 21:00:00: 3 new, 1 resolved, 0 changed, 40 unchanged."
std::string ComparisonSummary(const RunComparison& comparison);

class HostSession;

// The line of one medication: its status and its sentence in the words of the
// run log ("New: The RxNormID ... is incorrect, ..."), or, `csv`, its status
// and the eleven columns of Dosewright.csv; CR LF ended. The texts are the
// medication's own as MRRX99 holds them now, or as the run read it when it is
// gone from the table.
std::string DiffLine(const DiffedMedication& medication, const HostSession& session, bool csv);
