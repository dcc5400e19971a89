#include "fakes/FakeLibraryLoader.h"

#include <utility>

namespace fakes {

platform::LibraryLoader::Handle FakeLibraryLoader::Load(const char* baseName) {
    return Open(std::string("load ") + baseName);
}

platform::LibraryLoader::Handle FakeLibraryLoader::LoadFile(const char* path) {
    return Open(std::string("load-file ") + path);
}

platform::LibraryLoader::Handle FakeLibraryLoader::Open(std::string call) {
    calls.push_back(std::move(call));
    if (!loadable)
        return nullptr;
    ++m_open;
    return &m_handle;
}

void* FakeLibraryLoader::FindEntryPoint(Handle library, const char* name) {
    calls.push_back(std::string("find ") + name);
    return library == &m_handle ? entryPoint : nullptr;
}

void FakeLibraryLoader::Release(Handle library) {
    calls.push_back("release");
    if (library == &m_handle)
        --m_open;
    if (onRelease)
        onRelease();
}

} // namespace fakes
