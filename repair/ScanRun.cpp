// The scan behind both action buttons: one pass over MRRX99 in key-7 order that
// settles every medication's RxNorm ID, in repair mode or report mode.
#include <cstring>
#include <string>

#include "app/DosewrightDlg.h"
#include "data/FormatText.h"
#include "platform/DialogWindow.h"
#include "platform/FileSystem.h"
#include "repair/DrugKnowledge.h"
#include "repair/DrugTextSizes.h"
#include "repair/MedicationTextMemo.h"
#include "repair/RouteCodeTable.h"
#include "repair/RunJournal.h"
#include "repair/RunJournalScope.h"
#include "repair/WaitCursor.h"

namespace {

// Resolution codes written to the run lines when no drug ID applies.
constexpr int32_t kResolutionNoDrug = -1;
constexpr int32_t kResolutionNotDescribable = -2;

// What a scan learned is forgotten when it ends, however it ends: the next run
// asks the host again.
class ForgetAtEnd {
public:
    explicit ForgetAtEnd(MedicationTextMemo& memo) : m_memo(memo) { m_memo.Clear(); }
    ~ForgetAtEnd() { m_memo.Clear(); }
    ForgetAtEnd(const ForgetAtEnd&) = delete;
    ForgetAtEnd& operator=(const ForgetAtEnd&) = delete;

private:
    MedicationTextMemo& m_memo;
};

} // namespace

bool CDosewrightDlg::OpenRunFiles(unsigned char reportOnly) {
    switch (m_runFiles.Open(m_szDbPath, reportOnly != 0 ? RunMode::Report : RunMode::Repair)) {
    case RunFilesStatus::Ok:
        return true;
    case RunFilesStatus::LogFailed:
        ShowFailureBoxThenStatus("Failure opening Dosewright.log file");
        return false;
    case RunFilesStatus::CsvFailed:
        ShowFailureBoxThenStatus("Failure opening Dosewright.csv file");
        return false;
    case RunFilesStatus::LockFailed:
        ShowFailureBoxThenStatus(RunLockFailure(m_szDbPath, platform::LastErrorCode()));
        return false;
    case RunFilesStatus::Busy:
        ShowFailureBoxThenStatus(kAnotherRunMessage);
        return false;
    }
    return false;
}

bool CDosewrightDlg::EndCompletedRun(RunJournal& runJournal, int32_t counted, int32_t changed) {
    // The run is over once its journal (a report keeps none) says so and is on
    // the disk.
    if (runJournal.IsOpen() && !runJournal.End(journal::Result::Completed, counted, changed, {})) {
        m_changeStep.ShowJournalFailure(kJournalWriteFailure, runJournal.ErrorCode());
        return false;
    }
    // A file that does not close may not hold every line the run wrote: the run
    // did not end well, and says so.
    int error = 0;
    const RunFilesStatus closed = m_runFiles.Close(error);
    if (closed != RunFilesStatus::Ok) {
        ShowFailureBoxThenStatus(RunFileWriteFailure(closed, error));
        return false;
    }
    return true;
}

