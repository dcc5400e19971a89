// Opening a file in the application the user has chosen for its kind (a text
// editor for the run log, a spreadsheet for the CSV report), through the shell.
#pragma once

#include <string>

#include <windows.h>

namespace platform {

// `path` is in the ANSI code page. `owner` owns any message the shell shows.
// False when no application could be started for it.
bool OpenInDefaultApplication(HWND owner, const std::string& path);

} // namespace platform
