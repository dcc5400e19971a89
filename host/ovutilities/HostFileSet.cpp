#include "ovutilities/HostFileSet.h"

#include "common/HostExport.h"
#include "common/HostFolder.h"
#include "ovutilities/MessageText.h"
#include "ovutilities/OVUtilities.h"
#include "storelink/StoreLinkStatus.h"

#include <cctype>

// The record manager's entry points, as it exports them.
extern "C" {
int32_t HOST_CALL fsopen(const char* tablePath, const char* mode, const char* firstCredential,
                         const char* secondCredential, const char* flag);
int32_t HOST_CALL fsclose(int32_t handle);
}

namespace ovutilities {
namespace {

constexpr std::size_t kLongestDataSet = 8;

// Mode and flag of every open of a host table: shared, for reading and writing.
constexpr const char* kOpenMode = "w";
constexpr const char* kOpenFlag = "s";

bool IsDataSetName(std::string_view dataSet) {
    if (dataSet.empty() || dataSet.size() > kLongestDataSet) {
        return false;
    }
    for (const char c : dataSet) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
    }
    return true;
}

std::string Reason(int32_t status) {
    switch (status) {
    case storelink::kErrFileNotFound:
        return "the table file does not exist";
    case storelink::kErrNotATable:
        return "the file is not a table file or is damaged";
    case storelink::kErrCredentials:
        return "the table refused the credentials";
    case storelink::kErrBusy:
        return "the table is locked by another program";
    case storelink::kErrReadOnly:
        return "the table file cannot be written";
    case storelink::kErrTooManyHandles:
        return "too many tables are open";
    default:
        return "the record manager could not open it";
    }
}

struct TableToOpen {
    const char* description;
    const char* stem;
};

// Opens one table; on failure returns the negative status and fills `message`.
int32_t OpenTable(const TableToOpen& table, const std::string& folder, std::string_view dataSet,
                  std::string& message) {
    const std::string name = std::string(table.stem) + std::string(dataSet);
    const std::string path = folder + name;
    if (path.size() + 1 > static_cast<std::size_t>(kDatabasePathSize)) {
        message = "Failure opening the " + std::string(table.description) + " " + name +
                  ": its path " + ElideMiddle(path, kQuotedPathLength) + " is too long (at most " +
                  std::to_string(kDatabasePathSize - 1) + " characters).";
        return storelink::kErrBadArgument;
    }
    const int32_t handle = fsopen(path.c_str(), kOpenMode, hostfolder::kFirstCredential,
                                  hostfolder::kSecondCredential, kOpenFlag);
    if (handle < 0) {
        message = "Failure opening the " + std::string(table.description) + " " + name + " (" +
                  ElideMiddle(path, kQuotedPathLength) + "): " + Reason(handle) +
                  ". Error Code:" + std::to_string(handle);
    }
    return handle;
}

} // namespace

std::string HostFileSet::Open(const std::string& folder, std::string_view dataSet) {
    Close();
    if (!IsDataSetName(dataSet)) {
        std::string message = "\"";
        message += ElideMiddle(dataSet, 40);
        message += "\" is not a data set: a data set is named by 1 to 8 letters or digits.";
        return message;
    }
    std::string message;
    const int32_t medications =
        OpenTable({"medication table", hostfolder::kMedicationTableStem}, folder, dataSet, message);
    if (medications < 0) {
        return message;
    }
    const int32_t patients =
        OpenTable({"patient table", hostfolder::kPatientTableStem}, folder, dataSet, message);
    if (patients < 0) {
        fsclose(medications);
        return message;
    }
    m_medications = medications;
    m_patients = patients;
    return {};
}

std::string HostFileSet::Close() {
    std::string message;
    for (int32_t* handle : {&m_medications, &m_patients}) {
        if (*handle >= 0) {
            const int32_t status = fsclose(*handle);
            if (status < 0 && message.empty()) {
                message = "Failure closing a table of the host file set. Error Code:" +
                          std::to_string(status);
            }
            *handle = -1;
        }
    }
    return message;
}

int32_t HostFileSet::Handle(int32_t hostTableNumber) const {
    switch (hostTableNumber) {
    case kMedicationTableNumber:
        return m_medications;
    case kPatientTableNumber:
        return m_patients;
    default:
        return -1;
    }
}

} // namespace ovutilities
