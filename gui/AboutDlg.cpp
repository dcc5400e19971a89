#include "gui/AboutDlg.h"

#include <wx/iconbndl.h>

#include "platform/wx/ApplicationIcon.h"
#include "resources/DialogTemplates.h"
#include "resources/ResourceIds.h"

CAboutDlg::CAboutDlg(wxWindow* parent)
    : TemplateDialog(parent, *res::FindDialogTemplate(res::IDD_ABOUTBOX),
                     platform::LoadIconBundle(res::IDR_MAINFRAME)) {
    // OK, Esc and the close box all close it.
    SetAffirmativeId(res::IDOK);
    SetEscapeId(res::IDOK);
    FocusFirstTabStop();
    CentreOnParent();
}
