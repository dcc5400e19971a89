// The run journal reader on any file: the bytes are written as a journal in
// the journal folder of a database folder, opened and read entry by entry to
// the end, and summed up as --list and the window do. The reading ends, gives
// no more entries than the file has room for, and the summary counts the
// changes the reader gave.
#include "FuzzCheck.h"
#include "platform/FileSystem.h"
#include "platform/PathSeparator.h"
#include "repair/JournalLayout.h"
#include "repair/RunJournal.h"
#include "repair/RunJournalReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kFileName = "fuzz.journal";

std::string g_databasePath; // ends with the separator
std::string g_journalPath;

void RemoveFolder() {
    ::unlink(g_journalPath.c_str());
    std::string folder = JournalFolder(g_databasePath);
    folder.pop_back();
    ::rmdir(folder.c_str());
    folder = g_databasePath;
    folder.pop_back();
    ::rmdir(folder.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/dosewright-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        std::abort();
    g_databasePath = std::string(folder) + platform::kPathSeparator;
    std::string journalFolder = JournalFolder(g_databasePath);
    g_journalPath = journalFolder + kFileName;
    journalFolder.pop_back();
    if (!platform::CreateFolder(journalFolder.c_str()))
        std::abort();
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (std::FILE* file = std::fopen(g_journalPath.c_str(), "wb")) {
        if (size > 0 && std::fwrite(data, 1, size, file) != size)
            std::abort();
        if (std::fclose(file) != 0)
            std::abort();
    } else {
        std::abort();
    }

    // Every entry the reader gives (a change, the end, damage, whatever else it
    // may come to name) takes at least one entry's room after the header; one
    // more is allowed for the last, cut-off one.
    const std::size_t mostEntries = size / journal::kEntrySize + 1;
    RunJournalReader reader;
    const bool opened = reader.Open(g_databasePath, kFileName);
    std::size_t entries = 0;
    int32_t changes = 0;
    if (opened) {
        JournalChange change;
        JournalEnd end;
        for (RunJournalReader::Entry entry;
             (entry = reader.Next(change, end)) != RunJournalReader::Entry::None;) {
            ++entries;
            FUZZ_CHECK(entries <= mostEntries); // and so the reading ends
            if (entry == RunJournalReader::Entry::Change)
                ++changes;
        }
        // Once at the end, the reader stays there.
        FUZZ_CHECK(reader.Next(change, end) == RunJournalReader::Entry::None);
    }

    const JournalRunSummary summary = SummarizeRun(g_databasePath, kFileName);
    FUZZ_CHECK(summary.readable == opened);
    FUZZ_CHECK(summary.changes == changes);
    return 0;
}
