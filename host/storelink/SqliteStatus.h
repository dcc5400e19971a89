// Translation of SQLite result codes into record-manager status values.
#pragma once

#include <cstdint>

namespace storelink {

// The status for a failed SQLite call (rc is neither SQLITE_OK, SQLITE_ROW nor
// SQLITE_DONE).
int32_t StatusFromSqlite(int rc);

} // namespace storelink
