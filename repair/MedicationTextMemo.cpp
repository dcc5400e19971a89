#include "repair/MedicationTextMemo.h"

namespace {

// What a map's element costs besides its key's and value's own bytes: the
// node, its allocation and its share of the buckets.
constexpr std::size_t kElementOverhead = 96;

template <typename Map, typename Key>
const typename Map::mapped_type* Find(const Map& map, const Key& key) {
    const auto found = map.find(key);
    return found == map.end() ? nullptr : &found->second;
}

void AppendText(std::string& key, std::string_view text) {
    const auto length = static_cast<unsigned>(text.size());
    key += static_cast<char>(length & 0xFFu);
    key += static_cast<char>((length >> 8) & 0xFFu);
    key += text;
}

} // namespace

void MedicationTextMemo::SetCapacity(std::size_t capacity) {
    Clear();
    m_capacity = capacity;
}

void MedicationTextMemo::Clear() {
    // Swapped with empty maps, so that the memory goes back as well.
    decltype(m_texts)().swap(m_texts);
    decltype(m_formCodes)().swap(m_formCodes);
    decltype(m_splits)().swap(m_splits);
    decltype(m_drugs)().swap(m_drugs);
    decltype(m_ndc)().swap(m_ndc);
    decltype(m_candidates)().swap(m_candidates);
    decltype(m_patients)().swap(m_patients);
    m_used = 0;
}

bool MedicationTextMemo::Charge(std::size_t bytes) {
    if (bytes > m_capacity - m_used)
        return false;
    m_used += bytes;
    return true;
}

void MedicationTextMemo::TextsKey(std::string_view drugName, std::string_view route,
                                  std::string_view doseForm, std::string_view strength,
                                  std::string& key) {
    key.clear();
    AppendText(key, drugName);
    AppendText(key, route);
    AppendText(key, doseForm);
    AppendText(key, strength);
}

const MedicationTextMemo::TextsOutcome*
MedicationTextMemo::FindTexts(const std::string& key) const {
    return Find(m_texts, key);
}

void MedicationTextMemo::RememberTexts(const std::string& key, TextsOutcome outcome) {
    if (!m_texts.contains(key) && Charge(kElementOverhead + key.size() + sizeof outcome))
        m_texts.emplace(key, outcome);
}

const MedicationTextMemo::FormCode*
MedicationTextMemo::FindFormCode(const std::string& doseForm) const {
    return Find(m_formCodes, doseForm);
}

void MedicationTextMemo::RememberFormCode(const std::string& doseForm, const FormCode& formCode) {
    if (!m_formCodes.contains(doseForm) &&
        Charge(kElementOverhead + doseForm.size() + sizeof formCode))
        m_formCodes.emplace(doseForm, formCode);
}

const MedicationTextMemo::StrengthSplit*
MedicationTextMemo::FindSplit(const std::string& key) const {
    return Find(m_splits, key);
}

void MedicationTextMemo::RememberSplit(const std::string& key, const StrengthSplit& split) {
    if (!m_splits.contains(key) && Charge(kElementOverhead + key.size() + sizeof split))
        m_splits.emplace(key, split);
}

void MedicationTextMemo::DrugKey(std::string_view drugName, std::string_view formCode,
                                 std::string_view routeCode, std::string_view strength,
                                 std::string_view strengthUnit, std::string& key) {
    key.clear();
    AppendText(key, drugName);
    AppendText(key, formCode);
    AppendText(key, routeCode);
    AppendText(key, strength);
    AppendText(key, strengthUnit);
}

const int32_t* MedicationTextMemo::FindDrug(const std::string& key) const {
    return Find(m_drugs, key);
}

void MedicationTextMemo::RememberDrug(const std::string& key, int32_t drugId) {
    if (!m_drugs.contains(key) && Charge(kElementOverhead + key.size() + sizeof drugId))
        m_drugs.emplace(key, drugId);
}

const bool* MedicationTextMemo::FindNdc(int32_t drugId) const {
    return Find(m_ndc, drugId);
}

void MedicationTextMemo::RememberNdc(int32_t drugId, bool hasNdc) {
    if (!m_ndc.contains(drugId) && Charge(kElementOverhead))
        m_ndc.emplace(drugId, hasNdc);
}

const RxNormCandidateList* MedicationTextMemo::FindCandidates(int32_t drugId) const {
    return Find(m_candidates, drugId);
}

void MedicationTextMemo::RememberCandidates(int32_t drugId, const RxNormCandidateList& candidates) {
    if (!m_candidates.contains(drugId) &&
        Charge(kElementOverhead + candidates.size() * sizeof(_MRDRXN)))
        m_candidates.emplace(drugId, candidates);
}

const std::string* MedicationTextMemo::FindPatient(int32_t patientId) const {
    return Find(m_patients, patientId);
}

void MedicationTextMemo::RememberPatient(int32_t patientId, std::string_view reference) {
    if (!m_patients.contains(patientId) && Charge(kElementOverhead + reference.size()))
        m_patients.emplace(patientId, std::string(reference));
}
