#include "storelink/OpenTable.h"

#include "storelink/SqliteStatus.h"
#include "storelink/StoreLinkStatus.h"
#include "storelink/TableSchema.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace storelink {
namespace {

constexpr int kBusyTimeoutMilliseconds = 5000;
constexpr const char* kConnectionSettings = "PRAGMA synchronous = NORMAL;";

// Memory of one open table. A table up to kMappedTableLimit bytes (the drug
// reference tables, looked up again and again) is mapped into memory whole:
// its pages are read where they lie, with no copy and no page-cache search. A
// larger one (medications, patients: walked once, or looked up here and there)
// is read through a page cache of kPageCacheSize, which keeps its indexes'
// upper levels; so is every page still in the log.
constexpr int64_t kMappedTableLimit = 20 << 20;
constexpr int64_t kPageCacheSize = 4 << 20;

// The pragmas for a table file of `fileSize` bytes (a negative cache_size
// counts KiB).
std::string MemorySettings(int64_t fileSize) {
    const int64_t mapped = fileSize <= kMappedTableLimit ? kMappedTableLimit : 0;
    return "PRAGMA cache_size = -" + std::to_string(kPageCacheSize >> 10) +
           "; PRAGMA mmap_size = " + std::to_string(mapped) + ";";
}

int32_t MissingOrUnreadable(const char* path) {
    struct stat info {};
    if (stat(path, &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? kErrFileNotFound : kErrIo;
    }
    return (info.st_mode & S_IFMT) == S_IFREG ? 0 : kErrNotATable;
}

int32_t SwitchToWal(sqlite3* db) {
    Statement statement;
    int rc = PrepareStatement(db, "PRAGMA journal_mode = WAL", statement);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(statement.get());
    }
    if (rc != SQLITE_ROW) {
        return StatusFromSqlite(rc);
    }
    const auto* mode = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
    return mode != nullptr && std::strcmp(mode, "wal") == 0 ? 0 : kErrIo;
}

} // namespace

int32_t OpenTable::Open(const char* path, const char* firstCredential, const char* secondCredential,
                        std::unique_ptr<OpenTable>& table) {
    int32_t status = MissingOrUnreadable(path);
    if (status < 0) {
        return status;
    }
    std::unique_ptr<OpenTable> opened(new OpenTable);
    sqlite3* raw = nullptr;
    // Without SQLITE_OPEN_CREATE: a table file is never made here.
    int rc = sqlite3_open_v2(path, &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    opened->m_db.reset(raw);
    if (rc != SQLITE_OK) {
        status = MissingOrUnreadable(path);
        return status < 0 ? status : StatusFromSqlite(rc);
    }
    sqlite3* db = raw;
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMilliseconds);

    std::string problem;
    status = ReadTableSchema(db, opened->m_definition, problem);
    if (status < 0) {
        return status;
    }
    if (opened->m_definition.firstCredential != firstCredential ||
        opened->m_definition.secondCredential != secondCredential) {
        return kErrCredentials;
    }
    if (sqlite3_db_readonly(db, "main") == 1) {
        return kErrReadOnly;
    }
    // Only a file known to be a table file is changed: WAL mode is kept in its header.
    status = SwitchToWal(db);
    if (status < 0) {
        return status;
    }
    struct stat info {};
    rc = stat(path, &info) == 0 ? ExecuteSql(db, kConnectionSettings) : SQLITE_IOERR;
    if (rc == SQLITE_OK) {
        rc = ExecuteSql(db, MemorySettings(info.st_size).c_str());
    }
    if (rc != SQLITE_OK) {
        return StatusFromSqlite(rc);
    }
    status = opened->Prepare();
    if (status < 0) {
        return status;
    }
    if (!opened->m_fileWatch.Start(path)) {
        return kErrFileNotFound;
    }
    // Without a watch every read runs in a transaction of its own. The watch
    // reads the WAL index SQLite itself keeps for this connection, so it starts
    // only after a read has made SQLite open that index.
    if (ExecuteSql(db, "SELECT count(*) FROM sqlite_master") == SQLITE_OK) {
        opened->m_watch.Start(db);
    }
    table = std::move(opened);
    return 0;
}

OpenTable::~OpenTable() {
    StopWalk();
    EndSnapshot();
}

