// Lookups in the drug dictionary MRDD99, the NDC table MRDNDC99 and the
// drug-to-RxNorm table MRDRXN99, one medication at a time. Nothing is cached:
// each lookup positions the table, reads, and compares.
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

    char message[kLookupMessageSize] = {};
    int32_t status = fspos(m_hMRDD99, kMrddSearchKey, &record);
    if (status < 0) {
        std::snprintf(message, sizeof message,
                      "Failure positioning in the MRDD99 table. Error Code:%d\nPlease contact "
                      "Technical Support for assistance.",
                      status);
        ShowFailureBoxThenStatus(message);
        return false;
    }
    if (status == host::kStatusEmptyTable) {
        ShowFailureBoxThenStatus("You have an empty MRDD99 table and for this utility to run it "
                                 "requires the MRDD99 table to contain data.\nPlease contact "
                                 "Technical Support for assistance.");
        return false;
    }
    status = fsget(m_hMRDD99, kMrddSearchKey, &record, kMrddRecordLength);
    if (status < 0) {
        std::snprintf(message, sizeof message,
                      "Failure reading the MRDD99 table. Error Code:%d\nPlease contact Technical "
                      "Support for assistance.",
                      status);
        ShowFailureBoxThenStatus(message);
        return false;
    }

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

    char message[kLookupMessageSize] = {};
    int32_t status = fspos(m_hMRDNDC99, kMrdndcSearchKey, &record);
    if (status < 0) {
        failed = true;
        std::snprintf(message, sizeof message,
                      "Failure positioning in the MRDNDC99 table. Error Code:%d\nPlease contact "
                      "Technical Support for assistance.",
                      status);
        ShowFailureBoxThenStatus(message);
        return false;
    }
    if (status == host::kStatusEmptyTable) {
        failed = true;
        ShowFailureBoxThenStatus("You have an empty MRDNDC99 table and for this utility to run "
                                 "it requires the MRDNDC99 table to contain data.\nPlease contact "
                                 "Technical Support for assistance.");
        return false;
    }
    status = fsget(m_hMRDNDC99, kMrdndcSearchKey, &record, kMrdndcRecordLength);
    if (status < 0) {
        failed = true;
        std::snprintf(message, sizeof message,
                      "Failure reading the MRDNDC99 table. Error Code:%d\nPlease contact "
                      "Technical Support for assistance.",
                      status);
        ShowFailureBoxThenStatus(message);
        return false;
    }
    return record.drugId == drugId;
}

bool CDosewrightDlg::GetDrugRxNormList(int32_t drugId, RxNormCandidateList& list) {
    _MRDRXN record{};
    record.sourceKind = kSourceKindDrug;
    std::snprintf(record.sourceId, sizeof record.sourceId, "%d", drugId);

    char message[kLookupMessageSize] = {};
    int32_t status = fspos(m_hMRDRXN99, kMrdrxnSearchKey, &record);
    if (status < 0) {
        std::snprintf(message, sizeof message,
                      "Failure positioning in the MRDRXN99 table. Error Code:%d\nPlease contact "
                      "Technical Support for assistance.",
                      status);
        ShowFailureBoxThenStatus(message);
        return false;
    }
    if (status == host::kStatusEmptyTable) {
        ShowFailureBoxThenStatus("You have an empty MRDRXN99 table and for this utility to run "
                                 "it requires the MRDRXN99 table to contain data.\nPlease contact "
                                 "Technical Support for assistance.");
        return false;
    }
    status = fsget(m_hMRDRXN99, kMrdrxnSearchKey, &record, kMrdrxnRecordLength);
    if (status < 0) {
        std::snprintf(message, sizeof message,
                      "Failure reading the MRDRXN99 table. Error Code:%d\nPlease contact "
                      "Technical Support for assistance.",
                      status);
        ShowFailureBoxThenStatus(message);
        return false;
    }

    while (status > 0 && SourceIdNumber(record) == drugId &&
           record.sourceKind == kSourceKindDrug) {
        list.push_back(record);
        status = fsgetn(m_hMRDRXN99, kMrdrxnSearchKey, &record, kMrdrxnRecordLength);
        if (status == host::kStatusEndOfFile)
            return true;
        if (status < 0) {
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
