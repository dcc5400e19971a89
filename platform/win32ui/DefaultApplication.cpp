#include "platform/win32ui/DefaultApplication.h"

#include <shellapi.h>

namespace platform {

bool OpenInDefaultApplication(HWND owner, const std::string& path) {
    // ShellExecute reports success with a value above 32.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(owner, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

} // namespace platform
