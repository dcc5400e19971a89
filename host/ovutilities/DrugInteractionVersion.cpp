#include "ovutilities/DrugInteractionVersion.h"

#include "common/HostFolder.h"
#include "ovutilities/MessageText.h"

#include <fstream>
#include <string_view>

namespace ovutilities {
namespace {

// A version line longer than this is not a version; only its start is read.
constexpr std::size_t kLongestVersionLine = 200;

std::string_view Trimmed(std::string_view text) {
    static constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

} // namespace

VersionCheck CheckDrugInteractionVersion(const std::string& folder) {
    const std::string path = folder + hostfolder::kDrugInteractionVersionFile;
    const std::string required = hostfolder::kRequiredDrugInteractionVersion;
    VersionCheck check;

    std::ifstream file(path, std::ios::binary);
    if (!file) {
        check.message = "No drug-interaction data version is recorded: " +
                        ElideMiddle(path, kQuotedPathLength) + " cannot be read. Version " +
                        required + " is required.";
        return check;
    }
    std::string start(kLongestVersionLine, '\0');
    file.read(start.data(), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<std::size_t>(file.gcount()));
    const std::string_view found = Trimmed(std::string_view(start).substr(0, start.find('\n')));

    if (found.empty()) {
        check.message = "No drug-interaction data version is recorded in " +
                        ElideMiddle(path, kQuotedPathLength) + ". Version " + required +
                        " is required.";
    } else if (found == required) {
        check.current = true;
        check.message = "Drug-interaction data version " + required + " is installed.";
    } else {
        check.message = "Drug-interaction data version " + ElideMiddle(found, 60) +
                        " is installed; version " + required + " is required.";
    }
    return check;
}

} // namespace ovutilities
