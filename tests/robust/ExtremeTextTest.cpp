// Medication texts at the edges of what a record holds: bytes above 127 in
// every text field, and fields filled to their width with no padding. They go
// through the scan and into the CSV report and the run log byte for byte, and a
// repair changes nothing but the RxNorm ID and its term type.
#include "robust/ChildProcess.h"
#include "robust/PracticeFixture.h"
#include "robust/RepairCheck.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace robust {
namespace {

using testsupport::Utf8ToWindows1252;

// Texts as UTF-8 standing for the host's Windows-1252 bytes, among them the
// five bytes the code page leaves undefined.
const std::string kHighName = "Café €uro ÿ";
const std::string kHighStrength = "10 µg";
const std::string kHighForm = "Comprimé ½";
const std::string kHighDrugCode = "Ø\u0081\u008d\u008f\u0090\u009d";
const std::string kHighPatient = "Müller–€ß";

// Texts that fill their fields.
const std::string kName35 = "Hydrochlorothiazide/Lisinopril 12.5";
const std::string kName30 = "Amlodipine/Benazepril Capsules";
const std::string kStrength25 = "12.5 MG/20 MG PER TABLETS";
const std::string kForm50 = "Extended Release Film Coated Multilayer Tablet 50x";
const std::string kRoute20 = "Intravenous Infusion";
const std::string kDrugCode12 = "ABCDEFGHIJKL";
const std::string kRxNorm15 = "123456789012345";
const std::string kPatient11 = "DOE00070000";

struct Expected {
    int32_t entryId;
    int32_t code;
    std::string newId, oldId, drugCode;
    int32_t patientId;
    std::string patient, name, strength, route, form;
    std::string newTermType; // as stored after a repair
};

// The expected lines, in Windows-1252.
std::string CsvLine(const Expected& e) {
    return Utf8ToWindows1252(std::to_string(e.entryId) + "," + std::to_string(e.code) + "," +
                             e.newId + "," + e.oldId + "," + e.drugCode + "," +
                             std::to_string(e.patientId) + "," + e.patient + "," + e.name + "," +
                             e.strength + "," + e.route + "," + e.form) +
           "\r\n";
}

std::string LogLine(const Expected& e, bool report) {
    const std::string oldId = e.oldId.empty() ? "NULL" : e.oldId;
    const std::string newId = e.newId.empty() ? "NULL" : e.newId;
    const std::string what = e.name + " " + e.strength + " " + e.route + " " + e.form +
                             " for Patient: " + e.patient +
                             ". Please verify this change is correct.";
    return Utf8ToWindows1252(report ? "The RxNormID " + oldId +
                                          " is incorrect, and should be "
                                          "changed to " +
                                          newId + " for the medication " + what
                                    : "The RxNormID was changed from " + oldId + " to " + newId +
                                          " for the medication " + what) +
           "\r\n";
}

// `record` with its RxNorm ID and term type set as a repair sets them.
std::string Repaired(std::string record, const Expected& e) {
    const std::string id = Utf8ToWindows1252(e.newId);
    record.replace(651, 15, id + std::string(15 - id.size(), ' '));
    record.replace(718, 3, e.newTermType.empty() ? "   " : e.newTermType);
    return record;
}

nlohmann::json Fixture() {
    nlohmann::json fixture = {
        {"doseForms",
         {{{"text", kHighForm}, {"formCode", "TAB"}},
          {{"text", kForm50}, {"formCode", "CAP"}},
          {{"text", "Tablet"}, {"formCode", "TAB"}}}},
        {"drugs",
         {{{"drugId", 501},
           {"drugName", kHighName},
           {"formCode", "TAB"},
           {"routeCode", "OR"},
           {"strength", "10"},
           {"strengthUnit", "µG"}},
          {{"drugId", 503},
           {"drugName", kName30},
           {"formCode", "TAB"},
           {"routeCode", "OR"},
           {"strength", "10"},
           {"strengthUnit", "MG"}}}},
        {"ndcs", {{{"drugId", 501}}, {{"drugId", 503}}}},
        {"rxnorm",
         {{{"sourceKind", 4}, {"sourceId", "501"}, {"rxNormId", "31407é"}, {"termType", "SBD"}},
          {{"sourceKind", 4},
           {"sourceId", "503"},
           {"rxNormId", "987654321098765"},
           {"termType", "GPCK"}}}},
        {"patients",
         {{{"patientId", 7}, {"patientRef", kHighPatient}},
          {{"patientId", 8}, {"patientRef", kPatient11}}}},
    };
    auto medication = [](int32_t entryId, int32_t patientId, const MedicationTexts& texts,
                         const char* opaque) {
        nlohmann::json json = MedicationJson(entryId, patientId, texts);
        json["opaque"] = opaque;
        return json;
    };
    fixture["medications"] = {
        // Every text with bytes above 127, a drug that matches: a new ID.
        medication(1, 7,
                   {kHighName, kHighStrength, kHighForm, "Oral", kHighDrugCode, "12345Ä", "SÇD"},
                   "ff80fe9d81"),
        // A route with a no-break space: no route code, the ID goes.
        medication(2, 7, {kHighName, kHighStrength, kHighForm, "Oral\u00a0", "", "ÄÖÜ", "SCD"},
                   "e9e9"),
        // Every field full: a name longer than the dictionary's matches no drug.
        medication(3, 8, {kName35, kStrength25, kForm50, "Oral", kDrugCode12, kRxNorm15, "SCD"},
                   "00ff"),
        // A route that fills its field and has no code.
        medication(4, 8, {kName35, kStrength25, kForm50, kRoute20, kDrugCode12, kRxNorm15, "SBD"},
                   ""),
        // A name that fills the dictionary's field; the new ID fills its own.
        medication(5, 8, {kName30, "10 MG", "Tablet", "Oral", kDrugCode12, "", ""}, "7f80"),
    };
    return fixture;
}

const std::vector<Expected> kExpected = {
    {1, 501, "31407é", "12345Ä", kHighDrugCode, 7, kHighPatient, kHighName, kHighStrength, "Oral",
     kHighForm, "SBD"},
    {2, -2, "", "ÄÖÜ", "", 7, kHighPatient, kHighName, kHighStrength, "Oral\u00a0", kHighForm, ""},
    {3, -1, "", kRxNorm15, kDrugCode12, 8, kPatient11, kName35, kStrength25, "Oral", kForm50, ""},
    {4, -2, "", kRxNorm15, kDrugCode12, 8, kPatient11, kName35, kStrength25, kRoute20, kForm50, ""},
    {5, 503, "987654321098765", "", kDrugCode12, 8, kPatient11, kName30, "10 MG", "Oral", "Tablet",
     "SCD"},
};

class ExtremeTextTest : public testing::TestWithParam<std::string> {};

TEST_P(ExtremeTextTest, TextsReachTheLinesByteForByteAndOnlyTheIdChanges) {
    const bool report = GetParam() == "report";
    const testsupport::TempFolder temp;
    const fs::path folder = testsupport::BuildHostFolder(temp.Path(), Fixture());
    const std::vector<std::string> before = MedicationRecords(folder);
    ASSERT_EQ(before.size(), kExpected.size());

    const ChildResult result = RunChild(CliOptions(folder, GetParam()));
    ASSERT_EQ(result.exitStatus, 0) << result.errors;
    EXPECT_EQ(result.errors, kBackupReminder);

    std::string csv;
    std::string log;
    const std::vector<std::string> after = MedicationRecords(folder);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < kExpected.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(kExpected[i].entryId));
        csv += CsvLine(kExpected[i]);
        log += LogLine(kExpected[i], report);
        EXPECT_TRUE(SameBytes(after[i], report ? before[i] : Repaired(before[i], kExpected[i])));
    }
    EXPECT_TRUE(SameBytes(FileBytesOrEmpty(folder / "Dosewright.csv"), csv));
    EXPECT_TRUE(SameBytes(FileBytesOrEmpty(folder / "Dosewright.log"), log));
}

INSTANTIATE_TEST_SUITE_P(Modes, ExtremeTextTest, testing::Values("repair", "report"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

} // namespace
} // namespace robust
