#include "PracticeGenerator.h"

#include "GeneratedDrugs.h"
#include "HostFolderContent.h"
#include "HostFolderWriter.h"
#include "MedicationMaker.h"
#include "RecordBuffer.h"

#include "common/HostFolder.h"
#include "storelink/StoreLinkAdmin.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>
#include <vector>

namespace hostkit {
namespace fs = std::filesystem;
namespace {

constexpr int64_t kMedicationsPerDrug = 50;
constexpr int64_t kFewestDrugs = 300;
constexpr int32_t kRxNormSourceKindDrug = 4;

// A number that depends only on `value` and the seed, for choices that must not
// take from the stream (the order tables are written in then does not matter).
uint64_t Mix(uint64_t seed, uint64_t value) {
    uint64_t z = seed ^ (value * 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Patient numbers rise by one to three from 1, so that some numbers are unused.
int32_t PatientIdOf(uint64_t seed, int64_t index) {
    return static_cast<int32_t>(3 * index + 1 + static_cast<int64_t>(Mix(seed, index) % 3));
}

const TableLayout& Layout(const char* stem) {
    const TableLayout* layout = FindTableLayout(std::string(stem) + hostfolder::kDataSet);
    if (layout == nullptr) {
        throw std::logic_error(std::string("no table layout for ") + stem);
    }
    return *layout;
}

class TableFile {
public:
    TableFile(const fs::path& folder, const TableLayout& layout)
        : m_writer((folder / layout.name).string(), DefinitionOf(layout)), m_record(layout) {}
    RecordBuffer& Record() { return m_record; }
    void Insert() {
        m_writer.Insert(m_record.Data(), m_record.Size());
        ++m_count;
    }
    int64_t Commit() {
        m_writer.Commit();
        return m_count;
    }

private:
    storelink::TableWriter m_writer;
    RecordBuffer m_record;
    int64_t m_count = 0;
};

int64_t WriteDrugDictionary(const fs::path& folder, const GeneratedDrugs& drugs) {
    const TableLayout& layout = Layout(hostfolder::kDrugDictionaryStem);
    const FieldLayout& drugId = FieldOf(layout, "drugId");
    const FieldLayout& drugName = FieldOf(layout, "drugName");
    const FieldLayout& formCode = FieldOf(layout, "formCode");
    const FieldLayout& routeCode = FieldOf(layout, "routeCode");
    const FieldLayout& strength = FieldOf(layout, "strength");
    const FieldLayout& strengthUnit = FieldOf(layout, "strengthUnit");
    TableFile table(folder, layout);
    RecordBuffer& record = table.Record();
    for (const GeneratedDrug& drug : drugs.All()) {
        record.PutInt32(drugId, drug.drugId);
        record.PutText(drugName, drug.name);
        record.PutText(formCode, drug.formCode);
        record.PutText(routeCode, drug.routeCode);
        record.PutText(strength, drug.strength);
        record.PutText(strengthUnit, drug.unit);
        table.Insert();
    }
    return table.Commit();
}

int64_t WriteNdcs(const fs::path& folder, const GeneratedDrugs& drugs, uint64_t seed) {
    static constexpr const char* kLabelers[] = {"00093", "00378", "00591", "68180", "65862",
                                                "16729", "00904", "51079", "63629", "00781",
                                                "60505", "31722", "43547", "57664", "69097"};
    const TableLayout& layout = Layout(hostfolder::kNdcTableStem);
    const FieldLayout& drugId = FieldOf(layout, "drugId");
    const FieldLayout& ndc = FieldOf(layout, "ndc");
    TableFile table(folder, layout);
    RecordBuffer& record = table.Record();
    int64_t serial = 0;
    char text[32];
    for (const GeneratedDrug& drug : drugs.All()) {
        for (int32_t i = 0; i < drug.ndcCount; ++i, ++serial) {
            // Product and package codes follow the serial, so no two NDCs are equal.
            const auto labeler =
                kLabelers[Mix(seed, static_cast<uint64_t>(serial)) % std::size(kLabelers)];
            const int64_t product = (serial / 100 * 7919 + 101) % 10000;
            std::snprintf(text, sizeof text, "%s-%04lld-%02lld", labeler,
                          static_cast<long long>(product), static_cast<long long>(serial % 100));
            record.PutInt32(drugId, drug.drugId);
            record.PutText(ndc, text);
            table.Insert();
        }
    }
    return table.Commit();
}

int64_t WriteRxNorm(const fs::path& folder, const GeneratedDrugs& drugs) {
    const TableLayout& layout = Layout(hostfolder::kDrugRxNormTableStem);
    const FieldLayout& sourceKind = FieldOf(layout, "sourceKind");
    const FieldLayout& sourceId = FieldOf(layout, "sourceId");
    const FieldLayout& rxNormId = FieldOf(layout, "rxNormId");
    const FieldLayout& termType = FieldOf(layout, "termType");
    TableFile table(folder, layout);
    RecordBuffer& record = table.Record();
    for (const GeneratedDrug& drug : drugs.All()) {
        for (std::size_t i = 0; i < drug.CandidateCount(); ++i) {
            record.PutInt32(sourceKind, kRxNormSourceKindDrug);
            record.PutText(sourceId, std::to_string(drug.drugId));
            record.PutText(rxNormId, std::to_string(drug.rxNormIds[i]));
            record.PutText(termType, drug.pattern->termTypes[i]);
            table.Insert();
        }
    }
    return table.Commit();
}

int64_t WritePatients(const fs::path& folder, int64_t count, uint64_t seed) {
    const TableLayout& layout = Layout(hostfolder::kPatientTableStem);
    const FieldLayout& patientId = FieldOf(layout, "patientId");
    const FieldLayout& patientRef = FieldOf(layout, "patientRef");
    const auto surnames = Surnames();
    TableFile table(folder, layout);
    RecordBuffer& record = table.Record();
    char reference[32];
    for (int64_t i = 0; i < count; ++i) {
        const std::string_view surname = surnames[Mix(seed + 1, i) % surnames.size()];
        const int length = std::snprintf(reference, sizeof reference, "%.3s%07lld", surname.data(),
                                         static_cast<long long>(i + 1));
        std::transform(reference, reference + 3, reference,
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
        record.PutInt32(patientId, PatientIdOf(seed, i));
        record.PutText(patientRef, std::string_view(reference, static_cast<std::size_t>(length)));
        table.Insert();
    }
    return table.Commit();
}

// Writes the medications; returns the number a scan changes and sets `texts`
// to the number of distinct medications made.
int64_t WriteMedications(const fs::path& folder, RandomStream& random, const GeneratedDrugs& drugs,
                         const PracticeSettings& settings, int64_t patients, int64_t& texts) {
    const TableLayout& layout = Layout(hostfolder::kMedicationTableStem);
    TableFile table(folder, layout);
    MedicationMaker maker(layout, drugs, VocabularyIndex(DefaultVocabularyText()));
    const uint64_t seed = settings.seed;
    const int32_t strayPatientId =
        patients > 0 ? PatientIdOf(seed, patients - 1) + 1 : 1; // no patient has it
    // Medications made once and given again: their texts and whether a scan
    // changes them. Left empty when each is made afresh.
    const int64_t distinct =
        settings.medicationsPerText > 1
            ? (settings.medications + settings.medicationsPerText - 1) / settings.medicationsPerText
            : 0;
    std::vector<std::pair<MedicationMaker::Texts, bool>> made;
    made.reserve(static_cast<std::size_t>(distinct));
    int64_t changes = 0;
    int32_t entryId = 0;
    for (int64_t i = 0; i < settings.medications; ++i) {
        entryId += 1 + (random.Chance(50) ? static_cast<int32_t>(random.Below(20)) : 0);
        const int32_t patientId =
            patients > 0 && !random.Chance(5)
                ? PatientIdOf(seed, random.Below(static_cast<uint64_t>(patients)))
                : strayPatientId + static_cast<int32_t>(random.Below(100));
        bool changed = false;
        if (distinct == 0) {
            changed = maker.Make(random, entryId, patientId, table.Record());
        } else if (static_cast<int64_t>(made.size()) < distinct &&
                   (made.empty() || random.Below(static_cast<uint64_t>(settings.medications - i)) <
                                        static_cast<uint64_t>(distinct) - made.size())) {
            // A new medication, as often as leaves the rest to be given again.
            changed = maker.Make(random, entryId, patientId, table.Record());
            made.emplace_back(maker.LastTexts(), changed);
        } else {
            const auto& [again, changesAgain] = made[random.Below(made.size())];
            maker.Store(again, entryId, patientId, table.Record());
            changed = changesAgain;
        }
        changes += changed;
        table.Insert();
    }
    table.Commit();
    texts = distinct == 0 ? settings.medications : static_cast<int64_t>(made.size());
    return changes;
}

} // namespace

PracticeSummary WritePractice(const PracticeSettings& settings, const fs::path& folder) {
    if (settings.medications < 0 || settings.medications > kMostGeneratedMedications) {
        throw std::runtime_error("the number of medications must be 0 to " +
                                 std::to_string(kMostGeneratedMedications));
    }
    if (settings.medicationsPerText < 1 || settings.medicationsPerText > kMostMedicationsPerText ||
        settings.medicationsPerPatient < 1 ||
        settings.medicationsPerPatient > kMostMedicationsPerPatient) {
        throw std::runtime_error("medications per text must be 1 to " +
                                 std::to_string(kMostMedicationsPerText) + ", per patient 1 to " +
                                 std::to_string(kMostMedicationsPerPatient));
    }
    RandomStream random(settings.seed);
    const int64_t wantedDrugs = std::max(kFewestDrugs, settings.medications / kMedicationsPerDrug);
    const GeneratedDrugs drugs(random, static_cast<std::size_t>(wantedDrugs));

    PracticeSummary summary;
    summary.drugs = WriteDrugDictionary(folder, drugs);
    summary.ndcs = WriteNdcs(folder, drugs, settings.seed);
    summary.rxnorm = WriteRxNorm(folder, drugs);
    summary.patients = (settings.medications + settings.medicationsPerPatient - 1) /
                       settings.medicationsPerPatient;
    WritePatients(folder, summary.patients, settings.seed);
    summary.medications = settings.medications;
    summary.changes =
        WriteMedications(folder, random, drugs, settings, summary.patients, summary.texts);

    HostFolderContent files;
    files.vocabulary = DefaultVocabularyText();
    files.drugInteractionVersion = hostfolder::kRequiredDrugInteractionVersion;
    files.updateHistory = CurrentUpdateHistory();
    WriteHostFiles(files, folder);
    return summary;
}

std::string DescribeSummary(const PracticeSummary& summary) {
    return "medications " + std::to_string(summary.medications) + "\npatients " +
           std::to_string(summary.patients) + "\ndrugs " + std::to_string(summary.drugs) +
           "\nndcs " + std::to_string(summary.ndcs) + "\nrxnorm " + std::to_string(summary.rxnorm) +
           "\nchanges " + std::to_string(summary.changes) + "\ntexts " +
           std::to_string(summary.texts) + "\n";
}

} // namespace hostkit
