// Reading the text fields of host records.
#include "data/RecordField.h"

#include "repair/TextOps.h"

#include <algorithm>
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
    const std::span<char> buffer = text.first(width + 1);
    std::fill(buffer.begin(), buffer.end(), '\0');
    for (std::size_t i = 0; i < width; ++i) {
        const auto c = static_cast<char>(record[offset + i]);
        if (c == '\0') {
            break;
        }
        buffer[i] = c;
    }
    const std::size_t length = TrimTrailing(kTrimSpace, buffer);
    return {buffer.data(), length};
}

std::string GetFieldText(std::span<const std::byte> record, TextField field) {
    std::string text(field.width + 1, '\0');
    text.resize(GetFieldText(record, field, text).size());
    return text;
}
