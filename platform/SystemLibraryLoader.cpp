#include "platform/LibraryLoader.h"

#include <string>

#include <dlfcn.h>

namespace platform {
namespace {

class PosixLibraryLoader final : public LibraryLoader {
public:
    Handle Load(const char* baseName) override {
        // The host's libraries sit beside the program and are already mapped when
        // the program imports them; dlopen by the same name then only adds a
        // reference, as the host's original loader does.
        const std::string fileName = std::string("lib") + baseName + ".so";
        return dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
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

} // namespace platform
