// The files a scan writes in the database folder: the run log Dosewright.log,
// which grows across runs, and the CSV report Dosewright.csv, which each run
// starts empty; and the lock on Dosewright.lock that lets one run at a time
// work in the folder.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

enum class RunMode { Report, Repair };

// The run files' names in the database folder.
inline constexpr const char* kLogFileName = "Dosewright.log";
inline constexpr const char* kCsvFileName = "Dosewright.csv";
inline constexpr const char* kLockFileName = "Dosewright.lock";

// What an operation on the run files came to; a failure names the file.
enum class RunFilesStatus {
    Ok,
    LogFailed,  // Dosewright.log
    CsvFailed,  // Dosewright.csv
    LockFailed, // Dosewright.lock could not be opened or locked
    Busy,       // another run holds the lock
};

class RunFiles {
public:
    RunFiles() = default;
    // Closes what is still open; a failure can no longer be reported then.
    ~RunFiles();
    RunFiles(const RunFiles&) = delete;
    RunFiles& operator=(const RunFiles&) = delete;

    // Everything a run needs before it reads its first medication, taken in the
    // database folder (ending with its separator): the run lock, before any file
    // is touched, then the log, then the CSV. A file a failed run left open is
    // kept, so the next run writes on at its end. Stops at the first failure and
    // names it; what was opened before stays open.
    //
    // The lock is held as long as a run file is open: from here to Close at the
    // end of the run, and after a failed run until the next one closes the files
    // it writes on (or the program ends). Each file is opened only as a regular
    // file of its own, never through a link (platform::OpenRegularFile).
    RunFilesStatus Open(const char* databaseFolder, RunMode mode);

    bool IsLogOpen() const { return m_pLogFile != nullptr; }
    bool IsCsvOpen() const { return m_pCsvFile != nullptr; }

    // Writes one affected medication's CSV line, then its log sentence, each
    // whole and flushed to the file before this returns. A line the file cannot
    // take whole is cut out again; `error` then receives the write's error code
    // and nothing more is written.
    RunFilesStatus WriteLines(std::string_view csvLine, std::string_view logLine, int& error);

    // Closes both files at the end of a run, the log first, and gives up the run
    // lock. A close that failed (the file may not hold everything written) is
    // named, its error code in `error`; both are closed either way.
    RunFilesStatus Close(int& error);

private:
    std::FILE* m_pLogFile = nullptr; // Dosewright.log, open while a scan runs
    std::FILE* m_pCsvFile = nullptr; // Dosewright.csv, open while a scan runs
    platform::RunLock m_lock;        // on Dosewright.lock, while a run file is open
};

// The message shown when a run could not begin because another holds the lock.
inline constexpr const char* kAnotherRunMessage =
    "Another Dosewright run is using this database. Please wait for it to finish and try again.";

// The message shown when the run lock could not be taken, with the system's
// error code `error` and, when Dosewright.lock in `databaseFolder` is no file
// of its own, what it is.
std::string RunLockFailure(const char* databaseFolder, int error);

// The path of the lock file of a database folder (ending with its separator).
std::string RunLockPath(const char* databaseFolder);

// The message shown when a run file could not be written or closed whole:
// `failure` names the file, `error` is the system's error code.
std::string RunFileWriteFailure(RunFilesStatus failure, int error);
