// Creating table files: TableWriter and ReadTableDefinition.
//
// A new table is built in a temporary file next to its final path, without a
// journal (a failed build is simply thrown away), indexed after the bulk
// insert, switched to WAL mode, synced, and only then renamed into place. So
// there is never a half-built table at the final path.
#include "storelink/KeyEncoder.h"
#include "storelink/SqliteHandles.h"
#include "storelink/StoreLinkAdmin.h"
#include "storelink/TableSchema.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace storelink {
namespace {

#if defined(_WIN32)
// Windows has no links to follow, no descriptors to keep from child programs,
// and flushes a file with _commit.
constexpr int O_CLOEXEC = 0;
// Flushing needs a handle open for writing there.
constexpr int kSyncFileFlags = O_RDWR | O_BINARY;
int lstat(const char* path, struct stat* info) {
    return ::stat(path, info);
}
int fsync(int fd) {
    return ::_commit(fd);
}
#else
constexpr int kSyncFileFlags = O_RDONLY;
using ::fsync;
using ::lstat;
#endif

[[noreturn]] void Throw(const std::string& path, const std::string& what) {
    throw std::runtime_error("table " + path + ": " + what);
}

std::string SqliteProblem(sqlite3* db, const std::string& what) {
    return what + ": " + (db != nullptr ? sqlite3_errmsg(db) : "out of memory");
}

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

// Flushes a file or folder to disk. Returns 0 or errno.
int SyncPath(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int rc = fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return rc;
}

#if !defined(_WIN32)
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}
#endif

// Creates an empty file beside `path` for building the table in. Returns its name.
std::string CreateBuildFile(const std::string& path) {
    const std::string stem = path + ".building-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0;; ++attempt) {
        std::string name = stem + std::to_string(attempt);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST || attempt >= 1000) {
            Throw(path, std::string("cannot create a file beside it: ") + std::strerror(errno));
        }
    }
}

// Gives the built file its final name, refusing to replace a file that
// appeared meanwhile. Returns 0 or errno (EEXIST for such a file).
int MoveIntoPlace(const std::string& buildPath, const std::string& path) {
#if defined(_WIN32)
    // Renaming never replaces an existing file on Windows.
    if (std::rename(buildPath.c_str(), path.c_str()) == 0) {
        return 0;
    }
    return Exists(path) ? EEXIST : errno;
#else
    if (::link(buildPath.c_str(), path.c_str()) == 0) {
        ::unlink(buildPath.c_str());
        return 0;
    }
    if (errno == EEXIST) {
        return EEXIST;
    }
    // A file system without hard links.
    if (Exists(path)) {
        return EEXIST;
    }
    return std::rename(buildPath.c_str(), path.c_str()) == 0 ? 0 : errno;
#endif
}

// Build settings: no journal, no syncs, a large page cache for the index sort.
constexpr const char* kBuildSettings = "PRAGMA journal_mode = OFF;"
                                       "PRAGMA synchronous = OFF;"
                                       "PRAGMA cache_size = -32768;"
                                       "PRAGMA temp_store = FILE;";

} // namespace

struct TableWriter::Impl {
    std::string path;
    std::string buildPath;
    TableDefinition definition;
    std::vector<KeyEncoder> encoders;
    std::vector<std::vector<uint8_t>> encodedKeys;
    Connection db;
    Statement insert;
    bool committed = false;
    bool broken = false;

    void RemoveBuildFile() {
        insert.reset();
        db.reset();
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
            std::remove((buildPath + suffix).c_str());
        }
    }
};

