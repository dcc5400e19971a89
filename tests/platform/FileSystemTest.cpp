// File and folder operations with their error codes, including the read-only
// files the host's original platform protects even from an administrator.
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
// windows.h maps DeleteFile to DeleteFileA; these tests call the platform's.
#undef DeleteFile
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "support/HostFolder.h"
#include "support/SystemErrors.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using platform::ExclusiveFile;
using platform::RunLock;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

using namespace testsupport; // the platform's error codes

std::string Native(const fs::path& path) {
    return path.string();
}

// Another program's open handle holding the file exclusively.
class OtherOpener {
public:
#if defined(_WIN32)
    explicit OtherOpener(const fs::path& path)
        : m_file(::CreateFileA(Native(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr)) {
        EXPECT_NE(m_file, INVALID_HANDLE_VALUE);
    }
    ~OtherOpener() {
        ::CloseHandle(m_file);
    }
#else
    explicit OtherOpener(const fs::path& path) : m_fd(::open(path.c_str(), O_RDONLY)) {
        EXPECT_GE(m_fd, 0);
        EXPECT_EQ(::flock(m_fd, LOCK_EX | LOCK_NB), 0);
    }
    ~OtherOpener() {
        ::close(m_fd);
    }
#endif
    OtherOpener(const OtherOpener&) = delete;
    OtherOpener& operator=(const OtherOpener&) = delete;

private:
#if defined(_WIN32)
    HANDLE m_file;
#else
    int m_fd;
#endif
};

// Whatever entry a directory search finds exists, a link even when its target does not.
TEST(FileSystem, PathExistsForEveryEntryOfThatName) {
    const testsupport::TempFolder temp;
    WriteFileBytes(temp / "file", "x");
    EXPECT_TRUE(platform::PathExists(Native(temp / "file").c_str()));
    EXPECT_TRUE(platform::PathExists(Native(temp.Path()).c_str()));
#if !defined(_WIN32) // links are a POSIX matter here
    fs::create_symlink(temp / "nowhere", temp / "dangling");
    EXPECT_TRUE(platform::PathExists(Native(temp / "dangling").c_str()));
#endif
    EXPECT_FALSE(platform::PathExists(Native(temp / "absent").c_str()));
    EXPECT_FALSE(platform::PathExists(Native(temp / "file" / "below").c_str()));
    EXPECT_FALSE(platform::PathExists(""));
}

TEST(FileSystem, CreateFolderMakesOneLevel) {
    const testsupport::TempFolder temp;
    EXPECT_TRUE(platform::CreateFolder(Native(temp / "one").c_str()));
    EXPECT_TRUE(fs::is_directory(temp / "one"));

    const struct {
        const char* what;
        fs::path path;
        int error;
    } failures[] = {
        {"existing folder", temp / "one", kErrorExists},
        {"two levels at once", temp / "two" / "three", kErrorNoFolder},
        {"below a file", temp / "file" / "below", kErrorBelowAFile},
    };
    WriteFileBytes(temp / "file", "x");
    for (const auto& f : failures) {
        SCOPED_TRACE(f.what);
        EXPECT_FALSE(platform::CreateFolder(Native(f.path).c_str()));
        EXPECT_EQ(platform::LastErrorCode(), f.error);
    }
    EXPECT_FALSE(fs::exists(temp / "two"));
}

// A read-only file stays, whoever runs. On POSIX, a file without any write
// permission bit is read-only.
TEST(FileSystem, DeleteFileRefusesReadOnlyFilesAndFolders) {
    const testsupport::TempFolder temp;
    const fs::path path = temp / "file";
#if !defined(_WIN32)
    const struct {
        mode_t mode;
        bool deleted;
    } modes[] = {{0644, true},  {0200, true},  {0020, true},  {0002, true},
                 {0444, false}, {0400, false}, {0555, false}, {0000, false}};
    for (const auto& m : modes) {
        SCOPED_TRACE("mode " + std::to_string(m.mode));
        WriteFileBytes(path, "content");
        ASSERT_EQ(::chmod(path.c_str(), m.mode), 0);
        EXPECT_EQ(platform::DeleteFile(path.c_str()), m.deleted);
        EXPECT_EQ(fs::exists(path), !m.deleted);
        if (!m.deleted) {
            EXPECT_EQ(platform::LastErrorCode(), kErrorReadOnly);
            ::chmod(path.c_str(), 0644);
            EXPECT_EQ(ReadFileBytes(path), "content");
            fs::remove(path);
        }
    }
#endif
    for (const bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "read-only" : "writable");
        WriteFileBytes(path, "content");
        ASSERT_TRUE(SetReadOnly(path, readOnly));
        EXPECT_EQ(platform::DeleteFile(Native(path).c_str()), !readOnly);
        EXPECT_EQ(fs::exists(path), readOnly);
        if (readOnly) {
            EXPECT_EQ(platform::LastErrorCode(), kErrorReadOnly);
            SetReadOnly(path, false);
            EXPECT_EQ(ReadFileBytes(path), "content");
        }
    }
#if defined(_WIN32) // POSIX deletes a file whoever holds it open
    {
        SCOPED_TRACE("held by another program");
        WriteFileBytes(path, "content");
        std::optional<OtherOpener> other(std::in_place, path);
        EXPECT_FALSE(platform::DeleteFile(Native(path).c_str()));
        EXPECT_EQ(platform::LastErrorCode(), kErrorHeld);
        other.reset(); // no one else reads it while it is held
        EXPECT_EQ(ReadFileBytes(path), "content");
    }
#endif

