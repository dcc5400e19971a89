// hostkit build and dump, run as the real program on real host folders.
#include "host/common/HostFolder.h"
#include "support/HostFolder.h"
#include "support/TempFolder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::string_literals;
using testsupport::BuildHostFolder;
using testsupport::DumpTable;
using testsupport::ReadFileBytes;
using testsupport::RunHostkit;
using testsupport::TempFolder;

// Texts that fill their fields exactly.
const std::string kName35 = "Hydrochlorothiazide/Lisinopril 12.5";
const std::string kName30 = "Amlodipine/Benazepril Capsules";
const std::string kRxNorm15 = "123456789012345";
// Every Windows-1252 character above 127 whose byte is hard to get right, with
// the five bytes the code page leaves undefined.
const std::string kHighText = "€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ\u0081\u008d\u008f\u0090\u009d éÿ";
const std::string kHighBytes = "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8a\x8b\x8c\x8e\x91\x92\x93"
                               "\x94\x95\x96\x97\x98\x99\x9a\x9b\x9c\x9e\x9f\x81\x8d\x8f\x90\x9d"
                               " \xe9\xff";

json FullFixture() {
    return json{
        {"drugs",
         {
             {{"drugId", -5},
              {"drugName", kName30},
              {"formCode", "TABS"},
              {"routeCode", "OR"},
              {"strength", "123456789012345"},
              {"strengthUnit", "MG/ML/HOUR"}},
             {{"drugId", 1},
              {"drugName", "Lisinopril"},
              {"formCode", "TAB"},
              {"routeCode", "OR"},
              {"strength", "10"},
              {"strengthUnit", "MG"}},
             {{"drugId", 2},
              {"drugName", ""},
              {"formCode", ""},
              {"routeCode", ""},
              {"strength", ""},
              {"strengthUnit", ""}},
         }},
        {"ndcs",
         {
             {{"drugId", 2}, {"ndc", ""}},
             {{"drugId", 1}, {"ndc", "00093-7339-01"}},
         }},
        {"rxnorm",
         {
             {{"sourceKind", 4}, {"sourceId", "1"}, {"rxNormId", kRxNorm15}, {"termType", "SCD"}},
             {{"sourceKind", 4},
              {"sourceId", std::string(50, '9')},
              {"rxNormId", "314076"},
              {"termType", "TMSY-BN-PACKAGE"}},
         }},
        {"patients",
         {
             {{"patientId", -2}, {"patientRef", "M\u00fcller\u2013\u20ac"}},
             {{"patientId", 7}, {"patientRef", "DOE00070000"}},
         }},
        {"medications",
         {
             {{"entryId", 42},
              {"patientId", -2},
              {"drugName", kName35},
              {"strength", "10 MG"},
              {"doseForm", "Tablet"},
              {"route", "  Oral"},
              {"drugCode", "12\0 34"s},
              {"rxNormId", kRxNorm15},
              {"termType", "SBD"},
              {"opaque", "0102"}},
             {{"entryId", 43},
              {"patientId", 7},
              {"drugName", kHighText},
              {"strength", std::string(25, '5')},
              {"doseForm", std::string(50, 'F')},
              {"route", std::string(20, 'R')},
              {"drugCode", std::string(12, 'C')},
              {"rxNormId", ""},
              {"termType", ""},
              {"opaque", std::string(2 * 603, 'a')}},
         }},
    };
}

// What dump gives for a fixture record: every field, texts left out as empty.
json Completed(json record, const std::vector<std::string>& texts) {
    for (const std::string& name : texts) {
        if (!record.contains(name)) {
            record[name] = "";
        }
    }
    return record;
}

