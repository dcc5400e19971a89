#include "repair/MedicationTextMemo.h"

#include <cstring>

namespace {

// What an element of a map costs besides its value: the node's link and
// cached hash, the allocation's own header, and a bucket.
constexpr std::size_t kElementCost = 32;
// A text key: the string in the node, and its characters on the heap once
// they are too many to be held in the string itself.
constexpr std::size_t kTextHeldInPlace = 15;
std::size_t TextKeyCost(const std::string& key) {
    return sizeof(std::string) + (key.size() > kTextHeldInPlace ? key.size() + 1 + 16 : 0);
}

template <typename Map, typename Key>
const typename Map::mapped_type* Find(const Map& map, const Key& key) {
    const auto found = map.find(key);
    return found == map.end() ? nullptr : &found->second;
}

} // namespace

void MedicationTextMemo::SetCapacity(std::size_t capacity) {
    Clear();
    m_capacity = capacity;
}

void MedicationTextMemo::Clear() {
    // Swapped with empty maps, so that the memory goes back as well.
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

void MedicationTextMemo::Key(std::initializer_list<std::string_view> texts, std::string& key) {
    key.clear();
    for (const std::string_view text : texts) {
        const auto length = static_cast<unsigned>(text.size());
        key += static_cast<char>(length & 0xFFu);
        key += static_cast<char>((length >> 8) & 0xFFu);
        key += text;
    }
}

const MedicationTextMemo::FormCode*
MedicationTextMemo::FindFormCode(const std::string& doseForm) const {
    return Find(m_formCodes, doseForm);
}

void MedicationTextMemo::RememberFormCode(const std::string& doseForm, const FormCode& formCode) {
    if (!m_formCodes.contains(doseForm) &&
        Charge(kElementCost + TextKeyCost(doseForm) + sizeof formCode))
        m_formCodes.emplace(doseForm, formCode);
}

const MedicationTextMemo::StrengthSplit*
MedicationTextMemo::FindSplit(const std::string& key) const {
    return Find(m_splits, key);
}

void MedicationTextMemo::RememberSplit(const std::string& key, const StrengthSplit& split) {
    if (!m_splits.contains(key) && Charge(kElementCost + TextKeyCost(key) + sizeof split))
        m_splits.emplace(key, split);
}

const int32_t* MedicationTextMemo::FindDrug(const std::string& key) const {
    return Find(m_drugs, key);
}

void MedicationTextMemo::RememberDrug(const std::string& key, int32_t drugId) {
    if (!m_drugs.contains(key) && Charge(kElementCost + TextKeyCost(key) + sizeof drugId))
        m_drugs.emplace(key, drugId);
}

const bool* MedicationTextMemo::FindNdc(int32_t drugId) const {
    return Find(m_ndc, drugId);
}

void MedicationTextMemo::RememberNdc(int32_t drugId, bool hasNdc) {
    if (!m_ndc.contains(drugId) && Charge(kElementCost + sizeof drugId + sizeof hasNdc))
        m_ndc.emplace(drugId, hasNdc);
}

const RxNormCandidateList* MedicationTextMemo::FindCandidates(int32_t drugId) const {
    return Find(m_candidates, drugId);
}

void MedicationTextMemo::RememberCandidates(int32_t drugId, const RxNormCandidateList& candidates) {
    const std::size_t cost = kElementCost + sizeof drugId + sizeof candidates +
                             (candidates.empty() ? 0 : 16 + candidates.size() * sizeof(_MRDRXN));
    if (!m_candidates.contains(drugId) && Charge(cost))
        m_candidates.emplace(drugId, candidates);
}

bool MedicationTextMemo::FindPatient(int32_t patientId, std::string_view& reference) const {
    const PatientReference* known = Find(m_patients, patientId);
    if (known == nullptr)
        return false;
    reference = std::string_view(known->text, known->length);
    return true;
}

void MedicationTextMemo::RememberPatient(int32_t patientId, std::string_view reference) {
    PatientReference kept;
    if (reference.size() > sizeof kept.text || m_patients.contains(patientId) ||
        !Charge(kElementCost + sizeof patientId + sizeof kept))
        return;
    kept.length = static_cast<unsigned char>(reference.size());
    std::memcpy(kept.text, reference.data(), reference.size());
    m_patients.emplace(patientId, kept);
}
