// A control of a Win32 dialog, as the utility sees it. Texts go through the
// ANSI functions: the utility's single-byte texts are shown in the system's
// code page as they stand.
#pragma once

#include <windows.h>

#include "platform/DialogWindow.h"

namespace platform {

class Win32Control final : public Control {
public:
    explicit Win32Control(HWND control) : m_control(control) {}

    // Texts the utility sets are data (messages, paths, counts): a static text
    // shows them as they stand, an '&' included, never taken as a mnemonic.
    void SetText(std::string_view text) override;
    std::string GetText() const override;
    void Enable(bool enable) override;
    bool IsEnabled() const override;

private:
    HWND m_control;
};

} // namespace platform
