// The drug-knowledge vocabulary of a host folder: dose-form texts with their
// form codes, and unit spellings with the unit the drug dictionary writes.
//
// File format, one entry a line, fields separated by one tab, lines starting
// with '#' and empty lines ignored, a trailing CR removed:
//   form<TAB>dose-form text<TAB>form code (1 to 4 characters)
//   unit<TAB>unit spelling<TAB>dictionary unit (1 to 10 characters)
// Any other line, and a text already listed for its kind, is ignored and
// counted. Texts match without regard to ASCII letter case. A file larger than
// kLargestFile is refused unread.
#pragma once

#include "kelvar/CaseFoldedKey.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kelvar {

struct VocabularyEntry {
    std::string code; // form code or dictionary unit
    int32_t line = 0; // line of the file it comes from, counted from 1
};

class Vocabulary {
public:
    inline static constexpr std::size_t kLongestFormCode = 4;
    inline static constexpr std::size_t kLongestUnit = 10;
    // 16 MiB: the default vocabulary is about 10 KB, and a list of every dose
    // form and unit spelling a drug knowledge base knows stays far below this.
    // A larger file is no vocabulary, and reading it whole could take minutes
    // and gigabytes (a file of zeros is one line).
    inline static constexpr std::uint64_t kLargestFile = 16u << 20;

    enum class LoadResult { Read, Unreadable, TooLarge };

    // Replaces the content with the file's; the vocabulary is empty unless the
    // result is Read.
    LoadResult Load(const std::string& path);
    void Clear();

    // The entry of a dose-form text or unit spelling; null when there is none.
    const VocabularyEntry* FindForm(std::string_view text) const;
    const VocabularyEntry* FindUnit(std::string_view spelling) const;

    int32_t FormCount() const { return static_cast<int32_t>(m_forms.size()); }
    int32_t UnitCount() const { return static_cast<int32_t>(m_units.size()); }
    int32_t IgnoredLines() const { return m_ignoredLines; }

private:
    using Entries =
        std::unordered_map<std::string, VocabularyEntry, CaseFoldedHash, CaseFoldedEqual>;

    bool AddLine(std::string_view line, int32_t lineNumber);

    Entries m_forms;
    Entries m_units;
    int32_t m_ignoredLines = 0;
};

} // namespace kelvar
