#include "gui/win32/DosewrightApp.h"

#include <commctrl.h>

#include "gui/win32/DosewrightWindow.h"
#include "platform/LibraryLoader.h"

void CDosewrightApp::InitInstance() {
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
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The command line is not read.
    CDosewrightApp app(instance);
    app.InitInstance();
    return 0;
}
