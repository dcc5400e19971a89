#include "platform/FileSystem.h"
#include "platform/FileFaults.h"
#include "platform/LockHolder.h"
#include "platform/PosixRead.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {
namespace {

thread_local int t_lastError = 0;

bool Fail() {
    t_lastError = errno;
    return false;
}

bool FailWith(int error) {
    t_lastError = error;
    return false;
}

bool IsReadOnly(const struct stat& info) {
    return S_ISREG(info.st_mode) && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// open() flags of an fopen mode, or -1 when the mode is not one.
int OpenFlags(const char* mode) {
    int flags = 0;
    switch (mode[0]) {
    case 'r':
        flags = 0;
        break;
    case 'w':
        flags = O_CREAT; // emptied only after the check
        break;
    case 'a':
        flags = O_CREAT | O_APPEND;
        break;
    default:
        return -1;
    }
    bool update = false;
    for (const char* c = mode + 1; *c != '\0'; ++c) {
        if (*c == '+')
            update = true;
        else if (*c != 'b')
            return -1;
    }
    return flags | (update ? O_RDWR : mode[0] == 'r' ? O_RDONLY : O_WRONLY);
}

// Opens `path` with `flags` as a regular file of one name; the descriptor, or
// -1 with the last error code set.
int OpenRegularDescriptor(const char* path, int flags) {
    const int fd = ::open(path, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        Fail();
        return -1;
    }
    struct stat info;
    int error = 0;
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (S_ISDIR(info.st_mode))
        error = EISDIR;
    else if (!S_ISREG(info.st_mode))
        error = EINVAL;
    else if (info.st_nlink != 1)
        error = EMLINK;
    else if (::fcntl(fd, F_SETFL, flags & O_APPEND) != 0)
        error = errno;
    if (error != 0) {
        ::close(fd);
        FailWith(error);
        return -1;
    }
    return fd;
}

// The folder part of a path: "." for none, "/" for the root.
std::string FolderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    if (!slash)
        return ".";
    return slash == path ? std::string("/") : std::string(path, slash);
}

// An exclusive lock on an open descriptor, without waiting.
RunLock::Result LockDescriptor(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return RunLock::Result::Acquired;
    const int error = errno;
    ::close(fd);
    FailWith(error);
    return error == EWOULDBLOCK ? RunLock::Result::HeldByAnother : RunLock::Result::Failed;
}

} // namespace

int LastErrorCode() {
    return t_lastError;
}

std::string DescribeErrorCode(int code) {
    return std::strerror(code);
}

bool IsAlreadyExistsError(int code) {
    return code == EEXIST;
}

bool IsNotFoundError(int code) {
    return code == ENOENT;
}

PathKind KindOfPath(const char* path) {
    struct stat info;
    if (::lstat(path, &info) != 0)
        return PathKind::Nothing;
    if (S_ISLNK(info.st_mode))
        return PathKind::SymbolicLink;
    if (S_ISDIR(info.st_mode))
        return PathKind::Folder;
    if (S_ISFIFO(info.st_mode))
        return PathKind::Fifo;
    if (S_ISREG(info.st_mode))
        return PathKind::File;
    return PathKind::Device;
}

void FailWritesPastFileSizeLimit() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

void SetLastErrorCode(int error) {
    t_lastError = error;
}

bool PathExists(const char* path) {
    // The entry itself, as a directory search finds it: a symbolic link exists
    // even when what it points to does not, so it is deleted, never written through.
    struct stat info;
    return ::lstat(path, &info) == 0;
}

bool FreeDiskSpace(const char* path, std::uint64_t& bytes) {
    struct statvfs info;
    if (::statvfs(path, &info) != 0)
        return Fail();
    bytes = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
    return true;
}

bool IsWritableFolder(const char* path) {
    struct stat info;
    return ::lstat(path, &info) == 0 && S_ISDIR(info.st_mode) && ::access(path, W_OK | X_OK) == 0;
}

bool CreateFolder(const char* path) {
    return ::mkdir(path, 0777) == 0 || Fail();
}

bool ChangeDirectory(const char* path) {
    return ::chdir(path) == 0 || Fail();
}

bool DeleteFile(const char* path) {
    struct stat info;
    if (::lstat(path, &info) != 0)
        return Fail();
    if (S_ISDIR(info.st_mode))
        return FailWith(EISDIR);
    if (IsReadOnly(info))
        return FailWith(EACCES);
    return ::unlink(path) == 0 || Fail();
}

