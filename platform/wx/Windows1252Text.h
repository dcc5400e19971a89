// The utility's texts are Windows-1252 bytes; the toolkit shows Unicode. These
// convert between the two without losing a byte: the five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 control
// characters of the same value, as they do in ISO 8859-1.
#pragma once

#include <string>
#include <string_view>

class wxString;

namespace platform {

wxString DecodeWindows1252(std::string_view bytes);

// A character the code page cannot hold becomes '?'. Texts that came from
// DecodeWindows1252 come back byte for byte.
std::string EncodeWindows1252(const wxString& text);

// A text the utility writes into its window (see DialogWindow.h): UTF-8, the
// encoding of file names here, when the bytes are valid UTF-8; else
// Windows-1252.
wxString DecodeWindowText(std::string_view bytes);

} // namespace platform
