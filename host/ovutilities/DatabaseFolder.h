// Where the database folder of this installation is.
#pragma once

#include <string>

namespace ovutilities {

struct DatabaseFolder {
    bool found = false;
    std::string path;    // when found: ends with '/', fits the 260-byte buffer with its NUL
    std::string message; // when not found: why, ready for the error-text buffer
};

// The folder named by ORVALE_DB (unset or empty: the current directory), with
// a '/' appended when it does not end with one. Not found when it does not
// exist, is not a folder, cannot be examined, or is 260 bytes or longer with
// its separator. A relative ORVALE_DB is kept relative.
DatabaseFolder FindDatabaseFolder();

} // namespace ovutilities
