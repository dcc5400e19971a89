// The texts of a medication's run lines, read from its record and the patient
// table, in buffers of their own.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "data/HostSession.h"
#include "data/MedicationRecord.h"
#include "data/PatientRecord.h"
#include "repair/RunJournalReader.h"
#include "repair/RunLogFormat.h"

// The patient reference of the medication's patient, or the empty text when the
// patient is not in the patient table or cannot be read. `failure` receives the
// record manager's error status when the table itself failed, else 0.
std::string_view PatientReference(TableHandle patientTable, int32_t patientId, std::span<char> text,
                                  int32_t& failure);

class MedicationTextMemo;

struct MedicationLineTexts {
    // With `patients`, a patient it knows is not looked up again, and one
    // looked up without a failure is remembered there.
    MedicationLineTexts(TableHandle patientTable, const _MRRX& record, int32_t resolutionCode,
                        MedicationTextMemo* patients = nullptr);
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

// The texts of a journaled change's lines, with the RxNorm IDs before and after
// the change: the medication's texts as MRRX99 holds them now, or as the run
// read it when it is gone from the table.
struct JournaledChangeTexts {
    JournaledChangeTexts(const HostSession& session, const JournalChange& change);

    _MRRX record; // the medication as the texts give it
    MedicationLineTexts texts;
    char oldRxNormId[sizeof JournalChange::oldRxNormId + 1] = {};
    char newRxNormId[sizeof JournalChange::newRxNormId + 1] = {};
};
