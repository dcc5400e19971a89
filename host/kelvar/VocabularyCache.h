// The vocabulary of the current database folder, read once per folder.
//
// The database folder is the one the utility library answers (ORVALE_DB, else
// the current directory). Each call compares that choice with the one the
// vocabulary was read for - the variable's text, and the current directory
// when the variable is unset or relative - and reads the vocabulary again only
// when it differs, or when the last attempt found no readable vocabulary file
// (a file refused for its size is not tried again).
// A vocabulary file rewritten in the same folder is not read again.
#pragma once

#include "kelvar/Vocabulary.h"

#include <filesystem>
#include <mutex>
#include <string>

namespace kelvar {

class VocabularyCache {
public:
    // Locks the cache for one lookup; hold it while using Current().
    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(m_mutex); }

    // The vocabulary of the current database folder; empty when there is no
    // folder or no readable vocabulary file in it. Call with the lock held.
    const Vocabulary& Current();

private:
    void Reload();

    std::mutex m_mutex;
    bool m_read = false;               // m_vocabulary was read from a file for the folder below
    std::string m_variable;            // ORVALE_DB when it was read ("" when unset)
    std::filesystem::path m_directory; // the current directory then, when it mattered
    Vocabulary m_vocabulary;
};

} // namespace kelvar
