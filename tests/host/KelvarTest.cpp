// The drug-knowledge library: dose-form lookups and strength splitting against
// the vocabulary of the database folder.
#include "data/HostLibraries.h"
#include "kelvar/KelvarApi.h"
#include "kelvar/Vocabulary.h"

#include "common/HostFolder.h"
#include "host/HostScratchFolder.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using hosttest::DatabaseFolderScope;
using hosttest::ScratchFolder;

// Line numbers matter: the extra area reports the line of the matched entry.
const char* const kVocabulary = "# dose forms\n"                // 1
                                "form\tTablet\tTAB\n"           // 2
                                "form\tOral suspension\tSUSP\n" // 3
                                "form\tCapsule\tCAP\r\n"        // 4
                                "\n"                            // 5
                                "form\tTABLET\tXXX\n"           // 6 repeats line 2: ignored
                                "form\tLong code\tABCDE\n"      // 7 code too long: ignored
                                "form\tNo code\t\n"             // 8 ignored
                                "shape\tRound\tRND\n"           // 9 unknown kind: ignored
                                "form\tGel\tGEL\textra\n"       // 10 four fields: ignored
                                "unit\tmg\tMG\n"
                                "unit\tmilligrams\tMG\n"
                                "unit\tmg/ml\tMG/ML\n"
                                "unit\tunit\tUNIT\n"
                                "unit\tunits\tUNIT\n"
                                "unit\t%\t%\n"
                                "unit\tinternational units\tIU\n"
                                "unit\tlong unit\tABCDEFGHIJK\n"; // 11 characters: ignored
constexpr int32_t kFormEntries = 3;
constexpr int32_t kUnitEntries = 7;
constexpr int32_t kIgnoredLines = 6;

constexpr char kUnwritten = '\x7f';

// Looks a dose form up in a 51-byte output with a guard behind it.
int32_t QueryForm(const char* text, std::string& code, int32_t outputSize = 51) {
    std::array<char, 80> output{};
    output.fill(kUnwritten);
    const int32_t result =
        OV_QueryCache(host::kQueryDoseFormToFormCode, text, 0, output.data(), outputSize, nullptr);
    for (std::size_t i = static_cast<std::size_t>(std::max(outputSize, 0)); i < output.size();
         ++i) {
        EXPECT_EQ(output[i], kUnwritten) << "written past the output at " << i;
    }
    code = output[0] == kUnwritten ? "<untouched>" : std::string(output.data());
    return result;
}

class KelvarTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_scratch.Write(hostfolder::kVocabularyFile, kVocabulary);
        m_scope.Name(m_scratch.Path());
    }
    ScratchFolder m_scratch;
    DatabaseFolderScope m_scope;
};

