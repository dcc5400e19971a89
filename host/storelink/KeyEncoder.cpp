#include "storelink/KeyEncoder.h"

#include <cstring>
#include <set>

namespace storelink {

KeyEncoder::KeyEncoder(const KeyDefinition& key) : m_number(key.number), m_segments(key.segments) {
    for (const KeySegment& segment : m_segments) {
        m_encodedWidth += static_cast<std::size_t>(segment.width);
    }
}

void KeyEncoder::Encode(const uint8_t* record, uint8_t* out) const {
    for (const KeySegment& segment : m_segments) {
        const uint8_t* field = record + segment.offset;
        const auto width = static_cast<std::size_t>(segment.width);
        if (segment.type == SegmentType::Int32) {
            // Little-endian in the record; big-endian with the sign bit flipped
            // in the key, so that unsigned byte order is signed number order.
            out[0] = static_cast<uint8_t>(field[3] ^ 0x80U);
            out[1] = field[2];
            out[2] = field[1];
            out[3] = field[0];
        } else {
            const void* zero = std::memchr(field, 0, width);
            const std::size_t used =
                zero != nullptr
                    ? static_cast<std::size_t>(static_cast<const uint8_t*>(zero) - field)
                    : width;
            std::memcpy(out, field, used);
            std::memset(out + used, 0, width - used);
        }
        out += width;
    }
}

std::string CheckTableDefinition(const TableDefinition& definition) {
    if (definition.recordLength < 1 || definition.recordLength > kMaxRecordLength) {
        return "record length " + std::to_string(definition.recordLength) +
               " is not between 1 and " + std::to_string(kMaxRecordLength);
    }
    for (const std::string* credential :
         {&definition.firstCredential, &definition.secondCredential}) {
        if (credential->find('\0') != std::string::npos) {
            return "a credential contains a zero byte";
        }
    }
    if (definition.keys.empty()) {
        return "the table has no key";
    }
    std::set<int32_t> numbers;
    for (const KeyDefinition& key : definition.keys) {
        const std::string name = "key " + std::to_string(key.number);
        if (key.number < 0) {
            return name + " has a negative number";
        }
        if (!numbers.insert(key.number).second) {
            return name + " is defined twice";
        }
        if (key.segments.empty()) {
            return name + " has no segment";
        }
        for (const KeySegment& segment : key.segments) {
            if (segment.type != SegmentType::Text && segment.type != SegmentType::Int32) {
                return name + " has a segment of unknown type";
            }
            if (segment.offset < 0 || segment.width < 1 ||
                segment.width > definition.recordLength - segment.offset) {
                return name + " has a segment outside the record (offset " +
                       std::to_string(segment.offset) + ", width " + std::to_string(segment.width) +
                       ")";
            }
            if (segment.type == SegmentType::Int32 && segment.width != 4) {
                return name + " has an Int32 segment that is not 4 bytes wide";
            }
        }
    }
    return {};
}

} // namespace storelink
