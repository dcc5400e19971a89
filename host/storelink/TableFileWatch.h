// Notices that the file at a table's path is no longer the file a handle
// opened: another file renamed over it (a backup put back while the table is
// in use) or the file removed. The handle's connection would go on reading and
// writing the old file, and every change made through it would be lost with
// that file.
#pragma once

#include "storelink/FileIdentity.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace storelink {

class TableFileWatch {
public:
    // Looking at the path costs a system call; a walk makes many thousand
    // calls a second, so reads look at most this often.
    static constexpr std::chrono::milliseconds kReadCheckInterval{200};

    // Takes the file now at `path` as the handle's file. False when there is none.
    bool Start(const std::string& path);

    // kErrTableReplaced when the path no longer names the handle's file, else
    // 0. With `now` (before every write) the path is looked at each time;
    // otherwise only when kReadCheckInterval has passed since the last look.
    // Once the file was found replaced, every later check fails.
    int32_t Check(bool now);

private:
    std::string m_path;
    FileIdentity m_identity;
    std::chrono::steady_clock::time_point m_lastLook{};
    bool m_replaced = false;
};

} // namespace storelink
