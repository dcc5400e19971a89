// Checks that the utility runs inside a host installation at the required level.
#pragma once

#include "platform/PathSeparator.h"

#include <cstddef>

class CDosewrightDlg;

// The update-history file exists, the host's drug-interaction data has the
// version this utility needs, and the update history records the required patch
// set. The first failing check is shown through `dialog`; returns false then.
bool VerifyInstallation(CDosewrightDlg& dialog, const char* databaseFolder);

// The patch-level marker, searched for in the lower-cased update history.
inline constexpr const char* kPatchLevelMarker = "title=\"11 patches 10/31/2019";
// Appended to the database folder to name the host's update-history file.
inline constexpr const char* kUpdateHistoryName =
    "Updater" PLATFORM_PATH_SEPARATOR "ProductUpdates.ovupdate";

// Searches the update history at `path` (opened for exclusive use, never
// written) for the patch-level marker. False on a file error, with the last
// error code set; otherwise `found` says whether the marker is there.
bool UpdateHistoryHoldsPatchSet(const char* path, bool& found);

// The longest database folder the utility accepts: one that leaves room for
// the longest name it appends.
std::size_t LongestDatabaseFolder();
