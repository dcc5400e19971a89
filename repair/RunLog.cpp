// The run log Dosewright.log and the CSV report Dosewright.csv: one sentence and
// one line for every medication whose RxNorm ID a scan changes or would change.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "app/DosewrightDlg.h"
#include "data/PatientRecord.h"
#include "repair/RunLogFormat.h"

namespace {

// The patient reference of the medication's patient, or the empty text when the
// patient is not in the patient table or cannot be read. `failure` receives the
// record manager's error status when the table itself failed, else 0.
std::string_view PatientReference(TableHandle patientTable, int32_t patientId, std::span<char> text,
                                  int32_t& failure) {
    failure = 0;
    _MRPT patient{};
    patient.patientId = patientId;
    const int32_t found = fspos(patientTable, kMrptPatientKey, &patient);
    if (found != host::kStatusExactMatch) {
        failure = found < 0 ? found : 0;
        return {};
    }
    const int32_t read =
        fsget(patientTable, kMrptPatientKey, &patient, static_cast<int32_t>(kMrptRecordLength));
    if (read <= 0) {
        failure = read < 0 ? read : 0;
        return {};
    }
    return GetFieldText(RecordBytes(patient), kMrptPatientRef, text);
}

// The texts of a medication's lines, read from its record and the patient table.
struct MedicationLineTexts {
    MedicationLineTexts(TableHandle patientTable, const _MRRX& record, int32_t resolutionCode) {
        const auto bytes = RecordBytes(record);
        values.entryId = record.entryId;
        values.resolutionCode = resolutionCode;
        values.patientId = record.patientId;
        values.patientRef =
            PatientReference(patientTable, record.patientId, patientRef, patientFailure);
        values.drugName = GetFieldText(bytes, kMrrxDrugName, drugName);
        values.route = GetFieldText(bytes, kMrrxRoute, route);
        values.doseForm = GetFieldText(bytes, kMrrxDoseForm, doseForm);
        values.newRxNormId = GetFieldText(bytes, kMrrxRxNormId, rxNormId);
        values.strength = GetFieldText(bytes, kMrrxStrength, strength);
        values.drugCode = GetFieldText(bytes, kMrrxDrugCode, drugCode);
    }
    MedicationLineTexts(const MedicationLineTexts&) = delete;
    MedicationLineTexts& operator=(const MedicationLineTexts&) = delete;

    RunLineValues values; // its texts live in the buffers below
    int32_t patientFailure = 0;
    char patientRef[kMrptPatientRef.width + 1];
    char drugName[kMrrxDrugName.width + 1];
    char route[kMrrxRoute.width + 1];
    char doseForm[kMrrxDoseForm.width + 1];
    char rxNormId[kMrrxRxNormId.width + 1];
    char strength[kMrrxStrength.width + 1];
    char drugCode[kMrrxDrugCode.width + 1];
};

} // namespace

bool CDosewrightDlg::WriteRunLines(const _MRRX& record, const char* oldRxNormId,
                                   unsigned char reportOnly, int32_t resolutionCode) {
    MedicationLineTexts texts(m_session.PatientTable(), record, resolutionCode);
    texts.values.oldRxNormId = oldRxNormId;
    RunLineBuffer csvLine;
    FormatCsvLine(texts.values, csvLine);
    RunLineBuffer logLine;
    FormatLogSentence(texts.values, reportOnly != 0, logLine);
    return WriteFormattedLines(csvLine.view(), logLine, texts.patientFailure);
}

bool CDosewrightDlg::WriteUndoLines(const _MRRX& restored, const char* replacedRxNormId,
                                    int32_t resolutionCode) {
    MedicationLineTexts texts(m_session.PatientTable(), restored, resolutionCode);
    texts.values.oldRxNormId = replacedRxNormId;
    RunLineBuffer csvLine;
    FormatCsvLine(texts.values, csvLine);
    RunLineBuffer logLine;
    FormatUndoLogSentence(texts.values, logLine);
    return WriteFormattedLines(csvLine.view(), logLine, texts.patientFailure);
}

bool CDosewrightDlg::WriteLeftAloneLine(const _MRRX& record, const char* fromRxNormId,
                                        const char* toRxNormId, std::string_view reason,
                                        bool undoing) {
    MedicationLineTexts texts(m_session.PatientTable(), record, 0);
    texts.values.oldRxNormId = fromRxNormId;
    texts.values.newRxNormId = toRxNormId;
    RunLineBuffer logLine;
    FormatLeftAloneSentence(texts.values, reason, undoing, logLine);
    // No CSV line: an empty text that still has an address (the file writes
    // are never handed a null pointer).
    return WriteFormattedLines(std::string_view(""), logLine, texts.patientFailure);
}

bool CDosewrightDlg::WriteRunNote(std::string_view sentence) {
    RunLineBuffer logLine;
    FormatRunNote(sentence, logLine);
    return WriteFormattedLines(std::string_view(""), logLine, 0);
}

bool CDosewrightDlg::WriteFormattedLines(std::string_view csvLine, const RunLineBuffer& logLine,
                                         int32_t patientFailure) {
    // Each affected medication's lines are on disk before the scan reads the next
    // record, so a run that dies leaves every change it made described.
    int error = 0;
    const RunFilesStatus written = m_runFiles.WriteLines(csvLine, logLine.view(), error);
    if (written != RunFilesStatus::Ok) {
        ShowFailureBoxThenStatus(RunFileWriteFailure(written, error));
        return false;
    }
    // The change is described without its patient and the scan goes on: one
    // damaged patient record must not stop every repair at the same medication.
    if (patientFailure != 0)
        ++m_patientLookupFailures;
    return true;
}
