// The default vocabulary of the drug-knowledge library, read as the file it is: well-formed
// entries, one meaning per text, the SPL dose forms and the spellings prescribers use covered,
// and form codes that the e-prescribing reference files know.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/TextFiles.h"

namespace {

using testsupport::ReadSourceFile;
using testsupport::SplitLines;

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == '\t') {
        fields.emplace_back();
    }
    return fields;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

struct Entry {
    std::size_t line;
    std::string kind;
    std::string text;
    std::string value;
};

const std::string kVocabularyPath = "host/kelvar/DefaultVocabulary.tsv";

std::vector<Entry> Entries() {
    std::vector<Entry> entries;
    const std::vector<std::string> lines = SplitLines(ReadSourceFile(kVocabularyPath), "\n");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty() || lines[i][0] == '#') {
            continue;
        }
        const std::vector<std::string> fields = SplitFields(lines[i]);
        entries.push_back({i + 1, fields.size() > 0 ? fields[0] : "",
                           fields.size() > 1 ? fields[1] : "", fields.size() > 2 ? fields[2] : ""});
    }
    return entries;
}

// Text (upper case) to value, for one kind of entry.
std::map<std::string, std::string> Lookup(const std::string& kind) {
    std::map<std::string, std::string> map;
    for (const Entry& entry : Entries()) {
        if (entry.kind == kind) {
            map.emplace(Upper(entry.text), entry.value);
        }
    }
    return map;
}

// The form codes of the e-prescribing form-code list (first column).
std::set<std::string> ReferenceFormCodes() {
    std::set<std::string> codes;
    const std::string bytes = ReadSourceFile("resources/reference/SureScripts_MedForms_Codes.ref");
    for (const std::string& row : SplitLines(bytes, "\r\n")) {
        codes.insert(row.substr(0, row.find('\t')));
    }
    return codes;
}

bool IsPrintableAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
}

TEST(DefaultVocabularyTest, EveryLineIsACommentAnEmptyLineOrAWellFormedEntry) {
    const std::string text = ReadSourceFile(kVocabularyPath);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find('\r'), std::string::npos) << "line ends are LF only";
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.substr(0, 1), "#") << "the file says what it is at the top";
    const std::vector<std::string> lines = SplitLines(text, "\n");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty() || line[0] == '#') {
            continue;
        }
        SCOPED_TRACE("line " + std::to_string(i + 1) + " [" + line + "]");
        const std::vector<std::string> fields = SplitFields(line);
        ASSERT_EQ(fields.size(), 3u);
        EXPECT_TRUE(fields[0] == "form" || fields[0] == "unit");
        for (const std::string& field : fields) {
            EXPECT_FALSE(field.empty());
            EXPECT_TRUE(IsPrintableAscii(field));
            EXPECT_NE(field.front(), ' ');
            EXPECT_NE(field.back(), ' ');
        }
    }
}

TEST(DefaultVocabularyTest, FormCodesFitTheDictionaryAndUnitsTheirField) {
    for (const Entry& entry : Entries()) {
        SCOPED_TRACE("line " + std::to_string(entry.line));
        if (entry.kind == "form") {
            EXPECT_LE(entry.value.size(), 4u) << entry.value;
            EXPECT_TRUE(std::all_of(entry.value.begin(), entry.value.end(), [](unsigned char c) {
                return std::isupper(c) || std::isdigit(c);
            })) << entry.value;
        } else {
            EXPECT_LE(entry.value.size(), 10u) << entry.value;
        }
    }
}

TEST(DefaultVocabularyTest, ListsEveryTextOnceWithoutRegardToLetterCase) {
    // Lookups ignore letter case, so a second entry could only contradict the first.
    std::map<std::string, std::size_t> seen;
    for (const Entry& entry : Entries()) {
        const auto [at, inserted] = seen.emplace(entry.kind + "\t" + Upper(entry.text), entry.line);
        EXPECT_TRUE(inserted) << entry.kind << " [" << entry.text << "] on lines " << at->second
                              << " and " << entry.line;
    }
}

TEST(DefaultVocabularyTest, CoversTheSplDoseForms) {
    // Upper-case texts are the SPL dose forms of the NCI Thesaurus, kept as the labels write
    // them; everything a prescriber types is written with lower-case letters.
    std::size_t upperCaseForms = 0;
    for (const Entry& entry : Entries()) {
        upperCaseForms += entry.kind == "form" && entry.text == Upper(entry.text);
    }
    EXPECT_EQ(upperCaseForms, 168u);

    const std::map<std::string, std::string> forms = Lookup("form");
    const std::vector<std::pair<std::string, std::string>> named = {
        {"TABLET", "TAB"},
        {"CAPSULE", "CAP"},
        {"TABLET, FILM COATED", "TBFC"},
        {"CAPSULE, EXTENDED RELEASE", "CPER"},
        {"INJECTION, SOLUTION", "IJSL"},
        {"SOLUTION/DROPS", "DROP"},
        {"PATCH, EXTENDED RELEASE", "PTER"},
        {"TABLET, ORALLY DISINTEGRATING, DELAYED RELEASE", "TODR"},
        {"KIT", "KIT"},
        {"NOT APPLICABLE", "NA"},
    };
    for (const auto& [text, code] : named) {
        const auto found = forms.find(text);
        ASSERT_NE(found, forms.end()) << text;
        EXPECT_EQ(found->second, code) << text;
    }
}

