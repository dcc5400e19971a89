// ResourceIds.h comes before <windows.h>, whose IDOK and IDCANCEL macros would
// otherwise rename the ids declared there; below, IDOK and IDCANCEL are the
// system's ids of the same two buttons.
#include "resources/DialogTemplates.h"
#include "resources/ResourceIds.h"

#include "gui/win32/DosewrightWindow.h"

#include "app/DosewrightDlg.h"
#include "gui/win32/AboutDlg.h"
#include "platform/win32ui/Win32DialogWindow.h"

// How the commands reach the dialog class:
//   button 1 "Dosewright"             -> OnBnClickedRepair (Enter too: the dialog manager
//                                        gives the focus to the first enabled tab stop,
//                                        which is this button only after a good start)
//   button 3 "Report Medications"     -> OnBnClickedReport
//   button 2 "Exit", Esc, close box,
//   Alt+F4, the system menu's Close   -> OnBnClickedExit, then the dialog ends (Cancel)
//   "&About Dosewright..." (0x0010)   -> the About box, from the system menu
// Repair and report run only after a good start, whichever way their command arrives.
CDosewrightWindow::CDosewrightWindow(HINSTANCE instance, platform::LibraryLoader& libraryLoader)
    : TemplateDialog(*res::FindDialogTemplate(res::IDD_DOSEWRIGHT_DIALOG), instance),
      m_window(std::make_unique<platform::Win32DialogWindow>(*this)),
      m_dialog(std::make_unique<CDosewrightDlg>(*m_window, libraryLoader)),
      m_hIcon(LoadIconA(instance, MAKEINTRESOURCEA(res::IDR_MAINFRAME))) {}

CDosewrightWindow::~CDosewrightWindow() = default;

bool CDosewrightWindow::OnInitDialog() {
    AddAboutToSystemMenu();
    SetWindowIcons();
    m_dialog->OnInitDialog();
    // The start-up has enabled the two actions or left them disabled; the
    // focus then goes to the first enabled tab stop: the repair button after a
    // good start, Exit after a failed one.
    return true;
}

void CDosewrightWindow::AddAboutToSystemMenu() {
    HMENU systemMenu = GetSystemMenu(Handle(), FALSE);
    const char* caption = res::FindStringResource(res::IDS_ABOUTBOX);
    if (systemMenu && caption && *caption) {
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, res::IDM_ABOUTBOX, caption);
    }
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

std::optional<INT_PTR> CDosewrightWindow::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != static_cast<WPARAM>(res::IDM_ABOUTBOX))
            return std::nullopt; // Close arrives as Cancel through the dialog manager
        RunCommand([this] { CAboutDlg(Instance()).DoModal(Handle()); });
        return TRUE;
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
