// Route names of medications and the two-letter route codes the drug dictionary
// files drugs under.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

struct RouteCodeRow {
    std::string_view name; // route name as written on a medication
    std::string_view code; // two-letter route code of the drug dictionary
};

inline constexpr std::size_t kRouteCodeRowCount = 46;

// Searched from the first row to the last; the first equal name decides.
extern const std::array<RouteCodeRow, kRouteCodeRowCount> RouteCodeTable;

// Finds `routeName` in RouteCodeTable, comparing whole texts without regard to
// ASCII letter case (leading or trailing spaces match nothing). On a match writes
// the two-letter code and a terminating zero to `routeCode` and returns true;
// otherwise returns false and leaves `routeCode` as it was.
// Throws std::length_error when `routeCode` is smaller than kRouteCodeMinimumSize.
bool LookupRouteCode(std::string_view routeName, std::span<char> routeCode);
