// The About box, from template 100: the application icon, the version line
// and OK.
#pragma once

#include "platform/wx/TemplateDialog.h"

class CAboutDlg final : public platform::TemplateDialog {
public:
    explicit CAboutDlg(wxWindow* parent);
};
