#include "platform/wx/Windows1252Text.h"

#include <wx/string.h>

#include "data/Windows1252.h"

namespace platform {
wxString DecodeWindows1252(std::string_view bytes) {
    wxString text;
    text.reserve(bytes.size());
    for (char byte : bytes)
        text.Append(wxUniChar(
            static_cast<wxUint32>(Windows1252CodePoint(static_cast<unsigned char>(byte)))));
    return text;
}

std::string EncodeWindows1252(const wxString& text) {
    std::string bytes;
    bytes.reserve(text.length());
    for (wxString::const_iterator it = text.begin(); it != text.end(); ++it)
        bytes.push_back(Windows1252Byte(static_cast<char32_t>((*it).GetValue())));
    return bytes;
}

wxString DecodeWindowText(std::string_view bytes) {
    return IsWellFormedUtf8(bytes) ? wxString::FromUTF8(bytes.data(), bytes.size())
                                   : DecodeWindows1252(bytes);
}

} // namespace platform
