#include "storelink/ChangeWatch.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

ChangeWatch::~ChangeWatch() {
    if (m_mapping != nullptr) {
        munmap(m_mapping, kMappedSize);
    }
}

bool ChangeWatch::Start(const std::string& databasePath) {
    const int fd = ::open((databasePath + "-shm").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    void* mapping = MAP_FAILED;
    // SQLite never shrinks the index while a connection has it open, so the
    // mapped bytes stay backed by the file for as long as the table is open.
    if (fstat(fd, &info) == 0 && info.st_size >= static_cast<off_t>(kMappedSize)) {
        mapping = mmap(nullptr, kMappedSize, PROT_READ, MAP_SHARED, fd, 0);
    }
    ::close(fd);
    if (mapping == MAP_FAILED) {
        return false;
    }
    // Only an initialised index of the known version is trusted (version 3007000
    // in the first four bytes, native order; the isInit byte at offset 12 set).
    uint8_t header[kHeaderSize];
    CopyHeader(static_cast<const volatile uint8_t*>(mapping), header, kHeaderSize);
    uint32_t version = 0;
    std::memcpy(&version, header, sizeof version);
    if (version != kIndexVersion || header[12] != 1) {
        munmap(mapping, kMappedSize);
        return false;
    }
    m_mapping = mapping;
    m_header = static_cast<const volatile uint8_t*>(mapping);
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
