// Turns the key fields of a record into a byte string whose memcmp order is
// the key's order (see StoreLinkAdmin.h for the encoding of each segment type).
#pragma once

#include "storelink/StoreLinkAdmin.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace storelink {

class KeyEncoder {
public:
    // `key` must have passed CheckTableDefinition.
    explicit KeyEncoder(const KeyDefinition& key);

    int32_t KeyNumber() const { return m_number; }
    // Bytes written by Encode: the sum of the segment widths.
    std::size_t EncodedWidth() const { return m_encodedWidth; }
    // Encodes the key of `record` (the table's record length) into `out`
    // (EncodedWidth() bytes).
    void Encode(const uint8_t* record, uint8_t* out) const;

private:
    int32_t m_number;
    std::vector<KeySegment> m_segments;
    std::size_t m_encodedWidth = 0;
};

// Largest record a table may have, in bytes.
inline constexpr int32_t kMaxRecordLength = 1 << 20;

// Checks that a definition describes a usable table: a record length in
// 1..kMaxRecordLength, credentials without zero bytes, at least one key, key
// numbers >= 0 and distinct, every key with at least one segment, every
// segment inside the record, Int32 segments 4 bytes wide. Returns an empty
// text when it does, else what is wrong.
std::string CheckTableDefinition(const TableDefinition& definition);

} // namespace storelink
