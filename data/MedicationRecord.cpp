// Changes the repair makes to a medication record.
#include "data/MedicationRecord.h"

#include "data/TextOps.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

struct TermTypeMapping {
    std::string_view candidate; // RxNorm term type of the candidate
    std::string_view stored;    // what termType receives
};

constexpr std::array<TermTypeMapping, 4> kTermTypes{{
    {"SBD", "SBD"},
    {"BPCK", "SBD"},
    {"SCD", "SCD"},
    {"GPCK", "SCD"},
}};

} // namespace

void ClearRxNorm(_MRRX& record) {
    std::memset(record.rxNormId, ' ', sizeof record.rxNormId);
    std::memset(record.termType, ' ', sizeof record.termType);
}

void SetRxNorm(_MRRX& record, std::string_view id, std::string_view candidateTermType) {
    ClearRxNorm(record);
    const std::string_view stored = TextBeforeZero(id).substr(0, sizeof record.rxNormId);
    std::copy(stored.begin(), stored.end(), record.rxNormId);
    const std::string_view termType = TextBeforeZero(candidateTermType);
    for (const TermTypeMapping& mapping : kTermTypes) {
        if (EqualsIgnoringAsciiCase(termType, mapping.candidate)) {
            static_assert(sizeof record.termType == 3);
            std::copy(mapping.stored.begin(), mapping.stored.end(), record.termType);
            return;
        }
    }
}
