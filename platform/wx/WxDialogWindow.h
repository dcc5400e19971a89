// The utility's window on wxWidgets: the controls of a template dialog, modal
// message boxes owned by it, and the busy cursor.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/DialogWindow.h"

class wxWindow;

namespace platform {

class TemplateDialog;
class WxControl;

class WxDialogWindow final : public DialogWindow {
public:
    // The application's name, the title of a message box that has none of its own.
    static constexpr const char* kApplicationName = "Dosewright";

    explicit WxDialogWindow(TemplateDialog& dialog);
    ~WxDialogWindow() override;
    WxDialogWindow(const WxDialogWindow&) = delete;
    WxDialogWindow& operator=(const WxDialogWindow&) = delete;

    Control* GetControl(int controlId) override;
    void ShowMessageBox(std::string_view text, const char* title) override;
    bool AskYesNo(std::string_view text, const char* title) override;
    void BeginWaitCursor() override;
    void RestoreWaitCursor() override;
    void EndWaitCursor() override;
    // Lets the window repaint now and then while a scan runs; input waits until
    // the scan is over, as it would in the queue of a busy window.
    void ScanProgress(int32_t examined) override;

    // A message box as it would be shown: its owner, text and title bar text.
    struct MessageBox {
        wxWindow* owner;
        std::string text;  // Windows-1252 bytes, as given
        std::string title; // the title bar text
    };
    // For the window tests and the screenshot run only: while an answerer is
    // set, message boxes are handed to it, as if shown and closed with OK, and
    // no box is shown. An empty function shows real message boxes again.
    using MessageBoxAnswerer = std::function<void(const MessageBox&)>;
    static void SetMessageBoxAnswerer(MessageBoxAnswerer answerer);

private:
    TemplateDialog& m_dialog;
    std::map<int, std::unique_ptr<WxControl>> m_controls; // by control id
    int m_waitCursorDepth = 0;
    std::chrono::steady_clock::time_point m_lastRepaint{};
};

} // namespace platform
