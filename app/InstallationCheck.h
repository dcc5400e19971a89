// Checks that the utility runs inside a host installation at the required level.
#pragma once

#include "platform/PathSeparator.h"

#include <cstddef>

class CDosewrightDlg;
namespace platform {
class LibraryLoader;
}

// The update-history file exists, the host's drug-interaction data has the
// version this utility needs, and the update history records the required patch
// set. The first failing check is shown through `dialog`; returns false then.
bool VerifyInstallation(CDosewrightDlg& dialog, const char* databaseFolder);

// The patch-level marker, searched for in the lower-cased update history.
inline constexpr const char* kPatchLevelMarker = "title=\"11 patches 10/31/2019";
// Appended to the database folder to name the host's update-history file.
inline constexpr const char* kUpdateHistoryName =
    "Updater" PLATFORM_PATH_SEPARATOR "ProductUpdates.ovupdate";

// What the update history at `path` (opened for exclusive use, never written)
// says of the patch-level marker. CannotOpen and CannotRead leave the last
// error code set.
enum class PatchSetSearch { Found, Missing, CannotOpen, CannotRead };
PatchSetSearch SearchUpdateHistory(const char* path);

// The host's answer on its drug-interaction data, through the utility library's
// version entry point looked up at run time; the library is released before
// this returns. `versionText` (host::kVersionCheckBufferSize bytes) receives the
// host's explanation when it was asked.
enum class DrugInteractionVersion { Current, Outdated, NoLibrary, NoEntryPoint };
DrugInteractionVersion AskDrugInteractionVersion(platform::LibraryLoader& loader,
                                                 char* versionText);

// The longest database folder the utility accepts: one that leaves room for
// the longest name it appends.
std::size_t LongestDatabaseFolder();
