// Records of the host's three drug reference tables, as the utility reads them.
//
// Integers are 32-bit signed little-endian; texts are single-byte and end with a
// zero byte when shorter than their field. Bytes not named here belong to the
// host and stay zero in search buffers.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "host records hold little-endian integers and are used in place");

// No MRDD99 drug matched.
inline constexpr int32_t NoDrugId = std::numeric_limits<int32_t>::min();

// Kind of MRDRXN99 source identifier that names an MRDD99 drug.
inline constexpr int32_t kSourceKindDrug = 4;

#pragma pack(push, 1)

// MRDD99, the drug dictionary. Searched by key 2 (name, form, route, strength, unit).
struct _MRDD {
    int32_t drugId;        // 0     4  the drug's identifier
    char reserved1[25];    // 4    25  host data
    char drugName[31];     // 29   31  drug name, at most 30 characters
    char routeCode[3];     // 60    3  two-letter route code
    char formCode[5];      // 63    5  dose-form code, at most 4 characters
    char strength[16];     // 68   16  strength value, at most 15 characters
    char strengthUnit[11]; // 84   11  strength unit, at most 10 characters
    char reserved2[174];   // 95  174  host data
};

// MRDNDC99, the NDC table. Searched by key 2 (drugId).
struct _MRDNDC {
    char reserved1[4];  // 0     4  host data
    int32_t drugId;     // 4     4  the MRDD99 drug this NDC belongs to
    char reserved2[62]; // 8    62  host data (the NDC itself among it)
};

// MRDRXN99, drug to RxNorm. Searched by key 1 (sourceKind, then sourceId).
struct _MRDRXN {
    int32_t sourceKind; // 0     4  kind of source identifier; 4 = MRDD99 drug
    char reserved1[4];  // 4     4  host data
    char sourceId[50];  // 8    50  source identifier as decimal text
    char rxNormId[15];  // 58   15  RxNorm concept id; no terminator when all 15 are used
    char termType[15];  // 73   15  RxNorm term type: SCD, SBD, GPCK, BPCK, ...
};

#pragma pack(pop)

inline constexpr int32_t kMrddRecordLength = 269;
inline constexpr int32_t kMrdndcRecordLength = 70;
inline constexpr int32_t kMrdrxnRecordLength = 88;

static_assert(sizeof(_MRDD) == kMrddRecordLength);
static_assert(offsetof(_MRDD, drugName) == 29 && offsetof(_MRDD, routeCode) == 60 &&
              offsetof(_MRDD, formCode) == 63 && offsetof(_MRDD, strength) == 68 &&
              offsetof(_MRDD, strengthUnit) == 84);
static_assert(sizeof(_MRDNDC) == kMrdndcRecordLength && offsetof(_MRDNDC, drugId) == 4);
static_assert(sizeof(_MRDRXN) == kMrdrxnRecordLength);
static_assert(offsetof(_MRDRXN, sourceId) == 8 && offsetof(_MRDRXN, rxNormId) == 58 &&
              offsetof(_MRDRXN, termType) == 73);

// Key numbers the utility searches by.
inline constexpr int32_t kMrddSearchKey = 2;
inline constexpr int32_t kMrdndcSearchKey = 2;
inline constexpr int32_t kMrdrxnSearchKey = 1;

// The candidates of one medication, in the order the table delivered them.
using RxNormCandidateList = std::vector<_MRDRXN>;
