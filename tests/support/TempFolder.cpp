#include "support/TempFolder.h"

#include "support/SystemErrors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#if defined(_WIN32)
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace testsupport {
namespace fs = std::filesystem;

TempFolder::TempFolder() {
#if defined(_WIN32)
    static unsigned counter = 0;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0;; ++attempt) {
        const fs::path candidate = base / ("dosewright-test-" + std::to_string(_getpid()) + "-" +
                                           std::to_string(counter++));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            m_path = candidate;
            return;
        }
        if (error || attempt >= 1000) {
            throw std::runtime_error(candidate.string() +
                                     ": cannot create a temporary folder: " + error.message());
        }
    }
#else
    std::string pattern = (fs::temp_directory_path() / "dosewright-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error(pattern +
                                 ": cannot create a temporary folder: " + std::strerror(errno));
    }
    m_path = pattern;
#endif
}

TempFolder::~TempFolder() {
    // A test may have taken write permission away from a folder in it.
    std::error_code error;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, error);
    for (auto entry = fs::recursive_directory_iterator(m_path, error);
         !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
        if (entry->is_directory(error) && !entry->is_symlink(error)) {
            fs::permissions(entry->path(), fs::perms::owner_all, fs::perm_options::add, error);
        }
    }
    fs::remove_all(m_path, error);
}

bool SetReadOnly(const fs::path& path, bool readOnly) {
#if defined(_WIN32)
    return ::SetFileAttributesA(path.string().c_str(),
                                readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
#else
    return ::chmod(path.c_str(), readOnly ? 0444 : 0644) == 0;
#endif
}

HeldOpen::HeldOpen(const fs::path& path) {
    if (path.empty())
        return;
#if defined(_WIN32)
    const HANDLE file = ::CreateFileA(path.string().c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        m_handle = reinterpret_cast<std::intptr_t>(file);
#else
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file >= 0 && ::flock(file, LOCK_EX | LOCK_NB) != 0) {
        ::close(file);
        return;
    }
    m_handle = file;
#endif
}

HeldOpen::~HeldOpen() {
    if (m_handle == -1)
        return;
#if defined(_WIN32)
    ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
#else
    ::close(static_cast<int>(m_handle));
#endif
}

} // namespace testsupport
