// The platform's error codes for the failures the tests provoke (GetLastError
// values on Windows, errno values on POSIX), the separator, the read-only
// attribute (on POSIX: no write permission bit at all) and another program's
// hold on a file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#if !defined(_WIN32)
#include <cerrno>
#endif

namespace testsupport {

#if defined(_WIN32)
// System error codes (winerror.h), here without windows.h and its macros.
inline constexpr int kErrorExists = 183;     // ERROR_ALREADY_EXISTS
inline constexpr int kErrorNoFile = 2;       // ERROR_FILE_NOT_FOUND
inline constexpr int kErrorNoFolder = 3;     // ERROR_PATH_NOT_FOUND
inline constexpr int kErrorBelowAFile = 3;   // ERROR_PATH_NOT_FOUND
inline constexpr int kErrorReadOnly = 5;     // ERROR_ACCESS_DENIED
inline constexpr int kErrorAFolder = 5;      // ERROR_ACCESS_DENIED
inline constexpr int kErrorHeld = 32;        // ERROR_SHARING_VIOLATION
inline constexpr int kErrorManyNames = 1142; // ERROR_TOO_MANY_LINKS
inline constexpr int kErrorBadMode = 87;     // ERROR_INVALID_PARAMETER
inline constexpr int kErrorNotOpen = 6;      // ERROR_INVALID_HANDLE
inline constexpr char kSeparator = '\\';
#else
inline constexpr int kErrorExists = EEXIST;
inline constexpr int kErrorNoFile = ENOENT;
inline constexpr int kErrorNoFolder = ENOENT;
inline constexpr int kErrorBelowAFile = ENOTDIR;
inline constexpr int kErrorReadOnly = EACCES;
inline constexpr int kErrorAFolder = EISDIR;
inline constexpr int kErrorHeld = EWOULDBLOCK;
inline constexpr int kErrorManyNames = EMLINK;
inline constexpr int kErrorBadMode = EINVAL;
inline constexpr int kErrorNotOpen = EBADF;
inline constexpr char kSeparator = '/';
#endif

// The folder as the host names it: with its separator at the end.
inline std::string WithSeparator(const std::filesystem::path& folder) {
    return folder.string() + kSeparator;
}

// True when it could be set or cleared.
bool SetReadOnly(const std::filesystem::path& path, bool readOnly);

// Another program holding `path` while the object lives, so that the utility's
// exclusive open of it fails: on Windows an open that shares nothing, on POSIX
// the exclusive lock that stands for it there. Nothing for an empty path.
class HeldOpen {
public:
    explicit HeldOpen(const std::filesystem::path& path);
    ~HeldOpen();
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

    bool Holds() const { return m_handle != -1; }

private:
    std::intptr_t m_handle = -1; // the HANDLE on Windows, the descriptor on POSIX
};

} // namespace testsupport
