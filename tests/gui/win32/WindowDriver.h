// Drives the Dosewright window of a running program from outside, the way a
// user does: it finds the program's message boxes and main window, presses
// their buttons and keys through the dialog manager's own message routes, and
// reads what they show. Every wait ends with std::runtime_error after `timeout`.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

namespace windriver {

using std::chrono::milliseconds;

// The dialogs of process `processId` (0: of any process) are looked for.
class WindowDriver {
public:
    explicit WindowDriver(DWORD processId, milliseconds timeout = milliseconds(60000))
        : m_processId(processId), m_timeout(timeout) {}

    // The next visible message box of the program, its title and text.
    struct MessageBox {
        HWND window;
        std::string title;
        std::string text;
    };
    MessageBox WaitForMessageBox() const;
    // Closes a message box with its OK button.
    void Dismiss(const MessageBox& box) const { Answer(box, IDOK); }
    // Closes a message box with one of its buttons (IDOK, IDYES, IDNO).
    void Answer(const MessageBox& box, int button) const;

    // The visible main window (the dialog with the status line).
    HWND WaitForMainWindow() const;

    // A button click, as the button sends it when clicked; returns at once.
    void Click(HWND dialog, int controlId) const;
    // A key pressed in the dialog (VK_RETURN, VK_ESCAPE), through the dialog
    // manager's keyboard handling; returns at once.
    void PressKey(HWND dialog, WPARAM virtualKey) const;
    // An item of the window menu (the system menu) chosen; returns at once.
    void ChooseWindowMenuItem(HWND dialog, int command) const;
    // In an open-file dialog: `path` typed as the file name, then Open
    // pressed; waits until the dialog has closed.
    void ChooseFile(const MessageBox& dialog, const std::string& path) const;

    // The text of a control once it begins with `prefix` (say, once a scan has
    // written its result).
    std::string WaitForTextStarting(HWND dialog, int controlId, const std::string& prefix) const;
    static std::string ControlText(HWND dialog, int controlId);
    static bool IsControlEnabled(HWND dialog, int controlId);

    // Waits until no window of the program is left.
    void WaitUntilClosed() const;

private:
    HWND FindDialog(bool withStatusLine) const;
    template <typename Found> auto WaitFor(const char* what, Found found) const;

    DWORD m_processId;
    milliseconds m_timeout;
};

} // namespace windriver
