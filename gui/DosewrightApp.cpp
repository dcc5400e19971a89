#include "gui/DosewrightApp.h"

#include <wx/msgdlg.h>

#include "app/DosewrightDlg.h"
#include "app/HostLibraryCheck.h"

#include "gui/DosewrightWindow.h"
#include "platform/FileSystem.h"
#include "platform/LibraryLoader.h"
#include "platform/wx/WxDialogWindow.h"

wxIMPLEMENT_APP(CDosewrightApp);

bool CDosewrightApp::OnInit() {
    // The toolkit initialises its controls itself; there are no ActiveX
    // controls, no shell dialogs, no restart support and no settings to keep,
    // so nothing else is set up. The command line is not read.
    platform::FailWritesPastFileSizeLimit();
    SetAppName(platform::WxDialogWindow::kApplicationName);
    SetAppDisplayName(platform::WxDialogWindow::kApplicationName);
    return true;
}

int CDosewrightApp::OnRun() {
    // The same check of the host's libraries as the Windows program's, made
    // before the first call into them.
    HostLibraryCheck libraries(platform::SystemLibraryLoader(), platform::ProgramFolder());
    if (!libraries.Run()) {
        wxMessageBox(wxString::FromUTF8(libraries.FirstProblem()), kErrorTitle,
                     wxOK | wxICON_ERROR);
        return 1;
    }
    CDosewrightWindow window(platform::SystemLibraryLoader());
    SetTopWindow(&window);
    window.RunStartup();
    window.ShowModal();
    // The dialog's result is not needed: the process ends with the dialog.
    return 0;
}