bool StreamFileSize(std::FILE* stream, std::uint64_t& size) {
    struct stat info;
    if (::fstat(::fileno(stream), &info) != 0)
        return Fail();
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool CutStreamBack(std::FILE* stream, std::uint64_t size) {
    // Seeking makes the stream try its buffer once more; whatever still fails
    // to be written is dropped, and the file is cut back after that.
    std::fseek(stream, 0, SEEK_END);
    std::clearerr(stream);
    if (::ftruncate(::fileno(stream), static_cast<off_t>(size)) != 0)
        return Fail();
    return ::fseeko(stream, static_cast<off_t>(size), SEEK_SET) == 0 || Fail();
}

std::FILE* OpenRegularFile(const char* path, const char* mode) {
    if (const int fault = InjectedFileFault(FileCall::Open, path)) {
        FailWith(fault);
        return nullptr;
    }
    const int flags = OpenFlags(mode);
    if (flags < 0) {
        FailWith(EINVAL);
        return nullptr;
    }
    const int fd = OpenRegularDescriptor(path, flags);
    if (fd < 0)
        return nullptr;
    if (mode[0] == 'w' && ::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        FailWith(error);
        return nullptr;
    }
    std::FILE* stream = ::fdopen(fd, mode);
    if (stream == nullptr) {
        Fail();
        ::close(fd);
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
    // The folder first: it cannot be deleted while it holds the database, so
    // a lock file deleted or replaced under a holder lets no one else in.
    const int folderFd = ::open(FolderOf(lockFilePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) {
        Fail();
        return Result::Failed;
    }
    Result result = LockDescriptor(folderFd);
    // The file as well: a run of an earlier version locks only the file.
    for (int attempt = 0; result == Result::Acquired && m_fd < 0; ++attempt) {
        const int fd = OpenRegularDescriptor(lockFilePath, O_RDWR | O_CREAT);
        if (fd < 0) {
            result = Result::Failed;
            break;
        }
        result = LockDescriptor(fd);
        if (result != Result::Acquired)
            break;
        // Another may have deleted or replaced the file between the open and
        // the lock: the lock counts only on the file the path still names.
        struct stat held;
        struct stat named;
        if (::fstat(fd, &held) == 0 && ::lstat(lockFilePath, &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_fd = fd;
        } else {
            ::close(fd);
            if (attempt == 2) {
                FailWith(ESTALE);
                result = Result::Failed;
            }
        }
    }
    if (result != Result::Acquired) {
        ::close(folderFd);
        return result;
    }
    m_folderFd = folderFd;
    // Who holds it is for a person to read; the lock holds without it.
    const std::string holder = LockHolderText(static_cast<long>(::getpid()));
    const bool told =
        ::ftruncate(m_fd, 0) == 0 &&
        ::pwrite(m_fd, holder.data(), holder.size(), 0) == static_cast<ssize_t>(holder.size());
    static_cast<void>(told);
    return Result::Acquired;
}

void RunLock::Release() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_folderFd >= 0)
        ::close(m_folderFd);
    m_fd = -1;
    m_folderFd = -1;
}

bool RunLock::IsHeldByAnother(const char* lockFilePath) {
    const int folderFd = ::open(FolderOf(lockFilePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return false;
    const bool held = ::flock(folderFd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(folderFd);
    if (held)
        return true;
    const int fd = ::open(lockFilePath, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool fileHeld = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return fileHeld;
}

ExclusiveFile::~ExclusiveFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ExclusiveFile::Open(const char* path, Mode mode) {
    if (const int fault = InjectedFileFault(FileCall::Open, path))
        return FailWith(fault);
    m_path = path;
    struct stat info;
    const bool exists = ::stat(path, &info) == 0;
    if (exists && IsReadOnly(info))
        return FailWith(EACCES);
    if (mode == Mode::ReadWriteExisting && !exists)
        return Fail();

    // Take the lock before emptying a file another opener may hold.
    const int flags = mode == Mode::ReadWriteExisting ? O_RDWR : (O_WRONLY | O_CREAT);
    m_fd = ::open(path, flags | O_CLOEXEC, 0666);
    if (m_fd < 0)
        return Fail();
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        return FailWith(error);
    }
    if (mode == Mode::WriteCreateAlways && ::ftruncate(m_fd, 0) != 0) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        return FailWith(error);
    }
    return true;
}

bool ExclusiveFile::Length(std::uint64_t& length) {
    struct stat info;
    if (::fstat(m_fd, &info) != 0)
        return Fail();
    length = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool ExclusiveFile::SeekToStart() {
    return ::lseek(m_fd, 0, SEEK_SET) == 0 || Fail();
}

bool ExclusiveFile::Read(void* buffer, std::size_t size, std::size_t& read) {
    read = 0;
    if (const int fault = InjectedFileFault(FileCall::Read, m_path))
        return FailWith(fault);
    return ReadFromDescriptor(m_fd, buffer, size, read) || Fail();
}

bool ExclusiveFile::WriteAll(const void* buffer, std::size_t size) {
    if (const int fault = InjectedFileFault(FileCall::Write, m_path))
        return FailWith(fault);
    const auto* in = static_cast<const char*>(buffer);
    std::size_t written = 0;
    while (written < size) {
        const ssize_t put = ::write(m_fd, in + written, size - written);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return Fail();
        }
        written += static_cast<std::size_t>(put);
    }
    return true;
}

bool ExclusiveFile::Close() {
    const int fd = m_fd;
    m_fd = -1;
    const bool closed = ::close(fd) == 0 || Fail();
    if (const int fault = InjectedFileFault(FileCall::Close, m_path))
        return FailWith(fault);
    return closed;
}

} // namespace platform
