#include "repair/RunFiles.h"

#include <cerrno>
#include <cstdint>

#include "data/FormatText.h"
#include "data/HostLibraries.h"
#include "platform/FileSystem.h"

namespace {

// The path of a file in the database folder; false when it would not fit.
bool RunFilePath(const char* databaseFolder, const char* fileName,
                 char (&path)[host::kDatabasePathSize]) {
    const int length = std::snprintf(path, sizeof path, "%s%s", databaseFolder, fileName);
    // Never cut a path short: that would write somewhere else.
    return length >= 0 && length < static_cast<int>(sizeof path);
}

// Opens one of the run's files in the database folder. Lines carry their own
// CR LF, so the streams are binary.
std::FILE* OpenRunFile(const char* databaseFolder, const char* fileName, const char* mode) {
    char path[host::kDatabasePathSize] = {};
    if (!RunFilePath(databaseFolder, fileName, path))
        return nullptr;
    return platform::OpenRegularFile(path, mode);
}

// Writes one line and flushes it. A line the file cannot take whole (a full
// disk, a size limit) is taken out again, so that no half line is left for a
// later run to write after; `error` then holds the write's error code.
bool WriteWholeLine(std::FILE* file, std::string_view line, int& error) {
    std::uint64_t lineStart = 0;
    const bool sized = platform::StreamFileSize(file, lineStart);
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), file) == line.size() && std::fflush(file) == 0)
        return true;
    error = errno;
    if (sized)
        platform::CutStreamBack(file, lineStart);
    return false;
}

// Closes a stream and forgets it; false with `error` set when the close failed.
bool CloseStream(std::FILE*& file, int& error) {
    if (!file)
        return true;
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (!closed)
        error = errno;
    return closed;
}

} // namespace

RunFiles::~RunFiles() {
    int error = 0;
    Close(error);
}

RunFilesStatus RunFiles::Open(const char* databaseFolder, RunMode /*mode*/) {
    if (!m_lock.IsHeld()) {
        char path[host::kDatabasePathSize] = {};
        if (!RunFilePath(databaseFolder, kLockFileName, path))
            return RunFilesStatus::LockFailed;
        switch (m_lock.Acquire(path)) {
        case platform::RunLock::Result::Acquired:
            break;
        case platform::RunLock::Result::HeldByAnother:
            return RunFilesStatus::Busy;
        case platform::RunLock::Result::Failed:
            return RunFilesStatus::LockFailed;
        }
    }
    if (!m_pLogFile) {
        m_pLogFile = OpenRunFile(databaseFolder, kLogFileName, "ab+");
        if (!m_pLogFile)
            return RunFilesStatus::LogFailed;
    }
    if (!m_pCsvFile) {
        m_pCsvFile = OpenRunFile(databaseFolder, kCsvFileName, "wb+");
        if (!m_pCsvFile)
            return RunFilesStatus::CsvFailed;
    }
    return RunFilesStatus::Ok;
}

RunFilesStatus RunFiles::WriteLines(std::string_view csvLine, std::string_view logLine,
                                    int& error) {
    if (!m_pCsvFile || !m_pLogFile) {
        error = EBADF;
        return m_pCsvFile ? RunFilesStatus::LogFailed : RunFilesStatus::CsvFailed;
    }
    if (!WriteWholeLine(m_pCsvFile, csvLine, error))
        return RunFilesStatus::CsvFailed;
    if (!WriteWholeLine(m_pLogFile, logLine, error))
        return RunFilesStatus::LogFailed;
    return RunFilesStatus::Ok;
}

RunFilesStatus RunFiles::Close(int& error) {
    int csvError = 0;
    const bool logClosed = CloseStream(m_pLogFile, error);
    const bool csvClosed = CloseStream(m_pCsvFile, csvError);
    m_lock.Release();
    if (!logClosed)
        return RunFilesStatus::LogFailed;
    if (!csvClosed) {
        error = csvError;
        return RunFilesStatus::CsvFailed;
    }
    return RunFilesStatus::Ok;
}

std::string RunFileWriteFailure(RunFilesStatus failure, int error) {
    return FormatText("Failure writing the %s file. Error Code:%d\nPlease verify there is free "
                      "space in the orvale folder and you have access to write files in it.",
                      failure == RunFilesStatus::LogFailed ? kLogFileName : kCsvFileName, error);
}

std::string RunLockPath(const char* databaseFolder) {
    return std::string(databaseFolder) + kLockFileName;
}

std::string RunLockFailure(const char* databaseFolder, int error) {
    const platform::PathKind kind = platform::KindOfPath(RunLockPath(databaseFolder).c_str());
    std::string message =
        FormatText("Failure opening %s file. Error Code:%d", kLockFileName, error);
    if (kind != platform::PathKind::File && kind != platform::PathKind::Nothing)
        message += FormatText("\n%s is %s; it must be a file of its own.", kLockFileName,
                              platform::PathKindText(kind));
    return message;
}
