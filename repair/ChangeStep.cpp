#include "repair/ChangeStep.h"

#include "data/FormatText.h"
#include "data/HostSession.h"
#include "repair/MedicationUpdate.h"
#include "repair/RunJournal.h"
#include "repair/RunJournalScope.h"

namespace {

constexpr const char* kUpdateFailureFormat =
    "Failure updating MRRX99. Error Code:%d\nPlease contact Technical Support for assistance.";

} // namespace

void ChangeStep::ShowJournalFailure(const char* format, int errorCode) const {
    m_showFailure(JournalFailureText(m_databasePath, format, errorCode), FailureOrder::BoxFirst);
}

bool ChangeStep::Apply(const _MRRX& asRead, const _MRRX& changed, int32_t resolutionCode,
                       bool reportOnly, FailureOrder order, const std::function<bool()>& writeLines,
                       int32_t& affected) {
    // Written ahead: a run killed after the update leaves the change described.
    // A report's journal keeps it as a finding.
    if (m_journal && !m_journal->RecordChange(asRead, changed, resolutionCode)) {
        ShowJournalFailure(kJournalWriteFailure, m_journal->ErrorCode());
        return false;
    }
    if (!reportOnly) {
        const int32_t status = UpdateMedicationRecord(m_session.MedicationTable(), asRead, changed);
        if (status < 0) {
            m_showFailure(FormatText(kUpdateFailureFormat, status), order);
            return false;
        }
    }
    if (!writeLines())
        return false;
    ++affected;
    return true;
}
