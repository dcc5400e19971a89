// The installed drug-interaction data version, as recorded in the host folder.
#pragma once

#include <string>

namespace ovutilities {

struct VersionCheck {
    bool current = false; // the recorded version is the required one
    std::string message;  // one line saying what was found
};

// Reads the first line of DrugInteraction.version in `folder` (ends with '/'),
// surrounding blanks and the line end removed, and compares it with the
// required version. A missing, unreadable or empty file is not current.
VersionCheck CheckDrugInteractionVersion(const std::string& folder);

} // namespace ovutilities
