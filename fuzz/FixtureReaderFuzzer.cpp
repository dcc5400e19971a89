// hostkit's fixture reader on any text: a fixture is either read, with every
// record of its table's length, or refused with std::runtime_error and a
// message; nothing else escapes it.
#include "FixtureReader.h"
#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    try {
        const hostkit::HostFolderContent content = hostkit::ReadFixture(json);
        for (const hostkit::TableRecords& table : content.tables) {
            FUZZ_CHECK(table.layout != nullptr);
            for (const std::string& record : table.records)
                FUZZ_CHECK(record.size() == static_cast<std::size_t>(table.layout->recordLength));
        }
    } catch (const std::runtime_error& refused) {
        FUZZ_CHECK(refused.what()[0] != '\0');
    }
    return 0;
}
