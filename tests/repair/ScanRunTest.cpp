// The scan over MRRX99 on real host folders, in repair mode and report mode:
// the records afterwards, the exact CSV and log bytes, the counts, the window,
// and every way a run stops.
#include "app/DosewrightDlg.h"
#include "fakes/FailingFileSystem.h"
#include "platform/DurableFile.h"
#include "repair/ApprovedChanges.h"
#include "repair/JournalSyncer.h"
#include "repair/MedicationTextMemo.h"
#include "repair/RunDiff.h"
#include "repair/RunJournalReader.h"
#include "repair/RunSummaryText.h"
#include "storelink/StoreLinkStatus.h"
#include "support/DialogOnHostFolder.h"
#include "support/HostFolder.h"
#include "support/SystemErrors.h"
#include "support/TempFolder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using fakes::Box;
using fakes::Status;
using fakes::WindowEvent;
using testsupport::MedicationTexts;

constexpr const char* kRunning = "Status: Running Please Wait";
constexpr const char* kTitle = "Dosewright Error";
constexpr const char* kSupport = "\nPlease contact Technical Support for assistance.";
constexpr int32_t kIoError = storelink::kErrIo;
constexpr int32_t kRxNormOffset = 651;
constexpr int32_t kTermTypeOffset = 718;

WindowEvent BeginWait() {
    return {WindowEvent::Kind::BeginWait, 0, {}, std::nullopt, false};
}
WindowEvent EndWait() {
    return {WindowEvent::Kind::EndWait, 0, {}, std::nullopt, false};
}

// --- The reference tables ------------------------------------------------------------------

struct DrugFacts {
    int32_t drugId;
    const char* name;
    const char* strength;
    const char* unit;
    bool hasNdc;
    std::vector<std::pair<const char*, const char*>> candidates; // rxNormId, termType
};

const DrugFacts kDrugs[] = {
    {101, "Lisinopril", "10", "MG", true, {{"314076", "SCD"}}},
    {102, "Zestril", "10", "MG", true, {{"104377", "SBD"}}},
    {103, "Atenolol", "50", "MG", true, {}},
    {104, "Baclofen", "10", "MG", false, {{"197391", "SCD"}}},
    {105, "Natazia", "2", "MG", true, {{"978950", "BPCK"}}},
    {106, "Famotidine", "20", "MG", true, {{"310273", "SY"}}},
    {107, "Glyburide", "5", "MG", true, {{"310537", "scd"}}},
    {108, "Loratadine", "10", "MG", true, {{"123456789012345", "SCD"}}},
    {109, "Ibuprofen", "600", "MG", true, {{"a197806", "SCD"}}},
    {110, "Memantine", "10", "MG", true, {{"996561", "SCD"}}},
    {201, "Abilify", "10", "MG", true, {{"352307", "SBD"}, {"349545", "SCD"}}},
    {202, "Nuvigil", "150", "MG", true, {{"805659", "SBD"}, {"805660", "BPCK"}}},
    {203, "Lamotrigine", "25", "MG", true, {{"198427", "SCD"}, {"851748", "GPCK"}}},
    {204, "Namenda", "10", "MG", true, {{"996563", "SBD"}, {"996564", "SBD"}, {"996561", "SCD"}}},
    {205, "Casodex", "50", "MG", true, {{"108828", "SBD"}, {"108829", "SBD"}, {"851750", "GPCK"}}},
    {206, "Ortho-Novum", "1", "MG", true, {{"749853", "BPCK"}, {"1000012", "SCD"}}},
    {207,
     "Tarina Fe",
     "1",
     "MG",
     true,
     {{"1550536", "BPCK"}, {"1550537", "BPCK"}, {"1550538", "GPCK"}}},
    {208,
     "Loestrin",
     "1",
     "MG",
     true,
     {{"1000033", "BPCK"}, {"1000034", "BPCK"}, {"1000022", "SCD"}}},
    {209, "Famotidine", "40", "MG", true, {{"284245", "SCD"}, {"284246", "SCD"}}},
    {210, "Olanzapine", "5", "MG", true, {{"312078", "sbd"}, {"312079", "SY"}}},
    {211, "Metformin", "1000", "MG", true, {{"861005", "Gpck"}, {"861004", "SCD"}}},
};

const std::map<int32_t, std::string> kPatients = {{7, "DOE0007"}, {8, "ROE0008"}};

nlohmann::json ReferenceFixture() {
    nlohmann::json fixture;
    fixture["doseForms"] = {{{"text", "Tablet"}, {"formCode", "TAB"}},
                            {{"text", "Capsule"}, {"formCode", "CAP"}},
                            {{"text", "Tablet, Film Coated"}, {"formCode", "TAB"}}};
    fixture["drugs"] = nlohmann::json::array();
    fixture["ndcs"] = nlohmann::json::array();
    fixture["rxnorm"] = nlohmann::json::array();
    for (const DrugFacts& drug : kDrugs) {
        fixture["drugs"].push_back({{"drugId", drug.drugId},
                                    {"drugName", drug.name},
                                    {"formCode", "TAB"},
                                    {"routeCode", "OR"},
                                    {"strength", drug.strength},
                                    {"strengthUnit", drug.unit}});
        if (drug.hasNdc)
            fixture["ndcs"].push_back({{"drugId", drug.drugId}});
        for (const auto& [rxNormId, termType] : drug.candidates) {
            fixture["rxnorm"].push_back({{"sourceKind", 4},
                                         {"sourceId", std::to_string(drug.drugId)},
                                         {"rxNormId", rxNormId},
                                         {"termType", termType}});
        }
    }
    fixture["patients"] = nlohmann::json::array();
    for (const auto& [patientId, reference] : kPatients)
        fixture["patients"].push_back({{"patientId", patientId}, {"patientRef", reference}});
    return fixture;
}

// --- The medications and what becomes of them ------------------------------------------------

struct Change {
    std::string rxNormId; // empty: removed
    std::string termType; // "SBD", "SCD" or "" (three spaces)
    int32_t code;         // resolution code in the CSV line
};

struct ScanCase {
    const char* what;
    int32_t patientId;
    MedicationTexts texts;
    std::optional<Change> change; // nullopt: left as it is, no lines
};

MedicationTexts Tablet(const char* name, const char* strength, const char* rxNormId,
                       const char* termType = "", const char* drugCode = "") {
    return {name, strength, "Tablet", "Oral", drugCode, rxNormId, termType};
}

