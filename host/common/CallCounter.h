// Counts the calls of a stand-in library's functions, for the benchmark. When
// HOST_CALL_COUNTS names a file as the library first counts, the library adds
// one "function count" line to that file for each function called, as the
// process ends. Without it nothing is counted or written.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace hostcommon {

template <std::size_t N> class CallCounter {
public:
    explicit CallCounter(const std::array<const char*, N>& names) : m_names(names) {
        const char* path = std::getenv("HOST_CALL_COUNTS");
        if (path != nullptr)
            m_path = path;
    }
    ~CallCounter() {
        if (m_path.empty())
            return;
        std::FILE* file = std::fopen(m_path.c_str(), "a");
        if (file == nullptr)
            return;
        for (std::size_t i = 0; i < N; ++i) {
            const uint64_t count = m_counts[i].load();
            if (count > 0)
                std::fprintf(file, "%s %llu\n", m_names[i], static_cast<unsigned long long>(count));
        }
        std::fclose(file);
    }
    CallCounter(const CallCounter&) = delete;
    CallCounter& operator=(const CallCounter&) = delete;

    void Count(std::size_t function) {
        if (!m_path.empty())
            m_counts[function].fetch_add(1, std::memory_order_relaxed);
    }

private:
    std::array<const char*, N> m_names;
    std::string m_path;
    std::array<std::atomic<uint64_t>, N> m_counts{};
};

} // namespace hostcommon
