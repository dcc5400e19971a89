#include "repair/RxNormChoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Candidate {
    std::string rxNormId;
    std::string termType;
};

// An MRDRXN99 row as the table delivers it: texts zero-terminated when shorter
// than their fields, the host's other bytes non-zero.
_MRDRXN Row(const Candidate& candidate) {
    _MRDRXN row;
    std::memset(&row, 0x5A, sizeof row);
    row.sourceKind = kSourceKindDrug;
    std::memset(row.rxNormId, 0, sizeof row.rxNormId);
    std::memset(row.termType, 0, sizeof row.termType);
    std::memcpy(row.rxNormId, candidate.rxNormId.data(),
                std::min(candidate.rxNormId.size(), sizeof row.rxNormId));
    std::memcpy(row.termType, candidate.termType.data(),
                std::min(candidate.termType.size(), sizeof row.termType));
    return row;
}

struct ChoiceCase {
    const char* what;
    std::vector<Candidate> candidates;
    std::string chosenId; // empty: no ID
    std::string chosenTermType;
};

void PrintTo(const ChoiceCase& c, std::ostream* out) {
    *out << c.what;
}

const ChoiceCase kCases[] = {
    {"nothing to choose from", {}, "", ""},
    {"rule 4: the only SBD", {{"104377", "SBD"}}, "104377", "SBD"},
    {"rule 2: SBD before SCD", {{"352307", "SBD"}, {"349545", "SCD"}}, "352307", "SBD"},
    {"rule 2: the SBD, however many SCDs",
     {{"11", "SBD"}, {"22", "SCD"}, {"23", "SCD"}},
     "11",
     "SBD"},
    {"rule 2: a second SBD costs the ID although an SCD is there",
     {{"11", "SBD"}, {"12", "SBD"}, {"22", "SCD"}},
     "",
     ""},
    {"rule 1: SBD with BPCK", {{"11", "SBD"}, {"33", "BPCK"}}, "", ""},
    {"rule 1: SCD with GPCK", {{"22", "SCD"}, {"44", "GPCK"}}, "", ""},
    {"rule 1 comes before rule 2", {{"11", "SBD"}, {"33", "BPCK"}, {"22", "SCD"}}, "", ""},
    {"rule 1 with SCD and GPCK beside a unique SBD",
     {{"22", "SCD"}, {"44", "GPCK"}, {"11", "SBD"}},
     "",
     ""},
    {"rule 1: all four types",
     {{"11", "SBD"}, {"33", "BPCK"}, {"22", "SCD"}, {"44", "GPCK"}},
     "",
     ""},
    {"rule 3: the only BPCK before GPCK", {{"33", "BPCK"}, {"44", "GPCK"}}, "33", "BPCK"},
    {"rule 3: the BPCK, however many GPCKs",
     {{"33", "BPCK"}, {"44", "GPCK"}, {"45", "GPCK"}},
     "33",
     "BPCK"},
    {"rule 3: two BPCKs with a GPCK", {{"33", "BPCK"}, {"34", "BPCK"}, {"44", "GPCK"}}, "", ""},
    {"rule 5: BPCK before SCD", {{"978950", "BPCK"}, {"22", "SCD"}}, "978950", "BPCK"},
    {"rule 6: two BPCKs pass to the only SCD",
     {{"33", "BPCK"}, {"34", "BPCK"}, {"22", "SCD"}},
     "22",
     "SCD"},
    {"rule 7: two SBDs pass to the only GPCK",
     {{"11", "SBD"}, {"12", "SBD"}, {"44", "GPCK"}},
     "44",
     "GPCK"},
    {"rule 7: the only GPCK beside an unknown type",
     {{"851748", "GPCK"}, {"9", "XYZ"}},
     "851748",
     "GPCK"},
    {"rule 8: two SCDs", {{"22", "SCD"}, {"23", "SCD"}}, "", ""},
    {"rule 8: two SBDs", {{"11", "SBD"}, {"12", "SBD"}}, "", ""},
    {"rule 8: only other types and other letter case", {{"11", "sbd"}, {"12", "SY"}}, "", ""},
    {"letter case is significant: Gpck is no GPCK", {{"44", "Gpck"}, {"22", "SCD"}}, "22", "SCD"},
    {"a type with a trailing blank is no known type", {{"11", "SBD "}, {"22", "SCD"}}, "22", "SCD"},
    {"an ID filling all 15 bytes, no terminator",
     {{"123456789012345", "SCD"}, {"9", "IN"}},
     "123456789012345",
     "SCD"},
};

class RxNormChoiceTest : public testing::TestWithParam<ChoiceCase> {};

TEST_P(RxNormChoiceTest, ChoosesByTermTypeWhateverTheOrder) {
    const ChoiceCase& c = GetParam();
    SCOPED_TRACE(c.what);
    std::vector<std::size_t> order(c.candidates.size());
    std::iota(order.begin(), order.end(), 0);
    int orders = 0;
    do {
        RxNormCandidateList list;
        std::string shown;
        for (std::size_t index : order) {
            list.push_back(Row(c.candidates[index]));
            shown += c.candidates[index].termType + " " + c.candidates[index].rxNormId + "; ";
        }
        SCOPED_TRACE("order: " + shown);
        const RxNormChoice choice = ChooseRxNorm(list);
        EXPECT_EQ(choice.chosen, !c.chosenId.empty());
        EXPECT_EQ(choice.rxNormId, c.chosenId);
        EXPECT_EQ(choice.termType, c.chosenTermType);
        ++orders;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_GE(orders, 1);
}

INSTANTIATE_TEST_SUITE_P(Rules, RxNormChoiceTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ChoiceCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

} // namespace