const ScanCase kScanCases[] = {
    // Nothing to look at.
    {"no RxNorm ID and no drug code", 7, Tablet("Lisinopril", "10 MG", ""), std::nullopt},
    {"no RxNorm ID, no drug code, not describable", 7, Tablet("", "10 MG", ""), std::nullopt},
    // Cannot be described.
    {"not describable, no RxNorm ID",
     7,
     {"", "10 MG", "Tablet", "Oral", "LIS10", "", ""},
     std::nullopt},
    {"no drug name", 7, Tablet("", "10 MG", "314076", "SCD"), Change{"", "", -2}},
    {"no route", 8, {"Lisinopril", "10 MG", "Tablet", "", "", "314076", "SCD"}, Change{"", "", -2}},
    {"a dose form without a form code",
     7,
     {"Lisinopril", "10 MG", "Elixir", "Oral", "", "314076", "SCD"},
     Change{"", "", -2}},
    {"a route without a route code",
     7,
     {"Lisinopril", "10 MG", "Tablet", "By mouth", "", "314076", "SCD"},
     Change{"", "", -2}},
    {"a name that is blank in its first 30 characters", 7,
     Tablet("                              Lisin", "10 MG", "314076", "SCD"), Change{"", "", -2}},
    // No drug in the dictionary.
    {"no matching drug, no RxNorm ID", 7, Tablet("LISINOPRIL", "10 MG", "", "", "LIS10"),
     std::nullopt},
    {"the name in other letter case", 7, Tablet("LISINOPRIL", "10 MG", "314076", "SCD"),
     Change{"", "", -1}},
    {"another strength", 8, Tablet("Lisinopril", "20 MG", "314077", "SCD"), Change{"", "", -1}},
    {"another dose form",
     7,
     {"Lisinopril", "10 MG", "Capsule", "Oral", "", "314076", "SCD"},
     Change{"", "", -1}},
    // The drug is there, and the scan settles it alone.
    {"a drug without an NDC", 7, Tablet("Baclofen", "10 MG", "999999", "SCD"), std::nullopt},
    {"a drug without candidates", 7, Tablet("Atenolol", "50 MG", "1", "SCD"), std::nullopt},
    {"the only candidate's ID already", 7, Tablet("Lisinopril", "10 MG", "314076", "SCD"),
     std::nullopt},
    {"the only candidate's ID of 15 characters already", 7,
     Tablet("Loratadine", "10 MG", "123456789012345", "SCD"), std::nullopt},
    {"another ID than the only candidate's", 7, Tablet("Lisinopril", "10 MG", "314077", "SBD"),
     Change{"314076", "SCD", 101}},
    {"no ID but a drug code", 8, Tablet("Zestril", "10 MG", "", "", "ZES10"),
     Change{"104377", "SBD", 102}},
    {"a BPCK candidate", 7, Tablet("Natazia", "2 MG", "978951", "SCD"),
     Change{"978950", "SBD", 105}},
    {"a candidate of another term type", 7, Tablet("Famotidine", "20 MG", "310274", "SCD"),
     Change{"310273", "", 106}},
    {"a term type in lower case", 7, Tablet("Glyburide", "5 MG", "", "", "GLY5"),
     Change{"310537", "SCD", 107}},
    {"an ID that differs in letter case only", 7, Tablet("Ibuprofen", "600 MG", "A197806", "SCD"),
     Change{"a197806", "SCD", 109}},
    {"a comma in the dose form",
     8,
     {"Memantine", "10 MG", "Tablet, Film Coated", "Oral", "MEM10", "", ""},
     Change{"996561", "SCD", 110}},
    {"a patient not in the patient table", 9, Tablet("Lisinopril", "10 MG", "1", "SCD"),
     Change{"314076", "SCD", 101}},
    // Several candidates.
    {"SBD and SCD, the SCD stored", 7, Tablet("Abilify", "10 MG", "349545", "SCD"),
     Change{"352307", "SBD", 201}},
    {"SBD and SCD, the SBD stored", 7, Tablet("Abilify", "10 MG", "352307", "SBD"), std::nullopt},
    {"SBD and SCD, nothing stored", 8, Tablet("Abilify", "10 MG", "", "", "ABI10"),
     Change{"352307", "SBD", 201}},
    {"SBD with BPCK", 7, Tablet("Nuvigil", "150 MG", "805659", "SBD"), Change{"", "", 202}},
    {"SBD with BPCK, nothing stored", 7, Tablet("Nuvigil", "150 MG", "", "", "NUV150"),
     std::nullopt},
    {"SCD with GPCK", 7, Tablet("Lamotrigine", "25 MG", "198427", "SCD"), Change{"", "", 203}},
    {"two SBDs with an SCD", 7, Tablet("Namenda", "10 MG", "996561", "SCD"), Change{"", "", 204}},
    {"two SBDs with a GPCK", 7, Tablet("Casodex", "50 MG", "108828", "SBD"),
     Change{"851750", "SCD", 205}},
    {"BPCK with SCD", 8, Tablet("Ortho-Novum", "1 MG", "1000012", "SCD"),
     Change{"749853", "SBD", 206}},
    {"two BPCKs with a GPCK", 7, Tablet("Tarina Fe", "1 MG", "1550536", "SBD"),
     Change{"", "", 207}},
    {"two BPCKs with an SCD", 7, Tablet("Loestrin", "1 MG", "1000033", "SBD"),
     Change{"1000022", "SCD", 208}},
    {"two SCDs", 7, Tablet("Famotidine", "40 MG", "284245", "SCD"), Change{"", "", 209}},
    {"only sbd and SY", 7, Tablet("Olanzapine", "5 MG", "312078", "SBD"), Change{"", "", 210}},
    {"Gpck with SCD", 7, Tablet("Metformin", "1000 MG", "", "", "MET1000"),
     Change{"861004", "SCD", 211}},
};

// Entry IDs in key order: 10, 20, 30, ...; the fixture lists them backwards.
int32_t EntryId(std::size_t index) {
    return static_cast<int32_t>(10 * (index + 1));
}

nlohmann::json ScanFixture() {
    nlohmann::json fixture = ReferenceFixture();
    fixture["medications"] = nlohmann::json::array();
    for (std::size_t i = std::size(kScanCases); i-- > 0;) {
        const ScanCase& c = kScanCases[i];
        fixture["medications"].push_back(
            testsupport::MedicationJson(EntryId(i), c.patientId, c.texts));
    }
    return fixture;
}

std::string CsvText(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"')
            quoted += c;
    }
    return quoted + "\"";
}

std::string PatientRef(int32_t patientId) {
    const auto it = kPatients.find(patientId);
    return it == kPatients.end() ? std::string() : it->second;
}

std::string CsvLine(int32_t entryId, const ScanCase& c) {
    const MedicationTexts& t = c.texts;
    return std::to_string(entryId) + "," + std::to_string(c.change->code) + "," +
           CsvText(c.change->rxNormId) + "," + CsvText(t.rxNormId) + "," + CsvText(t.drugCode) +
           "," + std::to_string(c.patientId) + "," + CsvText(PatientRef(c.patientId)) + "," +
           CsvText(t.drugName) + "," + CsvText(t.strength) + "," + CsvText(t.route) + "," +
           CsvText(t.doseForm) + "\r\n";
}

std::string OrNull(const std::string& id) {
    return id.empty() ? "NULL" : id;
}

std::string LogLine(const ScanCase& c, bool reportOnly) {
    const MedicationTexts& t = c.texts;
    const std::string medication = t.drugName + " " + t.strength + " " + t.route + " " + t.doseForm;
    const std::string tail = " for the medication " + medication +
                             " for Patient: " + PatientRef(c.patientId) +
                             ". Please verify this change is correct.\r\n";
    if (reportOnly) {
        return "The RxNormID " + OrNull(t.rxNormId) + " is incorrect, and should be changed to " +
               OrNull(c.change->rxNormId) + tail;
    }
    return "The RxNormID was changed from " + OrNull(t.rxNormId) + " to " +
           OrNull(c.change->rxNormId) + tail;
}

