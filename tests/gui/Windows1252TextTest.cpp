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

// Window texts carry paths in the file-name encoding (UTF-8 here); bytes that
// are not UTF-8 are shown as Windows-1252.
TEST(Windows1252TextTest, WindowTextsAreUtf8WhereTheyCanBe) {
    const struct {
        std::string bytes;
        std::u32string shown;
    } cases[] = {
        {"", U""},
        {"/srv/Praxis-M\xC3\xBCller/", U"/srv/Praxis-M\u00FCller/"},
        {"Failure opening file:/d/\xE2\x82\xAC\nPlease verify.",
         U"Failure opening file:/d/\u20AC\nPlease verify."},
        {"caf\xE9 \x80", U"caf\u00E9 \u20AC"},             // not UTF-8
        {"M\xC3\xBC \xFC", U"M\u00C3\u00BC \u00FC"},       // UTF-8 and not: all Windows-1252
        {"\xC3", U"\u00C3"},                               // a sequence cut short
        {"\xED\xA0\x80", U"\u00ED\u00A0\u20AC"},           // a surrogate is not UTF-8
        {"\xC0\xAF", U"\u00C0\u00AF"},                     // nor an overlong form
        {"\xF0\x9F\x92\x8A", U"\U0001F48A"},               // four bytes
        {"\xF4\x90\x80\x80", U"\u00F4\u0090\u20AC\u20AC"}, // above U+10FFFF
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const wxString text = platform::DecodeWindowText(c.bytes);
        std::u32string shown;
        for (wxString::const_iterator it = text.begin(); it != text.end(); ++it)
            shown.push_back(static_cast<char32_t>((*it).GetValue()));
        EXPECT_TRUE(shown == c.shown);
    }
}

} // namespace