TableWriter::TableWriter(const std::string& path, const TableDefinition& definition)
    : m_impl(std::make_unique<Impl>()) {
    Impl& impl = *m_impl;
    impl.path = path;
    impl.definition = definition;
    const std::string problem = CheckTableDefinition(definition);
    if (!problem.empty()) {
        Throw(path, problem);
    }
    if (Exists(path)) {
        Throw(path, "the file already exists");
    }

    const std::string buildPath = CreateBuildFile(path);
    impl.buildPath = buildPath;

    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(buildPath.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    impl.db.reset(raw);
    std::string what;
    if (rc == SQLITE_OK) {
        rc = ExecuteSql(raw, kBuildSettings);
        what = SqliteProblem(raw, "setting up");
    }
    if (rc == SQLITE_OK) {
        rc = ExecuteSql(raw, "BEGIN");
        what = SqliteProblem(raw, "starting");
    }
    if (rc == SQLITE_OK) {
        rc = CreateTableSchema(raw, definition, what);
    }
    std::string insertSql = "INSERT INTO records(record";
    std::string values = ") VALUES (?1";
    int parameter = 2;
    for (const KeyDefinition& key : definition.keys) {
        impl.encoders.emplace_back(key);
        impl.encodedKeys.emplace_back(impl.encoders.back().EncodedWidth());
        insertSql += ", " + KeyColumnName(key.number);
        values += ", ?" + std::to_string(parameter++);
    }
    insertSql += values + ")";
    if (rc == SQLITE_OK) {
        rc = PrepareStatement(raw, insertSql.c_str(), impl.insert);
        what = SqliteProblem(raw, "preparing the insert");
    }
    if (rc != SQLITE_OK) {
        impl.RemoveBuildFile();
        Throw(path, what);
    }
}

TableWriter::~TableWriter() {
    if (!m_impl->committed) {
        m_impl->RemoveBuildFile();
    }
}

void TableWriter::Insert(const void* record, std::size_t length) {
    Impl& impl = *m_impl;
    if (impl.committed || impl.broken) {
        Throw(impl.path, impl.committed ? "insert after commit" : "insert after a failed insert");
    }
    if (record == nullptr || length != static_cast<std::size_t>(impl.definition.recordLength)) {
        Throw(impl.path, "record of " + std::to_string(length) + " bytes, the table's are " +
                             std::to_string(impl.definition.recordLength));
    }
    const auto* bytes = static_cast<const uint8_t*>(record);
    sqlite3_stmt* insert = impl.insert.get();
    sqlite3_bind_blob(insert, 1, bytes, impl.definition.recordLength, SQLITE_STATIC);
    for (std::size_t i = 0; i < impl.encoders.size(); ++i) {
        impl.encoders[i].Encode(bytes, impl.encodedKeys[i].data());
        sqlite3_bind_blob(insert, static_cast<int>(i) + 2, impl.encodedKeys[i].data(),
                          static_cast<int>(impl.encodedKeys[i].size()), SQLITE_STATIC);
    }
    const int rc = sqlite3_step(insert);
    sqlite3_reset(insert);
    if (rc != SQLITE_DONE) {
        impl.broken = true;
        Throw(impl.path, SqliteProblem(impl.db.get(), "inserting a record"));
    }
}

void TableWriter::Commit() {
    Impl& impl = *m_impl;
    if (impl.committed || impl.broken) {
        Throw(impl.path, impl.committed ? "committed twice" : "commit after a failed insert");
    }
    impl.insert.reset();
    sqlite3* db = impl.db.get();
    std::string what;
    int rc = CreateKeyIndexes(db, impl.definition, what);
    if (rc == SQLITE_OK) {
        rc = ExecuteSql(db, "COMMIT");
        what = SqliteProblem(db, "committing");
    }
    if (rc == SQLITE_OK) {
        // Kept in the file header: every later open of the table uses WAL.
        rc = ExecuteSql(db, "PRAGMA journal_mode = WAL");
        what = SqliteProblem(db, "switching to WAL");
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_close(impl.db.release());
        what = "closing the file";
    }
    if (rc != SQLITE_OK) {
        impl.broken = true;
        Throw(impl.path, what);
    }
    int error = SyncPath(impl.buildPath, kSyncFileFlags);
    if (error == 0) {
        error = MoveIntoPlace(impl.buildPath, impl.path);
    }
    if (error != 0) {
        impl.broken = true;
        Throw(impl.path,
              error == EEXIST
                  ? std::string("the file appeared while the table was being built")
                  : std::string("cannot put the table in place: ") + std::strerror(error));
    }
    impl.committed = true;
#if !defined(_WIN32) // Windows keeps a folder's entries itself; a folder is not opened to flush it
    error = SyncPath(FolderOf(impl.path), O_RDONLY | O_DIRECTORY);
    if (error != 0) {
        Throw(impl.path, std::string("cannot sync its folder: ") + std::strerror(error));
    }
#endif
}

TableDefinition ReadTableDefinition(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        Throw(path, std::string("cannot read the file: ") + std::strerror(errno));
    }
    if ((info.st_mode & S_IFMT) != S_IFREG) {
        Throw(path, "not a table file");
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK) {
        Throw(path, SqliteProblem(raw, "cannot open the file"));
    }
    sqlite3_busy_timeout(raw, 5000);
    TableDefinition definition;
    std::string problem;
    if (ReadTableSchema(raw, definition, problem) < 0) {
        Throw(path, "not a table file (" + problem + ")");
    }
    return definition;
}

} // namespace storelink
