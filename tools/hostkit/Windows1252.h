// Conversion between the host's single-byte Windows-1252 text and UTF-8.
//
// Every byte has a character: the five bytes that Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 control characters
// of the same value, so any byte string survives the way there and back.
#pragma once

#include <string>
#include <string_view>

namespace hostkit {

// Throws std::invalid_argument naming the first character that has no
// Windows-1252 byte (for example "the character U+4E2D has no Windows-1252 byte"),
// or when the input is not UTF-8.
std::string Utf8ToWindows1252(std::string_view utf8);

std::string Windows1252ToUtf8(std::string_view bytes);

} // namespace hostkit