int32_t OpenTable::Prepare() {
    sqlite3* db = m_db.get();
    std::size_t widest = 0;
    std::string updateSql = "UPDATE records SET record = ?1";
    std::string unchangedKeys;
    int parameter = 2;
    m_keys.reserve(m_definition.keys.size());
    for (const KeyDefinition& definition : m_definition.keys) {
        Key& key = m_keys.emplace_back(definition);
        const std::string column = KeyColumnName(definition.number);
        const std::string walkSql = "SELECT id, " + column + ", record FROM records WHERE (" +
                                    column + ", id) > (?1, ?2) ORDER BY " + column + ", id";
        const std::string seekSql = "SELECT id, " + column + ", record FROM records WHERE " +
                                    column + " >= ?1 ORDER BY " + column + ", id";
        const std::string lastSql =
            "SELECT id, " + column + " FROM records ORDER BY " + column + " DESC, id DESC LIMIT 1";
        int rc = PrepareStatement(db, walkSql.c_str(), key.walk);
        if (rc == SQLITE_OK) {
            rc = PrepareStatement(db, seekSql.c_str(), key.seek);
        }
        if (rc == SQLITE_OK) {
            rc = PrepareStatement(db, lastSql.c_str(), key.last);
        }
        if (rc != SQLITE_OK) {
            return StatusFromSqlite(rc);
        }
        unchangedKeys += " AND " + column + " = ?" + std::to_string(parameter);
        updateSql += ", " + column + " = ?" + std::to_string(parameter++);
        widest = std::max(widest, key.encoder.EncodedWidth());
        m_updateKeys.emplace_back(key.encoder.EncodedWidth());
    }
    const std::string byId = " WHERE id = ?" + std::to_string(parameter);
    const std::string rewriteSql = "UPDATE records SET record = ?1" + byId + unchangedKeys;
    updateSql += byId;
    int rc = PrepareStatement(db, "SELECT record FROM records WHERE id = ?1", m_readById);
    if (rc == SQLITE_OK) {
        rc = PrepareStatement(db, updateSql.c_str(), m_update);
    }
    if (rc == SQLITE_OK) {
        rc = PrepareStatement(db, rewriteSql.c_str(), m_rewriteRecord);
    }
    if (rc == SQLITE_OK) {
        rc = PrepareStatement(db, "BEGIN", m_begin);
    }
    if (rc == SQLITE_OK) {
        rc = PrepareStatement(db, "BEGIN IMMEDIATE", m_beginWrite);
    }
    if (rc == SQLITE_OK) {
        rc = PrepareStatement(db, "COMMIT", m_commit);
    }
    if (rc != SQLITE_OK) {
        return StatusFromSqlite(rc);
    }
    m_searchKey.resize(widest);
    m_placeKeyBytes.reserve(widest);
    m_recordBuffer.resize(static_cast<std::size_t>(m_definition.recordLength));
    m_lastRead.resize(m_recordBuffer.size());
    return 0;
}

