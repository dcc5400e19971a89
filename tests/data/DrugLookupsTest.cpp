// The three lookups in the drug reference tables, on a real host folder: what
// they find, and the failure each one shows. (An empty table stopping the scan
// is tested with the scan.)
#include "app/DosewrightDlg.h"
#include "storelink/StoreLinkStatus.h"
#include "support/DialogOnHostFolder.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using fakes::Box;
using fakes::Status;

constexpr int32_t kIoError = storelink::kErrIo;

nlohmann::json Drug(int32_t drugId, const char* name, const char* formCode, const char* routeCode,
                    const char* strength, const char* unit) {
    return {{"drugId", drugId},       {"drugName", name},     {"formCode", formCode},
            {"routeCode", routeCode}, {"strength", strength}, {"strengthUnit", unit}};
}

nlohmann::json RxNorm(int32_t kind, const char* sourceId, const char* rxNormId,
                      const char* termType) {
    return {{"sourceKind", kind},
            {"sourceId", sourceId},
            {"rxNormId", rxNormId},
            {"termType", termType}};
}

// A 30-character name, the longest MRDD99 holds.
constexpr const char* kLongestName = "Acetaminophen and Codeine Phos";

nlohmann::json Reference() {
    return {
        {"drugs",
         {Drug(101, "Lisinopril", "TAB", "OR", "10", "MG"),
          Drug(102, "Zestril", "TAB", "OR", "10", "MG"),
          Drug(103, "Abilify", "TAB", "OR", "10", "MG"),
          Drug(104, kLongestName, "TAB", "OR", "300", "MG"),
          Drug(105, "Baclofen", "TAB", "OR", "10", "MG")}},
        {"ndcs",
         {{{"drugId", 101}, {"ndc", "0591-0407-01"}},
          {{"drugId", 103}, {"ndc", "59148-008-13"}},
          {{"drugId", 103}, {"ndc", "59148-008-35"}},
          {{"drugId", 102}, {"ndc", "0310-0131-10"}}}},
        {"rxnorm",
         {RxNorm(2, "103", "1000001", "SBD"), // another kind of source, same number
          RxNorm(4, "103", "349545", "SCD"),  // drug 103: three, in this order
          RxNorm(4, "103", "352307", "SBD"), RxNorm(4, "103", "123456789012345", "BPCK"),
          RxNorm(4, "1030", "1000002", "SCD"), // the next drug in key order
          RxNorm(4, "101", "314076", "SCD"),
          RxNorm(4, "106", "1000003", "SCD"), // where drug 105 would be
          RxNorm(4, "999", "1000004", "SCD"), // the last records of the table
          RxNorm(4, "999", "1000005", "GPCK"), RxNorm(4, "999", "1000006", "SBD")}},
    };
}

class DrugLookupsTest : public testing::Test {
protected:
    // The lookups only read: the reference folder is built once for all tests.
    static void SetUpTestSuite() {
        s_shared = new testsupport::TempFolder;
        s_reference = testsupport::BuildHostFolder(s_shared->Path(), Reference());
    }
    static void TearDownTestSuite() {
        delete s_shared;
        s_shared = nullptr;
    }

    void OpenReference() {
        m_fixture.emplace(s_reference);
        ASSERT_TRUE(m_fixture->OpenDatabase()) << m_fixture->errorText;
    }
    CDosewrightDlg& Dialog() { return m_fixture->dialog; }
    const std::vector<fakes::WindowEvent>& Events() { return m_fixture->window.Events(); }

    static inline testsupport::TempFolder* s_shared = nullptr;
    static inline std::filesystem::path s_reference;
    std::optional<testsupport::DialogOnHostFolder> m_fixture;
};

struct FindCase {
    const char* what;
    std::string name, formCode, routeCode, strength, unit;
    int32_t drugId;
};

void PrintTo(const FindCase& c, std::ostream* out) {
    *out << c.what;
}

