// The tests' file system for the files the utility keeps: every call reaches the real
// one, except the chosen call to the chosen file, which fails with the chosen
// error code. Installed while the object lives.
#pragma once

#include <atomic>
#include <string>

#include "platform/FileFaults.h"

namespace fakes {

class FailingFileSystem {
public:
    // Fails the `nth` (from 1) `call` to a file whose path ends with `fileName`.
    FailingFileSystem(platform::FileCall call, std::string fileName, int error, int nth = 1);
    ~FailingFileSystem();
    FailingFileSystem(const FailingFileSystem&) = delete;
    FailingFileSystem& operator=(const FailingFileSystem&) = delete;

    // How many calls of the chosen kind reached that file, the failed one included.
    int Calls() const { return m_calls; }

private:
    platform::FileFaultRule m_previous;
    std::atomic<int> m_calls = 0;
};

} // namespace fakes
