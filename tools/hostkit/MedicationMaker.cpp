#include "MedicationMaker.h"

#include <cstdio>
#include <stdexcept>

namespace hostkit {
namespace {

// How often each situation occurs, per thousand medications; in the order of
// MedicationMaker::Situation.
constexpr uint32_t kSituationWeights[] = {
    560, // the RxNorm ID a scan would give it
    90,  // another ID
    110, // no ID, but a drug code
    80,  // neither an ID nor a drug code
    80,  // a drug the dictionary does not file
    80,  // texts that cannot be turned into dictionary keys
};

// Shares, per thousand.
constexpr uint32_t kDrugCodeShare = 850;       // medications with a drug code
constexpr uint32_t kUnusableWithIdShare = 850; // unusable medications that carry an ID
constexpr uint32_t kCandidateAsOtherId = 500;  // a wrong ID that is another candidate's
constexpr uint32_t kFirstFormTextShare = 350;  // the dose form's SPL name
constexpr uint32_t kDictionaryUnitShare = 500; // the unit as the dictionary writes it
constexpr uint32_t kThousandsCommaShare = 300; // "1,000" for 1000
constexpr uint32_t kSpaceBeforeUnitShare = 800;

constexpr std::size_t kLongestStrengthText = 25; // the medication's field

void ToUpper(std::string& text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
}

void ToLower(std::string& text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
}

// "1,000,000" for "1000000".
void AppendWithCommas(std::string& out, std::string_view digits) {
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += ',';
        }
        out += digits[i];
    }
}

bool AllDigits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return !text.empty();
}

} // namespace

MedicationMaker::MedicationMaker(const TableLayout& medicationLayout, const GeneratedDrugs& drugs,
                                 VocabularyIndex vocabulary)
    : m_drugs(drugs), m_vocabulary(std::move(vocabulary)),
      m_entryId(FieldOf(medicationLayout, "entryId")),
      m_patientId(FieldOf(medicationLayout, "patientId")),
      m_drugName(FieldOf(medicationLayout, "drugName")),
      m_strength(FieldOf(medicationLayout, "strength")),
      m_doseForm(FieldOf(medicationLayout, "doseForm")),
      m_route(FieldOf(medicationLayout, "route")),
      m_drugCode(FieldOf(medicationLayout, "drugCode")),
      m_rxNormId(FieldOf(medicationLayout, "rxNormId")),
      m_termType(FieldOf(medicationLayout, "termType")),
      m_situationWeights(std::begin(kSituationWeights), std::end(kSituationWeights)) {
    if (m_drugs.All().empty()) {
        throw std::logic_error("a practice needs drugs");
    }
    for (const std::string_view form : UnknownDoseForms()) {
        if (m_vocabulary.KnowsForm(form)) {
            throw std::logic_error("the vocabulary knows the dose form " + std::string(form));
        }
    }
    for (const std::string_view route : UnknownRouteNames()) {
        for (const RouteName& known : RouteNames()) {
            if (route == known.name) {
                throw std::logic_error("the route " + std::string(route) + " has a code");
            }
        }
    }
}

