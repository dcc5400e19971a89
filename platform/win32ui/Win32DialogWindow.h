// The utility's window on the Win32 dialog manager: the controls of a template
// dialog, modal message boxes owned by it, and the wait cursor.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>

#include "platform/DialogWindow.h"

namespace platform {

class TemplateDialog;
class Win32Control;

class Win32DialogWindow final : public DialogWindow {
public:
    // The application's name, the title of a message box that has none of its own.
    static constexpr const char* kApplicationName = "Dosewright";

    explicit Win32DialogWindow(TemplateDialog& dialog);
    ~Win32DialogWindow() override;
    Win32DialogWindow(const Win32DialogWindow&) = delete;
    Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

    Control* GetControl(int controlId) override;
    void ShowMessageBox(std::string_view text, const char* title) override;
    // A modal question owned by the dialog, Yes and No with No the default and
    // no icon; true for Yes. A null title shows the application's name.
    bool AskYesNo(std::string_view text, const char* title) override;
    bool AskOpenFile(std::string_view title, std::string& path) override;
    void BeginWaitCursor() override;
    void RestoreWaitCursor() override;
    void EndWaitCursor() override;
    // Lets the window repaint now and then while a scan runs; input waits until
    // the scan is over, in the queue of the busy window.
    void ScanProgress(int32_t examined) override;

private:
    TemplateDialog& m_dialog;
    std::map<int, std::unique_ptr<Win32Control>> m_controls; // by control id
    int m_waitCursorDepth = 0;
    HCURSOR m_cursorBeforeWait = nullptr;
    std::chrono::steady_clock::time_point m_lastRepaint{};
};

} // namespace platform
