// The e-prescribing reference files as the program carries them: every file found by its id,
// its bytes equal to the file under resources/reference/, its rows, layout, line ends and telling
// rows as the host's e-prescribing interface reads them, and the files consistent with one
// another.

#include "resources/EmbeddedResources.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using resources::EmbeddedResource;
using resources::FindEmbeddedResource;
using resources::kReferenceFileType;

enum class Ending {
    None,      // no line break after the last row
    LineBreak, // CR LF after the last row
    EmptyRow,  // CR LF after the last row and an empty row after it
};

struct ExpectedFile {
    int id;
    std::string name;
    std::size_t size;     // as shipped
    std::size_t rowCount; // as shipped
    Ending ending;
    bool givenInFull;              // rows (and so size) are fixed byte for byte
    std::string rowPattern;        // every row matches it
    std::vector<std::string> rows; // all rows when given in full, else rows that must be present
};

void PrintTo(const ExpectedFile& file, std::ostream* out) {
    *out << file.name;
}

// Sizes of the files that are not fixed row for row may differ this much from the shipped ones.
constexpr double kSizeTolerance = 0.06;

const std::vector<ExpectedFile>& ExpectedFiles() {
    static const std::vector<ExpectedFile> files = {
        {115,
         "SureScripts_DispUnit_Code.ref",
         1455,
         81,
         Ending::None,
         false,
         R"(C\d{5,6} \| [A-Z][a-z]+(,? [A-Z][a-z]+|-[A-Z][a-z]+)*)",
         {"C48473 | Ampule"}},
        {116,
         "SureScripts_DispUnit_DrugName.ref",
         116,
         6,
         Ending::LineBreak,
         true,
         R"([A-Z][A-Za-z ()]*[A-Z)] \| C\d{5,6})",
         {"LANCET | C120263", "PEN NEEDLE | C120216", "SPONGE | C53502", "SYR | C48540",
          "SYRINGE | C48540", "SYRINGE (or SYR) | C48540"}},
        {117,
         "SureScripts_DispUnit_Form.ref",
         3820,
         154,
         Ending::None,
         false,
         R"([A-Z][A-Za-z0-9 -]*[A-Za-z0-9]( |\t|\t )\| C\d{5,6})",
         {"Aerosol | C48155", "Cap Abuse-Deterrent\t| C48480"}},
        {118,
         "SureScripts_DispUnit_UOM.ref",
         64,
         5,
         Ending::None,
         true,
         R"([A-Z]+ \| C\d{5})",
         {"GM | C48155", "L | C48505", "MG | C28253", "ML | C28254", "VIAL | C48551"}},
        {119,
         "SureScripts_DrugNorm.ref",
         1037,
         63,
         Ending::LineBreak,
         false,
         R"([A-Z][A-Za-z]*( [A-Za-z]+)*  \|  [^ |]+)",
         {"Tablets  |  Tab", "Percent  |  %", "Per  |  /"}},
        {120,
         "SureScripts_ErrorCode.ref",
         8545,
         178,
         Ending::None,
         false,
         R"((\d{3}  |[0-9A-Z]    )\|  [A-Z][^|\t]*[^ |\t])",
         {"000  |  SCRIPT Validation Error: See free text for description"}},
        {121,
         "SureScripts_Event.ref",
         154,
         8,
         Ending::None,
         true,
         R"([A-Za-z]+\|[A-Za-z]+)",
         {"Medication|Medication", "RefillRequest|RefillRequest", "RxChangeRequest|ChangeRequest",
          "RxFill|Fill", "Status|Status", "Error|Status", "Verify|Status", "OVError|Status"}},
        {122,
         "SureScripts_MedForms_Codes.ref",
         2354,
         151,
         Ending::None,
         false,
         R"(([A-Z0-9]{4}\t|[A-Z0-9]{2,3}\t\t)\|\tC\d{5,6}\t?)",
         {"AEPB\t|\tC91142\t"}},
        {123,
         "SureScripts_MedForms_ProviderTerms.ref",
         4233,
         152,
         Ending::None,
         false,
         R"([A-Z][A-Za-z0-9 -]*[A-Za-z0-9]\t+\|(\t|   )[A-Z0-9]{2,4})",
         {"Cap ER 12HR Abuse-Deterrent\t\t\t|\tC12A"}},
        {124,
         "SureScripts_MedForms_Routes_Codes.ref",
         1913,
         107,
         Ending::None,
         false,
         R"([A-Z0-9]{4,6}\t\t\|\tC\d{5,6})",
         {"BAROR\t\t|\tC42892"}},
        {125,
         "SureScripts_MedicationFormsOut.ref",
         5452,
         240,
         Ending::LineBreak,
         false,
         R"([A-Za-z][A-Za-z -]*[A-Za-z] \| [A-Z][A-Za-z ,/-]*[a-z])",
         {"Aer Sol | Aerosol Solution"}},
        {126,
         "SureScripts_MedicationUnitsIn.ref",
         590,
         33,
         Ending::LineBreak,
         false,
         R"([A-Z0-9]{2} {2,3}\| {1,2}[A-Z][a-z]+( [A-Z][a-z]+)* {0,2})",
         {"BG   |  Bag ", "AV  |  Capsules", "00   | Not Specified"}},
        {127,
         "SureScripts_MedicationUnitsOut.ref",
         1982,
         104,
         Ending::LineBreak,
         false,
         R"([A-Z][A-Za-z -]*[a-z] {2,5}\| {2,3}[A-Z0-9]{2} ?)",
         {"Bottles   |  BO ", "Caps  |  AV"}},
        {140,
         "SureScripts_PhoneType.ref",
         92,
         7,
         Ending::None,
         true,
         R"([A-Z]{2}  \|  [A-Z][a-z]+)",
         {"BN  |  Pager", "CP  |  Cell", "FX  |  Fax", "HP  |  Home", "NP  |  Home",
          "TE  |  Primary", "WP  |  Work"}},
        {141,
         "SureScripts_Specialty.ref",
         412,
         13,
         Ending::EmptyRow,
         true,
         R"(\d{3}  \|  [A-Z]{0,3}  \|  [A-Z][A-Za-z/ ]*[a-z])",
         {"006  |    |  Cardiology", "007  |  D  |  Dermatology", "008  |  FP  |  Family Practice",
          "001  |  GP  |  General Practice", "002  |  GS  |  General Surgery",
          "038  |  FPG  |  Geriatric Medicine", "083  |  HO  |  Hematology/Oncology",
          "011  |  IM  |  Internal Medicine", "016  |  OBG  |  Obstetrics/Gynecology",
          "037  |  PD  |  Pediatric Medicine", "060  |    |  Public Health",
          "066  |  RHU  |  Rheumatology", "034  |  U  |  Urology"}},
        {142,
         "SureScripts_Specialty_AM.ref",
         412,
         13,
         Ending::EmptyRow,
         true,
         R"(([A-Z]{0,3}  \|  \d{3}|\d{3}  \|  [A-Z]{1,3})  \|  [A-Z][A-Za-z/ ]*[a-z])",
         {"  |  006  |  Cardiology", "D  |  007  |  Dermatology", "FP  |  008  |  Family Practice",
          "GP  |  001  |  General Practice", "002  |  GS  |  General Surgery",
          "FPG  |  038  |  Geriatric Medicine", "HO  |  083  |  Hematology/Oncology",
          "IM  |  011  |  Internal Medicine", "OBG  |  016  |  Obstetrics/Gynecology",
          "PD  |  037  |  Pediatric Medicine", "  |  060  |  Public Health",
          "RHU  |  066  |  Rheumatology", "U  |  034  |  Urology"}},
        {143,
         "SureScripts_StatusCode.ref",
         302,
         6,
         Ending::None,
         true,
         R"(\d{3}  \|  [A-Z][A-Za-z -]*[a-z])",
         {"000  |  Transaction successful - accepted by receiver",
          "010  |  Transaction successful - accepted by ultimate",
          "600  |  Communication problem - try again later",
          "601  |  Receiver unable to process - do not retry",
          "602  |  Receiver System Error - try again later",
          "900  |  Transaction rejected - do not retry"}},
        {144,
         "SureScripts_StrengthCode.ref",
         286,
         20,
         Ending::None,
         true,
         R"([-%A-Z0-9./]+( [A-Z]+)? \| C\d{5})",
         {"%-MG | C28253",  "%-UNT | C44278", "% | C25613",     "-0.025 MG | C28253",
          "GM | C48155",    "IU | C48579",    "L | C48505",     "MCG | C48152",
          "MCI | C48511",   "MEQ | C48512",   "MG | C28253",    "MG/5ML | C91131",
          "MG/ML | C64572", "ML | C28254",    "MMOLE | C48513", "MU | C67310",
          "PFU | C44278",   "PNU | C44278",   "UNIT | C44278",  "UNT | C44278"}},
    };
    return files;
}

