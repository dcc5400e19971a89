#include "storelink/ChangeWatch.h"

#include <atomic>
#include <cstring>

namespace storelink {
namespace {

void CopyHeader(const volatile uint8_t* header, uint8_t* out, std::size_t size) {
    std::atomic_thread_fence(std::memory_order_acquire);
    for (std::size_t i = 0; i < size; ++i) {
        out[i] = header[i];
    }
    std::atomic_thread_fence(std::memory_order_acquire);
}

} // namespace

bool ChangeWatch::Start(sqlite3* db) {
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
    uint8_t copy[kHeaderSize];
    CopyHeader(header, copy, kHeaderSize);
    uint32_t version = 0;
    std::memcpy(&version, copy, sizeof version);
    if (version != kIndexVersion || copy[12] != 1) {
        return false;
    }
    m_header = header;
    return true;
}

void ChangeWatch::Mark() {
    if (m_header != nullptr) {
        CopyHeader(m_header, m_marked, kHeaderSize);
    }
}

bool ChangeWatch::Unchanged() const {
    if (m_header == nullptr) {
        return false;
    }
    uint8_t now[kHeaderSize];
    CopyHeader(m_header, now, kHeaderSize);
    return std::memcmp(now, m_marked, kHeaderSize) == 0;
}

} // namespace storelink