    fs::create_directory(temp / "folder");
    EXPECT_FALSE(platform::DeleteFile(Native(temp / "folder").c_str()));
    EXPECT_EQ(platform::LastErrorCode(), kErrorAFolder);
    EXPECT_TRUE(fs::is_directory(temp / "folder"));

    EXPECT_FALSE(platform::DeleteFile(Native(temp / "absent").c_str()));
    EXPECT_EQ(platform::LastErrorCode(), kErrorNoFile);
}

TEST(FileSystem, ReadWriteExistingReadsTheWholeFileAndNeverCreatesOne) {
    const testsupport::TempFolder temp;
    const fs::path path = temp / "history";
    const std::string content("first\0second\r\n\x93", 15);
    WriteFileBytes(path, content);

    ExclusiveFile file;
    ASSERT_TRUE(file.Open(Native(path).c_str(), ExclusiveFile::Mode::ReadWriteExisting));
    std::uint64_t length = 0;
    ASSERT_TRUE(file.Length(length));
    EXPECT_EQ(length, content.size());
    std::string read(content.size() + 5, '\0');
    std::size_t got = 0;
    ASSERT_TRUE(file.SeekToStart());
    ASSERT_TRUE(file.Read(read.data(), read.size(), got));
    EXPECT_EQ(got, content.size());
    EXPECT_EQ(read.substr(0, got), content);
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ReadFileBytes(path), content);

    ExclusiveFile absent;
    EXPECT_FALSE(
        absent.Open(Native(temp / "absent").c_str(), ExclusiveFile::Mode::ReadWriteExisting));
    EXPECT_EQ(platform::LastErrorCode(), kErrorNoFile);
    EXPECT_FALSE(absent.IsOpen());
    EXPECT_FALSE(fs::exists(temp / "absent"));
}

// Neither mode opens a read-only file, a folder, or a file another program holds;
// and a file that cannot be opened keeps its content.
TEST(FileSystem, ExclusiveFileRefusesWhatItCannotHaveForItself) {
    const testsupport::TempFolder temp;
    const fs::path path = temp / "file";
    for (const auto mode :
         {ExclusiveFile::Mode::ReadWriteExisting, ExclusiveFile::Mode::WriteCreateAlways}) {
        SCOPED_TRACE(mode == ExclusiveFile::Mode::ReadWriteExisting ? "read-write existing"
                                                                    : "write create-always");
        WriteFileBytes(path, "keep me");
        {
            SCOPED_TRACE("read-only");
            ASSERT_TRUE(SetReadOnly(path, true));
            ExclusiveFile file;
            EXPECT_FALSE(file.Open(Native(path).c_str(), mode));
            EXPECT_EQ(platform::LastErrorCode(), kErrorReadOnly);
            SetReadOnly(path, false);
            EXPECT_EQ(ReadFileBytes(path), "keep me");
        }
        {
            SCOPED_TRACE("held by another program");
            std::optional<OtherOpener> other(std::in_place, path);
            ExclusiveFile file;
            EXPECT_FALSE(file.Open(Native(path).c_str(), mode));
            EXPECT_EQ(platform::LastErrorCode(), kErrorHeld);
            other.reset(); // no one else reads it while it is held
            EXPECT_EQ(ReadFileBytes(path), "keep me") << "emptied although it was not opened";
        }
        {
            SCOPED_TRACE("held by this program");
            ExclusiveFile first;
            ASSERT_TRUE(first.Open(Native(path).c_str(), ExclusiveFile::Mode::ReadWriteExisting));
            ExclusiveFile second;
            EXPECT_FALSE(second.Open(Native(path).c_str(), mode));
            EXPECT_TRUE(first.Close()); // no one else reads it while it is held
            EXPECT_EQ(ReadFileBytes(path), "keep me");
        }
        {
            SCOPED_TRACE("a folder");
            fs::create_directory(temp / "folder");
            ExclusiveFile file;
            EXPECT_FALSE(file.Open(Native(temp / "folder").c_str(), mode));
            EXPECT_EQ(platform::LastErrorCode(), kErrorAFolder);
        }
    }
}

