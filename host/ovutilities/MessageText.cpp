#include "ovutilities/MessageText.h"

#include <algorithm>
#include <cstring>

namespace ovutilities {

std::string ElideMiddle(std::string_view text, std::size_t maxLength) {
    static constexpr std::string_view kEllipsis = "...";
    if (text.size() <= maxLength) {
        return std::string(text);
    }
    const std::size_t kept = maxLength - kEllipsis.size();
    const std::size_t head = kept / 3;
    const std::size_t tail = kept - head;
    std::string result;
    result.reserve(maxLength);
    result.append(text.substr(0, head));
    result.append(kEllipsis);
    result.append(text.substr(text.size() - tail));
    return result;
}

void CopyMessage(char* buffer, std::size_t size, std::string_view text) {
    if (buffer == nullptr || size == 0) {
        return;
    }
    const std::size_t length = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

} // namespace ovutilities
