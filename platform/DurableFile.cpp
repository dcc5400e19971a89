#include "platform/DurableFile.h"
#include "platform/PosixRead.h"

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileFaults.h"
#include "platform/FileSystem.h"

namespace platform {
namespace {

bool Fail() {
    SetLastErrorCode(errno);
    return false;
}

// The file `name` in `folder`, opened with `flags`; neither is followed
// through a link. A file created is made part of the folder on the disk as
// well. -1 with the last error code set on failure.
int OpenInFolder(const char* folder, const char* name, int flags) {
    const int folderHandle = ::open(folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folderHandle < 0) {
        Fail();
        return -1;
    }
    int handle = ::openat(folderHandle, name, flags | O_NOFOLLOW | O_CLOEXEC, 0666);
    int error = errno;
    if (handle >= 0 && (flags & O_CREAT) != 0 && ::fsync(folderHandle) != 0) {
        error = errno;
        ::close(handle);
        handle = -1;
    }
    ::close(folderHandle);
    if (handle < 0)
        SetLastErrorCode(error);
    return handle;
}

} // namespace

DurableFile::~DurableFile() {
    if (m_handle >= 0)
        ::close(m_handle);
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
    m_handle = OpenInFolder(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_APPEND);
    return m_handle >= 0;
}

bool DurableFile::OpenToRead(const char* folder, const char* name) {
    m_name = name;
    if (Faulted(FileCall::Open))
        return false;
    // Without blocking, so that a FIFO of that name cannot hold the open.
    m_handle = OpenInFolder(folder, name, O_RDONLY | O_NONBLOCK);
    if (m_handle < 0)
        return false;
    struct stat info;
    int error = 0;
    if (::fstat(m_handle, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = EINVAL;
    if (error == 0)
        return true;
    ::close(m_handle);
    m_handle = -1;
    SetLastErrorCode(error);
    return false;
}

bool DurableFile::Append(const void* bytes, std::size_t size) {
    if (Faulted(FileCall::Write))
        return false;
    const auto* in = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t put = ::write(m_handle, in, size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return Fail();
        }
        in += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

bool DurableFile::Sync() {
    if (Faulted(FileCall::Sync))
        return false;
    return ::fdatasync(m_handle) == 0 || Fail();
}

bool DurableFile::Read(void* buffer, std::size_t size, std::size_t& read) {
    read = 0;
    if (Faulted(FileCall::Read))
        return false;
    return ReadFromDescriptor(m_handle, buffer, size, read) || Fail();
}

bool DurableFile::Size(std::uint64_t& size) {
    struct stat info;
    if (::fstat(m_handle, &info) != 0)
        return Fail();
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool DurableFile::Close() {
    const int handle = m_handle;
    m_handle = -1;
    const bool closed = ::close(handle) == 0 || Fail();
    return !Faulted(FileCall::Close) && closed;
}

bool IsFolder(const char* path) {
    struct stat info;
    return ::lstat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool ListFolder(const char* path, std::vector<std::string>& names) {
    names.clear();
    const int handle = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (handle < 0)
        return Fail();
    DIR* folder = ::fdopendir(handle);
    if (!folder) {
        const int error = errno;
        ::close(handle);
        SetLastErrorCode(error);
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    const int error = errno;
    ::closedir(folder);
    if (error != 0) {
        SetLastErrorCode(error);
        return false;
    }
    return true;
}

} // namespace platform
