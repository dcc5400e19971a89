// What a generated practice is made of: real ingredient names, the kinds of
// product they come in (route, dose forms, units and strengths), the RxNorm
// term-type patterns of drugs, and the texts prescribers write that the
// drug-knowledge library or the route table do not know.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hostkit {

// A kind of product: how it is given and what it is measured in.
struct ProductKind {
    const char* name;
    std::vector<std::string_view> routeCodes; // two-letter route codes
    std::vector<std::string_view> formCodes;  // form codes of the default vocabulary
    std::string_view unit;                    // dictionary unit of `strengths`
    std::vector<std::string_view> strengths;  // strength values the kind comes in
};

// An ingredient, or a combination of them, and the kinds of product it comes in.
struct Ingredient {
    std::string_view name; // as the drug dictionary files it, <= 30 characters
    uint32_t mainKind;     // one bit: its main kind of product
    uint32_t otherKinds;   // bit i: ProductKinds()[i]; its strengths are the kind's
    std::string_view unit; // the unit of `strengths`
    std::vector<std::string_view> strengths; // its usual strengths in its main kind
};

// The RxNorm term types of one drug's candidates, and which of them the
// choice by term type settles on (-1: none; a single candidate is always taken).
struct TermTypePattern {
    std::vector<std::string_view> termTypes;
    int chosen;
    uint32_t weight; // how often drugs have this pattern
};

struct RouteName {
    std::string_view name; // as medications write it
    std::string_view code; // its two-letter code in the route table
};

const std::vector<ProductKind>& ProductKinds();
const std::vector<Ingredient>& Ingredients();
const std::vector<TermTypePattern>& TermTypePatterns();
// The term type a medication records for a candidate's: "SBD", "SCD" or blank.
std::string_view RecordedTermType(std::string_view candidateTermType);

// Route names of the route table, by code.
std::span<const RouteName> RouteNames();

// Texts a describable medication cannot carry.
std::span<const std::string_view> UnknownRouteNames();
std::span<const std::string_view> UnknownDoseForms();
// Brand names the drug dictionary does not file.
std::span<const std::string_view> UnfiledBrandNames();
std::span<const std::string_view> Surnames();

// The dose-form texts and unit spellings of a vocabulary, by form code and by
// dictionary unit.
class VocabularyIndex {
public:
    explicit VocabularyIndex(std::string_view vocabulary);

    // Every dose-form text of `formCode` that fits a medication (50
    // characters); throws std::logic_error when there is none.
    const std::vector<std::string>& FormTexts(std::string_view formCode) const;
    // Every spelling of the dictionary unit `unit`; throws when there is none.
    const std::vector<std::string>& UnitSpellings(std::string_view unit) const;
    // Whether `text` is a dose-form text of the vocabulary (any letter case).
    bool KnowsForm(std::string_view text) const;

private:
    std::unordered_map<std::string, std::vector<std::string>> m_formTexts;
    std::unordered_map<std::string, std::vector<std::string>> m_unitSpellings;
    std::vector<std::string> m_foldedForms; // upper-cased form texts
};

} // namespace hostkit
