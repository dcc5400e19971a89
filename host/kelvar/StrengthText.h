// Splitting a strength text such as "10 MG", "0.5mg/ml" or "1,000 UNIT" into
// the value and unit the drug dictionary files a drug under.
#pragma once

#include "kelvar/Vocabulary.h"

#include <string_view>

namespace kelvar {

// Understands exactly: optional blanks, a number, optional blanks, a unit
// spelling of the vocabulary (which may itself contain blanks), optional
// blanks. A number is digits, optionally grouped by thousands commas
// ("1,000,000": groups of three after a first group of one to three), with an
// optional fraction of one or more digits after a '.'. On success writes the
// number without its commas into `value` and the vocabulary's dictionary unit
// into `unit`, each with its NUL into a buffer of `outputSize` bytes, and
// returns true; otherwise writes nothing and returns false.
bool SplitStrengthText(std::string_view text, const Vocabulary& vocabulary, char* value, char* unit,
                       std::size_t outputSize);

} // namespace kelvar
