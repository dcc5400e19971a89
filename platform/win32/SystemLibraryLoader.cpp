#include "platform/LibraryLoader.h"

#include "platform/FileSystem.h"

#include <string>

#include <windows.h>

namespace platform {
namespace {

class Win32LibraryLoader final : public LibraryLoader {
public:
    Handle Load(const char* baseName) override {
        // The host's libraries sit beside the program and are already loaded
        // when the program imports them; loading one by name adds a reference.
        return ::LoadLibraryA(LibraryFileName(baseName).c_str());
    }
    Handle LoadFile(const char* path) override {
        // With the DLLs it imports looked for beside it, as for the program's own.
        const HMODULE library = ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!library)
            SetLastErrorCode(static_cast<int>(::GetLastError()));
        return library;
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

std::string LibraryFileName(const char* baseName) {
    return std::string(baseName) + ".dll";
}

std::string ProgramFolder() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

} // namespace platform
