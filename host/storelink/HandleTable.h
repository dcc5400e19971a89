// The open tables of the process, by handle.
#pragma once

#include "storelink/OpenTable.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace storelink {

inline constexpr int32_t kMaxOpenTables = 256;

class HandleTable {
public:
    // The lowest free handle, now owning `table`, or kErrTooManyHandles.
    int32_t Add(std::unique_ptr<OpenTable> table);
    // The table of `handle`, or null when it is not an open handle.
    OpenTable* Find(int32_t handle) const;
    // Closes `handle`. False when it is not an open handle.
    bool Close(int32_t handle);

private:
    std::vector<std::unique_ptr<OpenTable>> m_tables;
};

} // namespace storelink
