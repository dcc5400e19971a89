// Text operations on the single-byte, zero-terminated texts that record fields
// and lookup buffers hold.
//
// A text lives in a caller's fixed buffer and ends at its first zero byte. The
// in-place operations take the whole buffer, so they never look past its end;
// a buffer without a zero byte holds no text and is refused.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

// The trim character every reader of a record field passes.
inline constexpr char kTrimSpace = ' ';

// The text held in `buffer`: the bytes before its first zero byte.
// Throws std::invalid_argument when the buffer holds no zero byte.
std::string_view TextInBuffer(std::span<const char> buffer);

// The part of `text` before its first zero byte (all of it when there is none).
// Inputs handed over as views are texts like any other: a zero byte ends them.
constexpr std::string_view TextBeforeZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

// Removes, in place, every occurrence of `character` at the end of the text held
// in `text`; the freed bytes become zero. Returns the new length. An empty text
// stays empty; a text made only of `character` becomes empty.
// Throws std::invalid_argument when the buffer holds no zero byte.
std::size_t TrimTrailing(char character, std::span<char> text);

// Deletes, in place, every character of the text held in `text` that belongs to
// `set`; the others keep their order and the freed bytes at the end become zero.
// Always returns true.
// Throws std::invalid_argument when the buffer holds no zero byte.
bool RemoveChars(std::span<char> text, std::string_view set);

// Copies `text` with a terminating zero into the start of `buffer`.
// Throws std::length_error when text and terminator do not fit; nothing is cut.
void CopyText(std::string_view text, std::span<char> buffer);

// ASCII-only case-insensitive equality of two whole texts; other bytes must be equal.
bool EqualsIgnoringAsciiCase(std::string_view left, std::string_view right);
