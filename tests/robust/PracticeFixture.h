// Host folders of a practice for the robustness tests: medications that go
// every way a scan can settle one, in a fixed, seeded mix.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace robust {

// The ways a medication of the practice is settled by a repair.
enum class MedicationKind : int {
    OneCandidateOtherId,      // gets its drug's only RxNorm ID (resolution code: the drug ID)
    SeveralCandidatesOtherId, // gets the ID chosen among several candidates
    OneCandidateSameId,       // already right: left alone
    RouteWithoutCode,         // cannot be described: its ID is removed (-2)
    DrugNotInDictionary,      // no drug matches: its ID is removed (-1)
    DrugCodeWithoutId,        // has only a drug code: gets its drug's only ID
    NothingStored,            // neither ID nor drug code: not looked up
    DrugWithoutNdc,           // left alone
    DrugWithoutCandidates,    // left alone
};
inline constexpr int kMedicationKinds = 9;

struct PracticeShape {
    int medications = 0;
    uint32_t seed = 1;
    // The kinds follow each other in the order above (medication i is of kind
    // i % 9), so that a small practice holds each of them; else each is drawn.
    bool cycleKinds = false;
    // Every medication's patient is in the patient table; else a few are not.
    bool everyPatientKnown = false;
};

// Entry IDs run from 1, in the order of the scan's walk; some medications
// carry opaque bytes that must survive untouched.
nlohmann::json PracticeFixture(const PracticeShape& shape);

// One medication as a fixture object (texts as UTF-8 standing for Windows-1252).
struct MedicationTexts {
    std::string drugName, strength, doseForm, route, drugCode, rxNormId, termType;
};
nlohmann::json MedicationJson(int32_t entryId, int32_t patientId, const MedicationTexts& texts);

} // namespace robust
