#include "repair/MedicationLineTexts.h"

#include "data/HostLibraries.h"
#include "data/RecordField.h"
#include "repair/MedicationTextMemo.h"
#include "repair/MedicationUpdate.h"

#include <cstring>

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

MedicationLineTexts::MedicationLineTexts(TableHandle patientTable, const _MRRX& record,
                                         int32_t resolutionCode, MedicationTextMemo* patients) {
    const auto bytes = RecordBytes(record);
    values.entryId = record.entryId;
    values.resolutionCode = resolutionCode;
    values.patientId = record.patientId;
    std::string_view known;
    if (patients != nullptr && patients->FindPatient(record.patientId, known)) {
        // Read from this same buffer's width before, so it fits.
        std::memcpy(patientRef, known.data(), known.size());
        patientRef[known.size()] = '\0';
        values.patientRef = std::string_view(patientRef, known.size());
    } else {
        values.patientRef =
            PatientReference(patientTable, record.patientId, patientRef, patientFailure);
        if (patients != nullptr && patientFailure == 0)
            patients->RememberPatient(record.patientId, values.patientRef);
    }
    values.drugName = GetFieldText(bytes, kMrrxDrugName, drugName);
    values.route = GetFieldText(bytes, kMrrxRoute, route);
    values.doseForm = GetFieldText(bytes, kMrrxDoseForm, doseForm);
    values.newRxNormId = GetFieldText(bytes, kMrrxRxNormId, rxNormId);
    values.strength = GetFieldText(bytes, kMrrxStrength, strength);
    values.drugCode = GetFieldText(bytes, kMrrxDrugCode, drugCode);
}

namespace {

_MRRX CurrentRecord(const HostSession& session, const JournalChange& change) {
    _MRRX record{};
    if (FindMedicationRecord(session.MedicationTable(), change.entryId, change.asRead.patientId,
                             record) <= 0)
        record = change.asRead;
    return record;
}

} // namespace

JournaledChangeTexts::JournaledChangeTexts(const HostSession& session, const JournalChange& change)
    : record(CurrentRecord(session, change)),
      texts(session.PatientTable(), record, change.resolutionCode) {
    texts.values.oldRxNormId = GetFieldText(std::as_bytes(std::span(change.oldRxNormId)), 0,
                                            sizeof oldRxNormId - 1, oldRxNormId);
    texts.values.newRxNormId = GetFieldText(std::as_bytes(std::span(change.newRxNormId)), 0,
                                            sizeof newRxNormId - 1, newRxNormId);
}
