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

} // namespace testsupport
