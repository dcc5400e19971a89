// The durable run files on Windows. Error codes are GetLastError values.
#include "platform/DurableFile.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>

#include <windows.h>

#include "platform/FileFaults.h"
#include "platform/FileSystem.h"
#include "platform/win32/WindowsFile.h"

namespace platform {
namespace {

bool Fail() {
    SetLastErrorCode(static_cast<int>(::GetLastError()));
    return false;
}

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// A folder itself: not a file, and not a link or junction to a folder.
bool IsPlainFolder(const char* path) {
    const std::wstring wide = win32::WidePath(path);
    const DWORD attributes =
        wide.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string PathIn(const char* folder, const char* name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '\\' && path.back() != '/')
        path += '\\';
    return path + name;
}

// The file `name` in `folder`, checked as OpenRegularFile checks a file; the
// folder must be a folder itself. -1 with the last error code set on failure.
int OpenInFolder(const char* folder, const char* name, DWORD access, DWORD disposition, int flags) {
    if (!IsPlainFolder(folder)) {
        ::SetLastError(ERROR_DIRECTORY);
        Fail();
        return -1;
    }
    const HANDLE file = win32::OpenRegularHandle(PathIn(folder, name).c_str(), access, disposition);
    if (file == INVALID_HANDLE_VALUE) {
        Fail();
        return -1;
    }
    const int fd = win32::DescriptorOf(file, flags | _O_BINARY);
    if (fd < 0)
        Fail();
    return fd;
}

} // namespace

DurableFile::~DurableFile() {
    if (m_handle >= 0)
        ::_close(m_handle);
}

bool DurableFile::Faulted(FileCall call) const {
    const int error = InjectedFileFault(call, m_name);
    if (error != 0)
        SetLastErrorCode(error);
    return error != 0;
}

bool DurableFile::CreateNew(const char* folder, const char* name) {
    m_name = name;
    if (Faulted(FileCall::Open))
        return false;
    // Only this handle writes, and it only appends: its position stays at the end.
    m_handle = OpenInFolder(folder, name, GENERIC_WRITE, CREATE_NEW, _O_WRONLY);
    return m_handle >= 0;
}

bool DurableFile::OpenToRead(const char* folder, const char* name) {
    m_name = name;
    if (Faulted(FileCall::Open))
        return false;
    m_handle = OpenInFolder(folder, name, GENERIC_READ, OPEN_EXISTING, _O_RDONLY);
    return m_handle >= 0;
}

bool DurableFile::Append(const void* bytes, std::size_t size) {
    if (Faulted(FileCall::Write))
        return false;
    const auto* in = static_cast<const char*>(bytes);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD put = 0;
        if (!::WriteFile(HandleOf(m_handle), in, chunk, &put, nullptr))
            return Fail();
        in += put;
        size -= put;
    }
    return true;
}

bool DurableFile::Sync() {
    if (Faulted(FileCall::Sync))
        return false;
    return ::FlushFileBuffers(HandleOf(m_handle)) != 0 || Fail();
}

bool DurableFile::Read(void* buffer, std::size_t size, std::size_t& read) {
    read = 0;
    if (Faulted(FileCall::Read))
        return false;
    read = 0;
    auto* out = static_cast<char*>(buffer);
    while (read < size) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - read, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(HandleOf(m_handle), out + read, chunk, &got, nullptr))
            return Fail();
        if (got == 0)
            break;
        read += got;
    }
    return true;
}

bool DurableFile::Size(std::uint64_t& size) {
    LARGE_INTEGER length;
    if (!::GetFileSizeEx(HandleOf(m_handle), &length))
        return Fail();
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

bool DurableFile::Close() {
    const int handle = m_handle;
    m_handle = -1;
    const bool closed = ::_close(handle) == 0 || (::SetLastError(ERROR_INVALID_HANDLE), Fail());
    return !Faulted(FileCall::Close) && closed;
}

bool IsFolder(const char* path) {
    return IsPlainFolder(path);
}

bool ListFolder(const char* path, std::vector<std::string>& names) {
    names.clear();
    if (!IsPlainFolder(path)) {
        const std::wstring wide = win32::WidePath(path);
        // Nothing of the name keeps the system's not-found code.
        if (wide.empty() || ::GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES)
            ::SetLastError(ERROR_DIRECTORY);
        return Fail();
    }
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA(PathIn(path, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND || Fail();
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (::FindNextFileA(search, &found));
    const DWORD error = ::GetLastError();
    ::FindClose(search);
    if (error != ERROR_NO_MORE_FILES) {
        ::SetLastError(error);
        return Fail();
    }
    return true;
}

} // namespace platform