TEST(HostkitBuildDump, EveryFieldComesBackAsGiven) {
    const TempFolder temp;
    const json fixture = FullFixture();
    const fs::path folder = BuildHostFolder(temp.Path(), fixture);

    const struct {
        const char* table;
        const char* array;
    } tables[] = {{"MRDD99", "drugs"},
                  {"MRDNDC99", "ndcs"},
                  {"MRDRXN99", "rxnorm"},
                  {"MRPT99", "patients"},
                  {"MRRX99", "medications"}};
    for (const auto& table : tables) {
        SCOPED_TRACE(table.table);
        const std::vector<json> dumped = DumpTable(folder, table.table);
        const std::vector<json> given(fixture[table.array].begin(), fixture[table.array].end());
        EXPECT_EQ(dumped, given);
    }
}

TEST(HostkitBuildDump, LeftOutTextsAndOpaqueBytesAreEmpty) {
    const TempFolder temp;
    const fs::path folder =
        BuildHostFolder(temp.Path(), {{"medications", {{{"entryId", 1}, {"patientId", 2}}}},
                                      {"drugs", {{{"drugId", 3}, {"opaque", "000000"}}}}});
    EXPECT_EQ(DumpTable(folder, "MRRX99"),
              std::vector<json>{Completed({{"entryId", 1}, {"patientId", 2}},
                                          {"drugName", "strength", "doseForm", "route", "drugCode",
                                           "rxNormId", "termType"})});
    EXPECT_EQ(DumpTable(folder, "MRDD99"),
              std::vector<json>{Completed({{"drugId", 3}}, {"drugName", "formCode", "routeCode",
                                                            "strength", "strengthUnit"})});
}

std::string Int32Bytes(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    return {static_cast<char>(bits & 0xFF), static_cast<char>((bits >> 8) & 0xFF),
            static_cast<char>((bits >> 16) & 0xFF), static_cast<char>((bits >> 24) & 0xFF)};
}

// The bytes the host reads, at the offsets of the record layouts.
TEST(HostkitBuildDump, RecordsHoldTheHostsBytes) {
    const TempFolder temp;
    const fs::path folder = BuildHostFolder(temp.Path(), FullFixture());

    const struct {
        const char* table;
        int32_t length;
        int32_t key;
        std::size_t record;
        std::size_t offset;
        std::string bytes;
    } cases[] = {
        // Medications: space-padded, never terminated, running into the next field.
        {"MRRX99", 771, 7, 0, 0, Int32Bytes(42) + Int32Bytes(-2) + "\x01\x02"s + "\0\0"s},
        {"MRRX99", 771, 7, 0, 124, kName35 + "10 MG" + std::string(20, ' ')},
        {"MRRX99", 771, 7, 0, 233, "Tablet" + std::string(44, ' ')},
        {"MRRX99", 771, 7, 0, 330, "  Oral" + std::string(14, ' ')},
        {"MRRX99", 771, 7, 0, 393, "12\0 34"s + std::string(6, ' ')},
        {"MRRX99", 771, 7, 0, 650, "\0"s + kRxNorm15 + "\0"s},
        {"MRRX99", 771, 7, 0, 717, "\0SBD\0"s},
        {"MRRX99", 771, 7, 1, 124, kHighBytes + std::string(35 - kHighBytes.size(), ' ')},
        {"MRRX99", 771, 7, 1, 651, std::string(15, ' ') + std::string(52, '\xaa') + "   "},
        {"MRRX99", 771, 7, 1, 721, std::string(50, '\xaa')},
        {"MRRX99", 771, 7, 1, 8, std::string(116, '\xaa')},
        // Patients.
        {"MRPT99", 1140, 1, 0, 0, Int32Bytes(-2) + std::string(46, '\0')},
        {"MRPT99", 1140, 1, 0, 50, "M\xfcller\x96\x80" + std::string(3, ' ') + "\0"s},
        {"MRPT99", 1140, 1, 1, 50, "DOE00070000\0"s},
        // Reference tables: zero-terminated, a full field without terminator.
        {"MRDD99", 269, 1, 0, 0, Int32Bytes(-5)},
        {"MRDD99", 269, 1, 0, 29, kName30 + "\0OR\0TABS\0"s + "123456789012345\0MG/ML/HOUR\0"s},
        {"MRDD99", 269, 1, 1, 29, "Lisinopril" + std::string(21, '\0') + "OR\0TAB\0\0"s},
        {"MRDNDC99", 70, 2, 0, 0, std::string(4, '\0') + Int32Bytes(1) + "00093-7339-01\0"s},
        {"MRDRXN99", 88, 1, 0, 0,
         Int32Bytes(4) + std::string(4, '\0') + "1" + std::string(49, '\0') + kRxNorm15 + "SCD" +
             std::string(12, '\0')},
        {"MRDRXN99", 88, 1, 1, 8, std::string(50, '9') + "314076\0"s},
        {"MRDRXN99", 88, 1, 1, 73, "TMSY-BN-PACKAGE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.table) + " record " + std::to_string(c.record) + " offset " +
                     std::to_string(c.offset));
        const std::vector<std::string> records =
            testsupport::ReadRecords(folder, c.table, c.length, c.key);
        ASSERT_LT(c.record, records.size());
        EXPECT_EQ(records[c.record].substr(c.offset, c.bytes.size()), c.bytes);
    }
}

