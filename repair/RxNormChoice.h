// The rules that choose one RxNorm ID among a drug's candidates by term type.
#pragma once

#include <string_view>

#include "data/DrugRecords.h"

struct RxNormChoice {
    bool chosen = false;       // false: the medication carries no RxNorm ID
    std::string_view rxNormId; // the chosen candidate's ID (at most 15 characters); empty if none
    std::string_view termType; // the chosen candidate's term type as the table holds it
};

// Tallies the candidates of the four known term types (SBD, BPCK, SCD, GPCK,
// letter case significant; every other type is ignored) and applies the rules in
// order:
//   1. SBD with BPCK, or SCD with GPCK           -> no ID
//   2. SBD with SCD                              -> the SBD if it is the only SBD, else no ID
//   3. BPCK with GPCK                            -> the BPCK if it is the only BPCK, else no ID
//   4-7. the only SBD, else the only BPCK, else the only SCD, else the only GPCK
//   8. otherwise                                 -> no ID
// A candidate is used only when it is the only one of its type, so the order of
// the list never changes the outcome. The views point into `candidates`.
RxNormChoice ChooseRxNorm(const RxNormCandidateList& candidates);
