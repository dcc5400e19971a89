#include "repair/StrengthParser.h"

#include "repair/DrugTextSizes.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>

namespace {

struct StrengthCase {
    std::string text;
    std::string value;
    std::string unit;
};

std::ostream& operator<<(std::ostream& out, const StrengthCase& c) {
    return out << "'" << c.text << "'";
}

class ParseStrengthTextTest : public testing::TestWithParam<StrengthCase> {};

// Outputs of exactly the documented size: any write past them is caught by the
// address sanitizer in the sanitized build.
TEST_P(ParseStrengthTextTest, SplitsIntoValueAndUnit) {
    const StrengthCase& c = GetParam();
    std::array<char, kStrengthValueBufferSize> value;
    std::array<char, kStrengthUnitBufferSize> unit;
    value.fill('#');
    unit.fill('#');
    ParseStrengthText(c.text, value, unit);
    EXPECT_EQ(std::string_view(value.data()), c.value);
    EXPECT_EQ(std::string_view(unit.data()), c.unit);
    for (std::size_t i = c.value.size(); i < value.size(); ++i) {
        EXPECT_EQ(value[i], '\0') << "value byte " << i;
    }
    for (std::size_t i = c.unit.size(); i < unit.size(); ++i) {
        EXPECT_EQ(unit[i], '\0') << "unit byte " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Documented, ParseStrengthTextTest,
    testing::Values(StrengthCase{"10 MG", "10", "MG"}, StrengthCase{"10 mg tab", "10", "MG"},
                    StrengthCase{"10MG", "10", "MG"}, StrengthCase{"0.5MG/ML", "0.5", "MG/ML"},
                    StrengthCase{"1,000 UNIT", "1000", "UNIT"},
                    StrengthCase{"1,000,000 UNIT", "1000000", "UNIT"},
                    StrengthCase{"100", "100", ""}, StrengthCase{"", "", ""},
                    StrengthCase{"5 MILLIGRAMS/ML", "5", "MILLIGRAMS"},
                    StrengthCase{"10(5)MG", "10(5)", "MG"}, StrengthCase{"10)5 MG", "10)", "5"},
                    StrengthCase{"2.5-5 MG", "2.5-5", "MG"},
                    StrengthCase{"10 MG/5 ML", "10", "MG/5"}, StrengthCase{"(5 ML)", "(5 ML)", ""},
                    StrengthCase{"(10 MG", "", ""}, StrengthCase{" 10 MG", "", "10"},
                    StrengthCase{"12345678901234567890 MG", "1234567890123456", "7890"}));

INSTANTIATE_TEST_SUITE_P(
    Limits, ParseStrengthTextTest,
    testing::Values(
        // 25 characters: the longest a medication holds.
        StrengthCase{"1234567890123456789012345", "1234567890123456", "789012345"},
        StrengthCase{std::string(25, '('), "", ""},
        StrengthCase{std::string(25, ')'), ")", std::string(11, ')')},
        StrengthCase{"(" + std::string(23, 'x') + ")", "(" + std::string(23, 'x') + ")", ""},
        StrengthCase{"(" + std::string(23, ' ') + ")", "(" + std::string(23, ' ') + ")", ""},
        StrengthCase{"1" + std::string(24, 'a'), "1", std::string(11, 'A')},
        StrengthCase{"1 " + std::string(23, 'b'), "1", std::string(10, 'B')},
        StrengthCase{std::string(25, ' '), "", ""}, StrengthCase{std::string(25, ','), "", ""},
        StrengthCase{std::string(25, '9'), "9999999999999999", "999999999"},
        StrengthCase{std::string(16, '1') + "MG", std::string(16, '1'), "MG"},
        StrengthCase{std::string(15, '1') + " MG", std::string(15, '1'), "MG"},
        // Unbalanced parentheses.
        StrengthCase{"(5))", "(5)", ")"}, StrengthCase{")(", ")", "("},
        StrengthCase{"((5) MG", "((5)", ""}, StrengthCase{"5 (5", "5", "(5"},
        StrengthCase{"1(2", "", ""},
        // Everything after the unit is ignored, and only ASCII letters change case.
        StrengthCase{"10 MG 20 ML", "10", "MG"}, StrengthCase{"5 mcg/\xB5l", "5", "MCG/\xB5L"},
        StrengthCase{"1,0,", "10", ""}));

TEST(ParseStrengthText, AZeroByteEndsTheText) {
    using namespace std::string_view_literals;
    std::array<char, kStrengthValueBufferSize> value{};
    std::array<char, kStrengthUnitBufferSize> unit{};
    // Read as the text "(1": a '(' never closed.
    ParseStrengthText("(1\0 2)"sv, value, unit);
    EXPECT_EQ(std::string_view(value.data()), "");
    EXPECT_EQ(std::string_view(unit.data()), "");
}

TEST(ParseStrengthText, WritesNothingPastTheDocumentedSize) {
    std::array<char, kStrengthValueBufferSize + 8> value;
    std::array<char, kStrengthUnitBufferSize + 8> unit;
    value.fill('#');
    unit.fill('#');
    ParseStrengthText("(" + std::string(23, 'x') + ")", value, unit);
    for (std::size_t i = kStrengthValueBufferSize; i < value.size(); ++i) {
        EXPECT_EQ(value[i], '#') << "value byte " << i;
        EXPECT_EQ(unit[i], '#') << "unit byte " << i;
    }
}

TEST(ParseStrengthText, RefusesTooLongTextAndTooSmallBuffers) {
    std::array<char, kStrengthValueBufferSize> value{};
    std::array<char, kStrengthUnitBufferSize> unit{};
    std::array<char, kStrengthUnitBufferSize - 1> small{};
    EXPECT_THROW(ParseStrengthText(std::string(26, '1'), value, unit), std::length_error);
    EXPECT_THROW(ParseStrengthText("10 MG", small, unit), std::length_error);
    EXPECT_THROW(ParseStrengthText("10 MG", value, small), std::length_error);
}

} // namespace
