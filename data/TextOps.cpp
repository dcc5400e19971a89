// Text operations on zero-terminated texts held in fixed buffers.
#include "data/TextOps.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

constexpr char ToAsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string_view TextInBuffer(std::span<const char> buffer) {
    const auto* end = static_cast<const char*>(std::memchr(buffer.data(), '\0', buffer.size()));
    if (end == nullptr) {
        throw std::invalid_argument("text buffer holds no terminating zero byte");
    }
    return {buffer.data(), static_cast<std::size_t>(end - buffer.data())};
}

std::size_t TrimTrailing(char character, std::span<char> text) {
    std::size_t length = TextInBuffer(text).size();
    while (length > 0 && text[length - 1] == character) {
        text[--length] = '\0';
    }
    return length;
}

bool RemoveChars(std::span<char> text, std::string_view set) {
    const std::size_t length = TextInBuffer(text).size();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (set.find(text[i]) == std::string_view::npos) {
            text[kept++] = text[i];
        }
    }
    std::fill(text.begin() + static_cast<std::ptrdiff_t>(kept),
              text.begin() + static_cast<std::ptrdiff_t>(length), '\0');
    return true;
}

void CopyText(std::string_view text, std::span<char> buffer) {
    if (text.size() >= buffer.size()) {
        throw std::length_error("text of " + std::to_string(text.size()) +
                                " characters does not fit a buffer of " +
                                std::to_string(buffer.size()) + " bytes");
    }
    std::copy(text.begin(), text.end(), buffer.begin());
    buffer[text.size()] = '\0';
}

bool EqualsIgnoringAsciiCase(std::string_view left, std::string_view right) {
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(),
                      [](char a, char b) { return ToAsciiLower(a) == ToAsciiLower(b); });
}