bool MedicationMaker::Make(RandomStream& random, int32_t entryId, int32_t patientId,
                           RecordBuffer& record) {
    const auto situation = static_cast<Situation>(random.Weighted(m_situationWeights));
    const GeneratedDrug& drug = PickDrug(random);
    Describe(random, drug);
    m_texts.rxNormId.clear();
    m_texts.drugCode.clear();
    m_texts.termType = {};
    const int chosen = drug.Settles() ? drug.ChosenCandidate() : -1;
    m_chosenId = chosen >= 0 ? std::to_string(drug.rxNormIds[chosen]) : std::string();

    bool changes = false;
    switch (situation) {
    case Situation::RightId:
        if (drug.Settles()) {
            m_texts.rxNormId = m_chosenId;
            if (chosen >= 0) {
                m_texts.termType = RecordedTermType(drug.pattern->termTypes[chosen]);
            }
        } else if (random.Chance(500)) {
            PutOtherId(random, drug, m_chosenId); // left as it is
        }
        if (random.Chance(kDrugCodeShare)) {
            PutDrugCode(drug);
        }
        break;
    case Situation::WrongId:
        PutOtherId(random, drug, m_chosenId);
        if (random.Chance(kDrugCodeShare)) {
            PutDrugCode(drug);
        }
        changes = drug.Settles();
        break;
    case Situation::NoIdButDrugCode:
        PutDrugCode(drug);
        changes = !m_chosenId.empty();
        break;
    case Situation::NoIdNoDrugCode:
        break;
    case Situation::UnfiledDrug:
    case Situation::Undescribable:
        if (situation == Situation::UnfiledDrug) {
            MakeUnfiled(random, drug);
        } else {
            MakeUndescribable(random);
        }
        if (random.Chance(kUnusableWithIdShare)) {
            PutOtherId(random, drug, {});
        }
        if (random.Chance(500)) {
            PutDrugCode(drug);
        }
        changes = !m_texts.rxNormId.empty();
        break;
    }
    Store(m_texts, entryId, patientId, record);
    return changes;
}

// Some drugs are given far more often than others.
const GeneratedDrug& MedicationMaker::PickDrug(RandomStream& random) const {
    const std::vector<GeneratedDrug>& drugs = m_drugs.All();
    const uint64_t count = drugs.size();
    const uint64_t first = random.Below(count);
    const uint64_t second = random.Below(count);
    const uint64_t index = first * second / count;
    return drugs[static_cast<std::size_t>(index)];
}

void MedicationMaker::Describe(RandomStream& random, const GeneratedDrug& drug) {
    m_texts.drugName.assign(drug.name);
    const std::vector<std::string>& forms = m_vocabulary.FormTexts(drug.formCode);
    m_texts.doseForm = random.Chance(kFirstFormTextShare) ? forms.front() : random.Pick(forms);
    VaryLetterCase(random, m_texts.doseForm);
    m_texts.route.assign(RouteNameOf(drug.routeCode));
    VaryLetterCase(random, m_texts.route);
    PutStrengthText(random, drug.strength, drug.unit);
}

// "10 MG", "10mg", "1,000 units", "0.5 milligrams/milliliter": the number and
// a spelling of the unit that the drug-knowledge library reads back as the
// drug's strength and unit. A combination's "10-12.5" is read only by the
// program's own parser, which keeps the unit as written, upper-cased.
void MedicationMaker::PutStrengthText(RandomStream& random, std::string_view value,
                                      std::string_view unit) {
    std::string& text = m_texts.strength;
    text.clear();
    const bool combination = value.find('-') != std::string_view::npos;
    if (AllDigits(value) && value.size() >= 4 && random.Chance(kThousandsCommaShare)) {
        AppendWithCommas(text, value);
    } else {
        text.append(value);
    }
    std::string_view spelling = unit;
    if (!combination && !random.Chance(kDictionaryUnitShare)) {
        spelling = random.Pick(m_vocabulary.UnitSpellings(unit));
    }
    const bool space = random.Chance(kSpaceBeforeUnitShare);
    if (text.size() + 1 + spelling.size() > kLongestStrengthText) {
        spelling = unit;
    }
    if (space) {
        text += ' ';
    }
    const std::size_t unitStart = text.size();
    text.append(spelling);
    if (combination && random.Chance(300)) {
        std::string lower = text.substr(unitStart);
        ToLower(lower);
        text.replace(unitStart, std::string::npos, lower);
    }
}

void MedicationMaker::VaryLetterCase(RandomStream& random, std::string& text) const {
    const uint32_t draw = random.Below(100);
    if (draw < 8) {
        ToLower(text);
    } else if (draw < 12) {
        ToUpper(text);
    }
}