// The lines of an undo that takes the change of `c` back.
std::string UndoCsvLine(int32_t entryId, const ScanCase& c) {
    ScanCase back = c;
    back.change->rxNormId = c.texts.rxNormId;
    back.texts.rxNormId = c.change->rxNormId;
    return CsvLine(entryId, back);
}

std::string UndoLogLine(const ScanCase& c) {
    const MedicationTexts& t = c.texts;
    return "The RxNormID was changed back from " + OrNull(c.change->rxNormId) + " to " +
           OrNull(t.rxNormId) + " for the medication " + t.drugName + " " + t.strength + " " +
           t.route + " " + t.doseForm + " for Patient: " + PatientRef(c.patientId) +
           ". Please verify this change is correct.\r\n";
}

// The record as a repair leaves it: the two RxNorm fields replaced, every other byte kept.
std::string Repaired(std::string record, const Change& change) {
    std::string id = change.rxNormId;
    id.resize(15, ' ');
    std::string termType = change.termType;
    termType.resize(3, ' ');
    record.replace(kRxNormOffset, 15, id);
    record.replace(kTermTypeOffset, 3, termType);
    return record;
}

using testsupport::MedicationRecords;

// --- The outcome of every case, in both modes ------------------------------------------------

class ScanOutcomeTest : public testing::TestWithParam<unsigned char> {};

TEST_P(ScanOutcomeTest, SettlesEveryMedicationAndDescribesEveryChange) {
    const unsigned char reportOnly = GetParam();
    testsupport::TempFolder temp;
    const fs::path folder = testsupport::BuildHostFolder(temp.Path(), ScanFixture());
    testsupport::DialogOnHostFolder fixture(folder);
    ASSERT_TRUE(fixture.OpenDatabase()) << fixture.errorText;
    const std::vector<std::string> before = MedicationRecords(folder);
    ASSERT_EQ(before.size(), std::size(kScanCases));

    int32_t examined = -1;
    int32_t affected = -1;
    ASSERT_TRUE(fixture.dialog.ScanMedications(examined, affected, reportOnly));

    const std::vector<std::string> after = MedicationRecords(folder);
    ASSERT_EQ(after.size(), before.size());
    std::string csv;
    std::string log;
    int32_t changes = 0;
    for (std::size_t i = 0; i < std::size(kScanCases); ++i) {
        const ScanCase& c = kScanCases[i];
        SCOPED_TRACE(c.what);
        std::string expected = before[i];
        if (c.change) {
            ++changes;
            csv += CsvLine(EntryId(i), c);
            log += LogLine(c, reportOnly != 0);
            if (reportOnly == 0)
                expected = Repaired(expected, *c.change);
        }
        EXPECT_TRUE(after[i] == expected)
            << "rxNormId '" << after[i].substr(kRxNormOffset, 15) << "' termType '"
            << after[i].substr(kTermTypeOffset, 3) << "'";
    }
    EXPECT_EQ(examined, static_cast<int32_t>(std::size(kScanCases)));
    EXPECT_EQ(affected, changes);
    EXPECT_EQ(fixture.FileBytes("Dosewright.csv"), csv);
    EXPECT_EQ(fixture.FileBytes("Dosewright.log"), log);
    EXPECT_EQ(fixture.window.Events(), (std::vector{BeginWait(), Status(kRunning), EndWait()}));
    EXPECT_FALSE(fixture.dialog.Files().IsLogOpen());
    EXPECT_FALSE(fixture.dialog.Files().IsCsvOpen());
    if (reportOnly != 0) {
        // A report keeps what it found, and nothing an undo would take back.
        std::vector<std::string> runs;
        int error = 0;
        ASSERT_TRUE(JournalFileNames(fixture.FolderPath(), runs, error));
        ASSERT_EQ(runs.size(), 1u);
        const JournalRunSummary run = SummarizeRun(fixture.FolderPath(), runs[0]);
        EXPECT_EQ(run.mode, journal::Mode::Report);
        EXPECT_EQ(run.changes, changes);
        EXPECT_TRUE(run.ended);
        EXPECT_FALSE(fixture.dialog.OnUndo(""));
        EXPECT_EQ(fixture.window.StatusText(), kNoRunToUndo);
        EXPECT_TRUE(MedicationRecords(folder) == before);
        return;
    }

    // Undo gives the table back byte for byte, and describes each change it
    // takes back; an undo of the undo makes the repair again.
    const std::string restored = "Number of Medications restored: " + std::to_string(changes) +
                                 "/" + std::to_string(changes) +
                                 "\nPlease refer to Dosewright.log for more details.";
    ASSERT_TRUE(fixture.dialog.OnUndo(""));
    EXPECT_EQ(fixture.window.StatusText(), restored);
    EXPECT_TRUE(MedicationRecords(folder) == before);
    std::string undoCsv;
    std::string undoLog;
    for (std::size_t i = 0; i < std::size(kScanCases); ++i) {
        if (kScanCases[i].change) {
            undoCsv += UndoCsvLine(EntryId(i), kScanCases[i]);
            undoLog += UndoLogLine(kScanCases[i]);
        }
    }
    EXPECT_EQ(fixture.FileBytes("Dosewright.csv"), undoCsv);
    EXPECT_EQ(fixture.FileBytes("Dosewright.log"), log + undoLog);
    ASSERT_TRUE(fixture.dialog.OnUndo(""));
    EXPECT_EQ(fixture.window.StatusText(), restored);
    EXPECT_TRUE(MedicationRecords(folder) == after);
}

INSTANTIATE_TEST_SUITE_P(Modes, ScanOutcomeTest, testing::Values(0, 1),
                         [](const testing::TestParamInfo<unsigned char>& info) {
                             return info.param == 0 ? "Repair" : "Report";
                         });

// --- A scan on its own small folder ---------------------------------------------------------

class ScanRunTest : public testing::Test {
protected:
    void Build(const std::vector<MedicationTexts>& medications,
               const nlohmann::json& reference = ReferenceFixture()) {
        nlohmann::json fixture = reference;
        fixture["medications"] = nlohmann::json::array();
        for (std::size_t i = 0; i < medications.size(); ++i) {
            fixture["medications"].push_back(
                testsupport::MedicationJson(EntryId(i), 7, medications[i]));
        }
        m_folder = testsupport::BuildHostFolder(m_temp.Path(), fixture);
        m_fixture.emplace(m_folder);
        ASSERT_TRUE(m_fixture->OpenDatabase()) << m_fixture->errorText;
        m_fixture->window.onScanProgress = [this](int32_t examined) { m_examined = examined; };
    }

    // A run that must stop: false, and the counts left as they were.
    void ExpectStops(unsigned char reportOnly = 0) {
        int32_t examined = -5;
        int32_t affected = -5;
        EXPECT_FALSE(Dialog().ScanMedications(examined, affected, reportOnly));
        EXPECT_EQ(examined, -5);
        EXPECT_EQ(affected, -5);
    }
    // A run that must reach the end; returns {examined, affected}.
    std::pair<int32_t, int32_t> Run(unsigned char reportOnly) {
        int32_t examined = -5;
        int32_t affected = -5;
        EXPECT_TRUE(Dialog().ScanMedications(examined, affected, reportOnly));
        return {examined, affected};
    }

