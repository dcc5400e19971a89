// The exported functions of the host utility library. Every integer is 32-bit
// signed, every text zero-terminated single-byte, every buffer the caller's.
#pragma once

#include "common/HostExport.h"

#include <cstdint>

namespace ovutilities {

// Environment variable naming the database folder; unset or empty: the current directory.
inline constexpr const char* kDatabaseFolderVariable = "ORVALE_DB";

inline constexpr int kDatabasePathSize = 260;        // database folder buffer, with the NUL
inline constexpr int kErrorTextSize = 400;           // error-text buffer, with the NUL
inline constexpr int kVersionCheckBufferSize = 1000; // buffer of the version check
inline constexpr int32_t kFailed = 1;                // the one result that means failure

inline constexpr int32_t kMedicationTableNumber = 90; // OV_GetDBfp: MRRX<data set>
inline constexpr int32_t kPatientTableNumber = 36;    // OV_GetDBfp: MRPT<data set>

} // namespace ovutilities

extern "C" {

// Writes the database folder, ending with '/', into `databasePath` (260 bytes):
// the folder named by ORVALE_DB, else the current directory. A folder that does
// not exist, is not a folder, or does not fit the buffer with its separator is
// a failure: the message goes into `errorText` (400 bytes) and is thrown as
// std::runtime_error. Returns 0.
HOST_EXPORT int32_t HOST_CALL PR_Get_Database_Path(char* databasePath, char* errorText);

// Opens the medication table and the patient table of `dataSet` in the database
// folder through the record manager. Returns 0 when both are open, 1 with a
// message in `errorText` (400 bytes) when not; then nothing is left open. An
// already open file set is closed first. `reserved` is not used.
HOST_EXPORT int32_t HOST_CALL OV_OpenDBFiles(char* errorText, const char* reserved,
                                             const char* dataSet);

// The host's further tables are not needed by callers of this library; there is
// nothing more to open. Returns 0.
HOST_EXPORT int32_t HOST_CALL OV_UtilGetDBFiles(char* errorText);

// Record-manager handle of a table of the open file set: 90 the medication
// table, 36 the patient table. -1 for other numbers and while nothing is open.
HOST_EXPORT int32_t HOST_CALL OV_GetDBfp(int32_t hostTableNumber);

// Closes the file set; safe when nothing is open. Returns 0, or 1 with a
// message when the record manager refused to close a table (its handle is
// given up all the same).
HOST_EXPORT int32_t HOST_CALL OV_CloseDBFiles(char* errorText);

// Compares the drug-interaction data version recorded in the database folder
// with the version this installation level requires. Returns 0 when they are
// equal, 1 otherwise (also when no version is recorded); writes a one-line
// explanation into `versionText` (1000 bytes) either way.
HOST_EXPORT int32_t HOST_CALL OV_VerifyCorrectVersionOfDrugIntInstalled(char* versionText);

} // extern "C"