TEST(DefaultVocabularyTest, TranslatesWhatPrescribersType) {
    const std::map<std::string, std::string> forms = Lookup("form");
    const std::vector<std::pair<std::string, std::string>> spellings = {
        {"Tablet", "TAB"},
        {"Tab", "TAB"},
        {"Tabs", "TAB"},
        {"Capsule", "CAP"},
        {"Cap", "CAP"},
        {"Cap ER", "CPER"},
        {"Tab ER", "TBER"},
        {"Tablet Extended Release", "TBER"},
        {"Oral Solution", "SOL"},
        {"Solution", "SOL"},
        {"Suspension", "SUSP"},
        {"Inhaler", "AEMD"},
        {"Patch", "PTCH"},
        {"Eye Drops", "DROP"},
        {"Cream", "CRM"},
        {"Ointment", "OINT"},
        {"Injection", "INJ"},
        {"Syrup", "SYRP"},
        {"Suppository", "SUPP"},
        {"Powder", "PWD"},
        {"Gel", "GEL"},
        {"Lotion", "LOT"},
        {"Spray", "SPRY"},
        {"Oral Tablet", "TAB"},
        {"Cap ER 12HR Abuse-Deterrent", "C12A"},
    };
    for (const auto& [text, code] : spellings) {
        const auto found = forms.find(Upper(text));
        ASSERT_NE(found, forms.end()) << text;
        EXPECT_EQ(found->second, code) << text;
    }
}

TEST(DefaultVocabularyTest, UsesOnlyFormCodesOfTheReferenceFiles) {
    const std::set<std::string> codes = ReferenceFormCodes();
    ASSERT_EQ(codes.size(), 151u);
    for (const Entry& entry : Entries()) {
        if (entry.kind == "form") {
            EXPECT_TRUE(codes.contains(entry.value))
                << "line " << entry.line << ": " << entry.text << " -> " << entry.value;
        }
    }
}

TEST(DefaultVocabularyTest, TranslatesUnitSpellingsToTheDictionarysUnits) {
    const std::map<std::string, std::string> units = Lookup("unit");
    const std::vector<std::pair<std::string, std::string>> spellings = {
        {"MG", "MG"},
        {"milligram", "MG"},
        {"MILLIGRAMS", "MG"},
        {"MCG", "MCG"},
        {"micrograms", "MCG"},
        {"G", "GM"},
        {"GM", "GM"},
        {"GRAM", "GM"},
        {"grams", "GM"},
        {"ML", "ML"},
        {"milliliter", "ML"},
        {"MILLILITERS", "ML"},
        {"L", "L"},
        {"UNIT", "UNIT"},
        {"units", "UNIT"},
        {"IU", "IU"},
        {"MEQ", "MEQ"},
        {"%", "%"},
        {"MG/ML", "MG/ML"},
        {"mg/5ml", "MG/5ML"},
        {"MCG/ML", "MCG/ML"},
        {"MG/HR", "MG/HR"},
        {"MCG/HR", "MCG/HR"},
        {"UNIT/ML", "UNIT/ML"},
        {"units/ml", "UNIT/ML"},
    };
    for (const auto& [spelling, canonical] : spellings) {
        const auto found = units.find(Upper(spelling));
        ASSERT_NE(found, units.end()) << spelling;
        EXPECT_EQ(found->second, canonical) << spelling;
    }
}

TEST(DefaultVocabularyTest, EveryUnitSpellsItselfAndAgreesWithTheStrengthCodes) {
    const std::map<std::string, std::string> units = Lookup("unit");
    for (const auto& [spelling, canonical] : units) {
        const auto self = units.find(Upper(canonical));
        ASSERT_NE(self, units.end()) << canonical << " is not a spelling of its own";
        EXPECT_EQ(self->second, canonical);
    }
    // A spelling that the strength-code reference file also lists translates into a unit of
    // that file (UNT into UNIT, its synonym there), and the common units are written alike.
    const std::string strengthCodes =
        ReadSourceFile("resources/reference/SureScripts_StrengthCode.ref");
    std::set<std::string> strengthUnits;
    for (const std::string& row : SplitLines(strengthCodes, "\r\n")) {
        strengthUnits.insert(row.substr(0, row.find(" | ")));
    }
    ASSERT_EQ(strengthUnits.size(), 20u);
    for (const std::string& unit : strengthUnits) {
        const auto found = units.find(unit);
        if (found != units.end()) {
            EXPECT_TRUE(strengthUnits.contains(found->second)) << unit << " -> " << found->second;
        }
    }
    for (const char* unit :
         {"%", "GM", "IU", "L", "MCG", "MEQ", "MG", "MG/5ML", "MG/ML", "ML", "UNIT"}) {
        const auto found = units.find(unit);
        ASSERT_NE(found, units.end()) << unit;
        EXPECT_EQ(found->second, unit);
        EXPECT_TRUE(strengthUnits.contains(unit)) << unit;
    }
}

} // namespace
