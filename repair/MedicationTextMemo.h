// What one run has learned from the host, so that the run asks each question
// once, whichever medication asks it: the form code of a dose form, the
// drug-knowledge library's split of a strength for a drug name and codes, the
// drug that the dictionary's search texts find (texts that differ in letter
// case or spelling often come to the same), whether a drug has an NDC record,
// a drug's RxNorm candidates and a patient's reference. Only answers are kept,
// never a failed call: a call that fails is made again by the next medication
// that needs it.
//
// The memory it holds is bounded. Each answer is charged what it takes (its
// element of the map, its key and value, its share of the buckets); once the
// next one would go past the capacity nothing new is kept, and what was kept
// still answers. A capacity of 0 keeps nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "data/DrugRecords.h"
#include "data/PatientRecord.h"
#include "repair/DrugTextSizes.h"

class MedicationTextMemo {
public:
    // Together with the rest of a run, under 64 MiB.
    static constexpr std::size_t kDefaultCapacity = std::size_t{20} << 20;

    // What the drug-knowledge library answers for a dose form.
    struct FormCode {
        bool found = false;
        char code[kFormCodeBufferSize] = {};
    };

    // What SplitStrengthByCodes gave for a drug name, codes and strength text.
    struct StrengthSplit {
        int result = 0;
        char value[kStrengthValueBufferSize] = {};
        char unit[kStrengthUnitBufferSize] = {};
    };

    explicit MedicationTextMemo(std::size_t capacity = kDefaultCapacity) : m_capacity(capacity) {}
    MedicationTextMemo(const MedicationTextMemo&) = delete;
    MedicationTextMemo& operator=(const MedicationTextMemo&) = delete;

    // Forgets everything and keeps at most `capacity` bytes from now on.
    void SetCapacity(std::size_t capacity);
    std::size_t Capacity() const { return m_capacity; }
    // The bytes charged for what is kept.
    std::size_t Used() const { return m_used; }
    // Forgets everything: what a run learned is not trusted by the next one.
    void Clear();

    // A key of texts: each whole text, its length first, so that no two
    // different lists of texts share a key.
    static void Key(std::initializer_list<std::string_view> texts, std::string& key);

    // The form code of `doseForm`, as LookupFormCode answers; asks it once.
    // The answer stays valid until the next call.
    const FormCode& FormCodeOf(std::string_view doseForm);
    // SplitStrengthByCodes's answer for the drug name, codes and strength
    // text; asks it once. The outputs are kStrengthValueBufferSize and
    // kStrengthUnitBufferSize bytes.
    int SplitOf(std::string_view drugName, const char* formCode, const char* routeCode,
                std::string_view strengthText, std::span<char> strengthValue,
                std::span<char> strengthUnit);
    // The drug of the dictionary's five search texts (NoDrugId when none
    // matches), from `lookUp` the first time; false, nothing kept, when
    // `lookUp` failed.
    bool DrugOf(std::string_view drugName, std::string_view formCode, std::string_view routeCode,
                std::string_view strength, std::string_view strengthUnit,
                const std::function<bool(int32_t& drugId)>& lookUp, int32_t& drugId);

    // Null when not known.
    const bool* FindNdc(int32_t drugId) const;
    void RememberNdc(int32_t drugId, bool hasNdc);

    const RxNormCandidateList* FindCandidates(int32_t drugId) const;
    void RememberCandidates(int32_t drugId, const RxNormCandidateList& candidates);

    // The patient's reference (the empty text for a patient the table does
    // not hold); false when not known.
    bool FindPatient(int32_t patientId, std::string_view& reference) const;
    void RememberPatient(int32_t patientId, std::string_view reference);

private:
    struct PatientReference {
        unsigned char length = 0;
        char text[kMrptPatientRef.width] = {};
    };

    // Charges `bytes` when they fit; false, nothing charged, when they do not.
    bool Charge(std::size_t bytes);

    std::string m_key;   // the key being looked up, its buffer reused
    FormCode m_formCode; // a form code there is no room to keep

    std::size_t m_capacity;
    std::size_t m_used = 0;
    std::unordered_map<std::string, FormCode> m_formCodes;
    std::unordered_map<std::string, StrengthSplit> m_splits;
    std::unordered_map<std::string, int32_t> m_drugs;
    std::unordered_map<int32_t, bool> m_ndc;
    std::unordered_map<int32_t, RxNormCandidateList> m_candidates;
    std::unordered_map<int32_t, PatientReference> m_patients;
};