std::string EmbeddedBytes(int id) {
    const EmbeddedResource* resource = FindEmbeddedResource(kReferenceFileType, id);
    if (resource == nullptr) {
        ADD_FAILURE() << "no embedded resource " << id;
        return {};
    }
    return std::string(reinterpret_cast<const char*>(resource->bytes), resource->size);
}

// The rows of a reference file without the empty pieces that its ending leaves.
std::vector<std::string> Rows(const std::string& bytes, Ending ending) {
    std::vector<std::string> rows = testsupport::SplitLines(bytes, "\r\n");
    const std::size_t trailing = ending == Ending::EmptyRow ? 1 : 0;
    rows.resize(rows.size() >= trailing ? rows.size() - trailing : 0);
    return rows;
}

const ExpectedFile& Expected(int id) {
    for (const ExpectedFile& file : ExpectedFiles()) {
        if (file.id == id) {
            return file;
        }
    }
    throw std::logic_error("no expected file " + std::to_string(id));
}

// Column by column: the first field of each row, mapped to the last (bars and the blanks around
// them removed).
std::map<std::string, std::string> FirstToLast(int id) {
    std::map<std::string, std::string> map;
    const std::regex split(R"(^(.*?)[ \t]*\|[ \t]*(.*?)[ \t]*$)");
    for (const std::string& row : Rows(EmbeddedBytes(id), Expected(id).ending)) {
        std::smatch match;
        if (std::regex_match(row, match, split)) {
            map.emplace(match[1].str(), match[2].str());
        } else {
            ADD_FAILURE() << "file " << id << ": no bar in row [" << row << "]";
        }
    }
    return map;
}