    CDosewrightDlg& Dialog() { return m_fixture->dialog; }
    const std::vector<WindowEvent>& Events() { return m_fixture->window.Events(); }
    std::string Csv() { return m_fixture->FileBytes("Dosewright.csv"); }
    std::string Log() { return m_fixture->FileBytes("Dosewright.log"); }

    testsupport::TempFolder m_temp;
    fs::path m_folder;
    std::optional<testsupport::DialogOnHostFolder> m_fixture;
    int32_t m_examined = 0;
};

const MedicationTexts kUntouched = Tablet("Lisinopril", "10 MG", "");
const MedicationTexts kWrongLisinopril = Tablet("Lisinopril", "10 MG", "314077", "SCD");
const MedicationTexts kWrongAbilify = Tablet("Abilify", "10 MG", "349545", "SCD");

TEST_F(ScanRunTest, AMedicationWithoutIdAndDrugCodeIsNotLookedUp) {
    Build({kUntouched, kUntouched});
    // Any positioning in a reference table would trip the switch.
    StoreLink_FailCall("fspos", 1, -777);
    EXPECT_EQ(Run(0), std::make_pair(2, 0));
    EXPECT_EQ(fspos(-1, 1, nullptr), -777) << "a reference table was positioned";
    EXPECT_EQ(Csv(), "");
}

// The second medication of the same texts and patient is settled by what the
// first one learned, without a call that could fail; with nothing remembered
// it asks again, and the failing positioning stops the run.
TEST_F(ScanRunTest, MedicationsOfTheSameTextsAndPatientAskTheHostOnce) {
    for (const std::size_t capacity : {MedicationTextMemo::kDefaultCapacity, std::size_t{0}}) {
        SCOPED_TRACE(capacity);
        m_fixture.reset();
        fs::remove_all(m_temp.Path());
        fs::create_directories(m_temp.Path());
        Build({kWrongLisinopril, kWrongLisinopril});
        Dialog().TextMemo().SetCapacity(capacity);
        m_fixture->window.onScanProgress = [](int32_t examined) {
            if (examined == 2)
                StoreLink_FailCall("fspos", 1, -777);
        };
        if (capacity == 0) {
            ExpectStops(1);
            continue;
        }
        EXPECT_EQ(Run(1), std::make_pair(2, 2));
        EXPECT_EQ(fspos(-1, 1, nullptr), -777) << "the second medication asked the host";
        EXPECT_EQ(Dialog().PatientLookupFailures(), 0);
    }
}

TEST_F(ScanRunTest, AnEmptyMedicationTableEmptiesTheCsvAndKeepsTheLog) {
    Build({});
    testsupport::WriteFileBytes(m_folder / "Dosewright.csv", "old report\r\n");
    testsupport::WriteFileBytes(m_folder / "Dosewright.log", "old log\r\n");
    EXPECT_EQ(Run(0), std::make_pair(0, 0));
    EXPECT_EQ(Csv(), "");
    EXPECT_EQ(Log(), "old log\r\n");
}

TEST_F(ScanRunTest, AReadThatGivesNoRecordEndsTheWalk) {
    Build({kWrongLisinopril, kWrongLisinopril, kWrongLisinopril});
    StoreLink_FailCall("fsgetn", 3, 0); // the MRRX99 read after the first record's lookups
    EXPECT_EQ(Run(1), std::make_pair(1, 1));
    EXPECT_EQ(Csv(), "10,101,314076,314077,,7,DOE0007,Lisinopril,10 MG,Oral,Tablet\r\n");
}

TEST_F(ScanRunTest, TwoCompleteRunsGrowTheLogAndReplaceTheCsv) {
    Build({kWrongLisinopril, kUntouched, kWrongAbilify});
    EXPECT_EQ(Run(1), std::make_pair(3, 2));
    const std::string csv = Csv();
    const std::string log = Log();
    ASSERT_FALSE(csv.empty());
    EXPECT_EQ(Run(1), std::make_pair(3, 2));
    EXPECT_EQ(Csv(), csv);
    EXPECT_EQ(Log(), log + log);
}

TEST_F(ScanRunTest, ARunAfterAFailedRunWritesOnAtTheEndOfBothFiles) {
    Build({kWrongLisinopril, kWrongAbilify, kWrongLisinopril});
    const std::vector<std::string> before = MedicationRecords(m_folder);
    StoreLink_FailCall("fsupdate", 2, kIoError);
    ExpectStops();
    const std::string firstCsv = Csv();
    const std::string firstLog = Log();
    EXPECT_EQ(std::count(firstCsv.begin(), firstCsv.end(), '\n'), 1);
    ASSERT_TRUE(Dialog().Files().IsCsvOpen());
    ASSERT_TRUE(Dialog().Files().IsLogOpen());

    // The streams stay open; the next run neither reopens nor empties them.
    EXPECT_EQ(Run(0), std::make_pair(3, 2));
    const std::string secondCsv =
        "20,201,352307,349545,,7,DOE0007,Abilify,10 MG,Oral,Tablet\r\n"
        "30,101,314076,314077,,7,DOE0007,Lisinopril,10 MG,Oral,Tablet\r\n";
    EXPECT_EQ(Csv(), firstCsv + secondCsv);
    EXPECT_EQ(Log(),
              firstLog +
                  "The RxNormID was changed from 349545 to 352307 for the medication Abilify 10 MG "
                  "Oral Tablet for Patient: DOE0007. Please verify this change is correct.\r\n"
                  "The RxNormID was changed from 314077 to 314076 for the medication Lisinopril "
                  "10 MG Oral Tablet for Patient: DOE0007. Please verify this change is "
                  "correct.\r\n");
    const std::vector<std::string> after = MedicationRecords(m_folder);
    EXPECT_TRUE(after[0] == Repaired(before[0], {"314076", "SCD", 0}));
    EXPECT_TRUE(after[1] == Repaired(before[1], {"352307", "SBD", 0}));
    EXPECT_TRUE(after[2] == Repaired(before[2], {"314076", "SCD", 0}));
}

// --- Failures of the run's own calls ----------------------------------------------------------

TEST_F(ScanRunTest, ALogThatCannotBeOpenedStopsTheRun) {
    Build({kWrongLisinopril});
    fs::create_directory(m_folder / "Dosewright.log");
    ExpectStops();
    const std::string message = "Failure opening Dosewright.log file";
    EXPECT_EQ(Events(), (std::vector{BeginWait(), Status(kRunning), Box(message, kTitle),
                                     Status(message), EndWait()}));
    EXPECT_FALSE(Dialog().Files().IsLogOpen());
    EXPECT_FALSE(Dialog().Files().IsCsvOpen());
}

TEST_F(ScanRunTest, ACsvThatCannotBeOpenedStopsTheRunWithTheLogOpen) {
    Build({kWrongLisinopril});
    fs::create_directory(m_folder / "Dosewright.csv");
    ExpectStops();
    const std::string message = "Failure opening Dosewright.csv file";
    EXPECT_EQ(Events(), (std::vector{BeginWait(), Status(kRunning), Box(message, kTitle),
                                     Status(message), EndWait()}));
    EXPECT_TRUE(Dialog().Files().IsLogOpen());
    EXPECT_FALSE(Dialog().Files().IsCsvOpen());
}

