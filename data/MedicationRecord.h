// The patient medication record of MRRX99 and the changes the repair makes to it.
//
// The record is always read whole and written back whole: only rxNormId and
// termType are ever changed; every other byte passes through untouched.
#pragma once

#include "data/RecordField.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

inline constexpr std::size_t kMrrxRecordLength = 771;
// The key number of entry order: the walk of a scan and the read before each update.
inline constexpr int32_t kMrrxWalkKey = 7;

#pragma pack(push, 1)
struct _MRRX {
    int32_t entryId;                // 0, 4: medication entry id; reported, not otherwise used
    int32_t patientId;              // 4, 4: the patient's number; key 1 of the patient table
    unsigned char reserved8[116];   // 8, 116: opaque, carried through
    char drugName[35];              // 124, 35: medication name
    char strength[25];              // 159, 25: strength as written, number and unit in one text
    unsigned char reserved184[49];  // 184, 49: opaque, carried through
    char doseForm[50];              // 233, 50: dose form as written
    unsigned char reserved283[47];  // 283, 47: opaque, carried through
    char route[20];                 // 330, 20: route of administration as written
    unsigned char reserved350[43];  // 350, 43: opaque, carried through
    char drugCode[12];              // 393, 12: second drug code; tested for emptiness, reported
    unsigned char reserved405[246]; // 405, 246: opaque, carried through
    char rxNormId[15];              // 651, 15: RxNorm ID; the field the repair corrects
    unsigned char reserved666[52];  // 666, 52: opaque, carried through
    char termType[3];               // 718, 3: "SCD", "SBD" or three spaces; changes with rxNormId
    unsigned char reserved721[50];  // 721, 50: opaque, carried through
};
#pragma pack(pop)

// The text fields of _MRRX, as GetFieldText reads them.
inline constexpr TextField kMrrxDrugName{124, 35};
inline constexpr TextField kMrrxStrength{159, 25};
inline constexpr TextField kMrrxDoseForm{233, 50};
inline constexpr TextField kMrrxRoute{330, 20};
inline constexpr TextField kMrrxDrugCode{393, 12};
inline constexpr TextField kMrrxRxNormId{651, 15};
inline constexpr TextField kMrrxTermType{718, 3};

static_assert(sizeof(_MRRX) == kMrrxRecordLength);
static_assert(std::is_trivially_copyable_v<_MRRX> && std::is_standard_layout_v<_MRRX>);
static_assert(offsetof(_MRRX, entryId) == 0);
static_assert(offsetof(_MRRX, patientId) == 4);
static_assert(offsetof(_MRRX, reserved8) == 8);
static_assert(offsetof(_MRRX, drugName) == kMrrxDrugName.offset);
static_assert(sizeof(_MRRX::drugName) == kMrrxDrugName.width);
static_assert(offsetof(_MRRX, strength) == kMrrxStrength.offset);
static_assert(sizeof(_MRRX::strength) == kMrrxStrength.width);
static_assert(offsetof(_MRRX, reserved184) == 184);
static_assert(offsetof(_MRRX, doseForm) == kMrrxDoseForm.offset);
static_assert(sizeof(_MRRX::doseForm) == kMrrxDoseForm.width);
static_assert(offsetof(_MRRX, reserved283) == 283);
static_assert(offsetof(_MRRX, route) == kMrrxRoute.offset);
static_assert(sizeof(_MRRX::route) == kMrrxRoute.width);
static_assert(offsetof(_MRRX, reserved350) == 350);
static_assert(offsetof(_MRRX, drugCode) == kMrrxDrugCode.offset);
static_assert(sizeof(_MRRX::drugCode) == kMrrxDrugCode.width);
static_assert(offsetof(_MRRX, reserved405) == 405);
static_assert(offsetof(_MRRX, rxNormId) == kMrrxRxNormId.offset);
static_assert(sizeof(_MRRX::rxNormId) == kMrrxRxNormId.width);
static_assert(offsetof(_MRRX, reserved666) == 666);
static_assert(offsetof(_MRRX, termType) == kMrrxTermType.offset);
static_assert(sizeof(_MRRX::termType) == kMrrxTermType.width);
static_assert(offsetof(_MRRX, reserved721) == 721);
static_assert(offsetof(_MRRX, reserved721) + sizeof(_MRRX::reserved721) == kMrrxRecordLength);

// Sets all of rxNormId and termType to spaces. Nothing else changes.
void ClearRxNorm(_MRRX& record);

// Clears rxNormId and termType, then stores the first 15 characters of `id` (a
// zero byte ends it) at the start of rxNormId, the rest staying spaces, and the
// term type that goes with `candidateTermType`: "SBD" for SBD or BPCK, "SCD" for
// SCD or GPCK (compared without regard to ASCII letter case), else three spaces.
// No terminator is written into the record.
void SetRxNorm(_MRRX& record, std::string_view id, std::string_view candidateTermType);
