#include "platform/wx/WxControl.h"

#include <wx/control.h>

#include "platform/wx/Windows1252Text.h"

namespace platform {

void WxControl::SetText(std::string_view text) {
    m_control.SetLabelText(DecodeWindows1252(text));
}

std::string WxControl::GetText() const {
    return EncodeWindows1252(m_control.GetLabelText());
}

void WxControl::Enable(bool enable) {
    m_control.Enable(enable);
}

bool WxControl::IsEnabled() const {
    return m_control.IsEnabled();
}

} // namespace platform
