// What a kept run found, broken down for the person who decides on a repair:
// how many medications it affected and how, for which reasons, which drugs
// account for most of them and how many patients they belong to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "repair/RunJournalReader.h"

class HostSession;

// One affected medication: the columns of its Dosewright.csv line.
struct BreakdownRow {
    int32_t entryId = 0;
    int32_t resolutionCode = 0;
    std::string newRxNormId;
    std::string oldRxNormId;
    std::string drugCode;
    int32_t patientId = 0;
    std::string patientRef;
    std::string drugName;
    std::string strength;
    std::string route;
    std::string doseForm;
};

// A drug text (name, strength, route, dose form) and the affected medications
// that carry it.
struct DrugTextCount {
    std::string drugName;
    std::string strength;
    std::string route;
    std::string doseForm;
    int32_t medications = 0;
    int32_t patients = 0; // distinct
};

struct RunBreakdown {
    bool ok = false;
    std::string failure; // when !ok: why the run cannot be summed up

    JournalRunSummary run; // run.ended: run.end.examined is the number examined
    int32_t affected = 0;

    // By kind of change.
    int32_t given = 0;    // an ID where there was none
    int32_t replaced = 0; // an ID replaced by another
    int32_t removed = 0;  // an ID removed

    // By resolution code.
    int32_t byDrug = 0;         // a drug ID: the ID the drug's RxNorm candidates give
    int32_t drugs = 0;          // the distinct drug IDs among them
    int32_t noDrug = 0;         // -1
    int32_t notDescribable = 0; // -2
    int32_t otherCode = 0;      // any other code (none a run of this program writes)

    std::vector<DrugTextCount> topDrugs; // the most affected first, at most kTopDrugs
    int32_t patients = 0;                // distinct patients touched

    // The affected medications in the order of the run, the first kKeptRows.
    std::vector<BreakdownRow> rows;

    static constexpr std::size_t kTopDrugs = 10;
    static constexpr std::size_t kKeptRows = 10000;
};

// Breaks down the run `runName` of the database folder's journal (as the list
// of runs names it); an empty name is the newest report, repair or undo. The
// texts are the medications' own as MRRX99 holds them now, or as the run read
// them when they are gone from the table. Only a whole run is summed up: a run
// with damaged entries is refused.
RunBreakdown BreakDownRun(std::string_view databasePath, const HostSession& session,
                          std::string_view runName);

// The share of `part` in `whole` as the user reads it: "30.5%"; "-" of nothing.
std::string ShareText(int32_t part, int32_t whole);
