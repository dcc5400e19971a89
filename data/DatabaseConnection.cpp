// Opening and closing the host database: the host's own file set and the three
// drug reference tables.
#include <cstdio>
#include <cstring>

#include "app/DosewrightDlg.h"

namespace {

// Message buffer of the table opening.
constexpr int kOpenMessageSize = 500;

struct ReferenceTable {
    const char* stem;
    const char* failureFormat;
};

constexpr ReferenceTable kMrdd{
    "MRDD",
    "Failure opening MRDD99 table. Error Code:%d\nPlease contact Technical Support for assistance."};
constexpr ReferenceTable kMrdndc{
    "MRDNDC", "Failure opening MRDNDC99 table. Error Code:%d\nPlease contact Technical Support "
              "for assistance."};
constexpr ReferenceTable kMrdrxn{
    "MRDRXN", "Failure opening MRDRXN99 table. Error Code:%d\nPlease contact Technical Support "
              "for assistance."};

} // namespace

bool CDosewrightDlg::OpenDatabase(const char* dataSet, const char* databasePath, char* errorText) {
    if (OV_OpenDBFiles(errorText, "", dataSet) == host::kHostCallFailed) {
        ShowFailureBoxThenStatus(errorText);
        return false;
    }
    if (OVAppLogic_Ordinal244(host::kDataSet, errorText) == host::kHostCallFailed) {
        ShowFailureBoxThenStatus(errorText);
        return false;
    }
    OV_UtilGetDBFiles(errorText);
    m_bDbFilesOpen = true;

    m_hMrrx = OV_GetDBfp(host::kHostTableMedications);
    m_hPatientTable = OV_GetDBfp(host::kHostTablePatients);

    auto openTable = [&](const ReferenceTable& table, TableHandle& handle) {
        char path[host::kDatabasePathSize] = {};
        const int length = std::snprintf(path, sizeof path, "%s%s%s", databasePath, table.stem,
                                         dataSet);
        if (length < 0 || length >= static_cast<int>(sizeof path)) {
            // The folder was accepted at start-up with room for every name the
            // utility appends; a longer data-set suffix is refused, never cut.
            handle = kPathDoesNotFit;
        } else {
            handle = fsopen(path, host::kOpenMode, host::kFirstCredential,
                            host::kSecondCredential, host::kOpenFlag);
        }
        if (handle < 0) {
            char message[kOpenMessageSize] = {};
            std::snprintf(message, sizeof message, table.failureFormat, handle);
            ShowFailureBoxThenStatus(message);
            return false;
        }
        return true;
    };

    return openTable(kMrdd, m_hMRDD99) && openTable(kMrdndc, m_hMRDNDC99) &&
           openTable(kMrdrxn, m_hMRDRXN99);
}

void CDosewrightDlg::CloseDatabase() {
    char errorText[host::kErrorTextSize] = {};
    if (m_bDbFilesOpen)
        OV_CloseDBFiles(errorText);
    m_bDbFilesOpen = false;
    // Closed handles are forgotten, so that closing twice can never close a
    // handle the record manager has handed out again since.
    for (TableHandle* handle : {&m_hMRDD99, &m_hMRDNDC99, &m_hMRDRXN99}) {
        if (*handle >= 0)
            fsclose(*handle);
        *handle = -1;
    }
}