TEST(FileSystem, WriteCreateAlwaysReplacesTheWholeContent) {
    const testsupport::TempFolder temp;
    const fs::path path = temp / "file.ref";
    const std::string bytes("A | B\tC \r\n\x93x\x94", 14);
    for (const std::string& before : {std::string(), std::string(5000, 'o')}) {
        SCOPED_TRACE(before.empty() ? "new file" : "longer old file");
        fs::remove(path);
        if (!before.empty())
            WriteFileBytes(path, before);
        ExclusiveFile file;
        ASSERT_TRUE(file.Open(Native(path).c_str(), ExclusiveFile::Mode::WriteCreateAlways));
        ASSERT_TRUE(file.WriteAll(bytes.data(), bytes.size()));
        ASSERT_TRUE(file.Close());
        EXPECT_EQ(ReadFileBytes(path), bytes);
    }

    ExclusiveFile below;
    EXPECT_FALSE(below.Open(Native(temp / "absent" / "file.ref").c_str(),
                            ExclusiveFile::Mode::WriteCreateAlways));
    EXPECT_EQ(platform::LastErrorCode(), kErrorNoFolder);
}

// What may stand under an output file's name, and what opening it does: only a
// regular file of one name is opened; everything else is refused at once
// (a FIFO without a reader would otherwise hang the open) and left as it was,
// and so is what a link points to.
TEST(FileSystem, OpenRegularFileOpensNothingButARegularFileOfOneName) {
    const testsupport::TempFolder temp;
    const fs::path target = temp / "MRRX99";
    enum class Kind { Regular, Absent, Link, DanglingLink, LinkToFolder, HardLink, Fifo, Folder };
    struct KindCase {
        const char* what;
        Kind kind;
        int error; // 0: opened
    };
    std::vector<KindCase> kinds = {
        {"regular file", Kind::Regular, 0},
        {"no file yet", Kind::Absent, 0},
        {"second name of a file", Kind::HardLink, kErrorManyNames},
        {"folder", Kind::Folder, kErrorAFolder},
    };
#if !defined(_WIN32)
    // Symbolic links (a privilege of administrators on Windows) and FIFOs are POSIX's.
    kinds.insert(kinds.end(), {
                                  {"link to a file", Kind::Link, ELOOP},
                                  {"link to nothing", Kind::DanglingLink, ELOOP},
                                  {"link to a folder", Kind::LinkToFolder, ELOOP},
                                  {"FIFO", Kind::Fifo, EINVAL}, // ENXIO write-only: nobody reads it
                              });
#endif
    for (const char* mode : {"wb+", "ab+", "wb", "ab"}) {
        for (const auto& k : kinds) {
            SCOPED_TRACE(std::string(k.what) + ", mode " + mode);
            const fs::path path = temp / "Dosewright.csv";
            fs::remove_all(path);
            WriteFileBytes(target, "table");
            switch (k.kind) {
            case Kind::Regular:
                WriteFileBytes(path, "old,");
                break;
            case Kind::Absent:
                break;
            case Kind::Link:
                fs::create_symlink(target, path);
                break;
            case Kind::DanglingLink:
                fs::create_symlink(temp / "elsewhere", path);
                break;
            case Kind::LinkToFolder:
                fs::create_directory_symlink(temp.Path(), path);
                break;
            case Kind::HardLink:
                fs::create_hard_link(target, path);
                break;
            case Kind::Fifo:
#if !defined(_WIN32)
                ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
#endif
                break;
            case Kind::Folder:
                fs::create_directory(path);
                break;
            }
            std::FILE* stream = platform::OpenRegularFile(Native(path).c_str(), mode);
            if (k.error != 0) {
                EXPECT_EQ(stream, nullptr);
                const bool writeOnlyFifo = k.kind == Kind::Fifo && mode[2] != '+';
                EXPECT_EQ(platform::LastErrorCode(), writeOnlyFifo ? ENXIO : k.error);
                if (stream != nullptr)
                    std::fclose(stream);
            } else {
                ASSERT_NE(stream, nullptr)
                    << platform::DescribeErrorCode(platform::LastErrorCode());
                EXPECT_GE(std::fputs("new", stream), 0);
                EXPECT_EQ(std::fclose(stream), 0);
                const bool kept = mode[0] == 'a' && k.kind == Kind::Regular;
                EXPECT_EQ(ReadFileBytes(path), kept ? "old,new" : "new");
            }
            EXPECT_EQ(ReadFileBytes(target), "table");
            EXPECT_FALSE(fs::exists(temp / "elsewhere"));
        }
    }
    const fs::path regular = temp / "regular";
    WriteFileBytes(regular, "x");
    for (const char* mode : {"", "x", "wx", "rw"}) {
        SCOPED_TRACE(std::string("mode \"") + mode + "\"");
        EXPECT_EQ(platform::OpenRegularFile(Native(regular).c_str(), mode), nullptr);
        EXPECT_EQ(platform::LastErrorCode(), kErrorBadMode);
    }
    EXPECT_EQ(ReadFileBytes(regular), "x");
}

