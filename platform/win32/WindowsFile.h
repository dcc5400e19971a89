// What the Windows file operations share: a path in the ANSI code page as the
// wide string CreateFileW takes, and the checked open of a regular file of one
// name that OpenRegularFile, RunLock and DurableFile all use.
#pragma once

#include <string>

#include <windows.h>

namespace platform::win32 {

// `path`, from the ANSI code page; empty when it does not convert.
std::wstring WidePath(const char* path);

// Opens `path` with CreateFileW and FILE_FLAG_OPEN_REPARSE_POINT, then refuses
// anything but a regular disk file of one name: a reparse point (a symbolic
// link or junction), a folder, a device or pipe, a file with hard links.
// Others may read, write and delete it unless `share` says otherwise.
// INVALID_HANDLE_VALUE with GetLastError set on failure.
HANDLE OpenRegularHandle(const char* path, DWORD access, DWORD disposition,
                         DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);

// Hands a handle over to a C runtime descriptor; -1 (the handle closed and
// GetLastError set) on failure.
int DescriptorOf(HANDLE handle, int flags);

} // namespace platform::win32
