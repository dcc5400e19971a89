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
#include <string_view>

namespace platform {

// The error code of the last failing call of this interface on this thread.
int LastErrorCode();
// Sets it, for the other file interfaces of the platform.
void SetLastErrorCode(int error);

// True when a file or folder of this exact path exists (a directory search for
// the path, as the original platform's find-first does).
bool PathExists(const char* path);

// Creates one folder level. False with the last error code set on failure.
bool CreateFolder(const char* path);

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

// A file opened for exclusive use: no other opener may share it while it is open.
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
};

} // namespace platform
