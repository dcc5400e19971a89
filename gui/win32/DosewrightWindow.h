// The main dialog's window, from template 102. It lays out the controls and
// hands every command to CDosewrightDlg, the utility's own dialog class; it
// decides nothing itself.
#pragma once

#include <memory>
#include <string>

#include "platform/win32ui/TemplateDialog.h"

class CDosewrightDlg;

namespace platform {
class LibraryLoader;
class Win32DialogWindow;
} // namespace platform

class CDosewrightWindow final : public platform::TemplateDialog {
public:
    CDosewrightWindow(HINSTANCE instance, platform::LibraryLoader& libraryLoader);
    ~CDosewrightWindow() override;

    CDosewrightDlg& Dialog() { return *m_dialog; }

private:
    // The start-up sequence runs here, before the window is shown: its message
    // boxes belong to the window that is not visible yet.
    bool OnInitDialog() override;
    std::optional<INT_PTR> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void AddItemsToSystemMenu();
    // Offers each run file's item once the file exists, and Undo after a good start.
    void EnableSystemMenuItems();
    void OnSystemMenuCommand(int command);
    std::string RunFilePath(const char* fileName) const;
    bool RunFileExists(const char* fileName) const;
    void SetWindowIcons();
    void OnCommand(int controlId);
    void PaintMinimisedIcon();
    // Runs one command of the window. While one runs (a scan lets the window
    // repaint, a message box runs its own loop, and a request to close may come
    // in then) no other starts.
    template <typename Command> void RunCommand(Command command);
    // Every way out: closes the database connection once and ends the dialog.
    void Exit();

    std::unique_ptr<platform::Win32DialogWindow> m_window;
    std::unique_ptr<CDosewrightDlg> m_dialog;
    HICON m_hIcon = nullptr; // shared resource icon, never destroyed
    bool m_commandRunning = false;
};
