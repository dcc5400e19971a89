// The About box, from template 100: the application icon, the version line
// and OK.
#pragma once

#include "platform/win32ui/TemplateDialog.h"

class CAboutDlg final : public platform::TemplateDialog {
public:
    explicit CAboutDlg(HINSTANCE instance);
};
