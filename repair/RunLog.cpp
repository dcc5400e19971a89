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
std::string_view PatientReference(TableHandle patientTable, int32_t patientId,
                                   std::span<char> text, int32_t& failure) {
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

} // namespace

bool CDosewrightDlg::WriteRunLines(const _MRRX& record, const char* oldRxNormId,
                                   unsigned char reportOnly, int32_t resolutionCode) {
    char patientRef[kMrptPatientRef.width + 1];
    char drugName[kMrrxDrugName.width + 1];
    char route[kMrrxRoute.width + 1];
    char doseForm[kMrrxDoseForm.width + 1];
    char rxNormId[kMrrxRxNormId.width + 1];
    char strength[kMrrxStrength.width + 1];
    char drugCode[kMrrxDrugCode.width + 1];

    const auto bytes = RecordBytes(record);
    RunLineValues values;
    values.entryId = record.entryId;
    values.resolutionCode = resolutionCode;
    values.patientId = record.patientId;
    int32_t patientFailure = 0;
    values.patientRef =
        PatientReference(m_session.PatientTable(), record.patientId, patientRef, patientFailure);
    values.drugName = GetFieldText(bytes, kMrrxDrugName, drugName);
    values.route = GetFieldText(bytes, kMrrxRoute, route);
    values.doseForm = GetFieldText(bytes, kMrrxDoseForm, doseForm);
    values.newRxNormId = GetFieldText(bytes, kMrrxRxNormId, rxNormId);
    values.oldRxNormId = oldRxNormId;
    values.strength = GetFieldText(bytes, kMrrxStrength, strength);
    values.drugCode = GetFieldText(bytes, kMrrxDrugCode, drugCode);

    RunLineBuffer csvLine;
    FormatCsvLine(values, csvLine);
    RunLineBuffer logLine;
    FormatLogSentence(values, reportOnly != 0, logLine);

    // Each affected medication's lines are on disk before the scan reads the next
    // record, so a run that dies leaves every change it made described.
    int error = 0;
    const RunFilesStatus written = m_runFiles.WriteLines(csvLine.view(), logLine.view(), error);
    if (written != RunFilesStatus::Ok) {
        ShowFailureBoxThenStatus(RunFileWriteFailure(written, error));
        return false;
    }
    if (patientFailure == 0)
        return true;
    // The change is described, without its patient. A patient table that fails
    // is not a patient that is missing: the run stops and says so rather than go
    // on naming no patient and end as if all went well.
    char message[kRunLineBufferSize] = {};
    std::snprintf(message, sizeof message,
                  "Failure reading the patient table. Error Code:%d\nPlease contact Technical "
                  "Support for assistance.",
                  patientFailure);
    ShowFailureBoxThenStatus(message);
    return false;
}
