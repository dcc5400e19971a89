#include "repair/JournalSyncer.h"

#include <chrono>

#include "platform/DurableFile.h"
#include "platform/FileSystem.h"

namespace {

constexpr auto kSyncInterval = std::chrono::seconds(1);

} // namespace

JournalSyncer::~JournalSyncer() {
    Stop();
}

void JournalSyncer::Start(platform::DurableFile& file) {
    Stop();
    m_stopping = false;
    // What was appended before now counts as synced: the caller syncs before
    // it starts the syncer.
    const std::uint64_t synced = m_appended.load(std::memory_order_acquire);
    m_thread = std::thread([this, &file, synced] { Run(file, synced); });
}

void JournalSyncer::Stop() {
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void JournalSyncer::Run(platform::DurableFile& file, std::uint64_t synced) {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_wake.wait_for(lock, kSyncInterval, [this] { return m_stopping; })) {
        const std::uint64_t appended = m_appended.load(std::memory_order_acquire);
        if (appended == synced)
            continue;
        lock.unlock();
        const bool ok = file.Sync();
        lock.lock();
        if (!ok) {
            // The code is this thread's: hand it over before the run asks.
            m_error.store(platform::LastErrorCode() ? platform::LastErrorCode() : -1,
                          std::memory_order_release);
            return;
        }
        synced = appended;
    }
}
