// Opening and closing the host database: the host's own file set and the three
// drug reference tables.
#include <cstdio>

#include "app/DosewrightDlg.h"

namespace {

// Message buffer of the table opening.
constexpr int kOpenMessageSize = 500;

struct ReferenceTableOpening {
    ReferenceTable table;
    const char* failureFormat;
};

constexpr ReferenceTableOpening kReferenceTables[] = {
    {ReferenceTable::Drugs, "Failure opening MRDD99 table. Error Code:%d\nPlease contact "
                            "Technical Support for assistance."},
    {ReferenceTable::Ndcs, "Failure opening MRDNDC99 table. Error Code:%d\nPlease contact "
                           "Technical Support for assistance."},
    {ReferenceTable::RxNorms, "Failure opening MRDRXN99 table. Error Code:%d\nPlease contact "
                              "Technical Support for assistance."},
};

} // namespace

bool CDosewrightDlg::OpenDatabase(const char* dataSet, const char* databasePath, char* errorText) {
    if (!m_session.OpenFileSet(dataSet, errorText)) {
        ShowFailureBoxThenStatus(errorText);
        return false;
    }
    for (const ReferenceTableOpening& opening : kReferenceTables) {
        const TableHandle handle =
            m_session.OpenReferenceTable(opening.table, databasePath, dataSet);
        if (handle < 0) {
            char message[kOpenMessageSize] = {};
            std::snprintf(message, sizeof message, opening.failureFormat, handle);
            ShowFailureBoxThenStatus(message);
            return false;
        }
    }
    return true;
}

void CDosewrightDlg::CloseDatabase() {
    m_session.Close();
}