std::set<std::string> Values(const std::map<std::string, std::string>& map) {
    std::set<std::string> values;
    for (const auto& [key, value] : map) {
        values.insert(value);
    }
    return values;
}

class ReferenceFileTest : public testing::TestWithParam<ExpectedFile> {};

TEST_P(ReferenceFileTest, IsEmbeddedUnderItsIdWithTheBytesOfTheSourceFile) {
    const ExpectedFile& expected = GetParam();
    const EmbeddedResource* resource = FindEmbeddedResource(kReferenceFileType, expected.id);
    ASSERT_NE(resource, nullptr);
    EXPECT_EQ(resource->type, kReferenceFileType);
    EXPECT_EQ(resource->id, expected.id);
    ASSERT_NE(resource->bytes, nullptr);
    EXPECT_EQ(EmbeddedBytes(expected.id),
              testsupport::ReadSourceFile("resources/reference/" + expected.name));
}

TEST_P(ReferenceFileTest, HasTheShippedSize) {
    const ExpectedFile& expected = GetParam();
    const std::size_t size = EmbeddedBytes(expected.id).size();
    if (expected.givenInFull) {
        EXPECT_EQ(size, expected.size);
    } else {
        const double difference =
            std::abs(static_cast<double>(size) - static_cast<double>(expected.size));
        EXPECT_LE(difference, kSizeTolerance * static_cast<double>(expected.size))
            << size << " bytes, shipped " << expected.size;
    }
}

