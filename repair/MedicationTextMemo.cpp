#include "repair/MedicationTextMemo.h"

#include "repair/DrugKnowledge.h"

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

const MedicationTextMemo::FormCode& MedicationTextMemo::FormCodeOf(std::string_view doseForm) {
    m_key.assign(doseForm);
    if (const FormCode* known = Find(m_formCodes, m_key))
        return *known;
    m_formCode.found = LookupFormCode(doseForm, m_formCode.code);
    if (Charge(kElementCost + TextKeyCost(m_key) + sizeof m_formCode))
        return m_formCodes.emplace(m_key, m_formCode).first->second;
    return m_formCode;
}

int MedicationTextMemo::SplitOf(std::string_view drugName, const char* formCode,
                                const char* routeCode, std::string_view strengthText,
                                std::span<char> strengthValue, std::span<char> strengthUnit) {
    Key({drugName, formCode, routeCode, strengthText}, m_key);
    const StrengthSplit* known = Find(m_splits, m_key);
    StrengthSplit split;
    if (known == nullptr) {
        split.result = SplitStrengthByCodes(drugName, formCode, routeCode, strengthText,
                                            split.value, split.unit);
        if (Charge(kElementCost + TextKeyCost(m_key) + sizeof split))
            m_splits.emplace(m_key, split);
        known = &split;
    }
    std::memcpy(strengthValue.data(), known->value, sizeof known->value);
    std::memcpy(strengthUnit.data(), known->unit, sizeof known->unit);
    return known->result;
}

bool MedicationTextMemo::DrugOf(std::string_view drugName, std::string_view formCode,
                                std::string_view routeCode, std::string_view strength,
                                std::string_view strengthUnit,
                                const std::function<bool(int32_t& drugId)>& lookUp,
                                int32_t& drugId) {
    Key({drugName, formCode, routeCode, strength, strengthUnit}, m_key);
    if (const int32_t* known = Find(m_drugs, m_key)) {
        drugId = *known;
        return true;
    }
    if (!lookUp(drugId))
        return false;
    if (Charge(kElementCost + TextKeyCost(m_key) + sizeof drugId))
        m_drugs.emplace(m_key, drugId);
    return true;
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
    // A patient the table does not hold has the empty reference, whose data
    // may be null: nothing to copy.
    if (!reference.empty())
        std::memcpy(kept.text, reference.data(), reference.size());
    m_patients.emplace(patientId, kept);
}
