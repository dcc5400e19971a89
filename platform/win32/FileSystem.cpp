// The file operations on Windows. Error codes are GetLastError values. An open
// ExclusiveFile is a handle opened with no sharing at all, kept as a C runtime
// descriptor so that the interface is the same on every platform.
#include "platform/FileSystem.h"
#include "platform/FileFaults.h"
#include "platform/LockHolder.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstring>

#include <windows.h>

#include "platform/win32/WindowsFile.h"

// windows.h maps DeleteFile to DeleteFileA; the name here is this interface's.
#undef DeleteFile

namespace platform {
namespace {

thread_local int t_lastError = 0;

bool Fail() {
    t_lastError = static_cast<int>(::GetLastError());
    return false;
}

bool FailWith(DWORD error) {
    t_lastError = static_cast<int>(error);
    return false;
}

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

HANDLE HandleOf(std::FILE* stream) {
    return HandleOf(::_fileno(stream));
}

bool IsReadOnly(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

int LastErrorCode() {
    return t_lastError;
}

void SetLastErrorCode(int error) {
    t_lastError = error;
}

std::string DescribeErrorCode(int code) {
    char text[512] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                         static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                         sizeof text, nullptr);
    std::string result(text, length);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.'))
        result.pop_back();
    if (result.empty())
        result = "error " + std::to_string(code);
    return result;
}

bool IsAlreadyExistsError(int code) {
    return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
}

bool IsNotFoundError(int code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

PathKind KindOfPath(const char* path) {
    const std::wstring wide = win32::WidePath(path);
    const DWORD attributes =
        wide.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Nothing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return PathKind::SymbolicLink;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return PathKind::Folder;
    return PathKind::File;
}

// Windows has no limit on the size of a process's files that ends it.
void FailWritesPastFileSizeLimit() {}

bool PathExists(const char* path) {
    // A directory search, as on the host's platform; a name with a wildcard
    // names no one file.
    if (std::strpbrk(path, "*?") != nullptr)
        return false;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    ::FindClose(search);
    return true;
}

bool FreeDiskSpace(const char* path, std::uint64_t& bytes) {
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExA(path, &available, nullptr, nullptr))
        return Fail();
    bytes = available.QuadPart;
    return true;
}

bool IsWritableFolder(const char* path) {
    // A junction or other reparse point is not the folder itself.
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool CreateFolder(const char* path) {
    return ::CreateDirectoryA(path, nullptr) != 0 || Fail();
}

bool ChangeDirectory(const char* path) {
    return ::SetCurrentDirectoryA(path) != 0 || Fail();
}

bool DeleteFile(const char* path) {
    // Refuses a read-only file and a file another program holds open without
    // sharing its deletion. The attribute is checked here as well: a system
    // that maps it onto POSIX permissions lets an administrator through them.
    if (IsReadOnly(path))
        return FailWith(ERROR_ACCESS_DENIED);
    return ::DeleteFileA(path) != 0 || Fail();
}

bool StreamFileSize(std::FILE* stream, std::uint64_t& size) {
    LARGE_INTEGER length;
    if (!::GetFileSizeEx(HandleOf(stream), &length))
        return Fail();
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

bool CutStreamBack(std::FILE* stream, std::uint64_t size) {
    // Seeking makes the stream try its buffer once more; whatever still fails
    // to be written is dropped, and the file is cut back after that.
    std::fseek(stream, 0, SEEK_END);
    std::clearerr(stream);
    const HANDLE file = HandleOf(stream);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(file))
        return Fail();
    return ::_fseeki64(stream, static_cast<long long>(size), SEEK_SET) == 0 || Fail();
}

namespace {

// CreateFileW's access and disposition and the C runtime's flags for an fopen
// mode; false when the mode is not one.
struct OpenMode {
    DWORD access = 0;
    DWORD disposition = 0;
    int flags = _O_BINARY;
    bool empty = false; // "w": emptied once the file is known to be a regular one
};

bool ParseMode(const char* mode, OpenMode& open) {
    switch (mode[0]) {
    case 'r':
        open.access = GENERIC_READ;
        open.disposition = OPEN_EXISTING;
        open.flags |= _O_RDONLY;
        break;
    case 'w':
        open.access = GENERIC_WRITE;
        open.disposition = OPEN_ALWAYS;
        open.flags |= _O_WRONLY;
        open.empty = true;
        break;
    case 'a':
        open.access = GENERIC_WRITE;
        open.disposition = OPEN_ALWAYS;
        open.flags |= _O_WRONLY | _O_APPEND;
        break;
    default:
        return false;
    }
    for (const char* c = mode + 1; *c != '\0'; ++c) {
        if (*c == '+') {
            open.access = GENERIC_READ | GENERIC_WRITE;
            open.flags = (open.flags & ~(_O_RDONLY | _O_WRONLY)) | _O_RDWR;
        } else if (*c != 'b') {
            return false;
        }
    }
    return true;
}

} // namespace

std::FILE* OpenRegularFile(const char* path, const char* mode) {
    if (const int fault = InjectedFileFault(FileCall::Open, path)) {
        FailWith(fault);
        return nullptr;
    }
    OpenMode open;
    if (!ParseMode(mode, open)) {
        FailWith(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const HANDLE file = win32::OpenRegularHandle(path, open.access, open.disposition);
    if (file == INVALID_HANDLE_VALUE) {
        Fail();
        return nullptr;
    }
    if (open.empty && !::SetEndOfFile(file)) {
        Fail();
        ::CloseHandle(file);
        return nullptr;
    }
    const int fd = win32::DescriptorOf(file, open.flags);
    if (fd < 0) {
        Fail();
        return nullptr;
    }
    std::FILE* stream = ::_fdopen(fd, mode);
    if (stream == nullptr) {
        FailWith(ERROR_TOO_MANY_OPEN_FILES);
        ::_close(fd);
    }
    return stream;
}

RunLock::~RunLock() {
    Release();
}

RunLock::Result RunLock::Acquire(const char* lockFilePath) {
    if (m_fd >= 0)
        return Result::Acquired;
    if (const int fault = InjectedFileFault(FileCall::Open, lockFilePath)) {
        FailWith(fault);
        return Result::Failed;
    }
    // Without FILE_SHARE_DELETE: no one deletes or renames the file while it
    // is held, so its path always names the file locked. An opener that
    // shares deleting (as a run of an earlier version does) is refused.
    const HANDLE file = win32::OpenRegularHandle(lockFilePath, GENERIC_READ | GENERIC_WRITE,
                                                 OPEN_ALWAYS, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        FailWith(error);
        return error == ERROR_SHARING_VIOLATION ? Result::HeldByAnother : Result::Failed;
    }
    // The first byte, whether the file has one or not; another handle, even
    // of this process, is refused it until this one is closed.
    OVERLAPPED start{};
    if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &start)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(file);
        FailWith(error);
        return error == ERROR_LOCK_VIOLATION ? Result::HeldByAnother : Result::Failed;
    }
    // Who holds it is for a person to read; the lock holds without it. The
    // text goes past the locked first byte, which this handle may write.
    const std::string holder = LockHolderText(static_cast<long>(::GetCurrentProcessId()));
    DWORD written = 0;
    if (::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 && ::SetEndOfFile(file))
        ::WriteFile(file, holder.data(), static_cast<DWORD>(holder.size()), &written, nullptr);
    m_fd = win32::DescriptorOf(file, _O_RDWR | _O_BINARY);
    if (m_fd < 0) {
        Fail();
        return Result::Failed;
    }
    return Result::Acquired;
}

void RunLock::Release() {
    if (m_fd >= 0)
        ::_close(m_fd); // closing the handle lets go of its lock
    m_fd = -1;
}

bool RunLock::IsHeldByAnother(const char* lockFilePath) {
    const HANDLE file = win32::OpenRegularHandle(lockFilePath, GENERIC_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_SHARING_VIOLATION;
    OVERLAPPED start{};
    const bool held =
        !::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &start) &&
        ::GetLastError() == ERROR_LOCK_VIOLATION;
    ::CloseHandle(file);
    return held;
}

ExclusiveFile::~ExclusiveFile() {
    if (m_fd >= 0)
        ::_close(m_fd);
}

bool ExclusiveFile::Open(const char* path, Mode mode) {
    if (const int fault = InjectedFileFault(FileCall::Open, path))
        return FailWith(fault);
    m_path = path;
    // No sharing: the open fails with a sharing violation while another
    // program holds the file, and no other program can open it after this.
    // A read-only file is refused for writing (access denied).
    if (IsReadOnly(path))
        return FailWith(ERROR_ACCESS_DENIED);
    const DWORD disposition = mode == Mode::ReadWriteExisting ? OPEN_EXISTING : CREATE_ALWAYS;
    const DWORD access =
        mode == Mode::ReadWriteExisting ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
    const HANDLE file =
        ::CreateFileA(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail();
    const int flags = (mode == Mode::ReadWriteExisting ? _O_RDWR : _O_WRONLY) | _O_BINARY;
    m_fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), flags);
    if (m_fd < 0) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(file);
        return FailWith(error != 0 ? error : ERROR_TOO_MANY_OPEN_FILES);
    }
    return true;
}

bool ExclusiveFile::Length(std::uint64_t& length) {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(HandleOf(m_fd), &size))
        return Fail();
    length = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

bool ExclusiveFile::SeekToStart() {
    LARGE_INTEGER start;
    start.QuadPart = 0;
    return ::SetFilePointerEx(HandleOf(m_fd), start, nullptr, FILE_BEGIN) != 0 || Fail();
}

bool ExclusiveFile::Read(void* buffer, std::size_t size, std::size_t& read) {
    read = 0;
    if (const int fault = InjectedFileFault(FileCall::Read, m_path))
        return FailWith(fault);
    auto* out = static_cast<char*>(buffer);
    while (read < size) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - read, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(HandleOf(m_fd), out + read, chunk, &got, nullptr))
            return Fail();
        if (got == 0)
            break;
        read += got;
    }
    return true;
}

bool ExclusiveFile::WriteAll(const void* buffer, std::size_t size) {
    if (const int fault = InjectedFileFault(FileCall::Write, m_path))
        return FailWith(fault);
    const auto* in = static_cast<const char*>(buffer);
    std::size_t written = 0;
    while (written < size) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - written, 1u << 30));
        DWORD put = 0;
        if (!::WriteFile(HandleOf(m_fd), in + written, chunk, &put, nullptr))
            return Fail();
        written += put;
    }
    return true;
}

bool ExclusiveFile::Close() {
    const int fd = m_fd;
    m_fd = -1;
    const HANDLE file = HandleOf(fd);
    // Closing the descriptor closes the handle; its error is the handle's.
    if (::_close(fd) != 0)
        return FailWith(file == INVALID_HANDLE_VALUE ? ERROR_INVALID_HANDLE : ::GetLastError());
    if (const int fault = InjectedFileFault(FileCall::Close, m_path))
        return FailWith(fault);
    return true;
}

} // namespace platform