// A folder whose path leaves room for the first characters of the run files'
// names only: the run files refuse it rather than write a file of a cut name.
TEST_F(ScanRunTest, AFolderTooLongForTheFileNamesIsRefusedNotCut) {
    const std::size_t length = host::kDatabasePathSize - 1 - 7; // room for "Dosewri"
    std::string folder = m_temp.Path().string() + "/";
    folder += std::string(length - folder.size() - 1, 'd') + "/";
    ASSERT_EQ(folder.size(), length);
    fs::create_directory(folder);

    RunFiles files;
    EXPECT_EQ(files.Open(folder.c_str(), RunMode::Repair), RunFilesStatus::LockFailed);
    EXPECT_FALSE(files.IsLogOpen() || files.IsCsvOpen());
    EXPECT_TRUE(fs::is_empty(folder));
}

// One run at a time: while another holds the folder's run lock a run touches
// no file and says why; once the lock is free it runs. The lock is given up
// with the files at the end of a run.
TEST_F(ScanRunTest, ARunWhileAnotherHoldsTheLockTouchesNothing) {
    Build({kWrongLisinopril});
    testsupport::WriteFileBytes(m_folder / "Dosewright.csv", "last run\r\n");
    const std::string lockFile = (m_folder / "Dosewright.lock").string();
    {
        platform::RunLock other;
        ASSERT_EQ(other.Acquire(lockFile.c_str()), platform::RunLock::Result::Acquired);
        ExpectStops();
        EXPECT_EQ(Events(),
                  (std::vector{BeginWait(), Status(kRunning), Box(kAnotherRunMessage, kTitle),
                               Status(kAnotherRunMessage), EndWait()}));
        EXPECT_FALSE(Dialog().Files().IsLogOpen() || Dialog().Files().IsCsvOpen());
        EXPECT_EQ(Csv(), "last run\r\n");
        EXPECT_FALSE(fs::exists(m_folder / "Dosewright.log"));
    }
    EXPECT_EQ(Run(1), std::make_pair(1, 1));
    platform::RunLock after;
    EXPECT_EQ(after.Acquire(lockFile.c_str()), platform::RunLock::Result::Acquired);
}

struct ReadFailureCase {
    const char* what;
    const char* operation;
    int32_t callNumber;
    const char* message;
    bool boxFirst;
    int32_t examined; // medications examined before the run stopped
};

void PrintTo(const ReadFailureCase& c, std::ostream* out) {
    *out << c.what;
}

class ScanReadFailureTest : public ScanRunTest,
                            public testing::WithParamInterface<ReadFailureCase> {};

