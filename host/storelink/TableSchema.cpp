#include "storelink/TableSchema.h"

#include "storelink/KeyEncoder.h"
#include "storelink/SqliteStatus.h"
#include "storelink/StoreLinkStatus.h"

#include <set>

namespace storelink {
namespace {

int Failed(int rc, sqlite3* db, const std::string& what, std::string& problem) {
    problem = what + ": " + sqlite3_errmsg(db);
    return rc;
}

int32_t Refused(const std::string& what, std::string& problem) {
    problem = what;
    return kErrNotATable;
}

std::string ColumnBytes(sqlite3_stmt* statement, int column) {
    const void* bytes = sqlite3_column_blob(statement, column);
    const int size = sqlite3_column_bytes(statement, column);
    return bytes != nullptr
               ? std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size))
               : std::string();
}

bool IsInteger(sqlite3_stmt* statement, int column) {
    return sqlite3_column_type(statement, column) == SQLITE_INTEGER;
}

// Reads an integer column that must fit a 32-bit signed integer.
bool ReadInt32(sqlite3_stmt* statement, int column, int32_t& value) {
    if (!IsInteger(statement, column)) {
        return false;
    }
    const sqlite3_int64 wide = sqlite3_column_int64(statement, column);
    if (wide < INT32_MIN || wide > INT32_MAX) {
        return false;
    }
    value = static_cast<int32_t>(wide);
    return true;
}

int32_t ReadMark(sqlite3* db, std::string& problem) {
    Statement statement;
    int rc = PrepareStatement(db, "PRAGMA application_id", statement);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(statement.get());
    }
    if (rc != SQLITE_ROW) {
        return StatusFromSqlite(Failed(rc, db, "reading the file header", problem));
    }
    if (sqlite3_column_int(statement.get(), 0) != kApplicationId) {
        return Refused("the file is not a table file", problem);
    }
    return 0;
}

int32_t ReadTableRow(sqlite3* db, TableDefinition& definition, std::string& problem) {
    Statement statement;
    int rc = PrepareStatement(
        db,
        "SELECT format, record_length, first_credential, second_credential FROM storelink_table",
        statement);
    if (rc != SQLITE_OK) {
        return StatusFromSqlite(Failed(rc, db, "reading the table definition", problem));
    }
    rc = sqlite3_step(statement.get());
    if (rc == SQLITE_DONE) {
        return Refused("the table definition is missing", problem);
    }
    if (rc != SQLITE_ROW) {
        return StatusFromSqlite(Failed(rc, db, "reading the table definition", problem));
    }
    int32_t format = 0;
    if (!ReadInt32(statement.get(), 0, format) || format != kFormatVersion) {
        return Refused("the table file has an unknown format", problem);
    }
    if (!ReadInt32(statement.get(), 1, definition.recordLength)) {
        return Refused("the record length is not a number", problem);
    }
    definition.firstCredential = ColumnBytes(statement.get(), 2);
    definition.secondCredential = ColumnBytes(statement.get(), 3);
    rc = sqlite3_step(statement.get());
    if (rc == SQLITE_ROW) {
        return Refused("the table definition is given twice", problem);
    }
    if (rc != SQLITE_DONE) {
        return StatusFromSqlite(Failed(rc, db, "reading the table definition", problem));
    }
    return 0;
}

int32_t ReadKeys(sqlite3* db, TableDefinition& definition, std::string& problem) {
    Statement statement;
    int rc = PrepareStatement(db,
                              "SELECT key_number, segment, offset, width, type FROM storelink_key "
                              "ORDER BY key_number, segment",
                              statement);
    if (rc != SQLITE_OK) {
        return StatusFromSqlite(Failed(rc, db, "reading the key definitions", problem));
    }
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        int32_t number = 0;
        int32_t segmentIndex = 0;
        int32_t type = 0;
        KeySegment segment{};
        if (!ReadInt32(statement.get(), 0, number) ||
            !ReadInt32(statement.get(), 1, segmentIndex) ||
            !ReadInt32(statement.get(), 2, segment.offset) ||
            !ReadInt32(statement.get(), 3, segment.width) || !ReadInt32(statement.get(), 4, type)) {
            return Refused("a key definition holds something other than numbers", problem);
        }
        segment.type = static_cast<SegmentType>(type);
        if (definition.keys.empty() || definition.keys.back().number != number) {
            definition.keys.push_back(KeyDefinition{number, {}});
        }
        std::vector<KeySegment>& segments = definition.keys.back().segments;
        if (segmentIndex != static_cast<int32_t>(segments.size())) {
            return Refused("the segments of key " + std::to_string(number) +
                               " are not numbered 0, 1, ...",
                           problem);
        }
        segments.push_back(segment);
    }
    if (rc != SQLITE_DONE) {
        return StatusFromSqlite(Failed(rc, db, "reading the key definitions", problem));
    }
    return 0;
}

