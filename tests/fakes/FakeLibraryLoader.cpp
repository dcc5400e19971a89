#include "fakes/FakeLibraryLoader.h"

namespace fakes {

platform::LibraryLoader::Handle FakeLibraryLoader::Load(const char* baseName) {
    calls.push_back(std::string("load ") + baseName);
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
