#include "resources/DialogTemplates.h"
#include "resources/ResourceIds.h"

#include "gui/win32/AboutDlg.h"

// OK, Esc and the close box all close it (the template dialog's default).
CAboutDlg::CAboutDlg(HINSTANCE instance)
    : TemplateDialog(*res::FindDialogTemplate(res::IDD_ABOUTBOX), instance) {}
