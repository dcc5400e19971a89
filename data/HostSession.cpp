#include "data/HostSession.h"

#include <cstdio>
#include <initializer_list>

#include "data/HostLibraries.h"
#include "platform/GuardedCall.h"

namespace {

const char* TableStem(ReferenceTable table) {
    switch (table) {
    case ReferenceTable::Drugs:
        return "MRDD";
    case ReferenceTable::Ndcs:
        return "MRDNDC";
    case ReferenceTable::RxNorms:
        break;
    }
    return "MRDRXN";
}

} // namespace

bool AskDatabaseFolder(char* databaseFolder, char* errorText) {
    const bool answered =
        platform::CallGuarded([&] { PR_Get_Database_Path(databaseFolder, errorText); });
    databaseFolder[host::kDatabasePathSize - 1] = '\0';
    errorText[host::kErrorTextSize - 1] = '\0';
    return answered;
}

HostSession::~HostSession() {
    Close();
}

void HostSession::Begin() {
    m_bDbFilesOpen = true;
    m_hMRDRXN99 = m_hMRDNDC99 = m_hMRDD99 = -1;
}

bool HostSession::OpenFileSet(const char* dataSet, char* errorText) {
    if (OV_OpenDBFiles(errorText, "", dataSet) == host::kHostCallFailed)
        return false;
    if (OVAppLogic_Ordinal244(host::kDataSet, errorText) == host::kHostCallFailed)
        return false;
    OV_UtilGetDBFiles(errorText);
    m_bDbFilesOpen = true;

    m_hMrrx = OV_GetDBfp(host::kHostTableMedications);
    m_hPatientTable = OV_GetDBfp(host::kHostTablePatients);
    return true;
}

TableHandle HostSession::OpenReferenceTable(ReferenceTable table, const char* databasePath,
                                            const char* dataSet) {
    TableHandle& handle = HandleOf(table);
    char path[host::kDatabasePathSize] = {};
    const int length =
        std::snprintf(path, sizeof path, "%s%s%s", databasePath, TableStem(table), dataSet);
    if (length < 0 || length >= static_cast<int>(sizeof path)) {
        // The folder was accepted at start-up with room for every name the
        // utility appends; a longer data-set suffix is refused, never cut.
        handle = kPathDoesNotFit;
    } else {
        handle = fsopen(path, host::kOpenMode, host::kFirstCredential, host::kSecondCredential,
                        host::kOpenFlag);
    }
    return handle;
}

void HostSession::Close() {
    char errorText[host::kErrorTextSize] = {};
    if (m_bDbFilesOpen)
        OV_CloseDBFiles(errorText);
    m_bDbFilesOpen = false;
    for (TableHandle* handle : {&m_hMRDD99, &m_hMRDNDC99, &m_hMRDRXN99}) {
        if (*handle >= 0)
            fsclose(*handle);
        *handle = -1;
    }
}

TableHandle& HostSession::HandleOf(ReferenceTable table) {
    switch (table) {
    case ReferenceTable::Drugs:
        return m_hMRDD99;
    case ReferenceTable::Ndcs:
        return m_hMRDNDC99;
    case ReferenceTable::RxNorms:
        break;
    }
    return m_hMRDRXN99;
}