#if !defined(_WIN32)
// A child process that takes the run lock and holds it until it is killed.
// (Two runs at once, in the robustness tests, cover another process on Windows.)
class LockHolder {
public:
    explicit LockHolder(const fs::path& lockFile) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        m_pid = ::fork();
        if (m_pid == 0) {
            RunLock lock;
            const bool taken = lock.Acquire(lockFile.c_str()) == RunLock::Result::Acquired;
            const char state = taken ? 'y' : 'n';
            if (::write(ready[1], &state, 1) != 1)
                ::_exit(1);
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char state = 0;
        EXPECT_EQ(::read(ready[0], &state, 1), 1);
        EXPECT_EQ(state, 'y');
        ::close(ready[0]);
    }
    ~LockHolder() { Kill(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    void Kill() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
};
#endif

TEST(FileSystem, RunLockIsHeldByOneHolderAndFreedWhenItsProcessDies) {
    const testsupport::TempFolder temp;
    const fs::path path = temp / "Dosewright.lock";
    {
        RunLock first;
        ASSERT_EQ(first.Acquire(Native(path).c_str()), RunLock::Result::Acquired);
        EXPECT_EQ(first.Acquire(Native(path).c_str()), RunLock::Result::Acquired) << "kept";
        RunLock second;
        EXPECT_EQ(second.Acquire(Native(path).c_str()), RunLock::Result::HeldByAnother);
        EXPECT_FALSE(second.IsHeld());
        first.Release();
        EXPECT_EQ(second.Acquire(Native(path).c_str()), RunLock::Result::Acquired);
    }
#if !defined(_WIN32)
    {
        LockHolder holder(path);
        RunLock lock;
        EXPECT_EQ(lock.Acquire(path.c_str()), RunLock::Result::HeldByAnother);
        holder.Kill();
        EXPECT_EQ(lock.Acquire(path.c_str()), RunLock::Result::Acquired);
    }
#endif
    EXPECT_TRUE(fs::is_regular_file(path)) << "the lock file stays";

    // Deleting or replacing the file under its holder lets no second one in;
    // the file says who holds it.
    for (const char* change : {"deleted", "replaced"}) {
        SCOPED_TRACE(change);
        RunLock first;
        ASSERT_EQ(first.Acquire(Native(path).c_str()), RunLock::Result::Acquired);
        EXPECT_TRUE(testsupport::ReadFileBytes(path).starts_with("Dosewright run in process "));
        std::error_code error;
        if (std::string(change) == "deleted") {
            fs::remove(path, error);
        } else {
            testsupport::WriteFileBytes(temp / "other", "");
            fs::rename(temp / "other", path, error);
        }
#if defined(_WIN32)
        EXPECT_TRUE(error) << "a held lock file cannot be deleted or replaced";
#endif
        RunLock second;
        EXPECT_EQ(second.Acquire(Native(path).c_str()), RunLock::Result::HeldByAnother);
        EXPECT_TRUE(RunLock::IsHeldByAnother(Native(path).c_str()));
        first.Release();
        EXPECT_FALSE(RunLock::IsHeldByAnother(Native(path).c_str()));
        EXPECT_EQ(second.Acquire(Native(path).c_str()), RunLock::Result::Acquired);
    }

    // A lock file that is not a regular file of its own is never taken.
    struct Refused {
        const char* what;
        int error;
    };
    std::vector<Refused> refused = {{"folder", kErrorAFolder}, {"absent folder", kErrorNoFolder}};
#if !defined(_WIN32)
    refused.push_back({"link", ELOOP});
#endif
    for (const auto& r : refused) {
        SCOPED_TRACE(r.what);
        fs::remove_all(path);
        fs::path lockFile = path;
        if (std::string(r.what) == "link")
            fs::create_symlink(temp / "elsewhere", path);
        else if (std::string(r.what) == "folder")
            fs::create_directory(path);
        else
            lockFile = temp / "absent" / "Dosewright.lock";
        RunLock lock;
        EXPECT_EQ(lock.Acquire(Native(lockFile).c_str()), RunLock::Result::Failed);
        EXPECT_EQ(platform::LastErrorCode(), r.error);
        EXPECT_FALSE(lock.IsHeld());
    }
    EXPECT_FALSE(fs::exists(temp / "elsewhere"));
}

} // namespace
