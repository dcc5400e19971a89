// The files a scan writes in the database folder: the run log Dosewright.log,
// which grows across runs, and the CSV report Dosewright.csv, which each run
// starts empty.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

enum class RunMode { Report, Repair };

// What an operation on the run files came to; a failure names the file.
enum class RunFilesStatus {
    Ok,
    LogFailed, // Dosewright.log
    CsvFailed, // Dosewright.csv
};

class RunFiles {
public:
    RunFiles() = default;
    // Closes what is still open; a failure can no longer be reported then.
    ~RunFiles();
    RunFiles(const RunFiles&) = delete;
    RunFiles& operator=(const RunFiles&) = delete;

    // Everything a run needs before it reads its first medication, taken in the
    // database folder (ending with its separator): the log, then the CSV. A file
    // a failed run left open is kept, so the next run writes on at its end.
    // Stops at the first failure and names it; what was opened before stays open.
    RunFilesStatus Open(const char* databaseFolder, RunMode mode);

    bool IsLogOpen() const { return m_pLogFile != nullptr; }
    bool IsCsvOpen() const { return m_pCsvFile != nullptr; }

    // Writes one affected medication's CSV line, then its log sentence, each
    // whole and flushed to the file before this returns. A line the file cannot
    // take whole is cut out again; `error` then receives the write's error code
    // and nothing more is written.
    RunFilesStatus WriteLines(std::string_view csvLine, std::string_view logLine, int& error);

    // Closes both files at the end of a run, the log first. A close that failed
    // (the file may not hold everything written) is named, its error code in
    // `error`; both are closed either way.
    RunFilesStatus Close(int& error);

private:
    std::FILE* m_pLogFile = nullptr; // Dosewright.log, open while a scan runs
    std::FILE* m_pCsvFile = nullptr; // Dosewright.csv, open while a scan runs
};

// The message shown when a run file could not be written or closed whole:
// `failure` names the file, `error` is the system's error code.
std::string RunFileWriteFailure(RunFilesStatus failure, int error);
