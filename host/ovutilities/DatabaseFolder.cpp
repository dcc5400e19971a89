#include "ovutilities/DatabaseFolder.h"

#include "common/HostFolder.h"
#include "ovutilities/MessageText.h"
#include "ovutilities/OVUtilities.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ovutilities {
namespace {

DatabaseFolder NotFound(std::string message) {
    DatabaseFolder folder;
    folder.message = std::move(message);
    return folder;
}

std::string CurrentDirectory(int& error) {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            error = errno;
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    error = 0;
    return std::string(buffer.data());
}

} // namespace

DatabaseFolder FindDatabaseFolder() {
    const char* named = std::getenv(kDatabaseFolderVariable);
    const bool fromVariable = named != nullptr && named[0] != '\0';
    std::string path;
    if (fromVariable) {
        path = named;
    } else {
        int error = 0;
        path = CurrentDirectory(error);
        if (error != 0) {
            return NotFound(std::string("The current directory cannot be determined (") +
                            std::strerror(error) + "), so the database folder is unknown. Set " +
                            kDatabaseFolderVariable + " to the database folder.");
        }
    }
    // Examine the folder without its separator, so that a file named with a
    // trailing '/' is reported as "not a folder" rather than as missing.
    std::string examined = path;
    while (examined.size() > 1 && examined.back() == '/') {
        examined.pop_back();
    }
    if (path.back() != '/') {
        path.push_back('/');
    }

    const std::string quoted = ElideMiddle(path, kQuotedPathLength);
    const std::string origin = fromVariable
                                   ? std::string(" (named by ") + kDatabaseFolderVariable + ")"
                                   : std::string(" (the current directory)");
    struct stat status {};
    if (stat(examined.c_str(), &status) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return NotFound("The database folder " + quoted + origin + " does not exist.");
        }
        return NotFound("The database folder " + quoted + origin +
                        " cannot be examined: " + std::strerror(error) + ".");
    }
    if (!S_ISDIR(status.st_mode)) {
        return NotFound("The database folder " + quoted + origin + " is not a folder.");
    }
    if (path.size() + 1 > static_cast<std::size_t>(kDatabasePathSize)) {
        return NotFound("The database folder path " + quoted + origin + " is too long: " +
                        std::to_string(path.size()) + " characters with its separator, at most " +
                        std::to_string(kDatabasePathSize - 1) + " are allowed.");
    }
    DatabaseFolder folder;
    folder.found = true;
    folder.path = std::move(path);
    return folder;
}

} // namespace ovutilities
