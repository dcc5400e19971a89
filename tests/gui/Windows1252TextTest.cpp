// Windows-1252 bytes to the toolkit's text and back.
#include <gtest/gtest.h>

#include <string>

#include <wx/string.h>

#include "platform/wx/Windows1252Text.h"

namespace {

using platform::DecodeWindows1252;
using platform::EncodeWindows1252;

TEST(Windows1252TextTest, EveryByteComesBackUnchanged) {
    std::string bytes;
    for (int value = 0; value < 256; ++value)
        bytes.push_back(static_cast<char>(value));
    const wxString text = DecodeWindows1252(bytes);
    EXPECT_EQ(text.length(), 256u);
    EXPECT_EQ(EncodeWindows1252(text), bytes);
}

TEST(Windows1252TextTest, BytesShowAsTheCodePageSaysAndUndefinedOnesAsControls) {
    struct Case {
        unsigned char byte;
        wxUint32 codePoint;
    };
    const Case cases[] = {
        {'A', 'A'},     {0x80, 0x20AC}, {0x81, 0x0081}, {0x8D, 0x008D}, {0x8F, 0x008F},
        {0x90, 0x0090}, {0x92, 0x2019}, {0x96, 0x2013}, {0x9D, 0x009D}, {0x9F, 0x0178},
        {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.byte));
        const wxString text = DecodeWindows1252(std::string(1, static_cast<char>(c.byte)));
        ASSERT_EQ(text.length(), 1u);
        EXPECT_EQ(text[0].GetValue(), c.codePoint);
    }
}

TEST(Windows1252TextTest, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    wxString text = "a";
    text.Append(wxUniChar(0x4E2D));
    text.Append(wxUniChar(0x0100));
    text.Append(wxUniChar(0x20AC));
    EXPECT_EQ(EncodeWindows1252(text), "a??\x80");
}

} // namespace