const FindCase kFindCases[] = {
    {"all five equal", "Lisinopril", "TAB", "OR", "10", "MG", 101},
    {"another drug", "Abilify", "TAB", "OR", "10", "MG", 103},
    {"the name in other letter case", "LISINOPRIL", "TAB", "OR", "10", "MG", NoDrugId},
    {"the form code in other letter case", "Lisinopril", "Tab", "OR", "10", "MG", NoDrugId},
    {"the route code in other letter case", "Lisinopril", "TAB", "or", "10", "MG", NoDrugId},
    {"the unit in other letter case", "Lisinopril", "TAB", "OR", "10", "mg", NoDrugId},
    {"another strength", "Lisinopril", "TAB", "OR", "20", "MG", NoDrugId},
    {"a strength that only starts the same", "Lisinopril", "TAB", "OR", "10.5", "MG", NoDrugId},
    {"another route", "Lisinopril", "TAB", "IV", "10", "MG", NoDrugId},
    {"a 30-character name", kLongestName, "TAB", "OR", "300", "MG", 104},
    {"a 31-character name whose first 30 match", std::string(kLongestName) + "p", "TAB", "OR",
     "300", "MG", NoDrugId},
    {"a form code longer than its field", "Lisinopril", "TABLE", "OR", "10", "MG", NoDrugId},
    {"a name no drug has", "Metformin", "TAB", "OR", "500", "MG", NoDrugId},
    {"a name after every drug", "Zyrtec", "TAB", "OR", "10", "MG", NoDrugId},
    {"empty texts", "", "", "", "", "", NoDrugId},
};

class FindDrugIdTest : public DrugLookupsTest, public testing::WithParamInterface<FindCase> {};

TEST_P(FindDrugIdTest, MatchesAllFiveTextsExactly) {
    OpenReference();
    const FindCase& c = GetParam();
    int32_t drugId = 0;
    EXPECT_TRUE(Dialog().FindDrugId(drugId, c.name.c_str(), c.formCode.c_str(), c.routeCode.c_str(),
                                    c.strength.c_str(), c.unit.c_str()));
    EXPECT_EQ(drugId, c.drugId);
    EXPECT_TRUE(Events().empty());
}