bool CDosewrightDlg::ScanMedications(int32_t& examinedOut, int32_t& affectedOut,
                                     unsigned char reportOnly) {
    WaitCursor waitCursor(m_window);
    int32_t examined = 0;
    int32_t affected = 0;
    m_patientLookupFailures = 0;
    const ForgetAtEnd forgetAtEnd(m_textMemo);
    SetStatusText(kRunningText);

    if (!OpenRunFiles(reportOnly))
        return false;
    // A repair journals every change before it makes it; a report keeps what
    // it found in a journal of its own, for a later comparison.
    RunJournal runJournal;
    if (!runJournal.Begin(m_szDbPath,
                          reportOnly != 0 ? journal::Mode::Report : journal::Mode::Repair)) {
        m_changeStep.ShowJournalFailure(kJournalCreateFailure, runJournal.ErrorCode());
        return false;
    }
    RunJournalScope scanJournal(m_lastFailure, m_changeStep, runJournal);

    auto failStatusFirst = [&](const char* format, int32_t status) {
        ShowFailureStatusThenBox(FormatText(format, status));
        return false;
    };
    constexpr const char* kFirstReadFailure =
        "Failure reading first record of MRRX99. Error Code:%d\nPlease contact Technical "
        "Support for assistance.";

    int32_t status = fsgotof(m_session.MedicationTable(), kMrrxWalkKey);
    if (status < 0)
        return failStatusFirst(kFirstReadFailure, status);

    _MRRX record{};
    constexpr auto kRecordLength = static_cast<int32_t>(kMrrxRecordLength);
    status = fsgetn(m_session.MedicationTable(), kMrrxWalkKey, &record, kRecordLength);
    if (status < 0 && status != host::kStatusEndOfFile)
        return failStatusFirst(kFirstReadFailure, status);

    RxNormCandidateList candidates;
    while (status > 0) {
        ++examined;
        m_window.ScanProgress(examined);
        if (m_approvedRepair.IsActive())
            m_approvedRepair.NoteMedication(record);
        scanJournal.examined = examined;
        if (!SettleMedication(record, reportOnly, affected, candidates))
            return false;
        scanJournal.affected = affected;
        if (runJournal.IsOpen() && !runJournal.SyncStillSucceeds()) {
            m_changeStep.ShowJournalFailure(kJournalWriteFailure, runJournal.ErrorCode());
            return false;
        }

        status = fsgetn(m_session.MedicationTable(), kMrrxWalkKey, &record, kRecordLength);
        if (status < 0 && status != host::kStatusEndOfFile) {
            ShowFailureBoxThenStatus(
                FormatText("Failure to read next MRRX99 record. Error Code:%d\nPlease contact "
                           "Technical Support for assistance.",
                           status));
            return false;
        }
    }

    if (m_approvedRepair.IsActive()) {
        for (const std::string& sentence : m_approvedRepair.UnmadeSentences()) {
            if (!WriteRunNote(sentence))
                return false;
        }
    }
    if (!EndCompletedRun(runJournal, examined, affected))
        return false;
    examinedOut = examined;
    affectedOut = affected;
    return true;
}

