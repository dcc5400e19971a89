// The main dialog's window, from template 102. It lays out the controls and
// hands every command to CDosewrightDlg, the utility's own dialog class; it
// decides nothing itself.
#pragma once

#include <memory>
#include <string>

#include "platform/wx/TemplateDialog.h"

class CDosewrightDlg;
class wxCloseEvent;
class wxCommandEvent;
class wxContextMenuEvent;
class wxMenu;

namespace platform {
class LibraryLoader;
class WxDialogWindow;
} // namespace platform

class CDosewrightWindow final : public platform::TemplateDialog {
public:
    explicit CDosewrightWindow(platform::LibraryLoader& libraryLoader);
    ~CDosewrightWindow() override;

    // The start-up sequence. Runs once, before the window is shown: its message
    // boxes belong to the window that is not visible yet.
    void RunStartup();

    CDosewrightDlg& Dialog() { return *m_dialog; }

private:
    void OnRepair(wxCommandEvent& event);
    void OnReport(wxCommandEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnAbout(wxCommandEvent& event);
    void OnOpenRunFile(wxCommandEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnUndoLastRepair(wxCommandEvent& event);
    void OnRepairApproved(wxCommandEvent& event);
    void OnRunSummary(wxCommandEvent& event);
    void AddItemsToSystemMenu();
    // About and the run files' items; with `enableByFile` a run file's item is
    // enabled only when the file exists.
    void AppendWindowMenuItems(wxMenu& menu, bool enableByFile);
    void AddScanProgressText();
    // A run file of the database folder; empty before the start-up found the folder.
    std::string RunFilePath(const char* fileName) const;
    bool RunFileExists(const char* fileName) const;
    // Runs one command of the window. While one runs (a scan lets the window
    // repaint, and a request to close may come in then) no other starts.
    template <typename Command> void RunCommand(Command command);
    // Every way out: closes the database connection once and ends the dialog.
    void Exit();

    std::unique_ptr<platform::WxDialogWindow> m_window;
    std::unique_ptr<CDosewrightDlg> m_dialog;
    bool m_commandRunning = false;
};
