#include "ovutilities/DatabaseFolder.h"

#include "common/HostFolder.h"
#include "ovutilities/MessageText.h"
#include "ovutilities/OVUtilities.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>
#if defined(_WIN32)
#include <algorithm>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ovutilities {
namespace {

DatabaseFolder NotFound(std::string message) {
    DatabaseFolder folder;
    folder.message = std::move(message);
    return folder;
}

enum class Kind { Folder, NotFolder, Missing, Unreadable, NameTooLong };

#if defined(_WIN32)
constexpr char kSeparator = '\\';

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// The folder's name in the ANSI code page. False when a character of it has no
// place there: a name changed to fit would name another folder.
bool ToCodePage(const std::wstring& wide, std::string& narrow) {
    if (wide.empty()) {
        narrow.clear();
        return true;
    }
    // A UTF-8 code page represents every character (and takes neither the flag nor the report).
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lost = FALSE;
    BOOL* const report = utf8 ? nullptr : &lost;
    const int length = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, nullptr, report);
    narrow.assign(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), length, narrow.data(), size, nullptr, report);
    return size > 0 && !lost;
}

// The named folder (empty when the variable is unset or empty) or the current
// directory; false with `problem` set when it cannot be had.
bool ReadFolderName(bool& fromVariable, std::string& path, std::string& problem) {
    std::wstring wide(32768, L'\0');
    DWORD length =
        GetEnvironmentVariableW(L"ORVALE_DB", wide.data(), static_cast<DWORD>(wide.size()));
    fromVariable = length > 0 && length < wide.size();
    if (!fromVariable) {
        length = GetCurrentDirectoryW(static_cast<DWORD>(wide.size()), wide.data());
        if (length == 0 || length >= wide.size()) {
            problem = "The current directory cannot be determined (error " +
                      std::to_string(GetLastError()) +
                      "), so the database folder is unknown. Set " + kDatabaseFolderVariable +
                      " to the database folder.";
            return false;
        }
    }
    wide.resize(length);
    if (!ToCodePage(wide, path)) {
        problem = std::string("The database folder ") +
                  (fromVariable ? std::string("named by ") + kDatabaseFolderVariable
                                : std::string("(the current directory)")) +
                  " has characters in its name that the system's code page cannot represent. "
                  "Use a folder whose name has none.";
        return false;
    }
    return true;
}

Kind Examine(const std::string& path, std::string& problem) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILENAME_EXCED_RANGE) {
            return Kind::NameTooLong; // longer than the system's path buffers
        }
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH ||
            error == ERROR_BAD_NET_NAME || error == ERROR_INVALID_DRIVE) {
            return Kind::Missing;
        }
        problem = "error " + std::to_string(error);
        return Kind::Unreadable;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::Folder : Kind::NotFolder;
}

// The part of the path that names the folder itself: without its separators,
// but a drive's or a share's root keeps the one it needs.
std::string Examined(const std::string& path) {
    std::string examined = path;
    while (examined.size() > 1 && IsSeparator(examined.back())) {
        examined.pop_back();
    }
    if (examined.size() == 2 && examined[1] == ':') {
        examined.push_back(kSeparator);
    } else if (examined.size() > 2 && IsSeparator(examined[0]) && IsSeparator(examined[1]) &&
               std::count_if(examined.begin() + 2, examined.end(), IsSeparator) == 1) {
        examined.push_back(kSeparator); // \\server\share
    }
    return examined;
}
#else
constexpr char kSeparator = '/';

bool IsSeparator(char c) {
    return c == '/';
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

bool ReadFolderName(bool& fromVariable, std::string& path, std::string& problem) {
    const char* named = std::getenv(kDatabaseFolderVariable);
    fromVariable = named != nullptr && named[0] != '\0';
    if (fromVariable) {
        path = named;
        return true;
    }
    int error = 0;
    path = CurrentDirectory(error);
    if (error != 0) {
        problem = std::string("The current directory cannot be determined (") +
                  std::strerror(error) + "), so the database folder is unknown. Set " +
                  kDatabaseFolderVariable + " to the database folder.";
        return false;
    }
    return true;
}

Kind Examine(const std::string& path, std::string& problem) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return Kind::Missing;
        }
        problem = std::strerror(error);
        return Kind::Unreadable;
    }
    return S_ISDIR(status.st_mode) ? Kind::Folder : Kind::NotFolder;
}

// Without its separators, so that a file named with a trailing '/' is reported
// as "not a folder" rather than as missing.
std::string Examined(const std::string& path) {
    std::string examined = path;
    while (examined.size() > 1 && examined.back() == '/') {
        examined.pop_back();
    }
    return examined;
}
#endif

} // namespace

DatabaseFolder FindDatabaseFolder() {
    bool fromVariable = false;
    std::string path;
    std::string problem;
    if (!ReadFolderName(fromVariable, path, problem)) {
        return NotFound(problem);
    }
    const std::string examined = Examined(path);
    if (!IsSeparator(path.back())) {
        path.push_back(kSeparator);
    }

    const std::string quoted = ElideMiddle(path, kQuotedPathLength);
    const std::string origin = fromVariable
                                   ? std::string(" (named by ") + kDatabaseFolderVariable + ")"
                                   : std::string(" (the current directory)");
    switch (Examine(examined, problem)) {
    case Kind::Missing:
        return NotFound("The database folder " + quoted + origin + " does not exist.");
    case Kind::Unreadable:
        return NotFound("The database folder " + quoted + origin +
                        " cannot be examined: " + problem + ".");
    case Kind::NotFolder:
        return NotFound("The database folder " + quoted + origin + " is not a folder.");
    case Kind::NameTooLong:
        if (path.size() + 1 <= static_cast<std::size_t>(kDatabasePathSize)) {
            return NotFound("The database folder " + quoted + origin +
                            " cannot be examined: its name is too long.");
        }
        break; // refused as too long below
    case Kind::Folder:
        break;
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
