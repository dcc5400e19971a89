#include "robust/PracticeFixture.h"

#include <cstdio>
#include <random>

namespace robust {
namespace {

// Drugs 1-20 have one RxNorm candidate, 21-32 several, 33-36 no NDC record,
// 37-40 NDC records but no candidate.
constexpr int kDrugs = 40;
constexpr int kLastSingleCandidateDrug = 20;
constexpr int kLastSeveralCandidatesDrug = 32;
constexpr int kLastDrugWithoutNdc = 36;
constexpr int kPatients = 300;
constexpr int kPatientsMissingFromTable = 5; // patient IDs past the table

struct DrugShape {
    std::string name;
    const char* doseForm; // as a medication writes it
    const char* formCode; // as the drug dictionary files it
    const char* route;
    const char* routeCode;
    std::string strength;
};

DrugShape Drug(int drugId) {
    const bool tablet = drugId % 2 == 0;
    const bool oral = drugId % 3 != 0;
    char name[32];
    std::snprintf(name, sizeof name, "Drug %02d", drugId);
    return {name,
            tablet ? "Tablet" : "Capsule",
            tablet ? "TAB" : "CAP",
            oral ? "Oral" : "Intravenous",
            oral ? "OR" : "IV",
            std::to_string(drugId * 5)};
}

std::string CandidateId(int drugId, int candidate) {
    return std::to_string(300000 + drugId * 10 + candidate);
}

const char* const kTermTypes[] = {"SCD", "SBD", "GPCK", "BPCK", "IN"};

int Candidates(int drugId) {
    if (drugId <= kLastSingleCandidateDrug)
        return 1;
    if (drugId <= kLastSeveralCandidatesDrug)
        return 2 + drugId % 3;
    return 0;
}

std::string Hex(std::mt19937& random, int bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (int i = 0; i < bytes; ++i) {
        const unsigned value = random() & 0xFFu;
        hex += kDigits[value >> 4];
        hex += kDigits[value & 0xFu];
    }
    return hex;
}

} // namespace

nlohmann::json MedicationJson(int32_t entryId, int32_t patientId, const MedicationTexts& texts) {
    return {
        {"entryId", entryId},         {"patientId", patientId},     {"drugName", texts.drugName},
        {"strength", texts.strength}, {"doseForm", texts.doseForm}, {"route", texts.route},
        {"drugCode", texts.drugCode}, {"rxNormId", texts.rxNormId}, {"termType", texts.termType}};
}

nlohmann::json PracticeFixture(const PracticeShape& shape) {
    nlohmann::json fixture;
    auto& drugs = fixture["drugs"] = nlohmann::json::array();
    auto& ndcs = fixture["ndcs"] = nlohmann::json::array();
    auto& rxnorm = fixture["rxnorm"] = nlohmann::json::array();
    for (int drugId = 1; drugId <= kDrugs; ++drugId) {
        const DrugShape drug = Drug(drugId);
        drugs.push_back({{"drugId", drugId},
                         {"drugName", drug.name},
                         {"formCode", drug.formCode},
                         {"routeCode", drug.routeCode},
                         {"strength", drug.strength},
                         {"strengthUnit", "MG"}});
        if (drugId <= kLastSeveralCandidatesDrug || drugId > kLastDrugWithoutNdc)
            ndcs.push_back({{"drugId", drugId}, {"ndc", "00093-" + std::to_string(1000 + drugId)}});
        for (int candidate = 0; candidate < Candidates(drugId); ++candidate) {
            rxnorm.push_back({{"sourceKind", 4},
                              {"sourceId", std::to_string(drugId)},
                              {"rxNormId", CandidateId(drugId, candidate)},
                              {"termType", kTermTypes[(drugId + candidate) % 5]}});
        }
    }
    auto& patients = fixture["patients"] = nlohmann::json::array();
    for (int patientId = 1; patientId <= kPatients; ++patientId) {
        char reference[16];
        std::snprintf(reference, sizeof reference, "PT%06d", patientId);
        patients.push_back({{"patientId", patientId}, {"patientRef", reference}});
    }

    std::mt19937 random(shape.seed);
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    auto& list = fixture["medications"] = nlohmann::json::array();
    for (int index = 0; index < shape.medications; ++index) {
        const auto kind = static_cast<MedicationKind>(
            shape.cycleKinds ? index % kMedicationKinds : pick(0, kMedicationKinds - 1));
        int drugId = pick(1, kLastSingleCandidateDrug);
        if (kind == MedicationKind::SeveralCandidatesOtherId)
            drugId = pick(kLastSingleCandidateDrug + 1, kLastSeveralCandidatesDrug);
        else if (kind == MedicationKind::DrugWithoutNdc)
            drugId = pick(kLastSeveralCandidatesDrug + 1, kLastDrugWithoutNdc);
        else if (kind == MedicationKind::DrugWithoutCandidates)
            drugId = pick(kLastDrugWithoutNdc + 1, kDrugs);
        const DrugShape drug = Drug(drugId);
        MedicationTexts texts{drug.name,
                              drug.strength + " MG",
                              drug.doseForm,
                              drug.route,
                              "",
                              std::to_string(pick(100000, 999999)),
                              "SCD"};
        switch (kind) {
        case MedicationKind::OneCandidateSameId:
            texts.rxNormId = CandidateId(drugId, 0);
            break;
        case MedicationKind::RouteWithoutCode:
            texts.route = "By mouth";
            break;
        case MedicationKind::DrugNotInDictionary:
            texts.strength = "999 MG";
            break;
        case MedicationKind::DrugCodeWithoutId:
            texts.drugCode = "DC" + std::to_string(drugId);
            texts.rxNormId = texts.termType = "";
            break;
        case MedicationKind::NothingStored:
            texts.rxNormId = texts.termType = "";
            break;
        default:
            break;
        }
        const int entryId = index + 1;
        const int patientId =
            pick(1, kPatients + (shape.everyPatientKnown ? 0 : kPatientsMissingFromTable));
        nlohmann::json medication = MedicationJson(entryId, patientId, texts);
        if (index % 7 == 3)
            medication["opaque"] = Hex(random, 40);
        list.push_back(std::move(medication));
    }
    return fixture;
}

} // namespace robust
