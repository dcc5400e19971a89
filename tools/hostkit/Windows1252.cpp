#include "Windows1252.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace hostkit {
namespace {

// Characters of the bytes 0x80 to 0x9F; every other byte is the character of
// the same value.
constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 0x98
};

char32_t CharacterOfByte(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kHighControlRange[byte - 0x80];
    }
    return byte;
}

[[noreturn]] void ThrowUnmappable(char32_t character) {
    char text[80];
    std::snprintf(text, sizeof text, "the character U+%04X has no Windows-1252 byte",
                  static_cast<unsigned>(character));
    throw std::invalid_argument(text);
}

unsigned char ByteOfCharacter(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return static_cast<unsigned char>(character);
    }
    for (std::size_t i = 0; i < kHighControlRange.size(); ++i) {
        if (kHighControlRange[i] == character) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    ThrowUnmappable(character);
}

// Reads one UTF-8 sequence at `pos` and advances past it.
char32_t NextCharacter(std::string_view utf8, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(utf8[pos]);
    int length = 0;
    char32_t character = 0;
    if (lead < 0x80) {
        length = 1;
        character = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        character = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        character = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        character = lead & 0x07;
    } else {
        throw std::invalid_argument("the text is not UTF-8");
    }
    if (pos + length > utf8.size()) {
        throw std::invalid_argument("the text is not UTF-8");
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(utf8[pos + i]);
        if ((next & 0xC0) != 0x80) {
            throw std::invalid_argument("the text is not UTF-8");
        }
        character = (character << 6) | (next & 0x3F);
    }
    pos += length;
    return character;
}

void AppendUtf8(std::string& out, char32_t character) {
    if (character < 0x80) {
        out += static_cast<char>(character);
    } else if (character < 0x800) {
        out += static_cast<char>(0xC0 | (character >> 6));
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        // Windows-1252 reaches no further than the Basic Multilingual Plane.
        out += static_cast<char>(0xE0 | (character >> 12));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    }
}

} // namespace

std::string Utf8ToWindows1252(std::string_view utf8) {
    std::string bytes;
    bytes.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        bytes += static_cast<char>(ByteOfCharacter(NextCharacter(utf8, pos)));
    }
    return bytes;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size());
    for (const char byte : bytes) {
        AppendUtf8(utf8, CharacterOfByte(static_cast<unsigned char>(byte)));
    }
    return utf8;
}

} // namespace hostkit
