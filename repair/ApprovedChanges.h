// The approved file: the report's CSV (Dosewright.csv) as a person kept it after
// deleting the rows of the changes they reject, perhaps saved again by a
// spreadsheet. Only the columns that name a medication and its change are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The largest approved file read, and the most rows it may hold. The report of
// the largest medication table stays far below both.
inline constexpr std::size_t kApprovedFileMaxBytes = std::size_t{512} * 1024 * 1024;
inline constexpr std::size_t kApprovedFileMaxRows = 5'000'000;

struct ApprovedChange {
    int32_t entryId = 0;     // column 1
    int32_t patientId = 0;   // column 6
    std::string oldRxNormId; // column 4 as the report wrote it; empty: there was none
    std::string newRxNormId; // column 3 as the report wrote it; empty: the ID is removed
    std::size_t line = 0;    // the line of the file the row starts on, from 1
};

// Spreads the (entry ID, patient ID) keys over the buckets, whatever their pattern.
struct ApprovedMedicationHash {
    std::size_t operator()(uint64_t key) const noexcept;
};

struct ApprovedParse {
    bool ok = false;
    // In file order; a row repeating an earlier one (same medication, same
    // change) is kept once, on the line it first appears.
    std::vector<ApprovedChange> changes;
    // When !ok, a message naming the file and the line, such as
    // "Line 7 of approved.csv: column 1 is not an entry ID"; `changes` is empty.
    std::string failure;
    // FindApproved's index into `changes`, by entry ID and patient ID.
    std::unordered_map<uint64_t, std::size_t, ApprovedMedicationHash> byMedication;
};

// Reads the text of an approved file; `fileName` only names it in the messages.
// Takes a UTF-8 byte-order mark or none, CR LF, LF or CR line ends, quoted or
// bare cells, one header row (a first row whose column 1 holds no digit), the
// apostrophe the report puts before a formula-like text kept or dropped, extra
// columns, rows cut after column 6, blanks around the numbers, and blank rows
// (also rows of empty cells). Refuses a NUL byte, an unclosed quote, text after a
// closing quote, a row without six columns or whose column 1 or 6 is no 32-bit
// integer, a medication listed twice with different changes, and more than
// kApprovedFileMaxBytes or kApprovedFileMaxRows. One pass, linear in the text.
ApprovedParse ParseApprovedChanges(std::string_view text, std::string_view fileName);

// The approved change of a medication, or null when the file does not list it.
const ApprovedChange* FindApproved(const ApprovedParse& parse, int32_t entryId, int32_t patientId);
