// The database's texts are Windows-1252 bytes. These tell what character each
// byte stands for, without losing one: the five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 control
// characters of the same value, as they do in ISO 8859-1.
#pragma once

#include <string>
#include <string_view>

// The character of a byte.
char32_t Windows1252CodePoint(unsigned char byte);
// The byte of a character; '?' for one the code page cannot hold.
char Windows1252Byte(char32_t codePoint);

// Well-formed UTF-8: no overlong form, no surrogate, nothing above U+10FFFF.
bool IsWellFormedUtf8(std::string_view bytes);

// Appends the UTF-8 encoding of a character.
void AppendUtf8(std::string& text, char32_t codePoint);
