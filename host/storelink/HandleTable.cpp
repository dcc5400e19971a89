#include "storelink/HandleTable.h"

#include "storelink/StoreLinkStatus.h"

namespace storelink {

int32_t HandleTable::Add(std::unique_ptr<OpenTable> table) {
    for (std::size_t i = 0; i < m_tables.size(); ++i) {
        if (!m_tables[i]) {
            m_tables[i] = std::move(table);
            return static_cast<int32_t>(i);
        }
    }
    if (m_tables.size() >= static_cast<std::size_t>(kMaxOpenTables)) {
        return kErrTooManyHandles;
    }
    m_tables.push_back(std::move(table));
    return static_cast<int32_t>(m_tables.size() - 1);
}

OpenTable* HandleTable::Find(int32_t handle) const {
    if (handle < 0 || static_cast<std::size_t>(handle) >= m_tables.size()) {
        return nullptr;
    }
    return m_tables[static_cast<std::size_t>(handle)].get();
}

bool HandleTable::Close(int32_t handle) {
    if (Find(handle) == nullptr) {
        return false;
    }
    m_tables[static_cast<std::size_t>(handle)].reset();
    return true;
}

} // namespace storelink
