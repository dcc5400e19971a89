// One table opened through fsopen: its connection, its prepared statements and
// where the handle stands in the table.
//
// Position model. A handle is either nowhere (just opened), before the first
// record of a key (fsgotof, or fspos on an empty table), or on a record, known
// by the record's id and its encoded key in the key last used to move. A
// walk keeps its SELECT running while consecutive fsgetn calls step it; a
// rewrite or a new positioning stops it, and the next fsgetn seeks again from
// the remembered (key, id), so the walk continues after the record it stood on.
//
// Snapshots. Between calls a handle keeps the read transaction of its last
// read, and every call that reads first asks its ChangeWatch whether anything
// was committed since; only then is the transaction renewed (and a running
// walk re-sought). So each call reads what was committed before it, without
// paying for a new transaction per call. fsupdate ends the transaction and
// commits its change on its own.
//
// Stale updates. A handle keeps the bytes of the record it last read, and
// fsupdate rewrites that record only if it still holds them: the comparison
// and the write are one write transaction. A record another handle or process
// changed in between is left as it is (kErrRecordChanged), so its change is
// never undone by a write based on the older bytes.
//
// A handle also notices when the file at its path is no longer the file it
// opened (TableFileWatch) and fails from then on.
#pragma once

#include "storelink/ChangeWatch.h"
#include "storelink/KeyEncoder.h"
#include "storelink/SqliteHandles.h"
#include "storelink/StoreLinkAdmin.h"
#include "storelink/TableFileWatch.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace storelink {

class OpenTable {
public:
    // Opens an existing table file for reading and rewriting. Returns 0 with
    // `table` set, or a negative status.
    static int32_t Open(const char* path, const char* firstCredential, const char* secondCredential,
                        std::unique_ptr<OpenTable>& table);

    ~OpenTable();
    OpenTable(const OpenTable&) = delete;
    OpenTable& operator=(const OpenTable&) = delete;

    int32_t Position(int32_t keyNumber, const uint8_t* searchRecord);
    int32_t GetCurrent(int32_t keyNumber, uint8_t* record, int32_t length);
    int32_t GetNext(int32_t keyNumber, uint8_t* record, int32_t length);
    int32_t GotoFirst(int32_t keyNumber);
    int32_t Update(const uint8_t* record, int32_t length);

private:
    struct Key {
        explicit Key(const KeyDefinition& definition) : encoder(definition) {}
        KeyEncoder encoder;
        Statement walk; // records after (key, id) in key order: id, key, record
        Statement seek; // records from a key on, in key order: id, key, record (a plainer
                        // search than walk's, for fspos)
        Statement last; // the last record in key order: id, key
    };
    enum class Place { Nowhere, BeforeFirst, OnRecord };

    OpenTable() = default;
    int32_t Prepare();
    // Index into m_keys of `keyNumber`, or -1.
    int FindKey(int32_t keyNumber) const;
    int32_t CheckLength(int32_t length) const;
    void StopWalk();
    // Makes sure the handle reads everything committed so far.
    int32_t Refresh();
    int32_t EndSnapshot();
    int32_t SeekAfterPlace(int key);
    int32_t ReadPlaceRecord();
    int32_t CopyRecord(sqlite3_stmt* statement, int column, uint8_t* out) const;
    // Stands on the row `statement` holds. kErrNotATable, standing nowhere, when
    // the row's key has another width than the key's: the file is damaged.
    int32_t SetPlace(int key, sqlite3_stmt* statement);
    // Binds the record, m_updateKeys and m_lastReadId and runs one of the updates.
    int RunUpdate(sqlite3_stmt* update, const uint8_t* record, int& changed);
    // The write of fsupdate inside its transaction: refused when the stored
    // record differs from m_lastRead.
    int32_t UpdateIfUnchanged(const uint8_t* record);
    // Ends the write transaction: commits after a write, rolls back otherwise.
    int32_t EndWrite(int32_t status);
    void RememberRead(const uint8_t* record);

    Connection m_db;
    TableDefinition m_definition;
    std::vector<Key> m_keys;
    Statement m_readById;      // record by id
    Statement m_update;        // record and every key column by id
    Statement m_rewriteRecord; // the record alone, by id, where the stored keys are the new ones
    Statement m_begin;
    Statement m_beginWrite; // takes the write lock at once
    Statement m_commit;
    TableFileWatch m_fileWatch;
    ChangeWatch m_watch;
    bool m_inSnapshot = false; // a read transaction is kept open between calls

    Place m_place = Place::Nowhere;
    int m_placeKey = 0;                   // index into m_keys
    sqlite3_int64 m_placeId = 0;          // when OnRecord
    std::vector<uint8_t> m_placeKeyBytes; // when OnRecord: encoded key m_placeKey
    sqlite3_stmt* m_walk = nullptr;       // the running walk statement, or null
    int m_walkKey = 0;                    // index into m_keys of m_walk
    bool m_walkOnPlace = false;           // m_walk's current row is the place record

    bool m_haveLastRead = false;
    sqlite3_int64 m_lastReadId = 0;  // the record fsupdate rewrites
    std::vector<uint8_t> m_lastRead; // its bytes as this handle read (or wrote) them

    std::vector<uint8_t> m_searchKey;    // bound to the walk statement while it runs
    std::vector<uint8_t> m_recordBuffer; // a place record re-read to encode another key
    std::vector<std::vector<uint8_t>> m_updateKeys;
};

} // namespace storelink