bool CDosewrightDlg::SettleMedication(const _MRRX& record, unsigned char reportOnly,
                                      int32_t& affected, RxNormCandidateList& candidates) {
    char drugName[kDrugNameBufferSize] = {};
    char route[kRouteBufferSize] = {};
    char doseForm[kDoseFormBufferSize] = {};
    char rxNormId[kMrrxRxNormId.width + 1] = {};
    char strength[kStrengthTextBufferSize] = {};
    char drugCode[kMrrxDrugCode.width + 1] = {};
    const auto bytes = RecordBytes(record);
    const std::string_view drugNameText = GetFieldText(bytes, kMrrxDrugName, drugName);
    const std::string_view routeText = GetFieldText(bytes, kMrrxRoute, route);
    const std::string_view doseFormText = GetFieldText(bytes, kMrrxDoseForm, doseForm);
    const std::string_view rxNormIdText = GetFieldText(bytes, kMrrxRxNormId, rxNormId);
    const std::string_view strengthText = GetFieldText(bytes, kMrrxStrength, strength);
    const std::string_view drugCodeText = GetFieldText(bytes, kMrrxDrugCode, drugCode);

    if (rxNormIdText.empty() && drugCodeText.empty())
        return true;

    // A medication that cannot be used loses its ID, if it has one.
    auto clearRxNorm = [&](int32_t resolutionCode) {
        if (rxNormIdText.empty())
            return true;
        _MRRX changed = record;
        ClearRxNorm(changed);
        return ApplyScanChange(record, changed, rxNormId, reportOnly, resolutionCode, affected,
                               FailureOrder::StatusFirst);
    };

    // Medications with the same texts settle alike: each answer of the
    // drug-knowledge library and the drug dictionary is asked for once a run.
    char routeCode[kRouteCodeBufferSize] = {};
    char strengthValue[kStrengthValueBufferSize] = {};
    char strengthUnit[kStrengthUnitBufferSize] = {};
    const MedicationTextMemo::FormCode* formCode =
        drugNameText.empty() || routeText.empty() ? nullptr : &m_textMemo.FormCodeOf(doseFormText);
    const bool describable = formCode != nullptr && formCode->found &&
                             LookupRouteCode(routeText, routeCode) &&
                             m_textMemo.SplitOf(drugNameText, formCode->code, routeCode,
                                                strengthText, strengthValue, strengthUnit) == 1;
    if (!describable)
        return clearRxNorm(kResolutionNotDescribable);
    int32_t drugId = NoDrugId;
    if (!m_textMemo.DrugOf(
            drugName, formCode->code, routeCode, strengthValue, strengthUnit,
            [&](int32_t& found) {
                return FindDrugId(found, drugName, formCode->code, routeCode, strengthValue,
                                  strengthUnit);
            },
            drugId))
        return false;
    if (drugId == NoDrugId)
        return clearRxNorm(kResolutionNoDrug);

    // What is known of a drug serves every text that names it.
    const bool* knownNdc = m_textMemo.FindNdc(drugId);
    bool hasNdc = false;
    if (knownNdc != nullptr) {
        hasNdc = *knownNdc;
    } else {
        bool ndcFailed = false;
        hasNdc = DrugHasNdc(drugId, ndcFailed);
        if (ndcFailed)
            return false;
        m_textMemo.RememberNdc(drugId, hasNdc);
    }
    if (!hasNdc)
        return true;

    const RxNormCandidateList* knownCandidates = m_textMemo.FindCandidates(drugId);
    if (knownCandidates == nullptr) {
        candidates.clear();
        if (!GetDrugRxNormList(drugId, candidates))
            return false;
        m_textMemo.RememberCandidates(drugId, candidates);
        knownCandidates = &candidates;
    }
    const RxNormCandidateList& list = *knownCandidates;
    if (list.size() >= 2)
        return ResolveRxNorm(affected, list, record, reportOnly, drugId);
    if (list.empty())
        return true;

    const _MRDRXN& candidate = list.front();
    char candidateId[sizeof candidate.rxNormId + 1] = {};
    std::memcpy(candidateId, candidate.rxNormId, sizeof candidate.rxNormId);
    if (rxNormIdText == std::string_view(candidateId))
        return true;
    char candidateType[sizeof candidate.termType + 1] = {};
    std::memcpy(candidateType, candidate.termType, sizeof candidate.termType);
    _MRRX changed = record;
    SetRxNorm(changed, candidateId, candidateType);
    return ApplyScanChange(record, changed, rxNormId, reportOnly, drugId, affected,
                           FailureOrder::StatusFirst);
}

bool CDosewrightDlg::ApplyScanChange(const _MRRX& asRead, const _MRRX& changed,
                                     const char* oldRxNormId, unsigned char reportOnly,
                                     int32_t resolutionCode, int32_t& affected,
                                     FailureOrder order) {
    if (m_approvedRepair.IsActive() && reportOnly == 0) {
        std::string reason;
        switch (m_approvedRepair.Judge(asRead, changed, reason)) {
        case ApprovedRepair::Verdict::NotListed:
            return true;
        case ApprovedRepair::Verdict::Differs: {
            char newRxNormId[kMrrxRxNormId.width + 1] = {};
            GetFieldText(RecordBytes(changed), kMrrxRxNormId, newRxNormId);
            return WriteLeftAloneLine(asRead, oldRxNormId, newRxNormId, reason, false);
        }
        case ApprovedRepair::Verdict::Approved:
            break;
        }
    }
    return m_changeStep.Apply(
        asRead, changed, resolutionCode, reportOnly != 0, order,
        [&] { return WriteRunLines(changed, oldRxNormId, reportOnly, resolutionCode); }, affected);
}
