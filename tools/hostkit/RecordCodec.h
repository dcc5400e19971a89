// One record of a host table and its fixture object, each made from the other.
//
// A fixture object names its table's fields; integers are required, a text
// left out is empty. The optional `opaque` member gives the bytes of no field,
// in record order, as two hexadecimal digits each; bytes it does not reach are
// zero. Decoding gives the same names back, texts without their padding (the
// trailing spaces, or the terminator and what follows it) and `opaque` only
// when those bytes are not all zero, without its trailing zero bytes.
#pragma once

#include "TableLayouts.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace hostkit {

// The record of `layout` described by `object`, found at `place` in the
// fixture. Throws std::runtime_error naming the place of a refused value.
std::string EncodeRecord(const TableLayout& layout, const nlohmann::json& object,
                         const std::string& place);

// `record` must be layout.recordLength bytes long.
nlohmann::ordered_json DecodeRecord(const TableLayout& layout, std::string_view record);

} // namespace hostkit
