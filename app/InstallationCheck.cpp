#include "app/InstallationCheck.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/DosewrightDlg.h"
#include "data/HostLibraries.h"
#include "platform/FileSystem.h"
#include "platform/LibraryLoader.h"

namespace {

constexpr int kMessageSize = 1000;

constexpr const char* kNoUpdateHistory =
    "Please verify you are running this utility in your orvale folder and you have access to "
    "the ProductUpdates.ovupdate file in the orvale\\updater folder.";
constexpr const char* kLibraryNotLoaded =
    "Please verify you are running this utility in your orvale folder and download and "
    "installed all of the patches, and you have download and installed the latest version of "
    "Tessaly - Drug Interaction Installer.";
constexpr const char* kEntryPointMissing =
    "1Please verify you are running this utility in your orvale folder and download and "
    "installed all of the patches, and you have download and installed the latest version of "
    "Tessaly - Drug Interaction Installer.";
constexpr const char* kDrugInteractionOutdated =
    "Please verify you are running this utility in your orvale folder and you have download and "
    "installed the latest version of Tessaly - Drug Interaction Installer.";
constexpr const char* kPatchLevelMissing =
    "Please verify you are running this utility in your orvale folder and you have download and "
    "installed the latest Client and Server patches.";

void Fail(CDosewrightDlg& dialog, const char* boxText, const char* statusText,
          const char* title = kErrorTitle) {
    dialog.ShowMessage(boxText, title);
    dialog.SetStatusText(statusText);
}

// Reads the whole file into a zero-terminated buffer. False on a file error.
bool ReadWholeFile(platform::ExclusiveFile& file, std::vector<char>& content) {
    std::uint64_t length = 0;
    if (!file.Length(length))
        return false;
    content.assign(static_cast<std::size_t>(length) + 1, '\0');
    std::size_t read = 0;
    return file.SeekToStart() && file.Read(content.data(), static_cast<std::size_t>(length), read);
}

void ToLowerAscii(std::vector<char>& text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

} // namespace

bool VerifyInstallation(CDosewrightDlg& dialog, const char* databaseFolder) {
    char path[host::kDatabasePathSize] = {};
    const int length =
        std::snprintf(path, sizeof path, "%s%s", databaseFolder, kUpdateHistoryName);
    if (length < 0 || length >= static_cast<int>(sizeof path) || !platform::PathExists(path)) {
        // A path that does not fit its buffer names no file this utility can read.
        Fail(dialog, kNoUpdateHistory, kNoUpdateHistory);
        return false;
    }

    platform::LibraryLoader& loader = dialog.Loader();
    platform::LibraryLoader::Handle library = loader.Load(host::kUtilityLibraryName);
    if (!library) {
        Fail(dialog, kLibraryNotLoaded, kDrugInteractionOutdated);
        return false;
    }
    auto verifyVersion = reinterpret_cast<host::VerifyDrugIntVersionFn>(
        loader.FindEntryPoint(library, host::kVerifyDrugIntVersionEntryPoint));
    if (!verifyVersion) {
        loader.Release(library);
        Fail(dialog, kEntryPointMissing, kDrugInteractionOutdated);
        return false;
    }
    char versionText[host::kVersionCheckBufferSize] = {};
    const int32_t versionResult = verifyVersion(versionText);
    loader.Release(library);
    if (versionResult != 0) {
        Fail(dialog, kDrugInteractionOutdated, kDrugInteractionOutdated);
        return false;
    }

    platform::ExclusiveFile file;
    if (!file.Open(path, platform::ExclusiveFile::Mode::ReadWriteExisting)) {
        char message[kMessageSize] = {};
        std::snprintf(message, sizeof message,
                      "Failure opening file:%s\nPlease verify that you have access to this file.",
                      path);
        Fail(dialog, message, message);
        return false;
    }
    std::vector<char> content;
    const bool read = ReadWholeFile(file, content);
    if (!file.Close() || !read) {
        Fail(dialog, path, path, kFileErrorTitle);
        return false;
    }

    ToLowerAscii(content);
    const bool found = std::strstr(content.data(), kPatchLevelMarker) != nullptr;
    content = {};
    if (!found) {
        Fail(dialog, kPatchLevelMissing, kPatchLevelMissing);
        return false;
    }
    return true;
}