int32_t CheckRecordsTable(sqlite3* db, const TableDefinition& definition, std::string& problem) {
    std::string sql = "SELECT id, record";
    for (const KeyDefinition& key : definition.keys) {
        sql += ", " + KeyColumnName(key.number);
    }
    sql += " FROM records LIMIT 0";
    Statement statement;
    int rc = PrepareStatement(db, sql.c_str(), statement);
    if (rc != SQLITE_OK) {
        return StatusFromSqlite(Failed(rc, db, "checking the records table", problem));
    }

    std::set<std::string> indexes;
    rc = PrepareStatement(
        db, "SELECT name FROM sqlite_schema WHERE type = 'index' AND tbl_name = 'records'",
        statement);
    while (rc == SQLITE_OK && (rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        indexes.insert(ColumnBytes(statement.get(), 0));
        rc = SQLITE_OK;
    }
    if (rc != SQLITE_DONE) {
        return StatusFromSqlite(Failed(rc, db, "checking the key indexes", problem));
    }
    for (const KeyDefinition& key : definition.keys) {
        if (indexes.count(KeyIndexName(key.number)) == 0) {
            return Refused("the index of key " + std::to_string(key.number) + " is missing",
                           problem);
        }
    }
    return 0;
}

} // namespace

std::string KeyColumnName(int32_t keyNumber) {
    return "key_" + std::to_string(keyNumber);
}

std::string KeyIndexName(int32_t keyNumber) {
    return "records_key_" + std::to_string(keyNumber);
}

int CreateTableSchema(sqlite3* db, const TableDefinition& definition, std::string& problem) {
    std::string sql = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                      ";"
                      "CREATE TABLE storelink_table(format INTEGER NOT NULL, "
                      "record_length INTEGER NOT NULL, first_credential BLOB NOT NULL, "
                      "second_credential BLOB NOT NULL);"
                      "CREATE TABLE storelink_key(key_number INTEGER NOT NULL, "
                      "segment INTEGER NOT NULL, offset INTEGER NOT NULL, width INTEGER NOT NULL, "
                      "type INTEGER NOT NULL, PRIMARY KEY(key_number, segment));"
                      "CREATE TABLE records(id INTEGER PRIMARY KEY, record BLOB NOT NULL";
    for (const KeyDefinition& key : definition.keys) {
        sql += ", " + KeyColumnName(key.number) + " BLOB NOT NULL";
    }
    sql += ");";
    int rc = ExecuteSql(db, sql.c_str());
    if (rc != SQLITE_OK) {
        return Failed(rc, db, "creating the tables", problem);
    }

    Statement statement;
    rc = PrepareStatement(db, "INSERT INTO storelink_table VALUES (?1, ?2, ?3, ?4)", statement);
    if (rc == SQLITE_OK) {
        sqlite3_bind_int(statement.get(), 1, kFormatVersion);
        sqlite3_bind_int(statement.get(), 2, definition.recordLength);
        sqlite3_bind_blob(statement.get(), 3, definition.firstCredential.data(),
                          static_cast<int>(definition.firstCredential.size()), SQLITE_STATIC);
        sqlite3_bind_blob(statement.get(), 4, definition.secondCredential.data(),
                          static_cast<int>(definition.secondCredential.size()), SQLITE_STATIC);
        rc = sqlite3_step(statement.get());
    }
    if (rc != SQLITE_DONE) {
        return Failed(rc, db, "storing the table definition", problem);
    }

    rc = PrepareStatement(db, "INSERT INTO storelink_key VALUES (?1, ?2, ?3, ?4, ?5)", statement);
    for (const KeyDefinition& key : definition.keys) {
        for (std::size_t i = 0; rc == SQLITE_OK && i < key.segments.size(); ++i) {
            const KeySegment& segment = key.segments[i];
            sqlite3_bind_int(statement.get(), 1, key.number);
            sqlite3_bind_int(statement.get(), 2, static_cast<int>(i));
            sqlite3_bind_int(statement.get(), 3, segment.offset);
            sqlite3_bind_int(statement.get(), 4, segment.width);
            sqlite3_bind_int(statement.get(), 5, static_cast<int>(segment.type));
            rc = sqlite3_step(statement.get());
            sqlite3_reset(statement.get());
            rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
        }
    }
    if (rc != SQLITE_OK) {
        return Failed(rc, db, "storing the key definitions", problem);
    }
    return SQLITE_OK;
}

int CreateKeyIndexes(sqlite3* db, const TableDefinition& definition, std::string& problem) {
    for (const KeyDefinition& key : definition.keys) {
        const std::string sql = "CREATE INDEX " + KeyIndexName(key.number) + " ON records(" +
                                KeyColumnName(key.number) + ")";
        const int rc = ExecuteSql(db, sql.c_str());
        if (rc != SQLITE_OK) {
            return Failed(rc, db, "indexing key " + std::to_string(key.number), problem);
        }
    }
    return SQLITE_OK;
}

int32_t ReadTableSchema(sqlite3* db, TableDefinition& definition, std::string& problem) {
    definition = TableDefinition{};
    int32_t status = ReadMark(db, problem);
    if (status == 0) {
        status = ReadTableRow(db, definition, problem);
    }
    if (status == 0) {
        status = ReadKeys(db, definition, problem);
    }
    if (status == 0) {
        problem = CheckTableDefinition(definition);
        status = problem.empty() ? 0 : kErrNotATable;
    }
    if (status == 0) {
        status = CheckRecordsTable(db, definition, problem);
    }
    return status;
}

} // namespace storelink
