#include "storelink/ChangeWatch.h"

#include <atomic>
#include <cstring>

namespace storelink {
namespace {

// The header is read a word at a time (SQLite maps the index page-aligned); a
// copy torn by a writer at work differs from the marked one and only causes a
// renewal.
void CopyHeader(const volatile uint8_t* header, uint64_t* out, std::size_t words) {
    const auto* source = reinterpret_cast<const volatile uint64_t*>(header);
    std::atomic_thread_fence(std::memory_order_acquire);
    for (std::size_t i = 0; i < words; ++i) {
        out[i] = source[i];
    }
    std::atomic_thread_fence(std::memory_order_acquire);
}

} // namespace

namespace {

// Whether the connection uses the write-ahead log now. Only then does SQLite
// keep (and release) a WAL index of its own for it.
bool InWalMode(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &statement, nullptr) != SQLITE_OK)
        return false;
    bool wal = false;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        const auto* mode = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        wal = mode != nullptr && std::strcmp(mode, "wal") == 0;
    }
    sqlite3_finalize(statement);
    return wal;
}

} // namespace

bool ChangeWatch::Start(sqlite3* db) {
    // Mapping the index of a connection that is not in WAL mode would make one
    // that SQLite never learns of and never releases.
    if (!InWalMode(db)) {
        return false;
    }
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        file == nullptr || file->pMethods == nullptr || file->pMethods->iVersion < 2 ||
        file->pMethods->xShmMap == nullptr) {
        return false;
    }
    // Region 0 holds the header; without extending, SQLite only hands out what
    // it already has.
    volatile void* region = nullptr;
    if (file->pMethods->xShmMap(file, 0, kIndexRegionSize, 0, &region) != SQLITE_OK ||
        region == nullptr) {
        return false;
    }
    const auto* header = static_cast<const volatile uint8_t*>(region);
    // Only an initialised index of the known version is trusted (version 3007000
    // in the first four bytes, native order; the isInit byte at offset 12 set).
    uint64_t words[kHeaderWords];
    CopyHeader(header, words, kHeaderWords);
    uint8_t bytes[sizeof words];
    std::memcpy(bytes, words, sizeof words);
    uint32_t version = 0;
    std::memcpy(&version, bytes, sizeof version);
    if (version != kIndexVersion || bytes[12] != 1) {
        return false;
    }
    m_header = header;
    return true;
}

void ChangeWatch::Mark() {
    if (m_header != nullptr) {
        CopyHeader(m_header, m_marked, kHeaderWords);
    }
}

bool ChangeWatch::Unchanged() const {
    if (m_header == nullptr) {
        return false;
    }
    uint64_t now[kHeaderWords];
    CopyHeader(m_header, now, kHeaderWords);
    uint64_t difference = 0;
    for (std::size_t i = 0; i < kHeaderWords; ++i) {
        difference |= now[i] ^ m_marked[i];
    }
    return difference == 0;
}

} // namespace storelink