int OpenTable::FindKey(int32_t keyNumber) const {
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        if (m_keys[i].encoder.KeyNumber() == keyNumber) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int32_t OpenTable::CheckLength(int32_t length) const {
    return length == m_definition.recordLength ? 0 : kErrRecordLength;
}

void OpenTable::StopWalk() {
    if (m_walk != nullptr) {
        sqlite3_reset(m_walk);
        m_walk = nullptr;
    }
    m_walkOnPlace = false;
}

int32_t OpenTable::Refresh() {
    if (m_inSnapshot) {
        if (m_watch.Unchanged()) {
            return 0;
        }
        // Someone committed: the walk resumes from the place in a new snapshot.
        StopWalk();
        const int32_t status = EndSnapshot();
        if (status < 0) {
            return status;
        }
    }
    if (!m_watch.Watching()) {
        return 0;
    }
    m_watch.Mark();
    const int rc = sqlite3_step(m_begin.get());
    sqlite3_reset(m_begin.get());
    if (rc != SQLITE_DONE) {
        return StatusFromSqlite(rc);
    }
    m_inSnapshot = true;
    return 0;
}

int32_t OpenTable::EndSnapshot() {
    if (!m_inSnapshot) {
        return 0;
    }
    m_inSnapshot = false;
    sqlite3* db = m_db.get();
    if (sqlite3_get_autocommit(db) != 0) {
        return 0; // SQLite already ended it after an error
    }
    const int rc = sqlite3_step(m_commit.get());
    sqlite3_reset(m_commit.get());
    if (rc == SQLITE_DONE) {
        return 0;
    }
    // Nothing was written in it, so nothing is lost by rolling it back.
    ExecuteSql(db, "ROLLBACK");
    return sqlite3_get_autocommit(db) != 0 ? 0 : StatusFromSqlite(rc);
}

int32_t OpenTable::CopyRecord(sqlite3_stmt* statement, int column, uint8_t* out) const {
    const void* bytes = sqlite3_column_blob(statement, column);
    const int size = sqlite3_column_bytes(statement, column);
    if (size != m_definition.recordLength || bytes == nullptr) {
        // Asking for the bytes may itself have failed on a damaged file.
        const int rc = sqlite3_errcode(m_db.get()) & 0xff;
        return rc == SQLITE_NOMEM || rc == SQLITE_IOERR ? StatusFromSqlite(rc) : kErrNotATable;
    }
    std::memcpy(out, bytes, static_cast<std::size_t>(size));
    return 0;
}

int32_t OpenTable::SetPlace(int key, sqlite3_stmt* statement) {
    m_place = Place::OnRecord;
    m_placeKey = key;
    m_placeId = sqlite3_column_int64(statement, 0);
    const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(statement, 1));
    const int size = sqlite3_column_bytes(statement, 1);
    m_placeKeyBytes.assign(bytes, bytes + (bytes != nullptr ? size : 0));
    if (m_placeKeyBytes.size() != m_keys[static_cast<std::size_t>(key)].encoder.EncodedWidth()) {
        m_place = Place::Nowhere;
        return kErrNotATable;
    }
    return 0;
}

int32_t OpenTable::ReadPlaceRecord() {
    sqlite3_stmt* statement = m_readById.get();
    sqlite3_bind_int64(statement, 1, m_placeId);
    const int rc = sqlite3_step(statement);
    int32_t status = 0;
    if (rc == SQLITE_ROW) {
        status = CopyRecord(statement, 0, m_recordBuffer.data());
    } else {
        status = rc == SQLITE_DONE ? kErrNoCurrentRecord : StatusFromSqlite(rc);
    }
    sqlite3_reset(statement);
    return status;
}

int32_t OpenTable::SeekAfterPlace(int key) {
    StopWalk();
    Key& entry = m_keys[static_cast<std::size_t>(key)];
    sqlite3_stmt* walk = entry.walk.get();
    if (m_place == Place::BeforeFirst) {
        // Every key is at least one byte long, so every key is above the empty blob.
        sqlite3_bind_zeroblob(walk, 1, 0);
        sqlite3_bind_int64(walk, 2, INT64_MIN);
    } else {
        if (m_placeKey != key) {
            const int32_t status = ReadPlaceRecord();
            if (status < 0) {
                return status;
            }
            m_placeKeyBytes.resize(entry.encoder.EncodedWidth());
            entry.encoder.Encode(m_recordBuffer.data(), m_placeKeyBytes.data());
            m_placeKey = key;
        }
        if (m_placeKeyBytes.size() != entry.encoder.EncodedWidth()) {
            return kErrNotATable; // a stored key of the wrong length
        }
        // The walk reads its bound key while it runs; m_placeKeyBytes changes with
        // every step, so the walk gets its own copy.
        std::copy(m_placeKeyBytes.begin(), m_placeKeyBytes.end(), m_searchKey.begin());
        sqlite3_bind_blob(walk, 1, m_searchKey.data(), static_cast<int>(m_placeKeyBytes.size()),
                          SQLITE_STATIC);
        sqlite3_bind_int64(walk, 2, m_placeId);
    }
    m_walk = walk;
    m_walkKey = key;
    return 0;
}

