// Which file a path names at this moment, as the file system knows it: two
// paths, or one path at two moments, name the same file exactly when their
// identities are equal.
//
// On POSIX the identity is the device and inode number. The Windows build
// supplies its own FileIdentity.cpp: the volume serial number and the 64-bit
// file index that GetFileInformationByHandle reports for the file opened with
// FILE_FLAG_BACKUP_SEMANTICS and no access rights.
#pragma once

#include <cstdint>

namespace storelink {

struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;

    bool operator==(const FileIdentity&) const = default;
};

// False when nothing can be found at `path` (removed, or not reachable).
bool IdentifyFile(const char* path, FileIdentity& identity);

} // namespace storelink
