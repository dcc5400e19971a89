// The record of the host's patient table MRPT99 (host table number 36), of
// which the run log and the CSV report use two fields to name the patient.
// Read only.
#pragma once

#include "data/RecordField.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

inline constexpr std::size_t kMrptRecordLength = 1140;

#pragma pack(push, 1)
struct _MRPT {
    int32_t patientId;              // 0, 4: the patient's number; key 1 of the table
    unsigned char reserved4[46];    // 4, 46: not used
    char patientRef[11];            // 50, 11: patient reference shown in the log and the CSV
    unsigned char reserved61[1079]; // 61, 1079: not used
};
#pragma pack(pop)

inline constexpr int32_t kMrptPatientKey = 1; // key number: patientId
inline constexpr TextField kMrptPatientRef{50, 11};

static_assert(sizeof(_MRPT) == kMrptRecordLength);
static_assert(std::is_trivially_copyable_v<_MRPT> && std::is_standard_layout_v<_MRPT>);
static_assert(offsetof(_MRPT, patientId) == 0);
static_assert(offsetof(_MRPT, reserved4) == 4);
static_assert(offsetof(_MRPT, patientRef) == kMrptPatientRef.offset);
static_assert(sizeof(_MRPT::patientRef) == kMrptPatientRef.width);
static_assert(offsetof(_MRPT, reserved61) == 61);
static_assert(offsetof(_MRPT, reserved61) + sizeof(_MRPT::reserved61) == kMrptRecordLength);
