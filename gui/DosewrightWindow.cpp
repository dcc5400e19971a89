#include "gui/DosewrightWindow.h"

#include <wx/accel.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>

#include "app/DosewrightDlg.h"
#include "gui/AboutDlg.h"
#include "platform/wx/ApplicationIcon.h"
#include "platform/wx/Windows1252Text.h"
#include "platform/wx/WxDialogWindow.h"
#include "resources/DialogTemplates.h"
#include "resources/ResourceIds.h"

namespace {
constexpr const char* kUndoLastRepairCaption = "Undo Last Repair...";
}

// How the commands reach the dialog class:
//   button 1 "Dosewright"             -> OnBnClickedRepair (Enter too: it is the default
//                                        button and has the focus after a good start)
//   button 3 "Report Medications"     -> OnBnClickedReport
//   button 2 "Exit", Esc, close box,
//   Alt+F4, the window menu's Close   -> OnBnClickedExit, then the dialog ends (Cancel)
//   "&About Dosewright..." (0x0010)   -> the About box
//   "Undo Last Repair..." (0x0020)    -> OnUndoLastRepair (asks first); only
//                                        after a good start
// These items sit in the window's system menu where the platform has one
// (Windows). GTK has none an application can add to, so there the same items
// are the window's context menu (right mouse button, the Menu key or
// Shift+F10), and F1 opens the About box as well.
CDosewrightWindow::CDosewrightWindow(platform::LibraryLoader& libraryLoader)
    : TemplateDialog(nullptr, *res::FindDialogTemplate(res::IDD_DOSEWRIGHT_DIALOG),
                     platform::LoadIconBundle(res::IDR_MAINFRAME)),
      m_window(std::make_unique<platform::WxDialogWindow>(*this)),
      m_dialog(std::make_unique<CDosewrightDlg>(*m_window, libraryLoader)) {
    Bind(wxEVT_BUTTON, &CDosewrightWindow::OnRepair, this, res::IDOK);
    Bind(wxEVT_BUTTON, &CDosewrightWindow::OnReport, this, res::IDC_REPORT);
    Bind(wxEVT_BUTTON, &CDosewrightWindow::OnExit, this, res::IDCANCEL);
    Bind(wxEVT_CLOSE_WINDOW, &CDosewrightWindow::OnClose, this);
    Bind(wxEVT_MENU, &CDosewrightWindow::OnAbout, this, res::IDM_ABOUTBOX);
    Bind(wxEVT_MENU, &CDosewrightWindow::OnUndoLastRepair, this, res::IDM_UNDOLASTREPAIR);
    Bind(wxEVT_CONTEXT_MENU, &CDosewrightWindow::OnContextMenu, this);
    // Esc presses Exit.
    SetEscapeId(res::IDCANCEL);
    wxAcceleratorEntry help(wxACCEL_NORMAL, WXK_F1, res::IDM_ABOUTBOX);
    SetAcceleratorTable(wxAcceleratorTable(1, &help));
    AddItemsToSystemMenu();
    CentreOnScreen();
}

CDosewrightWindow::~CDosewrightWindow() = default;

void CDosewrightWindow::AddItemsToSystemMenu() {
#ifdef __WXMSW__
    const char* caption = res::FindStringResource(res::IDS_ABOUTBOX);
    wxMenu* systemMenu = MSWGetSystemMenu();
    if (systemMenu && caption && *caption) {
        systemMenu->AppendSeparator();
        systemMenu->Append(res::IDM_ABOUTBOX, platform::DecodeWindows1252(caption));
        systemMenu->Append(res::IDM_UNDOLASTREPAIR, kUndoLastRepairCaption);
    }
#endif
}

void CDosewrightWindow::RunStartup() {
    m_dialog->OnInitDialog();
    // As a dialog opens: the focus goes to the first control that can take it,
    // the repair button after a good start, Exit after a failed one.
    FocusFirstTabStop();
}

template <typename Command> void CDosewrightWindow::RunCommand(Command command) {
    if (m_commandRunning)
        return;
    m_commandRunning = true;
    command();
    m_commandRunning = false;
}

void CDosewrightWindow::OnRepair(wxCommandEvent&) {
    RunCommand([this] { m_dialog->OnBnClickedRepair(); });
}

void CDosewrightWindow::OnReport(wxCommandEvent&) {
    RunCommand([this] { m_dialog->OnBnClickedReport(); });
}

void CDosewrightWindow::OnExit(wxCommandEvent&) {
    RunCommand([this] { Exit(); });
}

void CDosewrightWindow::OnClose(wxCloseEvent& event) {
    // The connection must not close under a running scan.
    if (m_commandRunning && event.CanVeto()) {
        event.Veto();
        return;
    }
    RunCommand([this] { Exit(); });
}

void CDosewrightWindow::Exit() {
    m_dialog->OnBnClickedExit();
    EndDialog(wxID_CANCEL);
}

void CDosewrightWindow::OnAbout(wxCommandEvent&) {
    RunCommand([this] {
        CAboutDlg about(this);
        about.ShowModal();
    });
}

void CDosewrightWindow::OnUndoLastRepair(wxCommandEvent&) {
    // Like the action buttons, only after a good start: it needs the database.
    if (!m_dialog->Startup().IsReady())
        return;
    RunCommand([this] { m_dialog->OnUndoLastRepair(); });
}

void CDosewrightWindow::OnContextMenu(wxContextMenuEvent&) {
    const char* caption = res::FindStringResource(res::IDS_ABOUTBOX);
    if (!caption || !*caption)
        return;
    wxMenu menu;
    menu.Append(res::IDM_ABOUTBOX, platform::DecodeWindows1252(caption));
    menu.Append(res::IDM_UNDOLASTREPAIR, kUndoLastRepairCaption);
    menu.Enable(res::IDM_UNDOLASTREPAIR, m_dialog->Startup().IsReady());
    PopupMenu(&menu);
}
