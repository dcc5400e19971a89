#include "kelvar/Vocabulary.h"

#include <fstream>

namespace kelvar {
namespace {

const VocabularyEntry* Find(const auto& entries, std::string_view text) {
    const auto found = entries.find(text);
    return found == entries.end() ? nullptr : &found->second;
}

} // namespace

Vocabulary::LoadResult Vocabulary::Load(const std::string& path) {
    Clear();
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return LoadResult::Unreadable;
    }
    const std::streamoff size = file.seekg(0, std::ios::end).tellg();
    if (size < 0 || !file.seekg(0)) {
        return LoadResult::Unreadable;
    }
    if (static_cast<std::uint64_t>(size) > kLargestFile) {
        return LoadResult::TooLarge;
    }
    std::string line;
    int32_t lineNumber = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (!AddLine(line, lineNumber)) {
            ++m_ignoredLines;
        }
    }
    if (file.bad()) {
        Clear();
        return LoadResult::Unreadable;
    }
    return LoadResult::Read;
}

void Vocabulary::Clear() {
    m_forms.clear();
    m_units.clear();
    m_ignoredLines = 0;
}

const VocabularyEntry* Vocabulary::FindForm(std::string_view text) const {
    return Find(m_forms, text);
}

const VocabularyEntry* Vocabulary::FindUnit(std::string_view spelling) const {
    return Find(m_units, spelling);
}

bool Vocabulary::AddLine(std::string_view line, int32_t lineNumber) {
    const std::size_t firstTab = line.find('\t');
    if (firstTab == std::string_view::npos) {
        return false;
    }
    const std::size_t secondTab = line.find('\t', firstTab + 1);
    if (secondTab == std::string_view::npos || line.find('\t', secondTab + 1) != line.npos) {
        return false;
    }
    const std::string_view kind = line.substr(0, firstTab);
    const std::string_view text = line.substr(firstTab + 1, secondTab - firstTab - 1);
    const std::string_view code = line.substr(secondTab + 1);

    Entries* entries = nullptr;
    std::size_t longestCode = 0;
    if (kind == "form") {
        entries = &m_forms;
        longestCode = kLongestFormCode;
    } else if (kind == "unit") {
        entries = &m_units;
        longestCode = kLongestUnit;
    } else {
        return false;
    }
    if (text.empty() || code.empty() || code.size() > longestCode) {
        return false;
    }
    // The first entry of a text stands; a later one is a conflict and ignored.
    return entries->try_emplace(std::string(text), VocabularyEntry{std::string(code), lineNumber})
        .second;
}

} // namespace kelvar
