// The application object: one modal dialog, and the process ends with it.
#pragma once

#include <windows.h>

class CDosewrightApp final {
public:
    explicit CDosewrightApp(HINSTANCE instance) : m_instance(instance) {}

    // Checks the host's DLLs beside the program, prepares the system's
    // controls, runs the main dialog modally and returns when it has closed;
    // there is no message loop of the application's own. False, after saying
    // why in a message box, when the host's DLLs are unfit and no dialog ran.
    bool InitInstance();

private:
    HINSTANCE m_instance;
};
