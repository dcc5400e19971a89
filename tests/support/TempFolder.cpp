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
#include <sys/stat.h>
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

} // namespace testsupport
