#include "app/HostLibraryCheck.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "DosewrightVersion.h"
#include "platform/FileSystem.h"
#include "platform/LibraryLoader.h"
#include "platform/PathSeparator.h"

namespace {

// The host's exports as the program finds them at run time, from the host's
// .def files: a name, or (where the host exports it so) only an ordinal.
struct HostExport {
    const char* library;
    const char* name; // nullptr: by ordinal only
    int ordinal;
};
constexpr HostExport kHostExports[] = {
#include "HostExportTable.inc"
};

constexpr int kProgramBits = static_cast<int>(sizeof(void*) * 8);

// Where a library file says what it was built for.
constexpr std::size_t kDosNewHeaderOffset = 0x3C; // 4 bytes, LE: offset of "PE\0\0"
constexpr std::uint16_t kMachineI386 = 0x014C;    // PE file header's Machine: x86
constexpr std::uint16_t kMachineAmd64 = 0x8664;   // PE file header's Machine: x86-64
constexpr std::size_t kElfClassOffset = 4;        // 1 byte: 1 = 32-bit, 2 = 64-bit

std::uint32_t Little(const unsigned char* bytes, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = (value << 8) | bytes[i];
    return value;
}

} // namespace

int LibraryFileWidth(const char* path) {
    std::FILE* file = platform::OpenRegularFile(path, "rb");
    if (!file)
        return 0;
    unsigned char header[4096] = {};
    const std::size_t length = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    if (length >= 5 && std::memcmp(header,
                                   "\x7f"
                                   "ELF",
                                   4) == 0) {
        const unsigned char elfClass = header[kElfClassOffset];
        return elfClass == 1 ? 32 : elfClass == 2 ? 64 : 0;
    }
    if (length < kDosNewHeaderOffset + 4 || header[0] != 'M' || header[1] != 'Z')
        return 0;
    const std::uint32_t pe = Little(header + kDosNewHeaderOffset, 4);
    if (pe > length - 6 || std::memcmp(header + pe, "PE\0\0", 4) != 0)
        return 0;
    const std::uint32_t machine = Little(header + pe + 4, 2);
    return machine == kMachineI386 ? 32 : machine == kMachineAmd64 ? 64 : 0;
}

HostLibraryCheck::HostLibraryCheck(platform::LibraryLoader& loader, std::string folder)
    : m_loader(loader), m_folder(std::move(folder)) {}

HostLibraryCheck::~HostLibraryCheck() {
    for (void* handle : m_loaded)
        m_loader.Release(handle);
}

bool HostLibraryCheck::Run() {
    m_findings.clear();
    for (std::size_t first = 0; first < std::size(kHostExports);) {
        const char* library = kHostExports[first].library;
        std::size_t end = first;
        while (end < std::size(kHostExports) &&
               std::strcmp(kHostExports[end].library, library) == 0)
            ++end;
        Check(library, first, end);
        first = end;
    }
    return FirstProblem().empty();
}

std::string HostLibraryCheck::FirstProblem() const {
    for (const HostLibraryFinding& finding : m_findings) {
        if (!finding.ok)
            return finding.detail;
    }
    return {};
}

void HostLibraryCheck::Check(const char* baseName, std::size_t first, std::size_t end) {
    const std::string file = platform::LibraryFileName(baseName);
    const std::string path = m_folder + platform::kPathSeparator + file;
    const std::string where = file + " in " + m_folder;
    auto fail = [&](std::string sentence) {
        m_findings.push_back({file, false, std::move(sentence)});
    };

    if (!platform::PathExists(path.c_str())) {
        fail(file + " is not in " + m_folder +
             ". Copy Dosewright into the host's program folder, beside the host's DLLs.");
        return;
    }
    const int width = LibraryFileWidth(path.c_str());
    if (width != 0 && width != kProgramBits) {
        const std::string bits = std::to_string(width);
        fail(where + " is a " + bits + "-bit library: use the " + bits +
             "-bit Dosewright (Dosewright-" + DOSEWRIGHT_VERSION_TEXT + "-win" + bits + ".zip).");
        return;
    }
    platform::LibraryLoader::Handle handle = m_loader.LoadFile(path.c_str());
    if (!handle) {
        fail(where + " cannot be loaded. Error Code:" + std::to_string(platform::LastErrorCode()));
        return;
    }
    std::string missing;
    for (std::size_t i = first; i < end; ++i) {
        const HostExport& entry = kHostExports[i];
        const bool found = entry.name
                               ? m_loader.FindEntryPoint(handle, entry.name) != nullptr
                               : m_loader.FindEntryPointByOrdinal(handle, entry.ordinal) != nullptr;
        if (!found) {
            missing += missing.empty() ? "" : ", ";
            missing += entry.name ? entry.name : "number " + std::to_string(entry.ordinal);
        }
    }
    if (!missing.empty()) {
        m_loader.Release(handle);
        fail(where + " has no function " + missing + ": this host version is not supported.");
        return;
    }
    m_loaded.push_back(handle);
    m_findings.push_back({file, true,
                          "loaded from " + m_folder + " (" + std::to_string(kProgramBits) +
                              "-bit), " + std::to_string(end - first) + " function(s)"});
}
