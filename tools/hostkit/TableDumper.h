// Reads a table of a host folder through the record manager, as the host's
// own callers do, and describes every record as one JSON line.
#pragma once

#include "TableLayouts.h"

#include <filesystem>
#include <string>

namespace hostkit {

// One line per record (DecodeRecord), in the order of the table's dump key.
// Throws std::runtime_error with the record manager's status on any failure.
std::string DumpTable(const std::filesystem::path& folder, const TableLayout& layout);

} // namespace hostkit
