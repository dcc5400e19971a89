// A library loader whose answers a test sets and whose calls it reads back: it
// stands in for the operating system's loader where a test needs a library
// that cannot be loaded, or lacks an entry point, or whose entry point answers
// as the test wants.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/LibraryLoader.h"

namespace fakes {

class FakeLibraryLoader final : public platform::LibraryLoader {
public:
    // Answers.
    bool loadable = true;            // Load gives a handle
    void* entryPoint = nullptr;      // FindEntryPoint gives this (any name)
    std::function<void()> onRelease; // called inside every Release, before it returns

    // Calls seen, in order: "load NAME", "load-file PATH", "find NAME", "release".
    std::vector<std::string> calls;
    // Handles given out and not released yet.
    int OpenHandles() const { return m_open; }

    Handle Load(const char* baseName) override;
    Handle LoadFile(const char* path) override;
    void* FindEntryPoint(Handle library, const char* name) override;
    void Release(Handle library) override;

private:
    Handle Open(std::string call);

    int m_handle = 0; // the address handed out as the handle
    int m_open = 0;
};

} // namespace fakes
