// Loading a shared library by name at run time and looking up an entry point.
#pragma once

#include <string>

namespace platform {

class LibraryLoader {
public:
    using Handle = void*;

    virtual ~LibraryLoader() = default;
    // `baseName` is the library's name without prefix or extension, as on the
    // host's original platform ("OVUtilities"). nullptr when it cannot be loaded.
    virtual Handle Load(const char* baseName) = 0;
    // The library file at `path`; nullptr, with LastErrorCode() set where the
    // system gives one, when it cannot be loaded.
    virtual Handle LoadFile(const char* path) = 0;
    // nullptr when the library has no such entry point.
    virtual void* FindEntryPoint(Handle library, const char* name) = 0;
    // The entry point the library exports under this number (Windows); nullptr
    // where it has none, and on systems that export by name only.
    virtual void* FindEntryPointByOrdinal(Handle /*library*/, int /*ordinal*/) { return nullptr; }
    virtual void Release(Handle library) = 0;
};

// The operating system's loader (dlopen on POSIX).
LibraryLoader& SystemLibraryLoader();

// The file name of the library `baseName` on this platform: "StoreLinkDll.dll",
// "libStoreLinkDll.so".
std::string LibraryFileName(const char* baseName);

// The folder the running program's file is in, without a separator at the
// end; empty when the system cannot say.
std::string ProgramFolder();

} // namespace platform
