// The table-creation side of the record manager, used by hostkit to make host
// folders. The utility never sees this header: it reaches tables only through
// fsopen ... fsupdate.
//
// A table is one SQLite database file at <folder><STEM>99 (no extension) that
// describes itself: its record length, the two credentials fsopen accepts, and
// its keys. A key is a list of byte segments of the record; each segment is
// encoded so that comparing two encoded keys with memcmp gives the key order:
//   Text  - the bytes up to the first zero byte or the segment's width,
//           then zero bytes up to the width;
//   Int32 - a little-endian 32-bit signed integer, written big-endian with the
//           sign bit flipped.
// Records with equal keys keep their insertion order.
#pragma once

#include "common/HostExport.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace storelink {

enum class SegmentType : int32_t { Text = 0, Int32 = 1 };

struct KeySegment {
    int32_t offset; // first byte of the segment in the record
    int32_t width;  // bytes; 4 for Int32
    SegmentType type;
};

struct KeyDefinition {
    int32_t number;                   // the key number callers pass (1, 2, 7, ...)
    std::vector<KeySegment> segments; // compared in this order
};

struct TableDefinition {
    int32_t recordLength = 0;
    std::string firstCredential;
    std::string secondCredential;
    std::vector<KeyDefinition> keys;
};

// Reads the definition a table file carries. Throws std::runtime_error with a
// message naming the file when it is missing or is not a table file.
STANDIN_EXPORT TableDefinition ReadTableDefinition(const std::string& path);

// Creates a new table file and fills it. Everything inserted becomes visible
// at commit(); a writer destroyed without commit() leaves no usable table.
// All errors are thrown as std::runtime_error with a message naming the file.
class STANDIN_EXPORT TableWriter {
public:
    TableWriter(const std::string& path, const TableDefinition& definition);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    // `length` must equal the table's record length.
    void Insert(const void* record, std::size_t length);
    void Commit();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace storelink
