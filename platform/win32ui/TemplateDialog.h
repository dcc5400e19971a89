// A modal dialog built from one of the program's dialog templates by the
// system's dialog manager: the template's caption, size, font and controls,
// created in template order (which is the tab order). The window's messages
// go to the class built on it; what the buttons do is decided there.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

namespace res {
struct DialogTemplate;
}

namespace platform {

class TemplateDialog {
public:
    TemplateDialog(const res::DialogTemplate& dialogTemplate, HINSTANCE instance);
    virtual ~TemplateDialog() = default;
    TemplateDialog(const TemplateDialog&) = delete;
    TemplateDialog& operator=(const TemplateDialog&) = delete;

    // Creates the dialog, centred on its owner (the screen when there is none),
    // and runs it until EndDialog. Returns the result given to EndDialog, or -1
    // when the dialog could not be created.
    INT_PTR DoModal(HWND owner);
    void EndDialog(INT_PTR result);

    // The dialog window; null before DoModal and after it returned.
    HWND Handle() const { return m_window; }
    HINSTANCE Instance() const { return m_instance; }
    const res::DialogTemplate& Template() const { return m_template; }

    // The first control with this template id (-1 included), as the template
    // orders them; null when there is none or the dialog is not open.
    HWND FindTemplateControl(int controlId) const;

protected:
    // The dialog exists, hidden, with its controls. True gives the focus to
    // the first enabled tab stop afterwards; false leaves it where it was put.
    virtual bool OnInitDialog() { return true; }
    // A message of the dialog. A result ends its handling (the value is the
    // dialog procedure's); nothing leaves it to the dialog manager. By default
    // OK and Cancel end the dialog.
    virtual std::optional<INT_PTR> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    void CollectControls();

    const res::DialogTemplate& m_template;
    HINSTANCE m_instance;
    HWND m_window = nullptr;
    std::vector<HWND> m_controls; // parallel to the template's control list
};

} // namespace platform
