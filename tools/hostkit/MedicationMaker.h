// Makes the medication records of a generated practice, one at a time, spread
// over every outcome of a scan: right, wrong and missing RxNorm IDs, medications
// with neither an ID nor a drug code, medications whose drug the dictionary does
// not file, and medications whose texts cannot be turned into its keys.
#pragma once

#include "GeneratedDrugs.h"
#include "PracticeCatalog.h"
#include "RandomStream.h"
#include "RecordBuffer.h"

#include <string>

namespace hostkit {

class MedicationMaker {
public:
    MedicationMaker(const TableLayout& medicationLayout, const GeneratedDrugs& drugs,
                    VocabularyIndex vocabulary);

    // Fills `record` with one medication. Returns whether a scan changes its
    // RxNorm ID (a report lists it, a repair rewrites it).
    bool Make(RandomStream& random, int32_t entryId, int32_t patientId, RecordBuffer& record);

    // The texts of one medication; kept between medications so that their
    // buffers are reused.
    struct Texts {
        std::string drugName;
        std::string strength;
        std::string doseForm;
        std::string route;
        std::string drugCode;
        std::string rxNormId;
        std::string_view termType;
    };
    // The texts Make gave the last medication.
    const Texts& LastTexts() const { return m_texts; }
    // Fills `record` with another medication of the same texts.
    void Store(const Texts& texts, int32_t entryId, int32_t patientId, RecordBuffer& record) const;

private:
    enum class Situation {
        RightId,
        WrongId,
        NoIdButDrugCode,
        NoIdNoDrugCode,
        UnfiledDrug,
        Undescribable
    };

    const GeneratedDrug& PickDrug(RandomStream& random) const;
    // Texts that a scan turns into exactly the drug's dictionary keys.
    void Describe(RandomStream& random, const GeneratedDrug& drug);
    void PutStrengthText(RandomStream& random, std::string_view value, std::string_view unit);
    void VaryLetterCase(RandomStream& random, std::string& text) const;
    void PutDrugCode(const GeneratedDrug& drug);
    void PutOtherId(RandomStream& random, const GeneratedDrug& drug, const std::string& notThis);
    // Texts of a drug the dictionary does not file, with the drug's other keys.
    void MakeUnfiled(RandomStream& random, const GeneratedDrug& drug);
    void MakeUndescribable(RandomStream& random);
    std::string_view RouteNameOf(std::string_view routeCode) const;

    const GeneratedDrugs& m_drugs;
    VocabularyIndex m_vocabulary;
    const FieldLayout& m_entryId;
    const FieldLayout& m_patientId;
    const FieldLayout& m_drugName;
    const FieldLayout& m_strength;
    const FieldLayout& m_doseForm;
    const FieldLayout& m_route;
    const FieldLayout& m_drugCode;
    const FieldLayout& m_rxNormId;
    const FieldLayout& m_termType;
    std::vector<uint32_t> m_situationWeights;
    Texts m_texts;
    std::string m_chosenId; // the ID a scan gives the current medication's drug
};

} // namespace hostkit
