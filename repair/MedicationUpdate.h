// Writing a changed medication record back to MRRX99.
#pragma once

#include <cstdint>

#include "data/MedicationRecord.h"

// Rewrites the MRRX99 record the scan last read (through `mrrx`) with
// `changed`, unless the record no longer holds `asRead`, the bytes the change
// was decided on. Another program may edit the medication while the scan looks
// its drug up; writing the whole record then would silently undo that edit. A
// record manager may refuse such a write itself, but need not, so the record is
// read again just before the write and compared.
//
// Returns 0 when written; host::kStatusRecordChanged when the record differs
// (or is gone), and nothing was written; any other negative value is the
// failing record-manager call's own status.
int32_t UpdateMedicationRecord(int32_t mrrx, const _MRRX& asRead, const _MRRX& changed);

// Reads the medication of `entryId` and `patientId` from MRRX99 into `record`,
// leaving the table placed on it. Returns 1 when found, 0 when there is none,
// or the failing record-manager call's negative status.
int32_t FindMedicationRecord(int32_t mrrx, int32_t entryId, int32_t patientId, _MRRX& record);
