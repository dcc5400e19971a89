#include "platform/LibraryLoader.h"

#include <string>

#include <windows.h>

namespace platform {
namespace {

class Win32LibraryLoader final : public LibraryLoader {
public:
    Handle Load(const char* baseName) override {
        // The host's libraries sit beside the program and are already loaded
        // when the program imports them; loading one by name adds a reference.
        const std::string fileName = std::string(baseName) + ".dll";
        return ::LoadLibraryA(fileName.c_str());
    }
    void* FindEntryPoint(Handle library, const char* name) override {
        if (!library)
            return nullptr;
        const FARPROC entry = ::GetProcAddress(static_cast<HMODULE>(library), name);
        return reinterpret_cast<void*>(entry);
    }
    void* FindEntryPointByOrdinal(Handle library, int ordinal) override {
        if (!library || ordinal <= 0 || ordinal > 0xFFFF)
            return nullptr;
        const FARPROC entry = ::GetProcAddress(static_cast<HMODULE>(library),
                                               MAKEINTRESOURCEA(static_cast<WORD>(ordinal)));
        return reinterpret_cast<void*>(entry);
    }
    void Release(Handle library) override {
        if (library)
            ::FreeLibrary(static_cast<HMODULE>(library));
    }
};

} // namespace

LibraryLoader& SystemLibraryLoader() {
    static Win32LibraryLoader loader;
    return loader;
}

} // namespace platform
