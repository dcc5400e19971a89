#include "HostFolderWriter.h"

#include "common/HostFolder.h"
#include "storelink/StoreLinkAdmin.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#if defined(_WIN32)
#include <process.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace hostkit {
namespace fs = std::filesystem;
namespace {

[[noreturn]] void ThrowSystemError(const fs::path& path, const char* what, int error) {
    throw std::runtime_error(path.string() + ": " + what + ": " + std::strerror(error));
}

// Refuses a folder that holds anything, and anything that is not a folder.
void RequireAbsentOrEmpty(const fs::path& folder) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(folder, error);
    if (status.type() == fs::file_type::not_found) {
        return;
    }
    if (error) {
        ThrowSystemError(folder, "cannot be examined", error.value());
    }
    if (status.type() != fs::file_type::directory) {
        throw std::runtime_error(folder.string() + ": already exists and is not a folder");
    }
    if (!fs::is_empty(folder, error) || error) {
        throw std::runtime_error(folder.string() +
                                 ": already exists and is not empty; a host folder is never "
                                 "written over");
    }
}

// A new, empty folder beside `folder`, made readable like any new folder.
#if defined(_WIN32)
fs::path MakeTemporarySibling(const fs::path& folder) {
    const std::string stem =
        (folder.parent_path() /
         ("." + folder.filename().string() + ".hostkit-" + std::to_string(_getpid()) + "-"))
            .string();
    for (int attempt = 0;; ++attempt) {
        const fs::path candidate = stem + std::to_string(attempt);
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            return candidate;
        }
        if (error || attempt >= 1000) {
            ThrowSystemError(candidate, "cannot create a temporary folder", error.value());
        }
    }
}
#else
fs::path MakeTemporarySibling(const fs::path& folder) {
    std::string pattern =
        (folder.parent_path() / ("." + folder.filename().string() + ".hostkit-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        ThrowSystemError(pattern, "cannot create a temporary folder", errno);
    }
    const mode_t mask = umask(0);
    umask(mask);
    if (chmod(pattern.c_str(), 0777 & ~mask) != 0) {
        const int error = errno;
        fs::remove(pattern);
        ThrowSystemError(pattern, "cannot set its permissions", error);
    }
    return pattern;
}
#endif

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) {
        ThrowSystemError(path, "cannot be created", errno);
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    if (std::fclose(file) != 0 || !written) {
        ThrowSystemError(path, "cannot be written", written ? errno : writeError);
    }
}

void WriteTables(const HostFolderContent& content, const fs::path& folder) {
    for (const TableRecords& table : content.tables) {
        storelink::TableWriter writer((folder / table.layout->name).string(),
                                      DefinitionOf(*table.layout));
        for (const std::string& record : table.records) {
            writer.Insert(record.data(), record.size());
        }
        writer.Commit();
    }
}

} // namespace

void WriteHostFiles(const HostFolderContent& content, const fs::path& folder) {
    WriteFile(folder / hostfolder::kVocabularyFile, content.vocabulary);
    WriteFile(folder / hostfolder::kDrugInteractionVersionFile,
              content.drugInteractionVersion + "\n");
    if (content.updateHistory) {
        fs::create_directory(folder / hostfolder::kUpdateHistoryFolder);
        WriteFile(folder / hostfolder::kUpdateHistoryFile, *content.updateHistory);
    }
}

void WriteHostFolder(const HostFolderContent& content, const fs::path& folder) {
    CreateHostFolder(folder, [&](const fs::path& temporary) {
        WriteTables(content, temporary);
        WriteHostFiles(content, temporary);
    });
}

void CreateHostFolder(const fs::path& folder, const std::function<void(const fs::path&)>& fill) {
    // "out/" names the folder "out".
    const fs::path target = folder.has_filename() ? folder : folder.parent_path();
    if (target.empty()) {
        throw std::runtime_error("the host folder's name is empty");
    }
    RequireAbsentOrEmpty(target);
    const fs::path temporary = MakeTemporarySibling(target);
    try {
        fill(temporary);
#if defined(_WIN32)
        // Windows renames onto no existing folder: the empty one goes first,
        // and a folder that has filled up meanwhile is not removed.
        std::error_code absent;
        fs::remove(target, absent);
#endif
        // Replaces an empty folder in one step; fails if it has filled up meanwhile.
        if (std::rename(temporary.string().c_str(), target.string().c_str()) != 0) {
            ThrowSystemError(target, "cannot be created", errno);
        }
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(temporary, ignored);
        throw;
    }
}

} // namespace hostkit
