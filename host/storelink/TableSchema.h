// The layout of a table file: how a SQLite database carries a table's
// definition and records.
//
//   PRAGMA application_id = kApplicationId       marks the file as a table file
//   storelink_table(format, record_length,       exactly one row; format = kFormatVersion,
//                   first_credential,            credentials as BLOBs of their bytes
//                   second_credential)
//   storelink_key(key_number, segment,           one row per key segment; segments of a
//                 offset, width, type)           key numbered 0, 1, ... in compare order
//   records(id INTEGER PRIMARY KEY,              id = insertion order
//           record BLOB,                         the whole record, exactly record_length bytes
//           key_<n> BLOB, ...)                   the encoded key <n>, one column per key,
//   records_key_<n> ON records(key_<n>)          each indexed (the index ends with id)
#pragma once

#include "storelink/SqliteHandles.h"
#include "storelink/StoreLinkAdmin.h"

#include <cstdint>
#include <string>

namespace storelink {

inline constexpr int32_t kApplicationId = 0x534C4E4B; // "SLNK"
inline constexpr int32_t kFormatVersion = 1;

std::string KeyColumnName(int32_t keyNumber);
std::string KeyIndexName(int32_t keyNumber);

// Creates the definition tables and the (empty, unindexed) records table and
// stores `definition`. Returns the SQLite result code; `problem` says what failed.
int CreateTableSchema(sqlite3* db, const TableDefinition& definition, std::string& problem);

// Creates the key indexes. Returns the SQLite result code.
int CreateKeyIndexes(sqlite3* db, const TableDefinition& definition, std::string& problem);

// Reads and checks the definition a table file carries: the file mark, the
// definition tables, the records table's columns and the key indexes.
// Returns 0, or a negative status with `problem` saying what is wrong.
int32_t ReadTableSchema(sqlite3* db, TableDefinition& definition, std::string& problem);

} // namespace storelink
