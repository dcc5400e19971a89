#include "platform/LibraryLoader.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <climits>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

namespace platform {
namespace {

class PosixLibraryLoader final : public LibraryLoader {
public:
    Handle Load(const char* baseName) override {
        // The host's libraries sit beside the program and are already mapped when
        // the program imports them; dlopen by the same name then only adds a
        // reference, as the host's original loader does.
        return dlopen(LibraryFileName(baseName).c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    Handle LoadFile(const char* path) override {
        // A file the program has mapped already is the same library again.
        errno = 0;
        Handle library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!library)
            SetLastErrorCode(errno);
        return library;
    }
    void* FindEntryPoint(Handle library, const char* name) override {
        return library ? dlsym(library, name) : nullptr;
    }
    void Release(Handle library) override {
        if (library)
            dlclose(library);
    }
};

} // namespace

LibraryLoader& SystemLibraryLoader() {
    static PosixLibraryLoader loader;
    return loader;
}

std::string LibraryFileName(const char* baseName) {
    return std::string("lib") + baseName + ".so";
}

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    const std::string program(path, static_cast<std::size_t>(length));
    const std::size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash == 0 ? 1 : slash);
}

} // namespace platform
