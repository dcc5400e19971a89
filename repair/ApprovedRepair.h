// A repair limited to the changes a person approved: the rows of a report
// they kept. A medication changes only when it is listed and the repair would
// now make exactly the listed change; a listed one whose change is another
// now (edited since the review, or the dictionary changed) is left alone and
// named in the run log, and so is a listed one the walk never reached.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/MedicationRecord.h"
#include "repair/ApprovedChanges.h"

class ApprovedRepair {
public:
    enum class Verdict {
        NotListed, // not approved: left as it is, without a word
        Approved,  // the change the row shows: made
        Differs,   // listed, but the repair would now make another change: left alone
    };

    // Limits the next repair to `approved`, until End.
    void Begin(ApprovedParse approved);
    void End();
    bool IsActive() const { return m_active; }

    // A medication the walk reached.
    void NoteMedication(const _MRRX& record);
    // The change the repair would make now of `asRead`; for Differs, `reason`
    // says what was approved instead.
    Verdict Judge(const _MRRX& asRead, const _MRRX& changed, std::string& reason);

    // After the walk: the log's sentences for the approved rows that were not
    // made because the repair proposes nothing for their medication now, or
    // that matched no medication.
    std::vector<std::string> UnmadeSentences() const;

    int32_t Rows() const { return static_cast<int32_t>(m_approved.changes.size()); }
    int32_t Applied() const;
    int32_t LeftAlone() const;
    int32_t Unmatched() const;

private:
    enum class Row { NotReached, Reached, Applied, Differed };

    bool m_active = false;
    ApprovedParse m_approved;
    // The row of an approved change of m_approved.
    Row& RowOf(const ApprovedChange& change);

    std::vector<Row> m_rows; // one for each approved change
};

// Reads and parses the approved file at `path`: only a regular file of its
// own (never a link, a FIFO or a folder), at most kApprovedFileMaxBytes. A
// failure says why, naming the file.
ApprovedParse LoadApprovedChanges(const char* path);

// The status line after a repair of approved changes.
std::string ApprovedRepairResultText(int32_t fixed, int32_t examined, const ApprovedRepair& repair);
