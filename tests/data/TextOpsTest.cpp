#include "data/TextOps.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>

namespace {

constexpr std::size_t kBufferSize = 16;

// A zero-terminated text in a buffer whose unused bytes are zero, as callers hold them.
std::array<char, kBufferSize> Buffer(std::string_view text) {
    std::array<char, kBufferSize> buffer{};
    std::copy(text.begin(), text.end(), buffer.begin());
    return buffer;
}

// After an in-place edit every byte behind the text must be zero, so that no
// stale character can reappear.
void ExpectText(const std::array<char, kBufferSize>& buffer, std::string_view expected) {
    EXPECT_EQ(std::string_view(buffer.data()), expected);
    for (std::size_t i = expected.size(); i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], '\0') << "byte " << i;
    }
}

struct EditCase {
    std::string_view text;
    std::string_view expected;
};

TEST(TrimTrailing, RemovesOnlyTheTrailingRun) {
    const EditCase cases[] = {
        {"", ""},
        {"    ", ""},
        {"A B  ", "A B"},
        {"  A", "  A"},
        {"A", "A"},
        {"A \t ", "A \t"},
        {"15 spaces      ", "15 spaces"},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(std::string("text '") + std::string(c.text) + "'");
        auto buffer = Buffer(c.text);
        EXPECT_EQ(TrimTrailing(kTrimSpace, buffer), c.expected.size());
        ExpectText(buffer, c.expected);
    }
}

TEST(TrimTrailing, TrimsTheCharacterGiven) {
    auto buffer = Buffer("10..");
    EXPECT_EQ(TrimTrailing('.', buffer), 2u);
    ExpectText(buffer, "10");
}

TEST(RemoveChars, DropsEveryCharacterOfTheSet) {
    const EditCase cases[] = {
        {"1,000,000", "1000000"},
        {"10,", "10"},
        {"1,0,,", "10"},
        {"10 MG", "10 MG"},
        {",,,", ""},
        {"", ""},
        {",5", "5"},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(std::string("text '") + std::string(c.text) + "'");
        auto buffer = Buffer(c.text);
        EXPECT_TRUE(RemoveChars(buffer, ","));
        ExpectText(buffer, c.expected);
    }
}

TEST(RemoveChars, TakesASetOfSeveralCharacters) {
    auto buffer = Buffer("a-b.c-d");
    RemoveChars(buffer, "-.");
    ExpectText(buffer, "abcd");
}

TEST(TextOps, RefuseABufferWithoutTerminator) {
    std::array<char, 4> full{'A', 'B', ' ', ' '};
    EXPECT_THROW(TrimTrailing(kTrimSpace, full), std::invalid_argument);
    EXPECT_THROW(RemoveChars(full, ","), std::invalid_argument);
    EXPECT_THROW(TextInBuffer(full), std::invalid_argument);
    EXPECT_EQ(std::string(full.begin(), full.end()), "AB  ");
}

TEST(CopyText, RefusesATextThatLeavesNoRoomForItsTerminator) {
    std::array<char, 4> buffer{'x', 'x', 'x', 'x'};
    CopyText("abc", buffer);
    EXPECT_EQ(std::string_view(buffer.data()), "abc");
    EXPECT_THROW(CopyText("abcd", buffer), std::length_error);
}

TEST(EqualsIgnoringAsciiCase, FoldsAsciiLettersOnly) {
    EXPECT_TRUE(EqualsIgnoringAsciiCase("Mouth/Throat", "mOUTH/tHROAT"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("Oral", "Oral "));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("Oral", "Ora"));
    // 0xE9 and 0xC9 are one letter in two cases in the host's code page; they are not folded.
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xE9", "\xC9"));
    // '@' and '`' sit just outside the letter ranges.
    EXPECT_FALSE(EqualsIgnoringAsciiCase("@", "`"));
}

TEST(TextBeforeZero, EndsAtTheFirstZeroByte) {
    EXPECT_EQ(TextBeforeZero(std::string("12") + '\0' + "34"), "12");
    EXPECT_EQ(TextBeforeZero("1234"), "1234");
}

} // namespace
