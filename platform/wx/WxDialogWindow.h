// The utility's window on wxWidgets: the controls of a template dialog, modal
// message boxes owned by it, and the busy cursor.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/DialogWindow.h"

class wxStaticText;
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
    bool AskOpenFile(std::string_view title, std::string& path) override;
    void BeginWaitCursor() override;
    void RestoreWaitCursor() override;
    void EndWaitCursor() override;
    // Lets the window repaint now and then while a scan runs, showing how many
    // medications it has examined; input waits until the scan is over, as it
    // would in the queue of a busy window.
    void ScanProgress(int32_t examined) override;

    // The text control, a child of the dialog, that shows a running scan's
    // count ("Medications examined: 1024"); emptied when the wait cursor ends
    // with the scan. Without one a scan only repaints.
    void SetProgressText(wxStaticText* text) { m_progressText = text; }

private:
    TemplateDialog& m_dialog;
    std::map<int, std::unique_ptr<WxControl>> m_controls; // by control id
    int m_waitCursorDepth = 0;
    wxStaticText* m_progressText = nullptr; // owned by the dialog
    std::chrono::steady_clock::time_point m_lastRepaint{};
};

} // namespace platform
