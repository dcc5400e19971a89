// Owning wrappers for SQLite connections and prepared statements.
#pragma once

#include <memory>
#include <sqlite3.h>

namespace storelink {

struct ConnectionCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Prepares `sql` for repeated use. Returns the SQLite result code.
inline int PrepareStatement(sqlite3* db, const char* sql, Statement& statement) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
    statement.reset(raw);
    return rc;
}

// Runs statements that return no rows of interest. Returns the SQLite result code.
inline int ExecuteSql(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

} // namespace storelink
