#include "repair/MedicationUpdate.h"

#include <cstring>

#include "data/HostLibraries.h"

int32_t UpdateMedicationRecord(int32_t mrrx, const _MRRX& asRead, const _MRRX& changed) {
    constexpr auto kRecordLength = static_cast<int32_t>(kMrrxRecordLength);
    _MRRX current{};
    const int32_t status = fsget(mrrx, kMrrxWalkKey, &current, kRecordLength);
    if (status < 0)
        return status;
    if (status == 0 || std::memcmp(&current, &asRead, kMrrxRecordLength) != 0)
        return host::kStatusRecordChanged;
    return fsupdate(mrrx, &changed, kRecordLength);
}

int32_t FindMedicationRecord(int32_t mrrx, int32_t entryId, int32_t patientId, _MRRX& record) {
    constexpr auto kRecordLength = static_cast<int32_t>(kMrrxRecordLength);
    record = _MRRX{};
    record.entryId = entryId;
    int32_t status = fspos(mrrx, kMrrxWalkKey, &record);
    if (status < 0 || status != host::kStatusExactMatch)
        return status < 0 ? status : 0;
    // Entry IDs need not be unique: the medication is the one of its patient.
    status = fsget(mrrx, kMrrxWalkKey, &record, kRecordLength);
    while (status > 0 && record.entryId == entryId && record.patientId != patientId)
        status = fsgetn(mrrx, kMrrxWalkKey, &record, kRecordLength);
    if (status < 0 && status != host::kStatusEndOfFile)
        return status;
    return status > 0 && record.entryId == entryId && record.patientId == patientId ? 1 : 0;
}
