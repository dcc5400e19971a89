// Writing messages into the caller's fixed-size text buffers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ovutilities {

// Longest stretch of a path quoted in a message, so that every message fits
// the 400-byte error-text buffer whole.
inline constexpr std::size_t kQuotedPathLength = 240;

// `text` unchanged when it has at most `maxLength` bytes, else its beginning and
// its end joined by "...", `maxLength` bytes in all (maxLength >= 5).
std::string ElideMiddle(std::string_view text, std::size_t maxLength);

// Copies `text` into `buffer` of `size` bytes and terminates it; never writes
// past the buffer. Does nothing when `buffer` is null or `size` is 0.
void CopyMessage(char* buffer, std::size_t size, std::string_view text);

} // namespace ovutilities
