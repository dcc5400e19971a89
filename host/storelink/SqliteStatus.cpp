#include "storelink/SqliteStatus.h"

#include "storelink/StoreLinkStatus.h"

#include <sqlite3.h>

namespace storelink {

int32_t StatusFromSqlite(int rc) {
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return kErrBusy;
    case SQLITE_READONLY:
        return kErrReadOnly;
    // A statement of this library that no longer fits the file means the file
    // is not (or no longer) the table it was.
    case SQLITE_ERROR:
    case SQLITE_SCHEMA:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
    case SQLITE_MISMATCH:
    case SQLITE_CONSTRAINT:
        return kErrNotATable;
    default: // SQLITE_IOERR, SQLITE_FULL, SQLITE_CANTOPEN, SQLITE_NOMEM, SQLITE_PROTOCOL, ...
        return kErrIo;
    }
}

} // namespace storelink
