// The separator between the parts of a path on this platform. The database
// folder always ends with it, and the utility appends its names after it.
#pragma once

#if defined(_WIN32)
// For joining string literals at compile time.
#define PLATFORM_PATH_SEPARATOR "\\"
#else
#define PLATFORM_PATH_SEPARATOR "/"
#endif

namespace platform {

inline constexpr char kPathSeparator = PLATFORM_PATH_SEPARATOR[0];

} // namespace platform
