#include "platform/win32ui/Win32Control.h"

#include <cstring>
#include <string>

namespace platform {
namespace {

bool IsStaticText(HWND control) {
    char className[16] = {};
    GetClassNameA(control, className, sizeof className);
    return _stricmp(className, "Static") == 0;
}

} // namespace

void Win32Control::SetText(std::string_view text) {
    if (IsStaticText(m_control)) {
        const LONG_PTR style = GetWindowLongPtrA(m_control, GWL_STYLE);
        if ((style & SS_NOPREFIX) == 0)
            SetWindowLongPtrA(m_control, GWL_STYLE, style | SS_NOPREFIX);
    }
    // The window text ends at the first NUL; the utility's texts hold none.
    const std::string terminated(text);
    SetWindowTextA(m_control, terminated.c_str());
}

std::string Win32Control::GetText() const {
    const int length = GetWindowTextLengthA(m_control);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(m_control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

void Win32Control::Enable(bool enable) {
    EnableWindow(m_control, enable ? TRUE : FALSE);
}

bool Win32Control::IsEnabled() const {
    return IsWindowEnabled(m_control) != FALSE;
}

} // namespace platform