TEST(HostkitBuildDump, TablesDumpInKeyOrderWhateverTheFixtureOrder) {
    const struct {
        const char* table;
        const char* array;
        json records;
        std::vector<std::size_t> order; // fixture indexes in the expected dump order
    } cases[] = {
        {"MRRX99",
         "medications",
         {{{"entryId", 5}, {"patientId", 1}},
          {{"entryId", -3}, {"patientId", 2}},
          {{"entryId", 2147483647}, {"patientId", 3}},
          {{"entryId", 0}, {"patientId", 0}},
          {{"entryId", -2147483648}, {"patientId", 5}},
          {{"entryId", 256}, {"patientId", -1}}},
         {4, 1, 3, 0, 5, 2}},
        {"MRPT99",
         "patients",
         {{{"patientId", 9}}, {{"patientId", -9}}, {{"patientId", 1}}},
         {1, 2, 0}},
        {"MRDD99", "drugs", {{{"drugId", 300}}, {{"drugId", 20}}, {{"drugId", -1}}}, {2, 1, 0}},
        {"MRDNDC99",
         "ndcs",
         {{{"drugId", 1}, {"ndc", "2"}},
          {{"drugId", 2}, {"ndc", "10"}},
          {{"drugId", 3}, {"ndc", "1"}},
          {{"drugId", 4}, {"ndc", "10"}}},
         {2, 1, 3, 0}},
        {"MRDRXN99",
         "rxnorm",
         {{{"sourceKind", 4}, {"sourceId", "12"}},
          {{"sourceKind", 2}, {"sourceId", "9"}},
          {{"sourceKind", 4}, {"sourceId", "1"}},
          {{"sourceKind", 4}, {"sourceId", "12"}, {"rxNormId", "second"}},
          {{"sourceKind", 4}, {"sourceId", "12 "}}},
         {1, 2, 0, 3, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        const TempFolder temp;
        const fs::path folder = BuildHostFolder(temp.Path(), {{c.array, c.records}});
        std::vector<json> dumped = DumpTable(folder, c.table);
        ASSERT_EQ(dumped.size(), c.order.size());
        for (std::size_t i = 0; i < c.order.size(); ++i) {
            for (const auto& field : c.records[c.order[i]].items()) {
                EXPECT_EQ(dumped[i][field.key()], field.value()) << "dump line " << i;
            }
        }
    }
}

// What is in a folder, by name.
std::set<std::string> Entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

struct BadFixture {
    const char* name;
    std::string fixture;
    std::string message;
};

void PrintTo(const BadFixture& bad, std::ostream* out) {
    *out << bad.name;
}

class HostkitRefusesFixture : public testing::TestWithParam<BadFixture> {};

TEST_P(HostkitRefusesFixture, NamesThePlaceAndWritesNothing) {
    const TempFolder temp;
    testsupport::WriteFileBytes(temp / "fixture.json", GetParam().fixture);
    const auto result =
        RunHostkit({"build", (temp / "fixture.json").string(), (temp / "orvale").string()});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.errors.find(GetParam().message), std::string::npos) << result.errors;
    EXPECT_EQ(Entries(temp.Path()), std::set<std::string>{"fixture.json"});
}

const std::string kLongName = std::string(40, 'x');

INSTANTIATE_TEST_SUITE_P(
    Fixtures, HostkitRefusesFixture,
    testing::Values(
        BadFixture{"NotJson", R"({"drugs": [)", "not valid JSON"},
        // 4 MB of brackets: refused as soon as the nesting passes the limit.
        BadFixture{"NestedTooDeep", std::string(2 << 20, '[') + std::string(2 << 20, ']'),
                   "fixture: arrays and objects nested more than 8 deep"},
        BadFixture{"RecordNestedTooDeep",
                   R"({"drugs": [{"drugId": 1, "opaque": [[[[[[[[]]]]]]]]}]})",
                   "fixture: arrays and objects nested more than 8 deep"},
        BadFixture{"NotAnObject", R"([])", "fixture: expected an object, found an array"},
        BadFixture{"UnknownTopField", R"({"drug": []})", "drug: unknown field"},
        BadFixture{"UnknownRecordField",
                   R"({"medications": [{"entryId": 1, "patientId": 1}, {"entryId": 2,
                   "patientId": 1, "drugname": "x"}]})",
                   "medications[1].drugname: unknown field"},
        BadFixture{"UnknownInstallationField", R"({"installation": {"patched": true}})",
                   "installation.patched: unknown field"},
        BadFixture{"UnknownDoseFormField",
                   R"({"doseForms": [{"text": "Tablet", "formCode": "TAB", "x": 1}]})",
                   "doseForms[0].x: unknown field"},
        BadFixture{"FieldGivenTwice",
                   R"({"patients": [{"patientId": 1, "patientRef": "a", "patientRef": "b"}]})",
                   "patients[0].patientRef: the field is given twice"},
        BadFixture{"ArrayOfWrongType", R"({"drugs": {}})",
                   "drugs: expected an array, found an object"},
        BadFixture{"RecordOfWrongType", R"({"drugs": [7]})",
                   "drugs[0]: expected an object, found an integer"},
        BadFixture{"TextForInteger", R"({"drugs": [{"drugId": "1"}]})",
                   "drugs[0].drugId: expected an integer, found a string"},
        BadFixture{"FractionForInteger", R"({"drugs": [{"drugId": 1.5}]})",
                   "drugs[0].drugId: expected an integer, found a fractional number"},
        BadFixture{"IntegerForText", R"({"drugs": [{"drugId": 1, "drugName": 1}]})",
                   "drugs[0].drugName: expected a string, found an integer"},
        BadFixture{"IntegerTooLarge", R"({"patients": [{"patientId": 2147483648}]})",
                   "patients[0].patientId: 2147483648 is outside the 32-bit integer range"},
        BadFixture{"IntegerTooSmall", R"({"patients": [{"patientId": -2147483649}]})",
                   "patients[0].patientId: -2147483649 is outside the 32-bit integer range"},
        BadFixture{"IntegerMissing", R"({"ndcs": [{"ndc": "1"}]})", "ndcs[0].drugId: missing"},
        BadFixture{"MedicationWithoutPatient",
                   R"({"medications": [{"entryId": 1, "patientId": 1}, {"entryId": 2}]})",
                   "medications[1].patientId: missing"},
        BadFixture{"MedicationNameTooLong",
                   R"({"medications": [{"entryId": 4, "patientId": 1, "drugName": ")" + kLongName +
                       R"("}]})",
                   "medications[0].drugName: 40 characters do not fit the 35-character field"},
        BadFixture{"TermTypeTooLong",
                   R"({"medications": [{"entryId": 4, "patientId": 1, "termType": "GPCK"}]})",
                   "medications[0].termType: 4 characters do not fit the 3-character field"},
        BadFixture{"DictionaryNameLeavesNoRoomForItsEnd",
                   R"({"drugs": [{"drugId": 1, "drugName": ")" + std::string(31, 'x') + R"("}]})",
                   "drugs[0].drugName: 31 characters do not fit the 30-character field"},
        BadFixture{"RxNormIdTooLong",
                   R"({"rxnorm": [{"sourceKind": 4, "rxNormId": "1234567890123456"}]})",
                   "rxnorm[0].rxNormId: 16 characters do not fit the 15-character field"},
        BadFixture{"PatientRefTooLong", R"({"patients": [{"patientId": 1,
                   "patientRef": "DOE000700001"}]})",
                   "patients[0].patientRef: 12 characters do not fit the 11-character field"},
        BadFixture{"HighCharactersCountOnce",
                   R"({"patients": [{"patientId": 1, "patientRef": "€€€€€€€€€€€€"}]})",
                   "patients[0].patientRef: 12 characters do not fit"},
        BadFixture{"FormCodeTooLong", R"({"doseForms": [{"text": "Tablet", "formCode": "TABLE"}]})",
                   "doseForms[0].formCode: 5 characters do not fit the 4-character field"},
        BadFixture{"DoseFormWithTab", R"({"doseForms": [{"text": "Tab\tlet", "formCode": "TAB"}]})",
                   "doseForms[0].text: a tab, line end or zero character"},
        BadFixture{"CharacterWithoutByte",
                   R"({"medications": [{"entryId": 1, "patientId": 1, "route": "Oral 中"}]})",
                   "medications[0].route: the character U+4E2D has no Windows-1252 byte"},
        BadFixture{"C1CharacterWithoutByte", R"({"drugs": [{"drugId": 1, "strength": "\u0080"}]})",
                   "drugs[0].strength: the character U+0080 has no Windows-1252 byte"},
        BadFixture{"ZeroEndingAReferenceText",
                   R"({"drugs": [{"drugId": 1, "drugName": "Lisin\u0000opril"}]})",
                   "drugs[0].drugName: a zero character would end the text"},
        BadFixture{"DuplicateEntryId",
                   R"({"medications": [{"entryId": 5, "patientId": 1},
                   {"entryId": 6, "patientId": 1}, {"entryId": 5, "patientId": 2}]})",
                   "medications[2].entryId: 5 is already the entryId of medications[0]"},
        BadFixture{"DuplicatePatientId", R"({"patients": [{"patientId": 7}, {"patientId": 7}]})",
                   "patients[1].patientId: 7 is already the patientId of patients[0]"},
        BadFixture{"DuplicateDrugId", R"({"drugs": [{"drugId": -1}, {"drugId": -1}]})",
                   "drugs[1].drugId: -1 is already the drugId of drugs[0]"},
        BadFixture{"OpaqueNotHex",
                   R"({"medications": [{"entryId": 1, "patientId": 1, "opaque": "0g"}]})",
                   "medications[0].opaque: expected hexadecimal digits"},
        BadFixture{"OpaqueTooLong",
                   R"({"ndcs": [{"drugId": 1, "opaque": ")" + std::string(2 * 53, '0') + R"("}]})",
                   "ndcs[0].opaque: 53 bytes do not fit the 52 bytes outside the fields"},
        BadFixture{"HistoryOfWrongType", R"({"installation": {"updateHistory": 1}})",
                   "installation.updateHistory: expected a string, found an integer"},
        BadFixture{"VersionFlagOfWrongType",
                   R"({"installation": {"drugInteractionVersionOk": "yes"}})",
                   "installation.drugInteractionVersionOk: expected a boolean, found a string"}),
    [](const testing::TestParamInfo<BadFixture>& info) { return info.param.name; });