int32_t OpenTable::Position(int32_t keyNumber, const uint8_t* searchRecord) {
    const int key = FindKey(keyNumber);
    if (key < 0) {
        return kErrKeyNumber;
    }
    int32_t status = m_fileWatch.Check(false);
    if (status == 0) {
        status = Refresh();
    }
    if (status < 0) {
        return status;
    }
    StopWalk();
    m_place = Place::Nowhere;
    Key& entry = m_keys[static_cast<std::size_t>(key)];
    const std::size_t width = entry.encoder.EncodedWidth();
    entry.encoder.Encode(searchRecord, m_searchKey.data());

    // The first record not below the search key; fsgetn steps on from there.
    sqlite3_stmt* walk = entry.seek.get();
    sqlite3_bind_blob(walk, 1, m_searchKey.data(), static_cast<int>(width), SQLITE_STATIC);
    int rc = sqlite3_step(walk);
    if (rc == SQLITE_ROW) {
        if (SetPlace(key, walk) < 0) {
            sqlite3_reset(walk);
            return kErrNotATable;
        }
        m_walk = walk;
        m_walkKey = key;
        m_walkOnPlace = true;
        const bool exact = m_placeKeyBytes.size() == width &&
                           std::memcmp(m_placeKeyBytes.data(), m_searchKey.data(), width) == 0;
        return exact ? kExactMatch : kPositioned;
    }
    sqlite3_reset(walk);
    if (rc != SQLITE_DONE) {
        return StatusFromSqlite(rc);
    }

    // Nothing at or above the search key: stand on the last record, whose key
    // differs from the search key, so a caller that reads and compares sees no match.
    sqlite3_stmt* last = entry.last.get();
    rc = sqlite3_step(last);
    status = kPositionedPastEnd;
    if (rc == SQLITE_ROW) {
        status = SetPlace(key, last) < 0 ? kErrNotATable : status;
    } else if (rc == SQLITE_DONE) {
        m_place = Place::BeforeFirst;
        m_placeKey = key;
        status = kEmptyTable;
    } else {
        status = StatusFromSqlite(rc);
    }
    sqlite3_reset(last);
    return status;
}

int32_t OpenTable::GetCurrent(int32_t keyNumber, uint8_t* record, int32_t length) {
    if (FindKey(keyNumber) < 0) {
        return kErrKeyNumber;
    }
    int32_t status = CheckLength(length);
    if (status < 0) {
        return status;
    }
    if (m_place != Place::OnRecord) {
        return kErrNoCurrentRecord;
    }
    status = m_fileWatch.Check(false);
    if (status == 0) {
        status = Refresh();
    }
    if (status < 0) {
        return status;
    }
    if (m_walk != nullptr && m_walkOnPlace) {
        status = CopyRecord(m_walk, 2, record);
    } else {
        status = ReadPlaceRecord();
        if (status == 0) {
            std::memcpy(record, m_recordBuffer.data(), m_recordBuffer.size());
        }
    }
    if (status < 0) {
        return status;
    }
    RememberRead(record);
    return length;
}

int32_t OpenTable::GetNext(int32_t keyNumber, uint8_t* record, int32_t length) {
    const int key = FindKey(keyNumber);
    if (key < 0) {
        return kErrKeyNumber;
    }
    int32_t status = CheckLength(length);
    if (status < 0) {
        return status;
    }
    if (m_place == Place::Nowhere) {
        return kErrNoCurrentRecord;
    }
    status = m_fileWatch.Check(false);
    if (status == 0) {
        status = Refresh();
    }
    if (status < 0) {
        return status;
    }
    if (m_walk == nullptr || m_walkKey != key) {
        status = SeekAfterPlace(key);
        if (status < 0) {
            return status;
        }
    }
    const int rc = sqlite3_step(m_walk);
    if (rc == SQLITE_ROW) {
        status = SetPlace(key, m_walk);
        m_walkOnPlace = true;
        if (status == 0)
            status = CopyRecord(m_walk, 2, record);
        if (status < 0) {
            StopWalk();
            return status;
        }
        RememberRead(record);
        return length;
    }
    // At the end the handle stays on the last record; a later fsgetn seeks again
    // and so also sees records that arrived meanwhile. A finished walk keeps no
    // transaction open: it would hold other writers' log from being reused.
    StopWalk();
    if (rc != SQLITE_DONE) {
        return StatusFromSqlite(rc);
    }
    EndSnapshot();
    return kEndOfFile;
}

