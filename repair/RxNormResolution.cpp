// Choosing one RxNorm ID among several candidates of a drug, by term type.
#include <array>
#include <cstdio>
#include <cstring>

#include "app/DosewrightDlg.h"
#include "repair/RxNormChoice.h"

bool CDosewrightDlg::ResolveRxNorm(int32_t& affected, const RxNormCandidateList& list,
                                   _MRRX record, unsigned char reportOnly,
                                   int32_t resolutionCode) {
    char oldIdText[kMrrxRxNormId.width + 1];
    const std::string_view oldId = GetFieldText(RecordBytes(record), kMrrxRxNormId, oldIdText);

    ClearRxNorm(record);
    const RxNormChoice choice = ChooseRxNorm(list);
    if (choice.chosen)
        SetRxNorm(record, choice.rxNormId, choice.termType);

    if (choice.rxNormId == oldId)
        return true;

    if (reportOnly == 0) {
        const int32_t status =
            fsupdate(m_session.MedicationTable(), &record, static_cast<int32_t>(kMrrxRecordLength));
        if (status < 0) {
            char message[200] = {};
            std::snprintf(message, sizeof message,
                          "Failure updating MRRX99. Error Code:%d\nPlease contact Technical "
                          "Support for assistance.",
                          status);
            ShowFailureBoxThenStatus(message);
            return false;
        }
    }
    if (!WriteRunLines(record, oldIdText, reportOnly, resolutionCode))
        return false;
    ++affected;
    return true;
}
