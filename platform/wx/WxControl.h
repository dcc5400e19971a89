// A control of a toolkit window, as the utility sees it.
#pragma once

#include <optional>
#include <string>

#include "platform/DialogWindow.h"

class wxControl;

namespace platform {

class WxControl final : public Control {
public:
    explicit WxControl(wxControl& control) : m_control(control) {}

    // Texts the utility sets are data (messages, paths, counts): they are shown
    // as they stand, an '&' included, never taken as a mnemonic, decoded as
    // window texts are (DecodeWindowText).
    void SetText(std::string_view text) override;
    // The bytes last set while the control still shows them; else its caption
    // from the dialog template, in Windows-1252.
    std::string GetText() const override;
    void Enable(bool enable) override;
    bool IsEnabled() const override;

private:
    wxControl& m_control;
    std::optional<std::string> m_text; // the bytes last set
};

} // namespace platform