#if !defined(_WIN32) // a file-size limit set by the shell (ulimit)
TEST(HostkitBuild, AFailureWhileWritingLeavesNothingBehind) {
    const TempFolder temp;
    testsupport::WriteFileBytes(temp / "fixture.json", FullFixture().dump());
    // No file may grow beyond 4 KiB: the first table file cannot be written.
    const auto result =
        testsupport::RunProgram({"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 8; exec \"$0\" \"$@\"",
                                 testsupport::HostkitPath().string(), "build",
                                 (temp / "fixture.json").string(), (temp / "orvale").string()});
    EXPECT_EQ(result.exitStatus, 1) << result.errors;
    EXPECT_NE(result.errors.find("MRRX99"), std::string::npos) << result.errors;
    EXPECT_EQ(Entries(temp.Path()), std::set<std::string>{"fixture.json"});
}
#endif

TEST(HostkitBuild, WritesOnlyWhereNoHostFolderIs) {
    const TempFolder temp;
    testsupport::WriteFileBytes(temp / "fixture.json", "{}");
    const std::string fixture = (temp / "fixture.json").string();

    fs::create_directory(temp / "empty");
    EXPECT_EQ(RunHostkit({"build", fixture, (temp / "empty").string()}).exitStatus, 0);
    EXPECT_TRUE(fs::exists(temp / "empty" / "MRRX99"));
    EXPECT_EQ(RunHostkit({"build", fixture, (temp / "slash/").string()}).exitStatus, 0);
    EXPECT_TRUE(fs::exists(temp / "slash" / "MRRX99"));

    fs::create_directory(temp / "used");
    testsupport::WriteFileBytes(temp / "used" / "Dosewright.log", "kept");
    testsupport::WriteFileBytes(temp / "file", "kept");
    const struct {
        fs::path target;
        std::string message;
    } refused[] = {
        {temp / "used", "already exists and is not empty"},
        {temp / "file", "already exists and is not a folder"},
        {temp / "missing" / "orvale", "cannot create a temporary folder"},
        {temp / "empty", "already exists and is not empty"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.target.string());
        const auto result = RunHostkit({"build", fixture, c.target.string()});
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_NE(result.errors.find(c.message), std::string::npos) << result.errors;
    }
    EXPECT_EQ(ReadFileBytes(temp / "used" / "Dosewright.log"), "kept");
    EXPECT_EQ(Entries(temp / "used"), std::set<std::string>{"Dosewright.log"});
    EXPECT_EQ(ReadFileBytes(temp / "file"), "kept");
    EXPECT_EQ(Entries(temp.Path()),
              (std::set<std::string>{"empty", "file", "fixture.json", "slash", "used"}));
}

