// Reading the text fields of host records.
//
// Host text fields are fixed-width runs of single-byte characters, padded on the
// right with spaces and not terminated inside the record: a value that fills its
// whole width runs straight into the next field.
#pragma once

#include <bit>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

// Host records hold little-endian 32-bit integers, which this program reads and
// writes as plain struct members.
static_assert(std::endian::native == std::endian::little,
              "host record integers are little-endian; read them byte-wise on this platform");

// Where a text field lies in its record.
struct TextField {
    std::size_t offset; // first byte of the field in the record
    std::size_t width;  // bytes the field takes in the record
};

// The bytes of a host record held in a record struct.
template <class Record>
std::span<const std::byte, sizeof(Record)> RecordBytes(const Record& record) {
    static_assert(std::is_trivially_copyable_v<Record> && std::is_standard_layout_v<Record>,
                  "a host record is plain bytes");
    return std::as_bytes(std::span<const Record, 1>(&record, 1));
}

// Reads the text field of `width` bytes at `offset` of `record`: at most `width`
// bytes, ending early at a zero byte, copied into the first width + 1 bytes of
// `text` (zeroed first), with trailing spaces removed; leading spaces stay. The
// text may be empty. Returns the text, which lives in `text`.
// Throws std::out_of_range when the field lies outside the record and
// std::length_error when `text` is smaller than width + 1 bytes.
std::string_view GetFieldText(std::span<const std::byte> record, std::size_t offset,
                              std::size_t width, std::span<char> text);

inline std::string_view GetFieldText(std::span<const std::byte> record, TextField field,
                                     std::span<char> text) {
    return GetFieldText(record, field.offset, field.width, text);
}

// The same read, returned as a string, for callers outside the per-medication path.
std::string GetFieldText(std::span<const std::byte> record, TextField field);
