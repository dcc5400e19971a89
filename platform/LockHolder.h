// What the run lock's holder writes into the lock file, for a person who finds
// the file and wonders whether a run is still working.
#pragma once

#include <ctime>
#include <string>

namespace platform {

// "Dosewright run in process 4711 since 2026-12-09 20:52:18 UTC", CR LF ended.
inline std::string LockHolderText(long processId) {
    const std::time_t now = std::time(nullptr);
    char since[32] = "an unknown time";
    if (const std::tm* utc = std::gmtime(&now))
        std::strftime(since, sizeof since, "%Y-%m-%d %H:%M:%S UTC", utc);
    return "Dosewright run in process " + std::to_string(processId) + " since " + since + "\r\n";
}

} // namespace platform
