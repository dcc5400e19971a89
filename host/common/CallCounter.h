// Counts the calls of a stand-in library's functions, for the benchmark. When
// HOST_CALL_COUNTS names a file as the library first counts, the library adds
// one "function count" line to that file for each function called, as the
// process ends. Without it nothing is counted or written, and nothing runs at
// the end of the process: the counter has no destructor.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace hostcommon {

template <std::size_t N> class CallCounter {
public:
    // One counter of each kind in a library, made once, as a function's static.
    explicit CallCounter(const std::array<const char*, N>& names) : m_names(names) {
        const char* path = std::getenv("HOST_CALL_COUNTS");
        if (path == nullptr || std::strlen(path) >= sizeof m_path)
            return;
        std::memcpy(m_path, path, std::strlen(path) + 1);
        s_counter = this;
        std::atexit(&CallCounter::WriteCounts);
    }
    CallCounter(const CallCounter&) = delete;
    CallCounter& operator=(const CallCounter&) = delete;

    void Count(std::size_t function) {
        if (m_path[0] != '\0')
            m_counts[function].fetch_add(1, std::memory_order_relaxed);
    }

private:
    static void WriteCounts() {
        const CallCounter* counter = s_counter;
        std::FILE* file = std::fopen(counter->m_path, "a");
        if (file == nullptr)
            return;
        for (std::size_t i = 0; i < N; ++i) {
            const uint64_t count = counter->m_counts[i].load();
            if (count > 0)
                std::fprintf(file, "%s %llu\n", counter->m_names[i],
                             static_cast<unsigned long long>(count));
        }
        std::fclose(file);
    }

    static inline const CallCounter* s_counter = nullptr;
    std::array<const char*, N> m_names;
    char m_path[4096] = {};
    std::array<std::atomic<uint64_t>, N> m_counts{};
};

static_assert(std::is_trivially_destructible_v<CallCounter<1>>,
              "a counter runs nothing at the end of a process that did not ask for counts");

} // namespace hostcommon
