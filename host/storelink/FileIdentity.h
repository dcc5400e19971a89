// Which file a path names at this moment, as the file system knows it: two
// paths, or one path at two moments, name the same file exactly when their
// identities are equal.
//
// On POSIX the identity is the device and inode number. The Windows build
// supplies its own FileIdentity.cpp: for the file opened with
// FILE_FLAG_BACKUP_SEMANTICS and no access rights, the volume serial number
// and 128-bit file ID of GetFileInformationByHandleEx(FileIdInfo), or, where
// the system lacks that, the volume serial number and 64-bit file index of
// GetFileInformationByHandle.
#pragma once

#include <cstdint>

namespace storelink {

struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    uint64_t indexHigh = 0; // the upper half of a 128-bit Windows file ID

    bool operator==(const FileIdentity&) const = default;
};

// False when nothing can be found at `path` (removed, or not reachable).
bool IdentifyFile(const char* path, FileIdentity& identity);

} // namespace storelink