TEST(HostkitCommandLine, UsageErrorsExitWithTwo) {
    const TempFolder temp;
    const std::string folder = BuildHostFolder(temp.Path(), json::object()).string();
    const std::vector<std::string> usages[] = {
        {},
        {"build"},
        {"build", (temp / "orvale.json").string()},
        {"build", (temp / "orvale.json").string(), (temp / "a").string(), "extra"},
        {"generate"},
        {"dump", folder},
        {"dump", folder, "MRXX99"},
        {"dump", folder, "mrrx99"},
    };
    for (const auto& arguments : usages) {
        std::string shown;
        for (const auto& argument : arguments) {
            shown += argument + " ";
        }
        SCOPED_TRACE(shown);
        EXPECT_EQ(RunHostkit(arguments).exitStatus, 2);
    }
    EXPECT_FALSE(fs::exists(temp / "a"));
}

TEST(HostkitDump, AMissingTableIsAFailureNamingIt) {
    const TempFolder temp;
    const auto result = RunHostkit({"dump", (temp / "nowhere").string(), "MRDD99"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.errors.find((temp / "nowhere" / "MRDD99").string()), std::string::npos)
        << result.errors;
    EXPECT_EQ(result.output, "");
}

TEST(HostkitBuild, InstallationVariantsWriteTheirFiles) {
    const std::string required = hostfolder::kRequiredDrugInteractionVersion + "\n"s;
    const std::string outdated = hostfolder::kOutdatedDrugInteractionVersion + "\n"s;
    const struct {
        const char* name;
        std::optional<json> installation;
        std::optional<std::string> history; // exact bytes; "*" any text holding the patch marker
        std::string version;
    } cases[] = {
        {"absent", std::nullopt, "*", required},
        {"empty object", json::object(), "*", required},
        {"no history", json{{"updateHistory", nullptr}}, std::nullopt, required},
        {"given history",
         json{{"updateHistory", "<u title=\"11 PATCHES 10/31/2019\">\u00e9\0tail</u>"s}},
         "<u title=\"11 PATCHES 10/31/2019\">\xe9\0tail</u>"s, required},
        {"empty history", json{{"updateHistory", ""}}, "", required},
        {"outdated version", json{{"drugInteractionVersionOk", false}}, "*", outdated},
        {"current version", json{{"drugInteractionVersionOk", true}}, "*", required},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFolder temp;
        json fixture = json::object();
        if (c.installation) {
            fixture["installation"] = *c.installation;
        }
        const fs::path folder = BuildHostFolder(temp.Path(), fixture);
        EXPECT_EQ(ReadFileBytes(folder / hostfolder::kDrugInteractionVersionFile), c.version);
        const fs::path history = folder / hostfolder::kUpdateHistoryFile;
        ASSERT_EQ(fs::exists(history), c.history.has_value());
        if (c.history == "*") {
            EXPECT_NE(ReadFileBytes(history).find("title=\"11 patches 10/31/2019\""),
                      std::string::npos);
        } else if (c.history) {
            EXPECT_EQ(ReadFileBytes(history), *c.history);
        }
    }
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& start) {
    std::vector<std::string> lines;
    for (const std::string& line : testsupport::SplitLines(text, "\n")) {
        if (line.starts_with(start)) {
            lines.push_back(line);
        }
    }
    return lines;
}

TEST(HostkitBuild, DoseFormsReplaceTheDefaultFormsAndKeepItsUnits) {
    const std::string defaults =
        ReadFileBytes(fs::path(DOSEWRIGHT_SOURCE_DIR) / "host/kelvar/DefaultVocabulary.tsv");
    ASSERT_FALSE(LinesStartingWith(defaults, "unit\t").empty());

    const struct {
        const char* name;
        std::optional<json> doseForms;
        std::vector<std::string> formLines; // ignored when doseForms is absent
    } cases[] = {
        {"absent", std::nullopt, {}},
        {"none", json::array(), {}},
        {"given",
         json{{{"text", "TABLET, FILM COATED"}, {"formCode", "TAB"}},
              {{"text", "Cr\u00e8me"}, {"formCode", "CRM"}}},
         {"form\tTABLET, FILM COATED\tTAB", "form\tCr\xe8me\tCRM"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFolder temp;
        json fixture = json::object();
        if (c.doseForms) {
            fixture["doseForms"] = *c.doseForms;
        }
        const std::string vocabulary =
            ReadFileBytes(BuildHostFolder(temp.Path(), fixture) / hostfolder::kVocabularyFile);
        if (!c.doseForms) {
            EXPECT_EQ(vocabulary, defaults);
            continue;
        }
        EXPECT_EQ(LinesStartingWith(vocabulary, "form"), c.formLines);
        EXPECT_EQ(LinesStartingWith(vocabulary, "unit"), LinesStartingWith(defaults, "unit"));
    }
}

} // namespace
