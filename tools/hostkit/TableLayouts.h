// The record layouts and keys of the host folder's tables, as hostkit writes
// and reads them. Each field carries the name it has in a fixture.
#pragma once

#include "storelink/StoreLinkAdmin.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hostkit {

enum class FieldKind {
    Int32,          // 32-bit signed integer, little-endian; required in a fixture
    PaddedText,     // single-byte text, padded with spaces to the width, never terminated
    TerminatedText, // single-byte text, ended by a zero byte when shorter than the width
};

struct FieldLayout {
    const char* name; // the field's name in fixtures and dumps
    int32_t offset;   // first byte in the record
    int32_t width;    // bytes in the record
    FieldKind kind;
    int32_t capacity; // characters a text may hold: the width, or less where a terminator is kept
};

struct ByteRun {
    int32_t offset;
    int32_t width;
};

struct TableLayout {
    std::string name;        // the table file's name in the folder, e.g. "MRRX99"
    const char* fixtureName; // the fixture array holding its records, e.g. "medications"
    int32_t recordLength;
    std::vector<FieldLayout> fields; // in record order, without overlaps
    std::vector<storelink::KeyDefinition> keys;
    int32_t dumpKey;         // the key whose order hostkit dump prints
    const char* uniqueField; // a field no two records may share, or nullptr
};

// The name of the fixture field that carries a record's opaque bytes (those of
// no field) as hexadecimal digits.
inline constexpr const char* kOpaqueField = "opaque";

// The five tables of a host folder, in the order hostkit writes them.
const std::vector<TableLayout>& AllTableLayouts();

// The layout of the table file `name` ("MRRX99", ...), or nullptr.
const TableLayout* FindTableLayout(std::string_view name);

storelink::TableDefinition DefinitionOf(const TableLayout& layout);

// The bytes of a record that belong to no field, in record order.
std::vector<ByteRun> OpaqueRuns(const TableLayout& layout);

} // namespace hostkit
