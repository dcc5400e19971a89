#include "GeneratedDrugs.h"

#include <bit>
#include <span>

namespace hostkit {
namespace {

// Draws in a row that found only drugs already filed before the dictionary
// counts as full.
constexpr int kDrawsBeforeFull = 5000;

// Shares, per thousand.
constexpr uint32_t kMainKindShare = 700;  // a drug of its ingredient's main kind
constexpr uint32_t kWithoutNdcShare = 80; // drugs without an NDC record

// The kinds of an ingredient other than its main kind, as indexes.
std::vector<std::size_t> OtherKinds(const Ingredient& ingredient) {
    std::vector<std::size_t> kinds;
    for (uint32_t bits = ingredient.otherKinds; bits != 0; bits &= bits - 1) {
        kinds.push_back(static_cast<std::size_t>(std::countr_zero(bits)));
    }
    return kinds;
}

std::vector<uint32_t> PatternWeights() {
    std::vector<uint32_t> weights;
    for (const TermTypePattern& pattern : TermTypePatterns()) {
        weights.push_back(pattern.weight);
    }
    return weights;
}

} // namespace

GeneratedDrugs::GeneratedDrugs(RandomStream& random, std::size_t count) {
    const std::vector<Ingredient>& ingredients = Ingredients();
    const std::vector<ProductKind>& kinds = ProductKinds();
    const std::vector<uint32_t> patternWeights = PatternWeights();
    m_drugs.reserve(count);
    m_keys.reserve(count);

    int32_t drugId = 1000;
    int32_t rxNormId = 197300;
    int fruitlessDraws = 0;
    while (m_drugs.size() < count && fruitlessDraws < kDrawsBeforeFull) {
        const Ingredient& ingredient = random.Pick(ingredients);
        const std::vector<std::size_t> others = OtherKinds(ingredient);
        GeneratedDrug drug;
        drug.name = ingredient.name;
        // At its usual strengths first; a large dictionary also files the
        // kind's other strengths.
        std::span<const std::string_view> otherStrengths;
        if (others.empty() || random.Chance(kMainKindShare)) {
            drug.kind = &kinds[static_cast<std::size_t>(std::countr_zero(ingredient.mainKind))];
            drug.unit = ingredient.unit;
            drug.strength = random.Pick(ingredient.strengths);
            if (ingredient.name.find('/') == std::string_view::npos) {
                otherStrengths = drug.kind->strengths;
            }
        } else {
            drug.kind = &kinds[random.Pick(others)];
            drug.unit = drug.kind->unit;
            drug.strength = random.Pick(drug.kind->strengths);
        }
        drug.formCode = random.Pick(drug.kind->formCodes);
        drug.routeCode = random.Pick(drug.kind->routeCodes);
        bool added =
            m_keys.insert(Key(drug.name, drug.formCode, drug.routeCode, drug.strength, drug.unit))
                .second;
        if (!added && !otherStrengths.empty()) {
            drug.strength = random.Pick(otherStrengths);
            added =
                m_keys
                    .insert(Key(drug.name, drug.formCode, drug.routeCode, drug.strength, drug.unit))
                    .second;
        }
        if (!added) {
            ++fruitlessDraws;
            continue;
        }
        fruitlessDraws = 0;

        drugId += static_cast<int32_t>(random.Between(1, 9));
        drug.drugId = drugId;
        drug.ndcCount =
            random.Chance(kWithoutNdcShare) ? 0 : static_cast<int32_t>(random.Between(1, 3));
        drug.pattern = &TermTypePatterns()[random.Weighted(patternWeights)];
        for (std::size_t i = 0; i < drug.CandidateCount(); ++i) {
            rxNormId += static_cast<int32_t>(random.Between(1, 37));
            drug.rxNormIds[i] = rxNormId;
        }
        m_drugs.push_back(drug);
    }
    m_lastRxNormId = rxNormId;
}

bool GeneratedDrugs::Files(std::string_view name, std::string_view formCode,
                           std::string_view routeCode, std::string_view strength,
                           std::string_view unit) const {
    return m_keys.contains(Key(name, formCode, routeCode, strength, unit));
}

int32_t GeneratedDrugs::UnusedRxNormId(RandomStream& random) const {
    return m_lastRxNormId + 1 + static_cast<int32_t>(random.Below(900000));
}

std::string GeneratedDrugs::Key(std::string_view name, std::string_view formCode,
                                std::string_view routeCode, std::string_view strength,
                                std::string_view unit) {
    std::string key;
    key.reserve(name.size() + formCode.size() + routeCode.size() + strength.size() + unit.size() +
                4);
    for (const std::string_view part : {name, formCode, routeCode, strength, unit}) {
        key.append(part);
        key += '\t';
    }
    return key;
}

} // namespace hostkit
