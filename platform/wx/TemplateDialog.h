// A dialog window built from one of the program's dialog templates: the
// template's caption, its size converted from dialog units with the toolkit's
// own conversion for the dialog font, and every control at its template place
// with its id, caption and the styles the toolkit can express, created in
// template order so that the tab order is the template's.
//
// The dialog only lays out; what its buttons do is bound by the class built on it.
#pragma once

#include <vector>

#include <wx/dialog.h>

class wxIconBundle;

namespace res {
struct DialogTemplate;
struct DialogControl;
} // namespace res

namespace platform {

class TemplateDialog : public wxDialog {
public:
    // Creates the window and its controls, hidden. `icons` supplies the window's
    // icons and the images of icon controls.
    TemplateDialog(wxWindow* parent, const res::DialogTemplate& dialogTemplate,
                   const wxIconBundle& icons);

    const res::DialogTemplate& Template() const { return m_template; }

    // The first control with this template id (-1 included), as the template
    // orders them; nullptr when there is none.
    wxWindow* FindTemplateControl(int controlId) const;

    // The controls, in template order (parallel to the template's control list).
    const std::vector<wxWindow*>& TemplateControls() const { return m_controls; }

    // Gives the focus to the first visible, enabled control with a tab stop, as
    // a dialog does when it opens. Returns the control, or nullptr.
    wxWindow* FocusFirstTabStop();

private:
    wxWindow* CreateControl(const res::DialogControl& control, const wxIconBundle& icons);

    const res::DialogTemplate& m_template;
    std::vector<wxWindow*> m_controls; // owned by the window
    bool m_defaultButtonSet = false;
};

} // namespace platform