void MedicationMaker::PutDrugCode(const GeneratedDrug& drug) {
    char code[16];
    const long long number =
        static_cast<long long>(drug.drugId) * 7919LL * 104729LL % 100000000000LL;
    std::snprintf(code, sizeof code, "%011lld", number);
    m_texts.drugCode.assign(code);
}

// An RxNorm ID other than `notThis`: often another candidate of the drug, else
// one no drug has.
void MedicationMaker::PutOtherId(RandomStream& random, const GeneratedDrug& drug,
                                 const std::string& notThis) {
    static constexpr std::string_view kTermTypes[] = {"SCD", "SBD", ""};
    if (drug.CandidateCount() > 0 && random.Chance(kCandidateAsOtherId)) {
        const std::size_t index = random.Below(drug.CandidateCount());
        std::string id = std::to_string(drug.rxNormIds[index]);
        if (id != notThis) {
            m_texts.rxNormId = std::move(id);
            m_texts.termType = RecordedTermType(drug.pattern->termTypes[index]);
            return;
        }
    }
    m_texts.rxNormId = std::to_string(m_drugs.UnusedRxNormId(random));
    m_texts.termType = random.Pick(kTermTypes);
}

void MedicationMaker::MakeUnfiled(RandomStream& random, const GeneratedDrug& drug) {
    std::string& name = m_texts.drugName;
    auto filed = [&](std::string_view strength) {
        return m_drugs.Files(name, drug.formCode, drug.routeCode, strength, drug.unit);
    };
    switch (random.Below(4)) {
    case 0: { // a letter dropped, doubled or swapped
        const std::size_t at = 1 + random.Below(name.size() - 2);
        switch (random.Below(3)) {
        case 0:
            name.erase(at, 1);
            break;
        case 1:
            name.insert(at, 1, name[at]);
            break;
        default:
            std::swap(name[at], name[at + 1]);
            break;
        }
        if (!filed(drug.strength) && name != drug.name) {
            return;
        }
        break;
    }
    case 1: // the dictionary's names are not all capitals
        ToUpper(name);
        if (!filed(drug.strength)) {
            return;
        }
        break;
    case 2: { // a strength the drug does not come in
        const std::string_view strength = random.Pick(drug.kind->strengths);
        if (!filed(strength)) {
            PutStrengthText(random, strength, drug.unit);
            return;
        }
        break;
    }
    default:
        break;
    }
    name.assign(random.Pick(UnfiledBrandNames()));
    if (filed(drug.strength)) {
        throw std::logic_error("the drug dictionary files the brand name " + name);
    }
}

void MedicationMaker::MakeUndescribable(RandomStream& random) {
    switch (random.Below(4)) {
    case 0:
        m_texts.route.assign(random.Pick(UnknownRouteNames()));
        break;
    case 1:
        m_texts.doseForm.assign(random.Pick(UnknownDoseForms()));
        break;
    case 2:
        m_texts.drugName.clear();
        break;
    default:
        m_texts.route.clear();
        break;
    }
}

std::string_view MedicationMaker::RouteNameOf(std::string_view routeCode) const {
    for (const RouteName& route : RouteNames()) {
        if (route.code == routeCode) {
            return route.name;
        }
    }
    throw std::logic_error("no route name for the code " + std::string(routeCode));
}

void MedicationMaker::Store(const Texts& texts, int32_t entryId, int32_t patientId,
                            RecordBuffer& record) const {
    record.Clear();
    record.PutInt32(m_entryId, entryId);
    record.PutInt32(m_patientId, patientId);
    record.PutText(m_drugName, texts.drugName);
    record.PutText(m_strength, texts.strength);
    record.PutText(m_doseForm, texts.doseForm);
    record.PutText(m_route, texts.route);
    record.PutText(m_drugCode, texts.drugCode);
    record.PutText(m_rxNormId, texts.rxNormId);
    record.PutText(m_termType, texts.termType);
}

} // namespace hostkit
