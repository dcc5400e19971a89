// Translation of a medication's dose form and strength into drug-dictionary keys
// with the help of the host's drug-knowledge library.
#pragma once

#include <span>
#include <string_view>

// Asks the drug-knowledge library for the form code of `doseForm` (at most 50
// characters). Returns true when it found one: `formCode` then holds it as a
// zero-terminated text within its first kFormCodeBufferSize bytes, which are
// zeroed before the call. An answer that is not terminated within the buffer
// counts as not found.
// Throws std::length_error for a longer dose form or a smaller buffer.
bool LookupFormCode(std::string_view doseForm, std::span<char> formCode);

// Splits `strengthText` into `strengthValue` and `strengthUnit`: through the
// drug-knowledge library when the dose form has a form code and the route (when
// not empty) has a route code, else, or when the library does not succeed, with
// ParseStrengthText. The library is given the drug name cut to 30 characters,
// trailing spaces removed; if that leaves nothing, returns 0 with both outputs
// untouched. Otherwise returns 1 with both outputs filled (zero-terminated within
// their first kStrengthValueBufferSize / kStrengthUnitBufferSize bytes).
//
// The texts are the medication's, trailing spaces removed: `drugName` at most 35,
// `route` 20, `doseForm` 50 and `strengthText` 25 characters.
// Throws std::length_error for a longer text or a smaller output buffer.
int SplitStrength(std::string_view drugName, std::string_view route, std::string_view doseForm,
                  std::string_view strengthText, std::span<char> strengthValue,
                  std::span<char> strengthUnit);

// The part of SplitStrength after the codes were found: `formCode` and
// `routeCode` are the zero-terminated codes of the medication's dose form and
// route (LookupFormCode, LookupRouteCode). Returns and fills as SplitStrength.
int SplitStrengthByCodes(std::string_view drugName, const char* formCode, const char* routeCode,
                         std::string_view strengthText, std::span<char> strengthValue,
                         std::span<char> strengthUnit);
