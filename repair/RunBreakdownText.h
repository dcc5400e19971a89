// The breakdown of a run in words: as the aligned text dosewright-cli prints,
// and the labels and meanings the summary page shares with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "repair/RunBreakdown.h"

// One bar of a breakdown: its label, what it means and its count.
struct BreakdownBar {
    std::string label;
    std::string meaning;
    int32_t count = 0;
};

// The affected medications by kind of change: an ID given, replaced, removed.
std::vector<BreakdownBar> KindsOfChange(const RunBreakdown& breakdown);
// The affected medications by resolution code, each code with its meaning;
// a code no medication has is left out.
std::vector<BreakdownBar> ResolutionCodes(const RunBreakdown& breakdown);

// "Famotidine 20 mg Oral Tablet": the drug's texts, the empty ones left out.
std::string DrugTextLabel(const DrugTextCount& drug);
// The number of medications the run examined ("311"), or why it is not known.
std::string ExaminedText(const RunBreakdown& breakdown);
// The run as the list of runs names it, and the medications it affected.
std::string AffectedText(const RunBreakdown& breakdown);

// Everything, LF-ended lines:
//   Run:       20261209-210000.000Z  2026-12-09 21:00:00  report  95 findings  completed, 95/311
//   Folder:    /srv/orvale/
//   Examined:  311
//   Affected:  95 (30.5%)
//   Patients touched: 30
// then the kinds of change, the resolution codes and the drugs with the most
// affected medications, each a table of aligned columns.
std::string RunBreakdownText(const RunBreakdown& breakdown, std::string_view folder);
