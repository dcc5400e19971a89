// The host's libraries as a program finds them in its own folder, checked
// before its first call into them: each one there, of the program's width,
// loadable, with every function the program calls. The programs load the
// host's libraries at that first call, so until then they run, and can say
// what is wrong and what to do, instead of the system's loader failing them
// with a message of its own.
#pragma once

#include <string>
#include <vector>

namespace platform {
class LibraryLoader;
}

struct HostLibraryFinding {
    std::string library; // the file's name ("StoreLinkDll.dll", "libStoreLinkDll.so")
    bool ok;
    std::string detail; // fit: what was found; otherwise the whole sentence of what is wrong
};

class HostLibraryCheck {
public:
    // `folder`: where the program is, ending with no separator.
    HostLibraryCheck(platform::LibraryLoader& loader, std::string folder);
    // The libraries found fit stay loaded until then, so that the program's
    // first calls are into the very files checked.
    ~HostLibraryCheck();
    HostLibraryCheck(const HostLibraryCheck&) = delete;
    HostLibraryCheck& operator=(const HostLibraryCheck&) = delete;

    // One finding a library, in the order the host loads them. True when all fit.
    bool Run();
    const std::vector<HostLibraryFinding>& Findings() const { return m_findings; }
    // The sentence of the first library that does not fit; empty when all do.
    std::string FirstProblem() const;

private:
    void Check(const char* baseName, std::size_t first, std::size_t end);

    platform::LibraryLoader& m_loader;
    std::string m_folder;
    std::vector<HostLibraryFinding> m_findings;
    std::vector<void*> m_loaded;
};

// The width a library file was built for, from its header: 32 or 64 for an
// x86 Windows DLL or an ELF shared object, 0 for anything else or no file.
int LibraryFileWidth(const char* path);
