// Reading the text fields of host records.
#include "data/RecordField.h"

#include "data/TextOps.h"

#include <cstring>
#include <stdexcept>

std::string_view GetFieldText(std::span<const std::byte> record, std::size_t offset,
                              std::size_t width, std::span<char> text) {
    if (offset > record.size() || width > record.size() - offset) {
        throw std::out_of_range("text field at byte " + std::to_string(offset) + ", width " +
                                std::to_string(width) + " lies outside a record of " +
                                std::to_string(record.size()) + " bytes");
    }
    if (text.size() <= width) {
        throw std::length_error("text buffer of " + std::to_string(text.size()) +
                                " bytes cannot hold a field of width " + std::to_string(width));
    }
    // The value ends at the first zero byte or the field's width; trailing
    // spaces are not part of it. Read once per field of every medication, so
    // the bytes are measured before anything is copied.
    if (width == 0) {
        text[0] = '\0';
        return {text.data(), 0};
    }
    const auto* field = reinterpret_cast<const char*>(record.data() + offset);
    const auto* zero = static_cast<const char*>(std::memchr(field, '\0', width));
    std::size_t length = zero != nullptr ? static_cast<std::size_t>(zero - field) : width;
    while (length > 0 && field[length - 1] == kTrimSpace) {
        --length;
    }
    if (length > 0)
        std::memcpy(text.data(), field, length);
    std::memset(text.data() + length, '\0', width + 1 - length);
    return {text.data(), length};
}

std::string GetFieldText(std::span<const std::byte> record, TextField field) {
    std::string text(field.width + 1, '\0');
    text.resize(GetFieldText(record, field, text).size());
    return text;
}
