// The record manager's exported functions: argument checks, the failure switch,
// and the handle table; the work is OpenTable's.
#include "common/CallCounter.h"
#include "common/HostExport.h"
#include "storelink/FailureSwitch.h"
#include "storelink/HandleTable.h"
#include "storelink/StoreLinkStatus.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sqlite3.h>

namespace storelink {
namespace {

std::mutex& ApiMutex() {
    static std::mutex mutex;
    return mutex;
}

HandleTable& Handles() {
    static HandleTable handles;
    return handles;
}

// Counted by Operation.
void CountCall(Operation operation) {
    static hostcommon::CallCounter<7> counter(
        {"fsopen", "fsclose", "fspos", "fsget", "fsgetn", "fsgotof", "fsupdate"});
    counter.Count(static_cast<std::size_t>(operation));
}

// Runs `work` on the table of `handle` unless the failure switch trips first.
template <typename Work> int32_t OnTable(Operation operation, int32_t handle, Work work) {
    std::lock_guard<std::mutex> lock(ApiMutex());
    CountCall(operation);
    int32_t status = 0;
    if (TheFailureSwitch().Trips(operation, status)) {
        return status;
    }
    OpenTable* table = Handles().Find(handle);
    return table != nullptr ? work(*table) : kErrBadHandle;
}

} // namespace
} // namespace storelink

using namespace storelink;

extern "C" {

HOST_EXPORT int32_t HOST_CALL InitMidWare(int32_t) {
    // No memory statistics: they put a global lock around every allocation
    // SQLite makes. Only possible before SQLite starts; refused harmlessly after.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    sqlite3_initialize();
    return 0;
}

HOST_EXPORT int32_t HOST_CALL fsopen(const char* tablePath, const char* mode,
                                     const char* firstCredential, const char* secondCredential,
                                     const char* flag) {
    std::lock_guard<std::mutex> lock(ApiMutex());
    CountCall(Operation::Open);
    int32_t status = 0;
    if (TheFailureSwitch().Trips(Operation::Open, status)) {
        return status;
    }
    if (tablePath == nullptr || mode == nullptr || firstCredential == nullptr ||
        secondCredential == nullptr || flag == nullptr || std::strcmp(mode, "w") != 0 ||
        std::strcmp(flag, "s") != 0 || *tablePath == '\0') {
        return kErrBadArgument;
    }
    std::unique_ptr<OpenTable> table;
    status = OpenTable::Open(tablePath, firstCredential, secondCredential, table);
    return status < 0 ? status : Handles().Add(std::move(table));
}

HOST_EXPORT int32_t HOST_CALL fsclose(int32_t handle) {
    std::lock_guard<std::mutex> lock(ApiMutex());
    CountCall(Operation::Close);
    int32_t status = 0;
    if (TheFailureSwitch().Trips(Operation::Close, status)) {
        return status;
    }
    return Handles().Close(handle) ? 0 : kErrBadHandle;
}

HOST_EXPORT int32_t HOST_CALL fspos(int32_t handle, int32_t keyNumber, void* record) {
    return OnTable(Operation::Position, handle, [&](OpenTable& table) {
        return record != nullptr ? table.Position(keyNumber, static_cast<const uint8_t*>(record))
                                 : kErrBadArgument;
    });
}

HOST_EXPORT int32_t HOST_CALL fsget(int32_t handle, int32_t keyNumber, void* record,
                                    int32_t recordLength) {
    return OnTable(Operation::Get, handle, [&](OpenTable& table) {
        return record != nullptr
                   ? table.GetCurrent(keyNumber, static_cast<uint8_t*>(record), recordLength)
                   : kErrBadArgument;
    });
}

HOST_EXPORT int32_t HOST_CALL fsgetn(int32_t handle, int32_t keyNumber, void* record,
                                     int32_t recordLength) {
    return OnTable(Operation::GetNext, handle, [&](OpenTable& table) {
        return record != nullptr
                   ? table.GetNext(keyNumber, static_cast<uint8_t*>(record), recordLength)
                   : kErrBadArgument;
    });
}

HOST_EXPORT int32_t HOST_CALL fsgotof(int32_t handle, int32_t keyNumber) {
    return OnTable(Operation::GotoFirst, handle,
                   [&](OpenTable& table) { return table.GotoFirst(keyNumber); });
}

HOST_EXPORT int32_t HOST_CALL fsupdate(int32_t handle, const void* record, int32_t recordLength) {
    return OnTable(Operation::Update, handle, [&](OpenTable& table) {
        return record != nullptr ? table.Update(static_cast<const uint8_t*>(record), recordLength)
                                 : kErrBadArgument;
    });
}

STANDIN_EXPORT void StoreLink_FailCall(const char* operation, int32_t callNumber, int32_t status) {
    std::lock_guard<std::mutex> lock(ApiMutex());
    if (!TheFailureSwitch().Arm(operation != nullptr ? operation : "*",
                                operation != nullptr ? callNumber : 0, status)) {
        std::fprintf(stderr, "StoreLink_FailCall: unknown operation \"%s\"; switch off\n",
                     operation);
    }
}

} // extern "C"
