// The drug dictionary of a generated practice, with each drug's NDCs and
// RxNorm candidates, made from the practice catalog.
#pragma once

#include "PracticeCatalog.h"
#include "RandomStream.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace hostkit {

inline constexpr std::size_t kMostCandidates = 4;

struct GeneratedDrug {
    int32_t drugId = 0;
    std::string_view name; // drugName
    const ProductKind* kind = nullptr;
    std::string_view formCode;
    std::string_view routeCode;
    std::string_view strength; // strength value
    std::string_view unit;     // strengthUnit
    int32_t ndcCount = 0;      // 0: no MRDNDC99 record
    const TermTypePattern* pattern = nullptr;
    int32_t rxNormIds[kMostCandidates] = {}; // one per term type of `pattern`

    std::size_t CandidateCount() const { return pattern->termTypes.size(); }
    // Whether a scan settles this drug's medications: it has an NDC and candidates.
    bool Settles() const { return ndcCount > 0 && CandidateCount() > 0; }
    // Index of the candidate a scan gives its medications, or -1 for none.
    int ChosenCandidate() const { return CandidateCount() == 1 ? 0 : pattern->chosen; }
};

class GeneratedDrugs {
public:
    // About `count` drugs, fewer when the catalog has no more distinct ones.
    GeneratedDrugs(RandomStream& random, std::size_t count);

    const std::vector<GeneratedDrug>& All() const { return m_drugs; }
    // Whether the drug dictionary files a drug under exactly these keys.
    bool Files(std::string_view name, std::string_view formCode, std::string_view routeCode,
               std::string_view strength, std::string_view unit) const;
    // A number no candidate of any drug has.
    int32_t UnusedRxNormId(RandomStream& random) const;

private:
    static std::string Key(std::string_view name, std::string_view formCode,
                           std::string_view routeCode, std::string_view strength,
                           std::string_view unit);

    std::vector<GeneratedDrug> m_drugs;
    std::unordered_set<std::string> m_keys;
    int32_t m_lastRxNormId = 0;
};

} // namespace hostkit