TEST_P(ScanReadFailureTest, StopsWithItsMessageInItsOrder) {
    const ReadFailureCase& c = GetParam();
    // Medications that need no lookup, so every fsgetn is a read of MRRX99.
    Build({kUntouched, kUntouched, kUntouched});
    StoreLink_FailCall(c.operation, c.callNumber, kIoError);
    ExpectStops();

    const std::string message = c.message + std::to_string(kIoError) + kSupport;
    const WindowEvent box = Box(message, kTitle);
    const WindowEvent status = Status(message);
    EXPECT_EQ(Events(), (std::vector{BeginWait(), Status(kRunning), c.boxFirst ? box : status,
                                     c.boxFirst ? status : box, EndWait()}));
    EXPECT_EQ(m_examined, c.examined);
    EXPECT_TRUE(Dialog().Files().IsLogOpen());
    EXPECT_TRUE(Dialog().Files().IsCsvOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ScanReadFailureTest,
    testing::Values(ReadFailureCase{"fsgotof", "fsgotof", 1,
                                    "Failure reading first record of MRRX99. Error Code:", false,
                                    0},
                    ReadFailureCase{"first fsgetn", "fsgetn", 1,
                                    "Failure reading first record of MRRX99. Error Code:", false,
                                    0},
                    ReadFailureCase{"later fsgetn", "fsgetn", 3,
                                    "Failure to read next MRRX99 record. Error Code:", true, 2}),
    [](const testing::TestParamInfo<ReadFailureCase>& info) {
        return "Case" + std::to_string(info.index);
    });

// The tenth change cannot be written: the nine before it stay written and
// described, and the run stops. The scan shows its own update failure on the
// status line first; the resolution of several candidates shows the box first.
// Either the record manager refuses the update, or another program edited the
// record while the scan looked its drug up: the scan sees that when it reads
// the record again before the update, writes nothing over the edit, and stops
// as on a refused update, before any update is tried.
struct UpdateFailureCase {
    const char* what;
    MedicationTexts medication;
    Change change;
    bool boxFirst;
    bool editedByAnother;
};

void PrintTo(const UpdateFailureCase& c, std::ostream* out) {
    *out << c.what;
}

class ScanUpdateFailureTest : public ScanRunTest,
                              public testing::WithParamInterface<UpdateFailureCase> {};

// Rewrites the last byte of the `index`th medication through a handle of its own.
void EditMedication(const fs::path& folder, int index) {
    const int32_t other = fsopen((folder / "MRRX99").string().c_str(), host::kOpenMode,
                                 host::kFirstCredential, host::kSecondCredential, host::kOpenFlag);
    ASSERT_GE(other, 0);
    std::string record(771, '\0');
    ASSERT_EQ(fsgotof(other, 7), 0);
    for (int i = 0; i <= index; ++i)
        ASSERT_GT(fsgetn(other, 7, record.data(), 771), 0);
    record.back() = static_cast<char>(record.back() ^ 0x5A);
    EXPECT_EQ(fsupdate(other, record.data(), 771), 0);
    fsclose(other);
}

TEST_P(ScanUpdateFailureTest, KeepsTheFirstNineChangesAndTheirLines) {
    const UpdateFailureCase& c = GetParam();
    Build(std::vector<MedicationTexts>(12, c.medication));
    std::vector<std::string> before = MedicationRecords(m_folder);
    int32_t code = kIoError;
    if (c.editedByAnother) {
        m_fixture->window.onScanProgress = [this](int32_t examined) {
            m_examined = examined;
            if (examined != 10)
                return;
            EditMedication(m_folder, 9);
            // An update tried anyway would show this code instead.
            StoreLink_FailCall("fsupdate", 1, -777);
        };
        code = host::kStatusRecordChanged;
    } else {
        StoreLink_FailCall("fsupdate", 10, kIoError);
    }
    ExpectStops();

    const std::string message =
        "Failure updating MRRX99. Error Code:" + std::to_string(code) + kSupport;
    const WindowEvent box = Box(message, kTitle);
    const WindowEvent status = Status(message);
    EXPECT_EQ(Events(), (std::vector{BeginWait(), Status(kRunning), c.boxFirst ? box : status,
                                     c.boxFirst ? status : box, EndWait()}));
    EXPECT_EQ(m_examined, 10);

    const std::vector<std::string> after = MedicationRecords(m_folder);
    ASSERT_EQ(after.size(), 12u);
    if (c.editedByAnother) {
        before[9].back() = static_cast<char>(before[9].back() ^ 0x5A); // the edit stays
        EXPECT_EQ(fsupdate(-1, nullptr, 0), -777) << "an update was tried";
    }
    std::string csv;
    std::string log;
    for (std::size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(i);
        const ScanCase written{c.what, 7, c.medication, c.change};
        if (i < 9) {
            EXPECT_TRUE(after[i] == Repaired(before[i], c.change));
            csv += CsvLine(EntryId(i), written);
            log += LogLine(written, false);
        } else {
            EXPECT_TRUE(after[i] == before[i]);
        }
    }
    // The streams are still open, and every line is already on disk.
    EXPECT_EQ(Csv(), csv);
    EXPECT_EQ(Log(), log);
    EXPECT_TRUE(Dialog().Files().IsLogOpen());
    EXPECT_TRUE(Dialog().Files().IsCsvOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ScanUpdateFailureTest,
    testing::Values(
        UpdateFailureCase{"one candidate", kWrongLisinopril, {"314076", "SCD", 101}, false, false},
        UpdateFailureCase{"several candidates", kWrongAbilify, {"352307", "SBD", 201}, true, false},
        UpdateFailureCase{"one candidate, record edited meanwhile",
                          kWrongLisinopril,
                          {"314076", "SCD", 101},
                          false,
                          true},
        UpdateFailureCase{"several candidates, record edited meanwhile",
                          kWrongAbilify,
                          {"352307", "SBD", 201},
                          true,
                          true}),
    [](const testing::TestParamInfo<UpdateFailureCase>& info) {
        return std::string(info.index % 2 == 0 ? "OneCandidate" : "SeveralCandidates") +
               (info.param.editedByAnother ? "EditedMeanwhile" : "");
    });

// A line that cannot be written stops the run at once: the change it describes
// is the only one without its lines.
TEST_F(ScanRunTest, ALineThatCannotBeWrittenStopsTheRun) {
#if defined(_WIN32)
    GTEST_SKIP() << "Linux only: the run's open files are found in /proc/self/fd";
#endif
    Build({kWrongLisinopril, kWrongLisinopril});
    const std::vector<std::string> before = MedicationRecords(m_folder);
    ASSERT_TRUE(Dialog().OpenRunFiles(0));
    ASSERT_TRUE(m_fixture->RedirectOpenFile("Dosewright.csv", "/dev/full"));
    ExpectStops();

    const std::string message =
        "Failure writing the Dosewright.csv file. Error Code:" + std::to_string(ENOSPC) +
        "\nPlease verify there is free space in the orvale folder and "
        "you have access to write files in it.";
    EXPECT_EQ(Events(), (std::vector{BeginWait(), Status(kRunning), Box(message, kTitle),
                                     Status(message), EndWait()}));
    EXPECT_EQ(m_examined, 1);
    const std::vector<std::string> after = MedicationRecords(m_folder);
    EXPECT_TRUE(after[0] == Repaired(before[0], {"314076", "SCD", 101}));
    EXPECT_TRUE(after[1] == before[1]);
    EXPECT_EQ(Log(), "");
}

// A run file that cannot be closed may not hold every line: the run that reached
// its end says so instead of its summary.
TEST_F(ScanRunTest, ARunFileThatFailsToCloseStopsTheRun) {
#if defined(_WIN32)
    GTEST_SKIP() << "Linux only: the run's open files are found in /proc/self/fd";
#endif
    Build({kUntouched}); // no lookup, no line: only MRRX99 is read until the close
    ASSERT_TRUE(Dialog().OpenRunFiles(1));
    const int csv = m_fixture->HeldDescriptor("Dosewright.csv");
    ASSERT_GE(csv, 0);
    ASSERT_EQ(::close(csv), 0);

    ExpectStops(1);

    const std::string message =
        "Failure writing the Dosewright.csv file. Error Code:" + std::to_string(EBADF) +
        "\nPlease verify there is free space in the orvale folder and "
        "you have access to write files in it.";
    EXPECT_EQ(Events(), (std::vector{BeginWait(), Status(kRunning), Box(message, kTitle),
                                     Status(message), EndWait()}));
    EXPECT_EQ(m_examined, 1);
    EXPECT_FALSE(Dialog().Files().IsLogOpen() || Dialog().Files().IsCsvOpen());
}

// A lookup's failure is shown once, by the lookup; the scan stops without a
// message of its own.
struct EmptyTableCase {
    const char* table;
    const char* fixtureArray;
};

void PrintTo(const EmptyTableCase& c, std::ostream* out) {
    *out << c.table;
}

class ScanEmptyTableTest : public ScanRunTest,
                           public testing::WithParamInterface<EmptyTableCase> {};

TEST_P(ScanEmptyTableTest, StopsTheScanWithThatTablesMessage) {
    const EmptyTableCase& c = GetParam();
    nlohmann::json reference = ReferenceFixture();
    reference.erase(c.fixtureArray);
    Build({kUntouched, kWrongLisinopril, kWrongLisinopril}, reference);
    ExpectStops(1);

    const std::string message = std::string("You have an empty ") + c.table +
                                " table and for this utility to run it requires the " + c.table +
                                " table to contain data." + kSupport;
    EXPECT_EQ(Events(), (std::vector{BeginWait(), Status(kRunning), Box(message, kTitle),
                                     Status(message), EndWait()}));
    EXPECT_EQ(m_examined, 2);
    EXPECT_EQ(Csv(), "");
}

INSTANTIATE_TEST_SUITE_P(Tables, ScanEmptyTableTest,
                         testing::Values(EmptyTableCase{"MRDD99", "drugs"},
                                         EmptyTableCase{"MRDNDC99", "ndcs"},
                                         EmptyTableCase{"MRDRXN99", "rxnorm"}),
                         [](const testing::TestParamInfo<EmptyTableCase>& info) {
                             return std::string(info.param.table);
                         });

} // namespace

// --- The journal and undo ---------------------------------------------------------------------

// Writes `edit` into the record of `entryId` through the dialog's own handle,
// as another program editing the medication would.
void EditRecord(CDosewrightDlg& dialog, int32_t entryId, const std::function<void(_MRRX&)>& edit) {
    _MRRX record{};
    record.entryId = entryId;
    ASSERT_EQ(fspos(dialog.Session().MedicationTable(), 7, &record), 1);
    ASSERT_GT(fsget(dialog.Session().MedicationTable(), 7, &record, 771), 0);
    edit(record);
    ASSERT_GE(fsupdate(dialog.Session().MedicationTable(), &record, 771), 0);
}

std::string Restored(int restored, int changes) {
    return "Number of Medications restored: " + std::to_string(restored) + "/" +
           std::to_string(changes) + "\nPlease refer to Dosewright.log for more details.";
}

TEST_F(ScanRunTest, UndoKeepsEditsMadeSinceAndNamesAMedicationItLeavesAlone) {
    Build({kWrongLisinopril, kWrongAbilify, kWrongLisinopril});
    const std::vector<std::string> before = MedicationRecords(m_folder);
    EXPECT_EQ(Run(0), std::make_pair(3, 3));
    // The first medication gets another ID; the second another name only.
    EditRecord(Dialog(), EntryId(0), [](_MRRX& r) { std::memcpy(r.rxNormId, "555", 3); });
    EditRecord(Dialog(), EntryId(1), [](_MRRX& r) { std::memcpy(r.drugName, "Abilifx", 7); });
    const std::vector<std::string> edited = MedicationRecords(m_folder);

    ASSERT_TRUE(Dialog().OnUndo(""));
    EXPECT_EQ(m_fixture->window.StatusText(), Restored(2, 3));
    const std::vector<std::string> after = MedicationRecords(m_folder);
    EXPECT_TRUE(after[0] == edited[0]);
    std::string renamed = before[1];
    renamed.replace(124, 7, "Abilifx");
    EXPECT_TRUE(after[1] == renamed);
    EXPECT_TRUE(after[2] == before[2]);
    EXPECT_NE(Log().find("The RxNormID was not changed back from 314076 to 314077 for the "
                         "medication Lisinopril 10 MG Oral Tablet for Patient: DOE0007, because "
                         "the medication was changed since. Please verify this medication.\r\n"),
              std::string::npos)
        << Log();
    const std::string csv = Csv();
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2) << "a CSV line per restored one";
}

