#include "kelvar/VocabularyCache.h"

#include "common/HostFolder.h"
#include "ovutilities/DatabaseFolder.h"
#include "ovutilities/OVUtilities.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace kelvar {
namespace {

// True when the folder a path names does not depend on the current directory.
bool IsAbsolute(const char* path) {
#if defined(_WIN32)
    const bool drive = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                       path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool share = (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
    return drive || share;
#else
    return path[0] == '/';
#endif
}

} // namespace

const Vocabulary& VocabularyCache::Current() {
    const char* variable = std::getenv(ovutilities::kDatabaseFolderVariable);
    if (variable == nullptr) {
        variable = "";
    }
    // The current directory matters unless the variable names an absolute folder.
    // In the system's own characters, of any length; empty when it cannot be
    // had (the folder lookup below fails the same way).
    std::filesystem::path directory;
    if (!IsAbsolute(variable)) {
        std::error_code error;
        directory = std::filesystem::current_path(error);
    }
    if (m_read && m_variable == variable && m_directory == directory) {
        return m_vocabulary;
    }
    m_variable = variable;
    m_directory = directory;
    Reload();
    return m_vocabulary;
}

void VocabularyCache::Reload() {
    m_read = false;
    m_vocabulary.Clear();
    const ovutilities::DatabaseFolder found = ovutilities::FindDatabaseFolder();
    if (!found.found)
        return; // no database folder: nothing is found
    const std::string path = found.path + hostfolder::kVocabularyFile;
    switch (m_vocabulary.Load(path)) {
    case Vocabulary::LoadResult::Read:
        m_read = true;
        break;
    case Vocabulary::LoadResult::TooLarge:
        // Said once, and not tried again while the folder stays the same.
        std::fprintf(stderr,
                     "Kelvar.Api.NetWrapper: the vocabulary %s is larger than %llu bytes and is "
                     "not read; no dose form or unit is known\n",
                     path.c_str(), static_cast<unsigned long long>(Vocabulary::kLargestFile));
        m_read = true;
        break;
    case Vocabulary::LoadResult::Unreadable:
        break;
    }
}

} // namespace kelvar
