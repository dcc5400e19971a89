// A file that a run writes as it goes and that must outlive the run, in a
// folder of its own: created new (never an existing file), appended to in whole
// pieces that reach the operating system at once, synced to the disk on
// request; and read back later. Tests can make its calls fail through the
// seam in FileFaults.h. Neither the folder nor the file is ever
// reached through a symbolic link, and only a regular file is read.
//
// POSIX: the folder opened with O_DIRECTORY | O_NOFOLLOW, the file with openat
// and O_NOFOLLOW (O_CREAT | O_EXCL | O_APPEND to create, then the folder
// synced), write, fdatasync. The Win32 twin: the folder checked not to be a
// reparse point, CreateFileW with CREATE_NEW (or OPEN_EXISTING) and
// FILE_FLAG_OPEN_REPARSE_POINT, refusing a reparse point or a file whose
// GetFileType is not FILE_TYPE_DISK; WriteFile at the end; FlushFileBuffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class FileCall; // FileFaults.h

class DurableFile {
public:
    DurableFile() = default;
    ~DurableFile();
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    // Creates `name` in `folder` for writing; fails with the last error code
    // set (EEXIST) when anything of that name exists already.
    bool CreateNew(const char* folder, const char* name);
    // Opens the regular file `name` in `folder` for reading.
    bool OpenToRead(const char* folder, const char* name);
    bool IsOpen() const { return m_handle >= 0; }

    // Writes all `size` bytes at the end of the file, with one system call
    // unless the system takes fewer. When this returns true the bytes are the
    // operating system's: a process killed now loses none of them.
    bool Append(const void* bytes, std::size_t size);
    // Makes everything appended so far durable on the disk.
    bool Sync();
    // Reads up to `size` bytes; `read` receives how many arrived (0 at the end).
    bool Read(void* buffer, std::size_t size, std::size_t& read);
    // The file's size in bytes.
    bool Size(std::uint64_t& size);
    bool Close();

private:
    // True, with the last error code set, when the file-fault seam fails `call`.
    bool Faulted(FileCall call) const;

    int m_handle = -1;
    std::string m_name; // for the file-fault seam (FileFaults.h)
};

// Whether `path` is a folder itself, not a link to one.
bool IsFolder(const char* path);

// The names of the entries of a folder ("." and ".." left out), unsorted. False
// with the last error code set when the folder cannot be read or is a link.
bool ListFolder(const char* path, std::vector<std::string>& names);

} // namespace platform
