// A synthetic practice of any size for benchmarks and tests: a drug dictionary
// with NDCs and RxNorm candidates, patients, and medications spread over every
// outcome of a scan. The same settings always give the same tables, byte for
// byte.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace hostkit {

// The largest practice generate makes; entry ids stay well inside 32 bits.
inline constexpr int64_t kMostGeneratedMedications = 100'000'000;

// How often a practice's medication texts and patients recur. The defaults
// follow what practices hold: prescriptions name about one distinct drug
// concept per 14, and a patient has 3 to 5 medications.
inline constexpr int64_t kRealisticMedicationsPerText = 14;
inline constexpr int64_t kRealisticMedicationsPerPatient = 4;
// The first generator's variety: every medication's texts drawn afresh, ten
// medications a patient.
inline constexpr int64_t kVariedMedicationsPerText = 1;
inline constexpr int64_t kVariedMedicationsPerPatient = 10;
inline constexpr int64_t kMostMedicationsPerText = 1'000'000;
inline constexpr int64_t kMostMedicationsPerPatient = 1'000;

struct PracticeSettings {
    int64_t medications = 0;
    uint64_t seed = 1;
    // The practice holds about medications / perText distinct medications
    // (texts and IDs), each given to perText medications on average; 1 draws
    // every medication afresh.
    int64_t medicationsPerText = kRealisticMedicationsPerText;
    // ceil(medications / perPatient) patients, each medication's drawn evenly.
    int64_t medicationsPerPatient = kRealisticMedicationsPerPatient;
};

// What was written, and how many medications a scan would change.
struct PracticeSummary {
    int64_t medications = 0;
    int64_t patients = 0;
    int64_t drugs = 0;
    int64_t ndcs = 0;
    int64_t rxnorm = 0;
    int64_t changes = 0; // medications a report lists and a repair changes
    int64_t texts = 0;   // distinct medications made (each given to one or more)
};

// Writes every table and file of a host folder into `folder`, which must be
// empty. Throws std::runtime_error (or std::logic_error for a fault of the
// catalog) naming what failed.
PracticeSummary WritePractice(const PracticeSettings& settings,
                              const std::filesystem::path& folder);

// One "name value" line per count.
std::string DescribeSummary(const PracticeSummary& summary);

} // namespace hostkit
