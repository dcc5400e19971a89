// One record of a host table, filled field by field: for writing many records
// without going through fixtures.
#pragma once

#include "TableLayouts.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hostkit {

// The field `name` of `layout`; throws std::logic_error when it has none.
inline const FieldLayout& FieldOf(const TableLayout& layout, std::string_view name) {
    for (const FieldLayout& field : layout.fields) {
        if (name == field.name) {
            return field;
        }
    }
    throw std::logic_error("table " + layout.name + " has no field " + std::string(name));
}

class RecordBuffer {
public:
    explicit RecordBuffer(const TableLayout& layout)
        : m_layout(layout), m_bytes(static_cast<std::size_t>(layout.recordLength), '\0') {}

    // Every byte zero again.
    void Clear() { std::memset(m_bytes.data(), 0, m_bytes.size()); }

    void PutInt32(const FieldLayout& field, int32_t value) {
        const auto bits = static_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i) {
            m_bytes[static_cast<std::size_t>(field.offset + i)] =
                static_cast<char>((bits >> (8 * i)) & 0xFF);
        }
    }

    // Padded with spaces or ended by a zero byte, as the field's kind says. A
    // text longer than the field may hold is a fault of the caller: it throws.
    void PutText(const FieldLayout& field, std::string_view text) {
        if (text.size() > static_cast<std::size_t>(field.capacity)) {
            throw std::logic_error(m_layout.name + "." + field.name + ": \"" + std::string(text) +
                                   "\" is longer than the field");
        }
        char* start = m_bytes.data() + field.offset;
        if (!text.empty()) { // an empty view may have no address, which memcpy must not get
            std::memcpy(start, text.data(), text.size());
        }
        const char padding = field.kind == FieldKind::PaddedText ? ' ' : '\0';
        std::memset(start + text.size(), padding,
                    static_cast<std::size_t>(field.width) - text.size());
    }

    const char* Data() const { return m_bytes.data(); }
    std::size_t Size() const { return m_bytes.size(); }

private:
    const TableLayout& m_layout;
    std::string m_bytes;
};

} // namespace hostkit
