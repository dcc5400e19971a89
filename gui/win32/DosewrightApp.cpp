#include "gui/win32/DosewrightApp.h"

#include <commctrl.h>

#include "app/DosewrightDlg.h"
#include "app/HostLibraryCheck.h"
#include "gui/win32/DosewrightWindow.h"
#include "platform/LibraryLoader.h"

bool CDosewrightApp::InitInstance() {
    // Before the first call into the host's DLLs, which loads them: the
    // system's loader would end the program with a message of its own.
    HostLibraryCheck libraries(platform::SystemLibraryLoader(), platform::ProgramFolder());
    if (!libraries.Run()) {
        ::MessageBoxA(nullptr, libraries.FirstProblem().c_str(), kErrorTitle, MB_OK | MB_ICONERROR);
        return false;
    }
    // The standard control classes, in the look the manifest asks for.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    // No ActiveX control container: hosting controls in dialogs is the class library's.
    // No shell manager: it is the class library's, and the program shows no shell dialogs.
    // No registry key for settings: the class library's, and the program keeps no settings.
    // No restart-manager support: the class library's, and a run is never resumed.

    CDosewrightWindow window(m_instance, platform::SystemLibraryLoader());
    // The dialog's result is not needed: the process ends with the dialog.
    window.DoModal(nullptr);
    return true;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The command line is not read.
    CDosewrightApp app(instance);
    return app.InitInstance() ? 0 : 1;
}
