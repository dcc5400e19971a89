#include "repair/DrugKnowledge.h"

#include "data/HostLibraries.h"
#include "fakes/FakeDrugKnowledge.h"
#include "repair/DrugTextSizes.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>

namespace {

using Value = std::array<char, kStrengthValueBufferSize>;
using Unit = std::array<char, kStrengthUnitBufferSize>;

class DrugKnowledgeTest : public testing::Test {
protected:
    void SetUp() override { ResetFakeDrugKnowledge(); }
    FakeDrugKnowledge& fake = TheFakeDrugKnowledge();
};

TEST_F(DrugKnowledgeTest, LookupFormCodeAsksQuerySixteenWithTheFullBuffer) {
    fake.formCode = "TAB";
    std::array<char, kFormCodeBufferSize> formCode;
    formCode.fill('#');
    EXPECT_TRUE(LookupFormCode("Tablet, Film Coated", formCode));
    EXPECT_EQ(std::string_view(formCode.data()), "TAB");
    EXPECT_EQ(fake.queryNumber, host::kQueryDoseFormToFormCode);
    EXPECT_EQ(fake.queryKey, "Tablet, Film Coated");
    EXPECT_EQ(fake.queryArgument, 0);
    EXPECT_EQ(fake.queryOutputSize, 51);
    EXPECT_TRUE(fake.queryExtraGiven);
}

TEST_F(DrugKnowledgeTest, LookupFormCodeIsFoundOnlyOnResultZero) {
    for (int32_t result : {1, -1, 2, 16}) {
        SCOPED_TRACE(result);
        fake.queryResult = result;
        std::array<char, kFormCodeBufferSize> formCode{};
        EXPECT_FALSE(LookupFormCode("Tablet", formCode));
    }
}

TEST_F(DrugKnowledgeTest, LookupFormCodeRejectsAnUnterminatedAnswer) {
    fake.fillFormCodeOutput = true;
    std::array<char, kFormCodeBufferSize> formCode{};
    EXPECT_FALSE(LookupFormCode("Tablet", formCode));
}

TEST_F(DrugKnowledgeTest, LookupFormCodeRefusesWhatDoesNotFit) {
    std::array<char, kFormCodeBufferSize> formCode{};
    std::array<char, kFormCodeBufferSize - 1> small{};
    EXPECT_TRUE(LookupFormCode(std::string(50, 'T'), formCode));
    EXPECT_THROW(LookupFormCode(std::string(51, 'T'), formCode), std::length_error);
    EXPECT_THROW(LookupFormCode("Tablet", small), std::length_error);
    EXPECT_EQ(fake.queryCalls, 1);
}

TEST_F(DrugKnowledgeTest, SplitStrengthTakesTheLibraryAnswer) {
    fake.formCode = "CAP";
    fake.strengthValue = "250";
    fake.strengthUnit = "MG";
    Value value{};
    Unit unit{};
    EXPECT_EQ(SplitStrength("Amoxicillin", "oral", "Capsule", "250 milligram", value, unit), 1);
    EXPECT_EQ(std::string_view(value.data()), "250");
    EXPECT_EQ(std::string_view(unit.data()), "MG");
    EXPECT_EQ(fake.queryKey, "Capsule");
    EXPECT_EQ(fake.splitDrugName, "Amoxicillin");
    EXPECT_EQ(fake.splitRouteCode, "OR");
    EXPECT_EQ(fake.splitFormCode, "CAP");
    EXPECT_EQ(fake.splitStrengthText, "250 milligram");
}

// Every way the library step can fail ends in the program's own split of the text.
struct FallbackCase {
    const char* name;
    int32_t queryResult;
    std::string_view route;
    int32_t splitResult;
    bool unterminatedUnit;
    int expectedSplitCalls;
};

std::ostream& operator<<(std::ostream& out, const FallbackCase& c) {
    return out << c.name;
}

class SplitStrengthFallbackTest : public testing::TestWithParam<FallbackCase> {};

TEST_P(SplitStrengthFallbackTest, FallsBackToTheParser) {
    const FallbackCase& c = GetParam();
    ResetFakeDrugKnowledge();
    FakeDrugKnowledge& fake = TheFakeDrugKnowledge();
    fake.queryResult = c.queryResult;
    fake.splitResult = c.splitResult;
    fake.unterminatedUnit = c.unterminatedUnit;
    fake.strengthValue = "LIBRARY VALUE LEFT BEHIND";
    fake.strengthUnit = "LIBRARY UNIT";
    Value value;
    Unit unit;
    value.fill('#');
    unit.fill('#');
    EXPECT_EQ(SplitStrength("Lisinopril", c.route, "Tablet", "1,000 mcg", value, unit), 1);
    EXPECT_EQ(std::string_view(value.data()), "1000");
    EXPECT_EQ(std::string_view(unit.data()), "MCG");
    EXPECT_EQ(fake.splitCalls, c.expectedSplitCalls);
}

INSTANTIATE_TEST_SUITE_P(
    LibraryStep, SplitStrengthFallbackTest,
    testing::Values(FallbackCase{"NoFormCode", 1, "Oral", 1, false, 0},
                    FallbackCase{"RouteWithoutCode", 0, "Intravenous Push", 1, false, 0},
                    FallbackCase{"RouteWithTrailingSpace", 0, "Oral ", 1, false, 0},
                    FallbackCase{"LibraryReturnsZero", 0, "Oral", 0, false, 1},
                    FallbackCase{"LibraryReturnsTwo", 0, "Oral", 2, false, 1},
                    FallbackCase{"LibraryReturnsMinusOne", 0, "Oral", -1, false, 1},
                    FallbackCase{"UnitNotTerminated", 0, "Oral", 1, true, 1}),
    [](const testing::TestParamInfo<FallbackCase>& info) { return info.param.name; });

TEST_F(DrugKnowledgeTest, SplitStrengthGivesAnEmptyRouteAnEmptyCode) {
    Value value{};
    Unit unit{};
    EXPECT_EQ(SplitStrength("Lisinopril", "", "Tablet", "10 MG", value, unit), 1);
    EXPECT_EQ(fake.splitCalls, 1);
    EXPECT_EQ(fake.splitRouteCode, "");
}

TEST_F(DrugKnowledgeTest, SplitStrengthPassesTheNameCutToThirtyAndTrimmed) {
    struct NameCase {
        std::string name;
        std::string passed;
    };
    const NameCase cases[] = {
        {std::string(30, 'A') + "BBBBB", std::string(30, 'A')},
        {std::string(27, 'A') + "   " + "BBBBB", std::string(27, 'A')},
        {"  Leading kept  ", "  Leading kept"},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        fake.splitDrugName.clear();
        Value value{};
        Unit unit{};
        EXPECT_EQ(SplitStrength(c.name, "Oral", "Tablet", "10 MG", value, unit), 1);
        EXPECT_EQ(fake.splitDrugName, c.passed);
    }
}

TEST_F(DrugKnowledgeTest, SplitStrengthWithoutADrugNameFillsNothing) {
    for (const std::string& name : {std::string(), std::string(30, ' ') + "X"}) {
        SCOPED_TRACE("'" + name + "'");
        Value value;
        Unit unit;
        value.fill('#');
        unit.fill('#');
        const Value valueBefore = value;
        const Unit unitBefore = unit;
        EXPECT_EQ(SplitStrength(name, "Oral", "Tablet", "10 MG", value, unit), 0);
        EXPECT_EQ(value, valueBefore);
        EXPECT_EQ(unit, unitBefore);
    }
    EXPECT_EQ(fake.splitCalls, 0);
}

TEST_F(DrugKnowledgeTest, SplitStrengthRefusesTextsLongerThanAMedicationHolds) {
    Value value{};
    Unit unit{};
    std::array<char, kStrengthUnitBufferSize - 1> small{};
    EXPECT_THROW(SplitStrength(std::string(36, 'A'), "Oral", "Tablet", "10 MG", value, unit),
                 std::length_error);
    EXPECT_THROW(SplitStrength("A", std::string(21, 'O'), "Tablet", "10 MG", value, unit),
                 std::length_error);
    EXPECT_THROW(SplitStrength("A", "Oral", "Tablet", std::string(26, '1'), value, unit),
                 std::length_error);
    EXPECT_THROW(SplitStrength("A", "Oral", "Tablet", "10 MG", value, small), std::length_error);
    EXPECT_EQ(fake.splitCalls, 0);
}

} // namespace
