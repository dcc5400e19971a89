// Runs dosewright-cli on host folders and checks what a run left behind against
// a complete repair of the same folder: whole records, and a CSV line and a log
// sentence for every change.
#pragma once

#include "robust/ChildProcess.h"
#include "robust/PracticeFixture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace robust {

namespace fs = std::filesystem;

// What the program prints first on every start.
inline constexpr std::string_view kBackupReminder =
    "Dosewright: Please make sure you have backed up your database before running the utility "
    "and pressing the \"Dosewright\" button\n";

fs::path CliPath();

// dosewright-cli -C `folder` `mode`, with ORVALE_DB and STORELINK_FAIL unset
// unless `environment` sets them.
ChildOptions CliOptions(const fs::path& folder, const std::string& mode,
                        std::vector<std::pair<std::string, std::string>> environment = {});

// MRRX99's records in the order of the scan's walk.
std::vector<std::string> MedicationRecords(const fs::path& folder);

// The bytes of a file, or the empty text when it does not exist.
std::string FileBytesOrEmpty(const fs::path& path);

// Makes `to` a copy of the host folder `from` (replacing whatever `to` held).
void CopyFolder(const fs::path& from, const fs::path& to);

// The size-scaled count for this build: the sanitized build runs the same
// tests on smaller practices. DOSEWRIGHT_ROBUST_SCALE (a factor) overrides.
int Scaled(int plainCount, int smallest);
bool SanitizedBuild();

// A complete repair of a copy of a host folder.
struct CompleteRepair {
    int examined = 0;
    std::vector<std::string> original; // MRRX99 before, in walk order
    std::vector<std::string> repaired; // MRRX99 after
    std::vector<std::size_t> changed;  // indexes of the records the repair changed, in order
    // The CSV line and the log sentence (each with its CR LF) of a changed record,
    // by its index in `original`; empty for an unchanged record.
    std::vector<std::string> csvLine;
    std::vector<std::string> logLine;
};

// The complete repair with the lines of the change at `index` written without
// their patient reference, as a run writes them when the patient table fails
// for that medication.
CompleteRepair WithoutPatientOf(const CompleteRepair& complete, std::size_t index);

// Repairs a copy of `folder` made in `scratch` and records what it did. The
// copy's lines must match its changes one for one (asserted by the caller with
// the returned description being empty).
CompleteRepair RepairCopy(const fs::path& folder, const fs::path& scratch);

// A practice of `shape` built once for a test suite, beside the result of a
// complete repair of a copy of it.
struct RepairedPractice {
    explicit RepairedPractice(const PracticeShape& shape);

    testsupport::TempFolder temp;
    fs::path folder;
    CompleteRepair complete;
};

// The records now in a table, each either as it was or as repaired; on
// success `changed` lists the indexes of those that are repaired and differ.
testing::AssertionResult RecordsAreWhole(const CompleteRepair& complete,
                                         const std::vector<std::string>& records,
                                         std::vector<std::size_t>& changed);

// The lines a file must hold for `changes`, in their order.
std::string LinesOf(const std::vector<std::string>& lines, const std::vector<std::size_t>& changes,
                    std::size_t count);

// Whether `bytes` (the part of the CSV report or run log a run wrote) holds
// exactly the lines of `changes`. With `inFlight` the last of them may be
// missing, or only begun when the run was killed (`tornTail`).
testing::AssertionResult DescribesChanges(std::string_view what, std::string_view bytes,
                                          const std::vector<std::string>& lines,
                                          const std::vector<std::size_t>& changes, bool inFlight,
                                          bool tornTail = false);

// Whether `actual` equals `expected`; a difference is shown by its place and a
// little of what surrounds it (files here are too large for a whole diff).
testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected);

// A run that stopped on a failure: exit status 1, the reminder and exactly one
// "Dosewright Error" box on standard error, and its text as the status line on
// standard output. On success `message` holds that text.
testing::AssertionResult StoppedWithOneMessage(const ChildResult& result, std::string& message);

// How many patient look-ups a run reports as failed on its last line of standard
// error; 0 when it reports none.
std::size_t FailedPatientLookups(const ChildResult& result);

// The elements of `after` that are not in `before` (both in ascending order).
std::vector<std::size_t> Added(const std::vector<std::size_t>& before,
                               const std::vector<std::size_t>& after);

} // namespace robust
