// ResourceIds.h comes before <windows.h>, whose IDOK and IDCANCEL macros would
// otherwise rename the ids declared there; below, IDOK and IDCANCEL are the
// system's ids of the same two buttons.
#include "resources/DialogTemplates.h"
#include "resources/ResourceIds.h"

#include "gui/win32/DosewrightWindow.h"

#include "app/DosewrightDlg.h"
#include "app/WindowMenu.h"
#include "gui/win32/AboutDlg.h"
#include "platform/FileSystem.h"
#include "platform/win32ui/DefaultApplication.h"
#include "platform/win32ui/Win32DialogWindow.h"

// How the commands reach the dialog class:
//   button 1 "Dosewright"             -> OnBnClickedRepair (Enter too: the dialog manager
//                                        gives the focus to the first enabled tab stop,
//                                        which is this button only after a good start)
//   button 3 "Report Medications"     -> OnBnClickedReport
//   button 2 "Exit", Esc, close box,
//   Alt+F4, the system menu's Close   -> OnBnClickedExit, then the dialog ends (Cancel)
//   "&About Dosewright..." (0x0010)   -> the About box
//   "Open Run &Log" (0x0020),
//   "Open &CSV Report" (0x0030)       -> Dosewright.log / Dosewright.csv of the database
//                                        folder in the user's default application;
//                                        offered once the file exists
//   "Undo Last Repair..." (0x0040)    -> OnUndoLastRepair (asks first); only
//                                        once the medication table is open
//   "Repair Approved Medications..."
//   (0x0050)                          -> OnRepairApprovedMedications (asks for the
//                                        file, then Yes/No); only after a good start
// The last four are items of the window's system menu.
// Repair and report run only after a good start, whichever way their command arrives.
CDosewrightWindow::CDosewrightWindow(HINSTANCE instance, platform::LibraryLoader& libraryLoader)
    : TemplateDialog(*res::FindDialogTemplate(res::IDD_DOSEWRIGHT_DIALOG), instance),
      m_window(std::make_unique<platform::Win32DialogWindow>(*this)),
      m_dialog(std::make_unique<CDosewrightDlg>(*m_window, libraryLoader)),
      m_hIcon(LoadIconA(instance, MAKEINTRESOURCEA(res::IDR_MAINFRAME))) {}

CDosewrightWindow::~CDosewrightWindow() = default;

bool CDosewrightWindow::OnInitDialog() {
    AddItemsToSystemMenu();
    SetWindowIcons();
    m_dialog->OnInitDialog();
    // The start-up has enabled the two actions or left them disabled; the
    // focus then goes to the first enabled tab stop: the repair button after a
    // good start, Exit after a failed one.
    return true;
}

void CDosewrightWindow::AddItemsToSystemMenu() {
    HMENU systemMenu = GetSystemMenu(Handle(), FALSE);
    if (!systemMenu)
        return;
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    for (const WindowMenuItem& item : kWindowMenuItems) {
        const char* caption = item.caption != 0 ? res::FindStringResource(item.caption) : item.text;
        if (caption && *caption)
            AppendMenuA(systemMenu, MF_STRING, item.command, caption);
    }
}

void CDosewrightWindow::EnableSystemMenuItems() {
    HMENU systemMenu = GetSystemMenu(Handle(), FALSE);
    if (!systemMenu)
        return;
    for (const WindowMenuItem& item : kWindowMenuItems) {
        const bool enabled =
            IsOffered(item, m_dialog->Startup(), item.runFile && RunFileExists(item.runFile));
        EnableMenuItem(systemMenu, item.command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

void CDosewrightWindow::OnSystemMenuCommand(int command) {
    if (command == res::IDM_ABOUTBOX) {
        RunCommand([this] { CAboutDlg(Instance()).DoModal(Handle()); });
        return;
    }
    if (command == res::IDM_UNDOLASTREPAIR) {
        // After a start that opened the medication table: undo needs nothing else.
        if (m_dialog->Startup().CanUndo())
            RunCommand([this] { m_dialog->OnUndoLastRepair(); });
        return;
    }
    if (command == res::IDM_REPAIR_APPROVED) {
        // Like the action buttons, only after a good start.
        if (m_dialog->Startup().IsReady())
            RunCommand([this] { m_dialog->OnRepairApprovedMedications(); });
        return;
    }
    if (command == res::IDM_RUN_SUMMARY) {
        // The page of the newest run, opened where the user's browser opens it.
        if (m_dialog->Startup().CanUndo()) {
            RunCommand([this] {
                std::string page;
                if (m_dialog->OnRunSummary(page))
                    platform::OpenInDefaultApplication(Handle(), page);
            });
        }
        return;
    }
    const char* fileName = RunFileOfCommand(command);
    if (!fileName)
        return;
    RunCommand([this, fileName] {
        if (RunFileExists(fileName))
            platform::OpenInDefaultApplication(Handle(), RunFilePath(fileName));
    });
}

std::string CDosewrightWindow::RunFilePath(const char* fileName) const {
    // The folder ends with its separator once the start-up has found it.
    const char* folder = m_dialog->DatabasePath();
    return folder[0] != '\0' ? std::string(folder) + fileName : std::string();
}

bool CDosewrightWindow::RunFileExists(const char* fileName) const {
    const std::string path = RunFilePath(fileName);
    return !path.empty() && platform::PathExists(path.c_str());
}

void CDosewrightWindow::SetWindowIcons() {
    // The small icon from the icon's own small image, where it has one.
    HANDLE smallIcon =
        LoadImageA(Instance(), MAKEINTRESOURCEA(res::IDR_MAINFRAME), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(Handle(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(smallIcon ? smallIcon : m_hIcon));
}

std::optional<INT_PTR> CDosewrightWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSCOMMAND:
        // Close arrives as Cancel through the dialog manager.
        for (const WindowMenuItem& item : kWindowMenuItems) {
            if ((wParam & 0xFFF0) == static_cast<WPARAM>(item.command)) {
                OnSystemMenuCommand(item.command);
                return TRUE;
            }
        }
        return std::nullopt;
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam) == 0)
            return std::nullopt;
        EnableSystemMenuItems();
        return std::nullopt;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return std::nullopt;
        OnCommand(LOWORD(wParam));
        return TRUE;
    case WM_PAINT:
        if (!IsIconic(Handle()))
            return std::nullopt;
        PaintMinimisedIcon();
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_hIcon);
    default:
        return std::nullopt;
    }
}

void CDosewrightWindow::OnCommand(int controlId) {
    if (controlId == IDCANCEL) {
        RunCommand([this] { Exit(); });
        return;
    }
    // The two actions exist only after a good start, however their command
    // arrives (Enter sends the default id even when its button is disabled).
    if (!m_dialog->Startup().IsReady())
        return;
    if (controlId == IDOK)
        RunCommand([this] { m_dialog->OnBnClickedRepair(); });
    else if (controlId == res::IDC_REPORT)
        RunCommand([this] { m_dialog->OnBnClickedReport(); });
}

template <typename Command> void CDosewrightWindow::RunCommand(Command command) {
    if (m_commandRunning)
        return;
    m_commandRunning = true;
    command();
    m_commandRunning = false;
}

void CDosewrightWindow::Exit() {
    m_dialog->OnBnClickedExit();
    EndDialog(IDCANCEL);
}

// A minimised window shows the icon centred in its client area.
void CDosewrightWindow::PaintMinimisedIcon() {
    PAINTSTRUCT paint;
    HDC context = BeginPaint(Handle(), &paint);
    SendMessageA(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(Handle(), &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(context, x, y, m_hIcon);
    EndPaint(Handle(), &paint);
}
