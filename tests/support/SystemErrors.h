// The platform's error codes for the failures the tests provoke (GetLastError
// values on Windows, errno values on POSIX), the separator, and the read-only
// attribute (on POSIX: no write permission bit at all).
#pragma once

#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <windows.h>
// windows.h maps DeleteFile to DeleteFileA; tests call the platform's DeleteFile.
#undef DeleteFile
#else
#include <cerrno>
#include <sys/stat.h>
#endif

namespace testsupport {

#if defined(_WIN32)
inline constexpr int kErrorExists = ERROR_ALREADY_EXISTS;
inline constexpr int kErrorNoFile = ERROR_FILE_NOT_FOUND;
inline constexpr int kErrorNoFolder = ERROR_PATH_NOT_FOUND;
inline constexpr int kErrorBelowAFile = ERROR_PATH_NOT_FOUND;
inline constexpr int kErrorReadOnly = ERROR_ACCESS_DENIED;
inline constexpr int kErrorAFolder = ERROR_ACCESS_DENIED;
inline constexpr int kErrorHeld = ERROR_SHARING_VIOLATION;
inline constexpr char kSeparator = '\\';
#else
inline constexpr int kErrorExists = EEXIST;
inline constexpr int kErrorNoFile = ENOENT;
inline constexpr int kErrorNoFolder = ENOENT;
inline constexpr int kErrorBelowAFile = ENOTDIR;
inline constexpr int kErrorReadOnly = EACCES;
inline constexpr int kErrorAFolder = EISDIR;
inline constexpr int kErrorHeld = EWOULDBLOCK;
inline constexpr char kSeparator = '/';
#endif

// The folder as the host names it: with its separator at the end.
inline std::string WithSeparator(const std::filesystem::path& folder) {
    return folder.string() + kSeparator;
}

// True when it could be set or cleared.
inline bool SetReadOnly(const std::filesystem::path& path, bool readOnly) {
#if defined(_WIN32)
    return ::SetFileAttributesA(path.string().c_str(),
                                readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
#else
    return ::chmod(path.c_str(), readOnly ? 0444 : 0644) == 0;
#endif
}

} // namespace testsupport
