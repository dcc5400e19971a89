#include "platform/win32/WindowsFile.h"

#include <fcntl.h>
#include <io.h>

namespace platform::win32 {
namespace {

// kErrorIsAFolder, which MinGW's headers lack: "An operation is
// not supported on a directory".
constexpr DWORD kErrorIsAFolder = 336;

} // namespace

std::wstring WidePath(const char* path) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

HANDLE OpenRegularHandle(const char* path, DWORD access, DWORD disposition, DWORD share) {
    const std::wstring wide = WidePath(path);
    if (wide.empty()) {
        ::SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    // A folder opens only with FILE_FLAG_BACKUP_SEMANTICS: one fails here
    // already, access denied.
    const HANDLE file =
        ::CreateFileW(wide.c_str(), access, share, nullptr, disposition,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;
    DWORD error = ERROR_SUCCESS;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file) != FILE_TYPE_DISK)
        error = ERROR_INVALID_PARAMETER;
    else if (!::GetFileInformationByHandle(file, &info))
        error = ::GetLastError();
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        error = ERROR_CANT_RESOLVE_FILENAME;
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        error = ERROR_ACCESS_DENIED;
    else if (info.nNumberOfLinks != 1)
        error = ERROR_TOO_MANY_LINKS;
    if (error != ERROR_SUCCESS) {
        ::CloseHandle(file);
        ::SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

int DescriptorOf(HANDLE handle, int flags) {
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd < 0) {
        ::CloseHandle(handle);
        ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    }
    return fd;
}

} // namespace platform::win32
