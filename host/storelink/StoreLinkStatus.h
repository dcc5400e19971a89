// Status values of the record manager. Non-negative results follow the host's
// conventions (handle, 1 exact match, 4 empty table); every error is negative.
#pragma once

#include "common/HostExport.h"

#include <cstdint>

namespace storelink {

inline constexpr int32_t kExactMatch = 1;
inline constexpr int32_t kPositioned = 2;        // fspos: on the first greater key
inline constexpr int32_t kPositionedPastEnd = 3; // fspos: no key at or above; on the last record
inline constexpr int32_t kEmptyTable = 4;

inline constexpr int32_t kErrBadArgument = -2;      // null pointer, unknown mode or flag
inline constexpr int32_t kErrFileNotFound = -12;    // no table file at that path
inline constexpr int32_t kErrNotATable = -13;       // the file is not a table file, or is corrupt
inline constexpr int32_t kErrCredentials = -14;     // wrong credential
inline constexpr int32_t kErrRecordLength = -15;    // length argument differs from the table's
inline constexpr int32_t kErrNoCurrentRecord = -16; // fsget/fsupdate without a current record
inline constexpr int32_t kErrKeyNumber = -17;       // the table has no such key
inline constexpr int32_t kErrIo = -18;              // the storage failed (disk full, I/O error)
inline constexpr int32_t kErrTooManyHandles = -19;
inline constexpr int32_t kErrBadHandle = -20; // not an open handle
inline constexpr int32_t kErrBusy = -21;      // locked by another process
inline constexpr int32_t kErrReadOnly = -22;  // the table file cannot be written
// fsupdate: the stored record is no longer what this handle last read (another
// handle or process changed it since); nothing was written. Read it again first.
inline constexpr int32_t kErrRecordChanged = -23;
// The file at the table's path is no longer the one this handle opened (another
// file was renamed over it, or it was removed). The handle reads and writes
// nothing more; every later call on it fails the same way.
inline constexpr int32_t kErrTableReplaced = -24;
inline constexpr int32_t kEndOfFile = -116;

} // namespace storelink

extern "C" {
// Test switch: make call number `callNumber` (counted from 1, from now on) of
// `operation` ("fsopen", "fspos", "fsget", "fsgetn", "fsgotof", "fsupdate",
// "fsclose", or "*" for any of them) return `status` without doing anything.
// callNumber 0 turns the switch off. The same switch can be set for a whole
// process with the environment variable STORELINK_FAIL="operation:callNumber:status",
// read when the library is loaded.
STANDIN_EXPORT void StoreLink_FailCall(const char* operation, int32_t callNumber, int32_t status);
}
