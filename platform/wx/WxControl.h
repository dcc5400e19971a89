// A control of a toolkit window, as the utility sees it.
#pragma once

#include "platform/DialogWindow.h"

class wxControl;

namespace platform {

class WxControl final : public Control {
public:
    explicit WxControl(wxControl& control) : m_control(control) {}

    // Texts the utility sets are data (messages, paths, counts): they are shown
    // as they stand, an '&' included, never taken as a mnemonic.
    void SetText(std::string_view text) override;
    std::string GetText() const override;
    void Enable(bool enable) override;
    bool IsEnabled() const override;

private:
    wxControl& m_control;
};

} // namespace platform
