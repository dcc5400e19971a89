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

struct PracticeSettings {
    int64_t medications = 0;
    uint64_t seed = 1;
};

// What was written, and how many medications a scan would change.
struct PracticeSummary {
    int64_t medications = 0;
    int64_t patients = 0;
    int64_t drugs = 0;
    int64_t ndcs = 0;
    int64_t rxnorm = 0;
    int64_t changes = 0; // medications a report lists and a repair changes
};

// Writes every table and file of a host folder into `folder`, which must be
// empty. Throws std::runtime_error (or std::logic_error for a fault of the
// catalog) naming what failed.
PracticeSummary WritePractice(const PracticeSettings& settings,
                              const std::filesystem::path& folder);

// One "name value" line per count.
std::string DescribeSummary(const PracticeSummary& summary);

} // namespace hostkit
