// Writing the e-prescribing reference files carried in the program into the
// database folder's Interface/SureScripts/CrossRef folder, at every start.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/DosewrightDlg.h"
#include "platform/FileSystem.h"
#include "platform/PathSeparator.h"
#include "resources/EmbeddedResources.h"

namespace {

constexpr int kDeployMessageSize = 512;

constexpr const char* kFolderLevels[] = {"Interface", PLATFORM_PATH_SEPARATOR "SureScripts",
                                         PLATFORM_PATH_SEPARATOR "CrossRef"};

// Appends `text` to the zero-terminated path in `path`; false when it would not fit.
bool AppendToPath(char (&path)[host::kDatabasePathSize], const char* text) {
    const std::size_t used = std::strlen(path);
    const std::size_t add = std::strlen(text);
    if (used + add >= sizeof path)
        return false;
    std::memcpy(path + used, text, add + 1);
    return true;
}

} // namespace

bool CDosewrightDlg::DeployReferenceFiles() {
    char message[kDeployMessageSize] = {};
    char folder[host::kDatabasePathSize] = {};
    AppendToPath(folder, m_szDbPath);

    for (const char* level : kFolderLevels) {
        if (!AppendToPath(folder, level)) {
            // The start-up refuses a database folder too long for these names.
            std::snprintf(message, sizeof message,
                          "Failure creating directory %s%s. Error Code: %d\nPlease verify you have "
                          "the access to create directories in the orvale folder.",
                          folder, level, kPathDoesNotFit);
            ShowFailureBoxThenStatus(message);
            return false;
        }
        if (!platform::PathExists(folder) && !platform::CreateFolder(folder)) {
            std::snprintf(message, sizeof message,
                          "Failure creating directory %s. Error Code: %d\nPlease verify you have "
                          "the access to create directories in the orvale folder.",
                          folder, platform::LastErrorCode());
            ShowFailureBoxThenStatus(message);
            return false;
        }
    }
    AppendToPath(folder, PLATFORM_PATH_SEPARATOR);

    for (const resources::ReferenceFile& file : resources::kReferenceFiles) {
        if (!WriteReferenceFile(folder, file.resourceId, file.fileName))
            return false;
    }
    return true;
}

bool CDosewrightDlg::WriteReferenceFile(const char* folder, int resourceId, const char* fileName) {
    char message[kDeployMessageSize] = {};
    auto fail = [&](const char* format, const char* path, int errorCode) {
        std::snprintf(message, sizeof message, format, path, errorCode);
        ShowFailureBoxThenStatus(message);
        return false;
    };
    constexpr const char* kCreateFailure =
        "Failure creating file %s in the orvale folder. Error Code: %d\nPlease verify you have "
        "the access to create files in the orvale folder.";

    char path[host::kDatabasePathSize] = {};
    if (!AppendToPath(path, folder) || !AppendToPath(path, fileName))
        return fail(kCreateFailure, fileName, kPathDoesNotFit);

    if (platform::PathExists(path) && !platform::DeleteFile(path)) {
        return fail("Failure deleting the file: %s which needs to be deleted for this utility to "
                    "run. Error Code: %d\n",
                    path, platform::LastErrorCode());
    }

    const resources::EmbeddedResource* resource =
        resources::FindEmbeddedResource(resources::kReferenceFileType, resourceId);
    if (!resource) {
        return fail("Failure finding resource %s in Dosewright.exe. Error Code: %d\nPlease verify "
                    "you have the latest version of Dosewright.exe.",
                    path, ENOENT);
    }
    if (resource->size < 1)
        return fail(kCreateFailure, path, platform::LastErrorCode());
    // Resources are compiled into the program: loading them cannot fail here.

    platform::ExclusiveFile file;
    if (!file.Open(path, platform::ExclusiveFile::Mode::WriteCreateAlways))
        return fail(kCreateFailure, path, platform::LastErrorCode());
    if (!file.WriteAll(resource->bytes, resource->size)) {
        const int error = platform::LastErrorCode();
        file.Close();
        return fail("Failure written file %s in the orvale folder. Error Code: %d\nPlease verify "
                    "you have the access to create files in the orvale folder.",
                    path, error);
    }
    if (!file.Close()) {
        return fail("Failure written file %s in the orvale folder. Error Code: %d\nPlease verify "
                    "you have the access to create files in the orvale folder.",
                    path, platform::LastErrorCode());
    }
    return true;
}
