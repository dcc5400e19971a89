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
