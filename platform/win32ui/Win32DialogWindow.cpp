#include "platform/win32ui/Win32DialogWindow.h"

#include <string>

#include <commdlg.h>
#include <windows.h>

#include "platform/win32ui/TemplateDialog.h"
#include "platform/win32ui/Win32Control.h"

namespace platform {
namespace {

// While a scan runs the window is repainted at most this often, checked every
// so many medications.
constexpr int32_t kRepaintCheckInterval = 64;
constexpr auto kRepaintInterval = std::chrono::milliseconds(100);
// Paint messages handled at one repaint, at most.
constexpr int kPaintMessagesPerRepaint = 64;

HCURSOR WaitCursor() {
    return LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
}

} // namespace

Win32DialogWindow::Win32DialogWindow(TemplateDialog& dialog) : m_dialog(dialog) {}

Win32DialogWindow::~Win32DialogWindow() {
    while (m_waitCursorDepth > 0)
        EndWaitCursor();
}

Control* Win32DialogWindow::GetControl(int controlId) {
    auto found = m_controls.find(controlId);
    if (found != m_controls.end())
        return found->second.get();
    HWND control = m_dialog.FindTemplateControl(controlId);
    if (!control)
        return nullptr;
    return m_controls.emplace(controlId, std::make_unique<Win32Control>(control))
        .first->second.get();
}

void Win32DialogWindow::ShowMessageBox(std::string_view text, const char* title) {
    // Only an OK button and no icon. The text ends at its first NUL.
    const std::string terminated(text);
    MessageBoxA(m_dialog.Handle(), terminated.c_str(), title ? title : kApplicationName, MB_OK);
}

bool Win32DialogWindow::AskYesNo(std::string_view text, const char* title) {
    const std::string terminated(text);
    return MessageBoxA(m_dialog.Handle(), terminated.c_str(), title ? title : kApplicationName,
                       MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

bool Win32DialogWindow::AskOpenFile(std::string_view title, std::string& path) {
    // The common dialog, in the ANSI code page the program's file names use.
    char chosen[MAX_PATH] = {};
    const std::string shownTitle(title);
    OPENFILENAMEA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = m_dialog.Handle();
    request.lpstrFilter = "CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
    request.lpstrFile = chosen;
    request.nMaxFile = sizeof chosen;
    request.lpstrTitle = shownTitle.c_str();
    request.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&request))
        return false;
    path = chosen;
    return !path.empty();
}

void Win32DialogWindow::BeginWaitCursor() {
    HCURSOR previous = SetCursor(WaitCursor());
    if (m_waitCursorDepth++ == 0)
        m_cursorBeforeWait = previous;
}

void Win32DialogWindow::RestoreWaitCursor() {
    // Sets the wait cursor again where something (a message box) changed it.
    if (m_waitCursorDepth > 0)
        SetCursor(WaitCursor());
}

void Win32DialogWindow::EndWaitCursor() {
    if (m_waitCursorDepth == 0)
        return;
    if (--m_waitCursorDepth == 0)
        SetCursor(m_cursorBeforeWait ? m_cursorBeforeWait
                                     : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}

void Win32DialogWindow::ScanProgress(int32_t examined) {
    if (examined != 1 && examined % kRepaintCheckInterval != 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (examined != 1 && now - m_lastRepaint < kRepaintInterval)
        return;
    m_lastRepaint = now;
    if (!m_dialog.Handle() || !IsWindowVisible(m_dialog.Handle()))
        return;
    // Only painting: clicks and keys stay queued until the scan returns.
    MSG message;
    for (int i = 0; i < kPaintMessagesPerRepaint &&
                    PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE);
         ++i)
        DispatchMessageA(&message);
}

} // namespace platform
