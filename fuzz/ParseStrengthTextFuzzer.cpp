// ParseStrengthText on any strength text of up to 25 characters: both outputs
// zero-terminated inside their buffers with nothing behind the terminator, the
// value a beginning of the comma-free text, the unit the run after it in upper
// case, never longer than 11 characters.
#include "FuzzCheck.h"
#include "repair/DrugTextSizes.h"
#include "repair/StrengthParser.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

std::size_t TerminatedLength(const std::array<char, 32>& buffer, std::size_t size) {
    const void* zero = std::memchr(buffer.data(), '\0', size);
    FUZZ_CHECK(zero != nullptr);
    const auto length = static_cast<std::size_t>(static_cast<const char*>(zero) - buffer.data());
    for (std::size_t i = length; i < buffer.size(); ++i)
        FUZZ_CHECK(buffer[i] == (i < size ? '\0' : '\x5A'));
    return length;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data),
                          size < kStrengthTextBufferSize ? size : kStrengthTextBufferSize - 1);
    // Bytes past each buffer's size are never touched.
    std::array<char, 32> value;
    std::array<char, 32> unit;
    value.fill('\x5A');
    unit.fill('\x5A');
    ParseStrengthText(text, std::span<char>(value.data(), kStrengthValueBufferSize),
                      std::span<char>(unit.data(), kStrengthUnitBufferSize));

    const std::size_t valueLength = TerminatedLength(value, kStrengthValueBufferSize);
    const std::size_t unitLength = TerminatedLength(unit, kStrengthUnitBufferSize);
    std::string commaFree;
    for (char c : text.substr(0, text.find('\0')))
        if (c != ',')
            commaFree += c;

    FUZZ_CHECK(
        std::string_view(commaFree).starts_with(std::string_view(value.data(), valueLength)));
    FUZZ_CHECK(unitLength <= 11);
    // The unit follows the value, directly or after the one space that ended it.
    bool follows = false;
    for (std::size_t gap : {0, 1}) {
        const std::size_t start = valueLength + gap;
        if (start + unitLength > commaFree.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < unitLength; ++i)
            same = same && unit[i] == Upper(commaFree[start + i]);
        follows = follows || same;
    }
    FUZZ_CHECK(follows);
    for (std::size_t i = 0; i < unitLength; ++i)
        FUZZ_CHECK(unit[i] != ' ' && !(unit[i] >= 'a' && unit[i] <= 'z'));
    return 0;
}
