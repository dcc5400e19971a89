#include "TableDumper.h"

#include "RecordCodec.h"
#include "data/HostLibraries.h"

#include <stdexcept>
#include <vector>

namespace hostkit {
namespace {

// Closes the handle however the walk ends.
class OpenTable {
public:
    explicit OpenTable(const std::string& path)
        : m_handle(fsopen(path.c_str(), host::kOpenMode, host::kFirstCredential,
                          host::kSecondCredential, host::kOpenFlag)) {}
    ~OpenTable() {
        if (m_handle >= 0) {
            fsclose(m_handle);
        }
    }
    OpenTable(const OpenTable&) = delete;
    OpenTable& operator=(const OpenTable&) = delete;

    int32_t Handle() const { return m_handle; }

private:
    int32_t m_handle;
};

[[noreturn]] void ThrowStatus(const std::string& path, const char* what, int32_t status) {
    throw std::runtime_error(path + ": " + what + " (record manager status " +
                             std::to_string(status) + ")");
}

} // namespace

std::string DumpTable(const std::filesystem::path& folder, const TableLayout& layout) {
    const std::string path = (folder / layout.name).string();
    InitMidWare(host::kMidWareInitArgument);
    const OpenTable table(path);
    if (table.Handle() < 0) {
        ThrowStatus(path, "cannot be opened", table.Handle());
    }
    if (const int32_t status = fsgotof(table.Handle(), layout.dumpKey); status < 0) {
        ThrowStatus(path, "cannot be positioned at its start", status);
    }

    std::string lines;
    std::vector<char> record(layout.recordLength);
    for (;;) {
        const int32_t status =
            fsgetn(table.Handle(), layout.dumpKey, record.data(), layout.recordLength);
        if (status == host::kStatusEndOfFile || status == 0) {
            break;
        }
        if (status < 0) {
            ThrowStatus(path, "cannot be read", status);
        }
        lines += DecodeRecord(layout, std::string_view(record.data(), record.size())).dump();
        lines += '\n';
    }
    return lines;
}

} // namespace hostkit