INSTANTIATE_TEST_SUITE_P(Drugs, FindDrugIdTest, testing::ValuesIn(kFindCases),
                         [](const testing::TestParamInfo<FindCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

TEST_F(DrugLookupsTest, DrugHasNdcFindsTheDrugsNdcRecords) {
    OpenReference();
    const std::pair<int32_t, bool> cases[] = {{101, true},    {102, true},  {103, true},
                                              {104, false},   {105, false}, {100, false},
                                              {999999, false}};
    for (const auto& [drugId, hasNdc] : cases) {
        SCOPED_TRACE(drugId);
        bool failed = false;
        EXPECT_EQ(Dialog().DrugHasNdc(drugId, failed), hasNdc);
        EXPECT_FALSE(failed);
        // Left as the caller set it when nothing failed.
        bool preset = true;
        EXPECT_EQ(Dialog().DrugHasNdc(drugId, preset), hasNdc);
        EXPECT_TRUE(preset);
    }
    EXPECT_TRUE(Events().empty());
}

struct ListCase {
    int32_t drugId;
    std::vector<std::pair<std::string, std::string>> candidates; // rxNormId, termType
};

TEST_F(DrugLookupsTest, GetDrugRxNormListCollectsTheDrugsRecordsInKeyOrder) {
    OpenReference();
    const ListCase cases[] = {
        {103, {{"349545", "SCD"}, {"352307", "SBD"}, {"123456789012345", "BPCK"}}},
        {101, {{"314076", "SCD"}}},
        // The last records of the table: the walk ends on "no further record".
        {999, {{"1000004", "SCD"}, {"1000005", "GPCK"}, {"1000006", "SBD"}}},
        // Positioned on another drug's record: nothing, and no failure.
        {105, {}},
        {1000, {}},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.drugId);
        RxNormCandidateList list;
        ASSERT_TRUE(Dialog().GetDrugRxNormList(c.drugId, list));
        std::vector<std::pair<std::string, std::string>> found;
        for (const _MRDRXN& row : list) {
            EXPECT_EQ(row.sourceKind, kSourceKindDrug);
            EXPECT_EQ(std::string(row.sourceId), std::to_string(c.drugId));
            found.emplace_back(std::string(row.rxNormId, strnlen(row.rxNormId, 15)),
                               std::string(row.termType, strnlen(row.termType, 15)));
        }
        EXPECT_EQ(found, c.candidates);
    }
    EXPECT_TRUE(Events().empty());
}

enum class Lookup { FindDrug, HasNdc, RxNormList };

// Runs one lookup of drug 103 (Abilify); true when it reported no failure.
bool RunLookup(CDosewrightDlg& dialog, Lookup lookup, RxNormCandidateList& list) {
    switch (lookup) {
    case Lookup::FindDrug: {
        int32_t drugId = 0;
        const bool ok = dialog.FindDrugId(drugId, "Abilify", "TAB", "OR", "10", "MG");
        EXPECT_EQ(drugId, ok ? 103 : NoDrugId);
        return ok;
    }
    case Lookup::HasNdc: {
        bool failed = false;
        const bool hasNdc = dialog.DrugHasNdc(103, failed);
        EXPECT_FALSE(hasNdc && failed);
        return !failed;
    }
    case Lookup::RxNormList:
        return dialog.GetDrugRxNormList(103, list);
    }
    return false;
}

// A read that brings no record (status 0) leaves the search key in the buffer;
// that key must not pass for the record of drug 103, whose lookups all succeed
// when the read does.
TEST_F(DrugLookupsTest, AReadOfNothingFindsNothingAndIsNoFailure) {
    OpenReference();
    for (const Lookup lookup : {Lookup::FindDrug, Lookup::HasNdc, Lookup::RxNormList}) {
        SCOPED_TRACE(static_cast<int>(lookup));
        StoreLink_FailCall("fsget", 1, 0);
        RxNormCandidateList list;
        int32_t drugId = 0;
        bool failed = false;
        switch (lookup) {
        case Lookup::FindDrug:
            EXPECT_TRUE(Dialog().FindDrugId(drugId, "Abilify", "TAB", "OR", "10", "MG"));
            EXPECT_EQ(drugId, NoDrugId);
            break;
        case Lookup::HasNdc:
            EXPECT_FALSE(Dialog().DrugHasNdc(103, failed));
            EXPECT_FALSE(failed);
            break;
        case Lookup::RxNormList:
            EXPECT_TRUE(Dialog().GetDrugRxNormList(103, list));
            EXPECT_TRUE(list.empty());
            break;
        }
        StoreLink_FailCall("fsget", 0, 0);
        EXPECT_TRUE(RunLookup(Dialog(), lookup, list)) << "the next read finds the drug again";
    }
    EXPECT_TRUE(Events().empty());
}

constexpr const char* kSupport = "\nPlease contact Technical Support for assistance.";

struct LookupFailureCase {
    const char* what;
    Lookup lookup;
    const char* operation; // the record-manager call that fails
    const char* message;   // followed by the code and kSupport
    std::size_t collected; // candidates in the list afterwards
};

void PrintTo(const LookupFailureCase& c, std::ostream* out) {
    *out << c.what;
}

class LookupFailureTest : public DrugLookupsTest,
                          public testing::WithParamInterface<LookupFailureCase> {};

TEST_P(LookupFailureTest, ShowsTheFailureBoxFirstAndReturnsFalse) {
    const LookupFailureCase& c = GetParam();
    OpenReference();
    StoreLink_FailCall(c.operation, 1, kIoError);
    RxNormCandidateList list;

    EXPECT_FALSE(RunLookup(Dialog(), c.lookup, list));

    const std::string message = c.message + std::to_string(kIoError) + kSupport;
    EXPECT_EQ(Events(), (std::vector{Box(message, "Dosewright Error"), Status(message)}));
    EXPECT_EQ(list.size(), c.collected);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, LookupFailureTest,
    testing::Values(LookupFailureCase{"MRDD99 fspos", Lookup::FindDrug, "fspos",
                                      "Failure positioning in the MRDD99 table. Error Code:", 0},
                    LookupFailureCase{"MRDD99 fsget", Lookup::FindDrug, "fsget",
                                      "Failure reading the MRDD99 table. Error Code:", 0},
                    LookupFailureCase{"MRDNDC99 fspos", Lookup::HasNdc, "fspos",
                                      "Failure positioning in the MRDNDC99 table. Error Code:", 0},
                    LookupFailureCase{"MRDNDC99 fsget", Lookup::HasNdc, "fsget",
                                      "Failure reading the MRDNDC99 table. Error Code:", 0},
                    LookupFailureCase{"MRDRXN99 fspos", Lookup::RxNormList, "fspos",
                                      "Failure positioning in the MRDRXN99 table. Error Code:", 0},
                    LookupFailureCase{"MRDRXN99 fsget", Lookup::RxNormList, "fsget",
                                      "Failure reading the MRDRXN99 table. Error Code:", 0},
                    // The record read before the failing one stays in the list.
                    LookupFailureCase{
                        "MRDRXN99 fsgetn", Lookup::RxNormList, "fsgetn",
                        "Failure reading the next record in MRDRXN99 table. Error Code:", 1}),
    [](const testing::TestParamInfo<LookupFailureCase>& info) {
        return "Case" + std::to_string(info.index);
    });

} // namespace