TEST_F(KelvarTest, FindsDoseFormsAsWholeTextsInAnyCase) {
    struct Case {
        const char* text;
        const char* code; // nullptr: not found
    };
    const std::vector<Case> cases = {
        {"Tablet", "TAB"},      {"TABLET", "TAB"},
        {"tAbLeT", "TAB"},      {"oral SUSPENSION", "SUSP"},
        {"Capsule", "CAP"},     {"Tablet ", nullptr},
        {" Tablet", nullptr},   {"Tab", nullptr},
        {"Tablets", nullptr},   {"", nullptr},
        {"Round", nullptr},     {"Long code", nullptr},
        {"Gel", nullptr},       {"mg", nullptr},
        {"Capsule\r", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string code;
        const int32_t result = QueryForm(c.text, code);
        if (c.code != nullptr) {
            EXPECT_EQ(result, host::kQueryCacheFound);
            EXPECT_EQ(code, c.code);
        } else {
            EXPECT_EQ(result, kelvar::kQueryNotFound);
            EXPECT_EQ(code, "<untouched>");
        }
    }
}

TEST_F(KelvarTest, RefusesBadQueriesAndOutputsTooSmallForTheCode) {
    std::string code;
    EXPECT_EQ(QueryForm("Oral suspension", code, 5), host::kQueryCacheFound);
    EXPECT_EQ(code, "SUSP");
    for (const int32_t size : {4, 1}) {
        SCOPED_TRACE(size);
        EXPECT_EQ(QueryForm("Oral suspension", code, size), kelvar::kQueryOutputTooSmall);
        EXPECT_EQ(code, "<untouched>");
    }
    EXPECT_EQ(QueryForm("Tablet", code, 0), kelvar::kQueryBadArgument);
    EXPECT_EQ(QueryForm("Tablet", code, -1), kelvar::kQueryBadArgument);
    EXPECT_EQ(QueryForm(nullptr, code), kelvar::kQueryBadArgument);

    char output[8] = {};
    EXPECT_EQ(OV_QueryCache(15, "Tablet", 0, output, sizeof output, nullptr),
              kelvar::kQueryUnknownQuery);
    EXPECT_EQ(OV_QueryCache(16, "Tablet", 0, nullptr, 8, nullptr), kelvar::kQueryBadArgument);
    EXPECT_STREQ(output, "");
}

TEST_F(KelvarTest, FillsExactlySixteenBytesOfTheExtraArea) {
    std::array<unsigned char, 32> extra{};
    extra.fill(0x7f);
    char output[51] = {};
    ASSERT_EQ(OV_QueryCache(16, "capsule", 0, output, 51, extra.data()), host::kQueryCacheFound);
    kelvar::QueryCacheExtra facts{};
    std::memcpy(&facts, extra.data(), sizeof facts);
    EXPECT_EQ(facts.line, 4);
    EXPECT_EQ(facts.formCount, kFormEntries);
    EXPECT_EQ(facts.unitCount, kUnitEntries);
    EXPECT_EQ(facts.ignoredLines, kIgnoredLines);
    for (std::size_t i = host::kQueryCacheExtraSize; i < extra.size(); ++i) {
        EXPECT_EQ(extra[i], 0x7f) << i;
    }
    ASSERT_EQ(OV_QueryCache(16, "Pill", 0, output, 51, extra.data()), kelvar::kQueryNotFound);
    std::memcpy(&facts, extra.data(), sizeof facts);
    EXPECT_EQ(facts.line, 0);
}

TEST_F(KelvarTest, ReadsTheVocabularyOfTheFolderInUse) {
    std::string code;
    ASSERT_EQ(QueryForm("Tablet", code), host::kQueryCacheFound);

    ScratchFolder other;
    other.Write(hostfolder::kVocabularyFile, "form\tTablet\tTB2\n");
    m_scope.Name(other.Path());
    ASSERT_EQ(QueryForm("Tablet", code), host::kQueryCacheFound);
    EXPECT_EQ(code, "TB2");

    // Without the variable the current directory is the folder.
    m_scope.Unname();
    m_scope.ChangeInto(m_scratch.Path());
    ASSERT_EQ(QueryForm("Tablet", code), host::kQueryCacheFound);
    EXPECT_EQ(code, "TAB");
    m_scope.ChangeInto(other.Path());
    ASSERT_EQ(QueryForm("Tablet", code), host::kQueryCacheFound);
    EXPECT_EQ(code, "TB2");

    // A folder without a vocabulary finds nothing, until one is written there.
    ScratchFolder empty;
    m_scope.Name(empty.Path());
    EXPECT_EQ(QueryForm("Tablet", code), kelvar::kQueryNotFound);
    empty.Write(hostfolder::kVocabularyFile, "form\tTablet\tTB3\n");
    ASSERT_EQ(QueryForm("Tablet", code), host::kQueryCacheFound);
    EXPECT_EQ(code, "TB3");

    m_scope.Name(empty.Path() + "gone");
    EXPECT_EQ(QueryForm("Tablet", code), kelvar::kQueryNotFound);

    // A vocabulary larger than any real one is refused unread, and said so once.
    ScratchFolder huge;
    huge.Write(hostfolder::kVocabularyFile, "form\tTablet\tTB4\n");
    std::filesystem::resize_file(huge.Path() + hostfolder::kVocabularyFile,
                                 kelvar::Vocabulary::kLargestFile + 1);
    m_scope.Name(huge.Path());
    testing::internal::CaptureStderr();
    EXPECT_EQ(QueryForm("Tablet", code), kelvar::kQueryNotFound);
    EXPECT_EQ(QueryForm("Tablet", code), kelvar::kQueryNotFound);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(huge.Path() + hostfolder::kVocabularyFile + " is larger than"),
              std::string::npos)
        << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
}

