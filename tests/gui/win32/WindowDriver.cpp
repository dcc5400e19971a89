#include "resources/ResourceIds.h"

#include "gui/win32/WindowDriver.h"

#include <stdexcept>
#include <thread>
#include <vector>

namespace windriver {
namespace {

constexpr char kDialogClass[] = "#32770";
constexpr auto kPollInterval = milliseconds(50);

std::string WindowText(HWND window) {
    char text[4096] = {};
    // WM_GETTEXT directly: GetWindowTextA does not ask a window of another process.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

struct Search {
    DWORD processId;
    std::vector<HWND> dialogs;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM lParam) {
    auto& search = *reinterpret_cast<Search*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if ((search.processId == 0 || processId == search.processId) &&
        lstrcmpA(className, kDialogClass) == 0 && IsWindowVisible(window))
        search.dialogs.push_back(window);
    return TRUE;
}

// A message box's text is its one static text that has any (an icon's
// static holds the icon's resource number as its text).
std::string MessageBoxText(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = {};
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") != 0 ||
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            continue;
        std::string text = WindowText(child);
        if (!text.empty())
            return text;
    }
    return {};
}

BOOL CALLBACK FindEdit(HWND window, LPARAM lParam) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpiA(className, "Edit") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
}

} // namespace

HWND WindowDriver::FindDialog(bool withStatusLine) const {
    Search search{m_processId, {}};
    EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&search));
    for (HWND dialog : search.dialogs) {
        if ((GetDlgItem(dialog, res::IDC_STATUS) != nullptr) == withStatusLine)
            return dialog;
    }
    return nullptr;
}

template <typename Found> auto WindowDriver::WaitFor(const char* what, Found found) const {
    const auto deadline = std::chrono::steady_clock::now() + m_timeout;
    for (;;) {
        if (auto result = found())
            return result;
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error(std::string("timed out waiting for ") + what);
        std::this_thread::sleep_for(kPollInterval);
    }
}

WindowDriver::MessageBox WindowDriver::WaitForMessageBox() const {
    HWND box = WaitFor("a message box", [&] { return FindDialog(false); });
    return {box, WindowText(box), MessageBoxText(box)};
}

void WindowDriver::Answer(const MessageBox& box, int button) const {
    Click(box.window, button);
    WaitFor("the message box to close", [&] { return !IsWindow(box.window); });
}

HWND WindowDriver::WaitForMainWindow() const {
    return WaitFor("the main window", [&] { return FindDialog(true); });
}

void WindowDriver::Click(HWND dialog, int controlId) const {
    HWND button = GetDlgItem(dialog, controlId);
    if (!button)
        throw std::runtime_error("no button " + std::to_string(controlId));
    // The button answers a click message as a click of the mouse: posted, so
    // that a command that runs for long does not hold the driver.
    PostMessageA(button, BM_CLICK, 0, 0);
}

void WindowDriver::PressKey(HWND dialog, WPARAM virtualKey) const {
    // The dialog's message loop hands keys of the dialog to the dialog manager,
    // which turns Enter and Esc into the commands of the dialog.
    PostMessageA(dialog, WM_KEYDOWN, virtualKey, 1);
    PostMessageA(dialog, WM_KEYUP, virtualKey, 1 | (1u << 30) | (1u << 31));
}

void WindowDriver::ChooseWindowMenuItem(HWND dialog, int command) const {
    // What the menu sends its window when the item is chosen.
    PostMessageA(dialog, WM_SYSCOMMAND, static_cast<WPARAM>(command), 0);
}

void WindowDriver::ChooseFile(const MessageBox& dialog, const std::string& path) const {
    // The file name box is the dialog's first edit control (in a combo box).
    HWND name = nullptr;
    WaitFor("the file name box", [&] {
        EnumChildWindows(dialog.window, &FindEdit, reinterpret_cast<LPARAM>(&name));
        return name != nullptr;
    });
    SendMessageTimeoutA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    PostMessageA(dialog.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitFor("the open-file dialog to close", [&] { return !IsWindow(dialog.window); });
}

std::string WindowDriver::WaitForTextStarting(HWND dialog, int controlId,
                                              const std::string& prefix) const {
    std::string text;
    WaitFor("a control text", [&] {
        text = ControlText(dialog, controlId);
        return text.compare(0, prefix.size(), prefix) == 0;
    });
    return text;
}

std::string WindowDriver::ControlText(HWND dialog, int controlId) {
    return WindowText(GetDlgItem(dialog, controlId));
}

bool WindowDriver::IsControlEnabled(HWND dialog, int controlId) {
    return IsWindowEnabled(GetDlgItem(dialog, controlId)) != FALSE;
}

void WindowDriver::WaitUntilClosed() const {
    WaitFor("the program's windows to close",
            [&] { return !FindDialog(true) && !FindDialog(false); });
}

} // namespace windriver
