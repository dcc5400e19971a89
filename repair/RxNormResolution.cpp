// Choosing one RxNorm ID among several candidates of a drug, by term type.
#include <array>
#include <cstring>

#include "app/DosewrightDlg.h"
#include "repair/RxNormChoice.h"

bool CDosewrightDlg::ResolveRxNorm(int32_t& affected, const RxNormCandidateList& list, _MRRX record,
                                   unsigned char reportOnly, int32_t resolutionCode) {
    const _MRRX asRead = record;
    char oldIdText[kMrrxRxNormId.width + 1];
    const std::string_view oldId = GetFieldText(RecordBytes(record), kMrrxRxNormId, oldIdText);

    ClearRxNorm(record);
    const RxNormChoice choice = ChooseRxNorm(list);
    if (choice.chosen)
        SetRxNorm(record, choice.rxNormId, choice.termType);

    if (choice.rxNormId == oldId)
        return true;

    return ApplyScanChange(asRead, record, oldIdText, reportOnly, resolutionCode, affected,
                           FailureOrder::BoxFirst);
}
