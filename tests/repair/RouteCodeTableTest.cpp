#include "repair/RouteCodeTable.h"

#include "repair/DrugTextSizes.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <stdexcept>
#include <string>

namespace {

using CodeBuffer = std::array<char, kRouteCodeBufferSize>;

// A route-code buffer holding something else, to see what a lookup writes.
CodeBuffer PrefilledBuffer() {
    CodeBuffer buffer;
    buffer.fill('Q');
    buffer.back() = '\0';
    return buffer;
}

struct RouteCase {
    std::string_view routeName;
    bool found;
    std::string_view code; // when found
};

std::ostream& operator<<(std::ostream& out, const RouteCase& c) {
    return out << "'" << c.routeName << "'";
}

class LookupRouteCodeTest : public testing::TestWithParam<RouteCase> {};

TEST_P(LookupRouteCodeTest, WritesTheCodeOrLeavesTheBufferAlone) {
    const RouteCase& c = GetParam();
    const CodeBuffer before = PrefilledBuffer();
    CodeBuffer buffer = before;
    ASSERT_EQ(LookupRouteCode(c.routeName, buffer), c.found);
    if (c.found) {
        EXPECT_EQ(std::string_view(buffer.data()), c.code);
        // Only the code and its zero are written.
        EXPECT_TRUE(std::equal(buffer.begin() + 3, buffer.end(), before.begin() + 3));
    } else {
        EXPECT_EQ(buffer, before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Routes, LookupRouteCodeTest,
    testing::Values(
        RouteCase{"oral", true, "OR"}, RouteCase{"ORAL", true, "OR"}, RouteCase{"Oral", true, "OR"},
        RouteCase{"n/a", true, "XX"}, RouteCase{"N/A", true, "XX"}, RouteCase{"buccal", true, "BU"},
        RouteCase{"in VITRO", true, "VI"}, RouteCase{"MOUTH/THROAT", true, "MT"},
        RouteCase{"intra-ARTICULAR", true, "IX"}, RouteCase{"Intravenous Push", false, ""},
        RouteCase{"Oral ", false, ""}, RouteCase{" Oral", false, ""}, RouteCase{"Ora", false, ""},
        RouteCase{"Orals", false, ""}, RouteCase{"", false, ""}, RouteCase{"NA", false, ""},
        RouteCase{"In  vitro", false, ""}, RouteCase{"Intra arterial", false, ""}));

TEST(LookupRouteCode, AZeroByteEndsTheRouteName) {
    using namespace std::string_view_literals;
    CodeBuffer buffer{};
    EXPECT_TRUE(LookupRouteCode("Otic\0junk"sv, buffer));
    EXPECT_EQ(std::string_view(buffer.data()), "OT");
}

TEST(LookupRouteCode, EveryRowIsFoundUnderItsOwnCode) {
    ASSERT_EQ(RouteCodeTable.size(), 46u);
    for (const RouteCodeRow& row : RouteCodeTable) {
        SCOPED_TRACE(std::string(row.name));
        CodeBuffer buffer{};
        ASSERT_TRUE(LookupRouteCode(row.name, buffer));
        EXPECT_EQ(std::string_view(buffer.data()), row.code);
    }
}

TEST(RouteCodeTable, CodesAreDistinctPairsOfCapitals) {
    std::set<std::string_view> codes;
    for (const RouteCodeRow& row : RouteCodeTable) {
        SCOPED_TRACE(std::string(row.name));
        ASSERT_EQ(row.code.size(), 2u);
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(row.code[0])) &&
                    std::isupper(static_cast<unsigned char>(row.code[1])));
        EXPECT_TRUE(codes.insert(row.code).second) << "code used twice";
        EXPECT_LT(row.name.size(), kRouteBufferSize);
    }
}

TEST(RouteCodeTable, KeepsItsRowOrder) {
    EXPECT_EQ(RouteCodeTable.front().name, "Buccal");
    EXPECT_EQ(RouteCodeTable[28].name, "In vitro");
    EXPECT_EQ(RouteCodeTable[34].name, "Oral");
    EXPECT_EQ(RouteCodeTable.back().name, "N/A");
    EXPECT_EQ(RouteCodeTable.back().code, "XX");
}

TEST(LookupRouteCode, NeedsRoomForTwoLettersAndTheZero) {
    std::array<char, kRouteCodeMinimumSize> exact{};
    EXPECT_TRUE(LookupRouteCode("Nasal", exact));
    EXPECT_EQ(std::string_view(exact.data(), 2), "NA");
    EXPECT_EQ(exact[2], '\0');
    std::array<char, kRouteCodeMinimumSize - 1> small{'s', 's'};
    EXPECT_THROW(LookupRouteCode("Nasal", small), std::length_error);
    EXPECT_EQ(small[0], 's');
}

} // namespace
