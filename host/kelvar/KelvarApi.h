// The exported functions of the drug-knowledge library.
#pragma once

#include "common/HostExport.h"

#include <cstdint>

namespace kelvar {

inline constexpr int32_t kQueryDoseFormToFormCode = 16;

// Results of OV_QueryCache.
inline constexpr int32_t kQueryFound = 0;          // the code is in the output buffer
inline constexpr int32_t kQueryNotFound = 1;       // the text is not in the vocabulary
inline constexpr int32_t kQueryUnknownQuery = 2;   // a query number other than 16
inline constexpr int32_t kQueryBadArgument = 3;    // null key or output, size below 1
inline constexpr int32_t kQueryOutputTooSmall = 4; // the code and its NUL do not fit

// What OV_QueryCache writes into its 16-byte extra area (when one is given):
// facts about the lookup, for diagnosis only. Written whole on every call.
struct QueryCacheExtra {
    int32_t line;         // 0..3: vocabulary line of the matched entry, 0 when none matched
    int32_t formCount;    // 4..7: dose-form entries of the vocabulary in use
    int32_t unitCount;    // 8..11: unit spellings of the vocabulary in use
    int32_t ignoredLines; // 12..15: vocabulary lines that were not understood
};
static_assert(sizeof(QueryCacheExtra) == 16);

// Results of OV_SplitSizeToStrengthSUM.
inline constexpr int32_t kSplitDone = 1;          // value and unit written
inline constexpr int32_t kSplitNotUnderstood = 0; // nothing written

// The strength outputs are 26-byte buffers: at most 25 characters and the NUL.
inline constexpr int kStrengthOutputSize = 26;

} // namespace kelvar

extern "C" {

// Query 16: the form code of a dose-form text, from the vocabulary of the
// database folder. The text matches a vocabulary entry as a whole, without
// regard to ASCII letter case. `argument` is not used. Never writes past
// `outputSize` bytes of `output`, nor past 16 bytes of `extra` (may be null);
// on any result but kQueryFound `output` is left as it was.
HOST_EXPORT int32_t HOST_CALL OV_QueryCache(int32_t queryNumber, const char* key, int32_t argument,
                                            char* output, int32_t outputSize, void* extra);

// Splits a strength text - a number, an optional blank, a unit spelling of the
// vocabulary, surrounding blanks allowed - into the number as the drug
// dictionary writes it (thousands commas removed) and the unit as the
// dictionary writes it. Returns kSplitDone with both written (each at most 25
// characters and a NUL), or kSplitNotUnderstood with neither touched. The drug
// name, route code and form code do not change the split.
HOST_EXPORT int32_t HOST_CALL OV_SplitSizeToStrengthSUM(const char* drugName, const char* routeCode,
                                                        const char* formCode,
                                                        const char* strengthText,
                                                        char* strengthValue, char* strengthUnit);

} // extern "C"
