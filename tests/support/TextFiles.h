// Reading the files the tests compare, and cutting them into lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// The bytes of a file of the source tree, `relativePath` from its root. Throws
// std::runtime_error when it cannot be read.
std::string ReadSourceFile(const std::string& relativePath);

// The lines of `text` that `lineBreak` separates, without it; a break at the
// very end does not start another line.
std::vector<std::string> SplitLines(std::string_view text, std::string_view lineBreak);

// The lines of `bytes` that end with CR LF, each with its CR LF; what follows
// the last one (a line without its end) is left in `rest`.
std::vector<std::string> CrLfLines(std::string_view bytes, std::string& rest);

// Splits one CSV line (without its line end) into its fields: a field in double
// quotes may hold commas, line breaks and doubled quotes.
std::vector<std::string> CsvFields(std::string_view line);

} // namespace testsupport