TEST_F(ScanRunTest, UndoSkipsTheChangeARunJournaledButNeverMade) {
    Build({kWrongLisinopril, kWrongLisinopril, kWrongLisinopril, kWrongLisinopril});
    const std::vector<std::string> before = MedicationRecords(m_folder);
    StoreLink_FailCall("fsupdate", 3, kIoError);
    ExpectStops();
    ASSERT_NE(MedicationRecords(m_folder)[2], MedicationRecords(m_folder)[0]);

    ASSERT_TRUE(Dialog().OnUndo(""));
    EXPECT_EQ(m_fixture->window.StatusText(), Restored(2, 2));
    EXPECT_TRUE(MedicationRecords(m_folder) == before);
}

// Two reports compared: what is new, resolved or changed since the earlier
// one; a run with a damaged entry is never taken for complete.
TEST_F(ScanRunTest, ReportsKeepTheirFindingsAndTwoRunsCompare) {
    const MedicationTexts right = Tablet("Lisinopril", "10 MG", "314076", "SCD");
    Build({kWrongLisinopril, kWrongAbilify, right});
    EXPECT_EQ(Run(1), std::make_pair(3, 2));
    EditRecord(Dialog(), EntryId(0), [](_MRRX& r) { std::memcpy(r.rxNormId, "314076", 6); });
    EditRecord(Dialog(), EntryId(1), [](_MRRX& r) { std::memcpy(r.rxNormId, "349546", 6); });
    EditRecord(Dialog(), EntryId(2), [](_MRRX& r) { std::memcpy(r.rxNormId, "314077", 6); });
    EXPECT_EQ(Run(1), std::make_pair(3, 2));

    const RunComparison comparison = CompareRuns(m_fixture->FolderPath(), "", "");
    ASSERT_TRUE(comparison.ok) << comparison.failure;
    EXPECT_EQ(ComparisonSummary(comparison), "Since the report of " +
                                                 LocalTimeText(comparison.older.startMilliseconds) +
                                                 ": 1 new, 1 resolved, 1 changed, 0 unchanged.");
    std::string lines;
    for (const DiffedMedication& medication : comparison.medications)
        lines += DiffLine(medication, Dialog().Session(), false);
    EXPECT_EQ(lines,
              "Resolved: The RxNormID 314077 is incorrect, and should be changed to 314076 for the "
              "medication Lisinopril 10 MG Oral Tablet for Patient: DOE0007. Please verify this "
              "change is correct.\r\n"
              "Changed: The RxNormID 349546 is incorrect, and should be changed to 352307 for the "
              "medication Abilify 10 MG Oral Tablet for Patient: DOE0007. Please verify this "
              "change is correct.\r\n"
              "New: The RxNormID 314077 is incorrect, and should be changed to 314076 for the "
              "medication Lisinopril 10 MG Oral Tablet for Patient: DOE0007. Please verify this "
              "change is correct.\r\n");
    EXPECT_EQ(DiffLine(comparison.medications[2], Dialog().Session(), true),
              "New," + testsupport::SplitLines(Csv(), "\r\n").back() + "\r\n")
        << "the CSV's columns, as the report writes them";

    std::vector<std::string> runs;
    int error = 0;
    ASSERT_TRUE(JournalFileNames(m_fixture->FolderPath(), runs, error));
    const fs::path first = m_folder / "DosewrightJournal" / runs[0];
    std::string bytes = testsupport::ReadFileBytes(first);
    bytes[128 + 20] ^= 1; // the first finding's old RxNorm ID
    testsupport::WriteFileBytes(first, bytes);
    const RunComparison damaged = CompareRuns(m_fixture->FolderPath(), "", "");
    EXPECT_FALSE(damaged.ok);
    EXPECT_NE(damaged.failure.find("is damaged: 1 of its entries could not be read"),
              std::string::npos)
        << damaged.failure;
}

// A repair of approved changes makes only the rows a person kept, and only
// where the repair would make exactly that change now; undo takes it back.
TEST_F(ScanRunTest, ARepairOfApprovedChangesMakesOnlyThoseStillProposed) {
    Build({kWrongLisinopril, kWrongAbilify, kWrongLisinopril, kWrongLisinopril});
    const std::vector<std::string> before = MedicationRecords(m_folder);
    EXPECT_EQ(Run(1), std::make_pair(4, 4));
    std::vector<std::string> rows = testsupport::SplitLines(Csv(), "\r\n");
    ASSERT_EQ(rows.size(), 4u);
    // The second row rejected; the third medication edited since the review;
    // a row for a medication that is not there.
    rows.erase(rows.begin() + 1);
    EditRecord(Dialog(), EntryId(2), [](_MRRX& r) { std::memcpy(r.rxNormId, "314078", 6); });
    rows.push_back("999,101,314076,314077,,7,,,,,");
    std::string approvedText;
    for (const std::string& row : rows)
        approvedText += row + "\n";
    ApprovedParse approved = ParseApprovedChanges(approvedText, "approved.csv");
    ASSERT_TRUE(approved.ok) << approved.failure;
    const std::vector<std::string> edited = MedicationRecords(m_folder);

    ASSERT_TRUE(Dialog().OnRepairApproved(std::move(approved)));
    EXPECT_EQ(m_fixture->window.StatusText(),
              "Number of Medications fixed: 2/4\nApproved changes made: 2 of 4; left alone "
              "because the medication or the dictionary changed since: 1; matching no "
              "medication: 1.\nPlease refer to Dosewright.log for more details.");
    const std::vector<std::string> after = MedicationRecords(m_folder);
    EXPECT_NE(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]) << "a rejected row is not made";
    EXPECT_EQ(after[2], edited[2]) << "an edit since the review is kept";
    EXPECT_NE(after[3], before[3]);
    EXPECT_NE(Log().find("The RxNormID was not changed from 314078 to 314076 for the medication "
                         "Lisinopril 10 MG Oral Tablet for Patient: DOE0007, because the change "
                         "approved was from 314077 to 314076."),
              std::string::npos)
        << Log();
    EXPECT_NE(Log().find("of the medication 999 of patient 7 (line 4 of the approved file) was "
                         "not made, because no medication in MRRX99 is that one."),
              std::string::npos)
        << Log();
    ASSERT_TRUE(Dialog().OnUndo(""));
    EXPECT_TRUE(MedicationRecords(m_folder) == edited);
}

