#include "storelink/FileIdentity.h"

#include <cstring>

#include <windows.h>

namespace storelink {

bool IdentifyFile(const char* path, FileIdentity& identity) {
    // No access rights are needed to read a file's identity, and backup
    // semantics open a folder as well.
    const HANDLE file =
        ::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // The file's own record of its volume and its 128-bit ID where the system
    // has it (Windows 8 on); else the volume serial number and the 64-bit file
    // index. Both sides of a comparison come from the same call on one system.
    FILE_ID_INFO id{};
    BY_HANDLE_FILE_INFORMATION info{};
    bool known = false;
    if (::GetFileInformationByHandleEx(file, FileIdInfo, &id, sizeof id)) {
        uint64_t halves[2] = {};
        std::memcpy(halves, &id.FileId, sizeof halves);
        identity.volume = id.VolumeSerialNumber;
        identity.index = halves[0];
        identity.indexHigh = halves[1];
        known = true;
    } else if (::GetFileInformationByHandle(file, &info)) {
        identity.volume = info.dwVolumeSerialNumber;
        identity.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        known = true;
    }
    ::CloseHandle(file);
    return known;
}

} // namespace storelink
