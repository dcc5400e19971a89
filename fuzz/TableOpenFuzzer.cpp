// The record manager on any file: the bytes are written to a table file,
// opened with fsopen and, when it opens, walked in the order of each key,
// positioned on the records read, read back and rewritten unchanged. Every call
// answers with a status, and a call for a key or a length the table does not
// have is refused.
#include "FuzzCheck.h"
#include "data/HostLibraries.h"
#include "storelink/StoreLinkAdmin.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRecordsWalked = 16;
constexpr int kKeysWalked = 4;

std::string g_path;

void Walk(int32_t handle, const storelink::TableDefinition& definition) {
    const auto length = definition.recordLength;
    std::vector<uint8_t> record(static_cast<std::size_t>(length));
    std::vector<uint8_t> again(record.size());
    int keys = 0;
    for (const storelink::KeyDefinition& key : definition.keys) {
        if (++keys > kKeysWalked)
            break;
        if (fsgotof(handle, key.number) < 0)
            continue;
        for (int n = 0; n < kRecordsWalked; ++n) {
            const int32_t status = fsgetn(handle, key.number, record.data(), length);
            if (status <= 0) {
                FUZZ_CHECK(status < 0 || status == 0);
                break;
            }
            // Positioned on its own key (a damaged file may hold keys that do
            // not match its records), read there and rewritten unchanged.
            again = record;
            if (fspos(handle, key.number, again.data()) < 0)
                continue;
            if (fsget(handle, key.number, again.data(), length) > 0)
                fsupdate(handle, again.data(), length);
        }
    }
    // Calls with what a table does not have are refused, not obeyed.
    int32_t unknownKey = 1;
    for (const storelink::KeyDefinition& key : definition.keys)
        unknownKey =
            key.number >= unknownKey && key.number < INT32_MAX ? key.number + 1 : unknownKey;
    FUZZ_CHECK(fsgetn(handle, unknownKey, record.data(), length) < 0);
    FUZZ_CHECK(fsget(handle, definition.keys.front().number, record.data(), length + 1) < 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/dosewright-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        std::abort();
    g_path = std::string(folder) + "/MRFZ99";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        ::unlink((g_path + suffix).c_str());
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (std::FILE* file = std::fopen(g_path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    } else {
        std::abort();
    }

    const int32_t handle = fsopen(g_path.c_str(), "w", "kwellrun", "tovk", "s");
    if (handle < 0)
        return 0;
    storelink::TableDefinition definition;
    try {
        definition = storelink::ReadTableDefinition(g_path);
    } catch (const std::runtime_error&) {
        // Readable by fsopen, so the definition must be readable too.
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(definition.recordLength > 0 && !definition.keys.empty());
    Walk(handle, definition);
    FUZZ_CHECK(fsclose(handle) == 0);
    return 0;
}
