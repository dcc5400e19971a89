// Character-by-character split of a strength text into value and unit.
#include "repair/StrengthParser.h"

#include "data/TextOps.h"
#include "repair/DrugTextSizes.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

namespace {

// A value may take characters only at positions below this, unless a '(' is open.
constexpr std::size_t kValueLengthLimit = 16;
// A unit may take characters only at positions below the value end plus this.
constexpr std::size_t kUnitSpan = 11;

static_assert(kStrengthValueBufferSize >= kStrengthTextBufferSize,
              "the value keeps characters at their positions in the strength text");
static_assert(kStrengthUnitBufferSize > kUnitSpan, "the unit and its zero must fit");

constexpr bool IsValueCharacter(char c) {
    return (c >= '0' && c <= '9') || c == ' ' || c == '-' || c == '.' || c == '(' || c == ')';
}

constexpr char ToAsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

void RequireBuffer(std::span<char> buffer, std::size_t size, const char* what) {
    if (buffer.size() < size) {
        throw std::length_error(std::string(what) + " buffer is smaller than " +
                                std::to_string(size) + " bytes");
    }
}

} // namespace

void ParseStrengthText(std::string_view strengthText, std::span<char> strengthValue,
                       std::span<char> strengthUnit) {
    RequireBuffer(strengthValue, kStrengthValueBufferSize, "strength value");
    RequireBuffer(strengthUnit, kStrengthUnitBufferSize, "strength unit");
    const std::span<char, kStrengthValueBufferSize> value(strengthValue.data(),
                                                          kStrengthValueBufferSize);
    const std::span<char, kStrengthUnitBufferSize> unit(strengthUnit.data(),
                                                        kStrengthUnitBufferSize);
    std::fill(value.begin(), value.end(), '\0');
    std::fill(unit.begin(), unit.end(), '\0');

    // The working copy always ends with at least one zero byte: the scan below
    // meets it at the latest at the last position.
    std::array<char, kStrengthTextBufferSize> text{};
    CopyText(TextBeforeZero(strengthText), text);
    RemoveChars(text, ",");

    bool valueEnded = false;
    std::size_t valueEnd = 0;
    std::size_t separatorCount = 0;
    bool openingSeen = false;
    bool closingSeen = false;
    bool unitEnded = false;
    std::size_t unitLength = 0;

    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool insideParentheses = openingSeen && !closingSeen;
        const bool beforeAnyParenthesis = !openingSeen && !closingSeen;
        if ((IsValueCharacter(c) && !valueEnded && i < kValueLengthLimit && beforeAnyParenthesis) ||
            insideParentheses) {
            if (c == '(') {
                openingSeen = true;
            } else if (c == ')') {
                closingSeen = true;
            }
            if (c == ' ' && !openingSeen) {
                separatorCount = 1;
                valueEnded = true;
                valueEnd = i;
            } else {
                value[i] = c; // i < text.size() == the value buffer's size
            }
            continue;
        }
        if (unitEnded) {
            continue;
        }
        if (!valueEnded) {
            valueEnded = true;
            valueEnd = i;
        }
        // From here on i > valueEnd when a space separated the value, i >= valueEnd
        // otherwise, so the unit position below is never negative.
        const std::size_t unitPosition = i - valueEnd - separatorCount;
        if (c != ' ' && c != '\0' && i < valueEnd + kUnitSpan) {
            unit[unitPosition] = c; // unitPosition < kUnitSpan
        } else {
            unitLength = unitPosition; // <= kUnitSpan
            if (i >= valueEnd + kUnitSpan) {
                break;
            }
            unitEnded = true;
        }
    }

    // Nothing of an unfinished value or unit stays behind its terminator.
    std::fill(value.begin() + static_cast<std::ptrdiff_t>(valueEnd), value.end(), '\0');
    std::fill(unit.begin() + static_cast<std::ptrdiff_t>(unitLength), unit.end(), '\0');
    for (std::size_t i = 0; i < unitLength; ++i) {
        unit[i] = ToAsciiUpper(unit[i]);
    }
}