// Each call of the journal, the run files and the lock failed in turn, in a
// repair and in an undo: a run that stops says so, a run that goes through
// did all of its work, and no change is left that an undo cannot take back.
TEST_F(ScanRunTest, EveryFileCallThatFailsInARunIsShownAndLosesNoChange) {
    using platform::FileCall;
    const std::vector<MedicationTexts> medications = {kWrongLisinopril, kWrongAbilify,
                                                      kWrongLisinopril};
    auto fresh = [&] {
        m_fixture.reset();
        fs::remove_all(m_temp.Path());
        fs::create_directories(m_temp.Path());
        Build(medications);
    };
    fresh();
    const std::vector<std::string> before = MedicationRecords(m_folder);
    EXPECT_EQ(Run(0), std::make_pair(3, 3));
    const std::vector<std::string> repaired = MedicationRecords(m_folder);

    for (const bool undo : {false, true}) {
        for (const FileCall call :
             {FileCall::Open, FileCall::Read, FileCall::Write, FileCall::Sync, FileCall::Close}) {
            for (int nth = 1;; ++nth) {
                SCOPED_TRACE(std::string(undo ? "undo" : "repair") + ", call kind " +
                             std::to_string(static_cast<int>(call)) + " number " +
                             std::to_string(nth));
                fresh();
                if (undo) {
                    ASSERT_EQ(Run(0), std::make_pair(3, 3));
                }
                std::vector<std::string> runs;
                int error = 0;
                ASSERT_TRUE(JournalFileNames(m_fixture->FolderPath(), runs, error));
                m_fixture->window.ClearEvents();
                bool ran = false;
                int calls = 0;
                {
                    fakes::FailingFileSystem failing(call, "", testsupport::kErrorNotOpen, nth);
                    int32_t examined = 0;
                    int32_t affected = 0;
                    ran = undo ? Dialog().OnUndo("")
                               : Dialog().ScanMedications(examined, affected, 0);
                    calls = failing.Calls();
                }
                if (ran) {
                    EXPECT_TRUE(MedicationRecords(m_folder) == (undo ? before : repaired));
                } else {
                    EXPECT_EQ(m_fixture->window.MessageBoxes().size(), 1u)
                        << "a run that stops shows why";
                    // What the stopped run changed, its journal takes back.
                    const std::string repair =
                        undo ? runs[0].substr(0, runs[0].find(".journal")) : std::string();
                    if (MedicationRecords(m_folder) != before) {
                        EXPECT_TRUE(Dialog().OnUndo(repair)) << m_fixture->window.StatusText();
                    }
                    EXPECT_TRUE(MedicationRecords(m_folder) == before);
                }
                if (calls < nth)
                    break; // the run made fewer calls of the kind: each has failed once
            }
        }
    }
}

// The journal must exist before the first change: where it cannot be made,
// the repair stops before it changes anything.
TEST_F(ScanRunTest, AJournalThatCannotBeCreatedStopsTheRepairBeforeAnyChange) {
    const struct {
        const char* what;
        std::function<void(const fs::path&)> make;
        int error;
        const char* kind; // what the message says is in the folder's place
    } cases[] = {
        {"a file in the journal folder's place",
         [](const fs::path& folder) {
             testsupport::WriteFileBytes(folder / "DosewrightJournal", "x");
         },
         testsupport::kErrorExists, "a file"},
#if !defined(_WIN32) // symbolic links are an administrator's privilege on Windows
        {"a link in the journal folder's place",
         [](const fs::path& folder) {
             fs::create_directory(folder / "elsewhere");
             fs::create_directory_symlink(folder / "elsewhere", folder / "DosewrightJournal");
         },
         EEXIST, "a symbolic link"},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_fixture.reset();
        fs::remove_all(m_temp.Path());
        fs::create_directories(m_temp.Path());
        Build({kWrongLisinopril});
        const std::vector<std::string> before = MedicationRecords(m_folder);
        c.make(m_folder);
        ExpectStops();
        const std::string message =
            "Failure creating the run journal in the DosewrightJournal folder. Error Code:" +
            std::to_string(c.error) +
            "\nPlease verify you have the access to create files in the orvale folder.\n"
            "DosewrightJournal is " +
            c.kind + "; it must be a folder of its own.";
        EXPECT_EQ(m_fixture->window.MessageBoxes(),
                  std::vector<std::string>{"Dosewright Error|" + message});
        EXPECT_EQ(m_fixture->window.StatusText(), message);
        EXPECT_TRUE(MedicationRecords(m_folder) == before);
        EXPECT_TRUE(!fs::exists(m_folder / "elsewhere") || fs::is_empty(m_folder / "elsewhere"))
            << "a journal was written through the link";
    }
}

// The journal syncs on a thread of its own; a sync that fails there must reach
// the run, which then takes nothing more into the journal.
TEST(JournalSyncerTest, ASyncThatFailsOnItsThreadIsReported) {
    platform::DurableFile notOpen; // every sync of it fails: no such file
    JournalSyncer syncer;
    syncer.Start(notOpen);
    EXPECT_EQ(syncer.Error(), 0) << "nothing appended, nothing synced";
    syncer.NoteAppended();
    for (int wait = 0; wait < 100 && syncer.Error() == 0; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    syncer.Stop();
    EXPECT_EQ(syncer.Error(), testsupport::kErrorNotOpen);
}

TEST_F(ScanRunTest, UndoTakesTheNewestRunOrTheOneNamedAndAsksInTheWindow) {
    Build({kWrongLisinopril, kWrongAbilify});
    const std::vector<std::string> before = MedicationRecords(m_folder);
    EXPECT_FALSE(Dialog().OnUndo(""));
    EXPECT_EQ(
        m_fixture->window.StatusText(),
        "There is no run to undo: the DosewrightJournal folder holds no journal of a repair.");
    EXPECT_EQ(Run(0), std::make_pair(2, 2));
    const std::vector<std::string> repaired = MedicationRecords(m_folder);
    EXPECT_EQ(Run(0), std::make_pair(2, 0)); // the newest run now changed nothing
    ASSERT_TRUE(Dialog().OnUndo(""));
    EXPECT_EQ(m_fixture->window.StatusText(), Restored(0, 0));
    EXPECT_TRUE(MedicationRecords(m_folder) == repaired);

    std::vector<std::string> runs;
    int error = 0;
    ASSERT_TRUE(JournalFileNames(m_fixture->FolderPath(), runs, error));
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_FALSE(Dialog().OnUndo("20200101-000000.000Z"));
    EXPECT_EQ(m_fixture->window.StatusText(),
              "There is no run 20200101-000000.000Z in the DosewrightJournal folder.");
    EXPECT_TRUE(MedicationRecords(m_folder) == repaired);

    // The window names the newest run and undoes it only after a Yes.
    const std::string question = UndoQuestion(SummarizeRun(m_fixture->FolderPath(), runs[2]));
    EXPECT_NE(question.find("Undo the undo run started"), std::string::npos) << question;
    m_fixture->window.ClearEvents();
    m_fixture->window.answerYes = false;
    EXPECT_FALSE(Dialog().OnUndoLastRepair());
    EXPECT_EQ(Events(), std::vector{fakes::Question(question, std::nullopt)});

    // The first repair, named: its changes come back out.
    const std::string first = runs[0].substr(0, runs[0].find(".journal"));
    ASSERT_TRUE(Dialog().OnUndo(first));
    EXPECT_EQ(m_fixture->window.StatusText(), Restored(2, 2));
    EXPECT_TRUE(MedicationRecords(m_folder) == before);
}
