// File and folder operations the utility needs, with the system's last error
// code captured at the failing call (errno on POSIX).
//
// The host's original platform has a read-only file attribute that stops even an
// administrator from deleting or writing a file. POSIX has none, and root ignores
// permission bits, so a file with no write permission bit at all is treated as
// read-only here: it is neither deleted nor opened for writing (EACCES).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

// The error code of the last failing call of this interface on this thread.
int LastErrorCode();
// Sets it, for the other file interfaces of the platform.
void SetLastErrorCode(int error);

// The system's own description of a last error code, for a message.
std::string DescribeErrorCode(int code);

// True when a last error code says that something of the name exists already
// (EEXIST; on Windows ERROR_FILE_EXISTS or ERROR_ALREADY_EXISTS).
bool IsAlreadyExistsError(int code);

// True when a last error code says that the path names nothing (ENOENT; on
// Windows ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND).
bool IsNotFoundError(int code);

// What `path` names itself, never what a link there points to.
enum class PathKind { Nothing, File, Folder, SymbolicLink, Fifo, Device };
PathKind KindOfPath(const char* path);

// A kind as a message names it: "a symbolic link", "a folder", ...
inline const char* PathKindText(PathKind kind) {
    switch (kind) {
    case PathKind::File:
        return "a file";
    case PathKind::Folder:
        return "a folder";
    case PathKind::SymbolicLink:
        return "a symbolic link";
    case PathKind::Fifo:
        return "a FIFO";
    case PathKind::Device:
        return "a device";
    case PathKind::Nothing:
        break;
    }
    return "nothing";
}

// Called by each program at its start: a write past the process's file-size
// limit then fails with an error code the utility reports, where POSIX would
// otherwise end the process at once (SIGXFSZ) without a word.
void FailWritesPastFileSizeLimit();

// True when a file or folder of this exact path exists (a directory search for
// the path, as the original platform's find-first does).
bool PathExists(const char* path);

// The bytes the file system holding `path` has free for this user. False
// with the last error code set on failure.
bool FreeDiskSpace(const char* path, std::uint64_t& bytes);

// True when `path` is a folder itself (not a link to one) that this user may
// create files in, as far as its permissions or attributes say; nothing is
// written to find out.
bool IsWritableFolder(const char* path);

// Creates one folder level. False with the last error code set on failure.
bool CreateFolder(const char* path);

// Makes `path` the process's current folder. False with the last error code
// set on failure.
bool ChangeDirectory(const char* path);

// Deletes a file. False with the last error code set on failure, also for a
// read-only file.
bool DeleteFile(const char* path);

// The size of the file an output stream writes, as it is on disk (what the
// stream still buffers is not counted). False with the last error code set on failure.
bool StreamFileSize(std::FILE* stream, std::uint64_t& size);

// Cuts the file an output stream writes back to `size` bytes, after a write
// that the file could not take whole: what the stream still buffers is given
// up, its error flag cleared, and it is placed at the new end. False with the
// last error code set on failure.
bool CutStreamBack(std::FILE* stream, std::uint64_t size);

// Opens a file the program writes in a folder others can write to (the run log,
// the CSV report, the lock file) only as what it must be: a regular file with
// this one name. Never through a symbolic link (the link could point at a
// table, or out of the folder), never a FIFO (its open would wait for a reader
// for ever), a device or a folder, and never a file with other names (hard
// links) as well. `mode` is fopen's ("r", "w", "a", each with "+" and "b" as
// wanted); "w" empties the file only once it is known to be such a file.
// Returns the open stream, or null with the last error code set: ELOOP for a
// symbolic link, EISDIR for a folder, EMLINK for a file of several names,
// EINVAL for a bad mode or any other kind of file (ENXIO for a FIFO that no
// one reads); else the code of the failing call.
//
// POSIX: open with O_NOFOLLOW and O_NONBLOCK, fstat, then clear O_NONBLOCK.
// The Win32 twin: CreateFileW with FILE_FLAG_OPEN_REPARSE_POINT, refusing a
// reparse point, a directory, a file whose GetFileType is not FILE_TYPE_DISK or
// whose nNumberOfLinks is not 1, then _open_osfhandle and _fdopen.
std::FILE* OpenRegularFile(const char* path, const char* mode);

// An exclusive lock on a lock file, held while the object holds it and
// released by the operating system when the process ends, however it ends. The
// lock file is created when missing, opened as OpenRegularFile opens a file,
// and never removed; the holder writes into it who holds it ("process N since
// TIME"), for a person who wonders whether it is live. One lock file taken
// twice, even by one process, is held by another the second time.
//
// Deleting or replacing the lock file while it is held lets no second holder
// in. POSIX: flock(LOCK_EX | LOCK_NB) on the folder of the lock file (which
// cannot go while it holds the database) as well as on the file; after the
// file is locked, the path must still name the file locked, else it is taken
// again. The Win32 twin: the file opened without FILE_SHARE_DELETE, so it
// cannot be deleted or renamed while held, and LockFileEx with
// LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY (ERROR_LOCK_VIOLATION or
// a sharing violation meaning held by another).
class RunLock {
public:
    enum class Result {
        Acquired,
        HeldByAnother, // someone else holds it now
        Failed,        // the lock file could not be opened or locked; last error code set
    };

    RunLock() = default;
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Never waits. Taking a lock already held by this object keeps it.
    Result Acquire(const char* lockFilePath);
    void Release();
    bool IsHeld() const { return m_fd >= 0; }

    // Whether someone holds the lock of `lockFilePath` now; nothing is created
    // or written to find out (a missing lock file is held by no one).
    static bool IsHeldByAnother(const char* lockFilePath);

private:
    int m_fd = -1;
    int m_folderFd = -1; // POSIX: the lock on the lock file's folder
};

// A file opened for exclusive use: no other opener may share it while it is open.
// Tests can make its calls fail through the seam in FileFaults.h.
class ExclusiveFile {
public:
    enum class Mode {
        ReadWriteExisting, // read and write an existing file, never create one
        WriteCreateAlways, // create, or empty an existing file, for writing
    };

    ExclusiveFile() = default;
    ~ExclusiveFile();
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;

    // False with the last error code set when the file cannot be opened, is
    // read-only (for writing), or is held by another opener.
    bool Open(const char* path, Mode mode);
    bool IsOpen() const { return m_fd >= 0; }

    // Each returns false with the last error code set on failure.
    bool Length(std::uint64_t& length);
    bool SeekToStart();
    // Reads up to `size` bytes; `read` receives how many arrived.
    bool Read(void* buffer, std::size_t size, std::size_t& read);
    // Writes all `size` bytes (a short write is retried until all are written).
    bool WriteAll(const void* buffer, std::size_t size);
    bool Close();

private:
    int m_fd = -1;
    std::string m_path; // for the file-fault seam (FileFaults.h)
};

} // namespace platform
