#include "storelink/FileIdentity.h"

#include <sys/stat.h>

namespace storelink {

bool IdentifyFile(const char* path, FileIdentity& identity) {
    struct stat info {};
    if (::stat(path, &info) != 0) {
        return false;
    }
    identity.volume = static_cast<uint64_t>(info.st_dev);
    identity.index = static_cast<uint64_t>(info.st_ino);
    return true;
}

} // namespace storelink
