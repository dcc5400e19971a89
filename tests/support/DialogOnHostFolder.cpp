#include "support/DialogOnHostFolder.h"

#include "platform/LibraryLoader.h"
#include "resources/ResourceIds.h"
#include "storelink/StoreLinkStatus.h"
#include "support/HostFolder.h"
#include "support/ScopedEnvironment.h"

#include <fcntl.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace testsupport {
namespace {

constexpr const char* kDatabaseFolderVariable = "ORVALE_DB";

// Bytes of an MRRX99 record outside its named fields: 116 + 49 + 47 + 43 + 246 + 52 + 50.
constexpr int kMedicationOpaqueBytes = 603;

} // namespace

DialogOnHostFolder::DialogOnHostFolder(const std::filesystem::path& folder)
    : dialog(window, platform::SystemLibraryLoader()), m_folderPath(folder.string()) {
    if (m_folderPath.empty() || m_folderPath.back() != '/')
        m_folderPath += '/';
    if (m_folderPath.size() >= static_cast<std::size_t>(host::kDatabasePathSize))
        throw std::length_error(m_folderPath + ": too long for the database folder");
    if (const char* previous = std::getenv(kDatabaseFolderVariable))
        m_previousVariable = previous;
    SetVariable(kDatabaseFolderVariable, m_folderPath.c_str());

    dialog.PrepareContext();
    if (!dialog.AcceptDatabaseFolder(m_folderPath.c_str()))
        throw std::length_error(m_folderPath + ": refused as the database folder");
}

DialogOnHostFolder::~DialogOnHostFolder() {
    StoreLink_FailCall("*", 0, 0);
    if (!m_closed)
        dialog.CloseDatabase();
    if (m_previousVariable)
        SetVariable(kDatabaseFolderVariable, m_previousVariable->c_str());
    else
        UnsetVariable(kDatabaseFolderVariable);
}

bool DialogOnHostFolder::OpenDatabase(const char* dataSet) {
    std::memset(errorText, 0, sizeof errorText);
    return dialog.OpenDatabase(dataSet, m_folderPath.c_str(), errorText);
}

void DialogOnHostFolder::CloseDatabase() {
    if (m_closed)
        return;
    m_closed = true;
    dialog.CloseDatabase();
}

std::string DialogOnHostFolder::FileBytes(const char* name) const {
    const std::filesystem::path path = m_folderPath + name;
    return std::filesystem::exists(path) ? ReadFileBytes(path) : std::string();
}

int DialogOnHostFolder::HeldDescriptor(const char* name) const {
    const std::filesystem::path target = std::filesystem::weakly_canonical(m_folderPath + name);
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) == target && !error)
            return std::stoi(entry.path().filename().string());
    }
    return -1;
}

bool DialogOnHostFolder::RedirectOpenFile(const char* name, const char* device) const {
    const int held = HeldDescriptor(name);
    if (held < 0)
        return false;
    const int replacement = ::open(device, O_WRONLY);
    if (replacement < 0)
        return false;
    const bool redirected = ::dup2(replacement, held) == held;
    ::close(replacement);
    return redirected;
}

nlohmann::json MedicationJson(int32_t entryId, int32_t patientId, const MedicationTexts& texts) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string opaque;
    for (int i = 0; i < kMedicationOpaqueBytes; ++i) {
        const unsigned byte = 1 + static_cast<unsigned>(entryId * 31 + i * 7) % 250;
        opaque += kHex[byte >> 4];
        opaque += kHex[byte & 15];
    }
    return {{"entryId", entryId},         {"patientId", patientId},
            {"drugName", texts.drugName}, {"strength", texts.strength},
            {"doseForm", texts.doseForm}, {"route", texts.route},
            {"drugCode", texts.drugCode}, {"rxNormId", texts.rxNormId},
            {"termType", texts.termType}, {"opaque", opaque}};
}

} // namespace testsupport
