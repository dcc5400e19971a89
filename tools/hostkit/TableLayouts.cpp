#include "TableLayouts.h"

#include "common/HostFolder.h"

namespace hostkit {
namespace {

using storelink::KeyDefinition;
using storelink::KeySegment;
using storelink::SegmentType;

constexpr KeySegment Int32At(int32_t offset) {
    return {offset, 4, SegmentType::Int32};
}
constexpr KeySegment TextAt(const FieldLayout& field) {
    return {field.offset, field.width, SegmentType::Text};
}

std::string TableName(const char* stem) {
    return std::string(stem) + hostfolder::kDataSet;
}

// MRRX99, the patients' medications. Texts are space-padded and run straight
// into the next field when full.
TableLayout MedicationLayout() {
    return TableLayout{
        TableName(hostfolder::kMedicationTableStem),
        "medications",
        771,
        {
            {"entryId", 0, 4, FieldKind::Int32, 4},           // medication entry
            {"patientId", 4, 4, FieldKind::Int32, 4},         // the patient's number
            {"drugName", 124, 35, FieldKind::PaddedText, 35}, // name as written
            {"strength", 159, 25, FieldKind::PaddedText, 25}, // number and unit in one text
            {"doseForm", 233, 50, FieldKind::PaddedText, 50}, // dose form as written
            {"route", 330, 20, FieldKind::PaddedText, 20},    // route as written
            {"drugCode", 393, 12, FieldKind::PaddedText, 12}, // a second drug code
            {"rxNormId", 651, 15, FieldKind::PaddedText, 15}, // RxNorm concept id
            {"termType", 718, 3, FieldKind::PaddedText, 3},   // "SCD", "SBD" or spaces
        },
        {
            KeyDefinition{7, {Int32At(0)}},             // entryId: the scan's order
            KeyDefinition{1, {Int32At(4), Int32At(0)}}, // patientId, entryId
        },
        7,
        "entryId",
    };
}

// MRPT99, the patients.
TableLayout PatientLayout() {
    return TableLayout{
        TableName(hostfolder::kPatientTableStem),
        "patients",
        1140,
        {
            {"patientId", 0, 4, FieldKind::Int32, 4},          // the patient's number
            {"patientRef", 50, 11, FieldKind::PaddedText, 11}, // reference shown to users
        },
        {KeyDefinition{1, {Int32At(0)}}},
        1,
        "patientId",
    };
}

// MRDD99, the drug dictionary. Each text keeps room for its terminator.
TableLayout DrugDictionaryLayout() {
    const FieldLayout drugName{"drugName", 29, 31, FieldKind::TerminatedText, 30};
    const FieldLayout routeCode{"routeCode", 60, 3, FieldKind::TerminatedText, 2};
    const FieldLayout formCode{"formCode", 63, 5, FieldKind::TerminatedText, 4};
    const FieldLayout strength{"strength", 68, 16, FieldKind::TerminatedText, 15};
    const FieldLayout strengthUnit{"strengthUnit", 84, 11, FieldKind::TerminatedText, 10};
    return TableLayout{
        TableName(hostfolder::kDrugDictionaryStem),
        "drugs",
        269,
        {
            {"drugId", 0, 4, FieldKind::Int32, 4}, // the drug's identifier
            drugName,                              // 29, 31: drug name
            routeCode,                             // 60, 3: two-letter route code
            formCode,                              // 63, 5: dose-form code
            strength,                              // 68, 16: strength value
            strengthUnit,                          // 84, 11: strength unit
        },
        {
            KeyDefinition{1, {Int32At(0)}},
            KeyDefinition{2,
                          {TextAt(drugName), TextAt(formCode), TextAt(routeCode), TextAt(strength),
                           TextAt(strengthUnit)}},
        },
        1,
        "drugId",
    };
}

// MRDNDC99, the NDCs of the dictionary's drugs.
TableLayout NdcLayout() {
    const FieldLayout ndc{"ndc", 8, 14, FieldKind::TerminatedText, 13}; // 5-4-2 with hyphens
    return TableLayout{
        TableName(hostfolder::kNdcTableStem),
        "ndcs",
        70,
        {
            {"drugId", 4, 4, FieldKind::Int32, 4}, // the MRDD99 drug
            ndc,                                   // 8, 14: the NDC
        },
        {
            KeyDefinition{1, {TextAt(ndc)}},
            KeyDefinition{2, {Int32At(4)}},
        },
        1,
        nullptr,
    };
}

// MRDRXN99, the RxNorm concepts of drugs. A 15-character id or term type fills
// its field with no terminator.
TableLayout DrugRxNormLayout() {
    const FieldLayout sourceId{"sourceId", 8, 50, FieldKind::TerminatedText, 50};
    return TableLayout{
        TableName(hostfolder::kDrugRxNormTableStem),
        "rxnorm",
        88,
        {
            {"sourceKind", 0, 4, FieldKind::Int32, 4},           // 4: an MRDD99 drug
            sourceId,                                            // 8, 50: decimal text
            {"rxNormId", 58, 15, FieldKind::TerminatedText, 15}, // RxNorm concept id
            {"termType", 73, 15, FieldKind::TerminatedText, 15}, // SCD, SBD, GPCK, BPCK...
        },
        {KeyDefinition{1, {Int32At(0), TextAt(sourceId)}}},
        1,
        nullptr,
    };
}

} // namespace

const std::vector<TableLayout>& AllTableLayouts() {
    static const std::vector<TableLayout> layouts = {
        MedicationLayout(), PatientLayout(),    DrugDictionaryLayout(),
        NdcLayout(),        DrugRxNormLayout(),
    };
    return layouts;
}

const TableLayout* FindTableLayout(std::string_view name) {
    for (const TableLayout& layout : AllTableLayouts()) {
        if (layout.name == name) {
            return &layout;
        }
    }
    return nullptr;
}

storelink::TableDefinition DefinitionOf(const TableLayout& layout) {
    storelink::TableDefinition definition;
    definition.recordLength = layout.recordLength;
    definition.firstCredential = hostfolder::kFirstCredential;
    definition.secondCredential = hostfolder::kSecondCredential;
    definition.keys = layout.keys;
    return definition;
}

std::vector<ByteRun> OpaqueRuns(const TableLayout& layout) {
    std::vector<ByteRun> runs;
    int32_t next = 0;
    for (const FieldLayout& field : layout.fields) {
        if (field.offset > next) {
            runs.push_back({next, field.offset - next});
        }
        next = field.offset + field.width;
    }
    if (layout.recordLength > next) {
        runs.push_back({next, layout.recordLength - next});
    }
    return runs;
}

} // namespace hostkit
