#include "gui/DosewrightWindow.h"

#include <string>

#include <wx/accel.h>
#include <wx/filename.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>
#include <wx/stattext.h>

#include "app/DosewrightDlg.h"
#include "app/WindowMenu.h"
#include "gui/AboutDlg.h"
#include "platform/wx/ApplicationIcon.h"
#include "platform/wx/DefaultApplication.h"
#include "platform/wx/Windows1252Text.h"
#include "platform/wx/WxDialogWindow.h"
#include "resources/DialogTemplates.h"
#include "resources/ResourceIds.h"

// How the commands reach the dialog class:
//   button 1 "Dosewright"             -> OnBnClickedRepair (Enter too: it is the default
//                                        button and has the focus after a good start)
//   button 3 "Report Medications"     -> OnBnClickedReport
//   button 2 "Exit", Esc, close box,
//   Alt+F4, the window menu's Close   -> OnBnClickedExit, then the dialog ends (Cancel)
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
// These items sit in the window's system menu where the platform has one
// (Windows). GTK has none an application can add to, so there the same items
// are the window's context menu (right mouse button, the Menu key or
// Shift+F10), and F1 opens the About box as well.
namespace {

// The name of the text that counts a running scan's medications.
constexpr const char* kScanProgressName = "scanProgress";

} // namespace

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
    Bind(wxEVT_MENU, &CDosewrightWindow::OnOpenRunFile, this, res::IDM_OPEN_RUN_LOG);
    Bind(wxEVT_MENU, &CDosewrightWindow::OnOpenRunFile, this, res::IDM_OPEN_CSV_REPORT);
    Bind(wxEVT_MENU, &CDosewrightWindow::OnUndoLastRepair, this, res::IDM_UNDOLASTREPAIR);
    Bind(wxEVT_MENU, &CDosewrightWindow::OnRepairApproved, this, res::IDM_REPAIR_APPROVED);
    Bind(wxEVT_MENU, &CDosewrightWindow::OnRunSummary, this, res::IDM_RUN_SUMMARY);
    Bind(wxEVT_CONTEXT_MENU, &CDosewrightWindow::OnContextMenu, this);
    // Esc presses Exit.
    SetEscapeId(res::IDCANCEL);
    wxAcceleratorEntry help(wxACCEL_NORMAL, WXK_F1, res::IDM_ABOUTBOX);
    SetAcceleratorTable(wxAcceleratorTable(1, &help));
    AddItemsToSystemMenu();
    AddScanProgressText();
    CentreOnScreen();
}

CDosewrightWindow::~CDosewrightWindow() = default;

void CDosewrightWindow::AddItemsToSystemMenu() {
#ifdef __WXMSW__
    wxMenu* systemMenu = MSWGetSystemMenu();
    if (systemMenu) {
        systemMenu->AppendSeparator();
        // Built once: the run files' items stay enabled; a missing file opens nothing.
        AppendWindowMenuItems(*systemMenu, false);
    }
#endif
}

void CDosewrightWindow::AppendWindowMenuItems(wxMenu& menu, bool enableByFile) {
    for (const WindowMenuItem& item : kWindowMenuItems) {
        const char* caption = item.caption != 0 ? res::FindStringResource(item.caption) : item.text;
        if (!caption || !*caption)
            continue;
        menu.Append(item.command, platform::DecodeWindows1252(caption));
        // The system menu is built once, before the start-up: there the
        // command itself checks the file or the start.
        if (enableByFile) {
            menu.Enable(item.command, IsOffered(item, m_dialog->Startup(),
                                                item.runFile && RunFileExists(item.runFile)));
        }
    }
}

void CDosewrightWindow::AddScanProgressText() {
    // The free space between the status line and the buttons.
    const wxWindow* status = FindTemplateControl(res::IDC_STATUS);
    const wxWindow* button = FindTemplateControl(res::IDOK);
    if (!status || !button)
        return;
    const wxRect above = status->GetRect();
    const int height = GetCharHeight() + 2;
    const int top = (above.GetBottom() + button->GetRect().GetTop() - height) / 2;
    auto* text =
        new wxStaticText(this, wxID_ANY, wxString(), wxPoint(above.GetLeft(), top),
                         wxSize(above.GetWidth(), height), wxST_NO_AUTORESIZE, kScanProgressName);
    m_window->SetProgressText(text);
}

std::string CDosewrightWindow::RunFilePath(const char* fileName) const {
    // The folder ends with its separator once the start-up has found it.
    const char* folder = m_dialog->DatabasePath();
    return folder[0] != '\0' ? std::string(folder) + fileName : std::string();
}

bool CDosewrightWindow::RunFileExists(const char* fileName) const {
    const std::string path = RunFilePath(fileName);
    return !path.empty() && wxFileName::FileExists(wxString(path.c_str(), *wxConvFileName));
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
    // After a start that opened the medication table: undo needs nothing else.
    if (!m_dialog->Startup().CanUndo())
        return;
    RunCommand([this] { m_dialog->OnUndoLastRepair(); });
}

void CDosewrightWindow::OnRepairApproved(wxCommandEvent&) {
    // Like the action buttons, only after a good start.
    if (!m_dialog->Startup().IsReady())
        return;
    RunCommand([this] { m_dialog->OnRepairApprovedMedications(); });
}

void CDosewrightWindow::OnRunSummary(wxCommandEvent&) {
    if (!m_dialog->Startup().CanUndo())
        return;
    RunCommand([this] {
        std::string page;
        if (m_dialog->OnRunSummary(page))
            platform::OpenInDefaultApplication(page);
    });
}

void CDosewrightWindow::OnOpenRunFile(wxCommandEvent& event) {
    const char* fileName = RunFileOfCommand(event.GetId());
    if (!fileName)
        return;
    RunCommand([this, fileName] {
        if (RunFileExists(fileName))
            platform::OpenInDefaultApplication(RunFilePath(fileName));
    });
}

void CDosewrightWindow::OnContextMenu(wxContextMenuEvent&) {
    wxMenu menu;
    AppendWindowMenuItems(menu, true);
    if (menu.GetMenuItemCount() > 0)
        PopupMenu(&menu);
}
