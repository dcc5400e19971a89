#include "kelvar/StrengthText.h"

#include <algorithm>
#include <cstring>

namespace kelvar {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t CountDigits(std::string_view text, std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
    }
    return end - from;
}

// Reads the number at `position`, appending its digits and point to `digits`
// (room for `room` characters). Returns false when there is no well-formed
// number or it does not fit; `position` is then meaningless.
bool ReadNumber(std::string_view text, std::size_t& position, char* digits, std::size_t room,
                std::size_t& length) {
    length = 0;
    auto take = [&](std::size_t count) {
        if (length + count > room) {
            return false;
        }
        std::memcpy(digits + length, text.data() + position, count);
        length += count;
        position += count;
        return true;
    };

    const std::size_t leading = CountDigits(text, position);
    if (leading == 0 || !take(leading)) {
        return false;
    }
    bool grouped = false;
    while (position < text.size() && text[position] == ',') {
        // A comma separates thousands: at most three digits before the first
        // one, exactly three after every one.
        if ((!grouped && leading > 3) || CountDigits(text, position + 1) != 3) {
            return false;
        }
        grouped = true;
        ++position;
        if (!take(3)) {
            return false;
        }
    }
    if (position < text.size() && text[position] == '.') {
        const std::size_t fraction = CountDigits(text, position + 1);
        if (fraction == 0 || !take(1 + fraction)) {
            return false;
        }
    }
    return true;
}

} // namespace

bool SplitStrengthText(std::string_view text, const Vocabulary& vocabulary, char* value, char* unit,
                       std::size_t outputSize) {
    if (outputSize == 0) {
        return false;
    }
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }

    char digits[64];
    const std::size_t room = std::min(sizeof digits, outputSize - 1);
    std::size_t position = 0;
    std::size_t length = 0;
    if (!ReadNumber(text, position, digits, room, length)) {
        return false;
    }
    while (position < text.size() && IsBlank(text[position])) {
        ++position;
    }
    const VocabularyEntry* entry = vocabulary.FindUnit(text.substr(position));
    if (entry == nullptr || entry->code.size() + 1 > outputSize) {
        return false;
    }
    std::memcpy(value, digits, length);
    value[length] = '\0';
    std::memcpy(unit, entry->code.c_str(), entry->code.size() + 1);
    return true;
}

} // namespace kelvar