int32_t OpenTable::GotoFirst(int32_t keyNumber) {
    const int key = FindKey(keyNumber);
    if (key < 0) {
        return kErrKeyNumber;
    }
    const int32_t status = m_fileWatch.Check(false);
    if (status < 0) {
        return status;
    }
    StopWalk();
    m_place = Place::BeforeFirst;
    m_placeKey = key;
    return EndSnapshot();
}

int32_t OpenTable::Update(const uint8_t* record, int32_t length) {
    int32_t status = CheckLength(length);
    if (status < 0) {
        return status;
    }
    if (!m_haveLastRead) {
        return kErrNoCurrentRecord;
    }
    // The change commits on its own, outside the kept read transaction; the
    // walk resumes from the remembered place.
    StopWalk();
    status = EndSnapshot();
    if (status < 0) {
        return status;
    }
    // The write lock is taken first, so that nobody can change the record
    // between the comparison and the write.
    const int rc = sqlite3_step(m_beginWrite.get());
    sqlite3_reset(m_beginWrite.get());
    if (rc != SQLITE_DONE) {
        return StatusFromSqlite(rc);
    }
    status = m_fileWatch.Check(true);
    if (status == 0) {
        status = UpdateIfUnchanged(record);
    }
    status = EndWrite(status);
    if (status == 0) {
        std::memcpy(m_lastRead.data(), record, m_lastRead.size());
    }
    return status;
}

int32_t OpenTable::UpdateIfUnchanged(const uint8_t* record) {
    sqlite3_stmt* stored = m_readById.get();
    sqlite3_bind_int64(stored, 1, m_lastReadId);
    int rc = sqlite3_step(stored);
    int32_t status = 0;
    if (rc == SQLITE_ROW) {
        status = CopyRecord(stored, 0, m_recordBuffer.data());
        if (status == 0 && m_recordBuffer != m_lastRead) {
            status = kErrRecordChanged;
        }
    } else {
        status = rc == SQLITE_DONE ? kErrNoCurrentRecord : StatusFromSqlite(rc);
    }
    sqlite3_reset(stored);
    if (status < 0) {
        return status;
    }
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        m_keys[i].encoder.Encode(record, m_updateKeys[i].data());
    }
    // Rewriting a key column costs index pages even when its value stays the
    // same, so the record alone is rewritten when the stored keys equal the new
    // ones (checked in the same statement), and everything only otherwise.
    int changed = 0;
    rc = RunUpdate(m_rewriteRecord.get(), record, changed);
    if (rc == SQLITE_DONE && changed == 0) {
        rc = RunUpdate(m_update.get(), record, changed);
    }
    if (rc != SQLITE_DONE) {
        return StatusFromSqlite(rc);
    }
    return changed == 1 ? 0 : kErrNoCurrentRecord;
}

int32_t OpenTable::EndWrite(int32_t status) {
    sqlite3* db = m_db.get();
    if (sqlite3_get_autocommit(db) != 0) {
        return status < 0 ? status : kErrIo; // SQLite ended it after an error
    }
    if (status == 0) {
        const int rc = sqlite3_step(m_commit.get());
        sqlite3_reset(m_commit.get());
        if (rc == SQLITE_DONE) {
            return 0;
        }
        status = StatusFromSqlite(rc);
    }
    ExecuteSql(db, "ROLLBACK");
    return status;
}

void OpenTable::RememberRead(const uint8_t* record) {
    m_haveLastRead = true;
    m_lastReadId = m_placeId;
    std::memcpy(m_lastRead.data(), record, m_lastRead.size());
}

int OpenTable::RunUpdate(sqlite3_stmt* update, const uint8_t* record, int& changed) {
    sqlite3_bind_blob(update, 1, record, m_definition.recordLength, SQLITE_STATIC);
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        const std::vector<uint8_t>& encoded = m_updateKeys[i];
        sqlite3_bind_blob(update, static_cast<int>(i) + 2, encoded.data(),
                          static_cast<int>(encoded.size()), SQLITE_STATIC);
    }
    sqlite3_bind_int64(update, static_cast<int>(m_keys.size()) + 2, m_lastReadId);
    const int rc = sqlite3_step(update);
    changed = sqlite3_changes(m_db.get());
    sqlite3_reset(update);
    sqlite3_clear_bindings(update); // the record belongs to the caller
    return rc;
}

} // namespace storelink
