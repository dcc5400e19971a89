#include "app/InstallationCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
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

// The update history is read a chunk at a time, so that a file of any size
// takes the same small buffer.
constexpr std::size_t kHistoryChunkSize = 64 * 1024;

void ToLowerAscii(char* text, std::size_t length) {
    for (char* c = text; c != text + length; ++c) {
        if (*c >= 'A' && *c <= 'Z')
            *c = static_cast<char>(*c - 'A' + 'a');
    }
}

// Searches the file for the patch-level marker. The text searched is the file's
// content up to its first zero byte, or up to the length the file had when the
// search began, lower-cased; a marker may span two chunks, so the end of each
// chunk is kept for the next. False on a file error.
bool HistoryHoldsMarker(platform::ExclusiveFile& file, bool& found) {
    found = false;
    std::uint64_t left = 0;
    if (!file.Length(left) || !file.SeekToStart())
        return false;
    const std::string_view marker = kPatchLevelMarker;
    const std::size_t kept = marker.size() - 1;
    std::vector<char> text(kept + kHistoryChunkSize);
    std::size_t carried = 0; // bytes at the start of `text` kept from the chunk before
    while (left > 0) {
        char* chunk = text.data() + carried;
        const auto wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, kHistoryChunkSize));
        std::size_t read = 0;
        if (!file.Read(chunk, wanted, read))
            return false;
        if (read == 0)
            return true; // the file is shorter now than it was
        left -= read;
        const auto* zero = static_cast<const char*>(std::memchr(chunk, '\0', read));
        const std::size_t textRead = zero ? static_cast<std::size_t>(zero - chunk) : read;
        ToLowerAscii(chunk, textRead);
        const std::string_view searched(text.data(), carried + textRead);
        if (searched.find(marker) != std::string_view::npos) {
            found = true;
            return true;
        }
        if (zero)
            return true; // the text ends at its first zero byte
        carried = std::min(kept, searched.size());
        std::memmove(text.data(), searched.data() + searched.size() - carried, carried);
    }
    return true;
}

} // namespace

PatchSetSearch SearchUpdateHistory(const char* path) {
    platform::ExclusiveFile file;
    if (!file.Open(path, platform::ExclusiveFile::Mode::ReadWriteExisting))
        return PatchSetSearch::CannotOpen;
    bool found = false;
    const bool read = HistoryHoldsMarker(file, found);
    if (!file.Close() || !read)
        return PatchSetSearch::CannotRead;
    return found ? PatchSetSearch::Found : PatchSetSearch::Missing;
}

DrugInteractionVersion AskDrugInteractionVersion(platform::LibraryLoader& loader,
                                                 char* versionText) {
    platform::LibraryLoader::Handle library = loader.Load(host::kUtilityLibraryName);
    if (!library)
        return DrugInteractionVersion::NoLibrary;
    auto verifyVersion = reinterpret_cast<host::VerifyDrugIntVersionFn>(
        loader.FindEntryPoint(library, host::kVerifyDrugIntVersionEntryPoint));
    if (!verifyVersion) {
        loader.Release(library);
        return DrugInteractionVersion::NoEntryPoint;
    }
    const int32_t versionResult = verifyVersion(versionText);
    loader.Release(library);
    return versionResult == 0 ? DrugInteractionVersion::Current : DrugInteractionVersion::Outdated;
}

bool VerifyInstallation(CDosewrightDlg& dialog, const char* databaseFolder) {
    char path[host::kDatabasePathSize] = {};
    const int length = std::snprintf(path, sizeof path, "%s%s", databaseFolder, kUpdateHistoryName);
    if (length < 0 || length >= static_cast<int>(sizeof path) || !platform::PathExists(path)) {
        // A path that does not fit its buffer names no file this utility can read.
        Fail(dialog, kNoUpdateHistory, kNoUpdateHistory);
        return false;
    }

    char versionText[host::kVersionCheckBufferSize] = {};
    switch (AskDrugInteractionVersion(dialog.Loader(), versionText)) {
    case DrugInteractionVersion::NoLibrary:
        Fail(dialog, kLibraryNotLoaded, kDrugInteractionOutdated);
        return false;
    case DrugInteractionVersion::NoEntryPoint:
        Fail(dialog, kEntryPointMissing, kDrugInteractionOutdated);
        return false;
    case DrugInteractionVersion::Outdated:
        Fail(dialog, kDrugInteractionOutdated, kDrugInteractionOutdated);
        return false;
    case DrugInteractionVersion::Current:
        break;
    }

    const PatchSetSearch search = SearchUpdateHistory(path);
    if (search == PatchSetSearch::CannotOpen) {
        char message[kMessageSize] = {};
        std::snprintf(message, sizeof message,
                      "Failure opening file:%s\nPlease verify that you have access to this file.",
                      path);
        Fail(dialog, message, message);
        return false;
    }
    if (search == PatchSetSearch::CannotRead) {
        Fail(dialog, path, path, kFileErrorTitle);
        return false;
    }
    if (search == PatchSetSearch::Missing) {
        Fail(dialog, kPatchLevelMissing, kPatchLevelMissing);
        return false;
    }
    return true;
}
