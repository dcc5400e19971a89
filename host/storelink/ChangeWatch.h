// Tells cheaply whether anyone has committed to a table since a moment taken
// as reference, so that a handle may keep one read transaction over many calls
// (starting a transaction costs several system calls) and still read what was
// committed before each call.
//
// It watches the header of the table's WAL index (<table>-shm): SQLite
// rewrites that header with every commit and every restart of the log, in
// every process, and the header's layout is part of the WAL file format that
// all SQLite versions sharing a database agree on: 48 bytes at offset 0, the
// copy readers take (a second copy follows it).
//
// The header is read through SQLite's own mapping of the index, never through
// a descriptor of our own: closing any descriptor of a file drops every POSIX
// lock this process holds on it, and SQLite's locks on the index are what tell
// other processes that a reader still needs the log.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>

namespace storelink {

class ChangeWatch {
public:
    ChangeWatch() = default;
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;

    // Starts watching the WAL index of the main database of `db`, which must
    // have read the table in WAL mode (so that SQLite has the index mapped). The
    // mapping is SQLite's and lasts as long as the connection keeps its log open,
    // which a table file's connection does until it closes: table files never
    // leave WAL mode. False when the index cannot be watched; the caller then
    // keeps no transaction open between calls.
    bool Start(sqlite3* db);
    bool Watching() const { return m_header != nullptr; }

    // Takes the current header as reference. Call before starting the read
    // transaction it should vouch for, so that a commit racing the start can
    // only cause an unneeded renewal, never a missed one.
    void Mark();
    // True when no commit has happened since Mark().
    bool Unchanged() const;

private:
    static constexpr std::size_t kHeaderWords = 6; // 48 bytes
    static constexpr int kIndexRegionSize = 32768; // SQLite maps the index in regions this size
    static constexpr uint32_t kIndexVersion = 3007000;

    const volatile uint8_t* m_header = nullptr;
    uint64_t m_marked[kHeaderWords] = {};
};

} // namespace storelink
