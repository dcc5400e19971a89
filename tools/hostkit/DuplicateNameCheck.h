// JSON allows an object to name a member twice and keeps only one of them; a
// fixture that does so would lose a value without a word, so it is refused.
#pragma once

#include <string_view>

namespace hostkit {

// Throws std::runtime_error "PLACE: the field is given twice" for the first
// member named twice in one object. `json` must already be known to parse.
void RefuseDuplicateNames(std::string_view json);

} // namespace hostkit
