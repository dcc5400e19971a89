#include "platform/wx/WxControl.h"

#include <wx/control.h>

#include "platform/wx/Windows1252Text.h"

namespace platform {

void WxControl::SetText(std::string_view text) {
    m_text.emplace(text);
    m_control.SetLabelText(DecodeWindowText(text));
}

std::string WxControl::GetText() const {
    const wxString label = m_control.GetLabelText();
    if (m_text && label == DecodeWindowText(*m_text))
        return *m_text;
    return EncodeWindows1252(label);
}

void WxControl::Enable(bool enable) {
    m_control.Enable(enable);
}

bool WxControl::IsEnabled() const {
    return m_control.IsEnabled();
}

} // namespace platform
