// The read loop of the POSIX files (DurableFile, ExclusiveFile): reads until
// `size` bytes have arrived or the file ends, retrying an interrupted read.
// Only the POSIX sources include this.
#pragma once

#include <cerrno>
#include <cstddef>

#include <unistd.h>

namespace platform {

// False with errno set when a read fails; `read` receives how many bytes
// arrived before the end of the file or the failure.
inline bool ReadFromDescriptor(int fd, void* buffer, std::size_t size, std::size_t& read) {
    read = 0;
    auto* out = static_cast<char*>(buffer);
    while (read < size) {
        const ssize_t got = ::read(fd, out + read, size - read);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        read += static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace platform
