// Lookups in the drug dictionary MRDD99, the NDC table MRDNDC99 and the
// drug-to-RxNorm table MRDRXN99, one medication at a time. The lookups keep
// nothing: each positions the table, reads, and compares. The scan keeps their
// answers for the length of a run (MedicationTextMemo).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/DosewrightDlg.h"

namespace {

// Message buffer of the lookups.
constexpr int kLookupMessageSize = 200;

// Copies at most `maxLength` characters of `text` into a zero-filled field.
template <std::size_t N> void PutText(char (&field)[N], const char* text, std::size_t maxLength) {
    std::strncpy(field, text, maxLength < N ? maxLength : N - 1);
}

// A text field of a reference record as a C string: up to its first zero byte or
// its width. The caller's buffer has room for width + 1.
template <std::size_t N> const char* FieldText(const char (&field)[N], char (&out)[N + 1]) {
    std::memcpy(out, field, N);
    out[N] = '\0';
    return out;
}

// Reads a decimal number as the C library does: leading white space, an
// optional sign, digits up to the first other character; no digits reads as 0.
// Kept wide so that a number outside the 32-bit range never wraps onto a drug.
long long SourceIdNumber(const _MRDRXN& record) {
    char text[sizeof record.sourceId + 1];
    return std::strtoll(FieldText(record.sourceId, text), nullptr, 10);
}

// Positions a reference table on the key held in `record` and reads the record
// there into it; `readStatus` receives what the read returned. Only a positive
// status brings a record: after 0 the buffer still holds the search key, which
// must never be taken for a record that was read.
// False when a failure was shown: a negative status, or an empty table, which
// the repair cannot run without.
bool PositionAndRead(const CDosewrightDlg& dialog, TableHandle table, int32_t keyNumber,
                     void* record, int32_t recordLength, const char* tableName,
                     int32_t& readStatus) {
    char message[kLookupMessageSize] = {};
    int32_t status = fspos(table, keyNumber, record);
    if (status < 0) {
        std::snprintf(message, sizeof message,
                      "Failure positioning in the %s table. Error Code:%d\nPlease contact "
                      "Technical Support for assistance.",
                      tableName, status);
        dialog.ShowFailureBoxThenStatus(message);
        return false;
    }
    if (status == host::kStatusEmptyTable) {
        std::snprintf(message, sizeof message,
                      "You have an empty %s table and for this utility to run it requires the %s "
                      "table to contain data.\nPlease contact Technical Support for assistance.",
                      tableName, tableName);
        dialog.ShowFailureBoxThenStatus(message);
        return false;
    }
    status = readStatus = fsget(table, keyNumber, record, recordLength);
    if (status < 0) {
        std::snprintf(message, sizeof message,
                      "Failure reading the %s table. Error Code:%d\nPlease contact Technical "
                      "Support for assistance.",
                      tableName, status);
        dialog.ShowFailureBoxThenStatus(message);
        return false;
    }
    return true;
}

} // namespace

bool CDosewrightDlg::FindDrugId(int32_t& drugId, const char* drugName, const char* formCode,
                                const char* routeCode, const char* strength,
                                const char* strengthUnit) {
    drugId = NoDrugId;

    _MRDD record{};
    PutText(record.drugName, drugName, 30);
    PutText(record.formCode, formCode, 4);
    PutText(record.routeCode, routeCode, 2);
    PutText(record.strength, strength, 15);
    PutText(record.strengthUnit, strengthUnit, 10);

    int32_t readStatus = 0;
    if (!PositionAndRead(*this, m_session.DrugTable(), kMrddSearchKey, &record, kMrddRecordLength,
                         "MRDD99", readStatus))
        return false;
    if (readStatus == 0)
        return true;

    // Whole texts, case-sensitive; an input longer than its field never matches.
    char nameText[sizeof record.drugName + 1];
    char formText[sizeof record.formCode + 1];
    char routeText[sizeof record.routeCode + 1];
    char strengthText[sizeof record.strength + 1];
    char unitText[sizeof record.strengthUnit + 1];
    if (std::strcmp(FieldText(record.drugName, nameText), drugName) != 0 ||
        std::strcmp(FieldText(record.formCode, formText), formCode) != 0 ||
        std::strcmp(FieldText(record.routeCode, routeText), routeCode) != 0 ||
        std::strcmp(FieldText(record.strength, strengthText), strength) != 0 ||
        std::strcmp(FieldText(record.strengthUnit, unitText), strengthUnit) != 0)
        return true;

    drugId = record.drugId;
    return true;
}

bool CDosewrightDlg::DrugHasNdc(int32_t drugId, bool& failed) {
    _MRDNDC record{};
    record.drugId = drugId;

    int32_t readStatus = 0;
    if (!PositionAndRead(*this, m_session.NdcTable(), kMrdndcSearchKey, &record,
                         kMrdndcRecordLength, "MRDNDC99", readStatus)) {
        failed = true;
        return false;
    }
    return readStatus > 0 && record.drugId == drugId;
}

bool CDosewrightDlg::GetDrugRxNormList(int32_t drugId, RxNormCandidateList& list) {
    _MRDRXN record{};
    record.sourceKind = kSourceKindDrug;
    std::snprintf(record.sourceId, sizeof record.sourceId, "%d", drugId);

    int32_t status = 0;
    if (!PositionAndRead(*this, m_session.RxNormTable(), kMrdrxnSearchKey, &record,
                         kMrdrxnRecordLength, "MRDRXN99", status))
        return false;

    while (status > 0 && SourceIdNumber(record) == drugId && record.sourceKind == kSourceKindDrug) {
        list.push_back(record);
        status = fsgetn(m_session.RxNormTable(), kMrdrxnSearchKey, &record, kMrdrxnRecordLength);
        if (status == host::kStatusEndOfFile)
            return true;
        if (status < 0) {
            char message[kLookupMessageSize] = {};
            std::snprintf(message, sizeof message,
                          "Failure reading the next record in MRDRXN99 table. Error Code:%d\n"
                          "Please contact Technical Support for assistance.",
                          status);
            ShowFailureBoxThenStatus(message);
            return false;
        }
    }
    return true;
}
