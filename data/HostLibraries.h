// The contract of the host product's libraries, as the utility calls them.
//
// The host's record manager (StoreLinkDll), its utility library (OVUtilities),
// its application-logic library (OVAppLogic) and its drug-knowledge wrapper
// (Kelvar.Api.NetWrapper) are not part of this program. They are linked as
// imports under the host's own export names (on Windows through import
// libraries made from host/exports/*.def; OVAppLogic's one function by its
// ordinal); every integer crossing this boundary is 32-bit signed, every text a
// zero-terminated single-byte string, and every buffer is owned by the caller.
// Every function has the host's calling convention, HOST_CALL, which the build
// sets (DOSEWRIGHT_HOST_CALLING_CONVENTION: cdecl by default, or stdcall).
//
// Any library that honours these declarations and the return conventions
// below can stand in for the host; this program relies on nothing else.
#pragma once

#include <cstdint>

#ifndef HOST_CALL
#define HOST_CALL
#endif

namespace host {

// Buffer sizes shared with the host, in bytes including the terminating zero.
inline constexpr int kDatabasePathSize = 260; // database folder, ends with the separator
inline constexpr int kErrorTextSize = 400;    // message written by the host utility functions

// Record-manager status values the utility relies on.
inline constexpr int32_t kStatusExactMatch = 1;   // fspos: positioned on an equal key
inline constexpr int32_t kStatusEmptyTable = 4;   // fspos: the table holds no record
inline constexpr int32_t kStatusEndOfFile = -116; // fsgetn: there is no further record
// fsupdate: the record changed since it was read, and was not rewritten. The
// utility gives the same code when its own check before an update finds the
// record changed, so both are shown alike: it must match the host's value.
inline constexpr int32_t kStatusRecordChanged = -23;

// Host utility functions signal failure by this value only; any other is success.
inline constexpr int32_t kHostCallFailed = 1;

// The drug-knowledge wrapper.
inline constexpr int32_t kQueryDoseFormToFormCode = 16; // OV_QueryCache query number
inline constexpr int32_t kQueryCacheFound = 0;          // OV_QueryCache: form code written
inline constexpr int32_t kSplitSucceeded = 1;   // OV_SplitSizeToStrengthSUM: both outputs written
inline constexpr int kQueryCacheExtraSize = 16; // the area OV_QueryCache may fill; never read

// Argument of InitMidWare at start-up.
inline constexpr int32_t kMidWareInitArgument = 78;

// The version entry point of the utility library, looked up by name at run time.
// Returns 0 when the installed drug-interaction data has the version this utility needs.
using VerifyDrugIntVersionFn = int32_t(HOST_CALL*)(char* versionText);
inline constexpr const char* kUtilityLibraryName = "OVUtilities";
// A host built for stdcall with decorated names exports it as the compiler
// decorates it: the leading underscore and the argument bytes.
#if defined(HOST_DECORATED_NAMES)
inline constexpr const char* kVerifyDrugIntVersionEntryPoint =
    "_OV_VerifyCorrectVersionOfDrugIntInstalled@4";
#else
inline constexpr const char* kVerifyDrugIntVersionEntryPoint =
    "OV_VerifyCorrectVersionOfDrugIntInstalled";
#endif
inline constexpr int kVersionCheckBufferSize = 1000;

// Host table numbers for OV_GetDBfp.
inline constexpr int32_t kHostTableMedications = 90; // MRRX99
inline constexpr int32_t kHostTablePatients = 36;    // the patient table

// Credentials and flags passed to every fsopen of a reference table.
inline constexpr const char* kOpenMode = "w";
inline constexpr const char* kFirstCredential = "kwellrun";
inline constexpr const char* kSecondCredential = "tovk";
inline constexpr const char* kOpenFlag = "s";

// Host file-set data-set suffix.
inline constexpr const char* kDataSet = "99";

} // namespace host

extern "C" {

// --- Record manager (libStoreLinkDll) --------------------------------------------------------
// Handles are >= 0; a negative value where a handle is expected is an error code.

int32_t HOST_CALL InitMidWare(int32_t argument);
int32_t HOST_CALL fsopen(const char* tablePath, const char* mode, const char* firstCredential,
                         const char* secondCredential, const char* flag);
int32_t HOST_CALL fsclose(int32_t handle);
// Positions on the first record whose key is not below the key held in `record`.
// <0 error, 4 empty table, 1 exact match, any other >= 0: positioned, caller compares.
int32_t HOST_CALL fspos(int32_t handle, int32_t keyNumber, void* record);
// Reads the record at the current position. <0 error, >0 read, 0 no record.
int32_t HOST_CALL fsget(int32_t handle, int32_t keyNumber, void* record, int32_t recordLength);
// Reads the next record in key order. >0 read, 0 none, -116 end, other <0 error.
int32_t HOST_CALL fsgetn(int32_t handle, int32_t keyNumber, void* record, int32_t recordLength);
// Positions before the first record in key order. <0 error.
int32_t HOST_CALL fsgotof(int32_t handle, int32_t keyNumber);
// Rewrites the record last read through this handle. <0 error, among them
// kStatusRecordChanged when the record changed since it was read.
int32_t HOST_CALL fsupdate(int32_t handle, const void* record, int32_t recordLength);

// --- Host utility library (libOVUtilities) ----------------------------------------------------

// Fills the database folder (ending with the separator). A failure is raised as a
// C++ exception; errorText then holds the message. The return value carries nothing.
int32_t HOST_CALL PR_Get_Database_Path(char* databasePath, char* errorText);
// Opens the host file set of `dataSet`. Returns 1 on failure with the message in errorText.
int32_t HOST_CALL OV_OpenDBFiles(char* errorText, const char* reserved, const char* dataSet);
int32_t HOST_CALL OV_UtilGetDBFiles(char* errorText);
// Handle of a table of the open host file set (90: MRRX99, 36: the patient table).
int32_t HOST_CALL OV_GetDBfp(int32_t hostTableNumber);
int32_t HOST_CALL OV_CloseDBFiles(char* errorText);
// OV_VerifyCorrectVersionOfDrugIntInstalled is looked up by name at run time by the
// installation check and never imported; see host::VerifyDrugIntVersionFn.

// --- Application-logic library (libOVAppLogic) ------------------------------------------------
// The one function the utility uses; on the host's original platform it is exported by
// ordinal 244 only. Returns 1 on failure with the message in errorText.
int32_t HOST_CALL OVAppLogic_Ordinal244(const char* dataSet, char* errorText);

// --- Drug-knowledge wrapper (libKelvar.Api.NetWrapper) ----------------------------------------

// Query 16: dose-form text -> form code. 0: found, with the code zero-terminated in `output`.
int32_t HOST_CALL OV_QueryCache(int32_t queryNumber, const char* key, int32_t argument,
                                char* output, int32_t outputSize, void* extra);
// Splits a strength text into value and unit (each zero-terminated, at most 25 characters).
// 1: both outputs written; any other value: failure.
int32_t HOST_CALL OV_SplitSizeToStrengthSUM(const char* drugName, const char* routeCode,
                                            const char* formCode, const char* strengthText,
                                            char* strengthValue, char* strengthUnit);

} // extern "C"