TEST_F(KelvarTest, SplitsANumberAndAKnownUnitOnly) {
    struct Case {
        std::string text;
        const char* value; // nullptr: not understood
        const char* unit;
    };
    const std::vector<Case> cases = {
        {"10 MG", "10", "MG"},
        {"10mg", "10", "MG"},
        {"0.5 MG/ML", "0.5", "MG/ML"},
        {"0.5mg/ml", "0.5", "MG/ML"},
        {"500 milligrams", "500", "MG"},
        {"1,000 UNIT", "1000", "UNIT"},
        {"1,000,000 units", "1000000", "UNIT"},
        {"12,345.25 mg", "12345.25", "MG"},
        {"5 %", "5", "%"},
        {"5%", "5", "%"},
        {"  10   MG  ", "10", "MG"},
        {"2 International Units", "2", "IU"},
        {std::string(25, '1') + " MG", "1111111111111111111111111", "MG"},
        {std::string(26, '1') + " MG", nullptr, nullptr},
        {"100", nullptr, nullptr},
        {"", nullptr, nullptr},
        {"MG", nullptr, nullptr},
        {"10 MG tab", nullptr, nullptr},
        {"10 grains", nullptr, nullptr},
        {"10 long unit", nullptr, nullptr},
        {"1,0 MG", nullptr, nullptr},
        {"1,0000 MG", nullptr, nullptr},
        {"1234,567 MG", nullptr, nullptr},
        {"1,000, MG", nullptr, nullptr},
        {"10. MG", nullptr, nullptr},
        {".5 MG", nullptr, nullptr},
        {"1.2.3 MG", nullptr, nullptr},
        {"2.5-5 MG", nullptr, nullptr},
        {"-5 MG", nullptr, nullptr},
        {"10(5)MG", nullptr, nullptr},
        {"10 MG/5 ML", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::array<char, 40> value{};
        std::array<char, 40> unit{};
        value.fill(kUnwritten);
        unit.fill(kUnwritten);
        const int32_t result = OV_SplitSizeToStrengthSUM("Lisinopril", "OR", "TAB", c.text.c_str(),
                                                         value.data(), unit.data());
        if (c.value != nullptr) {
            ASSERT_EQ(result, host::kSplitSucceeded);
            EXPECT_STREQ(value.data(), c.value);
            EXPECT_STREQ(unit.data(), c.unit);
        } else {
            EXPECT_EQ(result, kelvar::kSplitNotUnderstood);
            EXPECT_EQ(value[0], kUnwritten);
            EXPECT_EQ(unit[0], kUnwritten);
        }
        for (std::size_t i = kelvar::kStrengthOutputSize; i < value.size(); ++i) {
            EXPECT_EQ(value[i], kUnwritten) << i;
            EXPECT_EQ(unit[i], kUnwritten) << i;
        }
    }
}

TEST_F(KelvarTest, UnderstandsNoUnitWithoutAVocabulary) {
    ScratchFolder empty;
    m_scope.Name(empty.Path());
    char value[26] = {};
    char unit[26] = {};
    EXPECT_EQ(OV_SplitSizeToStrengthSUM("Lisinopril", "OR", "TAB", "10 MG", value, unit),
              kelvar::kSplitNotUnderstood);
    EXPECT_EQ(OV_SplitSizeToStrengthSUM("Lisinopril", "OR", "TAB", nullptr, value, unit),
              kelvar::kSplitNotUnderstood);
    EXPECT_STREQ(value, "");
}

} // namespace
