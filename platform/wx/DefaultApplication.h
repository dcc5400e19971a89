// Opening a file in the application the user has chosen for its kind (a text
// editor for the run log, a spreadsheet for the CSV report).
#pragma once

#include <functional>
#include <string>

namespace platform {

// `path` is in the file-name encoding of the platform. False when no
// application could be started for it.
bool OpenInDefaultApplication(const std::string& path);

// For the window tests only: while an opener is set, files are handed to it
// instead and nothing is started. An empty function starts applications again.
using DefaultApplicationOpener = std::function<bool(const std::string& path)>;
void SetDefaultApplicationOpener(DefaultApplicationOpener opener);

} // namespace platform
