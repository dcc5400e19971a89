// The program's own split of a medication's strength text into a value and a
// unit, used when the drug-knowledge library cannot split it.
#pragma once

#include <span>
#include <string_view>

// Splits `strengthText` (at most 25 characters; a zero byte ends it) into
// `strengthValue` and `strengthUnit`, each written as a zero-terminated text into
// the first kStrengthValueBufferSize / kStrengthUnitBufferSize bytes of its buffer,
// which are zeroed first. Always succeeds.
//
// Commas are dropped. The value is the leading run of digits, spaces, '-', '.',
// '(' and ')': it ends before the first space outside parentheses, after the first
// ')', or after 16 characters; a '(' takes everything up to and including the next
// ')' into the value. The unit is the run after the value (after the separating
// space, when there is one) up to the next space, at most 10 characters after a
// space and 11 without one, in upper case. A '(' never closed leaves both empty.
//
// Throws std::length_error for a text longer than 25 characters or a buffer
// smaller than its size.
void ParseStrengthText(std::string_view strengthText, std::span<char> strengthValue,
                       std::span<char> strengthUnit);
