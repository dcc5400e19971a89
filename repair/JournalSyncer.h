// Syncs a journal file to the disk once a second on a thread of its own, while
// the run goes on appending to it. A sync can take tens of milliseconds on a
// busy disk; on the run's own thread it would hold up every medication behind
// it. What is appended has reached the operating system already (a killed
// process loses none of it); the syncer bounds what a power failure can take
// to the last second or so.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace platform {
class DurableFile;
}

class JournalSyncer {
public:
    JournalSyncer() = default;
    ~JournalSyncer();
    JournalSyncer(const JournalSyncer&) = delete;
    JournalSyncer& operator=(const JournalSyncer&) = delete;

    // Starts syncing `file`, which must stay open until Stop; what was appended
    // before this call must be synced already.
    void Start(platform::DurableFile& file);
    // Tells the syncer that something new was appended.
    void NoteAppended() { m_appended.fetch_add(1, std::memory_order_release); }
    // The error code of a failed sync, 0 while every sync has succeeded. After
    // a failure the syncer syncs no more.
    int Error() const { return m_error.load(std::memory_order_acquire); }
    // Ends the thread, with no last sync: the caller makes its own. Safe to
    // call when not started.
    void Stop();

private:
    void Run(platform::DurableFile& file, std::uint64_t synced);

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;                  // guarded by m_mutex
    std::atomic<std::uint64_t> m_appended{0}; // appends so far
    std::atomic<int> m_error{0};
};
