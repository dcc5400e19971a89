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
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace storelink {

class ChangeWatch {
public:
    ChangeWatch() = default;
    ~ChangeWatch();
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;

    // Starts watching the WAL index of the table file `databasePath`, the name
    // SQLite itself uses for the file (sqlite3_db_filename). Must be called while
    // a connection in this process has the table open and has read it in WAL
    // mode (which keeps the index in place). False when the index cannot be
    // watched; the caller then keeps no transaction open between calls.
    bool Start(const std::string& databasePath);
    bool Watching() const { return m_header != nullptr; }

    // Takes the current header as reference. Call before starting the read
    // transaction it should vouch for, so that a commit racing the start can
    // only cause an unneeded renewal, never a missed one.
    void Mark();
    // True when no commit has happened since Mark().
    bool Unchanged() const;

private:
    static constexpr std::size_t kHeaderSize = 48;
    static constexpr std::size_t kMappedSize = 96; // both header copies
    static constexpr uint32_t kIndexVersion = 3007000;

    void* m_mapping = nullptr;
    const volatile uint8_t* m_header = nullptr;
    uint8_t m_marked[kHeaderSize] = {};
};

} // namespace storelink