TEST_P(ReferenceFileTest, EndsAsShipped) {
    const ExpectedFile& expected = GetParam();
    const std::string bytes = EmbeddedBytes(expected.id);
    ASSERT_GE(bytes.size(), 4u);
    const bool oneBreak = bytes.ends_with("\r\n");
    const bool twoBreaks = bytes.ends_with("\r\n\r\n");
    const bool threeBreaks = bytes.size() >= 6 && bytes.ends_with("\r\n\r\n\r\n");
    switch (expected.ending) {
    case Ending::None:
        EXPECT_FALSE(oneBreak);
        break;
    case Ending::LineBreak:
        EXPECT_TRUE(oneBreak);
        EXPECT_FALSE(twoBreaks);
        break;
    case Ending::EmptyRow:
        EXPECT_TRUE(twoBreaks);
        EXPECT_FALSE(threeBreaks);
        break;
    }
}

TEST_P(ReferenceFileTest, HasTheShippedRowsEachInTheFilesLayout) {
    const ExpectedFile& expected = GetParam();
    const std::vector<std::string> rows = Rows(EmbeddedBytes(expected.id), expected.ending);
    EXPECT_EQ(rows.size(), expected.rowCount);
    const std::regex layout(expected.rowPattern);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1) + " [" + rows[i] + "]");
        // A lone CR or LF inside a row would be a line end of the wrong kind.
        EXPECT_EQ(rows[i].find_first_of("\r\n"), std::string::npos);
        EXPECT_FALSE(rows[i].empty());
        EXPECT_TRUE(std::regex_match(rows[i], layout));
    }
}

TEST_P(ReferenceFileTest, HoldsItsTellingRows) {
    const ExpectedFile& expected = GetParam();
    const std::vector<std::string> rows = Rows(EmbeddedBytes(expected.id), expected.ending);
    if (expected.givenInFull) {
        EXPECT_EQ(rows, expected.rows);
        return;
    }
    for (const std::string& row : expected.rows) {
        EXPECT_NE(std::find(rows.begin(), rows.end(), row), rows.end()) << "[" << row << "]";
    }
}

