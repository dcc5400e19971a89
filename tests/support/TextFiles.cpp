#include "support/TextFiles.h"

#include <algorithm>
#include <filesystem>

#include "support/HostFolder.h"

namespace testsupport {

std::string ReadSourceFile(const std::string& relativePath) {
    return ReadFileBytes(std::filesystem::path(DOSEWRIGHT_SOURCE_DIR) / relativePath);
}

std::vector<std::string> SplitLines(std::string_view text, std::string_view lineBreak) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(lineBreak, start), text.size());
        lines.emplace_back(text.substr(start, end - start));
        start = end + lineBreak.size();
    }
    return lines;
}

std::vector<std::string> CrLfLines(std::string_view bytes, std::string& rest) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string_view::npos;
         start = end + 2) {
        lines.emplace_back(bytes.substr(start, end + 2 - start));
    }
    rest = bytes.substr(start);
    return lines;
}

std::vector<std::string> CsvFields(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"' && fields.back().empty()) {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

} // namespace testsupport
