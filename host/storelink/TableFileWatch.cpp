#include "storelink/TableFileWatch.h"

#include "storelink/StoreLinkStatus.h"

namespace storelink {

bool TableFileWatch::Start(const std::string& path) {
    m_path = path;
    m_replaced = false;
    m_lastLook = std::chrono::steady_clock::now();
    return IdentifyFile(m_path.c_str(), m_identity);
}

int32_t TableFileWatch::Check(bool now) {
    if (m_replaced) {
        return kErrTableReplaced;
    }
    const auto time = std::chrono::steady_clock::now();
    if (!now && time - m_lastLook < kReadCheckInterval) {
        return 0;
    }
    m_lastLook = time;
    FileIdentity current;
    m_replaced = !IdentifyFile(m_path.c_str(), current) || !(current == m_identity);
    return m_replaced ? kErrTableReplaced : 0;
}

} // namespace storelink