TEST_P(ReferenceFileTest, IsSingleByteTextWithoutControlCharactersButTab) {
    const ExpectedFile& expected = GetParam();
    const std::string bytes = EmbeddedBytes(expected.id);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const bool lineBreak = byte == '\r' || byte == '\n';
        const bool quotationMark = byte == 0x93 || byte == 0x94;
        EXPECT_TRUE(byte == '\t' || lineBreak || (byte >= 0x20 && byte < 0x7f) ||
                    (quotationMark && expected.id == 120))
            << "byte " << static_cast<int>(byte) << " at offset " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(AllEighteen, ReferenceFileTest, testing::ValuesIn(ExpectedFiles()),
                         [](const testing::TestParamInfo<ExpectedFile>& info) {
                             std::string name = info.param.name;
                             name = name.substr(0, name.find('.'));
                             name.erase(std::remove(name.begin(), name.end(), '_'), name.end());
                             return name;
                         });

TEST(ReferenceFileTableTest, ListsTheEighteenFilesInWritingOrder) {
    ASSERT_EQ(resources::kReferenceFiles.size(), ExpectedFiles().size());
    for (std::size_t i = 0; i < ExpectedFiles().size(); ++i) {
        SCOPED_TRACE(ExpectedFiles()[i].name);
        EXPECT_EQ(resources::kReferenceFiles[i].resourceId, ExpectedFiles()[i].id);
        EXPECT_EQ(std::string(resources::kReferenceFiles[i].fileName), ExpectedFiles()[i].name);
    }
}

TEST(EmbeddedResourceLookupTest, FindsNothingForAnUnknownIdOrAnotherType) {
    for (int id : {0, 114, 128, 139, 145, -115}) {
        EXPECT_EQ(FindEmbeddedResource(kReferenceFileType, id), nullptr) << id;
    }
    for (int type : {0, 6, 10, 255, 257}) {
        EXPECT_EQ(FindEmbeddedResource(type, 115), nullptr) << type;
    }
}

TEST(ErrorCodeFileTest, QuotesOneWordInWindows1252QuotationMarks) {
    const std::vector<std::string> rows = Rows(EmbeddedBytes(120), Ending::None);
    int rowsWithQuotes = 0;
    for (const std::string& row : rows) {
        const std::size_t open = row.find('\x93');
        const std::size_t close = row.find('\x94');
        if (open == std::string::npos && close == std::string::npos) {
            continue;
        }
        ++rowsWithQuotes;
        SCOPED_TRACE(row);
        ASSERT_NE(open, std::string::npos);
        ASSERT_NE(close, std::string::npos);
        EXPECT_LT(open + 1, close);
        EXPECT_EQ(row.find('\x93', open + 1), std::string::npos);
        EXPECT_EQ(row.find('\x94', close + 1), std::string::npos);
    }
    EXPECT_EQ(rowsWithQuotes, 1);
}

TEST(ErrorCodeFileTest, ListsEveryCodeOnce) {
    std::set<std::string> codes;
    for (const std::string& row : Rows(EmbeddedBytes(120), Ending::None)) {
        const std::string code = row.substr(0, row.find(' '));
        EXPECT_TRUE(codes.insert(code).second) << code;
    }
}

TEST(DispensingUnitFormFileTest, HasSevenTabRowsAndTwoTabAndSpaceRows) {
    int tabRows = 0;
    int tabAndSpaceRows = 0;
    for (const std::string& row : Rows(EmbeddedBytes(117), Ending::None)) {
        tabRows += row.find("\t| ") != std::string::npos;
        tabAndSpaceRows += row.find("\t | ") != std::string::npos;
    }
    EXPECT_EQ(tabRows, 7);
    EXPECT_EQ(tabAndSpaceRows, 2);
}

TEST(DispensingUnitFilesTest, UseOnlyCodesOfTheDispensingUnitList) {
    const std::set<std::string> units = [] {
        std::set<std::string> codes;
        for (const auto& [code, name] : FirstToLast(115)) {
            codes.insert(code);
        }
        return codes;
    }();
    for (int id : {116, 117, 118}) {
        for (const std::string& code : Values(FirstToLast(id))) {
            EXPECT_TRUE(units.contains(code)) << "file " << id << ": " << code;
        }
    }
}

TEST(MedFormsFilesTest, ProviderTermsUseFormCodesOfTheCodeList) {
    const std::map<std::string, std::string> formCodes = FirstToLast(122);
    const std::map<std::string, std::string> terms = FirstToLast(123);
    for (const auto& [term, code] : terms) {
        EXPECT_TRUE(formCodes.contains(code)) << term << " -> " << code;
    }
    // Every form code can be reached from at least one prescriber's term.
    const std::set<std::string> used = Values(terms);
    for (const auto& [code, nci] : formCodes) {
        EXPECT_TRUE(used.contains(code)) << code;
    }
}

TEST(MedFormsFilesTest, ProviderTermsLineTheBarUpInOneColumn) {
    // The list is kept in an editor that shows a tab as four columns.
    std::set<std::size_t> barColumns;
    for (const std::string& row : Rows(EmbeddedBytes(123), Ending::None)) {
        std::size_t column = 0;
        for (char c : row.substr(0, row.find('|'))) {
            column = c == '\t' ? (column / 4 + 1) * 4 : column + 1;
        }
        barColumns.insert(column);
    }
    EXPECT_EQ(barColumns.size(), 1u);
}

TEST(MedFormsFilesTest, FormAndRouteCodesCarryTheNciCodeOfTheirForm) {
    const std::map<std::string, std::string> formCodes = FirstToLast(122);
    for (const auto& [formAndRoute, nci] : FirstToLast(124)) {
        SCOPED_TRACE(formAndRoute);
        ASSERT_GT(formAndRoute.size(), 2u);
        const std::string form = formAndRoute.substr(0, formAndRoute.size() - 2);
        const auto found = formCodes.find(form);
        ASSERT_NE(found, formCodes.end()) << "no form code " << form;
        EXPECT_EQ(found->second, nci);
    }
}

TEST(MedicationUnitFilesTest, OutgoingCodesAreKnownIncomingCodes) {
    const std::map<std::string, std::string> incoming = FirstToLast(126);
    for (const auto& [name, code] : FirstToLast(127)) {
        EXPECT_TRUE(incoming.contains(code)) << name << " -> " << code;
    }
}

} // namespace
